// PNG goes through libpng, reading from memory so that a file cut short is an
// error rather than stale bytes read again (SDL_image's reader ignores short reads
// and libpng then loops on the same chunk). JPG goes through libjpeg, which SDL_image
// would let fill a cut file with grey and hand CMYK over unconverted. BMP goes through
// SDL_image once its pixel data is known to lie whole in the file; TGA is read here.
// No library may write to standard error: their messages are dropped.
//
// Memory: a picture is at most MAX_IMAGE_SIDE square, and no buffer of its size is
// made before the file has shown it holds that picture (BMP and TGA are walked first;
// JPEG rows are made as they decode), so a small file that claims a huge picture costs
// little, while a small file that truly holds one (runs, arithmetic coding) loads.
#include "engine/graphics/image_decode.h"

#include <SDL.h>
#include <SDL_image.h>
#include <png.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

// After <cstdio>: libjpeg's headers use FILE and size_t without including them, and
// its messages depend on the build's settings in jpeglib.h.
#include <jpeglib.h>
#include <jerror.h>

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
// JPEG

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void jpegFail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

// Warnings that mean pixels are missing or made up end the decode; others (extra bytes
// between markers, an odd JFIF version) leave the picture whole.
void jpegMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    switch (cinfo->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_JPEG_EOF: jpegFail(cinfo);
    default: break;
    }
}
void jpegQuiet(j_common_ptr) {}

// The end of the bytes before the end-of-image marker is a cut file: libjpeg's own
// memory source would make up an end marker and grey rows.
boolean jpegCut(j_decompress_ptr cinfo) { jpegFail(reinterpret_cast<j_common_ptr>(cinfo)); }

// More scans than any encoder writes are refused before they are decoded: each
// progressive scan passes over the whole picture again.
constexpr int MAX_JPEG_SCANS = 1000;

bool tooManyScans(const uint8_t* d, uint32_t n) {
    int scans = 0;
    for (uint32_t i = 0; i + 1 < n; ++i) {
        if (d[i] == 0xFF && d[i + 1] == 0xDA && ++scans > MAX_JPEG_SCANS) return true;
    }
    return false;
}

uint8_t mul255(unsigned a, unsigned b) { return static_cast<uint8_t>((a * b + 127) / 255); }

// One row of CMYK (or YCCK, which libjpeg turns into CMYK) to ARGB. Adobe's tools
// store the inks inverted (255 is no ink) and their APP14 marker says so; files
// without the marker store them the same way in practice, and readers take them so.
void cmykRow(const uint8_t* cmyk, uint32_t* argb, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        const unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        argb[x] = 0xFF000000u | uint32_t(mul255(c, k)) << 16 | uint32_t(mul255(m, k)) << 8 | mul255(y, k);
    }
}

// What lives across libjpeg's long jump: only through this pointer.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegError error;
    std::vector<uint32_t>* pixels;
    std::vector<uint8_t> cmyk;
};

bool readJpeg(JpegJob* job, const uint8_t* data, uint32_t size) {
    jpeg_decompress_struct& cinfo = job->cinfo;
    if (setjmp(job->error.jump)) return false;
    jpeg_mem_src(&cinfo, data, size);
    cinfo.src->fill_input_buffer = jpegCut;
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
    if (cinfo.image_width > MAX_IMAGE_SIDE || cinfo.image_height > MAX_IMAGE_SIDE) return false;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (cmyk) {
        cinfo.out_color_space = JCS_CMYK;
    } else if (cinfo.jpeg_color_space == JCS_GRAYSCALE || cinfo.jpeg_color_space == JCS_YCbCr ||
               cinfo.jpeg_color_space == JCS_RGB) {
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
        cinfo.out_color_space = JCS_EXT_ARGB;
#else
        cinfo.out_color_space = JCS_EXT_BGRA;
#endif
    } else {
        return false;
    }
    jpeg_start_decompress(&cinfo);
    const size_t width = cinfo.output_width;
    if (cinfo.output_components != 4 || width == 0 || cinfo.output_height == 0) return false;
    // Room grows with the rows decoded, never more than twice them: a header that
    // promises more than its file holds costs only what the file holds.
    const size_t total = width * cinfo.output_height;
    if (cmyk) job->cmyk.resize(width * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        const size_t at = job->pixels->size();
        if (at + width > job->pixels->capacity())
            job->pixels->reserve(std::min(total, std::max(2 * job->pixels->capacity(), width * 16)));
        job->pixels->resize(at + width);
        uint32_t* row = job->pixels->data() + at;
        JSAMPROW out = cmyk ? job->cmyk.data() : reinterpret_cast<JSAMPROW>(row);
        if (jpeg_read_scanlines(&cinfo, &out, 1) != 1) return false;
        if (cmyk) cmykRow(job->cmyk.data(), row, cinfo.output_width);
    }
    jpeg_finish_decompress(&cinfo);  // a file must run whole to its end marker
    return true;
}

