// The viewer frame: construction, the actions of the menus, their enabling rules, the View
// commands and the command runner. The File commands live in SpectraViewerFrameFile.cpp.
#include "app/SpectraViewerFrame.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <memory>

#include "app/Dialogs.h"
#include "app/FileDrop.h"
#include "display/QtColor.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "model/Clipboard.h"
#include "model/Label.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

namespace {

// The input box gives at most this many characters to a series name.
constexpr int maxInputLength = 255;

// The caption as shown, without the mnemonic marks.
QString plainCaption(const QAction& action) {
    QString text = action.text();
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

// What an action needs to be enabled.
enum class TNeeds {
    Nothing,
    Pane,
    Serie,
    ModifiedDocument,  // a pane of a document that changed since it was read or saved
    PaneAndText,       // a pane, and text on the clipboard
    SerieAndText,      // a current series, and text on the clipboard
    SerieOrReadout,    // a current series, a peak read out under the pointer, or a measurement
};

}  // namespace

struct TSpectraViewerFrame::TActionRow {
    TActionId id;
    const char* name;
    const char* caption;
    const char* hint;
    QKeySequence shortcut;
    TNeeds needs;
    // Runs when the action is triggered, with the checked state Qt has already toggled;
    // nullptr for actions that do nothing yet.
    void (*handler)(TSpectraViewerFrame& frame, bool checked);
    bool checkable = false;
    bool checked = false;
    bool visible = true;
};

// In menu order, one row per TActionId. Made in a member so that the handlers reach the
// frame's private commands.
const std::vector<TSpectraViewerFrame::TActionRow>& TSpectraViewerFrame::actionTable() {
    using F = TSpectraViewerFrame;
    using K = QKeySequence;
    // clang-format off
    static const std::vector<TActionRow> table = {
    {TActionId::FileNew, "FileNew", "New", "Add an empty pane", K::New, TNeeds::Nothing,
     [](F& f, bool) { f.fileNew(); }},
    {TActionId::FileOpen, "FileOpen", "Open...", "Open a document in new panes", K::Open,
     TNeeds::Nothing, [](F& f, bool) { f.fileOpen(); }},
    {TActionId::FileSave, "FileSave", "&Save", "Save the current spectrum", K::Save,
     TNeeds::ModifiedDocument, [](F& f, bool) { f.fileSave(); }},
    {TActionId::FileSaveAs, "FileSaveAs", "Save &as...", "Save the current spectrum under a new name",
     {}, TNeeds::Pane, [](F& f, bool) { f.fileSaveAs(); }},
    {TActionId::FileSaveRange, "FileSaveRange", "Save &range as...",
     "Save the visible range of the current serie as a document", {}, TNeeds::Nothing,
     [](F& f, bool) { f.fileSaveRange(); }},
    {TActionId::FileImport, "FileImport", "Import...", "Import a text spectrum",
     K(Qt::CTRL | Qt::Key_I), TNeeds::Nothing, [](F& f, bool) { f.fileImport(); }},
    {TActionId::FileExport, "FileExport", "Export...", "Write the current serie as a text file", {},
     TNeeds::Nothing, [](F& f, bool) { f.fileExport(); }},
    {TActionId::FileExportPicture, "FileExportPicture", "Export &picture...",
     "Save a picture of the panes as SVG, PDF or PNG", K(Qt::CTRL | Qt::SHIFT | Qt::Key_E),
     TNeeds::Pane, [](F& f, bool) { f.fileExportPicture(); }},
    {TActionId::FileAnnotations, "FileAnnotations", "Annotations...",
     "Show the annotations of the current spectrum", {}, TNeeds::Nothing,
     [](F& f, bool) { f.fileAnnotations(); }},
    {TActionId::FilePrint, "FilePrint", "&Print...", "Print the panes", K::Print, TNeeds::Pane,
     [](F& f, bool) { f.filePrint(false); }},
    {TActionId::FilePrintPreview, "FilePrintPreview", "Print pre&view...",
     "Show the printed pages, set the page up and print", {}, TNeeds::Pane,
     [](F& f, bool) { f.filePrint(true); }},
    {TActionId::FilePrintSetup, "FilePrintSetup", "P&rint Setup...", "", {}, TNeeds::Nothing,
     nullptr, false, false, false},
    // Closing goes through the main window, which asks about unsaved spectra.
    {TActionId::FileExit, "FileExit", "E&xit", "Close the viewer", K::Quit, TNeeds::Nothing,
     [](F& f, bool) { f.window()->close(); }},
    {TActionId::FileReloadLibrary, "FileReloadLibrary", "Reload Library", "", {}, TNeeds::Nothing,
     nullptr},

    {TActionId::EditCutSerie, "EditCutSerie", "Cu&t serie", "Cut current serie",
     K(Qt::CTRL | Qt::Key_X), TNeeds::Serie, [](F& f, bool) { f.editCutSerie(); }},
    {TActionId::EditCopySerie, "EditCopySerie", "&Copy serie", "Copy", {}, TNeeds::Serie,
     [](F& f, bool) { f.editCopy(TSerieText::Points); }},
    {TActionId::EditCopyRangeSerie, "EditCopyRangeSerie", "Copy visible &Range", "", {},
     TNeeds::Serie, [](F& f, bool) { f.editCopy(TSerieText::VisiblePoints); }},
    // Ctrl+C copies what the status bar shows: a measurement, else the peak read out under
    // the pointer, when there is one.
    {TActionId::EditCopyMass, "EditCopyMass", "Copy serie (&mass value only)", "Copy",
     K(Qt::CTRL | Qt::Key_C), TNeeds::SerieOrReadout, [](F& f, bool) {
         if (!f.copyMeasurement() && !f.copyReadout()) f.editCopy(TSerieText::Masses);
     }},
    {TActionId::EditCopyPicture, "EditCopyPicture", "Copy p&icture",
     "Copy a picture of the current pane for other programs",
     K(Qt::CTRL | Qt::SHIFT | Qt::Key_C), TNeeds::Pane, [](F& f, bool) { f.editCopyPicture(); }},
    {TActionId::EditPasteAsNew, "EditPasteAsNew", "&Paste (as new serie)", "Paste",
     K(Qt::CTRL | Qt::Key_V), TNeeds::PaneAndText, [](F& f, bool) { f.editPasteAsNew(); }},
    {TActionId::EditPasteOverwrite, "EditPasteOverwrite", "Paste (overwrite current serie)", "",
     {}, TNeeds::SerieAndText, [](F& f, bool) { f.editPasteOverwrite(); }},
    {TActionId::EditInsertSpline, "EditInsertSpline", "Insert smooth serie", "", {},
     TNeeds::Nothing, [](F& f, bool) { f.editInsertSpline(); }, false, false, false},
    {TActionId::EditDeleteSerie, "EditDeleteSerie", "&Delete (current serie)", "",
     K(Qt::CTRL | Qt::Key_Delete), TNeeds::Serie, [](F& f, bool) { f.editDeleteSerie(); }},
    {TActionId::EditDeleteSeriesContainer, "EditDeleteSeriesContainer",
     "De&lete (series container)", "", K(Qt::SHIFT | Qt::Key_Delete), TNeeds::Pane,
     [](F& f, bool) { f.editDeleteSeriesContainer(); }},

    {TActionId::ViewCurrentSerieBar, "ViewCurrentSerieBar", "&Bar",
     "Draw the current serie as bars", {}, TNeeds::Serie,
     [](F& f, bool) { f.viewCurrentSerieStyle(TSerieStyle::Bars); }, true},
    {TActionId::ViewCurrentSerieContinue, "ViewCurrentSerieContinue", "&Continue",
     "Draw the current serie as a line", {}, TNeeds::Serie,
     [](F& f, bool) { f.viewCurrentSerieStyle(TSerieStyle::Line); }, true},
    {TActionId::ViewCurrentSerieHighlight, "ViewCurrentSerieHighlight", "&Highlight",
     "Draw the current serie with a wider pen", {}, TNeeds::Serie,
     [](F& f, bool checked) { f.applyCurrentSerieHighlight(checked); }, true},
    {TActionId::ViewCurrentSerieColor, "ViewCurrentSerieColor", "&Color...",
     "Change the colour of the current serie", {}, TNeeds::Serie,
     [](F& f, bool) { f.viewCurrentSerieColor(); }},
    {TActionId::ViewCurrentSerieName, "ViewCurrentSerieName", "&Name...",
     "Rename the current serie", {}, TNeeds::Serie, [](F& f, bool) { f.viewCurrentSerieName(); }},
    // Not rows of the original table, but useless without their series or pane all the same.
    {TActionId::ViewCurrentSerieLabelsColor, "ViewCurrentSerieLabelsColor", "Labels Color...",
     "Change the colour of the current serie's labels", {}, TNeeds::Serie,
     [](F& f, bool) { f.viewCurrentSerieLabelsColor(); }},
    {TActionId::ViewCurrentSerieLabelsHide, "ViewCurrentSerieLabelsHide", "Hide Labels",
     "Hide the labels of the spectrum", {}, TNeeds::Pane,
     [](F& f, bool checked) { f.applyLabelsHidden(checked); }, true},
    {TActionId::ViewCurrentSerieLabelsFont, "ViewCurrentSerieLabelsFont", "Labels Font...", "",
     {}, TNeeds::Nothing, nullptr},
    {TActionId::ViewAllSeriesBar, "ViewAllSeriesBar", "&Bar", "Draw every serie as bars", {},
     TNeeds::Serie, [](F& f, bool) { f.applyAllSeriesStyle(TSerieStyle::Bars); }, true},
    {TActionId::ViewAllSeriesContinue, "ViewAllSeriesContinue", "&Continue",
     "Draw every serie as a line", {}, TNeeds::Serie,
     [](F& f, bool) { f.applyAllSeriesStyle(TSerieStyle::Line); }, true, true},
    {TActionId::ViewAllSeriesHighlight, "ViewAllSeriesHighlight", "&Highlight",
     "Draw every serie with a wider pen", {}, TNeeds::Serie,
     [](F& f, bool checked) { f.applyAllSeriesHighlight(checked); }, true, true},
    {TActionId::ViewAllSeriesLabelsHide, "ViewAllSeriesLabelsHide", "Hide Labels",
     "Hide the labels of the spectrum", {}, TNeeds::Pane,
     [](F& f, bool checked) { f.applyLabelsHidden(checked); }, true},
    {TActionId::ViewAllSeriesIncreaseLinewidth, "ViewAllSeriesIncreaseLinewidth",
     "Increase line width", "Draw every serie with a wider pen", {}, TNeeds::Nothing,
     [](F& f, bool) { f.viewAllSeriesIncreaseLinewidth(); }},
    {TActionId::ViewAllSeriesDecreaseLinewidth, "ViewAllSeriesDecreaseLinewidth",
     "Decrease line width", "Draw every serie with a narrower pen", {}, TNeeds::Nothing,
     [](F& f, bool) { f.viewAllSeriesDecreaseLinewidth(); }},
    {TActionId::ViewSynchronize, "ViewSynchronize", "Synchronize",
     "Move the mass range of all panes together", {}, TNeeds::Nothing,
     [](F& f, bool checked) { f.applySynchronize(checked); }, true},
    {TActionId::ViewSpectrumLabel, "ViewSpectrumLabel", "&Label",
     "Show the caption of the current pane", {}, TNeeds::Pane,
     [](F& f, bool checked) { f.applySpectrumLabel(checked); }, true, true},
    {TActionId::ViewBackground, "ViewBackground", "Background...", "Change the background colour",
     {}, TNeeds::Nothing, [](F& f, bool) { f.viewBackground(); }},
    {TActionId::ViewMoveZoomIn, "ViewMoveZoomIn", "Zoom in\t+", "Zoom the m/z axis in about the pointer, or the centre", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_Plus, Qt::NoModifier); }},
    {TActionId::ViewMoveZoomOut, "ViewMoveZoomOut", "Zoom out\t-", "Zoom the m/z axis out", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_Minus, Qt::NoModifier); }},
    {TActionId::ViewMovePanLeft, "ViewMovePanLeft", "Pan left\tLeft", "Show lower m/z (Shift: finely)", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_Left, Qt::NoModifier); }},
    {TActionId::ViewMovePanRight, "ViewMovePanRight", "Pan right\tRight", "Show higher m/z (Shift: finely)", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_Right, Qt::NoModifier); }},
    {TActionId::ViewMovePageLeft, "ViewMovePageLeft", "Page left\tPgUp", "Show the m/z window before this one", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_PageUp, Qt::NoModifier); }},
    {TActionId::ViewMovePageRight, "ViewMovePageRight", "Page right\tPgDown", "Show the m/z window after this one", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_PageDown, Qt::NoModifier); }},
    {TActionId::ViewMoveStart, "ViewMoveStart", "Go to start\tHome", "Show the start of the data", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_Home, Qt::NoModifier); }},
    {TActionId::ViewMoveEnd, "ViewMoveEnd", "Go to end\tEnd", "Show the end of the data", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_End, Qt::NoModifier); }},
    {TActionId::ViewMoveStretchY, "ViewMoveStretchY", "Stretch intensity\tUp", "Magnify the intensity scale", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_Up, Qt::NoModifier); }},
    {TActionId::ViewMoveShrinkY, "ViewMoveShrinkY", "Shrink intensity\tDown", "Reduce the intensity scale", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_Down, Qt::NoModifier); }},
    {TActionId::ViewMoveFullRange, "ViewMoveFullRange", "Full range\tCtrl+Home", "Show all of every synchronised pane", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_Home, Qt::ControlModifier); }},
    {TActionId::ViewMoveBack, "ViewMoveBack", "Previous view\tBackspace", "Go back to the view before", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_Backspace, Qt::NoModifier); }},
    {TActionId::ViewMoveForward, "ViewMoveForward", "Next view\tShift+Backspace", "Go forward to the next view", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewMoveKey(Qt::Key_Backspace, Qt::ShiftModifier); }},
    {TActionId::ViewScaleFractions, "ViewScaleFractions", "&Fractions", "Mark the intensity axis at 1/4, 1/2 and 3/4 of its height", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewIntensityScale(TIntensityScale::Fractions, TPercentOf::View); }, true},
    {TActionId::ViewScaleAbsolute, "ViewScaleAbsolute", "&Absolute intensity", "Show intensities on the intensity axis", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewIntensityScale(TIntensityScale::Absolute, TPercentOf::View); }, true},
    {TActionId::ViewScaleRelative, "ViewScaleRelative", "&Relative to the base peak in view (%)", "Show intensities in percent of the highest peak in view", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewIntensityScale(TIntensityScale::Relative, TPercentOf::View); }, true},
    {TActionId::ViewScaleRelativeWhole, "ViewScaleRelativeWhole", "Relative to the &whole spectrum (%)", "Show intensities in percent of the highest peak of the spectrum", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewIntensityScale(TIntensityScale::Relative, TPercentOf::Whole); }, true},
    {TActionId::ViewScaleLog, "ViewScaleLog", "&Logarithmic", "Show intensities on a logarithmic scale", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewIntensityScale(TIntensityScale::Log, TPercentOf::View); }, true},
    {TActionId::ViewScaleFitY, "ViewScaleFitY", "Fit to the &visible maximum", "Keep the intensity axis fitted to the highest peak in view", {}, TNeeds::Pane,
     [](F& f, bool checked) { f.viewFitY(checked); }, true, true},
    {TActionId::ViewMirrorSerie, "ViewMirrorSerie", "&Mirror", "Flip the current serie below the axis; each half in percent of its own base peak", {}, TNeeds::Serie,
     [](F& f, bool checked) { f.viewMirrorSerie(checked); }, true},
    {TActionId::ViewPinMeasurement, "ViewPinMeasurement", "&Pin measurement", "Keep the measurement shown on its pane", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewPinMeasurement(); }},
    {TActionId::ViewUnpinAll, "ViewUnpinAll", "Remove pinned measurements", "Take the pinned measurements off the current pane", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewUnpinAll(); }},
    {TActionId::ViewUndoPins, "ViewUndoPins", "Undo pin", "Undo the last pinning or removal of a measurement", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewUndoPins(); }},
    {TActionId::ViewRedoPins, "ViewRedoPins", "Redo pin", "Redo the pinning or removal undone", {}, TNeeds::Pane,
     [](F& f, bool) { f.viewRedoPins(); }},
    {TActionId::ToolsDetectPeaks, "ToolsDetectPeaks", "Detect &peaks...", "", {}, TNeeds::Serie,
     nullptr},
    };
    // clang-format on
    return table;
}

