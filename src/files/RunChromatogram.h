// The total ion current and base peak chromatograms of a run, per MS level, computed from its
// scan table where the file states the values, else from the decoded peaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "files/RunReader.h"
#include "model/FloatPoint.h"

// Where a computed chromatogram's intensities come from.
enum class TChromatogramSource : std::int8_t {
    StatedValues,  // each spectrum's total ion current and base peak intensity as the file states
    DecodedPeaks,  // the sum and the largest intensity of each spectrum's decoded peaks
};

// The two chromatograms of one MS level. Points are (retention time in seconds, intensity), one
// per spectrum of the level that has a retention time, in file order.
struct TLevelChromatograms {
    int msLevel = 0;  // 0 for the spectra that state no level
    TChromatogramSource source = TChromatogramSource::StatedValues;
    std::vector<TFloatPointRec> tic;  // summed intensity
    std::vector<TFloatPointRec> bpc;  // largest intensity
    // Spectra that could not be decoded (DecodedPeaks only): left out, each named here.
    std::vector<std::string> messages;
};

// Told how many of total spectra are decoded so far; answers false to stop. Called on the
// thread that computes.
using TChromatogramProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The MS levels of the rows, ascending.
std::vector<int> msLevelsOf(const std::vector<TSpectrumRow>& rows);

// The chromatograms of msLevel from the values the rows state; nullopt when a spectrum of that
// level (with a retention time) lacks its total ion current or base peak intensity. Cheap: reads
// no peaks.
std::optional<TLevelChromatograms> statedChromatograms(const std::vector<TSpectrumRow>& rows,
                                                       int msLevel);

// The chromatograms of msLevel from every spectrum's decoded peaks: slow for a large run, so
// meant for a worker thread (the reader's loadSpectrum must allow that: no other thread uses
// the reader meanwhile unless it says it is safe). nullopt when progress stops it.
std::optional<TLevelChromatograms> chromatogramsFromPeaks(
    const iRunReader& run, int msLevel, const TChromatogramProgress& progress = {});
// The same for each of msLevels, in that order, the spectra decoded in one pass over the run;
// progress counts the spectra of all of them.
std::optional<std::vector<TLevelChromatograms>> chromatogramsFromPeaks(
    const iRunReader& run, const std::vector<int>& msLevels,
    const TChromatogramProgress& progress = {});

// Every MS level's chromatograms, each from the stated values where they are complete, else
// from the peaks; progress counts the spectra of the levels that need decoding. nullopt when
// progress stops it.
std::optional<std::vector<TLevelChromatograms>> computeChromatograms(
    const iRunReader& run, const TChromatogramProgress& progress = {});
