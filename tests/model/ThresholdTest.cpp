// Thresholds: segment arithmetic, vertex insertion, flags, assignment and the clipboard form.
#include "model/Threshold.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "model/ModelErrors.h"
#include "support/FakeClipboard.h"
#include "support/TestHelpers.h"

namespace {

TThresholdPtr thresholdOf(std::initializer_list<TFloatPointRec> vertices) {
    auto threshold = std::make_shared<TThreshold>();
    for (const auto& v : vertices) threshold->add(v);
    return threshold;
}

std::vector<std::uint8_t> blockOf(std::initializer_list<double> values) {
    std::vector<std::uint8_t> block;
    for (double v : values) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof v);
        for (int k = 0; k < 8; ++k) block.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
    }
    return block;
}

}  // namespace

TEST(ThresholdSegments, SlopeInterceptAndBothDirectionsFlatBeyondTheEnds) {
    const auto t = thresholdOf({{10, 25}, {30, 65}, {50, 65}});
    const std::pair<float, int> segments[] = {{5, -1}, {10, 0}, {20, 0}, {30, 1}, {50, 2}, {99, 2}};
    for (const auto& [x, segment] : segments) EXPECT_EQ(t->segmentOf(x), segment) << x;
    EXPECT_EQ(t->slope(0), 2.0f);
    EXPECT_EQ(t->intercept(0), 5.0f);
    EXPECT_EQ(t->intercept(2), 65.0f);
    EXPECT_EQ(t->yAt(0, 20), 45.0f);
    EXPECT_EQ(t->yAt(t->segmentOf(1e6f), 1e6f), 65.0f);  // flat right of the last vertex
    EXPECT_EQ(t->xAt(0, 45), 20.0f);
    EXPECT_EQ(t->xAt(-3, 45), 20.0f);  // the segment index is limited to the curve
    // Beyond the segments: slope 0, inverse slope 2^30.
    EXPECT_EQ(t->slope(-1), 0.0f);
    EXPECT_EQ(t->invSlope(2), 1073741824.0f);
    // The intercept is taken from the 32-bit slope (1/3 rounded), not from the exact one.
    EXPECT_NEAR(thresholdOf({{3000, 1000}, {3003, 1001}})->intercept(0), -2.98e-5, 1e-7);
}

TEST(ThresholdSegments, DivisionsByZeroReachTheCaller) {
    const auto t = thresholdOf({{0, 10}, {50, 10}, {50, 20}});
    EXPECT_EQ(messageOf([&] { t->invSlope(0); }), "Floating point division by zero");
    EXPECT_THROW(t->yAt(1, 50), EMathError);
}

TEST(ThresholdSegments, XAtOnAHorizontalSegmentGivesItsStartAndAnEmptyThresholdIsZero) {
    const auto t = thresholdOf({{0, 10}, {40, 10}, {60, 30}});
    EXPECT_EQ(t->xAt(0, 20), 0.0f);
    EXPECT_EQ(t->xAt(1, 20), 50.0f);
    EXPECT_EQ(thresholdOf({{7, 1}})->xAt(0, 5), 7.0f);
    const auto empty = thresholdOf({});
    EXPECT_EQ(empty->segmentOf(5), -1);
    EXPECT_EQ(empty->yAt(-1, 5), 0.0f);
    EXPECT_EQ(empty->xAt(0, 5), 0.0f);
}

TEST(ThresholdSegments, SegmentOfFindsTheLastOfEqualVerticesAndClampingStaysOnTheCurve) {
    const auto step = thresholdOf({{0, 0}, {50, 0}, {50, 10}, {100, 10}});
    EXPECT_EQ(step->segmentOf(49.9f), 0);
    EXPECT_EQ(step->segmentOf(50), 2);
    EXPECT_EQ(step->yAt(step->segmentOf(50), 50), 10.0f);

    const auto t = thresholdOf({{0, 0}, {10, 0}, {20, 0}});
    const std::pair<float, int> clamped[] = {{-5, 0}, {5, 0}, {15, 1}, {20, 1}, {99, 1}};
    for (const auto& [x, segment] : clamped) EXPECT_EQ(t->segmentClamped(x), segment) << x;
}

TEST(ThresholdInsertVertex, NewVertexLiesOnTheCurve) {
    const auto t = thresholdOf({{0, 0}, {100, 100}});
    EXPECT_EQ(t->insertVertex(25), 1);
    EXPECT_EQ(t->points(), (std::vector<TFloatPointRec>{{0, 0}, {25, 25}, {100, 100}}));
    t->insertVertex(-10);
    t->insertVertex(150);
    EXPECT_EQ(t->first(), (TFloatPointRec{-10, 0}));
    EXPECT_EQ(t->last(), (TFloatPointRec{150, 100}));
}

