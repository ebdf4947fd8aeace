// Opening a .mzi document with one long series in the viewer frame, as File > Open does: read,
// make the pane, fit, label, and draw once so that the labels are laid out.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <random>
#include <string>

#include "app/HeadlessFrame.h"
#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "files/MziFile.h"
#include "model/SpectrumData.h"

namespace {

// A document whose one observed series holds n points, written once by the viewer's own
// writer into a folder that lives as long as the program: m/z from 400 in steps of 0.01,
// abundances below 100000 (fixed seed), as the parse benchmark builds its document.
QString mziDocumentFile(int n) {
    static QTemporaryDir folder;
    static std::map<int, QString> files;
    if (const auto it = files.find(n); it != files.end()) return it->second;

    std::mt19937_64 rng(19730412);
    std::uniform_real_distribution<double> abundance(0.0, 99999.0);
    TSpectrumData data;
    const auto serie = data.series()->newSerie("observed");
    serie->setStyle(TSerieStyle::Line);
    TFloatPointSortedList& points = *serie->points();
    points.setCapacity(n);
    for (int i = 0; i < n; ++i) points.add({400.0 + 0.01 * i, abundance(rng)});
    const std::string bytes = *mziFileText(data);

    const QString path = folder.filePath(QStringLiteral("points-%1.mzi").arg(n));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()))
        return {};
    return files.emplace(n, path).first->second;
}

void BM_LoadMzi(benchmark::State& state) {
    if (!ensureOffscreenApplication()) {
        state.SkipWithError("another kind of application object exists");
        return;
    }
    const QString file = mziDocumentFile(static_cast<int>(state.range(0)));
    if (file.isEmpty()) {
        state.SkipWithError("cannot write the document");
        return;
    }
    THeadlessFrame headless(QDir::tempPath(), "bench", {1200, 800});
    TSpectraViewerFrame& frame = headless.frame;
    const TRecordingDialogs& dialogs = headless.dialogs;

    for (auto _ : state) {
        if (!frame.loadMziFile(file) || !dialogs.messages().empty()) {
            state.SkipWithError("the load failed");
            break;
        }
        // The first drawing lays the labels out.
        const QPixmap picture = frame.currentSpectrum()->grab();
        benchmark::DoNotOptimize(picture.cacheKey());

        state.PauseTiming();
        frame.manager()->setCount(0);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * QFile(file).size()));
}

}  // namespace

BENCHMARK(BM_LoadMzi)->Arg(1000000)->Unit(benchmark::kMillisecond);