TSpectraViewerFrame::TSpectraViewerFrame(TViewerServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_manager = new TSpectraManager(this);
    layout->addWidget(m_manager);
    // Files and text dropped onto the panes; owned by the manager.
    new TFileDrop(*this);

    createActions();

    TSpectrumNavigator* navigator = m_manager->navigator();
    connect(navigator, &TSpectrumNavigator::spectrumChanged, this, [this] {
        // The status bar tells the run of the pane made current.
        if (const TRunBrowser* browser = browserOf(currentContainer())) tellRunStatus(browser);
        watchPanes();
        scheduleUpdateActions();
        emit currentChanged();
    });
    connect(navigator, &TSpectrumNavigator::messageRaised, this,
            &TSpectraViewerFrame::showPaneMessage);
    // A read-out under the pointer or a measurement enables Ctrl+C even where the current pane
    // has no series; the next update disables it again.
    connect(m_manager, &TSpectraManager::paneReadoutChanged, this, [this] {
        if (!action(TActionId::EditCopyMass)->isEnabled() &&
            (hoveredReadout() || shownMeasurement()))
            scheduleUpdateActions();
    });
    // Panes come and go as children of the manager; new ones get their connections at the
    // next update.
    m_manager->installEventFilter(this);

    updateActions();
}

