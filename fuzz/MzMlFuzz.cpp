// The mzML run reader over a run in memory: the table (through the index or the pass), then
// every spectrum and chromatogram decoded. Only the reader's ERunError may escape.
#include <cstdint>
#include <optional>

#include "FuzzCheck.h"
#include "files/MzMlRun.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(fuzz::textOf(data, size));
    std::optional<TMzMlRunReader> run;
    try {
        run.emplace(TMzMlRunReader::fromText(text, "fuzz.mzML"));
    } catch (const ERunError&) {
        return 0;
    }
    const bool statesArrayLengths = text.find("arrayLength") != std::string::npos;
    // Rows are found in file order, each on a start tag inside the text.
    std::uint64_t previous = 0;
    for (std::size_t i = 0; i < run->spectra().size(); ++i) {
        const TSpectrumRow& row = run->spectra()[i];
        FUZZ_CHECK(row.offset < size);
        FUZZ_CHECK(i == 0 || row.offset > previous);
        FUZZ_CHECK(row.peaksCount >= 0);
        previous = row.offset;
        run->nativeId(static_cast<int>(i));
        try {
            const auto peaks = run->loadSpectrum(static_cast<int>(i));
            // Every array holds exactly the stated count (the spectrum's, unless an array states
            // its own); pairs with a non-finite value are left out.
            if (!statesArrayLengths)
                FUZZ_CHECK(peaks.size() <= static_cast<std::size_t>(row.peaksCount));
            for (const TFloatPointRec& p : peaks)
                FUZZ_CHECK(std::isfinite(p.x) && std::isfinite(p.y));
        } catch (const ERunError&) {
        }
    }
    for (std::size_t i = 0; i < run->chromatograms().size(); ++i) {
        FUZZ_CHECK(run->chromatograms()[i].offset < size);
        run->chromatogramId(static_cast<int>(i));
        try {
            for (const TFloatPointRec& p : run->loadChromatogram(static_cast<int>(i)))
                FUZZ_CHECK(std::isfinite(p.x) && std::isfinite(p.y));
        } catch (const ERunError&) {
        }
    }
    FUZZ_CHECK(!run->indexUsed() || run->messages().empty());
    return 0;
}
