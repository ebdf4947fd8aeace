// The plot widget: view history through zooming, pixels of rendered plots, mouse dispatch,
// axis placement, the read-out and the series texts, and failures handed out as messages.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "display/Axis.h"
#include "display/Cursors.h"
#include "display/Spectrum.h"
#include "display/SpectrumTool.h"
#include "model/ModelErrors.h"
#include "support/PaintCounter.h"
#include "support/TestHelpers.h"

namespace {

constexpr QRgb white = 0xffffffff;
constexpr QRgb black = 0xff000000;
constexpr QRgb red = 0xffff0000;
constexpr QRgb blue = 0xff0000ff;

// A plot of 200 x 100 pixels showing x 0..100 and y 0..100 on white, without a frame.
class SpectrumPlot : public ::testing::Test {
protected:
    SpectrumPlot() {
        plot.resize(200, 100);
        QPalette palette = plot.palette();
        palette.setColor(QPalette::Base, Qt::white);
        plot.setPalette(palette);
        plot.setColor(QColor());
        plot.setView(0, 100, 0, 100);
    }

    TPointListSerie& addSerie(TSerieStyle style, TColor color,
                              std::initializer_list<TFloatPointRec> points) {
        auto serie = plot.series()->newSerie("serie");
        serie->setStyle(style);
        serie->setColor(color);
        for (const auto& p : points) serie->points()->add(p);
        return *serie;
    }

    // A horizontal line at y across the whole window, many points per pixel column.
    TPointListSerie& addFlatLine(TColor color, double y) {
        auto& serie = addSerie(TSerieStyle::Line, color, {});
        for (int i = 0; i <= 1000; ++i) serie.points()->add({i * 0.1, y});
        return serie;
    }

    QImage render() { return plot.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // Rows of column x (from top to bottom) whose colour is c.
    static std::vector<int> rowsOf(const QImage& image, int x, QRgb c) {
        std::vector<int> rows;
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) == c) rows.push_back(y);
        return rows;
    }

    TSpectrum plot;
};

// A tool that records what reaches it and can be made to fail.
class RecordingTool : public iSpectrumTool {
public:
    explicit RecordingTool(iSpectrum& spectrum) : m_spectrum(&spectrum) {}

    void mouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) override {
        log.push_back("down " + std::to_string(x) + "," + std::to_string(y));
        if (failOnMouse) throw std::runtime_error(failOnMouse);
    }
    void mouseMove(Qt::KeyboardModifiers, int x, int y) override {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void mouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) override {
        log.push_back("up " + std::to_string(x) + "," + std::to_string(y));
    }
    int cursor() const override { return m_cursor; }
    void setCursor(int id) override { m_cursor = id; }
    iSpectrum* spectrum() const override { return m_spectrum; }
    void setSpectrum(iSpectrum* spectrum) override { m_spectrum = spectrum; }
    TFloatRect getWorldZone() const override { return {}; }
    void setWorldZone(const TFloatRect&) override {}
    bool zoneNarrowX() const override { return true; }
    bool zoneNarrowY() const override { return true; }
    void paint(QPainter&) override {
        if (convertOnPaint) m_spectrum->deviceToWorld(10, 10);
        if (failOnPaint) throw std::runtime_error(failOnPaint);
    }

    std::vector<std::string> log;
    const char* failOnMouse = nullptr;
    const char* failOnPaint = nullptr;
    bool convertOnPaint = false;

private:
    iSpectrum* m_spectrum;
    int m_cursor = cursors::label;
};

// Counts how often its labels are laid out.
class CountingLabelList : public TTextLabelList {
public:
    using TTextLabelList::TTextLabelList;
    void placeAll(const iWorldControl& control) override {
        ++layouts;
        TTextLabelList::placeAll(control);
    }
    int layouts = 0;
};

}  // namespace

// --- view history through the plot -----------------------------------------------------------

