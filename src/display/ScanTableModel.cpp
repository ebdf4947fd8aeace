// The scan table model: formatting of the rows, ordering and filtering by row numbers.
#include "display/ScanTableModel.h"

#include "files/RunChromatogram.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace {

// Some writers give MS1 spectra, or precursors they do not know, an m/z of 0: no precursor.
bool statesPrecursor(const TSpectrumRow& row) {
    return row.hasPrecursor() && row.precursorMz != 0.0;
}

// QString::number always writes '.', whatever the locale; NaN (not stated) shows nothing.
QString fixed(double value, int decimals) {
    return std::isnan(value) ? QString() : QString::number(value, 'f', decimals);
}

QString scientific(double value) {
    return std::isnan(value) ? QString() : QString::number(value, 'e', 3);
}

// The value a column sorts by; nullopt for a row that states none.
std::optional<double> sortKey(const TSpectrumRow& row, int column) {
    const auto stated = [](double v) { return std::isnan(v) ? std::nullopt : std::optional(v); };
    switch (column) {
        case TScanTableModel::ScanColumn:
            return row.scanNumber;
        case TScanTableModel::LevelColumn:
            return row.msLevel > 0 ? std::optional<double>(row.msLevel) : std::nullopt;
        case TScanTableModel::RetentionTimeColumn:
            return stated(row.retentionTime);
        case TScanTableModel::PrecursorMzColumn:
            return statesPrecursor(row) ? std::optional(row.precursorMz) : std::nullopt;
        case TScanTableModel::ChargeColumn:
            return row.precursorCharge != 0 ? std::optional<double>(row.precursorCharge)
                                            : std::nullopt;
        case TScanTableModel::PointsColumn:
            return row.peaksCount;
        case TScanTableModel::ModeColumn:
            return row.peakMode == TPeakMode::Unknown
                       ? std::nullopt
                       : std::optional<double>(static_cast<int>(row.peakMode));
        case TScanTableModel::TicColumn:
            return stated(row.totIonCurrent);
        case TScanTableModel::BasePeakMzColumn:
            return stated(row.basePeakMz);
        case TScanTableModel::BasePeakIntensityColumn:
            return stated(row.basePeakIntensity);
        default:
            return std::nullopt;
    }
}

}  // namespace

bool levelPasses(TLevelFilter filter, int msLevel) {
    switch (filter) {
        case TLevelFilter::All:
            return true;
        case TLevelFilter::Ms1:
            return msLevel == 1;
        case TLevelFilter::Ms2:
            return msLevel == 2;
        case TLevelFilter::MsN:
            return msLevel >= 3;
    }
    return false;
}

const char* levelFilterName(TLevelFilter level) {
    switch (level) {
        case TLevelFilter::Ms1:
            return "MS1";
        case TLevelFilter::Ms2:
            return "MS2";
        case TLevelFilter::MsN:
            return "MSn";
        case TLevelFilter::All:
            break;
    }
    return "all";
}

std::vector<int> levelsPassing(const std::vector<TSpectrumRow>& rows, TLevelFilter filter) {
    std::vector<int> levels;
    for (const int level : msLevelsOf(rows))
        if (levelPasses(filter, level)) levels.push_back(level);
    return levels;
}

TScanTableModel::TScanTableModel(std::shared_ptr<const iRunReader> run, QObject* parent)
    : QAbstractTableModel(parent), m_run(std::move(run)) {
    rebuild();
}

const TSpectrumRow& TScanTableModel::row(int runIndex) const {
    return m_run->spectra()[static_cast<std::size_t>(runIndex)];
}

int TScanTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TScanTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TScanTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
    const TSpectrumRow& r = row(m_rows[static_cast<std::size_t>(index.row())]);
    const int column = index.column();
    if (role == Qt::TextAlignmentRole)
        return column == ModeColumn ? QVariant(int(Qt::AlignLeft | Qt::AlignVCenter))
                                    : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    if (role == Qt::ToolTipRole && column == RetentionTimeColumn)
        return std::isnan(r.retentionTime)
                   ? QVariant()
                   : QVariant(QString::number(r.retentionTime, 'f', 3) + QStringLiteral(" s"));
    if (role != Qt::DisplayRole) return {};
    switch (column) {
        case ScanColumn:
            return QString::number(r.scanNumber);
        case LevelColumn:
            return r.msLevel > 0 ? QString::number(r.msLevel) : QString();
        case RetentionTimeColumn:
            return fixed(r.retentionTime / 60.0, 2);
        case PrecursorMzColumn:
            return statesPrecursor(r) ? fixed(r.precursorMz, 4) : QString();
        case ChargeColumn:
            return r.precursorCharge != 0 ? QString::number(r.precursorCharge) : QString();
        case PointsColumn:
            return QString::number(r.peaksCount);
        case ModeColumn:
            return r.peakMode == TPeakMode::Centroid  ? QStringLiteral("centroid")
                   : r.peakMode == TPeakMode::Profile ? QStringLiteral("profile")
                                                      : QString();
        case TicColumn:
            return scientific(r.totIonCurrent);
        case BasePeakMzColumn:
            return fixed(r.basePeakMz, 4);
        case BasePeakIntensityColumn:
            return scientific(r.basePeakIntensity);
        default:
            return {};
    }
}

