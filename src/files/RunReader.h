// The seam a whole-run reader implements: one small row per spectrum, found when the run is
// opened, and the peaks of one spectrum decoded when they are asked for. No Qt.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
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

// The user gave up the opening of a run (see TRunProgress).
class ERunCancelled : public ERunError {
public:
    using ERunError::ERunError;
};

// Told how far the opening of a run has come, from 0 to 1, now and then on the opening thread;
// returns false to give the opening up, which then throws ERunCancelled. An empty one is never
// told anything.
using TRunProgress = std::function<bool(double fraction)>;

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

// What a stored chromatogram is a trace of.
enum class TChromatogramKind : std::int8_t { Other, Tic, Bpc, Srm };

// One chromatogram the file stores, found when the run is opened; its id is read again from the
// file when asked, like a spectrum's.
struct TChromatogramRow {
    std::uint64_t offset = 0;  // of the chromatogram's start tag
    std::int32_t points = 0;   // as stated
    TChromatogramKind kind = TChromatogramKind::Other;
};

// What a run's header says of where it comes from; empty where it says nothing.
struct TRunDescription {
    std::string instrument;             // the instrument model, "LTQ FT"
    std::vector<std::string> software;  // "Xcalibur 1.1 Beta 7", in the header's order
    std::string startTime;              // as written: "2005-07-20T18:44:22Z"
};

// An open run. Implementations hold the file (mapped) for their lifetime; rows never change
// once the reader is made.
class iRunReader {
public:
    virtual ~iRunReader() = default;

    virtual const std::string& fileName() const = 0;
    // "mzML" or "mzXML".
    virtual const char* formatName() const = 0;
    // Whether the rows were found through the file's own index (checked), rather than by a pass
    // over the whole file.
    virtual bool indexUsed() const = 0;
    // What the open found that the user should know although the run could be read (an index
    // that was wrong and passed over, ...); each names the file.
    virtual const std::vector<std::string>& messages() const = 0;
    // The file's own id of spectra()[index] ("controllerType=0 controllerNumber=1 scan=5"; an
    // mzXML scan has only its number: "scan=5"), read again from the file.
    virtual std::string nativeId(int index) const = 0;
    // Every spectrum of the run, in file order.
    virtual const std::vector<TSpectrumRow>& spectra() const = 0;
    // The (m/z, intensity) pairs of spectra()[index], in file order. Throws the reader's
    // ERunError when the peak data is damaged, std::out_of_range for an index outside spectra().
    virtual std::vector<TFloatPointRec> loadSpectrum(int index) const = 0;
    // Whether loadSpectrum may run on several threads at once: true for a reader that decodes
    // from bytes that never change (a mapped file) and keeps nothing between calls. The others
    // must be called from one thread at a time.
    virtual bool concurrentLoads() const { return false; }
    // The peak mode to draw spectra()[index] with: what the spectrum states, else what the run
    // as a whole states (a processing step that centroided it). Unknown when neither says.
    virtual TPeakMode peakMode(int index) const {
        return spectra().at(static_cast<std::size_t>(index)).peakMode;
    }
    // How many spectra the run's header announces; 0 without one. Files do not always tell the
    // truth here: spectra().size() is what the file holds.
    virtual int scanCount() const = 0;
    // Whether a run header came before the first spectrum.
    virtual bool hasRunHeader() const = 0;
    // The instrument, software and start time the header names.
    virtual const TRunDescription& description() const {
        static const TRunDescription none;
        return none;
    }

    // The chromatograms the file stores, in file order; none for a format that stores none.
    virtual const std::vector<TChromatogramRow>& chromatograms() const {
        static const std::vector<TChromatogramRow> none;
        return none;
    }
    // The id of chromatograms()[index], read again from the file.
    virtual std::string chromatogramId(int index) const;
    // The (retention time in seconds, intensity) pairs of chromatograms()[index]. Throws as
    // loadSpectrum does.
    virtual std::vector<TFloatPointRec> loadChromatogram(int index) const;
};
