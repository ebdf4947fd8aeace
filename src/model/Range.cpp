// Axis ranges: notification and the pixel/world conversions.
#include "model/Range.h"

#include <cmath>
#include <limits>

#include "model/Rounding.h"

namespace {

TRangeErrorHook& hookSlot() {
    static TRangeErrorHook hook;
    return hook;
}

}  // namespace

void setRangeErrorHook(TRangeErrorHook hook) {
    hookSlot() = std::move(hook);
}

const TRangeErrorHook& rangeErrorHook() {
    return hookSlot();
}

TRange::TRange(double min, double max) : TFloatPoint(min, max), m_fullMin(min), m_fullMax(max) {}

void TRange::setMin(double value) {
    m_x = value;
    changed.notify(*this);
}

void TRange::setMax(double value) {
    m_y = value;
    changed.notify(*this);
}

void TRange::setCenter(double center) {
    const double size = m_y - m_x;
    setMin(center - size / 2.0);
    // From the Min just set: a listener may have moved it.
    setMax(m_x + size);
}

double TRange::valueAt(int pixels, double pixel) const {
    if (pixels <= 1) return 0.0;
    const double last = static_cast<double>(pixels - 1);
    const double span = size();
    const double value = m_reversed ? m_y - span * pixel / last : m_x + span * pixel / last;
    if (!std::isfinite(value)) {
        if (const auto& hook = rangeErrorHook()) hook("Device To LOgic");
        return 0.0;
    }
    return value;
}

int TRange::pixelOf(int pixels, double value) const {
    const double span = size();
    if (!(span > 0.0)) return 0;
    const double t = m_reversed ? (m_y - value) / span : (value - m_x) / span;
    // In double: pixels - 1 would overflow for the lowest int.
    const double pixel = roundHalfEven(t * (static_cast<double>(pixels) - 1.0));
    if (std::isnan(pixel)) return 0;
    // Far-off values (a deep zoom) still give a position on the correct side.
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    if (pixel <= lowest) return std::numeric_limits<int>::min();
    if (pixel >= highest) return std::numeric_limits<int>::max();
    return static_cast<int>(pixel);
}

void TRange::resetToFull() {
    setMin(m_fullMin);
    setMax(m_fullMax);
}

TRangePtr TRange::clone() const {
    auto copy = newRange(m_x, m_y);
    copy->m_fullMin = m_fullMin;
    copy->m_fullMax = m_fullMax;
    copy->m_reversed = m_reversed;
    return copy;
}

void TRange::assign(const TRange& source) {
    m_x = source.m_x;
    m_y = source.m_y;
    m_fullMin = source.m_fullMin;
    m_fullMax = source.m_fullMax;
    m_reversed = source.m_reversed;
}
