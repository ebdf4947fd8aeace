// The background estimator: a windowed histogram mode over the points of a spectrum.
#include "model/SpectrumParameters.h"

#include <cmath>
#include <utility>
#include <vector>

c_spectrum_parameters::c_spectrum_parameters(TFloatPointSortedListPtr source,
                                             TFloatPointSortedListPtr background)
    : m_source(std::move(source)), m_background(std::move(background)) {}

// The x axis is cut into windows of m_window units, the first starting at the first point.
// In each window the intensities are quantised to maxY / m_levels and the most frequent
// non-zero level wins (the highest one among equal counts); that level is placed at the
// window's centre. Windows are closed by the first point beyond them, one window per point,
// and an unfinished last window is not evaluated: the last level is carried on instead.
//
// The histogram has m_levels + 1 counters, but a window holds far fewer points than that:
// only the counters a window touched are searched and reset, so that the cost follows the
// number of points, not the number of windows times the number of levels.
void c_spectrum_parameters::computeBackground() {
    if (!m_background) return;
    TFloatPointSortedList& background = *m_background;
    background.clear();
    // The corners of the old curve no longer apply.
    background.setMinPoint(std::nullopt);
    background.setMaxPoint(std::nullopt);

    if (!m_source || m_source->isEmpty()) {
        background.add({0.0, 0.0});
        background.add({2147483647.0, 0.0});
        return;
    }

    const std::vector<TFloatPointRec>& points = m_source->points();
    const double maxY = m_source->getMaxPoint().y;
    const double levels = m_levels;
    const double window = m_window;
    const double halfWindow = window / 2.0;
    // Quantising divides by maxY: without a positive maximum no point has a positive level.
    const bool counting = maxY > 0.0;
    auto levelOf = [&](int mode) { return mode == 0 ? 0.0 : mode * maxY / levels; };

    std::vector<int> histogram(static_cast<std::size_t>(m_levels) + 1, 0);
    std::vector<int> touched;                                 // indices of the non-zero counters
    double edge = std::nearbyint(points.front().x + window);  // halves to even
    int mode = 0;

    for (const TFloatPointRec& p : points) {
        if (p.x > edge) {
            mode = 0;
            int best = 0;
            for (const int level : touched) {
                int& counter = histogram[static_cast<std::size_t>(level)];
                if (counter > best || (counter == best && level > mode)) {
                    best = counter;
                    mode = level;
                }
                counter = 0;
            }
            touched.clear();
            background.add({edge - halfWindow, levelOf(mode)});
            edge += window;
        }
        if (counting) {
            const double b = std::nearbyint(p.y * levels / maxY);
            // A level above m_levels comes from a point above a stale maximum (the source's
            // cached corner): it is not counted rather than written past the histogram.
            if (b > 0.0 && b <= levels) {
                const auto level = static_cast<int>(b);
                if (histogram[static_cast<std::size_t>(level)]++ == 0) touched.push_back(level);
            }
        }
    }

    if (background.isEmpty()) return;
    const double lastLevel = levelOf(mode);
    background.add({points.front().x, background.first().y});
    background.add({edge - halfWindow, lastLevel});
    if (points.back().x > edge - halfWindow) background.add({edge + halfWindow, lastLevel});
}

double c_spectrum_parameters::backgroundAt(double x) const {
    if (!m_background) return 0.0;
    // Positions are asked for at single precision.
    return m_background->interpolateY(static_cast<float>(x), m_window);
}
