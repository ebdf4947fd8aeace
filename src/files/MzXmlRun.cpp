// The mzXML run reader: a text scanner over the run, the attribute reader, the pass over every
// scan's tags and the decoding of peak data (Base64, optionally zlib, 32- or 64-bit values in
// either byte order and either pair order).
#include "files/MzXmlRun.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "files/FileFormat.h"
#include "files/Inflate.h"
#include "files/MessageNumbers.h"
#include "model/Base64.h"
#include "model/DecimalText.h"

namespace {

// A set of bytes, tested with one table look-up.
class TCharSet {
public:
    constexpr explicit TCharSet(std::string_view chars) {
        for (const char c : chars) m_in[static_cast<unsigned char>(c)] = true;
    }
    constexpr bool contains(char c) const { return m_in[static_cast<unsigned char>(c)]; }

private:
    std::array<bool, 256> m_in{};
};

// The scanner sees the run as one text, so a line break separates attributes as a blank does:
// start tags and peak data may span lines.
constexpr TCharSet blank(" \t\r\n");
// Where an attribute name ends; a tab or a line break before "=" is allowed by XML.
constexpr TCharSet nameEnd(" \t\r\n=>/");
// Where an unquoted value ends.
constexpr TCharSet valueEnd(" \t\r\n>");
constexpr TCharSet base64Alphabet(
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");

// ASCII letters compared without case; wanted is in lower case.
bool sameName(std::string_view name, std::string_view wanted) {
    if (name.size() != wanted.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != wanted[i]) return false;
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A character as a message shows it: printable ASCII in quotes, anything else by its code.
std::string shownChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u > 32 && u < 127) return inQuotes(std::string_view(&c, 1));
    static constexpr char hex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + hex[u >> 4] + hex[u & 15];
}

// How a start tag ended: with ">", with "/>" (no content), or with the end of the text.
enum class TTagEnd { Open, Empty, Text };

struct TAttribute {
    std::string_view name;  // as written; compared without case
    std::string_view value;
};

// Searches over the run's text and the reading of start tags. Every search starts at a position
// and answers the position of its match, or nullopt when the text ends first; nothing is copied.
// Each call of readAttribute moves the position forward or ends the tag, so no input can make
// the reader loop, and the searches together pass over the text about once.
class TRunScanner {
public:
    explicit TRunScanner(std::string_view text) : m_text(text) {}

    std::size_t pos() const { return m_pos; }
    void setPos(std::size_t p) { m_pos = std::min(p, m_text.size()); }
    TTagEnd tagEnd() const { return m_tagEnd; }
    std::size_t textSize() const { return m_text.size(); }
    std::string_view slice(std::size_t from, std::size_t to) const {
        return m_text.substr(from, to - from);
    }

    // --- the three primitives -------------------------------------------------------------
    std::optional<std::size_t> findPattern(std::string_view pattern, std::size_t from) const {
        if (from >= m_text.size()) return std::nullopt;
        const std::size_t p = m_text.find(pattern, from);
        if (p == std::string_view::npos) return std::nullopt;
        return p;
    }
    std::optional<std::size_t> findCharIn(const TCharSet& set, std::size_t from) const {
        for (std::size_t p = from; p < m_text.size(); ++p)
            if (set.contains(m_text[p])) return p;
        return std::nullopt;
    }
    std::optional<std::size_t> findCharNotIn(const TCharSet& set, std::size_t from) const {
        for (std::size_t p = from; p < m_text.size(); ++p)
            if (!set.contains(m_text[p])) return p;
        return std::nullopt;
    }

    // --- tags -------------------------------------------------------------------------------
    // Whether the element name starts a tag at p ("<" + name, then a blank, ">", "/" or the
    // end): "<scan" is not taken from "<scanOrigin".
    bool isTag(std::size_t p, std::string_view name) const {
        if (m_text.compare(p, name.size(), name) != 0) return false;
        const std::size_t after = p + name.size();
        return after >= m_text.size() || blank.contains(m_text[after]) || m_text[after] == '>' ||
               m_text[after] == '/';
    }
    // The next start tag of the element name ("<scan") at or after from.
    std::optional<std::size_t> findTag(std::string_view name, std::size_t from) const {
        while (const auto p = findPattern(name, from)) {
            if (isTag(*p, name)) return p;
            from = *p + 1;
        }
        return std::nullopt;
    }
    // The first tag at or after from that is one of names; the index of the name with it.
    std::optional<std::pair<std::size_t, std::size_t>> findFirstTag(
        std::initializer_list<std::string_view> names, std::size_t from) const {
        while (const auto p = findPattern("<", from)) {
            std::size_t i = 0;
            for (const std::string_view name : names) {
                if (isTag(*p, name)) return std::pair{*p, i};
                ++i;
            }
            from = *p + 1;
        }
        return std::nullopt;
    }

