// The mzXML reader against real runs and their independently decoded peaks, hand-made runs for
// the layouts and encodings files use, and bad input that must fail cleanly or read safely.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <zlib.h>

#include <bit>
#include <cstdint>
#include <fstream>
#include <limits>
#include <locale>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "files/MessageNumbers.h"
#include "files/MzXml.h"
#include "model/Base64.h"
#include "support/TestHelpers.h"

namespace {

const std::string dataFolder = std::string(VELMORIX_TEST_DATA) + "/mzxml/";

// --- hand-made runs ---------------------------------------------------------------------------

struct TScanOptions {
    int num = 1;
    std::vector<TFloatPointRec> peaks{};
    int precision = 32;
    bool zlib = false;
    std::optional<int> peaksCount{};  // the number of peaks unless given
    std::string peakText{};           // used instead of the encoded peaks when not empty
    // The peaks element's attributes; the peaks are stored as they say. pairOrder is written
    // when not empty.
    std::string byteOrder = "network";
    std::string contentType = "m/z-int";
    std::string pairOrder{};
};

// The values of peaks as a file stores them: m/z then intensity (or the other way round), each
// most significant byte first (or last).
std::string stored(const std::vector<TFloatPointRec>& peaks, int precision,
                   bool littleEndian = false, bool intensityFirst = false) {
    std::string bytes;
    const auto put = [&](double v) {
        const int n = precision == 64 ? 8 : 4;
        const std::uint64_t bits = precision == 64
                                       ? std::bit_cast<std::uint64_t>(v)
                                       : std::bit_cast<std::uint32_t>(static_cast<float>(v));
        for (int i = 0; i < n; ++i) {
            const int shift = 8 * (littleEndian ? i : n - 1 - i);
            bytes += static_cast<char>((bits >> shift) & 0xFF);
        }
    };
    for (const auto& p : peaks) {
        put(intensityFirst ? p.y : p.x);
        put(intensityFirst ? p.x : p.y);
    }
    return bytes;
}

std::string compressed(const std::string& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    const int result = compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                                 reinterpret_cast<const Bytef*>(bytes.data()),
                                 static_cast<uLong>(bytes.size()), 9);
    EXPECT_EQ(result, Z_OK);
    out.resize(size);
    return out;
}

