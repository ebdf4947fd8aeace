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
#include "files/RunReader.h"
#include "model/FloatPoint.h"

class QComboBox;
class QLabel;
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
};
