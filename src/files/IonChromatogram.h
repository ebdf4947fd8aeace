// Extracted ion chromatograms: the intensity inside m/z windows in each spectrum of a level,
// against retention time, every spectrum decoded once for all the windows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/RunChromatogram.h"
#include "files/RunReader.h"
#include "model/FloatPoint.h"

// An m/z window, both ends inside.
struct TMzWindow {
    double lo = 0.0;
    double hi = 0.0;

    // mz ± ppm parts per million of it.
    static TMzWindow aroundPpm(double mz, double ppm);
    bool contains(double mz) const { return mz >= lo && mz <= hi; }
    friend bool operator==(const TMzWindow&, const TMzWindow&) = default;
};

// The chromatogram of one window. Points are (retention time in seconds, intensity), one per
// decoded spectrum of the levels that has a retention time, in file order.
struct TIonChromatogram {
    TMzWindow window;
    std::vector<TFloatPointRec> sum;      // summed intensity of the peaks inside the window
    std::vector<TFloatPointRec> largest;  // the largest of them; 0 without any
};

struct TIonChromatograms {
    std::vector<TIonChromatogram> traces;  // one per window, in the windows' order
    // Spectra that could not be decoded: left out of every trace, each named here.
    std::vector<std::string> messages;
};

// The chromatograms of windows over the spectra of msLevels, on up to threads threads (0: one
// per core; one whatever is asked when the run's spectra cannot be decoded concurrently).
// progress counts the spectra; nullopt when it stops the work. The result does not depend on
// the number of threads.
std::optional<TIonChromatograms> ionChromatograms(const iRunReader& run,
                                                  const std::vector<TMzWindow>& windows,
                                                  const std::vector<int>& msLevels,
                                                  const TChromatogramProgress& progress = {},
                                                  int threads = 0);
