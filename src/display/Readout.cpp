// Finding the peak under the pointer and composing its read-out text.
#include "display/Readout.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "model/PointListSerie.h"

namespace {

void appendFixed(std::string& out, double value, int decimals) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    out.append(buffer, result.ptr);
}

// Counts as whole numbers from 1000 up; below that four significant digits, at most six
// decimals, so that 0.00123 and 12.35 both read sensibly.
void appendIntensity(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
        return;
    }
    const double magnitude = std::fabs(value);
    int decimals = 0;
    if (magnitude > 0.0 && magnitude < 1000.0)
        decimals = std::clamp(3 - static_cast<int>(std::floor(std::log10(magnitude))), 0, 6);
    appendFixed(out, value, decimals);
}

}  // namespace

std::string TReadout::text() const {
    std::string out = name;
    if (!out.empty()) out += ", ";
    out += "m/z ";
    appendFixed(out, point.x, decimals);
    out += ", intensity ";
    appendIntensity(out, point.y);
    if (percent) {
        out += ", ";
        appendFixed(out, *percent, 1);
        out += " %";
    }
    return out;
}

int massDecimals(const TFloatPointSortedList& points, int index) {
    constexpr int reach = 16;
    constexpr int fewest = 2;
    constexpr int most = 6;
    const int n = points.count();
    if (n < 2 || index < 0 || index >= n) return fewest;
    const int first = std::max(0, index - reach);
    const int last = std::min(n - 1, index + reach);
    std::vector<double> steps;
    steps.reserve(static_cast<std::size_t>(last - first));
    for (int i = first; i < last; ++i) {
        const double step = std::fabs(points.get(i + 1).x - points.get(i).x);
        // Duplicates tell nothing about the spacing.
        if (step > 0.0 && std::isfinite(step)) steps.push_back(step);
    }
    if (steps.empty()) return fewest;
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    // The slack keeps a step of 0.01 stored as 0.0099999… at two decimals.
    const double wanted = std::ceil(-std::log10(*middle) - 1e-6);
    if (!(wanted > fewest)) return fewest;
    return wanted >= most ? most : static_cast<int>(wanted);
}

TReadout makeReadout(const iSpectrum& plot, const TPointListSeriePtr& serie, int index) {
    const TFloatPointSortedList& points = *serie->points();
    TReadout r;
    r.serie = serie;
    r.index = index;
    r.point = points.get(index);
    r.color = serie->color();
    r.name = serie->name();
    r.decimals = massDecimals(points, index);
    const TFloatRect view = plot.getView();
    const double x1 = std::min(view.x1, view.x2);
    const double x2 = std::max(view.x1, view.x2);
    // The read point may lie a few pixels outside the view; it then counts as in view.
    double top = r.point.y;
    if (const auto peak = points.maxYInRange(x1, x2);
        peak && peak->x >= x1 && peak->x <= x2 && std::isfinite(peak->y))
        top = std::max(top, peak->y);
    if (top > 0.0 && std::isfinite(r.point.y)) r.percent = r.point.y / top * 100.0;
    return r;
}

TPoint readoutPixel(const iSpectrum& plot, const TReadout& readout) {
    const TPointListSeriePtr serie = readout.serie.lock();
    const TPoint p = serie ? plot.serieToDevice(*serie, readout.point.x, readout.point.y)
                           : plot.worldToDevice(readout.point.x, readout.point.y);
    return {std::clamp(p.x, 0, std::max(0, plot.width() - 1)),
            std::clamp(p.y, 0, std::max(0, plot.height() - 1))};
}

// Only the points within tolerance pixel columns are looked at, found by binary search; a
// dense profile puts many points in one column, and the nearest in y among them wins.
std::optional<TReadout> findReadout(const iSpectrum& plot, int px, int py, int tolerance) {
    const double xa = plot.deviceToWorld(px - tolerance, py).x;
    const double xb = plot.deviceToWorld(px + tolerance, py).x;
    if (!std::isfinite(xa) || !std::isfinite(xb)) return std::nullopt;
    const double x1 = std::min(xa, xb);
    const double x2 = std::max(xa, xb);
    const int bottom = std::max(0, plot.height() - 1);
    const double limit = double(tolerance) * tolerance;

    TPointListSeriePtr bestSerie;
    int bestIndex = 0;
    double bestDistance = limit;
    for (const TPointListSeriePtr& serie : *plot.series()) {
        const TFloatPointSortedList& points = *serie->points();
        if (points.isEmpty()) continue;
        const TIndexRange range = points.findRange(x1, x2);
        for (int i = range.first; i <= range.last; ++i) {
            const TFloatPointRec& p = points.get(i);
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || p.x < x1 || p.x > x2) continue;
            const TPoint at = plot.serieToDevice(*serie, p.x, p.y);
            const double dx = double(at.x) - px;
            const double dy = double(std::clamp(at.y, 0, bottom)) - py;
            const double distance = dx * dx + dy * dy;
            if (distance < bestDistance || (distance == bestDistance && !bestSerie)) {
                bestSerie = serie;
                bestIndex = i;
                bestDistance = distance;
            }
        }
    }
    if (!bestSerie) return std::nullopt;
    return makeReadout(plot, bestSerie, bestIndex);
}
