// The back/forward history of a plot's visible windows.
#pragma once

#include <optional>
#include <vector>

#include "model/WorldControl.h"

// Views (XMin, YMin, XMax, YMax) with the index of the one shown. Recording inserts after
// the current entry and keeps the entries ahead of it, so that going back and zooming
// elsewhere does not lose the way forward. At most maxViews entries are kept.
class TViewHistory {
public:
    static constexpr int maxViews = 20;

    bool isEmpty() const { return m_views.empty(); }
    int size() const { return static_cast<int>(m_views.size()); }
    // Index of the current entry; -1 exactly when the history is empty.
    int index() const { return m_index; }
    const std::vector<TFloatRect>& views() const { return m_views; }

    void clear();
    // Makes view the only entry of an empty history; does nothing otherwise.
    void start(const TFloatRect& view);
    // Inserts view after the current entry and makes it current. Beyond maxViews entries
    // the oldest is dropped when the new entry is at the end, else the newest.
    void record(const TFloatRect& view);
    // The entry before (after) the current one, which becomes current; nullopt at the
    // oldest (newest) entry.
    std::optional<TFloatRect> back();
    std::optional<TFloatRect> forward();

private:
    std::vector<TFloatRect> m_views;
    int m_index = -1;
};
