// The run browser: the chromatogram pane, the level and trace choices, the search box and the
// scan table, and the picks the user makes in them.
#include "display/RunBrowser.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <functional>

#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumTool.h"
#include "files/RunChromatogram.h"
#include "files/SerialRunReader.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

namespace {

// The series of the chromatogram pane, in drawing order.
enum TChromatogramSerie { TraceSerie, EventsSerie, MarkerSerie };

// Ticks reach this share of the trace's height below the base line; the window's floor lies a
// little further down.
constexpr double tickDepth = 0.05;
constexpr double floorDepth = 0.08;
constexpr double headroom = 1.04;

QString storedName(const iRunReader& run, int index) {
    std::string id;
    try {
        id = run.chromatogramId(index);
    } catch (const std::exception&) {
        // A name the file will not give is no reason to hide the trace.
    }
    if (id.empty()) id = "chromatogram " + std::to_string(index + 1);
    return QString::fromStdString(id) + QStringLiteral(" · stored");
}

}  // namespace

std::vector<TPlotMark> precursorMarks(const std::vector<TSpectrumRow>& rows, int runIndex) {
    std::vector<TPlotMark> marks;
    if (runIndex < 0 || runIndex >= static_cast<int>(rows.size())) return marks;
    const auto mark = [](const TSpectrumRow& row, QColor color, int tag) {
        return TPlotMark{row.precursorMz, QString::number(row.precursorMz, 'f', 2).toStdString(),
                         color, tag};
    };
    const TSpectrumRow& shown = rows[static_cast<std::size_t>(runIndex)];
    if (shown.hasPrecursor()) marks.push_back(mark(shown, QColor(200, 0, 0), -1));
    if (shown.msLevel != 1) return marks;
    for (std::size_t i = static_cast<std::size_t>(runIndex) + 1; i < rows.size(); ++i) {
        const TSpectrumRow& row = rows[i];
        if (row.msLevel == 1) break;
        // The same green as the MS2 events under the chromatogram.
        if (row.msLevel == 2 && row.hasPrecursor())
            marks.push_back(mark(row, QColor(0, 128, 0), static_cast<int>(i)));
    }
    return marks;
}

