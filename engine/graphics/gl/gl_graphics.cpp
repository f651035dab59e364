// The OpenGL 3.3 core renderer. Targets are framebuffer objects whose row 0 is the
// picture's top row, as in textures. Where the screen's picture maps 1:1 onto the
// window it is drawn straight into the window's back buffer (the window's origin put
// at the top left, the picture's place as viewport, black bars around). Scaled up, it
// is drawn into a framebuffer object of its own like a target and scaled into the
// window when presented: drawing at the larger size would rasterise differently from
// a nearest-neighbour upscale. Where OpenGL cannot put the origin at the top left the
// screen takes that way too. The last finished picture, for read-backs and for a
// window that is uncovered, is in that framebuffer object; drawing directly, it is in
// the back buffer where the window system tells that a swap keeps it there or can
// show the back buffer without a swap, else it is copied there before each swap.
#include "engine/core/native_window.h"
#include "engine/graphics/gl/gl_dialect.h"
#include "engine/graphics/renderer.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// After gl_dialect::SHADER_HEADER.
const char* const VERTEX_SHADER = R"(
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec4 aColor;
layout(location = 2) in vec2 aTex;
uniform mat4 uMatrix;
out vec4 vColor;
out vec2 vTex;
void main() {
    gl_Position = uMatrix * vec4(aPos, 1.0);
    vColor = VERTEX_COLOR(aColor);
    vTex = aTex;
}
)";

// Four variants: colour added or multiplied, and the discard of fragments too faint
// to see only where depth is written. Elsewhere blending leaves such a fragment no
// trace anyway, and a branch or a discard costs a software rasteriser its fast paths.
// After gl_dialect::SHADER_HEADER and a variant's defines.
const char* const FRAGMENT_SHADER_BODY = R"(
in vec4 vColor;
in vec2 vTex;
uniform sampler2D uTexture;
out vec4 fragColor;
void main() {
    vec4 t = texture(uTexture, vTex);
#ifdef COLOR_ADD
    fragColor = vec4(min(t.rgb + vColor.rgb, vec3(1.0)), t.a * vColor.a);
#else
    fragColor = t * vColor;
#endif
#ifdef DEPTH_WRITE
    // An alpha that rounds to 0 of 255 leaves no trace, not even in depth.
    if (fragColor.a < 0.5 / 255.0) discard;
#endif
}
)";
const char* const FRAGMENT_VARIANTS[4] = {"", "#define COLOR_ADD\n", "#define DEPTH_WRITE\n",
                                          "#define COLOR_ADD\n#define DEPTH_WRITE\n"};
int programIndex(int blend) { return ((blend & BLEND_COLORADD) ? 1 : 0) | ((blend & BLEND_ZWRITE) ? 2 : 0); }

constexpr int QUAD_INDEX_COUNT = VERTEX_BUFFER_SIZE / 4 * 6;
// Quads go in draws of at most this many. Mesa's software renderer rasterises each
// quad of an indexed draw as one rectangle when the draw reaches it whole, which it
// does up to 1024 indices (with a base vertex); a larger draw is cut into runs of
// 1023 indices, which splits quads, and then every quad is two triangles: twice
// the work for small sprites.
constexpr int QUADS_PER_DRAW = 1024 / 6;
// Batches are appended to one stream of this many batches' room; the stream is
// orphaned only when it is full, so most batches cost no new driver allocation.
constexpr int STREAM_BATCHES = 8;
constexpr GLsizeiptr STREAM_BYTES = GLsizeiptr(sizeof(Vertex)) * VERTEX_BUFFER_SIZE * STREAM_BATCHES;

void clearGlErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

