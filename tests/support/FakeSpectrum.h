// The plot for tool tests, with logs of zooms, repainted rectangles and label menus; its view
// history starts empty so that a tool has to start it. Tools are driven in plot pixels through
// press/move/release, which set the mouse position first as the plot does.
#pragma once

#include <vector>

#include "display/Spectrum.h"

class FakeSpectrum : public TSpectrum {
public:
    struct Popup {
        int tag;
        int x;
        int y;
    };

    FakeSpectrum(int width, int height, const TFloatRect& view) {
        resize(width, height);
        setView(view.x1, view.x2, view.y1, view.y2);
        clearViewHistory();
    }

    void press(iSpectrumTool& tool, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
        setMousePos(deviceToWorld(x, y));
        tool.mouseDown(button, {}, x, y);
    }
    void move(iSpectrumTool& tool, int x, int y) {
        setMousePos(deviceToWorld(x, y));
        tool.mouseMove({}, x, y);
    }
    void release(iSpectrumTool& tool, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
        tool.mouseUp(button, {}, x, y);
    }
    void drag(iSpectrumTool& tool, int x1, int y1, int x2, int y2) {
        press(tool, x1, y1);
        move(tool, x2, y2);
        release(tool, x2, y2);
    }

    // Zooms asked for (each records a view unless it repeats the current one).
    int zooms() const { return m_zooms; }
    const std::vector<TFloatRect>& views() const { return viewHistory().views(); }
    const std::vector<TRect>& invalidatedRects() const { return m_invalidatedRects; }
    const std::vector<Popup>& popups() const { return m_popups; }
    void resetLogs() {
        m_zooms = 0;
        m_invalidatedRects.clear();
        m_popups.clear();
    }

    void zoomTo(double xMin, double xMax, double yMin, double yMax) override {
        ++m_zooms;
        TSpectrum::zoomTo(xMin, xMax, yMin, yMax);
    }
    void invalidateRect(const TRect& r) override {
        m_invalidatedRects.push_back(r);
        TSpectrum::invalidateRect(r);
    }
    void popupLabelMenu(int tag, int x, int y) override { m_popups.push_back({tag, x, y}); }

private:
    int m_zooms = 0;
    std::vector<TRect> m_invalidatedRects;
    std::vector<Popup> m_popups;
};
