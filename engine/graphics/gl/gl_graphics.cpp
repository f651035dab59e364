// The OpenGL 3.3 core renderer. Every picture, the screen's included, is drawn into a
// framebuffer object whose row 0 is the picture's top row, so the window, targets and
// textures share one orientation; the screen's picture is scaled into the window when
// it is presented (whole-number scale where it fits, black bars around).
#include "engine/core/native_window.h"
#include "engine/graphics/renderer.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

const char* const VERTEX_SHADER = R"(#version 330 core
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec4 aColor;
layout(location = 2) in vec2 aTex;
uniform mat4 uMatrix;
out vec4 vColor;
out vec2 vTex;
void main() {
    gl_Position = uMatrix * vec4(aPos, 1.0);
    vColor = aColor;
    vTex = aTex;
}
)";

const char* const FRAGMENT_SHADER = R"(#version 330 core
in vec4 vColor;
in vec2 vTex;
uniform sampler2D uTexture;
uniform int uColorAdd;
out vec4 fragColor;
void main() {
    vec4 t = texture(uTexture, vTex);
    vec3 rgb = uColorAdd != 0 ? min(t.rgb + vColor.rgb, vec3(1.0)) : t.rgb * vColor.rgb;
    float a = t.a * vColor.a;
    // An alpha that rounds to 0 of 255 leaves no trace, not even in depth.
    if (a < 0.5 / 255.0) discard;
    fragColor = vec4(rgb, a);
}
)";

constexpr int QUAD_INDEX_COUNT = VERTEX_BUFFER_SIZE / 4 * 6;

void clearGlErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

