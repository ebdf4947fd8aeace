// The navigator: its row of buttons, binding to a plot, the buttons' work on the bound plot,
// zones left standing by a zone tool, and unbinding when the plot goes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "display/SpectrumTool.h"
#include "model/Label.h"
#include "support/TestHelpers.h"

namespace {

using Nav = TSpectrumNavigator;

template <class T>
bool holds(const TSpectrum& plot) {
    return dynamic_cast<const T*>(plot.tool().get()) != nullptr;
}

// A shown navigator over two plots of 201 x 101 pixels (half a unit of x and one of y per
// pixel): the first shows x 0..100 and y 0..100 as its only history entry and holds points
// at x 10, 40 and 70.
class SpectrumNavigator : public ::testing::Test {
protected:
    SpectrumNavigator() {
        host.resize(400, 300);
        nav = new TSpectrumNavigator(&host);
        first = new TSpectrum(&host);
        second = new TSpectrum(&host);
        first->setGeometry(0, 30, 201, 101);
        second->setGeometry(0, 140, 201, 101);
        first->setView(0, 100, 0, 100);
        first->clearViewHistory();
        first->startViewHistory();
        auto serie = first->series()->newSerie("serie");
        for (const TFloatPointRec& p : {TFloatPointRec{10, 50}, {40, 80}, {70, 30}})
            serie->points()->add(p);
        host.show();
    }

    void click(int index) { QTest::mouseClick(nav->button(index), Qt::LeftButton); }

    // A zone dragged with the mouse on the first plot between two pixel positions.
    void dragZone(QPoint from, QPoint to) {
        QTest::mousePress(first, Qt::LeftButton, {}, from);
        QTest::mouseMove(first, to);
        QTest::mouseRelease(first, Qt::LeftButton, {}, to);
    }

    static void expectView(const TSpectrum& plot, TFloatRect expected) {
        const TFloatRect v = plot.getView();
        EXPECT_NEAR(v.x1, expected.x1, 1e-9);
        EXPECT_NEAR(v.y1, expected.y1, 1e-9);
        EXPECT_NEAR(v.x2, expected.x2, 1e-9);
        EXPECT_NEAR(v.y2, expected.y2, 1e-9);
    }

    QWidget host;
    TSpectrumNavigator* nav;
    TSpectrum* first;
    TSpectrum* second;
};

TEST_F(SpectrumNavigator, ThirteenButtonsWithTheirHints) {
    const char* hints[] = {
        "Cross cursor pointer",
        "Scroller",
        "Shrink and expand mass range",
        "Shrink and expand abundance range",
        "Undo range",
        "Zoom in",
        "Redo range",
        "Move Labels",
        "Threshold tool",
        "Select the complete mass range of the spectrum",
        "Select full mass and abundance range to completely cover the spectrum",
        "Select height of the top peak to set the abundance range",
        "Measure between two peaks (or Shift+drag)",
    };
    TSpectrumNavigator fresh;
    EXPECT_EQ(fresh.size(), QSize(364, 27));
    EXPECT_FALSE(fresh.isEnabled());
    ASSERT_EQ(fresh.buttonCount(), 13);
    EXPECT_EQ(fresh.button(13), nullptr);
    for (int i = 0; i < 13; ++i) {
        SCOPED_TRACE(i);
        const QAbstractButton* b = fresh.button(i);
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(hints[i]));
        EXPECT_FALSE(b->icon().isNull());
        EXPECT_FALSE(b->isChecked());
        const bool tool = i <= Nav::StretchYButton || i == Nav::ZoomButton || i == Nav::LabelButton ||
                          i == Nav::MeasureButton;
        EXPECT_EQ(b->isCheckable(), tool || i == Nav::ThresholdButton);
    }
}

TEST_F(SpectrumNavigator, BindingMovesTheMarkAndMakesTheSelectedToolForTheNewPlot) {
    nav->setSpectrum(first);
    EXPECT_TRUE(nav->isEnabled());
    EXPECT_TRUE(first->isFocused());
    click(Nav::ScrollButton);
    EXPECT_TRUE(holds<TScrollTool>(*first));
    click(Nav::ZoomButton);
    const iSpectrumToolPtr firstTool = first->tool();
    ASSERT_TRUE(holds<TZoomTool>(*first));

    nav->setSpectrum(second);
    EXPECT_FALSE(first->isFocused());
    EXPECT_TRUE(second->isFocused());
    EXPECT_TRUE(holds<TZoomTool>(*second));
    EXPECT_EQ(second->tool()->spectrum(), second);
    EXPECT_EQ(first->tool(), firstTool);

    nav->setSpectrum(nullptr);
    EXPECT_FALSE(nav->isEnabled());
    EXPECT_FALSE(second->isFocused());
}

TEST_F(SpectrumNavigator, UndoAndRedoStopAtTheHistorysEndsFullRangesFitAndAreRecorded) {
    nav->setSpectrum(first);
    first->zoomTo(10, 90, 0, 100);
    first->zoomTo(20, 80, 0, 100);
    click(Nav::UndoButton);
    click(Nav::UndoButton);
    expectView(*first, {0, 0, 100, 100});
    click(Nav::RedoButton);
    expectView(*first, {10, 0, 90, 100});

    // The full ranges are the data's fit (points at x 10..70 up to y 80), and are recorded.
    first->zoomTo(30, 50, 10, 20);
    click(Nav::FullXYButton);
    expectView(*first, {8.8, -1.6, 71.2, 81.6});
    click(Nav::UndoButton);
    expectView(*first, {30, 10, 50, 20});
}

