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
    const TRange& x = *data.xRange();
    const TIndexRange window = points.findRange(x.min(), x.max());
    if (window.first > window.last || window.first >= points.count()) return {};
    return points.textRange(window.first, window.last);
}