GLuint compileShader(GLenum kind, const char* source) {
    GLuint shader = glCreateShader(kind);
    if (!shader) return 0;
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

class GlGraphics final : public Renderer {
public:
    explicit GlGraphics(EngineContext& ctx) : Renderer(ctx) {}
    ~GlGraphics() override { shutdown(); }

    bool start() override;
    void shutdown() override;
    bool reset() override;
    bool saveScreenshot(const char* path) override;
    void* device() override { return context_; }

protected:
    int deviceMaxTextureSize() const override { return maxTextureSize_; }
    bool deviceCreateTexture(TextureRecord& tex, const uint32_t* pixels) override;
    void deviceDestroyTexture(TextureRecord& tex) override;
    bool deviceReadTexture(TextureRecord& tex) override;
    void deviceWriteTexture(TextureRecord& tex, int x, int y, int w, int h) override;
    TargetResult deviceCreateTarget(TargetRecord& target, TextureRecord& tex) override;
    void deviceDestroyTarget(TargetRecord& target, TextureRecord& tex) override;
    bool deviceSetTarget(TargetRecord* target) override;
    void deviceSetClip(int x, int y, int w, int h, bool whole) override;
    void deviceSetTransform(const Affine2D& view, int targetWidth, int targetHeight) override;
    void deviceSetBlend(int changedBits, int blend) override;
    void deviceDraw(int primType, int primCount, const Vertex* vertices, TextureRecord* texture) override;
    void deviceClear(uint32_t color, bool depth) override;
    void devicePresent() override;
    void deviceSetFilter(bool linear) override;
    bool deviceReadPixels(TargetRecord* target, int x, int y, int w, int h, uint32_t* out) override;

private:
    bool createProgram();
    // What a reset releases and makes again: the screen's framebuffer, the targets'
    // textures and depth buffers, the vertex and index buffers.
    bool createResources();
    void releaseResources();
    bool createScreen();
    bool createTargetObjects(TargetRecord& target, TextureRecord& tex, TargetResult* result);
    void applyFixedState();
    void applySwapInterval();
    void bindTexture(GLuint id) {
        if (id != boundTexture_) {
            glBindTexture(GL_TEXTURE_2D, id);
            boundTexture_ = id;
        }
    }
    GLuint currentFramebuffer() const {
        TargetRecord* t = targetRecord(currentTarget());
        return t ? t->deviceFramebuffer : screenFramebuffer_;
    }

    SDL_GLContext context_ = nullptr;
    int maxTextureSize_ = 0;
    GLuint program_ = 0;
    GLint uMatrix_ = -1;
    GLint uColorAdd_ = -1;
    GLuint vao_ = 0;
    GLuint vertexBuffer_ = 0;
    GLuint indexBuffer_ = 0;
    GLuint sampler_ = 0;
    GLuint white_ = 0;
    GLuint screenFramebuffer_ = 0;
    GLuint screenTexture_ = 0;
    GLuint screenDepth_ = 0;
    GLuint boundTexture_ = 0;
    bool depthWrite_ = false;
    bool scissor_ = false;
};

// ---------------------------------------------------------------------------------
// Start-up, reset, shut-down.

bool GlGraphics::start() {
    if (!ctx_.window) {
        ctx_.postError("Can't initialise video");
        return false;
    }
    SDL_DisplayMode desktop;
    int display = SDL_GetWindowDisplayIndex(ctx_.window);
    if (display < 0 || SDL_GetDesktopDisplayMode(display, &desktop) != 0 ||
        desktop.format == SDL_PIXELFORMAT_UNKNOWN) {
        ctx_.postError("Can't determine desktop video mode");
        if (ctx_.windowed) return false;
    } else {
        ctx_.screenBpp = SDL_BITSPERPIXEL(desktop.format) >= 24 ? 32 : 16;
    }

    context_ = SDL_GL_CreateContext(ctx_.window);
    if (!context_ || SDL_GL_MakeCurrent(ctx_.window, context_) != 0 || !epoxy_is_desktop_gl() ||
        epoxy_gl_version() < 33) {
        ctx_.postError("Can't create OpenGL context");
        return false;
    }
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
    if (!createProgram()) {
        ctx_.postError("Can't create OpenGL context");
        return false;
    }
    if (!createResources()) return false;
    applySwapInterval();
    resetDrawingState();
    deviceSetTarget(nullptr);
    deviceSetClip(0, 0, screenWidth(), screenHeight(), true);
    deviceClear(0, ctx_.zbuffer);
    return true;
}

bool GlGraphics::createProgram() {
    GLuint vs = compileShader(GL_VERTEX_SHADER, VERTEX_SHADER);
    GLuint fs = compileShader(GL_FRAGMENT_SHADER, FRAGMENT_SHADER);
    if (vs && fs) {
        program_ = glCreateProgram();
        glAttachShader(program_, vs);
        glAttachShader(program_, fs);
        glLinkProgram(program_);
    }
    if (vs) glDeleteShader(vs);
    if (fs) glDeleteShader(fs);
    if (!program_) return false;
    GLint linked = GL_FALSE;
    glGetProgramiv(program_, GL_LINK_STATUS, &linked);
    if (!linked) return false;
    glUseProgram(program_);
    uMatrix_ = glGetUniformLocation(program_, "uMatrix");
    uColorAdd_ = glGetUniformLocation(program_, "uColorAdd");
    glUniform1i(glGetUniformLocation(program_, "uTexture"), 0);

    glGenVertexArrays(1, &vao_);
    glBindVertexArray(vao_);
    glGenSamplers(1, &sampler_);
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindSampler(0, sampler_);
    glActiveTexture(GL_TEXTURE0);

    // Untextured primitives sample this texel, so the same shader serves both.
    const uint32_t white = 0xFFFFFFFFu;
    glGenTextures(1, &white_);
    glBindTexture(GL_TEXTURE_2D, white_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &white);
    boundTexture_ = white_;
    return vao_ && sampler_ && white_ && glGetError() == GL_NO_ERROR;
}

bool GlGraphics::createScreen() {
    glGenTextures(1, &screenTexture_);
    bindTexture(screenTexture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, screenWidth(), screenHeight(), 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    glGenFramebuffers(1, &screenFramebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, screenFramebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, screenTexture_, 0);
    if (ctx_.zbuffer) {
        glGenRenderbuffers(1, &screenDepth_);
        glBindRenderbuffer(GL_RENDERBUFFER, screenDepth_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, screenWidth(), screenHeight());
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, screenDepth_);
    }
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
    // Shown again when the window is uncovered before the first picture: black, not noise.
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

bool GlGraphics::createResources() {
    clearGlErrors();
    if (!createScreen()) {
        ctx_.postError("Can't create OpenGL context");
        return false;
    }
    for (TargetHandle h : targetHandles()) {
        TargetRecord* target = targetRecord(h);
        TextureRecord* tex = textureRecord(target->texture);
        TargetResult result;
        if (!tex || !createTargetObjects(*target, *tex, &result)) {
            ctx_.postError(result == TargetResult::NoDepth ? "Can't create render target depth buffer"
                                                           : "Can't create render target texture");
            return false;
        }
    }

    glGenBuffers(1, &vertexBuffer_);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glBufferData(GL_ARRAY_BUFFER, sizeof(Vertex) * VERTEX_BUFFER_SIZE, nullptr, GL_STREAM_DRAW);
    if (!vertexBuffer_ || glGetError() != GL_NO_ERROR) {
        ctx_.postError("Can't create vertex buffer");
        return false;
    }
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(offsetof(Vertex, x)));
    // ARGB in a little-endian word is the bytes B, G, R, A.
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex),
                          reinterpret_cast<void*>(offsetof(Vertex, col)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(offsetof(Vertex, tx)));

    // Two triangles per quad: b, b+1, b+2 and b+2, b+3, b.
    std::vector<uint16_t> indices(QUAD_INDEX_COUNT);
    for (int n = 0; n < VERTEX_BUFFER_SIZE / 4; ++n) {
        uint16_t b = static_cast<uint16_t>(n * 4);
        uint16_t* i = &indices[static_cast<size_t>(n) * 6];
        i[0] = b;
        i[1] = static_cast<uint16_t>(b + 1);
        i[2] = static_cast<uint16_t>(b + 2);
        i[3] = static_cast<uint16_t>(b + 2);
        i[4] = static_cast<uint16_t>(b + 3);
        i[5] = b;
    }
    glGenBuffers(1, &indexBuffer_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(uint16_t) * QUAD_INDEX_COUNT, indices.data(), GL_STATIC_DRAW);
    if (!indexBuffer_ || glGetError() != GL_NO_ERROR) {
        ctx_.postError("Can't create index buffer");
        return false;
    }
    applyFixedState();
    return true;
}

