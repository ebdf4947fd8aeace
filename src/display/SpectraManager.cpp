// The spectra manager: pane count, layout, the current pane and the shared x range.
#include "display/SpectraManager.h"

#include <QPalette>
#include <QPointer>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <utility>

#include "display/Axis.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "display/ViewCommands.h"

namespace {

bool isThickness(float inches) {
    return std::isfinite(inches) && inches >= 0.0f;
}

}  // namespace

TSpectraManager::TSpectraManager(QWidget* parent)
    : QWidget(parent), m_navigator(new TSpectrumNavigator(this)) {
    // The pane signals carry the plot; a spy or a queued connection needs its type known.
    qRegisterMetaType<TSpectrum*>();
    // The background of text windows, which the plots show as well.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    m_navigator->move(0, 0);
}

TSpectraManager::~TSpectraManager() {
    m_sharedRangeChange.disconnect();
    // The panes go first, while the navigator is there to let go of its spectrum, and
    // without calling back into the part of the manager already gone.
    for (TSpectrumContainer* c : std::exchange(m_containers, {})) {
        disconnect(c, nullptr, this, nullptr);
        delete c;
    }
}

// --- panes --------------------------------------------------------------------------------------

TSpectrumContainer* TSpectraManager::container(int index) const {
    if (index < 0 || index >= count()) return nullptr;
    return m_containers[static_cast<std::size_t>(index)];
}

TSpectrumContainer* TSpectraManager::lastContainer() const {
    return m_containers.empty() ? nullptr : m_containers.back();
}

TSpectrumContainer* TSpectraManager::currentContainer() const {
    TSpectrum* bound = m_navigator->spectrum();
    if (!bound) return nullptr;
    for (TSpectrumContainer* c : m_containers)
        if (c->spectrum() == bound) return c;
    return nullptr;
}

void TSpectraManager::setCount(int n) {
    if (n < 0 || n > maxCount) return;
    // Fewer panes are always possible; more only while each can have a pixel under the
    // navigator.
    if (n > count() && n >= height() - m_navigator->height()) return;
    while (count() > n) destroyContainer(m_containers.back());
    const bool added = count() < n;
    while (count() < n) addContainer();
    if (added && m_synchronized) shareRange();
    layoutPanes();
    if (!m_containers.empty() && !currentContainer())
        m_navigator->setSpectrum(m_containers.back()->spectrum());
}

TSpectrumContainer* TSpectraManager::addContainer() {
    auto* c = new TSpectrumContainer(this);
    c->xAxis().setThick(m_xAxisThick);
    c->yAxis().setThick(m_yAxisThick);
    c->setColor(QColor());  // no frame
    TSpectrum* s = c->spectrum();
    // The viewer's panes keep y fitted to what is visible.
    TPlotScale scale = s->plotScale();
    scale.fitY = true;
    s->setPlotScale(scale);
    s->onGetFocus = [manager = QPointer<TSpectraManager>(this)](TSpectrum* sender) {
        if (manager) manager->paneGetFocus(sender);
    };
    connect(s, &TSpectrum::mouseMoved, this,
            [this, s](int x, int y) { emit paneMouseMoved(s, x, y); });
    connect(s, &TSpectrum::mousePressed, this, [this, s](Qt::MouseButton button, int x, int y) {
        emit paneMousePressed(s, button, x, y);
    });
    connect(s, &TSpectrum::readoutChanged, this, [this, s] { emit paneReadoutChanged(s); });
    connect(s, &TSpectrum::measurementChanged, this, [this, s] { emit paneReadoutChanged(s); });
    // Ctrl+Home in one pane of a synchronised stack shows everything in all of them.
    connect(s, &TSpectrum::fullRangeOfAllRequested, this, [this, s] {
        if (!m_synchronized) return;
        for (TSpectrumContainer* other : m_containers)
            if (other->spectrum() != s)
                TViewCommands(*other->spectrum()).fullMassAndAbundanceRange();
    });
    // A pane destroyed by someone else leaves the list as well.
    connect(c, &QObject::destroyed, this, [this, c] { forgetContainer(c); });
    m_containers.push_back(c);
    c->show();
    return c;
}

void TSpectraManager::destroyContainer(TSpectrumContainer* c) {
    m_containers.erase(std::remove(m_containers.begin(), m_containers.end(), c),
                       m_containers.end());
    disconnect(c, &QObject::destroyed, this, nullptr);
    delete c;
}

void TSpectraManager::forgetContainer(TSpectrumContainer* dying) {
    // The pane is being destroyed: its address is compared, nothing else.
    const auto it = std::find(m_containers.begin(), m_containers.end(), dying);
    if (it == m_containers.end()) return;
    m_containers.erase(it);
    layoutPanes();
    if (!m_containers.empty() && !currentContainer())
        m_navigator->setSpectrum(m_containers.front()->spectrum());
}

