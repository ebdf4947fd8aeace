// Peak labels: picking the candidates of a long profile, and the greedy layout after a zoom.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "model/Label.h"
#include "model/WorldControl.h"

namespace {

// A profile: Gaussian peaks on noise, x every 0.01 from 100; fixed seed.
const TFloatPointSortedList& profile(int n) {
    static std::map<int, TFloatPointSortedList> cache;
    auto it = cache.find(n);
    if (it != cache.end()) return it->second;

    std::mt19937_64 rng(20261207);
    const double step = 0.01;
    std::vector<double> y(static_cast<std::size_t>(n));
    std::uniform_real_distribution<double> noise(0.0, 2.0);
    for (auto& v : y) v = noise(rng);
    std::uniform_real_distribution<double> centre(0.0, n * step);
    std::uniform_real_distribution<double> width(0.02, 0.1);
    std::uniform_real_distribution<double> decade(1.0, 5.0);
    for (int peak = 0; peak < n / 500; ++peak) {
        const double c = centre(rng);
        const double sigma = width(rng);
        const double height = std::pow(10.0, decade(rng));
        const int lo = std::max(0, static_cast<int>((c - 5 * sigma) / step));
        const int hi = std::min(n - 1, static_cast<int>((c + 5 * sigma) / step) + 1);
        for (int i = lo; i <= hi; ++i) {
            const double d = (i * step - c) / sigma;
            y[static_cast<std::size_t>(i)] += height * std::exp(-0.5 * d * d);
        }
    }
    TFloatPointSortedList list;
    list.setCapacity(n);
    for (int i = 0; i < n; ++i) list.add({100.0 + i * step, y[static_cast<std::size_t>(i)]});
    return cache.emplace(n, std::move(list)).first->second;
}

// A plot of fixed size: linear mapping of a view, text 6 x 10 pixels per character.
class TBenchPlot : public iWorldControl {
public:
    TBenchPlot(TRect client, TFloatRect view) : m_client(client), m_view(view) {}
    TRect clientRect() const override { return m_client; }
    TPoint worldToDevice(double x, double y) const override {
        return {static_cast<int>(std::lround((x - m_view.x1) * sx())),
                static_cast<int>(std::lround((m_view.y2 - y) * sy()))};
    }
    TFloatRect deviceRectToWorld(const TRect& r) const override {
        return {m_view.x1 + r.left / sx(), m_view.y2 - r.top / sy(), m_view.x1 + r.right / sx(),
                m_view.y2 - r.bottom / sy()};
    }
    int pickTolerance() const override { return 4; }
    TSize textExtent(std::string_view text, const TFontEx&) const override {
        return {6 * static_cast<int>(text.size()), 10};
    }

private:
    double sx() const { return (m_client.right - m_client.left) / (m_view.x2 - m_view.x1); }
    double sy() const { return (m_client.bottom - m_client.top) / (m_view.y2 - m_view.y1); }

    TRect m_client;
    TFloatRect m_view;
};

void BM_LabelCandidates(benchmark::State& state) {
    const auto& points = profile(static_cast<int>(state.range(0)));
    TPointlistLabelList list("Custom Labels", points);
    for (auto _ : state) {
        list.setPoints(points);
        benchmark::DoNotOptimize(list.candidates()->count());
    }
    state.counters["candidates"] = list.candidates()->count();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PlaceAll(benchmark::State& state) {
    // Points 0.25 apart: each is a candidate of its own.
    const int n = static_cast<int>(state.range(0));
    std::mt19937_64 rng(20261208);
    std::uniform_real_distribution<double> intensity(1.0, 1000.0);
    TFloatPointSortedList points;
    points.setCapacity(n);
    for (int i = 0; i < n; ++i) points.add({100.0 + 0.25 * i, intensity(rng)});
    TPointlistLabelList list("Custom Labels", points);
    TBenchPlot plot({0, 0, 1600, 400}, {99.0, 0.0, 100.0 + 0.25 * n, 1100.0});
    for (auto _ : state) {
        list.placeAll(plot);
        benchmark::DoNotOptimize(list.count());
    }
    state.counters["labels"] = list.count();
    state.SetItemsProcessed(state.iterations() * n);
}

}  // namespace

BENCHMARK(BM_LabelCandidates)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaceAll)->Arg(10000)->Unit(benchmark::kMillisecond);
