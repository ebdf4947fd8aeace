// Pictures of panes: figure layout, the three file formats, the preview, the text read-out and
// printing.
//
// The figure is laid out and drawn in layout pixels: the screen's logical pixels, in which the
// labels and axes measure their fonts. Each device gets the figure scaled from them to its
// own resolution (a PNG to its pixels, a PDF page at 1200 dpi, a printer at its own), and text
// keeps its size in points on every device because the drawing sets its fonts for the device
// (fontForDevice). Text and lines stay vectors on the vector devices.
#include "app/PictureExport.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImageWriter>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

#include "app/AtomicFile.h"
#include "display/Axis.h"
#include "display/FontPainter.h"
#include "display/PaintFailures.h"
#include "display/PlotRenderer.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "model/Label.h"
#include "model/SpectrumData.h"

namespace {

constexpr double mmPerInch = 25.4;
// The smallest plot a figure may leave a pane, in logical pixels.
constexpr int minPlotSide = 8;

// A PDF page's resolution: fine enough that lines and text placed in whole device units keep
// the layout's positions to a fiftieth of a point.
constexpr int pdfDpi = 1200;

QFont pictureFont(TSpectrumContainer& pane, const TPictureSettings& settings) {
    QFont font = pane.xAxis().axis() ? pane.xAxis().axis()->look().font : QFont();
    font.setPointSizeF(settings.fontPoints);
    return font;
}

TAxisLook pictureLook(TAxis& axis, const QFont& font) {
    TAxisLook look = axis.look();
    look.font = font;
    look.dpiY = qRound(layoutDpi());
    return look;
}

// One pane of a figure, logical pixels from the top of the pane's band.
struct TPaneBox {
    TSpectrumContainer* pane = nullptr;
    QFont font;
    int captionHeight = 0;
    int xAxisHeight = 0;
    int plotHeight = 0;
    int height() const { return captionHeight + plotHeight + xAxisHeight; }
};

struct TFigureLayout {
    int yAxisWidth = 0;
    int plotWidth = 0;
    std::vector<TPaneBox> boxes;
};

// Caption, axes and font of each pane; the plots get no room yet.
TFigureLayout fixedParts(const std::vector<TSpectrumContainer*>& panes,
                         const TPictureSettings& settings) {
    TFigureLayout layout;
    const double dpi = layoutDpi();
    for (TSpectrumContainer* pane : panes) {
        TPaneBox box;
        box.pane = pane;
        box.font = pictureFont(*pane, settings);
        const QFontMetrics metrics(box.font);
        if (!pane->serieLabel()->isHidden()) box.captionHeight = metrics.height() + 2;
        if (pane->xAxis().isVisible()) {
            const TAxisLook look = pane->xAxis().axis()->look();
            const int ticks = static_cast<int>(std::lround(look.mayorSizeInch * dpi));
            const int lines = look.title.isEmpty() ? 2 : 3;
            box.xAxisHeight = std::max<int>(std::lround(pane->xAxis().thick() * dpi),
                                            ticks + lines * metrics.height() + 2);
        }
        if (pane->yAxis().isVisible()) {
            const int needed =
                metrics.height() + metrics.horizontalAdvance(QStringLiteral("3/4")) + 12;
            layout.yAxisWidth =
                std::max({layout.yAxisWidth,
                          static_cast<int>(std::lround(pane->yAxis().thick() * dpi)), needed});
        }
        layout.boxes.push_back(box);
    }
    return layout;
}

int fixedHeight(const TFigureLayout& layout) {
    int sum = 0;
    for (const TPaneBox& box : layout.boxes) sum += box.captionHeight + box.xAxisHeight;
    return sum;
}

QString tooSmall() {
    return QStringLiteral(
        "The picture is too small for its axes and captions: make it larger "
        "or its text smaller.");
}

// The whole figure of size logical pixels shared out: the plots split the height left by the
// captions and axes.
TFigureLayout figureLayout(const std::vector<TSpectrumContainer*>& panes,
                           const TPictureSettings& settings, QSize size) {
    TFigureLayout layout = fixedParts(panes, settings);
    layout.plotWidth = size.width() - layout.yAxisWidth;
    const int room = size.height() - fixedHeight(layout);
    const int count = static_cast<int>(layout.boxes.size());
    if (count == 0) return layout;
    for (int i = 0; i < count; ++i)
        layout.boxes[i].plotHeight = room / count + (i == count - 1 ? room % count : 0);
    if (layout.plotWidth < minPlotSide || room / count < minPlotSide)
        throw EPictureError(tooSmall());
    return layout;
}

QString number(double value) {
    return QString::number(value, 'g', 6);
}

// Draws the figure of logical pixels onto painter, scaled to fill device pixels.
std::vector<std::string> drawScaled(QPainter& painter,
                                    const std::vector<TSpectrumContainer*>& panes,
                                    const TPictureSettings& settings, QSize logical,
                                    QSizeF device) {
    painter.save();
    painter.scale(device.width() / logical.width(), device.height() / logical.height());
    auto failures = drawPicture(painter, panes, settings, logical);
    painter.restore();
    return failures;
}

QImage rasterPicture(const std::vector<TSpectrumContainer*>& panes,
                     const TPictureSettings& settings, QSize logical, QSize pixels) {
    QImage image(pixels,
                 settings.transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        throw EPictureError(
            QStringLiteral("There is not enough memory for a picture of %1 × %2 pixels.")
                .arg(pixels.width())
                .arg(pixels.height()));
    image.fill(settings.transparent ? QColor(Qt::transparent) : QColor(Qt::white));
    // The density the file states; drawing takes it into account (see fontForDevice).
    const int dpm = qRound(settings.dpi / mmPerInch * 1000.0);
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    {
        QPainter painter(&image);
        if (pixels != logical)
            painter.scale(double(pixels.width()) / logical.width(),
                          double(pixels.height()) / logical.height());
        drawPicture(painter, panes, settings, logical);
    }
    return image;
}

}  // namespace

// --- settings ------------------------------------------------------------------------------

QString TPictureSettings::toText() const {
    const QStringList pairs{
        QStringLiteral("format=") + pictureExtension(format),
        QStringLiteral("unit=") + (unit == TPictureUnit::Pixel ? "px" : "mm"),
        QStringLiteral("width=") + number(width),
        QStringLiteral("height=") + number(height),
        QStringLiteral("dpi=") + QString::number(dpi),
        QStringLiteral("transparent=") + (transparent ? "1" : "0"),
        QStringLiteral("font=") + number(fontPoints),
        QStringLiteral("line=") + number(lineWidthPoints),
        QStringLiteral("plotArea=") + (sizeIsPlotArea ? "1" : "0"),
        QStringLiteral("panes=") + (panes == TPicturePanes::All      ? "all"
                                    : panes == TPicturePanes::Chosen ? "chosen"
                                                                     : "current"),
        QStringLiteral("chromatogram=") + (withChromatogram ? "1" : "0")};
    return pairs.join(QLatin1Char(';'));
}

TPictureSettings TPictureSettings::fromText(const QString& text) {
    TPictureSettings s;
    for (const QString& pair : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString key = pair.left(eq);
        const QString value = pair.mid(eq + 1);
        bool ok = false;
        const double v = value.toDouble(&ok);
        const bool positive = ok && std::isfinite(v) && v > 0;
        if (key == QLatin1String("format")) {
            if (const auto f = pictureFormatOf(QStringLiteral("x.") + value)) s.format = *f;
        } else if (key == QLatin1String("unit")) {
            if (value == QLatin1String("px")) s.unit = TPictureUnit::Pixel;
            if (value == QLatin1String("mm")) s.unit = TPictureUnit::Millimetre;
        } else if (key == QLatin1String("width") && positive) {
            s.width = v;
        } else if (key == QLatin1String("height") && positive) {
            s.height = v;
        } else if (key == QLatin1String("dpi") && ok && v >= minPictureDpi && v <= maxPictureDpi) {
            s.dpi = static_cast<int>(v);
        } else if (key == QLatin1String("transparent")) {
            s.transparent = value == QLatin1String("1");
        } else if (key == QLatin1String("font") && positive && v <= 72) {
            s.fontPoints = v;
        } else if (key == QLatin1String("line") && positive && v <= 10) {
            s.lineWidthPoints = v;
        } else if (key == QLatin1String("plotArea")) {
            s.sizeIsPlotArea = value == QLatin1String("1");
        } else if (key == QLatin1String("panes")) {
            s.panes = value == QLatin1String("all")      ? TPicturePanes::All
                      : value == QLatin1String("chosen") ? TPicturePanes::Chosen
                                                         : TPicturePanes::Current;
        } else if (key == QLatin1String("chromatogram")) {
            s.withChromatogram = value == QLatin1String("1");
        }
    }
    // The units' defaults differ by orders of magnitude: a size meant for the other unit is
    // not kept.
    return s;
}

QString pictureExtension(TPictureFormat format) {
    switch (format) {
        case TPictureFormat::Png:
            return QStringLiteral("png");
        case TPictureFormat::Svg:
            return QStringLiteral("svg");
        case TPictureFormat::Pdf:
            return QStringLiteral("pdf");
    }
    return QStringLiteral("png");
}

std::optional<TPictureFormat> pictureFormatOf(const QString& path) {
    const QString lower = path.toLower();
    for (const auto f : {TPictureFormat::Png, TPictureFormat::Svg, TPictureFormat::Pdf})
        if (lower.endsWith(QLatin1Char('.') + pictureExtension(f))) return f;
    return std::nullopt;
}

// --- geometry and drawing ----------------------------------------------------------------

std::vector<TSpectrumContainer*> picturePanes(const std::vector<TSpectrumContainer*>& shown,
                                              TSpectrumContainer* current, TPicturePanes which,
                                              const std::vector<int>& chosen) {
    std::vector<TSpectrumContainer*> panes;
    int place = 0;
    for (TSpectrumContainer* pane : shown) {
        if (!pane || pane->isHidden() || !pane->spectrum()) continue;
        const bool wanted =
            which == TPicturePanes::All ||
            (which == TPicturePanes::Chosen
                 ? std::find(chosen.begin(), chosen.end(), place) != chosen.end()
                 : pane == current);
        if (wanted) panes.push_back(pane);
        ++place;
    }
    return panes;
}

TPictureGeometry pictureGeometry(const std::vector<TSpectrumContainer*>& panes,
                                 const TPictureSettings& settings) {
    if (panes.empty()) throw EPictureError(QStringLiteral("There is no spectrum to draw."));
    if (!(settings.width > 0 && settings.height > 0 && std::isfinite(settings.width) &&
          std::isfinite(settings.height)))
        throw EPictureError(QStringLiteral("The picture needs a width and a height."));
    if (settings.dpi < minPictureDpi || settings.dpi > maxPictureDpi)
        throw EPictureError(QStringLiteral("The resolution must be between %1 and %2 dpi.")
                                .arg(minPictureDpi)
                                .arg(maxPictureDpi));
    const double dpi = layoutDpi();
    const double toLogical =
        settings.unit == TPictureUnit::Pixel ? dpi / settings.dpi : dpi / mmPerInch;
    double w = settings.width * toLogical;
    double h = settings.height * toLogical;
    // A size asked beyond every limit is refused before the layout does sums with it.
    if (w > 1.0e7 || h > 1.0e7) w = h = 1.0e7;
    if (settings.sizeIsPlotArea) {
        const TFigureLayout fixed = fixedParts(panes, settings);
        if (std::lround(w) < minPlotSide || std::lround(h) < minPlotSide)
            throw EPictureError(tooSmall());
        w = fixed.yAxisWidth + std::round(w);
        h = fixedHeight(fixed) + std::round(h) * static_cast<double>(panes.size());
    }
    TPictureGeometry g;
    g.millimetres = QSizeF(w / dpi * mmPerInch, h / dpi * mmPerInch);
    const double pw = std::round(w / dpi * settings.dpi);
    const double ph = std::round(h / dpi * settings.dpi);
    if (settings.format == TPictureFormat::Png) {
        if (pw > maxPictureSide || ph > maxPictureSide || pw * ph > maxPicturePixels)
            throw EPictureError(
                QStringLiteral("The picture would be %1 × %2 pixels: a picture can have at most "
                               "%3 pixels a side and %4 million pixels in all.")
                    .arg(pw, 0, 'f', 0)
                    .arg(ph, 0, 'f', 0)
                    .arg(maxPictureSide)
                    .arg(maxPicturePixels / 1.0e6, 0, 'f', 0));
    } else if (g.millimetres.width() > maxPictureMillimetres ||
               g.millimetres.height() > maxPictureMillimetres) {
        throw EPictureError(QStringLiteral("The picture would be %1 × %2 mm: a page can be at "
                                           "most %3 mm a side.")
                                .arg(g.millimetres.width(), 0, 'f', 0)
                                .arg(g.millimetres.height(), 0, 'f', 0)
                                .arg(maxPictureMillimetres, 0, 'f', 0));
    }
    g.logical = QSize(static_cast<int>(std::lround(w)), static_cast<int>(std::lround(h)));
    g.pixels = QSize(std::max(1, static_cast<int>(pw)), std::max(1, static_cast<int>(ph)));
    // Whether the plots have room, before anything is drawn.
    figureLayout(panes, settings, g.logical);
    return g;
}

std::vector<std::string> drawPicture(QPainter& painter,
                                     const std::vector<TSpectrumContainer*>& panes,
                                     const TPictureSettings& settings, QSize logical) {
    std::vector<std::string> failures;
    const TFigureLayout layout = figureLayout(panes, settings, logical);
    if (layout.boxes.empty()) return failures;
    const double dpi = layoutDpi();
    const QColor background = layout.boxes.front().pane->spectrum()->renderSettings().background;
    // Some vector devices ignore clipping: lines leaving a plot, and ticks just outside an
    // axis, are covered by the background around the plots before the axes and captions go
    // over it. A transparent picture is a raster one, which clips.
    const auto cover = [&](const QRect& rect) {
        if (!settings.transparent && !rect.isEmpty()) painter.fillRect(rect, background);
    };
    std::vector<QRect> plots;
    int top = 0;
    for (const TPaneBox& box : layout.boxes) {
        plots.emplace_back(layout.yAxisWidth, top + box.captionHeight, layout.plotWidth,
                           box.plotHeight);
        top += box.height();
    }

    painter.save();
    painter.setClipRect(QRect(QPoint(0, 0), logical), Qt::IntersectClip);
    cover(QRect(QPoint(0, 0), logical));
    for (std::size_t i = 0; i < layout.boxes.size(); ++i) {
        TSpectrum& plot = *layout.boxes[i].pane->spectrum();
        const QRect& plotRect = plots[i];
        collecting(failures, [&] {
            TPlotState state = plot.plotState();
            state.focused = false;  // the keyboard's mark is no part of a figure
            TRenderSettings render = plot.renderSettings();
            render.invertFigures = false;
            const int width =
                std::max(1, static_cast<int>(std::lround(settings.lineWidthPoints * dpi / 72.0)));
            render.highlightLineWidth =
                width + std::max(0, render.highlightLineWidth - render.serieLineWidth);
            render.serieLineWidth = width;
            if (settings.transparent) render.background.setAlpha(0);
            painter.save();
            painter.translate(plotRect.topLeft());
            TPlotRenderer renderer;
            for (const std::string& f : renderer.render(painter, plotRect.size(), state, render))
                addUnique(failures, f);
            painter.restore();
        });
    }
    // Around the plots: left, right, and the bands above and below each.
    top = 0;
    for (std::size_t i = 0; i < layout.boxes.size(); ++i) {
        const QRect& plotRect = plots[i];
        cover(QRect(0, top, logical.width(), plotRect.top() - top));
        cover(QRect(0, plotRect.top(), plotRect.left(), plotRect.height()));
        cover(QRect(plotRect.right() + 1, plotRect.top(), logical.width(), plotRect.height()));
        top = plotRect.bottom() + 1;
    }
    cover(QRect(0, top, logical.width(), logical.height() - top));

    for (std::size_t i = 0; i < layout.boxes.size(); ++i) {
        const TPaneBox& box = layout.boxes[i];
        TSpectrumContainer& pane = *box.pane;
        const QRect& plotRect = plots[i];
        collecting(failures, [&] {
            if (TAxis* axis = pane.xAxis().axis(); axis && pane.xAxis().isVisible()) {
                TPlotRenderer::renderAxis(painter,
                                          QRect(plotRect.left(), plotRect.bottom() + 1,
                                                plotRect.width(), box.xAxisHeight),
                                          pictureLook(*axis, box.font), axis->range().get());
                // From a row higher: a vector line of one pixel reaches half a pixel beyond.
                cover(QRect(0, plotRect.bottom(), plotRect.left(), box.xAxisHeight + 1));
            }
            if (TAxis* axis = pane.yAxis().axis(); axis && pane.yAxis().isVisible())
                TPlotRenderer::renderAxis(
                    painter, QRect(0, plotRect.top(), layout.yAxisWidth, plotRect.height()),
                    pictureLook(*axis, box.font), axis->range().get());
        });
        collecting(failures, [&] {
            if (box.captionHeight == 0) return;
            painter.save();
            painter.setFont(fontForDevice(box.font, painter.device()));
            painter.setPen(pane.serieLabel()->palette().color(QPalette::WindowText));
            const QRect rect(0, plotRect.top() - box.captionHeight, logical.width(),
                             box.captionHeight);
            const QString text = QFontMetrics(box.font).elidedText(pane.serieLabel()->text(),
                                                                   Qt::ElideRight, rect.width());
            painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, text);
            painter.restore();
        });
    }
    painter.restore();
    return failures;
}

