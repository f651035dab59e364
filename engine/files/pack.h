// Reading whole entries of ZIP packs. minizip walks the archive's directory once,
// when the pack is attached, into a hash index by name; entry names are compared
// after packNormalizeName: upper case, '/' for either slash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

enum class PackResult {
    Found,     // *block (malloc'd, free with std::free) and *size hold the entry
    NotFound,  // no entry of that name, or the archive no longer opens
    Failed,    // the entry exists but cannot be read: bad password, corrupt, lying size, unknown method
};

class PackIndex {
public:
    // Reads the archive's directory; null, with a short reason in *why, when the file
    // is no ZIP archive we can read (missing, cut short, split, damaged directory).
    static std::unique_ptr<PackIndex> open(const char* path, std::string* why);
    ~PackIndex();
    PackIndex(const PackIndex&) = delete;
    PackIndex& operator=(const PackIndex&) = delete;

    // Looks for the entry `normalizedName` (as made by packNormalizeName) and reads it
    // whole. An encrypted entry is read with `password` (it fails without one). An
    // archive changed on the disk since it was indexed is indexed again.
    PackResult load(const char* password, const char* normalizedName, void** block, uint32_t* size);

    // The normalized names of the entries, in archive order.
    const std::vector<std::string>& names() const;

    struct Data;

private:
    explicit PackIndex(std::unique_ptr<Data> data);
    std::unique_ptr<Data> d_;
};
