// The viewer frame's run imports: spectra of an mzML or mzXML run as the series of one new pane.
#include <QAction>
#include <QFile>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/FileFailure.h"
#include "app/Hourglass.h"
#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "files/MzXml.h"
#include "files/MziFile.h"
#include "files/Run.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

// The whole run is read before any pane is touched: a file that cannot be read, or fails in any
// scan, leaves the panes as they were. The new pane is named by the mzXML path; it is no .mzi
// document, so Save asks where to write.
bool TSpectraViewerFrame::openMzXmlFile(const QString& fileName) {
    bool refused = false;
    std::vector<std::string> warnings;
    const bool done = runCommand(
        [&] {
            THourglass hourglass;
            std::optional<c_mzXML> read;
            readNamingFile(fileName, [&] {
                read.emplace(QFile::encodeName(fileName).toStdString());
                // Anything at all opens without a fault as a run of no scans: an empty file,
                // another format, binary junk. Only a run header makes that a run.
                if (read->scansRead() == 0 && !read->hasRunHeader())
                    throw EMzXmlError("Cannot read \"" + fileName.toStdString() +
                                      "\": it is not an mzXML run (it has no msRun or scan "
                                      "element).");
            });
            const c_mzXML& reader = *read;
            TSpectrumContainer* container =
                openPane(fileName, newDocument(TDocumentFormat::Run, fileName));
            if (!container) {
                refused = true;
                return;
            }
            TSpectrumData& data = *container->spectrum()->spectrumData();

            int number = 0;
            for (const c_scaninfo& scan : reader.scans()) {
                const TPointListSeriePtr serie = data.series()->newSerie(std::to_string(++number));
                // Centroid lists are sticks: a curve through them would invent peaks.
                serie->setStyle(scan.peakMode == TPeakMode::Centroid ? TSerieStyle::Bars
                                                                     : TSerieStyle::Line);
                TFloatPointSortedList& points = *serie->points();
                points.setCapacity(static_cast<int>(scan.peaks.size()));
                // Sorted once when a scan is written out of m/z order.
                points.addPoints(scan.peaks);
            }
            finishLoadedPanes({container});
            warnings = reader.warnings();
        },
        loadFailureHint());
    // What the read left out, once the pane shows what it kept.
    if (done && !refused && !warnings.empty()) {
        QStringList lines;
        for (const std::string& warning : warnings) lines << QString::fromStdString(warning);
        m_services.dialogs.message(TMessageKind::Warning, lines.join(QLatin1Char('\n')),
                                   {TMessageButton::Ok});
    }
    scheduleUpdateActions();
    emit currentChanged();
    return done && !refused;
}

namespace {

QString scanText(const TScanRange& range) {
    return range.first == range.last ? QString::number(range.first)
                                     : QStringLiteral("%1-%2").arg(range.first).arg(range.last);
}

// One spectrum decoded for the pane.
struct TOpenedSpectrum {
    std::string name;
    TPeakMode mode = TPeakMode::Unknown;
    std::vector<TFloatPointRec> peaks;
};

}  // namespace

// As openMzXmlFile, every spectrum is decoded before a pane is touched; a spectrum that cannot
// be decoded is told and the others open, as long as one does.
bool TSpectraViewerFrame::openRunFile(const QString& fileName,
                                      const std::optional<TScanList>& scans) {
    bool opened = false;
    QStringList warnings;
    runCommand(
        [&] {
            THourglass hourglass;
            std::unique_ptr<iRunReader> run;
            readNamingFile(fileName,
                           [&] { run = openRun(QFile::encodeName(fileName).toStdString()); });
            for (const std::string& message : run->messages())
                warnings << QString::fromStdString(message);
            if (run->spectra().empty())
                throw EFileReadError(
                    QStringLiteral("Cannot read \"%1\": it holds no spectra.").arg(fileName));

            const TRunChoice choice =
                scans ? spectraOfScans(*run, *scans) : firstSpectra(*run, c_mzXML::importedScans);
            QStringList missing;
            for (const int scan : choice.missingScans) missing << QString::number(scan);
            for (const TScanRange& range : choice.emptyRanges) missing << scanText(range);
            if (!missing.isEmpty())
                warnings << QStringLiteral("\"%1\" has no scan %2.")
                                .arg(fileName, missing.join(QStringLiteral(", ")));
            if (choice.indices.empty())
                throw EFileReadError(
                    QStringLiteral("Cannot read \"%1\": it holds none of the scans asked for.")
                        .arg(fileName));

            std::vector<TOpenedSpectrum> spectra;
            std::size_t held = 0;
            for (std::size_t place = 0; place < choice.indices.size(); ++place) {
                const int index = choice.indices[place];
                const TSpectrumRow& row = run->spectra()[static_cast<std::size_t>(index)];
                TOpenedSpectrum spectrum;
                // Named by its place in the run even when one before it could not be shown.
                spectrum.name = scans ? spectrumName(row) : std::to_string(place + 1);
                spectrum.mode = run->peakMode(index);
                try {
                    readNamingFile(fileName, [&] { spectrum.peaks = run->loadSpectrum(index); });
                } catch (const std::exception& e) {
                    warnings << QString::fromUtf8(e.what());
                    continue;
                }
                held += spectrum.peaks.size();
                if (held > c_mzXML::maxImportedPeaks) {
                    warnings << QStringLiteral(
                                    "\"%1\": the spectra from scan %2 on were left "
                                    "out: together they hold too many peaks to show.")
                                    .arg(fileName)
                                    .arg(row.scanNumber);
                    break;
                }
                spectra.push_back(std::move(spectrum));
            }
            // Nothing could be shown: the messages say why, as one failure.
            if (spectra.empty()) throw EFileReadError(warnings.join(QLatin1Char('\n')));

            TSpectrumContainer* container =
                openPane(fileName, newDocument(TDocumentFormat::Run, fileName));
            if (!container) return;
            TSpectrumData& data = *container->spectrum()->spectrumData();
            for (TOpenedSpectrum& spectrum : spectra) {
                const TPointListSeriePtr serie = data.series()->newSerie(spectrum.name);
                // Centroid lists are sticks: a curve through them would invent peaks.
                serie->setStyle(spectrum.mode == TPeakMode::Centroid ? TSerieStyle::Bars
                                                                     : TSerieStyle::Line);
                TFloatPointSortedList& points = *serie->points();
                points.setCapacity(static_cast<int>(spectrum.peaks.size()));
                points.addPoints(spectrum.peaks);
            }
            finishLoadedPanes({container});
            opened = true;
        },
        loadFailureHint());
    // What the read left out, once the pane shows what it kept.
    if (opened && !warnings.isEmpty())
        m_services.dialogs.message(TMessageKind::Warning, warnings.join(QLatin1Char('\n')),
                                   {TMessageButton::Ok});
    scheduleUpdateActions();
    emit currentChanged();
    return opened;
}
