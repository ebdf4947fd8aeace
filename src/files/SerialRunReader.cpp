// The run whose file reads take turns.
#include "files/SerialRunReader.h"

#include <stdexcept>
#include <utility>

TSerialRunReader::TSerialRunReader(std::shared_ptr<const iRunReader> run) : m_run(std::move(run)) {
    if (!m_run) throw std::invalid_argument("TSerialRunReader: no run");
}

const std::string& TSerialRunReader::fileName() const {
    return m_run->fileName();
}

const char* TSerialRunReader::formatName() const {
    return m_run->formatName();
}

bool TSerialRunReader::indexUsed() const {
    return m_run->indexUsed();
}

const std::vector<std::string>& TSerialRunReader::messages() const {
    return m_run->messages();
}

std::string TSerialRunReader::nativeId(int index) const {
    const std::lock_guard<std::mutex> turn(m_lock);
    return m_run->nativeId(index);
}

const std::vector<TSpectrumRow>& TSerialRunReader::spectra() const {
    return m_run->spectra();
}

std::vector<TFloatPointRec> TSerialRunReader::loadSpectrum(int index) const {
    if (m_run->concurrentLoads()) return m_run->loadSpectrum(index);
    const std::lock_guard<std::mutex> turn(m_lock);
    return m_run->loadSpectrum(index);
}

bool TSerialRunReader::concurrentLoads() const {
    return m_run->concurrentLoads();
}

// Rows and run-wide statements only: nothing read from the file, no lock.
TPeakMode TSerialRunReader::peakMode(int index) const {
    return m_run->peakMode(index);
}

int TSerialRunReader::scanCount() const {
    return m_run->scanCount();
}

bool TSerialRunReader::hasRunHeader() const {
    return m_run->hasRunHeader();
}

const TRunDescription& TSerialRunReader::description() const {
    return m_run->description();
}

const std::vector<TChromatogramRow>& TSerialRunReader::chromatograms() const {
    return m_run->chromatograms();
}

std::string TSerialRunReader::chromatogramId(int index) const {
    const std::lock_guard<std::mutex> turn(m_lock);
    return m_run->chromatogramId(index);
}

std::vector<TFloatPointRec> TSerialRunReader::loadChromatogram(int index) const {
    const std::lock_guard<std::mutex> turn(m_lock);
    return m_run->loadChromatogram(index);
}
