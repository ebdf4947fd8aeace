// The .mzi document tree read from bytes in any of the encodings a document may have.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "files/Mzi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string markup;
    try {
        const TXMLQUENTARISType root = parseQUENTARIS(fuzz::textOf(data, size), "fuzz.mzi");
        FUZZ_CHECK(root.tagName() == "QUENTARIS");
        markup = root.xml();
    } catch (const EMziError&) {
        return 0;
    }
    // The markup of a document that was read is a document again, with the same markup.
    try {
        const TXMLQUENTARISType again = parseQUENTARIS(markup, "again.mzi");
        FUZZ_CHECK(again.xml() == markup);
    } catch (const EMziError& e) {
        std::fprintf(stderr, "markup written back does not read: %s\n", e.what());
        std::abort();
    }
    return 0;
}
