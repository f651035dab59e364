// PNG goes through libpng, reading from memory so that a file cut short is an
// error rather than stale bytes read again (SDL_image's reader ignores short reads
// and libpng then loops on the same chunk). BMP, JPG and TGA go through SDL_image.
// Neither library may write to standard error: their messages are dropped.
#include "engine/graphics/image_decode.h"

#include <SDL.h>
#include <SDL_image.h>
#include <png.h>

#include <climits>
#include <cstring>

namespace {

enum class ImageKind { Png, Bmp, Jpg, Tga };

uint32_t be16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t be32(const uint8_t* p) { return (be16(p) << 16) | be16(p + 2); }
uint32_t le32(const uint8_t* p) { return le16(p) | (le16(p + 2) << 16); }

ImageKind imageKind(const uint8_t* d, uint32_t n) {
    if (n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0) return ImageKind::Png;
    if (n >= 2 && d[0] == 'B' && d[1] == 'M') return ImageKind::Bmp;
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return ImageKind::Jpg;
    return ImageKind::Tga;  // the one format without a signature
}

// The picture size the header declares; false when it cannot be found.
bool declaredSize(ImageKind kind, const uint8_t* d, uint32_t n, int64_t* w, int64_t* h) {
    switch (kind) {
    case ImageKind::Png:
        if (n < 24) return false;
        *w = be32(d + 16);
        *h = be32(d + 20);
        return true;
    case ImageKind::Bmp:
        if (n < 26) return false;
        if (le32(d + 14) == 12) {  // the old core header
            *w = le16(d + 18);
            *h = le16(d + 20);
        } else {
            *w = static_cast<int32_t>(le32(d + 18));
            *h = static_cast<int32_t>(le32(d + 22));
            if (*h < 0) *h = -*h;  // top-down rows
        }
        return true;
    case ImageKind::Jpg:
        // Walk the marker segments up to the first start-of-frame.
        for (uint32_t i = 2; i + 9 <= n;) {
            if (d[i] != 0xFF) return false;
            uint8_t m = d[i + 1];
            if (m == 0xFF) {
                ++i;
                continue;
            }
            if (m == 0x01 || (m >= 0xD0 && m <= 0xD8)) {
                i += 2;
                continue;
            }
            if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
                *h = be16(d + i + 5);
                *w = be16(d + i + 7);
                return true;
            }
            i += 2 + be16(d + i + 2);
        }
        return false;
    case ImageKind::Tga:
        if (n < 18) return false;
        *w = le16(d + 12);
        *h = le16(d + 14);
        return true;
    }
    return false;
}

// The most pixels a file of n bytes can hold, at the best its format's coding can do
// (for PNG, readPng checks the exact rows against deflate's 1032:1). A header that
// declares more is damaged, and is refused before a buffer of its size is made.
uint64_t mostPixels(ImageKind kind, uint32_t n) {
    switch (kind) {
    case ImageKind::Png: return uint64_t(n) * 8 * 1032;  // 1-bit rows, all deflated
    case ImageKind::Tga: return uint64_t(n) * 128;       // a run packet of 2 bytes: 128 pixels
    case ImageKind::Bmp:                                 // runs and the end-of-picture escape
    case ImageKind::Jpg: return uint64_t(n) * 4096;      // uniform blocks, arithmetic coding
    }
    return 0;
}

// ---------------------------------------------------------------------------------
// PNG

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t at;
};

void pngRead(png_structp png, png_bytep out, size_t n) {
    PngSource* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > src->size - src->at) png_error(png, "cut short");
    std::memcpy(out, src->data + src->at, n);
    src->at += n;
}

[[noreturn]] void pngFail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngQuiet(png_structp, png_const_charp) {}

// What lives across libpng's long jump: only through this pointer, never in locals
// of the function that calls setjmp.
struct PngJob {
    PngSource source;
    std::vector<uint32_t>* pixels;
    std::vector<png_bytep> rows;
    int width = 0, height = 0;
};

