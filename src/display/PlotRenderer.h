// Drawing one plot onto any painter, apart from the widget: series, labels, frame, focus frame,
// threshold and axes, from the plot's state and a settings object.
#pragma once

#include <QColor>
#include <QPen>
#include <QRect>
#include <QSize>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "display/Axis.h"
#include "display/IntensityScale.h"
#include "display/MeasureTool.h"
#include "display/SerieDrawing.h"
#include "model/Label.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"
#include "model/WorldControl.h"

class QPainter;

// What the drawing takes from the program rather than from the plot. The plot widget fills it
// from the program-wide line widths and its palette; a picture may choose otherwise.
struct TRenderSettings {
    QColor background = Qt::white;
    // Pen widths in pixels: the lines of series (bars are always one pixel wide), and of the
    // current series while others are shown.
    int serieLineWidth = 1;
    int highlightLineWidth = 2;
    // The focus frame, the threshold and its handles invert what lies beneath, as on screen;
    // a device that cannot invert (SVG, PDF, a printer) gets them in figureColor instead.
    bool invertFigures = true;
    QColor figureColor = Qt::black;
    // See TDrawView::gapsAreEmpty.
    bool gapsAreEmpty = true;

    int penWidth(TSerieStyle style, bool highlighted) const;
};

// A mark at one x of a plot (world units): a small triangle standing on the plot's bottom edge
// with its text above it, such as the precursor m/z of a spectrum.
struct TPlotMark {
    double x = 0.0;
    std::string text;
    QColor color = Qt::darkRed;
    // The owner's meaning of a click on the mark (the spectrum it opens, say); negative for a
    // mark that opens nothing.
    int tag = -1;

    friend bool operator==(const TPlotMark&, const TPlotMark&) = default;
};

// Where a mark lies in a plot (device pixels); nothing for a mark outside the visible x range.
struct TPlacedMark {
    QRect triangle;
    QRect text;  // null when no line above the triangle had room for it
};

// The marks placed in the view, one entry per mark: each triangle on the bottom edge; a text
// that would overlap the text of a mark to its left is lifted by a line (up to three lines,
// then left out).
std::vector<std::optional<TPlacedMark>> placeMarks(const TDrawView& view,
                                                   const std::vector<TPlotMark>& marks);

// The plot's own state that the drawing reads; the mouse tool and the cross-hair are the
// widget's and not part of it.
struct TPlotState {
    TSpectrumDataPtr data;  // series, ranges, base line, labels, brush, pick tolerance
    QColor frameColor;      // invalid: no frame
    bool focused = false;   // draws the focus frame
    bool hideThreshold = true;
    std::vector<TPlotMark> marks;  // drawn over the frame
    // How intensities are drawn; a plot state made without one draws y as it is, linearly.
    TPlotScale scale;
    // Indexed like the data's series: those flipped below the axis. With any flipped, every
    // series is drawn in percent of its own base peak in view.
    std::vector<bool> mirrored;
    // Measurements pinned on the plot, drawn over the marks.
    std::vector<TMeasurement> pins;

    bool isMirror() const;
    // The mapping of intensities this state draws with (see yMappingOf).
    TYMapping yMapping() const;
};

// The world/pixel mapping of a plot of size pixels over the data's ranges, with the plot's
// text measuring: what the label layout of a picture of that size needs. Reads the data's
// ranges as they are when asked; lives no longer than the data.
class TPlotMapping : public iWorldControl {
public:
    TPlotMapping(const TSpectrumData& data, QSize size);
    // With intensities drawn through y (log or mirror units); the mapping keeps the display
    // range it draws over.
    TPlotMapping(const TSpectrumData& data, QSize size, const TYMapping& y);
    // The mapping the state draws with: in a mirror plot each series has its own factor, and
    // a point of a series maps where that series draws it.
    TPlotMapping(const TPlotState& state, QSize size);

    // The view without a series' factor: what points of no series map through.
    const TDrawView& view() const { return m_view; }
    // The view series index (of the data's list) is drawn with.
    TDrawView serieView(int index) const;

