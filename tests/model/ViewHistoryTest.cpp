// The view history: walking stops at both ends, recording inserts after the current entry and
// keeps the way forward, a full history gives up the oldest or the newest entry, and a gesture
// leaves one entry.
#include <gtest/gtest.h>

#include "model/ViewHistory.h"

namespace {

TFloatRect view(double x) {
    return {x, 0.0, x + 10.0, 100.0};
}

}  // namespace

TEST(ViewHistory, WalksBetweenItsEndsAndInsertsAfterTheCurrentEntry) {
    TViewHistory history;
    history.start(view(0));
    for (int i = 1; i < 4; ++i) history.record(view(i));  // 0 1 2 3, at 3
    EXPECT_FALSE(history.forward());
    history.back();
    history.back();  // at 1
    history.record(view(10));
    EXPECT_EQ(history.views(),
              (std::vector<TFloatRect>{view(0), view(1), view(10), view(2), view(3)}));
    EXPECT_EQ(history.index(), 2);
    EXPECT_EQ(history.forward(), view(2));
    EXPECT_EQ(history.forward(), view(3));
    EXPECT_FALSE(history.forward());
    for (int i = 0; i < 4; ++i) history.back();
    EXPECT_EQ(history.index(), 0);
    EXPECT_FALSE(history.back());
    history.start(view(50));  // only an empty history starts
    EXPECT_EQ(history.size(), 5);
}

TEST(ViewHistory, AFullHistoryDropsTheOldestAtItsEndAndTheNewestInTheMiddle) {
    TViewHistory history;
    history.start(view(0));
    for (int i = 1; i < 25; ++i) history.record(view(i));
    ASSERT_EQ(history.size(), TViewHistory::maxViews);
    EXPECT_EQ(history.views().front(), view(5));
    EXPECT_EQ(history.index(), 19);

    for (int i = 0; i < 15; ++i) history.back();  // at 9 (the fifth entry)
    history.record(view(50));
    ASSERT_EQ(history.size(), TViewHistory::maxViews);
    EXPECT_EQ(history.index(), 5);
    EXPECT_EQ(history.views()[5], view(50));
    EXPECT_EQ(history.views().front(), view(5));
    EXPECT_EQ(history.views().back(), view(23));
}

// A gesture amends the one entry it made and keeps the way forward; walking, recording or
// clearing ends it, so the next step makes a new entry and never rewrites an older one.
TEST(ViewHistory, AGestureLeavesOneEntryAndEndsWithAnyOtherMove) {
    TViewHistory history;
    history.start(view(0));
    history.record(view(1));
    history.back();  // at 0, 1 ahead
    for (int x = 10; x <= 12; ++x) history.recordStep(view(x));
    EXPECT_EQ(history.views(), (std::vector<TFloatRect>{view(0), view(12), view(1)}));
    EXPECT_EQ(history.index(), 1);

    history.endGesture();
    history.recordStep(view(20));
    history.recordStep(view(21));
    EXPECT_EQ(history.views(), (std::vector<TFloatRect>{view(0), view(12), view(21), view(1)}));

    EXPECT_EQ(history.back(), view(12));
    history.recordStep(view(30));  // after walking: a new entry behind the one shown
    EXPECT_EQ(history.views(),
              (std::vector<TFloatRect>{view(0), view(12), view(30), view(21), view(1)}));
    history.record(view(30));  // recorded although it is the current entry's view
    history.recordStep(view(40));
    EXPECT_EQ(history.size(), 7);
    EXPECT_EQ(history.views()[3], view(30));
    EXPECT_EQ(history.views()[4], view(40));

    history.clear();
    history.start(view(0));
    history.recordStep(view(50));  // the first entry of a new history stays
    EXPECT_EQ(history.views(), (std::vector<TFloatRect>{view(0), view(50)}));

    // Steps of one gesture in a full history give up one entry, not one per step.
    for (int i = 1; i < 19; ++i) history.record(view(i));
    ASSERT_EQ(history.size(), TViewHistory::maxViews);
    for (int x = 60; x < 65; ++x) history.recordStep(view(x));
    EXPECT_EQ(history.size(), TViewHistory::maxViews);
    EXPECT_EQ(history.views().front(), view(50));
    EXPECT_EQ(history.views().back(), view(64));
}

// Zoom in and out again within one burst, or turn a wheel against a limit: nothing to go back
// to.
TEST(ViewHistory, AGestureThatEndsWhereItStartedLeavesNoEntry) {
    TViewHistory history;
    history.start(view(0));
    history.recordStep(view(0));  // at a limit: the view did not move
    EXPECT_EQ(history.size(), 1);
    for (const int x : {1, 2, 1, 0}) history.recordStep(view(x));
    EXPECT_EQ(history.views(), (std::vector<TFloatRect>{view(0)}));
    EXPECT_EQ(history.index(), 0);
    // The burst goes on past its start: one entry again.
    for (const int x : {-1, -2}) history.recordStep(view(x));
    EXPECT_EQ(history.views(), (std::vector<TFloatRect>{view(0), view(-2)}));
}
