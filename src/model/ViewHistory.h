// The back/forward history of a plot's visible windows.
#pragma once

#include <optional>
#include <vector>

#include "model/WorldControl.h"

// Views (XMin, YMin, XMax, YMax) with the index of the one shown. Recording inserts after
// the current entry and keeps the entries ahead of it, so that going back and zooming
// elsewhere does not lose the way forward. At most maxViews entries are kept.
//
// A gesture that moves the view in many small steps (a burst of wheel turns, a drag) leaves
// one entry: its first step is recorded, each further step replaces that entry's view.
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
    // Inserts view after the current entry and makes it current, whatever the current entry
    // holds: a view equal to it is recorded as well. Beyond maxViews entries the oldest is
    // dropped when the new entry is at the end, else the newest. Ends a running gesture.
    void record(const TFloatRect& view);
    // One step of a gesture: the first step records view, a later one of the same gesture
    // replaces the view of the entry the first step made. A first step to the current view
    // records nothing; a step back to the view the gesture started from removes its entry.
    void recordStep(const TFloatRect& view);
    // The next step starts a new entry. Recording, clearing and walking end a gesture too.
    void endGesture() { m_inGesture = false; }
    bool inGesture() const { return m_inGesture; }
    // The entry before (after) the current one, which becomes current; nullopt at the
    // oldest (newest) entry.
    std::optional<TFloatRect> back();
    std::optional<TFloatRect> forward();

private:
    std::vector<TFloatRect> m_views;
    int m_index = -1;
    // The current entry was made by the running gesture and takes its further steps.
    bool m_inGesture = false;
};
