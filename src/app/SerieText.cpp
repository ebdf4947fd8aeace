// Point text and mass lists of a pane's current series.
#include "app/SerieText.h"

#include "files/TextSpectrum.h"
#include "model/FloatPointSortedList.h"
#include "model/PointListSerie.h"
#include "model/Range.h"
#include "model/SpectrumData.h"

std::string currentSerieText(TSpectrumData& data, TSerieText what) {
    const auto serie = data.series()->current();
    if (!serie) return {};
    TFloatPointSortedList& points = *serie->points();
    switch (what) {
        case TSerieText::Points:
            return points.getAsText();
        case TSerieText::Masses:
            return massListText(points);
        case TSerieText::VisiblePoints:
            break;
    }
    // The search gives the nearest point when the window holds none, or lies beyond either end
    // of the points: only points inside the window are copied, as Save range writes them.
    const TRange& x = *data.xRange();
    TIndexRange window = points.findRange(x.min(), x.max());
    if (window.first > window.last || window.first >= points.count()) return {};
    if (points.get(window.first).x < x.min()) ++window.first;
    if (window.first <= window.last && points.get(window.last).x > x.max()) --window.last;
    if (window.first > window.last) return {};
    return points.textRange(window.first, window.last);
}
