// The plot widget: mapping, view history, axes, mouse dispatch, painting and the series texts.
#include "display/Spectrum.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <optional>
#include <utility>

#include "display/Axis.h"
#include "display/Cursors.h"
#include "display/FontPainter.h"
#include "display/MeasureTool.h"
#include "display/PaintFailures.h"
#include "display/SpectrumTool.h"
#include "display/ViewCommands.h"
#include "model/ModelErrors.h"

namespace {

void appendFixed(std::string& out, double value, int decimals, int width = 0) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    const auto length = static_cast<int>(result.ptr - buffer);
    if (length < width) out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(buffer, result.ptr);
}

// FNV-1a over the values that decide how labels look.
class THash {
public:
    template <class T>
    void add(const T& value) {
        addBytes(&value, sizeof value);
    }
    void add(const std::string& text) {
        add(text.size());
        addBytes(text.data(), text.size());
    }
    std::uint64_t value() const { return m_value; }

private:
    void addBytes(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            m_value ^= bytes[i];
            m_value *= 1099511628211ULL;
        }
    }
    std::uint64_t m_value = 14695981039346656037ULL;
};

}  // namespace

TSpectrum::TSpectrum(QWidget* parent) : QWidget(parent), m_color(0, 0, 128) {
    setMouseTracking(true);
    setBackgroundRole(QPalette::Base);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::WheelFocus);
    m_gesturePause.setSingleShot(true);
    connect(&m_gesturePause, &QTimer::timeout, this, [this] { m_history.endGesture(); });
    setSpectrumData(newSpectrumData({}, {}));
    // The tool seeds the view history with the first view.
    setTool(makeCrossCursorTool(*this));
    m_shiftMeasure = std::static_pointer_cast<TMeasureTool>(makeMeasureTool(*this));
    m_shiftMeasure->onChange = [this] { emit measurementChanged(); };
}

TSpectrum::~TSpectrum() {
    watchAxis(m_xAxis, false);
    watchAxis(m_yAxis, false);
}

// --- mapping ---------------------------------------------------------------------------------

TRect TSpectrum::clientRect() const {
    return {0, 0, width(), height()};
}

TPoint TSpectrum::worldToDevice(double x, double y) const {
    if (m_mirrorY)
        if (const auto index = serieHolding(*m_data->series(), x, y))
            return mirrorToDevice(x, y, mirrorFactorsNow()[static_cast<std::size_t>(*index)]);
    const int py = m_displayY ? m_displayY->pixelOf(height(), m_yMapping.display(y))
                              : m_data->yRange()->pixelOf(height(), y);
    return {m_data->xRange()->pixelOf(width(), x), py};
}

TPoint TSpectrum::serieToDevice(const TPointListSerie& serie, double x, double y) const {
    if (!m_mirrorY) return worldToDevice(x, y);
    const TPointListSerieList& list = *m_data->series();
    for (int i = 0; i < list.count(); ++i)
        if (list.serie(i).get() == &serie)
            return mirrorToDevice(x, y, mirrorFactorsNow()[static_cast<std::size_t>(i)]);
    return worldToDevice(x, y);
}

bool TSpectrum::pointsDown(double x, double y) const {
    return m_mirrorY && mirrorFactorAt(x, y) < 0.0;
}

double TSpectrum::mirrorFactorAt(double x, double y) const {
    const auto index = serieHolding(*m_data->series(), x, y);
    return index ? mirrorFactorsNow()[static_cast<std::size_t>(*index)] : 1.0;
}

TPoint TSpectrum::mirrorToDevice(double x, double y, double factor) const {
    TDrawView view;
    view.xRange = m_data->xRange().get();
    view.yRange = m_mirrorY.get();
    view.width = width();
    view.height = height();
    view.yMapping = m_yMapping;
    view.yFactor = factor;
    return view.worldToDevice(x, y);
}

