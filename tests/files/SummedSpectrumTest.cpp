// Spectra summed into one: profile spectra on their common grid, centroid lists merged within a
// tolerance, and the spectra of a retention-time range of a real run, kept or decoded again.
#include "files/SummedSpectrum.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/MzMlRun.h"

namespace {

using Points = std::vector<TFloatPointRec>;

TEST(SummedSpectra, ProfilesAddTheirInterpolationOnTheFinestGrid) {
    // Evenly spaced: the grid is the spectrum's own points, and twice the spectrum is twice
    // its intensities there.
    Points once;
    for (int i = 0; i <= 40; ++i) once.push_back({700.0 + 0.0125 * i, 3.0 + (i % 7) * 11.5});
    const Points single = sumProfiles({once});
    const Points twice = sumProfiles({once, once});
    ASSERT_EQ(single.size(), once.size());
    ASSERT_EQ(twice.size(), once.size());
    for (std::size_t i = 0; i < once.size(); ++i) {
        EXPECT_NEAR(single[i].x, once[i].x, 1e-9);
        EXPECT_NEAR(single[i].y, once[i].y, 1e-6);
        EXPECT_EQ(twice[i].x, single[i].x);
        EXPECT_DOUBLE_EQ(twice[i].y, 2.0 * single[i].y);
    }

    // Spaced 1 and 0.5: the grid steps 0.5 from the lowest m/z to the highest; each spectrum
    // adds its straight line between its points, and nothing beyond its ends.
    const Points coarse{{100.0, 0.0}, {101.0, 10.0}, {102.0, 20.0}};
    const Points fine{{101.0, 4.0}, {101.5, 6.0}, {102.0, 8.0}, {102.5, 2.0}};
    EXPECT_EQ(sumProfiles({coarse, fine}), (Points{{100.0, 0.0},
                                                   {100.5, 5.0},
                                                   {101.0, 14.0},
                                                   {101.5, 21.0},
                                                   {102.0, 28.0},
                                                   {102.5, 2.0}}));

    // A stretch the writer left out is no straight line: the grid points inside it are none.
    const Points gapped{{200.0, 1.0}, {200.1, 2.0}, {200.2, 1.0}, {205.0, 1.0}, {205.1, 3.0}};
    const Points summed = sumProfiles({gapped});
    for (const TFloatPointRec& p : summed) EXPECT_TRUE(p.x < 200.2001 || p.x > 204.9999) << p.x;
    EXPECT_EQ(summed.size(), 5u);
}

TEST(SummedSpectra, CentroidsWithinTheToleranceMergeAtTheirWeightedMz) {
    // 8 ppm apart: one peak at the intensity-weighted m/z; 40 ppm further: a peak of its own.
    const Points a{{500.000, 1.0}, {500.020, 5.0}, {800.0, 2.0}};
    const Points b{{500.004, 3.0}};
    const Points merged = mergeCentroids({a, b}, 10.0);
    ASSERT_EQ(merged.size(), 3u);
    EXPECT_NEAR(merged[0].x, 500.003, 1e-9);
    EXPECT_DOUBLE_EQ(merged[0].y, 4.0);
    EXPECT_EQ(merged[1], (TFloatPointRec{500.020, 5.0}));
    EXPECT_EQ(merged[2], (TFloatPointRec{800.0, 2.0}));
    // A tighter tolerance keeps them apart.
    EXPECT_EQ(mergeCentroids({a, b}, 5.0).size(), 4u);
}

TEST(SummedSpectra, ARangeOfARealRunKeptOrDecodedAgainGivesTheSameSum) {
    const TMzMlRunReader run(std::string(VELMORIX_TEST_DATA) + "/mzml/ltqft_small.pwiz.mzML");
    const auto& rows = run.spectra();
    // The MS1 spectra 7 and 8 (profile) with the MS2 ones between them and after.
    const double from = rows[7].retentionTime;
    const double to = rows[8].retentionTime + 0.01;
    std::vector<std::size_t> calls;
    const auto kept = sumSpectra(run, {1}, to, from, {}, [&](std::size_t done, std::size_t total) {
        EXPECT_EQ(total, 4u);
        calls.push_back(done);
        return true;
    });
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->count, 2);
    EXPECT_EQ(kept->peakMode, TPeakMode::Profile);
    EXPECT_EQ(kept->firstRetentionTime, from);
    EXPECT_EQ(kept->lastRetentionTime, rows[8].retentionTime);
    EXPECT_EQ(calls.back(), 4u);
    EXPECT_EQ(kept->points, sumProfiles({run.loadSpectrum(7), run.loadSpectrum(8)}));
    EXPECT_GT(kept->points.size(), 1000u);

    // With no peaks kept between the passes the spectra are decoded again, to the same sum;
    // the average is the sum over the count.
    TSumOptions again;
    again.keptPoints = 0;
    again.threads = 2;
    again.how = TSpectrumSum::Average;
    const auto average = sumSpectra(run, {1}, from, to, again);
    ASSERT_TRUE(average);
    ASSERT_EQ(average->points.size(), kept->points.size());
    for (std::size_t i = 0; i < kept->points.size(); i += 97) {
        EXPECT_EQ(average->points[i].x, kept->points[i].x);
        EXPECT_DOUBLE_EQ(average->points[i].y, kept->points[i].y / 2.0);
    }

    // MS2 spectra are centroid lists: merged, never summed on a grid.
    const auto ms2 = sumSpectra(run, {2}, from, rows[20].retentionTime);
    ASSERT_TRUE(ms2);
    EXPECT_EQ(ms2->peakMode, TPeakMode::Centroid);
    EXPECT_GT(ms2->count, 0);

    // Stopped: nothing.
    EXPECT_FALSE(
        sumSpectra(run, {1}, from, to, {}, [](std::size_t done, std::size_t) { return done < 3; }));
}

}  // namespace
