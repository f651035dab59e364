// Copies a text into a fixed buffer, cut to fit.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>

// src may be dst itself (a caller handing back what it read); null copies as "".
inline void copyText(char* dst, size_t cap, const char* src) {
    if (!src) src = "";
    size_t n = std::min(std::strlen(src), cap - 1);
    std::memmove(dst, src, n);
    dst[n] = '\0';
}