// The drawing computes the factors afresh for every image (see TPlotRenderer::renderSeries);
// the same function over the same window and points gives the same factors here.
const std::vector<double>& TSpectrum::mirrorFactorsNow() const {
    TFactorKey key;
    const TRange& x = *m_data->xRange();
    key.xMin = x.min();
    key.xMax = x.max();
    const TPointListSerieList& list = *m_data->series();
    for (const TPointListSeriePtr& serie : list)
        key.series.push_back(
            {serie.get(), serie->points().get(), serie->points()->revision(), 0, 0});
    key.mirrored = mirroredFlags();
    if (key != m_factorKey || m_factors.size() != static_cast<std::size_t>(list.count())) {
        m_factors = mirrorFactors(list, key.mirrored, key.xMin, key.xMax);
        m_factorKey = std::move(key);
    }
    return m_factors;
}

int TSpectrum::worldToDeviceX(double x, double) const {
    return m_data->xRange()->pixelOf(width(), x);
}

TFloatPointRec TSpectrum::deviceToWorld(double px, double py) const {
    const double y = m_displayY ? m_yMapping.world(m_displayY->valueAt(height(), py))
                                : m_data->yRange()->valueAt(height(), py);
    return {m_data->xRange()->valueAt(width(), px), y};
}

TFloatRect TSpectrum::deviceRectToWorld(const TRect& r) const {
    const TFloatPointRec a = deviceToWorld(r.left, r.top);
    const TFloatPointRec b = deviceToWorld(r.right, r.bottom);
    return {a.x, a.y, b.x, b.y};
}

TRect TSpectrum::worldRectToDevice(const TFloatRect& r) const {
    const TPoint a = worldToDevice(r.x1, r.y1);
    const TPoint b = worldToDevice(r.x2, r.y2);
    return {a.x, a.y, b.x, b.y};
}

int TSpectrum::pickTolerance() const {
    return m_data->pickTolerance();
}

TSize TSpectrum::textExtent(std::string_view text, const TFontEx& font) const {
    return measureText(text, font);
}

int TSpectrum::textWidthAtLeast(std::string_view text, const TFontEx& font) const {
    return ::textWidthAtLeast(text, font);
}

// --- iSpectrum -------------------------------------------------------------------------------

void TSpectrum::invalidate() {
    // Panes sharing an x range learn of its change here.
    applyYFit();
    update();
    const TFloatRect view = getView();
    if (view != m_announcedView) {
        m_announcedView = view;
        refreshReadout();
        emit viewChanged();
    }
}

void TSpectrum::invalidateRect(const TRect& r) {
    const TRect n = r.normalized();
    update(QRect(QPoint(n.left, n.top), QPoint(n.right, n.bottom)));
}

void TSpectrum::setCursorId(int id) {
    m_cursorId = id;
    setCursor(cursorFor(id));
}

double TSpectrum::baseLine() const {
    return m_data->baseLine();
}

void TSpectrum::setBaseLine(double value) {
    m_data->setBaseLine(value);
    invalidate();
}

const TRangePtr& TSpectrum::xRange() const {
    return m_data->xRange();
}

void TSpectrum::setXRange(TRangePtr range) {
    m_data->setXRange(std::move(range));
    watchData();
    if (m_xAxis) m_xAxis->setRange(m_data->xRange());
    m_data->labels()->setNeedsLayout(true);
    invalidate();
}

const TRangePtr& TSpectrum::yRange() const {
    return m_data->yRange();
}

void TSpectrum::setYRange(TRangePtr range) {
    m_data->setYRange(std::move(range));
    watchData();
    if (m_yAxis) m_yAxis->setRange(m_data->yRange());
    m_data->labels()->setNeedsLayout(true);
    invalidate();
}

const TPointListSerieListPtr& TSpectrum::series() const {
    return m_data->series();
}

void TSpectrum::setPickTolerance(int value) {
    m_data->setPickTolerance(value);
}

const TLabelSeriesPtr& TSpectrum::labels() const {
    return m_data->labels();
}

TFloatRect TSpectrum::getView() const {
    const TRange& x = *m_data->xRange();
    const TRange& y = *m_data->yRange();
    return {x.min(), y.min(), x.max(), y.max()};
}

void TSpectrum::setView(double xMin, double xMax, double yMin, double yMax) {
    TRange& x = *m_data->xRange();
    TRange& y = *m_data->yRange();
    if (xMin != x.min() || xMax != x.max()) {
        if (const auto fit = yFitFor(xMin, xMax)) {
            yMin = fit->first;
            yMax = fit->second;
        }
        m_fittedX = {xMin, xMax};
    }
    x.setMin(xMin);
    x.setMax(xMax);
    y.setMin(yMin);
    y.setMax(yMax);
    m_data->labels()->setNeedsLayout(true);
}

