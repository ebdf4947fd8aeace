// The commands that change what a plot shows as a whole: full ranges, the top peak and the
// walk through the view history. Plain C++ over iSpectrum, for tool-bar buttons, menu actions
// and keys alike.
#pragma once

#include <optional>
#include <utility>

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
    // Both ranges of the zone, or of the current series' points; without a zone the plot's
    // y fit resumes.
    void fullMassAndAbundanceRange(const std::optional<TFloatRect>& zone = std::nullopt);
    // The y maximum set to the highest point of the current series within the zone's x span,
    // or within the view's. Returns false, changing nothing, without a current series, without
    // a point there or when that point lies at or below the bottom of the view.
    bool topPeak(const std::optional<TFloatRect>& zone = std::nullopt);
    // The previous (next) view of the history; nothing at its end.
    void back();
    void forward();

    // --- steps of a gesture (wheel turns, pinches, keys held down) -------------------------
    // Each moves the view and joins the running gesture's one history entry (see
    // iSpectrum::recordViewStep), and repaints. x never becomes narrower than minWidth nor
    // reaches beyond the data's extent plus extentMargin of its width on either side.
    static constexpr double minWidth = 0.01;
    static constexpr double extentMargin = 0.02;

    // x zoomed by factor (below 1 zooms in) about the m/z about, which stays where it is on
    // the plot; about the window's centre without one.
    void zoomX(double factor, std::optional<double> about = std::nullopt);
    // The top of y moved so that the span above the bottom is factor times what it was
    // (below 1 magnifies); the bottom stays. Suspends the plot's y fit.
    void stretchY(double factor);
    // x moved by fraction of its width, towards higher m/z for a positive one.
    void panX(double fraction);
    // x moved, its width kept, to the start (end) of the data.
    void showStart();
    void showEnd();

    // The x extent of every series' points; nullopt without a point.
    static std::optional<std::pair<double, double>> dataExtent(const iSpectrum& spectrum);

    // x shown from xMin to xMax, held to the limits above (a window that reaches beyond them
    // is moved back, its width kept when it can be).
    void showX(double xMin, double xMax);

private:
    iSpectrum& m_spectrum;
};
