// An axis interval of world coordinates with its full extent, direction and change
// notification, and the conversions between pixel positions and world values.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "model/FloatPoint.h"
#include "model/Signal.h"

class TRange;
using TRangePtr = std::shared_ptr<TRange>;

// Receives the message of a conversion that failed ("Device To LOgic"); the application
// shows it in a message box. Program-wide; empty by default (the failure is then silent,
// the conversion still returns 0).
using TRangeErrorHook = std::function<void(const std::string& message)>;
void setRangeErrorHook(TRangeErrorHook hook);
const TRangeErrorHook& rangeErrorHook();

// Min and Max are the point's x and y: the inherited setX/setY/setPoint/assign change them
// without notification, setMin/setMax and everything built on them notify.
// Nothing enforces Min < Max; the conversions guard against an empty or inverted range.
class TRange : public TFloatPoint {
public:
    TRange(double min, double max);
    // Use clone() or assign(): a copy would not make clear which listeners it is to keep.
    TRange(const TRange&) = delete;
    TRange& operator=(const TRange&) = delete;

    double size() const { return m_y - m_x; }
    double min() const { return m_x; }
    void setMin(double value);
    double max() const { return m_y; }
    void setMax(double value);
    // The full extent, target of resetToFull(); set without notification.
    double fullMin() const { return m_fullMin; }
    void setFullMin(double value) { m_fullMin = value; }
    double fullMax() const { return m_fullMax; }
    void setFullMax(double value) { m_fullMax = value; }
    // Reversed: pixel 0 shows Max (y axes, whose pixel rows grow downwards).
    bool isReversed() const { return m_reversed; }
    void setReversed(bool value) { m_reversed = value; }

    double center() const { return (m_x + m_y) / 2.0; }
    // Keeps the size and centres the interval on center; notifies twice (Min, then Max).
    void setCenter(double center);

    // World value at pixel position pixel (may be fractional) of an axis of pixels pixels.
    // 0 for an axis of fewer than two pixels, and 0 with the message "Device To LOgic"
    // through the error hook when the result is not a finite number.
    double valueAt(int pixels, double pixel) const;
    // Pixel position of world value value on an axis of pixels pixels, rounded half to even;
    // values outside the interval give positions outside 0..pixels - 1 (limited to the int
    // range). 0 for an empty or inverted range or a value that is not a number.
    int pixelOf(int pixels, double value) const;

    // setMin(FullMin), then setMax(FullMax).
    void resetToFull();
    // Same bounds, full extent and direction; no listener.
    TRangePtr clone() const;
    using TFloatPoint::assign;
    // Takes bounds (without notification), full extent and direction; keeps the listeners.
    void assign(const TRange& source);

    // Raised after every setMin and setMax, with the range itself: the plot, its axis and,
    // while panes share the range, the spectra manager listen.
    TSignal<TRange&> changed;

private:
    double m_fullMin;
    double m_fullMax;
    bool m_reversed = false;
};

// Min and Max as given, the full extent equal to them, not reversed, no listener.
inline TRangePtr newRange(double min, double max) {
    return std::make_shared<TRange>(min, max);
}
