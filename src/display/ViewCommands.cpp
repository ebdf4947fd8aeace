// The view commands: full ranges, top peak, back and forward, and the steps of gestures.
#include "display/ViewCommands.h"

#include <algorithm>
#include <cmath>

void TViewCommands::fullMassRange(const std::optional<TFloatRect>& zone) {
    iSpectrum& s = m_spectrum;
    s.startViewHistory();
    if (zone) {
        const TFloatRect v = s.getView();
        s.zoomTo(zone->x1, zone->x2, v.y1, v.y2);
        s.invalidate();
        return;
    }
    s.spectrumData()->fitXRange();
    s.recordView();
}

void TViewCommands::fullMassAndAbundanceRange(const std::optional<TFloatRect>& zone) {
    iSpectrum& s = m_spectrum;
    s.startViewHistory();
    if (zone) {
        s.zoomTo(zone->x1, zone->x2, zone->y1, zone->y2);
        s.invalidate();
        return;
    }
    s.resumeYFit();
    s.spectrumData()->fitXRange();
    s.spectrumData()->fitYRange();
    s.recordView();
}

bool TViewCommands::topPeak(const std::optional<TFloatRect>& zone) {
    iSpectrum& s = m_spectrum;
    const TPointListSeriePtr serie = s.series()->current();
    if (!serie) return false;
    s.startViewHistory();
    const TFloatRect view = s.getView();
    const double x1 = zone ? zone->x1 : view.x1;
    const double x2 = zone ? zone->x2 : view.x2;
    // The search answers with a neighbour when no point lies in the window.
    const auto peak = serie->points()->maxYInRange(x1, x2);
    if (!peak || !(peak->x >= x1 && peak->x <= x2)) return false;
    // A peak at or below the bottom of the window would turn the y range upside down.
    if (!(peak->y > view.y1)) return false;
    s.zoomTo(view.x1, view.x2, view.y1, peak->y);
    s.invalidate();
    return true;
}

void TViewCommands::back() {
    m_spectrum.viewBack();
}

void TViewCommands::forward() {
    m_spectrum.viewForward();
}

std::optional<std::pair<double, double>> TViewCommands::dataExtent(const iSpectrum& spectrum) {
    std::optional<std::pair<double, double>> extent;
    for (const auto& serie : *spectrum.series()) {
        const TFloatPointSortedList& points = *serie->points();
        if (points.isEmpty()) continue;
        const double first = points.getMinPoint().x;
        const double last = points.getMaxPoint().x;
        if (!std::isfinite(first) || !std::isfinite(last)) continue;
        if (!extent)
            extent.emplace(first, last);
        else
            extent = {std::min(extent->first, first), std::max(extent->second, last)};
    }
    return extent;
}

void TViewCommands::showX(double xMin, double xMax) {
    iSpectrum& s = m_spectrum;
    if (!std::isfinite(xMin) || !std::isfinite(xMax) || !(xMax > xMin)) return;
    if (xMax - xMin < minWidth) {
        const double centre = (xMin + xMax) / 2.0;
        xMin = centre - minWidth / 2.0;
        xMax = centre + minWidth / 2.0;
    }
    if (const auto extent = dataExtent(s)) {
        const double margin = std::max(extent->second - extent->first, minWidth) * extentMargin;
        const double low = extent->first - margin;
        const double high = extent->second + margin;
        const double width = std::min(xMax - xMin, high - low);
        // Moved back inside, its width kept; a window wider than the limits takes them.
        if (xMin < low) {
            xMin = low;
            xMax = low + width;
        }
        if (xMax > high) {
            xMax = high;
            xMin = high - width;
        }
    }
    const TFloatRect view = s.getView();
    if (xMin == view.x1 && xMax == view.x2) return;
    s.startViewHistory();
    s.setView(xMin, xMax, view.y1, view.y2);
    s.recordViewStep();
    s.invalidate();
}

void TViewCommands::zoomX(double factor, std::optional<double> about) {
    if (!(factor > 0.0) || !std::isfinite(factor)) return;
    const TFloatRect view = m_spectrum.getView();
    const double centre = about.value_or((view.x1 + view.x2) / 2.0);
    showX(centre - (centre - view.x1) * factor, centre + (view.x2 - centre) * factor);
}

void TViewCommands::stretchY(double factor) {
    iSpectrum& s = m_spectrum;
    if (!(factor > 0.0) || !std::isfinite(factor)) return;
    const TFloatRect view = s.getView();
    double top = view.y1 + (view.y2 - view.y1) * factor;
    // As narrow as a zoom may make it, and no narrower.
    top = std::max(top, view.y1 + 0.05);
    if (!std::isfinite(top) || top == view.y2) return;
    s.suspendYFit();
    s.startViewHistory();
    s.setView(view.x1, view.x2, view.y1, top);
    s.recordViewStep();
    s.invalidate();
}

void TViewCommands::panX(double fraction) {
    const TFloatRect view = m_spectrum.getView();
    const double shift = (view.x2 - view.x1) * fraction;
    showX(view.x1 + shift, view.x2 + shift);
}

void TViewCommands::showStart() {
    const TFloatRect view = m_spectrum.getView();
    if (const auto extent = dataExtent(m_spectrum)) {
        const double margin = std::max(extent->second - extent->first, minWidth) * extentMargin;
        showX(extent->first - margin, extent->first - margin + (view.x2 - view.x1));
    }
}

void TViewCommands::showEnd() {
    const TFloatRect view = m_spectrum.getView();
    if (const auto extent = dataExtent(m_spectrum)) {
        const double margin = std::max(extent->second - extent->first, minWidth) * extentMargin;
        showX(extent->second + margin - (view.x2 - view.x1), extent->second + margin);
    }
}
