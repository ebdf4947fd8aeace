// The view history's insert-and-keep-forward rule and its gestures.
#include "model/ViewHistory.h"

void TViewHistory::clear() {
    m_views.clear();
    m_index = -1;
    m_inGesture = false;
}

void TViewHistory::start(const TFloatRect& view) {
    if (!m_views.empty()) return;
    m_views.push_back(view);
    m_index = 0;
}

void TViewHistory::record(const TFloatRect& view) {
    m_inGesture = false;
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

void TViewHistory::recordStep(const TFloatRect& view) {
    // Nothing but the gesture's own steps has moved the index since its first step: the
    // entry it made is the current one.
    if (m_inGesture && m_index >= 0) {
        // A gesture back where it started leaves no entry; a further step makes one again.
        if (m_index > 0 && m_views[static_cast<std::size_t>(m_index - 1)] == view) {
            m_views.erase(m_views.begin() + m_index);
            --m_index;
            m_inGesture = false;
            return;
        }
        m_views[static_cast<std::size_t>(m_index)] = view;
        return;
    }
    // A step that moved nothing records nothing.
    if (m_index >= 0 && m_views[static_cast<std::size_t>(m_index)] == view) return;
    record(view);
    m_inGesture = true;
}

std::optional<TFloatRect> TViewHistory::back() {
    m_inGesture = false;
    if (m_index <= 0) return std::nullopt;
    --m_index;
    return m_views[static_cast<std::size_t>(m_index)];
}

std::optional<TFloatRect> TViewHistory::forward() {
    m_inGesture = false;
    if (m_index >= size() - 1) return std::nullopt;
    ++m_index;
    return m_views[static_cast<std::size_t>(m_index)];
}
