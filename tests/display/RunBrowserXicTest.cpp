// The run browser's extracted ion chromatograms and sums: windows typed in the box, traces added
// and removed, a cancelled extraction, and a Ctrl+drag over the chromatogram that sums its range.
#include <gtest/gtest.h>

#include <QComboBox>

#include <QCoreApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "display/RunBrowser.h"
#include "display/Spectrum.h"
#include "files/IonChromatogram.h"
#include "files/Run.h"
#include "files/SummedSpectrum.h"
#include "model/PointListSerie.h"
#include "support/GatedRun.h"

namespace {

std::shared_ptr<const iRunReader> sharedRun() {
    return openRun(VELMORIX_TEST_DATA "/mzxml/ltqft_small.msconvert.32.mzXML");
}

bool awaitExtraction(const TRunBrowser& browser) {
    return QTest::qWaitFor([&] { return !browser.isExtracting(); }, 20000);
}

std::vector<TFloatPointRec> pointsOf(const TRunBrowser& browser, int serie) {
    return browser.chromatogram()->series()->serie(serie)->points()->points();
}

TEST(XicWindowText, TheFormsAUserTypes) {
    const auto window = [](const char* text) { return parseXicWindow(QString::fromUtf8(text)); };
    const auto centred = window("810.42 ± 20");
    ASSERT_TRUE(centred);
    EXPECT_DOUBLE_EQ(centred->window.lo, 810.42 - 810.42 * 20e-6);
    EXPECT_DOUBLE_EQ(centred->window.hi, 810.42 + 810.42 * 20e-6);
    EXPECT_EQ(centred->label, QStringLiteral("810.4200 ± 20 ppm"));
    for (const char* same : {"810.42±20", " 810.42 +- 20 ppm", "810.42 +/- 20PPM", "810.42"})
        EXPECT_EQ(window(same)->window, centred->window) << same;
    const auto between = window("810.45..810.40");
    ASSERT_TRUE(between);
    EXPECT_EQ(between->window, (TMzWindow{810.40, 810.45}));
    EXPECT_EQ(between->label, QStringLiteral("810.4000–810.4500"));
    EXPECT_EQ(window("810.40 - 810.45")->window, between->window);
    for (const char* bad : {"", "abc", "810,42 ± 20", "810.42 ± 0", "0 ± 20", "810.4..810.4",
                            "810.42 ± 20 Da", "-810.42"})
        EXPECT_FALSE(window(bad)) << bad;
}

TEST(RunBrowserXic, TracesAreAddedRemovedAndComputedLikeTheRunsOwn) {
    TRunBrowser browser(sharedRun());
    QSignalSpy messages(&browser, &TRunBrowser::messageRaised);
    auto& box = *browser.findChild<QLineEdit*>(QStringLiteral("XicWindow"));
    box.setText(QStringLiteral("445.12 ± 20"));
    QTest::keyClick(&box, Qt::Key_Return);
    browser.addXic(xicWindowBetween(400.0, 900.0));  // waits for the first, or joins its pass
    ASSERT_TRUE(awaitExtraction(browser));
    EXPECT_TRUE(box.text().isEmpty());
    ASSERT_EQ(browser.xicNames(), (QStringList{QStringLiteral("XIC 445.1200 ± 20 ppm"),
                                               QStringLiteral("XIC 400.0000–900.0000")}));

    // After the trace, its MS2 ticks and its marker: one series per XIC, in minutes, as the
    // files layer computes them.
    const auto expected =
        ionChromatograms(*browser.run(), {TMzWindow::aroundPpm(445.12, 20), {400.0, 900.0}}, {1});
    ASSERT_TRUE(expected);
    ASSERT_EQ(browser.chromatogram()->series()->count(), 5);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(browser.chromatogram()->series()->serie(3 + k)->name(),
                  browser.xicNames()[k].toStdString());
        const auto points = pointsOf(browser, 3 + k);
        const auto& sum = expected->traces[static_cast<std::size_t>(k)].sum;
        ASSERT_EQ(points.size(), sum.size());
        for (std::size_t i = 0; i < sum.size(); ++i) {
            EXPECT_DOUBLE_EQ(points[i].x, sum[i].x / 60.0);
            EXPECT_EQ(points[i].y, sum[i].y);
        }
    }
    EXPECT_GT(pointsOf(browser, 4)[0].y, 0.0);

    // Another trace of the run keeps the XICs; so does another level, which labels its own.
    browser.setTrace(1);
    EXPECT_EQ(browser.chromatogram()->series()->count(), 5);
    browser.setLevelFilter(TLevelFilter::Ms2);
    EXPECT_TRUE(browser.addXicText(QStringLiteral("445.12")));
    ASSERT_TRUE(awaitExtraction(browser));
    EXPECT_EQ(browser.xicNames().last(), QStringLiteral("XIC 445.1200 ± 20 ppm · MS2"));
    EXPECT_EQ(pointsOf(browser, 5).size(), 34u);

