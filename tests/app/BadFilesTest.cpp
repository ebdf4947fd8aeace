// Damaged files opened the way File > Open and File > Import open them: each gives one error box
// that names the file and says what is wrong, and leaves the panes as they were.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"
#include "support/FakeClipboard.h"
#include "support/ScriptedDialogs.h"

namespace {

// Answers every message box with its last button and logs it; the corpus is listed at run time,
// so the number of boxes a file brings is what the test checks, not a script.
class RecordingDialogs : public iDialogs {
public:
    std::optional<TFileChoice> openFileName(const QString&, const QStringList&) override {
        ADD_FAILURE() << "unexpected open dialog";
        return std::nullopt;
    }
    std::optional<QString> saveFileName(const QString&, const QString&) override {
        ADD_FAILURE() << "unexpected save dialog";
        return std::nullopt;
    }
    std::optional<QColor> color(const QColor&) override { return std::nullopt; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    TMessageButton message(TMessageKind kind, const QString& text,
                           const std::vector<TMessageButton>& buttons) override {
        messages.push_back({kind, text, buttons});
        return buttons.empty() ? TMessageButton::Ok : buttons.back();
    }

    std::vector<TLoggedMessage> messages;
};

// What is known of a file of the corpus: words its message must hold and the panes it leaves.
struct TKnownFault {
    std::vector<QString> words;
    int panesLeft = 0;
};

// Files added without an entry here (fuzz findings) are held to the common rules only.
const std::map<QString, TKnownFault>& knownFaults() {
    static const std::map<QString, TKnownFault> faults{
        {"empty.csv", {{"No spectrum in", "no line starts with an x and a y value"}}},
        {"empty.mzXML", {{"not an mzXML run"}}},
        {"empty.mzi", {{"not well-formed XML"}}},
        {"empty.txt", {{"No spectrum in", "no line starts with an x and a y value"}}},
        {"junk.csv", {{"No spectrum in", "no line starts with an x and a y value"}}},
        {"junk.mzXML", {{"not an mzXML run"}}},
        {"junk.mzi", {{"not well-formed XML"}}},
        {"junk.txt", {{"No spectrum in", "no line starts with an x and a y value"}}},
        {"mzi-data-with-child-element.mzi", {{"it has child elements"}, 1}},
        {"mzi-idcode-not-a-number.mzi", {{"\"IDcode\"", "\"12ab\""}, 1}},
        {"mzi-incomplete-pair.mzi", {{"Incomplete value pair"}, 1}},
        {"mzi-no-spectra.mzi", {{"holds no spectra"}}},
        {"mzi-nvalues-huge.mzi", {{"\"nvalues\"", "99999999999999999999999"}, 1}},
        {"mzi-second-root.mzi", {{"not well-formed XML"}}},
        {"mzi-truncated.mzi", {{"not well-formed XML"}}},
        {"mzi-unclosed-tag.mzi", {{"not well-formed XML"}}},
        {"mzi-utf16-broken.mzi", {{"not well-formed XML", "line 1, column 60"}}},
        {"mzi-wrong-root.mzi", {{"is not a .mzi document", "\"html\""}}},
        {"mzxml-bad-base64-upper.MZXML", {{"is not Base64"}}},
        {"mzxml-bad-base64.mzXML", {{"is not Base64"}}},
        {"mzxml-bad-precision.mzXML", {{"precision 16"}}},
        {"mzxml-bzip2.mzXML", {{"compressed with \"bzip2\""}}},
        {"mzxml-not-zlib.mzXML", {{"is not valid zlib data"}}},
        {"mzxml-num-not-a-number.mzXML", {{"\"one\" is not a valid integer value"}}},
        {"mzxml-scancount-comma.mzXML", {{"\"1,0\" is not a valid integer value"}}},
        {"mzxml-truncated-in-peaks-tag.mzXML", {{"the file ends inside scan 1"}}},
        {"mzxml-truncated-in-peaks.mzXML", {{"ends inside the peak data of scan 1"}}},
        {"mzxml-zlib-bomb.mzXML", {{"inflates to more than 16 bytes"}}},
        {"mzxml-zlib-cut.mzXML", {{"ends before its zlib stream does"}}},
        {"mzxml-zlib-long.mzXML", {{"inflates to more than 48 bytes"}}},
        {"mzxml-zlib-short.mzXML", {{"inflates to 32 bytes", "48"}}},
        {"text-header-only.txt", {{"More than 20 line errors"}}},
        {"text-hplc-columns-in-one-column.csv",
         {{"No spectrum in", "no line starts with an x and a y value"}}},
        {"text-no-data.txt", {{"No spectrum in", "no line starts with an x and a y value"}}},
        {"text-not-finite.txt", {{"No spectrum in", "no line has an x above 0"}}},
        {"text-zero-intensities.txt", {{"No spectrum in", "no line has an x above 0"}}},
    };
    return faults;
}

QString badFolder() {
    return QStringLiteral(VELMORIX_TEST_DATA "/bad");
}

class BadFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_frame = std::make_unique<TSpectraViewerFrame>(
            TViewerServices{&m_dialogs, &m_clipboard, QString(), QStringLiteral("0.2.0.0")});
        m_frame->resize(1000, 700);
        m_frame->show();
    }