QByteArray pictureBytes(const std::vector<TSpectrumContainer*>& panes,
                        const TPictureSettings& settings) {
    const TPictureGeometry g = pictureGeometry(panes, settings);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    switch (settings.format) {
        case TPictureFormat::Png: {
            const QImage image = rasterPicture(panes, settings, g.logical, g.pixels);
            QImageWriter writer(&buffer, "png");
            if (!writer.write(image))
                throw EPictureError(QStringLiteral("The PNG picture could not be made: %1.")
                                        .arg(writer.errorString()));
            break;
        }
        case TPictureFormat::Svg: {
            QSvgGenerator generator;
            generator.setOutputDevice(&buffer);
            generator.setResolution(qRound(layoutDpi()));
            generator.setSize(g.logical);
            generator.setViewBox(QRect(QPoint(0, 0), g.logical));
            generator.setTitle(QStringLiteral("Spectra"));
            generator.setDescription(QStringLiteral("Velmorix viewer"));
            {
                QPainter painter(&generator);
                drawPicture(painter, panes, settings, g.logical);
            }
            // The generator gives the size in whole logical pixels; the page gets the size
            // asked for.
            QByteArray svg = buffer.data();
            static const QRegularExpression size(
                QStringLiteral("<svg width=\"[^\"]*\" height=\"[^\"]*\""));
            const QString exact = QStringLiteral("<svg width=\"%1mm\" height=\"%2mm\"")
                                      .arg(g.millimetres.width(), 0, 'f', 3)
                                      .arg(g.millimetres.height(), 0, 'f', 3);
            QString text = QString::fromUtf8(svg);
            text.replace(size, exact);
            return text.toUtf8();
        }
        case TPictureFormat::Pdf: {
            QPdfWriter writer(&buffer);
            writer.setResolution(pdfDpi);
            writer.setCreator(QStringLiteral("Velmorix viewer"));
            writer.setTitle(QStringLiteral("Spectra"));
            const QPageSize page(g.millimetres, QPageSize::Millimeter, QString(),
                                 QPageSize::ExactMatch);
            writer.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
            QPainter painter;
            if (!painter.begin(&writer))
                throw EPictureError(QStringLiteral("The PDF picture could not be made."));
            drawScaled(painter, panes, settings, g.logical,
                       QSizeF(writer.width(), writer.height()));
            painter.end();
            break;
        }
    }
    return buffer.data();
}

