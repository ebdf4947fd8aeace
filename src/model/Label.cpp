// Label lists: list operations, text layout, candidate picking and greedy placement.
#include "model/Label.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "model/ModelErrors.h"

namespace {

const std::string& textOf(const TControlLabel& label) {
    static const std::string none;
    const auto* text = dynamic_cast<const TTextLabel*>(&label);
    return text ? text->text() : none;
}

// A closed pixel interval lo..hi.
struct TSpan {
    int lo;
    int hi;
};

TSpan xSpan(const TRect& r) {
    return {std::min(r.left, r.right), std::max(r.left, r.right)};
}

// The plot limits positions far outside its window (a peak far above a deep zoom) to the
// int range; a rectangle laid out there stays at that limit rather than wrapping round to
// the other end, where it would span the whole column and catch every click in it.
int clampPixel(long long value) {
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

// The order of candidates as one integer: the total order of y (the order of
// std::strong_order, which keeps odd values such as NaN from upsetting the sort) in the high
// half, the reversed total order of x in the low half. Candidates hold single-precision
// values, whose total order is that of the same values in double precision, and the key
// holds their bits whole, so candidateOfKey gives back the very values.
std::uint32_t totalOrderBits(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

float fromTotalOrderBits(std::uint32_t key) {
    return std::bit_cast<float>((key & 0x80000000u) != 0 ? key & 0x7FFFFFFFu : ~key);
}

std::uint64_t candidateKey(float x, float y) {
    return std::uint64_t{totalOrderBits(y)} << 32 | ~totalOrderBits(x);
}

TFloatPointRec candidateOfKey(std::uint64_t key) {
    return {fromTotalOrderBits(~static_cast<std::uint32_t>(key)),
            fromTotalOrderBits(static_cast<std::uint32_t>(key >> 32))};
}

// Ascending, a byte at a time from the lowest: a long profile has tens of thousands of
// candidates in random order, where a comparison sort mispredicts half its branches. Bytes
// that all keys share (the high bytes of the intensity, mostly) take no pass.
void sortKeys(std::vector<std::uint64_t>& keys) {
    if (keys.size() < 2) return;
    std::array<std::array<std::size_t, 256>, 8> counts{};
    for (const std::uint64_t key : keys)
        for (std::size_t b = 0; b < 8; ++b) ++counts[b][(key >> (8 * b)) & 0xFF];
    std::vector<std::uint64_t> sorted(keys.size());
    for (std::size_t b = 0; b < 8; ++b) {
        auto& count = counts[b];
        if (count[(keys.front() >> (8 * b)) & 0xFF] == keys.size()) continue;
        std::size_t at = 0;
        for (auto& c : count) at += std::exchange(c, at);
        for (const std::uint64_t key : keys) sorted[count[(key >> (8 * b)) & 0xFF]++] = key;
        keys.swap(sorted);
    }
}

}  // namespace

// --- TLabelList ---------------------------------------------------------------------------

void TLabelList::placeAll(const iWorldControl& control) {
    for (const auto& label : m_items) {
        if (label->isMoved()) adoptMovedLabel(*label);
        placeLabel(control, *label);
    }
}

TFloatRect TLabelList::getLabelWorldRect(const TControlLabel& label) const {
    return label.worldRect();
}

TRect TLabelList::getLabelBounds(const TControlLabel& label) const {
    return label.bounds();
}

void TLabelList::adoptMovedLabel(TControlLabel& label) {
    label.setMoved(true);
    label.setPlacedByUser(true);
}

TControlLabelPtr TLabelList::hitTest(int x, int y) const {
    if (!m_visible) return nullptr;
    for (const auto& label : m_items)
        if (label->hitTest(x, y)) return label;
    return nullptr;
}

// --- TTextLabelList -----------------------------------------------------------------------

TTextLabelList::TTextLabelList(std::string_view name) : TLabelList(name) {
    m_movable = true;
}

TTextLabelPtr TTextLabelList::addTextLabel(std::string text, float x, float y) {
    auto label = std::make_shared<TTextLabel>(std::move(text), x, y);
    m_items.push_back(label);
    return label;
}

TTextLabelPtr TTextLabelList::textLabel(int index) const {
    return std::dynamic_pointer_cast<TTextLabel>(label(index));
}

TRect TTextLabelList::layoutBounds(const iWorldControl& control, std::string_view text,
                                   const TFloatPointRec& position) const {
    const TSize size = control.textExtent(text, m_font);
    const TPoint p = control.worldToDevice(position.x, position.y);
    const long long x = p.x;
    const long long y = p.y;
    const long long w = size.cx;
    const long long h = size.cy;
    // The text sits centred above the point. Upward text stands on it; horizontal text
    // keeps Top at the point and Bottom above it (y grows downwards), which is why its
    // bottom is where the text is written.
    const bool down = control.pointsDown(position.x, position.y);
    if (m_font.escapement == 900) {
        if (down)
            return {clampPixel(x - h / 2), clampPixel(y + 1), clampPixel(x + h / 2),
                    clampPixel(y + 1 + w)};
        return {clampPixel(x - h / 2), clampPixel(y - w), clampPixel(x + h / 2), clampPixel(y)};
    }
    // The highest peak of a fitted view stands within a text height of the top edge, where
    // its label would be cut off: such a label comes down into the plot, so that the base
    // peak's value stays readable; it keeps its x span, and with it the collisions.
    // Likewise a label of a peak near the left or right edge is moved inside. Every label
    // keeps the peak's column in its span, which placeAll relies on.
    const TRect client = control.clientRect();
    const bool inside = x >= client.left && x < client.right && y >= client.top &&
                        y < client.bottom;
    // A label hanging under its peak has its text from the pixel under the point down: Bottom
    // there and Top a text height below, so that the text clears the peak as a standing one
    // does; at the bottom edge it comes up into the plot likewise.
    if (!inside) {
        if (down)
            return {clampPixel(x - w / 2), clampPixel(y + 1 + h), clampPixel(x + w / 2),
                    clampPixel(y + 1)};
        return {clampPixel(x - w / 2), clampPixel(y), clampPixel(x + w / 2), clampPixel(y - h)};
    }
    long long left = x - w / 2;
    long long right = x + w / 2;
    long long top = down ? y + 1 + h : y;
    if (top - h < client.top) top = client.top + h;
    if (down && top > client.bottom - 1) top = client.bottom - 1;
    if (right > client.right) {
        left -= right - client.right;
        right = client.right;
    }
    if (left < client.left) {
        right += client.left - left;
        left = client.left;
    }
    return {clampPixel(left), clampPixel(top), clampPixel(right), clampPixel(top - h)};
}

TPlacedLabel TTextLabelList::placedAt(const TRect& bounds, std::string text,
                                      const TFloatPointRec& anchor) const {
    // Horizontal text keeps Bottom above Top: its bottom edge is where it is written.
    return {std::move(text), m_font, bounds, {bounds.left, bounds.bottom}, anchor, std::nullopt};
}

void TTextLabelList::placeLabel(const iWorldControl& control, TControlLabel& label) {
    const TRect bounds = layoutBounds(control, textOf(label), label.position());
    label.setNeedsPlacement(false);
    label.setBounds(bounds);
    label.setWorldRect(control.deviceRectToWorld(bounds));
}

TFloatPointRec TTextLabelList::droppedPosition(const TControlLabel& label) {
    const TFloatRect r = label.worldRect();
    return {(r.x1 + r.x2) / 2.0, std::min(r.y1, r.y2)};
}

void TTextLabelList::adoptMovedLabel(TControlLabel& label) {
    // The label tool has already set Bounds and WorldRect; the position they imply is the
    // point the text stands on, so a later layout puts the label back where it was dropped.
    label.setPosition(droppedPosition(label));
    label.setMoved(false);
    label.setNeedsPlacement(false);
    label.setPlacedByUser(true);
}

void TTextLabelList::updateLayout(const iWorldControl& control, TPlacedLabels& placed) {
    if (!m_visible) return;
    for (const auto& label : m_items) {
        if (!label->isVisible()) continue;
        if (label->isMoved()) adoptMovedLabel(*label);
        if (label->needsPlacement()) placeLabel(control, *label);
        placed.push_back(placedAt(label->bounds(), textOf(*label), label->anchor()));
        if (label->isPlacedByUser()) placed.back().leader = leaderOf(control, *label);
    }
}

void TTextLabelList::layout(const iWorldControl& control, TPlacedLabels& placed) const {
    if (!m_visible) return;
    for (const auto& label : m_items) {
        if (!label->isVisible()) continue;
        const TFloatPointRec position =
            label->isMoved() ? droppedPosition(*label) : label->position();
        const std::string& text = textOf(*label);
        placed.push_back(placedAt(layoutBounds(control, text, position), text, label->anchor()));
        if (label->isMoved() || label->isPlacedByUser())
            placed.back().leader = leaderOf(control, *label);
    }
}

TPoint TTextLabelList::leaderOf(const iWorldControl& control, const TControlLabel& label) {
    const TFloatPointRec a = label.anchor();
    return control.worldToDevice(a.x, a.y);
}

// --- TPointlistLabelList ------------------------------------------------------------------

TPointlistLabelList::TPointlistLabelList(std::string_view name, const TFloatPointSortedList& points)
    : TTextLabelList(name) {
    setPoints(points);
}

void TPointlistLabelList::setPoints(const TFloatPointSortedList& points) {
    const TFloatPointRec first = points.get(0);
    const auto& p = points.points();

    // One pass over the points. Running values are single precision, as the labels keep
    // them; a window starts at the first point beyond the previous window's limit. Each
    // candidate is kept as its sort key (see candidateKey).
    std::vector<std::uint64_t> found;
    const double windows = std::round((p.back().x - first.x) / candidateWindow) + 4.0;
    if (windows > 0.0)
        found.reserve(static_cast<std::size_t>(std::min(windows, static_cast<double>(p.size()))));
    float curX = static_cast<float>(first.x);
    float curY = static_cast<float>(first.y);
    float limit = static_cast<float>(static_cast<double>(curX) + candidateWindow);
    // The comparisons below are made in double precision, as the mixed expressions promote
    // their single-precision side; holding those sides as doubles saves the conversions.
    double curYWide = curY;
    double limitWide = limit;
    for (std::size_t i = 1; i < p.size(); ++i) {
        const TFloatPointRec& q = p[i];
        if (q.x > limitWide) {
            found.push_back(candidateKey(curX, curY));
            curX = static_cast<float>(q.x);
            curY = static_cast<float>(q.y);
            curYWide = curY;
            limit = static_cast<float>(static_cast<double>(curX) + candidateWindow);
            limitWide = limit;
        } else if (q.y > curYWide) {
            curX = static_cast<float>(q.x);
            curY = static_cast<float>(q.y);
            curYWide = curY;
        }
    }
    found.push_back(candidateKey(curX, curY));

    // Ascending by y; among equal y the larger x first, so that the layout, which walks
    // from the end, tries the lower x first. The keys compare in that order as integers.
    sortKeys(found);
    auto candidates = newFloatPointSortedList(comparePointY, TDuplicates::Accept);
    candidates->setCount(static_cast<int>(found.size()));
    for (std::size_t i = 0; i < found.size(); ++i)
        candidates->put(static_cast<int>(i), candidateOfKey(found[i]));
    m_candidates = std::move(candidates);
}

bool TPointlistLabelList::overlapsX(const TRect& a, const TRect& b) {
    const TSpan sa = xSpan(a);
    const TSpan sb = xSpan(b);
    return sa.lo <= sb.hi && sb.lo <= sa.hi;
}

bool TPointlistLabelList::isFree(const TControlLabel& label) const {
    if (m_mode != 'L') return true;
    const TRect bounds = label.bounds();
    return std::none_of(m_items.begin(), m_items.end(), [&](const TControlLabelPtr& other) {
        return overlapsX(other->bounds(), bounds);
    });
}

std::string TPointlistLabelList::labelText(double x) const {
    double value = std::nearbyint(x * m_precision) / m_precision;
    if (value == 0.0) value = 0.0;  // no "-0"
    char text[40];
    text[0] = ' ';
    const auto end =
        std::to_chars(text + 1, text + sizeof text, value, std::chars_format::general, 15).ptr;
    return std::string(text, end);
}

std::vector<TPointlistLabelList::TPick> TPointlistLabelList::pick(
    const iWorldControl& control, const std::vector<TControlLabelPtr>& userPlaced) const {
    std::vector<TPick> picks;
    const TFloatRect window = control.deviceRectToWorld(control.clientRect());

    // Greedy, most intense first. Under mode 'L' the accepted labels' x spans never meet, so
    // they are kept ordered in taken and a new span need only be checked against the one
    // that starts last at or before its right end: the same answer as isFree's scan of the
    // whole list, in logarithmic time.
    std::vector<TSpan> taken;
    const TRect client = control.clientRect();
    const bool horizontal = font().escapement != 900;
    // The first taken span starting after span's right end; span meets a taken span when the
    // one before it reaches span's left end.
    const auto after = [&taken](TSpan span) {
        return std::upper_bound(taken.begin(), taken.end(), span.hi,
                                [](int hi, const TSpan& s) { return hi < s.lo; });
    };
    const auto refused = [&taken, &after](TSpan span) {
        const auto next = after(span);
        return next != taken.begin() && std::prev(next)->hi >= span.lo;
    };
    const auto& candidates = m_candidates->points();
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        const TFloatPointRec& c = *it;
        if (!(window.x1 < c.x && c.x < window.x2)) continue;
        // A peak whose label the user placed has that label and no other.
        const TFloatPointRec anchor{static_cast<float>(c.x), static_cast<float>(c.y)};
        if (std::any_of(userPlaced.begin(), userPlaced.end(),
                        [&](const TControlLabelPtr& label) { return label->anchor() == anchor; }))
            continue;
        // Measuring is the costly part and most candidates of a full view lose. A label
        // always covers its peak's column, so a taken span over that column refuses the
        // candidate at once. A horizontal label also covers the least width its text can
        // have, centred on the column, when that lies inside the plot (a label moved in
        // from an edge still covers it: see layoutBounds); a taken span over that much
        // refuses the candidate without measuring its text either.
        const int x = m_mode == 'L' ? control.worldToDeviceX(c.x, c.y) : 0;
        if (m_mode == 'L' && refused({x, x})) continue;
        std::string text = labelText(c.x);
        if (m_mode == 'L' && horizontal) {
            const long long half = control.textWidthAtLeast(text, font()) / 2;
            if (half > 0 && x - half >= client.left && x + half <= client.right &&
                refused({static_cast<int>(x - half), static_cast<int>(x + half)}))
                continue;
        }
        const TRect bounds = layoutBounds(control, text, c);
        if (m_mode == 'L') {
            const TSpan span = xSpan(bounds);
            if (refused(span)) continue;
            taken.insert(after(span), span);
        }
        picks.push_back({std::move(text), c, bounds});
    }
    return picks;
}

std::vector<TControlLabelPtr> TPointlistLabelList::userPlacedLabels() const {
    std::vector<TControlLabelPtr> labels = m_userPlaced;
    for (const auto& label : m_items) {
        if ((label->isMoved() || label->isPlacedByUser()) &&
            std::find(labels.begin(), labels.end(), label) == labels.end())
            labels.push_back(label);
    }
    return labels;
}

bool TPointlistLabelList::inWindow(const iWorldControl& control, const TControlLabel& label) {
    const TFloatRect window = control.deviceRectToWorld(control.clientRect());
    const double x = label.anchor().x;
    return window.x1 < x && x < window.x2;
}

void TPointlistLabelList::placeAll(const iWorldControl& control) {
    for (const auto& label : m_items)
        if (label->isMoved()) adoptMovedLabel(*label);
    m_userPlaced = userPlacedLabels();
    std::vector<TPick> picks = pick(control, m_userPlaced);
    m_items.clear();
    m_items.reserve(std::max<std::size_t>(1000, picks.size()));
    for (TPick& p : picks) {
        addTextLabel(std::move(p.text), static_cast<float>(p.point.x),
                     static_cast<float>(p.point.y))
            ->setBounds(p.bounds);
    }
    for (const auto& label : m_userPlaced)
        if (inWindow(control, *label)) m_items.push_back(label);
    TLabelList::placeAll(control);
}

void TPointlistLabelList::layout(const iWorldControl& control, TPlacedLabels& placed) const {
    if (!m_visible) return;
    const std::vector<TControlLabelPtr> userPlaced = userPlacedLabels();
    for (TPick& p : pick(control, userPlaced)) {
        // As placeAll's labels are laid out again from their single-precision points.
        const TFloatPointRec point{static_cast<float>(p.point.x), static_cast<float>(p.point.y)};
        const TRect bounds = layoutBounds(control, p.text, point);
        placed.push_back(placedAt(bounds, std::move(p.text), point));
    }
    for (const auto& label : userPlaced) {
        if (!label->isVisible() || !inWindow(control, *label)) continue;
        const TFloatPointRec position =
            label->isMoved() ? droppedPosition(*label) : label->position();
        const std::string& text = textOf(*label);
        placed.push_back(placedAt(layoutBounds(control, text, position), text, label->anchor()));
        placed.back().leader = leaderOf(control, *label);
    }
}
