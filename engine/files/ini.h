// The engine's own reader and writer of private-profile ini text: "[section]"
// lines, "key=value" lines, ';' comments. Sections and keys are matched without
// regard to ASCII case and surrounding blanks; the first match wins. Lines that
// mean nothing (no '=', keys before any section, garbage) are kept as they are
// when the text is written back.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class IniText {
public:
    // Replaces the contents with the given bytes (either line ending).
    void parse(const char* data, size_t size);

    // The value of the key, blanks trimmed and one pair of enclosing quotes removed.
    bool get(const char* section, const char* key, std::string* value) const;

    // Sets the key, adding the section and the key when missing; a null value
    // removes the key. A value is cut at its first line break, and quoted when its
    // blanks or quotes would not survive reading it back. False (nothing changed)
    // for a section or key that cannot be written as one line of the format.
    bool set(const char* section, const char* key, const char* value);

    // The text, lines joined with '\n' (a line that had '\r' before it keeps it).
    std::string serialize() const;

    size_t lineCount() const { return lines_.size(); }

private:
    // Index of the section's header line, or -1.
    long findSection(const std::string& section) const;
    // Index of the key's line inside the section whose header is at `header`, or -1.
    long findKey(long header, const std::string& key) const;

    std::vector<std::string> lines_;
    bool crlf_ = false;  // new lines end as the file's first line does
};
