// The ini text model: a list of lines, interpreted on every lookup, so that
// whatever the file held (comments, blank lines, odd lines) survives a write.
#include "engine/files/ini.h"

#include <cstring>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// [begin, end) of s with the blanks on both sides removed.
void trimRange(const std::string& s, size_t* begin, size_t* end) {
    while (*begin < *end && isBlank(s[*begin])) ++*begin;
    while (*end > *begin && isBlank(s[*end - 1])) --*end;
}

std::string trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    trimRange(s, &b, &e);
    return s.substr(b, e - b);
}

bool sameName(const std::string& a, size_t begin, size_t end, const std::string& name) {
    if (end - begin != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (upper(a[begin + i]) != upper(name[i])) return false;
    }
    return true;
}

enum class LineKind { Other, Section, Key };

struct Parsed {
    LineKind kind = LineKind::Other;
    size_t nameBegin = 0, nameEnd = 0;    // section or key name
    size_t valueBegin = 0, valueEnd = 0;  // key value, trimmed
};

Parsed parseLine(const std::string& line) {
    Parsed p;
    size_t b = 0, e = line.size();
    trimRange(line, &b, &e);
    if (b == e || line[b] == ';') return p;
    if (line[b] == '[') {
        size_t close = line.find(']', b + 1);
        size_t nb = b + 1, ne = (close == std::string::npos || close > e) ? e : close;
        trimRange(line, &nb, &ne);
        p.kind = LineKind::Section;
        p.nameBegin = nb;
        p.nameEnd = ne;
        return p;
    }
    size_t eq = line.find('=', b);
    if (eq == std::string::npos || eq >= e) return p;
    size_t kb = b, ke = eq;
    trimRange(line, &kb, &ke);
    size_t vb = eq + 1, ve = e;
    trimRange(line, &vb, &ve);
    p.kind = LineKind::Key;
    p.nameBegin = kb;
    p.nameEnd = ke;
    p.valueBegin = vb;
    p.valueEnd = ve;
    return p;
}

bool isQuote(char c) { return c == '"' || c == '\''; }

}  // namespace

void IniText::parse(const char* data, size_t size) {
    lines_.clear();
    // Lines keep their '\r' (a blank to the reader), so that a write gives back
    // every line it did not change byte for byte.
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            lines_.emplace_back(data + start, i - start);
            start = i + 1;
        }
    }
    if (start < size) lines_.emplace_back(data + start, size - start);
    crlf_ = !lines_.empty() && !lines_[0].empty() && lines_[0].back() == '\r';
}

long IniText::findSection(const std::string& section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        Parsed p = parseLine(lines_[i]);
        if (p.kind == LineKind::Section && sameName(lines_[i], p.nameBegin, p.nameEnd, section)) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

long IniText::findKey(long header, const std::string& key) const {
    for (size_t i = static_cast<size_t>(header) + 1; i < lines_.size(); ++i) {
        Parsed p = parseLine(lines_[i]);
        if (p.kind == LineKind::Section) break;
        if (p.kind == LineKind::Key && sameName(lines_[i], p.nameBegin, p.nameEnd, key)) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

bool IniText::get(const char* section, const char* key, std::string* value) const {
    if (!section || !key) return false;
    long header = findSection(trimmed(section));
    if (header < 0) return false;
    long at = findKey(header, trimmed(key));
    if (at < 0) return false;
    const std::string& line = lines_[static_cast<size_t>(at)];
    Parsed p = parseLine(line);
    size_t vb = p.valueBegin, ve = p.valueEnd;
    if (ve - vb >= 2 && isQuote(line[vb]) && line[ve - 1] == line[vb]) {
        ++vb;
        --ve;
    }
    value->assign(line, vb, ve - vb);
    return true;
}

bool IniText::set(const char* section, const char* key, const char* value) {
    if (!section || !key) return false;
    std::string sec = trimmed(section);
    std::string name = trimmed(key);
    // What would not read back as this section and this key is refused.
    if (sec.find_first_of("]\r\n") != std::string::npos) return false;
    if (name.empty() || name[0] == '[' || name[0] == ';' || name.find_first_of("=\r\n") != std::string::npos) {
        return false;
    }

    long header = findSection(sec);
    long at = header >= 0 ? findKey(header, name) : -1;
    if (!value) {
        if (at >= 0) lines_.erase(lines_.begin() + at);
        return true;
    }

    std::string text(value, std::strcspn(value, "\r\n"));
    bool needsQuotes = !text.empty() &&
                       (isBlank(text.front()) || isBlank(text.back()) ||
                        (text.size() >= 2 && isQuote(text.front()) && text.back() == text.front()));
    if (needsQuotes) text = '"' + text + '"';
    const std::string eol = crlf_ ? "\r" : "";
    std::string line = name + '=' + text + eol;

    if (at >= 0) {
        lines_[static_cast<size_t>(at)] = line;
    } else if (header >= 0) {
        // After the section's last meaningful line, before the blank lines that separate it.
        size_t insert = static_cast<size_t>(header) + 1;
        for (size_t i = insert; i < lines_.size(); ++i) {
            Parsed p = parseLine(lines_[i]);
            if (p.kind == LineKind::Section) break;
            size_t b = 0, e = lines_[i].size();
            trimRange(lines_[i], &b, &e);
            if (b != e) insert = i + 1;
        }
        lines_.insert(lines_.begin() + static_cast<long>(insert), line);
    } else {
        if (!lines_.empty() && !trimmed(lines_.back()).empty()) lines_.push_back(eol);
        lines_.push_back('[' + sec + ']' + eol);
        lines_.push_back(line);
    }
    return true;
}

std::string IniText::serialize() const {
    std::string out;
    size_t total = 0;
    for (const std::string& l : lines_) total += l.size() + 1;
    out.reserve(total);
    for (const std::string& l : lines_) {
        out += l;
        out += '\n';
    }
    return out;
}
