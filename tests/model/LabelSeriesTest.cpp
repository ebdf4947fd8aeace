// The label series of a pane: deferred layout on paint and hit tests across its lists.
#include "model/LabelSeries.h"

#include <gtest/gtest.h>

#include "support/FakeWorldControl.h"
#include "support/TestHelpers.h"

namespace {

FakeWorldControl standardPlot() {
    return FakeWorldControl({0, 0, 1000, 500}, {0, 0, 100, 100});
}

}  // namespace

TEST(LabelSeriesLayout, PaintLaysOutVisibleListsOfAVisibleSeriesOnlyWhenFlagged) {
    auto plot = standardPlot();
    TLabelSeries series;
    const auto peaks = newPointlistLabelList("Custom Labels", pointsOf({{50, 80}}));
    const auto hidden = newPointlistLabelList("Hidden", pointsOf({{20, 80}}));
    hidden->setVisible(false);
    series.add(peaks);
    series.add(hidden);

    series.paint(plot);  // nothing laid out yet
    EXPECT_TRUE(plot.texts.empty());

    series.setNeedsLayout(true);
    series.setVisible(false);  // a hidden series draws nothing and keeps the flag
    series.paint(plot);
    EXPECT_TRUE(plot.texts.empty());
    EXPECT_TRUE(series.needsLayout());
    EXPECT_EQ(peaks->count(), 0);

    series.setVisible(true);
    series.paint(plot);
    EXPECT_FALSE(series.needsLayout());
    ASSERT_EQ(plot.texts.size(), 1u);
    EXPECT_EQ(plot.texts[0].text, " 50");
    EXPECT_EQ(hidden->count(), 0);

    // A zoom flags the series; the labels follow the new view at the next paint.
    plot.setView({10, 0, 60, 100});  // 20 pixels per x unit
    series.paint(plot);
    EXPECT_EQ(plot.texts.back().x, 491);
    series.setNeedsLayout(true);
    series.paint(plot);
    EXPECT_EQ(plot.texts.back().x, 800 - 9);
    EXPECT_EQ(peaks->label(0)->bounds().top, 100);
    EXPECT_EQ(plot.texts.size(), 3u);
}

TEST(LabelSeriesHitTest, FirstListWithAHitWinsEvenWhenTheSeriesIsHidden) {
    auto plot = standardPlot();
    TLabelSeries series;
    const auto first = newTextLabelList("A");
    const auto second = newTextLabelList("B");
    const auto a = first->addTextLabel(" 50", 50, 80);
    const auto b = second->addTextLabel(" 50", 50, 80);
    const auto c = second->addTextLabel(" 20", 20, 80);
    series.add(first);
    series.add(second);
    first->placeAll(plot);
    second->placeAll(plot);

    auto hit = series.hitTest(500, 95);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->list, first);
    EXPECT_EQ(hit->label, a);

    first->setVisible(false);
    series.setVisible(false);
    hit = series.hitTest(500, 95);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->list, second);
    EXPECT_EQ(hit->label, b);

    hit = series.hitTest(200, 95);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->label, c);
    EXPECT_FALSE(series.hitTest(300, 95));
    EXPECT_EQ(series.findNameItem("B"), second);
}
