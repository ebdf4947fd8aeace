// The viewer frame's text import: a text spectrum file becomes the one series of a new pane.
#include <QAction>
#include <QFile>
#include <QFileInfo>

#include <optional>

#include "app/Dialogs.h"
#include "app/FileFailure.h"
#include "app/Hourglass.h"
#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "files/MziFile.h"
#include "files/TextSpectrum.h"
#include "model/Color.h"
#include "model/SpectrumData.h"

namespace {

// The Import dialog's filter entry for files of time, x, y1 and y2 columns.
constexpr int hplcFilterIndex = 2;
// Series names are cut to this many characters.
constexpr qsizetype serieNameLength = 255;

}  // namespace

bool TSpectraViewerFrame::importTextFile(const QString& fileName, int filterIndex) {
    // The HPLC filter forces its layout; any other path tells the layout from the file.
    const TTextLayout layout =
        filterIndex == hplcFilterIndex ? TTextLayout::HplcColumns : TTextLayout::Detect;
    bool refused = false;
    TSpectrumContainer* made = nullptr;
    const bool done = runCommand(
        [&] {
            THourglass hourglass;
            // The file is read whole before a pane is touched: a file that cannot be read, or
            // that holds no point, leaves the panes as they were.
            TFloatPointSortedListPtr points;
            readNamingFile(fileName, [&] {
                points = importTextSpectrum(QFile::encodeName(fileName).toStdString(), layout);
            });
            // Named like a document beside the text file, so that Save as proposes it; the pane
            // holds no document of its own, so Save asks where to write.
            made = openPane(QFileInfo(fileName).fileName(),
                            newDocument(TDocumentFormat::Text, fileName));
            if (!made) {
                refused = true;
                return;
            }
            TSpectrum& spectrum = *made->spectrum();

            const TPointListSeriePtr serie =
                spectrum.series()->newSerie(fileName.left(serieNameLength).toStdString());
            serie->setColor(colors::black);
            serie->setStyle(TSerieStyle::Line);
            serie->setPoints(points);

            finishLoadedPanes({made});
        },
        loadFailureHint());
    // A pane is made only once the points are read; should anything fail after that, the pane
    // goes again rather than stay half made.
    if (!done && made) m_manager->removeContainer(made);
    scheduleUpdateActions();
    emit currentChanged();
    return done && !refused;
}
