// Comparing scan tables field by field: rows hold padding, and NaN for what a file does not
// state.
#pragma once

#include <cmath>
#include <vector>

#include "files/RunReader.h"

inline bool sameValue(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

inline bool sameRow(const TSpectrumRow& a, const TSpectrumRow& b) {
    return a.offset == b.offset && sameValue(a.retentionTime, b.retentionTime) &&
           sameValue(a.precursorMz, b.precursorMz) && sameValue(a.totIonCurrent, b.totIonCurrent) &&
           sameValue(a.basePeakMz, b.basePeakMz) &&
           sameValue(a.basePeakIntensity, b.basePeakIntensity) && a.scanNumber == b.scanNumber &&
           a.msLevel == b.msLevel && a.peaksCount == b.peaksCount &&
           a.precursorCharge == b.precursorCharge && a.polarity == b.polarity &&
           a.peakMode == b.peakMode;
}

inline bool sameRows(const std::vector<TSpectrumRow>& a, const std::vector<TSpectrumRow>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!sameRow(a[i], b[i])) return false;
    return true;
}
