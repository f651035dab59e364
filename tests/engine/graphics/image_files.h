// JPEG, TGA and BMP files made in memory for the image decoder's tests: JPEGs through
// libjpeg's encoder (any colour space, progressive or arithmetic-coded), TGA and RLE
// BMP byte by byte.
#pragma once

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace imagetest {

struct JpegRecipe {
    int width = 16, height = 16;
    J_COLOR_SPACE input = JCS_RGB;  // of the samples given: 3 bytes a pixel, or 4 for CMYK
    J_COLOR_SPACE stored = JCS_YCbCr;
    bool adobe = true;  // the Adobe marker, which libjpeg writes for CMYK and YCCK
    bool progressive = false;
    bool arithmetic = false;
};

// Quality 100, no chroma subsampling: blocks of one colour come back within a step or two.
inline std::vector<uint8_t> jpegFile(const JpegRecipe& recipe, const std::vector<uint8_t>& samples) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(recipe.width);
    c.image_height = JDIMENSION(recipe.height);
    c.input_components = recipe.input == JCS_CMYK ? 4 : 3;
    c.in_color_space = recipe.input;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, recipe.stored);
    jpeg_set_quality(&c, 100, TRUE);
    for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    c.write_Adobe_marker = recipe.adobe ? TRUE : FALSE;
    if (recipe.progressive) jpeg_simple_progression(&c);
    c.arith_code = recipe.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&c, TRUE);
    const size_t stride = size_t(recipe.width) * size_t(c.input_components);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + c.next_scanline * stride);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> file(out, out + size);
    std::free(out);
    return file;
}

inline void putLe16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void putLe32(std::vector<uint8_t>& b, uint32_t v) {
    putLe16(b, v & 0xFFFF);
    putLe16(b, v >> 16);
}

// A true-colour TGA of B, G, R, A pixels from the top row down; rle packs runs of equal
// pixels and raw packets of the rest, at most 128 a packet.
inline std::vector<uint8_t> tgaFile(int w, int h, int bytesPerPixel, bool rle, const std::vector<uint8_t>& bgra) {
    std::vector<uint8_t> b = {0, 0, uint8_t(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    putLe16(b, uint32_t(w));
    putLe16(b, uint32_t(h));
    b.push_back(uint8_t(8 * bytesPerPixel));
    b.push_back(uint8_t(0x20 | (bytesPerPixel == 4 ? 8 : 0)));  // top-down rows, alpha bits
    const size_t n = size_t(w) * size_t(h);
    auto pixel = [&](size_t i) { return std::vector<uint8_t>(&bgra[4 * i], &bgra[4 * i] + bytesPerPixel); };
    for (size_t i = 0; i < n;) {
        if (!rle) {
            auto p = pixel(i++);
            b.insert(b.end(), p.begin(), p.end());
            continue;
        }
        size_t run = 1;
        while (i + run < n && run < 128 && pixel(i + run) == pixel(i)) ++run;
        if (run > 1) {
            b.push_back(uint8_t(0x80 | (run - 1)));
            auto p = pixel(i);
            b.insert(b.end(), p.begin(), p.end());
        } else {
            while (i + run < n && run < 128 && pixel(i + run) != pixel(i + run - 1)) ++run;
            b.push_back(uint8_t(run - 1));
            for (size_t k = 0; k < run; ++k) {
                auto p = pixel(i + k);
                b.insert(b.end(), p.begin(), p.end());
            }
        }
        i += run;
    }
    return b;
}

// An 8-bit RLE BMP: the headers, a palette of B, G, R entries, then the coded bytes as given.
inline std::vector<uint8_t> bmpRle8File(int w, int h, const std::vector<uint32_t>& paletteRgb,
                                        const std::vector<uint8_t>& runs) {
    std::vector<uint8_t> b = {'B', 'M'};
    const uint32_t offset = 14 + 40 + 4 * uint32_t(paletteRgb.size());
    putLe32(b, offset + uint32_t(runs.size()));
    putLe32(b, 0);
    putLe32(b, offset);
    putLe32(b, 40);
    putLe32(b, uint32_t(w));
    putLe32(b, uint32_t(h));
    putLe16(b, 1);
    putLe16(b, 8);
    putLe32(b, 1);  // RLE8
    putLe32(b, uint32_t(runs.size()));
    putLe32(b, 2835);
    putLe32(b, 2835);
    putLe32(b, uint32_t(paletteRgb.size()));
    putLe32(b, 0);
    for (uint32_t rgb : paletteRgb) putLe32(b, rgb & 0xFFFFFF);  // B, G, R, 0 in the file
    b.insert(b.end(), runs.begin(), runs.end());
    return b;
}

}  // namespace imagetest
