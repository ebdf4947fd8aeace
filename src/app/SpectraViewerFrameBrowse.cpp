// The viewer frame's run browsers: one dock per open run, the pane bound to it, and the spectra
// the user picks in it.
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

#include "app/Dialogs.h"
#include "app/FileFailure.h"
#include "app/Hourglass.h"
#include "app/SpectraViewerFrame.h"
#include "display/RunBrowser.h"
#include "display/SpanTool.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "files/Run.h"
#include "files/RunSelection.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

namespace {

// "scan 5 · MS2 · RT 1.23 min · precursor 810.7900 2+"; the parts the file does not state are
// left out (a precursor m/z of 0 is none, as in the series names of a pane of first spectra).
// Numbers with '.' whatever the locale.
QString browsedSpectrumName(const TSpectrumRow& row) {
    QString name = QStringLiteral("scan %1").arg(row.scanNumber);
    if (row.msLevel > 0) name += QStringLiteral(" · MS%1").arg(row.msLevel);
    if (!std::isnan(row.retentionTime))
        name +=
            QStringLiteral(" · RT %1 min").arg(QString::number(row.retentionTime / 60.0, 'f', 2));
    if (row.hasPrecursor() && row.precursorMz != 0.0) {
        name += QStringLiteral(" · precursor ") + QString::number(row.precursorMz, 'f', 4);
        if (row.precursorCharge != 0)
            name += QStringLiteral(" %1%2")
                        .arg(std::abs(row.precursorCharge))
                        .arg(row.precursorCharge > 0 ? QLatin1Char('+') : QLatin1Char('-'));
    }
    return name;
}

// Fits y from just below zero to 2 % above the highest point of any series inside the x window;
// without one there, to the current series as a whole.
void fitYToVisible(TSpectrumData& data) {
    const double x1 = data.xRange()->min();
    const double x2 = data.xRange()->max();
    double top = 0.0;
    for (const auto& serie : *data.series())
        if (const auto highest = serie->points()->maxYInRange(x1, x2))
            top = std::max(top, highest->y);
    if (!(top > 0.0)) {
        data.fitYRange();
        return;
    }
    data.yRange()->setMin(-top / 50.0);
    data.yRange()->setMax(top + top / 50.0);
}

}  // namespace

void TSpectraViewerFrame::setDockPlacement(std::function<void(QDockWidget*)> place) {
    m_placeDock = std::move(place);
}

TSpectraViewerFrame::TRunSession* TSpectraViewerFrame::sessionOf(const TRunBrowser* browser) {
    for (TRunSession& session : m_runs)
        if (session.browser == browser) return &session;
    return nullptr;
}

const TSpectraViewerFrame::TRunSession* TSpectraViewerFrame::sessionOf(
    const TRunBrowser* browser) const {
    for (const TRunSession& session : m_runs)
        if (session.browser == browser) return &session;
    return nullptr;
}

std::vector<TRunBrowser*> TSpectraViewerFrame::runBrowsers() const {
    std::vector<TRunBrowser*> browsers;
    for (const TRunSession& session : m_runs)
        if (session.browser) browsers.push_back(session.browser);
    return browsers;
}

TSpectrumContainer* TSpectraViewerFrame::browserPane(const TRunBrowser* browser) const {
    const TRunSession* session = sessionOf(browser);
    return session ? session->pane.data() : nullptr;
}

TRunBrowser* TSpectraViewerFrame::browserOf(const TSpectrumContainer* pane) const {
    if (!pane) return nullptr;
    for (const TRunSession& session : m_runs)
        if (session.pane == pane) return session.browser;
    return nullptr;
}

