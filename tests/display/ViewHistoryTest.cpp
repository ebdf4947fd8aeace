// The view history: walking stops at both ends, recording inserts after the current entry and
// keeps the way forward, and a full history gives up the oldest or the newest entry.
#include <gtest/gtest.h>

#include "display/ViewHistory.h"

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
