// The mouse tools. Coordinates are plot pixels; a zone's corners may lie far outside the plot
// (a world zone after a deep zoom maps to the limits of int), so edge arithmetic is done wide.
#include "display/SpectrumTool.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "display/Cursors.h"
#include "display/SpectrumCursor.h"

namespace {

// Pixels the mouse must be beyond the base line before the y stretch acts.
constexpr int baseLineDeadZone = 5;
// A zoom drag must be wider than this (pixels) to zoom at all, and at least this high to zoom y.
constexpr long long zoomMinWidth = 5;
constexpr long long zoomMinHeight = 15;

int clampToInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

int shifted(int value, int delta) {
    return clampToInt(static_cast<long long>(value) + delta);
}

TRect offsetRect(const TRect& r, int dx, int dy) {
    return {shifted(r.left, dx), shifted(r.top, dy), shifted(r.right, dx), shifted(r.bottom, dy)};
}

long long spanOf(int a, int b) {
    return std::llabs(static_cast<long long>(a) - b);
}

// The outline of r (plot pixels, both pairs in any order) from (left, top) to (right, bottom)
// inclusive, inverting what is beneath. A rectangle without width or height draws nothing: its
// outline would retrace itself and cancel out. Edges beyond the plot are pulled in to just
// outside it, which keeps the visible part and the painter's coordinates small.
void drawInvertedFrame(QPainter& painter, const TRect& r, int width, int height) {
    const TRect n = r.normalized();
    if (n.left == n.right || n.top == n.bottom) return;
    const int left = std::max(n.left, -1);
    const int top = std::max(n.top, -1);
    const int right = std::min(n.right, std::max(width, 0));
    const int bottom = std::min(n.bottom, std::max(height, 0));
    if (left > right || top > bottom) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(left, top, right - left, bottom - top));
    painter.restore();
}

// The plot's view differs from before by more than a thousandth of a pixel at some edge.
bool movedFrom(const TFloatRect& before, const iSpectrum& spectrum) {
    const TFloatRect now = spectrum.getView();
    const double xPixel = std::abs(before.x2 - before.x1) / std::max(spectrum.width(), 1);
    const double yPixel = std::abs(before.y2 - before.y1) / std::max(spectrum.height(), 1);
    const auto moved = [](double a, double b, double pixel) {
        return !(std::abs(a - b) <= pixel * 1e-3);
    };
    return moved(now.x1, before.x1, xPixel) || moved(now.x2, before.x2, xPixel) ||
           moved(now.y1, before.y1, yPixel) || moved(now.y2, before.y2, yPixel);
}

}  // namespace

int zoneHitTest(int x, int y, const TRect& zone, int tolerance) {
    const TRect r = zone.normalized();
    const long long px = x;
    const long long py = y;
    const long long t = tolerance;
    if (px < r.left - t || px > r.right + t || py < r.top - t || py > r.bottom + t)
        return grab::none;
    int flags = 0;
    if (px <= r.left + t)
        flags = grab::left;
    else if (px >= r.right - t)
        flags = grab::right;
    if (py <= r.top + t)
        flags += grab::top;
    else if (py >= r.bottom - t)
        flags += grab::bottom;
    return flags == 0 ? grab::whole : flags;
}

// --- TSpectrumTool ---------------------------------------------------------------------------

TSpectrumTool::TSpectrumTool(iSpectrum& spectrum)
    : m_spectrum(&spectrum), m_cursor(cursors::standard) {
    spectrum.startViewHistory();
}

void TSpectrumTool::mouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
    m_down = true;
    m_lastX = x;
    m_lastY = y;
}

void TSpectrumTool::mouseMove(Qt::KeyboardModifiers, int, int) {}

void TSpectrumTool::mouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    m_down = false;
}

bool TSpectrumTool::zoneNarrowX() const {
    const int tolerance = m_spectrum ? m_spectrum->pickTolerance() : 0;
    return spanOf(m_zone.left, m_zone.right) <= tolerance;
}

