// Axis ranges: pixel/world conversions, their guards and the change notification.
#include "model/Range.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/TestHelpers.h"

TEST(RangePixelMapping, WorkedPixelsOutsideTheIntervalReversedAndHalves) {
    // On 101 pixels a pixel is one unit, also beyond the interval; on three pixels a pixel spans
    // 50 units: 25 is at pixel 0.5, 75 at 1.5, and halves go to the even pixel.
    const auto range = newRange(0, 100);
    const struct {
        int pixels;
        double value;
        int pixel;
    } cases[] = {{101, 100, 100}, {101, -10, -10}, {101, 130, 130}, {3, 25, 0},
                 {3, 75, 2},      {3, -75, -2},    {3, 125.001, 3}, {3, 75.000001, 2}};
    for (const auto& c : cases)
        EXPECT_EQ(range->pixelOf(c.pixels, c.value), c.pixel) << c.pixels << ": " << c.value;
    EXPECT_DOUBLE_EQ(range->valueAt(101, 50), 50);

    range->setReversed(true);  // Max at pixel zero
    EXPECT_EQ(range->pixelOf(101, 100), 0);
    EXPECT_DOUBLE_EQ(range->valueAt(101, 25.5), 74.5);
}

TEST(RangePixelMapping, ValueAtIsTheInverseOfPixelOf) {
    for (const bool reversed : {false, true}) {
        auto range = newRange(3.7, 912.4);
        range->setReversed(reversed);
        const int pixels = 517;
        for (int p = -20; p < pixels + 20; ++p)
            ASSERT_EQ(range->pixelOf(pixels, range->valueAt(pixels, p)), p)
                << "reversed " << reversed;
    }
}

TEST(RangePixelMappingGuards, EmptyOrInvertedRangesShortAxesAndFarOffValues) {
    EXPECT_EQ(newRange(5, 5)->pixelOf(101, 100), 0);  // empty or inverted: pixel zero
    EXPECT_EQ(newRange(100, 0)->pixelOf(101, 50), 0);
    EXPECT_EQ(newRange(0, 100)->pixelOf(101, std::nan("")), 0);

    const auto range = newRange(10, 20);  // fewer than two pixels: value zero
    EXPECT_EQ(range->valueAt(1, 0), 0);
    EXPECT_EQ(range->valueAt(-5, 3), 0);

    const auto tiny = newRange(0, 1e-9);  // far-off values stay on their side of the axis
    EXPECT_EQ(tiny->pixelOf(1000, 1e6), std::numeric_limits<int>::max());
    EXPECT_EQ(tiny->pixelOf(1000, -1e6), std::numeric_limits<int>::min());
}

TEST(RangePixelMappingGuards, NonFiniteValueIsReportedAndGivesZero) {
    const auto huge = newRange(-1e308, 1e308);  // its size overflows to infinity
    std::vector<std::string> messages;
    setRangeErrorHook([&](const std::string& message) { messages.push_back(message); });
    EXPECT_EQ(huge->valueAt(101, 50), 0);
    EXPECT_DOUBLE_EQ(newRange(0, 100)->valueAt(101, 50), 50);
    setRangeErrorHook(nullptr);
    EXPECT_EQ(messages, (std::vector<std::string>{"Device To LOgic"}));
}

TEST(RangeNotification, SetCenterAndResetToFullNotifyTwice) {
    const auto range = newRange(0, 100);
    std::vector<std::pair<double, double>> seen;
    const TConnection listening = range->changed.connect(
        [&](TRange& sender) { seen.emplace_back(sender.min(), sender.max()); });
    range->setCenter(60);  // keeps the size
    range->resetToFull();  // back to the creation bounds
    EXPECT_EQ(seen,
              (std::vector<std::pair<double, double>>{{10, 100}, {10, 110}, {0, 110}, {0, 100}}));
}

TEST(RangeCopy, CloneDropsAndAssignKeepsTheSubscriber) {
    const auto source = newRange(1, 2);
    source->setFullMax(9);
    const TConnection sourceListener = source->changed.connect([](TRange&) {});
    EXPECT_EQ(source->clone()->changed.connectionCount(), 0);

    const auto target = newRange(0, 100);
    int calls = 0;
    const TConnection targetListener = target->changed.connect([&](TRange&) { ++calls; });
    target->assign(*source);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(target->point(), (TFloatPointRec{1, 2}));
    EXPECT_DOUBLE_EQ(target->fullMax(), 9);
    target->setMax(3);
    EXPECT_EQ(calls, 1);
}
