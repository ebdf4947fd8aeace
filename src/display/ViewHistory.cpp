// The view history's insert-and-keep-forward rule.
#include "display/ViewHistory.h"

void TViewHistory::clear() {
    m_views.clear();
    m_index = -1;
}

void TViewHistory::start(const TFloatRect& view) {
    if (!m_views.empty()) return;
    m_views.push_back(view);
    m_index = 0;
}

void TViewHistory::record(const TFloatRect& view) {
    ++m_index;
    m_views.insert(m_views.begin() + m_index, view);
    if (size() <= maxViews) return;
    if (m_index >= maxViews) {
        m_views.erase(m_views.begin());
        --m_index;
    } else {
        m_views.resize(maxViews);
    }
}

std::optional<TFloatRect> TViewHistory::back() {
    if (m_index <= 0) return std::nullopt;
    --m_index;
    return m_views[static_cast<std::size_t>(m_index)];
}

std::optional<TFloatRect> TViewHistory::forward() {
    if (m_index >= size() - 1) return std::nullopt;
    ++m_index;
    return m_views[static_cast<std::size_t>(m_index)];
}
