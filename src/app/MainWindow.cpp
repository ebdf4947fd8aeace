// The main window around the viewer frame.
#include "app/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <initializer_list>
#include <optional>

#include "app/Dialogs.h"
#include "app/GuiDialogs.h"
#include "app/RecentFiles.h"
#include "app/Settings.h"
#include "app/SpectraViewerFrame.h"
#include "app/WindowState.h"
#include "display/RunBrowser.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"
#include "model/SpectrumParameters.h"

TMainForm::TMainForm(TViewerServices services, QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Velmorix viewer"));
    setWindowIcon(programIcon());
    m_frame = new TSpectraViewerFrame(std::move(services), this);
    setCentralWidget(m_frame);
    m_recent = new TRecentFilesMenu(
        m_frame->services().settings,
        [this](const QString& path) { m_frame->runCommand([&] { m_frame->openFile(path); }); },
        this);
    connect(m_frame, &TSpectraViewerFrame::recentFilesChanged, m_recent,
            &TRecentFilesMenu::refresh);

    m_about = new QAction(QStringLiteral("&About..."), this);
    m_about->setObjectName(QStringLiteral("HelpAbout"));
    m_about->setStatusTip(QStringLiteral("Show the version of the viewer"));
    connect(m_about, &QAction::triggered, this,
            [this] { m_frame->runCommand([this] { about(); }); });
    createMenus();

    // Run browsers dock at the left of the panes, several runs as tabs of one dock area.
    setDockOptions(dockOptions() | QMainWindow::AllowTabbedDocks);
    m_frame->setDockPlacement([this](QDockWidget* dock) {
        // Every browser opens with the columns and sort order the last one was left with.
        if (auto* browser = qobject_cast<TRunBrowser*>(dock->widget()); browser && browser->table())
            keepBrowserColumns(*browser->table()->horizontalHeader(), m_frame->services().settings);
        const QList<QDockWidget*> docks = findChildren<QDockWidget*>();
        QDockWidget* beside = nullptr;
        for (QDockWidget* other : docks)
            if (other != dock && dockWidgetArea(other) == Qt::LeftDockWidgetArea &&
                other->isVisible())
                beside = other;
        addDockWidget(Qt::LeftDockWidgetArea, dock);
        if (beside) {
            tabifyDockWidget(beside, dock);
        } else {
            // Room for the table's columns, but the panes keep at least half of the window,
            // or of the screen for a window still on its way to being maximised.
            QTimer::singleShot(0, dock, [this, dock] {
                int room = width();
                if (const QScreen* s = screen())
                    room = std::max(room, s->availableGeometry().width());
                const int wanted = dock->widget()->sizeHint().width() + 8;
                resizeDocks({dock}, {std::min(wanted, room / 2)}, Qt::Horizontal);
            });
        }
        dock->show();
        dock->raise();
    });

    statusBar();
    m_runStatus = new QLabel(this);
    m_runStatus->setObjectName(QStringLiteral("RunStatus"));
    statusBar()->addPermanentWidget(m_runStatus);
    connect(m_frame, &TSpectraViewerFrame::runStatusChanged, m_runStatus, &QLabel::setText);
    connect(m_frame->manager(), &TSpectraManager::paneMouseMoved, this,
            [this](TSpectrum* s) { showReadout(s); });
    connect(m_frame->manager(), &TSpectraManager::paneReadoutChanged, this,
            &TMainForm::showReadout);
    connect(m_frame->manager()->navigator(), &TSpectrumNavigator::spectrumChanged, this,
            [this](TSpectrum* s) {
                if (!s) statusBar()->clearMessage();
            });

    connect(m_frame, &TSpectraViewerFrame::actionsUpdated, this, &TMainForm::updateTitle);
    updateTitle();

    // The size the window returns to from maximised.
    resize(1024, 768);
}

TMainForm::~TMainForm() {
    // The frame goes first, while this is still a whole main window for its signals.
    delete m_frame;
}

