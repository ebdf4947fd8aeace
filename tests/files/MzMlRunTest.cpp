// The mzML run reader: the real runs against their independent decoders, the index faults a pass
// recovers from, every encoding a converter writes against the plain form, and damaged runs.
#include "files/MzMlRun.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "files/Run.h"
#include "model/Base64.h"
#include "support/TestHelpers.h"

namespace {

const std::string dataFolder = std::string(VELMORIX_TEST_DATA) + "/mzml/";

// --- the oracle ---------------------------------------------------------------------------------

// The numbers in the value of "key" in a JSON object's text (one number, or all numbers of a
// nested array), up to the next key.
std::vector<double> numbersOf(std::string_view object, std::string_view key) {
    const std::size_t at = object.find("\"" + std::string(key) + "\":");
    if (at == std::string_view::npos) return {};
    std::size_t p = at + key.size() + 3;
    // Keys of a scan are indented by three blanks, those of the run by one.
    const std::size_t end =
        std::min({object.find("\n   \"", p), object.find("\n \"", p), object.size()});
    std::vector<double> numbers;
    while (p < end) {
        const char c = object[p];
        if ((c >= '0' && c <= '9') || c == '-') {
            double value = 0.0;
            const auto [next, error] =
                std::from_chars(object.data() + p, object.data() + end, value);
            if (error != std::errc()) break;
            numbers.push_back(value);
            p = static_cast<std::size_t>(next - object.data());
        } else {
            ++p;
        }
    }
    return numbers;
}

struct TOracle {
    std::string json;
    std::vector<std::string_view> scans;  // each scan's object text
};

TOracle oracleOf(const std::string& file) {
    TOracle oracle{fileBytes(dataFolder + file + ".oracle.json"), {}};
    const std::string_view json = oracle.json;
    std::size_t at = json.find("\"num\":", json.find("\"scans\""));
    while (at != std::string_view::npos) {
        const std::size_t next = json.find("\"num\":", at + 1);
        oracle.scans.push_back(json.substr(at, next - at));
        at = next;
    }
    return oracle;
}

// Both shared runs: the table through their index (exact, and one byte early in the second),
// counts per MS level, the first twelve spectra's points exactly and their times in seconds.
TEST(MzMlRunRealRuns, TablesAndPeaksAsTheOraclesSay) {
    for (const std::string file : {"ltqft_small.pwiz.mzML", "qexactive_cems.openms.mzML"}) {
        SCOPED_TRACE(file);
        const TOracle oracle = oracleOf(file);
        ASSERT_FALSE(oracle.scans.empty());
        const std::unique_ptr<iRunReader> run = openRun(dataFolder + file);
        EXPECT_STREQ(run->formatName(), "mzML");
        EXPECT_TRUE(run->indexUsed());
        EXPECT_TRUE(run->messages().empty());
        const auto& rows = run->spectra();
        ASSERT_EQ(static_cast<double>(rows.size()),
                  numbersOf(oracle.json, "scan_elements_in_file").at(0));
        std::map<int, double> levels;
        double points = 0;
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            ++levels[rows[static_cast<std::size_t>(i)].msLevel];
            points += static_cast<double>(run->loadSpectrum(i).size());
        }
        EXPECT_EQ(points, numbersOf(oracle.json, "total_points").at(0));
        const auto counts = numbersOf(oracle.json, "ms_level_counts");
        EXPECT_EQ((std::vector<double>{1, levels[1], 2, levels[2]}), counts);

        for (std::size_t i = 0; i < oracle.scans.size(); ++i) {
            const std::string_view scan = oracle.scans[i];
            SCOPED_TRACE("spectrum " + std::to_string(i));
            const TSpectrumRow& row = rows[i];
            EXPECT_EQ(row.scanNumber, numbersOf(scan, "num").at(0));
            EXPECT_EQ(run->nativeId(static_cast<int>(i)),
                      "controllerType=0 controllerNumber=1 scan=" + std::to_string(row.scanNumber));
            EXPECT_EQ(row.msLevel, numbersOf(scan, "msLevel").at(0));
            EXPECT_EQ(row.peaksCount, numbersOf(scan, "peaksCount").at(0));
            EXPECT_EQ(row.peakMode, row.msLevel == 1 || file[0] == 'q' ? TPeakMode::Profile
                                                                       : TPeakMode::Centroid);
            EXPECT_EQ(row.polarity, TPolarity::Positive);
            const double time = numbersOf(scan, "scan_start_time").at(0);
            const bool minutes = scan.find("\"minute\"") != std::string_view::npos;
            EXPECT_EQ(row.retentionTime, minutes ? time * 60 : time);
            EXPECT_EQ(row.hasPrecursor(), row.msLevel == 2);

            const auto peaks = run->loadSpectrum(static_cast<int>(i));
            ASSERT_EQ(static_cast<double>(peaks.size()), numbersOf(scan, "decoded_points").at(0));
            std::vector<double> first3, last3;
            double minMz = INFINITY, maxMz = -INFINITY, maxIntensity = -INFINITY, sum = 0;
            for (std::size_t k = 0; k < peaks.size(); ++k) {
                if (k < 3) first3.insert(first3.end(), {peaks[k].x, peaks[k].y});
                if (k + 3 >= peaks.size()) last3.insert(last3.end(), {peaks[k].x, peaks[k].y});
                minMz = std::min(minMz, peaks[k].x);
                maxMz = std::max(maxMz, peaks[k].x);
                maxIntensity = std::max(maxIntensity, peaks[k].y);
                sum += peaks[k].y;
            }
            EXPECT_EQ(first3, numbersOf(scan, "first3"));
            EXPECT_EQ(last3, numbersOf(scan, "last3"));
            EXPECT_EQ(minMz, numbersOf(scan, "min_mz").at(0));
            EXPECT_EQ(maxMz, numbersOf(scan, "max_mz").at(0));
            EXPECT_EQ(maxIntensity, numbersOf(scan, "max_intensity").at(0));
            EXPECT_EQ(sum, numbersOf(scan, "sum_intensity_sequential").at(0));
        }

        // The stored TIC: one point per spectrum, its times those of the spectra.
        ASSERT_EQ(run->chromatograms().size(), 1u);
        EXPECT_EQ(run->chromatograms()[0].kind, TChromatogramKind::Tic);
        EXPECT_EQ(run->chromatogramId(0), "TIC");
        const auto tic = run->loadChromatogram(0);
        ASSERT_EQ(static_cast<int>(tic.size()), run->chromatograms()[0].points);
        if (file[0] == 'l') {
            EXPECT_NEAR(tic.back().x, rows.back().retentionTime, 1e-6);
        }
    }

