// Intensity scales on a real spectrum: log and percent ticks where the plot draws their values,
// the common exponent of absolute numbers, the y fit after zooms and its suspension by a
// stretch, mirror halves each at their own base peak, labels, read-out and measurements where
// the peaks are drawn, and pinned measurements carried and undone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "display/Axis.h"
#include "display/IntensityScale.h"
#include "display/PlotRenderer.h"
#include "display/QtColor.h"
#include "display/Readout.h"
#include "display/Spectrum.h"
#include "files/MzMlRun.h"
#include "model/Label.h"
#include "model/PointListSerie.h"

namespace {

// Run A's first MS1 scan (profile), whose base peak lies at m/z 810.415.
class Scales : public ::testing::Test {
protected:
    void SetUp() override {
        plot.resize(801, 401);
        const TMzMlRunReader run(VELMORIX_TEST_DATA "/mzml/ltqft_small.pwiz.mzML");
        const auto serie = plot.series()->newSerie("scan 1");
        for (const TFloatPointRec& p : run.loadSpectrum(0)) serie->points()->add(p);
        scan = serie;
    }
    // The highest point within x1..x2, found by walking every point.
    double highest(double x1, double x2) const {
        double top = 0.0;
        const TFloatPointSortedList& points = *scan->points();
        for (int i = 0; i < points.count(); ++i)
            if (points.get(i).x >= x1 && points.get(i).x <= x2)
                top = std::max(top, double(points.get(i).y));
        return top;
    }
    TVerticalTicks ticks() const {
        TYAxisScale scale{plot.plotScale().intensity, plot.plotState().yMapping()};
        return verticalTicks(*plot.yRange(), plot.height(), scale, 32);
    }
    void wheel(double mz, int delta) {
        const QPointF at(plot.worldToDevice(mz, 0).x, 100);
        QWheelEvent event(at, plot.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&plot, &event);
    }
    void key(int code) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(&plot, &press);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier);
        QApplication::sendEvent(&plot, &release);
    }

    TSpectrum plot;
    TPointListSeriePtr scan;
};

std::vector<QString> labels(const TVerticalTicks& ticks) {
    std::vector<QString> texts;
    for (const auto& major : ticks.majors) texts.push_back(major.label);
    return texts;
}

