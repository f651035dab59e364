// ZIP packs through minizip's unzip interface. Nothing in an archive is trusted:
// names that do not fit are skipped, sizes are capped, memory grows only as data
// actually arrives, and every entry must end exactly at its declared size with a
// matching CRC.
//
// minizip finds the entries; their bytes are read raw from the file and decrypted
// and inflated here: the system's minizip is built without decryption (the
// traditional ZIP cipher is small enough to own), and it misreads ZIP64 sizes.
// Its verifier byte catches most wrong passwords at once; the CRC catches the rest.
#include "engine/files/pack.h"

#include <unzip.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// First allocation for an entry; it doubles towards the declared size as data arrives.
constexpr uint32_t INITIAL_BLOCK = 64u << 10;
constexpr unsigned CHUNK = 16u << 10;
constexpr int ENCRYPTION_HEADER = 12;

class Archive {
public:
    explicit Archive(const char* path) : uf_(path ? unzOpen64(path) : nullptr) {}
    ~Archive() {
        if (uf_) unzClose(uf_);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    unzFile get() const { return uf_; }

private:
    unzFile uf_;
};

// The traditional PKWARE stream cipher.
class ZipCipher {
public:
    explicit ZipCipher(const char* password) : table_(get_crc_table()) {
        for (const char* p = password; *p; ++p) update(static_cast<unsigned char>(*p));
    }
    void decrypt(unsigned char* buf, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            uint32_t t = (keys_[2] & 0xFFFFu) | 2u;
            unsigned char c = static_cast<unsigned char>(buf[i] ^ (((t * (t ^ 1u)) >> 8) & 0xFFu));
            update(c);
            buf[i] = c;
        }
    }

private:
    uint32_t crc(uint32_t c, unsigned char b) const {
        return static_cast<uint32_t>(table_[(c ^ b) & 0xFFu]) ^ (c >> 8);
    }
    void update(unsigned char c) {
        keys_[0] = crc(keys_[0], c);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFFu)) * 134775813u + 1u;
        keys_[2] = crc(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
    }

    const z_crc_t* table_;
    uint32_t keys_[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

// The current entry's normalized name; false when it cannot be one of ours (too
// long for the buffer or holding a zero byte).
bool currentName(unzFile uf, unz_file_info64* info, char* out) {
    char raw[PACK_NAME_MAX];
    if (unzGetCurrentFileInfo64(uf, info, raw, sizeof(raw), nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    // minizip leaves a name that fills the buffer unterminated.
    if (info->size_filename >= sizeof(raw)) return false;
    raw[info->size_filename] = '\0';
    if (std::strlen(raw) != info->size_filename) return false;
    return packNormalizeName(raw, out, PACK_NAME_MAX);
}

// The sizes minizip 1.1 leaves at 0xFFFFFFFF for ZIP64 entries, from the entry's
// 0x0001 extra field. False when a size so marked is missing from it.
bool zip64Sizes(unzFile uf, unz_file_info64* info) {
    constexpr ZPOS64_T MARK = 0xFFFFFFFFu;
    if (info->uncompressed_size != MARK && info->compressed_size != MARK) return true;
    std::vector<unsigned char> extra(info->size_file_extra);
    if (extra.empty() ||
        unzGetCurrentFileInfo64(uf, nullptr, nullptr, 0, extra.data(), static_cast<uLong>(extra.size()), nullptr,
                                0) != UNZ_OK) {
        return false;
    }
    auto le = [&](size_t at, int bytes) {
        uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | extra[at + static_cast<size_t>(i)];
        return v;
    };
    for (size_t at = 0; at + 4 <= extra.size();) {
        const size_t id = static_cast<size_t>(le(at, 2)), len = static_cast<size_t>(le(at + 2, 2));
        at += 4;
        if (len > extra.size() - at) return false;
        if (id == 1) {
            // Only the marked sizes are present, uncompressed first.
            size_t field = at;
            for (ZPOS64_T* size : {&info->uncompressed_size, &info->compressed_size}) {
                if (*size != MARK) continue;
                if (field + 8 > at + len) return false;
                *size = le(field, 8);
                field += 8;
            }
            return true;
        }
        at += len;
    }
    return false;
}

// The output block: grows towards the declared size plus one byte, the byte that
// shows an entry holding more than it declares.
class Output {
public:
    explicit Output(uint32_t declared) : declared_(declared) {}
    ~Output() { std::free(data_); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Room for at least one more byte; false past the declared size or without memory.
    bool reserve() {
        if (got_ < cap_) return true;
        const uint64_t limit = static_cast<uint64_t>(declared_) + 1;
        if (cap_ >= limit) return false;
        uint64_t grown = cap_ ? static_cast<uint64_t>(cap_) * 2 : INITIAL_BLOCK;
        if (grown > limit) grown = limit;
        char* bigger = static_cast<char*>(std::realloc(data_, static_cast<size_t>(grown)));
        if (!bigger) return false;
        data_ = bigger;
        cap_ = static_cast<uint32_t>(grown);
        return true;
    }
    char* tail() { return data_ + got_; }
    uint32_t room() const { return cap_ - got_; }
    void advance(uint32_t n) { got_ += n; }
    uint32_t size() const { return got_; }
    const char* data() const { return data_; }
    char* release() {
        char* d = data_;
        data_ = nullptr;
        return d;
    }

private:
    uint32_t declared_;
    char* data_ = nullptr;
    uint32_t cap_ = 0;
    uint32_t got_ = 0;
};

class Inflater {
public:
    Inflater() { ok_ = inflateInit2(&z_, -MAX_WBITS) == Z_OK; }
    ~Inflater() {
        if (ok_) inflateEnd(&z_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool ok() const { return ok_; }
    z_stream& stream() { return z_; }

private:
    z_stream z_{};
    bool ok_ = false;
};

// Inflates `len` bytes into out until the inflater wants more input or the stream
// ends; false on corrupt data or output past the declared size.
bool inflateInto(z_stream& z, unsigned char* in, unsigned len, Output& out, bool* ended) {
    z.next_in = in;
    z.avail_in = len;
    while (!*ended) {
        if (!out.reserve()) return false;
        z.next_out = reinterpret_cast<Bytef*>(out.tail());
        z.avail_out = out.room();
        uInt before = z.avail_out;
        int r = inflate(&z, Z_NO_FLUSH);
        out.advance(before - z.avail_out);
        if (r == Z_STREAM_END) *ended = true;
        else if (r == Z_BUF_ERROR) break;  // no progress: it needs input
        else if (r != Z_OK) return false;
        // Room left over means the inflater holds nothing back for this input.
        else if (z.avail_in == 0 && z.avail_out > 0) break;
    }
    return true;
}

// An entry's stored bytes, read from the archive file itself: minizip would take
// its own idea of the compressed size, which is wrong for ZIP64 entries.
class RawData {
public:
    RawData(const char* path, ZPOS64_T offset, ZPOS64_T size) : f_(std::fopen(path, "rb")), left_(size) {
        if (f_ && fseeko(f_, static_cast<off_t>(offset), SEEK_SET) != 0) {
            std::fclose(f_);
            f_ = nullptr;
        }
    }
    ~RawData() {
        if (f_) std::fclose(f_);
    }
    RawData(const RawData&) = delete;
    RawData& operator=(const RawData&) = delete;
    bool ok() const { return f_ != nullptr; }
    // Bytes read, 0 at the end, -1 when the file ends before the entry does.
    int read(unsigned char* buf, unsigned cap) {
        size_t want = left_ < cap ? static_cast<size_t>(left_) : cap;
        if (want == 0) return 0;
        if (std::fread(buf, 1, want, f_) != want) return -1;
        left_ -= want;
        return static_cast<int>(want);
    }

private:
    FILE* f_;
    ZPOS64_T left_;
};

// Reads the current entry whole. The caller has checked the declared size.
bool readEntry(const char* path, unzFile uf, const unz_file_info64& info, const char* password, void** block) {
    const bool encrypted = (info.flag & 1u) != 0;
    const bool deflated = info.compression_method == Z_DEFLATED;
    if (!deflated && info.compression_method != 0) return false;
    if (info.flag & 0x40u) return false;  // strong encryption: not ours
    if (encrypted && (!password || !password[0])) return false;

    int method = 0, level = 0;
    if (unzOpenCurrentFile2(uf, &method, &level, 1) != UNZ_OK) return false;
    struct Close {
        unzFile uf;
        ~Close() { unzCloseCurrentFile(uf); }
    } close{uf};
    RawData raw(path, unzGetCurrentFileZStreamPos64(uf), info.compressed_size);
    if (!raw.ok()) return false;

    ZipCipher cipher(encrypted ? password : "");
    Inflater inflater;
    if (deflated && !inflater.ok()) return false;
    const uint32_t declared = static_cast<uint32_t>(info.uncompressed_size);
    Output out(declared);

    unsigned char chunk[CHUNK];
    int headerLeft = encrypted ? ENCRYPTION_HEADER : 0;
    bool ended = !deflated;
    for (;;) {
        int n = raw.read(chunk, sizeof(chunk));
        if (n < 0) return false;
        if (n == 0) break;
        unsigned char* p = chunk;
        unsigned len = static_cast<unsigned>(n);
        if (encrypted) cipher.decrypt(p, len);
        if (headerLeft > 0) {
            unsigned take = len < static_cast<unsigned>(headerLeft) ? len : static_cast<unsigned>(headerLeft);
            headerLeft -= static_cast<int>(take);
            if (headerLeft == 0) {
                // The header's last byte repeats the CRC's high byte (or, when the sizes
                // follow the data, the high byte of the time): a wrong password shows here.
                unsigned char verifier = (info.flag & 8u) ? static_cast<unsigned char>((info.dosDate >> 8) & 0xFFu)
                                                          : static_cast<unsigned char>((info.crc >> 24) & 0xFFu);
                if (p[take - 1] != verifier) return false;
            }
            p += take;
            len -= take;
        }
        if (!deflated) {
            while (len > 0) {
                if (!out.reserve()) return false;
                unsigned copy = len < out.room() ? len : out.room();
                std::memcpy(out.tail(), p, copy);
                out.advance(copy);
                p += copy;
                len -= copy;
            }
            continue;
        }
        if (!inflateInto(inflater.stream(), p, len, out, &ended)) return false;
    }
    // The last input may have left output inside the inflater.
    if (deflated && !ended && !inflateInto(inflater.stream(), nullptr, 0, out, &ended)) return false;
    if (headerLeft > 0 || !ended || out.size() != declared) return false;
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(out.data()), out.size());
    if (crc != info.crc) return false;
    if (!out.data() && !out.reserve()) return false;  // an empty entry still gets a block
    *block = out.release();
    return true;
}

}  // namespace

bool packNormalizeName(const char* name, char* out, size_t cap) {
    size_t n = 0;
    for (; name[n]; ++n) {
        if (n + 1 >= cap) return false;
        char c = name[n];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        else if (c == '\\') c = '/';
        out[n] = c;
    }
    out[n] = '\0';
    return true;
}

bool packProbe(const char* path) {
    Archive archive(path);
    return archive.get() != nullptr;
}

PackResult packLoad(const char* path, const char* password, const char* normalizedName, void** block,
                    uint32_t* size) {
    Archive archive(path);
    unzFile uf = archive.get();
    if (!uf) return PackResult::NotFound;
    char name[PACK_NAME_MAX];
    for (int err = unzGoToFirstFile(uf); err == UNZ_OK; err = unzGoToNextFile(uf)) {
        unz_file_info64 info;
        if (!currentName(uf, &info, name) || std::strcmp(name, normalizedName) != 0) continue;
        if (!zip64Sizes(uf, &info) || info.uncompressed_size > RESOURCE_SIZE_MAX) return PackResult::Failed;
        if (!readEntry(path, uf, info, password, block)) return PackResult::Failed;
        *size = static_cast<uint32_t>(info.uncompressed_size);
        return PackResult::Found;
    }
    return PackResult::NotFound;
}

bool packList(const char* path, std::vector<std::string>* names, size_t max) {
    Archive archive(path);
    unzFile uf = archive.get();
    if (!uf) return false;
    char name[PACK_NAME_MAX];
    for (int err = unzGoToFirstFile(uf); err == UNZ_OK && names->size() < max; err = unzGoToNextFile(uf)) {
        unz_file_info64 info;
        if (currentName(uf, &info, name)) names->emplace_back(name);
    }
    return true;
}
