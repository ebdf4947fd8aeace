// The background estimator over a large profile spectrum.
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <random>

#include "model/FloatPointSortedList.h"
#include "model/SpectrumParameters.h"

namespace {

// A profile-like spectrum: ascending m/z from 100 with steps of 0.001..0.02, a noise floor
// around 1000 and a peak of up to 10^6 every few hundred points; fixed seed.
TFloatPointSortedListPtr makeProfile(int n) {
    std::mt19937_64 rng(20261206);
    std::uniform_real_distribution<double> step(0.001, 0.02);
    std::normal_distribution<double> noise(1000.0, 300.0);
    std::uniform_real_distribution<double> decade(3.0, 6.0);
    std::uniform_int_distribution<int> peakEvery(0, 400);
    auto list = newFloatPointSortedList();
    list->setCapacity(n);
    double x = 100.0;
    for (int i = 0; i < n; ++i) {
        x += step(rng);
        const double y = peakEvery(rng) == 0 ? std::pow(10.0, decade(rng)) : std::fabs(noise(rng));
        list->add({x, y});
    }
    return list;
}

const TFloatPointSortedListPtr& profile(int n) {
    static std::map<int, TFloatPointSortedListPtr> cache;
    auto it = cache.find(n);
    if (it == cache.end()) it = cache.emplace(n, makeProfile(n)).first;
    return it->second;
}

void BM_ComputeBackground(benchmark::State& state) {
    const auto& source = profile(static_cast<int>(state.range(0)));
    auto background = newFloatPointSortedList();
    c_spectrum_parameters parameters(source, background);
    for (auto _ : state) {
        parameters.computeBackground();
        benchmark::DoNotOptimize(background->count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ComputeBackground)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
