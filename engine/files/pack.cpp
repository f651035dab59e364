// ZIP packs. minizip walks the archive's directory once, when the pack is
// attached, and the entries are indexed by name; a look-up then costs one hash
// and a few reads, however large the archive. Nothing in an archive is trusted:
// names that do not fit are skipped, sizes are capped, memory grows only as data
// actually arrives, and every entry must end exactly at its declared size with a
// matching CRC.
//
// An entry's bytes are read raw from the file, and decrypted and inflated here:
// the system's minizip is built without decryption (the traditional ZIP cipher is
// small enough to own), it misreads ZIP64 sizes, and it refuses an entry whose
// local header holds the real sizes where the directory holds the ZIP64 marks (as
// Go writes them). Only the directory's sizes count; the local header gives just
// where the data starts. Its verifier byte catches most wrong passwords at once;
// the CRC catches the rest.
#include "engine/files/pack.h"

#include <unzip.h>
#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {

// First allocation for an entry; it doubles towards the declared size as data arrives.
constexpr uint32_t INITIAL_BLOCK = 64u << 10;
constexpr unsigned CHUNK = 16u << 10;
constexpr int ENCRYPTION_HEADER = 12;
constexpr uint64_t ZIP64_MARK = 0xFFFFFFFFu;
constexpr size_t DIRECTORY_RECORD = 46;
constexpr size_t LOCAL_HEADER = 30;

