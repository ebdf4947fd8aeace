// The plot's intensity scale, y fit, mirrored series and pinned measurements.
#include <QAction>
#include <QMenu>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <utility>

#include "display/Axis.h"
#include "display/MeasureTool.h"
#include "display/Spectrum.h"

std::optional<std::pair<double, double>> TSpectrum::yFitFor(double x1, double x2) const {
    if (!m_scale.fitsY()) return std::nullopt;
    return fittedY(*series(), x1, x2, baseLine());
}

void TSpectrum::applyYFit() {
    const TRange& x = *m_data->xRange();
    const std::pair<double, double> window{x.min(), x.max()};
    if (!m_scale.fitsY() || window == m_fittedX) return;
    m_fittedX = window;
    const auto y = yFitFor(window.first, window.second);
    if (!y) return;
    TRange& yRange = *m_data->yRange();
    if (yRange.min() == y->first && yRange.max() == y->second) return;
    yRange.setMin(y->first);
    yRange.setMax(y->second);
    m_data->labels()->setNeedsLayout(true);
}

void TSpectrum::suspendYFit() {
    if (!m_scale.fitY || m_scale.yFitSuspended) return;
    m_scale.yFitSuspended = true;
    emit viewStateChanged();
}

void TSpectrum::resumeYFit() {
    if (!m_scale.yFitSuspended) return;
    m_scale.yFitSuspended = false;
    // The next recording or repaint fits again.
    m_fittedX = {std::nan(""), std::nan("")};
    emit viewStateChanged();
}

void TSpectrum::setPlotScale(const TPlotScale& scale) {
    if (scale == m_scale) return;
    const bool fitTurnedOn = scale.fitsY() && !m_scale.fitsY();
    m_scale = scale;
    if (fitTurnedOn) {
        m_fittedX = {std::nan(""), std::nan("")};
        startViewHistory();
        applyYFit();
        recordView();
    }
    updateYAxis();
    // Labels stand over their peaks where the new mapping draws them.
    m_data->labels()->setNeedsLayout(true);
    invalidateDrawing();
    emit viewStateChanged();
}

void TSpectrum::setIntensityScale(TIntensityScale intensity) {
    TPlotScale scale = m_scale;
    scale.intensity = intensity;
    setPlotScale(scale);
}

bool TSpectrum::isMirrored(const TPointListSerie& serie) const {
    return std::any_of(m_mirrored.begin(), m_mirrored.end(),
                       [&](const auto& weak) { return weak.lock().get() == &serie; });
}

void TSpectrum::setMirrored(const TPointListSeriePtr& serie, bool mirrored) {
    if (!serie || isMirrored(*serie) == mirrored) return;
    // Series gone meanwhile are forgotten on the way.
    std::erase_if(m_mirrored, [&](const auto& weak) {
        const auto live = weak.lock();
        return !live || live == serie;
    });
    if (mirrored) m_mirrored.push_back(serie);
    updateYAxis();
    // Labels stand over their peaks where the new mapping draws them.
    m_data->labels()->setNeedsLayout(true);
    invalidateDrawing();
    emit viewStateChanged();
}

std::vector<bool> TSpectrum::mirroredFlags() const {
    std::vector<bool> flags;
    bool any = false;
    for (const auto& serie : *series()) {
        flags.push_back(isMirrored(*serie));
        any = any || flags.back();
    }
    if (!any) flags.clear();
    return flags;
}

void TSpectrum::setPins(std::vector<TMeasurement> pins, bool undoable) {
    if (pins == m_pins) return;
    if (undoable) {
        m_pinsUndo.push_back(std::move(m_pins));
        m_pinsRedo.clear();
    }
    m_pins = std::move(pins);
    update();
    emit viewStateChanged();
}

bool TSpectrum::pinMeasurement() {
    const TMeasurement* shown = measurement();
    if (!shown) return false;
    std::vector<TMeasurement> pins = m_pins;
    pins.push_back(*shown);
    clearMeasurement();
    setPins(std::move(pins), true);
    return true;
}

void TSpectrum::removePin(int index) {
    if (index < 0 || index >= static_cast<int>(m_pins.size())) return;
    std::vector<TMeasurement> pins = m_pins;
    pins.erase(pins.begin() + index);
    setPins(std::move(pins), true);
}

void TSpectrum::removeAllPins() {
    setPins({}, true);
}

void TSpectrum::undoPins() {
    if (m_pinsUndo.empty()) return;
    std::vector<TMeasurement> previous = std::move(m_pinsUndo.back());
    m_pinsUndo.pop_back();
    m_pinsRedo.push_back(m_pins);
    setPins(std::move(previous), false);
}

void TSpectrum::redoPins() {
    if (m_pinsRedo.empty()) return;
    std::vector<TMeasurement> next = std::move(m_pinsRedo.back());
    m_pinsRedo.pop_back();
    m_pinsUndo.push_back(m_pins);
    setPins(std::move(next), false);
}

QString TSpectrum::pinsText() const {
    QStringList lines;
    for (const TMeasurement& pin : m_pins) lines << QString::fromStdString(pin.text());
    return lines.join(QLatin1Char('\n'));
}

TPaneViewState TSpectrum::viewState() const {
    return {m_scale, mirroredFlags(), m_pins};
}

void TSpectrum::setViewState(const TPaneViewState& state) {
    m_mirrored.clear();
    TPointListSerieList& list = *series();
    for (int i = 0; i < list.count() && static_cast<std::size_t>(i) < state.mirrored.size(); ++i)
        if (state.mirrored[static_cast<std::size_t>(i)]) m_mirrored.push_back(list.serie(i));
    m_pinsUndo.clear();
    m_pinsRedo.clear();
    m_pins = state.pins;
    m_scale = state.scale;
    m_fittedX = {std::nan(""), std::nan("")};
    applyYFit();
    updateYAxis();
    m_data->labels()->setNeedsLayout(true);
    invalidateDrawing();
    invalidate();
    emit viewStateChanged();
}