TEST_F(Scales, PercentAndLogTicksStandWhereThePlotDrawsTheirValues) {
    plot.setView(805.0, 815.0, 0.0, 1.0);
    plot.setPlotScale({TIntensityScale::Relative, TPercentOf::View, true, false});
    plot.invalidate();
    const double base = highest(805.0, 815.0);
    ASSERT_GT(base, 1e5);
    // Fitted: the base peak stands 2 % under the top edge.
    EXPECT_DOUBLE_EQ(plot.getView().y2, base * (1.0 + fitHeadroom));
    auto percent = ticks();
    ASSERT_EQ(percent.majors.size(), 11u);
    EXPECT_EQ(labels(percent).front(), "0");
    EXPECT_EQ(labels(percent).back(), "100");
    EXPECT_TRUE(percent.exponent.isEmpty());
    EXPECT_EQ(percent.majors.back().pixel, plot.worldToDevice(810.0, base).y);
    EXPECT_EQ(percent.majors[5].pixel, plot.worldToDevice(810.0, base / 2).y);

    // Of the whole spectrum, a window without the base peak tops out below 100 %.
    plot.setPlotScale({TIntensityScale::Relative, TPercentOf::Whole, true, false});
    plot.setView(557.0, 560.0, 0.0, 1.0);
    const double whole = highest(0.0, 1e9);
    EXPECT_EQ(whole, base);
    percent = ticks();
    ASSERT_FALSE(percent.majors.empty());
    const double topPercent = highest(557.0, 560.0) * 102.0 / whole;
    EXPECT_LT(labels(percent).back().toDouble(), topPercent);
    EXPECT_EQ(percent.majors[1].pixel,
              plot.worldToDevice(558.0, labels(percent)[1].toDouble() * whole / 100).y);

    // Log: the floor is a tenth of the smallest positive value in view; zeros sit on it.
    plot.setIntensityScale(TIntensityScale::Log);
    plot.setView(805.0, 815.0, 0.0, 1.0);
    double smallest = 1e300;
    const TFloatPointSortedList& points = *scan->points();
    for (int i = 0; i < points.count(); ++i) {
        const TFloatPointRec p = points.get(i);
        if (p.x >= 805.0 && p.x <= 815.0 && p.y > 0) smallest = std::min(smallest, double(p.y));
    }
    const TYMapping mapping = plot.plotState().yMapping();
    ASSERT_TRUE(mapping.log);
    EXPECT_DOUBLE_EQ(mapping.logFloor, smallest / 10);
    const int bottom = plot.height() - 1;
    EXPECT_EQ(plot.worldToDevice(810.0, smallest / 10).y, bottom);
    EXPECT_EQ(plot.worldToDevice(810.0, 0.0).y, bottom);
    EXPECT_EQ(plot.worldToDevice(810.0, -5.0).y, bottom);
    const auto log = ticks();
    ASSERT_GE(log.majors.size(), 3u);
    for (const auto& major : log.majors) {
        SCOPED_TRACE(major.label.toStdString());
        ASSERT_TRUE(major.label.startsWith("10"));
    }
    // Decades are evenly spaced, and 10^5 stands where the plot draws 100000.
    EXPECT_NEAR(log.majors[1].pixel - log.majors[0].pixel,
                log.majors[2].pixel - log.majors[1].pixel, 1);
    const auto five = std::find_if(log.majors.begin(), log.majors.end(),
                                   [](const TMajorTick& t) { return t.label == powerOfTen(5); });
    ASSERT_NE(five, log.majors.end());
    EXPECT_EQ(five->pixel, plot.worldToDevice(810.0, 1e5).y);
    EXPECT_NEAR(plot.deviceToWorld(0, five->pixel).y, 1e5, 1e5 * 0.02);
}

TEST(ScalesAxis, AbsoluteNumbersShowOneCommonExponentWhenLong) {
    TRangePtr y = newRange(0, 1.6e6);
    y->setReversed(true);
    TYAxisScale absolute{TIntensityScale::Absolute, {}};
    const auto big = verticalTicks(*y, 401, absolute, 32);
    EXPECT_EQ(big.exponent, QString::fromUtf8("×10⁶"));
    EXPECT_EQ(labels(big), (std::vector<QString>{"0.0", "0.2", "0.4", "0.6", "0.8", "1.0", "1.2",
                                                 "1.4", "1.6"}));
    EXPECT_EQ(big.majors.back().pixel, 0);
    EXPECT_EQ(big.majors.front().pixel, 400);
    y->setMax(500);
    const auto small = verticalTicks(*y, 401, absolute, 32);
    EXPECT_TRUE(small.exponent.isEmpty());
    EXPECT_EQ(labels(small).back(), "500");
    EXPECT_EQ(labels(small)[1], "50");
    // Fractions keep the relative scale of the original axis.
    EXPECT_TRUE(verticalTicks(*y, 401, {}, 32).majors.empty());
}

