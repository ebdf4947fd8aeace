// What Copy and Export take of the current series: all of it, the visible window, the masses.
#include <gtest/gtest.h>

#include "app/SerieText.h"
#include "files/TextSpectrum.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

TEST(SerieText, TheVisiblePointsKeepToTheWindow) {
    TSpectrumData data;
    EXPECT_EQ(currentSerieText(data, TSerieText::Points), "");

    readSeriesText(*data.series()->newSerie("a")->points(), "5.5 20\n50.25 1500000.5\n150 3\n");
    data.xRange()->setMin(10);
    data.xRange()->setMax(100);
    EXPECT_EQ(currentSerieText(data, TSerieText::VisiblePoints), "        50.25000 1500000.500\n");
    data.xRange()->setMin(60);
    EXPECT_EQ(currentSerieText(data, TSerieText::VisiblePoints), "");
}
