// Series drawing: the per-column reduction against a point-by-point walk, the spline drawing
// and its fallback, the threshold, and a few pixels of the painter canvas.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <random>
#include <vector>

#include "display/SerieDrawing.h"
#include "model/PointListSerie.h"
#include "model/Range.h"
#include "model/SpectrumData.h"
#include "model/Threshold.h"
#include "support/TestHelpers.h"

namespace {

struct TSegment {
    TPoint from;
    TPoint to;

    friend bool operator==(const TSegment&, const TSegment&) = default;
};

void PrintTo(const TSegment& s, std::ostream* os) {
    *os << '(' << s.from.x << ',' << s.from.y << ")-(" << s.to.x << ',' << s.to.y << ')';
}

class TRecordingCanvas : public iLineCanvas {
public:
    using iLineCanvas::lineTo;
    using iLineCanvas::moveTo;
    void moveTo(int x, int y) override { m_pen = {x, y}; }
    void lineTo(int x, int y) override {
        segments.push_back({m_pen, {x, y}});
        m_pen = {x, y};
    }
    TPoint penPos() const override { return m_pen; }

    std::vector<TSegment> segments;

private:
    TPoint m_pen;
};

// A plot's mapping: x over width pixels, y reversed over height pixels.
struct TTestView {
    TTestView(double x1, double x2, double y1, double y2, int width, int height,
              double baseLine = 0.0)
        : x(newRange(x1, x2)), y(newRange(y1, y2)) {
        y->setReversed(true);
        view.xRange = x.get();
        view.yRange = y.get();
        view.width = width;
        view.height = height;
        view.baseLine = baseLine;
    }
    TRangePtr x;
    TRangePtr y;
    TDrawView view;
};

// The reduction written out point by point, straight from its description: columns opened by
// a point on a pixel right of the open column, flushed as a stick (bars) or as the join from
// the pen, the vertical extent by the base-line cases and the move to the exit (line).
std::vector<TSegment> referenceDecimation(const TFloatPointSortedList& p, const TDrawView& v,
                                          bool bars) {
    TRecordingCanvas c;
    const TIndexRange r = p.findRange(v.xRange->min(), v.xRange->max());
    if (r.first >= p.count()) return {};
    const int baseY = v.worldToDevice(0, v.baseLine).y;
    int colX = 0, colMin = 0, colMax = 0, entryY = 0, exitY = 0;
    TFloatPointRec current, previous;
    auto flush = [&](double dx) {
        if (bars) {
            c.moveTo(colX, colMin);
            c.lineTo(colX, colMax);
            return;
        }
        if (dx > 2.0 && std::abs(c.penPos().x - colX) > 5)
            c.moveTo(colX, entryY);
        else
            c.lineTo(colX, entryY);
        if (baseY == colMin) {
            c.moveTo(colX, colMax);
            c.lineTo(colX, std::min(entryY, exitY));
        } else if (baseY == colMax) {
            c.moveTo(colX, colMin);
            c.lineTo(colX, std::max(entryY, exitY));
        } else {
            c.moveTo(colX, colMin);
            c.lineTo(colX, colMax);
        }
        c.moveTo(colX, exitY);
    };
    TPoint d = v.worldToDevice(p.get(r.first).x, p.get(r.first).y);
    colX = d.x;
    entryY = exitY = d.y;
    colMin = std::min(baseY, d.y);
    colMax = std::max(baseY, d.y);
    previous = current = p.get(r.first);
    c.moveTo(d);
    for (int i = r.first + 1; i <= r.last; ++i) {
        d = v.worldToDevice(p.get(i).x, p.get(i).y);
        if (d.x > colX) {
            flush(std::fabs(current.x - previous.x));
            previous = current;
            current = p.get(i);
            colX = d.x;
            colMin = std::min(baseY, d.y);
            colMax = std::max(baseY, d.y);
            entryY = d.y;
        } else if (d.y > colMax) {
            colMax = d.y;
        } else if (d.y < colMin) {
            colMin = d.y;
        }
        exitY = d.y;
    }
    flush(std::fabs(current.x - previous.x));
    return c.segments;
}

// Whether a line series would be drawn through its spline in this view.
bool pointsWideApart(TFloatPointSortedList& p, const TDrawView& v) {
    return v.worldToDevice(p.meanStep(), 0).x - v.worldToDevice(0, 0).x > 2;
}

// A profile-like series: mostly small steps, ties, now and then a gap of more than 2.0;
// y a random walk around the base line with sharp peaks.
TFloatPointSortedListPtr randomPoints(std::uint32_t seed, int n) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    auto list = newFloatPointSortedList();
    list->setCapacity(n);
    double x = 100.0;
    double y = 5.0;
    for (int i = 0; i < n; ++i) {
        const double r = u(rng);
        if (r < 0.1) {
            // a tie: same x
        } else if (r < 0.103) {
            x += 2.5 + 10.0 * u(rng);
        } else {
            x += 0.001 + 0.02 * u(rng);
        }
        y += 4.0 * (u(rng) - 0.5);
        if (u(rng) < 0.01) y = -30.0 * u(rng);
        const double peak = u(rng) < 0.002 ? 2000.0 * u(rng) : 0.0;
        list->add({x, u(rng) < 0.01 ? 0.0 : y + peak});
    }
    return list;
}