    // The next attribute of the start tag the position is in; nullopt when the tag ends, with
    // the position on its ">" (on the end of the text when it ends first). Values in double or
    // single quotes, or unquoted up to a blank or ">"; a name without "=" has an empty value.
    std::optional<TAttribute> readAttribute() {
        const auto p = findCharNotIn(blank, m_pos);
        if (!p) return endTag(TTagEnd::Text, m_text.size());
        if (m_text[*p] == '>') return endTag(TTagEnd::Open, *p);
        if (m_text[*p] == '/' && *p + 1 < m_text.size() && m_text[*p + 1] == '>')
            return endTag(TTagEnd::Empty, *p + 1);
        const auto e = findCharIn(nameEnd, *p + 1);
        if (!e) return endTag(TTagEnd::Text, m_text.size());
        TAttribute attribute{slice(*p, *e), {}};
        auto v = findCharNotIn(blank, *e);
        if (!v) return endTag(TTagEnd::Text, m_text.size());
        if (m_text[*v] != '=') {
            m_pos = *v;
            return attribute;
        }
        v = findCharNotIn(blank, *v + 1);
        if (!v) return endTag(TTagEnd::Text, m_text.size());
        const char quote = m_text[*v];
        if (quote == '"' || quote == '\'') {
            const auto close = findPattern(std::string_view(&quote, 1), *v + 1);
            if (!close) return endTag(TTagEnd::Text, m_text.size());
            attribute.value = slice(*v + 1, *close);
            m_pos = *close + 1;
            return attribute;
        }
        std::size_t stop = findCharIn(valueEnd, *v).value_or(m_text.size());
        // "name=value/>": the slash belongs to the tag end.
        if (stop > *v && stop < m_text.size() && m_text[stop - 1] == '/' && m_text[stop] == '>')
            --stop;
        attribute.value = slice(*v, stop);
        m_pos = stop;
        return attribute;
    }

private:
    std::nullopt_t endTag(TTagEnd how, std::size_t p) {
        m_tagEnd = how;
        m_pos = p;
        return std::nullopt;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    TTagEnd m_tagEnd = TTagEnd::Open;
};

// An IEEE 754 value of Bytes bytes (4 or 8) stored most significant byte first when BigEndian,
// else last.
template <std::size_t Bytes, bool BigEndian>
double storedValue(const std::uint8_t* b) {
    using TBits = std::conditional_t<Bytes == 4, std::uint32_t, std::uint64_t>;
    using TValue = std::conditional_t<Bytes == 4, float, double>;
    TBits bits = 0;
    for (std::size_t i = 0; i < Bytes; ++i) bits = (bits << 8) | b[BigEndian ? i : Bytes - 1 - i];
    return std::bit_cast<TValue>(bits);
}

// Appends the pairs of bytes to peaks as (m/z, intensity), leaving out those holding NaN or an
// infinity; how many were left out.
template <std::size_t Bytes, bool BigEndian>
std::size_t appendPairs(const std::vector<std::uint8_t>& bytes, bool intensityFirst,
                        std::vector<TFloatPointRec>& peaks) {
    std::size_t leftOut = 0;
    for (std::size_t at = 0; at + 2 * Bytes <= bytes.size(); at += 2 * Bytes) {
        const double first = storedValue<Bytes, BigEndian>(bytes.data() + at);
        const double second = storedValue<Bytes, BigEndian>(bytes.data() + at + Bytes);
        const TFloatPointRec p =
            intensityFirst ? TFloatPointRec{second, first} : TFloatPointRec{first, second};
        if (std::isfinite(p.x) && std::isfinite(p.y))
            peaks.push_back(p);
        else
            ++leftOut;
    }
    return leftOut;
}

// How a scan's peak data stores its values, from the attributes of its peaks element.
struct TValueLayout {
    std::size_t valueBytes = 4;
    bool bigEndian = true;
    bool intensityFirst = false;

    std::size_t pairBytes() const { return 2 * valueBytes; }
};

// What a scan's start tag, its peaks tag and the text between them say; views into the run.
struct TScanParts {
    std::size_t start = 0;  // of "<scan"
    bool numbered = false;  // "num" was read
    int num = 0;
    int msLevel = 0;
    int peaksCount = 0;
    std::string_view retentionTime;
    double startMz = 0.0;
    double endMz = 0.0;
    std::optional<double> basePeakMz;
    std::optional<double> basePeakIntensity;
    std::optional<double> totIonCurrent;
    std::string_view centroided;
    std::string_view polarity;
    int precision = 0;
    std::string_view compressionType;
    std::string_view byteOrder;
    std::string_view pairOrder;
    std::string_view contentType;
    std::string_view compressedLen;  // bytes of compressed peak data, as some writers state it
    // From the end of the start tag to the tag that follows it (the peaks, or the start or end of
    // another scan): where the precursors stand. Empty for a tag without content.
    std::size_t contentFrom = 0;
    std::size_t contentTo = 0;
    enum class TPeaks { None, Empty, Data } peaks = TPeaks::None;
    std::size_t dataFrom = 0;  // the peak text, when peaks is Data
    std::size_t dataTo = 0;

    // How messages name the scan: by its number once its "num" is read, else by where it starts.
    std::string owner() const {
        if (numbered) return "scan " + std::to_string(num);
        return "the scan at byte " + groupedDigits(start);
    }
};

// Reads the tags of one run and decodes peak data; errors name the file and, where there is
// one, the scan.
class TScanReader {
public:
    TScanReader(std::string_view text, const std::string& sourceName)
        : m_scanner(text), m_shownName(inQuotes(sourceName)) {}

