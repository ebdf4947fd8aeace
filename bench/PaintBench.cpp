// Repainting large series into a 1600 x 400 image, full view and zoomed, against the floor of a
// per-column min/max over the points; and what the drawing keeps beside the points.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <vector>

#include "display/SerieDrawing.h"
#include "model/FloatPointSortedList.h"
#include "model/PointListSerie.h"
#include "model/Range.h"

namespace {

constexpr int imageWidth = 1600;
constexpr int imageHeight = 400;

// Painting needs the GUI application (offscreen: no display) before the first image.
void ensureGuiApplication() {
    static const QCoreApplication* app = [] {
        // Another benchmark may have made one (with widgets) already.
        if (QCoreApplication::instance()) return QCoreApplication::instance();
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "velmorix_bench";
        static char* argv[] = {name, nullptr};
        return static_cast<QCoreApplication*>(new QGuiApplication(argc, argv));
    }();
    (void)app;
}

// A profile: ascending m/z about 0.001 apart, the abundance a random walk near the base line
// with sharp peaks (a few points wide, up to 100 000 high) every few thousand points. Fixed
// seed; the list holds exactly n points.
TFloatPointSortedListPtr makeProfile(int n) {
    std::mt19937_64 rng(20240611);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> walk(0.0, 1.0);
    auto list = newFloatPointSortedList();
    list->setCapacity(n);
    double x = 100.0;
    double noise = 50.0;
    double peakHeight = 0.0;
    int peakLeft = 0;
    for (int i = 0; i < n; ++i) {
        x += 0.0005 + 0.001 * u(rng);
        noise = std::fabs(noise + walk(rng));
        if (peakLeft == 0 && u(rng) < 1.0 / 3000.0) {
            peakHeight = 1000.0 + 99000.0 * u(rng) * u(rng);
            peakLeft = 9;
        }
        double y = noise;
        if (peakLeft > 0) {
            const double k = peakLeft - 5;
            y += peakHeight * std::exp(-k * k / 3.0);
            --peakLeft;
        }
        list->add({x, y});
    }
    return list;
}

struct TSample {
    TPointListSerie serie;
    TFloatPointSortedListPtr points;
    double yMax = 0.0;
};

TSample& sample(int n) {
    static std::map<int, TSample> samples;
    auto it = samples.find(n);
    if (it == samples.end()) {
        TSample s;
        s.points = makeProfile(n);
        s.serie.setPoints(s.points);
        s.serie.setColor({0, 128, 0});
        for (const auto& p : s.points->points()) s.yMax = std::max(s.yMax, p.y);
        it = samples.emplace(n, std::move(s)).first;
    }
    return it->second;
}

// The plot's ranges over the image; y reversed, from just below 0 to a little above the top.
struct TView {
    TView(double x1, double x2, double yMax)
        : x(newRange(x1, x2)), y(newRange(-0.02 * yMax, 1.02 * yMax)) {
        y->setReversed(true);
        view.xRange = x.get();
        view.yRange = y.get();
        view.width = imageWidth;
        view.height = imageHeight;
    }
    TRangePtr x;
    TRangePtr y;
    TDrawView view;
};

TView fullView(const TSample& s) {
    const double lo = s.points->first().x;
    const double hi = s.points->last().x;
    const double margin = 0.02 * (hi - lo);
    return TView(lo - margin, hi + margin, s.yMax);
}

// About 2000 points from the middle of the series.
TView zoomedView(const TSample& s) {
    const int middle = s.points->count() / 2;
    return TView(s.points->get(middle).x, s.points->get(middle + 2000).x, s.yMax);
}

void paintLoop(benchmark::State& state, TSample& s, const TDrawView& view, TSerieStyle style) {
    QImage image(imageWidth, imageHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    const QPen pen(QColor(0, 128, 0), 2);  // the highlighted width
    TSerieDrawer drawer;
    auto paint = [&] {
        QPainter painter(&image);
        painter.setPen(pen);
        TPainterLineCanvas canvas(painter);
        drawer.drawSerie(canvas, view, s.serie, style);
    };
    paint();  // what the drawer keeps is built once per change of the points, not per paint
    for (auto _ : state) paint();
    benchmark::DoNotOptimize(image.constBits());
}

void BM_PaintLines(benchmark::State& state) {
    ensureGuiApplication();
    TSample& s = sample(static_cast<int>(state.range(0)));
    const TView v = fullView(s);
    paintLoop(state, s, v.view, TSerieStyle::Line);
}

void BM_PaintBars(benchmark::State& state) {
    ensureGuiApplication();
    TSample& s = sample(static_cast<int>(state.range(0)));
    const TView v = fullView(s);
    paintLoop(state, s, v.view, TSerieStyle::Bars);
}

void BM_PaintZoomed(benchmark::State& state) {
    ensureGuiApplication();
    TSample& s = sample(static_cast<int>(state.range(0)));
    const TView v = zoomedView(s);
    paintLoop(state, s, v.view, TSerieStyle::Line);
}

// The floor of a full view: each column's first point by bisection with the plot's own
// pixelOf, then the lowest and highest y of each column; nothing drawn.
void BM_FloorColumnMinMax(benchmark::State& state) {
    TSample& s = sample(static_cast<int>(state.range(0)));
    const TView v = fullView(s);
    const TRange& xr = *v.x;
    const auto& points = s.points->points();
    std::vector<std::size_t> starts(imageWidth + 1);
    std::vector<double> columnMin(imageWidth);
    std::vector<double> columnMax(imageWidth);
    for (auto _ : state) {
        for (int c = 0; c <= imageWidth; ++c) {
            const auto it = std::partition_point(points.begin(), points.end(), [&](const auto& p) {
                return xr.pixelOf(imageWidth, p.x) < c;
            });
            starts[static_cast<std::size_t>(c)] = static_cast<std::size_t>(it - points.begin());
        }
        for (std::size_t c = 0; c < imageWidth; ++c) {
            double lo = std::numeric_limits<double>::infinity();
            double hi = -lo;
            for (std::size_t i = starts[c]; i < starts[c + 1]; ++i) {
                lo = std::min(lo, points[i].y);
                hi = std::max(hi, points[i].y);
            }
            columnMin[c] = lo;
            columnMax[c] = hi;
        }
        benchmark::DoNotOptimize(columnMin.data());
        benchmark::DoNotOptimize(columnMax.data());
        benchmark::ClobberMemory();
    }
}

// Bytes per point of a drawn series: its points plus whatever the list and the drawer keep
// for drawing (second derivatives, the min/max pyramid).
void BM_PaintMemory(benchmark::State& state) {
    ensureGuiApplication();
    TSample& s = sample(static_cast<int>(state.range(0)));
    const TView v = fullView(s);
    QImage image(imageWidth, imageHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    TSerieDrawer drawer;
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setPen(QPen(QColor(0, 128, 0), 2));
        TPainterLineCanvas canvas(painter);
        drawer.drawSerie(canvas, v.view, s.serie, TSerieStyle::Line);
    }
    const auto& list = *s.points;
    const double bytes = static_cast<double>(list.points().capacity() * sizeof(TFloatPointRec) +
                                             list.secondDerivatives().capacity() * sizeof(double) +
                                             drawer.cacheBytes());
    state.counters["bytes_per_point"] = bytes / list.count();
}

}  // namespace

BENCHMARK(BM_PaintLines)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintBars)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintZoomed)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorColumnMinMax)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintMemory)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
