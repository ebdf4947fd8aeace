// The plain-text forms of a series: text spectrum import, paste reader, mass list, string list.
#include "files/TextSpectrum.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <exception>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <utility>

#include "files/InputFile.h"
#include "model/DecimalText.h"
#include "model/ModelErrors.h"

namespace {

// --- lines --------------------------------------------------------------------------------------

// Cuts a byte stream into lines. Lines end at LF, CR LF or a lone CR (as older Mac programs
// write), and a last line without an end counts. A line longer than maxTextLineLength is
// reported as too long and passed over without being kept, so that a file without line breaks
// costs one pass and no memory.
class TLineReader {
public:
    // Gives the next block of bytes, or an empty view at the end; a block stays valid until
    // the next call.
    using TNextBlock = std::function<std::string_view()>;

    explicit TLineReader(TNextBlock nextBlock) : m_nextBlock(std::move(nextBlock)) {}

    // The next line into line (valid until the next call); false at the end. tooLong is set for
    // a line over the limit, whose text is then empty.
    bool next(std::string_view& line, bool& tooLong) {
        m_carry.clear();
        tooLong = false;
        bool started = false;  // bytes of this line were seen in an earlier block
        for (;;) {
            if (m_block.empty()) {
                if (!m_end) m_block = m_nextBlock();
                if (m_block.empty()) {
                    m_end = true;
                    if (!started) return false;
                    line = tooLong ? std::string_view() : std::string_view(m_carry);
                    return true;
                }
            }
            // The LF of a CR LF whose CR ended the last line, perhaps at the end of a block.
            if (std::exchange(m_afterCr, false) && m_block.front() == '\n') {
                m_block.remove_prefix(1);
                continue;
            }
            const auto end = std::find_if(m_block.begin(), m_block.end(),
                                          [](char c) { return c == '\n' || c == '\r'; });
            if (end == m_block.end()) {
                if (!tooLong) {
                    if (m_carry.size() + m_block.size() > maxTextLineLength) {
                        tooLong = true;
                        m_carry.clear();
                    } else {
                        m_carry.append(m_block);
                    }
                }
                started = true;
                m_block = {};
                continue;
            }
            const auto length = static_cast<std::size_t>(end - m_block.begin());
            m_afterCr = *end == '\r';
            const std::string_view piece = m_block.substr(0, length);
            m_block.remove_prefix(length + 1);
            if (!tooLong && m_carry.size() + piece.size() > maxTextLineLength) tooLong = true;
            if (tooLong) {
                line = {};
            } else if (started) {
                m_carry.append(piece);
                line = m_carry;
            } else {
                line = piece;
            }
            return true;
        }
    }

private:
    TNextBlock m_nextBlock;
    std::string_view m_block;
    std::string m_carry;  // a line that runs on over a block boundary
    bool m_afterCr = false;
    bool m_end = false;
};

// A reader over bytes already in memory, given as one block.
TLineReader bytesReader(std::string_view bytes) {
    return TLineReader([bytes, given = false]() mutable -> std::string_view {
        if (std::exchange(given, true)) return {};
        return bytes;
    });
}

// --- numbers ------------------------------------------------------------------------------------

// A token as a number: plain or exponent form, '.' or ',' as the decimal separator, an optional
// sign. "inf" and "nan" and values beyond the range of a double are numbers here, infinite or
// not a number, so that the caller can skip their pair instead of taking the line as unreadable.
std::optional<double> tokenNumber(std::string_view token) {
    if (token.empty()) return std::nullopt;
    auto convert = [](const char* first, const char* last) -> std::optional<double> {
        double value = 0.0;
        const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
        if (ptr != last) return std::nullopt;
        if (ec == std::errc::result_out_of_range) return std::numeric_limits<double>::infinity();
        if (ec != std::errc()) return std::nullopt;
        return value;
    };
    if (const auto value = convert(token.data(), token.data() + token.size())) return value;
    // The rarer forms: a leading '+' (which from_chars refuses) and a decimal comma.
    std::string copy(token);
    if (copy.front() == '+') {
        copy.erase(0, 1);
        if (copy.empty() || copy.front() == '+' || copy.front() == '-') return std::nullopt;
    }
    std::replace(copy.begin(), copy.end(), ',', '.');
    return convert(copy.data(), copy.data() + copy.size());
}

bool isBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}
bool isBlankTabOrComma(char c) {
    return c == ' ' || c == '\t' || c == ',';
}

