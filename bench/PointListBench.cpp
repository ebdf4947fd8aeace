// Reading and writing the stored point forms, against the floors of plain from_chars/to_chars;
// pasting a threshold block and asking for the spline of unchanged points.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "model/FloatPointSortedList.h"
#include "model/Threshold.h"

namespace {

// A profile-like list: ascending m/z, abundances over six decades; fixed seed.
TFloatPointSortedList makeList(int n) {
    std::mt19937_64 rng(20261206);
    std::uniform_real_distribution<double> step(0.001, 0.02);
    std::uniform_real_distribution<double> decade(0.0, 6.0);
    TFloatPointSortedList list;
    list.setCapacity(n);
    double x = 100.0;
    for (int i = 0; i < n; ++i) {
        x += step(rng);
        list.add({x, std::pow(10.0, decade(rng))});
    }
    return list;
}

struct TSample {
    TFloatPointSortedList list;
    std::string text;
    std::string sealed;
};

const TSample& sample(int n) {
    static std::map<int, TSample> cache;
    auto it = cache.find(n);
    if (it == cache.end()) {
        TSample s{makeList(n), {}, {}};
        s.text = s.list.getAsText();
        s.sealed = s.list.getAsBase64();
        it = cache.emplace(n, std::move(s)).first;
    }
    return it->second;
}

void BM_PointTextRead(benchmark::State& state) {
    const auto& s = sample(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TFloatPointSortedList list;
        list.setAsText(s.text);
        benchmark::DoNotOptimize(list.getChecksum());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.text.size()));
}

void BM_FloorFromChars(benchmark::State& state) {
    const auto& s = sample(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::pair<double, double>> pairs;
        pairs.reserve(s.list.points().size());
        const char* p = s.text.data();
        const char* const end = p + s.text.size();
        double values[2];
        int k = 0;
        while (true) {
            while (p < end && static_cast<unsigned char>(*p) <= 32) ++p;
            if (p == end) break;
            const char* start = p;
            while (p<end&& static_cast<unsigned char>(*p)> 32) ++p;
            std::from_chars(start, p, values[k]);
            if (++k == 2) {
                pairs.emplace_back(values[0], values[1]);
                k = 0;
            }
        }
        benchmark::DoNotOptimize(pairs.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.text.size()));
}

void BM_PointTextWrite(benchmark::State& state) {
    auto& s = const_cast<TSample&>(sample(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        std::string text = s.list.textRange(0, s.list.count() - 1);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.text.size()));
}

void BM_FloorToChars(benchmark::State& state) {
    const auto& s = sample(static_cast<int>(state.range(0)));
    std::string buffer(s.text.size() + 1024, '\0');
    for (auto _ : state) {
        char* o = buffer.data();
        for (const auto& p : s.list.points()) {
            char tmp[64];
            auto r = std::to_chars(tmp, tmp + sizeof tmp, p.x, std::chars_format::fixed, 5);
            auto len = r.ptr - tmp;
            for (auto i = len; i < 16; ++i) *o++ = ' ';
            o = std::copy(tmp, r.ptr, o);
            *o++ = ' ';
            r = std::to_chars(tmp, tmp + sizeof tmp, p.y, std::chars_format::fixed, 3);
            len = r.ptr - tmp;
            for (auto i = len; i < 9; ++i) *o++ = ' ';
            o = std::copy(tmp, r.ptr, o);
            *o++ = '\n';
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.text.size()));
}

void BM_PointBase64Read(benchmark::State& state) {
    const auto& s = sample(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TFloatPointSortedList list;
        if (!list.setAsBase64(s.sealed)) state.SkipWithError("seal rejected");
        benchmark::DoNotOptimize(list.count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.sealed.size()));
}

std::int64_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::int64_t size = 0;
    std::int64_t resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

void BM_PointListMemory(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    double perPoint = 0.0;
    for (auto _ : state) {
        const std::int64_t before = residentBytes();
        TFloatPointSortedList list;
        for (int i = 0; i < n; ++i) list.add({100.0 + i * 0.001, 1.0 + (i % 977)});
        perPoint = static_cast<double>(residentBytes() - before) / n;
        benchmark::DoNotOptimize(list.count());
    }
    state.counters["bytes_per_point"] = perPoint;
}

// A clipboard block of n vertices in descending x, every tenth x doubled (a vertical step).
std::vector<std::uint8_t> descendingBlock(int n) {
    std::vector<std::uint8_t> block;
    block.reserve(static_cast<std::size_t>(n) * 16);
    auto put = [&](double value) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        for (int shift = 0; shift < 64; shift += 8)
            block.push_back(static_cast<std::uint8_t>(bits >> shift));
    };
    for (int i = n; i > 0; --i) {
        put(i - (i % 10 == 0 ? 1 : 0));
        put(i % 7);
    }
    return block;
}

void BM_ThresholdPasteDescending(benchmark::State& state) {
    const auto block = descendingBlock(static_cast<int>(state.range(0)));
    TThreshold threshold;
    for (auto _ : state) {
        if (!threshold.setClipboardBlock(block)) state.SkipWithError("block refused");
        benchmark::DoNotOptimize(threshold.count());
    }
}

// The drawing asks on every repaint whether the spline of a series can be drawn.
void BM_TrySplineUnchanged(benchmark::State& state) {
    TFloatPointSortedList list = sample(static_cast<int>(state.range(0))).list;
    list.trySpline(0.0, 0.0);
    for (auto _ : state) benchmark::DoNotOptimize(list.trySpline(0.0, 0.0));
}

void BM_TrySplineAfterChange(benchmark::State& state) {
    TFloatPointSortedList list = sample(static_cast<int>(state.range(0))).list;
    const TFloatPointRec first = list.first();
    for (auto _ : state) {
        list.put(0, first);
        benchmark::DoNotOptimize(list.trySpline(0.0, 0.0));
    }
}

}  // namespace

BENCHMARK(BM_PointTextRead)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorFromChars)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointTextWrite)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorToChars)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointBase64Read)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointListMemory)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ThresholdPasteDescending)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrySplineUnchanged)->Arg(1000000);
BENCHMARK(BM_TrySplineAfterChange)->Arg(1000000)->Unit(benchmark::kMillisecond);
