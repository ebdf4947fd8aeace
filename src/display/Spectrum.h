// The plot widget of a spectrum pane: series and labels of one spectrum data object over the
// whole widget, its figures, the view history, its axes and the mouse tool.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "display/PlotRenderer.h"
#include "display/Readout.h"
#include "display/SpectrumCursor.h"
#include "display/iSpectrum.h"
#include "model/ViewHistory.h"

class QMenu;
class QPainter;
class TAxis;

// What a pane shows beyond its data and window, carried when the pane is copied: the
// intensity scale, the series flipped below the axis (indexed like the series) and the pinned
// measurements. Not part of the .mzi format.
struct TPaneViewState {
    TPlotScale scale;
    std::vector<bool> mirrored;
    std::vector<TMeasurement> pins;
};
class TMeasureTool;
struct TMeasurement;

// The world/pixel mapping uses logical pixels: the visible ranges span the whole widget, pixel
// 0 to width - 1 and 0 to height - 1, the y range reversed. The plot's renderer draws series
// and labels into a cached image at the screen's pixel density when what they show changes,
// and the frame, focus frame and threshold over it in every repaint; the cross-hair and the
// tool's figures follow. The inverting figures invert what lies beneath.
//
// Nothing throws out of painting, the mouse handlers or the slots: a failure there (a
// conversion the ranges cannot make, an overflow in the threshold, any exception of the
// drawing) is handed out through messageRaised once the event is over, once per burst: the
// same text is raised again only after a repaint (or mouse event) went by without it.
class TSpectrum : public QWidget, public iSpectrum {
    Q_OBJECT

public:
    explicit TSpectrum(QWidget* parent = nullptr);
    ~TSpectrum() override;

    // --- iWorldControl -----------------------------------------------------------------------
    TRect clientRect() const override;
    // In a mirror plot a point of a series (a label's peak, a measured end) maps where its
    // series is drawn; other points map over the y range as they do without a mirror.
    TPoint worldToDevice(double x, double y) const override;
    int worldToDeviceX(double x, double y) const override;
    bool pointsDown(double x, double y) const override;
    TPoint serieToDevice(const TPointListSerie& serie, double x, double y) const override;
    TFloatRect deviceRectToWorld(const TRect& r) const override;
    int pickTolerance() const override;
    TSize textExtent(std::string_view text, const TFontEx& font) const override;
    int textWidthAtLeast(std::string_view text, const TFontEx& font) const override;

    // --- iDevToLog ---------------------------------------------------------------------------
    TFloatPointRec deviceToWorld(double px, double py) const override;
    TRect worldRectToDevice(const TFloatRect& r) const override;

    // --- iSpectrum ---------------------------------------------------------------------------
    int width() const override { return QWidget::width(); }
    int height() const override { return QWidget::height(); }
    void invalidate() override;
    void invalidateRect(const TRect& r) override;
    void setCursorId(int id) override;

    double baseLine() const override;
    void setBaseLine(double value) override;
    const TRangePtr& xRange() const override;
    // Also hands the range to the x axis and lays the labels out again. The plot listens to
    // the ranges it shows: each change lays the labels out again and asks for a repaint (the
    // view is announced by invalidate()).
    void setXRange(TRangePtr range) override;
    const TRangePtr& yRange() const override;
    void setYRange(TRangePtr range) override;
    const TPointListSerieListPtr& series() const override;
    void setPickTolerance(int value) override;
    const TLabelSeriesPtr& labels() const override;

    TFloatRect getView() const override;
    void setView(double xMin, double xMax, double yMin, double yMax) override;
    // Widens a window narrower than 0.01 in x or 0.05 in y about its centre; records nothing
    // when the window is the current one or holds a value that is not a finite number.
    void zoomTo(double xMin, double xMax, double yMin, double yMax) override;
    void recordView() override;
    void recordViewStep() override;
    void endViewGesture() override;
    void viewForward() override;
    void viewBack() override;
    void startViewHistory() override;
    void suspendYFit() override;
    void resumeYFit() override;

