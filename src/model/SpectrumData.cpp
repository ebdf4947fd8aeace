// The data of one plot pane, the fitting of its visible windows to the current series and the
// steps that finish a loaded pane.
#include "model/SpectrumData.h"

#include <cmath>
#include <utility>

#include "model/Label.h"
#include "model/ModelErrors.h"

namespace {

TRangePtr newReversedRange(double min, double max) {
    auto range = newRange(min, max);
    range->setReversed(true);
    return range;
}

}  // namespace

TSpectrumData::TSpectrumData(std::string_view symbol, std::string_view name)
    : TSymbolNamed(symbol, name),
      m_xRange(newRange(0.0, 100.0)),
      m_yRange(newReversedRange(-5.0, 100.0)),
      m_series(newPointListSerieList()),
      m_labels(newLabelSeries()) {}

void TSpectrumData::setXRange(TRangePtr range) {
    m_xRange = required(std::move(range), "A spectrum needs an x range");
}

void TSpectrumData::setYRange(TRangePtr range) {
    m_yRange = required(std::move(range), "A spectrum needs a y range");
}

void TSpectrumData::fitXRange() {
    const TPointListSeriePtr serie = m_series->current();
    if (!serie) return;
    TFloatPointSortedList& points = *serie->points();
    TFloatPointRec lo = points.getMinPoint();
    TFloatPointRec hi = points.getMaxPoint();
    // A single abscissa (or no point) has no width to fit to: the window is 0..100, or 100 wide
    // around the abscissa when 0..100 would not show it (one pasted peak at m/z 810). The
    // corners are kept with the substitute, so that whoever reads them next (threshold reset,
    // drawing) sees the same.
    if (!(hi.x > lo.x)) {
        const double at = lo.x;
        const bool outside = points.count() > 0 && std::isfinite(at) && (at < 0.0 || at > 100.0);
        lo.x = outside ? at - 50.0 : 0.0;
        hi.x = outside ? at + 50.0 : 100.0;
        points.setMinPoint(lo);
        points.setMaxPoint(hi);
    }
    const double margin = (hi.x - lo.x) / 50.0;
    m_xRange->setMin(lo.x - margin);
    m_xRange->setMax(hi.x + margin);
}

// The window starts just below zero, whatever the smallest intensity: spectra are drawn
// from the base line up. Data without any positive intensity would give an empty or
// inverted window that shows nothing; it gets the mirror image instead (from just below its
// smallest intensity to just above zero), or 0..100 when all intensities are zero.
void TSpectrumData::fitYRange() {
    const TPointListSeriePtr serie = m_series->current();
    if (!serie) return;
    const TFloatPointSortedList& points = *serie->points();
    const double maxY = points.getMaxPoint().y;
    if (maxY > 0.0) {
        m_yRange->setMin(-maxY / 50.0);
        m_yRange->setMax(maxY + maxY / 50.0);
        return;
    }
    const double minY = points.getMinPoint().y;
    if (minY < 0.0) {
        m_yRange->setMin(minY + minY / 50.0);
        m_yRange->setMax(-minY / 50.0);
    } else {
        m_yRange->setMin(-2.0);
        m_yRange->setMax(102.0);
    }
}

void finishLoadedData(TSpectrumData& data) {
    TPointListSerieList& series = *data.series();
    series.setCurrentIndex(0);
    data.fitXRange();
    data.fitYRange();
    // A label list needs points to pick its peaks from: a first series that came empty (or was
    // found corrupt) gets none.
    if (!series.isEmpty() && !series.serie(0)->points()->isEmpty()) {
        const TPointlistLabelListPtr labels =
            newPointlistLabelList(customLabelsName, *series.serie(0)->points());
        labels->setVisible(true);
        labels->font().color = colors::navy;
        data.labels()->add(labels);
    }
    data.labels()->setNeedsLayout(true);
}
