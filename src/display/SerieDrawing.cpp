// Series and threshold drawing.
//
// A series is reduced per pixel column: the column of a point is xRange.pixelOf(width, x); each
// run of consecutive points on one column becomes its entry point (the first), its exit point
// (the last) and the vertical extent of its points together with the base line. Bars draw the
// extent as one stick; a line joins the previous column's exit to this column's entry, draws
// the extent and moves to the exit.
//
// pixelOf rounds a monotone function of x, so for points sorted by x over a range that is not
// reversed the columns are consecutive runs: the end of a run is found by galloping and
// bisection with that same pixelOf, which gives exactly the columns of a point-by-point walk.
// The same holds for y, so the extent of a run follows from its lowest and highest y, which a
// min/max pyramid over the points answers without visiting them. A full view of ten million
// points thus costs a few hundred steps per column. Lists that break these assumptions (points
// out of order, coordinates that are not finite, a reversed x range) take the point-by-point
// walk, which leaves out points that are not finite.
#include "display/SerieDrawing.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <limits>

namespace {

// Points per block of the pyramid's first level and blocks per block of each level above.
constexpr std::size_t fanOut = TPointSummary::blockSize;
// Segments collected before they are handed to the painter.
constexpr std::size_t lineBatch = 2048;

using TMinMax = TYExtent;

bool isFinite(const TFloatPointRec& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Turns pixel columns into segments (see the file comment).
class TColumnWriter {
public:
    TColumnWriter(iLineCanvas& canvas, bool bars, int baseY)
        : m_canvas(canvas), m_bars(bars), m_baseY(baseY) {}

    // dx: world distance between this column's first point and the previous column's.
    void column(int x, int colMin, int colMax, int entryY, int exitY, double dx) {
        if (m_bars) {
            m_canvas.moveTo(x, colMin);
            m_canvas.lineTo(x, colMax);
            return;
        }
        // A gap wider than 2 world units and 5 pixels is left open.
        const std::int64_t penX = m_canvas.penPos().x;
        if (dx > 2.0 && std::llabs(penX - x) > 5)
            m_canvas.moveTo(x, entryY);
        else
            m_canvas.lineTo(x, entryY);
        if (m_baseY == colMin) {
            m_canvas.moveTo(x, colMax);
            m_canvas.lineTo(x, std::min(entryY, exitY));
        } else if (m_baseY == colMax) {
            m_canvas.moveTo(x, colMin);
            m_canvas.lineTo(x, std::max(entryY, exitY));
        } else {
            m_canvas.moveTo(x, colMin);
            m_canvas.lineTo(x, colMax);
        }
        m_canvas.moveTo(x, exitY);
    }

private:
    iLineCanvas& m_canvas;
    bool m_bars;
    int m_baseY;
};

// Lowest and highest y over runs of points: level k holds one TMinMax per fanOut^(k + 1)
// points. Level 0 is the list's own block extents (see TPointSummary), shared with it. Only
// whole blocks are ever read, so the partial block at the end does no harm.
class TMinMaxPyramid {
public:
    // Builds the levels above the block extents of finite points in ascending x; none when
    // there are none.
    void build(std::shared_ptr<const std::vector<TMinMax>> blocks) {
        m_levels.clear();
        m_base = std::move(blocks);
        if (!m_base || m_base->empty()) {
            m_base.reset();
            return;
        }
        const std::vector<TMinMax>* below = m_base.get();
        while (below->size() >= 2 * fanOut) {
            std::vector<TMinMax> above((below->size() + fanOut - 1) / fanOut);
            for (std::size_t i = 0; i < below->size(); ++i) above[i / fanOut].add((*below)[i]);
            m_levels.push_back(std::move(above));
            below = &m_levels.back();
        }
    }

    // y extent of points [lo, hi).
    TMinMax extent(const std::vector<TFloatPointRec>& points, std::size_t lo,
                   std::size_t hi) const {
        TMinMax m;
        std::size_t level = 0;  // 0: the points themselves, k: m_levels[k - 1]
        for (;;) {
            // Whole blocks of the level above: [up, upEnd).
            const std::size_t up = (lo + fanOut - 1) / fanOut;
            const std::size_t upEnd = hi / fanOut;
            if (level >= levelCount() || hi - lo < 2 * fanOut || up >= upEnd) {
                scan(points, level, lo, hi, m);
                return m;
            }
            scan(points, level, lo, up * fanOut, m);
            scan(points, level, upEnd * fanOut, hi, m);
            lo = up;
            hi = upEnd;
            ++level;
        }
    }

    std::size_t bytes() const {
        std::size_t n = m_base ? m_base->capacity() * sizeof(TMinMax) : 0;
        for (const auto& level : m_levels) n += level.capacity() * sizeof(TMinMax);
        return n;
    }

private:
    void scan(const std::vector<TFloatPointRec>& points, std::size_t level, std::size_t lo,
              std::size_t hi, TMinMax& m) const {
        if (level == 0) {
            for (std::size_t i = lo; i < hi; ++i) m.add(points[i].y);
        } else {
            const auto& blocks = level == 1 ? *m_base : m_levels[level - 2];
            for (std::size_t i = lo; i < hi; ++i) m.add(blocks[i]);
        }
    }

    std::size_t levelCount() const { return m_base ? m_levels.size() + 1 : 0; }

    std::shared_ptr<const std::vector<TMinMax>> m_base;
    std::vector<std::vector<TMinMax>> m_levels;  // above m_base
};

// The zoomed-in curve of finite points in ascending x: a gap much wider than the steps beside
// it is no part of the curve, and between two points the curve is a monotone cubic Hermite
// piece (Fritsch and Carlson's tangents), which stays within the two points' y values, so that
// a lone peak neither overshoots nor rings below the base line.
class TDetailedCurve {
public:
    // Steps beyond this many typical steps are gaps.
    static constexpr double gapSteps = 4.0;

    TDetailedCurve(const std::vector<TFloatPointRec>& points, double meanStep, bool gapsAreEmpty)
        : m_points(points), m_meanStep(meanStep), m_gapsAreEmpty(gapsAreEmpty) {}

    // The step of the points near the one from point k to k + 1: the smaller of the steps
    // just before and just after it, the mean step of the list without either.
    double typicalStep(std::size_t k) const {
        const double before = k > 0 ? step(k - 1) : inf;
        const double after = k + 2 < m_points.size() ? step(k + 1) : inf;
        const double typical = std::min(before, after);
        return std::isfinite(typical) && typical > 0.0 ? typical : m_meanStep;
    }
    // The step from point k to k + 1 is a gap.
    bool isGap(std::size_t k) const {
        return m_gapsAreEmpty && step(k) > gapSteps * typicalStep(k);
    }

    // The curve between points k and k + 1 at x.
    double valueAt(std::size_t k, double x) const {
        const TFloatPointRec& p = m_points[k];
        const TFloatPointRec& q = m_points[k + 1];
        const double h = q.x - p.x;
        if (!(h > 0.0)) return q.y;
        const double t = std::clamp((x - p.x) / h, 0.0, 1.0);
        const double t2 = t * t;
        const double t3 = t2 * t;
        const double y = (2 * t3 - 3 * t2 + 1) * p.y + (t3 - 2 * t2 + t) * h * tangent(k) +
                         (-2 * t3 + 3 * t2) * q.y + (t3 - t2) * h * tangent(k + 1);
        // Rounding may not carry it past either point.
        return std::clamp(y, std::min(p.y, q.y), std::max(p.y, q.y));
    }

private:
    static constexpr double inf = std::numeric_limits<double>::infinity();

    double step(std::size_t k) const { return m_points[k + 1].x - m_points[k].x; }
    double secant(std::size_t k) const { return (m_points[k + 1].y - m_points[k].y) / step(k); }
    // A side across a gap or of no width does not count.
    bool joined(std::size_t k) const { return step(k) > 0.0 && !isGap(k); }

    // The slope at point k: zero at a local extremum or flat stretch, else the weighted
    // harmonic mean of the secants on both sides; one-sided at the ends of a run.
    double tangent(std::size_t k) const {
        const bool left = k > 0 && joined(k - 1);
        const bool right = k + 1 < m_points.size() && joined(k);
        if (left && right) {
            const double d0 = secant(k - 1);
            const double d1 = secant(k);
            if (!(d0 * d1 > 0.0)) return 0.0;
            const double h0 = step(k - 1);
            const double h1 = step(k);
            const double w1 = 2 * h1 + h0;
            const double w2 = h1 + 2 * h0;
            return (w1 + w2) / (w1 / d0 + w2 / d1);
        }
        if (right) return secant(k);
        if (left) return secant(k - 1);
        return 0.0;
    }

    const std::vector<TFloatPointRec>& m_points;
    double m_meanStep;
    bool m_gapsAreEmpty;
};

// Whether the points, one mean step apart, lie more than 2 pixels apart on screen: the pixel of
// the step minus the pixel of 0. Where either pixel is cut at the ends of the int range (a deep
// zoom far from x = 0), the unrounded distance decides instead.
bool pointsWideApart(const TDrawView& view, double meanStep) {
    const TRange& xr = *view.xRange;
    const std::int64_t a = xr.pixelOf(view.width, meanStep);
    const std::int64_t b = xr.pixelOf(view.width, 0.0);
    constexpr std::int64_t lowest = std::numeric_limits<int>::min();
    constexpr std::int64_t highest = std::numeric_limits<int>::max();
    if (a == lowest || a == highest || b == lowest || b == highest) {
        if (xr.isReversed() || !(xr.size() > 0.0)) return false;
        return meanStep / xr.size() * (view.width - 1.0) > 2.0;
    }
    return a - b > 2;
}

}  // namespace

// --- the painter canvas ----------------------------------------------------------------------

TPainterLineCanvas::TPainterLineCanvas(QPainter& painter) : m_painter(painter) {
    m_lines.reserve(lineBatch);
}

TPainterLineCanvas::~TPainterLineCanvas() {
    flush();
}

void TPainterLineCanvas::moveTo(int x, int y) {
    m_pen = {x, y};
}

void TPainterLineCanvas::lineTo(int x, int y) {
    m_lines.emplace_back(m_pen.x, m_pen.y, x, y);
    m_pen = {x, y};
    if (m_lines.size() >= lineBatch) flush();
}

void TPainterLineCanvas::flush() {
    if (m_lines.empty()) return;
    m_painter.drawLines(m_lines.data(), static_cast<int>(m_lines.size()));
    m_lines.clear();
}

// --- view ------------------------------------------------------------------------------------

TPoint TDrawView::worldToDevice(double x, double y) const {
    return {xRange->pixelOf(width, x), pixelOfY(y)};
}

int TDrawView::pixelOfY(double y) const {
    return yRange->pixelOf(height, yMapping.display(y, yFactor));
}

TFloatPointRec TDrawView::deviceToWorld(double px, double py) const {
    const double d = yRange->valueAt(height, py);
    const double y = yMapping.mirror ? (yFactor != 0.0 ? d / yFactor : 0.0) : yMapping.world(d);
    return {xRange->valueAt(width, px), y};
}

// --- the series drawer -----------------------------------------------------------------------

// What the drawer keeps of one point list, valid for one revision of it.
class TSerieDrawer::TListCache {
public:
    explicit TListCache(const TFloatPointSortedListPtr& points)
        : m_list(points), m_address(points.get()) {}

