// The label lists of one pane: found by name, laid out again after a zoom or resize, and
// placed and hit together.
#pragma once

#include <memory>
#include <optional>

#include "model/Label.h"
#include "model/Symbol.h"
#include "model/WorldControl.h"

// A label found by a hit test, with the list that holds it.
struct TLabelHit {
    TLabelListPtr list;
    TControlLabelPtr label;
};

class TLabelSeries : public TSymbolNamedListOf<TLabelList> {
public:
    // Hides all labels of the pane.
    bool isVisible() const { return m_visible; }
    void setVisible(bool value) { m_visible = value; }
    const TLabelListPtr& labelList(int index) const { return get(index); }
    // The next updateLayout lays out every visible list again; set when the view or size
    // changes.
    bool needsLayout() const { return m_needsLayout; }
    void setNeedsLayout(bool value) { m_needsLayout = value; }

    // The first list (in order) with a label at pixel (x, y), and that label; the series'
    // own Visible flag does not matter here, the lists' and labels' flags do.
    std::optional<TLabelHit> hitTest(int x, int y) const;

    // The step before the plot on screen draws its labels: lays out every visible list again
    // when flagged (and clears the flag), brings each label's own layout up to date (see
    // TLabelList::updateLayout) and returns the visible labels placed, in drawing order.
    // Nothing happens while the series is hidden.
    TPlacedLabels updateLayout(const iWorldControl& control);
    // The visible labels as a fresh layout for control places them, in drawing order; the
    // labels keep their own layout. Empty while the series is hidden.
    TPlacedLabels layout(const iWorldControl& control) const;

private:
    bool m_visible = true;
    bool m_needsLayout = false;
};

using TLabelSeriesPtr = std::shared_ptr<TLabelSeries>;

inline TLabelSeriesPtr newLabelSeries() {
    return std::make_shared<TLabelSeries>();
}