uint64_t le(const unsigned char* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// A regular file opened for reading without blocking (a FIFO must not wait for a
// writer), read through one buffer: minizip asks for its fields a byte at a time.
class File {
public:
    File() = default;
    ~File() { close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // 0, or the errno of the failure (ENODEV for what is not a regular file).
    int open(const char* path) {
        close();
        fd_ = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0) return errno;
        if (fstat(fd_, &st_) != 0 || !S_ISREG(st_.st_mode)) {
            close();
            return ENODEV;
        }
        return 0;
    }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        bufLen_ = 0;
        limit_ = UINT64_MAX;
        commentLengthAt_ = UINT64_MAX - 2;
    }
    bool isOpen() const { return fd_ >= 0; }
    const struct stat& stat() const { return st_; }
    uint64_t size() const {
        const uint64_t whole = static_cast<uint64_t>(st_.st_size);
        return limit_ < whole ? limit_ : whole;
    }

    // From now on the file ends after the end record at `record`, whose comment is
    // left out: minizip looks for the record only within 64 KiB of the end, and a
    // comment of up to 65,535 bytes puts it further back.
    void endAfterRecord(uint64_t record) {
        limit_ = record + 22;
        commentLengthAt_ = record + 20;
    }

    // Bytes read at `at`; fewer than n only at the end of the file or on an error.
    size_t readAt(uint64_t at, void* out, size_t n) {
        if (at >= limit_) return 0;
        if (n > limit_ - at) n = static_cast<size_t>(limit_ - at);
        unsigned char* dst = static_cast<unsigned char*>(out);
        const size_t got = readRaw(at, dst, n);
        for (uint64_t p = commentLengthAt_; p < commentLengthAt_ + 2; ++p) {
            if (p >= at && p < at + got) dst[p - at] = 0;
        }
        return got;
    }

private:
    // Out of line: inlined into callers with small fixed buffers, GCC warns of reads
    // into them that the length checks rule out.
    [[gnu::noinline]] size_t readRaw(uint64_t at, unsigned char* dst, size_t n) {
        size_t done = 0;
        while (done < n) {
            uint64_t pos = at + done;
            if (pos >= bufAt_ && pos < bufAt_ + bufLen_) {
                size_t take = static_cast<size_t>(bufAt_ + bufLen_ - pos);
                if (take > n - done) take = n - done;
                std::memcpy(dst + done, buf_ + (pos - bufAt_), take);
                done += take;
                continue;
            }
            if (n - done >= sizeof(buf_)) {  // large reads go straight through
                ssize_t r = pread(fd_, dst + done, n - done, static_cast<off_t>(pos));
                if (r < 0 && errno == EINTR) continue;
                if (r <= 0) break;
                done += static_cast<size_t>(r);
                continue;
            }
            ssize_t r = pread(fd_, buf_, sizeof(buf_), static_cast<off_t>(pos));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;
            bufAt_ = pos;
            bufLen_ = static_cast<size_t>(r);
        }
        return done;
    }

public:
    // minizip's file functions over this file: they read through the buffer and
    // remember where minizip last moved to.
    zlib_filefunc64_def functions() {
        zlib_filefunc64_def f{};
        f.zopen64_file = [](voidpf opaque, const void*, int) -> voidpf { return opaque; };
        f.zread_file = [](voidpf, voidpf stream, void* buf, uLong size) -> uLong {
            File* self = static_cast<File*>(stream);
            size_t n = self->readAt(self->pos_, buf, size);
            self->pos_ += n;
            return static_cast<uLong>(n);
        };
        f.zwrite_file = [](voidpf, voidpf, const void*, uLong) -> uLong { return 0; };
        f.ztell64_file = [](voidpf, voidpf stream) -> ZPOS64_T { return static_cast<File*>(stream)->pos_; };
        f.zseek64_file = [](voidpf, voidpf stream, ZPOS64_T offset, int origin) -> long {
            File* self = static_cast<File*>(stream);
            if (origin == ZLIB_FILEFUNC_SEEK_SET) {
                self->pos_ = offset;
                self->lastSet_ = offset;
            } else if (origin == ZLIB_FILEFUNC_SEEK_CUR) {
                self->pos_ += offset;
            } else {
                self->pos_ = self->size() + offset;
            }
            return 0;
        };
        f.zclose_file = [](voidpf, voidpf) -> int { return 0; };  // the File closes itself
        f.zerror_file = [](voidpf, voidpf) -> int { return 0; };
        f.opaque = this;
        return f;
    }
    // minizip moves to an entry's directory record before it reads the entry's
    // information, and only moves on from there.
    uint64_t lastSeek() const { return lastSet_; }

private:
    int fd_ = -1;
    struct stat st_ {};
    unsigned char buf_[CHUNK];
    uint64_t bufAt_ = 0;
    size_t bufLen_ = 0;
    uint64_t pos_ = 0;
    uint64_t lastSet_ = 0;
    uint64_t limit_ = UINT64_MAX;
    uint64_t commentLengthAt_ = UINT64_MAX - 2;
};

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Why a file minizip will not open is no pack we can read, from its end record.
std::string whyNoArchive(File& file) {
    const uint64_t size = file.size();
    const size_t tail = static_cast<size_t>(size < 22 + 0xFFFF ? size : 22 + 0xFFFF);
    std::vector<unsigned char> bytes(tail);
    if (file.readAt(size - tail, bytes.data(), tail) != tail) return "cannot be read";
    for (size_t at = tail >= 22 ? tail - 22 + 1 : 0; at-- > 0;) {
        const unsigned char* p = &bytes[at];
        if (p[0] != 'P' || p[1] != 'K' || p[2] != 5 || p[3] != 6) continue;
        const uint64_t disk = le(p + 4, 2), directoryDisk = le(p + 6, 2);
        if ((disk != 0 && disk != 0xFFFF) || (directoryDisk != 0 && directoryDisk != 0xFFFF)) {
            return "one part of a split archive";
        }
        return "damaged ZIP directory";
    }
    unsigned char magic[4] = {};
    if (file.readAt(0, magic, 4) == 4 && std::memcmp(magic, "PK\x03\x04", 4) == 0) {
        return "cut short: no ZIP directory at its end";
    }
    return "not a ZIP archive";
}

// Where the end record sits: found (its comment runs exactly to the end of the file),
// incomplete (the last signature has no whole record behind it) or neither.
struct EndRecord {
    bool found = false;
    bool incomplete = false;
    uint64_t at = 0;
};

EndRecord findEndRecord(File& file) {
    EndRecord end;
    const uint64_t size = file.size();
    const size_t tail = static_cast<size_t>(size < 22 + 0xFFFF ? size : 22 + 0xFFFF);
    std::vector<unsigned char> bytes(tail);
    if (tail < 4 || file.readAt(size - tail, bytes.data(), tail) != tail) return end;
    bool last = true;
    for (size_t at = tail - 4 + 1; at-- > 0;) {
        const unsigned char* p = &bytes[at];
        if (p[0] != 'P' || p[1] != 'K' || p[2] != 5 || p[3] != 6) continue;
        if (last && tail - at < 22) end.incomplete = true;
        last = false;
        if (tail - at >= 22 && le(p + 20, 2) == tail - at - 22) {
            end.found = true;
            end.incomplete = false;
            end.at = size - tail + at;
            return end;
        }
    }
    return end;
}

