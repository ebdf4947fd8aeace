// The data of one pane: its initial windows and fitting them to the current series.
#include "model/SpectrumData.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A pane holding one series with the given points; that series is current.
TSpectrumDataPtr paneWith(std::initializer_list<TFloatPointRec> points) {
    auto data = newSpectrumData("S1", "pane");
    auto serie = data->series()->newSerie("serie");
    for (const auto& p : points) serie->points()->add(p);
    return data;
}

void expectRange(const TRange& range, double min, double max) {
    EXPECT_DOUBLE_EQ(range.min(), min);
    EXPECT_DOUBLE_EQ(range.max(), max);
}

TEST(SpectrumDataDefaults, WindowsStartAtTheirFullExtentCannotBeRemovedNorFitWithoutSeries) {
    TSpectrumData data("S1", "pane");
    const TRange& x = *data.xRange();
    const TRange& y = *data.yRange();
    expectRange(x, 0, 100);
    expectRange(y, -5, 100);
    EXPECT_THROW(data.setXRange(nullptr), std::invalid_argument);

    data.xRange()->setMin(20);  // without a current series fitting changes nothing
    data.fitXRange();
    expectRange(x, 20, 100);
}

// Two percent of the current series' width on each side; a single abscissa counts as 0..100, or
// as a hundred around it.
TEST(SpectrumDataFitXRange, AddsTwoPercentOfTheWidthOnEachSideAndASingleAbscissaGetsAHundred) {
    auto wide = paneWith({{10, 1}, {35, 7}, {60, 2}});
    wide->fitXRange();
    expectRange(*wide->xRange(), 9, 61);

    auto data = paneWith({{42, 1}, {42, 5}});
    data->fitXRange();
    expectRange(*data->xRange(), -2, 102);
    const auto& points = *data->series()->current()->points();
    EXPECT_EQ(points.getMinPoint(), (TFloatPointRec{0, 1}));
    EXPECT_EQ(points.getMaxPoint(), (TFloatPointRec{100, 5}));

    // One peak far from 0..100 must still be in the window.
    auto peak = paneWith({{810, 7}});
    peak->fitXRange();
    expectRange(*peak->xRange(), 758, 862);
}

TEST(SpectrumDataFitYRange, StartsJustBelowZeroWhateverTheSmallestIntensity) {
    auto data = paneWith({{1, 500}, {2, -300}, {3, 20}});
    data->fitYRange();
    expectRange(*data->yRange(), -10, 510);
    EXPECT_TRUE(data->yRange()->isReversed());

    auto negative = paneWith({{1, -500}, {2, -20}});  // no positive intensity: still a window
    negative->fitYRange();
    expectRange(*negative->yRange(), -510, 10);
}

}  // namespace
