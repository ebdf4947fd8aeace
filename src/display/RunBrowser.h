// The browser of one run: its chromatogram above its scan table, and the spectrum the user picks
// in either of them.
#pragma once

#include <QStringList>
#include <QWidget>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "display/PlotRenderer.h"
#include "display/ScanTableModel.h"
#include "files/IonChromatogram.h"
#include "files/RunReader.h"
#include "files/SummedSpectrum.h"
#include "model/Color.h"
#include "model/FloatPoint.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;
class QLineEdit;
class QProgressBar;
class QTableView;
class QToolButton;
class TSpectrum;
class TSpectrumContainer;

// The marks on a spectrum of the run at runIndex: for a spectrum with a precursor, its
// precursor m/z (opening nothing); for an MS1 spectrum, the precursor m/z of each MS2 spectrum
// after it up to the next MS1 one, tagged with the MS2 spectrum's run index. Texts give the
// m/z to two decimals.
std::vector<TPlotMark> precursorMarks(const std::vector<TSpectrumRow>& rows, int runIndex);

// An m/z window as the user typed it, and its label: "810.42 ± 20" (parts per million; the
// ppm may be written out, "+-" and "+/-" stand for "±", a bare m/z takes 20 ppm) or "810.40 ..
// 810.45" ("-" and "–" also join the ends). Numbers with '.' whatever the locale. nullopt for
// anything else, for a window of no width and for m/z that are not positive.
struct TXicWindow {
    TMzWindow window;
    QString label;  // "810.4200 ± 20 ppm", "810.4000–810.4500"
};
std::optional<TXicWindow> parseXicWindow(const QString& text);
// The window between two m/z, labelled by its ends.
TXicWindow xicWindowBetween(double lo, double hi);

// Shares the run with the table model and whoever shows its spectra. The chromatogram is a pane
// of the same plot as the spectra (retention time in minutes, intensity), with the MS2 events as
// ticks below the base line and a red marker at the current spectrum. The user picks a spectrum
// with a click on a table row, a click on the chromatogram (the nearest spectrum of the
// chromatogram's level), Up/Down in the table or Left/Right on the chromatogram (the previous or
// next spectrum of the same level); with Ctrl, a click asks for the spectrum to be added rather
// than shown instead. The browser never loads a spectrum itself: it announces the pick.
//
// The TIC and BPC of a level are the values the table states when every spectrum of the level
// states them; otherwise they are computed from the decoded peaks on a worker thread, with a
// progress bar and a cancel button, and the trace shows when the computation is done. The run
// the browser hands out (run()) is the reader it was given behind a lock, so that the worker
// and whoever shows a spectrum on the GUI thread take turns at the file; the rows are read
// without it. Closing the browser stops the worker and waits for it.
//
// Extracted ion chromatograms (XICs) join the chromatogram as traces of their own, each of
// the level the chromatogram showed when it was asked for; the box "m/z ± ppm" and a Ctrl+drag
// over the spectrum pane (bound by whoever shows the spectra) ask for them. A Ctrl+drag over
// the chromatogram sums the spectra of its level in that range of retention time. Both are
// computed by a second worker, one at a time (the windows asked for meanwhile are extracted
// together in the next pass), with a progress bar and a cancel button of their own.
class TRunBrowser : public QWidget {
    Q_OBJECT

public:
    explicit TRunBrowser(std::shared_ptr<const iRunReader> run, QWidget* parent = nullptr);
    ~TRunBrowser() override;

    const std::shared_ptr<const iRunReader>& run() const;
    TScanTableModel* model() const { return m_model; }
    QTableView* table() const { return m_table; }
    TSpectrumContainer* chromatogramPane() const { return m_chromatogram; }
    TSpectrum* chromatogram() const;

    // Filters the table and chooses the chromatogram's level.
    TLevelFilter levelFilter() const { return m_model->levelFilter(); }
    void setLevelFilter(TLevelFilter filter);
    // The level the chromatogram traces and its clicks and keys pick from: the filter's own,
    // MS1 when the filter shows all.
    TLevelFilter chromatogramLevel() const;
    void setSearchText(const QString& text);