TEST(SpectrumPlotStart, ANewPlotHasTheCrossCursorToolAndOneViewNewDataRestartsTheHistory) {
    TSpectrum fresh;
    EXPECT_EQ(fresh.viewHistory().views(), std::vector<TFloatRect>{fresh.getView()});
    ASSERT_TRUE(fresh.tool());
    EXPECT_EQ(fresh.cursorId(), cursors::crossHair);

    fresh.setSpectrumData(newSpectrumData({}, {}));
    EXPECT_EQ(fresh.viewHistory().index(), -1);
    EXPECT_THROW(fresh.setSpectrumData(nullptr), std::invalid_argument);
}

TEST_F(SpectrumPlot, ZoomToWidensTinyWindowsAndSkipsTheCurrentOne) {
    plot.clearViewHistory();
    plot.zoomTo(10, 10, 20, 20);
    ASSERT_EQ(plot.viewHistory().size(), 2);  // the view before, then the zoom
    const TFloatRect v = plot.getView();
    EXPECT_NEAR(v.x1, 9.995, 1e-12);
    EXPECT_NEAR(v.x2, 10.005, 1e-12);
    EXPECT_NEAR(v.y1, 19.975, 1e-12);
    EXPECT_NEAR(v.y2, 20.025, 1e-12);

    QSignalSpy viewChanges(&plot, &TSpectrum::viewChanged);
    plot.zoomTo(v.x1, v.x2, v.y1, v.y2);
    EXPECT_EQ(plot.viewHistory().size(), 2);
    EXPECT_EQ(viewChanges.count(), 0);

    // Not a number would stay in the history and break every mapping.
    plot.zoomTo(0, std::numeric_limits<double>::quiet_NaN(), 0, 10);
    plot.zoomTo(0, std::numeric_limits<double>::infinity(), 0, 10);
    EXPECT_EQ(plot.viewHistory().size(), 2);
    EXPECT_EQ(plot.getView(), v);

    // Ranges changed by a tool are announced when it asks for the repaint.
    plot.xRange()->setMax(50);
    EXPECT_EQ(viewChanges.count(), 0);
    plot.invalidate();
    plot.invalidate();
    EXPECT_EQ(viewChanges.count(), 1);
}

// The plot listens to the ranges and the series list it shows, also once they were replaced,
// and to no other: a range change lays the labels out again and repaints, and the view is
// still announced only by invalidate().
TEST_F(SpectrumPlot, ChangesOfWhatThePlotShowsRepaintItAndThoseOfWhatItGaveUpDoNot) {
    plot.show();
    PaintCounter paints(plot);
    paints.take();
    QSignalSpy viewChanges(&plot, &TSpectrum::viewChanged);
    const auto repaintsFor = [&](TRange& range) {
        plot.labels()->setNeedsLayout(false);
        range.setMax(range.max() + 1);
        const bool laidOut = plot.labels()->needsLayout();
        const bool painted = paints.take() > 0;
        EXPECT_EQ(laidOut, painted);
        return painted;
    };
    const TRangePtr firstX = plot.xRange();
    const TRangePtr firstY = plot.yRange();
    const TPointListSerieListPtr firstSeries = plot.series();
    EXPECT_TRUE(repaintsFor(*firstX));
    EXPECT_TRUE(repaintsFor(*firstY));
    firstSeries->newSerie("a");
    EXPECT_GT(paints.take(), 0);
    EXPECT_EQ(viewChanges.count(), 0);

    plot.setXRange(newRange(0, 50));
    paints.take();
    EXPECT_FALSE(repaintsFor(*firstX));
    EXPECT_TRUE(repaintsFor(*plot.xRange()));

    plot.setSpectrumData(newSpectrumData({}, {}));
    paints.take();
    EXPECT_FALSE(repaintsFor(*firstY));
    firstSeries->newSerie("b");
    EXPECT_EQ(paints.take(), 0);
    EXPECT_TRUE(repaintsFor(*plot.xRange()));
    EXPECT_TRUE(repaintsFor(*plot.yRange()));
    plot.series()->newSerie("c");
    EXPECT_GT(paints.take(), 0);
}