TSpectraViewerFrame::~TSpectraViewerFrame() {
    // The panes go with the manager, and the navigator reports it: nothing of that may reach
    // a frame that is half destroyed.
    closeRunBrowsers();
    m_manager->removeEventFilter(this);
    disconnect(m_manager->navigator(), nullptr, this, nullptr);
    for (TSpectrumContainer* c : m_manager->containers())
        if (c->spectrum()) disconnect(c->spectrum(), nullptr, this, nullptr);
    delete m_manager;
}

QAction* TSpectraViewerFrame::action(TActionId id) const {
    return m_actionList[static_cast<std::size_t>(id)];
}

QAction* TSpectraViewerFrame::action(const QString& name) const {
    for (QAction* a : m_actionList)
        if (a->objectName() == name) return a;
    return nullptr;
}

TSpectrum* TSpectraViewerFrame::currentSpectrum() const {
    return m_manager->count() > 0 ? m_manager->navigator()->spectrum() : nullptr;
}

bool TSpectraViewerFrame::isCurrentDocumentModified() const {
    const TSpectrumContainer* container = currentContainer();
    if (!container || !container->spectrum()) return false;
    if (const TDocument* document = documentOf(container)) return document->isModified();
    return container->spectrum()->spectrumData()->isModified();
}

TSpectrumContainer* TSpectraViewerFrame::currentContainer() const {
    return m_manager->count() > 0 ? m_manager->navigator()->spectrumContainer() : nullptr;
}