void TSpectraManager::removeContainer(TSpectrumContainer* c) {
    if (std::find(m_containers.begin(), m_containers.end(), c) == m_containers.end()) return;
    destroyContainer(c);
    layoutPanes();
    if (!m_containers.empty() && !currentContainer())
        m_navigator->setSpectrum(m_containers.front()->spectrum());
}

TSpectrum* TSpectraManager::hoveredSpectrum() const {
    for (TSpectrumContainer* c : m_containers)
        if (TSpectrum* s = c->spectrum(); s && s->isHovered()) return s;
    return nullptr;
}

void TSpectraManager::paneGetFocus(TSpectrum* s) {
    if (s && s != m_navigator->spectrum()) m_navigator->setSpectrum(s);
}

// --- layout -------------------------------------------------------------------------------------

// With T the navigator's height, a the x axis height and N panes in H pixels: each pane gets
// (H - T, less a when synchronised) / N pixels and one more to overlap the next; the bottom
// pane gets no overlap but, when synchronised, the shared x axis. Too little height for the
// navigator and one x axis leaves the panes no height at all.
void TSpectraManager::layoutPanes() {
    const int w = width();
    const int h = height();
    const int t = m_navigator->height();
    m_navigator->setGeometry(0, 0, w, t);
    if (m_containers.empty()) return;

    const int a = static_cast<int>(std::nearbyint(logicalDpiY() * double{m_xAxisThick}));
    const int n = count();
    int paneH = 0;
    if (t + a <= h) paneH = (h - t - (m_synchronized ? a : 0)) / n;

    for (int i = 0; i < n - 1; ++i) {
        TSpectrumContainer* c = m_containers[static_cast<std::size_t>(i)];
        c->xAxis().setVisible(!m_synchronized);
        c->setGeometry(0, t + i * paneH, w, paneH + 1);
    }
    TSpectrumContainer* last = m_containers.back();
    last->xAxis().setVisible(true);
    last->setGeometry(0, t + (n - 1) * paneH, w, paneH + (m_synchronized ? a : 0));
}

void TSpectraManager::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutPanes();
}

// --- axes ---------------------------------------------------------------------------------------

void TSpectraManager::setXAxisThick(float inches) {
    if (!isThickness(inches) || inches == m_xAxisThick) return;
    for (TSpectrumContainer* c : m_containers) c->xAxis().setThick(inches);
    m_xAxisThick = inches;
    // The shared axis under the bottom pane takes the new height from the panes.
    layoutPanes();
}

void TSpectraManager::setYAxisThick(float inches) {
    if (!isThickness(inches) || inches == m_yAxisThick) return;
    for (TSpectrumContainer* c : m_containers) c->yAxis().setThick(inches);
    m_yAxisThick = inches;
}

// --- synchronisation ----------------------------------------------------------------------------

void TSpectraManager::setSynchronized(bool value) {
    if (value == m_synchronized) return;
    m_synchronized = value;
    if (m_containers.empty()) return;
    if (value)
        shareRange();
    else
        unshareRange();
    layoutPanes();
}

TSpectrumContainer* TSpectraManager::ensureCurrent() {
    if (TSpectrumContainer* c = currentContainer()) return c;
    if (m_containers.empty()) return nullptr;
    m_navigator->setSpectrum(m_containers.front()->spectrum());
    return currentContainer();
}

// Every pane takes the current pane's x range; each plot and axis listens to it as it reaches
// them, and the manager listens to announce the moved view on every pane.
void TSpectraManager::shareRange() {
    TSpectrumContainer* current = ensureCurrent();
    if (!current) return;
    const TRangePtr range = current->spectrum()->xRange();
    for (TSpectrumContainer* c : m_containers) c->spectrum()->setXRange(range);
    m_sharedRangeChange = range->changed.connect([this](TRange&) { sharedRangeChanged(); });
}

// Every pane takes a copy of the shared range, from where it then moves alone.
void TSpectraManager::unshareRange() {
    TSpectrumContainer* current = ensureCurrent();
    if (!current) return;
    const TRangePtr range = current->spectrum()->xRange();
    m_sharedRangeChange.disconnect();
    for (TSpectrumContainer* c : m_containers) c->spectrum()->setXRange(range->clone());
}

// One pane zoomed or scrolled the range all of them show. Every plot has already asked for its
// repaint and every axis repainted, as they listen to the range themselves; the plots whose view
// moved raise viewChanged here.
void TSpectraManager::sharedRangeChanged() {
    for (TSpectrumContainer* c : m_containers)
        if (TSpectrum* s = c->spectrum()) s->invalidate();
}