TEST_F(Scales, YFitsEachZoomUntilAStretchSuspendsItAndAFitResumesIt) {
    plot.setPlotScale({TIntensityScale::Absolute, TPercentOf::View, true, false});
    plot.setView(400.0, 2000.0, 0.0, 1.0);
    plot.endViewGesture();
    plot.startViewHistory();
    EXPECT_DOUBLE_EQ(plot.getView().y2, highest(400.0, 2000.0) * (1.0 + fitHeadroom));

    for (int i = 0; i < 30; ++i) wheel(558.3, 120);
    TFloatRect v = plot.getView();
    ASSERT_LT(v.x2 - v.x1, 100.0);
    EXPECT_EQ(v.y1, 0.0);  // the base line
    EXPECT_DOUBLE_EQ(v.y2, highest(v.x1, v.x2) * (1.0 + fitHeadroom));
    EXPECT_LT(v.y2, highest(400.0, 2000.0));

    // A stretch holds y through the next zoom.
    key(Qt::Key_Up);
    const double stretched = plot.getView().y2;
    EXPECT_DOUBLE_EQ(stretched, v.y2 * 0.8);
    EXPECT_TRUE(plot.plotScale().yFitSuspended);
    plot.endViewGesture();
    wheel(558.3, -120);
    EXPECT_NE(plot.getView().x1, v.x1);
    EXPECT_EQ(plot.getView().y2, stretched);

    // The explicit fit brings it back for the zooms that follow.
    plot.fitYToVisible();
    EXPECT_FALSE(plot.plotScale().yFitSuspended);
    plot.endViewGesture();
    wheel(558.3, -240);
    v = plot.getView();
    EXPECT_DOUBLE_EQ(v.y2, highest(v.x1, v.x2) * (1.0 + fitHeadroom));

    // Back steps x, and y fits the window it returns to.
    key(Qt::Key_Backspace);
    v = plot.getView();
    EXPECT_DOUBLE_EQ(v.y2, highest(v.x1, v.x2) * (1.0 + fitHeadroom));
}

// A strong and a weak spectrum, the weak one flipped: both peaks reach 100 % of their half.
TEST(ScalesMirror, EachHalfReachesItsOwnBasePeak) {
    const TSpectrumDataPtr data = newSpectrumData({}, {});
    const auto strong = data->series()->newSerie("strong");
    const auto weak = data->series()->newSerie("weak");
    for (const auto& serie : {strong, weak}) serie->setStyle(TSerieStyle::Bars);
    strong->points()->add({100.0, 2e6});
    strong->points()->add({150.0, 5e5});
    weak->points()->add({120.0, 40.0});
    weak->points()->add({170.0, 20.0});
    data->xRange()->setMin(90.0);
    data->xRange()->setMax(190.0);
    data->yRange()->setMin(0.0);
    data->yRange()->setMax(2e6);

    TPlotState state;
    state.data = data;
    state.mirrored = {false, true};
    const QSize size(201, 205);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TPlotRenderer renderer;
        EXPECT_TRUE(renderer.render(painter, size, state, TRenderSettings()).empty());
    }
    const TPlotMapping mapping(*data, size, state.yMapping());
    const TRange& display = *mapping.view().yRange;
    const int zero = display.pixelOf(size.height(), 0.0);
    const int top = display.pixelOf(size.height(), 100.0);
    const int bottom = display.pixelOf(size.height(), -100.0);
    EXPECT_EQ(zero, 102);
    EXPECT_EQ(zero - top, bottom - zero);
    const auto ink = [&](double mz, int y) {
        const int x = data->xRange()->pixelOf(size.width(), mz);
        return image.pixel(x, y) != qRgb(255, 255, 255);
    };
    // Strong: up to 100 % and no further; its half peak at 50 %.
    EXPECT_TRUE(ink(100.0, top));
    EXPECT_FALSE(ink(100.0, top - 1));
    EXPECT_FALSE(ink(100.0, zero + 2));
    EXPECT_TRUE(ink(150.0, display.pixelOf(size.height(), 25.0)));
    EXPECT_FALSE(ink(150.0, display.pixelOf(size.height(), 25.0) - 1));
    // Weak, flipped: down to -100 %, its half peak to -50 %.
    EXPECT_TRUE(ink(120.0, bottom));
    EXPECT_FALSE(ink(120.0, bottom + 1));
    EXPECT_FALSE(ink(120.0, zero - 2));
    EXPECT_TRUE(ink(170.0, display.pixelOf(size.height(), -50.0)));
    EXPECT_FALSE(ink(170.0, display.pixelOf(size.height(), -50.0) + 1));

    // The axis reads 100 at both ends and 0 between.
    const auto ticks = verticalTicks(*data->yRange(), size.height(),
                                     {TIntensityScale::Relative, state.yMapping()}, 30);
    ASSERT_FALSE(ticks.majors.empty());
    EXPECT_EQ(ticks.majors.front().label, "100");
    EXPECT_EQ(ticks.majors.front().pixel, bottom);
    EXPECT_EQ(ticks.majors.back().label, "100");
    EXPECT_EQ(ticks.majors.back().pixel, top);
}

