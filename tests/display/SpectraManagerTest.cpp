// The spectra manager: the pane count and its refusals, the stacked layout with and without the
// shared x axis, axis thicknesses, the current pane, synchronised x ranges, removal of panes and
// a long random run of all of it for the address sanitizer.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "display/Axis.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "display/SpectrumTool.h"
#include "support/PaintCounter.h"

namespace {

float inchesFor(int pixels, int dpi) {
    return static_cast<float>(pixels) / static_cast<float>(dpi);
}

// A shown manager 500 x 400 with a 30-pixel navigator and 29-pixel x axes.
class SpectraManager : public ::testing::Test {
protected:
    SpectraManager() {
        manager.navigator()->setFixedHeight(30);
        manager.resize(500, 400);
        manager.setXAxisThick(inchesFor(29, manager.logicalDpiY()));
        manager.show();
    }

    TSpectrumContainer& pane(int i) { return *manager.container(i); }
    TSpectrum& plot(int i) { return *pane(i).spectrum(); }
    TSpectrum* bound() { return manager.navigator()->spectrum(); }

    std::vector<QRect> paneRects() {
        std::vector<QRect> rects;
        for (int i = 0; i < manager.count(); ++i) rects.push_back(pane(i).geometry());
        return rects;
    }
    void expectXWindow(int i, double min, double max) {
        EXPECT_DOUBLE_EQ(plot(i).xRange()->min(), min) << "pane " << i;
        EXPECT_DOUBLE_EQ(plot(i).xRange()->max(), max) << "pane " << i;
    }

    TSpectraManager manager;
};

TEST_F(SpectraManager, ThreePanesShareTheHeightUnderTheNavigator) {
    manager.setCount(3);
    ASSERT_EQ(manager.count(), 3);
    EXPECT_EQ(bound(), pane(2).spectrum());  // new panes bind the last one
    EXPECT_EQ(manager.navigator()->geometry().top(), 0);
    EXPECT_EQ(paneRects(),
              (std::vector<QRect>{{0, 30, 500, 124}, {0, 153, 500, 124}, {0, 276, 500, 123}}));
    EXPECT_EQ(pane(2).xAxis().axis()->height(), 29);

    // Synchronised, the bottom pane carries the one x axis below the others.
    manager.setSynchronized(true);
    EXPECT_EQ(paneRects(),
              (std::vector<QRect>{{0, 30, 500, 114}, {0, 143, 500, 114}, {0, 256, 500, 142}}));

    // Too low for the navigator and an axis: the panes get no height.
    manager.resize(500, 50);
    EXPECT_EQ(paneRects(),
              (std::vector<QRect>{{0, 30, 500, 1}, {0, 30, 500, 1}, {0, 30, 500, 29}}));
}

TEST_F(SpectraManager, CountOutsideTheLimitsOrTheHeightIsRefused) {
    manager.setCount(2);
    TSpectrumContainer* first = manager.container(0);
    manager.setCount(9);
    manager.setCount(-1);
    EXPECT_EQ(manager.count(), 2);
    EXPECT_EQ(manager.container(0), first);

    manager.setCount(8);
    EXPECT_EQ(manager.count(), 8);
    EXPECT_EQ(manager.container(8), nullptr);

    // 5 pixels under the navigator hold at most 4 panes; fewer panes are always possible.
    manager.resize(500, 35);
    manager.setCount(6);
    manager.setCount(7);
    EXPECT_EQ(manager.count(), 6);
    manager.setCount(3);
    manager.setCount(4);
    EXPECT_EQ(manager.count(), 4);
}

TEST_F(SpectraManager, AxisThicknessesReachEveryPaneAndLaterOnes) {
    manager.setCount(2);
    const int dpiY = manager.logicalDpiY();
    const int dpiX = manager.logicalDpiX();
    manager.setXAxisThick(inchesFor(40, dpiY));
    manager.setYAxisThick(inchesFor(50, dpiX));
    manager.setCount(3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pane(i).xAxis().axis()->height(), 40) << i;
        EXPECT_EQ(pane(i).yAxis().axis()->width(), 50) << i;
    }
}

