// The viewer frame's File menu: loading and saving .mzi documents, New, Open, Save, Save as,
// Save range, Export and the annotations page.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/AnnotationsWindow.h"
#include "app/AtomicFile.h"
#include "app/Dialogs.h"
#include "app/FileFailure.h"
#include "app/Hourglass.h"
#include "app/SerieText.h"
#include "app/Settings.h"
#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "files/FileFormat.h"
#include "files/MessageNumbers.h"
#include "files/MziFile.h"
#include "model/SpectrumData.h"

namespace {

// The file-name part of a path: what follows its last separator.
QString fileNamePart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString spectrumFileName(const TSpectrum& s) {
    return QString::fromStdString(s.fileName());
}

}  // namespace

// --- documents ------------------------------------------------------------------------------

QString TSpectraViewerFrame::loadFailureHint() {
    return QStringLiteral("Unexpected format.\nTry File > Import (Ctrl+I) for a text spectrum.");
}

QString TSpectraViewerFrame::paneRefusal(int wanted) {
    if (wanted > TSpectraManager::maxCount)
        return QStringLiteral("No room for another spectrum: at most %1 can be shown at once.")
            .arg(TSpectraManager::maxCount);
    return QStringLiteral("No room for another spectrum: the window is too small.");
}

TDocument* TSpectraViewerFrame::documentOf(const TSpectrumContainer* pane) const {
    for (const TDocumentPtr& document : m_documents)
        if (document->holds(pane)) return document.get();
    return nullptr;
}

TSpectrumContainer* TSpectraViewerFrame::openPane(const QString& caption,
                                                  const TDocumentPtr& document) {
    const int before = m_manager->count();
    if (before + 1 <= TSpectraManager::maxCount) m_manager->setCount(before + 1);
    if (m_manager->count() != before + 1) {
        m_services.dialogs.message(TMessageKind::Error, paneRefusal(before + 1),
                                   {TMessageButton::Abort});
        return nullptr;
    }
    TSpectrumContainer* container = m_manager->lastContainer();
    m_manager->navigator()->setSpectrumContainer(container);
    container->setCaption(caption);
    container->spectrum()->setFileName(document->displayName().toStdString());
    moveToDocument(container, document);
    return container;
}

void TSpectraViewerFrame::moveToDocument(TSpectrumContainer* pane, const TDocumentPtr& document) {
    for (const TDocumentPtr& other : m_documents) other->removePane(pane);
    document->addPane(pane);
    std::erase_if(m_documents, [](const TDocumentPtr& d) { return d->panes().empty(); });
    if (std::find(m_documents.begin(), m_documents.end(), document) == m_documents.end())
        m_documents.push_back(document);
}

void TSpectraViewerFrame::finishLoadedPanes(const std::vector<TSpectrumContainer*>& panes) {
    if (panes.empty()) return;
    // The View actions work on the current pane: the one made last draws its series
    // highlighted. Every series keeps the style it was read with: a document's stored styles
    // are what Save writes back.
    action(TActionId::ViewAllSeriesHighlight)->setChecked(false);
    viewAllSeriesHighlight();
    for (TSpectrumContainer* container : panes) {
        TSpectrum& spectrum = *container->spectrum();
        TSpectrumData& data = *spectrum.spectrumData();
        finishLoadedData(data);
        spectrum.clearViewHistory();
        spectrum.startViewHistory();
        // What was just read is what the file holds: closing does not ask about it.
        data.setModified(false);
        spectrum.invalidate();
        container->updateLabel();
    }
}