    // Terms of the first MS2 spectrum of the first run, as the file states them.
    const TMzMlRunReader run(dataFolder + "ltqft_small.pwiz.mzML");
    const TSpectrumRow& ms2 = run.spectra()[2];
    EXPECT_EQ(ms2.precursorMz, 810.789428710938);
    EXPECT_EQ(ms2.precursorCharge, 0);
    EXPECT_EQ(ms2.totIonCurrent, 5.86279e05);
    EXPECT_EQ(ms2.basePeakMz, 736.637084960938);
    EXPECT_EQ(ms2.basePeakIntensity, 1.61140859375e05);
}

// --- the index
// ------------------------------------------------------------------------------------

std::string replacedAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t done = 0;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, done)) {
        out.append(text.substr(done, at - done)).append(to);
        done = at + from.size();
    }
    return out.append(text.substr(done));
}

// The text with the number of the first "<tag>N</tag>" at or after from changed by delta.
std::string shiftedNumber(std::string text, std::string_view tag, long delta,
                          std::size_t from = 0) {
    const std::size_t at = text.find(std::string(tag), from) + tag.size();
    const std::size_t end = text.find('<', at);
    const long value = std::stol(text.substr(at, end - at));
    return text.replace(at, end - at, std::to_string(value + delta));
}