bool TSpectrumTool::zoneNarrowY() const {
    const int tolerance = m_spectrum ? m_spectrum->pickTolerance() : 0;
    return spanOf(m_zone.top, m_zone.bottom) <= tolerance;
}

void TSpectrumTool::paint(QPainter&) {}

void TSpectrumTool::cancelDrag() {
    m_down = false;
    m_grabMode = grab::none;
}

// --- TCrossCursorTool ------------------------------------------------------------------------

void TCrossCursorTool::mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x,
                                 int y) {
    if (!m_spectrum) return;
    TSpectrumTool::mouseDown(button, modifiers, x, y);
    auto& cross = m_spectrum->spectrumCursor();
    cross.setPoint(m_spectrum->mousePos());
    cross.setShown(true);
    m_spectrum->invalidate();
}

void TCrossCursorTool::mouseMove(Qt::KeyboardModifiers, int, int) {
    if (!m_down || !m_spectrum) return;
    auto& cross = m_spectrum->spectrumCursor();
    cross.setPoint(m_spectrum->mousePos());
    cross.setShown(true);
    m_spectrum->invalidate();
}

void TCrossCursorTool::mouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    if (!m_down) return;
    m_down = false;
    if (!m_spectrum) return;
    m_spectrum->spectrumCursor().setShown(false);
    m_spectrum->invalidate();
}

// --- Stretch tools ---------------------------------------------------------------------------

void TStretchTool::mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x,
                             int y) {
    TSpectrumTool::mouseDown(button, modifiers, x, y);
    if (!m_spectrum) return;
    m_pressView = m_spectrum->getView();
    // Labels are laid out again for every view; they stay hidden until the drag ends.
    if (const TLabelSeriesPtr& labels = m_spectrum->labels()) {
        m_labelsWereVisible = labels->isVisible();
        labels->setVisible(false);
    }
}

void TStretchTool::mouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    if (!m_down) return;
    m_down = false;
    if (!m_spectrum) return;
    if (const TLabelSeriesPtr& labels = m_spectrum->labels())
        labels->setVisible(m_labelsWereVisible);
    if (movedFrom(m_pressView, *m_spectrum)) {
        m_spectrum->recordView();
        return;
    }
    // A drag back to where it started leaves rounding behind: the view it began with is kept.
    const TFloatRect& v = m_pressView;
    m_spectrum->setView(v.x1, v.x2, v.y1, v.y2);
    m_spectrum->invalidate();  // the labels come back
}

void TStretchTool::cancelDrag() {
    if (m_down && m_spectrum)
        if (const TLabelSeriesPtr& labels = m_spectrum->labels())
            labels->setVisible(m_labelsWereVisible);
    TSpectrumTool::cancelDrag();
}

void TStretchXTool::mouseMove(Qt::KeyboardModifiers, int x, int) {
    if (!m_spectrum) return;
    const int width = m_spectrum->width();
    const int half = width / 2;
    const int cursor = x < half ? cursors::stretchRightX : cursors::stretchLeftX;
    if (cursor != m_cursor) {
        m_cursor = cursor;
        m_spectrum->setCursorId(cursor);
    }
    if (!m_down || width < 1) return;

    TRange& range = *m_spectrum->xRange();
    const double size = range.size();
    // The divisor is positive in both halves. A step that would leave an empty or inverted
    // range (the press was on or beyond the edge that stays) is skipped; the mouse position
    // still becomes the reference of the next step.
    if (x > half) {
        const double max = range.min() + size * m_lastX / x;
        if (std::isfinite(max) && max > range.min()) range.setMax(max);
    } else {
        const double min = range.max() - (static_cast<double>(width) - m_lastX) * size /
                                             (static_cast<double>(width) - x);
        if (std::isfinite(min) && min < range.max()) range.setMin(min);
    }
    m_lastX = x;
    m_spectrum->invalidate();
}

