// The background estimator: window levels, the curve's ends, reading it back, a real spectrum.
#include "model/SpectrumParameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/TestHelpers.h"

namespace {

TFloatPointSortedListPtr listOf(std::initializer_list<TFloatPointRec> points) {
    auto list = newFloatPointSortedList();
    for (const auto& p : points) list->add(p);
    return list;
}

std::vector<TFloatPointRec> computed(const TFloatPointSortedListPtr& source) {
    auto background = newFloatPointSortedList();
    c_spectrum_parameters(source, background).computeBackground();
    return background->points();
}

using Curve = std::vector<TFloatPointRec>;

// The largest y is a power of two in these sources, so that quantising to maxY / 262144
// gives the intensities back exactly.

TEST(BackgroundLevels, EachWindowTakesItsMostFrequentIntensity) {
    // Windows end at 128, 256, 384, 512. The first is dominated by 5 (the peak at 1024 and
    // the 7 occur once); the second has 3 and 9 twice each, the higher wins; the third holds
    // only zero and negative intensities; the fourth is unfinished and not evaluated.
    const auto source = listOf({{0, 5},
                                {10, 5},
                                {20, 7},
                                {100, 1024},
                                {130, 3},
                                {140, 3},
                                {150, 9},
                                {200, 9},
                                {260, 0},
                                {270, -4},
                                {400, 2}});
    EXPECT_EQ(computed(source), (Curve{{0, 5}, {64, 5}, {192, 9}, {320, 0}, {448, 0}}));
}

TEST(BackgroundLevels, AGapClosesOneWindowPerPoint) {
    // The point at 500 closes the first window only; the point at 501 closes the second with
    // the level of 500 alone. 501 lies beyond the middle of the unfinished window (320), so
    // the last level reaches to that window's end.
    const auto source = listOf({{0, 4}, {10, 4}, {500, 8}, {501, 6}});
    EXPECT_EQ(computed(source), (Curve{{0, 4}, {64, 4}, {192, 8}, {320, 8}, {448, 8}}));
    // A last point just at the middle of the unfinished window adds no end beyond it.
    EXPECT_EQ(computed(listOf({{0, 4}, {129, 4}, {192, 4}})), (Curve{{0, 4}, {64, 4}, {192, 4}}));
}

TEST(BackgroundLevels, FirstWindowEndRoundsHalvesToEven) {
    // 0.5 + 128 rounds down to 128, so 128.2 is beyond it; 1.5 + 128 rounds up to 130.
    EXPECT_EQ(computed(listOf({{0.5, 2}, {128.2, 2}})), (Curve{{0.5, 2}, {64, 2}, {192, 2}}));
    EXPECT_EQ(computed(listOf({{1.5, 2}, {130.1, 2}})), (Curve{{1.5, 2}, {66, 2}, {194, 2}}));
}

TEST(BackgroundLevels, SourceWithoutPositiveMaximumGivesZeroLevels) {
    // Quantising divides by the largest intensity: a zero or negative one must not count.
    for (const double y : {0.0, -3.0}) {
        const Curve curve = computed(listOf({{0, y}, {50, y - 1}, {200, y}}));
        ASSERT_FALSE(curve.empty());
        for (const auto& p : curve) EXPECT_EQ(p.y, 0.0) << "y " << y << " at x " << p.x;
    }
}

TEST(BackgroundLevels, PointsAboveAStaleMaximumAreNotCounted) {
    auto source = listOf({{0, 8}, {10, 8}, {20, 4}});
    ASSERT_EQ(source->getMaxPoint().y, 8.0);  // cached now
    source->add({30, 64});                    // the cache is not refreshed by add
    source->add({40, 64});
    source->add({200, 1});
    EXPECT_EQ(computed(source), (Curve{{0, 8}, {64, 8}, {192, 8}, {320, 8}}));
}

TEST(BackgroundEnds, EmptyOrMissingSourceFlatZeroOneWindowNoCurveOldCurveReplaced) {
    const Curve flat{{0, 0}, {2147483647.0, 0}};
    EXPECT_EQ(computed(newFloatPointSortedList()), flat);
    EXPECT_EQ(computed(nullptr), flat);
    EXPECT_TRUE(computed(listOf({{10, 5}, {60, 50}, {138, 7}})).empty());

    // An old curve and its cached corners are replaced.
    auto background = listOf({{-500, 1000}, {5000, 2000}});
    ASSERT_EQ(background->getMaxPoint().y, 2000.0);
    c_spectrum_parameters(listOf({{0, 4}, {200, 4}}), background).computeBackground();
    EXPECT_EQ(background->points(), (Curve{{0, 4}, {64, 4}, {192, 4}, {320, 4}}));
    EXPECT_EQ(background->getMaxPoint(), (TFloatPointRec{320, 4}));
}

TEST(BackgroundAt, InterpolatesWithinOneWindowOfTheCurve) {
    auto background = newFloatPointSortedList();
    c_spectrum_parameters parameters(listOf({{0, 4}, {10, 4}, {130, 8}, {140, 8}, {300, 1}}),
                                     background);
    parameters.computeBackground();
    ASSERT_EQ(background->points(), (Curve{{0, 4}, {64, 4}, {192, 8}, {320, 8}}));
    EXPECT_DOUBLE_EQ(parameters.backgroundAt(128), 6.0);
    EXPECT_DOUBLE_EQ(parameters.backgroundAt(-100), 0.0);  // left of the curve
    EXPECT_DOUBLE_EQ(parameters.backgroundAt(449), 0.0);   // more than a window beyond it
}

// Scan 1 of ltqft_small.msconvert.32.mzXML (Thermo LTQ FT, MS1 profile, 200..2000 m/z),
// decoded and written as x<TAB>y without its zero-intensity points.
TEST(BackgroundRealSpectrum, LevelsFollowTheNoiseFloorUnderThePeaks) {
    auto source = newFloatPointSortedList();
    source->setAsText(
        fileBytes(std::string(VELMORIX_TEST_DATA) + "/ltqft_small_scan1_ms1_profile.txt"));
    ASSERT_EQ(source->count(), 10739);
    const double largestPeak = source->getMaxPoint().y;

    auto background = newFloatPointSortedList();
    c_spectrum_parameters(source, background).computeBackground();
    const Curve& curve = background->points();
    // One level per 128 m/z from 204.76 to 2000, and the two ends.
    ASSERT_EQ(curve.size(), 16u);

    int atOrBelowMedian = 0;
    double highestLevel = 0.0;
    for (const auto& level : curve) {
        std::vector<double> window;
        for (const auto& p : source->points())
            if (p.x >= level.x - 64 && p.x <= level.x + 64) window.push_back(p.y);
        ASSERT_FALSE(window.empty()) << "at " << level.x;
        std::sort(window.begin(), window.end());
        EXPECT_GT(level.y, 0.0) << "at " << level.x;
        EXPECT_LT(level.y, window.back()) << "at " << level.x;
        if (level.y <= window[window.size() / 2]) ++atOrBelowMedian;
        highestLevel = std::max(highestLevel, level.y);
    }
    EXPECT_GE(atOrBelowMedian * 4, static_cast<int>(curve.size()) * 3);
    EXPECT_GT(largestPeak, 50 * highestLevel);
}

}  // namespace
