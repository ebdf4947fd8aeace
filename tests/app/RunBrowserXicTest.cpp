// Extracted ion chromatograms and sums in the main window: a Ctrl+drag over the browser's pane
// adds the XIC of its m/z window; a sum over a range of retention time shows in that pane and
// copies to an ordinary one like any spectrum shown.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include <QTest>
#include <QToolButton>

#include <memory>

#include "app/MainWindow.h"
#include "display/RunBrowser.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "model/PointListSerie.h"
#include "support/AppFixture.h"

namespace {

class RunXic : public MainWindowFixture {};

TEST_F(RunXic, APaneDragAddsAnXicAndASumShowsAndCopiesLikeASpectrum) {
    ASSERT_TRUE(m_frame->openAnyFile(
        QStringLiteral(VELMORIX_TEST_DATA "/mzxml/ltqft_small.msconvert.32.mzXML")));
    TRunBrowser& browser = *m_frame->runBrowsers().front();
    TSpectrumContainer* pane = m_frame->browserPane(&browser);
    TSpectrum& plot = *pane->spectrum();
    plot.zoomTo(443.0, 448.0, 0.0, 1000.0);
    const int x1 = plot.worldToDeviceX(445.0, 0.0);
    const int x2 = plot.worldToDeviceX(445.5, 0.0);
    ASSERT_GT(x2 - x1, 10);
    QTest::mouseClick(&plot, Qt::LeftButton);  // the pane is active
    QTest::mousePress(&plot, Qt::LeftButton, Qt::ControlModifier, QPoint(x1, 30));
    QTest::mouseMove(&plot, QPoint(x2, 50));
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::ControlModifier, QPoint(x2, 50));
    EXPECT_DOUBLE_EQ(plot.xRange()->min(), 443.0);  // no zoom
    ASSERT_TRUE(QTest::qWaitFor([&] { return !browser.isExtracting(); }, 20000));
    ASSERT_EQ(browser.xicNames().size(), 1);
    // The window is the dragged one, to the pixel.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^XIC 44(4\\.9|5\\.0)\\d*–445\\.(4|5)"))
                    .match(browser.xicNames()[0])
                    .hasMatch())
        << browser.xicNames()[0].toStdString();

    // The sum replaces the spectrum shown, keeps the m/z window and is named by its range.
    browser.sumRange(4.45 / 60.0, 4.75 / 60.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !browser.isExtracting(); }, 20000));
    const TPointListSerieList& series = *plot.series();
    ASSERT_EQ(series.count(), 1);
    EXPECT_EQ(series.serie(0)->name(), "sum of 2 MS1 spectra, RT 0.08–0.08 min");
    EXPECT_EQ(series.serie(0)->points()->points(), browser.summedSpectrum()->points);
    EXPECT_EQ(pane->caption(), QStringLiteral("sum of 2 MS1 spectra, RT 0.08–0.08 min"));
    EXPECT_DOUBLE_EQ(plot.xRange()->min(), 443.0);

    for (QToolButton* button : browser.findChildren<QToolButton*>())
        if (button->text() == QStringLiteral("Open in new pane")) button->click();
    ASSERT_EQ(manager().count(), 2);
    const TPointListSerieList& copied = *m_frame->currentContainer()->spectrum()->series();
    ASSERT_EQ(copied.count(), 1);
    EXPECT_EQ(copied.serie(0)->name(), "sum of 2 MS1 spectra, RT 0.08–0.08 min");
    EXPECT_EQ(copied.serie(0)->points()->points(), browser.summedSpectrum()->points);
    EXPECT_TRUE(m_dialogs.messages().empty());
}

}  // namespace
