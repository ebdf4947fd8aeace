// The peak read-out of a real plot driven by mouse and key events: snapping across series, the
// digits and the percentage it shows, its marker, and stepping with Ctrl+arrows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

#include "display/QtColor.h"
#include "display/Readout.h"
#include "display/Spectrum.h"
#include "model/PointListSerie.h"

namespace {

// 1001 x 401 pixels over m/z 0..1000 and intensity 0..400: a pixel per unit, pixel y = 400 - y.
class Readout : public ::testing::Test {
protected:
    void SetUp() override {
        plot.resize(1001, 401);
        plot.setView(0, 1000, 0, 400);
    }

    TPointListSerie& addSerie(const std::string& name, std::initializer_list<TFloatPointRec> points,
                              TColor color) {
        const auto serie = plot.series()->newSerie(name);
        serie->setColor(color);
        for (const TFloatPointRec& p : points) serie->points()->add(p);
        return *serie;
    }
    void move(int x, int y) {
        const QPointF at(x, y);
        QMouseEvent event(QEvent::MouseMove, at, plot.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&plot, &event);
    }
    void leave() {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(&plot, &event);
    }
    void ctrlKey(int code) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::ControlModifier);
        QApplication::sendEvent(&plot, &press);
    }
    // The read-out's m/z; -1 without one.
    double readMz() const { return plot.readout() ? plot.readout()->point.x : -1.0; }
    std::string text() const { return plot.statusText().toStdString(); }

    TSpectrum plot;
};

constexpr TColor red{200, 0, 0};
constexpr TColor blue{0, 0, 200};

// The pointer at (100, 200) in world units: light's point at m/z 99 is nearer in x, heavy's at
// 103 nearer in pixels once y counts.
TEST_F(Readout, SnapsToTheNearestPointInPixelsAcrossSeriesAndMarksIt) {
    addSerie("light", {{99, 195}, {300, 300}}, red);
    const auto& heavy = addSerie("heavy", {{103, 201}, {105, 300}, {800, 20}}, blue);

    move(100, 200);
    ASSERT_TRUE(plot.readout());
    EXPECT_EQ(plot.readout()->serie.lock().get(), &heavy);
    EXPECT_EQ(plot.readout()->point, (TFloatPointRec{103, 201}));
    // Steps of 2 and more: two decimals; 201 of heavy's highest 300.
    EXPECT_EQ(text(), "heavy, m/z 103.00, intensity 201.0, 67.0 %");

    // A hollow circle 7 pixels across about (103, 199), in heavy's colour.
    QImage image = plot.grab().toImage();
    const QColor background = image.pixelColor(100, 150);
    EXPECT_EQ(image.pixelColor(106, 199), toQColor(blue));
    EXPECT_EQ(image.pixelColor(103, 196), toQColor(blue));
    EXPECT_EQ(image.pixelColor(103, 202), toQColor(blue));
    EXPECT_EQ(image.pixelColor(104, 199), background);  // hollow

    // Six pixels away still reads; seven do not, and the pointer's own read-out comes back.
    move(99, 211);  // light's point is at pixel (99, 205)
    EXPECT_EQ(readMz(), 99.0);
    EXPECT_EQ(text(), "light, m/z 99.00, intensity 195.0, 65.0 %");
    move(99, 212);
    EXPECT_FALSE(plot.readout());
    EXPECT_EQ(plot.statusText(), plot.cursorReadout());

    // Leaving takes the marker away.
    move(100, 200);
    leave();
    EXPECT_FALSE(plot.readout());
    image = plot.grab().toImage();
    EXPECT_EQ(image.pixelColor(106, 199), background);
}

// Points far above the view are read where they are drawn, at the top edge; the percentage is
// of the series' highest point in the visible m/z window, whatever the y range shows.
TEST_F(Readout, PercentIsOfTheBasePeakInViewAndFollowsTheView) {
    addSerie("s", {{100, 50}, {200, 100}, {800, 2000}}, red);
    move(800, 2);
    EXPECT_EQ(text(), "s, m/z 800.00, intensity 2000, 100.0 %");

    move(100, 350);
    EXPECT_EQ(text(), "s, m/z 100.00, intensity 50.00, 2.5 %");

    // Zoomed to 50..550, m/z 100 still under the pointer: read again, 200 is now the base peak.
    plot.setView(50, 550, 0, 400);
    plot.invalidate();
    ASSERT_TRUE(plot.readout());
    EXPECT_EQ(text(), "s, m/z 100.00, intensity 50.00, 50.0 %");
}