    bool isFor(const TFloatPointSortedList* points) const { return m_address == points; }
    bool isGone() const { return m_list.expired(); }

    void update(const TFloatPointSortedList& points) {
        const std::uint64_t revision = points.revision();
        if (m_built && revision == m_revision && points.points().size() == m_count) return;
        const auto& items = points.points();
        const TPointSummary& summary = points.summary();
        m_clean = summary.finiteAscending;
        m_pyramid.build(m_clean ? summary.yBlocks : nullptr);
        m_revision = revision;
        m_count = items.size();
        m_built = true;
    }

    // All points finite and in ascending x.
    bool isClean() const { return m_clean; }
    const TMinMaxPyramid& pyramid() const { return m_pyramid; }
    std::size_t bytes() const { return sizeof(*this) + m_pyramid.bytes(); }

private:
    std::weak_ptr<TFloatPointSortedList> m_list;
    const TFloatPointSortedList* m_address;
    bool m_built = false;
    std::uint64_t m_revision = 0;
    std::size_t m_count = 0;
    bool m_clean = false;
    TMinMaxPyramid m_pyramid;
};

TSerieDrawer::TSerieDrawer() = default;
TSerieDrawer::~TSerieDrawer() = default;

std::size_t TSerieDrawer::cacheBytes() const {
    std::size_t n = m_caches.capacity() * sizeof(m_caches[0]);
    for (const auto& cache : m_caches) n += cache->bytes();
    return n;
}

void TSerieDrawer::clear() {
    m_caches.clear();
}

TSerieDrawer::TListCache& TSerieDrawer::cacheFor(const TFloatPointSortedListPtr& points) {
    // A list that is gone may have left its address to a new one: drop it first.
    std::erase_if(m_caches, [](const auto& cache) { return cache->isGone(); });
    auto it = std::find_if(m_caches.begin(), m_caches.end(),
                           [&](const auto& cache) { return cache->isFor(points.get()); });
    if (it == m_caches.end()) {
        m_caches.push_back(std::make_unique<TListCache>(points));
        it = m_caches.end() - 1;
    }
    (*it)->update(*points);
    return **it;
}

void TSerieDrawer::drawSerie(iLineCanvas& canvas, const TDrawView& view, TPointListSerie& serie,
                             TSerieStyle style) {
    if (!view.xRange || !view.yRange || view.width < 2 || view.height < 2) return;
    const TFloatPointSortedListPtr& points = serie.points();
    if (!points || points->isEmpty()) return;
    try {
        const TListCache& cache = cacheFor(points);
        const bool bars = style == TSerieStyle::Bars;
        if (!bars && pointsWideApart(view, points->meanStep()))
            drawDetailed(canvas, view, *points, cache);
        else
            drawDecimated(canvas, view, *points, cache, bars);
    } catch (const std::exception&) {
        // Nothing may escape a paint; what was drawn stays.
    }
}

void TSerieDrawer::drawDecimated(iLineCanvas& canvas, const TDrawView& view,
                                 const TFloatPointSortedList& points, const TListCache& cache,
                                 bool bars) const {
    const auto& items = points.points();
    const TRange& xr = *view.xRange;
    const int w = view.width;
    const TIndexRange window = points.findRange(xr.min(), xr.max());
    if (window.first >= points.count()) return;
    // With nothing inside the window the point found beside it is still taken, as a column
    // off the plot.
    const std::size_t first = static_cast<std::size_t>(window.first);
    const std::size_t end = static_cast<std::size_t>(std::max(window.first, window.last)) + 1;
    const int baseY = view.pixelOfY(view.baseLine);
    TColumnWriter writer(canvas, bars, baseY);

    if (!cache.isClean() || xr.isReversed()) {
        // Point by point, leaving out what is not finite.
        bool open = false;
        int colX = 0, colMin = 0, colMax = 0, entryY = 0, exitY = 0;
        double startX = 0.0, previousStartX = 0.0;
        for (std::size_t i = first; i < end; ++i) {
            const TFloatPointRec& p = items[i];
            if (!isFinite(p)) continue;
            const TPoint d = view.worldToDevice(p.x, p.y);
            if (open && d.x <= colX) {
                if (d.y > colMax)
                    colMax = d.y;
                else if (d.y < colMin)
                    colMin = d.y;
                exitY = d.y;
                continue;
            }
            if (open) {
                writer.column(colX, colMin, colMax, entryY, exitY,
                              std::fabs(startX - previousStartX));
                previousStartX = startX;
            } else {
                canvas.moveTo(d);
                previousStartX = p.x;
                open = true;
            }
            startX = p.x;
            colX = d.x;
            colMin = std::min(baseY, d.y);
            colMax = std::max(baseY, d.y);
            entryY = exitY = d.y;
        }
        if (open)
            writer.column(colX, colMin, colMax, entryY, exitY, std::fabs(startX - previousStartX));
        return;
    }

    canvas.moveTo(view.worldToDevice(items[first].x, items[first].y));
    double previousStartX = items[first].x;
    std::size_t run = 1;  // length of the previous column: where galloping starts
    for (std::size_t a = first; a < end;) {
        const double startX = items[a].x;
        const int x = xr.pixelOf(w, startX);
        // The column ends before the first point of a higher pixel: gallop from a with steps
        // near the previous column's length, then bisect.
        std::size_t lo = a;  // known on this column
        std::size_t hi = end;
        std::size_t step = std::max<std::size_t>(1, run / 2);
        while (lo + step < end) {
            if (xr.pixelOf(w, items[lo + step].x) > x) {
                hi = lo + step;
                break;
            }
            lo += step;
            step *= 2;
        }
        while (hi - lo > 1) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (xr.pixelOf(w, items[mid].x) > x)
                hi = mid;
            else
                lo = mid;
        }
        const TMinMax extent = cache.pyramid().extent(items, a, hi);
        const int low = view.pixelOfY(extent.min);
        const int high = view.pixelOfY(extent.max);
        writer.column(x, std::min({baseY, low, high}), std::max({baseY, low, high}),
                      view.pixelOfY(items[a].y), view.pixelOfY(items[hi - 1].y),
                      std::fabs(startX - previousStartX));
        previousStartX = startX;
        run = hi - a;
        a = hi;
    }
}

