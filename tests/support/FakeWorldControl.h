// A plot stand-in for model tests: a fixed client rectangle with a linear world/pixel mapping
// of a chosen view, fixed-width text (6 x 10 pixels per character) and a log of the text
// its repaints write.
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "model/Label.h"
#include "model/LabelSeries.h"
#include "model/WorldControl.h"

class FakeWorldControl : public iWorldControl {
public:
    static constexpr int charWidth = 6;    // pixels
    static constexpr int textHeight = 10;  // pixels

    struct TextCall {
        int x;
        int y;
        std::string text;
        TFontEx font;
    };

    // view: XMin, YMin, XMax, YMax mapped onto the whole client rectangle (larger y up).
    FakeWorldControl(TRect client, TFloatRect view) : m_client(client), m_view(view) {}

    void setView(const TFloatRect& view) { m_view = view; }

    TRect clientRect() const override { return m_client; }
    TPoint worldToDevice(double x, double y) const override {
        const double px = (x - m_view.x1) / (m_view.x2 - m_view.x1) * width();
        const double py = (m_view.y2 - y) / (m_view.y2 - m_view.y1) * height();
        return {pixel(m_client.left + px), pixel(m_client.top + py)};
    }
    TFloatRect deviceRectToWorld(const TRect& r) const override {
        return {worldX(r.left), worldY(r.top), worldX(r.right), worldY(r.bottom)};
    }
    double worldX(int px) const {
        return m_view.x1 + (m_view.x2 - m_view.x1) * (px - m_client.left) / width();
    }
    double worldY(int py) const {
        return m_view.y2 - (m_view.y2 - m_view.y1) * (py - m_client.top) / height();
    }
    int pickTolerance() const override { return 4; }

    TSize textExtent(std::string_view text, const TFontEx&) const override {
        ++measured;
        return {charWidth * static_cast<int>(text.size()), textHeight};
    }
    // The share of the true width given as the least width a text can have.
    int widthAtLeastPercent = 0;
    int textWidthAtLeast(std::string_view text, const TFontEx&) const override {
        return charWidth * static_cast<int>(text.size()) * widthAtLeastPercent / 100;
    }

    // What a repaint of the plot does with labels: their layout brought up to date, then the
    // placed texts written (logged in texts).
    void paint(TLabelList& list) {
        TPlacedLabels placed;
        list.updateLayout(*this, placed);
        write(placed);
    }
    void paint(TLabelSeries& series) { write(series.updateLayout(*this)); }
    void write(const TPlacedLabels& placed) {
        for (const TPlacedLabel& p : placed)
            texts.push_back({p.origin.x, p.origin.y, p.text, p.font});
    }

    std::vector<TextCall> texts;
    mutable int measured = 0;

private:
    // Like the plot, positions beyond the int range stay at its limits.
    static int pixel(double value) {
        constexpr double lowest = std::numeric_limits<int>::min();
        constexpr double highest = std::numeric_limits<int>::max();
        if (value <= lowest) return std::numeric_limits<int>::min();
        if (value >= highest) return std::numeric_limits<int>::max();
        return static_cast<int>(std::lround(value));
    }
    double width() const { return m_client.right - m_client.left; }
    double height() const { return m_client.bottom - m_client.top; }

    TRect m_client;
    TFloatRect m_view;
};