std::string base64Of(const std::string& bytes) {
    return base64Encode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// A scan as msconvert lays it out: attributes one per line, the peaks start tag spanning lines,
// the peak text on the line of its tags. nl is the line break (empty for one line).
std::string scanXml(const TScanOptions& s, const std::string& nl = "\n") {
    const std::string bytes = stored(s.peaks, s.precision, s.byteOrder == "little",
                                     s.contentType == "int-m/z" || s.pairOrder == "int-m/z");
    const std::string text =
        !s.peakText.empty() ? s.peakText : base64Of(s.zlib ? compressed(bytes) : bytes);
    const int count = s.peaksCount.value_or(static_cast<int>(s.peaks.size()));
    return "<scan num=\"" + std::to_string(s.num) + "\"" + nl + "  scanType=\"Full\"" + nl +
           "  msLevel=\"1\"" + nl + "  peaksCount=\"" + std::to_string(count) + "\"" + nl +
           "  retentionTime=\"PT" + std::to_string(s.num) + "S\">" + nl + " <peaks precision=\"" +
           std::to_string(s.precision) + "\"" + nl + "  byteOrder=\"" + s.byteOrder + "\"" + nl +
           (s.pairOrder.empty() ? "" : "  pairOrder=\"" + s.pairOrder + "\"" + nl) +
           "  compressionType=\"" + (s.zlib ? "zlib" : "none") + "\"" + nl + "  contentType=\"" +
           s.contentType + "\">" + text + "</peaks>" + nl + "</scan>" + nl;
}

std::string runXml(const std::vector<TScanOptions>& scans, const std::string& nl = "\n") {
    std::string xml = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + nl +
                      "<mzXML xmlns=\"http://sashimi.sourceforge.net/schema_revision/mzXML_3.2\">" +
                      nl + "<msRun scanCount=\"" + std::to_string(scans.size()) + "\"" + nl +
                      " startTime=\"PT0S\">" + nl +
                      "<parentFile fileName=\"x.RAW\" fileType=\"RAWData\"/>" + nl;
    for (const auto& s : scans) xml += scanXml(s, nl);
    return xml + "</msRun>" + nl + "<indexOffset>0</indexOffset>" + nl + "</mzXML>" + nl;
}

std::vector<TFloatPointRec> ramp(int n, double x0 = 100.0) {
    std::vector<TFloatPointRec> peaks{};
    for (int i = 0; i < n; ++i) peaks.push_back({x0 + i * 0.5, 10.0 + i});
    return peaks;
}

c_mzXML readText(const std::string& text, int kept = c_mzXML::importedScans) {
    return c_mzXML::fromText(text, "run.mzXML", kept);
}

// The message of the failure of reading text.
std::string failureOf(const std::string& text) {
    return errorOf<EMzXmlError>([&] { readText(text); });
}

// --- real runs --------------------------------------------------------------------------------

struct TOracleScan {
    int num = 0, msLevel = 0, peaksCount = 0, points = 0;
    TFloatPointRec first, last;
    double minMz = 0.0, maxMz = 0.0, maxIntensity = 0.0, sum = 0.0;
};
struct TOracleRun {
    int scanElements = 0;
    int scanCount = 0;
    std::vector<TOracleScan> scans;
};

std::map<std::string, TOracleRun> oracles() {
    std::map<std::string, TOracleRun> runs;
    std::ifstream in(dataFolder + "oracle.txt");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        std::string file;
        fields >> file;
        if (file == "run") {
            fields >> file;
            fields >> runs[file].scanElements >> runs[file].scanCount;
            continue;
        }
        int index = 0;
        TOracleScan s;
        fields >> index >> s.num >> s.msLevel >> s.peaksCount >> s.points >> s.first.x >>
            s.first.y >> s.last.x >> s.last.y >> s.minMz >> s.maxMz >> s.maxIntensity >> s.sum;
        EXPECT_TRUE(fields) << line;
        runs[file].scans.push_back(s);
    }
    return runs;
}

TEST(MzXmlRealRuns, FirstElevenScansMatchIndependentDecoders) {
    const auto runs = oracles();
    ASSERT_EQ(runs.size(), 8u);
    for (const auto& [file, oracle] : runs) {
        SCOPED_TRACE(file);
        const c_mzXML run(dataFolder + file);
        EXPECT_EQ(run.scansRead(), oracle.scanElements);
        EXPECT_EQ(run.scanCount(), oracle.scanCount);
        ASSERT_EQ(run.scans().size(), std::min<std::size_t>(oracle.scans.size(), 11));
        for (std::size_t i = 0; i < run.scans().size(); ++i) {
            SCOPED_TRACE("scan index " + std::to_string(i));
            const c_scaninfo& scan = run.scans()[i];
            const TOracleScan& want = oracle.scans[i];
            EXPECT_EQ(scan.num, want.num);
            EXPECT_EQ(scan.msLevel, want.msLevel);
            EXPECT_EQ(scan.peaksCount, want.peaksCount);
            ASSERT_EQ(static_cast<int>(scan.peaks.size()), want.points);
            if (scan.peaks.empty()) continue;
            EXPECT_EQ(scan.peaks.front(), want.first);
            EXPECT_EQ(scan.peaks.back(), want.last);
            EXPECT_EQ(peakSummary(scan.peaks),
                      (TPeakSummary{want.minMz, want.maxMz, want.maxIntensity, want.sum}));
        }
    }
}

// --- layouts and encodings --------------------------------------------------------------------