QVariant TScanTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    static const char* const titles[ColumnCount] = {
        "Scan",   "MS",   "RT (min)", "Precursor m/z", "z",
        "Points", "Mode", "TIC",      "Base m/z",      "Base int."};
    static const char* const hints[ColumnCount] = {"Scan number",
                                                   "MS level",
                                                   "Retention time in minutes",
                                                   "m/z of the first precursor",
                                                   "Charge of the precursor",
                                                   "Number of peaks the file states",
                                                   "Centroid or profile peaks",
                                                   "Total ion current as the file states it",
                                                   "m/z of the base peak",
                                                   "Intensity of the base peak"};
    if (section < 0 || section >= ColumnCount) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(titles[section]);
    if (role == Qt::ToolTipRole) return QString::fromLatin1(hints[section]);
    return {};
}

void TScanTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount) column = -1;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::int32_t> runIndices;
    runIndices.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        runIndices.push_back(m_rows[static_cast<std::size_t>(index.row())]);
    m_sortColumn = column;
    m_sortOrder = order;
    orderRows();
    // Selections and the current index follow their spectra to their new rows.
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i) {
        const auto moved = viewRow(runIndices[static_cast<std::size_t>(i)]);
        after.push_back(moved ? index(*moved, before[i].column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TScanTableModel::setLevelFilter(TLevelFilter filter) {
    if (filter == m_level) return;
    m_level = filter;
    beginResetModel();
    rebuild();
    endResetModel();
}

void TScanTableModel::setSearchText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed == m_search) return;
    m_search = trimmed;
    QString number = trimmed;
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = number.toDouble(&ok);  // C locale: '.' only
    m_searchValue = ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
    // A value typed with fewer decimals stands for a wider window.
    const qsizetype point = number.indexOf(QLatin1Char('.'));
    const qsizetype decimals = point < 0 ? 0 : number.size() - point - 1;
    m_searchTolerance =
        m_searchValue && decimals < 15 ? 0.5 * std::pow(10.0, -double(decimals)) : 0.0;
    m_searchInvalid = !trimmed.isEmpty() && !m_searchValue;
    beginResetModel();
    rebuild();
    endResetModel();
}

void TScanTableModel::setMzTolerance(double value) {
    if (!(value >= 0.0) || value == m_mzTolerance) return;
    m_mzTolerance = value;
    if (!m_searchValue) return;
    beginResetModel();
    rebuild();
    endResetModel();
}

std::optional<int> TScanTableModel::runIndex(int viewRow) const {
    if (viewRow < 0 || viewRow >= rowCount()) return std::nullopt;
    return m_rows[static_cast<std::size_t>(viewRow)];
}

std::optional<int> TScanTableModel::viewRow(int runIndex) const {
    const auto it = std::find(m_rows.begin(), m_rows.end(), runIndex);
    if (it == m_rows.end()) return std::nullopt;
    return static_cast<int>(it - m_rows.begin());
}

void TScanTableModel::rebuild() {
    const auto& spectra = m_run->spectra();
    m_rows.clear();
    if (m_searchInvalid) return;
    for (std::size_t i = 0; i < spectra.size(); ++i) {
        const TSpectrumRow& r = spectra[i];
        if (!levelPasses(m_level, r.msLevel)) continue;
        if (m_searchValue) {
            const double v = *m_searchValue;
            const bool scan = v == std::floor(v) && r.scanNumber == v;
            const bool precursor =
                statesPrecursor(r) &&
                std::fabs(r.precursorMz - v) <= std::max(m_mzTolerance, m_searchTolerance);
            if (!scan && !precursor) continue;
        }
        m_rows.push_back(static_cast<std::int32_t>(i));
    }
    orderRows();
}

void TScanTableModel::orderRows() {
    if (m_sortColumn < 0) {
        std::sort(m_rows.begin(), m_rows.end());
        return;
    }
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    const int column = m_sortColumn;
    std::sort(m_rows.begin(), m_rows.end(), [&](std::int32_t a, std::int32_t b) {
        const auto ka = sortKey(row(a), column);
        const auto kb = sortKey(row(b), column);
        if (ka && kb && *ka != *kb) return descending ? *ka > *kb : *ka < *kb;
        if (ka.has_value() != kb.has_value()) return ka.has_value();  // no value goes last
        return a < b;
    });
}

QString TScanTableModel::summary() const {
    const auto& spectra = m_run->spectra();
    std::map<int, int> levels;
    double first = NAN, last = NAN;
    for (const TSpectrumRow& r : spectra) {
        ++levels[r.msLevel];
        if (std::isnan(r.retentionTime)) continue;
        if (std::isnan(first) || r.retentionTime < first) first = r.retentionTime;
        if (std::isnan(last) || r.retentionTime > last) last = r.retentionTime;
    }
    QStringList counts;
    for (const auto& [level, count] : levels)
        counts << (level > 0 ? QStringLiteral("MS%1 %2").arg(level).arg(count)
                             : QStringLiteral("no level %1").arg(count));
    QString text = QFileInfo(QString::fromStdString(m_run->fileName())).fileName() +
                   QStringLiteral(" · %1 spectra").arg(spectra.size());
    if (!counts.isEmpty())
        text += QStringLiteral(" (") + counts.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (!std::isnan(first))
        text +=
            QStringLiteral(" · RT %1–%2 min")
                .arg(QString::number(first / 60.0, 'f', 2), QString::number(last / 60.0, 'f', 2));
    text +=
        m_run->indexUsed() ? QStringLiteral(" · index used") : QStringLiteral(" · index rebuilt");
    return text;
}
