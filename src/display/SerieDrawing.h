// Drawing of series and thresholds on a plot: the reduction of a series to a few segments per
// pixel column, the zoomed-in drawing through its spline, the threshold with its handles.
#pragma once

#include <QLineF>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "display/IntensityScale.h"
#include "model/FloatPoint.h"
#include "model/PointListSerie.h"
#include "model/Range.h"
#include "model/SpectrumData.h"
#include "model/Threshold.h"
#include "model/WorldControl.h"

class QPainter;

// Where the drawing routines put their segments, in device pixels of the plot. The pen moves
// to the end of every segment drawn.
class iLineCanvas {
public:
    virtual ~iLineCanvas() = default;
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;
    virtual TPoint penPos() const = 0;

    void moveTo(TPoint p) { moveTo(p.x, p.y); }
    void lineTo(TPoint p) { lineTo(p.x, p.y); }
};

// Collects segments and draws them in batches with QPainter::drawLines and the painter's pen
// of the moment (stroking a long polyline with a wide pen is far slower). Change the pen only
// after flush().
class TPainterLineCanvas : public iLineCanvas {
public:
    explicit TPainterLineCanvas(QPainter& painter);
    ~TPainterLineCanvas() override;  // flushes
    TPainterLineCanvas(const TPainterLineCanvas&) = delete;
    TPainterLineCanvas& operator=(const TPainterLineCanvas&) = delete;

    using iLineCanvas::lineTo;
    using iLineCanvas::moveTo;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    TPoint penPos() const override { return m_pen; }

    // Draws what has been collected.
    void flush();

private:
    QPainter& m_painter;
    TPoint m_pen;
    std::vector<QLineF> m_lines;
};

// The world/pixel mapping of one paint: the plot's ranges over width x height pixels.
struct TDrawView {
    const TRange* xRange = nullptr;
    const TRange* yRange = nullptr;  // reversed: larger y is higher on screen
    int width = 0;
    int height = 0;
    double baseLine = 0.0;  // world y from which bars rise
    int pickTolerance = 4;  // pixels
    // A Line series' gap much wider than its steps falls to the base line, as in a profile
    // whose zero runs were left out; false joins every point (a chromatogram, sampled unevenly).
    bool gapsAreEmpty = true;
    // Intensities reach yRange through yMapping.display(y, yFactor): yRange is then in display
    // units (log10 of intensity, or percent in a mirror plot). The defaults draw y as it is.
    TYMapping yMapping;
    double yFactor = 1.0;

    // TRange::pixelOf on both axes.
    TPoint worldToDevice(double x, double y) const;
    int pixelOfY(double y) const;
    // TRange::valueAt on both axes; pixels may be fractional.
    TFloatPointRec deviceToWorld(double px, double py) const;
};

// Draws series. Keeps, per point list drawn, what makes full-view repaints cheap: a min/max
// pyramid of y (about a quarter of a byte per point), rebuilt when the list's revision changes
// and dropped when the list is gone. One per plot; GUI thread only.
class TSerieDrawer {
public:
    TSerieDrawer();
    ~TSerieDrawer();
    TSerieDrawer(const TSerieDrawer&) = delete;
    TSerieDrawer& operator=(const TSerieDrawer&) = delete;

    // Bars: one stick per pixel column from the base line over the column's points. Line: the
    // columns' vertical extents joined entry to exit, a wide gap in the data left open. When
    // the points lie more than 2 pixels apart, a curve instead from the point before the view
    // to the one after it: a shape-preserving cubic that never leaves the y span of the two
    // points it runs between, down to the base line and along it across a gap of more than
    // four typical steps, and up to the highest of points that share a pixel column. Points
    // whose coordinates are not finite numbers are left out. Nothing is drawn on a plot
    // narrower or lower than 2 pixels. Never throws.
    void drawSerie(iLineCanvas& canvas, const TDrawView& view, TPointListSerie& serie,
                   TSerieStyle style);

    // Bytes kept beside the points; what belonged to lists that are gone is dropped at the
    // next drawSerie.
    std::size_t cacheBytes() const;
    // Forgets everything kept.
    void clear();

private:
    class TListCache;
    TListCache& cacheFor(const TFloatPointSortedListPtr& points);
    void drawDecimated(iLineCanvas& canvas, const TDrawView& view,
                       const TFloatPointSortedList& points, const TListCache& cache,
                       bool bars) const;
    void drawDetailed(iLineCanvas& canvas, const TDrawView& view, TFloatPointSortedList& points,
                      const TListCache& cache) const;

    std::vector<std::unique_ptr<TListCache>> m_caches;
};

// The threshold as a line from the left to the right edge of the view through its vertices;
// handle(p) is called for every handle position (the caller draws the 5 x 5 square around p).
// x values reach the threshold as 32-bit floats. A threshold without vertices, or one whose
// arithmetic fails, draws nothing (more). Never throws.
void drawThreshold(iLineCanvas& canvas, const TDrawView& view, const TThreshold& threshold,
                   const std::function<void(TPoint)>& handle);

// Replaces the current series' threshold by one flat segment at (yMin + yMax) / 10 of the
// visible y window, from the lowest to the highest x of the series' points. Nothing happens
// without a current series.
void resetThreshold(TSpectrumData& data);
