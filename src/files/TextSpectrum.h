// The plain-text forms of a series: the import of text spectrum files, the paste reader, the
// mass list and the string-list items. No Qt.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/FloatPointSortedList.h"

// A text spectrum file could not be imported; what() is the message the user sees.
class ETextSpectrumError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Which numbers of a line make a point.
enum class TTextLayout {
    FirstTwoNumbers,  // x and y are the first two numbers of the line
    HplcColumns,      // time, x, y1, y2: x and y are the second and third numbers
    Detect,           // one of the two, told from the first lines (detectTextLayout)
};

// What a reading of a text spectrum found.
struct TTextSpectrum {
    // Sorted by x, duplicates kept; values passed through 32-bit floats. Lines whose x is 0 or
    // less, whose y is 0 or which hold a non-finite value give no point.
    TFloatPointSortedListPtr points;
    // Lines that held the numbers the layout reads, those that gave no point included.
    int dataLines = 0;
    // Unreadable lines among the first ones (titles, column headers).
    int lineErrors = 0;
    // The line (counted from 1) whose fault ended the reading after the header zone; nullopt
    // when the reading went to the end of the file.
    std::optional<int> stopLine;
    // The first line (counted from 1) longer than maxTextLineLength, if any was met.
    std::optional<int> firstLongLine;
    // The layout the lines were read with: never Detect.
    TTextLayout layout = TTextLayout::FirstTwoNumbers;
};

// The first lines, where titles and headers may stand; more unreadable lines there than
// maxLineErrors - 1 refuse the file.
inline constexpr int headerZoneLines = 20;
inline constexpr int maxLineErrors = 20;
// A longer line is unreadable; it is passed over without being held in memory (bytes).
inline constexpr std::size_t maxTextLineLength = 64 * 1024;
// A file is read in blocks of this many bytes; lines and line ends may straddle them.
inline constexpr std::size_t textReadBlockBytes = std::size_t(1) << 20;

// The layout of a text spectrum, told from its first lines (head holds them; the rest of the
// file may follow). HplcColumns when the data lines hold at least a time, an x and a y and the
// column header just above them names a time first ("Time", "RT", "HPLC time"); also when,
// without such a header, every one of the first data lines holds exactly four numbers and their
// first number repeats (the time of the one scan, which taken as x would stack every point on
// one m/z). FirstTwoNumbers otherwise.
TTextLayout detectTextLayout(std::string_view head);

// Reads the lines of a text spectrum. Lines end at LF, CR LF or a lone CR. Throws
// ETextSpectrumError "More than 20 line errors." when every line of the header zone is
// unreadable.
TTextSpectrum readTextSpectrum(std::string_view bytes, TTextLayout layout);
// The same from a file, read in blocks; also throws ETextSpectrumError when the file is no
// regular file (a device or a pipe is refused before it is opened) or cannot be opened or read.
TTextSpectrum readTextSpectrumFile(const std::string& fileName, TTextLayout layout);
// readTextSpectrumFile, then the points scaled so that the base peak is 100: the highest y, or
// for a spectrum of negative intensities only, the lowest, which becomes -100. A file that
// gives no point is refused with ETextSpectrumError, which names a line over the length limit
// when that may be why.
TFloatPointSortedListPtr importTextSpectrum(const std::string& fileName,
                                            TTextLayout layout = TTextLayout::Detect);

// The paste reader: replaces points by the point text (pairs with x <= 0 or y = 0 skipped) and
// drops the cached corners. On a fault the pairs read before it stay and EConvertError
// "Interrupted. wrong X Y format" is thrown.
void readSeriesText(TFloatPointSortedList& points, std::string_view text);
inline constexpr char wrongXYFormat[] = "Interrupted. wrong X Y format";

// The mass list: "%15.4f\n" per point, in list order.
std::string massListText(const TFloatPointSortedList& points);

// One item of the string-list form: "%.4f\t%.3f".
std::string stringListItem(const TFloatPointRec& p);
// The pair of one string-list item: x up to the first tab or blank, y up to the next tab,
// blank, CR or LF; nullopt when either does not convert.
std::optional<TFloatPointRec> readStringListItem(std::string_view item);
// Replaces points by one pair per item, skipping pairs with x <= 0 or y = 0, and drops the
// cached corners. Stops at the first item that does not convert, keeping the points before
// it, and throws EConvertError "Interrupted. wrong X Y format".
void readStringList(TFloatPointSortedList& points, const std::vector<std::string>& items);
