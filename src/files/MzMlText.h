// The tag scanner the mzML reader reads a run with: tags found by "<" over the mapped text
// (comments passed over), start tags read attribute by attribute without copying, cvParam
// terms, and the extent of Base64 data. Shared by the reading of heads and of binary arrays;
// inline, because the table of a large run is read through these millions of times. No Qt.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/MzMlRun.h"
#include "model/DecimalText.h"

namespace mzml {

inline constexpr std::size_t npos = std::string_view::npos;

inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

inline std::optional<long long> integerOf(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

inline std::optional<double> doubleOf(std::string_view text) {
    return parseDecimal(trimmed(text));
}

// An attribute value with the XML entities resolved; an unknown entity stays as written.
inline std::string unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const std::size_t semi = text.find(';', i);
        if (semi == npos) {
            out += text[i];
            continue;
        }
        const std::string_view name = text.substr(i + 1, semi - i - 1);
        std::optional<unsigned long> code;
        if (name == "quot")
            code = '"';
        else if (name == "amp")
            code = '&';
        else if (name == "lt")
            code = '<';
        else if (name == "gt")
            code = '>';
        else if (name == "apos")
            code = '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            unsigned long value = 0;
            const char* first = name.data() + (hex ? 2 : 1);
            const char* last = name.data() + name.size();
            const auto [end, error] = std::from_chars(first, last, value, hex ? 16 : 10);
            if (error == std::errc() && end == last && first != last && value < 0x110000)
                code = value;
        }
        if (!code) {
            out += text[i];
            continue;
        }
        // UTF-8 of the code point.
        const unsigned long c = *code;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        i = semi;
    }
    return out;
}

// --- the tag scanner ------------------------------------------------------------------------

// Whether the tag "<name" (name given with its "<" or "</") starts at p: the name is followed
// by a blank, ">" or "/", so "<spectrum" is not taken from "<spectrumList".
inline bool isTag(std::string_view text, std::size_t p, std::string_view name) {
    // Most tags differ from the name in the letter after "<" or "</": looked at before comparing.
    const std::size_t first = name.size() > 1 && name[1] == '/' ? 2 : 1;
    if (p + first >= text.size() || first >= name.size() || text[p + first] != name[first])
        return false;
    if (text.compare(p, name.size(), name) != 0) return false;
    const std::size_t after = p + name.size();
    return after >= text.size() || isBlank(text[after]) || text[after] == '>' || text[after] == '/';
}

// The next "<" at or after from that starts a tag, passing over comments; npos at the end.
inline std::size_t nextTag(std::string_view text, std::size_t from) {
    while (from < text.size()) {
        const void* hit = std::memchr(text.data() + from, '<', text.size() - from);
        if (!hit) return npos;
        const auto p = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (p + 1 >= text.size() || text[p + 1] != '!' || text.compare(p, 4, "<!--") != 0)
            return p;
        const std::size_t close = text.find("-->", p + 4);
        if (close == npos) return npos;
        from = close + 3;
    }
    return npos;
}

// The start tag at p (on its "<"), read attribute by attribute. Each call of next() moves
// forward or ends the tag, so no input can make a reader loop.
class TStartTag {
public:
    TStartTag(std::string_view text, std::size_t p, std::size_t nameLength)
        : m_text(text), m_pos(std::min(p + nameLength, text.size())) {}