void TStretchYTool::mouseMove(Qt::KeyboardModifiers, int, int y) {
    if (!m_down || !m_spectrum) return;
    const double baseLine = m_spectrum->baseLine();
    const long long b = m_spectrum->worldToDevice(0.0, baseLine).y;
    TRange& range = *m_spectrum->yRange();
    // Larger y is higher on screen for the reversed range: the data side is above the line.
    const bool beyond = range.isReversed() ? y < b - baseLineDeadZone : y > b + baseLineDeadZone;
    if (!beyond) return;

    const double f = static_cast<double>(b - m_lastY) / static_cast<double>(b - y);
    const double min = baseLine + (range.min() - baseLine) * f;
    const double max = baseLine + (range.max() - baseLine) * f;
    // A press on or across the base line would collapse or turn the range over: skip that
    // step and measure the next one from here.
    if (f > 0.0 && std::isfinite(min) && std::isfinite(max) && min < max) {
        range.setMin(min);
        range.setMax(max);
    }
    m_lastY = y;
    m_spectrum->invalidate();
}

void TScrollTool::mouseMove(Qt::KeyboardModifiers, int x, int y) {
    if (!m_down || !m_spectrum) return;
    const int width = m_spectrum->width();
    const int height = m_spectrum->height();
    if (width < 1 || height < 1) return;
    const TFloatRect v = m_spectrum->getView();
    const double dx = (v.x2 - v.x1) * (static_cast<double>(x) - m_lastX) / width;
    const double dy = (v.y2 - v.y1) * (static_cast<double>(m_lastY) - y) / height;
    // Through setView, so that the labels are laid out again for the moved view.
    m_spectrum->setView(v.x1 - dx, v.x2 - dx, v.y1 - dy, v.y2 - dy);
    m_lastX = x;
    m_lastY = y;
    m_spectrum->invalidate();
}

// --- TRectTool -------------------------------------------------------------------------------

void TRectTool::paint(QPainter& painter) {
    if (m_zoneShown && m_spectrum)
        drawInvertedFrame(painter, m_zone, m_spectrum->width(), m_spectrum->height());
}

void TRectTool::cancelDrag() {
    if (m_down) showZone(false);
    TSpectrumTool::cancelDrag();
}

void TRectTool::showZone(bool shown) {
    if (shown == m_zoneShown) return;
    m_zoneShown = shown;
    if (m_spectrum) m_spectrum->invalidate();
}

// --- TZoneTool -------------------------------------------------------------------------------

void TZoneTool::paint(QPainter& painter) {
    // A fresh paint shows the standing zone where the current view puts it; during a drag
    // the zone is the one being dragged.
    if (!m_down && m_spectrum) {
        m_zone = m_spectrum->worldRectToDevice(m_worldZone);
        m_zoneShown = true;
    }
    TRectTool::paint(painter);
}

void TZoneTool::mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) {
    TSpectrumTool::mouseDown(button, modifiers, x, y);
    if (!m_spectrum) return;
    showZone(false);
    // Normalized: a world zone set from outside may have its corners in any order.
    m_zone = m_spectrum->worldRectToDevice(m_worldZone).normalized();
    m_grabMode = zoneHitTest(x, y, m_zone, m_spectrum->pickTolerance());
    if (m_grabMode == grab::none) {
        m_zone = {x, y, x, y};
        m_grabMode = grab::right + grab::bottom;
    }
    showZone(true);
}

void TZoneTool::mouseMove(Qt::KeyboardModifiers, int x, int y) {
    if (!m_down || !m_spectrum) return;
    showZone(false);
    if (m_grabMode == grab::whole) {
        m_zone = offsetRect(m_zone, shifted(x, -m_lastX), shifted(y, -m_lastY));
        m_lastX = x;
        m_lastY = y;
    } else {
        if (m_grabMode & grab::top) m_zone.top = y;
        if (m_grabMode & grab::bottom) m_zone.bottom = y;
        if (m_grabMode & grab::left) m_zone.left = x;
        if (m_grabMode & grab::right) m_zone.right = x;
    }
    showZone(true);
}

void TZoneTool::mouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    m_zone = m_zone.normalized();
    if (m_spectrum) m_worldZone = m_spectrum->deviceRectToWorld(m_zone);
    m_down = false;
}

