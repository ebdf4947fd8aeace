// Rounding shared by the world/pixel conversions and the axis scales.
#pragma once

#include <cmath>

// Rounds halves to the even neighbour whatever the floating-point rounding mode.
inline double roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;  // exact for every finite double
    if (fraction < 0.5) return floor;
    if (fraction > 0.5) return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}