TEST(MzXmlDecoding, ThirtyTwoAndSixtyFourBitAndZlibDataAreHonoured) {
    // QsgAAECgAAA= is 42 C8 00 00 40 A0 00 00: 100.0f and 5.0f, big-endian. 64-bit values a float
    // cannot hold.
    const std::vector<TFloatPointRec> fine{{445.12002563476562, 1e-3}, {445.3400124, 123456.789}};
    const auto run = readText(runXml({{.num = 1, .peakText = "QsgAAECgAAA="},
                                      {.num = 2, .peaks = fine, .precision = 64},
                                      {.num = 3, .peaks = fine, .precision = 64, .zlib = true},
                                      {.num = 4, .peaks = ramp(500), .zlib = true}}));
    ASSERT_EQ(run.scans().size(), 4u);
    EXPECT_EQ(run.scans()[0].peaks, (std::vector<TFloatPointRec>{{100.0, 5.0}}));
    EXPECT_EQ(run.scans()[1].peaks, fine);
    EXPECT_EQ(run.scans()[2].peaks, fine);
    EXPECT_EQ(run.scans()[3].peaks, ramp(500));
}

// Any letter case; double, single or no quotes (an unquoted value ends before ">"); an empty value
// does not run on into the next attribute.
TEST(MzXmlDecoding, AttributesOfEveryFieldInAnyLetterCaseAndQuoting) {
    const auto run = readText(
        "<msRun SCANCOUNT='2'>\n"
        "<scan NUM='7' MsLevel=\"2\" PEAKSCOUNT=1 RetentionTime=\"PT1.5S\" startMz=\"50\" "
        "CENTROIDED=1\n"
        "\tendMz=\"2000,5\" BASEPEAKMZ=\"100\" basePeakIntensity=\"5e0\" totIonCurrent=\"5.25\">\n"
        "<peaks PRECISION=32 CompressionType=\"None\">QsgAAECgAAA=</peaks></scan>"
        "<scan num=\"8\" retentionTime=\"\" msLevel=\"1\"></scan>");
    EXPECT_EQ(run.scanCount(), 2);
    ASSERT_EQ(run.scans().size(), 2u);
    EXPECT_EQ(run.scans()[1].retentionTime, "");
    EXPECT_EQ(run.scans()[1].msLevel, 1);
    const c_scaninfo& s = run.scans()[0];
    EXPECT_EQ(s.num, 7);
    EXPECT_EQ(s.msLevel, 2);
    EXPECT_EQ(s.peaksCount, 1);
    EXPECT_EQ(s.retentionTime, "PT1.5S");
    EXPECT_EQ(s.endMz, 2000.5);  // ',' as well as '.'
    EXPECT_EQ(s.peaks, (std::vector<TFloatPointRec>{{100.0, 5.0}}));
    EXPECT_EQ(s.peakMode, TPeakMode::Centroid);
    EXPECT_EQ(run.scans()[1].peakMode, TPeakMode::Unknown);

    // A processing step that centroided the run speaks for the scans that say nothing.
    const auto processed = readText(
        "<msRun><dataProcessing centroided=\"1\"></dataProcessing>"
        "<dataProcessing centroided=\"0\"/>\n"
        "<scan num=\"1\"><peaks/></scan><scan num=\"2\" centroided=\"0\"><peaks/></scan>");
    ASSERT_EQ(processed.scans().size(), 2u);
    EXPECT_EQ(processed.scans()[0].peakMode, TPeakMode::Centroid);
    EXPECT_EQ(processed.scans()[1].peakMode, TPeakMode::Profile);
}

