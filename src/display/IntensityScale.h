// How a pane maps intensities onto its height: the scale kinds, the fitted y window, the
// mirrored halves, and the display units the plot and its y axis share.
#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "model/PointListSerie.h"
#include "model/Range.h"

// What the y axis shows. Fractions: 1/4, 1/2, 3/4 of the height; Absolute: intensities, with
// one common power of ten for long numbers; Relative: percent of a base peak; Log: decades
// of intensity from a floor.
enum class TIntensityScale { Fractions, Absolute, Relative, Log };

// The base peak of a relative scale: the highest point in the visible m/z window, or the
// highest of the whole data.
enum class TPercentOf { View, Whole };

// A pane's intensity settings. fitY keeps y fitted to the visible maximum after every change
// of x; yFitSuspended is set by a y stretch and cleared by the next explicit fit.
struct TPlotScale {
    TIntensityScale intensity = TIntensityScale::Absolute;
    TPercentOf percentOf = TPercentOf::View;
    bool fitY = true;
    bool yFitSuspended = false;

    bool fitsY() const { return fitY && !yFitSuspended; }
    friend bool operator==(const TPlotScale&, const TPlotScale&) = default;
};

// Headroom over the highest peak of a fitted y window, as a fraction of its height: the peak
// stays below the top edge with room for its label above it in a pane of a few hundred pixels.
inline constexpr double fitHeadroom = 0.08;
// Each half of a mirror plot spans -mirrorSpan..mirrorSpan percent of its base peak.
inline constexpr double mirrorSpan = 102.0;

// The highest point of any series within x1..x2 (world m/z); none without a finite point
// there. With serie given, of that series alone.
std::optional<double> visibleMaximum(const TPointListSerieList& series, double x1, double x2);
std::optional<double> visibleMaximum(const TPointListSerie& serie, double x1, double x2);
// The highest point of every series, anywhere.
std::optional<double> wholeMaximum(const TPointListSerieList& series);
// The smallest intensity above zero within x1..x2 over every series.
std::optional<double> smallestPositive(const TPointListSerieList& series, double x1, double x2);

// The y window (min, max) that fits x1..x2: from the base line to the visible maximum with
// headroom; none when nothing visible rises above the base line.
std::optional<std::pair<double, double>> fittedY(const TPointListSerieList& series, double x1,
                                                 double x2, double baseLine);

// How intensities map to the plot's height in one paint: the y value v of a point is drawn
// at display(v) over the display range. Linear scales draw the world range itself; a log
// scale draws log10 of max(v, logFloor) over log10(logFloor)..log10(yMax); a mirrored series
// draws v * factor percent over -mirrorSpan..mirrorSpan.
struct TYMapping {
    bool log = false;
    double logFloor = 1.0;  // world intensity at the bottom of a log scale
    bool mirror = false;    // the pane holds a mirrored series: both halves in percent
    // Relative scales: the world intensity shown as 100 %; 0 when there is none.
    double percentBase = 0.0;

    // The display value of world intensity v for a series drawn with factor (1 without a
    // mirror; +-100 / base peak with one).
    double display(double v, double factor = 1.0) const;
    // The inverse, for the unmirrored series (factor 1).
    double world(double display) const;
};

// The mapping of a pane with scale over yRange: log floor at the smallest positive visible
// value / 10 (zeros clipped), percent base from the base peak in view or of the whole data.
TYMapping yMappingOf(const TPlotScale& scale, const TPointListSerieList& series,
                     const TRange& xRange, const TRange& yRange, bool mirrored);

// The display range of yRange under mapping, reversed like a plot's y range.
TRangePtr displayYRange(const TRange& yRange, const TYMapping& mapping);

// The factor of a series in a mirror plot: +100 over its base peak in x1..x2, -100 over it
// for a flipped series; 0 when it has no point above zero there.
double mirrorFactor(const TPointListSerie& serie, bool flipped, double x1, double x2);
// The factor of every series, indexed like series; flipped holds the mirrored flags, indexed
// likewise (missing ones are false).
std::vector<double> mirrorFactors(const TPointListSerieList& series,
                                  const std::vector<bool>& flipped, double x1, double x2);

// The first series with a point at (x, y), compared at single precision: labels keep their
// peaks so, and a measurement or read-out keeps the point itself. None for any other point
// (a dropped label's place, a position of the pointer).
std::optional<int> serieHolding(const TPointListSerieList& series, double x, double y);