    // As File > Open and File > Import route a file: .mzi documents are loaded, mzXML runs
    // (any letter case) opened, anything else imported as a text spectrum.
    bool open(const QString& path) {
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == QLatin1String("mzi")) return m_frame->loadMziFile(path);
        if (suffix == QLatin1String("mzxml")) return m_frame->openMzXmlFile(path);
        return m_frame->importTextFile(path, 1);
    }

    RecordingDialogs m_dialogs;
    FakeClipboard m_clipboard;
    std::unique_ptr<TSpectraViewerFrame> m_frame;
};

TEST_F(BadFiles, EachFileGivesOneErrorThatNamesItAndLeavesNoNewPane) {
    const QStringList names =
        QDir(badFolder()).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    ASSERT_GE(names.size(), 20);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        m_dialogs.messages.clear();
        const int before = m_frame->manager()->count();

        EXPECT_FALSE(open(QDir(badFolder()).filePath(name)));

        ASSERT_EQ(m_dialogs.messages.size(), 1u);
        const TLoggedMessage& box = m_dialogs.messages.front();
        EXPECT_EQ(box.kind, TMessageKind::Error);
        EXPECT_EQ(box.buttons, std::vector{TMessageButton::Abort});
        EXPECT_TRUE(box.text.contains(name)) << box.text.toStdString();
        EXPECT_TRUE(box.text.endsWith(
            QStringLiteral("\nUnexpected format.\nTry Open txt format (standard).")));

        const auto known = knownFaults().find(name);
        const int panesLeft = known == knownFaults().end() ? 0 : known->second.panesLeft;
        if (known != knownFaults().end()) {
            for (const QString& word : known->second.words)
                EXPECT_TRUE(box.text.contains(word))
                    << box.text.toStdString() << "\nlacks: " << word.toStdString();
        }
        // A document that fails inside a spectra element keeps the panes read up to the failure,
        // with the series read so far; the failing series stays, empty. Such a pane is finished
        // as a whole load finishes it (series 0 current, the view history started at the fitted
        // view), not left half made.
        ASSERT_EQ(m_frame->manager()->count(), before + panesLeft);
        for (int i = before; i < before + panesLeft; ++i) {
            TSpectrum& spectrum = *m_frame->manager()->container(i)->spectrum();
            TPointListSerieList& series = *spectrum.spectrumData()->series();
            ASSERT_GE(series.count(), 1);
            EXPECT_TRUE(series.serie(series.count() - 1)->points()->isEmpty());
            EXPECT_EQ(series.currentIndex(), 0);
            EXPECT_EQ(spectrum.viewHistory().size(), 1);
            EXPECT_FALSE(spectrum.spectrumData()->isModified());
        }
        // The next file starts from no pane, so that eight left-over panes never refuse one.
        while (m_frame->manager()->count() > 0)
            m_frame->manager()->removeContainer(m_frame->manager()->lastContainer());
    }
}

}  // namespace
