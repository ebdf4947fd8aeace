// Pictures of plots and panes: the pixels of the screen in a picture of the same size, labels
// laid out for a picture without disturbing those on screen, figures for devices that cannot
// invert, and panes drawn as the manager shows them below its navigator.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <string>
#include <vector>

#include "display/PaneRenderer.h"
#include "display/PlotRenderer.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "model/Label.h"
#include "support/TestHelpers.h"

namespace {

constexpr QRgb black = 0xff000000;
constexpr QRgb red = 0xffff0000;

// Peaks at 20, 45, 47 and 80 with a little noise between them; a line reaching far above the
// view at 80 leaves the plot through its top edge.
void addProfile(TPointListSerieList& series, TSerieStyle style, TColor color, double scale) {
    auto serie = series.newSerie("profile");
    serie->setStyle(style);
    serie->setColor(color);
    for (int i = 0; i <= 1000; ++i) {
        const double x = i * 0.1;
        double y = 2.0 + std::fmod(i * 7.31, 3.0);
        for (const auto& [centre, height] :
             {std::pair{20.0, 60.0}, {45.0, 90.0}, {47.0, 70.0}, {80.0, 400.0}})
            y += height * std::exp(-(x - centre) * (x - centre) / 0.5);
        serie->points()->add({x, y * scale});
    }
}

// Every label of the plot's lists with its bounds, as hit tests and drags see them.
std::vector<TRect> labelBounds(const TSpectrum& plot) {
    std::vector<TRect> bounds;
    for (const auto& list : *plot.labels())
        for (const auto& label : *list) bounds.push_back(label->bounds());
    return bounds;
}

QImage grabbed(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels that differ between two pictures of one size.
int differingPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

// A plot of 300 x 160 pixels on white showing x 0..100 and y 0..100: a line series, bars as
// the highlighted current series, peak labels of the bars and a text label.
class PlotPicture : public ::testing::Test {
protected:
    PlotPicture() {
        plot.resize(300, 160);
        QPalette palette = plot.palette();
        palette.setColor(QPalette::Base, Qt::white);
        plot.setPalette(palette);
        plot.setView(0, 100, 0, 100);
        TPointListSerieList& series = *plot.series();
        addProfile(series, TSerieStyle::Line, TColor{0, 128, 0}, 1.0);
        addProfile(series, TSerieStyle::Bars, TColor{0, 0, 255}, 0.8);
        plot.labels()->add(newPointlistLabelList("Custom Labels", *series.current()->points()));
        const auto notes = newTextLabelList("Notes");
        notes->addTextLabel("note", 60, 50);
        plot.labels()->add(notes);
        plot.labels()->setNeedsLayout(true);
    }

    QImage picture(QSize size, const TRenderSettings& settings) {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        failures = renderer.render(painter, size, plot.plotState(), settings);
        return image;
    }

    TSpectrum plot;
    TPlotRenderer renderer;
    std::vector<std::string> failures;
};

}  // namespace

TEST_F(PlotPicture, APictureOfThePlotsSizeHasTheScreensPixelsAndAPrinterGetsPlainFigures) {
    plot.setColor(QColor(0, 0, 128));
    plot.spectrumData()->brush() = {TColor{255, 200, 0}, TBrushStyle::BDiagonal};
    plot.setFocused(true);
    plot.setHideThreshold(false);
    plot.series()->current()->setThreshold(newThreshold(0, 40, 100, 40));

    const QImage screen = grabbed(plot);
    ASSERT_GE(plot.shownLabels().size(), 3u);
    ASSERT_EQ(screen.size(), plot.size());
    EXPECT_EQ(differingPixels(picture(plot.size(), plot.renderSettings()), screen), 0);
    EXPECT_TRUE(failures.empty());

    // The focus frame and the threshold invert on screen; a device that cannot invert gets
    // them in the figure colour.
    const int row = plot.worldToDevice(0, 40).y;
    ASSERT_EQ(screen.pixel(100, 1), black);
    TRenderSettings printer = plot.renderSettings();
    printer.invertFigures = false;
    printer.figureColor = Qt::red;
    const QImage printed = picture(plot.size(), printer);
    EXPECT_EQ(printed.pixel(100, 1), red);
    EXPECT_EQ(printed.pixel(7, row), red);
    EXPECT_EQ(printed.pixel(100, 0), screen.pixel(100, 0));  // the frame itself is unchanged
}

TEST_F(PlotPicture, ABiggerPictureLaysItsOwnLabelsOutAndTheScreenKeepsItsOwn) {
    const QImage screen = grabbed(plot);
    const std::vector<TRect> bounds = labelBounds(plot);
    const TPlacedLabels shown = plot.shownLabels();
    const TControlLabelPtr note = plot.labels()->labelList(1)->label(0);
    const TRect n = note->bounds().normalized();

    const QSize big(1200, 640);
    picture(big, plot.renderSettings());
    EXPECT_GT(plot.labels()->layout(TPlotMapping(*plot.spectrumData(), big)).size(), shown.size());

    EXPECT_EQ(labelBounds(plot), bounds);
    EXPECT_EQ(plot.shownLabels(), shown);
    EXPECT_FALSE(plot.labels()->needsLayout());
    ASSERT_TRUE(plot.labels()->hitTest(n.left, n.top));
    EXPECT_EQ(plot.labels()->hitTest(n.left, n.top)->label, note);
    EXPECT_EQ(differingPixels(grabbed(plot), screen), 0);
}

// Three panes with peaks, captions and labels, the current one focused, each with its own x axis
// and then under the one shared axis.
// Series get their palette colours in turn, the seventh white: on a white plot each one shows,
// the white one in black, and the colours kept with the series stay as they were. On a black
// plot a black series shows in white and the white one as it is.
TEST(SeriePicture, EverySerieShowsWhateverItsColourAndTheBackground) {
    for (const QColor background : {QColor(Qt::white), QColor(Qt::black)}) {
        SCOPED_TRACE(background.name().toStdString());
        TSpectrum plot;
        plot.resize(200, 100);
        QPalette palette = plot.palette();
        palette.setColor(QPalette::Base, background);
        plot.setPalette(palette);
        plot.setView(0, 100, 0, 100);
        std::vector<TPointListSeriePtr> series;
        for (int i = 0; i < 8; ++i) {
            series.push_back(plot.series()->newSerie(std::to_string(i)));
            series.back()->setStyle(TSerieStyle::Bars);
            series.back()->points()->add({10.0 + 10.0 * i, 80});
        }
        series[7]->setColor(TColor::fromRgb(240, 240, 240));
        if (background == Qt::black) series[0]->setColor(colors::black);
        ASSERT_EQ(series[5]->color(), colors::white);  // the seventh palette colour

        const QImage image = grabbed(plot);
        for (int i = 0; i < 8; ++i) {
            const TPoint p = plot.worldToDevice(10.0 + 10.0 * i, 40);
            EXPECT_NE(image.pixel(p.x, p.y), background.rgb()) << "serie " << i;
        }
        const TPoint white = plot.worldToDevice(60, 40);
        EXPECT_EQ(image.pixel(white.x, white.y), background == Qt::white ? black : 0xffffffff);
        EXPECT_EQ(series[5]->color(), colors::white);
        EXPECT_EQ(series[7]->color(), TColor::fromRgb(240, 240, 240));
    }
}

TEST(PanePicture, ThePanesAreDrawnAsTheManagerShowsThemBelowTheNavigator) {
    TSpectraManager manager;
    manager.resize(520, 430);
    manager.show();
    manager.setCount(3);
    ASSERT_EQ(manager.count(), 3);
    for (int i = 0; i < manager.count(); ++i) {
        TSpectrumContainer& pane = *manager.container(i);
        TSpectrum& plot = *pane.spectrum();
        pane.setCaption(QStringLiteral("pane %1").arg(i));
        if (i == 1) continue;  // no series: the caption shows
        plot.setFileName("run" + std::to_string(i) + ".mzi");
        addProfile(*plot.series(), TSerieStyle::Line, TColor{200, 0, 0}, 1.0 + i);
        // Points far apart, two at one x so that straight lines join them: slanted lines that
        // leave the plot through its top edge.
        auto zigzag = plot.series()->newSerie("zigzag");
        zigzag->setStyle(TSerieStyle::Line);
        zigzag->points()->add({0.0, 0.0});
        for (int k = 0; k < 200; ++k)
            zigzag->points()->add({k * 0.5, k % 2 ? 150.0 + (k * 37 % 101) * 13.0 : 1.0});
        plot.setView(10 * i, 100, 0, 100 * (1.0 + i));
        plot.labels()->add(
            newPointlistLabelList("Custom Labels", *plot.series()->current()->points()));
        plot.labels()->setNeedsLayout(true);
    }
    const int top = manager.navigator()->height();
    const QSize size(manager.width(), manager.height() - top);
    for (const bool synchronized : {false, true}) {
        SCOPED_TRACE(synchronized);
        manager.setSynchronized(synchronized);
        const QImage screen = grabbed(manager).copy(QRect(QPoint(0, top), size));
        QImage picture(size, QImage::Format_RGB32);
        QPainter painter(&picture);
        EXPECT_TRUE(renderPanes(painter, manager).empty());
        painter.end();
        EXPECT_EQ(differingPixels(picture, screen), 0);
    }
}
