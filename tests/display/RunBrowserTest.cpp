// The run browser: the scan table model against the rows an independent decoder found, its
// ordering and filtering, and the spectra picked by clicks and keys in the table and on the
// chromatogram.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "display/RunBrowser.h"
#include "display/ScanTableModel.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "files/Run.h"
#include "support/GatedRun.h"

namespace {

const char* const runName = "ltqft_small.msconvert.32.mzXML";

std::shared_ptr<const iRunReader> sharedRun() {
    return openRun(std::string(VELMORIX_TEST_DATA "/mzxml/") + runName);
}

QString cell(const TScanTableModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

// A row of the run as the oracle file lists it.
struct TOracleRow {
    int index = 0, scan = 0, level = 0;
    double seconds = 0, basePeakMz = 0, basePeakIntensity = 0, tic = 0;
    bool centroided = false;
};

std::vector<TOracleRow> oracleRows() {
    QFile file(QStringLiteral(VELMORIX_TEST_DATA "/mzxml/rows.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::istringstream lines(file.readAll().toStdString());
    std::vector<TOracleRow> rows;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        std::string kind, file, offset, polarity;
        in >> kind >> file;
        if (kind != "scan" || file != runName) continue;
        TOracleRow r;
        int centroided = 0;
        in >> r.index >> r.scan >> r.level >> offset >> r.seconds >> r.basePeakMz >>
            r.basePeakIntensity >> r.tic >> polarity >> centroided;
        r.centroided = centroided != 0;
        rows.push_back(r);
    }
    return rows;
}

// Another locale writes ',' for the decimal point: the table does not follow it.
class GermanLocale {
public:
    GermanLocale() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~GermanLocale() { QLocale::setDefault(m_before); }

private:
    QLocale m_before;
};

TEST(ScanTableModel, RowsShowWhatTheFileStatesInFileOrder) {
    const GermanLocale german;
    const auto run = sharedRun();
    TScanTableModel model(run);
    ASSERT_EQ(model.rowCount(), 48);
    for (int r = 0; r < model.rowCount(); ++r) {
        ASSERT_EQ(model.runIndex(r), r);
        const TSpectrumRow& row = run->spectra()[static_cast<std::size_t>(r)];
        // The row is read in place: what the reader holds is what the table shows.
        EXPECT_EQ(cell(model, r, TScanTableModel::PointsColumn), QString::number(row.peaksCount));
    }
    const auto oracle = oracleRows();
    ASSERT_EQ(oracle.size(), 12u);
    for (const TOracleRow& o : oracle) {
        SCOPED_TRACE(o.scan);
        const int r = o.index;
        EXPECT_EQ(cell(model, r, TScanTableModel::ScanColumn), QString::number(o.scan));
        EXPECT_EQ(cell(model, r, TScanTableModel::LevelColumn), QString::number(o.level));
        EXPECT_EQ(cell(model, r, TScanTableModel::RetentionTimeColumn),
                  QString::asprintf("%.2f", o.seconds / 60.0));
        EXPECT_EQ(model.data(model.index(r, TScanTableModel::RetentionTimeColumn), Qt::ToolTipRole)
                      .toString(),
                  QString::asprintf("%.3f s", o.seconds));
        EXPECT_EQ(cell(model, r, TScanTableModel::ModeColumn),
                  o.centroided ? QStringLiteral("centroid") : QStringLiteral("profile"));
        EXPECT_EQ(cell(model, r, TScanTableModel::TicColumn), QString::asprintf("%.3e", o.tic));
        EXPECT_EQ(cell(model, r, TScanTableModel::BasePeakMzColumn),
                  QString::asprintf("%.4f", o.basePeakMz));
        EXPECT_EQ(cell(model, r, TScanTableModel::BasePeakIntensityColumn),
                  QString::asprintf("%.3e", o.basePeakIntensity));
        // MS1 spectra have no precursor: the cell stays empty rather than showing 0 or nan.
        if (o.level == 1) {
            EXPECT_EQ(cell(model, r, TScanTableModel::PrecursorMzColumn), QString());
        }
    }
    EXPECT_EQ(cell(model, 2, TScanTableModel::PrecursorMzColumn), QStringLiteral("810.7894"));
}

TEST(ScanTableModel, SortingAndFilteringGiveTheRightRunIndices) {
    const auto run = sharedRun();
    const auto& rows = run->spectra();
    TScanTableModel model(run);

    std::vector<int> ms2;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        if (rows[static_cast<std::size_t>(i)].msLevel == 2) ms2.push_back(i);
    ASSERT_EQ(ms2.size(), 34u);

    // MS2 by falling precursor m/z: the same spectra, reordered, each view row mapping back.
    model.setLevelFilter(TLevelFilter::Ms2);
    model.sort(TScanTableModel::PrecursorMzColumn, Qt::DescendingOrder);
    ASSERT_EQ(model.rowCount(), 34);
    std::set<int> seen;
    double previous = INFINITY;
    for (int r = 0; r < model.rowCount(); ++r) {
        const int index = *model.runIndex(r);
        seen.insert(index);
        EXPECT_EQ(model.viewRow(index), r);
        const double mz = rows[static_cast<std::size_t>(index)].precursorMz;
        EXPECT_LE(mz, previous) << "row " << r;
        previous = mz;
    }
    EXPECT_EQ(seen, std::set<int>(ms2.begin(), ms2.end()));
    EXPECT_EQ(model.viewRow(0), std::nullopt);  // an MS1 spectrum, filtered out

    // A precursor m/z within the tolerance, whatever the sort; a comma is a decimal point.
    model.setSearchText(QStringLiteral(" 810,79 "));
    std::vector<int> near;
    for (const int i : ms2)
        if (std::fabs(rows[static_cast<std::size_t>(i)].precursorMz - 810.79) <= 0.01)
            near.push_back(i);
    ASSERT_FALSE(near.empty());
    ASSERT_EQ(model.rowCount(), static_cast<int>(near.size()));
    for (int r = 0; r < model.rowCount(); ++r)
        EXPECT_NE(std::find(near.begin(), near.end(), *model.runIndex(r)), near.end());

    // Fewer digits, a wider window: "810.8" stands for 810.75 to 810.85.
    model.setSearchText(QStringLiteral("810.8"));
    int wider = 0;
    for (const int i : ms2)
        wider += std::fabs(rows[static_cast<std::size_t>(i)].precursorMz - 810.8) <= 0.05;
    EXPECT_GT(wider, static_cast<int>(near.size()));
    EXPECT_EQ(model.rowCount(), wider);

    // A scan number, of any level once the filter shows all; words find nothing.
    model.setLevelFilter(TLevelFilter::All);
    model.setSearchText(QStringLiteral("9"));
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(rows[static_cast<std::size_t>(*model.runIndex(0))].scanNumber, 9);
    model.setSearchText(QStringLiteral("scan"));
    EXPECT_EQ(model.rowCount(), 0);

    // Back to all rows, by rising TIC.
    model.setSearchText({});
    model.sort(TScanTableModel::TicColumn, Qt::AscendingOrder);
    ASSERT_EQ(model.rowCount(), 48);
    for (int r = 1; r < model.rowCount(); ++r)
        EXPECT_LE(rows[static_cast<std::size_t>(*model.runIndex(r - 1))].totIonCurrent,
                  rows[static_cast<std::size_t>(*model.runIndex(r))].totIonCurrent);
}

class Browser : public ::testing::Test {
protected:
    Browser() : browser(sharedRun()) {
        browser.resize(700, 800);
        browser.show();
        QCoreApplication::processEvents();
    }

    const TSpectrumRow& row(int index) const {
        return browser.run()->spectra()[static_cast<std::size_t>(index)];
    }
    // A click on the chromatogram at a retention time in seconds.
    void clickAt(double seconds, Qt::KeyboardModifiers modifiers = {}) {
        TSpectrum& plot = *browser.chromatogram();
        const int x = plot.worldToDeviceX(seconds / 60.0, 0.0);
        ASSERT_GT(x, 0);
        ASSERT_LT(x, plot.width());
        QTest::mouseClick(&plot, Qt::LeftButton, modifiers, QPoint(x, plot.height() / 2));
    }
    // Every pick announced, as (run index, add).
    std::vector<std::pair<int, bool>> picks() {
        std::vector<std::pair<int, bool>> result;
        for (const QList<QVariant>& args : spy)
            result.emplace_back(args[0].toInt(), args[1].toBool());
        spy.clear();
        return result;
    }

    TRunBrowser browser;
    QSignalSpy spy{&browser, &TRunBrowser::spectrumPicked};
};

using Picks = std::vector<std::pair<int, bool>>;

TEST_F(Browser, AClickOnTheChromatogramPicksTheNearestSpectrumOfItsLevel) {
    // MS1 spectra at 4.5009 s (index 7) and 4.6673 s (index 8); MS2 at 4.8722 s (index 9).
    clickAt(4.54);
    EXPECT_EQ(picks(), (Picks{{7, false}}));
    EXPECT_EQ(browser.currentSpectrum(), 7);
    EXPECT_EQ(browser.model()->runIndex(browser.table()->currentIndex().row()), 7);
    // The marker stands at the spectrum's retention time.
    const auto& marker = *browser.chromatogram()->series()->serie(2)->points();
    ASSERT_EQ(marker.count(), 1);
    EXPECT_DOUBLE_EQ(marker.first().x, row(7).retentionTime / 60.0);

    // Nearer to an MS2 spectrum, but the chromatogram traces MS1.
    clickAt(4.85);
    EXPECT_EQ(picks(), (Picks{{8, false}}));

    // Of MS2, the chromatogram's clicks pick MS2 spectra; Ctrl adds.
    browser.setLevelFilter(TLevelFilter::Ms2);
    clickAt(4.80, Qt::ControlModifier);
    EXPECT_EQ(picks(), (Picks{{9, true}}));
    EXPECT_EQ(browser.currentSpectrum(), 8);  // an added spectrum is not the current one

    // A drag zooms and picks nothing.
    TSpectrum& plot = *browser.chromatogram();
    const double before = plot.xRange()->size();
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(40, 20));
    QTest::mouseMove(&plot, QPoint(160, 80));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(160, 80));
    EXPECT_TRUE(picks().empty());
    EXPECT_LT(plot.xRange()->size(), before);
}

TEST_F(Browser, KeysStepThroughTheSpectraOfTheSameLevel) {
    TSpectrum& plot = *browser.chromatogram();
    // Left/Right on the chromatogram: the MS1 spectra 0, 1, 7, 8, …
    browser.setCurrentSpectrum(1);
    QTest::keyClick(&plot, Qt::Key_Right);
    QTest::keyClick(&plot, Qt::Key_Right);
    QTest::keyClick(&plot, Qt::Key_Left);
    EXPECT_EQ(picks(), (Picks{{7, false}, {8, false}, {7, false}}));

    // Up/Down in the table showing every level: the next row of the current row's level, in
    // the order shown.
    QTableView& table = *browser.table();
    browser.setCurrentSpectrum(2);  // MS2
    QTest::keyClick(&table, Qt::Key_Down);
    EXPECT_EQ(picks(), (Picks{{3, false}}));
    browser.setCurrentSpectrum(1);  // MS1: the MS2 rows between are passed over
    QTest::keyClick(&table, Qt::Key_Down);
    QTest::keyClick(&table, Qt::Key_Up);
    QTest::keyClick(&table, Qt::Key_Up);
    QTest::keyClick(&table, Qt::Key_Up);  // at the first MS1 row: stays
    EXPECT_EQ(picks(), (Picks{{7, false}, {1, false}, {0, false}}));

    // Sorting moves the current row with its spectrum and picks nothing.
    browser.setCurrentSpectrum(7);
    table.sortByColumn(TScanTableModel::TicColumn, Qt::DescendingOrder);
    EXPECT_EQ(browser.model()->runIndex(table.currentIndex().row()), 7);
    // A click on a row picks it; Ctrl+click adds it and leaves the current row.
    const auto clickRow = [&](int index, Qt::KeyboardModifiers modifiers) {
        const QRect rect =
            table.visualRect(browser.model()->index(*browser.model()->viewRow(index), 0));
        QTest::mouseClick(table.viewport(), Qt::LeftButton, modifiers, rect.center());
    };
    clickRow(0, {});
    clickRow(2, Qt::ControlModifier);
    EXPECT_EQ(picks(), (Picks{{0, false}, {2, true}}));
    EXPECT_EQ(browser.model()->runIndex(table.currentIndex().row()), 0);
}

// A run made up in memory: four spectra and two stored chromatograms, the second unreadable.
class TMadeUpRun : public iRunReader {
public:
    TMadeUpRun() {
        const auto spectrum = [](int scan, int level, double seconds, double tic) {
            TSpectrumRow row;
            row.scanNumber = scan;
            row.msLevel = level;
            row.retentionTime = seconds;
            row.totIonCurrent = tic;
            row.basePeakIntensity = tic / 10.0;
            return row;
        };
        m_rows = {spectrum(1, 1, 60.0, 500.0), spectrum(2, 2, 90.0, 50.0),
                  spectrum(3, 1, 120.0, 800.0),
                  spectrum(4, 1, TSpectrumRow::absent, 900.0)};  // no retention time
        m_chromatograms = {{0, 2, TChromatogramKind::Tic}, {0, 2, TChromatogramKind::Srm}};
    }
    const std::string& fileName() const override { return m_name; }
    const char* formatName() const override { return "mzML"; }
    bool indexUsed() const override { return true; }
    const std::vector<std::string>& messages() const override { return m_messages; }
    std::string nativeId(int index) const override { return "scan=" + std::to_string(index + 1); }
    const std::vector<TSpectrumRow>& spectra() const override { return m_rows; }
    std::vector<TFloatPointRec> loadSpectrum(int) const override { return {{100.0, 1.0}}; }
    int scanCount() const override { return 4; }
    bool hasRunHeader() const override { return true; }
    const std::vector<TChromatogramRow>& chromatograms() const override { return m_chromatograms; }
    std::string chromatogramId(int index) const override { return index == 0 ? "TIC" : ""; }
    std::vector<TFloatPointRec> loadChromatogram(int index) const override {
        if (index == 1) throw ERunError("\"made-up.mzML\": chromatogram 2 is damaged.");
        return {{30.0, 5.0}, {90.0, 7.0}};
    }

private:
    std::string m_name = "made-up.mzML";
    std::vector<std::string> m_messages;
    std::vector<TSpectrumRow> m_rows;
    std::vector<TChromatogramRow> m_chromatograms;
};

std::vector<TFloatPointRec> pointsOf(const TSpectrum& plot, int serie) {
    return plot.series()->serie(serie)->points()->points();
}

TEST(RunBrowserTraces, StatedAndStoredTracesAndAStoredOneThatCannotBeRead) {
    TRunBrowser browser(std::make_shared<TMadeUpRun>());
    QSignalSpy messages(&browser, &TRunBrowser::messageRaised);
    const TSpectrum& plot = *browser.chromatogram();
    EXPECT_EQ(
        browser.traceNames(),
        (QStringList{QStringLiteral("TIC MS1 · stated"), QStringLiteral("BPC MS1 · stated"),
                     QStringLiteral("TIC · stored"), QStringLiteral("chromatogram 2 · stored")}));

    // MS1 in minutes, the spectrum without a retention time left out; the MS2 event a tick
    // below the base line.
    using Points = std::vector<TFloatPointRec>;
    EXPECT_EQ(pointsOf(plot, 0), (Points{{1.0, 500.0}, {2.0, 800.0}}));
    ASSERT_EQ(pointsOf(plot, 1).size(), 1u);
    EXPECT_DOUBLE_EQ(pointsOf(plot, 1)[0].x, 1.5);
    EXPECT_LT(pointsOf(plot, 1)[0].y, 0.0);
    browser.setTrace(1);
    EXPECT_EQ(pointsOf(plot, 0), (Points{{1.0, 50.0}, {2.0, 80.0}}));

    browser.setTrace(2);
    EXPECT_EQ(pointsOf(plot, 0), (Points{{0.5, 5.0}, {1.5, 7.0}}));
    EXPECT_EQ(plot.series()->serie(0)->name(), "TIC · stored");
    // Of another level the stored trace stays as it is.
    browser.setLevelFilter(TLevelFilter::Ms2);
    EXPECT_EQ(pointsOf(plot, 0), (Points{{0.5, 5.0}, {1.5, 7.0}}));
    EXPECT_TRUE(messages.isEmpty());

    browser.setTrace(3);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0][0].toString(),
              QStringLiteral("\"made-up.mzML\": chromatogram 2 is damaged."));
    EXPECT_EQ(browser.trace(), 2);
    EXPECT_EQ(pointsOf(plot, 0), (Points{{0.5, 5.0}, {1.5, 7.0}}));
}