bool decodeJpeg(const uint8_t* data, uint32_t size, std::vector<uint32_t>& pixels, int* width, int* height) {
    if (tooManyScans(data, size)) return false;
    JpegJob job{};
    job.pixels = &pixels;
    job.cinfo.err = jpeg_std_error(&job.error.mgr);
    job.error.mgr.error_exit = jpegFail;
    job.error.mgr.emit_message = jpegMessage;
    job.error.mgr.output_message = jpegQuiet;
    jpeg_create_decompress(&job.cinfo);
    bool ok = false;
    try {
        ok = readJpeg(&job, data, size);
    } catch (const std::bad_alloc&) {  // rows of a true picture too big for this machine
    }
    *width = static_cast<int>(job.cinfo.output_width);
    *height = static_cast<int>(job.cinfo.output_height);
    jpeg_destroy_decompress(&job.cinfo);
    if (!ok) pixels.clear();
    return ok;
}

// ---------------------------------------------------------------------------------
// BMP and TGA: their pixel data is walked before a surface of the size the header
// claims is made, so a cut or hostile file is refused first.

bool sideFits(int64_t w, int64_t h) { return w > 0 && h > 0 && w <= MAX_IMAGE_SIDE && h <= MAX_IMAGE_SIDE; }

// Run-length BMP data (RLE8 or RLE4) from at: whole when the end-of-bitmap escape comes
// before the bytes end, which is where SDL stops (rows it never reached stay colour 0),
// and when no run, literal or move goes past its row or the picture's top (SDL drops
// those pixels, or writes them on the next row).
bool bmpRunsWhole(const uint8_t* d, uint32_t n, uint32_t at, bool rle4, int64_t w, int64_t h) {
    int64_t x = 0, y = 0;
    while (n - at >= 2) {
        const uint8_t count = d[at], code = d[at + 1];
        at += 2;
        if (count != 0) {  // a run
            if (y >= h || x + count > w) return false;
            x += count;
            continue;
        }
        if (code == 0) {  // the end of a row
            x = 0;
            ++y;
            continue;
        }
        if (code == 1) return true;  // the end of the bitmap
        if (code == 2) {             // a move: two more bytes
            if (n - at < 2) return false;
            x += d[at];
            y += d[at + 1];
            if (x > w || y > h) return false;
            at += 2;
            continue;
        }
        if (y >= h || x + code > w) return false;
        x += code;
        const uint32_t bytes = rle4 ? (code + 1u) / 2 : code;  // literal pixels, to a 16-bit boundary
        const uint32_t padded = bytes + (bytes & 1);
        if (n - at < padded) return false;
        at += padded;
    }
    return false;
}

