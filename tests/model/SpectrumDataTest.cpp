// The data of one pane: its initial windows and fitting them to the current series.
#include "SpectrumData.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A pane holding one series with the given points; that series is current.
TSpectrumDataPtr paneWith(std::initializer_list<TFloatPointRec> points) {
    auto data = newSpectrumData("S1", "pane");
    auto serie = data->getSeries()->newSerie("serie");
    for (const auto& p : points) serie->getPoints()->add(p);
    return data;
}

void expectRange(const TRange& range, double min, double max) {
    EXPECT_DOUBLE_EQ(range.getMin(), min);
    EXPECT_DOUBLE_EQ(range.getMax(), max);
}

TEST(SpectrumDataDefaults, WindowsStartAtTheirFullExtentAndCannotBeRemoved) {
    TSpectrumData data("S1", "pane");
    const TRange& x = *data.getXRange();
    const TRange& y = *data.getYRange();
    expectRange(x, 0, 100);
    EXPECT_EQ(x.getFullMin(), 0.0);
    EXPECT_EQ(x.getFullMax(), 100.0);
    EXPECT_FALSE(x.getReversed());
    expectRange(y, -5, 100);
    EXPECT_EQ(y.getFullMin(), -5.0);
    EXPECT_EQ(y.getFullMax(), 100.0);
    EXPECT_TRUE(y.getReversed());
    EXPECT_THROW(data.setXRange(nullptr), std::invalid_argument);
    EXPECT_THROW(data.setYRange(nullptr), std::invalid_argument);
    EXPECT_EQ(data.getXRange().get(), &x);
    EXPECT_EQ(data.getYRange().get(), &y);
}

TEST(SpectrumDataFitXRange, AddsTwoPercentOfTheCurrentSeriesWidthOnEachSide) {
    auto data = paneWith({{10, 1}, {35, 7}, {60, 2}});
    int notified = 0;
    data->getXRange()->setOnChange([&](TRange&) { ++notified; });
    data->fitXRange();
    expectRange(*data->getXRange(), 9, 61);
    EXPECT_EQ(notified, 2);

    auto other = data->getSeries()->newSerie("other");  // now the current series
    other->getPoints()->add({100, 1});
    other->getPoints()->add({600, 1});
    data->fitXRange();
    expectRange(*data->getXRange(), 90, 610);
}

TEST(SpectrumDataFitXRange, SingleAbscissaCountsAsZeroToHundred) {
    auto data = paneWith({{42, 1}, {42, 5}});
    data->fitXRange();
    expectRange(*data->getXRange(), -2, 102);
    const auto& points = *data->getSeries()->getCurrent()->getPoints();
    EXPECT_EQ(points.getMinPoint(), (TFloatPointRec{0, 1}));
    EXPECT_EQ(points.getMaxPoint(), (TFloatPointRec{100, 5}));
}

TEST(SpectrumDataFitXRange, NoCurrentSeriesChangesNothing) {
    TSpectrumData data;
    data.getXRange()->setMin(20);
    data.fitXRange();
    data.fitYRange();
    expectRange(*data.getXRange(), 20, 100);
    expectRange(*data.getYRange(), -5, 100);
}

TEST(SpectrumDataFitYRange, StartsJustBelowZeroWhateverTheSmallestIntensity) {
    auto data = paneWith({{1, 500}, {2, -300}, {3, 20}});
    int notified = 0;
    data->getYRange()->setOnChange([&](TRange&) { ++notified; });
    data->fitYRange();
    expectRange(*data->getYRange(), -10, 510);
    EXPECT_EQ(notified, 2);
    EXPECT_TRUE(data->getYRange()->getReversed());

    auto negative = paneWith({{1, -500}, {2, -20}});  // no positive intensity: still a window
    negative->fitYRange();
    expectRange(*negative->getYRange(), -510, 10);
    auto zero = paneWith({{1, 0}, {2, 0}});
    zero->fitYRange();
    expectRange(*zero->getYRange(), -2, 102);
}

}  // namespace