// --- actions -------------------------------------------------------------------------------------

void TSpectraViewerFrame::createActions() {
    for (const TActionRow& row : actionTable()) {
        // The table is in the order of the ids.
        Q_ASSERT(static_cast<std::size_t>(row.id) == m_actionList.size());
        auto* a = new QAction(QString::fromUtf8(row.caption), this);
        a->setObjectName(QString::fromUtf8(row.name));
        const QString hint = QString::fromUtf8(row.hint);
        if (!hint.isEmpty()) {
            a->setStatusTip(hint);
            a->setToolTip(hint);
        }
        if (!row.shortcut.isEmpty()) a->setShortcut(row.shortcut);
        a->setCheckable(row.checkable);
        a->setChecked(row.checked);
        a->setVisible(row.visible);
        // Shortcuts work wherever the frame is, with or without a menu bar.
        QWidget::addAction(a);
        m_actionList.push_back(a);
        if (const auto handler = row.handler) {
            connect(a, &QAction::triggered, this, [this, handler](bool checked) {
                runCommand([this, handler, checked] { handler(*this, checked); });
                scheduleUpdateActions();
            });
        }
    }
}

bool TSpectraViewerFrame::toggle(TActionId id) {
    QAction* a = action(id);
    a->setChecked(!a->isChecked());
    return a->isChecked();
}

