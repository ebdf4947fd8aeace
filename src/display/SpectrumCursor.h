// The cross-hair a plot shows while the cross cursor tool is dragged.
#pragma once

#include "model/FloatPoint.h"

class QPainter;
class iSpectrum;

// A world point with a drawing of itself on a plot.
class TSpectrumCursor : public TFloatPoint {
public:
    virtual ~TSpectrumCursor() = default;

    // Whether the figure is on the plot; the plot draws it in every repaint while it is.
    bool isShown() const { return m_shown; }
    void setShown(bool value) { m_shown = value; }

    // Draws the figure at the point with an inverting pen.
    virtual void paint(QPainter& painter, const iSpectrum& spectrum) const = 0;

private:
    bool m_shown = false;
};

// Lines across the whole plot through the point, vertical and horizontal.
class TCrossCursor : public TSpectrumCursor {
public:
    void paint(QPainter& painter, const iSpectrum& spectrum) const override;
};
