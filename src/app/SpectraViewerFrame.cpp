// The viewer frame: construction, the actions of the menus, their enabling rules, the View
// commands and the command runner. The File commands live in SpectraViewerFrameFile.cpp.
#include "app/SpectraViewerFrame.h"

#include <QAction>
#include <QEvent>
#include <QKeySequence>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <memory>

#include "app/Dialogs.h"
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

QColor toQColor(TColor c) {
    return QColor(c.r, c.g, c.b);
}

TColor toTColor(const QColor& c) {
    return TColor::fromRgb(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                           static_cast<std::uint8_t>(c.blue()));
}

// The caption as shown, without the mnemonic marks.
QString plainCaption(const QAction& action) {
    QString text = action.text();
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

struct TActionRow {
    const char* name;
    const char* caption;
    const char* hint = "";
    QKeySequence shortcut = {};
    bool checkable = false;
    bool checked = false;
    bool visible = true;
};

}  // namespace

TSpectraViewerFrame::TSpectraViewerFrame(TViewerServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_manager = new TSpectraManager(this);
    layout->addWidget(m_manager);

    createFileActions();
    createEditActions();
    createViewActions();

    TSpectrumNavigator* navigator = m_manager->navigator();
    connect(navigator, &TSpectrumNavigator::spectrumChanged, this, [this] {
        watchPanes();
        scheduleUpdateActions();
        emit currentChanged();
    });
    connect(navigator, &TSpectrumNavigator::messageRaised, this,
            &TSpectraViewerFrame::showPaneMessage);
    // Panes come and go as children of the manager; new ones get their connections at the
    // next update.
    m_manager->installEventFilter(this);

    updateActions();
}

TSpectraViewerFrame::~TSpectraViewerFrame() {
    // The panes go with the manager, and the navigator reports it: nothing of that may reach
    // a frame that is half destroyed.
    m_manager->removeEventFilter(this);
    disconnect(m_manager->navigator(), nullptr, this, nullptr);
    for (TSpectrumContainer* c : m_manager->containers())
        if (c->spectrum()) disconnect(c->spectrum(), nullptr, this, nullptr);
    delete m_manager;
}

QAction* TSpectraViewerFrame::action(const QString& name) const {
    const auto it = m_actions.find(name);
    return it == m_actions.end() ? nullptr : it->second;
}

TSpectrum* TSpectraViewerFrame::currentSpectrum() const {
    return m_manager->count() > 0 ? m_manager->navigator()->spectrum() : nullptr;
}

TSpectrumContainer* TSpectraViewerFrame::currentContainer() const {
    return m_manager->count() > 0 ? m_manager->navigator()->spectrumContainer() : nullptr;
}

// --- actions -------------------------------------------------------------------------------------

QAction* TSpectraViewerFrame::addAction(const QString& name, const QString& caption) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    // Shortcuts work wherever the frame is, with or without a menu bar.
    QWidget::addAction(a);
    m_actionList.push_back(a);
    m_actions[name] = a;
    return a;
}

namespace {

void applyRow(QAction& a, const TActionRow& row) {
    const QString hint = QString::fromUtf8(row.hint);
    if (!hint.isEmpty()) {
        a.setStatusTip(hint);
        a.setToolTip(hint);
    }
    if (!row.shortcut.isEmpty()) a.setShortcut(row.shortcut);
    a.setCheckable(row.checkable);
    a.setChecked(row.checked);
    a.setVisible(row.visible);
}

}  // namespace

