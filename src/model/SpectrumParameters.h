// The background estimator: a stepwise background curve under the points of a spectrum.
#pragma once

#include "model/FloatPointSortedList.h"

// A peak width as a function of x: width(x) = offset + width * (x / referenceX)^exponent,
// all in x units (m/z). Carried with the estimator's parameters; the estimator itself does not
// use it yet.
struct c_FWHM {
    float offset = 0.0f;
    float width = 1.0f;  // at referenceX
    float referenceX = 100.0f;
    float exponent = 1.0f;
};

// Parameters of one background computation. Source holds the measured points (sorted by x);
// Background receives the curve. Both lists are shared with their owners: typically the points
// and the threshold of a series.
class c_spectrum_parameters {
public:
    static constexpr int defaultWindow = 128;     // x units
    static constexpr int defaultLevels = 262144;  // intensity levels of the histogram

    c_spectrum_parameters(TFloatPointSortedListPtr source, TFloatPointSortedListPtr background);

    // Replaces the points of Background with the background curve of Source: per window of
    // Window x units, the most frequent intensity (quantised to MaxY / Levels). An empty or
    // missing Source gives the flat zero curve (0, 0), (2147483647, 0). Nothing happens
    // without a Background list.
    void computeBackground();
    // The background at x: linear between the curve's points, 0 farther than Window from the
    // curve or outside it.
    double backgroundAt(double x) const;

    const TFloatPointSortedListPtr& source() const { return m_source; }
    const TFloatPointSortedListPtr& background() const { return m_background; }
    int window() const { return m_window; }
    int levels() const { return m_levels; }
    const c_FWHM& fwhm() const { return m_fwhm; }

private:
    TFloatPointSortedListPtr m_source;
    TFloatPointSortedListPtr m_background;
    int m_window = defaultWindow;
    int m_levels = defaultLevels;
    c_FWHM m_fwhm;
};
