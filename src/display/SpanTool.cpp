// The span tool: a band from the press to the pointer, told on the release.
#include "display/SpanTool.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "display/Cursors.h"

void TSpanTool::mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) {
    if (button != Qt::LeftButton) return;
    TSpectrumTool::mouseDown(button, modifiers, x, y);
    m_pressX = x;
    placeBand(x);
}

void TSpanTool::mouseMove(Qt::KeyboardModifiers, int x, int) {
    if (m_down) placeBand(x);
}

void TSpanTool::mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) {
    if (!m_down || button != Qt::LeftButton) return;
    showZone(false);
    TSpectrumTool::mouseUp(button, modifiers, x, y);
    if (!m_spectrum || std::abs(x - m_pressX) <= m_spectrum->pickTolerance()) return;
    const double a = m_spectrum->deviceToWorld(m_pressX, 0).x;
    const double b = m_spectrum->deviceToWorld(x, 0).x;
    if (onSpan) onSpan(std::min(a, b), std::max(a, b));
}

void TSpanTool::placeBand(int x) {
    if (!m_spectrum) return;
    showZone(false);
    m_zone = {std::min(m_pressX, x), 0, std::max(m_pressX, x), m_spectrum->height() - 1};
    showZone(true);
}

iSpectrumToolPtr makeSpanTool(iSpectrum& spectrum, std::function<void(double, double)> onSpan) {
    auto tool = std::make_shared<TSpanTool>(spectrum);
    tool->setCursor(cursors::standard);
    tool->onSpan = std::move(onSpan);
    return tool;
}
