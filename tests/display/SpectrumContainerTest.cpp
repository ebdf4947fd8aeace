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

    void addSeries(std::initializer_list<const char*> names) {
        for (const char* name : names) plot().series()->newSerie(name);
    }
    void clickLabel(Qt::MouseButton button) {
        QTest::mouseClick(pane.serieLabel(), button, {}, QPoint(5, 5));
    }
    QString shownLabel() {
        pane.grab();  // the label follows the plot in every repaint
        return pane.serieLabel()->text();
    }

    TSpectrumContainer pane;
};

// The axes place themselves against the plot (tested with the plot); the pane sizes the plot
// and cuts the axes.
TEST_F(SpectrumContainerPane, ThePlotTakesWhatTheLabelAndTheAxesLeave) {
    const int lh = pane.serieLabel()->height();
    ASSERT_GT(lh, 0);
    EXPECT_EQ(pane.serieLabel()->geometry(), QRect(0, 0, 300, lh));
    const auto expectLayout = [&](const char* step, QRect plotRect, int xHeight, int yWidth) {
        SCOPED_TRACE(step);
        EXPECT_EQ(plot().geometry(), plotRect);
        EXPECT_EQ(xAxis().height(), xHeight);
        EXPECT_EQ(yAxis().width(), yWidth);
    };
    expectLayout("start", {40, lh, 259, 170 - lh}, 29, 40);

    // Too small for an axis: the axis is cut to the pane and the plot gets nothing; large
    // enough again, the axes have their own thickness back.
    pane.resize(300, 10);
    expectLayout("too low", {40, lh, 259, 0}, 10, 40);
    pane.resize(300, 200);
    expectLayout("large again", {40, lh, 259, 170 - lh}, 29, 40);
    pane.xAxis().setThick(inchesFor(50, pane.logicalDpiY()));
    expectLayout("thicker x axis", {40, lh, 259, 149 - lh}, 50, 40);

    // Hidden label and axes give their room to the plot.
    pane.serieLabel()->hide();
    expectLayout("label hidden", {40, 0, 259, 149}, 50, 40);
    pane.xAxis().setVisible(false);
    pane.yAxis().setVisible(false);
    expectLayout("axes hidden", {0, 0, 300, 200}, 50, 40);
    pane.serieLabel()->show();
    expectLayout("label shown", {0, lh, 300, 200 - lh}, 50, 40);
    pane.resize(300, lh - 3);  // without an x axis the label takes at most the pane
    expectLayout("lower than the label", {0, lh - 3, 300, 0}, 50, 40);

    // The axes change sides.
    pane.resize(300, 200);
    pane.xAxis().setVisible(true);
    pane.yAxis().setVisible(true);
    pane.xAxis().setAxisType(TAxisType::Top);
    pane.yAxis().setAxisType(TAxisType::Right);
    expectLayout("top and right", {0, lh + 50, 259, 149 - lh}, 50, 40);
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

    // Once the series are gone, the caption is back.
    plot().series()->clear();
    EXPECT_EQ(shownLabel(), "empty pane");
}

// The label follows what it shows as that changes, with no repaint in between: the file name,
// series added, made current, renamed, recoloured and deleted, and data replaced; a series list
// the plot no longer shows is not heard.
TEST_F(SpectrumContainerPane, TheLabelFollowsTheFileAndTheSeriesAsTheyChange) {
    const auto text = [this] { return pane.serieLabel()->text(); };
    const auto colour = [this] { return pane.serieLabel()->palette().color(QPalette::WindowText); };
    pane.setCaption("empty pane");
    plot().setFileName("/data/a.mzi");
    addSeries({"first", "second"});
    EXPECT_EQ(text(), "a.mzi (2: second)");
    plot().series()->setCurrentIndex(0);
    EXPECT_EQ(text(), "a.mzi (1: first)");
    plot().series()->serie(0)->setName("renamed");
    plot().series()->serie(1)->setName("not shown");
    EXPECT_EQ(text(), "a.mzi (1: renamed)");
    plot().series()->serie(0)->setColor(colors::navy);
    EXPECT_EQ(colour(), QColor(0, 0, 128));
    plot().setFileName("/data/b.mzi");
    EXPECT_EQ(text(), "b.mzi (1: renamed)");
    plot().series()->deleteItem(0);
    EXPECT_EQ(text(), "b.mzi (1: not shown)");

    const TPointListSerieListPtr before = plot().series();
    plot().setSpectrumData(newSpectrumData({}, {}));
    EXPECT_EQ(text(), "empty pane");
    before->newSerie("gone");
    EXPECT_EQ(text(), "empty pane");
    plot().series()->newSerie("new");
    EXPECT_EQ(text(), "b.mzi (1: new)");
}

TEST_F(SpectrumContainerPane, ClicksOnTheLabelStepThroughTheSeriesAndAskForFocus) {
    std::vector<TSpectrum*> asked;
    plot().onGetFocus = [&](TSpectrum* s) { asked.push_back(s); };
    clickLabel(Qt::LeftButton);  // no series: nothing to step, the pane still becomes current
    EXPECT_EQ(asked, std::vector<TSpectrum*>{&plot()});

    addSeries({"a", "b", "c"});
    plot().series()->setCurrentIndex(2);
    clickLabel(Qt::LeftButton);  // the left button steps forward round, the right one back
    EXPECT_EQ(pane.serieLabel()->text(), " (1: a)");
    clickLabel(Qt::RightButton);
    EXPECT_EQ(pane.serieLabel()->text(), " (3: c)");
    EXPECT_EQ(asked.size(), 3u);
}

}  // namespace
