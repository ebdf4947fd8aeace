// Checks shared by the fuzz targets: a broken invariant stops the run with a message, so that
// the fuzzer reports wrong results and not only crashes.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "model/FloatPointSortedList.h"

#define FUZZ_CHECK(condition)                                                                 \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__,         \
                         #condition);                                                         \
            std::abort();                                                                     \
        }                                                                                     \
    } while (false)

namespace fuzz {

inline std::string_view textOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Every point finite and the list in ascending x.
inline void checkSortedFinite(const TFloatPointSortedList& list) {
    const auto& points = list.points();
    for (std::size_t i = 0; i < points.size(); ++i) {
        FUZZ_CHECK(std::isfinite(points[i].x) && std::isfinite(points[i].y));
        if (i > 0) FUZZ_CHECK(points[i - 1].x <= points[i].x);
    }
}

// The readers of point text skip pairs with x <= 0 or y = 0.
inline void checkPositiveXNonZeroY(const TFloatPointSortedList& list) {
    for (const auto& p : list.points()) FUZZ_CHECK(p.x > 0.0 && p.y != 0.0);
}

}  // namespace fuzz