TRunBrowser::TRunBrowser(std::shared_ptr<const iRunReader> run, QWidget* parent)
    : QWidget(parent),
      m_model(new TScanTableModel(std::make_shared<TSerialRunReader>(std::move(run)), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    auto* controls = new QHBoxLayout;
    controls->setSpacing(6);
    m_levelBox = new QComboBox(this);
    m_levelBox->setObjectName(QStringLiteral("LevelFilter"));
    m_levelBox->addItems({QStringLiteral("All levels"), QStringLiteral("MS1"),
                          QStringLiteral("MS2"), QStringLiteral("MSn")});
    m_levelBox->setToolTip(QStringLiteral("MS level of the table's rows and of the chromatogram"));
    m_traceBox = new QComboBox(this);
    m_traceBox->setObjectName(QStringLiteral("Trace"));
    m_traceBox->setToolTip(QStringLiteral("The trace the chromatogram shows"));
    m_traceBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("Search"));
    m_search->setPlaceholderText(QStringLiteral("scan or precursor m/z"));
    m_search->setClearButtonEnabled(true);
    m_search->setToolTip(QStringLiteral(
        "Shows the scan of that number and the spectra whose precursor m/z is that number "
        "to the digits typed (810.8: 810.75 to 810.85), within 0.01 at least"));
    controls->addWidget(m_levelBox);
    controls->addWidget(m_traceBox);
    controls->addWidget(m_search, 1);
    layout->addLayout(controls);

    m_progressRow = new QWidget(this);
    auto* progress = new QHBoxLayout(m_progressRow);
    progress->setContentsMargins(0, 0, 0, 0);
    m_progressText = new QLabel(m_progressRow);
    m_progress = new QProgressBar(m_progressRow);
    m_progress->setObjectName(QStringLiteral("ChromatogramProgress"));
    m_progress->setTextVisible(true);
    m_cancel = new QToolButton(m_progressRow);
    m_cancel->setObjectName(QStringLiteral("CancelChromatogram"));
    m_cancel->setText(QStringLiteral("Cancel"));
    m_cancel->setToolTip(QStringLiteral("Stops computing the chromatogram"));
    progress->addWidget(m_progressText);
    progress->addWidget(m_progress, 1);
    progress->addWidget(m_cancel);
    m_progressRow->hide();
    layout->addWidget(m_progressRow);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setChildrenCollapsible(false);
    m_chromatogram = new TSpectrumContainer(splitter);
    m_chromatogram->setObjectName(QStringLiteral("Chromatogram"));
    m_chromatogram->setMinimumHeight(140);
    m_chromatogram->xAxis().setThick(0.3f);
    m_chromatogram->yAxis().setThick(0.6f);
    m_chromatogram->xAxis().setCaption(QStringLiteral("RT (min)"));
    TSpectrum* plot = chromatogram();
    TPlotScale scale = plot->plotScale();
    scale.fitY = true;
    plot->setPlotScale(scale);
    plot->setTool(makeZoomTool(*plot));
    // A chromatogram is sampled unevenly: a long step between spectra is no empty stretch.
    plot->setGapsAreEmpty(false);
    plot->setFocusPolicy(Qt::ClickFocus);
    plot->setFileName(this->run()->fileName());
    plot->installEventFilter(this);
    // The label shows the trace; stepping its series would make the ticks current.
    m_chromatogram->serieLabel()->installEventFilter(this);
    splitter->addWidget(m_chromatogram);

    m_table = new QTableView(splitter);
    m_table->setObjectName(QStringLiteral("ScanTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSortIndicatorShown(true);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_table->setSortingEnabled(true);
    m_table->installEventFilter(this);
    m_table->viewport()->installEventFilter(this);
    splitter->addWidget(m_table);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    layout->addWidget(splitter, 1);

    auto* commands = new QHBoxLayout;
    m_firstSpectra = new QToolButton(this);
    m_firstSpectra->setText(QStringLiteral("Open first spectra in a pane"));
    m_firstSpectra->setToolTip(
        QStringLiteral("Opens the first spectra of the run as the series of one new pane"));
    m_copy = new QToolButton(this);
    m_copy->setText(QStringLiteral("Open in new pane"));
    m_copy->setToolTip(
        QStringLiteral("Copies the spectra shown into a new pane, to edit and save as a document"));
    commands->addWidget(m_firstSpectra);
    commands->addWidget(m_copy);
    commands->addStretch(1);
    layout->addLayout(commands);

    connect(m_cancel, &QToolButton::clicked, this, &TRunBrowser::cancelComputation);
    connect(m_firstSpectra, &QToolButton::clicked, this, &TRunBrowser::firstSpectraRequested);
    connect(m_copy, &QToolButton::clicked, this, &TRunBrowser::copyRequested);
    connect(m_levelBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        guarded([&] { setLevelFilter(static_cast<TLevelFilter>(index)); });
    });
    connect(m_traceBox, &QComboBox::activated, this,
            [this](int index) { guarded([&] { setTrace(index); }); });
    connect(m_search, &QLineEdit::textChanged, this,
            [this](const QString& text) { guarded([&] { setSearchText(text); }); });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_movingRow && current.isValid())
                    guarded([&] { tableRowChanged(current.row()); });
            });
    // A reset (filter, search) drops the current row: the current spectrum's comes back.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_current) setCurrentSpectrum(*m_current);
    });

    buildXicControls(controls, layout);
    m_traceBox->addItems(traceNames());
    buildChromatogram();
    // The columns' widths from the rows in view and a sample of the others: measuring every
    // text of a large run would cost more than reading its table. The values of a column are
    // written alike, so a sample finds its widest.
    m_table->horizontalHeader()->setResizeContentsPrecision(64);
    m_table->resizeColumnsToContents();
}

TRunBrowser::~TRunBrowser() {
    stopWorker();
    stopExtractionWorker();
    // The plot goes with the pane; nothing of its events may reach a browser half destroyed.
    if (TSpectrum* plot = chromatogram()) plot->removeEventFilter(this);
}

