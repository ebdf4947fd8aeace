// The import of text spectrum files. The first byte chooses the layout, or its detection.
#include <cstdint>

#include "FuzzCheck.h"
#include "files/TextSpectrum.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    constexpr TTextLayout layouts[] = {TTextLayout::FirstTwoNumbers, TTextLayout::HplcColumns,
                                       TTextLayout::Detect};
    const TTextLayout layout = layouts[data[0] % 3];
    TTextSpectrum result;
    try {
        result = readTextSpectrum(fuzz::textOf(data + 1, size - 1), layout);
    } catch (const ETextSpectrumError&) {
        return 0;
    }
    FUZZ_CHECK(result.points != nullptr);
    FUZZ_CHECK(result.layout != TTextLayout::Detect);
    if (layout != TTextLayout::Detect) FUZZ_CHECK(result.layout == layout);
    const TFloatPointSortedList& points = *result.points;
    fuzz::checkSortedFinite(points);
    fuzz::checkPositiveXNonZeroY(points);
    // Values pass through 32-bit floats.
    for (const auto& p : points.points()) {
        FUZZ_CHECK(static_cast<double>(static_cast<float>(p.x)) == p.x);
        FUZZ_CHECK(static_cast<double>(static_cast<float>(p.y)) == p.y);
    }
    FUZZ_CHECK(points.count() <= result.dataLines);
    FUZZ_CHECK(result.lineErrors >= 0 && result.lineErrors < maxLineErrors);
    if (result.stopLine) FUZZ_CHECK(*result.stopLine >= 1);
    return 0;
}