void GlGraphics::releaseResources() {
    for (TargetHandle h : targetHandles()) {
        TargetRecord* target = targetRecord(h);
        if (TextureRecord* tex = textureRecord(target->texture)) deviceDestroyTarget(*target, *tex);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (screenFramebuffer_) glDeleteFramebuffers(1, &screenFramebuffer_);
    if (screenDepth_) glDeleteRenderbuffers(1, &screenDepth_);
    if (screenTexture_) glDeleteTextures(1, &screenTexture_);
    if (indexBuffer_) glDeleteBuffers(1, &indexBuffer_);
    if (vertexBuffer_) glDeleteBuffers(1, &vertexBuffer_);
    screenFramebuffer_ = screenDepth_ = screenTexture_ = indexBuffer_ = vertexBuffer_ = 0;
    glBindTexture(GL_TEXTURE_2D, 0);
    boundTexture_ = 0;
}

void GlGraphics::applyFixedState() {
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    depthWrite_ = false;
    glUniform1i(uColorAdd_, 0);
    deviceSetFilter(ctx_.textureFilter);
}

void GlGraphics::applySwapInterval() {
    // Windowed presentation waits for the retrace; full screen only with STATE_FPS -1.
    SDL_GL_SetSwapInterval(ctx_.windowed || ctx_.fps == FPS_VSYNC ? 1 : 0);
}

bool GlGraphics::reset() {
    if (!context_) return false;
    SDL_GL_MakeCurrent(ctx_.window, context_);
    releaseResources();
    if (!createResources()) return false;
    applySwapInterval();
    resetDrawingState();
    deviceSetTarget(nullptr);
    deviceSetClip(0, 0, screenWidth(), screenHeight(), true);
    return ctx_.restoreFunc ? ctx_.restoreFunc() : true;
}

void GlGraphics::shutdown() {
    if (!context_) return;
    SDL_GL_MakeCurrent(ctx_.window, context_);
    freeAll();
    releaseResources();
    if (white_) glDeleteTextures(1, &white_);
    if (sampler_) glDeleteSamplers(1, &sampler_);
    if (vao_) glDeleteVertexArrays(1, &vao_);
    if (program_) glDeleteProgram(program_);
    white_ = sampler_ = vao_ = program_ = 0;
    SDL_GL_DeleteContext(context_);
    context_ = nullptr;
}

bool GlGraphics::saveScreenshot(const char* path) {
    if (!context_ || !path) return false;
    int w = screenWidth(), h = screenHeight();
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    if (!readPixels(0, 0, 0, w, h, pixels.data())) return false;
    SDL_Surface* argb =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_ARGB8888);
    SDL_Surface* rgb = argb ? SDL_ConvertSurfaceFormat(argb, SDL_PIXELFORMAT_BGR24, 0) : nullptr;
    bool ok = rgb && SDL_SaveBMP(rgb, path) == 0;
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(argb);
    return ok;
}

