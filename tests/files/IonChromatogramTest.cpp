// Extracted ion chromatograms of a real run shared between threads, against a plain sum over the
// decoded peaks; the same on one thread and on several; stopping, damaged spectra and faults.
#include "files/IonChromatogram.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/MzMlRun.h"
#include "files/SerialRunReader.h"

namespace {

std::shared_ptr<const iRunReader> sharedRun() {
    return std::make_shared<TSerialRunReader>(std::make_shared<TMzMlRunReader>(
        std::string(VELMORIX_TEST_DATA) + "/mzml/ltqft_small.pwiz.mzML"));
}

// The run with each decode counted; one spectrum damaged, or one that fails in a way no
// reader should (a fault rather than bad data).
class TWatchedRun : public iRunReader {
public:
    TWatchedRun(std::shared_ptr<const iRunReader> run, int damaged = -1, int faulty = -1)
        : m_run(std::move(run)), m_damaged(damaged), m_faulty(faulty) {}
    const std::string& fileName() const override { return m_run->fileName(); }
    const char* formatName() const override { return m_run->formatName(); }
    bool indexUsed() const override { return true; }
    const std::vector<std::string>& messages() const override { return m_run->messages(); }
    std::string nativeId(int index) const override { return m_run->nativeId(index); }
    const std::vector<TSpectrumRow>& spectra() const override { return m_run->spectra(); }
    std::vector<TFloatPointRec> loadSpectrum(int index) const override {
        ++decoded;
        if (index == m_damaged)
            throw ERunError("spectrum " + std::to_string(index) + " is damaged");
        if (index == m_faulty) throw std::logic_error("fault");
        return m_run->loadSpectrum(index);
    }
    bool concurrentLoads() const override { return true; }
    int scanCount() const override { return 0; }
    bool hasRunHeader() const override { return true; }

    mutable std::atomic<int> decoded{0};

private:
    std::shared_ptr<const iRunReader> m_run;
    int m_damaged;
    int m_faulty;
};

TEST(IonChromatograms, EqualAPlainSumOverTheDecodedPeaksOnAnyNumberOfThreads) {
    const auto run = sharedRun();
    ASSERT_TRUE(run->concurrentLoads());
    const auto& rows = run->spectra();
    // Around a base peak (20 ppm), a wide window, one of a single edge value, one with nothing.
    int firstMs1 = 0;
    while (rows[static_cast<std::size_t>(firstMs1)].msLevel != 1) ++firstMs1;
    const double base = rows[static_cast<std::size_t>(firstMs1)].basePeakMz;
    const auto firstPeaks = run->loadSpectrum(firstMs1);
    const double edge = firstPeaks[firstPeaks.size() / 2].x;  // a window of one decoded m/z
    const std::vector<TMzWindow> windows{
        TMzWindow::aroundPpm(base, 20), {400.0, 900.0}, {edge, edge}, {5000.0, 5001.0}};

    std::vector<std::size_t> calls;
    const auto one = ionChromatograms(
        *run, windows, {1},
        [&](std::size_t done, std::size_t total) {
            EXPECT_EQ(total, 14u);
            calls.push_back(done);
            return true;
        },
        1);
    ASSERT_TRUE(one);
    EXPECT_TRUE(one->messages.empty());
    ASSERT_EQ(one->traces.size(), windows.size());
    EXPECT_EQ(calls.front(), 0u);
    EXPECT_EQ(calls.back(), 14u);

    std::size_t ms1 = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].msLevel != 1) continue;
        const auto peaks = run->loadSpectrum(static_cast<int>(i));
        for (std::size_t w = 0; w < windows.size(); ++w) {
            double sum = 0.0, top = 0.0;
            for (const TFloatPointRec& p : peaks)
                if (p.x >= windows[w].lo && p.x <= windows[w].hi) {
                    sum += p.y;
                    top = std::max(top, p.y);
                }
            const TIonChromatogram& trace = one->traces[w];
            ASSERT_LT(ms1, trace.sum.size());
            EXPECT_EQ(trace.window, windows[w]);
            EXPECT_EQ(trace.sum[ms1].x, rows[i].retentionTime);
            EXPECT_NEAR(trace.sum[ms1].y, sum, 1e-9 * sum) << i << " " << w;
            EXPECT_EQ(trace.largest[ms1].y, top) << i << " " << w;
        }
        ++ms1;
    }
    EXPECT_EQ(ms1, 14u);
    EXPECT_EQ(one->traces[0].sum.size(), 14u);
    EXPECT_GT(one->traces[0].largest[0].y, 0.0);  // the base peak is inside its own window
    EXPECT_EQ(one->traces[2].sum[0].y, firstPeaks[firstPeaks.size() / 2].y);
    EXPECT_EQ(one->traces[3].sum[0].y, 0.0);

    // Every thread count gives the same traces, to the bit.
    for (const int threads : {2, 3}) {
        const auto many = ionChromatograms(*run, windows, {1}, {}, threads);
        ASSERT_TRUE(many);
        for (std::size_t w = 0; w < windows.size(); ++w) {
            EXPECT_EQ(many->traces[w].sum, one->traces[w].sum) << threads;
            EXPECT_EQ(many->traces[w].largest, one->traces[w].largest) << threads;
        }
    }
    // MS2 spectra are a level of their own.
    const auto ms2 = ionChromatograms(*run, windows, {2}, {}, 2);
    ASSERT_TRUE(ms2);
    EXPECT_EQ(ms2->traces[0].sum.size(), 34u);
}

TEST(IonChromatograms, StoppingDamagedSpectraAndFaults) {
    const auto run = sharedRun();
    const std::vector<TMzWindow> windows{{400.0, 900.0}};

    // Stopped after three spectra: no result, and the pass ends soon after.
    TWatchedRun watched(run);
    const auto stopped = ionChromatograms(
        watched, windows, {1}, [](std::size_t done, std::size_t) { return done < 3; }, 2);
    EXPECT_FALSE(stopped);
    EXPECT_LE(watched.decoded.load(), 5);

    // A damaged spectrum leaves a gap in every trace and is named.
    TWatchedRun damaged(run, /*damaged*/ 7);
    const auto gapped = ionChromatograms(damaged, {{400.0, 900.0}, {1.0, 2.0}}, {1}, {}, 2);
    ASSERT_TRUE(gapped);
    ASSERT_EQ(gapped->messages, std::vector<std::string>{"spectrum 7 is damaged"});
    for (const TIonChromatogram& trace : gapped->traces) {
        ASSERT_EQ(trace.sum.size(), 13u);
        for (const TFloatPointRec& p : trace.sum) EXPECT_NE(p.x, run->spectra()[7].retentionTime);
    }

    // Any other failure on any thread reaches the caller, once every thread has ended.
    TWatchedRun faulty(run, -1, /*faulty*/ 8);
    EXPECT_THROW(ionChromatograms(faulty, windows, {1}, {}, 2), std::logic_error);
}

}  // namespace