void TSpectrum::zoomTo(double xMin, double xMax, double yMin, double yMax) {
    startViewHistory();
    // A window of infinite or undefined size would make every mapping meaningless and stay in
    // the history.
    if (!std::isfinite(xMin) || !std::isfinite(xMax) || !std::isfinite(yMin) ||
        !std::isfinite(yMax))
        return;
    if (std::abs(xMax - xMin) < 0.01) {
        xMax = (xMin + xMax) / 2.0 + 0.005;
        xMin = xMax - 0.01;
    }
    if (std::abs(yMax - yMin) < 0.05) {
        yMax = (yMin + yMax) / 2.0 + 0.025;
        yMin = yMax - 0.05;
    }
    const TFloatRect shown = getView();
    if (xMin != shown.x1 || xMax != shown.x2) {
        if (const auto fit = yFitFor(xMin, xMax)) {
            yMin = fit->first;
            yMax = fit->second;
        }
    }
    if (TFloatRect{xMin, yMin, xMax, yMax} == shown) return;
    m_history.record({xMin, yMin, xMax, yMax});
    setView(xMin, xMax, yMin, yMax);
    invalidate();
}

void TSpectrum::recordView() {
    applyYFit();
    startViewHistory();
    const TFloatRect view = getView();
    const auto& views = m_history.views();
    const bool finite = std::isfinite(view.x1) && std::isfinite(view.x2) &&
                        std::isfinite(view.y1) && std::isfinite(view.y2);
    if (finite && views[static_cast<std::size_t>(m_history.index())] != view)
        m_history.record(view);
    invalidate();
}

void TSpectrum::viewForward() {
    if (const auto view = m_history.forward()) {
        setView(view->x1, view->x2, view->y1, view->y2);
        invalidate();
    }
}

void TSpectrum::viewBack() {
    if (const auto view = m_history.back()) {
        setView(view->x1, view->x2, view->y1, view->y2);
        invalidate();
    }
}

void TSpectrum::startViewHistory() {
    m_history.start(getView());
}

void TSpectrum::clearViewHistory() {
    m_history.clear();
}

void TSpectrum::setFocused(bool value) {
    if (value != m_focused) {
        m_focused = value;
        update();
    }
    // A focused plot shows its tool's cursor again, the cross-hair to begin with.
    if (!value)
        setCursorId(cursors::standard);
    else if (m_tool)
        setCursorId(m_tool->cursor());
}

void TSpectrum::setSpectrumData(TSpectrumDataPtr data) {
    m_data = required(std::move(data), "The plot needs spectrum data");
    watchData();
    if (m_xAxis) m_xAxis->setRange(m_data->xRange());
    if (m_yAxis) m_yAxis->setRange(m_data->yRange());
    m_data->labels()->setNeedsLayout(true);
    clearViewHistory();
    m_readoutStepped = false;
    setReadout(std::nullopt);
    // A measurement names points of the data shown before, and so do the pins.
    clearMeasurement();
    m_pins.clear();
    m_pinsUndo.clear();
    m_pinsRedo.clear();
    m_fittedX = {std::nan(""), std::nan("")};
    updateYAxis();
    invalidate();
    emit spectrumDataChanged();
}

void TSpectrum::setFileName(std::string value) {
    if (value == m_fileName) return;
    m_fileName = std::move(value);
    emit fileNameChanged();
}

void TSpectrum::watchData() {
    const auto repaint = [this](TRange&) { rangeChanged(); };
    m_xRangeChange = m_data->xRange()->changed.connect(repaint);
    m_yRangeChange = m_data->yRange()->changed.connect(repaint);
    m_seriesChange = m_data->series()->changed.connect([this] { update(); });
}

// Several values of one view change one after the other (setView sets four): each only marks
// the labels and asks for the one repaint; viewChanged waits for invalidate().
void TSpectrum::rangeChanged() {
    m_data->labels()->setNeedsLayout(true);
    updateYAxis();
    update();
}

void TSpectrum::resetThreshold() {
    ::resetThreshold(*m_data);
    update();
}