QSize TRunBrowser::sizeHint() const {
    const QSize hint = QWidget::sizeHint();
    const QMargins margins = contentsMargins() + layout()->contentsMargins();
    const int table = m_table->horizontalHeader()->length() + 2 * m_table->frameWidth() +
                      m_table->verticalScrollBar()->sizeHint().width();
    return {std::max(hint.width(), table + margins.left() + margins.right()), hint.height()};
}

const std::shared_ptr<const iRunReader>& TRunBrowser::run() const {
    return m_model->run();
}

TSpectrum* TRunBrowser::chromatogram() const {
    return m_chromatogram->spectrum();
}

TLevelFilter TRunBrowser::chromatogramLevel() const {
    const TLevelFilter level = levelFilter();
    return level == TLevelFilter::All ? TLevelFilter::Ms1 : level;
}

void TRunBrowser::setLevelFilter(TLevelFilter filter) {
    if (m_levelBox->currentIndex() != static_cast<int>(filter))
        m_levelBox->setCurrentIndex(static_cast<int>(filter));  // comes back here
    if (filter == m_model->levelFilter()) return;
    m_model->setLevelFilter(filter);
    const int trace = m_traceBox->currentIndex();
    m_traceBox->clear();
    m_traceBox->addItems(traceNames());
    m_traceBox->setCurrentIndex(trace);
    if (m_trace < 2) buildChromatogram();
}

void TRunBrowser::setSearchText(const QString& text) {
    if (m_search->text() != text) m_search->setText(text);  // comes back here
    m_model->setSearchText(text);
}

QStringList TRunBrowser::traceNames() const {
    const TLevelFilter filter = chromatogramLevel();
    const QString level = QString::fromLatin1(levelFilterName(filter));
    bool stated = true;
    if (const auto known = m_traces.find(filter); known != m_traces.end()) {
        stated = known->second.stated;
    } else {
        const auto& rows = run()->spectra();
        for (const int msLevel : levelsPassing(rows, filter))
            if (!statedChromatograms(rows, msLevel)) stated = false;
    }
    const QString source = stated ? QStringLiteral("stated") : QStringLiteral("computed");
    QStringList names{QStringLiteral("TIC %1 · %2").arg(level, source),
                      QStringLiteral("BPC %1 · %2").arg(level, source)};
    const iRunReader& reader = *run();
    for (int i = 0; i < static_cast<int>(reader.chromatograms().size()); ++i)
        names << storedName(reader, i);
    return names;
}

void TRunBrowser::setTrace(int index) {
    if (index < 0 || index >= m_traceBox->count()) return;
    const int before = m_trace;
    m_trace = index;
    // Choosing a cancelled trace again computes it again.
    if (index < 2) m_cancelled.erase(chromatogramLevel());
    try {
        buildChromatogram();
    } catch (const std::exception& e) {
        m_trace = before;
        m_traceBox->setCurrentIndex(before);
        emit messageRaised(QString::fromUtf8(e.what()));
        return;
    }
    m_traceBox->setCurrentIndex(index);
}