void TSpectrum::updateYAxis() {
    const TPlotState state = plotState();
    m_yMapping = state.yMapping();
    m_displayY = m_yMapping.log ? displayYRange(*m_data->yRange(), m_yMapping) : nullptr;
    m_mirrorY = m_yMapping.mirror ? displayYRange(*m_data->yRange(), m_yMapping) : nullptr;
    TAxis* axis = m_yAxis;
    if (!axis) return;
    const bool mirror = m_yMapping.mirror;
    axis->setYScale({mirror ? TIntensityScale::Relative : m_scale.intensity, m_yMapping});
    const bool percent = mirror || m_scale.intensity == TIntensityScale::Relative;
    QString title;
    if (m_scale.intensity != TIntensityScale::Fractions || mirror)
        title = percent ? QStringLiteral("Relative intensity (%)") : QStringLiteral("Intensity");
    axis->setTitle(title);
}

QMenu* TSpectrum::makeScaleMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    const auto scaleItem = [&](const QString& text, TIntensityScale intensity, TPercentOf of) {
        QAction* a = menu->addAction(text);
        a->setCheckable(true);
        a->setChecked(m_scale.intensity == intensity &&
                      (intensity != TIntensityScale::Relative || m_scale.percentOf == of));
        connect(a, &QAction::triggered, this, [this, intensity, of] {
            TPlotScale scale = m_scale;
            scale.intensity = intensity;
            scale.percentOf = of;
            setPlotScale(scale);
        });
    };
    scaleItem(QStringLiteral("Absolute intensity"), TIntensityScale::Absolute, TPercentOf::View);
    scaleItem(QStringLiteral("Relative to the base peak in view (%)"), TIntensityScale::Relative,
              TPercentOf::View);
    scaleItem(QStringLiteral("Relative to the whole spectrum (%)"), TIntensityScale::Relative,
              TPercentOf::Whole);
    scaleItem(QStringLiteral("Logarithmic"), TIntensityScale::Log, TPercentOf::View);
    scaleItem(QStringLiteral("Fractions"), TIntensityScale::Fractions, TPercentOf::View);
    menu->addSeparator();
    QAction* fit = menu->addAction(QStringLiteral("Fit to the visible maximum"));
    fit->setCheckable(true);
    fit->setChecked(m_scale.fitsY());
    connect(fit, &QAction::triggered, this, [this](bool on) {
        TPlotScale scale = m_scale;
        scale.fitY = on;
        scale.yFitSuspended = false;
        setPlotScale(scale);
    });
    menu->addSeparator();
    const TPointListSeriePtr current = series()->current();
    QAction* mirror = menu->addAction(QStringLiteral("Mirror"));
    mirror->setCheckable(true);
    mirror->setEnabled(current != nullptr);
    mirror->setChecked(current && isMirrored(*current));
    connect(mirror, &QAction::triggered, this, [this, weak = std::weak_ptr(current)](bool on) {
        if (const auto serie = weak.lock()) setMirrored(serie, on);
    });
    QAction* pin = menu->addAction(QStringLiteral("Pin measurement"));
    pin->setEnabled(measurement() != nullptr);
    connect(pin, &QAction::triggered, this, [this] { pinMeasurement(); });
    QAction* unpin = menu->addAction(QStringLiteral("Remove pinned measurements"));
    unpin->setEnabled(!m_pins.empty());
    connect(unpin, &QAction::triggered, this, [this] { removeAllPins(); });
    return menu;
}

// --- mirrored series: where their points stand -------------------------------------------

TPoint TSpectrum::serieToDevice(const TPointListSerie& serie, double x, double y) const {
    if (!m_mirrorY) return worldToDevice(x, y);
    const TPointListSerieList& list = *m_data->series();
    for (int i = 0; i < list.count(); ++i)
        if (list.serie(i).get() == &serie)
            return mirrorToDevice(x, y, mirrorFactorsNow()[static_cast<std::size_t>(i)]);
    return worldToDevice(x, y);
}

bool TSpectrum::pointsDown(double x, double y) const {
    return m_mirrorY && mirrorFactorAt(x, y) < 0.0;
}

double TSpectrum::mirrorFactorAt(double x, double y) const {
    const auto index = serieHolding(*m_data->series(), x, y);
    return index ? mirrorFactorsNow()[static_cast<std::size_t>(*index)] : 1.0;
}

TPoint TSpectrum::mirrorToDevice(double x, double y, double factor) const {
    TDrawView view;
    view.xRange = m_data->xRange().get();
    view.yRange = m_mirrorY.get();
    view.width = width();
    view.height = height();
    view.yMapping = m_yMapping;
    view.yFactor = factor;
    return view.worldToDevice(x, y);
}

// The drawing computes the factors afresh for every image (see TPlotRenderer::renderSeries);
// the same function over the same window and points gives the same factors here.
const std::vector<double>& TSpectrum::mirrorFactorsNow() const {
    TFactorKey key;
    const TRange& x = *m_data->xRange();
    key.xMin = x.min();
    key.xMax = x.max();
    const TPointListSerieList& list = *m_data->series();
    for (const TPointListSeriePtr& serie : list)
        key.series.push_back(
            {serie.get(), serie->points().get(), serie->points()->revision(), 0, 0});
    key.mirrored = mirroredFlags();
    if (key != m_factorKey || m_factors.size() != static_cast<std::size_t>(list.count())) {
        m_factors = mirrorFactors(list, key.mirrored, key.xMin, key.xMax);
        m_factorKey = std::move(key);
    }
    return m_factors;
}