void TSerieDrawer::drawDetailed(iLineCanvas& canvas, const TDrawView& view,
                                TFloatPointSortedList& points, const TListCache& cache) const {
    const auto& items = points.points();
    const std::size_t n = items.size();
    if (n < 2) return;
    const TRange& xr = *view.xRange;
    const TIndexRange window = points.findRange(xr.min(), xr.max());
    if (window.first >= points.count()) return;
    // The point before and the one after the window too, so that the curve reaches both
    // edges, also when the window lies between two points.
    auto first = static_cast<std::size_t>(window.first);
    auto last = static_cast<std::size_t>(std::max(window.last, window.first));
    if (first > 0) --first;
    if (last + 1 < n) ++last;

    // Without a spline (two points at one x, or points that are not finite or out of order)
    // straight lines join the points.
    if (!cache.isClean() || !points.trySpline(0.0, 0.0)) {
        bool started = false;
        for (std::size_t i = first; i <= last; ++i) {
            if (!isFinite(items[i])) continue;
            const TPoint d = view.worldToDevice(items[i].x, items[i].y);
            if (started)
                canvas.lineTo(d);
            else
                canvas.moveTo(d);
            started = true;
        }
        return;
    }

    const TDetailedCurve curve(items, points.meanStep(), view.gapsAreEmpty);
    const double baseLine = view.baseLine;
    // World width of one pixel.
    const double pixelDX = (view.deviceToWorld(1000, 0).x - view.deviceToWorld(0, 0).x) / 1000;
    TFloatPointRec previous = items[first];
    TPoint d = view.worldToDevice(previous.x, previous.y);
    canvas.moveTo(d);
    std::size_t i = first + 1;
    while (i <= last) {
        TFloatPointRec q = items[i];
        if (q.x - previous.x > pixelDX) {
            const TPoint e = view.worldToDevice(q.x, q.y);
            const std::size_t k = i - 1;
            if (curve.isGap(k)) {
                // Down to the base line a typical step after the point, along it, and up a
                // typical step before the next one: the zero run a profile left out.
                const double step = curve.typicalStep(k);
                canvas.lineTo(view.worldToDevice(items[k].x + step, baseLine));
                canvas.lineTo(view.worldToDevice(q.x - step, baseLine));
                canvas.lineTo(e);
            } else {
                // One pixel column at a time up to q's column; columns off the plot are not
                // visited.
                const std::int64_t from = std::max<std::int64_t>(std::int64_t{d.x} + 1, -1);
                const std::int64_t to = std::min<std::int64_t>(e.x, view.width);
                for (std::int64_t px = from; px <= to; ++px) {
                    const double wx = view.deviceToWorld(static_cast<double>(px), 0).x;
                    const double wy = curve.valueAt(k, wx);
                    if (std::isfinite(wy))
                        canvas.lineTo(static_cast<int>(px), view.pixelOfY(wy));
                }
            }
            d = e;
            ++i;
        } else {
            // Points within one pixel of the previous one: up to their highest y.
            previous.y = std::max(previous.y, q.y);
            ++i;
            while (i <= last && items[i].x - previous.x <= pixelDX) {
                q = items[i];
                previous.y = std::max(previous.y, q.y);
                ++i;
            }
            canvas.lineTo(view.worldToDevice(previous.x, previous.y));
        }
        previous = q;
    }
}