struct Entry {
    std::string name;
    uint64_t local = 0;  // where its local header starts
    uint64_t compressed = 0;
    uint64_t uncompressed = 0;
    uint32_t crc = 0;
    uint32_t dosDate = 0;
    uint16_t flag = 0;
    uint16_t method = 0;
    bool sizesKnown = true;  // false when a ZIP64 mark has no value behind it
};

// The ZIP64 values (0x0001 extra field) of the fields the record marks, in their
// order: uncompressed size, compressed size, local header offset. False when a
// marked value is missing.
bool zip64Values(const unsigned char* extra, size_t size, uint64_t* const fields[3]) {
    for (size_t at = 0; at + 4 <= size;) {
        const size_t id = static_cast<size_t>(le(extra + at, 2)), len = static_cast<size_t>(le(extra + at + 2, 2));
        at += 4;
        if (len > size - at) return false;
        if (id == 1) {
            size_t field = at;
            for (int i = 0; i < 3; ++i) {
                if (*fields[i] != ZIP64_MARK) continue;
                if (field + 8 > at + len) return false;
                *fields[i] = le(extra + field, 8);
                field += 8;
            }
            return true;
        }
        at += len;
    }
    return false;
}

// The current entry from its directory record, which minizip has just read at
// `record` (its own position of it is `listed`: the two differ by whatever comes
// before the archive). False when the entry cannot be one of ours.
bool readEntryRecord(unzFile uf, File& file, uint64_t record, Entry* e) {
    char raw[PACK_NAME_MAX];
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(uf, &info, raw, sizeof(raw), nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    // minizip leaves a name that fills the buffer unterminated.
    if (info.size_filename >= sizeof(raw)) return false;
    raw[info.size_filename] = '\0';
    if (std::strlen(raw) != info.size_filename) return false;
    char name[PACK_NAME_MAX];
    if (!packNormalizeName(raw, name, sizeof(name))) return false;

    unsigned char rec[DIRECTORY_RECORD];
    if (file.readAt(record, rec, sizeof(rec)) != sizeof(rec) || le(rec, 4) != 0x02014b50u) return false;
    e->name = name;
    e->method = static_cast<uint16_t>(info.compression_method);
    e->flag = static_cast<uint16_t>(info.flag);
    e->crc = static_cast<uint32_t>(info.crc);
    e->dosDate = static_cast<uint32_t>(info.dosDate);
    e->compressed = le(rec + 20, 4);
    e->uncompressed = le(rec + 24, 4);
    e->local = le(rec + 42, 4);
    if (e->compressed == ZIP64_MARK || e->uncompressed == ZIP64_MARK || e->local == ZIP64_MARK) {
        const size_t nameLen = static_cast<size_t>(le(rec + 28, 2)), extraLen = static_cast<size_t>(le(rec + 30, 2));
        std::vector<unsigned char> extra(extraLen);
        uint64_t* const fields[3] = {&e->uncompressed, &e->compressed, &e->local};
        e->sizesKnown = file.readAt(record + DIRECTORY_RECORD + nameLen, extra.data(), extraLen) == extraLen &&
                        zip64Values(extra.data(), extraLen, fields);
    }
    // Offsets in the directory count from the archive's start, which is not the
    // file's when something (a self-extractor) comes before it.
    e->local += record - unzGetOffset64(uf);
    return true;
}

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


// An entry's stored bytes, straight from the file.
class RawData {
public:
    RawData(File& file, uint64_t offset, uint64_t size) : file_(file), at_(offset), left_(size) {}
    // Bytes read, 0 at the end, -1 when the file ends before the entry does.
    int read(unsigned char* buf, unsigned cap) {
        size_t want = left_ < cap ? static_cast<size_t>(left_) : cap;
        if (want == 0) return 0;
        if (file_.readAt(at_, buf, want) != want) return -1;
        at_ += want;
        left_ -= want;
        return static_cast<int>(want);
    }

private:
    File& file_;
    uint64_t at_;
    uint64_t left_;
};

// Reads an entry whole. The caller has checked the declared size.
bool readEntry(File& file, const Entry& e, const char* password, void** block) {
    const bool encrypted = (e.flag & 1u) != 0;
    const bool deflated = e.method == Z_DEFLATED;
    if (!deflated && e.method != 0) return false;
    if (e.flag & 0x40u) return false;  // strong encryption: not ours
    if (encrypted && (!password || !password[0])) return false;

    // The local header says only where the data starts; its sizes may be marks or
    // zeros, and the directory's are the ones that count.
    unsigned char local[LOCAL_HEADER];
    if (file.readAt(e.local, local, sizeof(local)) != sizeof(local) || le(local, 4) != 0x04034b50u ||
        le(local + 8, 2) != e.method) {
        return false;
    }
    RawData raw(file, e.local + LOCAL_HEADER + le(local + 26, 2) + le(local + 28, 2), e.compressed);

    ZipCipher cipher(encrypted ? password : "");
    Inflater inflater;
    if (deflated && !inflater.ok()) return false;
    const uint32_t declared = static_cast<uint32_t>(e.uncompressed);
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
                unsigned char verifier = (e.flag & 8u) ? static_cast<unsigned char>((e.dosDate >> 8) & 0xFFu)
                                                       : static_cast<unsigned char>((e.crc >> 24) & 0xFFu);
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
    if (crc != e.crc) return false;
    if (!out.data() && !out.reserve()) return false;  // an empty entry still gets a block
    *block = out.release();
    return true;
}

}  // namespace