// The headers SDL reads: the core one, the info header and its later versions, OS/2's.
bool bmpHeaderKnown(uint32_t size) {
    for (uint32_t known : {12u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        if (size == known) return true;
    }
    return false;
}

bool bmpWhole(const uint8_t* d, uint32_t n) {
    if (n < 26) return false;
    const uint32_t offset = le32(d + 10), header = le32(d + 14);
    if (!bmpHeaderKnown(header)) return false;
    int64_t w, h;
    uint32_t bpp, compression = 0;
    bool topDown = false;
    if (header == 12) {  // the old core header
        w = le16(d + 18);
        h = le16(d + 20);
        bpp = le16(d + 24);
    } else {
        if (n < 34) return false;
        w = static_cast<int32_t>(le32(d + 18));
        h = static_cast<int32_t>(le32(d + 22));
        topDown = h < 0;
        if (topDown) h = -h;
        bpp = le16(d + 28);
        compression = le32(d + 30);
    }
    if (!sideFits(w, h) || bpp == 0 || bpp > 32) return false;
    // Where the pixels start: the header's offset, or past the headers when it has none.
    const uint64_t at = offset != 0 ? offset : uint64_t(14) + header;
    if (at >= n) return false;
    if (compression == 1 || compression == 2) {
        // Runs are bottom-up by definition: a top-down header makes them meaningless.
        return !topDown && bmpRunsWhole(d, n, static_cast<uint32_t>(at), compression == 2, w, h);
    }
    const uint64_t stride = (uint64_t(w) * bpp + 31) / 32 * 4;
    return n - at >= stride * uint64_t(h);
}

// ---------------------------------------------------------------------------------
// TGA, read here: SDL_image refuses grey with alpha and right-to-left rows, and takes
// a run that goes past the picture. Colour-mapped, true-colour and grey, raw or in
// runs; pixels of 15 and 16 bits are opaque, as SDL_image reads them.
class TgaReader {
public:
    TgaReader(const uint8_t* d, uint32_t n) : d_(d), n_(n) {}

    bool decode(std::vector<uint32_t>& pixels, int* width, int* height) {
        if (!readHeader() || !walk(nullptr)) return false;
        pixels.assign(static_cast<size_t>(w_) * static_cast<size_t>(h_), 0);
        if (!walk(pixels.data())) return false;
        *width = static_cast<int>(w_);
        *height = static_cast<int>(h_);
        return true;
    }

private:
    static uint32_t five(uint32_t v) { return (v << 3) | (v >> 2); }
    static uint32_t from16(uint32_t v) {
        return 0xFF000000u | five((v >> 10) & 31) << 16 | five((v >> 5) & 31) << 8 | five(v & 31);
    }
    // A colour as stored in the map or in true-colour pixels.
    static uint32_t colour(const uint8_t* p, uint32_t bytes) {
        switch (bytes) {
        case 2: return from16(le16(p));
        case 3: return 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        default: return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
    }

    bool readHeader() {
        if (n_ < 18) return false;
        const uint32_t mapType = d_[1], type = d_[2], bits = d_[16], descriptor = d_[17];
        w_ = le16(d_ + 12);
        h_ = le16(d_ + 14);
        if (!sideFits(w_, h_) || mapType > 1 || (descriptor & 0xC0) != 0) return false;  // no interleaving
        rle_ = type >= 9;
        kind_ = rle_ ? type - 8 : type;
        bytes_ = (bits + 7) / 8;
        rightToLeft_ = (descriptor & 0x10) != 0;
        topDown_ = (descriptor & 0x20) != 0;
        const bool depthFits = kind_ == 1 ? (bits == 8 || bits == 16) && mapType == 1
                             : kind_ == 2 ? bits == 15 || bits == 16 || bits == 24 || bits == 32
                             : kind_ == 3 && (bits == 8 || bits == 16);
        if (!depthFits) return false;
        at_ = 18 + uint64_t(d_[0]);
        if (mapType == 1) {
            const uint32_t first = le16(d_ + 3), length = le16(d_ + 5), mapBits = d_[7];
            const uint32_t entry = (mapBits + 7) / 8;
            if (kind_ == 1 && (length == 0 || entry < 2 || entry > 4)) return false;
            if (at_ > n_ || n_ - at_ < uint64_t(length) * entry) return false;
            if (kind_ == 1) {
                mapFirst_ = first;
                map_.resize(length);
                for (uint32_t i = 0; i < length; ++i) map_[i] = colour(d_ + at_ + uint64_t(i) * entry, entry);
            }
            at_ += uint64_t(length) * entry;
        }
        return at_ <= n_;
    }

    // One stored pixel; false for an index outside the colour map.
    bool pixel(const uint8_t* p, uint32_t* out) const {
        if (kind_ == 2) {
            *out = colour(p, bytes_);
        } else if (kind_ == 3) {
            const uint32_t alpha = bytes_ == 2 ? p[1] : 0xFFu;
            *out = alpha << 24 | uint32_t(p[0]) * 0x010101u;
        } else {
            const uint32_t index = bytes_ == 2 ? le16(p) : p[0];
            if (index < mapFirst_ || index - mapFirst_ >= map_.size()) return false;
            *out = map_[index - mapFirst_];
        }
        return true;
    }

    // Where the file's i-th pixel goes: rows from the bottom unless stored top-down,
    // columns from the left unless stored right-to-left.
    size_t place(uint64_t i) const {
        uint64_t row = i / w_, column = i % w_;
        if (!topDown_) row = h_ - 1 - row;
        if (rightToLeft_) column = w_ - 1 - column;
        return static_cast<size_t>(row * w_ + column);
    }

    // Checks that every pixel lies in the file (out null) or decodes them.
    bool walk(uint32_t* out) const {
        const uint64_t total = uint64_t(w_) * h_;
        uint64_t at = at_;
        if (!rle_) {
            if (n_ - at < total * bytes_) return false;
            for (uint64_t i = 0; out && i < total; ++i, at += bytes_) {
                if (!pixel(d_ + at, &out[place(i)])) return false;
            }
            return true;
        }
        for (uint64_t done = 0; done < total;) {
            if (at >= n_) return false;
            const uint8_t head = d_[at++];
            const uint64_t count = (head & 0x7Fu) + 1, need = (head & 0x80) ? bytes_ : count * bytes_;
            // A run past the last pixel is a damaged file, not a longer picture.
            if (n_ - at < need || count > total - done) return false;
            if (out) {
                uint32_t repeated = 0;
                if ((head & 0x80) && !pixel(d_ + at, &repeated)) return false;
                for (uint64_t k = 0; k < count; ++k) {
                    if (!(head & 0x80) && !pixel(d_ + at + k * bytes_, &repeated)) return false;
                    out[place(done + k)] = repeated;
                }
            }
            at += need;
            done += count;
        }
        return true;
    }

    const uint8_t* d_;
    uint64_t n_;
    int64_t w_ = 0, h_ = 0;
    uint32_t kind_ = 0, bytes_ = 0, mapFirst_ = 0;
    bool rle_ = false, rightToLeft_ = false, topDown_ = false;
    uint64_t at_ = 0;
    std::vector<uint32_t> map_;
};

// ---------------------------------------------------------------------------------
// BMP

bool decodeWithSdl(ImageKind kind, const void* data, uint32_t size, std::vector<uint32_t>& pixels, int* width,
                   int* height) {
    // Masks with alpha (compression 6, after a plain info header) are what SDL reads as
    // the masks of a version 3 header; it ignores them under their own compression.
    std::vector<uint8_t> patched;
    const uint8_t* d = static_cast<const uint8_t*>(data);
    if (kind == ImageKind::Bmp && size >= 34 && le32(d + 14) >= 40 && le32(d + 30) == 6) {
        patched.assign(d, d + size);
        patched[30] = 3;
        if (le32(d + 14) == 40) patched[14] = 56;
        data = patched.data();
    }
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!rw) return false;
    SDL_Surface* loaded = nullptr;
    switch (kind) {
    case ImageKind::Bmp: loaded = IMG_LoadBMP_RW(rw); break;
    case ImageKind::Png:
    case ImageKind::Tga:
    case ImageKind::Jpg: break;
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
    const ImageKind kind = imageKind(bytes, size);
    switch (kind) {
    case ImageKind::Png: return decodePng(bytes, size, pixels, width, height);
    case ImageKind::Jpg: return decodeJpeg(bytes, size, pixels, width, height);
    case ImageKind::Bmp: return bmpWhole(bytes, size) && decodeWithSdl(kind, data, size, pixels, width, height);
    case ImageKind::Tga: return TgaReader(bytes, size).decode(pixels, width, height);
    }
    return false;
}
