// The viewer frame's ways in from the desktop: several files at once, a file already open
// brought forward, files and text dropped onto a pane, the recent files.
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <string>

#include "app/Dialogs.h"
#include "app/FileFailure.h"
#include "app/Hourglass.h"
#include "app/RecentFiles.h"
#include "app/SpectraViewerFrame.h"
#include "display/RunBrowser.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "files/FileFormat.h"
#include "files/MziFile.h"
#include "files/TextSpectrum.h"
#include "model/FloatPointSortedList.h"
#include "model/ModelErrors.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

namespace {

// A failure whose message is shown as it is.
class EDropError : public std::runtime_error {
public:
    explicit EDropError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The file itself, however it is named (relative, through links); empty for a file that does
// not exist, which is never open.
QString fileIdentity(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

// A run opens in its browser wherever it is dropped: its spectra are picked there.
bool isRun(const QString& path) {
    switch (detectFileFormat(QFile::encodeName(path).toStdString())) {
        case TFileFormat::MzXml:
        case TFileFormat::MzMl:
        case TFileFormat::Gzip:
            return true;
        case TFileFormat::Mzi:
        case TFileFormat::Text:
            return false;
        case TFileFormat::Unknown:
            break;
    }
    for (const char* extension : {".mzml", ".mzxml", ".gz"})
        if (path.endsWith(QLatin1String(extension), Qt::CaseInsensitive)) return true;
    return false;
}

// Series names are cut to this many characters, as an import cuts them.
constexpr qsizetype serieNameLength = 255;
// Name of the series a text drop adds, as a paste names it.
constexpr char droppedSerieName[] = "no name";

}  // namespace

bool TSpectraViewerFrame::showOpenFile(const QString& path) {
    const QString identity = fileIdentity(path);
    if (identity.isEmpty()) return false;
    for (const TRunSession& session : m_runs) {
        if (fileIdentity(session.path) != identity || !session.dock) continue;
        session.dock->show();
        session.dock->raise();
        if (session.pane) m_manager->navigator()->setSpectrumContainer(session.pane);
        tellRunStatus(session.browser);
        scheduleUpdateActions();
        emit currentChanged();
        return true;
    }
    for (const TDocumentPtr& document : m_documents) {
        const std::vector<TSpectrumContainer*> panes = document->panes();
        if (panes.empty() || fileIdentity(document->path()) != identity) continue;
        m_manager->navigator()->setSpectrumContainer(panes.front());
        panes.front()->spectrum()->setFocus();
        scheduleUpdateActions();
        emit currentChanged();
        return true;
    }
    return false;
}

void TSpectraViewerFrame::rememberFile(const QString& path) {
    TRecentFiles(m_services.settings).add(path);
    emit recentFilesChanged();
}

bool TSpectraViewerFrame::openFile(const QString& path) {
    if (showOpenFile(path)) {
        rememberFile(path);
        return true;
    }
    if (!openAnyFile(path)) return false;
    rememberFile(path);
    return true;
}

int TSpectraViewerFrame::openFiles(const QStringList& paths) {
    int shown = 0;
    for (const QString& path : paths)
        if (openFile(path)) ++shown;
    return shown;
}

bool TSpectraViewerFrame::addFileToPane(const QString& path, TSpectrumContainer* pane) {
    if (!pane || isBrowserPane(pane) || isRun(path)) return openFile(path);
    TSpectrum& spectrum = *pane->spectrum();
    TPointListSerieList& target = *spectrum.series();
    const bool added = runCommand(
        [&] {
            THourglass hourglass;
            // Everything is read before the pane is touched: a file that fails adds nothing.
            std::vector<TPointListSeriePtr> series;
            const std::string name = QFile::encodeName(path).toStdString();
            readNamingFile(path, [&] {
                if (detectFileFormat(name) == TFileFormat::Mzi ||
                    path.endsWith(QLatin1String(".mzi"), Qt::CaseInsensitive)) {
                    TMziFileReader reader(name);
                    TSpectrumData scratch;
                    for (int i = 0; i < reader.spectraCount(); ++i) reader.readSpectra(i, scratch);
                    if (reader.corrupt())
                        throw EDropError(
                            QStringLiteral("some of its series do not match their "
                                           "checksum."));
                    for (int i = 0; i < scratch.series()->count(); ++i)
                        series.push_back(scratch.series()->serie(i));
                } else {
                    const auto serie = std::make_shared<TPointListSerie>();
                    serie->setName(path.left(serieNameLength).toStdString());
                    serie->setStyle(TSerieStyle::Line);
                    serie->setPoints(importTextSpectrum(name, TTextLayout::Detect));
                    series.push_back(serie);
                }
                if (series.empty()) throw EDropError(QStringLiteral("it holds no spectra."));
            });
            // Each added series takes the next colour of the pane's palette, so that the
            // compared spectra are told apart.
            for (const TPointListSeriePtr& serie : series) target.addSerie(serie);
        },
        loadFailureHint());
    if (added) {
        m_manager->navigator()->setSpectrumContainer(pane);
        spectrum.spectrumData()->setModified(true);
        pane->updateLabel();
        spectrum.invalidate();
        rememberFile(path);
    }
    scheduleUpdateActions();
    emit currentChanged();
    return added;
}

bool TSpectraViewerFrame::pasteTextAsSerie(const QString& text, TSpectrumContainer* pane) {
    // Read before any pane is touched: text without a point leaves everything as it was.
    const auto points = std::make_shared<TFloatPointSortedList>();
    std::optional<QString> fault;
    const bool read = runCommand([&] {
        try {
            readSeriesText(*points, text.toStdString());
        } catch (const EConvertError& e) {
            // A fault ends the text: the pairs before it are kept, as a paste keeps them, and
            // the fault is told once they are in.
            if (points->count() == 0) throw;
            fault = QString::fromUtf8(e.what());
        }
        if (points->count() == 0)
            throw EDropError(QStringLiteral("The dropped text holds no m/z and intensity pairs."));
    });
    if (!read) return false;
    const bool made = !pane || isBrowserPane(pane);
    if (made) {
        pane = openPane(QString(), newDocument(TDocumentFormat::None));
        if (!pane) return false;
    }
    m_manager->navigator()->setSpectrumContainer(pane);
    TSpectrum& spectrum = *pane->spectrum();
    const TPointListSeriePtr serie = spectrum.series()->newSerie(droppedSerieName);
    serie->setPoints(points);
    // A new pane would otherwise show its default window rather than the points dropped.
    if (made) viewAllData();
    spectrum.spectrumData()->setModified(true);
    pane->updateLabel();
    spectrum.invalidate();
    if (fault) m_services.dialogs.message(TMessageKind::Error, *fault, {TMessageButton::Ok});
    scheduleUpdateActions();
    emit currentChanged();
    return true;
}