bool awaitComputation(const TRunBrowser& browser) {
    return QTest::qWaitFor([&] { return !browser.isComputing(); }, 20000);
}

TEST(RunBrowserComputation, TracesOfARunThatStatesNoTicAreComputedFromItsPeaks) {
    const auto original = sharedRun();
    auto stripped = std::make_shared<TGatedRun>(original, -1, true);
    TRunBrowser browser(stripped);
    QSignalSpy progress(&browser, &TRunBrowser::computationProgressed);
    QSignalSpy computed(&browser, &TRunBrowser::chromatogramComputed);
    const TSpectrum& plot = *browser.chromatogram();
    EXPECT_TRUE(browser.isComputing());
    EXPECT_EQ(browser.traceNames().mid(0, 2), (QStringList{QStringLiteral("TIC MS1 · computed"),
                                                           QStringLiteral("BPC MS1 · computed")}));
    // Meanwhile the table is there to use and a spectrum can be shown on this thread.
    EXPECT_EQ(browser.model()->rowCount(), 48);
    EXPECT_FALSE(browser.run()->loadSpectrum(1).empty());

    ASSERT_TRUE(awaitComputation(browser));
    ASSERT_EQ(computed.size(), 1);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last()[0].toInt(), 14);
    EXPECT_EQ(progress.last()[1].toInt(), 14);
    EXPECT_FALSE(browser.findChild<QProgressBar*>(QStringLiteral("ChromatogramProgress"))
                     ->isVisibleTo(&browser));

    // Per MS1 spectrum in minutes, the sum and the largest of its peaks as an independent
    // decoder found them (for the spectra the oracle covers).
    struct TOraclePeaks {
        int index = 0;
        double largest = 0, sum = 0;
    };
    std::vector<TOraclePeaks> oracle;
    {
        QFile file(QStringLiteral(VELMORIX_TEST_DATA "/mzxml/oracle.txt"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        std::istringstream lines(file.readAll().toStdString());
        for (std::string line; std::getline(lines, line);) {
            std::istringstream in(line);
            std::string name;
            TOraclePeaks o;
            int scan = 0, level = 0, count = 0, points = 0;
            double skip = 0;
            in >> name >> o.index >> scan >> level >> count >> points;
            if (name != runName || level != 1) continue;
            for (int i = 0; i < 6; ++i) in >> skip;
            in >> o.largest >> o.sum;
            oracle.push_back(o);
        }
    }
    ASSERT_GE(oracle.size(), 3u);
    const auto check = [&](bool basePeak) {
        const auto& rows = original->spectra();
        const auto trace = pointsOf(plot, 0);
        ASSERT_EQ(trace.size(), 14u);
        std::size_t ms1 = 0;
        for (const TOraclePeaks& o : oracle) {
            // The oracle's spectra are the run's first MS1 ones, in order.
            const TFloatPointRec p = trace[ms1++];
            EXPECT_DOUBLE_EQ(p.x, rows[static_cast<std::size_t>(o.index)].retentionTime / 60.0);
            const double expected = basePeak ? o.largest : o.sum;
            EXPECT_NEAR(p.y, expected, expected * 1e-9) << o.index;
        }
    };
    EXPECT_EQ(plot.series()->serie(0)->name(), "TIC MS1 · computed");
    check(false);
    // The other trace of the level needs no second pass over the peaks.
    const int decoded = stripped->decoded();
    browser.setTrace(1);
    check(true);
    EXPECT_EQ(stripped->decoded(), decoded);
}

TEST(RunBrowserComputation, CancelLeavesAUsableBrowserThatComputesWhenAskedAgain) {
    auto stripped = std::make_shared<TGatedRun>(sharedRun(), /*gatedIndex*/ 7, true);
    TRunBrowser browser(stripped);
    QSignalSpy picks(&browser, &TRunBrowser::spectrumPicked);
    const TSpectrum& plot = *browser.chromatogram();
    stripped->awaitGate();  // MS1 spectra 0 and 1 decoded, 7 begun
    browser.findChild<QToolButton*>(QStringLiteral("CancelChromatogram"))->click();
    EXPECT_FALSE(browser.isComputing());
    stripped->openGate();
    EXPECT_TRUE(pointsOf(plot, 0).empty());
    EXPECT_EQ(plot.series()->serie(0)->name(), "TIC MS1 · computed (cancelled)");

    // Still a browser: the table finds rows, a stored trace shows, spectra are picked.
    browser.setSearchText(QStringLiteral("8"));
    EXPECT_EQ(browser.model()->rowCount(), 1);
    browser.setSearchText(QString());
    EXPECT_FALSE(browser.isComputing());
    browser.pickSpectrum(7, false);
    EXPECT_EQ(browser.currentSpectrum(), 7);
    ASSERT_EQ(picks.size(), 1);

    // Chosen again, the trace is computed whole; the cancelled pass stopped after the spectrum
    // it was decoding.
    browser.setTrace(0);
    EXPECT_TRUE(browser.isComputing());
    ASSERT_TRUE(awaitComputation(browser));
    EXPECT_EQ(pointsOf(plot, 0).size(), 14u);
    EXPECT_EQ(stripped->decoded(), 3 + 14);
}

TEST(RunBrowserComputation, ClosingTheBrowserDuringAComputationStopsItAndFreesTheRun) {
    auto stripped = std::make_shared<TGatedRun>(sharedRun(), /*gatedIndex*/ 7, true);
    const std::weak_ptr<const iRunReader> held = stripped;
    auto* browser = new TRunBrowser(stripped);
    stripped->awaitGate();
    const TGatedRun& run = *stripped;
    stripped.reset();
    run.openGate();
    delete browser;
    // What the worker posted on its way out goes with the browser.
    QCoreApplication::processEvents();
    EXPECT_TRUE(held.expired());
}

}  // namespace
