// Inputs the fuzz targets found, kept as regression tests: each is read by the reader it broke.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "files/Mzi.h"
#include "files/MziNode.h"
#include "files/MzXml.h"
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
    EXPECT_EQ(mziErrorOf("<QUENTARIS><x a=\"&#56320;\"/></QUENTARIS>"), fault + "line 1, column 12");

    // The last character, one beyond the basic plane and references in comments and CDATA
    // sections (which are no references there) still read.
    TXMLQUENTARISType root =
        parseQUENTARIS("<QUENTARIS><spectra_set><spectra name=\"&#x10FFFF;&#x1F600;&#233;\"/>"
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