void writePicture(const QString& path, const std::vector<TSpectrumContainer*>& panes,
                  const TPictureSettings& settings) {
    const QByteArray bytes = pictureBytes(panes, settings);
    writeFileAtomically(path, std::string_view(bytes.constData(), bytes.size()));
}

QImage picturePreview(const std::vector<TSpectrumContainer*>& panes,
                      const TPictureSettings& settings, QSize box) {
    try {
        TPictureSettings preview = settings;
        preview.format = TPictureFormat::Png;
        const TPictureGeometry g = pictureGeometry(panes, preview);
        const double scale = std::min(double(box.width()) / g.logical.width(),
                                      double(box.height()) / g.logical.height());
        const QSize pixels(std::max(1, int(g.logical.width() * scale)),
                           std::max(1, int(g.logical.height() * scale)));
        return rasterPicture(panes, preview, g.logical, pixels);
    } catch (const std::exception&) {
        return {};
    }
}

QString pictureText(const std::vector<TSpectrumContainer*>& panes) {
    QString text;
    for (TSpectrumContainer* pane : panes) {
        TSpectrum& plot = *pane->spectrum();
        const TSpectrumData& data = *plot.spectrumData();
        text += pane->serieLabel()->text() + QLatin1Char('\n');
        text += QStringLiteral("m/z\t") + number(data.xRange()->min()) + QStringLiteral(" - ") +
                number(data.xRange()->max()) + QLatin1Char('\n');
        const TPlotMapping mapping(data, plot.size());
        for (const TPlacedLabel& label : data.labels()->layout(mapping))
            text += QString::number(label.anchor.x, 'f', 4) + QLatin1Char('\t') +
                    number(label.anchor.y) + QLatin1Char('\t') +
                    QString::fromStdString(label.text).trimmed() + QLatin1Char('\n');
    }
    return text;
}

void printPanes(QPrinter& printer, const std::vector<TSpectrumContainer*>& panes,
                const TPictureSettings& settings, bool onePanePerPage) {
    if (panes.empty()) throw EPictureError(QStringLiteral("There is no spectrum to draw."));
    QPainter painter;
    if (!painter.begin(&printer))
        throw EPictureError(QStringLiteral("The printer could not be started."));
    const QSizeF page = printer.pageRect(QPrinter::DevicePixel).size();
    const double toLogical = layoutDpi() / printer.resolution();
    const QSize logical(static_cast<int>(page.width() * toLogical),
                        static_cast<int>(page.height() * toLogical));
    TPictureSettings print = settings;
    print.transparent = true;  // paper is the background
    std::vector<std::vector<TSpectrumContainer*>> pages;
    if (onePanePerPage)
        for (TSpectrumContainer* pane : panes) pages.push_back({pane});
    else
        pages.push_back(panes);
    bool first = true;
    for (const auto& group : pages) {
        if (!first) printer.newPage();
        first = false;
        drawScaled(painter, group, print, logical, QSizeF(logical) / toLogical);
    }
    painter.end();
}
