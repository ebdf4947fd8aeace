// The plot widget's mouse and widget events: sizes, moves and the mouse handed to the tools.
#include "display/Spectrum.h"

#include <QEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QResizeEvent>

#include <algorithm>
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
