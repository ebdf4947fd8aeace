// A run shared between threads: every call that reads the file goes through one lock.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "files/RunReader.h"

// Wraps a reader so that one worker thread may decode spectra while another thread shows one:
// the calls that read the file (ids, spectra, chromatograms) take turns, so a reader need not
// be safe for concurrent use. The rows and the header never change once the run is open and are
// read without the lock; so are the spectra of a reader whose loads may run concurrently, so
// that several workers can decode at once while the user steps through the run. Holds the
// wrapped reader for its own lifetime.
class TSerialRunReader : public iRunReader {
public:
    explicit TSerialRunReader(std::shared_ptr<const iRunReader> run);

    const std::shared_ptr<const iRunReader>& wrapped() const { return m_run; }

    const std::string& fileName() const override;
    const char* formatName() const override;
    bool indexUsed() const override;
    const std::vector<std::string>& messages() const override;
    std::string nativeId(int index) const override;
    const std::vector<TSpectrumRow>& spectra() const override;
    std::vector<TFloatPointRec> loadSpectrum(int index) const override;
    bool concurrentLoads() const override;
    TPeakMode peakMode(int index) const override;
    int scanCount() const override;
    bool hasRunHeader() const override;
    const TRunDescription& description() const override;
    const std::vector<TChromatogramRow>& chromatograms() const override;
    std::string chromatogramId(int index) const override;
    std::vector<TFloatPointRec> loadChromatogram(int index) const override;

private:
    std::shared_ptr<const iRunReader> m_run;
    mutable std::mutex m_lock;
};
