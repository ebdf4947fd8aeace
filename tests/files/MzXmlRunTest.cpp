// The mzXML run reader: every scan of the real runs against their independent decoders, the row
// facts taken from hand-made tags, and peaks decoded one scan at a time.
#include "files/MzXmlRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <locale>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "files/MzXml.h"
#include "support/TestHelpers.h"

namespace {

const std::string dataFolder = std::string(VELMORIX_TEST_DATA) + "/mzxml/";

// --- the oracle ---------------------------------------------------------------------------------

struct TOracleRow {
    int index = 0, num = 0, msLevel = 0;
    std::uint64_t offset = 0;
    double retentionTime = 0.0;
    std::string basePeakMz, basePeakIntensity, totIonCurrent, polarity, centroided;
};
struct TOraclePeaks {
    int index = -1, points = 0;
    TFloatPointRec first, last;
    double minMz = 0.0, maxMz = 0.0, maxIntensity = 0.0, sum = 0.0;
};
struct TOracleRun {
    int scans = 0, ms1 = 0, ms2 = 0;
    long totalPoints = 0;
    std::vector<TOracleRow> rows;
    TOraclePeaks peaks;
};

std::map<std::string, TOracleRun> rowOracles() {
    std::map<std::string, TOracleRun> runs;
    std::ifstream in(dataFolder + "rows.txt");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        std::string kind, file;
        fields >> kind >> file;
        TOracleRun& run = runs[file];
        if (kind == "run") {
            fields >> run.scans >> run.ms1 >> run.ms2 >> run.totalPoints;
        } else if (kind == "scan") {
            TOracleRow r;
            fields >> r.index >> r.num >> r.msLevel >> r.offset >> r.retentionTime >>
                r.basePeakMz >> r.basePeakIntensity >> r.totIonCurrent >> r.polarity >>
                r.centroided;
            run.rows.push_back(r);
        } else {
            TOraclePeaks& p = run.peaks;
            fields >> p.index >> p.points >> p.first.x >> p.first.y >> p.last.x >> p.last.y >>
                p.minMz >> p.maxMz >> p.maxIntensity >> p.sum;
        }
        EXPECT_TRUE(fields) << line;
    }
    return runs;
}

// An attribute as the oracle writes it: a number, or "-" when the scan does not give it.
double attributeValue(const std::string& text) {
    if (text == "-") return TSpectrumRow::absent;
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double value = 0.0;
    in >> value;
    return value;
}

void expectSameOrBothAbsent(double got, double want, const char* what) {
    if (std::isnan(want))
        EXPECT_TRUE(std::isnan(got)) << what << " " << got;
    else
        EXPECT_EQ(got, want) << what;
}

TPolarity polarityOf(const std::string& text) {
    return text == "+"   ? TPolarity::Positive
           : text == "-" ? TPolarity::Negative
                         : TPolarity::Unknown;
}

TPeakMode peakModeOf(const std::string& text) {
    return text == "1"   ? TPeakMode::Centroid
           : text == "0" ? TPeakMode::Profile
                         : TPeakMode::Unknown;
}

