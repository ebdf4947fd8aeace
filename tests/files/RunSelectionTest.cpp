// Choosing the spectra of a run for one pane, and naming them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/RunSelection.h"

namespace {

// A run of the given rows; nothing to decode.
class TRowsRun : public iRunReader {
public:
    explicit TRowsRun(std::vector<TSpectrumRow> rows) : m_rows(std::move(rows)) {}
    const std::string& fileName() const override { return m_name; }
    const char* formatName() const override { return "mzML"; }
    bool indexUsed() const override { return true; }
    const std::vector<std::string>& messages() const override { return m_messages; }
    std::string nativeId(int index) const override { return "index=" + std::to_string(index); }
    const std::vector<TSpectrumRow>& spectra() const override { return m_rows; }
    std::vector<TFloatPointRec> loadSpectrum(int) const override { return {}; }
    int scanCount() const override { return 0; }
    bool hasRunHeader() const override { return true; }

private:
    std::string m_name = "run.mzML";
    std::vector<std::string> m_messages;
    std::vector<TSpectrumRow> m_rows;
};

TSpectrumRow row(int scan, int msLevel = 1, double precursor = TSpectrumRow::absent) {
    TSpectrumRow r;
    r.scanNumber = scan;
    r.msLevel = msLevel;
    r.precursorMz = precursor;
    return r;
}

TEST(RunSelection, ScanListsAsUsersWriteThem) {
    using L = TScanList;
    EXPECT_EQ(parseScanList("5"), (L{{5, 5}}));
    EXPECT_EQ(parseScanList(" 12 , 3-5,9"), (L{{12, 12}, {3, 5}, {9, 9}}));
    EXPECT_EQ(parseScanList("1-2000000000"), (L{{1, 2000000000}}));
    for (const char* wrong : {"", ",", "5,", "7-3", "0", "-3", "3-", "a", "5 6", "99999999999",
                              "3--5", "1.5"})
        EXPECT_EQ(parseScanList(wrong), std::nullopt) << wrong;
}

TEST(RunSelection, ScansComeInTheOrderAskedEachOnceAndTheMissingAreNamed) {
    // Scans out of order in the file, one number twice (two files joined), a gap at 4.
    const TRowsRun run({row(3), row(1), row(2), row(5), row(2), row(6)});
    const TRunChoice choice =
        spectraOfScans(run, *parseScanList("5,1-3,99,3,40-50,2000000000"));
    // 5, then 1, both scans numbered 2 in file order, 3; the second 3 is shown once.
    EXPECT_EQ(choice.indices, (std::vector<int>{3, 1, 2, 4, 0}));
    EXPECT_EQ(choice.missingScans, (std::vector<int>{99, 2000000000}));
    EXPECT_EQ(choice.emptyRanges, (std::vector<TScanRange>{{40, 50}}));

    EXPECT_EQ(firstSpectra(run, 11).indices, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(firstSpectra(run, 2).indices, (std::vector<int>{0, 1}));
}

TEST(RunSelection, NamesTellScanLevelAndPrecursor) {
    EXPECT_EQ(spectrumName(row(5, 2, 810.7949)), "scan 5 \u00b7 MS2 810.79");
    EXPECT_EQ(spectrumName(row(1, 1)), "scan 1 \u00b7 MS1");
    EXPECT_EQ(spectrumName(row(3, 0)), "scan 3");
    // A precursor some writers state as 0 is no precursor.
    EXPECT_EQ(spectrumName(row(4, 2, 0.0)), "scan 4 \u00b7 MS2");
    EXPECT_EQ(spectrumName(row(4, 3, 1234.5)), "scan 4 \u00b7 MS3 1234.50");
}

}  // namespace
