// A string table: named texts from a "[DENSTRINGTABLE]" file. The game never reads
// one; the resource script may declare it.
#pragma once

#include "engine/engine.h"

#include <string>
#include <utility>
#include <vector>

constexpr int STRING_TABLE_NAME_MAX = 64;

class StringTable {
public:
    // Reads the text (size bytes, need not be zero-terminated). A wrong header
    // reports "String table %s has incorrect format." and leaves the table empty.
    StringTable(Engine* engine, const char* filename, const char* text, size_t size);
    virtual ~StringTable() = default;

    // Null for an unknown name.
    const char* GetString(const char* name) const;
    int Count() const { return static_cast<int>(entries_.size()); }

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};
