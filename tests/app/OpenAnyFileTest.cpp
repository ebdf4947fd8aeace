// Opening any file: the reader follows the content, whatever the file is called.
#include <gtest/gtest.h>

#include "support/AppFixture.h"

namespace {

using OpenAnyFile = AppFixture;

TEST_F(OpenAnyFile, TheReaderFollowsTheContentNotTheName) {
    const QString run = write(QStringLiteral("run.txt"),
                              readFile(VELMORIX_TEST_DATA "/mzxml/ltqft_small.msconvert.32.mzXML"));
    ASSERT_TRUE(m_frame->openAnyFile(run));
    EXPECT_EQ(currentData().series()->count(), 11);

    const QString document = write(QStringLiteral("doc.dat"),
                                   documentXml({spectraXml("First", {{"obs", "bar", "1 2\n"}})}));
    ASSERT_TRUE(m_frame->openAnyFile(document));
    EXPECT_EQ(m_frame->currentContainer()->caption(), QStringLiteral("First"));

    const QString text = write(QStringLiteral("peaks.mzXML"), "100 5\n200 10\n");
    ASSERT_TRUE(m_frame->openAnyFile(text));
    EXPECT_EQ(currentData().series()->serie(0)->points()->count(), 2);
    ASSERT_EQ(manager().count(), 3);

    // An mzML run named .mzXML goes to the mzML reader.
    ASSERT_TRUE(
        m_frame->openAnyFile(QStringLiteral(VELMORIX_TEST_DATA "/bad/mzml-named-mzxml.mzXML")));
    EXPECT_EQ(currentData().series()->serie(0)->points()->count(), 3);
    ASSERT_EQ(manager().count(), 4);

    // Bytes that tell nothing go to the reader the name asks for, which says what is wrong; so
    // does the run reader of a damaged compressed file.
    const QString junk = QStringLiteral(VELMORIX_TEST_DATA "/bad/junk.mzi");
    const QString packed = write(QStringLiteral("run.mzML.gz"), "\x1f\x8b\x08\x00 packed");
    for (int i = 0; i < 2; ++i) m_dialogs.press(TMessageButton::Abort);
    for (const QString& path : {junk, packed}) EXPECT_FALSE(m_frame->openAnyFile(path));
    EXPECT_EQ(manager().count(), 4);
    const auto& said = m_dialogs.messages();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_TRUE(said[0].text.contains(QStringLiteral("not well-formed")))
        << said[0].text.toStdString();
    EXPECT_TRUE(said[1].text.startsWith(QStringLiteral("Cannot read \"%1\"").arg(packed)))
        << said[1].text.toStdString();
}

}  // namespace
