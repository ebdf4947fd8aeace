// The binary arrays of an mzML spectrum or chromatogram: their terms, and their values decoded
// from Base64, zlib and MS-Numpress into the (x, y) pairs of the element. No Qt.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "files/MzMlText.h"
#include "model/FloatPoint.h"

namespace mzml {

// Why the arrays cannot be decoded, said of the element ("its m/z array is not Base64"); the
// reader names the element and the file around it.
struct TArrayFault {
    std::string what;
};

// The (x, y) pairs of the arrays that follow an element's head at from (npos for an element
// without arrays): x from the m/z array, or with timeX from the time array scaled to seconds,
// y from the intensity array; name is "<spectrum" or "<chromatogram"; defaultLength is the
// head's defaultArrayLength. Pairs holding NaN or an infinity are left out. Throws
// TArrayFault.
std::vector<TFloatPointRec> arrayPairs(std::string_view text, std::size_t from,
                                       std::string_view name, const TGroups& groups,
                                       long long defaultLength, bool timeX);

}  // namespace mzml
