// The mzXML reader over a run in memory. The first byte chooses how many scans are kept.
#include <cstdint>

#include "FuzzCheck.h"
#include "files/MzXml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int kept = data[0] % 13;
    std::optional<c_mzXML> run;
    try {
        run.emplace(c_mzXML::fromText(fuzz::textOf(data + 1, size - 1), "fuzz.mzXML", kept));
    } catch (const EMzXmlError&) {
        return 0;
    }
    FUZZ_CHECK(run->scans().size() <= static_cast<std::size_t>(kept));
    std::size_t peaks = 0;
    for (const c_scaninfo& scan : run->scans()) peaks += scan.peaks.size();
    FUZZ_CHECK(peaks <= c_mzXML::maxImportedPeaks);
    FUZZ_CHECK(run->scansRead() >= static_cast<int>(run->scans().size()));
    for (const c_scaninfo& scan : run->scans()) {
        FUZZ_CHECK(scan.precision == 0 || scan.precision == 32 || scan.precision == 64);
        // Peak data, compressed or not, holds exactly the pairs the count gives (those holding
        // a non-finite value are then left out).
        if (scan.peaksCount > 0)
            FUZZ_CHECK(scan.peaks.size() <= static_cast<std::size_t>(scan.peaksCount));
        for (const TFloatPointRec& p : scan.peaks)
            FUZZ_CHECK(std::isfinite(p.x) && std::isfinite(p.y));
    }
    return 0;
}
