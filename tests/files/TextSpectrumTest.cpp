// Tests of the plain-text forms: text spectrum import against real files and their oracles,
// the reading rules and limits, the paste reader, the mass list and the string list.
#include "files/TextSpectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "model/ModelErrors.h"
#include "support/TestHelpers.h"

namespace {

const std::string textData = std::string(VELMORIX_TEST_DATA) + "/text/";

// The numbers of the array under key in an oracle's JSON text.
std::vector<double> oracleNumbers(const std::string& json, const std::string& key) {
    const auto at = json.find('"' + key + '"');
    if (at == std::string::npos) return {};
    const auto open = json.find_first_of("[0123456789-", json.find(':', at));
    std::vector<double> values;
    std::istringstream in(json.substr(open + (json[open] == '[' ? 1 : 0)));
    in.imbue(std::locale::classic());
    for (double v; in >> v;) {
        values.push_back(v);
        if (json[open] != '[') break;
        char comma = 0;
        if (!(in >> comma) || comma != ',') break;
    }
    return values;
}

int oracleNonNumericLines(const std::string& json) {
    const auto at = json.find("\"non_numeric_lines\"");
    const auto open = json.find('[', at);
    const auto close = json.find(']', open);
    int n = 0;
    for (auto i = open; i < close; ++i) n += json[i] == '"';
    return n / 2;
}

// What a plain reading of the file gives: each line with its commas taken as blanks, read as
// columns in the classic locale; the lines that do not start with `columns` numbers left out.
std::vector<std::vector<double>> referenceRows(const std::string& bytes, int columns) {
    std::vector<std::vector<double>> rows;
    std::istringstream lines(bytes);
    for (std::string line; std::getline(lines, line);) {
        for (char& c : line)
            if (c == ',') c = ' ';
        std::istringstream in(line);
        in.imbue(std::locale::classic());
        std::vector<double> row(static_cast<std::size_t>(columns));
        bool ok = true;
        for (double& v : row) ok = ok && static_cast<bool>(in >> v);
        if (ok) rows.push_back(row);
    }
    return rows;
}

double asFloat(double v) {
    return static_cast<double>(static_cast<float>(v));
}

struct TOracleCase {
    const char* file;
    TTextLayout layout;
    int xColumn;  // in the oracle's rows, from 0
};

void PrintTo(const TOracleCase& c, std::ostream* os) {
    *os << c.file;
}

class RealTextFiles : public ::testing::TestWithParam<TOracleCase> {};

// Each file against its oracle: the reference rows reproduce the oracle's count, first and last
// row, sums and maxima; the reader gives exactly the reference rows whose x > 0 and y != 0 at
// 32-bit precision; the import scales them so that the base peak is 100.
TEST_P(RealTextFiles, ReadAsTheirOraclesSay) {
    const TOracleCase& c = GetParam();
    const std::string path = textData + c.file;
    const std::string json = fileBytes(path + ".oracle.json");
    const std::string bytes = fileBytes(path);
    ASSERT_FALSE(json.empty());
    ASSERT_FALSE(bytes.empty());
    const int columns = static_cast<int>(oracleNumbers(json, "columns").at(0));
    const auto rows = referenceRows(bytes, columns);
    const auto x = static_cast<std::size_t>(c.xColumn);

    ASSERT_EQ(static_cast<double>(rows.size()), oracleNumbers(json, "data_lines").at(0));
    EXPECT_EQ(rows.front(), oracleNumbers(json, "first_row"));
    EXPECT_EQ(rows.back(), oracleNumbers(json, "last_row"));
    const std::vector<double> sums = oracleNumbers(json, "column_sum");
    const std::vector<double> maxima = oracleNumbers(json, "column_max");

    std::vector<TFloatPointRec> expected;
    for (const auto& row : rows)
        if (asFloat(row[x]) > 0.0 && asFloat(row[x + 1]) != 0.0)
            expected.push_back({asFloat(row[x]), asFloat(row[x + 1])});

    const TTextSpectrum read = readTextSpectrumFile(path, c.layout);
    EXPECT_EQ(read.dataLines, static_cast<int>(rows.size()));
    EXPECT_EQ(read.lineErrors, oracleNonNumericLines(json));
    EXPECT_EQ(read.stopLine, std::nullopt);
    ASSERT_EQ(read.points->points(), expected);

    double sumY = 0.0;
    double maxY = 0.0;
    for (const auto& p : read.points->points()) {
        sumY += p.y;
        maxY = std::max(maxY, p.y);
    }
    // Zero abundances add nothing: the oracle's sum holds at 32-bit precision.
    EXPECT_NEAR(sumY, sums.at(x + 1), sums.at(x + 1) * 1e-7);
    EXPECT_EQ(maxY, asFloat(maxima.at(x + 1)));

    const TFloatPointSortedListPtr imported = importTextSpectrum(path, c.layout);
    ASSERT_EQ(imported->count(), static_cast<int>(expected.size()));
    double normalisedSum = 0.0;
    for (const auto& p : imported->points()) normalisedSum += p.y;
    EXPECT_DOUBLE_EQ(imported->getMaxPoint().y, 100.0);
    EXPECT_NEAR(normalisedSum, sums.at(x + 1) * 100.0 / maxima.at(x + 1), normalisedSum * 1e-6);
    EXPECT_EQ(imported->first().x, expected.front().x);
    EXPECT_EQ(imported->last().x, expected.back().x);
}

INSTANTIATE_TEST_SUITE_P(
    Oracles, RealTextFiles,
    ::testing::Values(
        TOracleCase{"ltqft_small_scan3_ms2.txt", TTextLayout::FirstTwoNumbers, 0},
        TOracleCase{"qexactive_cems_scan1_ms1_profile.txt", TTextLayout::FirstTwoNumbers, 0},
        TOracleCase{"thermo_itraq_hcd_scan1_ms2.csv", TTextLayout::FirstTwoNumbers, 0},
        TOracleCase{"qtofmicro_itraq_scan4457_ms2_4col.prn", TTextLayout::HplcColumns, 1}));

// The four-column file plotted by its time column drew one vertical line at 37.66: told from its
// content, it reads its mass and intensity columns, whichever way it is opened.
TEST(TextLayout, FourColumnFilesAreToldFromTheirContent) {
    const std::string path = textData + "qtofmicro_itraq_scan4457_ms2_4col.prn";
    const TFloatPointSortedListPtr detected = importTextSpectrum(path);
    EXPECT_EQ(detected->points(), importTextSpectrum(path, TTextLayout::HplcColumns)->points());
    EXPECT_EQ(detected->first().x, asFloat(50.953));

    struct TCase {
        const char* text;
        TTextLayout layout;
    };
    const TCase cases[] = {
        // A column header that names a time first, whatever the times are.
        {"HPLC time, x, y1, y2\r\n1.5, 100.25, 10, 50\r\n1.6, 100.5, 20, 100\r\n",
         TTextLayout::HplcColumns},
        {"Run 7\nRT (min)\tm/z\tintensity\n1.5\t100\t5\n", TTextLayout::HplcColumns},
        {"Retention time;m/z;I;I%\n1,5 100 5 50\n", TTextLayout::HplcColumns},
        // ... but not above data of two numbers, nor away from the data.
        {"Time Mass\n37.66 49.99\n", TTextLayout::FirstTwoNumbers},
        {"Time 37.66 min\nm/z intensity\n100 5 0 7\n101 6 0 7\n", TTextLayout::FirstTwoNumbers},
        // Four numbers whose first repeats: at most half of the lines give a new one.
        {"\xEF\xBB\xBF"
         "37.66 49.99 0 0\n37.66 50.95 1 11.1\n",
         TTextLayout::HplcColumns},
        {"1 100 5 9\n1 101 6 9\n2 102 7 9\n2 103 8 9\n", TTextLayout::HplcColumns},
        {"1 100 5 9\n1 101 6 9\n2 102 7 9\n3 103 8 9\n", TTextLayout::FirstTwoNumbers},
        {"37.66 49.99 0 0\n", TTextLayout::FirstTwoNumbers},
        {"37.66 49.99 0\n37.66 50.95 1\n", TTextLayout::FirstTwoNumbers},
        {"37.66 49.99 0 0 7\n37.66 50.95 1 11.1 7\n", TTextLayout::FirstTwoNumbers},
        {"m/z, intensity\n100.5, 20\n100.7, 21\n", TTextLayout::FirstTwoNumbers},
        {"", TTextLayout::FirstTwoNumbers},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(detectTextLayout(c.text), c.layout) << c.text;
        EXPECT_EQ(readTextSpectrum(c.text, TTextLayout::Detect).layout, c.layout) << c.text;
    }
}

TEST(TextSpectrum, FourColumnsReadAsTheirFirstTwoNumbersWithoutTheHplcLayout) {
    const TTextSpectrum read = readTextSpectrum(
        "  Time  Mass  Intensity  Rel%\n37.66 49.99 0.0 0.0\n37.66 50.95 1.0 11.1\n"
        "37.66 51.38 2.0 22.2\n",
        TTextLayout::FirstTwoNumbers);
    EXPECT_EQ(read.lineErrors, 1);
    EXPECT_EQ(read.points->points(),
              (std::vector<TFloatPointRec>{{asFloat(37.66), asFloat(49.99)},
                                           {asFloat(37.66), asFloat(50.95)},
                                           {asFloat(37.66), asFloat(51.38)}}));
}

TEST(TextSpectrum, SeparatorsAndDecimalSeparators) {
    const TTextSpectrum read = readTextSpectrum(
        "Title, run 7\r\n"
        "m/z, intensity\r\n"
        "100.5, 10\r\n"           // comma and blank
        "200.25,20,extra\r\n"     // commas only, a third column
        "  ,\t300.5\t\t30 x\r\n"  // leading separators, trailing text
        "400,5\t40,25\r\n"        // decimal commas between tabs
        "+600 -60\r\n"            // signs
        "7e2 7E1",                // exponents, no line break at the end
        TTextLayout::FirstTwoNumbers);
    EXPECT_EQ(read.lineErrors, 2);
    EXPECT_EQ(read.dataLines, 6);
    EXPECT_EQ(read.points->points(), (std::vector<TFloatPointRec>{{100.5, 10.0},
                                                                  {200.25, 20.0},
                                                                  {300.5, 30.0},
                                                                  {400.5, 40.25},
                                                                  {600.0, -60.0},
                                                                  {700.0, 70.0}}));
}

TEST(TextSpectrum, PairsWithoutAPositiveXANonZeroYOrAFiniteValueAreSkippedWithoutACount) {
    // The byte order mark does not spoil the first line: it is no line error.
    const TTextSpectrum read = readTextSpectrum(
        "\xEF\xBB\xBF"
        "0 5\n-3 5\n3 0\n3 -0.0\n4 1e-50\nnan 5\n5 inf\n6 1e39\n1e400 2\n7 -2\n8 2\n",
        TTextLayout::FirstTwoNumbers);
    EXPECT_EQ(read.lineErrors, 0);
    EXPECT_EQ(read.dataLines, 11);
    EXPECT_EQ(read.points->points(), (std::vector<TFloatPointRec>{{7.0, -2.0}, {8.0, 2.0}}));
}

// The header zone: up to 19 unreadable lines among the first 20; 20 refuse the file. After it,
// the first unreadable line ends the reading without a word.
TEST(TextSpectrum, HeaderZoneAndTheEndOfTheData) {
    std::string nineteen;
    for (int i = 0; i < 19; ++i) nineteen += "column header " + std::to_string(i) + "\n";
    const TTextSpectrum read =
        readTextSpectrum(nineteen + "1 2\n3 4\n", TTextLayout::FirstTwoNumbers);
    EXPECT_EQ(read.lineErrors, 19);
    EXPECT_EQ(read.points->count(), 2);

    EXPECT_EQ(messageOf([&] {
                  readTextSpectrum(nineteen + "still text\n1 2\n", TTextLayout::FirstTwoNumbers);
              }),
              "More than 20 line errors.");

    // A blank line inside the zone is one more error; one after it ends the data.
    std::string lines = "title\n1 1\n\n";
    for (int i = 4; i <= 21; ++i) lines += std::to_string(i) + " 1\n";
    lines += "\n30 1\n31 1\n";
    const TTextSpectrum stopped = readTextSpectrum(lines, TTextLayout::FirstTwoNumbers);
    EXPECT_EQ(stopped.lineErrors, 2);
    EXPECT_EQ(stopped.stopLine, 22);
    EXPECT_EQ(stopped.dataLines, 19);
    EXPECT_EQ(stopped.points->last().x, 21.0);
}

// Lines that straddle the blocks the file is read in arrive whole, CR LF included.
TEST(TextSpectrumFiles, LinesAcrossReadBlocksArriveWhole) {
    const TTempFolder folder;
    std::string bytes;
    std::vector<TFloatPointRec> expected;
    for (int i = 1; i <= 250000; ++i) {
        const double x = 100.0 + i * 0.0625;
        bytes += std::to_string(i * 0.0625 + 100.0) + "\t" + std::to_string(i % 977 + 1) + "\r\n";
        expected.push_back({asFloat(x), static_cast<double>(i % 977 + 1)});
    }
    ASSERT_GT(bytes.size(), 3u << 20);
    const TTextSpectrum read =
        readTextSpectrumFile(folder.write("long.txt", bytes), TTextLayout::FirstTwoNumbers);
    EXPECT_EQ(read.lineErrors, 0);
    EXPECT_EQ(read.stopLine, std::nullopt);
    EXPECT_EQ(read.points->points(), expected);
}

// A line beyond the length limit is an unreadable line, passed over without being kept: a file
// of many megabytes without a line break is refused, not held in memory.
TEST(TextSpectrumFiles, OverlongLinesAreUnreadable) {
    const TTempFolder folder;
    const std::string longLine(maxTextLineLength + 10, '7');
    std::string body;
    for (int i = 1; i <= 25; ++i) body += std::to_string(i) + " 1\n";
    const TTextSpectrum stopped =
        readTextSpectrumFile(folder.write("body.txt", body + "26 " + longLine + "\n27 1\n"),
                             TTextLayout::FirstTwoNumbers);
    EXPECT_EQ(stopped.stopLine, 26);
    EXPECT_EQ(stopped.points->count(), 25);

    // Exactly at the limit is still a line.
    const std::string atLimit = "5 " + std::string(maxTextLineLength - 2, '1');
    EXPECT_EQ(readTextSpectrum(atLimit, TTextLayout::FirstTwoNumbers).dataLines, 1);
    EXPECT_EQ(readTextSpectrum(atLimit + "1", TTextLayout::FirstTwoNumbers).lineErrors, 1);

    // A file that gives nothing says which line is too long, not that no line starts with
    // numbers.
    const std::string path = folder.write("nobreak.txt", std::string(24u << 20, '5'));
    EXPECT_EQ(messageOf([&] { importTextSpectrum(path); }),
              "No spectrum in \"" + path +
                  "\": line 1 is longer than 64 KiB, the most a line "
                  "may hold.");
    const std::string titled = folder.write("titled.txt", "m/z intensity\r" + longLine);
    EXPECT_EQ(messageOf([&] { importTextSpectrum(titled); }),
              "No spectrum in \"" + titled +
                  "\": line 2 is longer than 64 KiB, the most a line "
                  "may hold.");
}

// A file of old Mac programs ends its lines with CR alone; a CR LF is one line end even when
// the file's read blocks part the two.
TEST(TextSpectrumFiles, LoneCrAndCrLfEndLinesAlsoAcrossReadBlocks) {
    const TTextSpectrum mac = readTextSpectrum("Title\r\r100 5\r200 10\r\n300 15\n400 20\r",
                                               TTextLayout::FirstTwoNumbers);
    EXPECT_EQ(mac.lineErrors, 2);  // the title and the empty line after it
    EXPECT_EQ(mac.points->points(),
              (std::vector<TFloatPointRec>{{100, 5}, {200, 10}, {300, 15}, {400, 20}}));

    // Lines padded so that a CR is the last byte of the first block (its LF the first of the
    // next), and a lone CR the last of the second.
    std::string bytes;
    int lines = 0;
    const auto addLine = [&](std::size_t endAt, const char* end) {
        const std::string numbers =
            std::to_string(100 + lines) + " " + std::to_string(lines % 7 + 1);
        const std::size_t pad = endAt ? endAt - bytes.size() - numbers.size() : 0;
        bytes += std::string(pad, ' ') + numbers + end;
        ++lines;
    };
    while (bytes.size() + 64 < textReadBlockBytes) addLine(0, "\r\n");
    addLine(textReadBlockBytes - 1, "\r\n");
    while (bytes.size() + 64 < 2 * textReadBlockBytes) addLine(0, "\n");
    addLine(2 * textReadBlockBytes - 1, "\r");
    addLine(0, "\r");
    ASSERT_EQ(bytes.substr(textReadBlockBytes - 1, 2), "\r\n");
    ASSERT_EQ(bytes[2 * textReadBlockBytes - 1], '\r');
    ASSERT_NE(bytes[2 * textReadBlockBytes], '\n');

    const TTempFolder folder;
    const TTextSpectrum read =
        readTextSpectrumFile(folder.write("blocks.txt", bytes), TTextLayout::FirstTwoNumbers);
    EXPECT_EQ(read.lineErrors, 0);
    EXPECT_EQ(read.stopLine, std::nullopt);
    EXPECT_EQ(read.dataLines, lines);
    EXPECT_EQ(read.points->last().x, 100.0 + lines - 1);
}

// A spectrum of negative intensities only keeps its signs and its shape: its largest magnitude
// becomes -100. One positive intensity is the base peak as usual.
TEST(TextSpectrumFiles, NegativeIntensitiesOnlyNormaliseToTheirLargestMagnitude) {
    const TTempFolder folder;
    EXPECT_EQ(
        importTextSpectrum(folder.write("negative.txt", "100 -5\n200 -10\n300 -2.5\n"))->points(),
        (std::vector<TFloatPointRec>{{100, -50}, {200, -100}, {300, -25}}));
    EXPECT_EQ(importTextSpectrum(folder.write("mixed.txt", "100 2\n200 -10\n"))->points(),
              (std::vector<TFloatPointRec>{{100, 100}, {200, -500}}));
}

TEST(TextSpectrumFiles, FilesThatGiveNoPointAreRefused) {
    const TTempFolder folder;
    const std::string missing = folder.file("missing.txt").string();
    EXPECT_EQ(messageOf([&] { importTextSpectrum(missing, TTextLayout::FirstTwoNumbers); }),
              "Cannot read \"" + missing + "\": No such file or directory");
    const std::string empty = folder.write("empty.txt", "");
    EXPECT_EQ(messageOf([&] { importTextSpectrum(empty, TTextLayout::HplcColumns); }),
              "No spectrum in \"" + empty + "\": no line starts with a time, an x and a y value.");
    const std::string zeros = folder.write("zeros.txt", "mass intensity\n100 0\n-5 3\n");
    EXPECT_EQ(messageOf([&] { importTextSpectrum(zeros, TTextLayout::FirstTwoNumbers); }),
              "No spectrum in \"" + zeros + "\": no line has an x above 0 and a y other than 0.");
}

// --- series text, mass list, string list ---------------------------------------------------------

TEST(SeriesText, APasteFaultKeepsThePairsBeforeItAndRecomputesTheCorners) {
    TFloatPointSortedList points = pointsOf({{1.0, 1.0}, {2.0, 500.0}});
    EXPECT_EQ(points.getMaxPoint(), (TFloatPointRec{2.0, 500.0}));

    EXPECT_EQ(messageOf([&] { readSeriesText(points, "10 20\n30 40\n50"); }),
              "Interrupted. wrong X Y format");
    EXPECT_EQ(points.points(), (std::vector<TFloatPointRec>{{10.0, 20.0}, {30.0, 40.0}}));
    EXPECT_EQ(points.getMaxPoint(), (TFloatPointRec{30.0, 40.0}));

    readSeriesText(points, "0 5 3 0 2 7\n");
    EXPECT_EQ(points.points(), (std::vector<TFloatPointRec>{{2.0, 7.0}}));
}

TEST(SeriesText, MassListByteForByte) {
    const TFloatPointSortedList points =
        pointsOf({{5.5, 1.0}, {1234.56789, 2.0}, {-0.25, 3.0}, {123456789012.5, 4.0}});
    EXPECT_EQ(massListText(points),
              "        -0.2500\n"
              "         5.5000\n"
              "      1234.5679\n"
              "123456789012.5000\n");
    EXPECT_EQ(massListText(TFloatPointSortedList()), "");
}

TEST(SeriesText, StringListBothWays) {
    EXPECT_EQ(stringListItem({5.5, 20.0}), "5.5000\t20.000");
    EXPECT_EQ(stringListItem({-1.5, 0.0004}), "-1.5000\t0.000");

    TFloatPointSortedList points = pointsOf({{99.0, 99.0}});
    readStringList(points, {"  10,5\t20", "0 5", "7 0", "12 3\r\n", "14 2 extra", "13\t\t4"});
    EXPECT_EQ(points.points(),
              (std::vector<TFloatPointRec>{{10.5, 20.0}, {12.0, 3.0}, {13.0, 4.0}, {14.0, 2.0}}));

    EXPECT_EQ(messageOf([&] {
                  readStringList(points, {"1 2", "x 3", "4 5"});
              }),
              "Interrupted. wrong X Y format");
    EXPECT_EQ(points.points(), (std::vector<TFloatPointRec>{{1.0, 2.0}}));
    EXPECT_EQ(readStringListItem("7"), std::nullopt);
}

}  // namespace