void expectSameRows(const iRunReader& run, const iRunReader& reference) {
    ASSERT_EQ(run.spectra().size(), reference.spectra().size());
    for (std::size_t i = 0; i < run.spectra().size(); ++i) {
        const TSpectrumRow& a = run.spectra()[i];
        const TSpectrumRow& b = reference.spectra()[i];
        EXPECT_EQ(a.scanNumber, b.scanNumber);
        EXPECT_EQ(a.msLevel, b.msLevel);
        EXPECT_EQ(a.retentionTime, b.retentionTime);
        EXPECT_EQ(a.peaksCount, b.peaksCount);
        EXPECT_EQ(std::isnan(a.precursorMz), std::isnan(b.precursorMz));
    }
    ASSERT_EQ(run.chromatograms().size(), reference.chromatograms().size());
    const int last = static_cast<int>(run.spectra().size()) - 1;
    EXPECT_EQ(run.nativeId(last), reference.nativeId(last));
}

// An index that is missing, a little off, wrong, shifted by a line-end rewrite or left over from
// a file cut and re-joined never stops the run from being read: the pass finds every spectrum
// and the message names the file.
TEST(MzMlRunIndex, FaultsAreRecoveredByOnePass) {
    const std::string original = fileBytes(dataFolder + "ltqft_small.pwiz.mzML");
    const TMzMlRunReader reference = TMzMlRunReader::fromText(original, "run.mzML");
    ASSERT_TRUE(reference.indexUsed());
    ASSERT_EQ(reference.spectra().size(), 48u);

    const std::size_t indexAt = original.find("<indexList");
    const std::string noIndex = original.substr(0, indexAt) + "</indexedmzML>\n";
    const std::string crlf = replacedAll(original, "\n", "\r\n");
    // A spectrum's offset off by more than a slip, and by one byte.
    const std::size_t fifth = original.find("scan=5\">");
    const std::string wrongOffset = shiftedNumber(original, "scan=5\">", 40, indexAt);
    const std::string slippedOffset = shiftedNumber(original, "scan=5\">", -1, indexAt);
    const std::string pastTheEnd = shiftedNumber(original, "<indexListOffset>", 1L << 40);
    const std::string offsetPastTheEnd = shiftedNumber(original, "scan=7\">", 1L << 40, indexAt);
    const std::string listOneEarly = shiftedNumber(original, "<indexListOffset>", -1);
    ASSERT_NE(fifth, std::string::npos);
    const std::size_t chromatogramIndex = original.find("<index name=\"chromatogram\">");
    const std::string noChromatogramIndex =
        original.substr(0, chromatogramIndex) +
        original.substr(original.find("</index>", chromatogramIndex) + 8);

    struct TCase {
        const char* name;
        std::string text;
        bool indexUsed;
        bool message;
    };
    const std::vector<TCase> cases = {
        {"no index", noIndex, false, false},
        {"CRLF", crlf, false, true},
        {"wrong offset", wrongOffset, false, true},
        {"offset one byte early", slippedOffset, true, false},
        {"index list offset past the end", pastTheEnd, false, true},
        {"spectrum offset past the end", offsetPastTheEnd, false, true},
        {"index list offset one byte early", listOneEarly, true, false},
        {"chromatograms left out of the index", noChromatogramIndex, false, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TMzMlRunReader run = TMzMlRunReader::fromText(c.text, "run.mzML");
        EXPECT_EQ(run.indexUsed(), c.indexUsed);
        ASSERT_EQ(run.messages().size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_NE(run.messages()[0].find("\"run.mzML\""), std::string::npos);
        }
        expectSameRows(run, reference);
        EXPECT_EQ(run.loadSpectrum(47), reference.loadSpectrum(47));
    }

    // Cut after the eighth spectrum and re-joined before the tenth: the index's later offsets
    // land on the wrong bytes, the pass finds the 47 spectra that are there.
    const std::size_t cutFrom = original.find("<spectrum index=\"8\"");
    const std::size_t cutTo = original.find("<spectrum index=\"9\"");
    const std::string rejoined = original.substr(0, cutFrom) + original.substr(cutTo);
    const TMzMlRunReader run = TMzMlRunReader::fromText(rejoined, "run.mzML");
    EXPECT_FALSE(run.indexUsed());
    EXPECT_EQ(run.messages().size(), 1u);
    ASSERT_EQ(run.spectra().size(), 47u);
    EXPECT_EQ(run.spectra()[8].scanNumber, 10);
    EXPECT_EQ(run.loadSpectrum(8), reference.loadSpectrum(9));
}

// --- encodings
// ------------------------------------------------------------------------------------

// Every encoding the converter writes decodes to the points of the plain 64-bit form: exactly for
// zlib and a missing index, to float precision for 32-bit, within MS-Numpress's stated tolerance
// (linear m/z 2e-9 relative, slof intensities 2e-4 relative, pic intensities rounded to whole
// counts). Encodings are set per array: m/z stays plain beside pic intensities.
TEST(MzMlRunEncodings, EveryEncodingDecodesToThePlainPoints) {
    const std::string prefix = dataFolder + "ltqft_small_scans3-5.";
    const TMzMlRunReader plain(prefix + "64.mzML");
    ASSERT_EQ(plain.spectra().size(), 3u);
    enum class TTolerance { Exact, Float, LinearSlof, Pic };
    const std::vector<std::pair<std::string, TTolerance>> variants = {
        {"64.zlib", TTolerance::Exact},    {"64.noindex", TTolerance::Exact},
        {"32", TTolerance::Float},         {"numpress-linear-slof.zlib", TTolerance::LinearSlof},
        {"numpress-pic", TTolerance::Pic},
    };
    for (const auto& [variant, tolerance] : variants) {
        SCOPED_TRACE(variant);
        const TMzMlRunReader run(prefix + variant + ".mzML");
        EXPECT_EQ(run.indexUsed(), variant != "64.noindex");
        EXPECT_TRUE(run.messages().empty());
        expectSameRows(run, plain);
        for (int i = 0; i < 3; ++i) {
            const auto want = plain.loadSpectrum(i);
            const auto got = run.loadSpectrum(i);
            ASSERT_EQ(got.size(), want.size());
            ASSERT_GT(got.size(), 400u);
            std::size_t off = 0;
            for (std::size_t k = 0; k < got.size(); ++k) {
                const TFloatPointRec g = got[k], w = want[k];
                bool ok = false;
                switch (tolerance) {
                    case TTolerance::Exact:
                        ok = g.x == w.x && g.y == w.y;
                        break;
                    case TTolerance::Float:
                        ok = g.x == static_cast<float>(w.x) && g.y == static_cast<float>(w.y);
                        break;
                    case TTolerance::LinearSlof:
                        ok = std::abs(g.x - w.x) <= 2e-9 * w.x &&
                             std::abs(g.y - w.y) <= 2e-4 * w.y + 1e-3;
                        break;
                    case TTolerance::Pic:
                        ok = g.x == w.x && std::abs(g.y - w.y) <= 0.5;
                        break;
                }
                off += ok ? 0 : 1;
                if (!ok && off == 1)
                    ADD_FAILURE() << "spectrum " << i << " point " << k << ": (" << g.x << ", "
                                  << g.y << ") for (" << w.x << ", " << w.y << ")";
            }
            EXPECT_EQ(off, 0u) << "spectrum " << i;
        }
        const auto tic = run.loadChromatogram(0);
        ASSERT_EQ(tic.size(), 48u);
        EXPECT_NEAR(tic[1].x, plain.loadChromatogram(0)[1].x, 1e-6);
    }

    // The older form states MS-Numpress and zlib as two terms: the same values.
    const std::string combined = fileBytes(prefix + "numpress-linear-slof.zlib.mzML");
    const std::string zlibTerm = "<cvParam cvRef=\"MS\" accession=\"MS:1000574\" value=\"\"/>";
    const std::string pairs =
        replacedAll(replacedAll(combined, "<cvParam cvRef=\"MS\" accession=\"MS:1002746\"",
                                zlibTerm + "<cvParam cvRef=\"MS\" accession=\"MS:1002312\""),
                    "<cvParam cvRef=\"MS\" accession=\"MS:1002748\"",
                    zlibTerm + "<cvParam cvRef=\"MS\" accession=\"MS:1002314\"");
    ASSERT_NE(pairs, combined);
    const TMzMlRunReader pairForm = TMzMlRunReader::fromText(pairs, "pairs.mzML");
    const TMzMlRunReader combinedForm = TMzMlRunReader::fromText(combined, "combined.mzML");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(pairForm.loadSpectrum(i), combinedForm.loadSpectrum(i));
}

// --- hand-made runs -----------------------------------------------------------------------------

std::string base64Of(const void* data, std::size_t size) {
    return base64Encode(static_cast<const std::uint8_t*>(data), size);
}

std::string arrayXml(const std::string& terms, const std::string& base64) {
    return "<binaryDataArray encodedLength=\"" + std::to_string(base64.size()) + "\">" + terms +
           "<binary>" + base64 + "</binary></binaryDataArray>";
}
std::string term(const char* accession, const char* name = "", const char* value = "",
                 const char* unit = "") {
    return std::string("<cvParam cvRef=\"MS\" accession=\"") + accession + "\" name=\"" + name +
           "\" value=\"" + value + "\"" +
           (*unit ? std::string(" unitAccession=\"") + unit + "\"" : "") + "/>";
}

// A run of spectra in the header's groups and in-line terms, arrays as 32- and 64-bit integers.
std::string handMadeRun(const std::string& secondSpectrumArrays) {
    const std::int32_t mz32[] = {100, 200, 300};
    const std::int64_t intensity64[] = {5, 6, 7000000000};
    const std::string arrays =
        "<binaryDataArrayList count=\"2\">" +
        arrayXml(term("MS:1000519") + term("MS:1000576") + term("MS:1000514"), base64Of(mz32, 12)) +
        arrayXml(term("MS:1000522") + term("MS:1000576") + term("MS:1000515"),
                 base64Of(intensity64, 24)) +
        "</binaryDataArrayList>";
    return "<?xml version=\"1.0\"?>\n<mzML><referenceableParamGroupList count=\"1\">"
           "<referenceableParamGroup id=\"ms2\">" +
           term("MS:1000511", "ms level", "2") + term("MS:1000127", "centroid spectrum") +
           term("MS:1000129", "negative scan") +
           "</referenceableParamGroup></referenceableParamGroupList><run id=\"r\">"
           "<spectrumList count=\"2\">"
           "<spectrum index=\"0\" id=\"sample=1 period=1 cycle=1 experiment=1\" "
           "defaultArrayLength=\"3\">"
           "<referenceableParamGroupRef ref=\"ms2\"/><scanList><scan>" +
           term("MS:1000016", "scan start time", "12.5", "UO:0000010") +
           "</scan></scanList><precursorList><precursor><isolationWindow>" +
           term("MS:1000827", "isolation window target m/z", "445.5") +
           "</isolationWindow><selectedIonList><selectedIon>" +
           term("MS:1000041", "charge state", "3") +
           "</selectedIon></selectedIonList></precursor></precursorList>" + arrays +
           "</spectrum><spectrum index=\"1\" id=\"a&amp;b scan=77\" defaultArrayLength=\"3\">" +
           term("MS:1000511", "ms level", "1") + secondSpectrumArrays +
           "</spectrum></spectrumList></run></mzML>";
}

// Terms from a referenceable group, a precursor given only by its isolation window, times in
// seconds, ids without a scan number, and arrays of 32- and 64-bit integers.
TEST(MzMlRunHandMade, GroupTermsIntegerArraysAndIdsWithoutScanNumbers) {
    const TMzMlRunReader run = TMzMlRunReader::fromText(handMadeRun(""), "hand.mzML");
    ASSERT_EQ(run.spectra().size(), 2u);
    const TSpectrumRow& first = run.spectra()[0];
    EXPECT_EQ(first.scanNumber, 1);  // index + 1
    EXPECT_EQ(first.msLevel, 2);
    EXPECT_EQ(first.peakMode, TPeakMode::Centroid);
    EXPECT_EQ(first.polarity, TPolarity::Negative);
    EXPECT_EQ(first.retentionTime, 12.5);
    EXPECT_EQ(first.precursorMz, 445.5);
    EXPECT_EQ(first.precursorCharge, 3);
    EXPECT_EQ(run.loadSpectrum(0),
              (std::vector<TFloatPointRec>{{100, 5}, {200, 6}, {300, 7000000000.0}}));
    EXPECT_EQ(run.spectra()[1].scanNumber, 77);
    EXPECT_EQ(run.nativeId(1), "a&b scan=77");
    EXPECT_FALSE(run.indexUsed());
}

// A run large enough for its table to be read on every core: the rows are those of one pass,
// in file order, and a wrong offset anywhere (late in the file, or two spectra swapped where the
// halves meet) is told for the first spectrum it misplaces, as one pass through the index would.
std::string numberedRun(int spectra, const std::map<int, int>& swapped = {}) {
    std::string text =
        "<?xml version=\"1.0\"?>\n<indexedmzML><mzML><run id=\"r\">"
        "<spectrumList count=\"" + std::to_string(spectra) + "\">\n";
    std::vector<std::size_t> offsets;
    for (int i = 0; i < spectra; ++i) {
        offsets.push_back(text.size());
        text += "<spectrum index=\"" + std::to_string(i) + "\" id=\"scan=" +
                std::to_string(i + 1) + "\" defaultArrayLength=\"0\">"
                "<cvParam accession=\"MS:1000511\" value=\"" + std::to_string(1 + i % 2) +
                "\"/><cvParam accession=\"MS:1000285\" value=\"" + std::to_string(i * 10) +
                "\"/></spectrum>\n";
    }
    text += "</spectrumList></run></mzML>\n";
    const std::size_t listAt = text.size();
    text += "<indexList count=\"1\"><index name=\"spectrum\">\n";
    for (int i = 0; i < spectra; ++i) {
        const auto other = swapped.find(i);
        const int at = other == swapped.end() ? i : other->second;
        text += "<offset idRef=\"scan=" + std::to_string(i + 1) + "\">" +
                std::to_string(offsets[static_cast<std::size_t>(at)]) + "</offset>\n";
    }
    text += "</index></indexList><indexListOffset>" + std::to_string(listAt) +
            "</indexListOffset></indexedmzML>\n";
    return text;
}

TEST(MzMlRunIndex, LargeTablesAreReadInChunksAsOnePassWould) {
    constexpr int count = 9000;
    const TMzMlRunReader run = TMzMlRunReader::fromText(numberedRun(count), "big.mzML");
    ASSERT_TRUE(run.indexUsed());
    ASSERT_EQ(run.spectra().size(), std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const TSpectrumRow& row = run.spectra()[static_cast<std::size_t>(i)];
        ASSERT_EQ(row.scanNumber, i + 1);
        ASSERT_EQ(row.msLevel, 1 + i % 2);
        ASSERT_EQ(row.totIonCurrent, i * 10);
        if (i > 0) {
            ASSERT_GT(row.offset, run.spectra()[static_cast<std::size_t>(i) - 1].offset);
        }
    }

    for (const int first : {count / 2 - 1, count - 3}) {
        const TMzMlRunReader wrong =
            TMzMlRunReader::fromText(numberedRun(count, {{first, first + 1}, {first + 1, first}}),
                                     "big.mzML");
        EXPECT_FALSE(wrong.indexUsed());
        ASSERT_EQ(wrong.spectra().size(), std::size_t(count));
        EXPECT_EQ(wrong.spectra()[static_cast<std::size_t>(first)].scanNumber, first + 1);
        ASSERT_EQ(wrong.messages().size(), 1u);
        EXPECT_NE(wrong.messages()[0].find("spectrum \"scan=" + std::to_string(first + 1) + "\""),
                  std::string::npos)
            << wrong.messages()[0];
    }
}

// Opening tells its progress, rising, through the index and through a pass, and stops with
// ERunCancelled as soon as the progress gives up.
TEST(MzMlRunIndex, OpeningTellsItsProgressAndCanBeGivenUp) {
    const TTempFolder folder;
    const std::string indexed = numberedRun(9000);
    const std::string noIndex =
        indexed.substr(0, indexed.find("<indexList")) + "</indexedmzML>\n";
    for (const std::string& text : {indexed, noIndex}) {
        const std::string path = folder.write("big.mzML", text);
        std::vector<double> told;
        const auto run = openRun(path, [&](double fraction) {
            told.push_back(fraction);
            return true;
        });
        EXPECT_EQ(run->spectra().size(), 9000u);
        ASSERT_GE(told.size(), 4u);
        EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
        EXPECT_LE(told.back(), 1.0);

        int calls = 0;
        EXPECT_THROW(openRun(path, [&](double) { return ++calls < 3; }), ERunCancelled);
        EXPECT_EQ(calls, 3);
    }
}

// A damaged spectrum is refused with a message naming it and the fault while the rest of the run
// stays readable; a run cut short keeps the spectra before the cut.
TEST(MzMlRunDamage, DamagedSpectraAreRefusedAlone) {
    const double mz[] = {100.5, 200.5, 300.5};
    const float intensity[] = {1, 2, 3};
    const std::string mzArray = term("MS:1000523") + term("MS:1000514");
    const std::string intensityTerms = term("MS:1000521") + term("MS:1000515");
    const auto list = [&](const std::string& mzTerms, const std::string& mzBase64,
                          const std::string& intensityExtra, const std::string& intensityBase64) {
        return "<binaryDataArrayList count=\"2\">" + arrayXml(mzTerms, mzBase64) +
               arrayXml(intensityTerms + intensityExtra, intensityBase64) +
               "</binaryDataArrayList>";
    };
    const std::string goodMz = base64Of(mz, sizeof mz);
    const std::string goodIntensity = base64Of(intensity, sizeof intensity);

    std::vector<std::uint8_t> zeros(1 << 20, 0);
    std::vector<std::uint8_t> bomb(compressBound(zeros.size()));
    uLongf bombSize = bomb.size();
    ASSERT_EQ(compress(bomb.data(), &bombSize, zeros.data(), zeros.size()), Z_OK);
    const std::string bombBase64 = base64Of(bomb.data(), bombSize);
    const std::uint8_t numpressJunk[] = {0x40, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 0xff, 0xff, 0xff};

    struct TCase {
        const char* name;
        std::string arrays;
        const char* fault;
    };
    const std::vector<TCase> cases = {
        {"unknown compression",
         list(mzArray, goodMz,
              term("MS:1003089", "truncation, delta prediction and zlib compression"),
              goodIntensity),
         "intensity array uses the compression MS:1003089"},
        {"zlib bomb", list(mzArray, goodMz, term("MS:1000574"), bombBase64),
         "inflates to more than the 12 bytes"},
        {"corrupt numpress",
         list(mzArray, goodMz, term("MS:1002312"), base64Of(numpressJunk, sizeof numpressJunk)),
         "intensity array is not valid MS-Numpress data"},
        {"short array", list(mzArray, goodMz, "", base64Of(intensity, 8)),
         "holds 2 values, 3 expected"},
        {"not Base64",
         list(mzArray, goodMz.substr(0, 8) + "*" + goodMz.substr(9), "", goodIntensity),
         "m/z array is not Base64"},
        {"no data type", list(term("MS:1000514"), goodMz, "", goodIntensity),
         "states no data type"},
        {"no m/z array",
         "<binaryDataArrayList count=\"1\">" + arrayXml(intensityTerms, goodIntensity) +
             "</binaryDataArrayList>",
         "it has no m/z array"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TMzMlRunReader run = TMzMlRunReader::fromText(handMadeRun(c.arrays), "hand.mzML");
        ASSERT_EQ(run.spectra().size(), 2u);
        EXPECT_EQ(run.loadSpectrum(0).size(), 3u);
        const std::string message = errorOf<EMzMlError>([&] { run.loadSpectrum(1); });
        EXPECT_EQ(message.find("Cannot read spectrum \"a&b scan=77\" of \"hand.mzML\": "), 0u)
            << message;
        EXPECT_NE(message.find(c.fault), std::string::npos) << message;
    }

    // A lying encodedLength, too long or too short, costs a search, not the run or the spectrum.
    std::string lying = handMadeRun(list(mzArray, goodMz, "", goodIntensity));
    lying = replacedAll(lying, "encodedLength=\"32\"", "encodedLength=\"999999999\"");
    lying = replacedAll(lying, "encodedLength=\"16\"", "encodedLength=\"3\"");
    const TMzMlRunReader liar = TMzMlRunReader::fromText(lying, "hand.mzML");
    ASSERT_EQ(liar.spectra().size(), 2u);
    EXPECT_EQ(liar.loadSpectrum(1),
              (std::vector<TFloatPointRec>{{100.5, 1}, {200.5, 2}, {300.5, 3}}));

    // Cut inside the second spectrum's arrays: the first stays, the second is refused when opened.
    const std::string whole = handMadeRun(list(mzArray, goodMz, "", goodIntensity));
    const TMzMlRunReader cut =
        TMzMlRunReader::fromText(whole.substr(0, whole.rfind("<binary>") + 12), "cut.mzML");
    ASSERT_EQ(cut.spectra().size(), 2u);
    ASSERT_EQ(cut.messages().size(), 1u);
    EXPECT_NE(cut.messages()[0].find("\"cut.mzML\" ends inside spectrum"), std::string::npos);
    EXPECT_EQ(cut.loadSpectrum(0).size(), 3u);
    EXPECT_NE(errorOf<EMzMlError>([&] { cut.loadSpectrum(1); }).find("the file ends inside it"),
              std::string::npos);

    // No run at all.
    EXPECT_EQ(errorOf<EMzMlError>([] { TMzMlRunReader::fromText("", "empty.mzML"); }),
              "Cannot read \"empty.mzML\": it holds no mzML run.");
    TTempFolder folder;
    EXPECT_NE(errorOf<ERunError>([&] {
                  TMzMlRunReader(folder.file("missing.mzML").string());
              }).find("missing.mzML"),
              std::string::npos);
}

// Where a run comes from, as its header says: the instrument through a param group, the
// software with versions, the start time as written; an mzXML run likewise.
TEST(RunHeader, NamesInstrumentSoftwareAndStart) {
    const auto mzml = openRun(dataFolder + "ltqft_small.pwiz.mzML");
    EXPECT_EQ(mzml->description().instrument, "LTQ FT");
    EXPECT_EQ(mzml->description().software,
              (std::vector<std::string>{"Xcalibur 1.1 Beta 7", "ProteoWizard software 3.0.11623"}));
    EXPECT_EQ(mzml->description().startTime, "2005-07-20T18:44:22Z");

    const auto mzxml =
        openRun(std::string(VELMORIX_TEST_DATA) + "/mzxml/ltqft_small.msconvert.32.mzXML");
    EXPECT_EQ(mzxml->description().instrument, "LTQ FT");
    // Named once although both instruments of the run name it.
    EXPECT_EQ(mzxml->description().software.front(), "Xcalibur 1.1 Beta 7");
    EXPECT_EQ(std::count(mzxml->description().software.begin(), mzxml->description().software.end(),
                         "Xcalibur 1.1 Beta 7"),
              1);
    EXPECT_EQ(mzxml->description().startTime, "PT0.2961S");
}

}  // namespace
