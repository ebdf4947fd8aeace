// The view commands: full ranges, top peak, back and forward.
#include "display/ViewCommands.h"

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
