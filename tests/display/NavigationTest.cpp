// Moving through a spectrum with the wheel, the keys, a pinch and the middle button, sent as
// the events a window system sends, and the one history entry a burst of them leaves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>

#include "display/Axis.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumTool.h"
#include "display/ViewCommands.h"
#include "model/PointListSerie.h"

namespace {

// 1001 x 401 pixels over m/z 0..1000 (a pixel per m/z) and y 0..400, showing points at every
// m/z from 0 to 1000.
class Navigation : public ::testing::Test {
protected:
    void SetUp() override { setUp(plot); }

    static void setUp(TSpectrum& p) {
        p.resize(1001, 401);
        const auto serie = p.series()->newSerie("s");
        for (int x = 0; x <= 1000; ++x) serie->points()->add({double(x), double(x % 97)});
        p.setView(0, 1000, 0, 400);
        p.clearViewHistory();
    }

    static void wheel(TSpectrum& p, int delta, double x = 250.0,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                      Qt::ScrollPhase phase = Qt::NoScrollPhase, bool horizontal = false) {
        const QPointF at(x, 200.0);
        const QPoint angle = horizontal ? QPoint(delta, 0) : QPoint(0, delta);
        QWheelEvent event(at, p.mapToGlobal(at), QPoint(), angle, Qt::NoButton, modifiers, phase,
                          false);
        QApplication::sendEvent(&p, &event);
    }
    static void key(TSpectrum& p, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                    bool autoRepeat = false) {
        QKeyEvent press(QEvent::KeyPress, code, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(&p, &press);
    }
    static void release(TSpectrum& p, int code) {
        QKeyEvent event(QEvent::KeyRelease, code, Qt::NoModifier);
        QApplication::sendEvent(&p, &event);
    }
    static void mouse(TSpectrum& p, QEvent::Type type, Qt::MouseButton button, int x) {
        const QPointF at(x, 200.0);
        QMouseEvent event(
            type, at, p.mapToGlobal(at), button,
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
            Qt::NoModifier);
        QApplication::sendEvent(&p, &event);
    }
    int backSteps(TSpectrum& p) { return p.viewHistory().index(); }

    TSpectrum plot;
};

TEST_F(Navigation, WheelZoomsAboutThePointerAndHiResWheelsEqualNotches) {
    // Ten notches and forty quarter notches end in the same view, one entry each.
    TSpectrum fine;
    setUp(fine);
    for (int i = 0; i < 10; ++i) wheel(plot, 120);
    for (int i = 0; i < 40; ++i) wheel(fine, 30);
    const TFloatRect view = plot.getView();
    EXPECT_NEAR(view.x1, fine.getView().x1, 1e-9);
    EXPECT_NEAR(view.x2, fine.getView().x2, 1e-9);
    EXPECT_EQ(backSteps(plot), 1);
    EXPECT_EQ(backSteps(fine), 1);
    // m/z 250 stayed under the pointer; the width is 0.85^10 of what it was; y did not move.
    EXPECT_NEAR(view.x1 + (view.x2 - view.x1) * 0.25, 250.0, 1e-9);
    EXPECT_NEAR(view.x2 - view.x1, 1000.0 * std::pow(0.85, 10), 1e-9);
    EXPECT_EQ(view.y2, 400.0);

    // A wheel that turns a whole page at once counts as three notches; zero deltas and the
    // momentum after the fingers left a pad zoom nothing.
    TSpectrum fast;
    setUp(fast);
    wheel(fast, 120 * 20);
    EXPECT_NEAR(fast.getView().x2 - fast.getView().x1, 1000.0 * std::pow(0.85, 3), 1e-9);
    wheel(fast, 0);
    wheel(fast, 120, 250, Qt::NoModifier, Qt::ScrollMomentum);
    EXPECT_NEAR(fast.getView().x2 - fast.getView().x1, 1000.0 * std::pow(0.85, 3), 1e-9);

    // Back returns to where the burst started.
    key(plot, Qt::Key_Backspace);
    EXPECT_EQ(plot.getView(), (TFloatRect{0, 0, 1000, 400}));
}

TEST_F(Navigation, BurstsEndOnPausesKeysPressesAndEndWhereTheyStartedWithoutAnEntry) {
    wheel(plot, 120);
    wheel(plot, 120);
    plot.endViewGesture();  // what the pause timer does
    wheel(plot, 120);
    EXPECT_EQ(backSteps(plot), 2);

    // In and out again: nothing to go back to.
    TSpectrum there;
    setUp(there);
    wheel(there, 120);
    wheel(there, -120);
    EXPECT_EQ(there.viewHistory().size(), 1);

    // Zooming out stops at the data's extent plus 2 %.
    for (int i = 0; i < 10; ++i) wheel(there, -360);
    EXPECT_EQ(there.getView().x1, -20.0);
    EXPECT_EQ(there.getView().x2, 1020.0);

    // A key held down repeats its press: one entry until it is let go.
    TSpectrum keys;
    setUp(keys);
    key(keys, Qt::Key_Right);
    for (int i = 0; i < 5; ++i) key(keys, Qt::Key_Right, Qt::NoModifier, true);
    release(keys, Qt::Key_Right);
    EXPECT_NEAR(keys.getView().x1, 20.0, 1e-9);  // stopped at the end, width kept
    key(keys, Qt::Key_Home);
    EXPECT_EQ(keys.getView().x1, -20.0);
    EXPECT_EQ(backSteps(keys), 2);
}

TEST_F(Navigation, KeysMoveByTheirStepAndWalkTheHistory) {
    wheel(plot, 120 * 3);  // 1000 -> 614.125 wide
    plot.endViewGesture();
    const double width = plot.getView().x2 - plot.getView().x1;
    const double start = plot.getView().x1;
    const auto moved = [&] { return plot.getView().x1 - start; };

    key(plot, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_NEAR(moved(), -0.01 * width, 1e-9);
    key(plot, Qt::Key_Right);
    EXPECT_NEAR(moved(), 0.09 * width, 1e-9);
    key(plot, Qt::Key_End);
    EXPECT_NEAR(plot.getView().x2, 1020.0, 1e-9);
    key(plot, Qt::Key_PageUp);  // a whole width back would pass the start: stops there
    EXPECT_NEAR(plot.getView().x1, -20.0, 1e-9);
    EXPECT_NEAR(plot.getView().x2 - plot.getView().x1, width, 1e-9);
    release(plot, Qt::Key_PageUp);

    // Up stretches y about its bottom, down gives it back.
    key(plot, Qt::Key_Up);
    EXPECT_NEAR(plot.getView().y2, 320.0, 1e-9);
    key(plot, Qt::Key_Down);
    EXPECT_NEAR(plot.getView().y2, 400.0, 1e-9);
    release(plot, Qt::Key_Down);

    // Backspace and Alt+arrows walk back and forward; Ctrl+Home shows everything.
    const TFloatRect before = plot.getView();
    key(plot, Qt::Key_Backspace);
    EXPECT_NE(plot.getView(), before);
    key(plot, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(plot.getView(), before);
    key(plot, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(plot.getView().x1, -20.0);
    EXPECT_EQ(plot.getView().x2, 1020.0);
}

TEST_F(Navigation, ModifiedWheelsStretchPanAndTheMiddleButtonDrags) {
    wheel(plot, 120, 250, Qt::ControlModifier);
    EXPECT_NEAR(plot.getView().y2, 400.0 * 0.85, 1e-9);
    EXPECT_EQ(plot.getView().x2, 1000.0);

    plot.setView(100, 200, 0, 400);
    wheel(plot, -120, 250, Qt::ShiftModifier);  // towards higher m/z
    EXPECT_NEAR(plot.getView().x1, 110.0, 1e-9);
    wheel(plot, -240, 250, Qt::NoModifier, Qt::NoScrollPhase, true);
    EXPECT_NEAR(plot.getView().x1, 130.0, 1e-9);

    // Dragged 101 pixels (a tenth of an m/z each) to the left: 10.1 m/z higher.
    mouse(plot, QEvent::MouseButtonPress, Qt::MiddleButton, 500);
    mouse(plot, QEvent::MouseMove, Qt::NoButton, 399);
    EXPECT_NEAR(plot.getView().x1, 140.1, 1e-9);
    mouse(plot, QEvent::MouseButtonRelease, Qt::MiddleButton, 399);
    EXPECT_FALSE(plot.isPanning());
}

TEST_F(Navigation, EscapeGivesUpADragAndItsRelease) {
    plot.setTool(makeZoomTool(plot));
    plot.setFocused(true);
    mouse(plot, QEvent::MouseButtonPress, Qt::LeftButton, 100);
    mouse(plot, QEvent::MouseMove, Qt::NoButton, 400);
    key(plot, Qt::Key_Escape);
    mouse(plot, QEvent::MouseButtonRelease, Qt::LeftButton, 400);
    EXPECT_EQ(plot.getView(), (TFloatRect{0, 0, 1000, 400}));
    EXPECT_LE(plot.viewHistory().size(), 1);
    // The next drag zooms as ever.
    mouse(plot, QEvent::MouseButtonPress, Qt::LeftButton, 100);
    mouse(plot, QEvent::MouseMove, Qt::NoButton, 400);
    mouse(plot, QEvent::MouseButtonRelease, Qt::LeftButton, 400);
    EXPECT_NEAR(plot.getView().x1, 100.0, 1.0);
}

// The axes of a pane take the wheel and the double-click for its plot: the y axis stretches
// y, the x axis zooms x about the m/z under the pointer; a double-click fits the axis.
TEST(PaneAxes, TheWheelAndADoubleClickOnAnAxisWorkThePlot) {
    TSpectrumContainer pane;
    pane.resize(800, 400);
    pane.show();
    TSpectrum& p = *pane.spectrum();
    const auto serie = p.series()->newSerie("s");
    for (int x = 100; x <= 500; ++x) serie->points()->add({double(x), double(x % 13)});
    p.setView(200, 300, 0, 20);
    p.clearViewHistory();

    QWidget& yAxis = *pane.yAxis().axis();
    const QPointF onY(yAxis.width() / 2.0, yAxis.height() / 2.0);
    QWheelEvent stretch(onY, yAxis.mapToGlobal(onY), {}, {0, 120}, Qt::NoButton, {},
                        Qt::NoScrollPhase, false);
    QApplication::sendEvent(&yAxis, &stretch);
    EXPECT_NEAR(p.getView().y2, 20 * 0.85, 1e-9);
    EXPECT_EQ(p.getView().x1, 200.0);

    QWidget& xAxis = *pane.xAxis().axis();
    const QPointF onX = xAxis.mapFromGlobal(p.mapToGlobal(QPointF(p.width() / 2.0, 0)));
    const double under = p.deviceToWorld(p.width() / 2.0, 0).x;
    QWheelEvent zoom(onX, xAxis.mapToGlobal(onX), {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase,
                     false);
    QApplication::sendEvent(&xAxis, &zoom);
    EXPECT_NEAR(p.getView().x2 - p.getView().x1, 85.0, 1e-9);
    EXPECT_NEAR(p.deviceToWorld(p.width() / 2.0, 0).x, under, 0.2);

    QMouseEvent fitX(QEvent::MouseButtonDblClick, onX, xAxis.mapToGlobal(onX), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&xAxis, &fitX);
    EXPECT_EQ(p.getView().x1, 92.0);
    EXPECT_EQ(p.getView().x2, 508.0);
    // y fits the highest point in view (12), just above it.
    p.setView(200, 300, 0, 100);
    QMouseEvent fitY(QEvent::MouseButtonDblClick, onY, yAxis.mapToGlobal(onY), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&yAxis, &fitY);
    EXPECT_NEAR(p.getView().y2, 12 * 1.02, 1e-9);
}

}  // namespace
