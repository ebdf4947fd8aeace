// What Copy and Export take of the current series: all of it, the visible window, the masses.
#include <gtest/gtest.h>

#include "app/SerieText.h"
#include "files/TextSpectrum.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

TEST(SerieText, TheVisiblePointsAreThoseInsideTheWindow) {
    TSpectrumData data;
    EXPECT_EQ(currentSerieText(data, TSerieText::Points), "");

    readSeriesText(*data.series()->newSerie("a")->points(), "5.5 20\n50.25 1500000.5\n150 3\n");
    data.xRange()->setMin(10);
    data.xRange()->setMax(100);
    EXPECT_EQ(currentSerieText(data, TSerieText::VisiblePoints), "        50.25000 1500000.500\n");
    data.xRange()->setMin(60);
    EXPECT_EQ(currentSerieText(data, TSerieText::VisiblePoints), "");

    // A window beyond the last point copies nothing of it; one that starts or ends exactly on
    // a point includes that point.
    data.xRange()->setMin(400);
    data.xRange()->setMax(500);
    EXPECT_EQ(currentSerieText(data, TSerieText::VisiblePoints), "");
    data.xRange()->setMin(50.25);
    data.xRange()->setMax(150);
    EXPECT_EQ(currentSerieText(data, TSerieText::VisiblePoints),
              "        50.25000 1500000.500\n       150.00000     3.000\n");
    data.xRange()->setMin(1);
    data.xRange()->setMax(5.5);
    EXPECT_EQ(currentSerieText(data, TSerieText::VisiblePoints), "         5.50000    20.000\n");
}
