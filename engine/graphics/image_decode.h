// Image files in memory (PNG, BMP, JPG, TGA) decoded into the engine's ARGB rows.
#pragma once

#include <cstdint>
#include <vector>

// The largest image side accepted. No buffer of a picture's size is made before the
// file has shown it holds that picture, so a small file that claims a huge one costs
// little, while a small file that truly holds one (runs, arithmetic coding) loads.
constexpr int MAX_IMAGE_SIDE = 8192;

// False, silently, for anything that is not a whole image of a known format.
// Transparent colours (a PNG's tRNS) become alpha 0.
bool decodeImage(const void* data, uint32_t size, std::vector<uint32_t>& pixels, int* width, int* height);
