// What the renderer does differently on OpenGL 3.3 core (desktop) and on OpenGL ES
// 3.0 as WebGL 2 offers it (the browser build): the headers, the shaders' first
// lines, the byte order of texel uploads and read-backs, how a batch reaches the
// vertex stream and how quads find their first vertex, reading a texture back, and
// how a target's picture stays opaque. Everything else is the same calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#ifdef __EMSCRIPTEN__
#define TD_GLES 1
#include <GLES3/gl3.h>
#else
#include <epoxy/gl.h>
#endif

namespace gl_dialect {

#ifdef TD_GLES

// VERTEX_COLOR: the vertex colour's bytes B, G, R, A (an ARGB word) arrive as r, g,
// b, a; ES has no BGRA attribute size.
constexpr const char* SHADER_HEADER =
    "#version 300 es\nprecision highp float;\nprecision highp int;\n#define VERTEX_COLOR(c) (c).bgra\n";
constexpr GLint COLOR_ATTRIBUTE_SIZE = 4;

// The context SDL made is ES 3.0, which is all the renderer asks for.
inline bool contextUsable() { return true; }
// No clip control: the screen is always drawn into a framebuffer object of its own.
inline bool hasClipControl() { return false; }
inline void clipControl(GLenum, GLenum) {}
constexpr GLenum UPPER_LEFT = 0, LOWER_LEFT = 0, NEGATIVE_ONE_TO_ONE = 0;
constexpr GLenum BACK_COLOR = GL_BACK;
inline void clearDepth(double d) { glClearDepthf(static_cast<float>(d)); }

// ARGB words to the bytes R, G, B, A and back: the same swap of the first and
// third byte.
inline uint32_t swapRedBlue(uint32_t p) { return (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16); }

inline std::vector<uint32_t>& scratch() {
    static std::vector<uint32_t> s;
    return s;
}

// Rows of rowLength words starting at pixels, w x h of them, as ES wants them.
inline const uint32_t* toRgba(const uint32_t* pixels, int w, int h, int rowLength) {
    std::vector<uint32_t>& s = scratch();
    s.resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * rowLength;
        for (int x = 0; x < w; ++x) s[static_cast<size_t>(y) * w + x] = swapRedBlue(row[x]);
    }
    return s.data();
}

inline void texImageArgb(int w, int h, const uint32_t* pixels) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels ? toRgba(pixels, w, h, w) : nullptr);
}

inline void texSubImageArgb(int x, int y, int w, int h, int rowLength, const uint32_t* pixels) {
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, toRgba(pixels, w, h, rowLength));
}

inline void readPixelsArgb(int x, int y, int w, int h, uint32_t* out) {
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, out);
    const size_t n = static_cast<size_t>(w) * h;
    for (size_t i = 0; i < n; ++i) out[i] = swapRedBlue(out[i]);
}

// No glGetTexImage: the texture goes on a framebuffer of its own for the read.
inline void readTextureArgb(GLuint texture, int w, int h, uint32_t* out, GLuint restoreFramebuffer) {
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    readPixelsArgb(0, 0, w, h, out);
    glBindFramebuffer(GL_FRAMEBUFFER, restoreFramebuffer);
    glDeleteFramebuffers(1, &fbo);
}

// WebGL 2 has no texture swizzle: targets keep the alpha of their first clear (1)
// because colour writes never reach the alpha channel (see keepAlphaOpaque).
inline void makeTextureOpaque() {}
inline void keepAlphaOpaque() { glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE); }
// A new framebuffer's first clear, to opaque black, writes alpha too.
inline void clearOpaqueBlack() {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    keepAlphaOpaque();
}

// No buffer maps in WebGL 2; the browser copies what it is given.
// Each batch in fresh storage of the buffer, from its start: writing into storage
// that earlier draws still read makes the browser's GPU process copy or wait, and
// without base-vertex draws a batch elsewhere in it needs its attributes pointed anew.
inline bool streamWrite(GLintptr, GLsizeiptr bytes, const void* src, GLbitfield) {
    glBufferData(GL_ARRAY_BUFFER, bytes, src, GL_STREAM_DRAW);
    return true;
}

// The attributes stay pointed at the buffer's start, where every batch is.
inline void pointAttributes(GLint, GLsizei, size_t, size_t, size_t) {}
inline GLint drawBase(GLint) { return 0; }
// Quads from firstQuad of the batch on: their indices start firstQuad x 6 in.
inline void drawQuads(GLsizei indexCount, GLint, GLint firstQuad) {
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT,
                   reinterpret_cast<void*>(static_cast<uintptr_t>(firstQuad) * 6 * sizeof(uint16_t)));
}

#else

constexpr const char* SHADER_HEADER = "#version 330 core\n#define VERTEX_COLOR(c) (c)\n";
// ARGB in a little-endian word is the bytes B, G, R, A.
constexpr GLint COLOR_ATTRIBUTE_SIZE = GL_BGRA;

inline bool contextUsable() { return epoxy_is_desktop_gl() && epoxy_gl_version() >= 33; }
inline bool hasClipControl() { return epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control"); }
inline void clipControl(GLenum origin, GLenum depth) { glClipControl(origin, depth); }
constexpr GLenum UPPER_LEFT = GL_UPPER_LEFT, LOWER_LEFT = GL_LOWER_LEFT, NEGATIVE_ONE_TO_ONE = GL_NEGATIVE_ONE_TO_ONE;
constexpr GLenum BACK_COLOR = GL_BACK_LEFT;
inline void clearDepth(double d) { glClearDepth(d); }

inline void texImageArgb(int w, int h, const uint32_t* pixels) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
}

inline void texSubImageArgb(int x, int y, int w, int h, int rowLength, const uint32_t* pixels) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

inline void readPixelsArgb(int x, int y, int w, int h, uint32_t* out) {
    glReadPixels(x, y, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, out);
}

inline void readTextureArgb(GLuint, int, int, uint32_t* out, GLuint) {
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, out);
}

// A target's picture has no alpha of its own: it is drawn opaque.
inline void makeTextureOpaque() { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE); }
inline void keepAlphaOpaque() {}
inline void clearOpaqueBlack() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

inline bool streamWrite(GLintptr offset, GLsizeiptr bytes, const void* src, GLbitfield access) {
    void* dst = glMapBufferRange(GL_ARRAY_BUFFER, offset, bytes, access);
    if (!dst) return false;
    std::memcpy(dst, src, static_cast<size_t>(bytes));
    return glUnmapBuffer(GL_ARRAY_BUFFER) == GL_TRUE;
}

inline void pointAttributes(GLint, GLsizei, size_t, size_t, size_t) {}
inline GLint drawBase(GLint first) { return first; }
inline void drawQuads(GLsizei indexCount, GLint first, GLint firstQuad) {
    glDrawElementsBaseVertex(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT, nullptr, first + firstQuad * 4);
}

#endif

}  // namespace gl_dialect