    bool isFocused() const override { return m_focused; }
    // Draws or removes the focus frame; an unfocused plot shows the standard cursor, a
    // focused one its tool's.
    void setFocused(bool value) override;
    TFloatPointRec mousePos() const override { return m_mousePos; }
    void setMousePos(const TFloatPointRec& p) override { m_mousePos = p; }
    TSpectrumCursor& spectrumCursor() override { return m_spectrumCursor; }
    const TSpectrumDataPtr& spectrumData() const override { return m_data; }
    // Takes the data (an empty pointer is refused with std::invalid_argument), hands its
    // ranges to the axes, empties the view history and raises spectrumDataChanged.
    void setSpectrumData(TSpectrumDataPtr data) override;

    void resetThreshold() override;
    const std::string& fileName() const override { return m_fileName; }
    // Raises fileNameChanged when the name is another one.
    void setFileName(std::string value) override;
    // Raises labelMenuRequested once the current event is over.
    void popupLabelMenu(int tag, int x, int y) override;

    // --- the plot's own ----------------------------------------------------------------------
    // Empties the view history (index -1); loaders then call startViewHistory.
    void clearViewHistory();
    const TViewHistory& viewHistory() const { return m_history; }

    // The axes are siblings in the plot's parent, placed against the plot's edges with its
    // length; not owned. An x axis that is not horizontal becomes a bottom axis, a y axis that
    // is horizontal a left one; an axis given for the other role is taken from it.
    TAxis* xAxis() const;
    void setXAxis(TAxis* axis);
    TAxis* yAxis() const;
    void setYAxis(TAxis* axis);

    // The tool that receives the mouse and paints last; a new tool brings its cursor.
    const iSpectrumToolPtr& tool() const { return m_tool; }
    void setTool(iSpectrumToolPtr tool);
    // The tool a Ctrl+drag with the left button uses whatever the tool is (a span tool picking
    // a window); none by default, when the drag goes to the tool as any other.
    const iSpectrumToolPtr& spanTool() const { return m_spanTool; }
    void setSpanTool(iSpectrumToolPtr tool);
    int cursorId() const { return m_cursorId; }

    // The current series' threshold is drawn unless hidden; hidden to begin with.
    bool hideThreshold() const { return m_hideThreshold; }
    void setHideThreshold(bool value);
    // Whether a wide gap in a Line series falls to the base line (spectra, the default) or
    // the points on both sides are joined (chromatograms).
    bool gapsAreEmpty() const { return m_gapsAreEmpty; }
    void setGapsAreEmpty(bool value);
    // Frame colour, navy to begin with; an invalid colour draws no frame.
    QColor color() const { return m_color; }
    void setColor(const QColor& value);

    // World positions of the last press and release; whether a button is held.
    TFloatPointRec downPoint() const { return m_downPoint; }
    TFloatPointRec upPoint() const { return m_upPoint; }
    bool isButtonDown() const { return m_buttonDown; }

    // Status-bar text for the mouse position, measured from the current series' reference
    // point, else from the last press: " %.5f %s%.5f = %.5f (m/z)", always with '.'.
    QString cursorReadout() const;

    // --- the peak read-out -------------------------------------------------------------------
    // While the pointer is over the plot, the point of any series nearest to it within
    // readoutTolerance pixels is read out and marked with a hollow circle in its series'
    // colour; the read-out goes when the pointer leaves. Ctrl+Left / Ctrl+Right step it to the
    // previous / next point of its series (of the current series without one), showing that
    // point when it lies outside the view, and it stays there until the pointer moves. A view
    // change reads again under the pointer (a stepped read-out keeps its point).
    static constexpr int readoutTolerance = 6;   // pixels
    static constexpr int readoutMarkerSize = 7;  // pixels across
    const std::optional<TReadout>& readout() const { return m_readout; }
    // Between a mouse move over the plot and the pointer leaving it.
    bool isHovered() const { return m_hovered; }
    // The status-bar text: the measurement's while one is shown, else the read-out's when
    // there is one, else cursorReadout().
    QString statusText() const;

