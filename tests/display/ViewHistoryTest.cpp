// The view history's insertion rule: after the current entry, keeping the way forward, and
// which end a full history gives up. (Bounds and walking are tested through the plot.)
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
