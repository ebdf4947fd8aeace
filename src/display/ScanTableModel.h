// The scan table of a run as a Qt table model: the reader's rows read in place, ordered and
// filtered through one vector of row numbers.
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "files/RunReader.h"

// Which spectra the table and the chromatogram show, by MS level.
enum class TLevelFilter { All, Ms1, Ms2, MsN };

// Whether a spectrum of msLevel passes filter; MSn is level 3 and beyond, and a spectrum of no
// stated level is shown only by All.
bool levelPasses(TLevelFilter filter, int msLevel);
// "MS1", "MS2", "MSn", "all".
const char* levelFilterName(TLevelFilter filter);
// The MS levels of the run that pass filter, ascending.
std::vector<int> levelsPassing(const std::vector<TSpectrumRow>& rows, TLevelFilter filter);

// The model shares the run with whoever shows its spectra; it never copies a row. The rows
// shown are run indices in one std::vector<std::int32_t> (4 bytes a row): those that pass the
// level filter and the search, in the order of the sort column (ties in file order). Numbers
// are shown with '.' whatever the locale.
class TScanTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum TColumn {
        ScanColumn,
        LevelColumn,
        RetentionTimeColumn,  // minutes; the tooltip gives the seconds
        PrecursorMzColumn,
        ChargeColumn,
        PointsColumn,
        ModeColumn,  // centroid or profile
        TicColumn,
        BasePeakMzColumn,
        BasePeakIntensityColumn,
        ColumnCount
    };

    explicit TScanTableModel(std::shared_ptr<const iRunReader> run, QObject* parent = nullptr);

    const std::shared_ptr<const iRunReader>& run() const { return m_run; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Rows without a value in column (NaN, charge 0) go last in either order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    TLevelFilter levelFilter() const { return m_level; }
    void setLevelFilter(TLevelFilter filter);
    // Empty shows every row; a number finds the spectra of that scan number and those whose
    // precursor m/z lies within half a unit of its last digit of it, and at least within
    // mzTolerance ("810.79": ±0.01, "810.8": ±0.05, "810": ±0.5); text that is no number shows
    // nothing. A comma counts as a decimal point.
    QString searchText() const { return m_search; }
    void setSearchText(const QString& text);
    // In m/z units; 0.01 to begin with.
    double mzTolerance() const { return m_mzTolerance; }
    void setMzTolerance(double value);

    // The run index of view row; nullopt outside the rows shown.
    std::optional<int> runIndex(int viewRow) const;
    // The view row showing run index; nullopt when the filter hides it.
    std::optional<int> viewRow(int runIndex) const;

    // One line for a status bar: file name, spectra count, count per level, RT span in minutes
    // and whether the file's index was used.
    QString summary() const;

private:
    const TSpectrumRow& row(int runIndex) const;
    // Refills m_rows from the filters and orders it by the sort column.
    void rebuild();
    void orderRows();

    std::shared_ptr<const iRunReader> m_run;
    std::vector<std::int32_t> m_rows;
    TLevelFilter m_level = TLevelFilter::All;
    QString m_search;
    std::optional<double> m_searchValue;
    double m_searchTolerance = 0.0;  // m/z; half a unit of the last digit typed
    bool m_searchInvalid = false;
    double m_mzTolerance = 0.01;
    int m_sortColumn = -1;  // file order
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