    // --- intensity scale, mirror, pinned measurements ---------------------------------------
    // The scale the plot and its y axis show (absolute numbers, no fit on a plot of its own;
    // the viewer's panes fit y). With
    // fitY, every change of the x window sets y from the base line to the highest visible
    // point with fitHeadroom over it, before the view is recorded; a y stretch suspends that
    // until fitYToVisible or a full range. The y axis follows: its scale, its title
    // ("Intensity", or "Relative intensity (%)" for percent and mirror plots).
    const TPlotScale& plotScale() const { return m_scale; }
    void setPlotScale(const TPlotScale& scale);
    void setIntensityScale(TIntensityScale intensity);
    // A series flipped below the axis; with any flipped, every series shows in percent of its
    // own base peak in view. Series are watched, not held.
    bool isMirrored(const TPointListSerie& serie) const;
    void setMirrored(const TPointListSeriePtr& serie, bool mirrored);
    // Indexed like series(): which are flipped.
    std::vector<bool> mirroredFlags() const;

    // Measurements kept on the plot as annotations. pinMeasurement pins the one shown, which
    // then goes; false without one. Pinning and removing are undone and redone step by step.
    const std::vector<TMeasurement>& pins() const { return m_pins; }
    bool pinMeasurement();
    void removePin(int index);
    void removeAllPins();
    bool canUndoPins() const { return !m_pinsUndo.empty(); }
    bool canRedoPins() const { return !m_pinsRedo.empty(); }
    void undoPins();
    void redoPins();
    // Every pinned measurement's text, one a line.
    QString pinsText() const;

    // The pane's own menu of these settings (the y axis shows it on a right click): the
    // scales, the fit, Mirror for the current series, Pin measurement and Remove pins;
    // each applies to this plot.
    QMenu* makeScaleMenu(QWidget* parent);

    // The scale, mirror flags and pins together, for a copy of the pane. Setting it empties
    // the pins' undo steps.
    TPaneViewState viewState() const;
    void setViewState(const TPaneViewState& state);

    // --- measuring ---------------------------------------------------------------------------
    // Shift with a left drag measures from peak to peak under any tool (see TMeasureTool),
    // which then sees nothing of that drag; the measure tool measures with plain drags. The
    // measurement stays until the next press, Esc, or other data; one is shown at a time.
    // nullptr when none is shown.
    const TMeasurement* measurement() const;
    void clearMeasurement();

    // Drops the cached drawing of series and labels and repaints, for changes the cache
    // cannot see.
    void invalidateDrawing();

    // What a picture of this plot draws (see TPlotRenderer::render): the plot's state, and
    // the settings the plot itself draws with (the program-wide line widths, its background).
    TPlotState plotState() const;
    TRenderSettings renderSettings() const;
    // The labels as the last drawing of the cached image placed them; their own bounds, which
    // hit tests and drags read, are the same.
    const TPlacedLabels& shownLabels() const { return m_shownLabels; }

    // Marks over the plot (see TPlotMark), drawn after the frame and in pictures. A left click
    // on a mark with a tag of 0 or more raises markClicked instead of reaching the tool.
    const std::vector<TPlotMark>& marks() const { return m_marks; }
    void setMarks(std::vector<TPlotMark> marks);
    // The mark whose triangle (within the pick tolerance; the nearest) or text lies at plot
    // pixel (x, y); its index in marks().
    std::optional<int> markAt(int x, int y) const;

    // Raised by a press on an unfocused plot, which then does nothing else.
    std::function<void(TSpectrum*)> onGetFocus;