    TRect clientRect() const override;
    // A point of a series (a peak's label, a measured end) maps as its series draws it; any
    // other point through view().
    TPoint worldToDevice(double x, double y) const override;
    bool pointsDown(double x, double y) const override;
    int worldToDeviceX(double x, double y) const override;
    TFloatRect deviceRectToWorld(const TRect& r) const override;
    int pickTolerance() const override;
    TSize textExtent(std::string_view text, const TFontEx& font) const override;
    int textWidthAtLeast(std::string_view text, const TFontEx& font) const override;

private:
    // The factor of the series holding point (x, y); 1 (no factor) for other points.
    double factorOf(double x, double y) const;

    TDrawView m_view;
    TRangePtr m_displayY;
    const TPointListSerieList* m_series = nullptr;
    std::vector<double> m_factors;  // mirror plots: indexed like *m_series
};

// The pen of inverted lines: one pixel, and the last pixel of a segment left out, so that
// joined segments do not invert their common pixel twice.
QPen invertingPen();

// Draws plots. Keeps what makes repaints of the same point lists cheap (see TSerieDrawer): one
// per plot widget, or a short-lived one for a picture. GUI thread only.
class TPlotRenderer {
public:
    // The whole plot in size pixels with its top-left corner at the painter's origin, clipped
    // to it: background, series, labels, frame, focus frame and threshold, as the plot on
    // screen shows them without its mouse tool and cross-hair. labels is the placement to
    // draw (the plot's shownLabels(), say); without it the labels get a fresh layout for size
    // and keep their own. On a raster device with no more than a translation the pixels are
    // those of the screen at the device's pixel ratio; other devices get the same figures as
    // lines and text. Every part is drawn even when another one fails; returns the texts of
    // the failures (conversions the ranges could not make included), each once.
    std::vector<std::string> render(QPainter& painter, QSize size, const TPlotState& state,
                                    const TRenderSettings& settings,
                                    const TPlacedLabels* labels = nullptr);

    // The parts, in the order render draws them; each leaves the painter as it found it
    // and throws what fails in it.

    // Every series but the current one in list order, then the current one, highlighted when
    // there are others. Without antialiasing, as the painter is set. A series whose colour
    // the background would hide is drawn in a visible one (see visibleOn).
    // In a mirror view each series is drawn in percent of its own base peak in view, those
    // flipped (mirrored, indexed like the series) below the zero line, which is drawn too.
    void renderSeries(QPainter& painter, const TDrawView& view, TPointListSerieList& series,
                      const TRenderSettings& settings, const std::vector<bool>& mirrored = {});
    // Each label's text at its origin, in its font; a label the user moved is joined to its
    // peak by a thin line.
    static void renderLabels(QPainter& painter, const TPlacedLabels& labels);
    // The brush over the inside of the plot, one pixel in from its edges, then the one-pixel
    // frame along them; nothing for an invalid colour.
    static void renderFrame(QPainter& painter, QSize size, const QColor& color,
                            const TBrush& brush);
    // The outline one pixel inside the frame.
    static void renderFocusFrame(QPainter& painter, QSize size, const TRenderSettings& settings);
    // The current series' threshold with its handles; throws EMathError afterwards when its
    // value at an edge of the view cannot be computed, which cut the figure short.
    static void renderThreshold(QPainter& painter, const TDrawView& view,
                                TPointListSerieList& series, const TRenderSettings& settings);
    // The marks as placeMarks places them, each in its colour, their texts on the background
    // so that the peaks beneath do not hide them.
    static void renderMarks(QPainter& painter, const TDrawView& view,
                            const std::vector<TPlotMark>& marks, const QColor& background);
    // The pinned measurements (see paintMeasurement), each end where mapping draws its peak.
    static void renderPins(QPainter& painter, const iWorldControl& mapping,
                           const std::vector<TMeasurement>& pins);
    // An axis in rect (painter coordinates), clipped to it.
    static void renderAxis(QPainter& painter, const QRect& rect, const TAxisLook& look,
                           const TRange* range);

private:
    TSerieDrawer m_drawer;
};
