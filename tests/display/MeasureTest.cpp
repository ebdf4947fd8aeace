// Measuring between peaks on a real plot with mouse events: snapping of both ends, the charge
// and neutral mass of isotope spacings built from known masses and found in a real run, and
// Shift+drag under another tool.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>
#include <optional>

#include "display/MeasureTool.h"
#include "display/Spectrum.h"
#include "display/SpectrumTool.h"
#include "files/MzMlRun.h"
#include "model/PointListSerie.h"

namespace {

// 1001 x 401 pixels, so that a view 1.0 wide puts 0.001 m/z in a pixel.
class Measure : public ::testing::Test {
protected:
    void SetUp() override { plot.resize(1001, 401); }

    void addSerie(std::initializer_list<TFloatPointRec> points) {
        const auto serie = plot.series()->newSerie("s");
        for (const TFloatPointRec& p : points) serie->points()->add(p);
    }
    void send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
        const QPointF p(at);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, p, plot.mapToGlobal(p), button, held, mods);
        QApplication::sendEvent(&plot, &event);
    }
    void press(QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        send(QEvent::MouseButtonPress, at, Qt::LeftButton, mods);
    }
    void move(QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QPointF p(at);
        QMouseEvent event(QEvent::MouseMove, p, plot.mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                          mods);
        QApplication::sendEvent(&plot, &event);
    }
    void release(QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        send(QEvent::MouseButtonRelease, at, Qt::LeftButton, mods);
    }
    // A drag from one pixel to another through its middle.
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::ShiftModifier) {
        press(from, mods);
        move((from + to) / 2, mods);
        move(to, mods);
        release(to, mods);
    }
    void key(int code) {
        QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(&plot, &event);
    }
    QPoint pixel(double mz, double intensity) const {
        const TPoint p = plot.worldToDevice(mz, intensity);
        return {p.x, p.y};
    }
    std::string status() const { return plot.statusText().toStdString(); }

    TSpectrum plot;
};

// The monoisotopic m/z of a neutral mass at charge z.
double monoMz(double mass, int z) {
    return mass / z + protonMass;
}

// A 3+ cluster of neutral mass 1500 whose second peak is 0.0005 too far (1.0 ppm at m/z 501),
// with a lower point 4 pixels beside the first peak: both ends snap to the peaks within 6
// pixels, in x and y, while the drag goes on and after it.
TEST_F(Measure, ShiftDragSnapsBothEndsAndReadsA3PlusSpacing) {
    const double first = monoMz(1500.0, 3);
    const double second = first + isotopeStep / 3 + 0.0005;
    addSerie({{first, 300}, {first + 0.004, 250}, {second, 200}, {second + isotopeStep / 3, 90}});
    plot.setView(500.9, 501.9, 0, 400);

    const QPoint a = pixel(first, 300);
    const QPoint b = pixel(second, 200);
    press(a + QPoint(-3, 2), Qt::ShiftModifier);
    ASSERT_TRUE(plot.measurement());
    EXPECT_TRUE(plot.measurement()->from.onPeak);
    EXPECT_EQ(plot.measurement()->from.point, (TFloatPointRec{first, 300}));

    // Midway no point is in reach: the second end is the pointer's own m/z.
    move(QPoint((a.x() + b.x()) / 2, 30), Qt::ShiftModifier);
    ASSERT_TRUE(plot.measurement());
    EXPECT_FALSE(plot.measurement()->to.onPeak);
    EXPECT_NEAR(plot.measurement()->to.point.x, plot.deviceToWorld((a.x() + b.x()) / 2, 30).x,
                1e-9);

    // Six pixels off still snaps; the release keeps the measurement.
    move(b + QPoint(6, 0), Qt::ShiftModifier);
    release(b + QPoint(6, 0), Qt::ShiftModifier);
    ASSERT_TRUE(plot.measurement());
    const TMeasurement m = *plot.measurement();
    EXPECT_EQ(m.to.point, (TFloatPointRec{second, 200}));
    EXPECT_EQ(m.charge(), 3);
    EXPECT_NEAR(*m.chargeErrorPpm(), 0.0005 / first * 1e6, 1e-6);
    EXPECT_NEAR(*m.neutralMass(), 1500.0, 1e-9);
    const std::string text =
        "m/z 501.00728 to 501.34223: \u0394m/z 0.33495, 668.6 ppm; z = 3, expected \u0394 "
        "0.33445, 1.0 ppm; M = 1500.00000";
    EXPECT_EQ(m.text(), text);
    EXPECT_EQ(status(), text);
    // The drag was the measurement's: the cross-hair tool saw none of it.
    EXPECT_FALSE(plot.spectrumCursor().isShown());

    // The bracket stands over the higher peak, between both, in its own colour.
    const QImage image = plot.grab().toImage();
    const int bracket = a.y() - 22;
    EXPECT_EQ(image.pixelColor((a.x() + b.x()) / 2, bracket), QColor(150, 0, 110));
    EXPECT_EQ(image.pixelColor(b.x(), b.y() - 17), QColor(150, 0, 110));
    EXPECT_NE(image.pixelColor(b.x(), b.y() - 15), QColor(150, 0, 110));

    // Esc takes it away, and the status bar reads the pointer again.
    key(Qt::Key_Escape);
    EXPECT_FALSE(plot.measurement());
    EXPECT_NE(status(), text);
}

