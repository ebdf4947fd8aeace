// Series and the series list: current-series validation, palette, demonstration data.
#include "model/PointListSerie.h"

#include <algorithm>

#include "model/ModelErrors.h"

namespace {

struct TLineWidths {
    int serie = 1;
    int highlight = 2;
};

TLineWidths& lineWidths() {
    static TLineWidths widths;
    return widths;
}

// Uniform in [0, 1) from one 32-bit draw; written out so that a seed gives the same data
// with every standard library.
double uniform01(std::mt19937& random) {
    return static_cast<double>(random()) * 0x1p-32;
}

// Uniform among 0..n - 1 (the slight bias of the remainder does not matter for demo data).
int uniformBelow(std::mt19937& random, int n) {
    return static_cast<int>(random() % static_cast<std::uint32_t>(n));
}

}  // namespace

int serieLineWidth() {
    return lineWidths().serie;
}

int highlightLineWidth() {
    return lineWidths().highlight;
}

void setSerieLineWidth(int width) {
    auto& widths = lineWidths();
    widths.serie = std::clamp(width, minSerieLineWidth, maxSerieLineWidth);
    widths.highlight = widths.serie + 1;
}

bool increaseLineWidth() {
    if (serieLineWidth() >= maxSerieLineWidth) return false;
    setSerieLineWidth(serieLineWidth() + 1);
    return true;
}

bool decreaseLineWidth() {
    if (serieLineWidth() <= minSerieLineWidth) return false;
    setSerieLineWidth(serieLineWidth() - 1);
    return true;
}

TPointListSerie::TPointListSerie(std::string_view symbol, std::string_view name)
    : TSymbolNamed(symbol, name),
      m_lineWidth(serieLineWidth()),
      m_highlightWidth(highlightLineWidth()),
      m_points(newFloatPointSortedList(comparePointX, TDuplicates::Accept)),
      m_threshold(newDefaultThreshold()),
      m_xRange(newRange(0.0, 100.0)),
      m_yRange(newRange(0.0, 100.0)) {}

void TPointListSerie::setName(std::string_view value) {
    const std::string before = m_name;
    TSymbolNamed::setName(value);
    if (m_name != before) changed.notify();
}

void TPointListSerie::setColor(TColor value) {
    if (value == m_color) return;
    m_color = value;
    changed.notify();
}

void TPointListSerie::setStyle(TSerieStyle value) {
    if (value == m_style) return;
    m_style = value;
    changed.notify();
}

void TPointListSerie::setPoints(TFloatPointSortedListPtr points) {
    m_points = required(std::move(points), "A series needs a point list");
}

void TPointListSerie::setThreshold(TThresholdPtr threshold) {
    m_threshold = required(std::move(threshold), "A series needs a threshold");
}

void TPointListSerie::setXRange(TRangePtr range) {
    m_xRange = required(std::move(range), "A series needs an x range");
}

void TPointListSerie::setYRange(TRangePtr range) {
    m_yRange = required(std::move(range), "A series needs a y range");
}

TPointListSerieList::TPointListSerieList() : m_threshold(newDefaultThreshold()) {}

void TPointListSerieList::validate(int index) {
    if (m_currentIndex < 0 || m_currentIndex >= count())
        m_currentIndex = count() - 1;
    else
        get(m_currentIndex)->setLineWidth(serieLineWidth());
    if (index >= 0 && index < count()) m_currentIndex = index;
    if (m_currentIndex >= 0) {
        const auto& current = get(m_currentIndex);
        m_threshold = current->threshold();
        if (current->style() != TSerieStyle::Bars) current->setLineWidth(current->highlightWidth());
    }
}

void TPointListSerieList::setCurrentIndex(int index) {
    validate(index);
    // Validation alone settles where the last announcement said: only a new index is news.
    if (currentMoved()) announce();
}

int TPointListSerieList::currentIndex() {
    setCurrentIndex(m_currentIndex);
    return m_currentIndex;
}

TPointListSeriePtr TPointListSerieList::current() {
    const int index = currentIndex();
    return index < 0 ? nullptr : get(index);
}

void TPointListSerieList::addSerie(TPointListSeriePtr serie) {
    const int index = TBase::add(std::move(serie));
    validate(index);
    const auto slot = static_cast<std::size_t>(m_currentIndex % 11 + 2);
    get(index)->setColor(seriePalette[slot]);
    added.notify(index);
    announce();
}

std::optional<int> TPointListSerieList::removeSerie(const TPointListSeriePtr& serie) {
    const auto index = TBase::remove(serie);
    validate(m_currentIndex);
    if (index) removed.notify(*index);
    announce();
    return index;
}

int TPointListSerieList::add(TPointListSeriePtr serie) {
    const int index = TBase::add(std::move(serie));
    added.notify(index);
    announce();
    return index;
}

void TPointListSerieList::insert(int index, TPointListSeriePtr serie) {
    TBase::insert(index, std::move(serie));
    added.notify(index);
    announce();
}

void TPointListSerieList::put(int index, TPointListSeriePtr serie) {
    TBase::put(index, std::move(serie));
    announce();
}

void TPointListSerieList::exchange(int index1, int index2) {
    TBase::exchange(index1, index2);
    announce();
}

void TPointListSerieList::deleteItem(int index) {
    TBase::deleteItem(index);
    removed.notify(index);
    announce();
}

std::optional<int> TPointListSerieList::remove(
    const std::shared_ptr<const TPointListSerie>& serie) {
    const auto index = TBase::remove(serie);
    if (!index) return index;
    removed.notify(*index);
    announce();
    return index;
}

void TPointListSerieList::clear() {
    const int before = count();
    TBase::clear();
    for (int index = before - 1; index >= 0; --index) removed.notify(index);
    announce();
}

int TPointListSerieList::effectiveIndex() const {
    return m_currentIndex >= 0 && m_currentIndex < count() ? m_currentIndex : count() - 1;
}

bool TPointListSerieList::currentMoved() const {
    const int index = effectiveIndex();
    const TPointListSerie* serie = index >= 0 ? get(index).get() : nullptr;
    return index != m_announcedIndex || serie != m_announcedSerie;
}

void TPointListSerieList::announce() {
    if (currentMoved()) {
        m_announcedIndex = effectiveIndex();
        m_announcedSerie = m_announcedIndex >= 0 ? get(m_announcedIndex).get() : nullptr;
        currentChanged.notify();
    }
    changed.notify();
}

TPointListSeriePtr TPointListSerieList::newSerie(std::string_view name) {
    auto serie = newPointListSerie({}, name);
    if (m_shareThreshold) serie->setThreshold(m_threshold);
    serie->setStyle(m_defaultStyle);
    addSerie(serie);
    return serie;
}

TPointListSeriePtr TPointListSerieList::newRandomSerie(std::string_view name) {
    if (!m_random) m_random.emplace(std::random_device{}());
    auto& random = *m_random;
    auto serie = newSerie(name);
    auto& points = *serie->points();
    double x = 0.0;
    while (x < 100.0) {
        x += 1.0 + 5.0 * uniform01(random);
        const int i = uniformBelow(random, 95);     // 0..94
        const int j = 1 + uniformBelow(random, 5);  // 1..5
        points.add({x, 5.0 + static_cast<double>(i) / j});
    }
    return serie;
}
