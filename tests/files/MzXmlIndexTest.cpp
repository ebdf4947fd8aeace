// The mzXML scan index: taken where every entry checks, giving exactly the rows of the pass over
// the whole file, and passed over with a message when it is wrong in any of the ways converters
// and copies have made it wrong.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/MzXmlRun.h"
#include "support/SpectrumRows.h"
#include "support/TestHelpers.h"

namespace {

const std::filesystem::path dataFolder = std::filesystem::path(VELMORIX_TEST_DATA) / "mzxml";

// The run read by the pass alone: the same text with its index offset hidden.
TMzXmlRunReader readByPass(std::string text, const std::string& name) {
    const auto at = text.rfind("<indexOffset>");
    if (at != std::string::npos) text.replace(at, 13, "<indexOffsex>");
    auto run = TMzXmlRunReader::fromText(std::move(text), name);
    EXPECT_FALSE(run.indexUsed());
    return run;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// Every shared run with an index is read through it, nested scans included, to the very rows
// the pass finds; so is a scan whose peak data is not as long as its attributes say, which the
// reader then passes over by its end tag.
TEST(MzXmlRunIndex, TakenWhereItChecksWithThePassRows) {
    int indexed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder)) {
        if (entry.path().extension() != ".mzXML") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const std::string text = fileBytes(entry.path());
        const bool hasIndex = text.find("<indexOffset>") != std::string::npos;
        indexed += hasIndex;
        const TMzXmlRunReader run(entry.path().string());
        EXPECT_EQ(run.indexUsed(), hasIndex);
        EXPECT_TRUE(run.messages().empty());
        EXPECT_TRUE(sameRows(run.spectra(), readByPass(text, "run").spectra()));
    }
    EXPECT_EQ(indexed, 7);

    const std::string misstated = replaced(fileBytes(dataFolder / "ltqft_small.openms.mzXML"),
                                           "peaksCount=\"19800\"", "peaksCount=\"19801\"");
    const auto run = TMzXmlRunReader::fromText(misstated, "run");
    EXPECT_TRUE(run.indexUsed());
    EXPECT_TRUE(sameRows(run.spectra(), readByPass(misstated, "run").spectra()));
    EXPECT_EQ(run.spectra()[1].peaksCount, 19801);
}

// A wrong index never loses a scan: the pass finds them all, and the message says what was
// wrong with the index.
TEST(MzXmlRunIndex, WrongIndexPassedOverWithAMessage) {
    const std::string name = "ltqft_small.openms.mzXML";
    const std::string text = fileBytes(dataFolder / name);
    const auto want = readByPass(text, name);
    ASSERT_EQ(want.spectra().size(), 48u);
    const auto expectPassedOver = [&](const std::string& damaged, const std::string& why) {
        SCOPED_TRACE(why);
        const auto run = TMzXmlRunReader::fromText(damaged, name);
        EXPECT_FALSE(run.indexUsed());
        EXPECT_TRUE(sameRows(run.spectra(), want.spectra()));
        EXPECT_EQ(run.messages(),
                  std::vector<std::string>{"The scan index of \"" + name + "\" is wrong (" + why +
                                           "); its scans were found by reading "
                                           "the whole file."});
    };
    // One byte early, as after a line end lost in a copy.
    expectPassedOver(replaced(text, "\"4\" >434909<", "\"4\" >434908<"),
                     "its entry for scan 4 points at byte 434,908, where no scan starts");
    // A nested scan the index leaves out.
    expectPassedOver(replaced(text, "<offset id = \"3\" >428617</offset>\n", ""),
                     "the scan at byte 428,617 is not in it");
    // The last scans of the file left out.
    expectPassedOver(replaced(text, "<offset id = \"48\" >3302324</offset>\n", ""),
                     "the scan at byte 3,302,324 is not in it");
    // Two numbers swapped.
    expectPassedOver(replaced(replaced(text, "\"4\" >434909<", "\"5\" >434909<"), "\"5\" >446755<",
                              "\"4\" >446755<"),
                     "its entry for scan 5 points at scan 4");
    // An offset into the index itself, as in a file cut and joined again.
    expectPassedOver(replaced(text, "\"48\" >3302324<", "\"48\" >3310300<"),
                     "its entry for scan 48 points at byte 3,310,300, out of order or outside "
                     "the scans");
    expectPassedOver(replaced(text, "<indexOffset>3310268<", "<indexOffset>33102x8<"),
                     "its index offset is not a number");

    // Line ends rewritten: every offset is wrong, and the rows are those of the rewritten file.
    std::string crlf;
    for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const auto run = TMzXmlRunReader::fromText(crlf, name);
    EXPECT_FALSE(run.indexUsed());
    EXPECT_TRUE(sameRows(run.spectra(), readByPass(crlf, name).spectra()));
    ASSERT_EQ(run.messages().size(), 1u);
    EXPECT_EQ(run.messages()[0],
              "The scan index of \"" + name +
                  "\" is wrong (its index offset 3,310,268 does not point at the index); its "
                  "scans were found by reading the whole file.");
}

}  // namespace