bool TSpectraViewerFrame::loadMziFile(const QString& fileName) {
    std::optional<TMziFileReader> reader;
    bool refused = false;
    std::vector<TSpectrumContainer*> made;
    const TDocumentPtr document = newDocument(TDocumentFormat::Mzi, fileName);
    // The panes made are finished also after a failure, with what was read up to it: every one
    // is fitted to its first series, labelled and starts its view history there; a pane left at
    // the default window would show none of its data.
    const auto finishPanes = [&] { finishLoadedPanes(made); };
    const auto readPanes = [&] {
        const int spectraCount = reader->spectraCount();
        // Refused before any pane is touched: an existing pane is never filled instead.
        const int wanted = m_manager->count() + spectraCount;
        if (wanted > TSpectraManager::maxCount) {
            m_services.dialogs.message(TMessageKind::Error, paneRefusal(wanted),
                                       {TMessageButton::Abort});
            refused = true;
            return;
        }
        for (int i = 0; i < spectraCount; ++i) {
            TSpectrumContainer* container =
                openPane(QString::fromStdString(reader->caption(i)), document);
            if (!container) {
                refused = true;
                return;
            }
            made.push_back(container);
            TSpectrumData& data = *container->spectrum()->spectrumData();
            readNamingFile(fileName, [&] { reader->readSpectra(i, data); });
        }
    };
    const bool done = runCommand(
        [&] {
            THourglass hourglass;
            readNamingFile(fileName, [&] {
                reader.emplace(QFile::encodeName(fileName).toStdString());
                if (reader->spectraCount() == 0)
                    throw EFileError(QStringLiteral("it holds no spectra."));
            });
            try {
                readPanes();
            } catch (...) {
                finishPanes();
                throw;
            }
            finishPanes();
        },
        loadFailureHint());
    // Save may write back only over a document that was read whole: a pane of a failed or
    // corrupt load lacks what could not be read, and is saved through the Save as dialog.
    document->setReadWhole(done && !refused && !reader->corrupt());
    if (reader && reader->corrupt()) {
        QStringList names;
        for (const std::string& name : reader->corruptSeries())
            names.append(QLatin1Char('"') + QString::fromStdString(name) + QLatin1Char('"'));
        m_services.dialogs.message(
            TMessageKind::Warning,
            QStringLiteral("Data corruption!\n\"%1\": the points of %2 %3 do not match their "
                           "checksum and were left out.")
                .arg(fileName,
                     names.size() == 1 ? QStringLiteral("series") : QStringLiteral("the series"),
                     names.join(QStringLiteral(", "))),
            {TMessageButton::Ignore});
    }
    scheduleUpdateActions();
    emit currentChanged();
    return done && !refused;
}

TDocumentPtr TSpectraViewerFrame::documentFor(TSpectrumContainer* pane) {
    for (const TDocumentPtr& document : m_documents)
        if (document->holds(pane)) return document;
    const TDocumentPtr document = newDocument(TDocumentFormat::None);
    moveToDocument(pane, document);
    return document;
}

bool TSpectraViewerFrame::saveDocument(const QString& fileName, TDocument& document) {
    bool written = false;
    runCommand([&] {
        THourglass hourglass;
        const std::vector<TSpectrumContainer*> panes = document.panes();
        std::vector<TMziPane> mziPanes;
        for (TSpectrumContainer* pane : panes)
            mziPanes.push_back(
                {pane->caption().toStdString(), pane->spectrum()->spectrumData().get()});
        // Every pane of a document carries the document's annotation page.
        const std::string annotations =
            panes.empty() ? std::string()
                          : panes.front()->spectrum()->spectrumData()->annotationText();
        const auto text = mziDocumentText(mziPanes, annotations);
        if (!text) return;  // no series: nothing to write
        writeFileAtomically(fileName, *text);
        for (TSpectrumContainer* pane : panes) pane->spectrum()->spectrumData()->setModified(false);
        written = true;
    });
    if (written) {
        std::vector<const TPointListSerie*> series;
        for (TSpectrumContainer* pane : document.panes())
            for (const auto& serie : *pane->spectrum()->series()) series.push_back(serie.get());
        warnPointsNotKept(fileName, series);
    }
    scheduleUpdateActions();
    emit currentChanged();
    return written;
}

void TSpectraViewerFrame::warnPointsNotKept(const QString& fileName,
                                            const std::vector<const TPointListSerie*>& series) {
    QStringList lines;
    for (const TPointListSerie* serie : series) {
        const int count = serie->points()->count();
        const int lost = serie->points()->countLostInText(0, count - 1);
        if (lost == 0) continue;
        lines.append(
            QStringLiteral("series \"%1\": %2 of %3 points")
                .arg(QString::fromStdString(serie->name()),
                     QString::fromStdString(groupedDigits(static_cast<std::uint64_t>(lost))),
                     QString::fromStdString(groupedDigits(static_cast<std::uint64_t>(count)))));
    }
    if (lines.isEmpty()) return;
    m_services.dialogs.message(
        TMessageKind::Warning,
        QStringLiteral("\"%1\" is written, but its point text keeps no points of zero intensity "
                       "or at m/z 0 and below; reading it back leaves out\n")
                .arg(fileName) +
            lines.join(QLatin1Char('\n')),
        {TMessageButton::Ok});
}

