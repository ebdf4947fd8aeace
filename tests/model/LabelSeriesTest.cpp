// The label series of a pane: deferred layout on paint and hit tests across its lists.
#include "model/LabelSeries.h"

#include <gtest/gtest.h>

#include "support/FakeWorldControl.h"
#include "support/TestHelpers.h"

TEST(LabelSeriesLayout, PaintLaysOutVisibleListsOfAVisibleSeriesOnlyWhenFlagged) {
    FakeWorldControl plot({0, 0, 1000, 500}, {0, 0, 100, 100});
    TLabelSeries series;
    const auto peaks = newPointlistLabelList("Custom Labels", pointsOf({{50, 80}}));
    const auto hidden = newPointlistLabelList("Hidden", pointsOf({{20, 80}}));
    hidden->setVisible(false);
    series.add(peaks);
    series.add(hidden);

    series.setNeedsLayout(true);
    series.setVisible(false);  // a hidden series draws nothing and keeps the flag
    plot.paint(series);
    EXPECT_TRUE(plot.texts.empty());
    EXPECT_TRUE(series.needsLayout());

    series.setVisible(true);
    plot.paint(series);
    ASSERT_EQ(plot.texts.size(), 1u);
    EXPECT_EQ(plot.texts[0].text, " 50");

    // A zoom flags the series; the labels follow the new view at the next paint.
    plot.setView({10, 0, 60, 100});  // 20 pixels per x unit
    plot.paint(series);
    EXPECT_EQ(plot.texts.back().x, 491);
    series.setNeedsLayout(true);
    plot.paint(series);
    EXPECT_EQ(plot.texts.back().x, 800 - 9);
}

TEST(LabelSeriesHitTest, FirstListWithAHitWinsEvenWhenTheSeriesIsHidden) {
    FakeWorldControl plot({0, 0, 1000, 500}, {0, 0, 100, 100});
    TLabelSeries series;
    const auto first = newTextLabelList("A");
    const auto second = newTextLabelList("B");
    const auto a = first->addTextLabel(" 50", 50, 80);
    const auto b = second->addTextLabel(" 50", 50, 80);
    series.add(first);
    series.add(second);
    first->placeAll(plot);
    second->placeAll(plot);

    EXPECT_EQ(series.hitTest(500, 95).value().label, a);
    first->setVisible(false);
    series.setVisible(false);
    const auto hit = series.hitTest(500, 95);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->list, second);
    EXPECT_EQ(hit->label, b);

    EXPECT_FALSE(series.hitTest(300, 95));
    EXPECT_EQ(series.findNameItem("B"), second);
}