// --- TZoomTool -------------------------------------------------------------------------------

void TZoomTool::mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) {
    showZone(false);
    TZoneTool::mouseUp(button, modifiers, x, y);
    // The drag is used up by its release, zoom or not: a zone too narrow to zoom must not stay
    // standing for the full-range commands to take.
    TFloatRect w = m_worldZone;
    const TRect zone = m_zone;
    m_zone = {};
    m_worldZone = {};
    if (!m_spectrum || spanOf(zone.left, zone.right) <= zoomMinWidth) return;
    if (spanOf(zone.top, zone.bottom) < zoomMinHeight) {
        const TRangePtr& y = m_spectrum->yRange();
        w.y1 = y->min();
        w.y2 = y->max();
    }
    // The world zone keeps the corners of the device zone: its y1 is the value at the top
    // pixel, the larger one. The view takes them in order.
    m_spectrum->zoomTo(std::min(w.x1, w.x2), std::max(w.x1, w.x2), std::min(w.y1, w.y2),
                       std::max(w.y1, w.y2));
}

// --- TLabelTool ------------------------------------------------------------------------------

void TLabelTool::mouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
    m_down = false;
    if (!m_spectrum || !m_spectrum->labels()) return;
    const auto hit = m_spectrum->labels()->hitTest(x, y);
    if (!hit || !hit->list->isMovable()) return;
    m_down = true;
    m_grabbedLabel = hit->label;
    m_zone = m_grabbedLabel->bounds();
    showZone(true);
    m_lastX = x;
    m_lastY = y;
}

void TLabelTool::mouseMove(Qt::KeyboardModifiers, int x, int y) {
    if (!m_down || !m_spectrum) return;
    showZone(false);
    m_zone = offsetRect(m_zone, shifted(x, -m_lastX), shifted(y, -m_lastY));
    showZone(true);
    m_lastX = x;
    m_lastY = y;
}

void TLabelTool::mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    if (!m_down) return;
    m_down = false;
    if (!m_spectrum || !m_grabbedLabel) return;
    showZone(false);
    TControlLabel& label = *m_grabbedLabel;
    m_spectrum->invalidateRect(label.bounds().normalized());
    label.setBounds(m_zone);
    m_spectrum->invalidateRect(m_zone.normalized());
    label.setWorldRect(m_spectrum->deviceRectToWorld(m_zone));
    label.setMoved(true);
    if (button == Qt::RightButton) m_spectrum->popupLabelMenu(label.tag(), x, y);
}

// --- Factories -------------------------------------------------------------------------------

namespace {

template <class Tool>
iSpectrumToolPtr makeTool(iSpectrum& spectrum, int cursor) {
    auto tool = std::make_shared<Tool>(spectrum);
    tool->setCursor(cursor);
    return tool;
}

}  // namespace

iSpectrumToolPtr makeCrossCursorTool(iSpectrum& spectrum) {
    return makeTool<TCrossCursorTool>(spectrum, cursors::crossHair);
}

iSpectrumToolPtr makeStretchXTool(iSpectrum& spectrum) {
    return makeTool<TStretchXTool>(spectrum, cursors::splitHorizontal);
}

iSpectrumToolPtr makeStretchYTool(iSpectrum& spectrum) {
    return makeTool<TStretchYTool>(spectrum, cursors::stretchY);
}

iSpectrumToolPtr makeScrollTool(iSpectrum& spectrum) {
    return makeTool<TScrollTool>(spectrum, cursors::drag);
}

iSpectrumToolPtr makeZoneTool(iSpectrum& spectrum) {
    return makeTool<TZoneTool>(spectrum, cursors::zone);
}

iSpectrumToolPtr makeZoomTool(iSpectrum& spectrum) {
    return makeTool<TZoomTool>(spectrum, cursors::zone);
}

iSpectrumToolPtr makeLabelTool(iSpectrum& spectrum) {
    return makeTool<TLabelTool>(spectrum, cursors::label);
}