void TSpectraViewerFrame::createFileActions() {
    const TActionRow rows[] = {
        {"FileNew", "New", "Add an empty pane", QKeySequence::New},
        {"FileOpen", "Open...", "Open a document in new panes", QKeySequence::Open},
        {"FileSave", "&Save", "Save the current spectrum", QKeySequence::Save},
        {"FileSaveAs", "Save &as...", "Save the current spectrum under a new name"},
        {"FileSaveRange", "Save &range as...",
         "Save the visible range of the current serie as a document"},
        {"FileImport", "Import...", "Import a text spectrum"},
        {"FileExport", "Export...", "Write the current serie as a text file"},
        {"FileAnnotations", "Annotations...", "Show the annotations of the current spectrum"},
        {"FilePrint", "Print...", "", {}, false, false, false},
        {"FilePrintSetup", "P&rint Setup...", "", {}, false, false, false},
        {"FileExit", "E&xit", "Close the viewer", QKeySequence::Quit},
        {"FileReloadLibrary", "Reload Library"},
    };
    for (const auto& row : rows)
        applyRow(*addAction(QString::fromUtf8(row.name), QString::fromUtf8(row.caption)), row);

    bind(QStringLiteral("FileNew"), &TSpectraViewerFrame::fileNew);
    bind(QStringLiteral("FileOpen"), &TSpectraViewerFrame::fileOpen);
    bind(QStringLiteral("FileSave"), &TSpectraViewerFrame::fileSave);
    bind(QStringLiteral("FileSaveAs"), &TSpectraViewerFrame::fileSaveAs);
    bind(QStringLiteral("FileSaveRange"), &TSpectraViewerFrame::fileSaveRange);
    bind(QStringLiteral("FileImport"), &TSpectraViewerFrame::fileImport);
    bind(QStringLiteral("FileExport"), &TSpectraViewerFrame::fileExport);
    bind(QStringLiteral("FileAnnotations"), &TSpectraViewerFrame::fileAnnotations);
    // Closing goes through the main window, which asks about unsaved spectra.
    connect(action(QStringLiteral("FileExit")), &QAction::triggered, this,
            [this] { window()->close(); });
}