// Every scan is found and decodes to the oracle's total of points; the first twelve rows give
// the oracle's facts, and a scan beyond the eleven the import decodes gives its peaks.
TEST(MzXmlRunRealRuns, EveryScanAsTheOraclesSay) {
    const auto runs = rowOracles();
    ASSERT_EQ(runs.size(), 8u);
    for (const auto& [file, oracle] : runs) {
        SCOPED_TRACE(file);
        const std::unique_ptr<iRunReader> run =
            std::make_unique<TMzXmlRunReader>(dataFolder + file);
        const std::vector<TSpectrumRow>& rows = run->spectra();
        ASSERT_EQ(static_cast<int>(rows.size()), oracle.scans);
        int levels[3] = {};
        long points = 0;
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            const TSpectrumRow& row = rows[static_cast<std::size_t>(i)];
            ++levels[row.msLevel == 1 || row.msLevel == 2 ? row.msLevel : 0];
            const auto peaks = run->loadSpectrum(i);
            EXPECT_EQ(static_cast<int>(peaks.size()), row.peaksCount) << "scan index " << i;
            points += static_cast<long>(peaks.size());
            if (i > 0) {
                EXPECT_GT(row.offset, rows[static_cast<std::size_t>(i) - 1].offset);
            }
        }
        EXPECT_EQ(levels[0], 0);
        EXPECT_EQ(levels[1], oracle.ms1);
        EXPECT_EQ(levels[2], oracle.ms2);
        EXPECT_EQ(points, oracle.totalPoints);

        for (const TOracleRow& want : oracle.rows) {
            SCOPED_TRACE("scan index " + std::to_string(want.index));
            const TSpectrumRow& row = rows.at(static_cast<std::size_t>(want.index));
            EXPECT_EQ(row.scanNumber, want.num);
            EXPECT_EQ(row.msLevel, want.msLevel);
            EXPECT_EQ(row.offset, want.offset);
            EXPECT_DOUBLE_EQ(row.retentionTime, want.retentionTime);
            expectSameOrBothAbsent(row.basePeakMz, attributeValue(want.basePeakMz), "base peak");
            expectSameOrBothAbsent(row.basePeakIntensity, attributeValue(want.basePeakIntensity),
                                   "base peak intensity");
            expectSameOrBothAbsent(row.totIonCurrent, attributeValue(want.totIonCurrent), "TIC");
            EXPECT_EQ(row.polarity, polarityOf(want.polarity));
            EXPECT_EQ(row.peakMode, peakModeOf(want.centroided));
            // Only MS2 scans have a precursor in these runs.
            EXPECT_EQ(row.hasPrecursor(), row.msLevel == 2);
        }

        const TOraclePeaks& want = oracle.peaks;
        SCOPED_TRACE("peaks of scan index " + std::to_string(want.index));
        const auto peaks = run->loadSpectrum(want.index);
        ASSERT_EQ(static_cast<int>(peaks.size()), want.points);
        EXPECT_EQ(peaks.front(), want.first);
        EXPECT_EQ(peaks.back(), want.last);
        EXPECT_EQ(peakSummary(peaks),
                  (TPeakSummary{want.minMz, want.maxMz, want.maxIntensity, want.sum}));
    }
}

// --- hand-made runs -----------------------------------------------------------------------------

// QsgAAECgAAA= is one 32-bit pair: (100, 5).
constexpr const char* onePeak = "<peaks precision=\"32\">QsgAAECgAAA=</peaks>";

TMzXmlRunReader readText(const std::string& text) {
    return TMzXmlRunReader::fromText(text, "run.mzXML");
}

// Retention times in any unit a duration gives, precursors where their own scan has one (never
// a nested scan's for its parent), and what the tags state about the spectrum.
TEST(MzXmlRunRows, FactsOfEachScanFromItsOwnTags) {
    const std::string text =
        std::string("<mzXML><msRun scanCount=\"9\">") +
        "<scan num=\"1\" msLevel=\"1\" retentionTime=\"PT1.5M\" polarity=\"-\" centroided=\"0\">" +
        onePeak +
        "<scan num=\"2\" msLevel=\"2\" retentionTime=\"PT0.5H\" centroided=\"true\" "
        "peaksCount=\"1\">\n"
        "  <precursorMz precursorIntensity=\"1e5\" precursorCharge=\"3\" >  644.06 </precursorMz>" +
        onePeak + "</scan></scan>" +
        // No peaks: the window for its precursor ends where the nested scan starts.
        "<scan num=\"3\" retentionTime=\"P1DT1H1M1.25S\" totIonCurrent=\"7.5\">"
        "<scan num=\"4\" msLevel=\"2\" retentionTime=\"12.5\">"
        "<precursorMz>810.79</precursorMz></scan></scan>" +
        // What does not convert leaves the fact out; it does not fail the read.
        "<scan num=\"5\" retentionTime=\"PT1Y\" polarity=\"any\">"
        "<precursorMz precursorCharge=\"300\">555.5</precursorMz></scan>"
        "<scan num=\"6\" retentionTime=\"soon\"><precursorMz "
        "precursorCharge=\"2\">n/a</precursorMz>"
        "</scan><scan num=\"7\" retentionTime=\"PT\"/><scan num=\"8\"/>"
        "</msRun></mzXML>";
    const auto run = readText(text);
    EXPECT_EQ(run.scanCount(), 9);
    EXPECT_TRUE(run.hasRunHeader());
    const auto& rows = run.spectra();
    ASSERT_EQ(rows.size(), 8u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].scanNumber, static_cast<int>(i) + 1);
        EXPECT_EQ(text.compare(rows[i].offset, 5, "<scan"), 0) << i;
    }

    EXPECT_EQ(rows[0].retentionTime, 90.0);
    EXPECT_EQ(rows[0].polarity, TPolarity::Negative);
    EXPECT_EQ(rows[0].peakMode, TPeakMode::Profile);
    EXPECT_FALSE(rows[0].hasPrecursor());
    EXPECT_TRUE(std::isnan(rows[0].totIonCurrent));

    EXPECT_EQ(rows[1].retentionTime, 1800.0);
    EXPECT_EQ(rows[1].peakMode, TPeakMode::Centroid);
    EXPECT_EQ(rows[1].precursorMz, 644.06);
    EXPECT_EQ(rows[1].precursorCharge, 3);
    EXPECT_EQ(rows[1].peaksCount, 1);

    EXPECT_EQ(rows[2].retentionTime, 86400.0 + 3600.0 + 60.0 + 1.25);
    EXPECT_FALSE(rows[2].hasPrecursor());
    EXPECT_EQ(rows[2].totIonCurrent, 7.5);
    EXPECT_EQ(rows[3].retentionTime, 12.5);
    EXPECT_EQ(rows[3].precursorMz, 810.79);
    EXPECT_EQ(rows[3].precursorCharge, 0);

    EXPECT_TRUE(std::isnan(rows[4].retentionTime));
    EXPECT_EQ(rows[4].polarity, TPolarity::Unknown);
    EXPECT_EQ(rows[4].precursorMz, 555.5);
    EXPECT_EQ(rows[4].precursorCharge, 0);  // beyond any charge
    EXPECT_TRUE(std::isnan(rows[5].retentionTime));
    EXPECT_FALSE(rows[5].hasPrecursor());
    EXPECT_TRUE(std::isnan(rows[6].retentionTime));
    EXPECT_EQ(rows[7].peakMode, TPeakMode::Unknown);

    // The texts as written are read again from the tags when asked.
    EXPECT_EQ(run.scanInfo(2).retentionTime, "P1DT1H1M1.25S");
    EXPECT_EQ(run.scanInfo(1).precision, 32);
}