// --- action states -------------------------------------------------------------------------------

void TSpectraViewerFrame::scheduleUpdateActions() {
    if (m_updateScheduled) return;
    m_updateScheduled = true;
    QTimer::singleShot(0, this, [this] {
        if (m_updateScheduled) updateActions();
    });
}

void TSpectraViewerFrame::updateActions() {
    m_updateScheduled = false;
    watchPanes();

    TSpectrum* spectrum = currentSpectrum();
    TSpectrumContainer* container = currentContainer();
    const bool p = spectrum != nullptr;
    const TPointListSerieListPtr series = p ? spectrum->series() : nullptr;
    const int index = series ? series->currentIndex() : -1;
    const TPointListSeriePtr serie = index >= 0 ? series->serie(index) : nullptr;
    const bool s = serie != nullptr;
    const bool c = m_services.clipboard.hasText();
    const bool b = s && serie->style() == TSerieStyle::Bars;
    const bool h = s && serie->highlightWidth() > serieLineWidth();

    for (const TActionRow& row : actionTable()) {
        bool enabled = true;
        switch (row.needs) {
            case TNeeds::Nothing:
                break;
            case TNeeds::Pane:
                enabled = p;
                break;
            case TNeeds::Serie:
                enabled = s;
                break;
            case TNeeds::ModifiedDocument:
                enabled = isCurrentDocumentModified();
                break;
            case TNeeds::PaneAndText:
                enabled = p && c;
                break;
            case TNeeds::SerieAndText:
                enabled = s && c;
                break;
            case TNeeds::SerieOrReadout:
                enabled = s || hoveredReadout() || shownMeasurement();
                break;
        }
        action(row.id)->setEnabled(enabled);
    }

    // The all-series states follow the current series' states.
    const auto check = [this](TActionId id, bool value) { action(id)->setChecked(value); };
    check(TActionId::ViewCurrentSerieBar, b);
    check(TActionId::ViewCurrentSerieContinue, s && !b);
    check(TActionId::ViewCurrentSerieHighlight, h);
    check(TActionId::ViewAllSeriesBar, b);
    check(TActionId::ViewAllSeriesContinue, !b);
    check(TActionId::ViewAllSeriesHighlight, h);
    check(TActionId::ViewSpectrumLabel, !container || !container->serieLabel()->isHidden());
    {
        const TSpectrum* plot = container ? container->spectrum() : nullptr;
        const TPlotScale scale = plot ? plot->plotScale() : TPlotScale{};
        const auto is = [&](TIntensityScale kind) { return plot && scale.intensity == kind; };
        const bool relative = is(TIntensityScale::Relative);
        check(TActionId::ViewScaleFractions, is(TIntensityScale::Fractions));
        check(TActionId::ViewScaleAbsolute, is(TIntensityScale::Absolute));
        check(TActionId::ViewScaleRelative, relative && scale.percentOf == TPercentOf::View);
        check(TActionId::ViewScaleRelativeWhole, relative && scale.percentOf == TPercentOf::Whole);
        check(TActionId::ViewScaleLog, is(TIntensityScale::Log));
        check(TActionId::ViewScaleFitY, plot && scale.fitsY());
        check(TActionId::ViewMirrorSerie, plot && serie && plot->isMirrored(*serie));
        action(TActionId::ViewPinMeasurement)->setEnabled(shownMeasurement() != nullptr);
        action(TActionId::ViewUnpinAll)->setEnabled(plot && !plot->pins().empty());
        action(TActionId::ViewUndoPins)->setEnabled(plot && plot->canUndoPins());
        action(TActionId::ViewRedoPins)->setEnabled(plot && plot->canRedoPins());
    }

    QAction* cut = action(TActionId::EditCutSerie);
    if (s) {
        const QString hint = plainCaption(*cut) + QLatin1Char(' ') + QString::number(index + 1) +
                             QStringLiteral(": ") + QString::fromStdString(serie->name()) +
                             QStringLiteral(" (") + (container ? container->caption() : QString()) +
                             QLatin1Char(')');
        cut->setStatusTip(hint);
        cut->setToolTip(hint);
    } else {
        // No series to name: the hint no longer speaks of one that is gone.
        cut->setStatusTip(QStringLiteral("Cut current serie"));
        cut->setToolTip(QStringLiteral("Cut current serie"));
    }
    emit actionsUpdated();
}

