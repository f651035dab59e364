// Reading whole entries of ZIP packs through minizip. Entry names are compared
// after packNormalizeName: upper case, '/' for either slash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The largest block Resource_Load hands out, from a pack or the disk: nothing the
// game reads comes near it, and a size field that claims more is not believed.
constexpr uint32_t RESOURCE_SIZE_MAX = 256u << 20;

// The longest entry name (and pack password) kept, terminator included.
constexpr size_t PACK_NAME_MAX = 260;
constexpr size_t PACK_PASSWORD_MAX = 64;

// Upper case, every '\' made '/'. False when the result would not fit `cap`.
bool packNormalizeName(const char* name, char* out, size_t cap);

// True when the file opens as a ZIP archive.
bool packProbe(const char* path);

enum class PackResult {
    Found,     // *block (malloc'd, free with std::free) and *size hold the entry
    NotFound,  // no entry of that name, or the archive no longer opens
    Failed,    // the entry exists but cannot be read: bad password, corrupt, lying size
};

// Looks for the entry `normalizedName` (as made by packNormalizeName) and reads it
// whole. An encrypted entry is read with `password` (it fails without one).
PackResult packLoad(const char* path, const char* password, const char* normalizedName, void** block,
                    uint32_t* size);

// The normalized names of the entries, in archive order, at most `max` of them;
// false when the file does not open as an archive. For tools and fuzzing.
bool packList(const char* path, std::vector<std::string>* names, size_t max);
