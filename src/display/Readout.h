// The read-out of one peak under the pointer: which point of which series, and its text.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "display/iSpectrum.h"
#include "model/Color.h"
#include "model/FloatPoint.h"

class TFloatPointSortedList;
class TPointListSerie;

// A snapshot of one point as the read-out shows it. The series is watched, not held: a series
// deleted meanwhile leaves the snapshot readable, and stepping from it starts afresh.
struct TReadout {
    std::weak_ptr<TPointListSerie> serie;
    int index = 0;         // of the point in the series' points when it was read
    TFloatPointRec point;  // world: m/z and intensity
    TColor color;
    std::string name;
    int decimals = 2;  // of the m/z
    // Intensity as percent of the series' highest point in the visible x range; none when
    // that point is not above zero.
    std::optional<double> percent;

    // One line, '.' as decimal separator whatever the locale:
    // "name, m/z 500.234, intensity 12345, 45.2 %".
    std::string text() const;

    friend bool operator==(const TReadout& a, const TReadout& b) {
        return a.serie.lock() == b.serie.lock() && a.index == b.index && a.point == b.point &&
               a.text() == b.text();
    }
};

// Decimals of an m/z that tell the points around index apart: the median of up to 16 steps on
// either side gives the step s, and ceil(-log10 s) decimals keep points s apart distinct;
// never fewer than 2 nor more than 6. Profile data grows its step with m/z, hence a local one.
int massDecimals(const TFloatPointSortedList& points, int index);

// The read-out of point index (valid) of serie as plot shows it.
TReadout makeReadout(const iSpectrum& plot, const std::shared_ptr<TPointListSerie>& serie,
                     int index);

// The point of any of plot's series nearest to plot pixel (px, py), measured in pixels in x
// and y, at most tolerance pixels away; a point above or below the view counts where it is
// drawn, at the plot's edge. Ties go to the earlier series. nullopt without one.
std::optional<TReadout> findReadout(const iSpectrum& plot, int px, int py, int tolerance);

// Where the read-out's marker goes: the point's pixel, held inside the plot.
TPoint readoutPixel(const iSpectrum& plot, const TReadout& readout);