TEST(MzXmlDecoding, LayoutDoesNotMatter) {
    const std::vector<TScanOptions> scans{{.num = 1, .peaks = ramp(40)},
                                          {.num = 2, .peaks = ramp(3), .precision = 64},
                                          {.num = 3, .peaks = ramp(7), .zlib = true}};
    const auto spread = readText(runXml(scans));
    const auto crlf = readText(runXml(scans, "\r\n"));
    ASSERT_EQ(spread.scans().size(), 3u);
    ASSERT_EQ(crlf.scans().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(crlf.scans()[i].peaks, spread.scans()[i].peaks);
    // Peak text broken over lines, and "</peaks" on a later line, is read whole.
    std::string wrapped = base64Of(stored(ramp(40), 32));
    for (std::size_t at = 76; at < wrapped.size(); at += 77) wrapped.insert(at, "\n");
    const auto run =
        readText(runXml({{.num = 1, .peaks = ramp(40), .peakText = wrapped + "\n  "}}));
    ASSERT_EQ(run.scans().size(), 1u);
    EXPECT_EQ(run.scans()[0].peaks, ramp(40));
}

TEST(MzXmlDecoding, ElevenScansAreKeptAndTheRestOnlyCounted) {
    std::vector<TScanOptions> scans;
    for (int i = 1; i <= 20; ++i) scans.push_back({.num = i, .peaks = ramp(i)});
    // Peaks after the eleventh are not decoded: bad peak data there is no failure.
    scans[15].peakText = "not*base64";
    const auto run = readText(runXml(scans));
    EXPECT_EQ(run.scansRead(), 20);
    EXPECT_EQ(run.scanCount(), 20);
    ASSERT_EQ(run.scans().size(), 11u);
    EXPECT_EQ(run.scans()[10].num, 11);
    EXPECT_EQ(run.scans()[10].peaks, ramp(11));
    // Their tags are still read: an attribute that does not convert fails the read.
    std::string text = runXml(scans);
    text.replace(text.find("peaksCount=\"18\""), 15, "peaksCount=\"1x\"");
    EXPECT_EQ(failureOf(text),
              "Cannot read \"run.mzXML\": \"1x\" is not a valid integer value (attribute "
              "\"peaksCount\" of scan 18).");
}

TEST(MzXmlDecoding, ScansWithoutPeaksOrWithoutAnyScan) {
    EXPECT_EQ(readText("<mzXML><msRun scanCount=\"0\"></msRun></mzXML>").scans().size(), 0u);
    EXPECT_EQ(readText("").scansRead(), 0);
    // A scan without peaks in the middle does not take the next scan's peaks.
    const auto middle = readText(
        "<scan num=\"1\"><scanOrigin num=\"1\"/></scan><scan num=\"2\"><peaks>QsgAAECgAAA=</peaks>"
        "</scan><scan num=\"3\"><peaks precision=\"32\"/></scan>");
    ASSERT_EQ(middle.scans().size(), 3u);
    EXPECT_TRUE(middle.scans()[0].peaks.empty());
    EXPECT_EQ(middle.scans()[1].peaks.size(), 1u);
    EXPECT_TRUE(middle.scans()[2].peaks.empty());
}

// Left out, and counted in one warning per scan that the user is shown, in file order.
TEST(MzXmlDecoding, PairsWithNaNOrInfinityAreLeftOutAndCounted) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto run = readText(
        runXml({{.num = 1, .peaks = {{100, 1}, {nan, 2}, {200, inf}, {300, 3}}, .precision = 64},
                {.num = 2, .peaks = ramp(3)},
                {.num = 3, .peaks = {{-inf, 1}}, .precision = 64}}));
    EXPECT_EQ(run.scans()[0].peaks, (std::vector<TFloatPointRec>{{100, 1}, {300, 3}}));
    EXPECT_TRUE(run.scans()[2].peaks.empty());
    EXPECT_EQ(run.warnings(),
              (std::vector<std::string>{
                  "\"run.mzXML\": 2 of the 4 peaks of scan 1 hold NaN or an infinity and were "
                  "left out.",
                  "\"run.mzXML\": the one peak of scan 3 holds NaN or an infinity and was left "
                  "out."}));
}