TEST(ThresholdFlags, ActiveImpliesEnabled) {
    TThreshold t(0, 10, 100, 10);
    int calls = 0;
    t.setOnChange([&](TThreshold&) { ++calls; });
    t.setActive(true);
    EXPECT_TRUE(t.isEnabled());
    t.setEnabled(false);
    EXPECT_FALSE(t.isActive());
    EXPECT_EQ(calls, 2);  // one notification for disabling
}

TEST(ThresholdAssign, CopiesVerticesInOrderAndFlagsNotifiesOnceAndACloneIsIndependent) {
    const auto source = thresholdOf({{0, 0}, {50, 0}, {50, 10}, {100, 10}});
    source->setTag(3);
    source->setActive(true);
    TThreshold target(0, 10, 100, 10);
    int calls = 0;
    target.setOnChange([&](TThreshold&) { ++calls; });
    target.assign(*source);
    EXPECT_EQ(target.points(), source->points());  // the step keeps its order
    EXPECT_EQ(target.tag(), 3);
    EXPECT_TRUE(target.isActive());
    EXPECT_EQ(calls, 1);
    target.assign(target);  // to itself: the vertices stay
    EXPECT_EQ(target.points(), source->points());

    const auto copy = target.clone();  // without the subscriber
    EXPECT_FALSE(copy->onChange());
    copy->insertVertex(20);
    EXPECT_EQ(target.count(), 4);
}

TEST(ThresholdClipboard, BlockIsLittleEndianDoublesTextHasThreeDecimals) {
    const auto t = thresholdOf({{1, 2}, {3, 4.5}});
    const auto block = t->getClipboardBlock();
    EXPECT_EQ(block, blockOf({1, 2, 3, 4.5}));

    // The companion text: three decimals, a trailing space after each vertex.
    EXPECT_EQ(t->getClipboardText(), "THRESHOLDS: (1.000, 2.000) (3.000, 4.500) ");
    EXPECT_EQ(thresholdOf({{-0.0005, 1234567.8916}})->getClipboardText(),
              "THRESHOLDS: (-0.001, 1234567.892) ");
}

TEST(ThresholdClipboard, CopyPutsTextAndBlockInOneOperation) {
    FakeClipboard clipboard;
    const auto t = thresholdOf({{1, 2}, {3, 4.5}});
    t->copyToClipboard(clipboard);
    EXPECT_EQ(clipboard.puts(), 1);  // text and block in one operation
    EXPECT_EQ(clipboard.text(), t->getClipboardText());

    const auto pasted = thresholdOf({{0, 0}});
    EXPECT_TRUE(pasted->pasteFromClipboard(clipboard));
    EXPECT_EQ(pasted->points(), t->points());
}

TEST(ThresholdClipboard, PasteTakesWholeFiniteRecordsOnlyAndDoesNotNotify) {
    FakeClipboard clipboard;
    clipboard.setText("THRESHOLDS: (1.000, 2.000) ");
    const auto t = newDefaultThreshold();
    int calls = 0;
    t->setOnChange([&](TThreshold&) { ++calls; });
    EXPECT_FALSE(t->pasteFromClipboard(clipboard));
    clipboard.setData("CF_THRESHOLD", std::vector<std::uint8_t>(15, 0));  // not one whole record
    EXPECT_FALSE(t->pasteFromClipboard(clipboard));
    EXPECT_FALSE(t->setClipboardBlock(blockOf({1, 2, std::nan(""), 4})));
    EXPECT_EQ(t->points(), (std::vector<TFloatPointRec>{{0, 10}, {100, 10}}));

    auto block = blockOf({5, 6, 7, 8});
    block.insert(block.end(), {1, 2, 3, 4, 5, 6, 7, 8});  // a trailing partial record
    EXPECT_TRUE(t->setClipboardBlock(block));
    EXPECT_EQ(t->points(), (std::vector<TFloatPointRec>{{5, 6}, {7, 8}}));
    EXPECT_EQ(calls, 0);
}

TEST(ThresholdClipboard, PasteSortsForeignOrder) {
    const auto t = newDefaultThreshold();
    // The two vertices of a step keep their block order wherever they arrive.
    EXPECT_TRUE(t->setClipboardBlock(blockOf({40, 1, 20, 5, 20, 3, 30, 7, 10, 2})));
    EXPECT_EQ(t->points(),
              (std::vector<TFloatPointRec>{{10, 2}, {20, 5}, {20, 3}, {30, 7}, {40, 1}}));
}
