// Axis ranges: pixel/world conversions, their guards and the change notification.
#include "Range.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// Installs a recording error hook for one test and removes it afterwards.
class RecordedRangeErrors {
public:
    RecordedRangeErrors() {
        setRangeErrorHook([this](const std::string& message) { messages.push_back(message); });
    }
    ~RecordedRangeErrors() { setRangeErrorHook(nullptr); }
    std::vector<std::string> messages;
};

TRangePtr reversedRange(double min, double max) {
    auto range = newRange(min, max);
    range->setReversed(true);
    return range;
}

}  // namespace

TEST(RangePixelMapping, MapsBothDirectionsOnAHundredPixelAxis) {
    const auto range = newRange(0, 100);
    EXPECT_EQ(range->pixelOf(101, 50), 50);
    EXPECT_EQ(range->pixelOf(101, 0), 0);
    EXPECT_EQ(range->pixelOf(101, 100), 100);
    EXPECT_DOUBLE_EQ(range->valueAt(101, 50), 50);
    EXPECT_EQ(range->pixelOf(101, -10), -10);  // outside the interval, outside the axis
    EXPECT_EQ(range->pixelOf(101, 130), 130);
}

TEST(RangePixelMapping, ReversedRangePutsMaxAtPixelZero) {
    const auto range = reversedRange(0, 100);
    EXPECT_EQ(range->pixelOf(101, 100), 0);
    EXPECT_EQ(range->pixelOf(101, 0), 100);
    EXPECT_DOUBLE_EQ(range->valueAt(101, 0), 100);
    EXPECT_DOUBLE_EQ(range->valueAt(101, 100), 0);
    EXPECT_DOUBLE_EQ(range->valueAt(101, 25.5), 74.5);
}

TEST(RangePixelMapping, HalvesRoundToTheEvenPixel) {
    // On 0..100 with three pixels a pixel spans 50 units: 25 is at pixel 0.5, 75 at 1.5.
    const auto range = newRange(0, 100);
    EXPECT_EQ(range->pixelOf(3, 25), 0);
    EXPECT_EQ(range->pixelOf(3, 75), 2);
    EXPECT_EQ(range->pixelOf(3, 125), 2);
    EXPECT_EQ(range->pixelOf(3, 175), 4);
    EXPECT_EQ(range->pixelOf(3, -25), 0);
    EXPECT_EQ(range->pixelOf(3, -75), -2);
    EXPECT_EQ(range->pixelOf(3, 75.000001), 2);
    EXPECT_EQ(range->pixelOf(3, 124.999), 2);
    EXPECT_EQ(range->pixelOf(3, 125.001), 3);
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

TEST(RangePixelMappingGuards, EmptyOrInvertedRangeMapsToPixelZero) {
    EXPECT_EQ(newRange(5, 5)->pixelOf(101, 5), 0);
    EXPECT_EQ(newRange(5, 5)->pixelOf(101, 100), 0);
    EXPECT_EQ(newRange(100, 0)->pixelOf(101, 50), 0);
    EXPECT_EQ(newRange(0, 100)->pixelOf(101, std::nan("")), 0);
}

TEST(RangePixelMappingGuards, AxisOfFewerThanTwoPixelsHasValueZero) {
    const auto range = newRange(10, 20);
    EXPECT_EQ(range->valueAt(1, 0), 0);
    EXPECT_EQ(range->valueAt(0, 3), 0);
    EXPECT_EQ(range->valueAt(-5, 3), 0);
}

TEST(RangePixelMappingGuards, FarOffValuesStayOnTheirSideOfTheAxis) {
    const auto range = newRange(0, 1e-9);
    EXPECT_EQ(range->pixelOf(1000, 1e6), std::numeric_limits<int>::max());
    EXPECT_EQ(range->pixelOf(1000, -1e6), std::numeric_limits<int>::min());
    EXPECT_EQ(range->pixelOf(1000, std::numeric_limits<double>::infinity()),
              std::numeric_limits<int>::max());
}

TEST(RangePixelMappingGuards, NonFiniteValueIsReportedAndGivesZero) {
    const auto huge = newRange(-1e308, 1e308);  // its size overflows to infinity
    EXPECT_EQ(huge->valueAt(101, 50), 0);       // no hook installed: still 0
    RecordedRangeErrors errors;
    EXPECT_EQ(huge->valueAt(101, 50), 0);
    EXPECT_EQ(newRange(0, 100)->valueAt(101, std::nan("")), 0);
    EXPECT_DOUBLE_EQ(newRange(0, 100)->valueAt(101, 50), 50);
    EXPECT_EQ(errors.messages, (std::vector<std::string>{"Device To LOgic", "Device To LOgic"}));
}

TEST(RangeNotification, SetCenterKeepsTheSizeAndNotifiesTwice) {
    const auto range = newRange(0, 100);
    std::vector<std::pair<double, double>> seen;
    range->setOnChange([&](TRange& sender) {
        EXPECT_EQ(&sender, range.get());
        seen.emplace_back(sender.getMin(), sender.getMax());
    });
    range->setCenter(60);
    EXPECT_DOUBLE_EQ(range->getMin(), 10);
    EXPECT_DOUBLE_EQ(range->getMax(), 110);
    EXPECT_EQ(seen, (std::vector<std::pair<double, double>>{{10, 100}, {10, 110}}));
}

TEST(RangeNotification, ResetToFullRestoresTheCreationBounds) {
    const auto range = newRange(-5, 100);
    int calls = 0;
    range->setOnChange([&](TRange&) { ++calls; });
    range->setMin(20);
    range->setMax(30);
    range->resetToFull();
    EXPECT_DOUBLE_EQ(range->getMin(), -5);
    EXPECT_DOUBLE_EQ(range->getMax(), 100);
    EXPECT_EQ(calls, 4);

    range->setFullMin(0);
    range->setFullMax(600);
    range->resetToFull();
    EXPECT_DOUBLE_EQ(range->getMin(), 0);
    EXPECT_DOUBLE_EQ(range->getMax(), 600);
}

TEST(RangeCopy, CloneDropsAndAssignKeepsTheSubscriber) {
    const auto source = reversedRange(1, 2);
    source->setFullMax(9);
    source->setOnChange([](TRange&) { FAIL() << "the source was notified"; });
    const auto copy = source->clone();
    EXPECT_FALSE(copy->getOnChange());
    copy->setMin(0);
    EXPECT_DOUBLE_EQ(source->getMin(), 1);

    const auto target = newRange(0, 100);
    int calls = 0;
    target->setOnChange([&](TRange&) { ++calls; });
    target->assign(*source);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(target->getPoint(), (TFloatPointRec{1, 2}));
    EXPECT_DOUBLE_EQ(target->getFullMax(), 9);
    EXPECT_TRUE(target->getReversed());
    target->setMax(3);
    EXPECT_EQ(calls, 1);
}