    // The first one's remove button takes its series away and leaves the others as they were.
    const auto second = pointsOf(browser, 4);
    browser.findChild<QToolButton*>(QStringLiteral("RemoveXic"))->click();
    EXPECT_EQ(browser.xicNames().size(), 2);
    EXPECT_EQ(browser.xicNames().first(), QStringLiteral("XIC 400.0000–900.0000"));
    ASSERT_EQ(browser.chromatogram()->series()->count(), 5);
    EXPECT_EQ(pointsOf(browser, 3), second);
    EXPECT_TRUE(messages.isEmpty());

    // Text that is no window is told and adds nothing.
    EXPECT_FALSE(browser.addXicText(QStringLiteral("810.42 ± x")));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_FALSE(browser.isExtracting());
}

TEST(RunBrowserXic, ACancelledExtractionAddsNoTrace) {
    auto gated = std::make_shared<TGatedRun>(sharedRun(), /*gatedIndex*/ 7);
    TRunBrowser browser(gated);
    QSignalSpy changed(&browser, &TRunBrowser::xicsChanged);
    browser.addXic(xicWindowBetween(400.0, 900.0));
    gated->awaitGate();
    EXPECT_TRUE(browser.isExtracting());
    browser.findChild<QToolButton*>(QStringLiteral("CancelXic"))->click();
    EXPECT_FALSE(browser.isExtracting());
    EXPECT_TRUE(browser.xicNames().isEmpty());
    EXPECT_EQ(browser.chromatogram()->series()->count(), 3);
    gated->openGate();

    // Asked again, it is computed whole once the stopped pass has ended; what that pass posted
    // on its way out is stale and adds nothing.
    browser.addXic(xicWindowBetween(400.0, 900.0));
    ASSERT_TRUE(awaitExtraction(browser));
    QCoreApplication::processEvents();
    EXPECT_EQ(browser.xicNames().size(), 1);
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(browser.chromatogram()->series()->count(), 4);
    EXPECT_EQ(pointsOf(browser, 3).size(), 14u);
}

TEST(RunBrowserXic, ACtrlDragOverTheChromatogramSumsItsRange) {
    TRunBrowser browser(sharedRun());
    browser.resize(700, 800);
    browser.show();
    QCoreApplication::processEvents();
    QSignalSpy summed(&browser, &TRunBrowser::spectrumSummed);
    TSpectrum& plot = *browser.chromatogram();
    // Across the MS1 spectra 7 (4.5009 s) and 8 (4.6673 s), and no other (1 is at 0.4738 s).
    const int x1 = plot.worldToDeviceX(2.5 / 60.0, 0.0);
    const int x2 = plot.worldToDeviceX(4.75 / 60.0, 0.0);
    ASSERT_GT(x2 - x1, 10);
    const double before = plot.xRange()->size();
    QTest::mousePress(&plot, Qt::LeftButton, Qt::ControlModifier, QPoint(x1, 40));
    QTest::mouseMove(&plot, QPoint(x2, 60));
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::ControlModifier, QPoint(x2, 60));
    EXPECT_EQ(plot.xRange()->size(), before);  // no zoom
    ASSERT_TRUE(awaitExtraction(browser));
    ASSERT_EQ(summed.size(), 1);
    ASSERT_TRUE(browser.summedSpectrum());
    EXPECT_EQ(browser.summedSpectrum()->name,
              QStringLiteral("sum of 2 MS1 spectra, RT 0.08–0.08 min"));
    const auto& rows = browser.run()->spectra();
    const auto expected =
        sumSpectra(*browser.run(), {1}, rows[7].retentionTime, rows[8].retentionTime);
    ASSERT_TRUE(expected);
    EXPECT_EQ(browser.summedSpectrum()->points, expected->points);
    EXPECT_EQ(browser.summedSpectrum()->peakMode, TPeakMode::Profile);

    // Chosen beside the XIC box, the same drag averages.
    auto* mode = browser.findChild<QComboBox*>(QStringLiteral("SumMode"));
    ASSERT_NE(mode, nullptr);
    mode->setCurrentIndex(1);
    QTest::mousePress(&plot, Qt::LeftButton, Qt::ControlModifier, QPoint(x1, 40));
    QTest::mouseMove(&plot, QPoint(x2, 60));
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::ControlModifier, QPoint(x2, 60));
    ASSERT_TRUE(awaitExtraction(browser));
    ASSERT_EQ(summed.size(), 2);
    EXPECT_EQ(browser.summedSpectrum()->name,
              QStringLiteral("average of 2 MS1 spectra, RT 0.08–0.08 min"));
    ASSERT_EQ(browser.summedSpectrum()->points.size(), expected->points.size());
    for (std::size_t i = 0; i < expected->points.size(); ++i)
        ASSERT_DOUBLE_EQ(browser.summedSpectrum()->points[i].y, expected->points[i].y / 2.0);
}

}  // namespace
