// Extracted ion chromatograms from decoded peaks.
#include "files/IonChromatogram.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "files/RunPass.h"

TMzWindow TMzWindow::aroundPpm(double mz, double ppm) {
    const double half = std::fabs(mz) * std::fabs(ppm) * 1e-6;
    return {mz - half, mz + half};
}

namespace {

// The sum and the largest intensity inside each window, for peaks in any order; sorted peaks
// (the common case) are searched rather than passed over once per window.
void measureWindows(const std::vector<TFloatPointRec>& peaks, const std::vector<TMzWindow>& windows,
                    double* sums, double* largest) {
    const auto byMz = [](const TFloatPointRec& a, const TFloatPointRec& b) { return a.x < b.x; };
    const bool sorted = std::is_sorted(peaks.begin(), peaks.end(), byMz);
    for (std::size_t w = 0; w < windows.size(); ++w) {
        const TMzWindow& window = windows[w];
        double sum = 0.0;
        double top = 0.0;
        const auto take = [&](const TFloatPointRec& p) {
            sum += p.y;
            top = std::max(top, p.y);
        };
        if (sorted) {
            auto p =
                std::lower_bound(peaks.begin(), peaks.end(), TFloatPointRec{window.lo, 0.0}, byMz);
            for (; p != peaks.end() && p->x <= window.hi; ++p) take(*p);
        } else {
            for (const TFloatPointRec& p : peaks)
                if (window.contains(p.x)) take(p);
        }
        sums[w] = sum;
        largest[w] = top;
    }
}

}  // namespace

std::optional<TIonChromatograms> ionChromatograms(const iRunReader& run,
                                                  const std::vector<TMzWindow>& windows,
                                                  const std::vector<int>& msLevels,
                                                  const TChromatogramProgress& progress,
                                                  int threads) {
    const std::vector<TSpectrumRow>& rows = run.spectra();
    std::vector<int> wanted;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TSpectrumRow& row = rows[i];
        if (!std::isnan(row.retentionTime) &&
            std::find(msLevels.begin(), msLevels.end(), row.msLevel) != msLevels.end())
            wanted.push_back(static_cast<int>(i));
    }
    // Each slot writes only its own entries: no lock between the threads.
    const std::size_t n = wanted.size();
    const std::size_t w = windows.size();
    std::vector<double> sums(n * w);
    std::vector<double> largest(n * w);
    std::vector<std::string> failures(n);
    std::vector<char> decoded(n, 0);
    const bool finished = runPass(
        n, passThreads(run, threads),
        [&](std::size_t slot) {
            try {
                const std::vector<TFloatPointRec> peaks = run.loadSpectrum(wanted[slot]);
                measureWindows(peaks, windows, sums.data() + slot * w, largest.data() + slot * w);
                decoded[slot] = 1;
            } catch (const ERunError& e) {
                // One damaged spectrum leaves a gap, not a run without chromatograms.
                failures[slot] = e.what();
            }
        },
        progress);
    if (!finished) return std::nullopt;

    TIonChromatograms result;
    result.traces.resize(w);
    for (std::size_t k = 0; k < w; ++k) {
        result.traces[k].window = windows[k];
        result.traces[k].sum.reserve(n);
        result.traces[k].largest.reserve(n);
    }
    for (std::size_t slot = 0; slot < n; ++slot) {
        if (!decoded[slot]) {
            result.messages.push_back(std::move(failures[slot]));
            continue;
        }
        const double seconds = rows[static_cast<std::size_t>(wanted[slot])].retentionTime;
        for (std::size_t k = 0; k < w; ++k) {
            result.traces[k].sum.push_back({seconds, sums[slot * w + k]});
            result.traces[k].largest.push_back({seconds, largest[slot * w + k]});
        }
    }
    return result;
}