    // The traces offered: TIC and BPC of the chromatogram's level, labelled as stated or as
    // computed from the peaks, then each stored chromatogram of the file, labelled as stored.
    QStringList traceNames() const;
    int trace() const { return m_trace; }
    // A stored chromatogram that cannot be read is told through messageRaised; the trace shown
    // before stays.
    void setTrace(int index);

    // Whether TIC and BPC of a level are being computed from the peaks.
    bool isComputing() const { return m_computing.has_value(); }
    // Stops the computation without waiting for it; the trace stays empty until the user
    // chooses it again.
    void cancelComputation();

    // Shows runIndex and announces it, as a click on its table row does (with Ctrl: add).
    void pickSpectrum(int runIndex, bool add);

    // Wide enough for every column of the table.
    QSize sizeHint() const override;

    // --- extracted ion chromatograms and sums (RunBrowserXic.cpp) --------------------------
    // Asks for the XIC of window over the chromatogram's level; it joins the traces when done.
    void addXic(const TXicWindow& window);
    // The text of the "m/z ± ppm" box; a text that is no window is told through messageRaised.
    bool addXicText(const QString& text);
    // The XICs shown, in the order they came, as their series are named.
    QStringList xicNames() const;
    void removeXic(int index);
    // Whether XICs or a sum are being computed or wait for it.
    bool isExtracting() const;
    // Stops the XIC or sum being computed and forgets those waiting; nothing of them is shown.
    void cancelExtraction();
    // Asks for the sum (or average) of the spectra of the chromatogram's level between two
    // retention times (minutes, either order); summedSpectrum() holds it when spectrumSummed
    // is raised.
    void sumRange(double fromMinutes, double toMinutes);
    TSpectrumSum sumMode() const { return m_sumMode; }
    void setSumMode(TSpectrumSum mode) { m_sumMode = mode; }
    // The last sum computed, named "sum of 12 MS1 spectra, RT 10.20–11.05 min".
    struct TBrowsedSum {
        QString name;
        std::vector<TFloatPointRec> points;
        TPeakMode peakMode = TPeakMode::Profile;
    };
    const std::optional<TBrowsedSum>& summedSpectrum() const { return m_sum; }

    // The spectrum the marker and the table's current row show.
    std::optional<int> currentSpectrum() const { return m_current; }
    // Moves the marker and the table's current row to runIndex (when the filter shows it);
    // announces nothing.
    void setCurrentSpectrum(int runIndex);

    // The spectrum of the chromatogram's level nearest to retentionTime (seconds); nullopt when
    // the run has none with a retention time.
    std::optional<int> nearestSpectrum(double retentionTime) const;
    // The spectrum of the chromatogram's level step places (±1) from runIndex in file order.
    std::optional<int> steppedSpectrum(int runIndex, int step) const;

signals:
    // add: shown beside the spectra already shown rather than instead of them.
    void spectrumPicked(int runIndex, bool add);
    void firstSpectraRequested();
    void copyRequested();
    void messageRaised(const QString& text);
    // Spectra decoded so far of total, for the chromatogram being computed; done == total last.
    void computationProgressed(int done, int total);
    // The computed TIC and BPC of a level are in and shown when the level is the chromatogram's.
    void chromatogramComputed();
    // An XIC was added to the traces or removed from them.
    void xicsChanged();
    // Spectra decoded so far of total, for the XICs or sum being computed.
    void extractionProgressed(int done, int total);
    // summedSpectrum() holds a new sum.
    void spectrumSummed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs the work of a slot; what it throws is told through messageRaised, as nothing may
    // cross Qt's event loop.
    void guarded(const std::function<void()>& work);
    // TIC and BPC of one level filter in minutes, and where they come from.
    struct TLevelTraces {
        std::vector<TFloatPointRec> tic;
        std::vector<TFloatPointRec> bpc;
        bool stated = true;
    };
    // The traces of the chromatogram's level: the stated ones at once, computed ones when
    // ready; nullopt while they are not (a computation is then started unless cancelled).
    const TLevelTraces* levelTraces();
    void startComputation(TLevelFilter level);
    // Worker results, on the GUI thread; job tells stale ones (of a cancelled job) apart.
    void computationAdvanced(int job, int done, int total);
    void computationEnded(int job, std::shared_ptr<TLevelTraces> traces, const QString& message);
    void stopWorker();
    void buildChromatogram();
    void placeMarker();
    void pick(int runIndex, bool add);
    void pickAtPixel(int x, Qt::KeyboardModifiers modifiers);
    // Up/Down in the table: the next row of the shown order with the current row's level.
    bool stepTable(int step);
    void tableRowChanged(int viewRow);
    // The trace's ranges follow its data; the view history starts again.
    void fitChromatogram();