    TRunScanner& scanner() { return m_scanner; }

    [[noreturn]] void fail(const std::string& what) const {
        throw EMzXmlError("Cannot read " + m_shownName + ": " + what + ".");
    }

    int toInt(const TAttribute& a, const std::string& owner) const {
        const std::string_view text = trimmed(a.value);
        const char* first = text.data();
        const char* last = first + text.size();
        if (first != last && *first == '+') ++first;
        int value = 0;
        const auto [end, error] = std::from_chars(first, last, value);
        if (text.empty() || error != std::errc() || end != last)
            fail(inQuotes(a.value) + " is not a valid integer value (attribute " +
                 inQuotes(a.name) + " of " + owner + ")");
        return value;
    }
    double toDouble(const TAttribute& a, const std::string& owner) const {
        const auto value = parseDecimal(trimmed(a.value));
        if (!value)
            fail(inQuotes(a.value) + " is not a valid floating point value (attribute " +
                 inQuotes(a.name) + " of " + owner + ")");
        return *value;
    }

    // The scan whose start tag is at start: its attributes, those of its peaks element and where
    // its parts lie. Leaves the scanner where the search for the next scan starts. A scan that
    // starts or ends before a peaks element has no peaks, and must not take the next one's. A
    // text that ends inside the start tag, before any peaks, scan or end tag follows it, or
    // inside the peaks element is a run cut short. Without throughData the peak data is not
    // passed over: dataTo stays 0 and the scanner is left where the data starts.
    void readScan(std::size_t start, TScanParts& scan, bool throughData = true) {
        TRunScanner& s = m_scanner;
        scan.start = start;
        s.setPos(start + 5);
        while (const auto a = s.readAttribute()) {
            if (sameName(a->name, "num")) {
                scan.num = toInt(*a, scan.owner());
                scan.numbered = true;
            } else if (sameName(a->name, "mslevel")) {
                scan.msLevel = toInt(*a, scan.owner());
            } else if (sameName(a->name, "peakscount")) {
                scan.peaksCount = toInt(*a, scan.owner());
            } else if (sameName(a->name, "retentiontime")) {
                scan.retentionTime = a->value;
            } else if (sameName(a->name, "startmz")) {
                scan.startMz = toDouble(*a, scan.owner());
            } else if (sameName(a->name, "endmz")) {
                scan.endMz = toDouble(*a, scan.owner());
            } else if (sameName(a->name, "basepeakmz")) {
                scan.basePeakMz = toDouble(*a, scan.owner());
            } else if (sameName(a->name, "basepeakintensity")) {
                scan.basePeakIntensity = toDouble(*a, scan.owner());
            } else if (sameName(a->name, "totioncurrent")) {
                scan.totIonCurrent = toDouble(*a, scan.owner());
            } else if (sameName(a->name, "centroided")) {
                scan.centroided = a->value;
            } else if (sameName(a->name, "polarity")) {
                scan.polarity = a->value;
            }
        }
        if (s.tagEnd() == TTagEnd::Text) fail("the file ends inside " + scan.owner());
        if (s.tagEnd() == TTagEnd::Empty) return;

        scan.contentFrom = s.pos() + 1;
        const auto next = s.findFirstTag({"<peaks", "<scan", "</scan"}, s.pos());
        if (!next) fail("the file ends inside " + scan.owner());
        scan.contentTo = next->first;
        if (next->second != 0) {
            s.setPos(next->first);
            return;
        }
        s.setPos(next->first + 6);
        while (const auto a = s.readAttribute()) {
            if (sameName(a->name, "precision"))
                scan.precision = toInt(*a, scan.owner());
            else if (sameName(a->name, "compressiontype"))
                scan.compressionType = a->value;
            else if (sameName(a->name, "byteorder"))
                scan.byteOrder = a->value;
            else if (sameName(a->name, "pairorder"))
                scan.pairOrder = a->value;
            else if (sameName(a->name, "contenttype"))
                scan.contentType = a->value;
            else if (sameName(a->name, "compressedlen"))
                scan.compressedLen = a->value;
        }
        if (s.tagEnd() == TTagEnd::Text) fail("the file ends inside " + scan.owner());
        if (s.tagEnd() == TTagEnd::Empty) {
            scan.peaks = TScanParts::TPeaks::Empty;
            return;
        }
        const std::size_t from = s.pos() + 1;
        if (!throughData) {
            scan.peaks = TScanParts::TPeaks::Data;
            scan.dataFrom = from;
            s.setPos(from);
            return;
        }
        const auto close = s.findPattern("</peaks", from);
        if (!close) fail("the file ends inside the peak data of " + scan.owner());
        scan.peaks = TScanParts::TPeaks::Data;
        scan.dataFrom = from;
        scan.dataTo = *close;
        s.setPos(*close + 7);
    }

