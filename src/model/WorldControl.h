// What the label layout needs of a plot of one size: its pixel rectangle, the world/pixel
// mapping and text measuring. The plot widget implements it for the screen; a picture of
// another size has a mapping of its own.
#pragma once

#include <algorithm>
#include <string_view>

#include "model/FontEx.h"

struct TPoint {
    int x = 0;
    int y = 0;

    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Width and height in pixels.
struct TSize {
    int cx = 0;
    int cy = 0;

    friend bool operator==(const TSize&, const TSize&) = default;
};

// Device rectangle in pixels. Some owners store it with Top below Bottom (see the label
// layout); normalized() puts both pairs in order.
struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    TRect normalized() const {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
    }
    // Pixel (x, y) inside the normalized rectangle: left and top edges inside, right and
    // bottom edges outside.
    bool contains(int x, int y) const {
        const TRect r = normalized();
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    }

    friend bool operator==(const TRect&, const TRect&) = default;
};

// Rectangle in world units; as a view it holds XMin, YMin, XMax, YMax.
struct TFloatRect {
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;

    friend bool operator==(const TFloatRect&, const TFloatRect&) = default;
};

class iWorldControl {
public:
    virtual ~iWorldControl() = default;

    // (0, 0, Width, Height) of the drawing surface, pixels.
    virtual TRect clientRect() const = 0;
    // World point to pixel.
    virtual TPoint worldToDevice(double x, double y) const = 0;
    // The pixel column of the world point: worldToDevice(x, y).x, which a plot may find
    // without mapping y.
    virtual int worldToDeviceX(double x, double y) const { return worldToDevice(x, y).x; }
    // Each corner of r to world: x1 from left, y1 from top, x2 from right, y2 from bottom.
    virtual TFloatRect deviceRectToWorld(const TRect& r) const = 0;
    // The point is drawn pointing down from a zero line (a series flipped below the axis of a
    // head-to-tail plot): a label hangs under it instead of standing on it.
    virtual bool pointsDown(double, double) const { return false; }
    // Distance in pixels within which a position counts as a hit.
    virtual int pickTolerance() const = 0;

    // Size of text written in font, pixels, measured along the text (the escapement does
    // not turn the result).
    virtual TSize textExtent(std::string_view text, const TFontEx& font) const = 0;
    // A width that textExtent(text, font).cx is sure not to fall below, found without
    // measuring the text: 0 where nothing better is known.
    virtual int textWidthAtLeast(std::string_view, const TFontEx&) const { return 0; }
};
