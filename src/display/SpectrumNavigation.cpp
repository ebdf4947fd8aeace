// The plot's wheel, keys, pinch and middle-button drag: small moves of the view that a burst
// records as one history entry.
#include <QKeyEvent>
#include <QNativeGestureEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

#include "display/Axis.h"
#include "display/MeasureTool.h"
#include "display/Spectrum.h"
#include "display/SpectrumTool.h"
#include "display/ViewCommands.h"

void TSpectrum::recordViewStep() {
    applyYFit();
    startViewHistory();
    const TFloatRect view = getView();
    if (!std::isfinite(view.x1) || !std::isfinite(view.x2) || !std::isfinite(view.y1) ||
        !std::isfinite(view.y2))
        return;
    m_history.recordStep(view);
    continueViewGesture();
}

void TSpectrum::endViewGesture() {
    m_gesturePause.stop();
    m_history.endGesture();
}

void TSpectrum::continueViewGesture() {
    m_gesturePause.start(gesturePauseMs);
}

void TSpectrum::zoomXAtPointer(double factor) {
    const QPoint pointer = mapFromGlobal(QCursor::pos());
    std::optional<double> about;
    if (rect().contains(pointer)) about = deviceToWorld(pointer.x(), pointer.y()).x;
    TViewCommands(*this).zoomX(factor, about);
}

void TSpectrum::fitYToVisible() {
    const TFloatRect view = getView();
    std::optional<double> top;
    for (const auto& serie : *series()) {
        const auto peak = serie->points()->maxYInRange(view.x1, view.x2);
        // The search answers with a neighbour when no point lies in the window.
        if (!peak || !(peak->x >= view.x1 && peak->x <= view.x2) || !std::isfinite(peak->y))
            continue;
        top = std::max(top.value_or(peak->y), peak->y);
    }
    if (!top || !(*top > view.y1)) return;
    endViewGesture();
    resumeYFit();
    m_fittedX = {view.x1, view.x2};
    // The peak just below the top edge, as a fit of the whole range leaves it.
    zoomTo(view.x1, view.x2, view.y1, *top + (*top - view.y1) * 0.02);
}

void TSpectrum::cancelDrag() {
    if (!m_buttonDown && !m_panning) return;
    if (m_buttonDown) {
        m_buttonDown = false;
        m_dragCancelled = true;
        if (std::exchange(m_shiftMeasuring, false))
            m_shiftMeasure->cancelDrag();
        else if (std::exchange(m_spanning, false))
            m_spanTool->cancelDrag();
        else if (const iSpectrumToolPtr tool = m_tool)
            tool->cancelDrag();
    }
    const TFloatRect v = m_panning ? m_panView : m_pressView;
    m_panning = false;
    endViewGesture();
    setView(v.x1, v.x2, v.y1, v.y2);
    invalidate();
}

void TSpectrum::wheelTurned(const QWheelEvent& event, double pixelX, bool overYAxis) {
    if (event.phase() == Qt::ScrollEnd) {
        endViewGesture();
        return;
    }
    const QPoint angle = event.angleDelta();
    const auto notches = [](int delta) {
        return std::clamp(delta / 120.0, -double(maxWheelNotches), double(maxWheelNotches));
    };
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    // Some platforms turn Shift+wheel into a horizontal wheel themselves.
    const int sideways =
        angle.x() != 0 ? angle.x() : (modifiers & Qt::ShiftModifier ? angle.y() : 0);
    TViewCommands commands(*this);
    if (sideways != 0) {
        // Turned away from the user (or swiped left) shows lower m/z.
        commands.panX(-0.1 * notches(sideways));
        return;
    }
    if (angle.y() == 0) return;
    // A momentum phase would go on zooming after the fingers left the pad.
    if (event.phase() == Qt::ScrollMomentum) return;
    const double factor = std::pow(wheelZoomFactor, notches(angle.y()));
    if (overYAxis || modifiers & Qt::ControlModifier) {
        commands.stretchY(factor);
        return;
    }
    commands.zoomX(factor, deviceToWorld(pixelX, 0).x);
}