bool TSpectraViewerFrame::openRunBrowser(const QString& path, const TBrowseStart& start) {
    std::shared_ptr<const iRunReader> run;
    int shown = 0;
    QString missing;
    bool cancelled = false;
    const bool read = runCommand(
        [&] {
            // The table of a large run takes a while: it is read off the window's thread, and
            // the user may give it up.
            m_services.dialogs.runWithProgress(
                QStringLiteral("Reading the spectra of \"%1\"…").arg(QFileInfo(path).fileName()),
                [&](const iDialogs::TProgress& progress) {
                    readNamingFile(path, [&] {
                        try {
                            run = openRun(QFile::encodeName(path).toStdString(), progress);
                        } catch (const ERunCancelled&) {
                            cancelled = true;
                        }
                    });
                });
            if (cancelled) return;
            if (run->spectra().empty())
                throw EFileReadError(
                    QStringLiteral("Cannot read \"%1\": it holds no spectra.").arg(path));
        },
        loadFailureHint());
    if (cancelled) return false;
    // The file is a run: scans it lacks are no matter of its format.
    const bool chosen =
        read && runCommand([&] {
            const std::vector<TSpectrumRow>& rows = run->spectra();
            if (start.scans) {
                const TRunChoice choice = spectraOfScans(*run, *start.scans);
                QStringList lacked;
                for (const int scan : choice.missingScans) lacked << QString::number(scan);
                for (const TScanRange& range : choice.emptyRanges)
                    lacked << QStringLiteral("%1-%2").arg(range.first).arg(range.last);
                if (!lacked.isEmpty())
                    missing = QStringLiteral("\"%1\" has no scan %2.")
                                  .arg(path, lacked.join(QStringLiteral(", ")));
                if (choice.indices.empty())
                    throw EFileReadError(
                        QStringLiteral("Cannot read \"%1\": it holds none of the scans asked for.")
                            .arg(path));
                shown = choice.indices.front();
            } else if (start.firstMs1) {
                const auto ms1 =
                    std::find_if(rows.begin(), rows.end(),
                                 [](const TSpectrumRow& row) { return row.msLevel == 1; });
                if (ms1 != rows.end()) shown = static_cast<int>(ms1 - rows.begin());
            }
        });
    if (!chosen) return false;

    auto* browser = new TRunBrowser(run);
    run.reset();  // the browser holds the run from now on
    auto* dock = new QDockWidget(QFileInfo(path).fileName(), window());
    dock->setObjectName(QStringLiteral("RunBrowser"));
    dock->setAttribute(Qt::WA_DeleteOnClose);
    dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                      QDockWidget::DockWidgetFloatable);
    dock->setWidget(browser);
    dock->setToolTip(browser->model()->summary());

    const int id = m_nextRunId++;
    m_runs.push_back(TRunSession{id, path, dock, browser, nullptr, nullptr});
    connect(dock, &QObject::destroyed, this, [this, id] { forgetRunSession(id); });
    connect(browser, &TRunBrowser::spectrumPicked, this, [this, browser](int index, bool add) {
        runCommand([&] { showRunSpectrum(browser, index, add); });
    });
    connect(browser, &TRunBrowser::firstSpectraRequested, this,
            [this, path] { runCommand([&] { openRunFile(path, std::nullopt); }); });
    connect(browser, &TRunBrowser::copyRequested, this,
            [this, browser] { runCommand([&] { copyBrowsedSpectra(browser); }); });
    connect(browser, &TRunBrowser::messageRaised, this, &TSpectraViewerFrame::showPaneMessage);
    connect(browser, &TRunBrowser::spectrumSummed, this,
            [this, browser] { runCommand([&] { showBrowsedSum(browser); }); });

    if (m_placeDock)
        m_placeDock(dock);
    else
        dock->show();

    if (TSpectrumContainer* pane =
            openPane(QFileInfo(path).fileName(), newDocument(TDocumentFormat::Run, path))) {
        sessionOf(browser)->pane = pane;
        if (showRunSpectrum(browser, shown, false)) browser->setCurrentSpectrum(shown);
    }
    const auto& messages = browser->run()->messages();
    if (!messages.empty() || !missing.isEmpty()) {
        QStringList lines;
        for (const std::string& message : messages) lines << QString::fromStdString(message);
        if (!missing.isEmpty()) lines << missing;
        m_services.dialogs.message(TMessageKind::Warning, lines.join(QLatin1Char('\n')),
                                   {TMessageButton::Ok});
    }
    tellRunStatus(browser);
    scheduleUpdateActions();
    emit currentChanged();
    return true;
}

