// A plot stand-in for tool tests: a fixed pixel rectangle over two real ranges (the y range
// reversed, as on a plot), a view history that behaves like the plot's, and logs of zooms,
// repaint requests, cursor changes and label menus. Tools are driven in plot pixels through
// press/move/release, which set the mouse position first as the plot does.
#pragma once

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "display/SpectrumCursor.h"
#include "display/iSpectrum.h"
#include "model/SpectrumData.h"

class FakeSpectrum : public iSpectrum {
public:
    struct Span {
        double min;
        double max;
    };
    struct ZoomCall {
        double xMin;
        double xMax;
        double yMin;
        double yMax;
    };
    struct Popup {
        int tag;
        int x;
        int y;
    };

    static constexpr int maxViews = 20;

    // bounds: the plot in its parent; only its size matters to the mapping.
    FakeSpectrum(TRect bounds, Span x, Span y)
        : m_width(bounds.right - bounds.left),
          m_height(bounds.bottom - bounds.top),
          m_data(newSpectrumData({}, {})) {
        m_data->setXRange(newRange(x.min, x.max));
        auto yRange = newRange(y.min, y.max);
        yRange->setReversed(true);
        m_data->setYRange(std::move(yRange));
    }

    // --- driving tools as the plot does ---------------------------------------------------
    void press(iSpectrumTool& tool, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
        m_mousePos = deviceToWorld(x, y);
        tool.mouseDown(button, {}, x, y);
    }
    void move(iSpectrumTool& tool, int x, int y) {
        m_mousePos = deviceToWorld(x, y);
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

    // --- what the tests look at -----------------------------------------------------------
    const std::vector<ZoomCall>& zoomCalls() const { return m_zoomCalls; }
    const std::vector<TFloatRect>& views() const { return m_views; }
    int viewIndex() const { return m_viewIndex; }
    int startViewHistoryCalls() const { return m_startCalls; }
    int invalidations() const { return m_invalidations; }
    const std::vector<TRect>& invalidatedRects() const { return m_invalidatedRects; }
    int cursorId() const { return m_cursorId; }
    const std::vector<Popup>& popups() const { return m_popups; }
    void resetLogs() {
        m_zoomCalls.clear();
        m_invalidations = 0;
        m_invalidatedRects.clear();
        m_popups.clear();
    }

    // --- iWorldControl --------------------------------------------------------------------
    TRect clientRect() const override { return {0, 0, m_width, m_height}; }
    TPoint worldToDevice(double x, double y) const override {
        return {xRange()->pixelOf(m_width, x), yRange()->pixelOf(m_height, y)};
    }
    TFloatRect deviceRectToWorld(const TRect& r) const override {
        const TFloatPointRec a = deviceToWorld(r.left, r.top);
        const TFloatPointRec b = deviceToWorld(r.right, r.bottom);
        return {a.x, a.y, b.x, b.y};
    }
    int pickTolerance() const override { return m_data->pickTolerance(); }
    TSize textExtent(std::string_view text, const TFontEx&) const override {
        return {6 * static_cast<int>(text.size()), 10};
    }
    void textOut(int, int, std::string_view, const TFontEx&) override {}
    void invertFrame(const TRect&) override {}

    // --- iDevToLog ------------------------------------------------------------------------
    TFloatPointRec deviceToWorld(double px, double py) const override {
        return {xRange()->valueAt(m_width, px), yRange()->valueAt(m_height, py)};
    }
    TRect worldRectToDevice(const TFloatRect& r) const override {
        const TPoint a = worldToDevice(r.x1, r.y1);
        const TPoint b = worldToDevice(r.x2, r.y2);
        return {a.x, a.y, b.x, b.y};
    }

    // --- iSpectrum ------------------------------------------------------------------------
    int width() const override { return m_width; }
    int height() const override { return m_height; }
    void invalidate() override { ++m_invalidations; }
    void invalidateRect(const TRect& r) override { m_invalidatedRects.push_back(r); }
    void setCursorId(int id) override { m_cursorId = id; }

    double baseLine() const override { return m_data->baseLine(); }
    void setBaseLine(double value) override { m_data->setBaseLine(value); }
    const TRangePtr& xRange() const override { return m_data->xRange(); }
    void setXRange(TRangePtr range) override { m_data->setXRange(std::move(range)); }
    const TRangePtr& yRange() const override { return m_data->yRange(); }
    void setYRange(TRangePtr range) override { m_data->setYRange(std::move(range)); }
    const TPointListSerieListPtr& series() const override { return m_data->series(); }
    void setPickTolerance(int value) override { m_data->setPickTolerance(value); }
    const TLabelSeriesPtr& labels() const override { return m_data->labels(); }

    TFloatRect getView() const override {
        return {xRange()->min(), yRange()->min(), xRange()->max(), yRange()->max()};
    }
    void setView(double xMin, double xMax, double yMin, double yMax) override {
        xRange()->setMin(xMin);
        xRange()->setMax(xMax);
        yRange()->setMin(yMin);
        yRange()->setMax(yMax);
        labels()->setNeedsLayout(true);
    }
    // The plot's rule: minimum spans, nothing recorded for the current view, the new view
    // inserted after the current one with the forward entries kept, at most maxViews.
    void zoomTo(double xMin, double xMax, double yMin, double yMax) override {
        m_zoomCalls.push_back({xMin, xMax, yMin, yMax});
        startViewHistory();
        if (std::abs(xMax - xMin) < 0.01) {
            xMax = (xMin + xMax) / 2 + 0.005;
            xMin = xMax - 0.01;
        }
        if (std::abs(yMax - yMin) < 0.05) {
            yMax = (yMin + yMax) / 2 + 0.025;
            yMin = yMax - 0.05;
        }
        if (TFloatRect{xMin, yMin, xMax, yMax} == getView()) return;
        ++m_viewIndex;
        m_views.insert(m_views.begin() + m_viewIndex, {xMin, yMin, xMax, yMax});
        if (static_cast<int>(m_views.size()) > maxViews) {
            if (m_viewIndex >= maxViews) {
                m_views.erase(m_views.begin());
                --m_viewIndex;
            } else {
                m_views.resize(maxViews);
            }
        }
        setView(xMin, xMax, yMin, yMax);
        invalidate();
    }
    void viewForward() override {
        if (m_viewIndex + 1 >= static_cast<int>(m_views.size())) return;
        applyView(m_views[++m_viewIndex]);
    }
    void viewBack() override {
        if (m_viewIndex <= 0) return;
        applyView(m_views[--m_viewIndex]);
    }
    void startViewHistory() override {
        ++m_startCalls;
        if (!m_views.empty()) return;
        m_views.push_back(getView());
        m_viewIndex = 0;
    }

    bool isFocused() const override { return m_focused; }
    void setFocused(bool value) override { m_focused = value; }
    TFloatPointRec mousePos() const override { return m_mousePos; }
    void setMousePos(const TFloatPointRec& p) override { m_mousePos = p; }
    TSpectrumCursor& spectrumCursor() override { return m_cursor; }
    const TSpectrumDataPtr& spectrumData() const override { return m_data; }
    void setSpectrumData(TSpectrumDataPtr data) override {
        m_data = std::move(data);
        m_views.clear();
        m_viewIndex = -1;
    }

    void resetThreshold() override {}
    const std::string& fileName() const override { return m_fileName; }
    void setFileName(std::string value) override { m_fileName = std::move(value); }
    void popupLabelMenu(int tag, int x, int y) override { m_popups.push_back({tag, x, y}); }

private:
    void applyView(const TFloatRect& v) {
        setView(v.x1, v.x2, v.y1, v.y2);
        invalidate();
    }

    int m_width;
    int m_height;
    TSpectrumDataPtr m_data;
    std::vector<TFloatRect> m_views;
    int m_viewIndex = -1;
    int m_startCalls = 0;
    std::vector<ZoomCall> m_zoomCalls;
    int m_invalidations = 0;
    std::vector<TRect> m_invalidatedRects;
    int m_cursorId = 0;
    std::vector<Popup> m_popups;
    bool m_focused = false;
    TFloatPointRec m_mousePos;
    TCrossCursor m_cursor;
    std::string m_fileName;
};