// Values stored little-endian or intensity first read as the file says, in either mzXML
// version's attribute; an order the reader does not know is refused, never read as garbage.
TEST(MzXmlDecoding, ByteOrderAndPairOrderAreHonoured) {
    const std::vector<TFloatPointRec> fine{{445.12002563476562, 1e-3}, {445.3400124, 123456.789}};
    const auto run = readText(
        runXml({{.num = 1, .peaks = ramp(5), .byteOrder = "little"},
                {.num = 2, .peaks = fine, .precision = 64, .zlib = true, .byteOrder = "little"},
                {.num = 3, .peaks = ramp(5), .contentType = "int-m/z"},
                {.num = 4,
                 .peaks = fine,
                 .precision = 64,
                 .byteOrder = "little",
                 .contentType = "",
                 .pairOrder = "int-m/z"},
                {.num = 5, .peaks = ramp(5), .pairOrder = "m/z-int"}}));
    ASSERT_EQ(run.scans().size(), 5u);
    for (const std::size_t i : {0, 2, 4}) EXPECT_EQ(run.scans()[i].peaks, ramp(5)) << i;
    for (const std::size_t i : {1, 3}) EXPECT_EQ(run.scans()[i].peaks, fine) << i;

    const std::string refused = "Cannot read \"run.mzXML\": the peak data of scan 1 has ";
    EXPECT_EQ(failureOf(runXml({{.num = 1, .peaks = ramp(2), .byteOrder = "middle"}})),
              refused + "byte order \"middle\"; \"network\" or \"little\" is expected.");
    EXPECT_EQ(failureOf(runXml({{.num = 1, .peaks = ramp(2), .contentType = "m/z ruler"}})),
              refused + "content type \"m/z ruler\"; \"m/z-int\" or \"int-m/z\" is expected.");
    EXPECT_EQ(failureOf(runXml({{.num = 1, .peaks = ramp(2), .pairOrder = "int-m/z"}})),
              refused + "a pair order and a content type that disagree.");
}

// --- bad input ------------------------------------------------------------------------------

TEST(MzXmlBadInput, FilesThatCannotBeRead) {
    const TTempFolder folder;
    const std::string missing = folder.file("missing.mzXML").string();
    EXPECT_EQ(errorOf<EMzXmlError>([&] { c_mzXML{missing}; }),
              "Cannot read \"" + missing + "\": No such file or directory.");
    EXPECT_THROW(c_mzXML(folder.path().string()), EMzXmlError);
}

TEST(MzXmlBadInput, PeakDataThatIsNotWhatItClaims) {
    // A peak count that disagrees with the data is an error, whether the data is compressed or
    // not, never garbage; and so is text that is not Base64.
    EXPECT_EQ(failureOf(runXml({{.num = 1, .peaks = ramp(5), .peaksCount = 2000000000}})),
              "Cannot read \"run.mzXML\": the peak data of scan 1 decodes to 40 bytes, "
              "16,000,000,000 expected.");
    EXPECT_EQ(
        failureOf(runXml({{.num = 12, .peaks = ramp(100), .zlib = true, .peaksCount = 2500}})),
        "Cannot read \"run.mzXML\": the peak data of scan 12 inflates to 800 bytes, 20,000 "
        "expected.");
    EXPECT_EQ(failureOf("<scan num=\"2\" peaksCount=\"3\"><peaks precision=\"32\"/></scan>"),
              "Cannot read \"run.mzXML\": the peak data of scan 2 is empty, 3 peaks expected.");
    EXPECT_EQ(failureOf(runXml({{.num = 4, .peakText = "QshA!ECgAAA="}})),
              "Cannot read \"run.mzXML\": the peak data of scan 4 is not Base64 (it holds \"!\").");
    // Without a count, a whole number of pairs is still required.
    const std::string odd = base64Of(compressed(stored(ramp(3), 32) + "xyz"));
    EXPECT_EQ(failureOf(runXml({{.num = 6, .zlib = true, .peaksCount = 0, .peakText = odd}})),
              "Cannot read \"run.mzXML\": the peak data of scan 6 inflates to 27 bytes, not a "
              "whole number of 8-byte pairs.");
    EXPECT_EQ(failureOf(runXml({{.num = 7, .peaksCount = 0, .peakText = "AAAAAAAAAAAAAAAA"}})),
              "Cannot read \"run.mzXML\": the peak data of scan 7 decodes to 12 bytes, not a "
              "whole number of 8-byte pairs.");
}

