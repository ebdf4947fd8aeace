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

// path with the extension of its file-name part replaced by extension, or extension appended
// when it has none.
QString withExtension(const QString& path, const QString& extension) {
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return (dot >= nameStart ? path.left(dot) : path) + extension;
}

}  // namespace

bool TSpectraViewerFrame::importTextFile(const QString& fileName, int filterIndex) {
    const TTextLayout layout =
        filterIndex == hplcFilterIndex ? TTextLayout::HplcColumns : TTextLayout::FirstTwoNumbers;
    std::optional<QString> refusal;
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
            const int before = m_manager->count();
            m_manager->setCount(before + 1);
            if (m_manager->count() != before + 1) {
                refusal = paneRefusal(before + 1);
                return;
            }
            made = m_manager->lastContainer();
            m_manager->navigator()->setSpectrumContainer(made);
            made->setCaption(QFileInfo(fileName).fileName());
            TSpectrum& spectrum = *made->spectrum();
            // Named like a document beside the text file, so that Save as proposes it; the pane
            // holds no document of its own, so Save asks where to write.
            spectrum.setFileName(withExtension(fileName, QStringLiteral(".mzi")).toStdString());

            const TPointListSeriePtr serie =
                spectrum.series()->newSerie(fileName.left(serieNameLength).toStdString());
            serie->setColor(colors::black);
            serie->setStyle(TSerieStyle::Bars);
            serie->setPoints(points);

            finishLoadedPanes({made});
        },
        loadFailureHint());
    // A pane is made only once the points are read; should anything fail after that, the pane
    // goes again rather than stay half made.
    if (!done && made) m_manager->removeContainer(made);
    if (refusal)
        m_services.dialogs->message(TMessageKind::Error, *refusal, {TMessageButton::Abort});
    scheduleUpdateActions();
    emit currentChanged();
    return done && !refusal;
}
