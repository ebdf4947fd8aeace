// Thresholds: segment arithmetic, vertex insertion, assignment and the clipboard form.
#include "model/Threshold.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "model/Clipboard.h"
#include "model/ModelErrors.h"

namespace {

// Quotient of two segment differences, with the errors a trapping FPU would raise.
double divide(double numerator, double denominator) {
    if (denominator == 0.0) {
        if (numerator == 0.0 || std::isnan(numerator))
            throw EMathError("Invalid floating point operation");
        throw EMathError("Floating point division by zero");
    }
    return numerator / denominator;
}

// The 32-bit result of a segment operation; a value beyond its range is an overflow rather
// than a silent infinity.
float toSingle(double value) {
    if (std::isnan(value)) throw EMathError("Invalid floating point operation");
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
        throw EMathError("Floating point overflow");
    return static_cast<float>(value);
}

void appendFixed3(std::string& out, double value) {
    char buf[400];  // the longest fixed double (309 digits) with sign and decimals fits
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 3);
    out.append(buf, result.ptr);
}

void putDouble(std::vector<std::uint8_t>& out, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int shift = 0; shift < 64; shift += 8)
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

double doubleAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint64_t bits = 0;
    for (std::size_t k = 0; k < 8; ++k) bits |= std::uint64_t{bytes[offset + k]} << (8 * k);
    return std::bit_cast<double>(bits);
}

constexpr std::size_t recordSize = 16;

}  // namespace

TThreshold::TThreshold() : TFloatPointSortedList(comparePointX, TDuplicates::Accept) {}

TThreshold::TThreshold(float x1, float y1, float x2, float y2) : TThreshold() {
    add({x1, y1});
    add({x2, y2});
}

void TThreshold::changed() {
    if (m_onChange) m_onChange(*this);
}

void TThreshold::setTag(int value) {
    m_tag = value;
    changed();
}

void TThreshold::setActive(bool value) {
    m_active = value;
    if (value) m_enabled = true;
    changed();
}

void TThreshold::setEnabled(bool value) {
    m_enabled = value;
    if (!value) setActive(false);
}

TFloatPointRec TThreshold::vertexAt(int index) const {
    return get(std::max(0, std::min(index, count() - 1)));
}

float TThreshold::invSlope(int index) const {
    if (index < 0 || index >= count() - 1) return 1073741824.0f;  // 2^30
    const auto& a = get(index);
    const auto& b = get(index + 1);
    return toSingle(divide(b.x - a.x, b.y - a.y));
}

float TThreshold::slope(int index) const {
    if (index < 0 || index >= count() - 1) return 0.0f;
    const auto& a = get(index);
    const auto& b = get(index + 1);
    return toSingle(divide(b.y - a.y, b.x - a.x));
}

float TThreshold::intercept(int index) const {
    // Without vertices there is no curve; 0 keeps drawing code from failing on an emptied
    // threshold.
    if (isEmpty()) return 0.0f;
    if (index < 0) return static_cast<float>(first().y);
    if (index >= count() - 1) return static_cast<float>(last().y);
    const auto& a = get(index);
    return toSingle(a.y - static_cast<double>(slope(index)) * a.x);
}

int TThreshold::segmentOf(float x) const {
    // The first vertex right of x, found by bisection (the vertices are sorted by x).
    const auto& items = points();
    const auto it = std::upper_bound(items.begin(), items.end(), static_cast<double>(x),
                                     [](double key, const TFloatPointRec& p) { return key < p.x; });
    return static_cast<int>(it - items.begin()) - 1;
}

int TThreshold::segmentClamped(float x) const {
    int segment = segmentOf(x);
    if (segment < 0) segment = 0;
    if (segment > count() - 2) --segment;
    return segment;
}

float TThreshold::yAt(int index, float x) const {
    if (isEmpty()) return 0.0f;
    if (index > count() - 2) return static_cast<float>(last().y);
    if (index < 0) return static_cast<float>(first().y);
    return toSingle(static_cast<double>(slope(index)) * static_cast<double>(x) +
                    static_cast<double>(intercept(index)));
}

float TThreshold::xAt(int index, float y) const {
    if (isEmpty()) return 0.0f;
    const int segment = std::max(0, std::min(index, count() - 2));
    try {
        const double rise = static_cast<double>(y) - static_cast<double>(intercept(segment));
        return toSingle(divide(rise, static_cast<double>(slope(segment))));
    } catch (const EMathError&) {
        return static_cast<float>(vertexAt(segment).x);
    }
}

int TThreshold::insertVertex(float x) {
    const float y = yAt(segmentOf(x), x);
    return add({x, y});
}

void TThreshold::assign(const TThreshold& source) {
    if (&source != this) {
        clear();
        m_tag = source.m_tag;
        m_active = source.m_active;
        m_enabled = source.m_enabled;
        // Appended in the source's order: vertices of equal x (a step) keep their sequence.
        for (const auto& vertex : source.points()) insert(count(), vertex);
    }
    changed();
}

TThresholdPtr TThreshold::clone() const {
    auto copy = std::make_shared<TThreshold>();
    copy->assign(*this);
    return copy;
}

std::vector<std::uint8_t> TThreshold::getClipboardBlock() const {
    std::vector<std::uint8_t> block;
    block.reserve(points().size() * recordSize);
    for (const auto& vertex : points()) {
        putDouble(block, vertex.x);
        putDouble(block, vertex.y);
    }
    return block;
}

std::string TThreshold::getClipboardText() const {
    std::string text = "THRESHOLDS: ";
    for (const auto& vertex : points()) {
        text += '(';
        appendFixed3(text, vertex.x);
        text += ", ";
        appendFixed3(text, vertex.y);
        text += ") ";
    }
    return text;
}

bool TThreshold::setClipboardBlock(std::span<const std::uint8_t> block) {
    const std::size_t n = block.size() / recordSize;
    if (n == 0) return false;
    std::vector<TFloatPointRec> vertices(n);
    for (std::size_t i = 0; i < n; ++i) {
        vertices[i] = {doubleAt(block, i * recordSize), doubleAt(block, i * recordSize + 8)};
        // Foreign data under our format name: refuse what would break the order of vertices.
        if (!std::isfinite(vertices[i].x) || !std::isfinite(vertices[i].y)) return false;
    }
    // Blocks of other programs may come in any order. Adding vertex by vertex would shift the
    // tail for each one out of order (quadratic for a descending block) and would put a vertex
    // before the equal ones already there; one stable sort keeps equal x (the two ends of a
    // vertical step) in block order, and appending the sorted vertices costs O(1) each.
    const auto before = [order = compare()](const TFloatPointRec& a, const TFloatPointRec& b) {
        return order(a, b) < 0.0;
    };
    if (!std::is_sorted(vertices.begin(), vertices.end(), before))
        std::stable_sort(vertices.begin(), vertices.end(), before);
    clear();
    setCapacity(static_cast<int>(n));
    for (const auto& vertex : vertices) insert(count(), vertex);
    return true;
}

void TThreshold::copyToClipboard(iClipboard& clipboard) const {
    clipboard.setTextAndData(getClipboardText(), thresholdClipboardFormat, getClipboardBlock());
}

bool TThreshold::pasteFromClipboard(const iClipboard& clipboard) {
    const auto block = clipboard.data(thresholdClipboardFormat);
    return block && setClipboardBlock(*block);
}
