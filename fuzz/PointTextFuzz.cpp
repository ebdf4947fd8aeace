// The checksummed point text of a series.
#include <cstdint>

#include "FuzzCheck.h"
#include "model/ModelErrors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::textOf(data, size);
    TFloatPointSortedList list;
    try {
        list.setAsText(text);
    } catch (const EConvertError&) {
        // The points read before the fault stay, in order.
    }
    fuzz::checkSortedFinite(list);
    fuzz::checkPositiveXNonZeroY(list);
    // The checksum always covers the whole text, a failed reading included.
    FUZZ_CHECK(list.getChecksum() == pointTextChecksum(text));
    return 0;
}
