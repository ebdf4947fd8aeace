// The label series: hit tests across its lists and painting with the deferred layout.
#include "model/LabelSeries.h"

std::optional<TLabelHit> TLabelSeries::hitTest(int x, int y) const {
    for (const auto& list : m_items)
        if (auto label = list->hitTest(x, y)) return TLabelHit{list, std::move(label)};
    return std::nullopt;
}

void TLabelSeries::paint(iWorldControl& control) {
    if (!m_visible) return;
    if (m_needsLayout) {
        for (const auto& list : m_items)
            if (list->isVisible()) list->placeAll(control);
        m_needsLayout = false;
    }
    for (const auto& list : m_items) list->paint(control);
}