    // The peaks of a scan read by readScan; nullopt when it holds more than maxPairs pairs. An
    // empty peaks element is held to the same attributes and peak count as one with data.
    std::optional<TScanPeaks> peaksOf(const TScanParts& scan, std::size_t maxPairs) {
        if (scan.peaks == TScanParts::TPeaks::None) return TScanPeaks{};
        const std::string_view text = scan.peaks == TScanParts::TPeaks::Data
                                          ? m_scanner.slice(scan.dataFrom, scan.dataTo)
                                          : std::string_view();
        return decodePeaks(scan, text, scan.owner(), maxPairs);
    }

private:
    // The layout the attributes of a scan's peaks element give: 32 or 64 bits (0 taken as 32),
    // big-endian ("network", the norm) or little-endian, m/z-intensity or intensity-m/z pairs.
    // Anything else is refused: read the one way known, it would be garbage.
    TValueLayout valueLayout(const TScanParts& scan, const std::string& owner) const {
        const std::string what = "the peak data of " + owner;
        TValueLayout layout;
        if (scan.precision != 0 && scan.precision != 32 && scan.precision != 64)
            fail(what + " has precision " + std::to_string(scan.precision) +
                 "; 32 or 64 is expected");
        layout.valueBytes = scan.precision == 64 ? 8 : 4;

        const std::string_view byteOrder = trimmed(scan.byteOrder);
        if (sameName(byteOrder, "little"))
            layout.bigEndian = false;
        else if (!byteOrder.empty() && !sameName(byteOrder, "network") &&
                 !sameName(byteOrder, "big"))
            fail(what + " has byte order " + inQuotes(scan.byteOrder) +
                 "; \"network\" or \"little\" is expected");

        // mzXML 2 names the order of a pair "pairOrder", mzXML 3 "contentType".
        std::optional<bool> intensityFirst;
        for (const auto& [name, value] : {std::pair{"pair order", scan.pairOrder},
                                          std::pair{"content type", scan.contentType}}) {
            const std::string_view order = trimmed(value);
            if (order.empty()) continue;
            const bool swapped = sameName(order, "int-m/z");
            if (!swapped && !sameName(order, "m/z-int"))
                fail(what + " has " + name + " " + inQuotes(value) +
                     "; \"m/z-int\" or \"int-m/z\" is expected");
            if (intensityFirst && *intensityFirst != swapped)
                fail(what + " has a pair order and a content type that disagree");
            intensityFirst = swapped;
        }
        layout.intensityFirst = intensityFirst.value_or(false);
        return layout;
    }

    std::optional<TScanPeaks> decodePeaks(const TScanParts& scan, std::string_view text,
                                          const std::string& owner, std::size_t maxPairs) {
        const std::string what = "the peak data of " + owner;
        // Base64 without the line breaks and indentation a writer may put in it. A character
        // outside the alphabet is no part of any value: taking it as 0 would show garbage.
        m_base64.clear();
        m_base64.reserve(text.size());
        std::size_t padding = 0;
        for (const char c : text) {
            if (blank.contains(c)) continue;
            if (c == '=') {
                ++padding;
            } else if (!base64Alphabet.contains(c) || padding > 0) {
                fail(what + " is not Base64 (it holds " +
                     (padding > 0 ? std::string("\"=\" before its end") : shownChar(c)) + ")");
            }
            m_base64 += c;
        }
        if (padding > 2) fail(what + " is not Base64 (too much padding)");

        const TValueLayout layout = valueLayout(scan, owner);
        const std::size_t pairBytes = layout.pairBytes();
        const std::string_view compression = trimmed(scan.compressionType);
        const bool zlib = sameName(compression, "zlib");
        if (!zlib && !compression.empty() && !sameName(compression, "none"))
            fail(what + " is compressed with " + inQuotes(compression) +
                 ", which is not supported");

        std::vector<std::uint8_t> bytes = base64Decode(m_base64);
        std::optional<std::size_t> expected;
        if (scan.peaksCount > 0) expected = static_cast<std::size_t>(scan.peaksCount) * pairBytes;
        if (bytes.empty()) {
            // No data at all: a scan without peaks, as some writers leave it, unless its count
            // says otherwise.
            if (expected)
                fail(what + " is empty, " +
                     groupedDigits(static_cast<std::uint64_t>(scan.peaksCount)) +
                     " peaks expected");
            return TScanPeaks{};
        }
        if (zlib) {
            auto out = inflated(bytes, expected, pairBytes, what, maxPairs);
            if (!out) return std::nullopt;
            bytes = std::move(*out);
        } else {
            if (expected && bytes.size() != *expected)
                fail(what + " decodes to " + groupedDigits(bytes.size()) + " bytes, " +
                     groupedDigits(*expected) + " expected");
            if (bytes.size() % pairBytes != 0)
                fail(what + " decodes to " + groupedDigits(bytes.size()) +
                     " bytes, not a whole number of " + groupedDigits(pairBytes) + "-byte pairs");
        }
        if (bytes.size() / pairBytes > maxPairs) return std::nullopt;

        TScanPeaks decoded;
        decoded.peaks.reserve(bytes.size() / pairBytes);
        const bool swap = layout.intensityFirst;
        if (layout.valueBytes == 4)
            decoded.nonFinitePairs = layout.bigEndian
                                         ? appendPairs<4, true>(bytes, swap, decoded.peaks)
                                         : appendPairs<4, false>(bytes, swap, decoded.peaks);
        else
            decoded.nonFinitePairs = layout.bigEndian
                                         ? appendPairs<8, true>(bytes, swap, decoded.peaks)
                                         : appendPairs<8, false>(bytes, swap, decoded.peaks);
        return decoded;
    }

