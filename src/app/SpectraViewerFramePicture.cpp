// The viewer frame's pictures: Export picture, Copy picture, Print and Print preview.
#include <QFileInfo>

#include <stdexcept>
#include <string>

#include "app/Dialogs.h"
#include "app/Hourglass.h"
#include "app/PictureExport.h"
#include "app/Settings.h"
#include "app/SpectraViewerFrame.h"
#include "display/RunBrowser.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "model/Clipboard.h"

namespace {

const QString pictureSettingsKey = QStringLiteral("Export/picture");
const QString pictureFolderKey = QStringLiteral("Export/pictureFolder");

std::vector<std::uint8_t> toBytes(const QByteArray& bytes) {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

std::vector<TSpectrumContainer*> TSpectraViewerFrame::picturePanes(
    TPicturePanes which, bool withChromatogram, const std::vector<int>& chosen) const {
    const auto panes = ::picturePanes(m_manager->containers(), currentContainer(), which, chosen);
    if (!withChromatogram) return panes;
    std::vector<TSpectrumContainer*> figure;
    for (TSpectrumContainer* pane : panes) {
        if (const TRunBrowser* browser = browserOf(pane); browser && browser->chromatogram())
            figure.push_back(browser->chromatogramPane());
        figure.push_back(pane);
    }
    return figure;
}

void TSpectraViewerFrame::fileExportPicture() {
    TSpectrum* spectrum = currentSpectrum();
    if (!spectrum) return;
    iSettings& settings = m_services.settings;
    // The chromatogram is offered for a browser's pane; the choice is remembered meanwhile.
    const bool offered = browserOf(currentContainer()) != nullptr;
    const auto panesOf = [this, offered](const TPictureSettings& s) {
        return picturePanes(s.panes, offered && s.withChromatogram, s.chosenPanes);
    };
    QStringList paneNames;
    for (TSpectrumContainer* pane : ::picturePanes(m_manager->containers(), currentContainer(),
                                                   TPicturePanes::All))
        paneNames << pane->caption();
    const auto chosen = m_services.dialogs.pictureSettings(
        TPictureSettings::fromText(settings.value(pictureSettingsKey)),
        [&panesOf](const TPictureSettings& s, QSize box) {
            return picturePreview(panesOf(s), s, box);
        },
        offered, paneNames);
    if (!chosen) return;
    settings.setValue(pictureSettingsKey, chosen->toText());
    TPictureSettings picture = *chosen;
    const auto panes = panesOf(picture);
    // Told now, before a name is asked for a file that could not be made.
    pictureGeometry(panes, picture);

    QString name = QFileInfo(QString::fromStdString(spectrum->fileName())).completeBaseName();
    if (name.isEmpty()) name = QStringLiteral("spectrum");
    QString folder = settings.value(pictureFolderKey);
    const QString proposed = (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + name +
                             QLatin1Char('.') + pictureExtension(picture.format);
    auto path = m_services.dialogs.saveFileName(QStringLiteral("Export picture"), proposed);
    if (!path) return;
    // The name's extension decides the format; a name without one gets the chosen one's.
    if (const auto format = pictureFormatOf(*path))
        picture.format = *format;
    else
        *path += QLatin1Char('.') + pictureExtension(picture.format);
    settings.setValue(pictureFolderKey, QFileInfo(*path).absolutePath());
    const THourglass hourglass;
    writePicture(*path, panesOf(picture), picture);
}

void TSpectraViewerFrame::editCopyPicture() {
    const auto panes = picturePanes(TPicturePanes::Current);
    if (panes.empty()) return;
    TPictureSettings picture =
        TPictureSettings::fromText(m_services.settings.value(pictureSettingsKey));
    picture.transparent = false;
    const THourglass hourglass;
    picture.format = TPictureFormat::Png;
    const QByteArray png = pictureBytes(panes, picture);
    picture.format = TPictureFormat::Svg;
    const QByteArray svg = pictureBytes(panes, picture);
    m_services.clipboard.setTextAndMimeData(
        pictureText(panes).toStdString(),
        {{"image/png", toBytes(png)}, {"image/svg+xml", toBytes(svg)}});
}

void TSpectraViewerFrame::filePrint(bool preview) {
    if (!currentSpectrum()) return;
    const TPictureSettings picture =
        TPictureSettings::fromText(m_services.settings.value(pictureSettingsKey));
    // The dialogs call back while they are open: a failure there is kept and told once they
    // have closed, as nothing may be thrown through their event loop.
    QString failure;
    m_services.dialogs.print(preview, [&](QPrinter& printer, TPrintPages pages) {
        try {
            printPanes(printer, picturePanes(TPicturePanes::All), picture,
                       pages == TPrintPages::OnePanePerPage);
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    });
    if (!failure.isEmpty()) throw EPictureError(failure);
}
