// The commands that change what a plot shows as a whole: full ranges, the top peak and the
// walk through the view history. Plain C++ over iSpectrum, for tool-bar buttons, menu actions
// and keys alike.
#pragma once

#include <optional>

#include "display/iSpectrum.h"

// Each command works on the plot it was made for, starts the plot's view history first (so
// that the view before it stays reachable with back), records the view it leaves when that
// differs from the one shown, and repaints. A zone, where given, is a world rectangle with
// x1 <= x2 and y1 <= y2 that the user left standing: the full-range commands then take its
// extent instead of the data's.
class TViewCommands {
public:
    explicit TViewCommands(iSpectrum& spectrum) : m_spectrum(spectrum) {}

    // The x range of the zone, or of the current series' points with a margin; y stays.
    void fullMassRange(const std::optional<TFloatRect>& zone = std::nullopt);
    // Both ranges of the zone, or of the current series' points.
    void fullMassAndAbundanceRange(const std::optional<TFloatRect>& zone = std::nullopt);
    // The y maximum set to the highest point of the current series within the zone's x span,
    // or within the view's. Returns false, changing nothing, without a current series, without
    // a point there or when that point lies at or below the bottom of the view.
    bool topPeak(const std::optional<TFloatRect>& zone = std::nullopt);
    // The previous (next) view of the history; nothing at its end.
    void back();
    void forward();

private:
    iSpectrum& m_spectrum;
};