bool TSpectraViewerFrame::saveMziRange(const QString& fileName, TSpectrumData& data) {
    bool written = false;
    runCommand([&] {
        THourglass hourglass;
        const auto text = mziRangeText(data);
        if (!text) return;
        writeFileAtomically(fileName, *text);
        written = true;
    });
    return written;
}

// --- File menu ------------------------------------------------------------------------------

bool TSpectraViewerFrame::openAnyFile(const QString& path, const std::optional<TScanList>& scans) {
    // Scans asked for by number open as one pane, browsing or not.
    const bool browse = m_browsesRuns && !scans;
    switch (detectFileFormat(QFile::encodeName(path).toStdString())) {
        case TFileFormat::Mzi:
            return loadMziFile(path);
        case TFileFormat::MzXml:
            if (browse) return openRunBrowser(path);
            return scans ? openRunFile(path, scans) : openMzXmlFile(path);
        case TFileFormat::MzMl:
        case TFileFormat::Gzip:
            return browse ? openRunBrowser(path) : openRunFile(path, scans);
        case TFileFormat::Text:
            return importTextFile(path, 1);
        case TFileFormat::Unknown:
            break;
    }
    const auto named = [&](const char* extension) {
        return path.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
    };
    if (named(".mzi")) return loadMziFile(path);
    const bool run = named(".mzxml") || named(".mzml") || named(".gz");
    if (run && browse) return openRunBrowser(path);
    if (named(".mzxml") && !scans) return openMzXmlFile(path);
    if (run) return openRunFile(path, scans);
    return importTextFile(path, 1);
}

void TSpectraViewerFrame::fileNew() {
    TSpectrumContainer* container = openPane(QString(), newDocument(TDocumentFormat::None));
    if (!container) return;
    container->updateLabel();
    container->spectrum()->invalidate();
    scheduleUpdateActions();
    emit currentChanged();
}

std::optional<TFileChoices> TSpectraViewerFrame::chooseFilesToOpen(const QString& title,
                                                                   const QStringList& filters,
                                                                   const QString& settingsGroup,
                                                                   bool several) {
    iSettings& settings = m_services.settings;
    const QString folderKey = settingsGroup + QStringLiteral("/folder");
    const QString filterKey = settingsGroup + QStringLiteral("/filter");
    bool known = false;
    const int filter = settings.value(filterKey).toInt(&known);
    const TFileChoice start{settings.value(folderKey), known ? filter : 1};
    std::optional<TFileChoices> choice;
    if (several) {
        choice = m_services.dialogs.openFileNames(title, filters, start);
    } else if (const auto one = m_services.dialogs.openFileName(title, filters, start)) {
        choice = TFileChoices{QStringList{one->path}, one->filterIndex};
    }
    if (!choice || choice->paths.isEmpty()) return std::nullopt;
    settings.setValue(folderKey, QFileInfo(choice->paths.constFirst()).absolutePath());
    settings.setValue(filterKey, QString::number(choice->filterIndex));
    return choice;
}

// The filter only narrows what the dialog lists: the reader follows the file's content.
void TSpectraViewerFrame::fileOpen() {
    const auto choice = chooseFilesToOpen(
        QStringLiteral("Open"),
        {QStringLiteral("All spectra (*.mzi *.mzML *.mzml *.mzXML *.mzxml *.gz *.txt *.csv "
                        "*.prn)"),
         QStringLiteral("mzi documents (*.mzi)"),
         QStringLiteral("mzML runs (*.mzML *.mzml *.mzML.gz *.mzml.gz)"),
         QStringLiteral("mzXML runs (*.mzXML *.mzxml *.mzXML.gz *.mzxml.gz)"),
         QStringLiteral("Text spectra (*.txt *.csv *.prn)"), QStringLiteral("All files (*)")},
        QStringLiteral("open"), true);
    if (choice) openFiles(choice->paths);
}