void TSpectrum::popupLabelMenu(int tag, int x, int y) {
    // After the mouse event: a menu runs an event loop of its own.
    QMetaObject::invokeMethod(
        this, [this, tag, x, y] { emit labelMenuRequested(tag, x, y); }, Qt::QueuedConnection);
}

// --- the plot's own --------------------------------------------------------------------------

TAxis* TSpectrum::xAxis() const {
    return m_xAxis;
}

TAxis* TSpectrum::yAxis() const {
    return m_yAxis;
}

void TSpectrum::setXAxis(TAxis* axis) {
    if (axis == m_xAxis) return;
    watchAxis(m_xAxis, false);
    if (axis && axis == m_yAxis) {
        watchAxis(m_yAxis, false);
        m_yAxis = nullptr;
    }
    m_xAxis = axis;
    if (!axis) return;
    if (!axis->isHorizontal()) axis->setAxisType(TAxisType::Bottom);
    axis->setRange(m_data->xRange());
    watchAxis(axis, true);
    placeAxes();
}

void TSpectrum::setYAxis(TAxis* axis) {
    if (axis == m_yAxis) return;
    watchAxis(m_yAxis, false);
    if (axis && axis == m_xAxis) {
        watchAxis(m_xAxis, false);
        m_xAxis = nullptr;
    }
    m_yAxis = axis;
    if (!axis) return;
    if (axis->isHorizontal()) axis->setAxisType(TAxisType::Left);
    axis->setRange(m_data->yRange());
    watchAxis(axis, true);
    placeAxes();
    updateYAxis();
}

void TSpectrum::watchAxis(TAxis* axis, bool watch) {
    if (!axis) return;
    if (watch)
        axis->installEventFilter(this);
    else
        axis->removeEventFilter(this);
}

// Against the plot's edges in the common parent, with the plot's length; an axis changes
// only its own thickness.
void TSpectrum::placeAxes() {
    const QRect b = geometry();
    if (TAxis* axis = m_xAxis) {
        const int h = axis->height();
        if (axis->axisType() == TAxisType::Top)
            axis->setGeometry(b.left(), b.top() - h, b.width(), h);
        else
            axis->setGeometry(b.left(), b.top() + b.height(), b.width(), h);
    }
    if (TAxis* axis = m_yAxis) {
        const int w = axis->width();
        if (axis->axisType() == TAxisType::Right)
            axis->setGeometry(b.left() + b.width(), b.top(), w, b.height());
        else
            axis->setGeometry(b.left() - w, b.top(), w, b.height());
    }
}