TPointListSerie serieOf(const TFloatPointSortedListPtr& points) {
    TPointListSerie serie;
    serie.setPoints(points);
    return serie;
}

std::vector<TSegment> draw(TSerieDrawer& drawer, const TDrawView& view, TPointListSerie& serie,
                           TSerieStyle style) {
    TRecordingCanvas canvas;
    drawer.drawSerie(canvas, view, serie, style);
    return canvas.segments;
}

// Compares the drawer with the reference on base lines 0 and 7.5, with x both ways, in both
// styles, over the full view and, unless fullViewOnly, over windows of every kind: zooms, one
// visible point, none. Returns the number of comparisons made.
int compareOverWindows(TSerieDrawer& drawer, TPointListSerie& serie, std::uint32_t seed,
                       const std::vector<int>& widths, bool fullViewOnly = false) {
    auto& points = *serie.points();
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double lo = points.first().x;
    const double hi = points.last().x;
    std::vector<std::pair<double, double>> fixed = {{lo - 1.0, hi + 1.0}};
    if (!fullViewOnly) {
        // The points' own span, beyond the last point, before the first.
        fixed.insert(fixed.end(), {{lo, hi}, {hi + 5.0, hi + 9.0}, {lo - 9.0, lo - 5.0}});
        // A point alone inside a gap, and the middle of that gap.
        for (int i = 1; i + 1 < points.count(); ++i) {
            const double x = points.get(i).x;
            if (x - points.get(i - 1).x > 2.0 && points.get(i + 1).x - x > 0.5) {
                fixed.insert(fixed.end(), {{x - 0.3, x + 0.3}, {x - 1.5, x - 0.5}});
                break;
            }
        }
    }
    int compared = 0;
    for (const int width : widths) {
        for (const double baseLine : {0.0, 7.5}) {
            auto windows = fixed;
            for (int k = 0; k < 4 && !fullViewOnly; ++k) {
                const double a = lo + (hi - lo) * u(rng);
                const double span = (hi - lo) * std::pow(10.0, -3.0 * u(rng));
                windows.emplace_back(a, a + span);
            }
            for (const auto& [x1, x2] : windows) {
                for (const bool reversed : {false, true}) {
                    TTestView t(x1, x2, -50.0, 400.0, width, 400, baseLine);
                    t.x->setReversed(reversed);
                    for (const auto style : {TSerieStyle::Bars, TSerieStyle::Line}) {
                        const bool bars = style == TSerieStyle::Bars;
                        if (!bars && pointsWideApart(points, t.view)) continue;
                        SCOPED_TRACE(testing::Message()
                                     << "seed " << seed << " width " << width << " window " << x1
                                     << ".." << x2 << " base " << baseLine
                                     << (reversed ? " reversed" : "")
                                     << (bars ? " bars" : " line"));
                        const auto drawn = draw(drawer, t.view, serie, style);
                        const auto expected = referenceDecimation(points, t.view, bars);
                        EXPECT_EQ(drawn, expected);
                        if (drawn != expected) return compared;  // one report is enough
                        ++compared;
                    }
                }
            }
        }
    }
    return compared;
}

}  // namespace