// How many of the first n tokens of line are numbers, counted up to the first that is not (or
// is missing); their values go to out. Tokens lie between separators, leading ones skipped.
template <class IsSeparator>
int leadingNumbers(std::string_view line, int n, double* out, IsSeparator isSeparator) {
    const char* p = line.data();
    const char* const end = p + line.size();
    for (int i = 0; i < n; ++i) {
        while (p < end && isSeparator(*p)) ++p;
        const char* start = p;
        while (p < end && !isSeparator(*p)) ++p;
        const auto value = tokenNumber({start, static_cast<std::size_t>(p - start)});
        if (!value) return i;
        out[i] = *value;
    }
    return n;
}

// The x and y a line holds under layout; nullopt for an unreadable line. Numbers are separated
// by runs of tabs, blanks and commas. A line whose numbers read when only tabs and blanks
// separate them is taken that way first, so that decimal commas ("12,5<TAB>3,25") read as such.
std::optional<TFloatPointRec> linePoint(std::string_view line, TTextLayout layout) {
    const int n = layout == TTextLayout::HplcColumns ? 3 : 2;
    double v[3] = {};
    if (leadingNumbers(line, n, v, isBlankOrTab) < n &&
        leadingNumbers(line, n, v, isBlankTabOrComma) < n)
        return std::nullopt;
    return TFloatPointRec{v[n - 2], v[n - 1]};
}

// --- layout -------------------------------------------------------------------------------------

