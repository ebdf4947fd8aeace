// The seam a whole-run reader implements: one small row per spectrum, found when the run is
// opened, and the peaks of one spectrum decoded when they are asked for. No Qt.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "model/FloatPoint.h"

// A run cannot be opened or one of its spectra cannot be decoded; what() names the file and,
// where there is one, the spectrum. Each format's reader throws its own kind of it.
class ERunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TPolarity : std::int8_t { Unknown, Positive, Negative };
// Whether the peaks are a profile or a centroid list, as the file states it.
enum class TPeakMode : std::int8_t { Unknown, Profile, Centroid };

// What a run's table shows of one spectrum, read from its start tag without decoding its peaks.
// A plain value: a run of many thousand spectra is one vector of these, nothing on the heap per
// row. Texts such as the spectrum's id are not kept; the reader reads them again from the file.
struct TSpectrumRow {
    static constexpr double absent = std::numeric_limits<double>::quiet_NaN();

    std::uint64_t offset = 0;           // of the spectrum's start tag, in bytes from the file start
    double retentionTime = absent;      // seconds
    double precursorMz = absent;        // of the first precursor
    double totIonCurrent = absent;      // as stated by the file
    double basePeakMz = absent;         // as stated by the file
    double basePeakIntensity = absent;  // as stated by the file
    std::int32_t scanNumber = 0;        // the file's number for the spectrum; 0 when it has none
    std::int32_t msLevel = 0;           // 0 when not stated
    std::int32_t peaksCount = 0;        // as stated; the decoded peaks may be fewer
    std::int8_t precursorCharge = 0;    // 0 when not stated (or beyond what a charge can be)
    TPolarity polarity = TPolarity::Unknown;
    TPeakMode peakMode = TPeakMode::Unknown;

    bool hasPrecursor() const { return !std::isnan(precursorMz); }
};
static_assert(sizeof(TSpectrumRow) <= 64, "a row must stay within one cache line");
static_assert(std::is_trivially_copyable_v<TSpectrumRow>);

// An open run. Implementations hold the file (mapped) for their lifetime; rows never change
// once the reader is made.
class iRunReader {
public:
    virtual ~iRunReader() = default;

    virtual const std::string& fileName() const = 0;
    // Every spectrum of the run, in file order.
    virtual const std::vector<TSpectrumRow>& spectra() const = 0;
    // The (m/z, intensity) pairs of spectra()[index], in file order. Throws the reader's
    // ERunError when the peak data is damaged, std::out_of_range for an index outside spectra().
    virtual std::vector<TFloatPointRec> loadSpectrum(int index) const = 0;
    // How many spectra the run's header announces; 0 without one. Files do not always tell the
    // truth here: spectra().size() is what the file holds.
    virtual int scanCount() const = 0;
    // Whether a run header came before the first spectrum.
    virtual bool hasRunHeader() const = 0;
};