bool TSpectraViewerFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_manager &&
        (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved))
        scheduleUpdateActions();
    return QWidget::eventFilter(watched, event);
}

void TSpectraViewerFrame::watchPanes() {
    for (TSpectrumContainer* c : m_manager->containers()) {
        if (TSpectrum* s = c->spectrum())
            connect(s, &TSpectrum::messageRaised, this, &TSpectraViewerFrame::showPaneMessage,
                    Qt::UniqueConnection);
        // A click on the label steps the current series.
        connect(c->serieLabel(), &TSerieLabel::labelClicked, this,
                &TSpectraViewerFrame::scheduleUpdateActions, Qt::UniqueConnection);
    }
}

void TSpectraViewerFrame::showPaneMessage(const QString& text) {
    m_services.dialogs.message(TMessageKind::Error, text, {TMessageButton::Ok});
}

// --- commands ------------------------------------------------------------------------------------

bool TSpectraViewerFrame::runCommand(const std::function<void()>& work, const QString& hint) {
    QString message;
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    if (!hint.isEmpty()) message += QLatin1Char('\n') + hint;
    m_services.dialogs.message(TMessageKind::Error, message, {TMessageButton::Abort});
    return false;
}

// --- View menu -----------------------------------------------------------------------------------
//
// Each command needs a pane (and most a current series); without it a command changes at most
// its own checked state. Changes of what Save writes (names, styles) mark the data modified;
// colours, pen widths and label visibility are not written and leave the flag alone.