// --- pixels ----------------------------------------------------------------------------------

TEST_F(SpectrumPlot, TheCurrentSerieIsDrawnLastAndWiderWhenThereAreOthers) {
    addFlatLine(TColor{255, 0, 0}, 50);
    QImage image = render();
    EXPECT_EQ(rowsOf(image, 100, red).size(), static_cast<std::size_t>(serieLineWidth()));

    addFlatLine(TColor{0, 0, 255}, 50);  // now current
    image = render();
    EXPECT_TRUE(rowsOf(image, 100, red).empty());
    EXPECT_EQ(rowsOf(image, 100, blue).size(), static_cast<std::size_t>(highlightLineWidth()));
}

TEST_F(SpectrumPlot, ChangedDataShowsAtTheNextRepaint) {
    auto& serie = addSerie(TSerieStyle::Bars, TColor{255, 0, 0}, {{50, 80}});
    const int x = plot.worldToDevice(50, 0).x;
    EXPECT_FALSE(rowsOf(render(), x, red).empty());

    serie.setColor(TColor{0, 0, 255});
    EXPECT_FALSE(rowsOf(render(), x, blue).empty());

    serie.setStyle(TSerieStyle::Line);
    serie.points()->clear();
    QImage blank(plot.size(), QImage::Format_RGB32);
    blank.fill(white);
    EXPECT_EQ(render(), blank);
}

TEST_F(SpectrumPlot, FiguresInvertWhatIsBeneath) {
    addSerie(TSerieStyle::Bars, TColor{255, 0, 0}, {{50, 100}});
    const int bar = plot.worldToDevice(50, 0).x;
    plot.spectrumCursor().setPoint({25, 50});
    plot.spectrumCursor().setShown(true);
    const TPoint c = plot.worldToDevice(25, 50);
    QImage image = render();
    EXPECT_EQ(image.pixel(c.x, 10), black);         // vertical line over white
    EXPECT_EQ(image.pixel(150, c.y), black);        // horizontal line over white
    EXPECT_EQ(image.pixel(bar, c.y), 0xff00ffffu);  // over the red bar: its inverse
    EXPECT_EQ(image.pixel(c.x, c.y), white);        // crossed twice

    plot.spectrumCursor().setShown(false);
    plot.setFocused(true);
    plot.setColor(QColor(0, 0, 128));
    image = render();
    EXPECT_EQ(image.pixel(60, 0), 0xff000080u);  // frame
    EXPECT_EQ(image.pixel(60, 1), black);        // focus frame inverts white
    EXPECT_EQ(image.pixel(198, 60), black);
    EXPECT_EQ(image.pixel(60, 2), white);
}

