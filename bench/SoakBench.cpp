// A soak run, not a timing: the shared mzXML runs, the sample document, the text spectra and a
// document of one million points are opened and closed again hundreds of times in one frame,
// and the resident memory after each hundred rounds shows whether anything is kept behind.
// Run alone: velmorix_bench --benchmark_filter=BM_Soak
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/HeadlessFrame.h"
#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "files/MziFile.h"
#include "model/SpectrumData.h"

namespace {

// Resident memory of this process in MB (pages from /proc/self/statm); 0 where unreadable.
double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long long size = 0;
    long long resident = 0;
    if (!(statm >> size >> resident)) return 0.0;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// A document of n points written by the viewer's own writer (fixed seed).
QString millionPointDocument(const QTemporaryDir& folder, int n) {
    std::mt19937_64 rng(19730412);
    std::uniform_real_distribution<double> abundance(0.0, 99999.0);
    TSpectrumData data;
    const auto serie = data.series()->newSerie("observed");
    TFloatPointSortedList& points = *serie->points();
    points.setCapacity(n);
    for (int i = 0; i < n; ++i) points.add({400.0 + 0.01 * i, abundance(rng)});
    const std::string bytes = *mziFileText(data);
    const QString path = folder.filePath(QStringLiteral("million.mzi"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()))
        return {};
    return path;
}

QStringList filesIn(const QString& folder, const QStringList& patterns) {
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(patterns, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

void BM_Soak(benchmark::State& state) {
    if (!ensureOffscreenApplication()) {
        state.SkipWithError("another kind of application object exists");
        return;
    }
    const QString root = QStringLiteral(VELMORIX_SOURCE_DIR);
    const QStringList runs =
        filesIn(root + QStringLiteral("/tests/data/mzxml"), {QStringLiteral("*.mzXML")});
    const QStringList texts =
        filesIn(root + QStringLiteral("/tests/data/text"), {QStringLiteral("*.txt")});
    QStringList documents{root + QStringLiteral("/resources/sample.mzi")};
    QTemporaryDir folder;
    const QString million = millionPointDocument(folder, 1000000);
    if (runs.isEmpty() || texts.isEmpty() || million.isEmpty() ||
        !QFile::exists(documents.front())) {
        state.SkipWithError("test data missing");
        return;
    }
    documents << million;

    THeadlessFrame headless(folder.path(), "soak", {1200, 800});
    TSpectraViewerFrame& frame = headless.frame;
    const TRecordingDialogs& dialogs = headless.dialogs;

    const int rounds = static_cast<int>(state.range(0));
    // Drawn once after each open, so that the cached images and label layouts come and go too.
    const auto drawAndClose = [&frame] {
        const QPixmap picture = frame.currentSpectrum()->grab();
        benchmark::DoNotOptimize(picture.cacheKey());
        frame.manager()->setCount(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    };
    std::vector<double> resident;
    std::vector<double> trimmed;
    double openMillion = 0.0;
    for (auto _ : state) {
        for (int round = 1; round <= rounds; ++round) {
            for (const QString& run : runs) {
                if (frame.openMzXmlFile(run)) drawAndClose();
            }
            for (const QString& text : texts) {
                if (frame.importTextFile(text, 1)) drawAndClose();
            }
            for (const QString& document : documents) {
                if (!frame.loadMziFile(document)) continue;
                // With the million points in their pane: what the rounds must give back.
                if (round == 1 && document == million) openMillion = residentMegabytes();
                drawAndClose();
            }
            if (!dialogs.messages().empty()) {
                state.SkipWithError("a file was refused");
                return;
            }
            if (round == 1 || round % 100 == 0) {
                resident.push_back(residentMegabytes());
                // The C library keeps freed blocks for reuse; given back, what stays is live.
                malloc_trim(0);
                trimmed.push_back(residentMegabytes());
                std::fprintf(stderr,
                             "soak: after %4d rounds of %lld files: %.1f MB resident, %.1f MB "
                             "once the C library gives its free blocks back\n",
                             round, static_cast<long long>(runs.size() + texts.size() + 2),
                             resident.back(), trimmed.back());
            }
        }
    }
    state.counters["files_per_round"] =
        static_cast<double>(runs.size() + texts.size() + documents.size());
    state.counters["rss_MB_million_open"] = openMillion;
    for (std::size_t i = 0; i < resident.size(); ++i) {
        const std::string round = std::to_string(i == 0 ? 1 : i * 100);
        state.counters["rss_MB_round_" + round] = resident[i];
        state.counters["rss_MB_trimmed_round_" + round] = trimmed[i];
    }
    state.counters["rss_MB_growth_after_100"] = resident.back() - resident.at(1);
    state.counters["rss_MB_trimmed_growth_after_100"] = trimmed.back() - trimmed.at(1);
}

}  // namespace

BENCHMARK(BM_Soak)->Arg(300)->Iterations(1)->Unit(benchmark::kSecond);
