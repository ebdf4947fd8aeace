// The run browser on the generated ms1 run: opening it until the first rows and the chromatogram
// are in the model, and stepping to the next spectrum in its pane until that is drawn.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QEventLoop>
#include <QPixmap>

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
#include "files/Run.h"
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

const bool registered = [] {
    benchmark::RegisterBenchmark("BM_BrowserFirstRows/ms1", BM_BrowserFirstRows, std::string("ms1"))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_BrowserStep/ms1", BM_BrowserStep, std::string("ms1"))
        ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
