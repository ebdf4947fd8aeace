// The threshold of a series: a piecewise-linear curve over x (vertices in ascending x) with
// segment arithmetic, a change notification and its clipboard form.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/FloatPointSortedList.h"

class iClipboard;
class TThreshold;
using TThresholdPtr = std::shared_ptr<TThreshold>;

// Name of the clipboard format of thresholds. Its block is one record per vertex in list
// order: x then y, each an IEEE 754 double, little-endian (16 bytes per vertex).
inline constexpr const char* thresholdClipboardFormat = "CF_THRESHOLD";

// Segment i joins vertices i and i + 1. The segment operations take and return 32-bit
// floats; the curve is flat left of the first and right of the last vertex.
// Slope of a vertical and inverse slope of a horizontal segment throw EMathError
// "Floating point division by zero".
class TThreshold : public TFloatPointSortedList {
public:
    using TChangeEvent = std::function<void(TThreshold& sender)>;

    // No vertices; sorted by x, equal x accepted.
    TThreshold();
    TThreshold(float x1, float y1, float x2, float y2);
    // A copy would also copy the subscriber; use clone() or assign().
    TThreshold(const TThreshold&) = delete;
    TThreshold& operator=(const TThreshold&) = delete;

    const TChangeEvent& onChange() const { return m_onChange; }
    void setOnChange(TChangeEvent handler) { m_onChange = std::move(handler); }
    // Calls the subscriber, if any.
    void changed();

    // Tag, Active and Enabled are stored for the application; Active implies Enabled.
    int tag() const { return m_tag; }
    void setTag(int value);  // notifies
    bool isActive() const { return m_active; }
    void setActive(bool value);  // true also enables; notifies
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool value);  // false also deactivates (with notification)

    // Vertex i with i clamped to 0..count() - 1; throws EListError without vertices.
    TFloatPointRec vertexAt(int index) const;
    TFloatPointRec firstVertex(int index) const { return vertexAt(index); }
    TFloatPointRec lastVertex(int index) const { return vertexAt(index); }

    // dx / dy of segment i; 2^30 outside 0..count() - 2.
    float invSlope(int index) const;
    // dy / dx of segment i; 0 outside 0..count() - 2.
    float slope(int index) const;
    // y of segment i's line at x = 0; the first vertex's y left of the curve, the last
    // vertex's y right of it.
    float intercept(int index) const;
    // Index of the last vertex with x <= x: -1 left of the first vertex (or without
    // vertices), count() - 1 at or beyond the last.
    int segmentOf(float x) const;
    // segmentOf limited to 0..count() - 2.
    int segmentClamped(float x) const;
    // Value of segment i at x (pass i = segmentOf(x)).
    float yAt(int index, float x) const;
    // The x at which segment i (limited to 0..count() - 2) reaches y. Where the segment
    // never does (a horizontal one), the x of its first vertex; 0 without vertices.
    float xAt(int index, float y) const;
    // Adds a vertex on the curve at x; returns its index.
    int insertVertex(float x);

    // The vertices, Tag, Active and Enabled of source (without notification), then one
    // notification. The subscriber stays.
    void assign(const TThreshold& source);
    // A new threshold with this one's vertices and flags and no subscriber.
    TThresholdPtr clone() const;

    // The clipboard block and its companion text: "THRESHOLDS: " followed by
    // "(x, y) " per vertex with three decimals and '.' as separator.
    std::vector<std::uint8_t> getClipboardBlock() const;
    std::string getClipboardText() const;
    // Replaces the vertices by those of a block (size div 16 records; a trailing partial
    // record is ignored). A block without a whole record, or holding a value that is not a
    // finite number, leaves the threshold as it is. Returns whether the vertices were
    // replaced. No notification.
    bool setClipboardBlock(std::span<const std::uint8_t> block);
    // Puts the text and the block on the clipboard in one operation.
    void copyToClipboard(iClipboard& clipboard) const;
    // Reads the block from the clipboard; without one nothing changes.
    bool pasteFromClipboard(const iClipboard& clipboard);

private:
    int m_tag = 0;
    bool m_active = false;
    bool m_enabled = false;
    TChangeEvent m_onChange;
};

inline TThresholdPtr newThreshold(float x1, float y1, float x2, float y2) {
    return std::make_shared<TThreshold>(x1, y1, x2, y2);
}
// The threshold series start with: flat at y = 10 from x = 0 to x = 100.
inline TThresholdPtr newDefaultThreshold() {
    return newThreshold(0.0f, 10.0f, 100.0f, 10.0f);
}