GLuint compileShader(GLenum kind, const char* source, const char* defines = "") {
    GLuint shader = glCreateShader(kind);
    if (!shader) return 0;
    const char* parts[3] = {gl_dialect::SHADER_HEADER, defines, source};
    glShaderSource(shader, 3, parts, nullptr);
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
    // What the window's back buffer and the window system offer (see the members).
    void askWindow();
    // What a reset releases and makes again: the screen's framebuffer, the targets'
    // textures and depth buffers, the vertex and index buffers.
    bool createResources();
    void releaseResources();
    bool createScreen();
    // Where the screen's picture goes in the window at its present size, and whether it
    // is drawn there directly; false when that stayed as it was.
    bool placePicture();
    // After placePicture: the driver takes a new window size at a swap, which showing
    // the back buffer without one never is. The back buffer is then undefined.
    void takeWindowSize();
    bool drawingIntoWindow() const { return direct_ && !currentTarget(); }
    void applyScissor();
    void applyScreenViewport();
    // Before drawing into the window's back buffer; covered: the drawing covers the
    // whole picture, so what the back buffer held does not matter.
    void beforeWindowDrawing(bool covered);
    // The last finished picture into the back buffer, scaled, with black bars around.
    void showPicture();
    // The back buffer's picture, at r, into the screen's framebuffer object, row 0 at
    // the top.
    void keepPicture(const PictureRect& r);
    void clearBars();
    bool windowHoldsPicture() const { return direct_ && (backNewer_ || !backStale_); }
    bool createTargetObjects(TargetRecord& target, TextureRecord& tex, TargetResult* result);
    void applyFixedState();
    // Makes a fragment variant current, with the current matrix.
    void useProgram(int index);
    void applySwapInterval();
    void bindTexture(GLuint id) {
        if (id != boundTexture_) {
            glBindTexture(GL_TEXTURE_2D, id);
            boundTexture_ = id;
        }
    }
    GLuint currentFramebuffer() const {
        TargetRecord* t = targetRecord(currentTarget());
        return t ? t->deviceFramebuffer : direct_ ? 0 : screenFramebuffer_;
    }

    SDL_GLContext context_ = nullptr;
    int maxTextureSize_ = 0;
    // The program of each fragment variant and whether it has the current matrix.
    GLuint programs_[4] = {};
    GLint uMatrix_[4] = {-1, -1, -1, -1};
    bool matrixLoaded_[4] = {};
    int program_ = 0;
    float matrix_[16] = {};
    GLuint vao_ = 0;
    GLuint vertexBuffer_ = 0;
    GLint streamVertex_ = 0;  // where the next batch goes in the vertex stream
    GLuint indexBuffer_ = 0;
    GLuint sampler_ = 0;      // for textures with mipmaps
    GLuint flatSampler_ = 0;  // the same filter without a mipmap step, for one level
    GLuint boundSampler_ = 0;
    GLuint white_ = 0;
    // The screen's picture, row 0 at the top: drawn into when scaled up, a copy of the
    // last finished picture when drawn directly.
    GLuint screenFramebuffer_ = 0;
    GLuint screenTexture_ = 0;
    GLuint screenDepth_ = 0;
    GLuint boundTexture_ = 0;
    bool depthWrite_ = false;
    int blend_ = BLEND_DEFAULT;
    bool blendOff_ = false;  // an opaque batch is drawn without blending
    // The window's back buffer can take the screen's drawing: 8-bit colour, no
    // multisampling, a 16-bit depth buffer when the screen has depth, and an origin
    // that can be put at the top left.
    bool windowDrawable_ = false;
    bool direct_ = false;
    // The picture's place in the window in its own pixels (row 0 at the bottom).
    PictureRect picture_{0, 0, 0, 0, true};
    int windowWidth_ = 0, windowHeight_ = 0;
    // Direct drawing: after a swap the back buffer's contents are undefined (stale)
    // unless the swap kept them (preserving); drawing since the last present is in the
    // back buffer only (newer); the framebuffer object holds the last picture (kept).
    bool backStale_ = false;
    bool backNewer_ = false;
    bool tellsBufferAge_ = false;
    bool showsBackBuffer_ = false;
    bool swapPreserves_ = false;
    bool pictureKept_ = true;
    bool scissor_ = false;
    int clipX_ = 0, clipY_ = 0, clipW_ = 0, clipH_ = 0;
    // Whether the scissor and depth tests are on (-1 unknown): every scene and every
    // picture would switch them again, calls a browser hands to its GPU process.
    int scissorTest_ = -1, depthTest_ = -1;
    static void setCapability(GLenum cap, int& state, bool on) {
        if (state == static_cast<int>(on)) return;
        if (on) {
            glEnable(cap);
        } else {
            glDisable(cap);
        }
        state = on;
    }
    void scissorTest(bool on) { setCapability(GL_SCISSOR_TEST, scissorTest_, on); }
    void depthTest(bool on) { setCapability(GL_DEPTH_TEST, depthTest_, on); }
    bool topLeftOrigin_ = false;
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
    if (!context_ || SDL_GL_MakeCurrent(ctx_.window, context_) != 0 || !gl_dialect::contextUsable()) {
        ctx_.postError("Can't create OpenGL context");
        return false;
    }
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
    askWindow();
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

void GlGraphics::askWindow() {
    clearGlErrors();
    GLint red = 0, green = 0, blue = 0, depthBits = 0, samples = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, gl_dialect::BACK_COLOR, GL_FRAMEBUFFER_ATTACHMENT_RED_SIZE, &red);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, gl_dialect::BACK_COLOR, GL_FRAMEBUFFER_ATTACHMENT_GREEN_SIZE, &green);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, gl_dialect::BACK_COLOR, GL_FRAMEBUFFER_ATTACHMENT_BLUE_SIZE, &blue);
    if (ctx_.zbuffer) {
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE,
                                              &depthBits);
    }
    glGetIntegerv(GL_SAMPLE_BUFFERS, &samples);
    windowDrawable_ = glGetError() == GL_NO_ERROR && red == 8 && green == 8 && blue == 8 && samples == 0 &&
                      (!ctx_.zbuffer || depthBits == 16) &&
                      gl_dialect::hasClipControl();
    clearGlErrors();
    // TIMBERDRIVE_GL_SWAP set: plain swaps and a copy of every picture, as where the
    // window system offers neither (tests take that way too).
    const char* plainSwap = SDL_getenv("TIMBERDRIVE_GL_SWAP");
    const bool ask = !plainSwap || !*plainSwap;
    tellsBufferAge_ = ask && windowTellsBufferAge(ctx_.window);
    showsBackBuffer_ = ask && !tellsBufferAge_ && windowShowsBackBuffer(ctx_.window);
}