TEST_F(SpectrumPlot, TinyPlotsPaintWithoutFailing) {
    addFlatLine(TColor{255, 0, 0}, 50);
    plot.setHideThreshold(false);
    plot.setFocused(true);
    plot.spectrumCursor().setShown(true);
    QSignalSpy messages(&plot, &TSpectrum::messageRaised);
    for (const QSize size : {QSize(1, 1), QSize(0, 0), QSize(1, 50), QSize(50, 1), QSize(2, 2)}) {
        plot.resize(size);
        plot.grab();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(SpectrumPlot, LabelsAreLaidOutOnlyWhenTheViewChanges) {
    auto list = std::make_shared<CountingLabelList>("counted");
    list->addTextLabel("peak", 50, 50);
    plot.labels()->add(list);
    plot.labels()->setNeedsLayout(true);
    render();
    render();
    EXPECT_EQ(list->layouts, 1);
    plot.zoomTo(10, 90, 0, 100);
    render();
    EXPECT_EQ(list->layouts, 2);
    EXPECT_NE(list->label(0)->bounds(), TRect{});
}

// Zoomed in far enough for the curve: x 40..60 at 10 pixels per unit, points half a unit
// apart. A lone peak in a flat series stays between the base line and its top, a gap in a
// profile drops to the base line, a window between two points is covered from edge to edge,
// and two points in one pixel column reach the higher one.
TEST_F(SpectrumPlot, ZoomedCurvesShowOnlyWhatThePointsHold) {
    plot.setView(40, 60, -20, 100);
    const int baseRow = plot.worldToDevice(0, 0).y;
    const int peakRow = plot.worldToDevice(0, 80).y;
    {
        auto& serie = addSerie(TSerieStyle::Line, TColor{0, 0, 255}, {});
        for (int i = 0; i <= 200; ++i) serie.points()->add({i * 0.5, i == 100 ? 80.0 : 0.0});
        const QImage image = render();
        for (int x = 0; x < image.width(); ++x) {
            const auto rows = rowsOf(image, x, blue);
            ASSERT_FALSE(rows.empty()) << x;
            EXPECT_GE(rows.front(), peakRow) << x;
            EXPECT_LE(rows.back(), baseRow) << x;
        }
        EXPECT_EQ(rowsOf(image, plot.worldToDevice(50, 0).x, blue).front(), peakRow);
        plot.series()->clear();
    }
    {
        // Flat at 50 from 40 to 45 and from 55 to 60, nothing between.
        auto& serie = addSerie(TSerieStyle::Line, TColor{0, 0, 255}, {});
        for (int i = 0; i <= 40; ++i)
            if (i <= 10 || i >= 30) serie.points()->add({40 + i * 0.5, 50});
        const QImage image = render();
        for (const double x : {46.0, 50.0, 54.0})
            EXPECT_EQ(rowsOf(image, plot.worldToDevice(x, 0).x, blue), std::vector<int>{baseRow})
                << x;
        EXPECT_EQ(rowsOf(image, plot.worldToDevice(42, 0).x, blue),
                  std::vector<int>{plot.worldToDevice(0, 50).y});
        // A chromatogram's plot joins the two sides of such a step instead.
        plot.setGapsAreEmpty(false);
        const QImage joined = render();
        EXPECT_EQ(rowsOf(joined, plot.worldToDevice(50, 0).x, blue),
                  std::vector<int>{plot.worldToDevice(0, 50).y});
        plot.setGapsAreEmpty(true);
        plot.series()->clear();
    }
    {
        // A ramp with a second point in the column of 50, far higher than its neighbours.
        auto& serie = addSerie(TSerieStyle::Line, TColor{0, 0, 255}, {});
        for (int i = 0; i <= 200; ++i) serie.points()->add({i * 0.5, i * 0.25});
        serie.points()->add({50.01, 90});
        QImage image = render();
        EXPECT_EQ(rowsOf(image, plot.worldToDevice(50, 0).x, blue).front(),
                  plot.worldToDevice(0, 90).y);

        plot.setView(50.1, 50.4, 0, 100);  // between two points
        image = render();
        for (int x = 0; x < image.width(); ++x) EXPECT_FALSE(rowsOf(image, x, blue).empty()) << x;
    }
}

// --- mouse -----------------------------------------------------------------------------------

TEST_F(SpectrumPlot, AClickOnAnUnfocusedPlotOnlyAsksForFocusAndItsReleaseReachesTheTool) {
    auto tool = std::make_shared<RecordingTool>(plot);
    plot.setTool(tool);
    EXPECT_EQ(plot.cursorId(), cursors::label);
    int focusRequests = 0;
    plot.onGetFocus = [&](TSpectrum* sender) {
        EXPECT_EQ(sender, &plot);
        ++focusRequests;
    };
    QSignalSpy presses(&plot, &TSpectrum::mousePressed);

    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(50, 25));
    EXPECT_EQ(focusRequests, 1);
    EXPECT_TRUE(tool->log.empty());
    QTest::mouseMove(&plot, QPoint(60, 30));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(60, 30));
    EXPECT_EQ(tool->log, (std::vector<std::string>{"move 60,30", "up 60,30"}));

    tool->log.clear();
    plot.setFocused(true);
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(100, 50));
    EXPECT_EQ(focusRequests, 1);
    EXPECT_EQ(tool->log, std::vector<std::string>{"down 100,50"});
    EXPECT_EQ(presses.count(), 1);
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(100, 50));

    plot.setFocused(false);
    EXPECT_EQ(plot.cursorId(), cursors::standard);
    plot.setFocused(true);  // the pane is active again: its tool's cursor comes back
    EXPECT_EQ(plot.cursorId(), cursors::label);
}