    // --- moving with the wheel, the keys and gestures ----------------------------------------
    // The plot takes the keyboard focus by click, tab and wheel. The wheel over the plot or
    // its x axis zooms x about the m/z under the pointer (0.85 per notch, hi-res wheels in
    // proportion, at most 3 notches per event); over the y axis or with Ctrl it stretches y;
    // with Shift, or a horizontal wheel or swipe, it pans x by 10 % of the width a notch. A
    // pinch zooms x about the pointer; the middle button drags x. Double-clicking an axis fits
    // it (x: every series' data; y: the highest visible point). Keys: see the View menu.
    // A burst of such moves leaves one history entry; it ends after gesturePauseMs without
    // one, on a key release, a mouse press, when the pointer leaves, or with any other view
    // command.
    static constexpr int gesturePauseMs = 500;
    static constexpr double wheelZoomFactor = 0.85;
    static constexpr int maxWheelNotches = 3;
    // Zooms x about the pointer when it is over the plot, about the centre otherwise.
    void zoomXAtPointer(double factor);
    // Fits y to the highest point of any series in the visible x range, the bottom kept, and
    // resumes a suspended y fit.
    void fitYToVisible();
    // Gives up a drag in progress and shows the view it started from.
    void cancelDrag();
    bool isPanning() const { return m_panning; }

signals:
    // Plot pixels; after the tool has handled the event.
    void mousePressed(Qt::MouseButton button, int x, int y);
    void mouseMoved(int x, int y);
    void mouseReleased(Qt::MouseButton button, int x, int y);
    // The visible window differs from the one last announced (zoom, history, tools, new
    // ranges); raised when the plot is asked to repaint.
    void viewChanged();
    // The label tool released a label with the right button at plot pixel (x, y); tag names
    // the menu to pop up, if any.
    void labelMenuRequested(int tag, int x, int y);
    // A failure during painting or mouse handling, for the application's message box.
    void messageRaised(const QString& text);
    // Another data object (with its own series list and ranges) is shown.
    void spectrumDataChanged();
    // The user asked for the full range of every pane that moves with this one (Ctrl+Home);
    // the plot has shown its own.
    void fullRangeOfAllRequested();
    void fileNameChanged();
    // The read-out appeared, went, or shows another point or text.
    void readoutChanged();
    // The measurement appeared, went or changed.
    void measurementChanged();
    // A left click on the mark of tag; modifiers as at the release.
    void markClicked(int tag, Qt::KeyboardModifiers modifiers);
    // The scale, a mirror flag or the pins changed.
    void viewStateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the cached image shows; a change of any part renders it again.
    struct TSerieKey {
        const void* serie = nullptr;
        const void* points = nullptr;
        std::uint64_t revision = 0;
        std::uint32_t color = 0;
        int style = 0;

        friend bool operator==(const TSerieKey&, const TSerieKey&) = default;
    };
    struct TDrawingKey {
        int width = 0;
        int height = 0;
        double pixelRatio = 1.0;
        std::uint32_t background = 0;
        double xMin = 0.0, xMax = 0.0, yMin = 0.0, yMax = 0.0;
        bool xReversed = false, yReversed = false;
        double baseLine = 0.0;
        int serieWidth = 0;
        int highlightWidth = 0;
        bool gapsAreEmpty = true;
        const void* seriesList = nullptr;
        int currentIndex = -1;
        std::vector<TSerieKey> series;
        std::uint64_t labels = 0;
        int intensity = 0;
        bool log = false;
        double logFloor = 0.0;
        std::vector<bool> mirrored;

        friend bool operator==(const TDrawingKey&, const TDrawingKey&) = default;
    };
    // Texts already raised in the running burst of one kind of event.
    struct TMessageBurst {
        std::vector<std::string> raised;
    };

    // What the mirror factors were computed for: the x window and each series' points.
    struct TFactorKey {
        double xMin = 0.0, xMax = 0.0;
        std::vector<TSerieKey> series;
        std::vector<bool> mirrored;

        friend bool operator==(const TFactorKey&, const TFactorKey&) = default;
    };

    TDrawingKey drawingKey() const;
    // The factor of each series (indexed like them) as the drawing of a mirror plot computes
    // it now; reckoned again only when the window or the points have changed.
    const std::vector<double>& mirrorFactorsNow() const;
    // The pixel of (x, y) drawn with factor.
    TPoint mirrorToDevice(double x, double y, double factor) const;
    // The factor of the series holding (x, y); 1 for any other point.
    double mirrorFactorAt(double x, double y) const;
    std::uint64_t labelStateHash() const;
    void updateCache(std::vector<std::string>& messages);
    void placeAxes();
    void watchAxis(TAxis* axis, bool watch);
    // Listens to the ranges and the series list of the data now shown.
    void watchData();
    void rangeChanged();
    QPoint eventPixel(const QMouseEvent& event) const;
    // A wheel turn at plot pixel x; overYAxis stretches y instead of zooming x.
    void wheelTurned(const QWheelEvent& event, double pixelX, bool overYAxis);
    // The key's view move; false for a key the plot does not take.
    bool moveForKey(const QKeyEvent& event);
    // The read-out moved to the neighbouring point, towards higher m/z for a positive step.
    void stepReadout(int step);
    // Replaces the read-out, announcing a change.
    void setReadout(std::optional<TReadout> value);
    // Reads again under the pointer after the view changed.
    void refreshReadout();
    void paintReadoutMarker(QPainter& painter) const;
    // The tool when it is a measure tool.
    TMeasureTool* measureToolInUse() const;
    // The pause timer runs again from now.
    void continueViewGesture();
    // The y window the fit gives for x1..x2; none without a fit or a visible peak.
    std::optional<std::pair<double, double>> yFitFor(double x1, double x2) const;
    // Fits y when x moved since the last fit; no recording, no repaint.
    void applyYFit();
    // Hands the y axis its scale and title.
    void updateYAxis();
    void setPins(std::vector<TMeasurement> pins, bool undoable);
    // Runs a mouse handler's work, turning failures into messages.
    void handleMouse(const std::function<void()>& work);
    // Queues the texts of messages not raised in the burst's previous event; the burst then
    // holds exactly these messages.
    void announce(TMessageBurst& burst, std::vector<std::string> messages);

