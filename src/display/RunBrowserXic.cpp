// The run browser's extracted ion chromatograms and sums over a range of retention time: the box
// and the list of XICs, the Ctrl+drag over the chromatogram, and the worker that computes them.
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPixmap>
#include <QProgressBar>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "display/QtColor.h"
#include "display/RunBrowser.h"
#include "display/SpanTool.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

namespace {

constexpr double defaultPpm = 20.0;

// Told apart from the navy trace, the green ticks and the red marker, and from each other.
const TColor xicColors[] = {{200, 100, 0}, {0, 140, 160}, {150, 0, 150},
                            {120, 120, 0}, {140, 60, 40}, {60, 60, 220}};

QString mz(double value) {
    return QString::number(value, 'f', 4);
}

// "one first decoding failure (and 3 more spectra left out)" or empty.
QString failureMessage(const std::vector<std::string>& messages, const QString& what) {
    if (messages.empty()) return {};
    const QString first = QString::fromStdString(messages.front());
    if (messages.size() == 1) return first;
    return QStringLiteral("%1 (and %2 more spectra left out of %3)")
        .arg(first)
        .arg(messages.size() - 1)
        .arg(what);
}

}  // namespace

std::optional<TXicWindow> parseXicWindow(const QString& text) {
    static const QRegularExpression around(
        QStringLiteral(
            R"re(^\s*(\d+(?:\.\d*)?|\.\d+)\s*(?:(?:±|\+-|\+/-)\s*(\d+(?:\.\d*)?|\.\d+))re"
            R"re(\s*(?:ppm)?)?\s*$)re"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression between(
        QStringLiteral(R"(^\s*(\d+(?:\.\d*)?|\.\d+)\s*(?:\.\.|-|–)\s*(\d+(?:\.\d*)?|\.\d+)\s*$)"));
    if (const auto m = around.match(text); m.hasMatch()) {
        const double centre = m.captured(1).toDouble();
        const double ppm = m.captured(2).isEmpty() ? defaultPpm : m.captured(2).toDouble();
        if (!(centre > 0.0) || !(ppm > 0.0) || !std::isfinite(centre) || !std::isfinite(ppm))
            return std::nullopt;
        return TXicWindow{TMzWindow::aroundPpm(centre, ppm),
                          QStringLiteral("%1 ± %2 ppm").arg(mz(centre), QString::number(ppm))};
    }
    if (const auto m = between.match(text); m.hasMatch()) {
        const double a = m.captured(1).toDouble();
        const double b = m.captured(2).toDouble();
        if (!(a > 0.0) || !(b > 0.0) || a == b || !std::isfinite(a) || !std::isfinite(b))
            return std::nullopt;
        return xicWindowBetween(std::min(a, b), std::max(a, b));
    }
    return std::nullopt;
}

TXicWindow xicWindowBetween(double lo, double hi) {
    return {{lo, hi}, QStringLiteral("%1–%2").arg(mz(lo), mz(hi))};
}

void TRunBrowser::buildXicControls(QHBoxLayout* controls, QVBoxLayout* layout) {
    m_xicBox = new QLineEdit(this);
    m_xicBox->setObjectName(QStringLiteral("XicWindow"));
    m_xicBox->setPlaceholderText(QStringLiteral("XIC: m/z ± ppm"));
    m_xicBox->setToolTip(QStringLiteral(
        "Adds the extracted ion chromatogram of an m/z window to the chromatogram: \"810.42 ± "
        "20\" (ppm) or \"810.40..810.45\"; Enter adds it. A Ctrl+drag over the spectrum adds "
        "the window dragged; a Ctrl+drag over the chromatogram sums the spectra of that range"));
    controls->addWidget(m_xicBox, 1);
    connect(m_xicBox, &QLineEdit::returnPressed, this, [this] {
        guarded([&] {
            if (addXicText(m_xicBox->text())) m_xicBox->clear();
        });
    });

    // What a Ctrl+drag over the chromatogram makes of the spectra in its range.
    auto* sumMode = new QComboBox(this);
    sumMode->setObjectName(QStringLiteral("SumMode"));
    sumMode->addItems({QStringLiteral("Sum"), QStringLiteral("Average")});
    sumMode->setToolTip(QStringLiteral(
        "A Ctrl+drag over the chromatogram sums or averages the spectra of the range"));
    controls->addWidget(sumMode);
    connect(sumMode, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_sumMode = index == 1 ? TSpectrumSum::Average : TSpectrumSum::Sum;
    });

    m_xicList = new QWidget(this);
    m_xicList->setObjectName(QStringLiteral("XicList"));
    auto* list = new QHBoxLayout(m_xicList);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(4);
    m_xicList->hide();
    // Under the progress row of the chromatogram's own worker.
    const int below = layout->indexOf(m_progressRow) + 1;
    layout->insertWidget(below, m_xicList);

    m_xicProgressRow = new QWidget(this);
    auto* row = new QHBoxLayout(m_xicProgressRow);
    row->setContentsMargins(0, 0, 0, 0);
    m_xicProgressText = new QLabel(m_xicProgressRow);
    m_xicProgress = new QProgressBar(m_xicProgressRow);
    m_xicProgress->setObjectName(QStringLiteral("XicProgress"));
    m_xicProgress->setTextVisible(true);
    auto* cancel = new QToolButton(m_xicProgressRow);
    cancel->setObjectName(QStringLiteral("CancelXic"));
    cancel->setText(QStringLiteral("Cancel"));
    cancel->setToolTip(QStringLiteral("Stops extracting and forgets what waits"));
    row->addWidget(m_xicProgressText);
    row->addWidget(m_xicProgress, 1);
    row->addWidget(cancel);
    m_xicProgressRow->hide();
    layout->insertWidget(below + 1, m_xicProgressRow);
    connect(cancel, &QToolButton::clicked, this, &TRunBrowser::cancelExtraction);

    TSpectrum* plot = chromatogram();
    plot->setSpanTool(makeSpanTool(
        *plot, [this](double from, double to) { guarded([&] { sumRange(from, to); }); }));
}

void TRunBrowser::rebuildXicList() {
    auto* list = static_cast<QHBoxLayout*>(m_xicList->layout());
    while (QLayoutItem* item = list->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int i = 0; i < static_cast<int>(m_xics.size()); ++i) {
        const TXicTrace& xic = m_xics[static_cast<std::size_t>(i)];
        auto* button = new QToolButton(m_xicList);
        button->setObjectName(QStringLiteral("RemoveXic"));
        QPixmap swatch(12, 12);
        swatch.fill(toQColor(xic.color));
        button->setIcon(QIcon(swatch));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setText(xic.name + QStringLiteral("  ✕"));
        button->setToolTip(QStringLiteral("Removes this trace"));
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this, [this, i] { removeXic(i); });
        list->addWidget(button);
    }
    list->addStretch(1);
    m_xicList->setVisible(!m_xics.empty());
}

