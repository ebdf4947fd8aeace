// The sealed Base64 form of a series. The first byte chooses whether the input is sealed here
// (so that the fuzzer reaches the decoder) or taken as it is (so that it meets the seal check).
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "model/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool seal = (data[0] & 1) != 0;
    std::string text(fuzz::textOf(data + 1, size - 1));
    if (seal) text += sha1Hex(text);

    TFloatPointSortedList list;
    const TFloatPointRec before{1.0, 2.0};
    list.add(before);
    const bool read = list.setAsBase64(text);
    if (!read) {
        FUZZ_CHECK(list.getChecksum() == 65535);
        FUZZ_CHECK(list.count() == 1 && list.first() == before);
        return 0;
    }
    FUZZ_CHECK(list.getChecksum() == 0);
    fuzz::checkSortedFinite(list);

    // The form written back reads to the same points.
    TFloatPointSortedList again;
    FUZZ_CHECK(again.setAsBase64(list.getAsBase64()));
    FUZZ_CHECK(again.points() == list.points());
    return 0;
}
