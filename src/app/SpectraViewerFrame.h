// The viewer frame: the spectra manager, every action of the menus with its enabling rules,
// and the commands behind them.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/Document.h"
#include "app/PictureExport.h"
#include "app/SerieText.h"
#include "display/IntensityScale.h"
#include "display/PlotRenderer.h"
#include "app/ViewerServices.h"
#include "files/RunReader.h"
#include "files/RunSelection.h"
#include "model/PointListSerie.h"

class QAction;
class QDockWidget;
class TAnnotationsWindow;
class TRunBrowser;
struct TMeasurement;
struct TReadout;
class TSpectraManager;
class TSpectrum;
class TSpectrumContainer;
class TSpectrumData;

// Every action of the menus and shortcuts, in menu order. The object names of the actions are
// these names ("FileSave", "ViewAllSeriesBar", …).
enum class TActionId {
    FileNew,
    FileOpen,
    FileSave,
    FileSaveAs,
    FileSaveRange,
    FileImport,
    FileExport,
    FileExportPicture,
    FileAnnotations,
    FilePrint,
    FilePrintPreview,
    FilePrintSetup,
    FileExit,
    FileReloadLibrary,
    EditCutSerie,
    EditCopySerie,
    EditCopyRangeSerie,
    EditCopyMass,
    EditCopyPicture,
    EditPasteAsNew,
    EditPasteOverwrite,
    EditInsertSpline,
    EditDeleteSerie,
    EditDeleteSeriesContainer,
    ViewCurrentSerieBar,
    ViewCurrentSerieContinue,
    ViewCurrentSerieHighlight,
    ViewCurrentSerieColor,
    ViewCurrentSerieName,
    ViewCurrentSerieLabelsColor,
    ViewCurrentSerieLabelsHide,
    ViewCurrentSerieLabelsFont,
    ViewAllSeriesBar,
    ViewAllSeriesContinue,
    ViewAllSeriesHighlight,
    ViewAllSeriesLabelsHide,
    ViewAllSeriesIncreaseLinewidth,
    ViewAllSeriesDecreaseLinewidth,
    ViewSynchronize,
    ViewSpectrumLabel,
    ViewBackground,
    ViewMoveZoomIn,
    ViewMoveZoomOut,
    ViewMovePanLeft,
    ViewMovePanRight,
    ViewMovePageLeft,
    ViewMovePageRight,
    ViewMoveStart,
    ViewMoveEnd,
    ViewMoveStretchY,
    ViewMoveShrinkY,
    ViewMoveFullRange,
    ViewMoveBack,
    ViewMoveForward,
    ViewScaleFractions,
    ViewScaleAbsolute,
    ViewScaleRelative,
    ViewScaleRelativeWhole,
    ViewScaleLog,
    ViewScaleFitY,
    ViewMirrorSerie,
    ViewPinMeasurement,
    ViewUnpinAll,
    ViewUndoPins,
    ViewRedoPins,
    ToolsDetectPeaks,
};

// The spectrum a browser shows once opened: that of the first scan in scans the run has
// (a run with none of them is an error; scans it lacks are told), else the run's first
// spectrum, or with firstMs1 its first MS1 spectrum when it has one.
struct TBrowseStart {
    std::optional<TScanList> scans;
    bool firstMs1 = false;
};

class TSpectraViewerFrame : public QWidget {
    Q_OBJECT

public:
    explicit TSpectraViewerFrame(TViewerServices services, QWidget* parent = nullptr);
    ~TSpectraViewerFrame() override;

    TSpectraManager* manager() const { return m_manager; }
    const TViewerServices& services() const { return m_services; }
    QAction* action(TActionId id) const;
    // The action with that object name ("FileSave", "ViewAllSeriesBar", …); nullptr for none.
    QAction* action(const QString& name) const;
    // Every action, in menu order.
    const std::vector<QAction*>& actions() const { return m_actionList; }

    // The spectrum the navigator is bound to, and its pane; nullptr without panes.
    TSpectrum* currentSpectrum() const;
    TSpectrumContainer* currentContainer() const;
    // Some pane of the current pane's document changed since it was read or saved.
    bool isCurrentDocumentModified() const;

    // --- action states ---------------------------------------------------------------------
    // Recomputes enabled and checked states of every action now.
    void updateActions();
    // Asks for updateActions once the current events are handled (coalesced).
    void scheduleUpdateActions();

    // --- documents (File menu) -------------------------------------------------------------
    // The document pane came from; nullptr for a pane made without one.
    TDocument* documentOf(const TSpectrumContainer* pane) const;
    // A new pane at the bottom for document, made current, with caption and the document's
    // name. When the manager has no room for it, says so through the dialogs and returns
    // nullptr.
    TSpectrumContainer* openPane(const QString& caption, const TDocumentPtr& document);

