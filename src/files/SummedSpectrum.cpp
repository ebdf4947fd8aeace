// Summing spectra: the common grid of profile spectra, the merge of centroid lists, and the two
// passes over a retention-time range of a run.
#include "files/SummedSpectrum.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

#include "files/RunPass.h"

namespace {

// A grid index is taken as reached when the m/z lies within this share of a step below it, so
// that rounding does not lose a point that lies on the grid.
constexpr double onGrid = 1e-9;

bool byMz(const TFloatPointRec& a, const TFloatPointRec& b) {
    return a.x < b.x;
}

// Whether the step after peaks[i] is a stretch left out: far longer than the steps beside it.
bool isGap(const std::vector<TFloatPointRec>& peaks, std::size_t i) {
    const double step = peaks[i + 1].x - peaks[i].x;
    double beside = 0.0;
    if (i > 0) beside = peaks[i].x - peaks[i - 1].x;
    if (i + 2 < peaks.size()) beside = std::max(beside, peaks[i + 2].x - peaks[i + 1].x);
    return beside > 0.0 && step > 3.0 * beside;
}

}  // namespace

TProfileSum::TProfileSum(double lowestMz, double highestMz, double finestStep)
    : m_first(lowestMz), m_step(finestStep) {
    const double span = std::max(0.0, highestMz - lowestMz);
    if (!(m_step > 0.0) || !std::isfinite(m_step)) m_step = span > 0.0 ? span : 1.0;
    double count = std::floor(span / m_step + onGrid) + 1.0;
    if (count > static_cast<double>(maxPoints)) {
        m_step = span / static_cast<double>(maxPoints - 1);
        count = static_cast<double>(maxPoints);
    }
    m_sums.assign(static_cast<std::size_t>(count), 0.0);
    m_covered.assign(m_sums.size(), false);
}

std::optional<double> TProfileSum::medianStep(const std::vector<TFloatPointRec>& peaks) {
    std::vector<double> steps;
    steps.reserve(peaks.size());
    for (std::size_t i = 1; i < peaks.size(); ++i)
        if (const double step = peaks[i].x - peaks[i - 1].x; step > 0.0) steps.push_back(step);
    if (steps.empty()) return std::nullopt;
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}

void TProfileSum::add(const std::vector<TFloatPointRec>& peaks) {
    const auto size = static_cast<std::ptrdiff_t>(m_sums.size());
    // The first grid index at or above mz (within rounding).
    const auto indexFrom = [&](double mz) {
        const double k = std::ceil((mz - m_first) / m_step - onGrid);
        return static_cast<std::ptrdiff_t>(std::clamp(k, 0.0, static_cast<double>(size)));
    };
    const auto put = [&](std::ptrdiff_t k, double value) {
        m_sums[static_cast<std::size_t>(k)] += value;
        m_covered[static_cast<std::size_t>(k)] = true;
    };
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        const TFloatPointRec& a = peaks[i];
        const bool segmentEnds = i + 1 == peaks.size() || isGap(peaks, i);
        if (segmentEnds) {
            // A point where interpolation stops adds itself when it lies on the grid.
            const std::ptrdiff_t k = indexFrom(a.x);
            if (k < size && std::fabs(m_first + static_cast<double>(k) * m_step - a.x) <=
                                onGrid * m_step + 1e-12 * std::fabs(a.x))
                put(k, a.y);
            continue;
        }
        const TFloatPointRec& b = peaks[i + 1];
        if (!(b.x > a.x)) continue;
        const double slope = (b.y - a.y) / (b.x - a.x);
        for (std::ptrdiff_t k = indexFrom(a.x), end = indexFrom(b.x); k < end; ++k) {
            const double mz = m_first + static_cast<double>(k) * m_step;
            put(k, a.y + slope * (mz - a.x));
        }
    }
}

std::vector<TFloatPointRec> TProfileSum::points(double divisor) const {
    std::vector<TFloatPointRec> result;
    for (std::size_t k = 0; k < m_sums.size(); ++k)
        if (m_covered[k])
            result.push_back({m_first + static_cast<double>(k) * m_step, m_sums[k] / divisor});
    return result;
}

std::vector<TFloatPointRec> sumProfiles(const std::vector<std::vector<TFloatPointRec>>& spectra) {
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    double finest = lowest;
    for (const auto& peaks : spectra) {
        if (peaks.empty()) continue;
        lowest = std::min(lowest, peaks.front().x);
        highest = std::max(highest, peaks.back().x);
        if (const auto step = TProfileSum::medianStep(peaks)) finest = std::min(finest, *step);
    }
    if (!(highest >= lowest)) return {};
    TProfileSum sum(lowest, highest, finest);
    for (const auto& peaks : spectra) sum.add(peaks);
    return sum.points();
}

