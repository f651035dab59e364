// Writes small ZIP packs for the tests with minizip's zip interface.
//
// Encrypted entries are written raw, enciphered here with the traditional ZIP
// cipher: the system's minizip enciphers through a CRC table of the wrong width on
// 64-bit machines, so what it writes is not the standard cipher.
#pragma once

#include <zip.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct ZipEntry {
    std::string name;
    std::string data;
    const char* password = nullptr;  // traditional ZIP encryption when set
    int method = Z_DEFLATED;         // or 0, stored
};

inline std::string rawDeflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The standard traditional cipher: 12 header bytes, the last the CRC's high byte.
inline std::string zipEncrypt(const std::string& plain, const char* password, uint32_t crc) {
    const z_crc_t* table = get_crc_table();
    uint32_t k[3] = {0x12345678u, 0x23456789u, 0x34567890u};
    auto c32 = [&](uint32_t c, unsigned char b) { return static_cast<uint32_t>(table[(c ^ b) & 0xFF]) ^ (c >> 8); };
    auto update = [&](unsigned char c) {
        k[0] = c32(k[0], c);
        k[1] = (k[1] + (k[0] & 0xFF)) * 134775813u + 1u;
        k[2] = c32(k[2], static_cast<unsigned char>(k[1] >> 24));
    };
    for (const char* p = password; *p; ++p) update(static_cast<unsigned char>(*p));
    std::string in = "0123456789";
    in += static_cast<char>((crc >> 16) & 0xFF);
    in += static_cast<char>((crc >> 24) & 0xFF);
    in += plain;
    std::string out(in.size(), '\0');
    for (size_t i = 0; i < in.size(); ++i) {
        uint32_t t = (k[2] & 0xFFFF) | 2;
        unsigned char c = static_cast<unsigned char>(in[i]);
        out[i] = static_cast<char>(c ^ ((t * (t ^ 1)) >> 8));
        update(c);
    }
    return out;
}

inline bool writeZip(const std::string& path, const std::vector<ZipEntry>& entries) {
    zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zf) return false;
    bool ok = true;
    for (const ZipEntry& e : entries) {
        zip_fileinfo info{};
        uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
        if (!e.password) {
            ok = ok && zipOpenNewFileInZip3(zf, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, e.method,
                                            e.method ? Z_DEFAULT_COMPRESSION : 0, 0, -MAX_WBITS, 8,
                                            Z_DEFAULT_STRATEGY, nullptr, 0) == ZIP_OK;
            ok = ok && zipWriteInFileInZip(zf, e.data.data(), static_cast<unsigned>(e.data.size())) == ZIP_OK;
            ok = ok && zipCloseFileInZip(zf) == ZIP_OK;
            continue;
        }
        std::string raw = zipEncrypt(e.method ? rawDeflate(e.data) : e.data, e.password, static_cast<uint32_t>(crc));
        ok = ok && zipOpenNewFileInZip3(zf, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, e.method,
                                        e.method ? Z_DEFAULT_COMPRESSION : 0, 1, -MAX_WBITS, 8,
                                        Z_DEFAULT_STRATEGY, nullptr, 0) == ZIP_OK;
        ok = ok && zipWriteInFileInZip(zf, raw.data(), static_cast<unsigned>(raw.size())) == ZIP_OK;
        ok = ok && zipCloseFileInZipRaw(zf, static_cast<uLong>(e.data.size()), crc) == ZIP_OK;
    }
    ok = zipClose(zf, nullptr) == ZIP_OK && ok;
    if (!ok) return false;

    // Mark the encrypted entries in both of their headers (flag bit 0).
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    for (const ZipEntry& e : entries) {
        if (!e.password) continue;
        const std::pair<const char*, size_t> headers[] = {{"PK\x03\x04", 30}, {"PK\x01\x02", 46}};
        for (const auto& h : headers) {
            size_t flagAt = h.first[2] == 3 ? 6 : 8;
            for (size_t at = bytes.find(h.first, 0, 4); at != std::string::npos; at = bytes.find(h.first, at + 1, 4)) {
                if (bytes.compare(at + h.second, e.name.size(), e.name) == 0) bytes[at + flagAt] |= 1;
            }
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A one-entry pack in the ZIP64 form: both headers give 0xFFFFFFFF for the sizes
// named and carry the real ones in the 0x0001 extra field, as zip -fz writes them.
// With `realLocalSizes` the local header gives the real sizes and no extra field,
// as Go's writer lays it out.
inline std::string zip64Pack(const std::string& name, const std::string& data, bool deflated,
                             bool compressedToo, bool realLocalSizes = false) {
    const std::string body = deflated ? rawDeflate(data) : data;
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    auto le = [](uint64_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    const std::string method = le(deflated ? 8 : 0, 2);
    const std::string common = le(45, 2) + le(0, 2) + method + le(0, 4) + le(crc, 4);
    std::string local = "PK\x03\x04" + common + le(0xFFFFFFFFu, 4) + le(0xFFFFFFFFu, 4) +
                        le(name.size(), 2) + le(20, 2) + name + le(1, 2) + le(16, 2) + le(data.size(), 8) +
                        le(body.size(), 8) + body;
    if (realLocalSizes) {
        local = "PK\x03\x04" + common + le(body.size(), 4) + le(data.size(), 4) + le(name.size(), 2) + le(0, 2) +
                name + body;
    }
    std::string extra = le(data.size(), 8) + (compressedToo ? le(body.size(), 8) : "");
    std::string central = "PK\x01\x02" + le(45, 2) + common +
                          le(compressedToo ? 0xFFFFFFFFu : body.size(), 4) + le(0xFFFFFFFFu, 4) +
                          le(name.size(), 2) + le(4 + extra.size(), 2) + le(0, 2) + le(0, 2) + le(0, 2) +
                          le(0, 4) + le(0, 4) + name + le(1, 2) + le(extra.size(), 2) + extra;
    std::string end = "PK\x05\x06" + le(0, 4) + le(1, 2) + le(1, 2) + le(central.size(), 4) +
                      le(local.size(), 4) + le(0, 2);
    return local + central + end;
}