// Opening passes over peak data; a scan is decoded when asked, and only its own faults show.
// The import still reports the first fault in file order.
TEST(MzXmlRunRows, PeaksAreDecodedOneScanAtATime) {
    const std::string good = std::string("<scan num=\"1\">") + onePeak + "</scan>";
    const std::string damaged = "<scan num=\"2\"><peaks>QshA!ECgAAA=</peaks></scan>";
    const std::string wrongPrecision = "<scan num=\"3\"><peaks precision=\"16\"/></scan>";
    const std::string noPeaks = "<scan num=\"4\"></scan>";
    const auto run = readText("<msRun>" + good + damaged + wrongPrecision + noPeaks + good);
    ASSERT_EQ(run.spectra().size(), 5u);
    EXPECT_EQ(run.loadSpectrum(0), (std::vector<TFloatPointRec>{{100.0, 5.0}}));
    EXPECT_EQ(errorOf<EMzXmlError>([&] { run.loadSpectrum(1); }),
              "Cannot read \"run.mzXML\": the peak data of scan 2 is not Base64 (it holds \"!\").");
    EXPECT_EQ(errorOf<EMzXmlError>([&] { run.loadSpectrum(2); }),
              "Cannot read \"run.mzXML\": the peak data of scan 3 has precision 16; 32 or 64 is "
              "expected.");
    EXPECT_TRUE(run.loadSpectrum(3).empty());
    EXPECT_EQ(run.loadSpectrum(4), run.loadSpectrum(0));
    EXPECT_THROW(run.loadSpectrum(5), std::out_of_range);
    EXPECT_THROW(run.loadSpectrum(-1), std::out_of_range);

    // A tag that does not convert fails the open, whatever scan it is in; the import decodes
    // its scans as the pass reaches them, so an earlier damaged scan is the fault it reports.
    const std::string badTag = "<scan num=\"5\" msLevel=\"two\"></scan>";
    EXPECT_EQ(errorOf<EMzXmlError>([&] { readText("<msRun>" + good + damaged + badTag); }),
              "Cannot read \"run.mzXML\": \"two\" is not a valid integer value (attribute "
              "\"msLevel\" of scan 5).");
    EXPECT_EQ(
        errorOf<EMzXmlError>([&] { c_mzXML::fromText(good + damaged + badTag, "run.mzXML"); }),
        "Cannot read \"run.mzXML\": the peak data of scan 2 is not Base64 (it holds \"!\").");
}

}  // namespace