bool TSpectrum::eventFilter(QObject* watched, QEvent* event) {
    // An axis whose thickness changed is placed again. The event type is checked first: an
    // axis being destroyed is no longer a TAxis.
    if (event->type() == QEvent::Resize && (watched == m_xAxis || watched == m_yAxis)) placeAxes();
    // The y axis offers the pane's scale menu.
    if (event->type() == QEvent::ContextMenu && watched == m_yAxis) {
        const auto* context = static_cast<QContextMenuEvent*>(event);
        QMenu* menu = makeScaleMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(context->globalPos());
        return true;
    }
    // The axes take the wheel and the double-click for the plot.
    const bool axisEvent =
        event->type() == QEvent::Wheel || event->type() == QEvent::MouseButtonDblClick;
    if (axisEvent && (watched == m_xAxis || watched == m_yAxis)) {
        const auto* axis = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Wheel) {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            const QPointF at = mapFromGlobal(axis->mapToGlobal(wheel->position()));
            handleMouse([&] { wheelTurned(*wheel, at.x(), watched == m_yAxis); });
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            handleMouse([&] {
                if (watched == m_yAxis) {
                    fitYToVisible();
                    return;
                }
                const auto extent = TViewCommands::dataExtent(*this);
                if (!extent) return;
                const double margin =
                    std::max(extent->second - extent->first, TViewCommands::minWidth) *
                    TViewCommands::extentMargin;
                const TFloatRect v = getView();
                endViewGesture();
                zoomTo(extent->first - margin, extent->second + margin, v.y1, v.y2);
            });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TSpectrum::setTool(iSpectrumToolPtr tool) {
    if (tool && tool != m_tool) {
        setCursorId(tool->cursor());
        update();
    }
    if (tool == m_tool) return;
    // A measurement of the tool going goes with it.
    const TMeasureTool* old = measureToolInUse();
    const bool measurementGoes = old && old->measurement();
    if (auto* measure = dynamic_cast<TMeasureTool*>(tool.get())) {
        measure->onChange = [this] {
            if (const TMeasureTool* own = measureToolInUse(); own && own->measurement())
                m_shiftMeasure->clear();
            emit measurementChanged();
        };
    }
    m_tool = std::move(tool);
    if (measurementGoes) emit measurementChanged();
}

TMeasureTool* TSpectrum::measureToolInUse() const {
    return dynamic_cast<TMeasureTool*>(m_tool.get());
}

const TMeasurement* TSpectrum::measurement() const {
    if (m_shiftMeasure && m_shiftMeasure->measurement()) return &*m_shiftMeasure->measurement();
    if (const TMeasureTool* tool = measureToolInUse(); tool && tool->measurement())
        return &*tool->measurement();
    return nullptr;
}

void TSpectrum::clearMeasurement() {
    if (m_shiftMeasure) m_shiftMeasure->clear();
    if (TMeasureTool* tool = measureToolInUse()) tool->clear();
}

void TSpectrum::setSpanTool(iSpectrumToolPtr tool) {
    if (m_spanning && m_spanTool) m_spanTool->cancelDrag();
    m_spanning = false;
    m_spanTool = std::move(tool);
}

void TSpectrum::setHideThreshold(bool value) {
    if (value == m_hideThreshold) return;
    m_hideThreshold = value;
    update();
}

void TSpectrum::setGapsAreEmpty(bool value) {
    if (value == m_gapsAreEmpty) return;
    m_gapsAreEmpty = value;
    update();
}

void TSpectrum::setColor(const QColor& value) {
    if (value == m_color) return;
    m_color = value;
    update();
}

void TSpectrum::invalidateDrawing() {
    m_cacheValid = false;
    update();
}

// --- texts -----------------------------------------------------------------------------------

QString TSpectrum::cursorReadout() const {
    TFloatPointRec reference = m_downPoint;
    if (const auto serie = m_data->series()->current(); serie && serie->refPoint())
        reference = *serie->refPoint();
    const double d = m_mousePos.x - reference.x;
    std::string text = " ";
    appendFixed(text, reference.x, 5);
    text += d < 0 ? " -" : " +";
    appendFixed(text, std::abs(d), 5);
    text += " = ";
    appendFixed(text, m_mousePos.x, 5);
    text += " (m/z)";
    return QString::fromStdString(text);
}

// --- painting --------------------------------------------------------------------------------

TPlotState TSpectrum::plotState() const {
    TPlotState state;
    state.data = m_data;
    state.frameColor = m_color;
    state.focused = m_focused;
    state.hideThreshold = m_hideThreshold;
    state.marks = m_marks;
    state.scale = m_scale;
    state.mirrored = mirroredFlags();
    state.pins = m_pins;
    return state;
}

void TSpectrum::setMarks(std::vector<TPlotMark> marks) {
    if (marks == m_marks) return;
    m_marks = std::move(marks);
    m_pressedMark.reset();
    update();
}

std::optional<int> TSpectrum::markAt(int x, int y) const {
    const auto placed = placeMarks(TPlotMapping(*m_data, size()).view(), m_marks);
    const int tolerance = pickTolerance();
    // Triangles first, the nearest one, as texts lifted over their neighbours lie close to
    // other marks' triangles; then the texts.
    std::optional<int> best;
    int bestDistance = 0;
    for (std::size_t i = 0; i < placed.size(); ++i) {
        if (!placed[i]) continue;
        const QRect& t = placed[i]->triangle;
        if (!t.adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(x, y)) continue;
        const int distance = std::abs(t.center().x() - x);
        if (!best || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    if (best) return best;
    for (std::size_t i = 0; i < placed.size(); ++i)
        if (placed[i] && placed[i]->text.contains(x, y)) return static_cast<int>(i);
    return std::nullopt;
}

TRenderSettings TSpectrum::renderSettings() const {
    TRenderSettings settings;
    settings.background = palette().color(backgroundRole());
    settings.serieLineWidth = serieLineWidth();
    settings.highlightLineWidth = highlightLineWidth();
    settings.gapsAreEmpty = m_gapsAreEmpty;
    return settings;
}

std::uint64_t TSpectrum::labelStateHash() const {
    const TLabelSeries& labels = *m_data->labels();
    THash hash;
    hash.add(labels.isVisible());
    hash.add(labels.needsLayout());
    for (const TLabelListPtr& list : labels) {
        hash.add(list.get());
        hash.add(list->isVisible());
        hash.add(list->count());
        if (const auto* text = dynamic_cast<const TTextLabelList*>(list.get())) {
            const TFontEx& font = text->font();
            hash.add(font.name);
            hash.add(font.size);
            hash.add(font.style.bold);
            hash.add(font.style.italic);
            hash.add(font.style.underline);
            hash.add(font.style.strikeOut);
            hash.add(font.color.toBgr());
            hash.add(font.escapement);
            hash.add(font.textAlign);
        }
        for (const TControlLabelPtr& label : *list) {
            hash.add(label.get());
            hash.add(label->isVisible());
            hash.add(label->isMoved());
            hash.add(label->isPlacedByUser());
            hash.add(label->needsPlacement());
            const TRect b = label->bounds();
            hash.add(b.left);
            hash.add(b.top);
            hash.add(b.right);
            hash.add(b.bottom);
            if (const auto* text = dynamic_cast<const TTextLabel*>(label.get()))
                hash.add(text->text());
        }
    }
    return hash.value();
}

TSpectrum::TDrawingKey TSpectrum::drawingKey() const {
    TDrawingKey key;
    key.width = width();
    key.height = height();
    key.pixelRatio = devicePixelRatioF();
    const TRenderSettings settings = renderSettings();
    key.background = settings.background.rgba();
    const TRange& x = *m_data->xRange();
    const TRange& y = *m_data->yRange();
    key.xMin = x.min();
    key.xMax = x.max();
    key.yMin = y.min();
    key.yMax = y.max();
    key.xReversed = x.isReversed();
    key.yReversed = y.isReversed();
    key.baseLine = m_data->baseLine();
    key.serieWidth = settings.serieLineWidth;
    key.highlightWidth = settings.highlightLineWidth;
    key.gapsAreEmpty = settings.gapsAreEmpty;
    TPointListSerieList& list = *m_data->series();
    key.seriesList = &list;
    key.currentIndex = list.currentIndex();
    key.series.reserve(static_cast<std::size_t>(list.count()));
    for (const TPointListSeriePtr& serie : list) {
        key.series.push_back({serie.get(), serie->points().get(), serie->points()->revision(),
                              serie->color().toBgr(), static_cast<int>(serie->style())});
    }
    key.labels = labelStateHash();
    key.intensity = static_cast<int>(m_scale.intensity);
    key.log = m_yMapping.log;
    key.logFloor = m_yMapping.logFloor;
    key.mirrored = mirroredFlags();
    return key;
}

void TSpectrum::updateCache(std::vector<std::string>& messages) {
    if (width() <= 0 || height() <= 0) {
        m_cache = QImage();
        m_cacheValid = false;
        return;
    }
    TDrawingKey key = drawingKey();
    if (m_cacheValid && key == m_cacheKey) return;

    m_cacheValid = false;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(static_cast<int>(std::ceil(width() * ratio)),
                       static_cast<int>(std::ceil(height() * ratio)));
    if (m_cache.size() != pixels) m_cache = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    if (m_cache.isNull()) return;
    m_cache.setDevicePixelRatio(ratio);
    const TRenderSettings settings = renderSettings();
    m_cache.fill(settings.background);

    bool complete = true;
    {
        QPainter painter(&m_cache);
        painter.setRenderHint(QPainter::Antialiasing, false);
        const TPlotMapping mapping(*m_data, size(), m_yMapping);
        complete = collecting(messages, [&] {
            m_renderer.renderSeries(painter, mapping.view(), *m_data->series(), settings,
                                    mirroredFlags());
        });
        complete = collecting(messages,
                              [&] {
                                  // The labels' own layout is that of the screen: hit tests and
                                  // drags read it.
                                  m_shownLabels = m_data->labels()->updateLayout(*this);
                                  TPlotRenderer::renderLabels(painter, m_shownLabels);
                              }) &&
                   complete;
    }
    // Laying the labels out settles their layout; the key after it is what the image shows. A
    // drawing cut short by an exception is tried again at the next repaint (a conversion the
    // ranges could not make has given 0 and is not retried).
    if (complete) {
        m_cacheKey = drawingKey();
        m_cacheValid = true;
    }
}

void TSpectrum::paintEvent(QPaintEvent*) {
    std::vector<std::string> messages;
    collecting(messages, [&] {
        TRangeErrorCollector collector(messages);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, false);
        collecting(messages, [&] { updateCache(messages); });
        if (!m_cache.isNull())
            painter.drawImage(0, 0, m_cache);
        else
            painter.fillRect(rect(), palette().color(backgroundRole()));
        auto stage = [&](auto&& work) {
            painter.save();
            collecting(messages, work);
            painter.restore();
        };
        const TRenderSettings settings = renderSettings();
        stage([&] { TPlotRenderer::renderFrame(painter, size(), m_color, m_data->brush()); });
        if (m_focused) stage([&] { TPlotRenderer::renderFocusFrame(painter, size(), settings); });
        if (!m_hideThreshold) {
            stage([&] {
                TPlotRenderer::renderThreshold(painter,
                                               TPlotMapping(*m_data, size(), m_yMapping).view(),
                                               *m_data->series(), settings);
            });
        }
        if (!m_marks.empty()) {
            stage([&] {
                TPlotRenderer::renderMarks(painter, TPlotMapping(*m_data, size()).view(), m_marks,
                                           settings.background);
            });
        }
        if (!m_pins.empty()) {
            stage([&] { TPlotRenderer::renderPins(painter, *this, m_pins); });
        }
        if (m_readout) stage([&] { paintReadoutMarker(painter); });
        if (m_spectrumCursor.isShown()) stage([&] { m_spectrumCursor.paint(painter, *this); });
        if (const iSpectrumToolPtr tool = m_tool) {
            stage([&] {
                painter.setCompositionMode(QPainter::RasterOp_NotDestination);
                painter.setPen(invertingPen());
                painter.setBrush(Qt::NoBrush);
                tool->paint(painter);
            });
        }
        if (m_spanning) {
            stage([&] {
                painter.setCompositionMode(QPainter::RasterOp_NotDestination);
                painter.setPen(invertingPen());
                painter.setBrush(Qt::NoBrush);
                m_spanTool->paint(painter);
            });
        }
        if (m_shiftMeasure->measurement()) stage([&] { m_shiftMeasure->paint(painter); });
    });
    announce(m_paintMessages, std::move(messages));
}

void TSpectrum::announce(TMessageBurst& burst, std::vector<std::string> messages) {
    for (const std::string& text : messages) {
        if (std::find(burst.raised.begin(), burst.raised.end(), text) != burst.raised.end())
            continue;
        QMetaObject::invokeMethod(
            this, [this, message = QString::fromStdString(text)] { emit messageRaised(message); },
            Qt::QueuedConnection);
    }
    burst.raised = std::move(messages);
}

// --- events ----------------------------------------------------------------------------------

void TSpectrum::resizeEvent(QResizeEvent* event) {
    // Hidden widgets receive the same size again on every grab.
    if (event->size() != m_labelSize) {
        m_labelSize = event->size();
        m_data->labels()->setNeedsLayout(true);
    }
    QWidget::resizeEvent(event);
    placeAxes();
}

void TSpectrum::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    placeAxes();
}

void TSpectrum::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) invalidateDrawing();
    QWidget::changeEvent(event);
}

