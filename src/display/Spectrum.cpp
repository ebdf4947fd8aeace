// The plot widget: mapping, view history, axes, tools and the series texts; painting and mouse
// dispatch stand in files of their own.
#include "display/Spectrum.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QMenu>
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
