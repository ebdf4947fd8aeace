// Opening a 200 MB mzXML run (2,000 scans of 10,000 peaks) in the viewer frame, the reader and
// its pass over the rows alone, against the floors of one memchr pass over the same bytes in
// memory and through a mapping of the file.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/HeadlessFrame.h"
#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "files/MzXml.h"
#include "files/MzXmlRun.h"
#include "model/Base64.h"

namespace {

constexpr int scanCount = 2000;
constexpr int peaksPerScan = 10000;

// The peak data of one scan: m/z ascending from 200, intensities below 1e6 (fixed seed).
std::vector<std::uint8_t> peakBytes(int seed, int precision) {
    std::mt19937 rng(static_cast<std::uint32_t>(seed));
    std::uniform_real_distribution<double> intensity(0.0, 1e6);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(peaksPerScan) * precision / 4);
    const auto put = [&](double v) {
        if (precision == 64) {
            const auto bits = std::bit_cast<std::uint64_t>(v);
            for (int i = 7; i >= 0; --i)
                bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        } else {
            const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(v));
            for (int i = 3; i >= 0; --i)
                bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        }
    };
    for (int i = 0; i < peaksPerScan; ++i) {
        put(200.0 + i * 0.18 + (seed % 7) * 1e-4);
        put(intensity(rng));
    }
    return bytes;
}

std::vector<std::uint8_t> deflated(const std::vector<std::uint8_t>& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<std::uint8_t> out(size);
    compress2(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), 6);
    out.resize(size);
    return out;
}

// Writes the run once per kind into a folder that lives as long as the program; "" on failure.
// Sixteen different scans are repeated, so that writing stays quick.
QString runFile(bool zlib64) {
    static QTemporaryDir folder;
    static QString files[2];
    QString& path = files[zlib64 ? 1 : 0];
    if (!path.isEmpty()) return path;
    const int precision = zlib64 ? 64 : 32;
    std::vector<std::string> texts;
    for (int seed = 0; seed < 16; ++seed) {
        const auto bytes = peakBytes(seed, precision);
        texts.push_back(base64Encode(zlib64 ? deflated(bytes) : bytes));
    }
    const QString name = zlib64 ? QStringLiteral("run-64-zlib.mzXML") : QStringLiteral("run.mzXML");
    const QString target = folder.filePath(name);
    std::ofstream out(QFile::encodeName(target).toStdString(), std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
           "<mzXML xmlns=\"http://sashimi.sourceforge.net/schema_revision/mzXML_3.2\">\n"
           " <msRun scanCount=\""
        << scanCount << "\"\n  startTime=\"PT0S\"\n  endTime=\"PT3600S\">\n";
    for (int s = 1; s <= scanCount; ++s) {
        out << "  <scan num=\"" << s << "\"\n        scanType=\"Full\"\n        centroided=\"0\"\n"
            << "        msLevel=\"" << (s % 4 == 1 ? 1 : 2) << "\"\n        peaksCount=\""
            << peaksPerScan << "\"\n        polarity=\"+\"\n        retentionTime=\"PT" << s * 1.8
            << "S\"\n        lowMz=\"200\"\n        highMz=\"2000\"\n"
            << "        basePeakMz=\"810.415283203125\"\n        basePeakIntensity=\"1.47e06\"\n"
            << "        totIonCurrent=\"1.5245068e07\">\n    <peaks compressionType=\""
            << (zlib64 ? "zlib" : "none") << "\"\n           compressedLen=\"0\"\n"
            << "           precision=\"" << precision
            << "\"\n           byteOrder=\"network\"\n           contentType=\"m/z-int\">"
            << texts[static_cast<std::size_t>(s % 16)] << "</peaks>\n  </scan>\n";
    }
    out << " </msRun>\n</mzXML>\n";
    out.close();
    if (!out) return {};
    path = target;
    return path;
}

std::int64_t fileSize(const QString& path) {
    return QFile(path).size();
}

void openInFrame(benchmark::State& state, bool zlib64) {
    if (!ensureOffscreenApplication()) {
        state.SkipWithError("another kind of application object exists");
        return;
    }
    const QString file = runFile(zlib64);
    if (file.isEmpty()) {
        state.SkipWithError("cannot write the run");
        return;
    }
    THeadlessFrame headless(QDir::tempPath(), "bench", {1200, 800});
    TSpectraViewerFrame& frame = headless.frame;
    const TRecordingDialogs& dialogs = headless.dialogs;

    for (auto _ : state) {
        if (!frame.openMzXmlFile(file) || !dialogs.messages().empty()) {
            state.SkipWithError("the import failed");
            break;
        }
        state.PauseTiming();
        frame.manager()->setCount(0);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * fileSize(file));
}

void BM_OpenMzXml(benchmark::State& state) {
    openInFrame(state, false);
}

void BM_OpenMzXmlZlib64(benchmark::State& state) {
    openInFrame(state, true);
}

// The reader alone, without the pane.
void BM_ReadMzXml(benchmark::State& state) {
    const QString file = runFile(false);
    for (auto _ : state) {
        const c_mzXML run(QFile::encodeName(file).toStdString());
        benchmark::DoNotOptimize(run.scans().data());
    }
    state.SetBytesProcessed(state.iterations() * fileSize(file));
}

// The run reader's pass alone: every scan's row, no peak decoded.
void BM_MzXmlRows(benchmark::State& state) {
    const std::string file = QFile::encodeName(runFile(false)).toStdString();
    for (auto _ : state) {
        const TMzXmlRunReader run(file);
        benchmark::DoNotOptimize(run.spectra().data());
    }
    state.SetBytesProcessed(state.iterations() * fileSize(QFile::decodeName(file.c_str())));
}

// memchr for a byte the file does not hold, over its bytes already in memory.
void BM_FloorScanBytes(benchmark::State& state) {
    const QString path = runFile(false);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("cannot read the run");
        return;
    }
    const QByteArray bytes = file.readAll();
    for (auto _ : state)
        benchmark::DoNotOptimize(std::memchr(bytes.constData(), '\x01', bytes.size()));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

// The same through a fresh read-only mapping of the file each time.
void BM_FloorMapScan(benchmark::State& state) {
    const std::string path = QFile::encodeName(runFile(false)).toStdString();
    std::int64_t size = 0;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status {};
        ::fstat(fd, &status);
        size = status.st_size;
        void* data = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
        ::close(fd);
        if (data == MAP_FAILED) {
            state.SkipWithError("cannot map the run");
            break;
        }
        ::madvise(data, static_cast<std::size_t>(size), MADV_SEQUENTIAL);
        benchmark::DoNotOptimize(std::memchr(data, '\x01', static_cast<std::size_t>(size)));
        ::munmap(data, static_cast<std::size_t>(size));
    }
    state.SetBytesProcessed(state.iterations() * size);
}

}  // namespace

BENCHMARK(BM_OpenMzXml)->Name("BM_OpenMzXml/200MB")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenMzXmlZlib64)->Name("BM_OpenMzXmlZlib64/2000scans")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMzXml)->Name("BM_ReadMzXml/200MB")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MzXmlRows)->Name("BM_MzXmlRows/200MB")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorScanBytes)->Name("BM_FloorScanBytes/200MB")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorMapScan)->Name("BM_FloorMapScan/200MB")->Unit(benchmark::kMillisecond);
