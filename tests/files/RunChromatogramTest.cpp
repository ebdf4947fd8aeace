// Chromatograms computed from a run: the values the file states and the decoded peaks agree on
// a real run; levels whose values are missing are decoded, damaged spectra leave a gap with a
// message, and progress can stop the work.
#include "files/RunChromatogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "files/MzXmlRun.h"

namespace {

// Centroid spectra whose stated total ion current and base peak intensity are the sum and the
// largest of their peaks (the writer computed them), MS2 scans nested in MS1 scans.
const std::string realRun = std::string(VELMORIX_TEST_DATA) + "/mzxml/qtof_agp.openms.mzXML";

TEST(RunChromatograms, StatedValuesAndDecodedPeaksAgreeOnARealRun) {
    const TMzXmlRunReader run(realRun);
    const auto computed = computeChromatograms(run);
    ASSERT_TRUE(computed);
    ASSERT_EQ(computed->size(), 2u);
    std::size_t points = 0;
    for (const TLevelChromatograms& stated : *computed) {
        SCOPED_TRACE("MS" + std::to_string(stated.msLevel));
        EXPECT_EQ(stated.source, TChromatogramSource::StatedValues);
        std::vector<std::size_t> calls;
        const auto decoded =
            chromatogramsFromPeaks(run, stated.msLevel, [&](std::size_t done, std::size_t total) {
                EXPECT_EQ(total, stated.tic.size());
                calls.push_back(done);
                return true;
            });
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->source, TChromatogramSource::DecodedPeaks);
        EXPECT_TRUE(decoded->messages.empty());
        ASSERT_EQ(decoded->tic.size(), stated.tic.size());
        ASSERT_EQ(decoded->bpc.size(), stated.bpc.size());
        ASSERT_EQ(calls.size(), stated.tic.size() + 1);
        EXPECT_EQ(calls.back(), stated.tic.size());
        for (std::size_t i = 0; i < stated.tic.size(); ++i) {
            EXPECT_EQ(decoded->tic[i].x, stated.tic[i].x);
            EXPECT_EQ(decoded->bpc[i].x, stated.tic[i].x);
            EXPECT_NEAR(decoded->tic[i].y, stated.tic[i].y, 1e-6 * stated.tic[i].y) << i;
            EXPECT_NEAR(decoded->bpc[i].y, stated.bpc[i].y, 1e-6 * stated.bpc[i].y) << i;
            if (i > 0) {
                EXPECT_GT(stated.tic[i].x, stated.tic[i - 1].x);
            }
        }
        points += stated.tic.size();
    }
    EXPECT_EQ(points, run.spectra().size());
    EXPECT_EQ((*computed)[0].msLevel, 1);
    EXPECT_EQ((*computed)[0].tic.size(), 52u);
    EXPECT_EQ((*computed)[1].tic.size(), 255u);
    // Minutes are no seconds: the run is 29 to 30 minutes into its acquisition.
    EXPECT_GT((*computed)[0].tic.front().x, 29 * 60.0 - 1);
    EXPECT_LT((*computed)[0].tic.back().x, 30 * 60.0 + 1);
}

// (100, 5) and (200, 7) as 32-bit pairs.
constexpr const char* twoPeaks = "<peaks precision=\"32\">QsgAAECgAABDSAAAQOAAAA==</peaks>";

TEST(RunChromatograms, DecodedWhereTheFileDoesNotStateThem) {
    const auto run = TMzXmlRunReader::fromText(
        std::string("<msRun>") +
            "<scan num=\"1\" msLevel=\"1\" retentionTime=\"PT1S\" totIonCurrent=\"30\" "
            "basePeakIntensity=\"20\">" +
            twoPeaks + "</scan>" +
            "<scan num=\"2\" msLevel=\"2\" retentionTime=\"PT2S\" totIonCurrent=\"99\" "
            "basePeakIntensity=\"99\">" +
            twoPeaks + "</scan>" +
            // No retention time: on no chromatogram, whatever its values.
            "<scan num=\"3\" msLevel=\"2\">" + twoPeaks + "</scan>" +
            "<scan num=\"4\" msLevel=\"2\" retentionTime=\"PT4S\"><peaks>QshA!ECgAAA=</peaks>"
            "</scan>" +
            "<scan num=\"5\" msLevel=\"2\" retentionTime=\"PT5S\" basePeakIntensity=\"1\">" +
            twoPeaks + "</scan>" +
            "<scan num=\"6\" msLevel=\"1\" retentionTime=\"PT6S\" totIonCurrent=\"40\" "
            "basePeakIntensity=\"25\"/>",
        "run.mzXML");
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    const auto computed = computeChromatograms(run, [&](std::size_t done, std::size_t total) {
        calls.emplace_back(done, total);
        return true;
    });
    ASSERT_TRUE(computed);
    ASSERT_EQ(computed->size(), 2u);
    const TLevelChromatograms& ms1 = (*computed)[0];
    EXPECT_EQ(ms1.source, TChromatogramSource::StatedValues);
    EXPECT_EQ(ms1.tic, (std::vector<TFloatPointRec>{{1, 30}, {6, 40}}));
    EXPECT_EQ(ms1.bpc, (std::vector<TFloatPointRec>{{1, 20}, {6, 25}}));

    // Scan 5 lacks its total: the whole level is decoded, the stated values of scan 2 set aside.
    const TLevelChromatograms& ms2 = (*computed)[1];
    EXPECT_EQ(ms2.msLevel, 2);
    EXPECT_EQ(ms2.source, TChromatogramSource::DecodedPeaks);
    EXPECT_EQ(ms2.tic, (std::vector<TFloatPointRec>{{2, 12}, {5, 12}}));
    EXPECT_EQ(ms2.bpc, (std::vector<TFloatPointRec>{{2, 7}, {5, 7}}));
    EXPECT_EQ(ms2.messages, std::vector<std::string>{"Cannot read \"run.mzXML\": the peak data of "
                                                     "scan 4 is not Base64 (it holds \"!\")."});
    // Only the three MS2 spectra with a time are decoded.
    EXPECT_EQ(calls,
              (std::vector<std::pair<std::size_t, std::size_t>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));

    int asked = 0;
    EXPECT_FALSE(computeChromatograms(run, [&](std::size_t done, std::size_t) {
        ++asked;
        return done < 1;
    }));
    EXPECT_EQ(asked, 2);
}

}  // namespace
