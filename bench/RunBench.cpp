// Whole runs of some 500 MB: the scan table of an indexed mzML run (MS1-heavy and data-dependent)
// and of one without its index, and the decoding of its largest spectrum, against the floor of
// one memchr pass for every '<' over the mapped file.
// The runs are made from the spectra of a real run and kept in the temporary folder, so that a
// later run of the program finds them ready.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "BenchRuns.h"
#include "files/MappedFile.h"
#include "files/Run.h"
#include "model/Base64.h"

namespace {

namespace fs = std::filesystem;

// Run A: 48 spectra, 14 MS1 profile spectra of 15,000 to 33,000 points and 34 MS2 centroid lists.
const std::string templateRun =
    std::string(VELMORIX_SOURCE_DIR) + "/tests/data/mzml/ltqft_small.pwiz.mzML";
constexpr std::uint64_t targetBytes = 500'000'000;

// One spectrum element of the template run, cut where the generator puts its own values: the
// index, the id, the retention time (minutes) and, for MS2, the id of the precursor's spectrum.
struct TTemplate {
    enum class TField { Index, Id, Minutes, PrecursorId };
    std::vector<std::string_view> literals;  // one more than fields
    std::vector<TField> fields;
    int msLevel = 0;
};

std::string nativeId(std::uint64_t scan) {
    return "controllerType=0 controllerNumber=1 scan=" + std::to_string(scan);
}

std::string shortest(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// The template run, read once; its spectra cut into templates.
struct TTemplateRun {
    std::string text;
    std::string_view header;  // up to the first spectrum, with spectrumList's count cut out
    std::string_view headerAfterCount;
    std::vector<TTemplate> spectra;

    TTemplateRun() {
        std::ifstream in(templateRun, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
        const std::string_view t = text;
        const auto first = t.find("<spectrum ");
        const auto count = t.find("count=\"", t.find("<spectrumList")) + 7;
        header = t.substr(0, count);
        headerAfterCount = t.substr(t.find('"', count), first - t.find('"', count));
        for (auto at = first; at != std::string_view::npos; at = t.find("<spectrum ", at + 1)) {
            const auto end = t.find("</spectrum>", at) + 11;
            spectra.push_back(cut(t.substr(at, end - at)));
        }
    }

    static TTemplate cut(std::string_view s) {
        TTemplate result;
        result.msLevel = s.find("name=\"ms level\" value=\"1\"") != std::string_view::npos ? 1 : 2;
        // Each field is the value of the first attribute after its key, in this order.
        std::vector<std::pair<std::string_view, TTemplate::TField>> keys = {
            {"index=\"", TTemplate::TField::Index},
            {"id=\"", TTemplate::TField::Id},
            {"name=\"scan start time\" value=\"", TTemplate::TField::Minutes}};
        if (result.msLevel == 2) keys.push_back({"spectrumRef=\"", TTemplate::TField::PrecursorId});
        std::size_t from = 0;
        for (const auto& [key, field] : keys) {
            const auto value = s.find(key, from) + key.size();
            result.literals.push_back(s.substr(from, value - from));
            result.fields.push_back(field);
            from = s.find('"', value);
        }
        result.literals.push_back(s.substr(from));
        return result;
    }
};

const TTemplateRun& templates() {
    static const TTemplateRun run;
    return run;
}

// Which templates a run holds, in order.
std::vector<int> plan(bool dda) {
    const TTemplateRun& t = templates();
    std::vector<int> ms1, ms2;
    for (int i = 0; i < static_cast<int>(t.spectra.size()); ++i)
        (t.spectra[static_cast<std::size_t>(i)].msLevel == 1 ? ms1 : ms2).push_back(i);
    if (ms1.empty() || ms2.empty())
        throw std::runtime_error("cannot read the spectra of " + templateRun);
    std::vector<int> order;
    std::uint64_t bytes = t.text.size() / 20;  // the header and the index, roughly
    const auto add = [&](int i) {
        order.push_back(i);
        for (const auto l : t.spectra[static_cast<std::size_t>(i)].literals) bytes += l.size();
    };
    for (std::size_t cycle = 0; bytes < targetBytes; ++cycle) {
        if (dda) {
            add(ms1[cycle % ms1.size()]);
            for (std::size_t j = 0; j < 20; ++j) add(ms2[(cycle * 20 + j) % ms2.size()]);
        } else {
            for (std::size_t i = 0; i < t.spectra.size(); ++i) add(static_cast<int>(i));
        }
    }
    return order;
}

// The bytes of a run, or only their count: the same writer sizes a run without making it.
class TSink {
public:
    explicit TSink(bool keep) : m_keep(keep) {
        if (keep) m_bytes.reserve(std::size_t(520) << 20);
    }
    void put(std::string_view text) {
        m_size += text.size();
        if (m_keep) m_bytes += text;
    }
    std::uint64_t size() const { return m_size; }
    bool keeps() const { return m_keep; }
    const std::string& bytes() const { return m_bytes; }

private:
    bool m_keep;
    std::uint64_t m_size = 0;
    std::string m_bytes;
};

// The run the plan gives: retention times step by 0.01 minutes, each MS2 spectrum names the MS1
// spectrum before it as its precursor's, the index (when asked for) is exact.
void writeRun(TSink& out, const std::vector<int>& order, bool indexed) {
    const TTemplateRun& t = templates();
    if (indexed) {
        out.put(t.header);
    } else {
        out.put("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n  ");
        out.put(t.header.substr(t.header.find("<mzML")));
    }
    out.put(std::to_string(order.size()));
    out.put(t.headerAfterCount);
    std::vector<std::uint64_t> offsets;
    offsets.reserve(order.size());
    std::uint64_t lastMs1 = 1;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const TTemplate& s = t.spectra[static_cast<std::size_t>(order[k])];
        if (s.msLevel == 1) lastMs1 = k + 1;
        offsets.push_back(out.size());
        for (std::size_t f = 0; f < s.fields.size(); ++f) {
            out.put(s.literals[f]);
            switch (s.fields[f]) {
                case TTemplate::TField::Index:
                    out.put(std::to_string(k));
                    break;
                case TTemplate::TField::Id:
                    out.put(nativeId(k + 1));
                    break;
                case TTemplate::TField::Minutes:
                    out.put(shortest(0.01 * static_cast<double>(k)));
                    break;
                case TTemplate::TField::PrecursorId:
                    out.put(nativeId(lastMs1));
                    break;
            }
        }
        out.put(s.literals.back());
        out.put("\n        ");
    }
    out.put("\n      </spectrumList>\n    </run>\n  </mzML>\n");
    if (!indexed) return;
    out.put("  ");
    const std::uint64_t indexListOffset = out.size();
    out.put("<indexList count=\"1\">\n    <index name=\"spectrum\">\n");
    for (std::size_t k = 0; k < offsets.size(); ++k)
        out.put("      <offset idRef=\"" + nativeId(k + 1) + "\">" + std::to_string(offsets[k]) +
                "</offset>\n");
    out.put("    </index>\n  </indexList>\n  <indexListOffset>" + std::to_string(indexListOffset) +
            "</indexListOffset>\n  <fileChecksum>");
    std::string checksum = out.keeps() ? sha1Hex(out.bytes()) : std::string(40, '0');
    std::transform(checksum.begin(), checksum.end(), checksum.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    out.put(checksum);
    out.put("</fileChecksum>\n</indexedmzML>\n");
}

// Writes the run to path (through a part file renamed at the end) unless a file of its size is
// there already.
void makeRun(const fs::path& path, bool dda, bool indexed) {
    const std::vector<int> order = plan(dda);
    TSink sized(false);
    writeRun(sized, order, indexed);
    std::error_code error;
    if (fs::file_size(path, error) == sized.size() && !error) return;
    TSink out(true);
    writeRun(out, order, indexed);
    const fs::path part = path.string() + ".part";
    std::ofstream(part, std::ios::binary)
        .write(out.bytes().data(), static_cast<std::streamsize>(out.bytes().size()));
    if (fs::file_size(part) != out.size())
        throw std::runtime_error("cannot write " + part.string());
    fs::rename(part, path);
}

}  // namespace

std::optional<std::string> benchRunPath(const std::string& name, std::string& error) {
    static std::map<std::string, std::optional<std::string>> made;
    if (const auto it = made.find(name); it != made.end()) return it->second;
    std::optional<std::string> path;
    try {
        const fs::path folder = fs::temp_directory_path() / "velmorix-bench-runs";
        fs::create_directories(folder);
        const fs::path file = folder / (name + ".mzML");
        makeRun(file, name == "dda", name != "ms1-noindex");
        path = file.string();
    } catch (const std::exception& e) {
        error = e.what();
    }
    return made[name] = path;
}

namespace {

void BM_RunFloor(benchmark::State& state, const std::string& name) {
    std::string error;
    const auto path = benchRunPath(name, error);
    if (!path) return state.SkipWithError(error.c_str());
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        const TMappedFile file(*path);
        std::size_t tags = 0;
        const char* p = file.data();
        const char* end = p + file.size();
        while ((
            p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p))))) {
            ++tags;
            ++p;
        }
        benchmark::DoNotOptimize(tags);
        bytes += file.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_RunTable(benchmark::State& state, const std::string& name, bool perRow) {
    std::string error;
    const auto path = benchRunPath(name, error);
    if (!path) return state.SkipWithError(error.c_str());
    std::size_t rows = 0, capacity = 0;
    for (auto _ : state) {
        try {
            const auto run = openRun(*path);
            rows = run->spectra().size();
            capacity = run->spectra().capacity();
            benchmark::DoNotOptimize(run->spectra().data());
        } catch (const std::exception& e) {
            return state.SkipWithError(e.what());
        }
    }
    state.counters["spectra"] = static_cast<double>(rows);
    if (perRow && rows > 0)
        state.counters["bytes_per_spectrum"] =
            static_cast<double>(capacity * sizeof(TSpectrumRow)) / static_cast<double>(rows);
}

void BM_RunSpectrum(benchmark::State& state, const std::string& name) {
    std::string error;
    const auto path = benchRunPath(name, error);
    if (!path) return state.SkipWithError(error.c_str());
    std::unique_ptr<iRunReader> run;
    try {
        run = openRun(*path);
    } catch (const std::exception& e) {
        return state.SkipWithError(e.what());
    }
    const auto& rows = run->spectra();
    if (rows.empty()) return state.SkipWithError("the run holds no spectra");
    const auto largest = static_cast<int>(
        std::max_element(rows.begin(), rows.end(),
                         [](const auto& a, const auto& b) { return a.peaksCount < b.peaksCount; }) -
        rows.begin());
    std::size_t points = 0;
    for (auto _ : state) {
        const auto peaks = run->loadSpectrum(largest);
        points = peaks.size();
        benchmark::DoNotOptimize(peaks.data());
    }
    state.counters["points"] = static_cast<double>(points);
}

const bool registered = [] {
    for (const std::string name : {"ms1", "dda"}) {
        benchmark::RegisterBenchmark(("BM_RunFloor/" + name).c_str(), BM_RunFloor, name)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_RunTable/" + name).c_str(), BM_RunTable, name,
                                     name == "dda")
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("BM_RunTableNoIndex/ms1", BM_RunTable, std::string("ms1-noindex"),
                                 false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_RunSpectrum/ms1", BM_RunSpectrum, std::string("ms1"))
        ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