QPoint TSpectrum::eventPixel(const QMouseEvent& event) const {
    const QPointF p = event.position();
    return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

void TSpectrum::handleMouse(const std::function<void()>& work) {
    std::vector<std::string> messages;
    collecting(messages, [&] {
        TRangeErrorCollector collector(messages);
        work();
    });
    announce(m_mouseMessages, std::move(messages));
}

void TSpectrum::mousePressEvent(QMouseEvent* event) {
    const QPoint p = eventPixel(*event);
    const Qt::MouseButton button = event->button();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    event->accept();
    endViewGesture();
    if (button == Qt::MiddleButton) {
        m_panning = true;
        m_panFromX = p.x();
        m_panView = getView();
        return;
    }
    m_dragCancelled = false;
    m_pressView = getView();
    m_pressedMark.reset();
    if (button == Qt::LeftButton) {
        // A mark that opens something takes the click from the tool.
        handleMouse([&] {
            if (const auto mark = markAt(p.x(), p.y());
                mark && m_marks[static_cast<std::size_t>(*mark)].tag >= 0)
                m_pressedMark = mark;
        });
        if (m_pressedMark) return;
    }
    handleMouse([&] {
        // The first click on an inactive pane only activates it.
        if (onGetFocus && !m_focused) {
            const auto getFocus = onGetFocus;
            getFocus(this);
            return;
        }
        m_buttonDown = true;
        m_downPoint = deviceToWorld(p.x(), p.y());
        m_mousePos = m_downPoint;
        m_shiftMeasuring =
            button == Qt::LeftButton && (modifiers & Qt::ShiftModifier) && !measureToolInUse();
        m_spanning = !m_shiftMeasuring && m_spanTool && button == Qt::LeftButton &&
                     (modifiers & Qt::ControlModifier);
        if (m_shiftMeasuring) {
            if (TMeasureTool* tool = measureToolInUse()) tool->clear();
            m_shiftMeasure->mouseDown(button, modifiers, p.x(), p.y());
        } else if (m_spanning) {
            m_spanTool->mouseDown(button, modifiers, p.x(), p.y());
        } else {
            // Any other press takes a standing measurement away.
            m_shiftMeasure->clear();
            if (const iSpectrumToolPtr tool = m_tool)
                tool->mouseDown(button, modifiers, p.x(), p.y());
        }
        emit mousePressed(button, p.x(), p.y());
    });
}

void TSpectrum::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = eventPixel(*event);
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    event->accept();
    handleMouse([&] {
        if (m_panning) {
            // The m/z under the press stays under the pointer.
            const double perPixel = (m_panView.x2 - m_panView.x1) / std::max(1, width() - 1);
            const double shift = (m_panFromX - p.x()) * perPixel;
            TViewCommands(*this).showX(m_panView.x1 + shift, m_panView.x2 + shift);
            return;
        }
        m_mousePos = deviceToWorld(p.x(), p.y());
        m_hovered = true;
        m_hoverPixel = p;
        m_readoutStepped = false;
        setReadout(findReadout(*this, p.x(), p.y(), readoutTolerance));
        if (m_shiftMeasuring)
            m_shiftMeasure->mouseMove(modifiers, p.x(), p.y());
        else if (m_spanning)
            m_spanTool->mouseMove(modifiers, p.x(), p.y());
        else if (const iSpectrumToolPtr tool = m_tool)
            tool->mouseMove(modifiers, p.x(), p.y());
        emit mouseMoved(p.x(), p.y());
    });
}

