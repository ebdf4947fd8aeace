// The mouse tools of a plot: cross-hair, zone, zoom, scroll, x and y stretch, label move.
#pragma once

#include "display/iSpectrum.h"
#include "model/Label.h"

// Zone grab modes: which edges of a zone a press grabbed.
namespace grab {
inline constexpr int none = 0;  // the press is outside the zone
inline constexpr int left = 1;
inline constexpr int right = 2;
inline constexpr int top = 4;
inline constexpr int bottom = 8;
inline constexpr int whole = 15;  // inside, away from the edges: the zone moves
}  // namespace grab

// Which part of zone (plot pixels, normalized) the point (x, y) grabs: grab::none outside the
// zone grown by tolerance on every side, else the edges within tolerance of the point (left
// before right, top before bottom), grab::whole away from every edge.
int zoneHitTest(int x, int y, const TRect& zone, int tolerance);

// Press, move and release of a plain tool: the press starts a drag and the release ends it.
class TSpectrumTool : public iSpectrumTool {
public:
    // Seeds the plot's view history, so that the view before the first zoom can be returned
    // to. The tool keeps a plain pointer to the plot, which outlives it or replaces it.
    explicit TSpectrumTool(iSpectrum& spectrum);

    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseMove(Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
    int cursor() const override { return m_cursor; }
    void setCursor(int id) override { m_cursor = id; }

    iSpectrum* spectrum() const override { return m_spectrum; }
    void setSpectrum(iSpectrum* spectrum) override { m_spectrum = spectrum; }
    TFloatRect getWorldZone() const override { return m_worldZone; }
    void setWorldZone(const TFloatRect& zone) override { m_worldZone = zone; }
    bool zoneNarrowX() const override;
    bool zoneNarrowY() const override;

    void paint(QPainter& painter) override;
    void cancelDrag() override;

    // A drag is in progress.
    bool isDown() const { return m_down; }
    // The device rectangle of the zone or label being dragged, as the last event left it.
    TRect zone() const { return m_zone; }
    int grabMode() const { return m_grabMode; }

protected:
    iSpectrum* m_spectrum;
    bool m_down = false;
    // Plot pixel position of the press, then of the last handled move.
    int m_lastX = 0;
    int m_lastY = 0;
    TRect m_zone;
    TFloatRect m_worldZone;
    int m_grabMode = grab::none;
    int m_cursor;
};

// Moves the plot's cross-hair with the mouse while a button is held.
class TCrossCursorTool : public TSpectrumTool {
public:
    using TSpectrumTool::TSpectrumTool;

    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseMove(Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
};

// Changes the visible ranges while dragging, with the labels hidden; the release records the
// resulting view in the history when the drag moved it. A release without a press (the click
// that only activated the pane) does nothing.
class TStretchTool : public TSpectrumTool {
public:
    using TSpectrumTool::TSpectrumTool;

    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
    void cancelDrag() override;

private:
    TFloatRect m_pressView;
    bool m_labelsWereVisible = true;
};

// Stretches x: in the right half the left edge stays and the value under the press follows
// the mouse, in the left half the right edge stays.
class TStretchXTool : public TStretchTool {
public:
    using TStretchTool::TStretchTool;

    void mouseMove(Qt::KeyboardModifiers modifiers, int x, int y) override;
};

// Stretches y about the base line, which stays in place.
class TStretchYTool : public TStretchTool {
public:
    using TStretchTool::TStretchTool;

    void mouseMove(Qt::KeyboardModifiers modifiers, int x, int y) override;
};

// Drags the data with the mouse in both directions.
class TScrollTool : public TStretchTool {
public:
    using TStretchTool::TStretchTool;

    void mouseMove(Qt::KeyboardModifiers modifiers, int x, int y) override;
};

// A tool with a rectangle figure: drawn in every repaint while shown, inverting what is
// beneath it.
class TRectTool : public TSpectrumTool {
public:
    using TSpectrumTool::TSpectrumTool;

    void paint(QPainter& painter) override;
    void cancelDrag() override;

    // The figure is on the plot.
    bool isZoneShown() const { return m_zoneShown; }

protected:
    // Puts the figure on the plot or takes it off; a change asks for a repaint.
    void showZone(bool shown);

    bool m_zoneShown = false;
};

// Marks a zone that stays after the drag and follows zooming and scrolling: a press on its
// edges or inside it changes it, a press outside starts a new one.
class TZoneTool : public TRectTool {
public:
    using TRectTool::TRectTool;

    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseMove(Qt::KeyboardModifiers modifiers, int x, int y) override;
    // Also without a preceding press: the world zone is taken from the current device zone.
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
    // Outside a drag the zone is placed from its world rectangle, so that it follows the view.
    void paint(QPainter& painter) override;
};

// Zooms to the dragged zone: both axes, or x only for a zone less than 15 pixels high; a zone
// 5 pixels wide or narrower changes nothing. No zone stays after the release.
class TZoomTool : public TZoneTool {
public:
    using TZoneTool::TZoneTool;

    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
};

// Drags a label of a movable label list to a new place; a release with the right button
// also pops up the label's menu.
class TLabelTool : public TRectTool {
public:
    using TRectTool::TRectTool;

    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseMove(Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;

    const TControlLabelPtr& grabbedLabel() const { return m_grabbedLabel; }

private:
    TControlLabelPtr m_grabbedLabel;
};

// One factory per kind; each gives the tool the cursor it shows (display/Cursors.h).
iSpectrumToolPtr makeCrossCursorTool(iSpectrum& spectrum);
iSpectrumToolPtr makeStretchXTool(iSpectrum& spectrum);
iSpectrumToolPtr makeStretchYTool(iSpectrum& spectrum);
iSpectrumToolPtr makeScrollTool(iSpectrum& spectrum);
iSpectrumToolPtr makeZoneTool(iSpectrum& spectrum);
iSpectrumToolPtr makeZoomTool(iSpectrum& spectrum);
iSpectrumToolPtr makeLabelTool(iSpectrum& spectrum);
