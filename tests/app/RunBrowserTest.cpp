// Browsing a run in the main window: the browser's dock and its pane, stepping with the m/z
// window kept, a damaged spectrum, the browser's commands, and closing that frees the run.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDockWidget>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <string>

#include "app/MainWindow.h"
#include "display/PaneRenderer.h"
#include "display/PlotRenderer.h"
#include "display/RunBrowser.h"
#include "display/ScanTableModel.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "files/Run.h"
#include "model/PointListSerie.h"
#include "support/AppFixture.h"

namespace {

const QString runPath = QStringLiteral(VELMORIX_TEST_DATA "/mzxml/ltqft_small.msconvert.32.mzXML");

class RunBrowsing : public MainWindowFixture {
protected:

    TRunBrowser& openBrowser(const QString& path) {
        EXPECT_TRUE(m_frame->openAnyFile(path));
        const auto browsers = m_frame->runBrowsers();
        EXPECT_EQ(browsers.size(), 1u);
        return *browsers.back();
    }
    TSpectrumData& paneData(const TRunBrowser& browser) const {
        return *m_frame->browserPane(&browser)->spectrum()->spectrumData();
    }
    void clickRow(TRunBrowser& browser, int runIndex,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTableView& table = *browser.table();
        const auto row = browser.model()->viewRow(runIndex);
        ASSERT_TRUE(row);
        const QRect rect = table.visualRect(browser.model()->index(*row, 0));
        QTest::mouseClick(table.viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    QToolButton& command(TRunBrowser& browser, const QString& text) {
        for (QToolButton* button : browser.findChildren<QToolButton*>())
            if (button->text() == text) return *button;
        ADD_FAILURE() << "no button " << text.toStdString();
        return *browser.findChild<QToolButton*>();
    }

};

// The highest intensity of points inside x1..x2.
double highestWithin(const std::vector<TFloatPointRec>& points, double x1, double x2) {
    double top = 0.0;
    for (const TFloatPointRec& p : points)
        if (p.x >= x1 && p.x <= x2) top = std::max(top, p.y);
    return top;
}

TEST_F(RunBrowsing, StepsReplaceTheSpectrumAndKeepTheMzWindow) {
    const auto oracle = openRun(runPath.toStdString());
    TRunBrowser& browser = openBrowser(runPath);
    ASSERT_NE(m_main->findChild<QDockWidget*>(QStringLiteral("RunBrowser")), nullptr);
    EXPECT_EQ(m_main->findChild<QLabel*>(QStringLiteral("RunStatus"))->text(),
              QStringLiteral("ltqft_small.msconvert.32.mzXML · 48 spectra (MS1 14, MS2 34) · "
                             "RT 0.00–0.49 min · index used"));

    // The first spectrum, whole, as the current pane; a profile draws as a line.
    ASSERT_EQ(manager().count(), 1);
    TSpectrumData& data = paneData(browser);
    ASSERT_EQ(data.series()->count(), 1);
    const TPointListSerie& first = *data.series()->serie(0);
    EXPECT_EQ(first.name(), "scan 1 · MS1 · RT 0.00 min");
    EXPECT_EQ(first.style(), TSerieStyle::Line);
    EXPECT_EQ(first.points()->count(), static_cast<int>(oracle->loadSpectrum(0).size()));
    EXPECT_EQ(m_frame->currentContainer(), m_frame->browserPane(&browser));
    expectFinishedAsLoaded(*m_frame->currentSpectrum());

    // Zoomed in, then stepped to the next MS1 spectrum: the window stays, y fits its peaks there.
    m_frame->currentSpectrum()->zoomTo(800.0, 820.0, 0.0, 1000.0);
    QTest::keyClick(browser.chromatogram(), Qt::Key_Right);
    ASSERT_EQ(data.series()->count(), 1);
    EXPECT_EQ(data.series()->serie(0)->name(), "scan 2 · MS1 · RT 0.01 min");
    EXPECT_DOUBLE_EQ(data.xRange()->min(), 800.0);
    EXPECT_DOUBLE_EQ(data.xRange()->max(), 820.0);
    const double top = highestWithin(oracle->loadSpectrum(1), 800.0, 820.0);
    ASSERT_GT(top, 0.0);
    EXPECT_DOUBLE_EQ(data.yRange()->max(), top * 1.02);
    EXPECT_FALSE(data.isModified());

    // A plain click on an MS2 row replaces it, drawn as sticks, captioned with its precursor;
    // Ctrl+click adds another beside it.
    clickRow(browser, 2);
    ASSERT_EQ(data.series()->count(), 1);
    EXPECT_EQ(data.series()->serie(0)->name(), "scan 3 · MS2 · RT 0.01 min · precursor 810.7894");
    EXPECT_EQ(data.series()->serie(0)->style(), TSerieStyle::Bars);
    clickRow(browser, 3, Qt::ControlModifier);
    ASSERT_EQ(data.series()->count(), 2);
    EXPECT_EQ(data.series()->serie(1)->name(), "scan 4 · MS2 · RT 0.02 min · precursor 837.3446");
    EXPECT_EQ(browser.currentSpectrum(), 2);
    EXPECT_TRUE(m_dialogs.messages().empty());
}

TEST_F(RunBrowsing, ClosingTheBrowserFreesItsRunAndItsPane) {
    TRunBrowser& browser = openBrowser(runPath);
    ASSERT_EQ(manager().count(), 1);
    const std::weak_ptr<const iRunReader> run = browser.run();
    auto* dock = m_main->findChild<QDockWidget*>(QStringLiteral("RunBrowser"));
    ASSERT_NE(dock, nullptr);
    dock->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(run.expired());
    EXPECT_TRUE(m_frame->runBrowsers().empty());
    EXPECT_EQ(manager().count(), 0);
    EXPECT_EQ(m_main->findChild<QLabel*>(QStringLiteral("RunStatus"))->text(), QString());
}

// Reading a run's table is shown with its progress; given up, it leaves no browser, no pane and
// no message, and the same run opens afterwards.
TEST_F(RunBrowsing, AGivenUpOpenLeavesNothingBehind) {
    const QString mzml = QStringLiteral(VELMORIX_TEST_DATA "/mzml/ltqft_small.pwiz.mzML");
    m_dialogs.giveUpProgressAt(1);
    EXPECT_FALSE(m_frame->openAnyFile(mzml));
    EXPECT_TRUE(m_frame->runBrowsers().empty());
    EXPECT_EQ(manager().count(), 0);
    EXPECT_TRUE(m_dialogs.messages().empty());
    ASSERT_EQ(m_dialogs.progressLabels().size(), 1u);
    EXPECT_TRUE(m_dialogs.progressLabels()[0].contains(QStringLiteral("ltqft_small.pwiz.mzML")));

    m_dialogs.giveUpProgressAt(0);
    EXPECT_EQ(openBrowser(mzml).model()->rowCount(), 48);
    EXPECT_EQ(manager().count(), 1);
}

TEST_F(RunBrowsing, ADamagedSpectrumIsToldAndTheBrowserStaysUsable) {
    // Three peaks (200.5, 10), (300.25, 30), (400.125, 20); scan 2's data is no Base64.
    const auto scan = [](int number, const char* peaks) {
        return "<scan num=\"" + std::to_string(number) + "\" msLevel=\"1\" peaksCount=\"3\" " +
               "retentionTime=\"PT" + std::to_string(number) +
               ".5S\"><peaks compressionType=\"none\" " + "precision=\"32\" " +
               "byteOrder=\"network\" pairOrder=\"m/z-int\">" + peaks + "</peaks></scan>";
    };
    const char* good = "Q0iAAEEgAABDliAAQfAAAEPIEABBoAAA";
    const QString path = write(QStringLiteral("damaged.mzXML"),
                               "<?xml version=\"1.0\"?><mzXML><msRun scanCount=\"3\">" +
                                   scan(1, good) + scan(2, "Q0iAAEEg*%$!AABDliAAQfAAAEPIEABBoAAA") +
                                   scan(3, good) + "</msRun></mzXML>");
    TRunBrowser& browser = openBrowser(path);
    TSpectrumData& data = paneData(browser);
    ASSERT_EQ(data.series()->count(), 1);

    m_dialogs.press(TMessageButton::Ok);
    clickRow(browser, 1);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    const TLoggedMessage& told = m_dialogs.messages()[0];
    EXPECT_EQ(told.kind, TMessageKind::Error);
    EXPECT_TRUE(told.text.startsWith(QStringLiteral("Cannot show scan 2 · MS1")))
        << told.text.toStdString();
    EXPECT_TRUE(told.text.contains(path)) << told.text.toStdString();
    // The pane still shows what it showed.
    ASSERT_EQ(data.series()->count(), 1);
    EXPECT_EQ(data.series()->serie(0)->name(), "scan 1 · MS1 · RT 0.03 min");

    clickRow(browser, 2);
    ASSERT_EQ(data.series()->count(), 1);
    EXPECT_EQ(data.series()->serie(0)->name(), "scan 3 · MS1 · RT 0.06 min");
    EXPECT_EQ(data.series()->serie(0)->points()->count(), 3);
    EXPECT_EQ(m_dialogs.messages().size(), 1u);
}

TEST_F(RunBrowsing, TheBrowserOpensTheFirstSpectraAndCopiesToAnOrdinaryPane) {
    TRunBrowser& browser = openBrowser(runPath);
    TSpectrumContainer* browsed = m_frame->browserPane(&browser);
    browsed->spectrum()->zoomTo(800.0, 820.0, 0.0, 1000.0);

    command(browser, QStringLiteral("Open in new pane")).click();
    ASSERT_EQ(manager().count(), 2);
    TSpectrumContainer* copy = m_frame->currentContainer();
    ASSERT_NE(copy, browsed);
    EXPECT_FALSE(m_frame->isBrowserPane(copy));
    TSpectrumData& copied = *copy->spectrum()->spectrumData();
    const TSpectrumData& source = *browsed->spectrum()->spectrumData();
    ASSERT_EQ(copied.series()->count(), 1);
    EXPECT_EQ(copied.series()->serie(0)->name(), source.series()->serie(0)->name());
    EXPECT_EQ(copied.series()->serie(0)->points()->points(),
              source.series()->serie(0)->points()->points());
    EXPECT_DOUBLE_EQ(copied.xRange()->min(), 800.0);
    // Its own points: the next pick in the browser leaves the copy as it was.
    EXPECT_NE(copied.series()->serie(0)->points(), source.series()->serie(0)->points());
    EXPECT_TRUE(copied.isModified());  // saved nowhere yet
    EXPECT_TRUE(enabled("FileSave"));
    QTest::keyClick(browser.chromatogram(), Qt::Key_Right);
    EXPECT_EQ(copied.series()->serie(0)->name(), "scan 1 · MS1 · RT 0.00 min");

    command(browser, QStringLiteral("Open first spectra in a pane")).click();
    ASSERT_EQ(manager().count(), 3);
    EXPECT_EQ(currentData().series()->count(), 11);
    EXPECT_TRUE(m_dialogs.messages().empty());
}

TEST_F(RunBrowsing, PrecursorMarksStandWhereTheTableSaysAndOpenTheirSpectra) {
    const QString mzml = QStringLiteral(VELMORIX_TEST_DATA "/mzml/ltqft_small.pwiz.mzML");
    TRunBrowser& browser = openBrowser(mzml);
    const TScanTableModel& table = *browser.model();
    const auto cellOf = [&](int runIndex, int column) {
        return table.data(table.index(*table.viewRow(runIndex), column)).toString();
    };
    const auto rowOfScan = [&](int scan) {
        for (int i = 0; i < table.rowCount(); ++i)
            if (cellOf(i, TScanTableModel::ScanColumn) == QString::number(scan)) return i;
        ADD_FAILURE() << "no scan " << scan;
        return 0;
    };
    TSpectrumContainer& pane = *m_frame->browserPane(&browser);
    TSpectrum& plot = *pane.spectrum();

    // Scan 1 is followed by another MS1 spectrum: no marks. That one, scan 2, by the MS2 scans
    // 3 to 7: their precursors are marked.
    ASSERT_EQ(cellOf(0, TScanTableModel::ScanColumn), QStringLiteral("1"));
    EXPECT_TRUE(plot.marks().empty());
    const int scan2 = rowOfScan(2);
    ASSERT_EQ(cellOf(scan2, TScanTableModel::LevelColumn), QStringLiteral("1"));
    clickRow(browser, scan2);
    const std::vector<double> precursors{810.79, 837.34, 725.36, 558.87, 812.33};
    const std::vector<TPlotMark> marks = plot.marks();
    ASSERT_EQ(marks.size(), precursors.size());
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const int ms2 = rowOfScan(static_cast<int>(i) + 3);
        EXPECT_EQ(marks[i].tag, ms2);
        EXPECT_EQ(cellOf(ms2, TScanTableModel::LevelColumn), QStringLiteral("2"));
        EXPECT_NEAR(marks[i].x, cellOf(ms2, TScanTableModel::PrecursorMzColumn).toDouble(), 1e-3);
        EXPECT_NEAR(marks[i].x, precursors[i], 0.005);
        EXPECT_EQ(marks[i].text, QString::number(precursors[i], 'f', 2).toStdString());
    }

    // A picture of the pane shows them: the triangle of the first mark, green, above the
    // plot's bottom edge.
    const auto placed = placeMarks(TPlotMapping(*plot.spectrumData(), plot.size()).view(), marks);
    ASSERT_TRUE(placed[2]);
    QImage picture(pane.size(), QImage::Format_ARGB32);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        EXPECT_TRUE(renderPane(painter, pane).empty());
    }
    const QPoint tip =
        plot.pos() + QPoint(placed[2]->triangle.center().x(), placed[2]->triangle.bottom() - 1);
    EXPECT_EQ(picture.pixelColor(tip), QColor(0, 128, 0));