QStringList TRunBrowser::xicNames() const {
    QStringList names;
    for (const TXicTrace& xic : m_xics) names << xic.name;
    return names;
}

bool TRunBrowser::addXicText(const QString& text) {
    const auto window = parseXicWindow(text);
    if (!window) {
        emit messageRaised(
            QStringLiteral("\"%1\" is no m/z window: type an m/z and a tolerance in ppm, as "
                           "\"810.42 ± 20\", or two m/z, as \"810.40..810.45\".")
                .arg(text.trimmed()));
        return false;
    }
    addXic(*window);
    return true;
}

void TRunBrowser::addXic(const TXicWindow& window) {
    const TLevelFilter level = chromatogramLevel();
    QString name = QStringLiteral("XIC ") + window.label;
    if (level != TLevelFilter::Ms1)
        name += QStringLiteral(" · ") + QString::fromLatin1(levelFilterName(level));
    m_pendingXics.push_back({window.window, name, levelsPassing(run()->spectra(), level)});
    startExtraction();
}

void TRunBrowser::removeXic(int index) {
    if (index < 0 || index >= static_cast<int>(m_xics.size())) return;
    m_xics.erase(m_xics.begin() + index);
    rebuildXicList();
    buildChromatogram();
    emit xicsChanged();
}

void TRunBrowser::sumRange(double fromMinutes, double toMinutes) {
    m_pendingSum =
        TSumRequest{std::min(fromMinutes, toMinutes) * 60.0,
                    std::max(fromMinutes, toMinutes) * 60.0, m_sumMode, chromatogramLevel()};
    startExtraction();
}