TEST(SerieDrawing, DecimationMatchesThePointByPointWalk) {
    const struct {
        std::uint32_t seed;
        int count;
        std::vector<int> widths;
        bool fullViewOnly;
    } cases[] = {
        {1, 20000, {2, 3, 17, 640, 1601}, false},
        {2, 20000, {2, 3, 17, 640, 1601}, false},
        // Columns of hundreds of thousands of points reach the upper levels of the pyramid.
        {7, 600'000, {2, 7}, true},
    };
    int compared = 0;
    for (const auto& c : cases) {
        TSerieDrawer drawer;
        TPointListSerie serie = serieOf(randomPoints(c.seed, c.count));
        compared += compareOverWindows(drawer, serie, c.seed, c.widths, c.fullViewOnly);
    }
    EXPECT_GT(compared, 300);
}

TEST(SerieDrawing, DecimationFollowsChangedPoints) {
    TSerieDrawer drawer;
    TPointListSerie serie = serieOf(randomPoints(11, 50000));
    auto& points = *serie.points();
    EXPECT_GT(compareOverWindows(drawer, serie, 11, {3, 640}), 50);
    // Same count, new values: a peak in the middle of a wide column, a point sunk below the
    // base line.
    const int middle = points.count() / 2;
    points.put(middle, {points.get(middle).x, 3000.0});
    points.put(middle + 100, {points.get(middle + 100).x, -45.0});
    EXPECT_GT(compareOverWindows(drawer, serie, 12, {5}, true), 0);
    // Points added and removed.
    for (int i = 0; i < 500; ++i) points.add({points.get(i * 37).x + 0.0005, 100.0 - i});
    for (int i = 0; i < 300; ++i) points.deleteItem(i * 101);
    EXPECT_GT(compareOverWindows(drawer, serie, 13, {3, 640}), 50);
}

TEST(SerieDrawing, NonFiniteCoordinatesAreLeftOutAndTinyPlotsDrawNothing) {
    const auto clean = randomPoints(5, 5000);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto badY = clean->clone();
    for (int i = 100; i < badY->count(); i += 997) {
        badY->insert(i, {badY->get(i).x, i % 2 ? nan : inf});
        badY->insert(i + 1, {badY->get(i).x, -inf});
    }
    auto badX = clean->clone();
    badX->add({nan, 1.0});
    badX->add({inf, 2.0});
    badX->add({-inf, 3.0});
    badX->add({5.0, nan});

    TPointListSerie cleanSerie = serieOf(clean);
    TPointListSerie badYSerie = serieOf(badY);
    TPointListSerie badXSerie = serieOf(badX);
    TSerieDrawer drawer;
    const double lo = clean->first().x, hi = clean->last().x;
    TTestView full(lo - 1.0, hi + 1.0, -50.0, 400.0, 640, 400);
    for (const auto style : {TSerieStyle::Bars, TSerieStyle::Line}) {
        const auto expected = draw(drawer, full.view, cleanSerie, style);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(draw(drawer, full.view, badYSerie, style), expected);
        EXPECT_EQ(draw(drawer, full.view, badXSerie, style), expected);
    }
    for (const auto& [w, h] : {std::pair{0, 400}, {1, 400}, {640, 1}, {640, 0}, {-3, -3}}) {
        TTestView t(lo, hi, -50.0, 400.0, w, h);
        EXPECT_TRUE(draw(drawer, t.view, cleanSerie, TSerieStyle::Bars).empty());
        EXPECT_TRUE(draw(drawer, t.view, cleanSerie, TSerieStyle::Line).empty());
    }
}

TEST(SerieDrawing, ZoomedInLinesFollowTheSplineOrWithoutOneAreJoinedStraight) {
    TSerieDrawer drawer;
    TPointListSerie spline = serieOf(
        std::make_shared<TFloatPointSortedList>(pointsOf({{0, 0}, {1, 1}, {2, 0}, {3, 1}})));
    TTestView t(0.0, 3.0, -1.0, 2.0, 301, 301);  // 100 pixels per unit
    const auto segments = draw(drawer, t.view, spline, TSerieStyle::Line);
    // One column at a time, through every point.
    ASSERT_EQ(segments.size(), 300u);
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(segments[i].from.x, i);
        EXPECT_EQ(segments[i].to.x, i + 1);
    }
    EXPECT_EQ(segments[0].from, t.view.worldToDevice(0, 0));
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(segments[k * 100 - 1].to, t.view.worldToDevice(k, k % 2));

    // Two neighbours at one x: the spline cannot be built. Half a unit is 50 pixels.
    const auto points = std::make_shared<TFloatPointSortedList>(
        pointsOf({{0, 0}, {0.5, 1}, {0.5, 2}, {1, 0}, {1.5, 1}, {2, 0.5}}));
    TPointListSerie straight = serieOf(points);
    TTestView u(0.0, 2.0, -1.0, 2.0, 201, 301);
    std::vector<TSegment> expected;
    for (int i = 1; i < points->count(); ++i) {
        const auto a = points->get(i - 1), b = points->get(i);
        expected.push_back({u.view.worldToDevice(a.x, a.y), u.view.worldToDevice(b.x, b.y)});
    }
    for (int repaint = 0; repaint < 2; ++repaint)
        EXPECT_EQ(draw(drawer, u.view, straight, TSerieStyle::Line), expected);
    // Bars never take the spline.
    EXPECT_EQ(draw(drawer, u.view, straight, TSerieStyle::Bars),
              referenceDecimation(*points, u.view, true));
}