std::vector<TFloatPointRec> mergeCentroids(const std::vector<std::vector<TFloatPointRec>>& spectra,
                                           double ppm) {
    std::vector<TFloatPointRec> peaks;
    for (const auto& spectrum : spectra)
        peaks.insert(peaks.end(), spectrum.begin(), spectrum.end());
    std::stable_sort(peaks.begin(), peaks.end(), byMz);
    std::vector<TFloatPointRec> merged;
    double weighted = 0.0, intensity = 0.0, plain = 0.0;
    int members = 0;
    const auto centre = [&] { return intensity > 0.0 ? weighted / intensity : plain / members; };
    const auto close = [&] {
        if (members > 0) merged.push_back({centre(), intensity});
        weighted = intensity = plain = 0.0;
        members = 0;
    };
    for (const TFloatPointRec& p : peaks) {
        if (members > 0 && std::fabs(p.x - centre()) > std::fabs(centre()) * ppm * 1e-6) close();
        weighted += p.x * p.y;
        intensity += p.y;
        plain += p.x;
        ++members;
    }
    close();
    return merged;
}

std::optional<TSummedSpectrum> sumSpectra(const iRunReader& run, const std::vector<int>& msLevels,
                                          double fromSeconds, double toSeconds,
                                          const TSumOptions& options,
                                          const TChromatogramProgress& progress) {
    const double from = std::min(fromSeconds, toSeconds);
    const double to = std::max(fromSeconds, toSeconds);
    const std::vector<TSpectrumRow>& rows = run.spectra();
    std::vector<int> wanted;
    bool allCentroid = true;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TSpectrumRow& row = rows[i];
        if (!(row.retentionTime >= from && row.retentionTime <= to) ||
            std::find(msLevels.begin(), msLevels.end(), row.msLevel) == msLevels.end())
            continue;
        wanted.push_back(static_cast<int>(i));
        if (run.peakMode(static_cast<int>(i)) != TPeakMode::Centroid) allCentroid = false;
    }
    const std::size_t n = wanted.size();
    const std::size_t total = 2 * n;

    // First pass, on every thread: each spectrum decoded, measured and kept while the budget
    // lasts. Each slot writes only its own entries.
    struct TSlot {
        std::vector<TFloatPointRec> peaks;
        bool kept = false;
        bool decoded = false;
        std::optional<double> step;
        std::string failure;
    };
    std::vector<TSlot> slots(n);
    std::atomic<std::size_t> keptPoints{0};
    const auto load = [&](std::size_t slot) {
        std::vector<TFloatPointRec> peaks = run.loadSpectrum(wanted[slot]);
        if (!std::is_sorted(peaks.begin(), peaks.end(), byMz))
            std::stable_sort(peaks.begin(), peaks.end(), byMz);
        return peaks;
    };
    const bool measured = runPass(
        n, passThreads(run, options.threads),
        [&](std::size_t index) {
            TSlot& slot = slots[index];
            try {
                std::vector<TFloatPointRec> peaks = load(index);
                slot.decoded = true;
                if (peaks.empty()) return;
                slot.step = TProfileSum::medianStep(peaks);
                // The ends and the step are all the grid needs of a spectrum not kept.
                slot.peaks = {peaks.front(), peaks.back()};
                if (keptPoints.fetch_add(peaks.size()) + peaks.size() <= options.keptPoints) {
                    slot.peaks = std::move(peaks);
                    slot.kept = true;
                }
            } catch (const ERunError& e) {
                slot.failure = e.what();
            }
        },
        progress ? TChromatogramProgress(
                       [&](std::size_t done, std::size_t) { return progress(done, total); })
                 : TChromatogramProgress());
    if (!measured) return std::nullopt;

    TSummedSpectrum result;
    result.how = options.how;
    result.peakMode = n > 0 && allCentroid ? TPeakMode::Centroid : TPeakMode::Profile;
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    double finest = lowest;
    for (const TSlot& slot : slots) {
        if (slot.peaks.empty()) continue;
        lowest = std::min(lowest, slot.peaks.front().x);
        highest = std::max(highest, slot.peaks.back().x);
        if (slot.step) finest = std::min(finest, *slot.step);
    }
    std::optional<TProfileSum> grid;
    if (result.peakMode == TPeakMode::Profile && highest >= lowest)
        grid.emplace(lowest, highest, finest);
    std::vector<std::vector<TFloatPointRec>> centroids;

    // Second pass, on this thread: the spectra added in file order.
    for (std::size_t index = 0; index < n; ++index) {
        TSlot& slot = slots[index];
        if (!slot.decoded) {
            result.messages.push_back(std::move(slot.failure));
        } else {
            try {
                std::vector<TFloatPointRec> peaks =
                    slot.kept || slot.peaks.empty() ? std::move(slot.peaks) : load(index);
                slot.peaks = {};
                if (grid)
                    grid->add(peaks);
                else
                    centroids.push_back(std::move(peaks));
                const double seconds = rows[static_cast<std::size_t>(wanted[index])].retentionTime;
                if (result.count == 0) result.firstRetentionTime = seconds;
                result.lastRetentionTime = seconds;
                ++result.count;
            } catch (const ERunError& e) {
                result.messages.push_back(e.what());
            }
        }
        if (progress && !progress(n + index + 1, total)) return std::nullopt;
    }
    const double divisor =
        options.how == TSpectrumSum::Average && result.count > 0 ? result.count : 1.0;
    if (grid) {
        result.points = grid->points(divisor);
    } else if (result.peakMode == TPeakMode::Centroid) {
        result.points = mergeCentroids(centroids, options.centroidPpm);
        for (TFloatPointRec& p : result.points) p.y /= divisor;
    }
    return result;
}