bool readPng(png_structp png, png_infop info, PngJob* job) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &job->source, pngRead);
    png_set_user_limits(png, MAX_IMAGE_SIDE, MAX_IMAGE_SIDE);
    png_read_info(png, info);
    // The rows as stored must come out of the file's bytes through deflate, at best
    // 1032:1: anything more is a damaged header, refused before the buffer is made.
    if (uint64_t(png_get_rowbytes(png, info)) * png_get_image_height(png, info) >
        uint64_t(job->source.size) * 1032) {
        return false;
    }
    const int type = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    // Towards 8-bit B, G, R, A bytes: the ARGB word in little-endian memory.
    if (depth == 16) png_set_strip_16(png);
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
    png_set_swap_alpha(png);
#else
    png_set_bgr(png);
#endif
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    job->width = static_cast<int>(png_get_image_width(png, info));
    job->height = static_cast<int>(png_get_image_height(png, info));
    if (png_get_rowbytes(png, info) != static_cast<size_t>(job->width) * 4) return false;
    job->pixels->resize(static_cast<size_t>(job->width) * static_cast<size_t>(job->height));
    job->rows.resize(static_cast<size_t>(job->height));
    for (int y = 0; y < job->height; ++y) {
        job->rows[static_cast<size_t>(y)] =
            reinterpret_cast<png_bytep>(job->pixels->data() + static_cast<size_t>(y) * job->width);
    }
    png_read_image(png, job->rows.data());
    png_read_end(png, nullptr);  // a file must run whole to its end chunk
    return true;
}

// Every chunk lies whole inside the file, up to IEND. libpng makes a buffer of the
// length an ancillary chunk declares before it reads it, however short the file.
bool chunksFit(const uint8_t* data, uint32_t size) {
    for (uint32_t at = 8; size - at >= 12;) {
        const uint32_t length = be32(data + at);
        if (length > size - at - 12) return false;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0) return true;
        at += 12 + length;
    }
    return false;
}

bool decodePng(const uint8_t* data, uint32_t size, std::vector<uint32_t>& pixels, int* width, int* height) {
    if (!chunksFit(data, size)) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFail, pngQuiet);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    PngJob job{{data, size, 0}, &pixels, {}, 0, 0};
    bool ok = info && readPng(png, info, &job);
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (!ok) return false;
    *width = job.width;
    *height = job.height;
    return true;
}

// ---------------------------------------------------------------------------------
// BMP, JPG, TGA

bool decodeWithSdl(ImageKind kind, const void* data, uint32_t size, std::vector<uint32_t>& pixels, int* width,
                   int* height) {
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!rw) return false;
    SDL_Surface* loaded = nullptr;
    switch (kind) {
    case ImageKind::Bmp: loaded = IMG_LoadBMP_RW(rw); break;
    case ImageKind::Jpg: loaded = IMG_LoadJPG_RW(rw); break;
    case ImageKind::Tga: loaded = IMG_LoadTGA_RW(rw); break;
    case ImageKind::Png: break;
    }
    SDL_RWclose(rw);
    if (!loaded) return false;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    if (!argb) return false;
    bool ok = argb->w > 0 && argb->h > 0;
    if (ok) {
        *width = argb->w;
        *height = argb->h;
        pixels.resize(static_cast<size_t>(argb->w) * static_cast<size_t>(argb->h));
        SDL_LockSurface(argb);
        for (int y = 0; y < argb->h; ++y) {
            std::memcpy(&pixels[static_cast<size_t>(y) * argb->w],
                        static_cast<const uint8_t*>(argb->pixels) + static_cast<size_t>(y) * argb->pitch,
                        static_cast<size_t>(argb->w) * 4);
        }
        SDL_UnlockSurface(argb);
    }
    SDL_FreeSurface(argb);
    return ok;
}

}  // namespace

bool decodeImage(const void* data, uint32_t size, std::vector<uint32_t>& pixels, int* width, int* height) {
    if (!data || size == 0 || size > static_cast<uint32_t>(INT_MAX)) return false;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    ImageKind kind = imageKind(bytes, size);
    int64_t w = 0, h = 0;
    if (!declaredSize(kind, bytes, size, &w, &h) || w <= 0 || h <= 0 || w > MAX_IMAGE_SIDE ||
        h > MAX_IMAGE_SIDE || uint64_t(w) * uint64_t(h) > mostPixels(kind, size)) {
        return false;
    }
    if (kind == ImageKind::Png) return decodePng(bytes, size, pixels, width, height);
    return decodeWithSdl(kind, data, size, pixels, width, height);
}