TEST_F(SpectraManager, APressOnAPlotOrALabelMakesItsPaneCurrentAndIsHandedOut) {
    manager.setCount(3);
    QSignalSpy changes(manager.navigator(), &TSpectrumNavigator::spectrumChanged);

    QTest::mouseClick(&plot(0), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(bound(), &plot(0));
    EXPECT_EQ(manager.navigator()->spectrumContainer(), &pane(0));
    EXPECT_TRUE(plot(0).isFocused());
    EXPECT_FALSE(plot(2).isFocused());

    QTest::mouseClick(pane(1).serieLabel(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(bound(), &plot(1));
    EXPECT_FALSE(plot(0).isFocused());

    QTest::mouseClick(&plot(1), Qt::LeftButton, {}, QPoint(20, 20));  // already current
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(SpectraManager, ASynchronisedZoomMovesEveryPaneUntilSwitchedOff) {
    manager.setCount(3);
    plot(2).setView(10, 60, 0, 100);
    manager.setSynchronized(true);
    for (int i = 0; i < 3; ++i) expectXWindow(i, 10, 60);

    plot(1).zoomTo(20, 30, 0, 50);
    for (int i = 0; i < 3; ++i) expectXWindow(i, 20, 30);
    EXPECT_TRUE(plot(0).labels()->needsLayout());
    EXPECT_DOUBLE_EQ(plot(0).yRange()->max(), 100);  // y stays each pane's own

    // Off: every pane keeps the zoomed window and then moves alone.
    manager.setSynchronized(false);
    plot(0).zoomTo(22, 25, 0, 50);
    expectXWindow(0, 22, 25);
    expectXWindow(1, 20, 30);
}

// The wheel over one synchronised pane moves them all, and one Back in that pane undoes the
// whole burst for all of them; Ctrl+Home there shows everything in every pane.
TEST_F(SpectraManager, ASynchronisedWheelBurstIsOneStepBackForEveryPane) {
    manager.setCount(2);
    for (int i = 0; i < 2; ++i) {
        const auto serie = plot(i).series()->newSerie("s");
        for (int x = 0; x <= 100; ++x) serie->points()->add({double(x), double(x % 7 + i)});
    }
    plot(0).setView(0, 100, 0, 10);
    manager.setSynchronized(true);
    for (int turn = 0; turn < 4; ++turn) {
        const QPointF at(10, 10);
        QWheelEvent wheel(at, plot(0).mapToGlobal(at), {}, {0, 120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&plot(0), &wheel);
    }
    const double width = plot(1).xRange()->max() - plot(1).xRange()->min();
    EXPECT_NEAR(width, 100 * std::pow(0.85, 4), 1e-9);
    plot(0).viewBack();
    expectXWindow(1, 0, 100);

    plot(1).setView(40, 50, 0, 3);
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier);
    QApplication::sendEvent(&plot(0), &home);
    for (int i = 0; i < 2; ++i) expectXWindow(i, -2, 102);
    EXPECT_GT(plot(1).yRange()->max(), 7.0);
}

// A zoom in one synchronised pane repaints every pane and the shared axis, and every pane
// announces its new view; once switched off, a zoom reaches only its own pane.
TEST_F(SpectraManager, ASynchronisedZoomRepaintsAndAnnouncesEveryPane) {
    manager.setCount(3);
    manager.setSynchronized(true);
    std::vector<std::unique_ptr<PaintCounter>> paints;
    std::vector<std::unique_ptr<QSignalSpy>> announced;
    for (int i = 0; i < 3; ++i) {
        paints.push_back(std::make_unique<PaintCounter>(plot(i)));
        announced.push_back(std::make_unique<QSignalSpy>(&plot(i), &TSpectrum::viewChanged));
    }
    PaintCounter axisPaints(*pane(2).xAxis().axis());
    PaintCounter::settle();
    for (auto& p : paints) p->take();
    axisPaints.take();

    plot(1).zoomTo(20, 30, 0, 50);
    for (int i = 0; i < 3; ++i) {
        EXPECT_GT(paints[i]->take(), 0) << "pane " << i;
        EXPECT_GT(announced[i]->count(), 0) << "pane " << i;
        announced[i]->clear();
    }
    EXPECT_GT(axisPaints.take(), 0);

    manager.setSynchronized(false);
    PaintCounter::settle();
    for (auto& p : paints) p->take();
    for (auto& a : announced) a->clear();
    plot(0).zoomTo(22, 25, 0, 50);
    EXPECT_GT(paints[0]->take(), 0);
    EXPECT_EQ(announced[0]->count(), 1);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(paints[i]->take(), 0) << "pane " << i;
        EXPECT_EQ(announced[i]->count(), 0) << "pane " << i;
    }
}

TEST_F(SpectraManager, ADragOnOnePaneStaysThereWhenSynchronisationSwitches) {
    manager.setCount(2);
    QTest::mouseClick(&plot(0), Qt::LeftButton, {}, QPoint(5, 5));  // current: pane 0
    QTest::mouseClick(manager.navigator()->button(TSpectrumNavigator::ZoomButton), Qt::LeftButton);
    auto* zoom = dynamic_cast<TZoomTool*>(plot(0).tool().get());
    ASSERT_NE(zoom, nullptr);
    plot(0).setView(0, 100, 0, 100);

    QTest::mousePress(&plot(0), Qt::LeftButton, {}, QPoint(50, 10));
    QTest::mouseMove(&plot(0), QPoint(150, 60));
    manager.setSynchronized(true);
    QTest::mouseRelease(&plot(0), Qt::LeftButton, {}, QPoint(150, 60));
    EXPECT_FALSE(zoom->isZoneShown());
    EXPECT_LT(plot(1).xRange()->max(), 100.0);  // the zoom moved the other pane as well
    EXPECT_EQ(plot(1).xRange(), plot(0).xRange());
    EXPECT_EQ(dynamic_cast<TZoomTool*>(plot(1).tool().get()), nullptr);
}

TEST_F(SpectraManager, RemovingTheCurrentPaneBindsTheFirstRemainingOne) {
    manager.setCount(3);
    QTest::mouseClick(&plot(1), Qt::LeftButton, {}, QPoint(5, 5));
    TSpectrumContainer* kept0 = &pane(0);
    TSpectrumContainer* kept2 = &pane(2);

    manager.removeContainer(&pane(1));
    EXPECT_EQ(manager.count(), 2);
    EXPECT_EQ(manager.container(1), kept2);
    EXPECT_EQ(bound(), kept0->spectrum());
    EXPECT_EQ(paneRects(), (std::vector<QRect>{{0, 30, 500, 186}, {0, 215, 500, 185}}));
}

TEST_F(SpectraManager, DestroyingTheBoundPaneLeavesNothingBehind) {
    manager.setCount(2);
    manager.setSynchronized(true);
    TRangePtr shared = plot(0).xRange();

    // The last pane, bound, goes with the count: the navigator follows to the one left.
    manager.setCount(1);
    EXPECT_EQ(bound(), &plot(0));
    plot(0).zoomTo(5, 15, 0, 100);

    manager.removeContainer(&pane(0));
    EXPECT_EQ(bound(), nullptr);
    EXPECT_FALSE(manager.navigator()->isEnabled());
    // The range outlives the panes here; changing it reaches nothing that is gone.
    shared->setMin(1);
    shared->setMax(2);

    // Nor after the manager itself is gone.
    auto other = std::make_unique<TSpectraManager>();
    other->resize(300, 300);
    other->setCount(2);
    other->setSynchronized(true);
    TRangePtr kept = other->container(0)->spectrum()->xRange();
    other.reset();
    kept->setMin(3);
    EXPECT_EQ(kept->changed.connectionCount(), 0);
}

// Panes created and destroyed, bound and unbound, zoomed and synchronised in a random order;
// after every step the panes are stacked, the binding names a live pane or none, and the x
// ranges are shared exactly while synchronised, also by panes that joined meanwhile, with one x
// axis under the bottom pane. Run under the address sanitizer, a freed pane
// reached from anywhere ends the run.
TEST_F(SpectraManager, ARandomRunKeepsEveryLinkValid) {
    std::mt19937 random(20240611);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    std::vector<QPointer<TSpectrumContainer>> everCreated;

    for (int step = 0; step < 3000; ++step) {
        const int n = manager.count();
        switch (pick(10)) {
            case 0:
                manager.setCount(pick(10) - 1);
                break;
            case 1:
                if (n > 0) manager.removeContainer(manager.container(pick(n)));
                break;
            case 2:
                if (n > 0) QTest::mouseClick(&plot(pick(n)), Qt::LeftButton, {}, QPoint(3, 3));
                break;
            case 3:
                manager.navigator()->setSpectrum(n > 0 && pick(3) ? &plot(pick(n)) : nullptr);
                break;
            case 4:
            case 5:
                if (n > 0) {
                    const double from = pick(90);
                    plot(pick(n)).zoomTo(from, from + 1 + pick(10), 0, 100);
                }
                break;
            case 6:
                manager.setSynchronized(!manager.isSynchronized());
                break;
            case 7:
                if (n > 0) QTest::mouseClick(pane(pick(n)).serieLabel(), Qt::RightButton);
                break;
            case 8:
                if (manager.navigator()->isEnabled())
                    QTest::mouseClick(manager.navigator()->button(pick(12)), Qt::LeftButton);
                break;
            case 9:
                if (n > 0) {
                    // A drag under whatever tool the pane holds.
                    TSpectrum& p = plot(pick(n));
                    QTest::mousePress(&p, Qt::LeftButton, {}, QPoint(10, 5));
                    QTest::mouseMove(&p, QPoint(60, 20));
                    if (pick(2)) manager.setSynchronized(!manager.isSynchronized());
                    QTest::mouseRelease(&p, Qt::LeftButton, {}, QPoint(60, 20));
                }
                break;
        }
        for (TSpectrumContainer* c : manager.containers())
            if (std::find(everCreated.begin(), everCreated.end(), c) == everCreated.end())
                everCreated.emplace_back(c);

        const int count = manager.count();
        ASSERT_GE(count, 0);
        ASSERT_LE(count, 8);
        const bool synchronised = manager.isSynchronized();
        std::set<const TRange*> ranges;
        for (int i = 0; i < count; ++i) {
            ranges.insert(plot(i).xRange().get());
            if (i > 0) {
                ASSERT_EQ(pane(i).y(), pane(i - 1).y() + pane(i - 1).height() - 1);
            }
            // Synchronised, only the bottom pane shows its x axis.
            ASSERT_EQ(pane(i).xAxis().isVisible(), !synchronised || i == count - 1) << i;
            ASSERT_EQ(pane(i).xAxis().axis()->range(), plot(i).xRange()) << i;
        }
        if (count > 1) {
            ASSERT_EQ(ranges.size(), synchronised ? 1u : size_t(count));
        }
        if (TSpectrum* s = bound()) {
            TSpectrumContainer* c = manager.navigator()->spectrumContainer();
            ASSERT_NE(c, nullptr);
            ASSERT_NE(std::find(manager.containers().begin(), manager.containers().end(), c),
                      manager.containers().end());
            ASSERT_EQ(c->spectrum(), s);
        }
        if (synchronised && count > 1) {
            const TFloatRect before = plot(0).getView();
            plot(count - 1).setView(before.x1 + 0.5, before.x2 + 0.5, before.y1, before.y2);
            ASSERT_DOUBLE_EQ(plot(0).xRange()->min(), before.x1 + 0.5);
        }
        QCoreApplication::processEvents();
    }
    manager.setCount(0);
    for (const auto& c : everCreated) EXPECT_TRUE(c.isNull());
}

}  // namespace