// --- threshold -------------------------------------------------------------------------------

void drawThreshold(iLineCanvas& canvas, const TDrawView& view, const TThreshold& threshold,
                   const std::function<void(TPoint)>& handle) {
    if (!view.xRange || !view.yRange || threshold.isEmpty()) return;
    try {
        const double tolerance = view.pickTolerance;
        const double left = view.xRange->min();
        const int iL = threshold.segmentOf(static_cast<float>(left));
        TPoint p = view.worldToDevice(left, threshold.yAt(iL, static_cast<float>(left)));
        canvas.moveTo(p);
        // A vertex less than the pick tolerance left of the edge keeps its handle.
        if (iL >= 0 && iL <= threshold.count() - 1 &&
            threshold.vertexAt(iL).x > view.deviceToWorld(p.x - tolerance, p.y).x)
            handle(p);
        const double right = view.xRange->max();
        const int iR = threshold.segmentOf(static_cast<float>(right));
        for (int i = iL + 1; i <= iR; ++i) {
            const TFloatPointRec v = threshold.vertexAt(i);
            const TPoint q = view.worldToDevice(v.x, v.y);
            canvas.lineTo(q);
            handle(q);
        }
        p = view.worldToDevice(right, threshold.yAt(iR, static_cast<float>(right)));
        canvas.lineTo(p);
        if (iR >= 0 && iR < threshold.count() - 1 &&
            threshold.vertexAt(iR + 1).x < view.deviceToWorld(p.x + tolerance, p.y).x)
            handle(p);
    } catch (const std::exception&) {
        // A segment whose value overflows ends the figure there.
    }
}

void resetThreshold(TSpectrumData& data) {
    const TPointListSeriePtr serie = data.series()->current();
    if (!serie) return;
    TThreshold& threshold = *serie->threshold();
    const TFloatPointSortedList& points = *serie->points();
    const double level = (data.yRange()->min() + data.yRange()->max()) / 10.0;
    const double from = points.getMinPoint().x;
    const double to = points.getMaxPoint().x;
    threshold.clear();
    threshold.add({from, level});
    threshold.add({to, level});
}
