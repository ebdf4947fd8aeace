// Spectra of a retention-time range summed or averaged into one: profile spectra on a common
// m/z grid, centroid lists merged within a tolerance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/RunChromatogram.h"
#include "files/RunReader.h"
#include "model/FloatPoint.h"

enum class TSpectrumSum : std::int8_t { Sum, Average };

// Profile spectra summed on one grid of m/z from the lowest m/z of any of them to the highest,
// its step the finest of their median point spacings. Each spectrum adds its linear
// interpolation at the grid points its points span, except across a step more than three
// times the longer of its neighbouring steps (a stretch the writer left out as empty). Grid
// points no spectrum reaches are left out of the result. A grid that would pass maxPoints
// is made coarser to fit.
class TProfileSum {
public:
    static constexpr std::size_t maxPoints = 8'000'000;

    // The grid for spectra spanning lowestMz to highestMz with the finest median spacing
    // finestStep (> 0).
    TProfileSum(double lowestMz, double highestMz, double finestStep);
    // The median step between successive m/z of peaks (sorted by m/z), steps of 0 left out;
    // nullopt with fewer than two distinct m/z.
    static std::optional<double> medianStep(const std::vector<TFloatPointRec>& peaks);

    // peaks sorted by m/z.
    void add(const std::vector<TFloatPointRec>& peaks);
    // The covered grid points, (m/z, summed intensity / divisor).
    std::vector<TFloatPointRec> points(double divisor = 1.0) const;
    double step() const { return m_step; }

private:
    double m_first;
    double m_step;
    std::vector<double> m_sums;
    std::vector<bool> m_covered;
};

// Profile spectra (each sorted by m/z) summed on their common grid; see TProfileSum.
std::vector<TFloatPointRec> sumProfiles(const std::vector<std::vector<TFloatPointRec>>& spectra);
// The peaks of centroid lists merged: in m/z order, a peak joins the group before it while it
// lies within ppm of the group's intensity-weighted m/z; each group gives one peak at that m/z
// with the group's summed intensity.
std::vector<TFloatPointRec> mergeCentroids(const std::vector<std::vector<TFloatPointRec>>& spectra,
                                           double ppm);

struct TSummedSpectrum {
    std::vector<TFloatPointRec> points;
    // Centroid when every spectrum summed is a centroid list (merged), else Profile (a grid).
    TPeakMode peakMode = TPeakMode::Profile;
    TSpectrumSum how = TSpectrumSum::Sum;
    int count = 0;                    // spectra summed
    double firstRetentionTime = 0.0;  // seconds, of the first and last spectrum summed
    double lastRetentionTime = 0.0;
    // Spectra that could not be decoded: left out, each named here.
    std::vector<std::string> messages;
};

struct TSumOptions {
    TSpectrumSum how = TSpectrumSum::Sum;
    double centroidPpm = 10.0;
    int threads = 0;  // as ionChromatograms takes them
    // Decoded peaks kept between the two passes; the spectra beyond are decoded again.
    std::size_t keptPoints = 16'000'000;
};

// The spectra of msLevels whose retention time lies between fromSeconds and toSeconds (either
// order, both ends inside), summed or averaged. progress counts a first pass that decodes each
// spectrum and a second that adds them, so twice the spectra; nullopt when it stops the work.
// A range holding no spectrum gives count 0 and no points.
std::optional<TSummedSpectrum> sumSpectra(const iRunReader& run, const std::vector<int>& msLevels,
                                          double fromSeconds, double toSeconds,
                                          const TSumOptions& options = {},
                                          const TChromatogramProgress& progress = {});