TEST(SerieDrawing, DrawerLetsGoOfListsThatAreGone) {
    TSerieDrawer drawer;
    TPointListSerie serie = serieOf(randomPoints(9, 100000));
    TTestView t(0.0, 10000.0, -50.0, 400.0, 640, 400);
    draw(drawer, t.view, serie, TSerieStyle::Bars);
    const auto kept = drawer.cacheBytes();
    EXPECT_GT(kept, 100000u / 5);
    EXPECT_LT(kept, 100000u / 2);
    // Dropped at the next paint.
    serie.setPoints(randomPoints(10, 10));
    draw(drawer, t.view, serie, TSerieStyle::Bars);
    EXPECT_LT(drawer.cacheBytes(), 1000u);
}

TEST(SerieDrawing, ThresholdRunsAcrossTheViewWithHandlesAtItsVertices) {
    TThreshold threshold;
    threshold.add({10, 20});
    threshold.add({50, 60});
    threshold.add({90, 20});
    using TDrawn = std::pair<std::vector<TSegment>, std::vector<TPoint>>;
    auto record = [&](const TTestView& t) {
        TRecordingCanvas canvas;
        std::vector<TPoint> handles;
        drawThreshold(canvas, t.view, threshold, [&](TPoint p) { handles.push_back(p); });
        return TDrawn{canvas.segments, handles};
    };

    // Pixel = world on both axes (y upwards from row 100).
    TTestView whole(0.0, 100.0, 0.0, 100.0, 101, 101);
    const auto [segments, handles] = record(whole);
    EXPECT_EQ(segments, (std::vector<TSegment>{{{0, 80}, {10, 80}},
                                               {{10, 80}, {50, 40}},
                                               {{50, 40}, {90, 80}},
                                               {{90, 80}, {100, 80}}}));
    EXPECT_EQ(handles, (std::vector<TPoint>{{10, 80}, {50, 40}, {90, 80}}));

    // Vertices just beyond the edges, within the pick tolerance, keep their handles at the
    // edges; 1.25 pixels per unit.
    TTestView zoomed(11.0, 89.0, 0.0, 100.0, 98, 101);
    const auto [zSegments, zHandles] = record(zoomed);
    const TPoint left = zoomed.view.worldToDevice(11.0, 21.0);
    const TPoint right = zoomed.view.worldToDevice(89.0, 21.0);
    const TPoint top = zoomed.view.worldToDevice(50.0, 60.0);
    EXPECT_EQ(zSegments, (std::vector<TSegment>{{left, top}, {top, right}}));
    EXPECT_EQ(zHandles, (std::vector<TPoint>{left, top, right}));

    // The left edge lies just right of the first vertex, but as a 32-bit float it lies on
    // 10.0, left of it: the curve starts flat and the first vertex gets its handle.
    threshold.clear();
    threshold.add({10.0000001, 20});
    threshold.add({90, 20});
    TTestView edge(10.0000002, 100.0, 0.0, 100.0, 101, 101);
    const auto [eSegments, eHandles] = record(edge);
    ASSERT_EQ(eHandles.size(), 2u);
    EXPECT_EQ(eHandles[0], edge.view.worldToDevice(10.0000001, 20));
    EXPECT_EQ(eSegments.size(), 3u);

    // Without vertices, or with a slope that overflows: nothing drawn, nothing thrown.
    threshold.clear();
    EXPECT_NO_THROW(EXPECT_EQ(record(whole), TDrawn{}));
    threshold.add({0, 0});
    threshold.add({1e-30, 1e30});
    threshold.add({200, 0});
    EXPECT_NO_THROW(EXPECT_EQ(record(whole), TDrawn{}));
}

TEST(SerieDrawing, ResetThresholdMakesAFlatLineAcrossTheCurrentSeries) {
    TSpectrumData data;
    resetThreshold(data);  // no series: nothing happens
    auto serie = data.series()->newSerie("s");
    for (const auto& p : std::vector<TFloatPointRec>{{5, 1}, {20, 70}, {50, 3}})
        serie->points()->add(p);
    data.yRange()->setMin(-20.0);
    data.yRange()->setMax(120.0);
    resetThreshold(data);
    EXPECT_EQ(serie->threshold()->points(), (std::vector<TFloatPointRec>{{5, 10}, {50, 10}}));
}