// A peak label dragged aside with the label tool is joined to its peak by a thin line in the
// label's colour, and stays there after Hide/Show Labels.
TEST_F(SpectrumPlot, ADraggedLabelPointsToItsPeakAndStaysAfterHideAndShow) {
    auto& serie = addSerie(TSerieStyle::Bars, TColor{0, 0, 255}, {{50, 80}});
    const auto peaks = newPointlistLabelList("Custom Labels", *serie.points());
    plot.labels()->add(peaks);
    plot.labels()->setNeedsLayout(true);
    render();
    ASSERT_EQ(peaks->count(), 1);
    const TRect before = peaks->label(0)->bounds().normalized();
    const QPoint grab((before.left + before.right) / 2, (before.top + before.bottom) / 2);
    const QPoint drop = grab + QPoint(60, 30);
    // The middle of the line from the label's left edge down to the peak's pixel (100, 20).
    const auto inkNearMiddle = [&](const QImage& image) {
        const TRect b = peaks->label(0)->bounds().normalized();
        const QPoint middle((b.left + 100) / 2, (std::clamp(20, b.top, b.bottom) + 20) / 2);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (image.pixel(middle + QPoint(dx, dy)) == black) return true;
        return false;
    };

    plot.setFocused(true);
    plot.setTool(makeLabelTool(plot));
    QTest::mousePress(&plot, Qt::LeftButton, {}, grab);
    QTest::mouseMove(&plot, drop);
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, drop);
    const QImage dragged = render();
    const TRect there = peaks->label(0)->bounds();
    EXPECT_EQ(there.normalized().left, before.left + 60);
    EXPECT_TRUE(inkNearMiddle(dragged));

    for (const bool visible : {false, true}) {
        peaks->setVisible(visible);
        plot.labels()->setNeedsLayout(true);
        plot.invalidateDrawing();
        render();
    }
    EXPECT_EQ(peaks->label(0)->bounds(), there);
    EXPECT_TRUE(inkNearMiddle(render()));
}

// --- axes ------------------------------------------------------------------------------------

TEST(SpectrumAxes, AxesSitAgainstThePlotAndFollowIt) {
    QWidget pane;
    pane.resize(600, 400);
    auto* plot = new TSpectrum(&pane);
    plot->setGeometry(60, 20, 300, 200);
    auto* xAxis = new TAxis(&pane);
    xAxis->setAxisType(TAxisType::Left);  // not horizontal: becomes a bottom axis
    xAxis->resize(10, 30);
    auto* yAxis = new TAxis(&pane);
    yAxis->setAxisType(TAxisType::Right);
    yAxis->resize(40, 10);
    pane.show();  // hidden widgets put off their move and resize events

    plot->setXAxis(xAxis);
    plot->setYAxis(yAxis);
    EXPECT_EQ(xAxis->axisType(), TAxisType::Bottom);
    EXPECT_EQ(xAxis->range(), plot->xRange());
    EXPECT_EQ(yAxis->range(), plot->yRange());
    EXPECT_EQ(xAxis->geometry(), QRect(60, 220, 300, 30));
    EXPECT_EQ(yAxis->geometry(), QRect(360, 20, 40, 200));

    plot->setGeometry(80, 50, 250, 150);
    EXPECT_EQ(xAxis->geometry(), QRect(80, 200, 250, 30));
    EXPECT_EQ(yAxis->geometry(), QRect(330, 50, 40, 150));

    // New data hands its ranges to the axes; the y axis given as x axis leaves its role.
    plot->setSpectrumData(newSpectrumData({}, {}));
    EXPECT_EQ(xAxis->range(), plot->xRange());
    plot->setXAxis(yAxis);
    EXPECT_EQ(plot->yAxis(), nullptr);
    EXPECT_EQ(yAxis->axisType(), TAxisType::Bottom);

    delete yAxis;
    EXPECT_EQ(plot->xAxis(), nullptr);
    plot->setGeometry(0, 50, 250, 150);
}