void TSpectraViewerFrame::createEditActions() {
    const TActionRow rows[] = {
        {"EditCutSerie", "Cu&t serie", "Cut current serie", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"EditCopySerie", "&Copy serie", "Copy"},
        {"EditCopyRangeSerie", "Copy visible &Range"},
        {"EditCopyMass", "Copy serie (&mass value only)", "Copy",
         QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"EditPasteAsNew", "&Paste (as new serie)", "Paste", QKeySequence(Qt::CTRL | Qt::Key_V)},
        {"EditPasteOverwrite", "Paste (overwrite current serie)"},
        {"EditInsertSpline", "Insert smooth serie", "", {}, false, false, false},
        {"EditDeleteSerie", "&Delete (current serie)", "", QKeySequence(Qt::CTRL | Qt::Key_Delete)},
        {"EditDeleteSeriesContainer", "De&lete (series container)", "",
         QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
    };
    for (const auto& row : rows)
        applyRow(*addAction(QString::fromUtf8(row.name), QString::fromUtf8(row.caption)), row);

    bind(QStringLiteral("EditCutSerie"), &TSpectraViewerFrame::editCutSerie);
    bind(QStringLiteral("EditCopySerie"), &TSpectraViewerFrame::editCopySerie);
    bind(QStringLiteral("EditCopyRangeSerie"), &TSpectraViewerFrame::editCopyRangeSerie);
    bind(QStringLiteral("EditCopyMass"), &TSpectraViewerFrame::editCopyMass);
    bind(QStringLiteral("EditPasteAsNew"), &TSpectraViewerFrame::editPasteAsNew);
    bind(QStringLiteral("EditPasteOverwrite"), &TSpectraViewerFrame::editPasteOverwrite);
    bind(QStringLiteral("EditInsertSpline"), &TSpectraViewerFrame::editInsertSpline);
    bind(QStringLiteral("EditDeleteSerie"), &TSpectraViewerFrame::editDeleteSerie);
    bind(QStringLiteral("EditDeleteSeriesContainer"),
         &TSpectraViewerFrame::editDeleteSeriesContainer);
}

void TSpectraViewerFrame::createViewActions() {
    const TActionRow rows[] = {
        {"ViewCurrentSerieBar", "&Bar", "Draw the current serie as bars", {}, true},
        {"ViewCurrentSerieContinue", "&Continue", "Draw the current serie as a line", {}, true},
        {"ViewCurrentSerieHightlight",
         "&Hightlight",
         "Draw the current serie with a wider pen",
         {},
         true},
        {"ViewCurrentSerieColor", "&Color...", "Change the colour of the current serie"},
        {"ViewCurrentSerieName", "&Name...", "Rename the current serie"},
        {"ViewCurrentSerieLabelsColor", "Labels Color...",
         "Change the colour of the current serie's labels"},
        {"ViewCurrentSerieLabelsHide", "Hide Labels", "Hide the labels of the spectrum", {}, true},
        {"ViewCurrentSerieLabelsFont", "Labels Font..."},
        {"ViewAllSeriesBar", "&Bar", "Draw every serie as bars", {}, true},
        {"ViewAllSeriesContinue", "&Continue", "Draw every serie as a line", {}, true, true},
        {"ViewAllSeriesHighlight",
         "&Highlight",
         "Draw every serie with a wider pen",
         {},
         true,
         true},
        {"ViewAllSeriesLabelsHide", "Hide Labels", "Hide the labels of the spectrum", {}, true},
        {"ViewAllSeriesIncreaseLinewitdh", "Increase line witdh",
         "Draw every serie with a wider pen"},
        {"ViewAllSeriesDecreaseLinewidth", "Decrease line width",
         "Draw every serie with a narrower pen"},
        {"ViewSynchronize", "Synchronize", "Move the mass range of all panes together", {}, true},
        {"ViewSpectrumLabel", "&Label", "Show the caption of the current pane", {}, true, true},
        {"ViewBackground", "Background...", "Change the background colour"},
        {"ToolsDetectPeaks", "Detect &peaks..."},
    };
    for (const auto& row : rows)
        applyRow(*addAction(QString::fromUtf8(row.name), QString::fromUtf8(row.caption)), row);

    bind(QStringLiteral("ViewCurrentSerieBar"), &TSpectraViewerFrame::viewCurrentSerieBar);
    bind(QStringLiteral("ViewCurrentSerieContinue"),
         &TSpectraViewerFrame::viewCurrentSerieContinue);
    bindToggle(QStringLiteral("ViewCurrentSerieHightlight"),
               &TSpectraViewerFrame::applyCurrentSerieHighlight);
    bind(QStringLiteral("ViewCurrentSerieColor"), &TSpectraViewerFrame::viewCurrentSerieColor);
    bind(QStringLiteral("ViewCurrentSerieName"), &TSpectraViewerFrame::viewCurrentSerieName);
    bind(QStringLiteral("ViewCurrentSerieLabelsColor"),
         &TSpectraViewerFrame::viewCurrentSerieLabelsColor);
    bindToggle(QStringLiteral("ViewCurrentSerieLabelsHide"),
               &TSpectraViewerFrame::applyLabelsHidden);
    bindToggle(QStringLiteral("ViewAllSeriesBar"), &TSpectraViewerFrame::applyAllSeriesBar);
    bindToggle(QStringLiteral("ViewAllSeriesContinue"),
               &TSpectraViewerFrame::applyAllSeriesContinue);
    bindToggle(QStringLiteral("ViewAllSeriesHighlight"),
               &TSpectraViewerFrame::applyAllSeriesHighlight);
    bindToggle(QStringLiteral("ViewAllSeriesLabelsHide"), &TSpectraViewerFrame::applyLabelsHidden);
    bind(QStringLiteral("ViewAllSeriesIncreaseLinewitdh"),
         &TSpectraViewerFrame::viewAllSeriesIncreaseLinewitdh);
    bind(QStringLiteral("ViewAllSeriesDecreaseLinewidth"),
         &TSpectraViewerFrame::viewAllSeriesDecreaseLinewidth);
    bindToggle(QStringLiteral("ViewSynchronize"), &TSpectraViewerFrame::applySynchronize);
    bindToggle(QStringLiteral("ViewSpectrumLabel"), &TSpectraViewerFrame::applySpectrumLabel);
    bind(QStringLiteral("ViewBackground"), &TSpectraViewerFrame::viewBackground);
}

void TSpectraViewerFrame::bind(const QString& name, void (TSpectraViewerFrame::*handler)()) {
    connect(action(name), &QAction::triggered, this, [this, handler] {
        runCommand([this, handler] { (this->*handler)(); });
        scheduleUpdateActions();
    });
}

void TSpectraViewerFrame::bindToggle(const QString& name,
                                     void (TSpectraViewerFrame::*apply)(bool)) {
    connect(action(name), &QAction::triggered, this, [this, apply](bool checked) {
        runCommand([this, apply, checked] { (this->*apply)(checked); });
        scheduleUpdateActions();
    });
}

bool TSpectraViewerFrame::toggle(const QString& name) {
    QAction* a = action(name);
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
    const bool c = m_services.clipboard && m_services.clipboard->hasText();
    const bool b = s && serie->style() == TSerieStyle::Bars;
    const bool h = s && serie->highlightWidth() > serieLineWidth();

    const auto enable = [this](const char* name, bool value) {
        action(QString::fromLatin1(name))->setEnabled(value);
    };
    const auto check = [this](const char* name, bool value) {
        action(QString::fromLatin1(name))->setChecked(value);
    };
    const auto checked = [this](const char* name) {
        return action(QString::fromLatin1(name))->isChecked();
    };

    enable("FileExit", true);
    enable("FileSave", p && spectrum->spectrumData()->isModified());
    enable("FileSaveAs", p);
    for (const char* name : {"EditCutSerie", "EditCopySerie", "EditCopyMass", "EditCopyRangeSerie"})
        enable(name, s);
    enable("EditPasteAsNew", p && c);
    enable("EditPasteOverwrite", s && c);
    enable("EditDeleteSerie", s);
    enable("EditDeleteSeriesContainer", p);
    enable("ViewCurrentSerieColor", s);
    enable("ViewCurrentSerieName", s);
    // Not rows of the table, but useless without their series or pane all the same.
    enable("ViewCurrentSerieLabelsColor", s);
    enable("ViewCurrentSerieLabelsHide", p);
    enable("ViewAllSeriesLabelsHide", p);
    enable("ViewCurrentSerieBar", s);
    check("ViewCurrentSerieBar", b);
    enable("ViewCurrentSerieContinue", s);
    check("ViewCurrentSerieContinue", s && !b);
    enable("ViewCurrentSerieHightlight", s);
    check("ViewCurrentSerieHightlight", h);
    enable("ViewAllSeriesBar", s);
    check("ViewAllSeriesBar", checked("ViewCurrentSerieBar"));
    enable("ViewAllSeriesContinue", s);
    check("ViewAllSeriesContinue", !checked("ViewAllSeriesBar"));
    enable("ViewAllSeriesHighlight", s);
    check("ViewAllSeriesHighlight", checked("ViewCurrentSerieHightlight"));
    enable("ViewSpectrumLabel", p);
    check("ViewSpectrumLabel", !container || !container->serieLabel()->isHidden());
    enable("ToolsDetectPeaks", s);

    if (s) {
        QAction* cut = action(QStringLiteral("EditCutSerie"));
        const QString hint = plainCaption(*cut) + QLatin1Char(' ') + QString::number(index + 1) +
                             QStringLiteral(": ") + QString::fromStdString(serie->name()) +
                             QStringLiteral(" (") + (container ? container->caption() : QString()) +
                             QLatin1Char(')');
        cut->setStatusTip(hint);
        cut->setToolTip(hint);
    } else {
        // No series to name: the hint no longer speaks of one that is gone.
        QAction* cut = action(QStringLiteral("EditCutSerie"));
        cut->setStatusTip(QStringLiteral("Cut current serie"));
        cut->setToolTip(QStringLiteral("Cut current serie"));
    }
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
    if (m_services.dialogs)
        m_services.dialogs->message(TMessageKind::Error, text, {TMessageButton::Ok});
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
    if (m_services.dialogs)
        m_services.dialogs->message(TMessageKind::Error, message, {TMessageButton::Abort});
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

void TSpectraViewerFrame::viewCurrentSerieBar() {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    if (const auto serie = s->series()->current(); serie && restyle(*serie, TSerieStyle::Bars))
        s->spectrumData()->setModified(true);
    s->invalidate();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewCurrentSerieContinue() {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    if (const auto serie = s->series()->current(); serie && restyle(*serie, TSerieStyle::Line))
        s->spectrumData()->setModified(true);
    s->invalidate();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewCurrentSerieHightlight() {
    applyCurrentSerieHighlight(toggle(QStringLiteral("ViewCurrentSerieHightlight")));
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
    const auto chosen = m_services.dialogs->color(toQColor(serie->color()));
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
    const auto answer = m_services.dialogs->inputText(QStringLiteral("Serie name"),
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
    const auto chosen = m_services.dialogs->color(toQColor(list->font().color));
    if (chosen && chosen->isValid()) {
        list->font().color = toTColor(*chosen);
        s->invalidateDrawing();
    }
}

void TSpectraViewerFrame::viewCurrentSerieLabelsHide() {
    applyLabelsHidden(toggle(QStringLiteral("ViewCurrentSerieLabelsHide")));
}

void TSpectraViewerFrame::viewAllSeriesLabelsHide() {
    applyLabelsHidden(toggle(QStringLiteral("ViewAllSeriesLabelsHide")));
}

void TSpectraViewerFrame::applyLabelsHidden(bool hidden) {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    for (const auto& list : *s->labels()) list->setVisible(!hidden);
    s->labels()->setNeedsLayout(true);
    s->invalidateDrawing();
}

void TSpectraViewerFrame::viewAllSeriesBar() {
    applyAllSeriesBar(toggle(QStringLiteral("ViewAllSeriesBar")));
}

void TSpectraViewerFrame::applyAllSeriesBar(bool) {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    bool changed = false;
    for (const auto& serie : *s->series()) changed |= restyle(*serie, TSerieStyle::Bars);
    if (changed) s->spectrumData()->setModified(true);
    s->invalidate();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewAllSeriesContinue() {
    applyAllSeriesContinue(toggle(QStringLiteral("ViewAllSeriesContinue")));
}

void TSpectraViewerFrame::applyAllSeriesContinue(bool) {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    bool changed = false;
    for (const auto& serie : *s->series()) changed |= restyle(*serie, TSerieStyle::Line);
    if (changed) s->spectrumData()->setModified(true);
    s->invalidate();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewAllSeriesHighlight() {
    applyAllSeriesHighlight(toggle(QStringLiteral("ViewAllSeriesHighlight")));
}

void TSpectraViewerFrame::applyAllSeriesHighlight(bool checked) {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    action(QStringLiteral("ViewCurrentSerieHightlight"))->setChecked(checked);
    setHighlightWidths(*s->series(), checked ? highlightLineWidth() : serieLineWidth(), true);
    s->invalidateDrawing();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewAllSeriesIncreaseLinewitdh() {
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
    applySynchronize(toggle(QStringLiteral("ViewSynchronize")));
}

void TSpectraViewerFrame::applySynchronize(bool checked) {
    // Also without panes, so that the panes made later follow the menu's state.
    m_manager->setSynchronized(checked);
}

void TSpectraViewerFrame::viewSpectrumLabel() {
    applySpectrumLabel(toggle(QStringLiteral("ViewSpectrumLabel")));
}

void TSpectraViewerFrame::applySpectrumLabel(bool checked) {
    TSpectrumContainer* c = currentContainer();
    if (!c) return;
    c->serieLabel()->setVisible(checked);
    c->layoutPane();
    m_manager->layoutPanes();
    scheduleUpdateActions();
}

void TSpectraViewerFrame::viewBackground() {
    if (!currentSpectrum()) return;
    const QColor before = m_manager->palette().color(QPalette::Window);
    const auto chosen = m_services.dialogs->color(before);
    if (!chosen || !chosen->isValid()) return;
    QPalette palette = m_manager->palette();
    palette.setColor(QPalette::Window, *chosen);
    m_manager->setPalette(palette);
    m_manager->setAutoFillBackground(true);
    m_manager->update();
}
