// Opening a .mzi document in a headless viewer frame, as File > Open does: the document is
// written to a file, loaded into panes and drawn once. Messages are answered by nobody.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

#include "FuzzCheck.h"
#include "app/Dialogs.h"
#include "app/HeadlessServices.h"
#include "app/SpectraViewerFrame.h"
#include "app/ViewerServices.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "model/Clipboard.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

namespace {

struct TFixture {
    TFixture() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "velmorix_fuzz_mzi_frame";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
        // The document is written anew for every input: in memory where the system has a
        // folder for that.
        folder =
            QDir(QStringLiteral("/dev/shm")).exists()
                ? std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/velmorix-fuzz-XXXXXX"))
                : std::make_unique<QTemporaryDir>();
        file = folder->filePath(QStringLiteral("fuzz.mzi"));
        frame = std::make_unique<TSpectraViewerFrame>(
            TViewerServices{&dialogs, &clipboard, folder->path(), "fuzz"});
        frame->setAttribute(Qt::WA_DontShowOnScreen);
        // Small: every pane's drawing cache is made anew for each input.
        frame->resize(480, 360);
        frame->show();
        QCoreApplication::processEvents();
    }
    std::unique_ptr<QApplication> application;
    std::unique_ptr<QTemporaryDir> folder;
    QString file;
    TRecordingDialogs dialogs;
    TNoClipboard clipboard;
    std::unique_ptr<TSpectraViewerFrame> frame;
};

TFixture& fixture() {
    // Made once and never destroyed: the fuzzer ends the process from inside the loop.
    static TFixture* made = new TFixture;
    return *made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFixture& f = fixture();
    {
        QFile out(f.file);
        FUZZ_CHECK(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(out.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
                   static_cast<qint64>(size));
    }
    f.dialogs.clearMessages();
    const bool loaded = f.frame->loadMziFile(f.file);
    // A refused document is always told.
    if (!loaded) FUZZ_CHECK(!f.dialogs.messages().empty());

    TSpectraManager& manager = *f.frame->manager();
    FUZZ_CHECK(manager.count() >= 0 && manager.count() <= TSpectraManager::maxCount);
    for (int i = 0; i < manager.count(); ++i) {
        TSpectrum* pane = manager.container(i)->spectrum();
        const TPointListSerieList& series = *pane->spectrumData()->series();
        for (int s = 0; s < series.count(); ++s)
            fuzz::checkSortedFinite(*series.serie(s)->points());
    }
    if (TSpectrum* pane = f.frame->currentSpectrum()) {
        const QPixmap picture = pane->grab();
        (void)picture;
    }
    manager.setCount(0);
    QCoreApplication::processEvents();
    return 0;
}
