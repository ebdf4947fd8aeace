// The clipboard block of a threshold.
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "model/Threshold.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TThreshold threshold(1.0f, 2.0f, 3.0f, 4.0f);
    const auto before = threshold.points();
    const bool read = threshold.setClipboardBlock(std::span<const std::uint8_t>(data, size));
    if (!read) {
        FUZZ_CHECK(threshold.points() == before);
        return 0;
    }
    FUZZ_CHECK(static_cast<std::size_t>(threshold.count()) == size / 16);
    fuzz::checkSortedFinite(threshold);

    // The block written back reads to the same vertices.
    TThreshold again;
    FUZZ_CHECK(again.setClipboardBlock(threshold.getClipboardBlock()));
    FUZZ_CHECK(again.points() == threshold.points());
    return 0;
}
