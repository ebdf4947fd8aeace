// Damaged files opened the way File > Open and File > Import open them: each gives one error box
// that names the file and says what is wrong, and leaves the panes as they were.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <map>
#include <vector>

#include "model/PointListSerie.h"
#include "support/AppFixture.h"

namespace {

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

using BadFiles = AppFixture;

TEST_F(BadFiles, EachFileGivesOneErrorThatNamesItAndLeavesNoNewPane) {
    const QDir folder(QStringLiteral(VELMORIX_TEST_DATA "/bad"));
    const QStringList names = folder.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    ASSERT_GE(names.size(), 20);
    for (const QString& name : names) {
        // An mzML run under an mzXML name is bad only for the mzXML reader: File > Open reads
        // it by its content (see OpenAnyFile).
        if (name == QLatin1String("mzml-named-mzxml.mzXML")) continue;
        SCOPED_TRACE(name.toStdString());
        m_dialogs.clearLog();
        // As the File menu takes a file: .mzi documents and mzXML runs (any letter case) through
        // File > Open with the matching filter, anything else through File > Import as a text
        // spectrum. The error box is answered with its one button.
        const QString suffix = QFileInfo(name).suffix().toLower();
        const bool mzXml = suffix == QLatin1String("mzxml");
        m_dialogs.chooseFile(folder.filePath(name), mzXml ? 2 : 1);
        m_dialogs.press(TMessageButton::Abort);
        trigger(mzXml || suffix == QLatin1String("mzi") ? "FileOpen" : "FileImport");

        ASSERT_EQ(m_dialogs.messages().size(), 1u);
        const TLoggedMessage& box = m_dialogs.messages().front();
        EXPECT_EQ(box.kind, TMessageKind::Error);
        EXPECT_EQ(box.buttons, std::vector{TMessageButton::Abort});
        EXPECT_TRUE(box.text.contains(name)) << box.text.toStdString();
        EXPECT_TRUE(box.text.endsWith(formatHint));

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
        ASSERT_EQ(manager().count(), panesLeft);
        for (int i = 0; i < panesLeft; ++i) {
            TSpectrum& spectrum = *manager().container(i)->spectrum();
            TPointListSerieList& series = *spectrum.spectrumData()->series();
            ASSERT_GE(series.count(), 1);
            EXPECT_TRUE(series.serie(series.count() - 1)->points()->isEmpty());
            expectFinishedAsLoaded(spectrum);
        }
        // The next file starts from no pane, so that eight left-over panes never refuse one.
        manager().setCount(0);
    }
}

}  // namespace
