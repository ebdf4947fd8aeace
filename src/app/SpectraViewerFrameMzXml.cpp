// The viewer frame's mzXML import: the first scans of a run as the series of one new pane.
#include <QAction>
#include <QFile>
#include <QStringList>

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
                openPane(fileName, newDocument(TDocumentFormat::MzXml, fileName));
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
