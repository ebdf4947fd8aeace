// Intensity scales: visible maxima, the fitted y window, log and mirror display units.
#include "display/IntensityScale.h"

#include <algorithm>
#include <cmath>

namespace {

bool inWindow(double x, double x1, double x2) {
    return x >= std::min(x1, x2) && x <= std::max(x1, x2);
}

}  // namespace

std::optional<double> visibleMaximum(const TPointListSerie& serie, double x1, double x2) {
    const auto peak = serie.points()->maxYInRange(std::min(x1, x2), std::max(x1, x2));
    // The search answers with a neighbour when no point lies in the window.
    if (!peak || !inWindow(peak->x, x1, x2) || !std::isfinite(peak->y)) return std::nullopt;
    return peak->y;
}

std::optional<double> visibleMaximum(const TPointListSerieList& series, double x1, double x2) {
    std::optional<double> top;
    for (const auto& serie : series)
        if (const auto y = visibleMaximum(*serie, x1, x2)) top = std::max(top.value_or(*y), *y);
    return top;
}

std::optional<double> wholeMaximum(const TPointListSerieList& series) {
    std::optional<double> top;
    for (const auto& serie : series) {
        const TFloatPointSortedList& points = *serie->points();
        if (points.isEmpty()) continue;
        if (const auto y = visibleMaximum(*serie, points.getMinPoint().x, points.getMaxPoint().x))
            top = std::max(top.value_or(*y), *y);
    }
    return top;
}

std::optional<double> smallestPositive(const TPointListSerieList& series, double x1, double x2) {
    std::optional<double> low;
    for (const auto& serie : series) {
        const TFloatPointSortedList& points = *serie->points();
        const TIndexRange window = points.findRange(std::min(x1, x2), std::max(x1, x2));
        for (int i = std::max(window.first, 0); i <= window.last && i < points.count(); ++i) {
            const TFloatPointRec p = points.get(i);
            if (!inWindow(p.x, x1, x2) || !(p.y > 0.0) || !std::isfinite(p.y)) continue;
            low = std::min(low.value_or(p.y), p.y);
        }
    }
    return low;
}

std::optional<std::pair<double, double>> fittedY(const TPointListSerieList& series, double x1,
                                                 double x2, double baseLine) {
    const auto top = visibleMaximum(series, x1, x2);
    if (!top || !(*top > baseLine) || !std::isfinite(baseLine)) return std::nullopt;
    return std::pair{baseLine, *top + (*top - baseLine) * fitHeadroom};
}

double TYMapping::display(double v, double factor) const {
    if (mirror) return v * factor;
    if (log) return std::log10(std::max(v, logFloor));
    return v;
}

double TYMapping::world(double d) const {
    if (mirror) return d;
    if (log) return std::pow(10.0, d);
    return d;
}

TYMapping yMappingOf(const TPlotScale& scale, const TPointListSerieList& series,
                     const TRange& xRange, const TRange& yRange, bool mirrored) {
    TYMapping mapping;
    if (mirrored) {
        mapping.mirror = true;
        return mapping;
    }
    if (scale.intensity == TIntensityScale::Log) {
        mapping.log = true;
        const auto low = smallestPositive(series, xRange.min(), xRange.max());
        // Without a positive value in view the top decides: three decades under it.
        const double top = yRange.max() > 0.0 ? yRange.max() : 1.0;
        mapping.logFloor = low ? *low / 10.0 : top / 1000.0;
        if (!(mapping.logFloor < top)) mapping.logFloor = top / 10.0;
    }
    if (scale.intensity == TIntensityScale::Relative) {
        const auto base = scale.percentOf == TPercentOf::Whole
                              ? wholeMaximum(series)
                              : visibleMaximum(series, xRange.min(), xRange.max());
        if (base && *base > 0.0) mapping.percentBase = *base;
    }
    return mapping;
}

TRangePtr displayYRange(const TRange& yRange, const TYMapping& mapping) {
    TRangePtr range;
    if (mapping.mirror)
        range = newRange(-mirrorSpan, mirrorSpan);
    else if (mapping.log)
        range = newRange(std::log10(mapping.logFloor), mapping.display(yRange.max()));
    else
        range = yRange.clone();
    range->setReversed(true);
    return range;
}

double mirrorFactor(const TPointListSerie& serie, bool flipped, double x1, double x2) {
    const auto base = visibleMaximum(serie, x1, x2);
    const double scale = base && *base > 0.0 ? 100.0 / *base : 0.0;
    return flipped ? -scale : scale;
}

std::vector<double> mirrorFactors(const TPointListSerieList& series,
                                  const std::vector<bool>& flipped, double x1, double x2) {
    std::vector<double> factors;
    factors.reserve(static_cast<std::size_t>(series.count()));
    for (int i = 0; i < series.count(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        factors.push_back(
            mirrorFactor(*series.serie(i), at < flipped.size() && flipped[at], x1, x2));
    }
    return factors;
}

std::optional<int> serieHolding(const TPointListSerieList& series, double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    const auto fx = static_cast<float>(x);
    const auto fy = static_cast<float>(y);
    // Every double that rounds to fx lies within one single-precision step of it.
    const double step = std::max(std::fabs(double(fx)) * 2.4e-7, 1e-37);
    for (int s = 0; s < series.count(); ++s) {
        const TFloatPointSortedList& points = *series.serie(s)->points();
        if (points.isEmpty()) continue;
        const TIndexRange window = points.findRange(double(fx) - step, double(fx) + step);
        for (int i = std::max(window.first, 0); i <= window.last && i < points.count(); ++i) {
            const TFloatPointRec p = points.get(i);
            if (static_cast<float>(p.x) == fx && static_cast<float>(p.y) == fy) return s;
        }
    }
    return std::nullopt;
}
