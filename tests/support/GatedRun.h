// A run for tests of work on other threads: it holds the decoding of one spectrum until the
// test opens its gate.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "files/RunReader.h"

// A run over another whose decoding of gatedIndex waits until the gate opens; every decode is
// counted. With stripStatedTraces, what its rows state of TIC and base peak intensity is taken
// away, so that a browser must decode the peaks for its traces.
class TGatedRun : public iRunReader {
public:
    explicit TGatedRun(std::shared_ptr<const iRunReader> run, int gatedIndex = -1,
                       bool stripStatedTraces = false)
        : m_run(std::move(run)), m_rows(m_run->spectra()), m_gatedIndex(gatedIndex) {
        if (!stripStatedTraces) return;
        for (TSpectrumRow& row : m_rows) {
            row.totIonCurrent = TSpectrumRow::absent;
            row.basePeakIntensity = TSpectrumRow::absent;
        }
    }
    const std::string& fileName() const override { return m_run->fileName(); }
    const char* formatName() const override { return m_run->formatName(); }
    bool indexUsed() const override { return m_run->indexUsed(); }
    const std::vector<std::string>& messages() const override { return m_run->messages(); }
    std::string nativeId(int index) const override { return m_run->nativeId(index); }
    const std::vector<TSpectrumRow>& spectra() const override { return m_rows; }
    std::vector<TFloatPointRec> loadSpectrum(int index) const override {
        if (index == m_gatedIndex) {
            std::unique_lock<std::mutex> lock(m_lock);
            m_waiting = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_open; });
        }
        ++m_decoded;
        return m_run->loadSpectrum(index);
    }
    int scanCount() const override { return m_run->scanCount(); }
    bool hasRunHeader() const override { return m_run->hasRunHeader(); }

    // Until the decoding of the gated spectrum has begun.
    void awaitGate() const {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [this] { return m_waiting; });
    }
    void openGate() const {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_open = true;
        m_changed.notify_all();
    }
    int decoded() const { return m_decoded; }

private:
    std::shared_ptr<const iRunReader> m_run;
    std::vector<TSpectrumRow> m_rows;
    int m_gatedIndex;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    mutable bool m_waiting = false;
    mutable bool m_open = false;
    mutable std::atomic<int> m_decoded{0};
};
