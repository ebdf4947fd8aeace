// The label series: hit tests across its lists, the deferred on-screen layout and the layout
// of a picture.
#include "model/LabelSeries.h"

std::optional<TLabelHit> TLabelSeries::hitTest(int x, int y) const {
    for (const auto& list : m_items)
        if (auto label = list->hitTest(x, y)) return TLabelHit{list, std::move(label)};
    return std::nullopt;
}

TPlacedLabels TLabelSeries::updateLayout(const iWorldControl& control) {
    TPlacedLabels placed;
    if (!m_visible) return placed;
    if (m_needsLayout) {
        for (const auto& list : m_items)
            if (list->isVisible()) list->placeAll(control);
        m_needsLayout = false;
    }
    for (const auto& list : m_items) list->updateLayout(control, placed);
    return placed;
}

TPlacedLabels TLabelSeries::layout(const iWorldControl& control) const {
    TPlacedLabels placed;
    if (!m_visible) return placed;
    for (const auto& list : m_items) list->layout(control, placed);
    return placed;
}
