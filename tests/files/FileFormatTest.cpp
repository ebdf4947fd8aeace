// Telling a file's format from its content: the test data whatever their names say, the markup
// an XML prolog may hold, and paths that are no regular file.
#include "files/FileFormat.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/MzXml.h"
#include "files/Mzi.h"
#include "files/TextSpectrum.h"
#include "support/TestHelpers.h"

namespace {

const std::filesystem::path data = VELMORIX_TEST_DATA;

// The good files are what their extension says; the bad ones are named after what they are
// damaged copies of, whatever their extension says ("junk.mzXML" holds random bytes).
TFileFormat expectedFormat(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    if (file.parent_path().filename() == "bad") {
        if (name == "mzi-wrong-root.mzi") return TFileFormat::Unknown;  // an HTML page
        if (name.starts_with("mzml-")) return TFileFormat::MzMl;        // whatever its extension
        if (name.starts_with("mzi-")) return TFileFormat::Mzi;
        if (name.starts_with("mzxml-")) return TFileFormat::MzXml;
        if (name.starts_with("text-")) return TFileFormat::Text;
        return TFileFormat::Unknown;  // empty files and random bytes
    }
    const std::string extension = file.extension().string();
    if (extension == ".mzXML") return TFileFormat::MzXml;
    if (extension == ".mzML") return TFileFormat::MzMl;
    return TFileFormat::Text;  // spectra, and the oracles (.txt, .json) beside the runs
}

TEST(FileFormatDetection, TestFilesByTheirContentNotTheirName) {
    std::vector<std::filesystem::path> files{data / "ltqft_small_scan1_ms1_profile.txt",
                                             data / "mzxml-run-without-scans.mzXML"};
    for (const char* folder : {"mzxml", "mzml", "text", "bad"})
        for (const auto& entry : std::filesystem::directory_iterator(data / folder))
            files.push_back(entry.path());
    int seen[6] = {};
    for (const auto& file : files) {
        const TFileFormat want = expectedFormat(file);
        EXPECT_EQ(detectFileFormat(file.string()), want) << file;
        ++seen[static_cast<int>(want)];
    }
    EXPECT_EQ(detectFileFormat((data / "../../resources/sample.mzi").string()), TFileFormat::Mzi);
    for (const TFileFormat format : {TFileFormat::Unknown, TFileFormat::Mzi, TFileFormat::MzXml,
                                     TFileFormat::MzMl, TFileFormat::Text})
        EXPECT_GE(seen[static_cast<int>(format)], 2) << static_cast<int>(format);

    // Only the head is read: a root element after it is not seen.
    const TTempFolder folder;
    const std::string late = "<!--" + std::string(formatHeadBytes, '-') + "-->\n<mzXML/>\n";
    EXPECT_EQ(detectFormat(late), TFileFormat::MzXml);
    EXPECT_EQ(detectFileFormat(folder.write("late.mzXML", late).string()), TFileFormat::Unknown);
}

// Each character of an ASCII text in UTF-16 or UTF-32, either byte order.
std::string widened(std::string_view text, int unit, bool bigEndian) {
    std::string wide;
    for (const char c : text)
        for (int b = 0; b < unit; ++b) wide += (bigEndian ? b == unit - 1 : b == 0) ? c : '\0';
    return wide;
}

TEST(FileFormatDetection, RootElementAfterAnyPrologAndWhatIsNoFormat) {
    const std::string prolog =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- written by <mzXML> tools -->\n<?xml-stylesheet href=\"s.xsl\"?>\n"
        "<!DOCTYPE indexedmzML [\n  <!ENTITY close \"]>\">\n]>\n";
    EXPECT_EQ(detectFormat(prolog + "<indexedmzML xmlns=\"http://psi.hupo.org/ms/mzml\">"),
              TFileFormat::MzMl);
    EXPECT_EQ(detectFormat(prolog + "<mzML>"), TFileFormat::MzMl);
    EXPECT_EQ(detectFormat("<x:mzXML xmlns:x=\"http://sashimi.sourceforge.net\">"),
              TFileFormat::MzXml);
    EXPECT_EQ(detectFormat(" \r\n\t<QUENTARIS/>"), TFileFormat::Mzi);
    const std::string declared = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<mzXML>";
    EXPECT_EQ(detectFormat("\xFF\xFE" + widened(declared, 2, false)), TFileFormat::MzXml);
    EXPECT_EQ(detectFormat(widened(declared, 2, true)), TFileFormat::MzXml);
    EXPECT_EQ(detectFormat(widened("<QUENTARIS>", 4, false)), TFileFormat::Mzi);

    // XML of another kind, or whose root the head does not reach, is no format the viewer reads.
    for (const std::string& other :
         {std::string("<html><body/></html>"), std::string("<mzXMLx>"), std::string("<mzml>"),
          prolog + "<!-- never closed <mzML>", prolog, std::string("<?xml version=\"1.0\"?> 100 5"),
          std::string("<![CDATA[x]]><mzML>"), std::string("<mzML"),
          "\xFF\xFE" + widened("100\t5\n", 2, false)})
        EXPECT_EQ(detectFormat(other), TFileFormat::Unknown) << other;

    EXPECT_EQ(detectFormat("m/z, intensity\r\n100.5, 20\f\r\n"), TFileFormat::Text);
    EXPECT_EQ(detectFormat("Probe \xE9"
                           "chantillon\n100 5\n"),
              TFileFormat::Text);  // Latin-1
    EXPECT_EQ(detectFormat(std::string("\x1F\x8B\x08\0\0\0\0\0", 8)), TFileFormat::Gzip);
    for (const std::string& binary :
         {std::string(), std::string(" \n\t\r\n"), std::string("100 5\n\0", 7),
          std::string("100 5\x1B[0m\n"), std::string("100 5\x7F\n")})
        EXPECT_EQ(detectFormat(binary), TFileFormat::Unknown) << binary;
}

// A pipe without a writer would block an open that waits, a device may never end (the text
// import read /dev/zero for minutes): both are refused at once, with the file named, by the
// detection and by every reader.
TEST(FileFormatDetection, PathsThatAreNoRegularFileNeverBlock) {
    const TTempFolder folder;
    std::vector<std::string> pipes;
    for (const char* name : {"run.mzXML", "peaks.txt", "doc.mzi"}) {
        pipes.push_back(folder.file(name).string());
        ASSERT_EQ(::mkfifo(pipes.back().c_str(), 0600), 0);
        EXPECT_EQ(detectFileFormat(pipes.back()), TFileFormat::Unknown);
    }
    EXPECT_EQ(detectFileFormat("/dev/zero"), TFileFormat::Unknown);
    EXPECT_EQ(detectFileFormat(folder.path().string()), TFileFormat::Unknown);
    EXPECT_EQ(detectFileFormat(folder.file("missing.mzML").string()), TFileFormat::Unknown);

    const auto notRegular = [](const std::string& path) {
        return "Cannot read \"" + path + "\": it is not a regular file";
    };
    EXPECT_EQ(errorOf<EMzXmlError>([&] { c_mzXML{pipes[0]}; }), notRegular(pipes[0]) + ".");
    EXPECT_EQ(errorOf<EMzXmlError>([&] { c_mzXML{"/dev/zero"}; }), notRegular("/dev/zero") + ".");
    EXPECT_EQ(errorOf<ETextSpectrumError>([&] { importTextSpectrum(pipes[1]); }),
              notRegular(pipes[1]));
    EXPECT_EQ(errorOf<ETextSpectrumError>([&] { importTextSpectrum("/dev/zero"); }),
              notRegular("/dev/zero"));
    EXPECT_EQ(errorOf<EMziError>([&] { loadQUENTARIS(pipes[2]); }), notRegular(pipes[2]));
    EXPECT_EQ(errorOf<ETextSpectrumError>([&] { importTextSpectrum(folder.path().string()); }),
              "Cannot read \"" + folder.path().string() + "\": it is a folder");
}

}  // namespace