TEST_F(SpectrumNavigator, TopPeakSetsTheAbundanceRangeToThePeakInTheWindow) {
    nav->setSpectrum(first);
    first->zoomTo(80, 100, 0, 100);  // no point from 80 on
    click(Nav::TopPeakButton);
    expectView(*first, {80, 0, 100, 100});

    first->zoomTo(30, 100, 0, 100);
    click(Nav::TopPeakButton);
    expectView(*first, {30, 0, 100, 80});

    // The peak at 70 lies below the window: the y range would be turned over.
    first->zoomTo(50, 100, 40, 100);
    click(Nav::TopPeakButton);
    expectView(*first, {50, 40, 100, 100});
}

TEST_F(SpectrumNavigator, AStandingZoneNarrowsTheFullRangesAndTopPeakALabelFrameDoesNot) {
    nav->setSpectrum(first);
    click(Nav::CrossCursorButton);
    first->setTool(makeZoneTool(*first));
    dragZone({40, 20}, {100, 80});  // x 20..50, y 20..80
    const iSpectrumToolPtr zoneTool = first->tool();

    click(Nav::FullXButton);
    expectView(*first, {20, 0, 50, 100});
    EXPECT_TRUE(holds<TZoneTool>(*first) && first->tool() != zoneTool);  // a fresh zone tool

    first->setView(0, 100, 0, 100);
    dragZone({10, 0}, {100, 100});  // x 5..50 holds the peak at 40
    click(Nav::TopPeakButton);
    expectView(*first, {0, 0, 100, 80});

    // A drag too narrow to zoom (5 pixels, wider than the pick tolerance) leaves no zone: the
    // full ranges show the data, and the zoom button stays down with its tool.
    first->setView(0, 100, 0, 100);
    click(Nav::ZoomButton);
    dragZone({40, 20}, {45, 80});
    expectView(*first, {0, 0, 100, 100});
    const iSpectrumToolPtr zoom = first->tool();
    click(Nav::FullXButton);
    expectView(*first, {8.8, 0, 71.2, 100});
    click(Nav::FullXYButton);
    expectView(*first, {8.8, -1.6, 71.2, 81.6});
    first->setView(0, 100, 0, 100);
    click(Nav::TopPeakButton);
    expectView(*first, {0, 0, 100, 80});
    EXPECT_EQ(first->tool(), zoom);
    EXPECT_TRUE(nav->button(Nav::ZoomButton)->isChecked());

    // The frame the label tool keeps after a drag, 60 pixels wide, is no zone.
    first->setView(0, 100, 0, 100);
    click(Nav::LabelButton);
    auto list = newTextLabelList("Custom Labels");
    list->setMovable(true);
    auto label = list->addTextLabel("peak", 40, 80);
    label->setBounds({60, 30, 120, 10});
    first->labels()->add(list);
    const iSpectrumToolPtr tool = first->tool();
    tool->mouseDown(Qt::LeftButton, {}, 90, 20);
    tool->mouseMove({}, 100, 40);
    tool->mouseUp(Qt::LeftButton, {}, 100, 40);
    ASSERT_TRUE(label->isMoved());
    click(Nav::FullXButton);
    expectView(*first, {8.8, 0, 71.2, 100});
    EXPECT_EQ(first->tool(), tool);
}

TEST_F(SpectrumNavigator, ThresholdButtonShowsAndHidesAndFollowsTheBoundPlot) {
    nav->setSpectrum(first);
    QAbstractButton* threshold = nav->button(Nav::ThresholdButton);
    click(Nav::ThresholdButton);
    EXPECT_FALSE(first->hideThreshold());
    EXPECT_TRUE(threshold->isChecked());
    nav->setSpectrum(second);  // hides its threshold
    EXPECT_FALSE(threshold->isChecked());
    nav->setSpectrum(first);
    EXPECT_TRUE(threshold->isChecked());
    click(Nav::ThresholdButton);
    EXPECT_TRUE(first->hideThreshold());
}

TEST_F(SpectrumNavigator, DefaultClickModeRoutesEveryButtonToTheDefaultHandler) {
    nav->setSpectrum(first);
    std::vector<QAbstractButton*> log;
    nav->onDefaultClick = [&](QAbstractButton* b) { log.push_back(b); };
    nav->setButtonMode(TButtonMode::DefaultClick);
    const iSpectrumToolPtr tool = first->tool();
    const bool hidden = first->hideThreshold();

    for (int i = 0; i < nav->buttonCount(); ++i) click(i);
    ASSERT_EQ(log.size(), 13u);
    EXPECT_EQ(first->tool(), tool);
    EXPECT_EQ(first->hideThreshold(), hidden);
    expectView(*first, {0, 0, 100, 100});
}

TEST_F(SpectrumNavigator, DestroyedPlotOrPaneLeavesItUnbound) {
    auto* pane = new TSpectrumContainer(&host);
    nav->setSpectrumContainer(pane);
    EXPECT_EQ(nav->spectrum(), pane->spectrum());

    QSignalSpy changed(nav, &TSpectrumNavigator::spectrumChanged);
    delete pane;
    EXPECT_FALSE(nav->isEnabled());
    EXPECT_EQ(nav->spectrum(), nullptr);
    EXPECT_EQ(nav->spectrumContainer(), nullptr);
    ASSERT_EQ(changed.count(), 1);

    // A plot that is not a pane's has no container; its destruction unbinds as well.
    nav->setSpectrum(first);
    delete first;
    EXPECT_FALSE(nav->isEnabled());
    EXPECT_EQ(nav->spectrum(), nullptr);
}

}  // namespace