bool GlGraphics::createProgram() {
    GLuint vs = compileShader(GL_VERTEX_SHADER, VERTEX_SHADER);
    bool ok = vs != 0;
    for (int i = 0; i < 4 && ok; ++i) {
        GLuint fs = compileShader(GL_FRAGMENT_SHADER, FRAGMENT_SHADER_BODY, FRAGMENT_VARIANTS[i]);
        GLuint program = fs ? glCreateProgram() : 0;
        if (program) {
            glAttachShader(program, vs);
            glAttachShader(program, fs);
            glLinkProgram(program);
            programs_[i] = program;
        }
        if (fs) glDeleteShader(fs);
        GLint linked = GL_FALSE;
        if (program) glGetProgramiv(program, GL_LINK_STATUS, &linked);
        ok = linked == GL_TRUE;
        if (ok) {
            glUseProgram(program);
            uMatrix_[i] = glGetUniformLocation(program, "uMatrix");
            glUniform1i(glGetUniformLocation(program, "uTexture"), 0);
        }
    }
    if (vs) glDeleteShader(vs);
    if (!ok) return false;
    program_ = 0;
    glUseProgram(programs_[0]);

    glGenVertexArrays(1, &vao_);
    glBindVertexArray(vao_);
    for (GLuint* sampler : {&sampler_, &flatSampler_}) {
        glGenSamplers(1, sampler);
        glSamplerParameteri(*sampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glSamplerParameteri(*sampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
    }
    glBindSampler(0, flatSampler_);
    boundSampler_ = flatSampler_;
    glActiveTexture(GL_TEXTURE0);

    // Untextured primitives sample this texel, so the same shader serves both.
    const uint32_t white = 0xFFFFFFFFu;
    glGenTextures(1, &white_);
    glBindTexture(GL_TEXTURE_2D, white_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl_dialect::texImageArgb(1, 1, &white);
    boundTexture_ = white_;
    return vao_ && sampler_ && flatSampler_ && white_ && glGetError() == GL_NO_ERROR;
}

bool GlGraphics::createScreen() {
    scissorTest_ = depthTest_ = -1;
    glGenTextures(1, &screenTexture_);
    bindTexture(screenTexture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl_dialect::texImageArgb(screenWidth(), screenHeight(), nullptr);
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
    scissorTest(false);
    gl_dialect::clearOpaqueBlack();
    return true;
}

bool GlGraphics::createResources() {
    clearGlErrors();
    if (!createScreen()) {
        ctx_.postError("Can't create OpenGL context");
        return false;
    }
    placePicture();
    // Whatever the window showed before is not the picture; the new, black one is kept.
    if (showsBackBuffer_) {
        scissorTest(false);
        glClearColor(0, 0, 0, 1);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    takeWindowSize();
    pictureKept_ = true;
    for (TargetHandle h : targetHandles()) {
        TargetRecord* target = targetRecord(h);
        TextureRecord* tex = textureRecord(target->texture);
        TargetResult result = TargetResult::NoTexture;  // also when the texture record is gone
        if (!tex || !createTargetObjects(*target, *tex, &result)) {
            ctx_.postError(result == TargetResult::NoDepth ? "Can't create render target depth buffer"
                                                           : "Can't create render target texture");
            return false;
        }
    }

    glGenBuffers(1, &vertexBuffer_);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glBufferData(GL_ARRAY_BUFFER, STREAM_BYTES, nullptr, GL_STREAM_DRAW);
    streamVertex_ = 0;
    if (!vertexBuffer_ || glGetError() != GL_NO_ERROR) {
        ctx_.postError("Can't create vertex buffer");
        return false;
    }
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(offsetof(Vertex, x)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, gl_dialect::COLOR_ATTRIBUTE_SIZE, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex),
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
    blend_ = BLEND_DEFAULT;
    blendOff_ = false;
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    gl_dialect::keepAlphaOpaque();
    depthWrite_ = false;
    useProgram(0);
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
    if (flatSampler_) glDeleteSamplers(1, &flatSampler_);
    if (vao_) glDeleteVertexArrays(1, &vao_);
    for (GLuint& program : programs_) {
        if (program) glDeleteProgram(program);
        program = 0;
    }
    white_ = sampler_ = flatSampler_ = boundSampler_ = vao_ = 0;
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
    if (tex.ofTarget) gl_dialect::makeTextureOpaque();
    std::vector<uint32_t> blank;
    if (!pixels) {
        blank.assign(static_cast<size_t>(tex.width) * tex.height, 0u);
        pixels = blank.data();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl_dialect::texImageArgb(tex.width, tex.height, pixels);
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
    gl_dialect::readTextureArgb(tex.deviceTexture, tex.width, tex.height, tex.pixels.data(), currentFramebuffer());
    if (tex.ofTarget) {
        for (uint32_t& p : tex.pixels) p |= 0xFF000000u;
    }
    return true;
}

void GlGraphics::deviceWriteTexture(TextureRecord& tex, int x, int y, int w, int h) {
    if (!tex.deviceTexture) return;
    bindTexture(tex.deviceTexture);
    gl_dialect::texSubImageArgb(x, y, w, h, tex.width, &tex.pixels[static_cast<size_t>(y) * tex.width + x]);
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
    scissorTest(false);
    gl_dialect::clearOpaqueBlack();
    glBindFramebuffer(GL_FRAMEBUFFER, currentFramebuffer());
    applyScissor();
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
    if (target ? !target->deviceFramebuffer : !screenFramebuffer_) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, target ? target->deviceFramebuffer : direct_ ? 0 : screenFramebuffer_);
    if (target) {
        glViewport(0, 0, target->width, target->height);
    } else {
        applyScreenViewport();
    }
    // The window's row 0 is its bottom one: with the origin at the top left the screen
    // is drawn upright and rasterised as into a target, to the edge rules on exact
    // pixel centres, which a flipped projection would mirror.
    const bool topLeft = !target && direct_;
    if (topLeft != topLeftOrigin_) {
        gl_dialect::clipControl(topLeft ? gl_dialect::UPPER_LEFT : gl_dialect::LOWER_LEFT,
                                gl_dialect::NEGATIVE_ONE_TO_ONE);
        topLeftOrigin_ = topLeft;
    }
    if (target ? target->depth : ctx_.zbuffer) {
        depthTest(true);
    } else {
        depthTest(false);
    }
    return true;
}

bool GlGraphics::placePicture() {
    int w = screenWidth(), h = screenHeight();
    int dw = w, dh = h;
    // The window's real size: a full screen that the window manager did not grant
    // leaves the window as it was.
    windowPixelSize(ctx_.window, &dw, &dh);
    PictureRect r = fitPicture(w, h, dw, dh, ctx_.pixelSize);
    bool direct = windowDrawable_ && r.w == w && r.h == h;
    if (direct == direct_ && dw == windowWidth_ && dh == windowHeight_) return false;
    // fitPicture's offset counts from the top, the window's rows from the bottom: an
    // odd bar height leaves the extra row at the bottom, where the pointer's fit puts it.
    r.y = dh - r.y - r.h;
    picture_ = r;
    windowWidth_ = dw;
    windowHeight_ = dh;
    direct_ = direct;
    return true;
}

void GlGraphics::takeWindowSize() {
    // The swap shows the back buffer's picture once more, in its old place.
    if (showsBackBuffer_) SDL_GL_SwapWindow(ctx_.window);
    backStale_ = direct_;
    backNewer_ = false;
    swapPreserves_ = showsBackBuffer_;
}

void GlGraphics::applyScreenViewport() {
    if (direct_) {
        glViewport(picture_.x, picture_.y, screenWidth(), screenHeight());
    } else {
        glViewport(0, 0, screenWidth(), screenHeight());
    }
}

// ---------------------------------------------------------------------------------
// Drawing.

void GlGraphics::deviceSetClip(int x, int y, int w, int h, bool whole) {
    scissor_ = !whole;
    clipX_ = x;
    clipY_ = y;
    clipW_ = w;
    clipH_ = h;
    applyScissor();
}

void GlGraphics::applyScissor() {
    if (!drawingIntoWindow()) {
        if (!scissor_) {
            scissorTest(false);
            return;
        }
        scissorTest(true);
        // Row 0 of the framebuffer objects is the picture's top row.
        glScissor(clipX_, clipY_, clipW_, clipH_);
        return;
    }
    // In the window even the whole picture is a rectangle: the bars stay black. The
    // window's row 0 is the bottom one.
    int x = scissor_ ? clipX_ : 0, y = scissor_ ? clipY_ : 0;
    int w = scissor_ ? clipW_ : screenWidth(), h = scissor_ ? clipH_ : screenHeight();
    scissorTest(true);
    glScissor(picture_.x + x, picture_.y + screenHeight() - y - h, w, h);
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
    std::memcpy(matrix_, m, sizeof(matrix_));
    for (bool& loaded : matrixLoaded_) loaded = false;
    glUniformMatrix4fv(uMatrix_[program_], 1, GL_FALSE, matrix_);
    matrixLoaded_[program_] = true;
}

void GlGraphics::useProgram(int index) {
    if (index != program_) glUseProgram(programs_[index]);
    program_ = index;
    if (!matrixLoaded_[index]) {
        glUniformMatrix4fv(uMatrix_[index], 1, GL_FALSE, matrix_);
        matrixLoaded_[index] = true;
    }
}

void GlGraphics::deviceSetBlend(int changedBits, int blend) {
    blend_ = blend;
    if (changedBits & BLEND_ALPHABLEND) {
        glBlendFunc(GL_SRC_ALPHA, (blend & BLEND_ALPHABLEND) ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
    }
    if (changedBits & BLEND_ZWRITE) {
        depthWrite_ = (blend & BLEND_ZWRITE) != 0;
        glDepthMask(depthWrite_ ? GL_TRUE : GL_FALSE);
    }
    if (changedBits & (BLEND_COLORADD | BLEND_ZWRITE)) useProgram(programIndex(blend));
}

void GlGraphics::beforeWindowDrawing(bool covered) {
    if (backStale_ && !covered) showPicture();
    backStale_ = false;
    backNewer_ = true;
}

void GlGraphics::deviceDraw(int primType, int primCount, const Vertex* vertices, TextureRecord* texture) {
    if (drawingIntoWindow()) beforeWindowDrawing(false);
    bindTexture(texture && texture->deviceTexture ? texture->deviceTexture : white_);
    // Alpha blending of fully opaque fragments gives the fragments themselves: without
    // it the renderer need not read what lies below, and may skip what it covers.
    // A target's texture and the white texel are opaque; vertices may not be.
    bool opaque = (blend_ & BLEND_ALPHABLEND) && !(blend_ & BLEND_ZWRITE) &&
                  (!texture || !texture->deviceTexture || texture->ofTarget);
    for (int i = 0, n = primCount * primType; opaque && i < n; ++i) opaque = GETA(vertices[i].col) == 255;
    if (opaque != blendOff_) {
        if (opaque) {
            glDisable(GL_BLEND);
        } else {
            glEnable(GL_BLEND);
        }
        blendOff_ = opaque;
    }
    const GLuint sampler = texture && texture->mipmap ? sampler_ : flatSampler_;
    if (sampler != boundSampler_) {
        glBindSampler(0, sampler);
        boundSampler_ = sampler;
    }
    GLsizei vertexCount = primCount * primType;
    const GLsizeiptr bytes = GLsizeiptr(sizeof(Vertex)) * vertexCount;
    // Appended after the batches the driver may still be drawing from, so it need
    // not wait for them; a full stream starts a fresh one (orphaned) instead.
    GLbitfield access = GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT;
    if ((streamVertex_ + vertexCount) * GLsizeiptr(sizeof(Vertex)) > STREAM_BYTES) {
        streamVertex_ = 0;
        access = GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT;
    }
    const GLint first = streamVertex_;
    if (!gl_dialect::streamWrite(GLintptr(sizeof(Vertex)) * first, bytes, vertices, access)) return;
    streamVertex_ += vertexCount;
    gl_dialect::pointAttributes(first, sizeof(Vertex), offsetof(Vertex, x), offsetof(Vertex, col), offsetof(Vertex, tx));
    const GLint base = gl_dialect::drawBase(first);
    switch (primType) {
    case PRIM_QUADS:
        for (int done = 0; done < primCount; done += QUADS_PER_DRAW) {
            const int quads = std::min(QUADS_PER_DRAW, primCount - done);
            gl_dialect::drawQuads(quads * 6, base, done);
        }
        break;
    case PRIM_TRIPLES:
        glDrawArrays(GL_TRIANGLES, base, vertexCount);
        break;
    default:
        glDrawArrays(GL_LINES, base, vertexCount);
        break;
    }
}

void GlGraphics::deviceClear(uint32_t color, bool depth) {
    if (drawingIntoWindow()) beforeWindowDrawing(!scissor_);
    glClearColor(GETR(color) / 255.0f, GETG(color) / 255.0f, GETB(color) / 255.0f, GETA(color) / 255.0f);
    GLbitfield bits = GL_COLOR_BUFFER_BIT;
    if (depth) {
        bits |= GL_DEPTH_BUFFER_BIT;
        gl_dialect::clearDepth(1.0);
        glDepthMask(GL_TRUE);
    }
    glClear(bits);
    if (depth && !depthWrite_) glDepthMask(GL_FALSE);
}

void GlGraphics::showPicture() {
    const PictureRect& r = picture_;
    scissorTest(false);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, screenFramebuffer_);
    // Only bars need black: a picture that fills the window covers it all.
    if (r.x > 0 || r.y > 0 || r.w < windowWidth_ || r.h < windowHeight_) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // The window's row 0 is the bottom: the picture goes in upside down.
    glBlitFramebuffer(0, 0, screenWidth(), screenHeight(), r.x, r.y + r.h, r.x + r.w, r.y, GL_COLOR_BUFFER_BIT,
                      r.wholeScale ? GL_NEAREST : GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, currentFramebuffer());
    applyScissor();
}

void GlGraphics::clearBars() {
    const PictureRect& r = picture_;
    const int W = windowWidth_, H = windowHeight_;
    const int bars[4][4] = {
        {0, 0, W, r.y},
        {0, r.y + r.h, W, H - r.y - r.h},
        {0, r.y, r.x, r.h},
        {r.x + r.w, r.y, W - r.x - r.w, r.h},
    };
    glClearColor(0, 0, 0, 1);
    scissorTest(true);
    for (const int* b : bars) {
        if (b[2] <= 0 || b[3] <= 0) continue;
        glScissor(b[0], b[1], b[2], b[3]);
        glClear(GL_COLOR_BUFFER_BIT);
    }
}

void GlGraphics::keepPicture(const PictureRect& r) {
    scissorTest(false);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, screenFramebuffer_);
    glBlitFramebuffer(r.x, r.y, r.x + r.w, r.y + r.h, 0, r.h, r.w, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, currentFramebuffer());
    applyScissor();
    pictureKept_ = true;
}

void GlGraphics::devicePresent() {
    if (!direct_ || (backStale_ && !backNewer_)) {
        showPicture();
    } else if (backNewer_) {
        // A copy costs a full-screen pass on a software renderer: only when the swap
        // may not keep the picture in the back buffer.
        if (swapPreserves_) {
            pictureKept_ = false;
        } else {
            keepPicture(picture_);
        }
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        clearBars();
    }
    if (direct_ && showsBackBuffer_ && showBackBuffer(windowWidth_, windowHeight_)) {
        // No swap: the back buffer keeps the picture.
        swapPreserves_ = true;
    } else {
        // Showing without a swap failed: the swap must not lose the picture.
        if (direct_ && showsBackBuffer_ && !pictureKept_) keepPicture(picture_);
        SDL_GL_SwapWindow(ctx_.window);
        // The age tells after the swap; the copy had to be decided before it, on what
        // the last swap did. A swap that stops keeping the picture (the window
        // changed) loses that one picture.
        swapPreserves_ = direct_ && tellsBufferAge_ && backBufferAge() == 1;
    }
    backStale_ = direct_ && !swapPreserves_;
    backNewer_ = false;
    // The window may have changed its size since (a full screen granted late).
    const PictureRect shown = picture_;
    if (placePicture()) {
        if (!pictureKept_) keepPicture(shown);
        takeWindowSize();
        if (!currentTarget()) deviceSetTarget(nullptr);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, currentFramebuffer());
    applyScissor();
}

void GlGraphics::deviceSetFilter(bool linear) {
    glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST);
    glSamplerParameteri(flatSampler_, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(flatSampler_, GL_TEXTURE_MIN_FILTER, linear ? GL_LINEAR : GL_NEAREST);
}

bool GlGraphics::deviceReadPixels(TargetRecord* target, int x, int y, int w, int h, uint32_t* out) {
    const bool window = !target && windowHoldsPicture();
    GLuint fbo = target ? target->deviceFramebuffer : screenFramebuffer_;
    if (!fbo && !window) return false;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window ? 0 : fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (window) {
        // The picture in the window's back buffer: bottom row first.
        gl_dialect::readPixelsArgb(picture_.x + x, picture_.y + screenHeight() - y - h, w, h, out);
        for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
            std::swap_ranges(out + static_cast<size_t>(top) * w, out + static_cast<size_t>(top + 1) * w,
                             out + static_cast<size_t>(bottom) * w);
        }
    } else {
        gl_dialect::readPixelsArgb(x, y, w, h, out);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, currentFramebuffer());
    size_t n = static_cast<size_t>(w) * h;
    for (size_t i = 0; i < n; ++i) out[i] |= 0xFF000000u;
    return true;
}

}  // namespace

std::unique_ptr<Graphics> createGlGraphics(EngineContext& ctx) { return std::make_unique<GlGraphics>(ctx); }