void TSpectrum::wheelEvent(QWheelEvent* event) {
    event->accept();
    handleMouse([&] { wheelTurned(*event, event->position().x(), false); });
}

bool TSpectrum::moveForKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool shift = modifiers == Qt::ShiftModifier;
    const bool ctrl = modifiers == Qt::ControlModifier;
    const bool alt = modifiers == Qt::AltModifier;
    const bool plain = modifiers == Qt::NoModifier;
    TViewCommands commands(*this);
    const auto discrete = [&](auto&& command) {
        endViewGesture();
        command();
    };
    switch (event.key()) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const double sign = event.key() == Qt::Key_Left ? -1.0 : 1.0;
            if (alt) {
                discrete([&] { sign < 0 ? commands.back() : commands.forward(); });
                return true;
            }
            if (ctrl) {
                stepReadout(event.key() == Qt::Key_Left ? -1 : 1);
                return true;
            }
            if (!plain && !shift) return false;
            commands.panX(sign * (shift ? 0.01 : 0.1));
            return true;
        }
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (!plain) return false;
            commands.panX(event.key() == Qt::Key_PageUp ? -1.0 : 1.0);
            return true;
        case Qt::Key_Home:
            if (ctrl) {
                discrete([&] { commands.fullMassAndAbundanceRange(); });
                emit fullRangeOfAllRequested();
                return true;
            }
            if (!plain) return false;
            commands.showStart();
            return true;
        case Qt::Key_End:
            if (!plain) return false;
            commands.showEnd();
            return true;
        case Qt::Key_0:
            if (!ctrl) return false;
            discrete([&] { commands.fullMassAndAbundanceRange(); });
            emit fullRangeOfAllRequested();
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            // "+" needs Shift on many layouts; Ctrl+= is the usual zoom-in key.
            if (alt) return false;
            zoomXAtPointer(0.8);
            return true;
        case Qt::Key_Minus:
            if (alt || shift) return false;
            zoomXAtPointer(1.25);
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (!plain) return false;
            commands.stretchY(event.key() == Qt::Key_Up ? 0.8 : 1.25);
            return true;
        case Qt::Key_Backspace:
            if (!plain && !shift) return false;
            discrete([&] { shift ? commands.forward() : commands.back(); });
            return true;
        case Qt::Key_Escape:
            if (!m_buttonDown && !m_panning) {
                // Esc outside a drag takes a standing measurement away.
                if (!measurement()) return false;
                clearMeasurement();
                return true;
            }
            cancelDrag();
            return true;
        default:
            return false;
    }
}

void TSpectrum::keyPressEvent(QKeyEvent* event) {
    bool taken = false;
    handleMouse([&] { taken = moveForKey(*event); });
    if (taken)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void TSpectrum::keyReleaseEvent(QKeyEvent* event) {
    // A key held down repeats its presses; letting it go ends the burst.
    if (!event->isAutoRepeat()) endViewGesture();
    QWidget::keyReleaseEvent(event);
}

void TSpectrum::leaveEvent(QEvent* event) {
    endViewGesture();
    m_hovered = false;
    m_readoutStepped = false;
    setReadout(std::nullopt);
    QWidget::leaveEvent(event);
}

bool TSpectrum::event(QEvent* event) {
    if (event->type() == QEvent::NativeGesture) {
        const auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            handleMouse([&] {
                // value() is the change of scale: positive spreads the fingers (zoom in).
                const double factor = 1.0 / (1.0 + gesture->value());
                TViewCommands(*this).zoomX(factor, deviceToWorld(gesture->position().x(), 0).x);
            });
            event->accept();
            return true;
        }
        if (gesture->gestureType() == Qt::EndNativeGesture) endViewGesture();
    }
    return QWidget::event(event);
}
