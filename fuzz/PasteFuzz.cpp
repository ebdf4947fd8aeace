// The paste reader and the string-list items of a series.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "files/TextSpectrum.h"
#include "model/ModelErrors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::textOf(data, size);
    TFloatPointSortedList points;
    points.add({5.0, 5.0});
    try {
        readSeriesText(points, text);
    } catch (const EConvertError&) {
        // The pairs read before the fault stay.
    }
    fuzz::checkSortedFinite(points);
    fuzz::checkPositiveXNonZeroY(points);

    // The same bytes as string-list items, one per line.
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size() && items.size() < 1000) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        items.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    for (const std::string& item : items)
        if (const auto p = readStringListItem(item))
            FUZZ_CHECK(std::isfinite(p->x) && std::isfinite(p->y));
    TFloatPointSortedList list;
    try {
        readStringList(list, items);
    } catch (const EConvertError&) {
    }
    fuzz::checkSortedFinite(list);
    fuzz::checkPositiveXNonZeroY(list);
    return 0;
}
