// Importing a text spectrum file of x<TAB>y lines, to set beside BM_PointTextRead per byte.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "files/TextSpectrum.h"

namespace {

// A temporary folder for the run, removed at exit.
class TBenchFolder {
public:
    TBenchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmorix-bench-XXXXXX");
        if (mkdtemp(pattern.data())) m_path = pattern;
    }
    ~TBenchFolder() {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

void appendFixed(std::string& out, double value, int decimals) {
    char buffer[64];
    const auto r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    out.append(buffer, r.ptr);
}

// A profile-like spectrum of n lines: ascending m/z with 5 decimals, a tab, abundances over six
// decades with 3 decimals; fixed seed. Written once per size; returns its path and size.
struct TTextFile {
    std::string path;
    std::int64_t bytes = 0;
};

const TTextFile& textFile(int n) {
    static TBenchFolder folder;
    static std::map<int, TTextFile> files;
    auto it = files.find(n);
    if (it != files.end()) return it->second;
    std::mt19937_64 rng(20261206);
    std::uniform_real_distribution<double> step(0.001, 0.02);
    std::uniform_real_distribution<double> decade(0.0, 6.0);
    std::string text;
    text.reserve(static_cast<std::size_t>(n) * 24);
    double x = 100.0;
    for (int i = 0; i < n; ++i) {
        x += step(rng);
        appendFixed(text, x, 5);
        text += '\t';
        appendFixed(text, std::pow(10.0, decade(rng)), 3);
        text += '\n';
    }
    TTextFile file{(folder.path() / ("spectrum" + std::to_string(n) + ".txt")).string(),
                   static_cast<std::int64_t>(text.size())};
    std::ofstream(file.path, std::ios::binary) << text;
    return files.emplace(n, file).first->second;
}

void BM_TextImport(benchmark::State& state) {
    const TTextFile& file = textFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const TFloatPointSortedListPtr points =
            importTextSpectrum(file.path, TTextLayout::FirstTwoNumbers);
        benchmark::DoNotOptimize(points->count());
    }
    state.SetBytesProcessed(state.iterations() * file.bytes);
}

}  // namespace

BENCHMARK(BM_TextImport)->Arg(1000000)->Unit(benchmark::kMillisecond);
