// File > Import stories: text spectrum files become new panes through the Import dialog; files
// that give no spectrum are refused with the import's error box and leave no pane.
#include <gtest/gtest.h>

#include <string>

#include "files/TextSpectrum.h"
#include "support/AppFixture.h"
#include "support/TestHelpers.h"

namespace {

const QString formatHint = QStringLiteral("\nUnexpected format.\nTry Open txt format (standard).");
const QString textData = QStringLiteral(VELMORIX_TEST_DATA "/text/");

const QStringList importFilters{QStringLiteral("ms text files (*.prn *.txt *.mzi)"),
                                QStringLiteral("HPLC time, x, y1, y2 (*.txt *.csv)"),
                                QStringLiteral("All files (*)")};

using Import = AppFixture;

TEST_F(Import, AChosenFileBecomesANormalisedLabelledPaneThatSaveAsksFor) {
    m_dialogs.cancelOpen();
    trigger("FileImport");
    EXPECT_EQ(manager().count(), 0);
    ASSERT_EQ(m_dialogs.openRequests().size(), 1u);
    EXPECT_EQ(m_dialogs.openRequests()[0].filters, importFilters);

    const QString file = textData + QStringLiteral("thermo_itraq_hcd_scan1_ms2.csv");
    m_dialogs.chooseFile(file, 1);
    trigger("FileImport");
    ASSERT_EQ(manager().count(), 1);
    EXPECT_TRUE(m_dialogs.messages().empty());
    EXPECT_EQ(m_frame->currentContainer()->caption(),
              QStringLiteral("thermo_itraq_hcd_scan1_ms2.csv"));
    EXPECT_EQ(current().fileName(),
              (textData + QStringLiteral("thermo_itraq_hcd_scan1_ms2.mzi")).toStdString());

    TSpectrumData& data = currentData();
    ASSERT_EQ(data.series()->count(), 1);
    const TPointListSerie& serie = *data.series()->serie(0);
    EXPECT_EQ(serie.name(), file.left(TSymbolNamed::maxNameLength).toStdString());
    EXPECT_EQ(serie.color(), colors::black);
    // The View actions draw it as a highlighted line.
    EXPECT_EQ(serie.style(), TSerieStyle::Line);
    EXPECT_TRUE(act("ViewAllSeriesHighlight").isChecked());
    EXPECT_TRUE(act("ViewAllSeriesContinue").isChecked());

    // The points are those of the reader, scaled so that the base peak is 100.
    const TTextSpectrum read =
        readTextSpectrumFile(QFile::encodeName(file).toStdString(), TTextLayout::FirstTwoNumbers);
    const auto& points = serie.points()->points();
    ASSERT_EQ(points.size(), read.points->points().size());
    const double maxY = read.points->getMaxPoint().y;
    for (std::size_t i = 0; i < points.size(); i += 97) {
        EXPECT_EQ(points[i].x, read.points->points()[i].x);
        EXPECT_DOUBLE_EQ(points[i].y, read.points->points()[i].y * 100.0 / maxY);
    }
    EXPECT_DOUBLE_EQ(serie.points()->getMaxPoint().y, 100.0);

    // Series 0 current, the ranges fitted to it, a navy "Custom Labels" list, one view.
    expectFinishedAsLoaded(current());

    // Once edited, Save asks where, since the pane is no document yet, proposing the .mzi
    // beside the text file.
    data.setModified(true);
    m_dialogs.cancelSave();
    trigger("FileSave");
    ASSERT_EQ(m_dialogs.saveRequests().size(), 1u);
    EXPECT_EQ(m_dialogs.saveRequests()[0].proposed,
              textData + QStringLiteral("thermo_itraq_hcd_scan1_ms2.mzi"));
}

TEST_F(Import, TheHplcFilterReadsTheMassAndIntensityColumns) {
    const QString file = textData + QStringLiteral("qtofmicro_itraq_scan4457_ms2_4col.prn");
    m_dialogs.chooseFile(file, 2);
    trigger("FileImport");
    ASSERT_EQ(manager().count(), 1);
    const auto& hplc = *currentData().series()->serie(0)->points();
    EXPECT_GT(hplc.first().x, 49.0);
    EXPECT_LT(hplc.last().x, 2001.0);
    EXPECT_DOUBLE_EQ(hplc.getMaxPoint().y, 100.0);
    // Intensities of 1 to 9 counts: 1 count is 100 / 9.
    EXPECT_DOUBLE_EQ(hplc.getMinPoint().y, 100.0 / 9.0);

    // The other filters read the first two numbers: every point at the same time.
    ASSERT_TRUE(m_frame->importTextFile(file, 3));
    const auto& plain = *currentData().series()->serie(0)->points();
    EXPECT_EQ(plain.count(), 1757);
    EXPECT_EQ(plain.first().x, plain.last().x);
}

TEST_F(Import, FilesWithoutASpectrumAreRefusedAndLeaveNoPane) {
    ASSERT_TRUE(m_frame->importTextFile(textData + QStringLiteral("ltqft_small_scan3_ms2.txt"), 1));
    ASSERT_EQ(manager().count(), 1);
    TSpectrumContainer* first = m_frame->currentContainer();

    const QString noData = write(QStringLiteral("zeros.txt"), "m/z intensity\n100 0\n0 5\n");
    const QString missing = m_dir.filePath(QStringLiteral("missing.txt"));
    for (int i = 0; i < 2; ++i) m_dialogs.press(TMessageButton::Abort);
    EXPECT_FALSE(m_frame->importTextFile(noData, 1));
    EXPECT_FALSE(m_frame->importTextFile(missing, 1));

    EXPECT_EQ(manager().count(), 1);
    EXPECT_EQ(m_frame->currentContainer(), first);
    const auto box = [](const QString& text) {
        return TLoggedMessage{TMessageKind::Error, text + formatHint, {TMessageButton::Abort}};
    };
    EXPECT_EQ(m_dialogs.messages(),
              (std::vector<TLoggedMessage>{
                  box(QStringLiteral("No spectrum in \"%1\": no line has an x above 0 and a y "
                                     "other than 0.")
                          .arg(noData)),
                  box(QStringLiteral("Cannot open file \"%1\". No such file or directory")
                          .arg(missing))}));
}

}  // namespace
