// The plot renderer: the mapping of a picture, the parts of a plot and the whole of one.
#include "display/PlotRenderer.h"

#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

#include "display/FontPainter.h"
#include "display/PaintFailures.h"
#include "display/QtColor.h"
#include "model/ModelErrors.h"

namespace {

QBrush toQBrush(const TBrush& brush) {
    // In the order of TBrushStyle.
    static constexpr Qt::BrushStyle styles[] = {
        Qt::SolidPattern, Qt::NoBrush,      Qt::HorPattern,   Qt::VerPattern,
        Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    const auto index = static_cast<std::size_t>(brush.style);
    return QBrush(toQColor(brush.color), index < std::size(styles) ? styles[index] : Qt::NoBrush);
}

// The outline of the pixels left..right, top..bottom (inclusive) as up to four rectangles
// that do not overlap, so that an inverting fill inverts every outline pixel exactly once.
std::vector<QRect> outline(int left, int top, int right, int bottom) {
    std::vector<QRect> parts;
    if (right < left || bottom < top) return parts;
    parts.emplace_back(QPoint(left, top), QPoint(right, top));
    if (bottom > top) parts.emplace_back(QPoint(left, bottom), QPoint(right, bottom));
    if (bottom - top > 1) {
        parts.emplace_back(QPoint(left, top + 1), QPoint(left, bottom - 1));
        if (right > left) parts.emplace_back(QPoint(right, top + 1), QPoint(right, bottom - 1));
    }
    return parts;
}

// The outline of a figure: inverted, or in the figure colour; the painter's composition mode
// is left as it was.
void figureOutline(QPainter& painter, int left, int top, int right, int bottom,
                   const TRenderSettings& settings) {
    if (!settings.invertFigures) {
        for (const QRect& part : outline(left, top, right, bottom))
            painter.fillRect(part, settings.figureColor);
        return;
    }
    const auto mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    for (const QRect& part : outline(left, top, right, bottom)) painter.fillRect(part, Qt::black);
    painter.setCompositionMode(mode);
}

// The threshold figure ends quietly where a segment's value cannot be computed; the same values
// at the view's edges tell why, for the user to hear of it.
std::optional<std::string> thresholdFault(const TThreshold& threshold, const TRange& x) {
    if (threshold.isEmpty()) return std::nullopt;
    try {
        for (const double edge : {x.min(), x.max()}) {
            const auto e = static_cast<float>(edge);
            threshold.yAt(threshold.segmentOf(e), e);
        }
    } catch (const std::exception& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

// A thin line in the label's colour from the point of its text nearest to its peak to the
// peak; none while the peak lies under the text. Far-off peaks are brought in to just outside
// a generous area so that the painter gets small coordinates.
void drawLeader(QPainter& painter, const TPlacedLabel& label) {
    const TRect b = label.bounds.normalized();
    const long long px = label.leader->x;
    const long long py = label.leader->y;
    const long long x = std::clamp<long long>(px, b.left, b.right);
    const long long y = std::clamp<long long>(py, b.top, b.bottom);
    if (x == px && y == py) return;
    static constexpr long long far = 1 << 20;
    const auto near = [](long long v) { return static_cast<int>(std::clamp(v, -far, far)); };
    painter.save();
    // One pixel wide rather than cosmetic: editors of vector pictures may drop zero-width lines.
    painter.setPen(QPen(toQColor(label.font.color), 1));
    painter.drawLine(near(x), near(y), near(px), near(py));
    painter.restore();
}

// Saves the painter's state for the life of the object.
class TPainterState {
public:
    explicit TPainterState(QPainter& painter) : m_painter(painter) { m_painter.save(); }
    ~TPainterState() { m_painter.restore(); }
    TPainterState(const TPainterState&) = delete;
    TPainterState& operator=(const TPainterState&) = delete;

private:
    QPainter& m_painter;
};

// The marks' text: small, in pixels, so that a picture places it as the screen does.
QFont markFont() {
    QFont font;
    font.setPixelSize(10);
    return font;
}

// A mark's triangle: this many pixels wide at its base on the bottom edge, half as high.
constexpr int markWidth = 11;
constexpr int markLines = 3;

}  // namespace

std::vector<std::optional<TPlacedMark>> placeMarks(const TDrawView& view,
                                                   const std::vector<TPlotMark>& marks) {
    std::vector<std::optional<TPlacedMark>> placed(marks.size());
    if (!view.xRange || view.width <= 0 || view.height <= 0) return placed;
    const QFontMetrics metrics(markFont());
    const int bottom = view.height - 1;
    const int half = markWidth / 2;
    // Left to right, so that a text is lifted over the ones to its left.
    std::vector<std::size_t> order(marks.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return marks[a].x < marks[b].x; });
    std::vector<QRect> texts;
    for (const std::size_t i : order) {
        const TPlotMark& mark = marks[i];
        if (!std::isfinite(mark.x)) continue;
        const TRange& x = *view.xRange;
        if (mark.x < std::min(x.min(), x.max()) || mark.x > std::max(x.min(), x.max())) continue;
        const int px = x.pixelOf(view.width, mark.x);
        TPlacedMark place;
        place.triangle = QRect(px - half, bottom - half, markWidth, half + 1);
        const QString text = QString::fromStdString(mark.text);
        if (!text.isEmpty()) {
            const int w = metrics.horizontalAdvance(text) + 2;
            const int h = metrics.height();
            for (int line = 0; line < markLines; ++line) {
                QRect box(px - w / 2, place.triangle.top() - 1 - h * (line + 1), w, h);
                // Kept inside the plot at its sides.
                if (box.right() > view.width - 2) box.moveRight(view.width - 2);
                if (box.left() < 1) box.moveLeft(1);
                const bool free = std::none_of(texts.begin(), texts.end(),
                                               [&](const QRect& t) { return t.intersects(box); });
                if (free) {
                    place.text = box;
                    texts.push_back(box);
                    break;
                }
            }
        }
        placed[i] = place;
    }
    return placed;
}

// --- settings, mapping -----------------------------------------------------------------------

int TRenderSettings::penWidth(TSerieStyle style, bool highlighted) const {
    if (style == TSerieStyle::Bars) return 1;
    return highlighted ? highlightLineWidth : serieLineWidth;
}

TPlotMapping::TPlotMapping(const TSpectrumData& data, QSize size) {
    m_view.xRange = data.xRange().get();
    m_view.yRange = data.yRange().get();
    m_view.width = size.width();
    m_view.height = size.height();
    m_view.baseLine = data.baseLine();
    m_view.pickTolerance = data.pickTolerance();
}

TPlotMapping::TPlotMapping(const TSpectrumData& data, QSize size, const TYMapping& y)
    : TPlotMapping(data, size) {
    m_view.yMapping = y;
    if (y.log || y.mirror) {
        m_displayY = displayYRange(*data.yRange(), y);
        m_view.yRange = m_displayY.get();
    }
}

TPlotMapping::TPlotMapping(const TPlotState& state, QSize size)
    : TPlotMapping(*state.data, size, state.yMapping()) {
    if (!m_view.yMapping.mirror) return;
    m_series = state.data->series().get();
    const TRange& x = *state.data->xRange();
    m_factors = mirrorFactors(*m_series, state.mirrored, x.min(), x.max());
}

TDrawView TPlotMapping::serieView(int index) const {
    TDrawView view = m_view;
    if (index >= 0 && static_cast<std::size_t>(index) < m_factors.size())
        view.yFactor = m_factors[static_cast<std::size_t>(index)];
    return view;
}

double TPlotMapping::factorOf(double x, double y) const {
    if (!m_series) return 1.0;
    const auto index = serieHolding(*m_series, x, y);
    if (!index || static_cast<std::size_t>(*index) >= m_factors.size()) return 1.0;
    return m_factors[static_cast<std::size_t>(*index)];
}

bool TPlotMapping::pointsDown(double x, double y) const {
    return factorOf(x, y) < 0.0;
}

bool TPlotState::isMirror() const {
    return std::find(mirrored.begin(), mirrored.end(), true) != mirrored.end();
}

TYMapping TPlotState::yMapping() const {
    if (!data) return {};
    return yMappingOf(scale, *data->series(), *data->xRange(), *data->yRange(), isMirror());
}

TRect TPlotMapping::clientRect() const {
    return {0, 0, m_view.width, m_view.height};
}

TPoint TPlotMapping::worldToDevice(double x, double y) const {
    if (!m_series) return m_view.worldToDevice(x, y);
    TDrawView view = m_view;
    view.yFactor = factorOf(x, y);
    return view.worldToDevice(x, y);
}

int TPlotMapping::worldToDeviceX(double x, double) const {
    return m_view.xRange->pixelOf(m_view.width, x);
}

TFloatRect TPlotMapping::deviceRectToWorld(const TRect& r) const {
    const TFloatPointRec a = m_view.deviceToWorld(r.left, r.top);
    const TFloatPointRec b = m_view.deviceToWorld(r.right, r.bottom);
    return {a.x, a.y, b.x, b.y};
}

int TPlotMapping::pickTolerance() const {
    return m_view.pickTolerance;
}

TSize TPlotMapping::textExtent(std::string_view text, const TFontEx& font) const {
    return measureText(text, font);
}

int TPlotMapping::textWidthAtLeast(std::string_view text, const TFontEx& font) const {
    return ::textWidthAtLeast(text, font);
}

QPen invertingPen() {
    QPen pen(Qt::black, 1);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

// --- the parts -------------------------------------------------------------------------------

void TPlotRenderer::renderSeries(QPainter& painter, const TDrawView& view,
                                 TPointListSerieList& series, const TRenderSettings& settings,
                                 const std::vector<bool>& mirrored) {
    const int current = series.currentIndex();
    if (current < 0) return;
    const TPainterState saved(painter);
    const QColor b = settings.background.toRgb();
    const TColor background =
        TColor::fromRgb(static_cast<std::uint8_t>(b.red()), static_cast<std::uint8_t>(b.green()),
                        static_cast<std::uint8_t>(b.blue()));
    TDrawView drawView = view;
    drawView.gapsAreEmpty = settings.gapsAreEmpty;
    const bool mirror = view.yMapping.mirror;
    if (mirror) {
        // The zero line between the two halves.
        const int zero = view.yRange->pixelOf(view.height, 0.0);
        painter.setPen(QPen(QColor(160, 160, 160), 1));
        painter.drawLine(0, zero, view.width - 1, zero);
    }
    auto draw = [&](int index, bool highlighted) {
        TPointListSerie& serie = *series.serie(index);
        if (mirror) {
            const bool flipped =
                static_cast<std::size_t>(index) < mirrored.size() &&
                                 mirrored[static_cast<std::size_t>(index)];
            drawView.yFactor =
                mirrorFactor(serie, flipped, view.xRange->min(), view.xRange->max());
        }
        painter.setPen(QPen(toQColor(visibleOn(serie.color(), background)),
                            settings.penWidth(serie.style(), highlighted)));
        TPainterLineCanvas canvas(painter);
        m_drawer.drawSerie(canvas, drawView, serie, serie.style());
    };
    for (int i = 0; i < series.count(); ++i)
        if (i != current) draw(i, false);
    draw(current, series.count() > 1);
}

void TPlotRenderer::renderLabels(QPainter& painter, const TPlacedLabels& labels) {
    const TPainterState saved(painter);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    for (const TPlacedLabel& label : labels) {
        drawText(painter, label.origin.x, label.origin.y, label.text, label.font);
        if (label.leader) drawLeader(painter, label);
    }
}

void TPlotRenderer::renderFrame(QPainter& painter, QSize size, const QColor& color,
                                const TBrush& brush) {
    if (!color.isValid()) return;
    const int w = size.width();
    const int h = size.height();
    const QBrush fill = toQBrush(brush);
    if (fill.style() != Qt::NoBrush && w > 2 && h > 2)
        painter.fillRect(QRect(1, 1, w - 2, h - 2), fill);
    for (const QRect& part : outline(0, 0, w - 1, h - 1)) painter.fillRect(part, color);
}

void TPlotRenderer::renderFocusFrame(QPainter& painter, QSize size,
                                     const TRenderSettings& settings) {
    figureOutline(painter, 1, 1, size.width() - 2, size.height() - 2, settings);
}

void TPlotRenderer::renderThreshold(QPainter& painter, const TDrawView& view,
                                    TPointListSerieList& series, const TRenderSettings& settings) {
    const auto serie = series.current();
    if (!serie) return;
    {
        const TPainterState saved(painter);
        if (settings.invertFigures) {
            painter.setCompositionMode(QPainter::RasterOp_NotDestination);
            painter.setPen(invertingPen());
        } else {
            QPen pen(settings.figureColor, 1);
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
        }
        painter.setBrush(Qt::NoBrush);
        std::vector<TPoint> handles;
        {
            TPainterLineCanvas canvas(painter);
            drawThreshold(canvas, view, *serie->threshold(),
                          [&handles](TPoint p) { handles.push_back(p); });
        }
        for (const TPoint& p : handles)
            figureOutline(painter, p.x - 2, p.y - 2, p.x + 2, p.y + 2, settings);
    }
    if (const auto fault = thresholdFault(*serie->threshold(), *view.xRange))
        throw EMathError(*fault);
}

void TPlotRenderer::renderMarks(QPainter& painter, const TDrawView& view,
                                const std::vector<TPlotMark>& marks, const QColor& background) {
    if (marks.empty()) return;
    const TPainterState saved(painter);
    const auto placed = placeMarks(view, marks);
    painter.setFont(markFont());
    for (std::size_t i = 0; i < marks.size(); ++i) {
        if (!placed[i]) continue;
        const TPlacedMark& place = *placed[i];
        const QRect& t = place.triangle;
        const QPoint corners[] = {
            {t.center().x(), t.top()}, {t.left(), t.bottom()}, {t.right(), t.bottom()}};
        painter.setPen(QPen(marks[i].color, 1));
        painter.setBrush(marks[i].color);
        painter.drawPolygon(corners, 3);
        if (place.text.isNull()) continue;
        painter.fillRect(place.text, background);
        painter.drawText(place.text, Qt::AlignCenter, QString::fromStdString(marks[i].text));
    }
}

void TPlotRenderer::renderPins(QPainter& painter, const iWorldControl& mapping,
                               const std::vector<TMeasurement>& pins) {
    for (const TMeasurement& pin : pins) paintMeasurement(painter, pin, mapping, true);
}

void TPlotRenderer::renderAxis(QPainter& painter, const QRect& rect, const TAxisLook& look,
                               const TRange* range) {
    const TPainterState saved(painter);
    painter.translate(rect.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), rect.size()), Qt::IntersectClip);
    paintAxis(painter, rect.size(), look, range);
}

// --- the whole plot --------------------------------------------------------------------------

std::vector<std::string> TPlotRenderer::render(QPainter& painter, QSize size,
                                               const TPlotState& state,
                                               const TRenderSettings& settings,
                                               const TPlacedLabels* labels) {
    std::vector<std::string> messages;
    if (!state.data || size.isEmpty()) return messages;
    TRangeErrorCollector collector(messages);
    const TPainterState saved(painter);
    painter.setClipRect(QRect(QPoint(0, 0), size), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);

    TSpectrumData& data = *state.data;
    const TPlotMapping mapping(state, size);
    const auto drawContent = [&](QPainter& target) {
        collecting(messages, [&] {
            renderSeries(target, mapping.view(), *data.series(), settings, state.mirrored);
        });
        collecting(messages, [&] {
            if (labels)
                renderLabels(target, *labels);
            else
                renderLabels(target, data.labels()->layout(mapping));
        });
    };
    // On screen, series and labels are drawn into an image of the plot's size, which ends a
    // line leaving the plot in other pixels than a clip would. A raster device gets the same
    // pixels the same way; other devices get the lines themselves.
    const QPaintEngine* engine = painter.paintEngine();
    if (engine && engine->type() == QPaintEngine::Raster &&
        painter.worldTransform().type() <= QTransform::TxTranslate) {
        const qreal ratio = painter.device()->devicePixelRatio();
        QImage layer(static_cast<int>(std::ceil(size.width() * ratio)),
                     static_cast<int>(std::ceil(size.height() * ratio)),
                     QImage::Format_ARGB32_Premultiplied);
        if (!layer.isNull()) {
            layer.setDevicePixelRatio(ratio);
            layer.fill(settings.background);
            {
                QPainter layerPainter(&layer);
                layerPainter.setRenderHint(QPainter::Antialiasing, false);
                drawContent(layerPainter);
            }
            painter.drawImage(0, 0, layer);
        }
    } else {
        painter.fillRect(QRect(QPoint(0, 0), size), settings.background);
        drawContent(painter);
    }
    // Each figure starts from the same painter state, as on screen.
    auto stage = [&](auto&& work) {
        const TPainterState figure(painter);
        collecting(messages, work);
    };
    stage([&] { renderFrame(painter, size, state.frameColor, data.brush()); });
    if (state.focused) stage([&] { renderFocusFrame(painter, size, settings); });
    if (!state.hideThreshold)
        stage([&] { renderThreshold(painter, mapping.view(), *data.series(), settings); });
    if (!state.marks.empty())
        stage([&] { renderMarks(painter, mapping.view(), state.marks, settings.background); });
    if (!state.pins.empty()) stage([&] { renderPins(painter, mapping, state.pins); });
    return messages;
}
