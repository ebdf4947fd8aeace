// The view history: bounded, with going back and forward, and insertion that keeps the way
// forward.
#include <gtest/gtest.h>

#include "display/ViewHistory.h"

namespace {

TFloatRect view(double x) {
    return {x, 0.0, x + 10.0, 100.0};
}

TViewHistory historyOf(int views) {
    TViewHistory history;
    history.start(view(0));
    for (int i = 1; i < views; ++i) history.record(view(i));
    return history;
}

}  // namespace

TEST(ViewHistory, StartsOnlyAnEmptyHistory) {
    TViewHistory history;
    EXPECT_EQ(history.index(), -1);
    EXPECT_FALSE(history.back());
    EXPECT_FALSE(history.forward());

    history.start(view(1));
    history.start(view(2));
    ASSERT_EQ(history.size(), 1);
    EXPECT_EQ(history.index(), 0);
    EXPECT_EQ(history.views()[0], view(1));

    history.clear();
    EXPECT_EQ(history.index(), -1);
    EXPECT_TRUE(history.isEmpty());
}

TEST(ViewHistory, KeepsTheNewestTwentyWhenRecordingAtTheEnd) {
    TViewHistory history = historyOf(1);
    for (int i = 1; i <= 25; ++i) history.record(view(i));
    ASSERT_EQ(history.size(), TViewHistory::maxViews);
    EXPECT_EQ(history.index(), 19);
    EXPECT_EQ(history.views().front(), view(6));
    EXPECT_EQ(history.views().back(), view(25));

    for (int i = 0; i < 19; ++i) ASSERT_TRUE(history.back()) << "step " << i;
    EXPECT_EQ(history.index(), 0);
    EXPECT_FALSE(history.back());
    EXPECT_EQ(history.index(), 0);

    for (int i = 0; i < 19; ++i) ASSERT_TRUE(history.forward());
    EXPECT_EQ(history.forward(), std::nullopt);
    EXPECT_EQ(history.index(), 19);
}

TEST(ViewHistory, RecordingAfterGoingBackInsertsAndKeepsTheForwardEntries) {
    TViewHistory history = historyOf(4);  // 0 1 2 3, at 3
    history.back();
    history.back();  // at 1
    history.record(view(10));
    ASSERT_EQ(history.size(), 5);
    EXPECT_EQ(history.index(), 2);
    EXPECT_EQ(history.views()[1], view(1));
    EXPECT_EQ(history.views()[2], view(10));
    EXPECT_EQ(history.views()[3], view(2));
    EXPECT_EQ(history.forward(), view(2));
    EXPECT_EQ(history.forward(), view(3));
    EXPECT_FALSE(history.forward());
}

TEST(ViewHistory, AFullHistoryDropsItsNewestWhenRecordingInTheMiddle) {
    TViewHistory history = historyOf(20);         // 0..19, at 19
    for (int i = 0; i < 15; ++i) history.back();  // at 4
    history.record(view(50));
    ASSERT_EQ(history.size(), 20);
    EXPECT_EQ(history.index(), 5);
    EXPECT_EQ(history.views()[5], view(50));
    EXPECT_EQ(history.views().front(), view(0));
    EXPECT_EQ(history.views().back(), view(18));
}