    // A click on the third mark opens scan 5 as a click on its row would.
    const QPoint third = placed[2]->triangle.center();
    QTest::mouseClick(&plot, Qt::LeftButton, Qt::NoModifier, third);
    const int scan5 = rowOfScan(5);
    EXPECT_EQ(browser.currentSpectrum(), scan5);
    EXPECT_EQ(browser.model()->runIndex(browser.table()->currentIndex().row()), scan5);
    ASSERT_EQ(paneData(browser).series()->count(), 1);
    EXPECT_TRUE(QString::fromStdString(paneData(browser).series()->serie(0)->name())
                    .startsWith(QStringLiteral("scan 5 · MS2")));

    // The MS2 spectrum marks its own precursor, which opens nothing: a click there is the
    // tool's.
    ASSERT_EQ(plot.marks().size(), 1u);
    EXPECT_NEAR(plot.marks()[0].x, 725.36, 0.005);
    EXPECT_LT(plot.marks()[0].tag, 0);
    const auto own =
        placeMarks(TPlotMapping(*plot.spectrumData(), plot.size()).view(), plot.marks());
    if (own[0]) {
        QTest::mouseClick(&plot, Qt::LeftButton, Qt::NoModifier, own[0]->triangle.center());
        EXPECT_EQ(browser.currentSpectrum(), scan5);
    }
    EXPECT_TRUE(m_dialogs.messages().empty());
}

}  // namespace
