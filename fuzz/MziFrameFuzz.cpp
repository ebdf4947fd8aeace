// Opening a .mzi document in a headless viewer frame, as File > Open does: the document is
// written to a file, loaded into panes and drawn once. Messages are answered by nobody.
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

#include "FuzzCheck.h"
#include "app/HeadlessFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

namespace {

struct TFixture {
    // The document is written anew for every input: in memory where the system has a folder
    // for that. The window is small: every pane's drawing cache is made anew for each input.
    TFixture()
        : folder(
              QDir(QStringLiteral("/dev/shm")).exists()
                  ? std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/velmorix-fuzz-XXXXXX"))
                  : std::make_unique<QTemporaryDir>()),
          file(folder->filePath(QStringLiteral("fuzz.mzi"))),
          headless(folder->path(), QStringLiteral("fuzz"), {480, 360}) {}

    std::unique_ptr<QTemporaryDir> folder;
    QString file;
    THeadlessFrame headless;
};

TFixture& fixture() {
    // Made once and never destroyed: the fuzzer ends the process from inside the loop.
    static TFixture* made = ensureOffscreenApplication() ? new TFixture : nullptr;
    FUZZ_CHECK(made != nullptr);
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
    TSpectraViewerFrame& frame = f.headless.frame;
    TRecordingDialogs& dialogs = f.headless.dialogs;
    dialogs.clearMessages();
    const bool loaded = frame.loadMziFile(f.file);
    // A refused document is always told.
    if (!loaded) FUZZ_CHECK(!dialogs.messages().empty());

    TSpectraManager& manager = *frame.manager();
    FUZZ_CHECK(manager.count() >= 0 && manager.count() <= TSpectraManager::maxCount);
    for (int i = 0; i < manager.count(); ++i) {
        TSpectrum* pane = manager.container(i)->spectrum();
        const TPointListSerieList& series = *pane->spectrumData()->series();
        for (int s = 0; s < series.count(); ++s)
            fuzz::checkSortedFinite(*series.serie(s)->points());
    }
    if (TSpectrum* pane = frame.currentSpectrum()) {
        const QPixmap picture = pane->grab();
        (void)picture;
    }
    manager.setCount(0);
    QCoreApplication::processEvents();
    return 0;
}
