// The mzML run reader: a tag scanner over the mapped run, the terms of a spectrum's or
// chromatogram's head, the index check with the pass that replaces it, and the decoding of
// binary arrays (Base64, zlib, MS-Numpress, little-endian floats and integers).
#include "files/MzMlRun.h"

#include <zlib.h>
#include <MSNumpress.hpp>
#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "files/Inflate.h"
#include "files/MessageNumbers.h"
#include "files/ParallelChunks.h"
#include "model/DecimalText.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr double absent = TSpectrumRow::absent;

// The most bytes one array may decode or inflate to (32 M values of 64 bits), so that a zlib
// bomb or a lying array length cannot exhaust the memory.
constexpr std::size_t maxArrayBytes = std::size_t(256) << 20;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<long long> integerOf(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> doubleOf(std::string_view text) {
    return parseDecimal(trimmed(text));
}

// An attribute value with the XML entities resolved; an unknown entity stays as written.
std::string unescaped(std::string_view text) {
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
bool isTag(std::string_view text, std::size_t p, std::string_view name) {
    // Most tags differ from the name in the letter after "<" or "</": looked at before comparing.
    const std::size_t first = name.size() > 1 && name[1] == '/' ? 2 : 1;
    if (p + first >= text.size() || first >= name.size() || text[p + first] != name[first])
        return false;
    if (text.compare(p, name.size(), name) != 0) return false;
    const std::size_t after = p + name.size();
    return after >= text.size() || isBlank(text[after]) || text[after] == '>' || text[after] == '/';
}

// The next "<" at or after from that starts a tag, passing over comments; npos at the end.
std::size_t nextTag(std::string_view text, std::size_t from) {
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
bool isElementBoundary(std::string_view text, std::size_t p) {
    return isTag(text, p, "<spectrum") || isTag(text, p, "<chromatogram") ||
           isTag(text, p, "</spectrumList") || isTag(text, p, "</chromatogramList") ||
           isTag(text, p, "<chromatogramList");
}

// --- the terms of a head ----------------------------------------------------------------------

// What the start tag and the terms before the binary arrays of a spectrum or chromatogram say.
struct THead {
    std::size_t start = npos;  // of "<spectrum" or "<chromatogram"
    std::size_t end = npos;    // where its arrays (or its end) start; npos when the text ends
    std::string_view id;       // as written
    std::optional<long long> index;
    long long defaultArrayLength = 0;
    TSpectrumRow row;
    double isolationTarget = absent;
    bool chargeSet = false;
    bool emptyElement = false;  // "<spectrum .../>"
    TChromatogramKind kind = TChromatogramKind::Other;
};

// Seconds per unit of a time, by the unit's accession; an unstated unit is taken as seconds.
std::optional<double> secondsPerUnit(std::string_view unit) {
    if (unit.empty() || unit == "UO:0000010") return 1.0;
    if (unit == "UO:0000031") return 60.0;
    if (unit == "UO:0000032") return 3600.0;
    if (unit == "UO:0000028") return 0.001;
    return std::nullopt;
}

// Applies one term to the head. Precursor facts come from the first precursor: the first value
// of each term wins. A value that does not convert leaves the fact unstated.
void applyParam(THead& h, std::string_view accession, std::string_view value,
                std::string_view unit) {
    if (!accession.starts_with("MS:")) return;
    TSpectrumRow& r = h.row;
    // The terms are told apart by their number: one conversion instead of a comparison a term.
    const std::string_view digits = accession.substr(3);
    int a = 0;
    if (digits.size() != 7 ||
        std::from_chars(digits.data(), digits.data() + digits.size(), a).ptr !=
            digits.data() + digits.size())
        return;
    if (a == 1000511) {
        const auto level = integerOf(value);
        if (level && *level >= 0 && *level <= INT32_MAX) r.msLevel = static_cast<int>(*level);
    } else if (a == 1000016) {
        const auto time = doubleOf(value);
        const auto scale = secondsPerUnit(unit);
        if (std::isnan(r.retentionTime) && time && scale) r.retentionTime = *time * *scale;
    } else if (a == 1000744) {
        if (std::isnan(r.precursorMz)) r.precursorMz = doubleOf(value).value_or(absent);
    } else if (a == 1000827) {
        if (std::isnan(h.isolationTarget)) h.isolationTarget = doubleOf(value).value_or(absent);
    } else if (a == 1000041) {
        const auto charge = integerOf(value);
        if (!h.chargeSet && charge && *charge >= INT8_MIN && *charge <= INT8_MAX) {
            r.precursorCharge = static_cast<std::int8_t>(*charge);
            h.chargeSet = true;
        }
    } else if (a == 1000127) {
        r.peakMode = TPeakMode::Centroid;
    } else if (a == 1000128) {
        r.peakMode = TPeakMode::Profile;
    } else if (a == 1000130) {
        r.polarity = TPolarity::Positive;
    } else if (a == 1000129) {
        r.polarity = TPolarity::Negative;
    } else if (a == 1000285) {
        r.totIonCurrent = doubleOf(value).value_or(absent);
    } else if (a == 1000504) {
        r.basePeakMz = doubleOf(value).value_or(absent);
    } else if (a == 1000505) {
        r.basePeakIntensity = doubleOf(value).value_or(absent);
    } else if (a == 1000235) {
        h.kind = TChromatogramKind::Tic;
    } else if (a == 1000628) {
        h.kind = TChromatogramKind::Bpc;
    } else if (a == 1001473) {
        h.kind = TChromatogramKind::Srm;
    }
}

// A cvParam's accession, value and unit accession, read from its tag at p.
struct TParamTag {
    std::string_view accession, value, unit, name;
};
TParamTag readParamTag(std::string_view text, std::size_t p) {
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
std::string_view groupRefAt(std::string_view text, std::size_t p) {
    TStartTag tag(text, p, 27);
    while (const auto a = tag.next())
        if (a->first == "ref") return a->second;
    return {};
}

using TGroups = std::map<std::string, std::vector<TMzMlParam>, std::less<>>;

// The scan number of a native id: the digits after "scan=" at its start or after a blank.
std::optional<std::int32_t> scanNumberOf(std::string_view id) {
    for (std::size_t at = id.find("scan="); at != npos; at = id.find("scan=", at + 1)) {
        if (at > 0 && !isBlank(id[at - 1])) continue;
        const char* first = id.data() + at + 5;
        const char* last = id.data() + id.size();
        std::int32_t value = 0;
        const auto [end, error] = std::from_chars(first, last, value);
        if (error == std::errc() && end != first && (end == last || isBlank(*end))) return value;
    }
    return std::nullopt;
}

// Reads the head of the spectrum or chromatogram whose start tag is at p: its attributes and the
// terms up to its binary arrays or its end, group references resolved.
THead readHead(std::string_view text, std::size_t p, std::string_view name, const TGroups& groups) {
    THead h;
    h.start = p;
    TStartTag tag(text, p, name.size());
    while (const auto a = tag.next()) {
        if (a->first == "id") {
            h.id = a->second;
        } else if (a->first == "index") {
            h.index = integerOf(a->second);
        } else if (a->first == "defaultArrayLength") {
            const auto length = integerOf(a->second);
            if (length && *length >= 0) h.defaultArrayLength = *length;
        }
    }
    std::size_t pos = tag.skipRest();
    if (pos == npos) return h;
    if (tag.isEmptyElement()) {
        h.end = pos;
        h.emptyElement = true;
    } else {
        const std::string_view endTag = name == "<spectrum" ? "</spectrum" : "</chromatogram";
        while ((pos = nextTag(text, pos)) != npos) {
            if (isTag(text, pos, "<cvParam")) {
                const TParamTag param = readParamTag(text, pos);
                applyParam(h, param.accession, param.value, param.unit);
            } else if (isTag(text, pos, "<referenceableParamGroupRef")) {
                if (const auto g = groups.find(groupRefAt(text, pos)); g != groups.end())
                    for (const TMzMlParam& param : g->second)
                        applyParam(h, param.accession, param.value, param.unitAccession);
            } else if (isTag(text, pos, "<binaryDataArrayList") ||
                       isTag(text, pos, "<binaryDataArray") || isTag(text, pos, endTag) ||
                       isElementBoundary(text, pos)) {
                h.end = pos;
                break;
            }
            ++pos;
        }
    }
    if (!h.row.hasPrecursor()) h.row.precursorMz = h.isolationTarget;
    h.row.offset = p;
    h.row.peaksCount =
        static_cast<std::int32_t>(std::min<long long>(h.defaultArrayLength, INT32_MAX));
    return h;
}

constexpr std::string_view binaryClose = "</binary>";

std::optional<std::size_t> encodedLengthOf(std::string_view text) {
    const auto n = integerOf(text);
    if (!n || *n < 0) return std::nullopt;
    return static_cast<std::size_t>(*n);
}

// Where the Base64 text of a binary element whose content starts at content ends: its
// encodedLength on when "</binary>" stands there (no search through the data), else at the
// first "</binary>"; npos when the text ends first.
std::size_t binaryEnd(std::string_view text, std::size_t content,
                      std::optional<std::size_t> encodedLength) {
    if (encodedLength && *encodedLength <= text.size() - content &&
        text.compare(content + *encodedLength, binaryClose.size(), binaryClose) == 0)
        return content + *encodedLength;
    return text.find(binaryClose, content);
}

// From the end of a head, past the element's binary arrays and its end tag: each <binary> is
// passed over by its encodedLength when that lands on "</binary>", else by a search. Where the
// next element may start; npos when the text ends first. Stops before a start tag of the next
// element should the end tag be missing.
std::size_t skipArrays(std::string_view text, std::size_t pos, std::string_view name) {
    const std::string_view endTag = name == "<spectrum" ? "</spectrum" : "</chromatogram";
    std::optional<std::size_t> encodedLength;
    while ((pos = nextTag(text, pos)) != npos) {
        if (isTag(text, pos, "<binaryDataArray")) {
            TStartTag tag(text, pos, 16);
            encodedLength.reset();
            while (const auto a = tag.next())
                if (a->first == "encodedLength") encodedLength = encodedLengthOf(a->second);
            pos = tag.skipRest();
            if (pos == npos) return npos;
        } else if (isTag(text, pos, "<binary")) {
            TStartTag tag(text, pos, 7);
            const std::size_t content = tag.skipRest();
            if (content == npos) return npos;
            if (tag.isEmptyElement()) {
                pos = content;
                continue;
            }
            const std::size_t end = binaryEnd(text, content, encodedLength);
            if (end == npos) return npos;
            pos = end + binaryClose.size();
            encodedLength.reset();
        } else if (isTag(text, pos, endTag)) {
            const std::size_t gt = text.find('>', pos);
            return gt == npos ? npos : gt + 1;
        } else if (isElementBoundary(text, pos)) {
            return pos;
        } else {
            ++pos;
        }
    }
    return npos;
}

// --- binary arrays -------------------------------------------------------------------------

enum class TArrayKind { Other, Mz, Intensity, Time };
enum class TValueType { Unstated, Float32, Float64, Int32, Int64 };
enum class TNumpress { None, Linear, Pic, Slof };

struct TArray {
    TArrayKind kind = TArrayKind::Other;
    TValueType type = TValueType::Unstated;
    bool zlib = false;
    TNumpress numpress = TNumpress::None;
    std::string_view unknownCompression;      // accession of a compression not read
    std::string_view unknownCompressionName;  // and its name
    std::string_view unknownType;             // accession of a data type not read
    std::string_view timeUnit;
    std::optional<long long> arrayLength;
    std::size_t from = 0, to = 0;  // the Base64 text
};

void applyArrayParam(TArray& array, std::string_view accession, std::string_view name,
                     std::string_view unit) {
    const std::string_view a = accession.starts_with("MS:") ? accession.substr(3) : "";
    if (a == "1000514") {
        array.kind = TArrayKind::Mz;
    } else if (a == "1000515") {
        array.kind = TArrayKind::Intensity;
    } else if (a == "1000595") {
        array.kind = TArrayKind::Time;
        array.timeUnit = unit;
    } else if (a == "1000521") {
        array.type = TValueType::Float32;
    } else if (a == "1000523") {
        array.type = TValueType::Float64;
    } else if (a == "1000519") {
        array.type = TValueType::Int32;
    } else if (a == "1000522") {
        array.type = TValueType::Int64;
    } else if (a == "1000520") {
        array.unknownType = accession;  // 16-bit float
    } else if (a == "1000576") {
        // no compression
    } else if (a == "1000574") {
        array.zlib = true;
    } else if (a == "1002312" || a == "1002746") {
        array.numpress = TNumpress::Linear;
        array.zlib = array.zlib || a == "1002746";
    } else if (a == "1002313" || a == "1002747") {
        array.numpress = TNumpress::Pic;
        array.zlib = array.zlib || a == "1002747";
    } else if (a == "1002314" || a == "1002748") {
        array.numpress = TNumpress::Slof;
        array.zlib = array.zlib || a == "1002748";
    } else {
        // Any other compression term (the truncation terms MS:1003088 to MS:1003090 among
        // them) changes the bytes in a way this reader does not undo.
        std::string lower(name);
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        const bool truncation = a == "1003088" || a == "1003089" || a == "1003090";
        if ((truncation || lower.find("compression") != npos) && array.unknownCompression.empty()) {
            array.unknownCompression = accession;
            array.unknownCompressionName = name;
        }
    }
}

// An element's binary arrays, read from the end of its head; what() of errors is composed by
// the caller.
struct TArrays {
    std::vector<TArray> arrays;
    bool cut = false;  // the text ends inside them
};

TArrays readArrays(std::string_view text, std::size_t pos, std::string_view name,
                   const TGroups& groups) {
    const std::string_view endTag = name == "<spectrum" ? "</spectrum" : "</chromatogram";
    TArrays out;
    std::optional<std::size_t> encodedLength;
    TArray* current = nullptr;
    while ((pos = nextTag(text, pos)) != npos) {
        if (isTag(text, pos, "<binaryDataArray")) {
            out.arrays.emplace_back();
            current = &out.arrays.back();
            encodedLength.reset();
            TStartTag tag(text, pos, 16);
            while (const auto a = tag.next()) {
                if (a->first == "encodedLength")
                    encodedLength = encodedLengthOf(a->second);
                else if (a->first == "arrayLength")
                    current->arrayLength = integerOf(a->second);
            }
            pos = tag.skipRest();
            if (pos == npos) break;
        } else if (current && isTag(text, pos, "<cvParam")) {
            const TParamTag param = readParamTag(text, pos);
            applyArrayParam(*current, param.accession, param.name, param.unit);
            ++pos;
        } else if (current && isTag(text, pos, "<referenceableParamGroupRef")) {
            if (const auto g = groups.find(groupRefAt(text, pos)); g != groups.end())
                for (const TMzMlParam& param : g->second)
                    applyArrayParam(*current, param.accession, {}, param.unitAccession);
            ++pos;
        } else if (current && isTag(text, pos, "<binary")) {
            TStartTag tag(text, pos, 7);
            const std::size_t content = tag.skipRest();
            if (content == npos) break;
            current->from = current->to = content;
            pos = content;
            if (tag.isEmptyElement()) continue;
            current->to = binaryEnd(text, content, encodedLength);
            if (current->to == npos) break;
            pos = current->to + binaryClose.size();
        } else if (isTag(text, pos, endTag) || isElementBoundary(text, pos)) {
            return out;
        } else {
            ++pos;
        }
    }
    out.cut = true;
    return out;
}

// Raised by the decoding steps with what went wrong; the caller names the array and element.
struct TDecodeFault {
    std::string what;
};

constexpr std::array<std::int8_t, 256> base64Values = [] {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
    return values;
}();

// Strict Base64: blanks and line breaks are passed over, padding only at the end.
std::vector<std::uint8_t> base64Bytes(std::string_view text) {
    std::vector<std::uint8_t> out(text.size() / 4 * 3 + 3);
    std::uint8_t* o = out.data();
    std::uint32_t group = 0;
    int held = 0;
    int padding = 0;
    for (const char c : text) {
        const std::int8_t v = base64Values[static_cast<unsigned char>(c)];
        if (v < 0) {
            if (isBlank(c)) continue;
            if (c != '=') throw TDecodeFault{"is not Base64"};
            ++padding;
            continue;
        }
        if (padding > 0) throw TDecodeFault{"is not Base64"};
        group = (group << 6) | static_cast<std::uint32_t>(v);
        if (++held == 4) {
            *o++ = static_cast<std::uint8_t>(group >> 16);
            *o++ = static_cast<std::uint8_t>(group >> 8);
            *o++ = static_cast<std::uint8_t>(group);
            held = 0;
            group = 0;
        }
    }
    if (held == 1 || padding > 2 || (padding > 0 && held + padding != 4))
        throw TDecodeFault{"is not Base64 (it ends inside a group)"};
    if (held == 2) {
        *o++ = static_cast<std::uint8_t>(group >> 4);
    } else if (held == 3) {
        *o++ = static_cast<std::uint8_t>(group >> 10);
        *o++ = static_cast<std::uint8_t>(group >> 2);
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

// Inflates a zlib stream to at most limit bytes; a longer output is a fault, not cut. The
// output grows as it arrives (a lying length costs no memory up front).
std::vector<std::uint8_t> inflated(const std::vector<std::uint8_t>& compressed, std::size_t limit) {
    TInflated result =
        inflateBounded(compressed, limit, std::max<std::size_t>(compressed.size() * 8, 1 << 16));
    switch (result.fault) {
        case TInflated::TFault::None:
            break;
        case TInflated::TFault::Start:
            throw TDecodeFault{"cannot be inflated"};
        case TInflated::TFault::NotZlib:
            throw TDecodeFault{"is not valid zlib data"};
        case TInflated::TFault::Cut:
            throw TDecodeFault{"ends before its zlib stream does"};
    }
    if (result.bytes.size() > limit)
        throw TDecodeFault{"inflates to more than the " + groupedDigits(limit) +
                           " bytes its length allows"};
    return std::move(result.bytes);
}

// The most bytes an MS-Numpress stream of count values can take: linear and pic store a value
// in at most nine half-bytes (linear after a 16-byte start), slof in two bytes after 8.
std::size_t numpressBound(TNumpress numpress, std::size_t count) {
    switch (numpress) {
        case TNumpress::Linear:
            return 16 + 5 * count;
        case TNumpress::Pic:
            return 8 + 5 * count;
        case TNumpress::Slof:
            return 8 + 2 * count;
        case TNumpress::None:
            break;
    }
    return 0;
}

std::size_t valueBytes(TValueType type) {
    return type == TValueType::Float32 || type == TValueType::Int32 ? 4 : 8;
}

template <class TBits>
TBits littleEndian(const std::uint8_t* b) {
    TBits bits = 0;
    for (std::size_t i = sizeof(TBits); i-- > 0;) bits = static_cast<TBits>((bits << 8) | b[i]);
    return bits;
}

std::vector<double> numpressDecoded(TNumpress numpress, const std::vector<std::uint8_t>& bytes) {
    namespace np = ms::numpress::MSNumpress;
    if (bytes.empty()) return {};
    // The library writes up to two values per input byte for linear and pic, one per two bytes
    // for slof; the room is given uninitialised and only what it wrote is copied.
    const std::size_t room = 2 * bytes.size() + 16;
    const std::unique_ptr<double[]> values(new double[room]);
    // A few zero bytes beyond the data, should a corrupt stream make the library look ahead.
    std::vector<std::uint8_t> padded(bytes.size() + 16, 0);
    std::memcpy(padded.data(), bytes.data(), bytes.size());
    std::size_t n = 0;
    try {
        switch (numpress) {
            case TNumpress::Linear:
                if (bytes.size() < 8)
                    throw TDecodeFault{"is too short for MS-Numpress linear data"};
                n = np::decodeLinear(padded.data(), bytes.size(), values.get());
                break;
            case TNumpress::Pic:
                n = np::decodePic(padded.data(), bytes.size(), values.get());
                break;
            case TNumpress::Slof:
                if (bytes.size() < 8 || bytes.size() % 2 != 0)
                    throw TDecodeFault{"is not MS-Numpress slof data (length)"};
                n = np::decodeSlof(padded.data(), bytes.size(), values.get());
                break;
            case TNumpress::None:
                break;
        }
    } catch (const char* what) {
        throw TDecodeFault{std::string("is not valid MS-Numpress data (") + what + ")"};
    }
    if (n > room) throw TDecodeFault{"is not valid MS-Numpress data"};
    return std::vector<double>(values.get(), values.get() + n);
}

// The values of one array: exactly count of them, or a fault.
std::vector<double> arrayValues(std::string_view text, const TArray& array, std::size_t count) {
    const std::vector<std::uint8_t> encoded =
        base64Bytes(text.substr(array.from, array.to - array.from));
    if (count > maxArrayBytes)
        throw TDecodeFault{"states " + groupedDigits(count) +
                           " values, more than an array may hold"};
    std::size_t expectedBytes = 0;
    if (array.numpress != TNumpress::None) {
        expectedBytes = numpressBound(array.numpress, count);
    } else {
        if (array.type == TValueType::Unstated) throw TDecodeFault{"states no data type"};
        expectedBytes =
            count > maxArrayBytes / 8 ? maxArrayBytes + 1 : count * valueBytes(array.type);
    }
    if (expectedBytes > maxArrayBytes)
        throw TDecodeFault{"is longer than " + groupedDigits(maxArrayBytes) + " bytes"};
    std::vector<std::uint8_t> bytes = array.zlib ? inflated(encoded, expectedBytes) : encoded;

    std::vector<double> values;
    if (array.numpress != TNumpress::None) {
        if (bytes.size() > expectedBytes)
            throw TDecodeFault{"holds more MS-Numpress bytes than " + groupedDigits(count) +
                               " values can take"};
        values = numpressDecoded(array.numpress, bytes);
    } else {
        const std::size_t width = valueBytes(array.type);
        if (bytes.size() % width != 0)
            throw TDecodeFault{"decodes to " + groupedDigits(bytes.size()) +
                               " bytes, not a whole number of values"};
        values.resize(bytes.size() / width);
        const std::uint8_t* b = bytes.data();
        for (double& v : values) {
            switch (array.type) {
                case TValueType::Float32:
                    v = std::bit_cast<float>(littleEndian<std::uint32_t>(b));
                    break;
                case TValueType::Float64:
                    v = std::bit_cast<double>(littleEndian<std::uint64_t>(b));
                    break;
                case TValueType::Int32:
                    v = static_cast<double>(
                        static_cast<std::int32_t>(littleEndian<std::uint32_t>(b)));
                    break;
                case TValueType::Int64:
                    v = static_cast<double>(
                        static_cast<std::int64_t>(littleEndian<std::uint64_t>(b)));
                    break;
                case TValueType::Unstated:
                    break;
            }
            b += width;
        }
    }
    if (values.size() != count)
        throw TDecodeFault{"holds " + groupedDigits(values.size()) + " values, " +
                           groupedDigits(count) + " expected"};
    return values;
}

const char* arrayName(TArrayKind kind) {
    switch (kind) {
        case TArrayKind::Mz:
            return "m/z array";
        case TArrayKind::Intensity:
            return "intensity array";
        case TArrayKind::Time:
            return "time array";
        case TArrayKind::Other:
            break;
    }
    return "array";
}

TMappedFile mapped(const std::string& fileName) {
    try {
        return TMappedFile(fileName);
    } catch (const EMappedFileError& e) {
        throw EMzMlError(e.what());
    }
}

// The number in "<indexListOffset>N</indexListOffset>" near the end of the text.
std::optional<std::optional<std::uint64_t>> indexListOffsetOf(std::string_view text) {
    constexpr std::string_view tag = "<indexListOffset>";
    // Only the tail is searched: a file without an index must not cost a backward search.
    const std::size_t tailFrom = text.size() > 4096 ? text.size() - 4096 : 0;
    std::size_t at = text.substr(tailFrom).rfind(tag);
    if (at == npos) return std::nullopt;
    at += tailFrom;
    const std::size_t from = at + tag.size();
    const std::size_t to = text.find('<', from);
    const auto value = integerOf(text.substr(from, to == npos ? npos : to - from));
    if (!value || *value < 0) return std::optional<std::uint64_t>();
    return std::optional<std::uint64_t>(static_cast<std::uint64_t>(*value));
}

// The position of the tag name within slip bytes of offset, the exact one first.
std::optional<std::size_t> tagNear(std::string_view text, std::uint64_t offset,
                                   std::string_view name) {
    if (offset >= text.size()) return std::nullopt;
    const auto p = static_cast<std::size_t>(offset);
    if (isTag(text, p, name)) return p;
    for (std::size_t d = 1; d <= TMzMlRunReader::indexSlipBytes; ++d) {
        if (p >= d && isTag(text, p - d, name)) return p - d;
        if (p + d < text.size() && isTag(text, p + d, name)) return p + d;
    }
    return std::nullopt;
}

struct TIndexEntry {
    std::string_view idRef;
    std::uint64_t offset = 0;
};

}  // namespace

// --- the reader --------------------------------------------------------------------------------

TMzMlRunReader::TMzMlRunReader(const std::string& fileName, const TRunProgress& progress)
    : TMzMlRunReader(mapped(fileName), {}, fileName, progress) {}

TMzMlRunReader::TMzMlRunReader(TMappedFile file, const std::string& fileName,
                               const TRunProgress& progress)
    : TMzMlRunReader(std::move(file), {}, fileName, progress) {}

TMzMlRunReader::TMzMlRunReader(TMappedFile file, std::string heldText, std::string sourceName,
                               const TRunProgress& progress)
    : m_file(std::move(file)), m_heldText(std::move(heldText)), m_fileName(std::move(sourceName)) {
    const std::string_view t = text();
    // The header ends where the spectrum list starts (the chromatogram list in a run of
    // chromatograms only).
    std::size_t headerEnd = 0;
    for (std::size_t p = nextTag(t, 0); p != npos; p = nextTag(t, p + 1)) {
        if (isTag(t, p, "<mzML")) m_hasRunHeader = true;
        if (isTag(t, p, "<spectrumList") || isTag(t, p, "<chromatogramList") ||
            isTag(t, p, "<spectrum") || isTag(t, p, "<chromatogram")) {
            headerEnd = p;
            break;
        }
        headerEnd = p;
    }
    if (isTag(t, headerEnd, "<spectrumList")) {
        TStartTag tag(t, headerEnd, 13);
        while (const auto a = tag.next())
            if (a.value().first == "count")
                if (const auto n = integerOf(a->second); n && *n >= 0 && *n <= INT32_MAX)
                    m_scanCount = static_cast<int>(*n);
    }
    readHeader(headerEnd);
    if (!readThroughIndex(progress)) readByPass(progress);
    if (!m_hasRunHeader && m_rows.empty() && m_chromatograms.empty())
        throw EMzMlError("Cannot read " + inQuotes(m_fileName) + ": it holds no mzML run.");
}

TMzMlRunReader TMzMlRunReader::fromText(std::string text, const std::string& sourceName) {
    return TMzMlRunReader(TMappedFile(), std::move(text), sourceName, {});
}

void TMzMlRunReader::cancelled() const {
    throw ERunCancelled("The reading of " + inQuotes(m_fileName) + " was cancelled.");
}

std::string_view TMzMlRunReader::text() const {
    return m_heldText.empty() ? m_file.text() : std::string_view(m_heldText);
}

// The referenceable param groups, parsed as XML from their list in the header only.
namespace {

// The element named list in header, from its start tag to its end tag, as a document of its own:
// the header is never parsed whole. Empty when it is not there or not well-formed.
pugi::xml_document headerList(std::string_view header, std::string_view list) {
    pugi::xml_document doc;
    const std::string start = "<" + std::string(list);
    std::size_t from = npos;
    for (std::size_t p = nextTag(header, 0); p != npos; p = nextTag(header, p + 1))
        if (isTag(header, p, start)) {
            from = p;
            break;
        }
    if (from == npos) return doc;
    const std::string close = "</" + std::string(list) + ">";
    const std::size_t to = header.find(close, from);
    if (to == npos) return doc;
    const std::string_view part = header.substr(from, to + close.size() - from);
    if (!doc.load_buffer(part.data(), part.size(), pugi::parse_default, pugi::encoding_utf8))
        doc.reset();
    return doc;
}

}  // namespace

void TMzMlRunReader::readHeader(std::size_t headerEnd) {
    const std::string_view header = text().substr(0, headerEnd);
    const pugi::xml_document groups = headerList(header, "referenceableParamGroupList");
    for (const pugi::xml_node group : groups.first_child().children("referenceableParamGroup")) {
        std::vector<TMzMlParam>& params = m_paramGroups[group.attribute("id").value()];
        for (const pugi::xml_node param : group.children("cvParam"))
            params.push_back(
                {param.attribute("accession").value(), param.attribute("value").value(),
                 param.attribute("unitAccession").value(), param.attribute("name").value()});
    }

    // The model is the term of the first configuration, given there or through a group, that
    // names something without a value (the serial number has one).
    const pugi::xml_document instruments = headerList(header, "instrumentConfigurationList");
    if (const pugi::xml_node first = instruments.first_child().child("instrumentConfiguration")) {
        std::vector<TMzMlParam> terms;
        for (const pugi::xml_node node : first.children()) {
            if (std::string_view(node.name()) == "cvParam")
                terms.push_back({node.attribute("accession").value(),
                                 node.attribute("value").value(),
                                 {},
                                 node.attribute("name").value()});
            if (std::string_view(node.name()) == "referenceableParamGroupRef")
                if (const auto group = m_paramGroups.find(node.attribute("ref").value());
                    group != m_paramGroups.end())
                    terms.insert(terms.end(), group->second.begin(), group->second.end());
        }
        for (const TMzMlParam& term : terms)
            if (term.value.empty() && !term.name.empty()) {
                m_description.instrument = term.name;
                break;
            }
    }
    const pugi::xml_document software = headerList(header, "softwareList");
    for (const pugi::xml_node entry : software.first_child().children("software")) {
        const pugi::xml_node term = entry.child("cvParam");
        std::string name = term ? term.attribute("name").value() : entry.attribute("id").value();
        if (const std::string version = entry.attribute("version").value(); !version.empty())
            name += " " + version;
        m_description.software.push_back(std::move(name));
    }
    for (std::size_t p = nextTag(header, 0); p != npos; p = nextTag(header, p + 1))
        if (isTag(header, p, "<run")) {
            const std::size_t end = header.find('>', p);
            const std::string_view tag = header.substr(p, end == npos ? npos : end - p);
            constexpr std::string_view key = "startTimeStamp=\"";
            if (const std::size_t at = tag.find(key); at != npos) {
                const std::size_t from = at + key.size();
                const std::size_t to = tag.find('"', from);
                if (to != npos) m_description.startTime = std::string(tag.substr(from, to - from));
            }
            break;
        }
}

// The rows through the index, each offset checked to land on the element its idRef names (a few
// bytes either way); false, with a message when an index was there, on the first fault.
bool TMzMlRunReader::readThroughIndex(const TRunProgress& progress) {
    const std::string_view t = text();
    std::string fault;
    const auto done = [&](bool used) {
        if (!used) {
            m_rows.clear();
            m_chromatograms.clear();
            if (!fault.empty())
                m_messages.push_back("The index of " + inQuotes(m_fileName) + " is wrong (" +
                                     fault +
                                     "); its spectra were found by reading the whole file.");
        }
        m_indexUsed = used;
        return used;
    };

    const auto listOffset = indexListOffsetOf(t);
    if (!listOffset) return done(false);
    if (!*listOffset) {
        fault = "its indexListOffset is not a number";
        return done(false);
    }
    const auto list = tagNear(t, **listOffset, "<indexList");
    if (!list) {
        fault = "indexListOffset " + groupedDigits(**listOffset) + " does not point at the index";
        return done(false);
    }

    std::vector<TIndexEntry> spectra, chromatograms;
    std::vector<TIndexEntry>* current = nullptr;
    for (std::size_t p = nextTag(t, *list + 1); p != npos; p = nextTag(t, p + 1)) {
        if (isTag(t, p, "</indexList")) break;
        if (isTag(t, p, "<index")) {
            TStartTag tag(t, p, 6);
            current = nullptr;
            while (const auto a = tag.next())
                if (a->first == "name")
                    current = a->second == "spectrum"       ? &spectra
                              : a->second == "chromatogram" ? &chromatograms
                                                            : nullptr;
        } else if (current && isTag(t, p, "<offset")) {
            TStartTag tag(t, p, 7);
            TIndexEntry entry;
            while (const auto a = tag.next())
                if (a->first == "idRef") entry.idRef = a->second;
            const std::size_t from = tag.skipRest();
            const std::size_t to = from == npos ? npos : t.find('<', from);
            const auto value = to == npos ? std::nullopt : integerOf(t.substr(from, to - from));
            if (!value || *value < 0) {
                fault = "an offset is not a number";
                return done(false);
            }
            entry.offset = static_cast<std::uint64_t>(*value);
            current->push_back(entry);
        }
    }
    if (m_scanCount != static_cast<int>(spectra.size()) && (m_scanCount > 0 || !spectra.empty())) {
        fault = "it lists " + groupedDigits(spectra.size()) + " spectra, the spectrum list " +
                groupedDigits(static_cast<std::uint64_t>(m_scanCount));
        return done(false);
    }
    // The chromatogram list ends just before the run does, right before the index: an index
    // without chromatograms must not hide those the file holds.
    if (chromatograms.empty()) {
        const std::size_t nearFrom = *list > 4096 ? *list - 4096 : 0;
        if (t.substr(nearFrom, *list - nearFrom).find("</chromatogramList") != npos) {
            fault = "it lists no chromatograms, the file holds some";
            return done(false);
        }
    }

    // Each offset lands on its element (a few bytes either way), after the one before and before
    // the index; the element has the id the entry names and, when numbered, the next number.
    // The spectra are placed in chunks on every core; the first fault in file order is the one
    // told, as one pass from the start would tell it.
    std::optional<long long> firstNumber;
    const auto faultAt = [](const TIndexEntry& entry, std::string_view name) {
        return "the offset of " +
               std::string(name == "<spectrum" ? "spectrum " : "chromatogram ") +
               inQuotes(unescaped(entry.idRef)) + " does not point at it";
    };
    const auto place = [&](const TIndexEntry& entry, std::string_view name, std::size_t i,
                           std::size_t previous) -> std::optional<THead> {
        const auto at = tagNear(t, entry.offset, name);
        std::optional<THead> head;
        if (at && *at < *list && (i == 0 || *at > previous))
            head = readHead(t, *at, name, m_paramGroups);
        if (!head || head->end == npos || head->id != entry.idRef ||
            (head->index && firstNumber &&
             static_cast<unsigned long long>(*head->index) -
                     static_cast<unsigned long long>(*firstNumber) !=
                 i))
            return std::nullopt;
        return head;
    };
    if (!spectra.empty()) {
        const auto first = place(spectra[0], "<spectrum", 0, 0);
        if (!first) {
            fault = faultAt(spectra[0], "<spectrum");
            return done(false);
        }
        firstNumber = first->index;
    }
    m_rows.resize(spectra.size());
    // Per chunk: where its first fault is (npos for none).
    constexpr std::size_t rowsPerChunk = 2048;
    std::vector<std::size_t> faults(std::max(1u, std::thread::hardware_concurrency()), npos);
    // Only the first chunk, on this thread, tells the progress; the others look for its verdict.
    std::atomic<bool> givenUp = false;
    const std::vector<std::size_t> bounds = forEachChunk(
        spectra.size(), rowsPerChunk, [&](std::size_t begin, std::size_t end, std::size_t chunk) {
            // Order within the chunk is checked here, across chunks below.
            std::size_t previous = 0;
            for (std::size_t i = begin; i < end; ++i) {
                if ((i - begin) % 256 == 0) {
                    if (chunk == 0 && progress &&
                        !progress(static_cast<double>(i) / static_cast<double>(end)))
                        givenUp = true;
                    if (givenUp) return;
                }
                auto head = place(spectra[i], "<spectrum", i, i == begin ? 0 : previous);
                if (!head) {
                    faults[chunk] = i;
                    return;
                }
                previous = head->start;
                head->row.scanNumber =
                    scanNumberOf(head->id).value_or(static_cast<std::int32_t>(i + 1));
                m_rows[i] = head->row;
            }
        });
    if (givenUp) cancelled();
    std::size_t firstFault = npos;
    for (std::size_t c = 0; c + 1 < bounds.size(); ++c) {
        const std::size_t begin = bounds[c];
        if (begin > 0 && begin < bounds[c + 1] && m_rows[begin].offset <= m_rows[begin - 1].offset)
            firstFault = std::min(firstFault, begin);
        firstFault = std::min(firstFault, faults[c]);
    }
    if (firstFault != npos) {
        fault = faultAt(spectra[firstFault], "<spectrum");
        return done(false);
    }
    std::size_t previous = m_rows.empty() ? 0 : static_cast<std::size_t>(m_rows.back().offset);
    for (std::size_t i = 0; i < chromatograms.size(); ++i) {
        // Chromatograms are numbered from their own first one.
        if (i == 0) firstNumber.reset();
        const auto head = place(chromatograms[i], "<chromatogram", i, previous);
        if (!head) {
            fault = faultAt(chromatograms[i], "<chromatogram");
            return done(false);
        }
        if (i == 0) firstNumber = head->index;
        previous = head->start;
        m_chromatograms.push_back({head->start, head->row.peaksCount, head->kind});
    }
    return done(true);
}

// One pass from the start of the run: each spectrum's and chromatogram's head is read, its
// binary arrays passed over by their encodedLength.
void TMzMlRunReader::readByPass(const TRunProgress& progress) {
    const std::string_view t = text();
    std::size_t pos = nextTag(t, 0);
    std::size_t elements = 0;
    while (pos != npos) {
        const bool spectrum = isTag(t, pos, "<spectrum");
        if (!spectrum && !isTag(t, pos, "<chromatogram")) {
            if (isTag(t, pos, "<indexList") || isTag(t, pos, "</mzML")) break;
            pos = nextTag(t, pos + 1);
            continue;
        }
        if (progress && ++elements % 256 == 0 &&
            !progress(static_cast<double>(pos) / static_cast<double>(t.size())))
            cancelled();
        const std::string_view name = spectrum ? "<spectrum" : "<chromatogram";
        const THead head = readHead(t, pos, name, m_paramGroups);
        const auto endsInside = [&] {
            m_messages.push_back(inQuotes(m_fileName) + " ends inside " +
                                 (spectrum ? "spectrum " : "chromatogram ") +
                                 inQuotes(unescaped(head.id)) + "; the run is read up to it.");
        };
        if (head.end == npos) {
            endsInside();
            break;
        }
        if (spectrum) {
            TSpectrumRow row = head.row;
            row.scanNumber =
                scanNumberOf(head.id).value_or(static_cast<std::int32_t>(m_rows.size() + 1));
            m_rows.push_back(row);
        } else {
            m_chromatograms.push_back({head.start, head.row.peaksCount, head.kind});
        }
        const std::size_t next = head.emptyElement ? head.end : skipArrays(t, head.end, name);
        if (next == npos) {
            endsInside();
            break;
        }
        pos = nextTag(t, next);
    }
}

std::string TMzMlRunReader::idAt(std::uint64_t offset) const {
    const std::string_view t = text();
    const auto p = static_cast<std::size_t>(offset);
    const std::size_t nameLength = t.compare(p, 9, "<spectrum") == 0 ? 9 : 13;
    TStartTag tag(t, p, nameLength);
    while (const auto a = tag.next())
        if (a->first == "id") return unescaped(a->second);
    return {};
}

std::string TMzMlRunReader::nativeId(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_rows.size())
        throw std::out_of_range("no spectrum " + std::to_string(index) + " in " +
                                inQuotes(m_fileName));
    return idAt(m_rows[static_cast<std::size_t>(index)].offset);
}

std::string TMzMlRunReader::chromatogramId(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_chromatograms.size())
        throw std::out_of_range("no chromatogram " + std::to_string(index) + " in " +
                                inQuotes(m_fileName));
    return idAt(m_chromatograms[static_cast<std::size_t>(index)].offset);
}

namespace {

// The (x, y) pairs of the element whose start tag is at offset: x from the array of kind xKind
// (times scaled to seconds), y from the intensity array. what names the element in errors.
std::vector<TFloatPointRec> loadPairs(std::string_view t, std::uint64_t offset,
                                      std::string_view name, const TGroups& groups,
                                      const std::string& fileName, TArrayKind xKind) {
    const THead head = readHead(t, static_cast<std::size_t>(offset), name, groups);
    const std::string what =
        (name == "<spectrum" ? "spectrum " : "chromatogram ") + inQuotes(unescaped(head.id));
    const auto fail = [&](const std::string& fault) {
        throw EMzMlError("Cannot read " + what + " of " + inQuotes(fileName) + ": " + fault + ".");
    };
    if (head.end == npos) fail("the file ends inside it");
    const TArrays arrays = head.emptyElement ? TArrays{} : readArrays(t, head.end, name, groups);
    if (arrays.cut) fail("the file ends inside it");

    std::vector<double> xs, ys;
    bool hasX = false, hasY = false;
    for (const TArray& array : arrays.arrays) {
        if (array.kind != xKind && array.kind != TArrayKind::Intensity) continue;
        std::vector<double>& values = array.kind == xKind ? xs : ys;
        (array.kind == xKind ? hasX : hasY) = true;
        const std::string arrayWhat = std::string("its ") + arrayName(array.kind);
        if (!array.unknownCompression.empty())
            fail(arrayWhat + " uses the compression " + std::string(array.unknownCompression) +
                 (array.unknownCompressionName.empty()
                      ? std::string()
                      : " (" + std::string(array.unknownCompressionName) + ")") +
                 ", which cannot be decoded");
        if (!array.unknownType.empty() && array.numpress == TNumpress::None)
            fail(arrayWhat + " uses the data type " + std::string(array.unknownType) +
                 ", which cannot be decoded");
        const long long count = array.arrayLength.value_or(head.defaultArrayLength);
        if (count < 0) fail(arrayWhat + " states a negative length");
        try {
            values = arrayValues(t, array, static_cast<std::size_t>(count));
        } catch (const TDecodeFault& f) {
            fail(arrayWhat + " " + f.what);
        }
        if (array.kind == TArrayKind::Time) {
            const auto scale = secondsPerUnit(array.timeUnit);
            if (!scale)
                fail(arrayWhat + " has the unit " + std::string(array.timeUnit) + ", not a time");
            if (*scale != 1.0)
                for (double& v : values) v *= *scale;
        }
    }
    if (!hasX && head.defaultArrayLength > 0) fail(std::string("it has no ") + arrayName(xKind));
    if (!hasY && head.defaultArrayLength > 0) fail("it has no intensity array");
    if (xs.size() != ys.size())
        fail("its arrays hold " + groupedDigits(xs.size()) + " and " + groupedDigits(ys.size()) +
             " values");
    std::vector<TFloatPointRec> points;
    points.reserve(xs.size());
    for (std::size_t i = 0; i < xs.size(); ++i)
        if (std::isfinite(xs[i]) && std::isfinite(ys[i])) points.push_back({xs[i], ys[i]});
    return points;
}

}  // namespace

std::vector<TFloatPointRec> TMzMlRunReader::loadSpectrum(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_rows.size())
        throw std::out_of_range("no spectrum " + std::to_string(index) + " in " +
                                inQuotes(m_fileName));
    return loadPairs(text(), m_rows[static_cast<std::size_t>(index)].offset, "<spectrum",
                     m_paramGroups, m_fileName, TArrayKind::Mz);
}

std::vector<TFloatPointRec> TMzMlRunReader::loadChromatogram(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_chromatograms.size())
        throw std::out_of_range("no chromatogram " + std::to_string(index) + " in " +
                                inQuotes(m_fileName));
    return loadPairs(text(), m_chromatograms[static_cast<std::size_t>(index)].offset,
                     "<chromatogram", m_paramGroups, m_fileName, TArrayKind::Time);
}