// ---------------------------------------------------------------------------------
// Textures and targets.

bool GlGraphics::deviceCreateTexture(TextureRecord& tex, const uint32_t* pixels) {
    clearGlErrors();
    GLuint id = 0;
    glGenTextures(1, &id);
    if (!id) return false;
    bindTexture(id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, tex.mipmap ? 1000 : 0);
    // A target's picture has no alpha of its own: it is drawn opaque.
    if (tex.ofTarget) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    std::vector<uint32_t> blank;
    if (!pixels) {
        blank.assign(static_cast<size_t>(tex.width) * tex.height, 0u);
        pixels = blank.data();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tex.width, tex.height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 pixels);
    if (tex.mipmap) glGenerateMipmap(GL_TEXTURE_2D);
    if (glGetError() != GL_NO_ERROR) {
        bindTexture(0);
        glDeleteTextures(1, &id);
        return false;
    }
    tex.deviceTexture = id;
    return true;
}

void GlGraphics::deviceDestroyTexture(TextureRecord& tex) {
    if (!tex.deviceTexture) return;
    GLuint id = tex.deviceTexture;
    if (boundTexture_ == id) bindTexture(0);
    glDeleteTextures(1, &id);
    tex.deviceTexture = 0;
}

bool GlGraphics::deviceReadTexture(TextureRecord& tex) {
    if (!tex.deviceTexture) return false;
    bindTexture(tex.deviceTexture);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, tex.pixels.data());
    if (tex.ofTarget) {
        for (uint32_t& p : tex.pixels) p |= 0xFF000000u;
    }
    return true;
}

void GlGraphics::deviceWriteTexture(TextureRecord& tex, int x, int y, int w, int h) {
    if (!tex.deviceTexture) return;
    bindTexture(tex.deviceTexture);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, tex.width);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                    &tex.pixels[static_cast<size_t>(y) * tex.width + x]);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (tex.mipmap) glGenerateMipmap(GL_TEXTURE_2D);
}

bool GlGraphics::createTargetObjects(TargetRecord& target, TextureRecord& tex, TargetResult* result) {
    *result = TargetResult::NoTexture;
    if (!deviceCreateTexture(tex, nullptr)) return false;
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex.deviceTexture, 0);
    target.deviceFramebuffer = fbo;
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete && target.depth) {
        clearGlErrors();
        GLuint depth = 0;
        glGenRenderbuffers(1, &depth);
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, target.width, target.height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        target.deviceDepth = depth;
        if (glGetError() != GL_NO_ERROR || glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            *result = TargetResult::NoDepth;
            complete = false;
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, currentFramebuffer());
    if (!complete) {
        deviceDestroyTarget(target, tex);
        return false;
    }
    // A new target starts black, as a cleared device surface would.
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, currentFramebuffer());
    if (scissor_) glEnable(GL_SCISSOR_TEST);
    *result = TargetResult::Ok;
    return true;
}

Renderer::TargetResult GlGraphics::deviceCreateTarget(TargetRecord& target, TextureRecord& tex) {
    TargetResult result;
    createTargetObjects(target, tex, &result);
    return result;
}

void GlGraphics::deviceDestroyTarget(TargetRecord& target, TextureRecord& tex) {
    if (target.deviceFramebuffer) {
        GLuint fbo = target.deviceFramebuffer;
        glDeleteFramebuffers(1, &fbo);
        target.deviceFramebuffer = 0;
    }
    if (target.deviceDepth) {
        GLuint depth = target.deviceDepth;
        glDeleteRenderbuffers(1, &depth);
        target.deviceDepth = 0;
    }
    deviceDestroyTexture(tex);
}

bool GlGraphics::deviceSetTarget(TargetRecord* target) {
    GLuint fbo = target ? target->deviceFramebuffer : screenFramebuffer_;
    if (!fbo) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, target ? target->width : screenWidth(), target ? target->height : screenHeight());
    if (target ? target->depth : ctx_.zbuffer) {
        glEnable(GL_DEPTH_TEST);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    return true;
}

// ---------------------------------------------------------------------------------
// Drawing.

void GlGraphics::deviceSetClip(int x, int y, int w, int h, bool whole) {
    scissor_ = !whole;
    if (whole) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    // Row 0 of every framebuffer here is the picture's top row.
    glScissor(x, y, w, h);
}

