// The cross-hair figure.
#include "display/SpectrumCursor.h"

#include <QPainter>

#include "display/iSpectrum.h"

void TCrossCursor::paint(QPainter& painter, const iSpectrum& spectrum) const {
    const TPoint d = spectrum.worldToDevice(x(), y());
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(d.x, 0, d.x, spectrum.height());
    painter.drawLine(0, d.y, spectrum.width(), d.y);
    painter.restore();
}
