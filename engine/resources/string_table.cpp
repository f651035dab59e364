#include "engine/resources/string_table.h"

#include "engine/resources/report.h"

#include <cstring>

namespace {

const char HEADER[] = "[DENSTRINGTABLE]";

}  // namespace

StringTable::StringTable(Engine* engine, const char* filename, const char* text, size_t size) {
    const size_t headerLen = sizeof(HEADER) - 1;
    if (!text || size < headerLen || std::memcmp(text, HEADER, headerLen) != 0) {
        resourceReport(engine, "String table %s has incorrect format.", filename ? filename : "");
        return;
    }
    const char* p = text + headerLen;
    const char* end = text + size;
    auto skipLine = [&] {
        while (p < end && *p != '\n' && *p != '\r') ++p;
    };
    auto skipSpaces = [&] {
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
    };

    while (p < end) {
        char c = *p;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++p;
            continue;
        }
        if (c == ';') {
            skipLine();
            continue;
        }
        std::string name;
        while (p < end && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != '=' &&
               *p != ';') {
            if (name.size() < STRING_TABLE_NAME_MAX) name += *p;
            ++p;
        }
        skipSpaces();
        if (name.empty() || p >= end || *p != '=') {
            skipLine();
            continue;
        }
        ++p;
        skipSpaces();
        if (p >= end || *p != '"') {
            skipLine();
            continue;
        }
        ++p;
        std::string value;
        while (p < end && *p != '"') {
            if (*p == '\\' && p + 1 < end && p[1] == 'n') {
                value += '\n';
                p += 2;
            } else if (*p == '\r' || *p == '\n') {
                // A text broken over lines reads as one line with a space.
                if (*p == '\r' && p + 1 < end && p[1] == '\n') ++p;
                ++p;
                value += ' ';
            } else {
                value += *p++;
            }
        }
        if (p < end) ++p;  // the closing quote
        bool replaced = false;
        for (auto& e : entries_) {
            if (e.first == name) {
                e.second = value;
                replaced = true;
                break;
            }
        }
        if (!replaced) entries_.emplace_back(std::move(name), std::move(value));
    }
}

const char* StringTable::GetString(const char* name) const {
    if (!name) return nullptr;
    for (const auto& e : entries_) {
        if (e.first == name) return e.second.c_str();
    }
    return nullptr;
}