struct PackIndex::Data {
    std::string path;
    struct stat st {};  // the file as indexed
    std::vector<Entry> entries;
    std::vector<std::string> names;
    // Into `entries` by name; the first of equal names wins, as a walk would find it.
    std::unordered_map<std::string_view, uint32_t> byName;

    // Reads the directory of the file at `path`, open in `file`.
    bool build(File& file, std::string* why) {
        entries.clear();
        names.clear();
        byName.clear();
        st = file.stat();
        const EndRecord end = findEndRecord(file);
        if (end.incomplete) {
            *why = "cut short: its ZIP end record is incomplete";
            return false;
        }
        if (end.found) file.endAfterRecord(end.at);
        zlib_filefunc64_def functions = file.functions();
        unzFile uf = unzOpen2_64(path.c_str(), &functions);
        if (!uf) {
            *why = whyNoArchive(file);
            return false;
        }
        unz_global_info64 global{};
        int err = unzGetGlobalInfo64(uf, &global);
        if (err == UNZ_OK && global.number_entry > 0) {
            uint64_t walked = 0;
            for (err = unzGoToFirstFile(uf); err == UNZ_OK; err = unzGoToNextFile(uf), ++walked) {
                Entry e;
                const uint64_t record = file.lastSeek();
                if (readEntryRecord(uf, file, record, &e)) entries.push_back(std::move(e));
            }
            // A count of 0xFFFF without a ZIP64 end record (minizip writes them) means
            // "more": the directory ends where the records do.
            if (err == UNZ_END_OF_LIST_OF_FILE || (global.number_entry == 0xFFFF && walked >= 0xFFFF)) err = UNZ_OK;
        }
        unzClose(uf);
        if (err != UNZ_OK) {
            *why = "damaged ZIP directory";
            return false;
        }
        // The views point into `entries`, which no longer moves.
        names.reserve(entries.size());
        byName.reserve(entries.size());
        for (uint32_t i = 0; i < entries.size(); ++i) {
            names.push_back(entries[i].name);
            byName.emplace(entries[i].name, i);
        }
        return true;
    }
};

PackIndex::PackIndex(std::unique_ptr<Data> data) : d_(std::move(data)) {}
PackIndex::~PackIndex() = default;

std::unique_ptr<PackIndex> PackIndex::open(const char* path, std::string* why) {
    auto d = std::make_unique<Data>();
    d->path = path;
    File file;
    if (int err = file.open(path)) {
        *why = err == ENODEV ? "not a file" : std::strerror(err);
        return nullptr;
    }
    if (!d->build(file, why)) return nullptr;
    return std::unique_ptr<PackIndex>(new PackIndex(std::move(d)));
}

const std::vector<std::string>& PackIndex::names() const { return d_->names; }

PackResult PackIndex::load(const char* password, const char* normalizedName, void** block, uint32_t* size) {
    Data& d = *d_;
    File file;
    if (file.open(d.path.c_str()) != 0) return PackResult::NotFound;
    std::string why;
    if (!sameFile(file.stat(), d.st) && !d.build(file, &why)) return PackResult::NotFound;
    auto it = d.byName.find(normalizedName);
    if (it == d.byName.end()) return PackResult::NotFound;
    const Entry& e = d.entries[it->second];
    if (!e.sizesKnown || e.uncompressed > RESOURCE_SIZE_MAX || !readEntry(file, e, password, block)) {
        return PackResult::Failed;
    }
    *size = static_cast<uint32_t>(e.uncompressed);
    return PackResult::Found;
}

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