    // Adds one pane per spectra element of the document; errors are shown through the dialogs
    // and panes made before a failure stay. Returns whether the load went through.
    bool loadMziFile(const QString& fileName);
    // The document of pane, made for it (unsaved, of no format) when it has none.
    TDocumentPtr documentFor(TSpectrumContainer* pane);
    // Writes every pane of document atomically as one .mzi document; clears their modified
    // flags on success. Errors are shown; returns whether the file was written.
    bool saveDocument(const QString& fileName, TDocument& document);
    // Writes the current series' points inside the visible x range.
    bool saveMziRange(const QString& fileName, TSpectrumData& data);

    // Opens path with the reader its content calls for: a .mzi document, an mzML or mzXML run
    // (gzip-compressed or not) or a text spectrum, whatever the file is named. A file whose
    // first bytes tell nothing (empty, binary, unreadable) goes by its extension, so that the
    // reader it was meant for says what is wrong. scans picks the spectra of a run by scan
    // number; without it a run opens in a browser while browsesRuns(), else as a pane of its
    // first spectra. Other files ignore scans. Errors are
    // shown; returns whether the load went through.
    bool openAnyFile(const QString& path, const std::optional<TScanList>& scans = std::nullopt);

    // --- several files, drops, recent files --------------------------------------------------
    // The file at path (however named) when some pane or browser shows it already: its pane
    // or browser is brought forward and true returned. False for a file not open.
    bool showOpenFile(const QString& path);
    // File > Open of one file: brings it forward when it is open, else opens it with
    // openAnyFile; a file that opened joins the recent files. Returns whether it is shown.
    bool openFile(const QString& path);
    // Every file in order, as openFile; a file that fails says why and the rest still open.
    // Returns how many are shown.
    int openFiles(const QStringList& paths);
    // Adds what the file at path holds to pane as more series, for comparison: every series of
    // a .mzi document, the points of a text spectrum. A run opens in its browser instead, and
    // without pane, or for a browser's pane, the file opens as openFile does. The data of pane
    // counts as modified. Errors are shown; returns whether anything was added or opened.
    bool addFileToPane(const QString& path, TSpectrumContainer* pane);
    // Point text (pairs of m/z and intensity) as a new series of pane, or of a new pane when
    // pane is nullptr or a browser's pane. Text without a point adds nothing and says so.
    bool pasteTextAsSerie(const QString& text, TSpectrumContainer* pane);
    // The file was opened by the user: it goes first in the recent files.
    void rememberFile(const QString& path);

    void fileNew();
    void fileOpen();
    void fileSave();
    void fileSaveAs();
    void fileSaveRange();
    void fileImport();
    void fileExport();
    void fileAnnotations();

    // --- pictures ---------------------------------------------------------------------------
    // The panes a picture of which shows: the current one, all shown or those at the chosen
    // places from the top; none without panes. withChromatogram puts a run browser's
    // chromatogram above the browser's own pane.
    std::vector<TSpectrumContainer*> picturePanes(TPicturePanes which,
                                                  bool withChromatogram = false,
                                                  const std::vector<int>& chosen = {}) const;
    // The export dialog, starting from the settings last chosen, then the file's name; the
    // picture is written completely or not at all. A size that cannot be made is told before
    // the name is asked.
    void fileExportPicture();
    // Puts the current pane's picture on the clipboard as PNG and SVG, with its text read-out,
    // at the size last chosen for an export.
    void editCopyPicture();
    // Prints the panes through the print dialog or the print preview.
    void filePrint(bool preview);

    // --- imports ----------------------------------------------------------------------------
    // Opens the first scans of an mzXML run as the series of a new pane; errors are shown.
    bool openMzXmlFile(const QString& fileName);
    // Opens spectra of an mzML or mzXML run as the series of a new pane: those of scans, in
    // its order, each named by its scan number, MS level and precursor; without scans the
    // first ones, named by their place. A spectrum that cannot be decoded is told and left
    // out; the others open. Errors are shown; returns whether a pane was opened.
    bool openRunFile(const QString& fileName, const std::optional<TScanList>& scans);
    // Imports a text spectrum file into a new pane; filterIndex as chosen in the Import
    // dialog (2: "HPLC time, x, y1, y2"). Errors are shown; no pane is left behind.
    bool importTextFile(const QString& fileName, int filterIndex);

