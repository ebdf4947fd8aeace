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
#include "app/Dialogs.h"
#include "app/FileFailure.h"
#include "app/Hourglass.h"
#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "files/MziFile.h"
#include "model/SpectrumData.h"

namespace {

// The plot's property holding the absolute path of the .mzi document the pane was loaded from
// or last saved to. Save writes there without asking; a pane without it (New, and panes made
// from other formats) is saved through the Save as dialog, so that a document never lands
// silently in the current folder or over a file of another format.
constexpr char mziPathProperty[] = "velmorixMziPath";


// A failure whose message is shown as it is.
class EFileError : public std::runtime_error {
public:
    explicit EFileError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

bool isMziPath(const QString& path) {
    return path.endsWith(QStringLiteral(".mzi"), Qt::CaseInsensitive);
}

// The file-name part of a path: what follows its last separator.
QString fileNamePart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

// path with the extension of its file-name part replaced by extension (".mzi"), or extension
// appended when it has none.
QString withExtension(const QString& path, const QString& extension) {
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return (dot >= nameStart ? path.left(dot) : path) + extension;
}

QString spectrumFileName(const TSpectrum& s) {
    return QString::fromStdString(s.fileName());
}

QString mziPathOf(const TSpectrum& s) {
    return s.property(mziPathProperty).toString();
}

// Remembers path as the pane's document when it names a .mzi file; forgets it otherwise.
void setMziPath(TSpectrum& s, const QString& path) {
    s.setProperty(mziPathProperty,
                  isMziPath(path) ? QFileInfo(path).absoluteFilePath() : QString());
}

// The reason for a failure of file: Qt's text, or the system's when Qt has none.
QString failureReason(const QFileDevice& file, int error) {
    if (file.error() != QFileDevice::NoError &&
        file.errorString() != QLatin1String("Unknown error"))
        return file.errorString();
    return qt_error_string(error);
}

// Replaces the file at path by bytes in one step: the bytes go to a new file beside it, which
// then takes the name, so that a failure leaves the previous file as it was.
void writeFileAtomically(const QString& path, std::string_view bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        const int error = errno;
        throw EFileError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(path, failureReason(file, error)));
    }
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        const int error = errno;
        const QString reason = failureReason(file, error);
        file.cancelWriting();
        throw EFileError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
    }
    if (!file.commit()) {
        const int error = errno;
        throw EFileError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(path, failureReason(file, error)));
    }
}

}  // namespace

// --- documents ------------------------------------------------------------------------------

QString TSpectraViewerFrame::loadFailureHint() {
    return QStringLiteral("Unexpected format.\nTry Open txt format (standard).");
}

QString TSpectraViewerFrame::paneRefusal(int wanted) {
    if (wanted > TSpectraManager::maxCount)
        return QStringLiteral("No room for another spectrum: at most %1 can be shown at once.")
            .arg(TSpectraManager::maxCount);
    return QStringLiteral("No room for another spectrum: the window is too small.");
}

