// The pane: layout of plot, axes and label with the caps for small panes, the axis properties,
// the label's text and the series stepping by clicks on it.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include <string>
#include <vector>

#include "display/Axis.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"

namespace {

// Inches that come out as exactly pixels pixels on this screen.
float inchesFor(int pixels, int dpi) {
    return static_cast<float>(pixels) / static_cast<float>(dpi);
}

// A pane on screen with a 29-pixel x axis and a 40-pixel y axis.
class SpectrumContainerPane : public ::testing::Test {
protected:
    SpectrumContainerPane() {
        pane.resize(300, 200);
        pane.xAxis().setThick(inchesFor(29, pane.logicalDpiY()));
        pane.yAxis().setThick(inchesFor(40, pane.logicalDpiX()));
        pane.show();
    }

    TSpectrum& plot() { return *pane.spectrum(); }
    TAxis& xAxis() { return *pane.xAxis().axis(); }
    TAxis& yAxis() { return *pane.yAxis().axis(); }
    int labelHeight() { return pane.serieLabel()->height(); }

    void addSeries(std::initializer_list<const char*> names) {
        for (const char* name : names) plot().series()->newSerie(name);
    }
    int currentIndex() { return plot().series()->currentIndex(); }
    void clickLabel(Qt::MouseButton button) {
        QTest::mouseClick(pane.serieLabel(), button, {}, QPoint(5, 5));
    }
    QString shownLabel() {
        pane.grab();  // the label follows the plot in every repaint
        return pane.serieLabel()->text();
    }

    TSpectrumContainer pane;
};

TEST_F(SpectrumContainerPane, TheLabelTopsThePlotWithTheAxesBelowAndLeft) {
    const int lh = labelHeight();
    ASSERT_GT(lh, 0);
    EXPECT_EQ(pane.serieLabel()->geometry(), QRect(0, 0, 300, lh));
    EXPECT_EQ(plot().geometry(), QRect(40, lh, 300 - 40 - 1, 200 - 29 - lh - 1));
    EXPECT_EQ(xAxis().geometry(), QRect(40, 200 - 29 - 1, 259, 29));
    EXPECT_EQ(yAxis().geometry(), QRect(0, lh, 40, 200 - 29 - lh - 1));
    EXPECT_EQ(plot().objectName(), "Spectrum");

    pane.resize(500, 300);  // the layout follows the pane
    EXPECT_EQ(plot().geometry(), QRect(40, lh, 459, 300 - 29 - lh - 1));
}

TEST_F(SpectrumContainerPane, APaneTooSmallForAnAxisCutsTheAxisAndLeavesThePlotNothing) {
    pane.resize(300, 10);
    EXPECT_EQ(xAxis().height(), 10);
    EXPECT_EQ(plot().height(), 0);

    pane.resize(30, 200);
    EXPECT_EQ(yAxis().width(), 30);
    EXPECT_EQ(plot().width(), 0);

    // Once the pane is large enough again, the axes have their own thickness back.
    pane.resize(300, 200);
    EXPECT_EQ(xAxis().height(), 29);
    EXPECT_EQ(yAxis().width(), 40);
    EXPECT_EQ(plot().height(), 200 - 29 - labelHeight() - 1);

    // So does a new thickness; a negative one is refused.
    pane.xAxis().setThick(inchesFor(50, pane.logicalDpiY()));
    EXPECT_EQ(xAxis().height(), 50);
    EXPECT_EQ(plot().height(), 200 - 50 - labelHeight() - 1);
    pane.xAxis().setThick(-1.0f);
    EXPECT_EQ(xAxis().height(), 50);
}

TEST_F(SpectrumContainerPane, HiddenLabelAndAxesGiveTheirRoomToThePlot) {
    const int lh = labelHeight();
    pane.serieLabel()->hide();
    EXPECT_EQ(plot().geometry(), QRect(40, 0, 259, 200 - 29 - 1));

    pane.xAxis().setVisible(false);
    pane.yAxis().setVisible(false);
    EXPECT_EQ(plot().geometry(), QRect(0, 0, 300, 200));
    EXPECT_FALSE(pane.xAxis().isVisible());

    pane.serieLabel()->show();
    EXPECT_EQ(plot().geometry(), QRect(0, lh, 300, 200 - lh));
    pane.resize(300, lh - 3);  // without an x axis the label takes at most the pane
    EXPECT_EQ(plot().geometry(), QRect(0, lh - 3, 300, 0));
}

TEST_F(SpectrumContainerPane, AxisTypesChangeOnlyWithinOneOrientation) {
    const int lh = labelHeight();
    pane.xAxis().setAxisType(TAxisType::Left);
    pane.yAxis().setAxisType(TAxisType::Bottom);
    EXPECT_EQ(pane.xAxis().axisType(), TAxisType::Bottom);
    EXPECT_EQ(pane.yAxis().axisType(), TAxisType::Left);
    EXPECT_EQ(xAxis().height(), 29);
    EXPECT_EQ(plot().geometry(), QRect(40, lh, 259, 200 - 29 - lh - 1));

    pane.xAxis().setAxisType(TAxisType::Top);
    pane.yAxis().setAxisType(TAxisType::Right);
    EXPECT_EQ(plot().geometry(), QRect(0, lh + 29, 259, 200 - 29 - lh - 1));
    EXPECT_EQ(xAxis().geometry(), QRect(0, lh, 259, 29));
    EXPECT_EQ(yAxis().geometry(), QRect(259, lh + 29, 40, 200 - 29 - lh - 1));
}

TEST_F(SpectrumContainerPane, TheLabelNamesTheFileAndTheCurrentSerieInItsColour) {
    pane.setCaption("empty pane");
    EXPECT_EQ(shownLabel(), "empty pane");

    plot().setFileName("/data/runs/scan <7>.mzi");
    addSeries({"first", "second"});
    plot().series()->setCurrentIndex(1);
    EXPECT_EQ(shownLabel(), "scan <7>.mzi (2: second)");
    const TColor c = plot().series()->serie(1)->color();
    EXPECT_EQ(pane.serieLabel()->palette().color(QPalette::WindowText), QColor(c.r, c.g, c.b));

    // Without a file the label still names the series.
    plot().setFileName("");
    EXPECT_EQ(shownLabel(), " (2: second)");

    // Once the series are gone, the caption is back.
    plot().series()->clear();
    EXPECT_EQ(shownLabel(), "empty pane");
}

TEST_F(SpectrumContainerPane, ClicksOnTheLabelStepThroughTheSeriesAndAskForFocus) {
    std::vector<TSpectrum*> asked;
    plot().onGetFocus = [&](TSpectrum* s) { asked.push_back(s); };
    clickLabel(Qt::LeftButton);  // no series: nothing to step, the pane still becomes current
    EXPECT_EQ(asked, std::vector<TSpectrum*>{&plot()});

    addSeries({"a", "b", "c"});
    plot().series()->setCurrentIndex(2);
    clickLabel(Qt::LeftButton);
    EXPECT_EQ(currentIndex(), 0);
    EXPECT_EQ(pane.serieLabel()->text(), " (1: a)");
    clickLabel(Qt::RightButton);
    EXPECT_EQ(currentIndex(), 2);
    clickLabel(Qt::RightButton);
    EXPECT_EQ(currentIndex(), 1);
    clickLabel(Qt::LeftButton);
    EXPECT_EQ(currentIndex(), 2);
    clickLabel(Qt::MiddleButton);
    EXPECT_EQ(currentIndex(), 2);
    EXPECT_EQ(asked.size(), 6u);
}

}  // namespace