namespace {

// Sets style on serie; whether it changed.
bool restyle(TPointListSerie& serie, TSerieStyle style) {
    if (serie.style() == style) return false;
    serie.setStyle(style);
    return true;
}

// Every series takes width as the width it draws with while current; the current one at once.
void setHighlightWidths(TPointListSerieList& series, int width, bool all) {
    const int index = series.currentIndex();
    if (index < 0) return;
    if (all)
        for (const auto& serie : series) serie->setHighlightWidth(width);
    else
        series.serie(index)->setHighlightWidth(width);
    series.setCurrentIndex(index);
}

}  // namespace

void TSpectraViewerFrame::viewCurrentSerieStyle(TSerieStyle style) {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    if (const auto serie = s->series()->current(); serie && restyle(*serie, style))
        s->spectrumData()->setModified(true);
    s->invalidate();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewCurrentSerieHighlight() {
    applyCurrentSerieHighlight(toggle(TActionId::ViewCurrentSerieHighlight));
}

void TSpectraViewerFrame::applyCurrentSerieHighlight(bool checked) {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    setHighlightWidths(*s->series(), checked ? highlightLineWidth() : serieLineWidth(), false);
    s->invalidateDrawing();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewCurrentSerieColor() {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    const auto serie = s->series()->current();
    if (!serie) return;
    const auto chosen = m_services.dialogs.color(toQColor(serie->color()));
    if (chosen && chosen->isValid()) {
        serie->setColor(toTColor(*chosen));
        if (TSpectrumContainer* c = currentContainer()) c->updateLabel();
    }
    s->invalidate();
}

void TSpectraViewerFrame::viewCurrentSerieName() {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    const auto serie = s->series()->current();
    if (!serie) return;
    const auto answer = m_services.dialogs.inputText(QStringLiteral("Serie name"),
                                                     QStringLiteral("Name of the serie"),
                                                     QString::fromStdString(serie->name()));
    if (answer) {
        const std::string name = answer->left(maxInputLength).toStdString();
        const std::string before = serie->name();
        serie->setName(name);
        if (serie->name() != before) s->spectrumData()->setModified(true);
        if (TSpectrumContainer* c = currentContainer()) c->updateLabel();
    }
    s->invalidate();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewCurrentSerieLabelsColor() {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    // Label lists run parallel to the series: the current series' labels are the list with
    // its index. A series without such a list has no labels to colour.
    const int index = s->series()->currentIndex();
    const TLabelSeries& labels = *s->labels();
    if (index < 0 || index >= labels.count()) return;
    const auto list = std::dynamic_pointer_cast<TTextLabelList>(labels.labelList(index));
    if (!list) return;
    const auto chosen = m_services.dialogs.color(toQColor(list->font().color));
    if (chosen && chosen->isValid()) {
        list->font().color = toTColor(*chosen);
        s->invalidateDrawing();
    }
}

void TSpectraViewerFrame::viewCurrentSerieLabelsHide() {
    applyLabelsHidden(toggle(TActionId::ViewCurrentSerieLabelsHide));
}

void TSpectraViewerFrame::viewAllSeriesLabelsHide() {
    applyLabelsHidden(toggle(TActionId::ViewAllSeriesLabelsHide));
}

void TSpectraViewerFrame::applyLabelsHidden(bool hidden) {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    for (const auto& list : *s->labels()) list->setVisible(!hidden);
    s->labels()->setNeedsLayout(true);
    s->invalidateDrawing();
}

void TSpectraViewerFrame::viewAllSeriesBar() {
    toggle(TActionId::ViewAllSeriesBar);
    applyAllSeriesStyle(TSerieStyle::Bars);
}

void TSpectraViewerFrame::viewAllSeriesContinue() {
    toggle(TActionId::ViewAllSeriesContinue);
    applyAllSeriesStyle(TSerieStyle::Line);
}

void TSpectraViewerFrame::applyAllSeriesStyle(TSerieStyle style) {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    bool changed = false;
    for (const auto& serie : *s->series()) changed |= restyle(*serie, style);
    if (changed) s->spectrumData()->setModified(true);
    s->invalidate();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewAllSeriesHighlight() {
    applyAllSeriesHighlight(toggle(TActionId::ViewAllSeriesHighlight));
}

void TSpectraViewerFrame::applyAllSeriesHighlight(bool checked) {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    action(TActionId::ViewCurrentSerieHighlight)->setChecked(checked);
    setHighlightWidths(*s->series(), checked ? highlightLineWidth() : serieLineWidth(), true);
    s->invalidateDrawing();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewAllSeriesIncreaseLinewidth() {
    // Series keep their own widths; every plot draws with the new ones from now on.
    if (!increaseLineWidth()) return;
    for (TSpectrumContainer* c : m_manager->containers())
        if (c->spectrum()) c->spectrum()->invalidate();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewAllSeriesDecreaseLinewidth() {
    if (!decreaseLineWidth()) return;
    for (TSpectrumContainer* c : m_manager->containers())
        if (c->spectrum()) c->spectrum()->invalidate();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewSynchronize() {
    applySynchronize(toggle(TActionId::ViewSynchronize));
}

void TSpectraViewerFrame::applySynchronize(bool checked) {
    // Also without panes, so that the panes made later follow the menu's state.
    m_manager->setSynchronized(checked);
}

void TSpectraViewerFrame::viewSpectrumLabel() {
    applySpectrumLabel(toggle(TActionId::ViewSpectrumLabel));
}

void TSpectraViewerFrame::applySpectrumLabel(bool checked) {
    TSpectrumContainer* c = currentContainer();
    if (!c) return;
    c->serieLabel()->setVisible(checked);
    c->layoutPane();
    m_manager->layoutPanes();
    scheduleUpdateActions();
}

// The menu's moves are the keys' own: sent to the current pane's plot as a press and release.
void TSpectraViewerFrame::viewMoveKey(int key, Qt::KeyboardModifiers modifiers) {
    TSpectrum* plot = currentSpectrum();
    if (!plot) return;
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(plot, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(plot, &release);
}

void TSpectraViewerFrame::viewIntensityScale(TIntensityScale intensity, TPercentOf percentOf) {
    TSpectrum* plot = currentSpectrum();
    if (!plot) return;
    TPlotScale scale = plot->plotScale();
    scale.intensity = intensity;
    scale.percentOf = percentOf;
    plot->setPlotScale(scale);
}

void TSpectraViewerFrame::viewFitY(bool on) {
    TSpectrum* plot = currentSpectrum();
    if (!plot) return;
    TPlotScale scale = plot->plotScale();
    scale.fitY = on;
    scale.yFitSuspended = false;
    plot->setPlotScale(scale);
}

void TSpectraViewerFrame::viewMirrorSerie(bool on) {
    TSpectrum* plot = currentSpectrum();
    if (!plot) return;
    plot->setMirrored(plot->series()->current(), on);
}

void TSpectraViewerFrame::viewPinMeasurement() {
    TSpectrum* hovered = m_manager->hoveredSpectrum();
    TSpectrum* plot = hovered && hovered->measurement() ? hovered : currentSpectrum();
    if (plot) plot->pinMeasurement();
}

void TSpectraViewerFrame::viewUnpinAll() {
    if (TSpectrum* plot = currentSpectrum()) plot->removeAllPins();
}

void TSpectraViewerFrame::viewUndoPins() {
    if (TSpectrum* plot = currentSpectrum()) plot->undoPins();
}

void TSpectraViewerFrame::viewRedoPins() {
    if (TSpectrum* plot = currentSpectrum()) plot->redoPins();
}

void TSpectraViewerFrame::viewBackground() {
    if (!currentSpectrum()) return;
    const QColor before = m_manager->palette().color(QPalette::Window);
    const auto chosen = m_services.dialogs.color(before);
    if (!chosen || !chosen->isValid()) return;
    QPalette palette = m_manager->palette();
    palette.setColor(QPalette::Window, *chosen);
    m_manager->setPalette(palette);
    m_manager->setAutoFillBackground(true);
    m_manager->update();
}