// Measured backwards, from the second peak to the first, the difference is negative and the
// mass is that of the peak pressed first; spacings wider than two steps tell no charge.
TEST_F(Measure, A2PlusSpacingBackwardsAndOneWithoutCharge) {
    const double first = monoMz(2000.0, 2);
    const double second = first + isotopeStep / 2 - 0.002;
    addSerie({{first, 300}, {second, 280}, {first + 2.1, 50}});
    plot.setView(1000.8, 1001.8, 0, 400);

    drag(pixel(first, 300), pixel(second, 280));
    ASSERT_TRUE(plot.measurement());
    EXPECT_EQ(plot.measurement()->text(),
              "m/z 1001.00728 to 1001.50695: \u0394m/z 0.49968, 499.2 ppm; z = 2, expected "
              "\u0394 0.50168, -2.0 ppm; M = 2000.00000");
    EXPECT_EQ(plot.measurement()->label(), "\u0394m/z 0.49968  z = 2  M 2000.0000");

    drag(pixel(second, 280), pixel(first, 300));
    ASSERT_TRUE(plot.measurement());
    EXPECT_NEAR(plot.measurement()->delta(), -(second - first), 1e-12);
    EXPECT_EQ(plot.measurement()->charge(), 2);
    EXPECT_NEAR(*plot.measurement()->neutralMass(), (second - protonMass) * 2, 1e-9);

    const TMeasurement wide{{{first, 300}, true}, {{first + 2.1, 50}, true}};
    EXPECT_FALSE(wide.charge());
    EXPECT_EQ(wide.text(),
              "m/z 1001.00728 to 1003.10728: \u0394m/z 2.10000, 2097.9 ppm; no isotope charge");
    const TMeasurement none{{{first, 300}, true}, {{first, 300}, true}};
    EXPECT_FALSE(none.charge());
    EXPECT_FALSE(none.neutralMass());
}

// Run A's first MS1 scan (profile) holds a 2+ cluster at m/z 810.415 (its base peak) and a 3+
// cluster at m/z 558.313; dragging between the apexes of their first two peaks reads those
// charges.
TEST_F(Measure, ChargesOfRealClustersInTheFirstScanOfRunA) {
    const TMzMlRunReader run(VELMORIX_TEST_DATA "/mzml/ltqft_small.pwiz.mzML");
    const auto serie = plot.series()->newSerie("scan 1");
    for (const TFloatPointRec& p : run.loadSpectrum(0)) serie->points()->add(p);
    const TFloatPointSortedList& points = *serie->points();
    // The apex of the profile peak nearest to mz.
    const auto apex = [&](double mz) {
        const TIndexRange range = points.findRange(mz - 0.02, mz + 0.02);
        TFloatPointRec best{mz, -1};
        for (int i = range.first; i <= range.last; ++i) {
            const TFloatPointRec& p = points.get(i);
            if (std::fabs(p.x - mz) <= 0.02 && p.y > best.y) best = p;
        }
        return best;
    };
    struct TCluster {
        double mz;
        int charge;
        double top;  // of the view
    };
    for (const TCluster& c : {TCluster{810.415, 2, 1.6e6}, TCluster{558.313, 3, 5e4}}) {
        SCOPED_TRACE(c.charge);
        const TFloatPointRec first = apex(c.mz);
        const TFloatPointRec second = apex(c.mz + isotopeStep / c.charge);
        plot.setView(c.mz - 0.2, c.mz + 0.8, 0, c.top);
        drag(pixel(first.x, first.y) + QPoint(0, -3), pixel(second.x, second.y) + QPoint(2, -2));
        ASSERT_TRUE(plot.measurement());
        EXPECT_EQ(plot.measurement()->from.point, first);
        EXPECT_EQ(plot.measurement()->to.point, second);
        EXPECT_EQ(plot.measurement()->charge(), c.charge);
        // Profile apexes stand within a few thousandths of an m/z of the true spacing.
        EXPECT_LT(std::fabs(*plot.measurement()->chargeErrorPpm()), 10.0);
        EXPECT_NEAR(*plot.measurement()->neutralMass(), (first.x - protonMass) * c.charge, 1e-9);
    }
}

// Under the zoom tool Shift+drag measures and zooms nothing; a plain click takes the
// measurement away. The measure tool measures plain drags, and a click without a drag clears.
TEST_F(Measure, ShiftDragUnderTheZoomToolAndTheMeasureTool) {
    addSerie({{100, 300}, {100.5, 150}});
    plot.setView(99.5, 101.0, 0, 400);
    plot.setTool(makeZoomTool(plot));
    const TFloatRect view = plot.getView();
    const int historyIndex = plot.viewHistory().index();

    drag(pixel(100, 300), pixel(100.5, 150));
    ASSERT_TRUE(plot.measurement());
    EXPECT_EQ(plot.measurement()->charge(), 2);
    EXPECT_EQ(plot.getView(), view);
    EXPECT_EQ(plot.viewHistory().index(), historyIndex);

    press({10, 10});
    EXPECT_FALSE(plot.measurement());
    release({10, 10});

    plot.setTool(makeMeasureTool(plot));
    drag(pixel(100, 300), pixel(100.5, 150), Qt::NoModifier);
    ASSERT_TRUE(plot.measurement());
    EXPECT_EQ(plot.measurement()->to.point, (TFloatPointRec{100.5, 150}));
    drag({10, 10}, {11, 11}, Qt::NoModifier);
    EXPECT_FALSE(plot.measurement());
    EXPECT_EQ(plot.getView(), view);
}

}  // namespace
