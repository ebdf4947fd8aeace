// The model's colours as Qt's and back (opaque RGB; the model keeps no alpha).
#pragma once

#include <QColor>

#include <cstdint>

#include "model/Color.h"

inline QColor toQColor(TColor c) {
    return QColor(c.r, c.g, c.b);
}

inline TColor toTColor(const QColor& c) {
    return TColor::fromRgb(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                           static_cast<std::uint8_t>(c.blue()));
}