void TSpectraViewerFrame::finishLoadedPanes(const std::vector<TSpectrumContainer*>& panes) {
    if (panes.empty()) return;
    // The View actions work on the current pane: the one made last draws its series as
    // highlighted lines.
    action(QStringLiteral("ViewAllSeriesHighlight"))->setChecked(false);
    action(QStringLiteral("ViewAllSeriesContinue"))->setChecked(false);
    viewAllSeriesHighlight();
    viewAllSeriesContinue();
    for (TSpectrumContainer* container : panes) {
        TSpectrum& spectrum = *container->spectrum();
        TSpectrumData& data = *spectrum.spectrumData();
        finishMziLoad(data);
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
    std::optional<QString> refusal;
    std::vector<TSpectrumContainer*> made;
    // The panes made are finished also after a failure, with what was read up to it: every one
    // is fitted to its first series, labelled and starts its view history there; a pane left at
    // the default window would show none of its data.
    const auto finishPanes = [&] { finishLoadedPanes(made); };
    const auto readPanes = [&] {
        const int spectraCount = reader->spectraCount();
        // Refused before any pane is touched: an existing pane is never filled instead.
        const int wanted = m_manager->count() + spectraCount;
        if (wanted > TSpectraManager::maxCount) {
            refusal = paneRefusal(wanted);
            return;
        }
        for (int i = 0; i < spectraCount; ++i) {
            const int before = m_manager->count();
            m_manager->setCount(before + 1);
            if (m_manager->count() != before + 1) {
                refusal = paneRefusal(before + 1);
                return;
            }
            TSpectrumContainer* container = m_manager->lastContainer();
            m_manager->navigator()->setSpectrumContainer(container);
            container->setCaption(QString::fromStdString(reader->caption(i)));
            TSpectrum* spectrum = container->spectrum();
            spectrum->setFileName(fileName.toStdString());
            spectrum->setProperty(mziPathProperty, QString());
            made.push_back(container);
            readNamingFile(fileName, [&] { reader->readSpectra(i, *spectrum->spectrumData()); });
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
    const bool whole = done && !refusal && !reader->corrupt();
    if (whole)
        for (TSpectrumContainer* container : made) setMziPath(*container->spectrum(), fileName);
    if (refusal)
        m_services.dialogs->message(TMessageKind::Error, *refusal, {TMessageButton::Abort});
    if (reader && reader->corrupt())
        m_services.dialogs->message(TMessageKind::Warning, QStringLiteral("Data corruption!"),
                                    {TMessageButton::Ignore});
    scheduleUpdateActions();
    emit currentChanged();
    return done && !refusal;
}

bool TSpectraViewerFrame::saveMziFile(const QString& fileName, TSpectrumData& data) {
    bool written = false;
    runCommand([&] {
        THourglass hourglass;
        const auto text = mziFileText(data);
        if (!text) return;  // no series: nothing to write
        writeFileAtomically(fileName, *text);
        data.setModified(false);
        written = true;
    });
    scheduleUpdateActions();
    emit currentChanged();
    return written;
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

void TSpectraViewerFrame::fileNew() {
    const int before = m_manager->count();
    m_manager->setCount(before + 1);
    if (m_manager->count() != before + 1) {
        m_services.dialogs->message(TMessageKind::Error, paneRefusal(before + 1),
                                    {TMessageButton::Abort});
        return;
    }
    TSpectrumContainer* container = m_manager->lastContainer();
    m_manager->navigator()->setSpectrumContainer(container);
    TSpectrum* spectrum = container->spectrum();
    spectrum->setFileName("new.mzi");
    spectrum->setProperty(mziPathProperty, QString());
    container->updateLabel();
    spectrum->invalidate();
    scheduleUpdateActions();
    emit currentChanged();
}

void TSpectraViewerFrame::fileOpen() {
    const auto choice = m_services.dialogs->openFileName(
        QStringLiteral("Open"),
        {QStringLiteral("mzi files (*.mzi)"), QStringLiteral("mzXML files (*.mzxml)")});
    if (!choice) return;
    if (choice->filterIndex == 1) {
        loadMziFile(choice->path);
    } else if (choice->filterIndex == 2) {
        openMzXmlFile(choice->path);
    }
}

void TSpectraViewerFrame::fileSave() {
    TSpectrum* spectrum = currentSpectrum();
    if (!spectrum) return;
    const QString path = mziPathOf(*spectrum);
    if (path.isEmpty()) {
        fileSaveAs();
        return;
    }
    saveMziFile(path, *spectrum->spectrumData());
}

void TSpectraViewerFrame::fileSaveAs() {
    TSpectrum* spectrum = currentSpectrum();
    if (!spectrum) return;
    QString proposed = mziPathOf(*spectrum);
    if (proposed.isEmpty())
        proposed = withExtension(spectrumFileName(*spectrum), QStringLiteral(".mzi"));
    const auto path = m_services.dialogs->saveFileName(QStringLiteral("Save as"), proposed);
    if (!path) return;
    if (!saveMziFile(*path, *spectrum->spectrumData())) return;
    spectrum->setFileName(path->toStdString());
    setMziPath(*spectrum, *path);
    if (auto* container = currentContainer()) container->updateLabel();
    spectrum->invalidate();
}

void TSpectraViewerFrame::fileSaveRange() {
    TSpectrum* spectrum = currentSpectrum();
    if (!spectrum) return;
    // A range document is .mzi too: never proposed over the text or mzXML file a pane came from.
    const auto path = m_services.dialogs->saveFileName(
        QStringLiteral("Save range as"),
        withExtension(spectrumFileName(*spectrum), QStringLiteral(".mzi")));
    if (!path) return;
    saveMziRange(*path, *spectrum->spectrumData());
}

void TSpectraViewerFrame::fileImport() {
    const auto choice = m_services.dialogs->openFileName(
        QStringLiteral("Import"),
        {QStringLiteral("ms text files (*.prn *.txt *.mzi)"),
         QStringLiteral("HPLC time, x, y1, y2 (*.txt *.csv)"), QStringLiteral("All files (*)")});
    if (!choice) return;
    importTextFile(choice->path, choice->filterIndex);
}

void TSpectraViewerFrame::fileExport() {
    TSpectrum* spectrum = currentSpectrum();
    if (!spectrum || spectrum->series()->isEmpty()) return;
    const auto path = m_services.dialogs->saveFileName(
        QStringLiteral("Export"),
        withExtension(spectrumFileName(*spectrum), QStringLiteral(".txt")));
    if (!path) return;
    runCommand([&] {
        THourglass hourglass;
        writeFileAtomically(*path, spectrum->currentSerieText());
    });
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