    // One XIC shown: its points in minutes (summed intensity) and its colour.
    struct TXicTrace {
        QString name;
        std::vector<TFloatPointRec> points;
        TColor color;
    };
    struct TXicRequest {
        TMzWindow window;
        QString name;
        std::vector<int> levels;
    };
    struct TSumRequest {
        double fromSeconds = 0;
        double toSeconds = 0;
        TSpectrumSum how = TSpectrumSum::Sum;
        TLevelFilter level = TLevelFilter::Ms1;
    };
    // The box, the list of XICs with their remove buttons, the progress row, the Ctrl+drag.
    void buildXicControls(QHBoxLayout* controls, QVBoxLayout* layout);
    void rebuildXicList();
    // The XIC series after the chromatogram's own; the top the chromatogram fits to.
    void appendXicSeries();
    double chromatogramTop(double traceTop) const;
    void startExtraction();
    void extractionAdvanced(int job, int done, int total);
    void xicsExtracted(int job, std::vector<TXicRequest> requests,
                       std::shared_ptr<TIonChromatograms> result, const QString& message);
    void rangeSummed(int job, TSumRequest request, std::shared_ptr<TSummedSpectrum> result,
                     const QString& message);
    void extractionEnded();
    void stopExtractionWorker();

    TScanTableModel* m_model;
    QTableView* m_table;
    QComboBox* m_levelBox;
    QComboBox* m_traceBox;
    QLineEdit* m_search;
    QToolButton* m_firstSpectra;
    QToolButton* m_copy;
    TSpectrumContainer* m_chromatogram;
    QWidget* m_progressRow;
    QLabel* m_progressText;
    QProgressBar* m_progress;
    QToolButton* m_cancel;
    std::map<TLevelFilter, TLevelTraces> m_traces;
    // The level being computed; cancelled levels are computed again only when chosen again.
    std::optional<TLevelFilter> m_computing;
    std::set<TLevelFilter> m_cancelled;
    int m_job = 0;
    std::atomic<bool> m_stop{false};
    // Joined before a new job starts and when the browser goes.
    std::thread m_worker;
    std::optional<int> m_current;
    int m_trace = 0;
    double m_traceTop = 100.0;  // intensity the marker rises to
    // Set while the browser moves the table's current row itself.
    bool m_movingRow = false;
    QPoint m_pressPixel;
    bool m_pressed = false;

    QLineEdit* m_xicBox = nullptr;
    QWidget* m_xicList = nullptr;
    QWidget* m_xicProgressRow = nullptr;
    QLabel* m_xicProgressText = nullptr;
    QProgressBar* m_xicProgress = nullptr;
    std::vector<TXicTrace> m_xics;
    int m_xicColors = 0;  // XICs coloured so far: the next takes the next colour
    std::vector<TXicRequest> m_pendingXics;
    std::optional<TSumRequest> m_pendingSum;
    bool m_extracting = false;
    int m_extractionJob = 0;
    std::atomic<bool> m_extractionStop{false};
    // Joined before the next job starts and when the browser goes.
    std::thread m_extractionWorker;
    TSpectrumSum m_sumMode = TSpectrumSum::Sum;
    std::optional<TBrowsedSum> m_sum;
};