    // Inflates compressed to exactly expected bytes (when the peak count gives it) or to a
    // whole number of pairs, within what a scan may inflate to without a count; stops as soon
    // as the output passes what is allowed. nullopt when it passes maxPairs pairs first.
    std::optional<std::vector<std::uint8_t>> inflated(const std::vector<std::uint8_t>& compressed,
                                                      std::optional<std::size_t> expected,
                                                      std::size_t pairBytes,
                                                      const std::string& what,
                                                      std::size_t maxPairs) const {
        constexpr std::size_t most = std::numeric_limits<std::size_t>::max();
        const std::size_t budget = maxPairs > most / pairBytes ? most : maxPairs * pairBytes;
        // What the scan itself allows.
        std::size_t allowed = 0;
        if (expected) {
            allowed = *expected;
        } else {
            constexpr std::size_t ratio = TMzXmlRunReader::maxInflationRatio;
            allowed = std::max(TMzXmlRunReader::inflationFloorBytes,
                               compressed.size() > most / ratio ? most : compressed.size() * ratio);
        }
        allowed = std::min(allowed, TMzXmlRunReader::maxInflatedBytes);
        const std::size_t limit = std::min(allowed, budget);

        TInflated inflated = inflateBounded(compressed, limit);
        switch (inflated.fault) {
            case TInflated::TFault::None:
                break;
            case TInflated::TFault::Start:
                fail("cannot inflate " + what);
            case TInflated::TFault::NotZlib:
                fail(what + " is not valid zlib data" +
                     (inflated.zlibMessage.empty() ? std::string()
                                                   : " (" + inflated.zlibMessage + ")"));
            case TInflated::TFault::Cut:
                fail(what + " ends before its zlib stream does");
        }
        std::vector<std::uint8_t>& out = inflated.bytes;
        const std::size_t produced = out.size();
        if (produced > limit) {
            if (budget < allowed) return std::nullopt;
            if (expected && *expected <= TMzXmlRunReader::maxInflatedBytes)
                fail(what + " inflates to more than " + groupedDigits(*expected) + " bytes, " +
                     groupedDigits(*expected) + " expected");
            if (!expected && allowed < TMzXmlRunReader::maxInflatedBytes)
                fail(what + " inflates to more than " + groupedDigits(allowed) + " bytes from " +
                     groupedDigits(compressed.size()) +
                     " compressed bytes, and no peak count states so many");
            fail(what + " inflates to more than " + groupedDigits(limit) +
                 " bytes, the most a scan may hold");
        }
        if (expected && produced != *expected)
            fail(what + " inflates to " + groupedDigits(produced) + " bytes, " +
                 groupedDigits(*expected) + " expected");
        if (produced % pairBytes != 0)
            fail(what + " inflates to " + groupedDigits(produced) +
                 " bytes, not a whole number of " + groupedDigits(pairBytes) + "-byte pairs");
        return out;
    }