// --- texts -----------------------------------------------------------------------------------

TEST_F(SpectrumPlot, TheReadOutMeasuresFromTheReferencePointOrThePress) {
    plot.setMousePos({102.5, 7});
    EXPECT_EQ(plot.cursorReadout().toStdString(), " 0.00000 +102.50000 = 102.50000 (m/z)");
    auto& serie = addSerie(TSerieStyle::Line, TColor{}, {});
    serie.setRefPoint(TFloatPointRec{100, 3});
    EXPECT_EQ(plot.cursorReadout().toStdString(), " 100.00000 +2.50000 = 102.50000 (m/z)");
    plot.setMousePos({99, 7});
    EXPECT_EQ(plot.cursorReadout().toStdString(), " 100.00000 -1.00000 = 99.00000 (m/z)");
}

// --- failures --------------------------------------------------------------------------------

TEST_F(SpectrumPlot, APaintFailureIsRaisedOnceAfterThePaintPerBurst) {
    auto tool = std::make_shared<RecordingTool>(plot);
    plot.setTool(tool);
    QSignalSpy messages(&plot, &TSpectrum::messageRaised);

    tool->failOnPaint = "drawing failed";
    render();
    EXPECT_EQ(messages.count(), 0);  // queued, not raised inside the paint
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.at(0).at(0).toString(), "drawing failed");

    render();
    render();
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.count(), 1);
}

TEST_F(SpectrumPlot, TheThresholdIsDrawnOnlyWhenShownAndOneTooSteepToComputeIsReported) {
    addSerie(TSerieStyle::Bars, TColor{255, 0, 0}, {{90, 5}});
    plot.series()->current()->setThreshold(newThreshold(0, 40, 100, 40));
    EXPECT_TRUE(rowsOf(render(), 100, black).empty());
    plot.setHideThreshold(false);
    EXPECT_EQ(rowsOf(render(), 100, black), std::vector<int>{plot.worldToDevice(0, 40).y});

    plot.series()->current()->setThreshold(newThreshold(50, -3e38f, 50.001f, 3e38f));
    plot.setView(50.0005, 60, 0, 100);
    QSignalSpy messages(&plot, &TSpectrum::messageRaised);
    render();
    render();
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.at(0).at(0).toString(), "Floating point overflow");
}

TEST_F(SpectrumPlot, ConversionFailuresDuringPaintAndMouseBecomeMessages) {
    int programHookCalls = 0;
    setRangeErrorHook([&](const std::string&) { ++programHookCalls; });
    auto tool = std::make_shared<RecordingTool>(plot);
    plot.setTool(tool);
    plot.setFocused(true);
    tool->convertOnPaint = true;
    plot.xRange()->setMin(-1e308);
    plot.xRange()->setMax(1e308);  // a window too wide to compute in
    QSignalSpy messages(&plot, &TSpectrum::messageRaised);

    render();
    tool->failOnMouse = "tool failed";
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(10, 10));
    QCoreApplication::processEvents();

    QStringList texts;
    for (const auto& arguments : messages) texts.append(arguments.at(0).toString());
    EXPECT_EQ(texts, (QStringList{"Device To LOgic", "Device To LOgic", "tool failed"}));
    EXPECT_EQ(programHookCalls, 0);
    plot.deviceToWorld(10, 10);  // the program's hook is back
    EXPECT_EQ(programHookCalls, 1);
    setRangeErrorHook({});
}
