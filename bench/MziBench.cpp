// Loading a .mzi document that holds a long series, against parsing the same bytes with pugixml;
// reading a long item list by index.
#include <benchmark/benchmark.h>

#include <map>
#include <random>
#include <string>

#include "model/FloatPointSortedList.h"
#include "files/Mzi.h"

namespace {

// One spectrum container whose observed series holds n points in the decimal point text,
// as a save would write it; fixed seed, 27 bytes a point.
const std::string& mziDocument(int n) {
    static std::map<int, std::string> cache;
    auto it = cache.find(n);
    if (it != cache.end()) return it->second;

    // m/z from 400 in steps of 0.01; abundances below 100000 fill the 9-character y field.
    std::mt19937_64 rng(19730412);
    std::uniform_real_distribution<double> abundance(0.0, 99999.0);
    TFloatPointSortedList list;
    list.setCapacity(n);
    for (int i = 0; i < n; ++i) list.add({400.0 + 0.01 * i, abundance(rng)});
    const std::string text = list.getAsText();

    TXMLQUENTARISType root = newQUENTARIS();
    TXMLSpectraType spectra = root.spectra_set().add();
    spectra.setName("benchmark");
    TXMLSpectrumobsType observed = spectra.spectrumobs();
    observed.setName("observed");
    observed.setView("continue");
    observed.setIDcode(pointTextChecksum(text));
    TXMLDataType data = observed.dataobs();
    data.setID(0);
    data.setName("observed");
    data.setDescription("");
    data.setNcols(2);
    data.setNvalues(n);
    data.setText(text);
    TXMLRangeType range = spectra.ranges().add();
    range.setName("default");
    range.setX1(list.first().x);
    range.setX2(list.last().x);
    return cache.emplace(n, root.xml() + "\r\n").first->second;
}

void BM_MziParse(benchmark::State& state) {
    const std::string& bytes = mziDocument(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TXMLQUENTARISType root = parseQUENTARIS(bytes);
        TXMLDataType data = root.spectra_set().item(0).spectrumobs().dataobs();
        TFloatPointSortedList list;
        list.setCapacity(static_cast<int>(data.nvalues()));
        list.setAsText(data.textView());
        benchmark::DoNotOptimize(list.getChecksum());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_FloorPugixmlParse(benchmark::State& state) {
    const std::string& bytes = mziDocument(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        pugi::xml_document document;
        benchmark::DoNotOptimize(document.load_buffer(bytes.data(), bytes.size()).status);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// The point-text read alone, on the very text that BM_MziParse reads out of its document.
void BM_MziPointTextRead(benchmark::State& state) {
    const std::string text = parseQUENTARIS(mziDocument(static_cast<int>(state.range(0))))
                                 .spectra_set()
                                 .item(0)
                                 .spectrumobs()
                                 .dataobs()
                                 .text();
    for (auto _ : state) {
        TFloatPointSortedList list;
        list.setCapacity(static_cast<int>(state.range(0)));
        list.setAsText(text);
        benchmark::DoNotOptimize(list.getChecksum());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// Every label of a long list by index, the way a loop up to count() reads them.
void BM_MziItemLoop(benchmark::State& state) {
    TXMLQUENTARISType root = newQUENTARIS();
    TXMLAnnotationType labels = root.spectra_set().add().annotations();
    for (int i = 0; i < state.range(0); ++i) labels.add().setX(i);
    for (auto _ : state) {
        double sum = 0.0;
        for (int i = 0; i < labels.count(); ++i) sum += labels.item(i).x();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_MziParse)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorPugixmlParse)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MziPointTextRead)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MziItemLoop)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
