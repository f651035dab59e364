// The system's millisecond clock, counted from boot as Windows' timeGetTime is: it
// differs from run to run, so it serves as a "random" seed (SDL's tick counts from
// SDL's own start and is nearly the same on every run).
#pragma once

#include <cstdint>
#include <ctime>

inline uint32_t millisecondsSinceBoot() {
    timespec ts{};
#if defined(CLOCK_BOOTTIME)
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
#endif
        clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}