void TSpectrum::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = eventPixel(*event);
    const Qt::MouseButton button = event->button();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    event->accept();
    if (button == Qt::MiddleButton) {
        if (m_panning) endViewGesture();
        m_panning = false;
        return;
    }
    if (const auto pressed = std::exchange(m_pressedMark, std::nullopt)) {
        handleMouse([&] {
            if (button != Qt::LeftButton || markAt(p.x(), p.y()) != pressed) return;
            if (onGetFocus && !m_focused) {
                const auto getFocus = onGetFocus;
                getFocus(this);
            }
            if (static_cast<std::size_t>(*pressed) < m_marks.size())
                emit markClicked(m_marks[static_cast<std::size_t>(*pressed)].tag, modifiers);
        });
        return;
    }
    // The release of a drag given up with Esc changes nothing.
    if (m_dragCancelled) {
        m_dragCancelled = false;
        return;
    }
    handleMouse([&] {
        m_upPoint = deviceToWorld(p.x(), p.y());
        m_buttonDown = false;
        if (std::exchange(m_shiftMeasuring, false))
            m_shiftMeasure->mouseUp(button, modifiers, p.x(), p.y());
        else if (std::exchange(m_spanning, false))
            m_spanTool->mouseUp(button, modifiers, p.x(), p.y());
        else if (const iSpectrumToolPtr tool = m_tool)
            tool->mouseUp(button, modifiers, p.x(), p.y());
        emit mouseReleased(button, p.x(), p.y());
    });
}