    TRunScanner m_scanner;
    std::string m_shownName;
    std::string m_base64;  // the peak text without blanks, reused for every scan it decodes
};

// An xs:duration such as "PT0.2961S", "PT1.5M" or "P1DT2H3M4.5S" in seconds (writers give
// seconds nearly always); a bare number is taken as seconds. nullopt for anything else.
std::optional<double> durationSeconds(std::string_view text) {
    text = trimmed(text);
    if (const auto plain = parseDecimal(text)) return plain;
    const bool negative = text.starts_with('-');
    if (negative) text.remove_prefix(1);
    if (!text.starts_with('P')) return std::nullopt;
    text.remove_prefix(1);
    // Years and months have no fixed length: only days, then after "T" hours, minutes and
    // seconds, each at most once and in this order.
    constexpr std::string_view designators = "DHMS";
    constexpr std::array<double, 4> unitSeconds = {86400.0, 3600.0, 60.0, 1.0};
    double total = 0.0;
    bool any = false;
    bool inTime = false;
    std::size_t nextRank = 0;
    while (!text.empty()) {
        if (text.front() == 'T' && !inTime) {
            inTime = true;
            nextRank = std::max<std::size_t>(nextRank, 1);
            text.remove_prefix(1);
            if (text.empty()) return std::nullopt;  // "T" without a time
            continue;
        }
        const auto at = text.find_first_of("DHMST");
        if (at == std::string_view::npos || at == 0 || text[at] == 'T') return std::nullopt;
        const std::size_t rank = designators.find(text[at]);
        if (rank < nextRank || (rank == 0) == inTime) return std::nullopt;
        const auto value = parseDecimal(text.substr(0, at));
        if (!value || *value < 0.0) return std::nullopt;
        total += *value * unitSeconds[rank];
        any = true;
        nextRank = rank + 1;
        text.remove_prefix(at + 1);
    }
    if (!any || !std::isfinite(total)) return std::nullopt;
    return negative ? -total : total;
}

TPolarity polarityOf(std::string_view text) {
    text = trimmed(text);
    if (text == "+") return TPolarity::Positive;
    if (text == "-") return TPolarity::Negative;
    return TPolarity::Unknown;
}

TPeakMode peakModeOf(std::string_view text) {
    text = trimmed(text);
    if (text == "1" || sameName(text, "true")) return TPeakMode::Centroid;
    if (text == "0" || sameName(text, "false")) return TPeakMode::Profile;
    return TPeakMode::Unknown;
}

// The first precursorMz element in a scan's content: its m/z (the element's text) and charge.
// Nothing here fails the read: a value that does not convert leaves the row without it.
void readPrecursor(std::string_view content, TSpectrumRow& row) {
    TRunScanner s(content);
    const auto start = s.findTag("<precursorMz", 0);
    if (!start) return;
    s.setPos(*start + 12);
    std::int8_t charge = 0;
    while (const auto a = s.readAttribute()) {
        if (!sameName(a->name, "precursorcharge")) continue;
        const std::string_view text = trimmed(a->value);
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end == text.data() + text.size() && value >= INT8_MIN &&
            value <= INT8_MAX)
            charge = static_cast<std::int8_t>(value);
    }
    if (s.tagEnd() != TTagEnd::Open) return;
    const std::size_t from = s.pos() + 1;
    const std::size_t to = std::min(content.find('<', from), content.size());
    if (const auto mz = parseDecimal(trimmed(s.slice(from, to)))) {
        row.precursorMz = *mz;
        row.precursorCharge = charge;
    }
}

TSpectrumRow rowOf(const TScanParts& scan, std::string_view text) {
    TSpectrumRow row;
    row.offset = scan.start;
    row.retentionTime = durationSeconds(scan.retentionTime).value_or(TSpectrumRow::absent);
    row.totIonCurrent = scan.totIonCurrent.value_or(TSpectrumRow::absent);
    row.basePeakMz = scan.basePeakMz.value_or(TSpectrumRow::absent);
    row.basePeakIntensity = scan.basePeakIntensity.value_or(TSpectrumRow::absent);
    row.scanNumber = scan.num;
    row.msLevel = scan.msLevel;
    row.peaksCount = scan.peaksCount;
    row.polarity = polarityOf(scan.polarity);
    row.peakMode = peakModeOf(scan.centroided);
    if (scan.contentTo > scan.contentFrom)
        readPrecursor(text.substr(scan.contentFrom, scan.contentTo - scan.contentFrom), row);
    return row;
}

// A whole number written as text, blanks around it allowed; nullopt for anything else.
template <class TNumber>
std::optional<TNumber> wholeNumber(std::string_view text) {
    text = trimmed(text);
    TNumber value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Where the peak data of a scan read without its data ends, when its attributes tell how long
// its Base64 text is (written without blanks, as writers do) and the end tag stands just there;
// nullopt when they do not tell or it does not stand there.
std::optional<std::size_t> statedDataEnd(const TScanParts& scan, std::string_view text) {
    std::uint64_t bytes = 0;
    if (sameName(trimmed(scan.compressionType), "zlib")) {
        bytes = wholeNumber<std::uint64_t>(scan.compressedLen).value_or(0);
    } else if (scan.peaksCount > 0 && (scan.precision == 32 || scan.precision == 64)) {
        bytes = static_cast<std::uint64_t>(scan.peaksCount) * (scan.precision == 64 ? 16 : 8);
    }
    if (bytes == 0 || bytes > text.size()) return std::nullopt;
    const std::uint64_t end = scan.dataFrom + 4 * ((bytes + 2) / 3);
    if (end >= text.size() || text.compare(end, 7, "</peaks") != 0) return std::nullopt;
    return static_cast<std::size_t>(end);
}

TMappedFile mapped(const std::string& fileName) {
    try {
        return TMappedFile(fileName);
    } catch (const EMappedFileError& e) {
        throw EMzXmlError(e.what());
    }
}

}  // namespace

TMzXmlRunReader::TMzXmlRunReader(const std::string& fileName, const TRowListener& onRow)
    : TMzXmlRunReader(mapped(fileName), {}, fileName, onRow) {}

TMzXmlRunReader::TMzXmlRunReader(TMappedFile file, const std::string& fileName,
                                 const TRowListener& onRow)
    : TMzXmlRunReader(std::move(file), {}, fileName, onRow) {}

TMzXmlRunReader::TMzXmlRunReader(TMappedFile file, std::string heldText, std::string sourceName,
                                 const TRowListener& onRow)
    : m_file(std::move(file)), m_heldText(std::move(heldText)), m_fileName(std::move(sourceName)) {
    readRows(onRow);
}

TMzXmlRunReader TMzXmlRunReader::fromText(std::string text, const std::string& sourceName,
                                          const TRowListener& onRow) {
    return TMzXmlRunReader(TMappedFile(), std::move(text), sourceName, onRow);
}

std::string_view TMzXmlRunReader::text() const {
    return m_heldText.empty() ? m_file.text() : std::string_view(m_heldText);
}

const TSpectrumRow& TMzXmlRunReader::row(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_rows.size())
        throw std::out_of_range("no scan " + std::to_string(index) + " in " + inQuotes(m_fileName));
    return m_rows[static_cast<std::size_t>(index)];
}