void TMainForm::createMenus() {
    // Items only for actions that the menus show; Background and the others without a menu item
    // keep their actions for code and shortcuts.
    using A = TActionId;
    // A missing action stands for a separator.
    constexpr std::optional<TActionId> separator;
    const auto fill = [this](QMenu* menu, std::initializer_list<std::optional<TActionId>> ids) {
        for (const auto id : ids) {
            if (id)
                menu->addAction(m_frame->action(*id));
            else
                menu->addSeparator();
        }
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    fill(file, {A::FileNew, A::FileOpen});
    file->addMenu(m_recent);
    fill(file, {A::FileImport, A::FileSave, A::FileSaveAs, A::FileSaveRange, A::FileExport,
                A::FileExportPicture, A::FileAnnotations, separator, A::FilePrint,
                A::FilePrintPreview, A::FilePrintSetup, separator, A::FileExit});

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    fill(edit, {A::EditCutSerie, A::EditCopySerie, A::EditCopyRangeSerie, A::EditCopyMass,
                A::EditCopyPicture, separator, A::EditPasteAsNew, A::EditPasteOverwrite,
                A::EditInsertSpline, separator, A::EditDeleteSerie, A::EditDeleteSeriesContainer});

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    fill(view->addMenu(QStringLiteral("&Serie")),
         {A::ViewCurrentSerieBar, A::ViewCurrentSerieContinue, A::ViewCurrentSerieHighlight,
          separator, A::ViewCurrentSerieColor, A::ViewCurrentSerieName, separator,
          A::ViewCurrentSerieLabelsColor, A::ViewCurrentSerieLabelsHide});
    fill(view->addMenu(QStringLiteral("&All Series")),
         {A::ViewAllSeriesBar, A::ViewAllSeriesContinue, A::ViewAllSeriesHighlight, separator,
          A::ViewAllSeriesIncreaseLinewidth, A::ViewAllSeriesDecreaseLinewidth});
    // The keys of the focused pane; the menu shows them and moves the current pane.
    fill(view->addMenu(QStringLiteral("&Move")),
         {A::ViewMoveZoomIn, A::ViewMoveZoomOut, separator, A::ViewMovePanLeft, A::ViewMovePanRight,
          A::ViewMovePageLeft, A::ViewMovePageRight, A::ViewMoveStart, A::ViewMoveEnd, separator,
          A::ViewMoveStretchY, A::ViewMoveShrinkY, separator, A::ViewMoveFullRange, A::ViewMoveBack,
          A::ViewMoveForward});
    fill(view->addMenu(QStringLiteral("&Intensity")),
         {A::ViewScaleAbsolute, A::ViewScaleRelative, A::ViewScaleRelativeWhole, A::ViewScaleLog,
          A::ViewScaleFractions, separator, A::ViewScaleFitY, separator, A::ViewMirrorSerie,
          separator, A::ViewPinMeasurement, A::ViewUnpinAll, A::ViewUndoPins, A::ViewRedoPins});
    view->addSeparator();
    view->addAction(m_frame->action(TActionId::ViewSynchronize));
    fill(view->addMenu(QStringLiteral("S&pectrum")), {A::ViewSpectrumLabel});

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(m_about);

    // States are brought up to date before any menu shows them.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, m_frame, &TSpectraViewerFrame::updateActions);
}

void TMainForm::updateTitle() {
    const TSpectrum* s = m_frame->currentSpectrum();
    if (!s) {
        setWindowTitle(QStringLiteral("Velmorix viewer"));
        setWindowModified(false);
        return;
    }
    // "[*]" is where Qt shows the modified mark.
    const QString name = QFileInfo(QString::fromStdString(s->fileName())).fileName();
    setWindowTitle(name + QStringLiteral("[*] - Velmorix viewer"));
    setWindowModified(m_frame->isCurrentDocumentModified());
}

void TMainForm::showReadout(TSpectrum* s) {
    statusBar()->showMessage(s ? s->statusText() : QString());
}

void TMainForm::openStartupFile(const QString& path, const std::optional<TScanList>& scans) {
    // Named twice (or open already): shown once.
    if (m_frame->showOpenFile(path)) {
        m_frame->rememberFile(path);
        return;
    }
    // A file that fails has said why; the pane shown before stays as it was.
    if (!m_frame->openAnyFile(path, scans)) return;
    m_frame->rememberFile(path);
    TSpectrum* s = m_frame->currentSpectrum();
    // A browser's pane changes with every pick: there is nothing of it to keep.
    if (!s || m_frame->isBrowserPane(m_frame->currentContainer())) return;
    const auto& series = s->series();
    if (series->count() > 0) series->serie(0)->setColor(colors::black);
    s->spectrumData()->setModified(true);
    s->setFileName(QFileInfo(path).fileName().toStdString());
    if (TSpectrumContainer* c = m_frame->currentContainer()) c->updateLabel();
    s->invalidate();
    m_frame->scheduleUpdateActions();
}

void TMainForm::freeformBackground() {
    m_frame->runCommand([this] {
        TSpectrum* s = m_frame->currentSpectrum();
        if (!s || s->series()->count() == 0) return;
        const auto& serie = s->series()->serie(0);
        c_spectrum_parameters parameters(serie->points(), serie->threshold());
        parameters.computeBackground();
        s->invalidateDrawing();
    });
}

void TMainForm::about() {
    const TViewerServices& services = m_frame->services();
    services.dialogs.about(services.version);
}

bool TMainForm::confirmClose() {
    const TViewerServices& services = m_frame->services();
    for (TSpectrumContainer* c : m_frame->manager()->containers()) {
        const TSpectrum* s = c->spectrum();
        if (!s || !s->spectrumData()->isModified()) continue;
        // Two panes of one file are told apart by their captions.
        QString name =
            QStringLiteral("\"") + QString::fromStdString(s->fileName()) + QLatin1Char('"');
        if (!c->caption().isEmpty()) name += QStringLiteral(" (") + c->caption() + QLatin1Char(')');
        const QString text =
            QStringLiteral("Spectrum ") + name +
            QStringLiteral(" not saved. Are you sure want to exit without saving it ?");
        // Enter keeps the work: only a deliberate Yes discards it.
        const TMessageButton answer = services.dialogs.message(
            TMessageKind::Warning, text, {TMessageButton::Yes, TMessageButton::Cancel},
            TMessageButton::Cancel);
        if (answer != TMessageButton::Yes) return false;
    }
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool close = false;
    m_frame->runCommand([&] { close = confirmClose(); });
    if (close) {
        saveWindowLayout(*this, m_frame->services().settings);
        event->accept();
    } else {
        event->ignore();
    }
}
