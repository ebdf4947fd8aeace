// Inputs the fuzz targets found, kept as regression tests: each is read by the reader it broke;
// and damaged files of the corpus that no fuzz target can make (too large, or whole files),
// each refused by its reader with what is wrong.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "files/MzXml.h"
#include "files/Mzi.h"
#include "files/MziNode.h"
#include "files/TextSpectrum.h"
#include "support/TestHelpers.h"

namespace {

std::string badFile(std::string_view name) {
    const std::string bytes =
        fileBytes(std::string(VELMORIX_TEST_DATA) + "/bad/" + std::string(name));
    EXPECT_FALSE(bytes.empty()) << name;
    return bytes;
}

std::string mziErrorOf(std::string_view text) {
    return errorOf<EMziError>([&] { parseQUENTARIS(text); });
}

}  // namespace

// A character reference to a number that names no character used to become bytes that are not
// UTF-8: the document read, but saved and read again it lost or changed its text.
TEST(BadMzi, ReferencesToNoCharacterAreNotWellFormed) {
    const std::string fault =
        "The text is not well-formed XML: Reference to an invalid character at ";
    EXPECT_EQ(mziErrorOf(badFile("mzi-reference-beyond-unicode.mzi")), fault + "line 2, column 23");
    EXPECT_EQ(mziErrorOf("<QUENTARIS>\n <x>&#xD800;</x></QUENTARIS>"), fault + "line 2, column 5");
    EXPECT_EQ(mziErrorOf("<QUENTARIS><x a=\"&#56320;\"/></QUENTARIS>"),
              fault + "line 1, column 12");

    // The last character, one beyond the basic plane and references in comments and CDATA
    // sections (which are no references there) still read.
    TXMLQUENTARISType root = parseQUENTARIS(
        "<QUENTARIS><spectra_set><spectra name=\"&#x10FFFF;&#x1F600;&#233;\"/>"
        "</spectra_set><!-- &#x110000; --><x><![CDATA[&#xD800;]]></x></QUENTARIS>");
    EXPECT_EQ(root.spectra_set().item(0).name(), "\U0010FFFF\U0001F600\u00E9");
}

// A peaks element without data took any precision, while the same element with an end tag was
// refused for it.
TEST(BadMzXml, EmptyPeaksOfAKeptScanAreHeldToThePrecisionsOfPeakData) {
    const std::string bytes = badFile("mzxml-empty-peaks-bad-precision.mzXML");
    const std::string message =
        errorOf<EMzXmlError>([&] { c_mzXML::fromText(bytes, "bad.mzXML"); });
    EXPECT_NE(message.find("has precision 5; 32 or 64 is expected"), std::string::npos) << message;

    // Precisions the data may have, and a later scan whose peaks are not read, still pass.
    const auto run = [](std::string_view peaks) {
        return "<mzXML><msRun><scan num=\"1\" peaksCount=\"0\">" + std::string(peaks) +
               "</scan><scan num=\"2\"><peaks precision=\"5\"/></scan></msRun></mzXML>";
    };
    for (const std::string_view peaks :
         {"<peaks precision=\"64\"/>", "<peaks precision=\"0\"/>", "<peaks/>"}) {
        const c_mzXML read = c_mzXML::fromText(run(peaks), "good.mzXML", 1);
        ASSERT_EQ(read.scans().size(), 1u) << peaks;
        EXPECT_TRUE(read.scans()[0].peaks.empty()) << peaks;
        EXPECT_EQ(read.scansRead(), 2) << peaks;
    }
}

// Runs cut short, of another format, without peak data, stored in a way the reader does not
// know or holding a bomb all loaded as a success or took gigabytes; a text of one long line was
// said to hold no numbers.
TEST(BadCorpus, ReadersSayWhatIsWrong) {
    const std::string folder = std::string(VELMORIX_TEST_DATA) + "/bad/";
    const std::pair<const char*, const char*> faults[] = {
        {"mzxml-cut-in-scan-tag.mzXML", "the file ends inside scan 3."},
        {"mzxml-cut-before-peaks.mzXML", "the file ends inside scan 3."},
        {"mzxml-scan-then-blanks.mzXML", "the file ends inside scan 1."},
        {"mzml-named-mzxml.mzXML", "it is an mzML run, not mzXML."},
        {"mzxml-no-peaks-element.mzXML", "none of its 2 scans holds a peaks element."},
        {"mzxml-byte-order-unknown.mzXML",
         "the peak data of scan 1 has byte order \"middle\"; \"network\" or \"little\" is "
         "expected."},
        {"mzxml-content-type-ruler.mzXML",
         "the peak data of scan 1 has content type \"m/z ruler\"; \"m/z-int\" or \"int-m/z\" "
         "is expected."},
        {"mzxml-plain-count-mismatch.mzXML",
         "the peak data of scan 1 decodes to 24 bytes, 240 "
         "expected."},
        {"mzxml-zlib-bomb-no-count.mzXML",
         "the peak data of scan 1 inflates to more than 6,523,800 bytes from 65,238 compressed "
         "bytes, and no peak count states so many."},
    };
    for (const auto& [name, fault] : faults) {
        const std::string path = folder + name;
        EXPECT_EQ(errorOf<EMzXmlError>([&] { c_mzXML{path}; }),
                  "Cannot read \"" + path + "\": " + fault);
    }
    const std::string text = folder + "text-line-too-long.txt";
    EXPECT_EQ(errorOf<ETextSpectrumError>([&] { importTextSpectrum(text); }),
              "No spectrum in \"" + text +
                  "\": line 2 is longer than 64 KiB, the most a line "
                  "may hold.");
}