void TMzXmlRunReader::readRows(const TRowListener& onRow) {
    TScanReader reader(text(), m_fileName);
    TRunScanner& s = reader.scanner();

    // An mzML run holds elements named "scan" too, without peak data: read as mzXML it would be
    // a run of empty scans.
    if (detectFormat(text().substr(0, formatHeadBytes)) == TFileFormat::MzMl)
        reader.fail("it is an mzML run, not mzXML");

    // The run header, if it comes before the first scan.
    if (const auto header = s.findFirstTag({"<msRun", "<scan"}, 0); header && header->second == 0) {
        m_hasRunHeader = true;
        s.setPos(header->first + 6);
        while (const auto a = s.readAttribute()) {
            if (sameName(a->name, "scancount")) m_scanCount = reader.toInt(*a, "the run header");
            if (sameName(a->name, "starttime")) m_description.startTime = std::string(a->value);
        }
    }

    // A processing step of the run that centroided the data (see scanInfo).
    const std::size_t headerFrom = s.pos();
    while (const auto step = s.findFirstTag({"<dataProcessing", "<scan"}, s.pos())) {
        if (step->second != 0) break;
        s.setPos(step->first + 15);
        while (const auto a = s.readAttribute())
            if (sameName(a->name, "centroided") && peakModeOf(a->value) == TPeakMode::Centroid)
                m_centroidedRun = true;
    }
    // The instrument model and the software of acquisition and processing, as named.
    s.setPos(headerFrom);
    while (const auto tag = s.findFirstTag({"<msModel", "<software", "<scan"}, s.pos())) {
        if (tag->second == 2) break;
        s.setPos(tag->first + (tag->second == 0 ? 8 : 9));
        std::string name, version;
        while (const auto a = s.readAttribute()) {
            // The first instrument named; a run of several repeats its model for each.
            if (tag->second == 0 && sameName(a->name, "value") && m_description.instrument.empty())
                m_description.instrument = std::string(a->value);
            if (sameName(a->name, "name")) name = std::string(a->value);
            if (sameName(a->name, "version")) version = std::string(a->value);
        }
        std::vector<std::string>& software = m_description.software;
        const std::string entry = version.empty() ? name : name + " " + version;
        if (tag->second == 1 && !name.empty() &&
            std::find(software.begin(), software.end(), entry) == software.end())
            software.push_back(entry);
    }
    s.setPos(headerFrom);

    const std::optional<std::string> indexFault = readIndexedRows(headerFrom);
    if (m_indexUsed) {
        if (onRow)
            for (std::size_t i = 0; i < m_rows.size(); ++i) onRow(*this, static_cast<int>(i));
        return;
    }
    while (const auto start = s.findTag("<scan", s.pos())) {
        TScanParts scan;
        reader.readScan(*start, scan);
        m_rows.push_back(rowOf(scan, text()));
        if (onRow) onRow(*this, static_cast<int>(m_rows.size() - 1));
    }
    if (indexFault)
        m_messages.push_back("The scan index of " + inQuotes(m_fileName) + " is wrong (" +
                             *indexFault + "); its scans were found by reading the whole file.");
}