bool TRunBrowser::isExtracting() const {
    return m_extracting || !m_pendingXics.empty() || m_pendingSum.has_value();
}

void TRunBrowser::appendXicSeries() {
    TPointListSerieList& series = *chromatogram()->spectrumData()->series();
    for (const TXicTrace& xic : m_xics) {
        const TPointListSeriePtr serie = series.newSerie(xic.name.toStdString());
        serie->setStyle(TSerieStyle::Line);
        serie->setColor(xic.color);
        serie->points()->addPoints(xic.points);
    }
}

// The chromatogram's height holds every trace shown: a trace cut off at the top would read as
// a saturated signal. A weak XIC beside the TIC is raised with the y stretch (the wheel over the
// y axis, Up).
double TRunBrowser::chromatogramTop(double traceTop) const {
    double top = traceTop;
    for (const TXicTrace& xic : m_xics)
        for (const TFloatPointRec& p : xic.points) top = std::max(top, p.y);
    return top;
}

// One job at a time: the XICs waiting go in one pass; a sum waits for it.
void TRunBrowser::startExtraction() {
    if (m_extracting) return;
    stopExtractionWorker();  // a finished worker: only joined
    if (m_pendingXics.empty() && !m_pendingSum) return;
    m_extractionStop = false;
    m_extracting = true;
    const int job = ++m_extractionJob;
    m_xicProgress->setRange(0, 0);
    m_xicProgressRow->show();
    // Posted to this thread at most a few hundred times, the last one always; answers whether
    // to go on. Copied into the worker, which alone calls it.
    const TChromatogramProgress progress = [this, job, lastShown = -1](std::size_t done,
                                                                       std::size_t total) mutable {
        const int permille = total ? static_cast<int>(done * 1000 / total) : 1000;
        if (permille != lastShown || done == total) {
            lastShown = permille;
            QMetaObject::invokeMethod(
                this,
                [this, job, done = static_cast<int>(done), total = static_cast<int>(total)] {
                    extractionAdvanced(job, done, total);
                },
                Qt::QueuedConnection);
        }
        return !m_extractionStop.load();
    };
    // As with the chromatogram's worker: the worker holds the run, this browser outlives it
    // (stopExtractionWorker joins it), so its queued calls reach a live browser or none.
    if (!m_pendingXics.empty()) {
        std::vector<TXicRequest> requests = std::move(m_pendingXics);
        m_pendingXics.clear();
        // Windows of different levels each need their own pass; the first level's go now.
        std::vector<TXicRequest> later;
        for (auto it = requests.begin() + 1; it != requests.end();)
            if (it->levels != requests.front().levels) {
                later.push_back(std::move(*it));
                it = requests.erase(it);
            } else {
                ++it;
            }
        m_pendingXics = std::move(later);
        QStringList names;
        for (const TXicRequest& r : requests) names << r.name;
        m_xicProgressText->setText(QStringLiteral("Extracting %1").arg(names.join(", ")));
        m_extractionWorker = std::thread([this, job, progress, run = run(), requests] {
            std::shared_ptr<TIonChromatograms> result;
            QString message;
            try {
                std::vector<TMzWindow> windows;
                for (const TXicRequest& r : requests) windows.push_back(r.window);
                if (auto traces =
                        ionChromatograms(*run, windows, requests.front().levels, progress))
                    result = std::make_shared<TIonChromatograms>(std::move(*traces));
                if (result) message = failureMessage(result->messages, QStringLiteral("the XIC"));
            } catch (const std::exception& e) {
                message = QString::fromUtf8(e.what());
            }
            QMetaObject::invokeMethod(
                this,
                [this, job, requests, result, message] {
                    xicsExtracted(job, requests, result, message);
                },
                Qt::QueuedConnection);
        });
        return;
    }
    const TSumRequest request = *m_pendingSum;
    m_pendingSum.reset();
    m_xicProgressText->setText(QStringLiteral("Summing %1 spectra of RT %2–%3 min")
                                   .arg(QString::fromLatin1(levelFilterName(request.level)),
                                        QString::number(request.fromSeconds / 60.0, 'f', 2),
                                        QString::number(request.toSeconds / 60.0, 'f', 2)));
    m_extractionWorker = std::thread([this, job, progress, run = run(), request,
                                      levels = levelsPassing(run()->spectra(), request.level)] {
        std::shared_ptr<TSummedSpectrum> result;
        QString message;
        try {
            TSumOptions options;
            options.how = request.how;
            if (auto sum = sumSpectra(*run, levels, request.fromSeconds, request.toSeconds, options,
                                      progress))
                result = std::make_shared<TSummedSpectrum>(std::move(*sum));
            if (result) message = failureMessage(result->messages, QStringLiteral("the sum"));
        } catch (const std::exception& e) {
            message = QString::fromUtf8(e.what());
        }
        QMetaObject::invokeMethod(
            this,
            [this, job, request, result, message] { rangeSummed(job, request, result, message); },
            Qt::QueuedConnection);
    });
}