bool TSpectraViewerFrame::showRunSpectrum(TRunBrowser* browser, int runIndex, bool add) {
    TRunSession* session = sessionOf(browser);
    if (!session) return false;
    const iRunReader& run = *browser->run();
    if (runIndex < 0 || runIndex >= static_cast<int>(run.spectra().size())) return false;
    const TSpectrumRow& row = run.spectra()[static_cast<std::size_t>(runIndex)];
    const QString name = browsedSpectrumName(row);

    // Decoded before the pane is touched: a damaged spectrum leaves it as it was.
    std::vector<TFloatPointRec> peaks;
    try {
        peaks = run.loadSpectrum(runIndex);
    } catch (const std::exception& e) {
        const QString reason = QString::fromUtf8(e.what());
        const QString text =
            reason.contains(session->path)
                ? QStringLiteral("Cannot show %1: %2").arg(name, reason)
                : QStringLiteral("Cannot show %1 of \"%2\": %3").arg(name, session->path, reason);
        m_services.dialogs.message(TMessageKind::Error, text, {TMessageButton::Ok});
        return false;
    }

    // Marks belong to the spectrum shown; one added beside it keeps them.
    if (!showInBrowsedPane(*session, name, std::move(peaks), run.peakMode(runIndex), add,
                           add ? std::nullopt
                               : std::optional(precursorMarks(run.spectra(), runIndex))))
        return false;
    tellRunStatus(browser);
    scheduleUpdateActions();
    emit currentChanged();
    return true;
}

TSpectrumContainer* TSpectraViewerFrame::showInBrowsedPane(
    TRunSession& session, const QString& name, std::vector<TFloatPointRec>&& peaks,
    TPeakMode mode, bool add, std::optional<std::vector<TPlotMark>> marks) {
    TSpectrumContainer* pane = browsedPane(session);
    if (!pane) return nullptr;
    TSpectrum& plot = *pane->spectrum();
    TSpectrumData& data = *plot.spectrumData();
    TPointListSerieList& series = *data.series();
    // The m/z window stays once the pane shows a spectrum, so that stepping compares like
    // with like; the first spectrum is shown whole.
    const bool keepWindow = !series.isEmpty();
    const double xMin = data.xRange()->min();
    const double xMax = data.xRange()->max();

    if (!add) {
        // The points of the spectrum shown before are freed here.
        series.clear();
        data.labels()->clear();
    }
    const TPointListSeriePtr serie = series.newSerie(name.toStdString());
    // The spectrum shown in black, as the start-up document; added ones take the palette's
    // colours to be told apart.
    if (!add) serie->setColor(colors::black);
    // Centroid lists are sticks: a curve through them would invent peaks.
    serie->setStyle(mode == TPeakMode::Centroid ? TSerieStyle::Bars : TSerieStyle::Line);
    TFloatPointSortedList& points = *serie->points();
    points.setCapacity(static_cast<int>(peaks.size()));
    points.addPoints(peaks);
    peaks = {};

    if (add) {
        series.setCurrentIndex(series.count() - 1);
        fitYToVisible(data);
    } else if (!keepWindow) {
        finishLoadedPanes({pane});
    } else {
        finishLoadedData(data);
        data.xRange()->setMin(xMin);
        data.xRange()->setMax(xMax);
        fitYToVisible(data);
    }
    if (marks) plot.setMarks(std::move(*marks));
    pane->setCaption(name);
    data.setModified(false);
    m_manager->navigator()->setSpectrumContainer(pane);
    plot.invalidate();
    pane->updateLabel();
    return pane;
}

TSpectrumContainer* TSpectraViewerFrame::browsedPane(TRunSession& session) {
    if (!session.pane) {
        session.pane = openPane(QFileInfo(session.path).fileName(),
                                newDocument(TDocumentFormat::Run, session.path));
        if (!session.pane) return nullptr;
    }
    bindBrowserPlot(session, *session.pane->spectrum());
    return session.pane;
}