// Enough decimals to tell neighbouring points apart, from the local step, 2 to 6.
TEST_F(Readout, DigitsFollowTheSpacingOfTheData) {
    const auto decimalsFor = [](double step) {
        TFloatPointSortedList points;
        for (int i = 0; i < 40; ++i) points.add({500.0 + i * step, 1.0});
        return massDecimals(points, 20);
    };
    EXPECT_EQ(decimalsFor(1.0), 2);
    EXPECT_EQ(decimalsFor(0.01), 2);  // 0.01 is stored a hair below itself
    EXPECT_EQ(decimalsFor(0.004), 3);
    EXPECT_EQ(decimalsFor(0.00002), 5);
    EXPECT_EQ(decimalsFor(1e-9), 6);

    // The step near the point counts: a sparse stretch elsewhere does not widen it.
    TFloatPointSortedList mixed;
    for (int i = 0; i < 40; ++i) mixed.add({100.0 + i, 1.0});
    for (int i = 0; i < 40; ++i) mixed.add({500.0 + i * 0.0005, 1.0});
    EXPECT_EQ(massDecimals(mixed, 5), 2);
    EXPECT_EQ(massDecimals(mixed, 60), 4);
    // On the plot: a profile with a step of 0.0005 reads with 4 decimals.
    auto& serie = addSerie("profile", {}, red);
    for (int i = 0; i <= 200; ++i) serie.points()->add({500.0 + i * 0.0005, 100.0 + i});
    plot.setView(500.0, 500.1, 0, 400);
    plot.invalidate();
    move(500, 400 - 200);  // m/z 500.05, intensity 200
    EXPECT_EQ(text(), "profile, m/z 500.0500, intensity 200.0, 66.7 %");
}

TEST_F(Readout, CtrlArrowsStepThroughTheSeriesOfTheReadout) {
    addSerie("light", {{99, 195}, {101, 10}}, red);
    addSerie("heavy", {{103, 201}, {105, 300}, {1200, 50}}, blue);  // heavy is current

    move(100, 200);
    ASSERT_EQ(readMz(), 103.0);
    ctrlKey(Qt::Key_Right);
    EXPECT_EQ(readMz(), 105.0);
    // To a point outside the view, which moves to show it.
    ctrlKey(Qt::Key_Right);
    EXPECT_EQ(readMz(), 1200.0);
    EXPECT_LE(plot.getView().x1, 1200.0);
    EXPECT_GE(plot.getView().x2, 1200.0);
    EXPECT_EQ(text(), "heavy, m/z 1200.00, intensity 50.00, 100.0 %");
    // At the end it stays; a view change keeps a stepped read-out on its point.
    ctrlKey(Qt::Key_Right);
    EXPECT_EQ(readMz(), 1200.0);
    plot.setView(1000, 1300, 0, 400);
    plot.invalidate();
    EXPECT_EQ(readMz(), 1200.0);
    ctrlKey(Qt::Key_Left);
    EXPECT_EQ(readMz(), 105.0);

    // The mouse takes over again.
    plot.setView(0, 1000, 0, 400);
    plot.invalidate();
    move(99, 205);
    EXPECT_EQ(readMz(), 99.0);
    ctrlKey(Qt::Key_Right);  // within light, the series read
    EXPECT_EQ(readMz(), 101.0);

    // Without a read-out the current series is stepped from the middle of the view.
    leave();
    plot.setView(100, 110, 0, 400);  // middle 105
    plot.invalidate();
    ctrlKey(Qt::Key_Left);
    EXPECT_EQ(readMz(), 105.0);
    EXPECT_EQ(plot.readout()->name, "heavy");
    leave();
    plot.setView(100, 108, 0, 400);  // middle 104
    plot.invalidate();
    ctrlKey(Qt::Key_Left);
    EXPECT_EQ(readMz(), 103.0);

    // A series deleted under a read-out: stepping starts afresh, from the current series.
    plot.series()->deleteItem(1);
    EXPECT_NO_THROW(ctrlKey(Qt::Key_Left));
    EXPECT_EQ(plot.readout()->name, "light");
}

}  // namespace
