// File > Import stories: text spectrum files become new panes through the Import dialog; a file
// that cannot be read is refused with the import's error box and leaves no pane (the damaged
// files are opened in BadFilesTest).
#include <gtest/gtest.h>

#include <string>

#include "files/TextSpectrum.h"
#include "support/AppFixture.h"
#include "support/TestHelpers.h"

namespace {

const QString textData = QStringLiteral(VELMORIX_TEST_DATA "/text/");

const QStringList importFilters{QStringLiteral("ms text files (*.prn *.txt *.mzi)"),
                                QStringLiteral("HPLC time, x, y1, y2 (*.txt *.csv)"),
                                QStringLiteral("All files (*)")};

using Import = AppFixture;

// The pane is named for the .mzi beside the text file, which Save proposes as other loaded
// files that are no document.
TEST_F(Import, AChosenFileBecomesANormalisedLabelledPane) {
    m_dialogs.cancelOpen();
    trigger("FileImport");
    EXPECT_EQ(manager().count(), 0);
    ASSERT_EQ(m_dialogs.openRequests().size(), 1u);
    EXPECT_EQ(m_dialogs.openRequests()[0].filters, importFilters);

    const QString file = textData + QStringLiteral("thermo_itraq_hcd_scan1_ms2.csv");
    m_dialogs.chooseFile(file, 1);
    trigger("FileImport");
    ASSERT_EQ(manager().count(), 1);
    EXPECT_EQ(m_frame->currentContainer()->caption(),
              QStringLiteral("thermo_itraq_hcd_scan1_ms2.csv"));
    EXPECT_EQ(current().fileName(),
              (textData + QStringLiteral("thermo_itraq_hcd_scan1_ms2.mzi")).toStdString());

    TSpectrumData& data = currentData();
    ASSERT_EQ(data.series()->count(), 1);
    const TPointListSerie& serie = *data.series()->serie(0);
    EXPECT_EQ(serie.name(), file.left(TSymbolNamed::maxNameLength).toStdString());
    EXPECT_EQ(serie.color(), colors::black);
    // The View actions draw it as a line.
    EXPECT_EQ(serie.style(), TSerieStyle::Line);

    // The points are those the import reads, scaled so that the base peak is 100.
    EXPECT_EQ(serie.points()->points(), importTextSpectrum(QFile::encodeName(file).toStdString(),
                                                           TTextLayout::FirstTwoNumbers)
                                            ->points());
    expectFinishedAsLoaded(current());
}

// The second filter reads the HPLC layout.
TEST_F(Import, TheHplcFilterReadsTheMassAndIntensityColumns) {
    const QString file = textData + QStringLiteral("qtofmicro_itraq_scan4457_ms2_4col.prn");
    m_dialogs.chooseFile(file, 2);
    trigger("FileImport");
    EXPECT_EQ(currentData().series()->serie(0)->points()->points(),
              importTextSpectrum(QFile::encodeName(file).toStdString(), TTextLayout::HplcColumns)
                  ->points());
}

TEST_F(Import, AFileThatCannotBeReadIsRefusedAndLeavesThePanesAsTheyWere) {
    ASSERT_TRUE(m_frame->importTextFile(textData + QStringLiteral("ltqft_small_scan3_ms2.txt"), 1));
    TSpectrumContainer* first = m_frame->currentContainer();

    const QString missing = path(QStringLiteral("missing.txt"));
    m_dialogs.press(TMessageButton::Abort);
    EXPECT_FALSE(m_frame->importTextFile(missing, 1));
    EXPECT_EQ(manager().count(), 1);
    EXPECT_EQ(m_frame->currentContainer(), first);
    EXPECT_EQ(m_dialogs.messages(),
              std::vector{errorBox(
                  QStringLiteral("Cannot read \"%1\": No such file or directory").arg(missing) +
                  formatHint)});
}

}  // namespace