    // The next attribute (name, value as written); nullopt at the end of the tag.
    std::optional<std::pair<std::string_view, std::string_view>> next() {
        if (m_done) return std::nullopt;
        std::size_t p = m_pos;
        while (p < m_text.size() && isBlank(m_text[p])) ++p;
        if (p >= m_text.size()) return finish(p, false);
        if (m_text[p] == '>') return finish(p + 1, true);
        if (m_text[p] == '/' && p + 1 < m_text.size() && m_text[p + 1] == '>') {
            m_empty = true;
            return finish(p + 2, true);
        }
        const std::size_t nameFrom = p;
        while (p < m_text.size() && !isBlank(m_text[p]) && m_text[p] != '=' && m_text[p] != '>' &&
               m_text[p] != '/')
            ++p;
        if (p == nameFrom) ++p;  // a stray "/": passed over
        const std::string_view name = m_text.substr(nameFrom, p - nameFrom);
        while (p < m_text.size() && isBlank(m_text[p])) ++p;
        if (p >= m_text.size() || m_text[p] != '=') {
            m_pos = p;
            return std::pair{name, std::string_view()};
        }
        ++p;
        while (p < m_text.size() && isBlank(m_text[p])) ++p;
        if (p >= m_text.size()) return finish(p, false);
        if (m_text[p] == '"' || m_text[p] == '\'') {
            const std::size_t close = m_text.find(m_text[p], p + 1);
            if (close == npos) return finish(m_text.size(), false);
            m_pos = close + 1;
            return std::pair{name, m_text.substr(p + 1, close - p - 1)};
        }
        const std::size_t valueFrom = p;
        while (p < m_text.size() && !isBlank(m_text[p]) && m_text[p] != '>') ++p;
        m_pos = p;
        return std::pair{name, m_text.substr(valueFrom, p - valueFrom)};
    }
    // Reads the rest of the tag; where its content starts (npos when the text ends inside it).
    std::size_t skipRest() {
        while (next()) {
        }
        return m_complete ? m_pos : npos;
    }
    bool isEmptyElement() const { return m_empty; }

private:
    std::nullopt_t finish(std::size_t end, bool complete) {
        m_pos = end;
        m_complete = complete;
        m_done = true;
        return std::nullopt;
    }

    std::string_view m_text;
    std::size_t m_pos;
    bool m_done = false;
    bool m_complete = false;
    bool m_empty = false;
};

// Whether a tag at p ends an element whose end tag is missing: the start of another spectrum
// or chromatogram, or the end of their list.
inline bool isElementBoundary(std::string_view text, std::size_t p) {
    return isTag(text, p, "<spectrum") || isTag(text, p, "<chromatogram") ||
           isTag(text, p, "</spectrumList") || isTag(text, p, "</chromatogramList") ||
           isTag(text, p, "<chromatogramList");
}

// Seconds per unit of a time, by the unit's accession; an unstated unit is taken as seconds.
inline std::optional<double> secondsPerUnit(std::string_view unit) {
    if (unit.empty() || unit == "UO:0000010") return 1.0;
    if (unit == "UO:0000031") return 60.0;
    if (unit == "UO:0000032") return 3600.0;
    if (unit == "UO:0000028") return 0.001;
    return std::nullopt;
}

// A cvParam's accession, value and unit accession, read from its tag at p.
struct TParamTag {
    std::string_view accession, value, unit, name;
};
inline TParamTag readParamTag(std::string_view text, std::size_t p) {
    TParamTag param;
    TStartTag tag(text, p, 8);
    while (const auto a = tag.next()) {
        if (a->first == "accession")
            param.accession = a->second;
        else if (a->first == "value")
            param.value = a->second;
        else if (a->first == "unitAccession")
            param.unit = a->second;
        else if (a->first == "name")
            param.name = a->second;
    }
    return param;
}

// The ref of a referenceableParamGroupRef tag at p.
inline std::string_view groupRefAt(std::string_view text, std::size_t p) {
    TStartTag tag(text, p, 27);
    while (const auto a = tag.next())
        if (a->first == "ref") return a->second;
    return {};
}

using TGroups = std::map<std::string, std::vector<TMzMlParam>, std::less<>>;

inline constexpr std::string_view binaryClose = "</binary>";

inline std::optional<std::size_t> encodedLengthOf(std::string_view text) {
    const auto n = integerOf(text);
    if (!n || *n < 0) return std::nullopt;
    return static_cast<std::size_t>(*n);
}

// Where the Base64 text of a binary element whose content starts at content ends: its
// encodedLength on when "</binary>" stands there (no search through the data), else at the
// first "</binary>"; npos when the text ends first.
inline std::size_t binaryEnd(std::string_view text, std::size_t content,
                      std::optional<std::size_t> encodedLength) {
    if (encodedLength && *encodedLength <= text.size() - content &&
        text.compare(content + *encodedLength, binaryClose.size(), binaryClose) == 0)
        return content + *encodedLength;
    return text.find(binaryClose, content);
}

}  // namespace mzml