    // --- run browsers -----------------------------------------------------------------------
    // Whether opening a run without scans (openAnyFile, File > Open) opens a browser for it
    // rather than the pane of its first spectra. Off to begin with: the headless runs keep
    // that pane; the window switches it on.
    bool browsesRuns() const { return m_browsesRuns; }
    void setBrowsesRuns(bool value) { m_browsesRuns = value; }
    // Places a browser's dock; the main window docks it beside the panes. Without it the dock
    // floats as a window of its own.
    void setDockPlacement(std::function<void(QDockWidget*)> place);
    // Opens the run at path in a browser (in a dock, which owns it) and a pane bound to it
    // showing the spectrum start picks. Errors are shown; returns whether the browser opened.
    bool openRunBrowser(const QString& path, const TBrowseStart& start = {});
    // The open browsers, in the order they were opened.
    std::vector<TRunBrowser*> runBrowsers() const;
    // The pane that shows what browser picks; nullptr while it has none (closed by the user).
    TSpectrumContainer* browserPane(const TRunBrowser* browser) const;
    // Shows spectra()[runIndex] of the browser's run in its pane (made again when closed):
    // instead of what it shows, keeping the m/z window and fitting y to the visible peaks, or,
    // with add, as another series. A spectrum that cannot be decoded is told, naming it, and
    // the pane stays as it was. Returns whether it is shown.
    bool showRunSpectrum(TRunBrowser* browser, int runIndex, bool add);
    // Copies the series of the browser's pane into a new pane of a new document, to be edited
    // and saved like any other. Returns whether the pane was made.
    bool copyBrowsedSpectra(TRunBrowser* browser);
    // Shows the browser's last sum over a range of retention time in its pane (made again when
    // closed), instead of what it shows, keeping the m/z window. Returns whether it is shown.
    bool showBrowsedSum(TRunBrowser* browser);
    // Closes the browser's dock: the browser, its pane and, with them, the run.
    void closeRunBrowser(TRunBrowser* browser);
    // The browser pane is bound to; nullptr for an ordinary pane.
    TRunBrowser* browserOf(const TSpectrumContainer* pane) const;
    bool isBrowserPane(const TSpectrumContainer* pane) const { return browserOf(pane) != nullptr; }

    // --- Edit menu --------------------------------------------------------------------------
    void editCutSerie();
    void editCopy(TSerieText what);
    // Puts the text of the peak read out on the pane under the pointer on the clipboard;
    // false, leaving the clipboard alone, when none is shown there. Ctrl+C asks it first.
    bool copyReadout();
    // The read-out shown on the pane under the pointer; nullptr when none is.
    const TReadout* hoveredReadout() const;
    // Puts the text of the measurement shown (see shownMeasurement) on the clipboard; false,
    // leaving the clipboard alone, without one. Ctrl+C asks it before copyReadout, as the
    // status bar shows a measurement before a read-out.
    bool copyMeasurement();
    // The measurement on the pane under the pointer, else on the current pane; nullptr when
    // neither shows one.
    const TMeasurement* shownMeasurement() const;
    void editPasteAsNew();
    void editPasteOverwrite();
    void editDeleteSerie();
    void editDeleteSeriesContainer();
    void editInsertSpline();

    // --- View menu --------------------------------------------------------------------------
    // Draws the current series as bars or as a line.
    void viewCurrentSerieStyle(TSerieStyle style);
    void viewCurrentSerieHighlight();
    void viewCurrentSerieColor();
    void viewCurrentSerieName();
    void viewCurrentSerieLabelsColor();
    void viewCurrentSerieLabelsHide();
    void viewAllSeriesBar();
    void viewAllSeriesContinue();
    void viewAllSeriesHighlight();
    void viewAllSeriesLabelsHide();
    void viewAllSeriesIncreaseLinewidth();
    void viewAllSeriesDecreaseLinewidth();
    void viewSynchronize();
    void viewSpectrumLabel();
    void viewBackground();
    // Moves the current pane as the key does on a focused pane (one step: pressed and let go).
    void viewMoveKey(int key, Qt::KeyboardModifiers modifiers);
    // The current pane's intensity scale, y fit and mirrored current series.
    void viewIntensityScale(TIntensityScale intensity, TPercentOf percentOf);
    void viewFitY(bool on);
    void viewMirrorSerie(bool on);
    // The measurement shown (on the pane under the pointer, else the current one) pinned on
    // its pane; the current pane's pins removed; their last change undone or redone.
    void viewPinMeasurement();
    void viewUnpinAll();
    void viewUndoPins();
    void viewRedoPins();

