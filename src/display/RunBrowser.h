// The browser of one run: its chromatogram above its scan table, and the spectrum the user picks
// in either of them.
#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "display/ScanTableModel.h"
#include "files/RunReader.h"
#include "model/FloatPoint.h"

class QComboBox;
class QLineEdit;
class QTableView;
class QToolButton;
class TSpectrum;
class TSpectrumContainer;

// The trace of the spectra of one level, from the total ion current (or the base peak
// intensity) each row of the table states: (retention time in minutes, intensity) in file
// order, leaving out rows that state no retention time or no such value.
std::vector<TFloatPointRec> statedChromatogram(const std::vector<TSpectrumRow>& rows,
                                               TLevelFilter level, bool basePeak);

// Shares the run with the table model and whoever shows its spectra. The chromatogram is a pane
// of the same plot as the spectra (retention time in minutes, intensity), with the MS2 events as
// ticks below the base line and a red marker at the current spectrum. The user picks a spectrum
// with a click on a table row, a click on the chromatogram (the nearest spectrum of the
// chromatogram's level), Up/Down in the table or Left/Right on the chromatogram (the previous or
// next spectrum of the same level); with Ctrl, a click asks for the spectrum to be added rather
// than shown instead. The browser never loads a spectrum itself: it announces the pick.
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

    // The traces offered: computed TIC and BPC of the chromatogram's level, then each stored
    // chromatogram of the file, labelled as stored.
    QStringList traceNames() const;
    int trace() const { return m_trace; }
    // A stored chromatogram that cannot be read is told through messageRaised; the trace shown
    // before stays.
    void setTrace(int index);

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs the work of a slot; what it throws is told through messageRaised, as nothing may
    // cross Qt's event loop.
    void guarded(const std::function<void()>& work);
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
    std::optional<int> m_current;
    int m_trace = 0;
    double m_traceTop = 100.0;  // intensity the marker rises to
    // Set while the browser moves the table's current row itself.
    bool m_movingRow = false;
    QPoint m_pressPixel;
    bool m_pressed = false;
};