// The index is taken only when it gives exactly the rows the pass would: every entry lands on a
// scan start tag with the entry's number, after the tags of the scan before it, and no scan
// start tag stands between one scan's end and the next entry (a nested scan the index leaves
// out, a scan added to the file). Passing over a scan's peak data takes its length from its
// attributes where they state it, so most of the file is never read. Reading a scan's tags
// cannot fail the open here: the pass reads the same tags and reports their fault.
std::optional<std::string> TMzXmlRunReader::readIndexedRows(std::size_t firstScanFrom) {
    const std::string_view t = text();
    // The offset closes the file, after the index and before a checksum.
    constexpr std::size_t tailBytes = 4096;
    const std::size_t tailFrom = t.size() > tailBytes ? t.size() - tailBytes : 0;
    const std::size_t inTail = t.substr(tailFrom).rfind("<indexOffset>");
    if (inTail == std::string_view::npos) return std::nullopt;
    const std::size_t offsetTag = tailFrom + inTail;
    const std::size_t numberFrom = offsetTag + 13;
    const auto indexOffset =
        wholeNumber<std::uint64_t>(t.substr(numberFrom, t.find('<', numberFrom) - numberFrom));
    if (!indexOffset) return "its index offset is not a number";

    TScanReader reader(t, m_fileName);
    TRunScanner& s = reader.scanner();
    if (*indexOffset >= t.size() || *indexOffset < firstScanFrom ||
        !s.isTag(static_cast<std::size_t>(*indexOffset), "<index"))
        return "its index offset " + groupedDigits(*indexOffset) + " does not point at the index";
    const auto indexFrom = static_cast<std::size_t>(*indexOffset);
    s.setPos(indexFrom + 6);
    while (const auto a = s.readAttribute())
        if (sameName(a->name, "name") && trimmed(a->value) != "scan")
            return "its first index is not the scan index";
    if (s.tagEnd() != TTagEnd::Open) return "its scan index is empty or cut short";

    struct TEntry {
        int num;
        std::uint64_t offset;
    };
    std::vector<TEntry> entries;
    for (;;) {
        const auto next = s.findFirstTag({"<offset", "</index"}, s.pos());
        if (!next) return "its scan index is cut short";
        if (next->second == 1) break;
        s.setPos(next->first + 7);
        std::optional<int> num;
        while (const auto a = s.readAttribute())
            if (sameName(a->name, "id")) num = wholeNumber<int>(a->value);
        const std::size_t valueFrom = s.pos() + 1;
        const auto offset =
            s.tagEnd() == TTagEnd::Open
                ? wholeNumber<std::uint64_t>(s.slice(valueFrom, t.find('<', valueFrom)))
                : std::nullopt;
        if (!num || !offset)
            return "entry " + groupedDigits(entries.size() + 1) +
                   " of its scan index is not a "
                   "scan number with an offset";
        entries.push_back({*num, *offset});
    }
    // An index that lists nothing tells nothing: the pass finds whatever scans there are.
    if (entries.empty()) return std::nullopt;

    std::vector<TSpectrumRow> rows;
    rows.reserve(entries.size());
    // Where the scan before the entry ends; no other scan may start from here to the entry.
    std::size_t from = firstScanFrom;
    for (const TEntry& entry : entries) {
        const std::string which = "its entry for scan " + std::to_string(entry.num);
        if (entry.offset < from || entry.offset >= indexFrom)
            return which + " points at byte " + groupedDigits(entry.offset) +
                   ", out of order or outside the scans";
        const auto start = static_cast<std::size_t>(entry.offset);
        const auto found = s.findTag("<scan", from);
        if (!found || *found != start)
            return found && *found < start
                       ? "the scan at byte " + groupedDigits(*found) + " is not in it"
                       : which + " points at byte " + groupedDigits(start) +
                             ", where no scan starts";
        TScanParts scan;
        try {
            reader.readScan(start, scan, false);
        } catch (const EMzXmlError&) {
            return which + " points at a scan that cannot be read";
        }
        if (!scan.numbered || scan.num != entry.num) return which + " points at " + scan.owner();
        from = s.pos();
        if (scan.peaks == TScanParts::TPeaks::Data) {
            auto dataEnd = statedDataEnd(scan, t);
            if (!dataEnd) dataEnd = s.findPattern("</peaks", scan.dataFrom);
            if (!dataEnd) return "scan " + std::to_string(scan.num) + " is cut short";
            from = *dataEnd + 7;
        }
        rows.push_back(rowOf(scan, t));
    }
    if (const auto extra = s.findTag("<scan", from); extra && *extra < indexFrom)
        return "the scan at byte " + groupedDigits(*extra) + " is not in it";

    m_rows = std::move(rows);
    m_indexUsed = true;
    return std::nullopt;
}

std::string TMzXmlRunReader::nativeId(int index) const {
    return "scan=" + std::to_string(row(index).scanNumber);
}

std::vector<TFloatPointRec> TMzXmlRunReader::loadSpectrum(int index) const {
    // Without a bound of its own a scan is still held to maxInflatedBytes.
    return std::move(decodeScan(index, std::numeric_limits<std::size_t>::max()).value().peaks);
}

std::optional<TScanPeaks> TMzXmlRunReader::decodeScan(int index, std::size_t maxPairs) const {
    const TSpectrumRow& r = row(index);
    TScanReader reader(text(), m_fileName);
    TScanParts scan;
    reader.readScan(static_cast<std::size_t>(r.offset), scan);
    return reader.peaksOf(scan, maxPairs);
}

c_scaninfo TMzXmlRunReader::scanInfo(int index) const {
    const TSpectrumRow& r = row(index);
    TScanReader reader(text(), m_fileName);
    TScanParts scan;
    reader.readScan(static_cast<std::size_t>(r.offset), scan);
    c_scaninfo info;
    info.num = scan.num;
    info.msLevel = scan.msLevel;
    info.peaksCount = scan.peaksCount;
    info.retentionTime = std::string(scan.retentionTime);
    info.startMz = scan.startMz;
    info.endMz = scan.endMz;
    info.basePeakMz = scan.basePeakMz.value_or(0.0);
    info.basePeakIntensity = scan.basePeakIntensity.value_or(0.0);
    info.totIonCurrent = scan.totIonCurrent.value_or(0.0);
    info.precision = scan.precision;
    info.compressionType = std::string(scan.compressionType);
    info.hasPeaksElement = scan.peaks != TScanParts::TPeaks::None;
    info.peakMode = peakMode(index);
    return info;
}

TPeakMode TMzXmlRunReader::peakMode(int index) const {
    const TPeakMode stated = row(index).peakMode;
    return stated == TPeakMode::Unknown && m_centroidedRun ? TPeakMode::Centroid : stated;
}