    // --- commands ---------------------------------------------------------------------------
    // Runs work; an exception is shown as an error box (its message, then hint lines if any)
    // with one Abort button. Returns whether work finished without an exception.
    bool runCommand(const std::function<void()>& work, const QString& hint = {});

signals:
    // The current pane, its series or its modified flag may have changed.
    void currentChanged();
    // updateActions has run: the states shown anywhere else may follow them now.
    void actionsUpdated();
    // What the status bar tells of the run last opened or browsed; empty when none is open.
    void runStatusChanged(const QString& text);
    // The recent files list in the settings changed.
    void recentFilesChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The steps every load ends with on the panes it made: the View actions' highlighted lines
    // on the current pane, then per pane fitting, "Custom Labels", a fresh view history, not
    // modified, repainted.
    void finishLoadedPanes(const std::vector<TSpectrumContainer*>& panes);
    // The message for a manager that did not take the panes up to `wanted`.
    static QString paneRefusal(int wanted);
    // The current pane, or a new pane of a new document when there is none; nullptr when
    // there is no room for it (said through the dialogs).
    TSpectrum* paneForPaste();
    // The whole of the current pane's current series, recorded in its view history.
    void viewAllData();
    // After a command changed what Save writes of s: marks it modified, relabels the current
    // pane, repaints and brings the actions up to date.
    void dataEdited(TSpectrum& s);
    // The open dialog, starting in the folder and with the filter last chosen in it; both are
    // kept under settingsGroup for the next time. With several, the dialog takes several
    // files; otherwise paths holds one.
    std::optional<TFileChoices> chooseFilesToOpen(const QString& title, const QStringList& filters,
                                                  const QString& settingsGroup,
                                                  bool several = false);
    // After fileName was written: tells, once, how many points of which series its point text
    // does not carry back (nothing when it carries all).
    void warnPointsNotKept(const QString& fileName,
                           const std::vector<const TPointListSerie*>& series);
    // The pane now belongs to document alone.
    void moveToDocument(TSpectrumContainer* pane, const TDocumentPtr& document);
    // The lines a load or import failure adds to its message.
    static QString loadFailureHint();

    struct TActionRow;
    static const std::vector<TActionRow>& actionTable();
    // Makes every action of the table; a trigger runs its handler through runCommand, then
    // updates the states.
    void createActions();
    bool toggle(TActionId id);

    // What the toggling View handlers do once the checked state is set.
    void applyCurrentSerieHighlight(bool checked);
    void applyLabelsHidden(bool hidden);
    void applyAllSeriesStyle(TSerieStyle style);
    void applyAllSeriesHighlight(bool checked);
    void applySynchronize(bool checked);
    void applySpectrumLabel(bool checked);

    // Connects the panes' failure messages and label clicks; each connection is made once.
    void watchPanes();
    // A failure of painting or mouse handling, shown as an error box with OK.
    void showPaneMessage(const QString& text);

    // One open run: its browser in its dock and the pane bound to it. The dock owns the
    // browser, which holds the run; the manager owns the pane.
    struct TRunSession {
        int id = 0;
        QString path;
        QPointer<QDockWidget> dock;
        QPointer<TRunBrowser> browser;
        QPointer<TSpectrumContainer> pane;
        // The plot whose mark clicks open spectra of the run: the pane's, once bound.
        QPointer<TSpectrum> markedPlot;
    };
    TRunSession* sessionOf(const TRunBrowser* browser);
    // Once per plot shown in session's pane: mark clicks open spectra, Ctrl+drags add XICs.
    void bindBrowserPlot(TRunSession& session, TSpectrum& plot);
    // The pane showing what session's browser picks, made when there is none (nullptr when no
    // pane can be made), its plot bound.
    TSpectrumContainer* browsedPane(TRunSession& session);
    // Shows peaks as name in session's pane, instead of what it shows or beside it (add),
    // drawn as mode asks; marks replace the plot's unless nullopt. nullptr when no pane could
    // be made.
    TSpectrumContainer* showInBrowsedPane(TRunSession& session, const QString& name,
                                          std::vector<TFloatPointRec>&& peaks, TPeakMode mode,
                                          bool add, std::optional<std::vector<TPlotMark>> marks);
    const TRunSession* sessionOf(const TRunBrowser* browser) const;
    // After the dock of session id went: its pane goes too.
    void forgetRunSession(int id);
    // Closes every browser, before the panes go.
    void closeRunBrowsers();
    void tellRunStatus(const TRunBrowser* browser);

    TViewerServices m_services;
    TSpectraManager* m_manager = nullptr;
    TAnnotationsWindow* m_annotations = nullptr;  // made on first use, reused
    // Documents with at least one living pane, in the order they were opened.
    std::vector<TDocumentPtr> m_documents;
    std::vector<QAction*> m_actionList;  // indexed by TActionId
    bool m_updateScheduled = false;
    bool m_browsesRuns = false;
    std::function<void(QDockWidget*)> m_placeDock;
    std::vector<TRunSession> m_runs;
    int m_nextRunId = 1;
};
