// The run browser on the generated ms1 run: opening it until the first rows and the chromatogram
// are in the model, stepping to the next spectrum in its pane until that is drawn, and one
// extracted ion chromatogram over every MS1 spectrum.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QEventLoop>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "BenchRuns.h"
#include "app/HeadlessFrame.h"
#include "app/HeadlessServices.h"
#include "app/SpectraViewerFrame.h"
#include "display/RunBrowser.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "files/IonChromatogram.h"
#include "files/Run.h"
#include "files/SerialRunReader.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

namespace {

// A chromatogram computed from the peaks arrives from the browser's worker thread.
void waitForChromatogram(const TRunBrowser& browser) {
    while (browser.isComputing()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void BM_BrowserFirstRows(benchmark::State& state, const std::string& name) {
    if (!ensureOffscreenApplication())
        return state.SkipWithError("another kind of application object exists");
    std::string error;
    const auto path = benchRunPath(name, error);
    if (!path) return state.SkipWithError(error.c_str());
    int rows = 0;
    std::size_t tracePoints = 0;
    for (auto _ : state) {
        std::unique_ptr<TRunBrowser> browser;
        try {
            browser = std::make_unique<TRunBrowser>(openRun(*path));
        } catch (const std::exception& e) {
            return state.SkipWithError(e.what());
        }
        waitForChromatogram(*browser);
        rows = browser->model()->rowCount();
        tracePoints = browser->chromatogram()->series()->serie(0)->points()->points().size();
        benchmark::DoNotOptimize(rows);
        state.PauseTiming();
        browser.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    state.counters["trace_points"] = static_cast<double>(tracePoints);
}

void BM_BrowserStep(benchmark::State& state, const std::string& name) {
    if (!ensureOffscreenApplication())
        return state.SkipWithError("another kind of application object exists");
    std::string error;
    const auto path = benchRunPath(name, error);
    if (!path) return state.SkipWithError(error.c_str());
    // The frame of a maximised window on a laptop screen; the dock stays hidden, so that only
    // the pane is drawn.
    THeadlessFrame headless(QDir::tempPath(), "bench", {1600, 900});
    TSpectraViewerFrame& frame = headless.frame;
    frame.setDockPlacement([](QDockWidget*) {});
    if (!frame.openRunBrowser(QString::fromStdString(*path)) || frame.runBrowsers().empty())
        return state.SkipWithError("the run did not open");
    TRunBrowser* browser = frame.runBrowsers().front();
    TSpectrumContainer* pane = frame.browserPane(browser);
    if (!pane || !browser->currentSpectrum()) return state.SkipWithError("no spectrum is shown");
    // The worker would compete for the file and the cores.
    waitForChromatogram(*browser);
    QCoreApplication::processEvents();

    const int first = *browser->currentSpectrum();
    int current = first;
    std::size_t points = 0;
    for (auto _ : state) {
        current = browser->steppedSpectrum(current, 1).value_or(first);
        if (!frame.showRunSpectrum(browser, current, false) || !headless.dialogs.messages().empty())
            return state.SkipWithError("the spectrum could not be shown");
        browser->setCurrentSpectrum(current);
        const QPixmap picture = pane->spectrum()->grab();
        benchmark::DoNotOptimize(picture.cacheKey());
        points = pane->spectrum()->series()->serie(0)->points()->points().size();
    }
    state.counters["points"] = static_cast<double>(points);
    state.counters["width"] = pane->spectrum()->width();
    state.counters["height"] = pane->spectrum()->height();
}

// A 20 ppm window around the first MS1 spectrum's base peak, over the run shared as the browser
// shares it; threads 0: one per core.
void BM_BrowserXic(benchmark::State& state, const std::string& name, int threads) {
    std::string error;
    const auto path = benchRunPath(name, error);
    if (!path) return state.SkipWithError(error.c_str());
    std::shared_ptr<const iRunReader> run;
    try {
        run = std::make_shared<TSerialRunReader>(openRun(*path));
    } catch (const std::exception& e) {
        return state.SkipWithError(e.what());
    }
    const auto& rows = run->spectra();
    const auto ms1 = std::find_if(rows.begin(), rows.end(),
                                  [](const TSpectrumRow& row) { return row.msLevel == 1; });
    if (ms1 == rows.end() || std::isnan(ms1->basePeakMz))
        return state.SkipWithError("the run has no MS1 spectrum with a base peak");
    const TMzWindow window = TMzWindow::aroundPpm(ms1->basePeakMz, 20.0);
    std::size_t points = 0;
    for (auto _ : state) {
        const auto xic = ionChromatograms(*run, {window}, {1}, {}, threads);
        if (!xic || !xic->messages.empty()) return state.SkipWithError("the XIC failed");
        points = xic->traces.front().sum.size();
        benchmark::DoNotOptimize(xic->traces.front().sum.data());
    }
    state.counters["spectra"] = static_cast<double>(points);
}

const bool registered = [] {
    benchmark::RegisterBenchmark("BM_BrowserFirstRows/ms1", BM_BrowserFirstRows, std::string("ms1"))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_BrowserStep/ms1", BM_BrowserStep, std::string("ms1"))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_BrowserXic/ms1", BM_BrowserXic, std::string("ms1"), 0)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_BrowserXic/ms1/one-thread", BM_BrowserXic, std::string("ms1"),
                                 1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    return true;
}();

}  // namespace
