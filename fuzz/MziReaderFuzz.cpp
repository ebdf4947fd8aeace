// The .mzi reader against the data model: every spectra element into its own spectrum data.
#include <cstdint>

#include "FuzzCheck.h"
#include "files/MziFile.h"
#include "files/MziNode.h"
#include "model/ModelErrors.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<TMziFileReader> reader;
    try {
        reader.emplace(TMziFileReader::fromText(fuzz::textOf(data, size), "fuzz.mzi"));
    } catch (const EMziError&) {
        return 0;
    }
    const int spectra = reader->spectraCount();
    FUZZ_CHECK(spectra >= 0);
    // A document with very many elements reads only the first few panes, as the viewer does.
    for (int i = 0; i < spectra && i < 8; ++i) {
        (void)reader->caption(i);
        TSpectrumData spectrum;
        try {
            reader->readSpectra(i, spectrum);
        } catch (const EMziError&) {
        } catch (const EConvertError&) {
        }
        const TPointListSerieList& series = *spectrum.series();
        for (int s = 0; s < series.count(); ++s) {
            const TFloatPointSortedList& points = *series.serie(s)->points();
            fuzz::checkSortedFinite(points);
        }
        finishLoadedData(spectrum);
        FUZZ_CHECK(spectrum.xRange()->x() <= spectrum.xRange()->y());
    }
    return 0;
}