void TSpectraViewerFrame::bindBrowserPlot(TRunSession& session, TSpectrum& plot) {
    if (session.markedPlot == &plot) return;
    session.markedPlot = &plot;
    TRunBrowser* browser = session.browser;
    // A click on a precursor mark opens its MS2 spectrum as a click on its row does.
    connect(&plot, &TSpectrum::markClicked, browser,
            [browser](int tag, Qt::KeyboardModifiers modifiers) {
                browser->pickSpectrum(tag, modifiers.testFlag(Qt::ControlModifier));
            });
    // A Ctrl+drag across the spectrum adds the XIC of the m/z window dragged.
    const QPointer<TRunBrowser> target = browser;
    plot.setSpanTool(makeSpanTool(plot, [target](double lo, double hi) {
        if (target) target->addXic(xicWindowBetween(lo, hi));
    }));
}

bool TSpectraViewerFrame::showBrowsedSum(TRunBrowser* browser) {
    TRunSession* session = sessionOf(browser);
    if (!session || !browser->summedSpectrum()) return false;
    const TRunBrowser::TBrowsedSum& sum = *browser->summedSpectrum();
    // Marks belong to one spectrum of the run; a sum has none.
    if (!showInBrowsedPane(*session, sum.name, std::vector<TFloatPointRec>(sum.points),
                           sum.peakMode, false, std::vector<TPlotMark>{}))
        return false;
    scheduleUpdateActions();
    emit currentChanged();
    return true;
}

bool TSpectraViewerFrame::copyBrowsedSpectra(TRunBrowser* browser) {
    const TSpectrumContainer* source = browserPane(browser);
    if (!source || source->spectrum()->series()->isEmpty()) return false;
    const TSpectrumData& from = *source->spectrum()->spectrumData();
    TSpectrumContainer* pane = openPane(source->caption(), newDocument(TDocumentFormat::None));
    if (!pane) return false;
    TSpectrumData& data = *pane->spectrum()->spectrumData();
    for (const auto& serie : *from.series()) {
        const TPointListSeriePtr copy = data.series()->newSerie(serie->name());
        copy->setStyle(serie->style());
        copy->setPoints(serie->points()->clone());
    }
    finishLoadedPanes({pane});
    // The same m/z window as the spectrum it copies.
    data.xRange()->setMin(from.xRange()->min());
    data.xRange()->setMax(from.xRange()->max());
    fitYToVisible(data);
    // The scale, mirrored series and pinned measurements go with the spectra.
    pane->spectrum()->setViewState(source->spectrum()->viewState());
    pane->spectrum()->clearViewHistory();
    pane->spectrum()->startViewHistory();
    // Saved nowhere yet: closing asks before discarding it.
    data.setModified(true);
    pane->updateLabel();
    scheduleUpdateActions();
    emit currentChanged();
    return true;
}

void TSpectraViewerFrame::closeRunBrowser(TRunBrowser* browser) {
    TRunSession* session = sessionOf(browser);
    if (!session) return;
    if (QDockWidget* dock = session->dock) {
        // The dock deletes itself (and the browser with it) once the close is handled.
        dock->close();
        return;
    }
    forgetRunSession(session->id);
}

void TSpectraViewerFrame::forgetRunSession(int id) {
    const auto it = std::find_if(m_runs.begin(), m_runs.end(),
                                 [id](const TRunSession& s) { return s.id == id; });
    if (it == m_runs.end()) return;
    const QPointer<TSpectrumContainer> pane = it->pane;
    m_runs.erase(it);
    if (pane) m_manager->removeContainer(pane);
    tellRunStatus(runBrowsers().empty() ? nullptr : runBrowsers().back());
    scheduleUpdateActions();
    emit currentChanged();
}

void TSpectraViewerFrame::closeRunBrowsers() {
    std::vector<TRunSession> runs;
    runs.swap(m_runs);
    for (TRunSession& session : runs) {
        if (session.dock) {
            disconnect(session.dock, nullptr, this, nullptr);
            delete session.dock.data();
        }
    }
}

void TSpectraViewerFrame::tellRunStatus(const TRunBrowser* browser) {
    emit runStatusChanged(browser ? browser->model()->summary() : QString());
}
