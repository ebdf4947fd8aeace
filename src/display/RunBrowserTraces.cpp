// The run browser's traces: TIC and BPC of a level from the values the file states, else from the
// peaks on a worker thread that reports its progress and can be stopped.
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "display/RunBrowser.h"
#include "files/RunChromatogram.h"

namespace {

// The chromatograms of several levels as one trace each, retention times in minutes.
template <class Result>
void joinLevels(const std::vector<Result>& levels, std::vector<TFloatPointRec>& tic,
                std::vector<TFloatPointRec>& bpc) {
    for (const auto& level : levels) {
        for (const TFloatPointRec& p : level.tic) tic.push_back({p.x / 60.0, p.y});
        for (const TFloatPointRec& p : level.bpc) bpc.push_back({p.x / 60.0, p.y});
    }
    const auto byTime = [](const TFloatPointRec& a, const TFloatPointRec& b) { return a.x < b.x; };
    std::stable_sort(tic.begin(), tic.end(), byTime);
    std::stable_sort(bpc.begin(), bpc.end(), byTime);
}

}  // namespace

const TRunBrowser::TLevelTraces* TRunBrowser::levelTraces() {
    const TLevelFilter filter = chromatogramLevel();
    if (const auto known = m_traces.find(filter); known != m_traces.end()) return &known->second;
    const auto& rows = run()->spectra();
    const std::vector<int> levels = levelsPassing(rows, filter);
    std::vector<TLevelChromatograms> stated;
    for (const int level : levels) {
        auto chromatograms = statedChromatograms(rows, level);
        if (!chromatograms) {
            if (m_computing != filter && !m_cancelled.count(filter)) startComputation(filter);
            return nullptr;
        }
        stated.push_back(std::move(*chromatograms));
    }
    TLevelTraces& traces = m_traces[filter];
    joinLevels(stated, traces.tic, traces.bpc);
    traces.stated = true;
    return &traces;
}

void TRunBrowser::startComputation(TLevelFilter filter) {
    stopWorker();
    m_stop = false;
    m_computing = filter;
    const int job = ++m_job;
    m_progressText->setText(
        QStringLiteral("Computing TIC and BPC of %1 from the peaks").arg(levelFilterName(filter)));
    m_progress->setRange(0, 0);
    m_progressRow->show();
    // The worker holds the run itself; this browser outlives it (stopWorker joins it), so the
    // queued calls it posts reach a live browser or are dropped with it.
    m_worker =
        std::thread([this, job, run = run(), levels = levelsPassing(run()->spectra(), filter)] {
            std::shared_ptr<TLevelTraces> traces;
            QString message;
            try {
                int lastShown = -1;
                const auto progress = [&](std::size_t done, std::size_t total) {
                    // At most a few hundred updates, the last one always.
                    const int permille = total ? static_cast<int>(done * 1000 / total) : 1000;
                    if (permille != lastShown || done == total) {
                        lastShown = permille;
                        QMetaObject::invokeMethod(
                            this,
                            [this, job, done = static_cast<int>(done),
                             total = static_cast<int>(total)] {
                                computationAdvanced(job, done, total);
                            },
                            Qt::QueuedConnection);
                    }
                    return !m_stop.load();
                };
                if (auto result = chromatogramsFromPeaks(*run, levels, progress)) {
                    traces = std::make_shared<TLevelTraces>();
                    joinLevels(*result, traces->tic, traces->bpc);
                    traces->stated = false;
                    std::size_t failures = 0;
                    std::string first;
                    for (const TLevelChromatograms& level : *result) {
                        failures += level.messages.size();
                        if (first.empty() && !level.messages.empty())
                            first = level.messages.front();
                    }
                    if (failures == 1)
                        message = QString::fromStdString(first);
                    else if (failures > 1)
                        message =
                            QStringLiteral("%1 (and %2 more spectra left out of the chromatogram)")
                                .arg(QString::fromStdString(first))
                                .arg(failures - 1);
                }
            } catch (const std::exception& e) {
                message = QString::fromUtf8(e.what());
            }
            QMetaObject::invokeMethod(
                this, [this, job, traces, message] { computationEnded(job, traces, message); },
                Qt::QueuedConnection);
        });
}

void TRunBrowser::computationAdvanced(int job, int done, int total) {
    if (job != m_job || !m_computing) return;
    m_progress->setRange(0, std::max(total, 1));
    m_progress->setValue(done);
    emit computationProgressed(done, total);
}

void TRunBrowser::computationEnded(int job, std::shared_ptr<TLevelTraces> traces,
                                   const QString& message) {
    if (job != m_job || !m_computing) return;
    const TLevelFilter filter = *m_computing;
    stopWorker();  // it has finished: this only joins it
    m_computing.reset();
    m_progressRow->hide();
    if (traces) {
        m_traces[filter] = std::move(*traces);
    } else {
        // Stopped by nothing the user did: an error, told below; not tried again by itself.
        m_cancelled.insert(filter);
    }
    if (m_trace < 2 && filter == chromatogramLevel()) buildChromatogram();
    if (!message.isEmpty()) emit messageRaised(message);
    if (traces) emit chromatogramComputed();
}

void TRunBrowser::cancelComputation() {
    if (!m_computing) return;
    m_cancelled.insert(*m_computing);
    // The worker stops after the spectrum it decodes; it is joined when the next job starts
    // or the browser goes, so that the user never waits for it here.
    m_stop = true;
    m_computing.reset();
    ++m_job;  // what the worker posted before it stopped is stale
    m_progressRow->hide();
    if (m_trace < 2) buildChromatogram();
}

void TRunBrowser::stopWorker() {
    m_stop = true;
    if (m_worker.joinable()) m_worker.join();
}