// The leading letters of a word, in lower case: "time" of "Time(min)".
std::string leadingLetters(std::string_view word) {
    std::string letters;
    for (const char c : word) {
        if (!std::isalpha(static_cast<unsigned char>(c))) break;
        letters += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return letters;
}

// Whether a column header names a time as its first column: "Time  Mass  Intensity  Rel%",
// "RT (min), m/z, ...", "HPLC time, x, y1, y2", "Retention time; ...".
bool headerNamesTimeFirst(std::string_view line) {
    std::vector<std::string> words;
    std::string_view rest = line;
    while (words.size() < 2) {
        const auto start = rest.find_first_not_of(" \t,;");
        if (start == std::string_view::npos) break;
        rest.remove_prefix(start);
        const auto end = std::min(rest.find_first_of(" \t,;"), rest.size());
        words.push_back(leadingLetters(rest.substr(0, end)));
        rest.remove_prefix(end);
    }
    if (words.empty()) return false;
    if (words[0] == "time" || words[0] == "rt") return true;
    static constexpr std::string_view timeKinds[] = {"hplc", "retention", "elution", "scan",
                                                     "acquisition"};
    return words.size() == 2 && words[1] == "time" &&
           std::find(std::begin(timeKinds), std::end(timeKinds), words[0]) != std::end(timeKinds);
}

// How many data lines detection looks at.
constexpr int sampledDataLines = 32;

// value as a 32-bit float; nullopt when it is not finite there.
std::optional<float> finiteFloat(double value) {
    if (!(std::fabs(value) <= static_cast<double>(FLT_MAX))) return std::nullopt;
    return static_cast<float>(value);
}

// layout is FirstTwoNumbers or HplcColumns.
TTextSpectrum readLines(TLineReader& reader, TTextLayout layout) {
    TTextSpectrum result;
    result.layout = layout;
    std::vector<TFloatPointRec> points;
    bool ascending = true;
    std::string_view line;
    bool tooLong = false;
    int lineNumber = 0;
    while (reader.next(line, tooLong)) {
        ++lineNumber;
        // A byte order mark that some editors put before UTF-8 text is no part of the data.
        if (lineNumber == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
        if (tooLong && !result.firstLongLine) result.firstLongLine = lineNumber;
        const std::optional<TFloatPointRec> p = tooLong ? std::nullopt : linePoint(line, layout);
        if (!p) {
            if (lineNumber > headerZoneLines) {
                // After the header zone the first unreadable line ends the data.
                result.stopLine = lineNumber;
                break;
            }
            if (++result.lineErrors >= maxLineErrors)
                throw ETextSpectrumError("More than " + std::to_string(maxLineErrors) +
                                         " line errors.");
            continue;
        }
        ++result.dataLines;
        const auto x = finiteFloat(p->x);
        const auto y = finiteFloat(p->y);
        if (!x || !y || !(*x > 0.0F) || *y == 0.0F) continue;
        const TFloatPointRec point{*x, *y};
        if (ascending && !points.empty() && point.x < points.back().x) ascending = false;
        points.push_back(point);
    }
    // One sort for files that are not in ascending x, instead of an insertion per point.
    if (!ascending)
        std::stable_sort(
            points.begin(), points.end(),
            [](const TFloatPointRec& a, const TFloatPointRec& b) { return a.x < b.x; });
    result.points = newFloatPointSortedList(comparePointX, TDuplicates::Accept);
    result.points->setCapacity(static_cast<int>(points.size()));
    for (const TFloatPointRec& p : points) result.points->add(p);  // appends: in order already
    return result;
}

// "%.*f" of value, without the locale; width pads on the left with blanks.
void appendFixed(std::string& out, double value, int decimals, int width = 0) {
    char buffer[400];  // the longest double in fixed form with a few decimals
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    const auto length = static_cast<int>(result.ptr - buffer);
    if (length < width) out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(buffer, result.ptr);
}

// The next token of text after skipping separators; the separator that ends it is consumed.
std::string_view nextToken(std::string_view& text, std::string_view separators) {
    const auto start = text.find_first_not_of(separators);
    if (start == std::string_view::npos) {
        text = {};
        return {};
    }
    text.remove_prefix(start);
    const auto end = text.find_first_of(separators);
    const std::string_view token = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return token;
}

void dropCorners(TFloatPointSortedList& points) {
    points.setMinPoint(std::nullopt);
    points.setMaxPoint(std::nullopt);
}

}  // namespace

// --- text spectrum files ------------------------------------------------------------------------

TTextLayout detectTextLayout(std::string_view head) {
    TLineReader reader = bytesReader(head);
    std::string_view line;
    bool tooLong = false;
    int lineNumber = 0;
    std::string header;  // the last unreadable line before the first data line
    std::vector<int> numberCounts;
    std::vector<double> firstNumbers;
    while (static_cast<int>(numberCounts.size()) < sampledDataLines && reader.next(line, tooLong)) {
        ++lineNumber;
        if (lineNumber == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
        double v[5] = {};
        int count = tooLong ? 0 : leadingNumbers(line, 5, v, isBlankOrTab);
        if (!tooLong && count < 2) count = leadingNumbers(line, 5, v, isBlankTabOrComma);
        if (count < 2) {
            // The data ends at an unreadable line after the header zone, as the reading ends.
            if (!numberCounts.empty() || lineNumber > headerZoneLines) break;
            header.assign(line);
            continue;
        }
        numberCounts.push_back(count);
        firstNumbers.push_back(v[0]);
    }
    if (numberCounts.empty()) return TTextLayout::FirstTwoNumbers;
    const auto fewest = *std::min_element(numberCounts.begin(), numberCounts.end());
    const auto most = *std::max_element(numberCounts.begin(), numberCounts.end());
    if (headerNamesTimeFirst(header) && fewest >= 3) return TTextLayout::HplcColumns;
    std::sort(firstNumbers.begin(), firstNumbers.end());
    const auto distinct =
        std::unique(firstNumbers.begin(), firstNumbers.end()) - firstNumbers.begin();
    if (numberCounts.size() >= 2 && fewest == 4 && most == 4 &&
        static_cast<std::size_t>(distinct) * 2 <= numberCounts.size())
        return TTextLayout::HplcColumns;
    return TTextLayout::FirstTwoNumbers;
}

TTextSpectrum readTextSpectrum(std::string_view bytes, TTextLayout layout) {
    TLineReader reader = bytesReader(bytes);
    return readLines(reader, layout == TTextLayout::Detect ? detectTextLayout(bytes) : layout);
}

TTextSpectrum readTextSpectrumFile(const std::string& fileName, TTextLayout layout) {
    try {
        TInputFile file(fileName);
        std::vector<char> buffer(textReadBlockBytes);
        const auto nextBlock = [&]() -> std::string_view {
            return {buffer.data(), file.read(buffer.data(), buffer.size())};
        };
        // The layout is told from the first block, which holds the first lines unless they are
        // far over the length limit.
        std::string_view first = nextBlock();
        if (layout == TTextLayout::Detect) layout = detectTextLayout(first);
        TLineReader reader([&]() -> std::string_view {
            if (!first.empty()) return std::exchange(first, std::string_view());
            return nextBlock();
        });
        return readLines(reader, layout);
    } catch (const EInputFileError& e) {
        throw ETextSpectrumError("Cannot read " + inQuotes(fileName) + ": " + e.what());
    }
}

TFloatPointSortedListPtr importTextSpectrum(const std::string& fileName, TTextLayout layout) {
    TTextSpectrum read = readTextSpectrumFile(fileName, layout);
    if (read.points->isEmpty()) {
        const std::string noSpectrum = "No spectrum in " + inQuotes(fileName) + ": ";
        if (read.dataLines == 0 && read.firstLongLine)
            throw ETextSpectrumError(noSpectrum + "line " + std::to_string(*read.firstLongLine) +
                                     " is longer than " + std::to_string(maxTextLineLength / 1024) +
                                     " KiB, the most a line may hold.");
        if (read.dataLines == 0)
            throw ETextSpectrumError(noSpectrum + "no line starts with " +
                                     (read.layout == TTextLayout::HplcColumns
                                          ? "a time, an x and a y value."
                                          : "an x and a y value."));
        throw ETextSpectrumError(noSpectrum + "no line has an x above 0 and a y other than 0.");
    }
    // The base peak becomes 100. Of negative intensities only, the largest magnitude becomes
    // -100: dividing by the highest, which is then the smallest magnitude, would flip the signs
    // and blow every other point up beyond 100.
    const double highest = read.points->getMaxPoint().y;
    read.points->scaleToPercent(highest > 0.0 ? highest : -read.points->getMinPoint().y);
    return read.points;
}

// --- series text, mass list, string list --------------------------------------------------------

void readSeriesText(TFloatPointSortedList& points, std::string_view text) {
    bool failed = false;
    try {
        points.setAsText(text);
    } catch (const std::exception&) {
        failed = true;
    }
    dropCorners(points);
    if (failed) throw EConvertError(wrongXYFormat);
}

std::string massListText(const TFloatPointSortedList& points) {
    std::string text;
    text.reserve(points.points().size() * 16);
    for (const TFloatPointRec& p : points.points()) {
        appendFixed(text, p.x, 4, 15);
        text += '\n';
    }
    return text;
}

std::string stringListItem(const TFloatPointRec& p) {
    std::string item;
    appendFixed(item, p.x, 4);
    item += '\t';
    appendFixed(item, p.y, 3);
    return item;
}

std::optional<TFloatPointRec> readStringListItem(std::string_view item) {
    const std::string_view xText = nextToken(item, "\t ");
    const std::string_view yText = nextToken(item, "\t\n\r ");
    const auto x = parseDecimal(xText);
    const auto y = parseDecimal(yText);
    if (!x || !y) return std::nullopt;
    return TFloatPointRec{*x, *y};
}

void readStringList(TFloatPointSortedList& points, const std::vector<std::string>& items) {
    points.clear();
    bool failed = false;
    for (const std::string& item : items) {
        const auto p = readStringListItem(item);
        if (!p) {
            failed = true;
            break;
        }
        if (p->x > 0.0 && p->y != 0.0) points.add(*p);
    }
    dropCorners(points);
    if (failed) throw EConvertError(wrongXYFormat);
}