// The trace is built whole before the pane is touched, so that a stored chromatogram that
// cannot be read leaves the pane as it was.
void TRunBrowser::buildChromatogram() {
    const iRunReader& reader = *run();
    std::vector<TFloatPointRec> trace;
    QString state;
    if (m_trace >= 2) {
        trace = reader.loadChromatogram(m_trace - 2);
        for (TFloatPointRec& p : trace) p.x /= 60.0;
    } else if (const TLevelTraces* traces = levelTraces()) {
        trace = m_trace == 1 ? traces->bpc : traces->tic;
    } else {
        state = m_computing ? QStringLiteral(" (computing)") : QStringLiteral(" (cancelled)");
    }
    const QStringList names = traceNames();

    TSpectrumData& data = *chromatogram()->spectrumData();
    TPointListSerieList& series = *data.series();
    series.clear();
    data.labels()->clear();
    const TPointListSeriePtr line = series.newSerie((names.value(m_trace) + state).toStdString());
    line->setStyle(TSerieStyle::Line);
    line->setColor(colors::navy);
    line->points()->addPoints(trace);

    double top = 0.0;
    for (const TFloatPointRec& p : trace) top = std::max(top, p.y);
    m_traceTop = chromatogramTop(top > 0.0 ? top : 100.0);

    const TPointListSeriePtr events = series.newSerie("MS2 events");
    events->setStyle(TSerieStyle::Bars);
    events->setColor(TColor{0, 128, 0});
    std::vector<TFloatPointRec> ticks;
    for (const TSpectrumRow& row : reader.spectra())
        if (row.msLevel == 2 && !std::isnan(row.retentionTime))
            ticks.push_back({row.retentionTime / 60.0, -tickDepth * m_traceTop});
    events->points()->addPoints(ticks);

    const TPointListSeriePtr marker = series.newSerie("current spectrum");
    marker->setStyle(TSerieStyle::Bars);
    marker->setColor(TColor{255, 0, 0});
    appendXicSeries();
    series.setCurrentIndex(TraceSerie);
    placeMarker();
    fitChromatogram();
}

void TRunBrowser::fitChromatogram() {
    TSpectrum& plot = *chromatogram();
    TSpectrumData& data = *plot.spectrumData();
    data.series()->setCurrentIndex(TraceSerie);
    data.fitXRange();
    data.yRange()->setMin(-floorDepth * m_traceTop);
    data.yRange()->setMax(headroom * m_traceTop);
    data.setModified(false);
    plot.clearViewHistory();
    plot.startViewHistory();
    plot.invalidate();
    m_chromatogram->updateLabel();
}

void TRunBrowser::placeMarker() {
    TPointListSerieList& series = *chromatogram()->spectrumData()->series();
    if (series.count() <= MarkerSerie) return;
    TFloatPointSortedList& points = *series.serie(MarkerSerie)->points();
    points.clear();
    if (m_current) {
        const TSpectrumRow& row = run()->spectra()[static_cast<std::size_t>(*m_current)];
        if (!std::isnan(row.retentionTime)) points.add({row.retentionTime / 60.0, m_traceTop});
    }
    chromatogram()->invalidate();
}

void TRunBrowser::setCurrentSpectrum(int runIndex) {
    if (runIndex < 0 || runIndex >= static_cast<int>(run()->spectra().size())) return;
    m_current = runIndex;
    placeMarker();
    m_movingRow = true;
    if (const auto row = m_model->viewRow(runIndex)) {
        const QModelIndex index = m_model->index(*row, 0);
        m_table->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_table->scrollTo(index);
    } else {
        m_table->selectionModel()->clearSelection();
    }
    m_movingRow = false;
}

std::optional<int> TRunBrowser::nearestSpectrum(double retentionTime) const {
    const auto& rows = run()->spectra();
    const TLevelFilter level = chromatogramLevel();
    std::optional<int> best;
    double bestDistance = 0.0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TSpectrumRow& row = rows[i];
        if (!levelPasses(level, row.msLevel) || std::isnan(row.retentionTime)) continue;
        const double distance = std::fabs(row.retentionTime - retentionTime);
        if (!best || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

std::optional<int> TRunBrowser::steppedSpectrum(int runIndex, int step) const {
    const auto& rows = run()->spectra();
    const TLevelFilter level = chromatogramLevel();
    const int count = static_cast<int>(rows.size());
    step = step < 0 ? -1 : 1;
    for (int i = runIndex + step; i >= 0 && i < count; i += step)
        if (levelPasses(level, rows[static_cast<std::size_t>(i)].msLevel)) return i;
    return std::nullopt;
}

void TRunBrowser::guarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        emit messageRaised(QString::fromUtf8(e.what()));
    }
}

void TRunBrowser::pickSpectrum(int runIndex, bool add) {
    if (runIndex < 0 || runIndex >= static_cast<int>(run()->spectra().size())) return;
    pick(runIndex, add);
}

void TRunBrowser::pick(int runIndex, bool add) {
    if (!add) setCurrentSpectrum(runIndex);
    emit spectrumPicked(runIndex, add);
}