// The zlib stream of megabytes MB of zeros, about 1,000 to 1. After a full flush, which resets
// the compressor, a megabyte of zeros compresses to the same bytes every time: they are made
// once and repeated, then the stream ends with the checksum of the whole.
std::string zeroBomb(int megabytes) {
    std::string zeros(1 << 20, '\0');
    z_stream stream{};
    EXPECT_EQ(deflateInit(&stream, 9), Z_OK);
    const auto deflated = [&](std::size_t inBytes, int flush) {
        std::string out(compressBound(static_cast<uLong>(inBytes)) + 64, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(zeros.data());
        stream.avail_in = static_cast<uInt>(inBytes);
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        EXPECT_EQ(deflate(&stream, flush), flush == Z_FINISH ? Z_STREAM_END : Z_OK);
        out.resize(out.size() - stream.avail_out);
        return out;
    };
    std::string bomb = deflated(zeros.size(), Z_FULL_FLUSH);  // the header and one megabyte
    const std::string megabyte = deflated(zeros.size(), Z_FULL_FLUSH);
    std::string end = deflated(0, Z_FINISH);
    deflateEnd(&stream);
    EXPECT_EQ(bomb.substr(2), megabyte);
    uLong checksum = adler32(0, nullptr, 0);
    for (int i = 0; i < megabytes; ++i) {
        if (i > 0) bomb += megabyte;
        checksum = adler32(checksum, reinterpret_cast<const Bytef*>(zeros.data()),
                           static_cast<uInt>(zeros.size()));
    }
    for (std::size_t i = 0; i < 4; ++i)
        end[end.size() - 4 + i] = static_cast<char>((checksum >> (24 - 8 * i)) & 0xFF);
    return bomb + end;
}

// The most memory the process has held so far, in KiB.
long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Eleven scans that state no peak count, each holding zlib data of 257 MB of zeros: a file of
// under 4 MB that took gigabytes and loaded millions of (0, 0) points. The import stops inside
// the first scan, at a hundred times its compressed size.
TEST(MzXmlBadInput, ACompressedBombIsRefusedLongBeforeTheMemoryGrows) {
    const std::string bomb = zeroBomb(257);
    std::vector<TScanOptions> scans;
    for (int i = 1; i <= 11; ++i)
        scans.push_back({.num = i, .zlib = true, .peaksCount = 0, .peakText = base64Of(bomb)});
    const TTempFolder folder;
    const std::string text = runXml(scans);
    ASSERT_LT(text.size(), 4u << 20);
    const std::string path = folder.write("bomb.mzXML", text).string();

    const long before = peakResidentKiB();
    const std::string message = errorOf<EMzXmlError>([&] { c_mzXML{path}; });
    EXPECT_LT(peakResidentKiB() - before, 128 * 1024);
    EXPECT_EQ(message,
              "Cannot read \"" + path + "\": the peak data of scan 1 inflates to more than " +
                  groupedDigits(100 * bomb.size()) + " bytes from " + groupedDigits(bomb.size()) +
                  " compressed bytes, and no peak count states so many.");

    // Read on its own, a scan whose count states more than a scan may hold stops at that bound.
    const auto run = TMzXmlRunReader::fromText(
        runXml({{.num = 1, .zlib = true, .peaksCount = 40000000, .peakText = base64Of(bomb)}}),
        "run.mzXML");
    EXPECT_EQ(errorOf<EMzXmlError>([&] { run.loadSpectrum(0); }),
              "Cannot read \"run.mzXML\": the peak data of scan 1 inflates to more than "
              "268,435,456 bytes, the most a scan may hold.");
}

// Scans that each keep within their own bounds may together hold too many peaks for one
// import: it stops at the scan that passes the bound, compressed or not, before decoding more.
TEST(MzXmlBadInput, TheKeptScansTogetherStayWithinTheImportBound) {
    const std::string text = runXml({{.num = 1, .peaks = ramp(4)},
                                     {.num = 2, .peaks = ramp(5), .zlib = true, .peaksCount = 0},
                                     {.num = 3, .peaks = ramp(6), .zlib = true},
                                     {.num = 4, .peaks = ramp(3)}});
    EXPECT_EQ(c_mzXML::fromText(text, "run.mzXML", 11, 18).scans().size(), 4u);
    for (const auto& [bound, scan] : {std::pair{17, 4}, {14, 3}, {8, 2}, {3, 1}})
        EXPECT_EQ(errorOf<EMzXmlError>([&] { c_mzXML::fromText(text, "run.mzXML", 11, bound); }),
                  "Cannot read \"run.mzXML\": the peaks of scan " + std::to_string(scan) +
                      " take the import past " + std::to_string(bound) +
                      " peaks, the most it may hold.");
    // Scans that are not kept count for nothing.
    EXPECT_EQ(c_mzXML::fromText(text, "run.mzXML", 2, 9).scans().size(), 2u);
}

// A run cut short inside a scan loaded as a success with an empty series: wherever the cut is
// before the scan's peak data is whole, the file is refused and the scan named.
TEST(MzXmlBadInput, ARunCutInsideAScanSaysWhere) {
    const std::string whole = runXml(
        {{.num = 1, .peaks = ramp(3)}, {.num = 2, .peaks = ramp(3)}, {.num = 3, .peaks = ramp(3)}});
    const std::size_t start = whole.find("<scan num=\"3\"");
    const std::size_t numbered = start + std::string_view("<scan num=\"3\"").size();
    const std::size_t data = whole.find('>', whole.find("<peaks", start)) + 1;
    const std::size_t dataEnd = whole.find("</peaks", data) + 7;
    const std::string failure = "Cannot read \"run.mzXML\": the file ends inside ";
    for (std::size_t cut = start + 5; cut < dataEnd; ++cut) {
        const std::string where = cut < numbered ? "the scan at byte " + std::to_string(start)
                                  : cut < data   ? "scan 3"
                                                 : "the peak data of scan 3";
        ASSERT_EQ(failureOf(whole.substr(0, cut)), failure + where + ".") << cut;
    }
    EXPECT_EQ(readText(whole.substr(0, dataEnd)).scans().size(), 3u);
    EXPECT_EQ(failureOf("<mzXML>\n<msRun>\n<scan num=\"1\" \n \t \n"), failure + "scan 1.");
}

// mzML named .mzXML loaded as empty series, its spectra holding elements named "scan" too; a
// run whose kept scans hold no peak data at all is no spectrum either.
TEST(MzXmlBadInput, RunsWithoutPeakDataAreRefused) {
    const std::string mzml = std::string(VELMORIX_TEST_DATA) + "/mzml/ltqft_small.pwiz.mzML";
    EXPECT_EQ(errorOf<EMzXmlError>([&] { c_mzXML{mzml}; }),
              "Cannot read \"" + mzml + "\": it is an mzML run, not mzXML.");

    const std::string refused = "Cannot read \"run.mzXML\": ";
    std::string twelve;
    for (int i = 1; i <= 11; ++i) twelve += "<scan num=\"" + std::to_string(i) + "\"></scan>";
    EXPECT_EQ(failureOf(twelve + "<scan num=\"12\"><peaks/></scan>"),
              refused + "none of its first 11 scans holds a peaks element.");
    EXPECT_EQ(failureOf("<msRun><scan num=\"1\"></scan><scan num=\"2\"/></msRun>"),
              refused + "none of its 2 scans holds a peaks element.");
    EXPECT_EQ(failureOf("<msRun><scan num=\"1\"></scan></msRun>"),
              refused + "its scan holds no peaks element.");
    // One kept scan with a peaks element, even an empty one, makes it a run.
    EXPECT_EQ(readText("<scan num=\"1\"></scan><scan num=\"2\"><peaks/></scan>").scans().size(),
              2u);
}

}  // namespace