// Shift+drag between the first two peaks of the 2+ cluster, then pinned: it stays drawn, goes
// with the pane's state to another pane, and undo and redo take it away and back.
TEST_F(Scales, APinnedMeasurementIsDrawnCarriedAndUndone) {
    plot.setView(810.2, 811.2, 0.0, 1.7e6);
    const auto send = [&](QEvent::Type type, QPoint at) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), plot.mapToGlobal(QPointF(at)), Qt::LeftButton, held,
                          Qt::ShiftModifier);
        QApplication::sendEvent(&plot, &event);
    };
    const auto at = [&](double mz) {
        const TPoint p = plot.worldToDevice(mz, highest(mz - 0.01, mz + 0.01));
        return QPoint(p.x, p.y);
    };
    plot.onGetFocus = nullptr;
    send(QEvent::MouseButtonPress, at(810.415));
    send(QEvent::MouseMove, at(810.917));
    send(QEvent::MouseButtonRelease, at(810.917));
    ASSERT_NE(plot.measurement(), nullptr);
    const TMeasurement measured = *plot.measurement();
    ASSERT_EQ(measured.charge(), 2);

    ASSERT_TRUE(plot.pinMeasurement());
    EXPECT_EQ(plot.measurement(), nullptr);
    ASSERT_EQ(plot.pins().size(), 1u);
    EXPECT_EQ(plot.pinsText().toStdString(), measured.text());
    EXPECT_FALSE(plot.pinMeasurement());  // nothing shown any more

    // Another pane with the same spectrum takes the state and draws the pin.
    TSpectrum copy;
    copy.resize(plot.size());
    copy.series()->add(plot.series()->serie(0));
    copy.setView(810.2, 811.2, 0.0, 1.7e6);
    copy.setViewState(plot.viewState());
    ASSERT_EQ(copy.pins(), plot.pins());
    QImage image(copy.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TPlotRenderer renderer;
        renderer.render(painter, copy.size(), copy.plotState(), copy.renderSettings());
    }
    const QPoint left = at(810.415);
    int pinInk = 0;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(left.x(), y) == QColor(0, 110, 110)) ++pinInk;
    EXPECT_GT(pinInk, 5);

    plot.undoPins();
    EXPECT_TRUE(plot.pins().empty());
    EXPECT_TRUE(plot.canRedoPins());
    plot.redoPins();
    EXPECT_EQ(plot.pins().size(), 1u);
    plot.removePin(0);
    EXPECT_TRUE(plot.pins().empty());
    plot.undoPins();
    EXPECT_EQ(plot.pins().front(), measured);
}

// The rows of column x painted in colour, top to bottom.
std::vector<int> inkRows(const QImage& image, int x, QColor colour) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(x, y) == colour) rows.push_back(y);
    return rows;
}

// Labels of the scan laid out by the plot in a log scale: each stands on the apex the line
// draws, not where a linear scale would put the peak.
TEST_F(Scales, LogScaleLabelsStandOnTheirDrawnPeaks) {
    constexpr TColor line{0, 120, 0};
    scan->setColor(line);
    const auto peaks = newPointlistLabelList("peaks", *scan->points());
    peaks->setVisible(true);
    plot.labels()->add(peaks);
    plot.setPlotScale({TIntensityScale::Log, TPercentOf::View, true, false});
    plot.setView(805.0, 815.0, 0.0, 1.0);
    const QImage image = plot.grab().toImage();

    int checked = 0;
    for (const TPlacedLabel& label : plot.shownLabels()) {
        const int px = plot.worldToDeviceX(label.anchor.x, label.anchor.y);
        const auto rows = inkRows(image, px, toQColor(line));
        ASSERT_FALSE(rows.empty()) << label.text;
        const TRect box = label.bounds.normalized();
        // The base peak's label is brought down under the top edge; the others stand on their
        // apex, in its column.
        if (rows.front() < box.bottom - box.top + 2) continue;
        SCOPED_TRACE(label.text);
        EXPECT_EQ(box.bottom, rows.front());
        EXPECT_LE(box.left, px);
        EXPECT_GE(box.right, px);
        ++checked;
    }
    EXPECT_GE(checked, 3);
}

