// The plot's peak read-out: reading under the pointer, stepping with Ctrl+arrows, the marker.
#include <QPainter>
#include <QPen>

#include <cmath>

#include "display/MeasureTool.h"
#include "display/QtColor.h"
#include "display/Spectrum.h"
#include "display/ViewCommands.h"
#include "model/PointListSerie.h"

namespace {

// Where the read-out's point is in its series now: at the index it was read from, else found
// again by its m/z after the points changed; nullopt when the series or the point is gone.
std::optional<int> locate(const TReadout& r, const TPointListSerie& serie) {
    const TFloatPointSortedList& points = *serie.points();
    if (r.index >= 0 && r.index < points.count() && points.get(r.index) == r.point) return r.index;
    const TNearest n = points.findNearest({r.point.x, r.point.y});
    if (points.isEmpty() || n.diff != 0.0) return std::nullopt;
    return n.index;
}

}  // namespace

QString TSpectrum::statusText() const {
    if (const TMeasurement* shown = measurement()) return QString::fromStdString(shown->text());
    return m_readout ? QString::fromStdString(m_readout->text()) : cursorReadout();
}

void TSpectrum::setReadout(std::optional<TReadout> value) {
    if (value == m_readout) return;
    m_readout = std::move(value);
    update();
    emit readoutChanged();
}

void TSpectrum::refreshReadout() {
    if (m_hovered && !m_readoutStepped) {
        setReadout(findReadout(*this, m_hoverPixel.x(), m_hoverPixel.y(), readoutTolerance));
        return;
    }
    if (!m_readout) return;
    // A read-out kept in place reads its point again: the view decides its percentage.
    const TPointListSeriePtr serie = m_readout->serie.lock();
    const std::optional<int> index = serie ? locate(*m_readout, *serie) : std::nullopt;
    setReadout(index ? std::optional(makeReadout(*this, serie, *index)) : std::nullopt);
}

void TSpectrum::stepReadout(int step) {
    TPointListSeriePtr serie;
    int index = 0;
    if (m_readout) {
        if (const TPointListSeriePtr own = m_readout->serie.lock())
            if (const auto at = locate(*m_readout, *own)) {
                serie = own;
                index = *at + step;
            }
    }
    if (!serie) {
        // From the pointer, or the middle of the view, to the first point on that side.
        serie = m_data->series()->current();
        if (!serie || serie->points()->isEmpty()) return;
        const TFloatRect view = getView();
        const double from = m_hovered ? m_mousePos.x : (view.x1 + view.x2) / 2.0;
        const TNearest n = serie->points()->findNearest({from, 0.0});
        index = n.index;
        if (step > 0 && n.diff < 0.0) ++index;
        if (step < 0 && n.diff > 0.0) --index;
    }
    // At either end the read-out stays where it is.
    if (index < 0 || index >= serie->points()->count()) return;

    m_readoutStepped = true;
    const double x = serie->points()->get(index).x;
    const TFloatRect view = getView();
    const double low = std::min(view.x1, view.x2);
    const double high = std::max(view.x1, view.x2);
    if (std::isfinite(x) && (x < low || x > high)) {
        const double half = (high - low) / 2.0;
        TViewCommands(*this).showX(x - half, x + half);
    }
    setReadout(makeReadout(*this, serie, index));
}

void TSpectrum::paintReadoutMarker(QPainter& painter) const {
    if (!m_readout) return;
    const TPoint at = readoutPixel(*this, *m_readout);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(toQColor(m_readout->color), 1));
    painter.setBrush(Qt::NoBrush);
    constexpr int radius = readoutMarkerSize / 2;
    painter.drawEllipse(QPoint(at.x, at.y), radius, radius);
}