// Save and Save as write the whole document the current pane belongs to: every pane that came
// from its file, in order, with its caption and the annotation page.
void TSpectraViewerFrame::fileSave() {
    TSpectrumContainer* container = currentContainer();
    if (!container) return;
    const TDocumentPtr document = documentFor(container);
    const QString path = document->savePath();
    if (path.isEmpty()) {
        fileSaveAs();
        return;
    }
    saveDocument(path, *document);
}

void TSpectraViewerFrame::fileSaveAs() {
    TSpectrumContainer* container = currentContainer();
    if (!container) return;
    TSpectrum& spectrum = *container->spectrum();
    const TDocumentPtr document = documentFor(container);
    QString proposed = document->savePath();
    if (proposed.isEmpty())
        proposed = withExtension(spectrumFileName(spectrum), QStringLiteral(".mzi"));
    const auto path = m_services.dialogs.saveFileName(QStringLiteral("Save as"), proposed);
    if (!path) return;
    if (!saveDocument(*path, *document)) return;
    document->savedAs(*path);
    for (TSpectrumContainer* pane : document->panes()) {
        pane->spectrum()->setFileName(path->toStdString());
        pane->updateLabel();
        pane->spectrum()->invalidate();
    }
}

void TSpectraViewerFrame::fileSaveRange() {
    TSpectrum* spectrum = currentSpectrum();
    if (!spectrum) return;
    // A range document is .mzi too: never proposed over the text or mzXML file a pane came
    // from, nor over the document itself, which would lose all but the range.
    QString proposed = withExtension(spectrumFileName(*spectrum), QStringLiteral(".mzi"));
    if (const TDocument* document = documentOf(currentContainer())) {
        const QString own = QFileInfo(proposed).absoluteFilePath();
        if (own == QFileInfo(document->path()).absoluteFilePath() || own == document->savePath())
            proposed = withExtension(spectrumFileName(*spectrum), QStringLiteral("-range.mzi"));
    }
    const auto path = m_services.dialogs.saveFileName(QStringLiteral("Save range as"), proposed);
    if (!path) return;
    saveMziRange(*path, *spectrum->spectrumData());
}

void TSpectraViewerFrame::fileImport() {
    const auto choice = chooseFilesToOpen(
        QStringLiteral("Import"),
        {QStringLiteral("ms text files (*.prn *.txt *.mzi)"),
         QStringLiteral("HPLC time, x, y1, y2 (*.txt *.csv)"), QStringLiteral("All files (*)")},
        QStringLiteral("import"));
    if (!choice) return;
    importTextFile(choice->paths.constFirst(), choice->filterIndex);
}

void TSpectraViewerFrame::fileExport() {
    TSpectrum* spectrum = currentSpectrum();
    if (!spectrum || spectrum->series()->isEmpty()) return;
    const auto path = m_services.dialogs.saveFileName(
        QStringLiteral("Export"),
        withExtension(spectrumFileName(*spectrum), QStringLiteral(".txt")));
    if (!path) return;
    const bool written = runCommand([&] {
        THourglass hourglass;
        writeFileAtomically(*path, currentSerieText(*spectrum->spectrumData(), TSerieText::Points));
    });
    if (written) warnPointsNotKept(*path, {spectrum->series()->current().get()});
}

void TSpectraViewerFrame::fileAnnotations() {
    TSpectrum* spectrum = currentSpectrum();
    if (!spectrum) return;
    const QString name =
        withExtension(fileNamePart(spectrumFileName(*spectrum)), QStringLiteral(".html"));
    const QString folder = m_services.tempPath;
    const QString path = folder.isEmpty() ? name : QDir(folder).filePath(name);
    runCommand([&] {
        if (const auto error =
                writeAnnotationFile(path, spectrum->spectrumData()->annotationText()))
            throw EFileError(*error);
        if (!m_annotations) m_annotations = new TAnnotationsWindow(this);
        m_annotations->showPage(path);
    });
}
