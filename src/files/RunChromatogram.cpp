// Chromatograms from the scan table or from decoded peaks.
#include "files/RunChromatogram.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace {

bool inLevel(const TSpectrumRow& row, int msLevel) {
    return row.msLevel == msLevel && !std::isnan(row.retentionTime);
}

}  // namespace

std::vector<int> msLevelsOf(const std::vector<TSpectrumRow>& rows) {
    std::set<int> levels;
    for (const TSpectrumRow& row : rows) levels.insert(row.msLevel);
    return {levels.begin(), levels.end()};
}

std::optional<TLevelChromatograms> statedChromatograms(const std::vector<TSpectrumRow>& rows,
                                                       int msLevel) {
    TLevelChromatograms result;
    result.msLevel = msLevel;
    result.source = TChromatogramSource::StatedValues;
    for (const TSpectrumRow& row : rows) {
        if (!inLevel(row, msLevel)) continue;
        if (std::isnan(row.totIonCurrent) || std::isnan(row.basePeakIntensity)) return std::nullopt;
        result.tic.push_back({row.retentionTime, row.totIonCurrent});
        result.bpc.push_back({row.retentionTime, row.basePeakIntensity});
    }
    return result;
}

namespace {

// The decoding of every spectrum of the levels, the progress counted over all of them.
std::optional<std::vector<TLevelChromatograms>> fromPeaks(const iRunReader& run,
                                                          const std::vector<int>& levels,
                                                          const TChromatogramProgress& progress) {
    const std::vector<TSpectrumRow>& rows = run.spectra();
    const auto wanted = [&](const TSpectrumRow& row) {
        return std::any_of(levels.begin(), levels.end(),
                           [&](int level) { return inLevel(row, level); });
    };
    const auto total = static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), wanted));
    std::vector<TLevelChromatograms> results(levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        results[i].msLevel = levels[i];
        results[i].source = TChromatogramSource::DecodedPeaks;
    }
    std::size_t done = 0;
    if (progress && !progress(done, total)) return std::nullopt;
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const TSpectrumRow& row = rows[index];
        if (!wanted(row)) continue;
        TLevelChromatograms& result = results[static_cast<std::size_t>(
            std::find(levels.begin(), levels.end(), row.msLevel) - levels.begin())];
        try {
            double sum = 0.0;
            double largest = 0.0;
            for (const TFloatPointRec& p : run.loadSpectrum(static_cast<int>(index))) {
                sum += p.y;
                largest = std::max(largest, p.y);
            }
            result.tic.push_back({row.retentionTime, sum});
            result.bpc.push_back({row.retentionTime, largest});
        } catch (const ERunError& e) {
            // One damaged spectrum leaves a gap, not a run without chromatograms.
            result.messages.push_back(e.what());
        }
        ++done;
        if (progress && !progress(done, total)) return std::nullopt;
    }
    return results;
}

}  // namespace

std::optional<TLevelChromatograms> chromatogramsFromPeaks(const iRunReader& run, int msLevel,
                                                          const TChromatogramProgress& progress) {
    auto results = fromPeaks(run, {msLevel}, progress);
    if (!results) return std::nullopt;
    return std::move(results->front());
}

std::optional<std::vector<TLevelChromatograms>> chromatogramsFromPeaks(
    const iRunReader& run, const std::vector<int>& msLevels,
    const TChromatogramProgress& progress) {
    return fromPeaks(run, msLevels, progress);
}

std::optional<std::vector<TLevelChromatograms>> computeChromatograms(
    const iRunReader& run, const TChromatogramProgress& progress) {
    const std::vector<int> levels = msLevelsOf(run.spectra());
    std::vector<TLevelChromatograms> results;
    std::vector<int> toDecode;
    for (const int level : levels) {
        if (auto stated = statedChromatograms(run.spectra(), level))
            results.push_back(std::move(*stated));
        else
            toDecode.push_back(level);
    }
    if (!toDecode.empty()) {
        auto decoded = fromPeaks(run, toDecode, progress);
        if (!decoded) return std::nullopt;
        for (auto& result : *decoded) results.push_back(std::move(result));
        std::sort(results.begin(), results.end(),
                  [](const auto& a, const auto& b) { return a.msLevel < b.msLevel; });
    }
    return results;
}