// Run A's MS/MS scans 3 and 4 head to tail, the second flipped below the zero line and its
// peaks labelled.
class HeadToTail : public ::testing::Test {
protected:
    static constexpr TColor headColor{0, 0, 200};
    static constexpr TColor tailColor{0, 140, 0};
    static constexpr TColor labelColor{220, 0, 0};

    void SetUp() override {
        plot.resize(801, 401);
        const TMzMlRunReader run(VELMORIX_TEST_DATA "/mzml/ltqft_small.pwiz.mzML");
        head = add("scan 3", run.loadSpectrum(2), headColor);
        tail = add("scan 4", run.loadSpectrum(3), tailColor);
        const auto peaks = newPointlistLabelList("tail peaks", *tail->points());
        peaks->setVisible(true);
        peaks->font().color = labelColor;
        plot.labels()->add(peaks);
        const TFloatPointSortedList& h = *head->points();
        const TFloatPointSortedList& t = *tail->points();
        x1 = std::min(h.getMinPoint().x, t.getMinPoint().x) - 10.0;
        x2 = std::max(h.getMaxPoint().x, t.getMaxPoint().x) + 10.0;
        plot.setView(x1, x2, 0.0, 1.0);
        plot.setMirrored(tail, true);
        image = plot.grab().toImage();
        for (int y = 0; y < image.height() && zero < 0; ++y)
            if (image.pixelColor(3, y) == QColor(160, 160, 160)) zero = y;
        for (int i = 0; i < t.count(); ++i) base = std::max(base, t.get(i).y);
    }
    TPointListSeriePtr add(const char* name, const std::vector<TFloatPointRec>& points,
                           TColor color) {
        const auto serie = plot.series()->newSerie(name);
        serie->setStyle(TSerieStyle::Bars);
        serie->setColor(color);
        for (const TFloatPointRec& p : points) serie->points()->add(p);
        return serie;
    }
    // The tail's point drawn lowest in column px, found by walking its points; none without.
    std::optional<TFloatPointRec> tallestTailPointIn(int px) const {
        std::optional<TFloatPointRec> best;
        const TFloatPointSortedList& t = *tail->points();
        for (int i = 0; i < t.count(); ++i) {
            const TFloatPointRec p = t.get(i);
            if (plot.worldToDeviceX(p.x, p.y) == px && (!best || p.y > best->y)) best = p;
        }
        return best;
    }
    // The tip of the tail's bar in column px: its lowest pixel.
    int tailTip(int px) const {
        const auto rows = inkRows(image, px, toQColor(tailColor));
        return rows.empty() ? -1 : rows.back();
    }
    void send(QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease || modifiers == Qt::NoModifier ? Qt::NoButton
                                                                              : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), plot.mapToGlobal(QPointF(at)), button, held,
                          modifiers);
        QApplication::sendEvent(&plot, &event);
    }

    TSpectrum plot;
    TPointListSeriePtr head;
    TPointListSeriePtr tail;
    double x1 = 0.0, x2 = 0.0;
    QImage image;
    int zero = -1;      // the row of the zero line
    double base = 0.0;  // the tail's base peak
};