void GlGraphics::deviceSetTransform(const Affine2D& v, int targetWidth, int targetHeight) {
    // Pixels (top-left origin) to clip space with y = 0 on row 0; z from 0..1 to -1..1.
    float sx = 2.0f / static_cast<float>(targetWidth);
    float sy = 2.0f / static_cast<float>(targetHeight);
    const float m[16] = {
        sx * v.a, sy * v.c, 0.0f, 0.0f,
        sx * v.b, sy * v.d, 0.0f, 0.0f,
        0.0f, 0.0f, 2.0f, 0.0f,
        sx * v.tx - 1.0f, sy * v.ty - 1.0f, -1.0f, 1.0f,
    };
    glUniformMatrix4fv(uMatrix_, 1, GL_FALSE, m);
}

void GlGraphics::deviceSetBlend(int changedBits, int blend) {
    if (changedBits & BLEND_ALPHABLEND) {
        glBlendFunc(GL_SRC_ALPHA, (blend & BLEND_ALPHABLEND) ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
    }
    if (changedBits & BLEND_ZWRITE) {
        depthWrite_ = (blend & BLEND_ZWRITE) != 0;
        glDepthMask(depthWrite_ ? GL_TRUE : GL_FALSE);
    }
    if (changedBits & BLEND_COLORADD) glUniform1i(uColorAdd_, (blend & BLEND_COLORADD) ? 1 : 0);
}

void GlGraphics::deviceDraw(int primType, int primCount, const Vertex* vertices, TextureRecord* texture) {
    bindTexture(texture && texture->deviceTexture ? texture->deviceTexture : white_);
    GLsizei vertexCount = primCount * primType;
    // Orphan the buffer so the driver need not wait for the previous batch.
    glBufferData(GL_ARRAY_BUFFER, sizeof(Vertex) * VERTEX_BUFFER_SIZE, nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(Vertex) * vertexCount, vertices);
    switch (primType) {
    case PRIM_QUADS:
        glDrawElements(GL_TRIANGLES, primCount * 6, GL_UNSIGNED_SHORT, nullptr);
        break;
    case PRIM_TRIPLES:
        glDrawArrays(GL_TRIANGLES, 0, vertexCount);
        break;
    default:
        glDrawArrays(GL_LINES, 0, vertexCount);
        break;
    }
}

void GlGraphics::deviceClear(uint32_t color, bool depth) {
    glClearColor(GETR(color) / 255.0f, GETG(color) / 255.0f, GETB(color) / 255.0f, GETA(color) / 255.0f);
    GLbitfield bits = GL_COLOR_BUFFER_BIT;
    if (depth) {
        bits |= GL_DEPTH_BUFFER_BIT;
        glClearDepth(1.0);
        glDepthMask(GL_TRUE);
    }
    glClear(bits);
    if (depth && !depthWrite_) glDepthMask(GL_FALSE);
}

void GlGraphics::devicePresent() {
    int w = screenWidth(), h = screenHeight();
    int dw = w, dh = h;
    // The window's real size: a full screen that the window manager did not grant
    // leaves the window as it was.
    windowPixelSize(ctx_.window, &dw, &dh);
    PictureRect r = fitPicture(w, h, dw, dh);

    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, screenFramebuffer_);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // The default framebuffer's row 0 is the bottom: the picture goes in upside down.
    glBlitFramebuffer(0, 0, w, h, r.x, r.y + r.h, r.x + r.w, r.y, GL_COLOR_BUFFER_BIT,
                      r.wholeScale ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SwapWindow(ctx_.window);
    glBindFramebuffer(GL_FRAMEBUFFER, currentFramebuffer());
    if (scissor_) glEnable(GL_SCISSOR_TEST);
}

void GlGraphics::deviceSetFilter(bool linear) {
    glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST);
}

bool GlGraphics::deviceReadPixels(TargetRecord* target, int x, int y, int w, int h, uint32_t* out) {
    GLuint fbo = target ? target->deviceFramebuffer : screenFramebuffer_;
    if (!fbo) return false;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, out);
    glBindFramebuffer(GL_FRAMEBUFFER, currentFramebuffer());
    size_t n = static_cast<size_t>(w) * h;
    for (size_t i = 0; i < n; ++i) out[i] |= 0xFF000000u;
    return true;
}

}  // namespace

std::unique_ptr<Graphics> createGlGraphics(EngineContext& ctx) { return std::make_unique<GlGraphics>(ctx); }
