// Compressed runs: inflated into memory or an unnamed temporary file and read as the plain run,
// and the compressed files that must be refused with a message naming them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "files/GzipFile.h"
#include "files/MessageNumbers.h"
#include "files/MzXmlRun.h"
#include "files/Run.h"
#include "support/Gzip.h"
#include "support/SpectrumRows.h"
#include "support/TestHelpers.h"

namespace {

const std::string plainRun = std::string(VELMORIX_TEST_DATA) + "/mzxml/qtof_agp.openms.mzXML";

void expectSameRun(const iRunReader& got, const iRunReader& want) {
    ASSERT_EQ(got.spectra().size(), want.spectra().size());
    EXPECT_TRUE(sameRows(got.spectra(), want.spectra()));
    EXPECT_EQ(got.indexUsed(), want.indexUsed());
    const int last = static_cast<int>(want.spectra().size()) - 1;
    for (const int i : {0, 1, last}) EXPECT_EQ(got.loadSpectrum(i), want.loadSpectrum(i)) << i;
}

// In memory or through a temporary file, in one gzip member or two: the same run as the plain
// file, and the temporary file leaves nothing behind in its folder.
TEST(CompressedRuns, ReadAsThePlainRun) {
    const TTempFolder folder;
    const std::string plain = fileBytes(plainRun);
    ASSERT_GT(plain.size(), 1000000u);
    const std::string gzPath = folder.write("run.mzXML.gz", gzipped(plain));
    const std::string half(plain.substr(0, plain.size() / 2));
    const std::string twoMembers =
        folder.write("two.mzXML.gz", gzipped(half) + gzipped(plain.substr(half.size())));

    const auto want = openRun(plainRun);
    const auto got = openRun(gzPath);
    EXPECT_STREQ(got->formatName(), "mzXML");
    EXPECT_EQ(got->fileName(), gzPath);
    EXPECT_TRUE(got->messages().empty());
    expectSameRun(*got, *want);
    expectSameRun(*openRun(twoMembers), *want);

    const std::filesystem::path spill = folder.file("spill");
    std::filesystem::create_directory(spill);
    TInflateLimits toFile;
    toFile.inMemoryBytes = 4096;
    toFile.tempFolder = spill.string();
    TMappedFile inflated = inflateGzipFile(gzPath, toFile);
    EXPECT_TRUE(inflated.text() == plain);
    EXPECT_TRUE(std::filesystem::is_empty(spill));
    expectSameRun(TMzXmlRunReader(std::move(inflated), gzPath), *want);
}

// A bomb stops at its bound; a cut, padded or foreign file is refused, each with a message that
// names it and says why.
TEST(CompressedRuns, FaultyFilesAreRefused) {
    const TTempFolder folder;
    // 16 MB of one byte compress some hundred times or more.
    const std::string bomb = gzipped(std::string(std::size_t(16) << 20, '<'));
    const std::string bombPath = folder.write("bomb.mzXML.gz", bomb);
    const std::uint64_t bound = std::max<std::uint64_t>(64 * bomb.size(), 1 << 20);
    EXPECT_EQ(errorOf<ERunError>([&] { openRun(bombPath); }),
              "Cannot read \"" + bombPath + "\": it inflates to more than " + groupedDigits(bound) +
                  " bytes, more than a compressed run may grow to.");
    TInflateLimits ceiling;
    ceiling.ceilingBytes = 1000;
    ceiling.inMemoryBytes = 0;
    ceiling.tempFolder = folder.path().string();
    const std::string smallRun = folder.write("small.gz", gzipped(std::string(5000, 'x')));
    EXPECT_EQ(errorOf<EMappedFileError>([&] { inflateGzipFile(smallRun, ceiling); }),
              "Cannot read \"" + smallRun +
                  "\": it inflates to more than 1,000 bytes, more than a compressed run may "
                  "grow to.");

    const std::string run = gzipped(fileBytes(plainRun));
    const std::string cut = folder.write("cut.mzXML.gz", run.substr(0, run.size() / 2));
    EXPECT_EQ(
        errorOf<ERunError>([&] { openRun(cut); }),
        "Cannot read \"" + cut + "\": its compressed data ends early (the file is cut short).");
    const std::string padded = folder.write("padded.mzXML.gz", run + std::string(512, '\0'));
    EXPECT_EQ(openRun(padded)->spectra().size(), 307u);
    const std::string trailing = folder.write("trailing.mzXML.gz", run + "junk");
    EXPECT_EQ(errorOf<ERunError>([&] { openRun(trailing); }),
              "Cannot read \"" + trailing + "\": it holds other bytes after its compressed data.");
    std::string damaged = run;
    damaged[damaged.size() / 2] ^= 0x55;
    damaged[damaged.size() / 2 + 1] ^= 0x55;
    EXPECT_TRUE(errorOf<ERunError>([&] {
                    openRun(folder.write("damaged.gz", damaged));
                }).find("it is not valid gzip data") != std::string::npos);
    const std::string text = folder.write("text.gz", gzipped("100\t5\n200\t7\n"));
    EXPECT_EQ(errorOf<ERunError>([&] { openRun(text); }),
              "Cannot read \"" + text +
                  "\": it is compressed, but what it holds is not an mzML or mzXML run.");
}

}  // namespace