void TRunBrowser::pickAtPixel(int x, Qt::KeyboardModifiers modifiers) {
    TSpectrum& plot = *chromatogram();
    const double minutes = plot.deviceToWorld(x, 0).x;
    if (!std::isfinite(minutes)) return;
    if (const auto index = nearestSpectrum(minutes * 60.0))
        pick(*index, modifiers.testFlag(Qt::ControlModifier));
}

void TRunBrowser::tableRowChanged(int viewRow) {
    // A row that moved with its spectrum (a sort) is no new pick.
    if (const auto index = m_model->runIndex(viewRow); index && index != m_current)
        pick(*index, false);
}

bool TRunBrowser::stepTable(int step) {
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid()) return false;
    const auto from = m_model->runIndex(current.row());
    if (!from) return false;
    const auto& rows = run()->spectra();
    const int level = rows[static_cast<std::size_t>(*from)].msLevel;
    for (int r = current.row() + step; r >= 0 && r < m_model->rowCount(); r += step) {
        const auto index = m_model->runIndex(r);
        if (index && rows[static_cast<std::size_t>(*index)].msLevel == level) {
            m_table->setCurrentIndex(m_model->index(r, current.column()));  // picks it
            return true;
        }
    }
    return true;  // at the end: the row stays where it is
}

// Nothing may throw out of here: Qt cannot carry an exception through its event loop.
bool TRunBrowser::eventFilter(QObject* watched, QEvent* event) {
    try {
        TSpectrum* plot = chromatogram();
        if (plot && watched == plot) {
            if (event->type() == QEvent::MouseButtonPress) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                m_pressed = mouse->button() == Qt::LeftButton;
                m_pressPixel = mouse->position().toPoint();
            } else if (event->type() == QEvent::MouseButtonRelease) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                const QPoint p = mouse->position().toPoint();
                // A click, not a drag: the zoom tool makes nothing of it.
                const int tolerance = plot->pickTolerance();
                if (m_pressed && mouse->button() == Qt::LeftButton &&
                    std::abs(p.x() - m_pressPixel.x()) <= tolerance &&
                    std::abs(p.y() - m_pressPixel.y()) <= tolerance)
                    pickAtPixel(p.x(), mouse->modifiers());
                m_pressed = false;
            } else if (event->type() == QEvent::KeyPress) {
                const auto* key = static_cast<QKeyEvent*>(event);
                if ((key->key() == Qt::Key_Left || key->key() == Qt::Key_Right) &&
                    key->modifiers() == Qt::NoModifier) {
                    const int step = key->key() == Qt::Key_Left ? -1 : 1;
                    std::optional<int> next;
                    if (m_current)
                        next = steppedSpectrum(*m_current, step);
                    else
                        next = steppedSpectrum(
                            step < 0 ? static_cast<int>(run()->spectra().size()) : -1, step);
                    if (next) pick(*next, false);
                    return true;
                }
            }
        } else if (watched == m_chromatogram->serieLabel()) {
            if (event->type() == QEvent::MouseButtonPress) return true;
        } else if (watched == m_table) {
            if (event->type() == QEvent::KeyPress) {
                const auto* key = static_cast<QKeyEvent*>(event);
                if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) &&
                    key->modifiers() == Qt::NoModifier)
                    return stepTable(key->key() == Qt::Key_Up ? -1 : 1);
            }
        } else if (watched == m_table->viewport()) {
            // Ctrl+click adds the row's spectrum; the table's own row stays on the one shown.
            if (event->type() == QEvent::MouseButtonPress) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->button() == Qt::LeftButton &&
                    mouse->modifiers().testFlag(Qt::ControlModifier)) {
                    const QModelIndex index = m_table->indexAt(mouse->position().toPoint());
                    if (const auto run =
                            index.isValid() ? m_model->runIndex(index.row()) : std::nullopt)
                        pick(*run, true);
                    return true;
                }
            }
        }
    } catch (const std::exception& e) {
        emit messageRaised(QString::fromUtf8(e.what()));
    }
    return QWidget::eventFilter(watched, event);
}
