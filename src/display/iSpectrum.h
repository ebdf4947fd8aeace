// What mouse tools, the cross-hair, the pane and the navigator see of a plot, and what the plot
// sees of a mouse tool. The plot widget implements iSpectrum; tests use a fake.
#pragma once

#include <QtCore/qnamespace.h>

#include <memory>
#include <string>

#include "model/FloatPoint.h"
#include "model/LabelSeries.h"
#include "model/PointListSerie.h"
#include "model/Range.h"
#include "model/SpectrumData.h"
#include "model/WorldControl.h"

class QPainter;
class TSpectrumCursor;

// The world/pixel mapping of a plot: its ranges stretched over the whole widget, pixel 0 to
// width - 1 and 0 to height - 1, the y range reversed.
class iDevToLog {
public:
    virtual ~iDevToLog() = default;

    // Inverse of worldToDevice (pixels may be fractional); a dimension of 1 pixel or less
    // gives world 0.
    virtual TFloatPointRec deviceToWorld(double px, double py) const = 0;
    // Each corner of r to pixels.
    virtual TRect worldRectToDevice(const TFloatRect& r) const = 0;
};

class iSpectrum : public iWorldControl, public iDevToLog {
public:
    // Size of the plot in logical pixels.
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Asks for a repaint (the figures of the tool and cross-hair are drawn in it).
    virtual void invalidate() = 0;
    // Asks for a repaint of r only (plot pixels).
    virtual void invalidateRect(const TRect& r) = 0;
    // Shows the mouse cursor with that identifier over the plot (see display/Cursors.h).
    virtual void setCursorId(int id) = 0;

    virtual double baseLine() const = 0;
    virtual void setBaseLine(double value) = 0;
    virtual const TRangePtr& xRange() const = 0;
    virtual void setXRange(TRangePtr range) = 0;
    virtual const TRangePtr& yRange() const = 0;
    virtual void setYRange(TRangePtr range) = 0;
    virtual const TPointListSerieListPtr& series() const = 0;
    virtual void setPickTolerance(int value) = 0;
    virtual const TLabelSeriesPtr& labels() const = 0;
    // The pixel of point (x, y) of serie where the plot draws it: a plot drawing each series
    // to a scale of its own (a mirror plot) maps it through that series' scale.
    virtual TPoint serieToDevice(const TPointListSerie&, double x, double y) const {
        return worldToDevice(x, y);
    }

    // The visible window as (XMin, YMin, XMax, YMax).
    virtual TFloatRect getView() const = 0;
    // Sets the window without recording it and without repainting.
    virtual void setView(double xMin, double xMax, double yMin, double yMax) = 0;
    // Sets the window, records it in the view history and repaints.
    virtual void zoomTo(double xMin, double xMax, double yMin, double yMax) = 0;
    // Records the window shown, after a gesture or command changed the ranges directly, and
    // repaints; records nothing when the history's current entry already holds that window.
    virtual void recordView() = 0;
    // Records the window shown as one step of a gesture of many small moves (wheel turns, keys
    // held down): the burst leaves one history entry, the view before it one step back. The
    // gesture ends after a pause, with any other view command, a mouse press or a key release.
    virtual void recordViewStep() = 0;
    virtual void endViewGesture() = 0;
    virtual void viewForward() = 0;
    virtual void viewBack() = 0;
    // Makes the current window the only entry of an empty history.
    virtual void startViewHistory() = 0;
    // A plot that keeps y fitted to what is visible stops doing so after a y stretch, until
    // the next explicit fit (full range, fitting the y axis). Plots without a fit ignore both.
    virtual void suspendYFit() {}
    virtual void resumeYFit() {}

    virtual bool isFocused() const = 0;
    virtual void setFocused(bool value) = 0;
    // World position of the mouse, updated on press and move.
    virtual TFloatPointRec mousePos() const = 0;
    virtual void setMousePos(const TFloatPointRec& p) = 0;
    // The cross-hair object the cross cursor tool moves; owned by the plot.
    virtual TSpectrumCursor& spectrumCursor() = 0;
    virtual const TSpectrumDataPtr& spectrumData() const = 0;
    virtual void setSpectrumData(TSpectrumDataPtr data) = 0;

    // Replaces the current series' threshold by a flat one across its points.
    virtual void resetThreshold() = 0;
    virtual const std::string& fileName() const = 0;
    virtual void setFileName(std::string value) = 0;

    // The label tool released a label with the right button at plot pixel (x, y): the plot
    // pops up the menu that the label's tag names, if any.
    virtual void popupLabelMenu(int tag, int x, int y) = 0;
};

// A mouse tool: the plot hands it presses, moves and releases (plot pixels) and lets it paint
// its figures last in every repaint.
class iSpectrumTool {
public:
    virtual ~iSpectrumTool() = default;

    virtual void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x,
                           int y) = 0;
    virtual void mouseMove(Qt::KeyboardModifiers modifiers, int x, int y) = 0;
    virtual void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) = 0;
    // Identifier of the mouse cursor shown while the tool is current (display/Cursors.h).
    virtual int cursor() const = 0;
    virtual void setCursor(int id) = 0;

    // The plot the tool works on; not owned.
    virtual iSpectrum* spectrum() const = 0;
    virtual void setSpectrum(iSpectrum* spectrum) = 0;
    // A zone left standing, in world units.
    virtual TFloatRect getWorldZone() const = 0;
    virtual void setWorldZone(const TFloatRect& zone) = 0;
    // The zone is no wider (higher) than the plot's pick tolerance.
    virtual bool zoneNarrowX() const = 0;
    virtual bool zoneNarrowY() const = 0;

    // Draws the tool's figures (zone, dragged label frame) with an inverting pen over what
    // the plot has painted.
    virtual void paint(QPainter& painter) = 0;
    // Gives up the drag in progress: its figures go, the release that follows is not handed
    // on. The plot shows the view the drag started from again.
    virtual void cancelDrag() {}
};

using iSpectrumToolPtr = std::shared_ptr<iSpectrumTool>;