void TRunBrowser::extractionAdvanced(int job, int done, int total) {
    if (job != m_extractionJob || !m_extracting) return;
    m_xicProgress->setRange(0, std::max(total, 1));
    m_xicProgress->setValue(done);
    emit extractionProgressed(done, total);
}

void TRunBrowser::xicsExtracted(int job, std::vector<TXicRequest> requests,
                                std::shared_ptr<TIonChromatograms> result, const QString& message) {
    if (job != m_extractionJob || !m_extracting) return;
    if (result) {
        for (std::size_t i = 0; i < requests.size() && i < result->traces.size(); ++i) {
            TXicTrace xic;
            xic.name = requests[i].name;
            xic.color = xicColors[static_cast<std::size_t>(m_xicColors++) % std::size(xicColors)];
            for (const TFloatPointRec& p : result->traces[i].sum)
                xic.points.push_back({p.x / 60.0, p.y});
            m_xics.push_back(std::move(xic));
        }
        rebuildXicList();
        buildChromatogram();
    }
    extractionEnded();
    if (!message.isEmpty()) emit messageRaised(message);
    if (result) emit xicsChanged();
}

void TRunBrowser::rangeSummed(int job, TSumRequest request, std::shared_ptr<TSummedSpectrum> result,
                              const QString& message) {
    if (job != m_extractionJob || !m_extracting) return;
    extractionEnded();
    const QString level = QString::fromLatin1(levelFilterName(request.level));
    if (result && result->count == 0) {
        emit messageRaised(QStringLiteral("No %1 spectrum lies between RT %2 and %3 min.")
                               .arg(level, QString::number(request.fromSeconds / 60.0, 'f', 2),
                                    QString::number(request.toSeconds / 60.0, 'f', 2)));
        return;
    }
    if (result) {
        const QString how = result->how == TSpectrumSum::Average ? QStringLiteral("average")
                                                                 : QStringLiteral("sum");
        m_sum = TBrowsedSum{
            QStringLiteral("%1 of %2 %3 %4, RT %5–%6 min")
                .arg(how)
                .arg(result->count)
                .arg(level,
                     result->count == 1 ? QStringLiteral("spectrum") : QStringLiteral("spectra"),
                     QString::number(result->firstRetentionTime / 60.0, 'f', 2),
                     QString::number(result->lastRetentionTime / 60.0, 'f', 2)),
            std::move(result->points), result->peakMode};
    }
    if (!message.isEmpty()) emit messageRaised(message);
    if (result) emit spectrumSummed();
}

void TRunBrowser::extractionEnded() {
    stopExtractionWorker();  // it has finished: this only joins it
    m_extracting = false;
    m_xicProgressRow->hide();
    startExtraction();
}

void TRunBrowser::cancelExtraction() {
    if (!isExtracting()) return;
    m_pendingXics.clear();
    m_pendingSum.reset();
    // The worker stops after the spectra it decodes; it is joined when the next job starts or
    // the browser goes, so that the user never waits for it here.
    m_extractionStop = true;
    m_extracting = false;
    ++m_extractionJob;  // what the worker posted before it stopped is stale
    m_xicProgressRow->hide();
}

void TRunBrowser::stopExtractionWorker() {
    m_extractionStop = true;
    if (m_extractionWorker.joinable()) m_extractionWorker.join();
}