    TSpectrumDataPtr m_data;
    QPointer<TAxis> m_yAxis;
    QPointer<TAxis> m_xAxis;
    bool m_focused = false;
    TFloatPointRec m_downPoint;
    TFloatPointRec m_mousePos;
    TFloatPointRec m_upPoint;
    bool m_buttonDown = false;
    // The view when the button went down, for a drag given up with Esc; the release of that
    // drag is then not the tool's.
    TFloatRect m_pressView;
    bool m_dragCancelled = false;
    // Dragging x with the middle button from pixel m_panFromX over the view m_panView.
    bool m_panning = false;
    int m_panFromX = 0;
    TFloatRect m_panView;
    QTimer m_gesturePause;
    TCrossCursor m_spectrumCursor;
    iSpectrumToolPtr m_tool;
    TViewHistory m_history;
    std::string m_fileName;
    bool m_hideThreshold = true;
    bool m_gapsAreEmpty = true;
    QColor m_color;
    int m_cursorId = 0;
    std::optional<TReadout> m_readout;
    bool m_hovered = false;
    QPoint m_hoverPixel;
    // Ctrl+Left / Ctrl+Right put the read-out where it is; the next mouse move reads again.
    bool m_readoutStepped = false;
    // Measures Shift+drags whatever the tool; m_shiftMeasuring while such a drag goes on.
    std::shared_ptr<TMeasureTool> m_shiftMeasure;
    bool m_shiftMeasuring = false;
    // Takes Ctrl+drags when set; m_spanning while such a drag goes on.
    iSpectrumToolPtr m_spanTool;
    bool m_spanning = false;

    TPlotRenderer m_renderer;
    QImage m_cache;
    TDrawingKey m_cacheKey;
    bool m_cacheValid = false;
    TPlacedLabels m_shownLabels;
    TFloatRect m_announcedView;
    // The size the labels were last asked to lay out for.
    QSize m_labelSize;
    TMessageBurst m_paintMessages;
    TMessageBurst m_mouseMessages;
    std::vector<TPlotMark> m_marks;
    std::optional<int> m_pressedMark;  // the clickable mark under the last left press
    // A plot on its own keeps the window it is given; the viewer's panes fit y (the spectra
    // manager and the run browser turn the fit on).
    TPlotScale m_scale{TIntensityScale::Absolute, TPercentOf::View, false, false};
    // The x window y was last fitted to.
    std::pair<double, double> m_fittedX{0.0, 0.0};
    std::vector<std::weak_ptr<TPointListSerie>> m_mirrored;
    // What the plot's own mapping draws y with; the display range of a log scale.
    TYMapping m_yMapping;
    TRangePtr m_displayY;
    // A mirror plot's display range (percent), which the points of its series map over.
    TRangePtr m_mirrorY;
    mutable TFactorKey m_factorKey;
    mutable std::vector<double> m_factors;
    std::vector<TMeasurement> m_pins;
    std::vector<std::vector<TMeasurement>> m_pinsUndo;  // earlier pin lists, latest last
    std::vector<std::vector<TMeasurement>> m_pinsRedo;

    // Last, so that they go first: no notification reaches a plot being destroyed.
    TConnection m_xRangeChange;
    TConnection m_yRangeChange;
    TConnection m_seriesChange;
};
