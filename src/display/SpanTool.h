// A tool that picks a span of x by a drag across the plot: an m/z window on a spectrum, a range
// of retention times on a chromatogram.
#pragma once

#include <functional>

#include "display/SpectrumTool.h"

// Shows the dragged span as an inverted band over the plot's whole height and tells it on the
// release, in world units, low end first. A span no wider than the pick tolerance (a click) is
// told nothing. The zoom and the view stay as they are.
class TSpanTool : public TRectTool {
public:
    using TRectTool::TRectTool;

    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseMove(Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;

    std::function<void(double x1, double x2)> onSpan;

private:
    void placeBand(int x);
    int m_pressX = 0;
};

iSpectrumToolPtr makeSpanTool(iSpectrum& spectrum,
                              std::function<void(double x1, double x2)> onSpan);