// Each label of the flipped scan hangs from the tip of its drawn bar, under the zero line, its
// text painted there.
TEST_F(HeadToTail, LabelsOfTheFlippedSeriesHangUnderTheirPeaks) {
    ASSERT_GT(zero, 150);
    ASSERT_LT(zero, 250);
    ASSERT_GE(plot.shownLabels().size(), 3u);
    int checked = 0;
    for (const TPlacedLabel& label : plot.shownLabels()) {
        SCOPED_TRACE(label.text);
        const int px = plot.worldToDeviceX(label.anchor.x, label.anchor.y);
        const auto tallest = tallestTailPointIn(px);
        ASSERT_TRUE(tallest);
        if (static_cast<float>(tallest->y) != static_cast<float>(label.anchor.y)) continue;
        const int tip = tailTip(px);
        ASSERT_GE(tip, zero);
        const TRect box = label.bounds.normalized();
        EXPECT_GT(box.top, zero);
        EXPECT_LE(box.left, px);
        EXPECT_GE(box.right, px);
        // From just under the tip down, or brought up just inside the bottom edge.
        if (tip + 1 + (box.bottom - box.top) < plot.height() - 1)
            EXPECT_EQ(box.top, tip + 1);
        else
            EXPECT_EQ(box.bottom, plot.height() - 1);
        // The text is painted there (smoothed: reddish pixels).
        int text = 0;
        for (int y = box.top; y <= std::min(box.bottom, image.height() - 1); ++y)
            for (int x = box.left; x <= std::min(box.right, image.width() - 1); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 150 && c.green() < 120 && c.blue() < 120) ++text;
            }
        EXPECT_GT(text, 5);
        ++checked;
    }
    EXPECT_GE(checked, 3);
    // A picture of the plot lays them out alike.
    EXPECT_EQ(plot.labels()->layout(TPlotMapping(plot.plotState(), plot.size())),
              plot.shownLabels());
}

// The pointer on the tip of a flipped bar reads that peak, with its own intensity and its
// percentage of the flipped scan's base peak; a Shift+drag between two such tips measures them
// and hangs its bracket under them.
TEST_F(HeadToTail, ReadOutAndMeasurementTakeTheFlippedPeaksWhereTheyAreDrawn) {
    // The two tallest tail peaks below its base peak, in columns of their own.
    std::vector<std::pair<int, TFloatPointRec>> tips;
    for (int px = 1; px < plot.width() - 1; ++px) {
        const auto p = tallestTailPointIn(px);
        if (p && p->y < base * 0.7 && p->y > base * 0.2) tips.emplace_back(px, *p);
    }
    ASSERT_GE(tips.size(), 2u);
    std::sort(tips.begin(), tips.end(),
              [](const auto& a, const auto& b) { return a.second.y > b.second.y; });
    const auto [ax, a] = tips[0];
    const auto [bx, b] = tips[1];
    const QPoint atA(ax, tailTip(ax));
    const QPoint atB(bx, tailTip(bx));
    ASSERT_GT(atA.y(), zero + 10);

    send(QEvent::MouseMove, atA, Qt::NoModifier);
    const auto& r = plot.readout();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->serie.lock(), tail);
    EXPECT_EQ(r->point, a);
    ASSERT_TRUE(r->percent);
    EXPECT_NEAR(*r->percent, a.y / base * 100.0, 1e-9);
    const TPoint marker = readoutPixel(plot, *r);
    EXPECT_EQ(marker.x, atA.x());
    EXPECT_EQ(marker.y, atA.y());

    plot.onGetFocus = nullptr;
    send(QEvent::MouseButtonPress, atA, Qt::ShiftModifier);
    send(QEvent::MouseMove, atB, Qt::ShiftModifier);
    send(QEvent::MouseButtonRelease, atB, Qt::ShiftModifier);
    ASSERT_NE(plot.measurement(), nullptr);
    EXPECT_EQ(plot.measurement()->from.point, a);
    EXPECT_EQ(plot.measurement()->to.point, b);
    EXPECT_TRUE(plot.measurement()->from.onPeak && plot.measurement()->to.onPeak);
    const QImage measured = plot.grab().toImage();
    const auto legs = inkRows(measured, ax, QColor(150, 0, 110));
    ASSERT_FALSE(legs.empty());
    EXPECT_GT(legs.front(), std::max(atA.y(), atB.y()));
}

}  // namespace
