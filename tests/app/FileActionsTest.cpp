// File menu stories: New, Open, Save, Save as, Save range, Export and Annotations on a frame
// with scripted dialogs, over documents written into a temporary folder.
#include <gtest/gtest.h>

#include <QLocale>

#include <QFileInfo>
#include <QTextDocument>

#include <string>
#include <vector>

#include "app/AnnotationsWindow.h"
#include "files/MziFile.h"
#include "support/AppFixture.h"

namespace {

const std::string peaksText = "100.5 10\n200.25 30\n300.125 20\n";

// Text whose checksum no longer matches: one digit of peaksText changed.
TSerieXml editedSerie(const std::string& name) {
    return {name, "bar", "100.5 10\n200.25 31\n300.125 20\n", pointTextChecksum(peaksText)};
}

// The warning after a load that left out series whose points did not match their checksum;
// series as the message names them ("series \"a\"", "the series \"a\", \"b\"").
TLoggedMessage corruptionWarning(const QString& file, const QString& series) {
    return {TMessageKind::Warning,
            QStringLiteral("Data corruption!\n\"") + file + QStringLiteral("\": the points of ") +
                series + QStringLiteral(" do not match their checksum and were left out."),
            {TMessageButton::Ignore}};
}

class FileActions : public AppFixture {
protected:
    QString tempFolder() override {
        EXPECT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("temp")));
        return path("temp");
    }
    QString twoSpectraDocument(const QString& name = QStringLiteral("two.mzi")) {
        return write(name,
                     documentXml({spectraXml("First", {{"obs", "bar", peaksText}}),
                                  spectraXml("Second", {{"measured", "bar", peaksText},
                                                        {"model", "bar", "150 5\n250 15\n"}})},
                                 "&lt;p&gt;Run A&lt;/p&gt;"));
    }
};

TEST_F(FileActions, NewMakesAnUnmodifiedPaneThatIsSavedThroughTheSaveAsDialog) {
    trigger("FileNew");
    ASSERT_EQ(manager().count(), 1);
    EXPECT_EQ(current().fileName(), "new.mzi");

    TSpectrumData& data = currentData();
    data.series()->newSerie("peaks")->points()->setAsText(peaksText);
    data.setModified(true);

    // Cancelled: nothing is written anywhere, the pane stays as it was.
    m_dialogs.cancelSave();
    trigger("FileSave");
    ASSERT_EQ(m_dialogs.saveRequests().size(), 1u);
    EXPECT_EQ(m_dialogs.saveRequests()[0].proposed, QStringLiteral("new.mzi"));
    EXPECT_TRUE(data.isModified());

    const QString target = path("first.mzi");
    m_dialogs.saveAs(target);
    trigger("FileSave");
    EXPECT_EQ(readFile(target), *mziFileText(data));
    EXPECT_FALSE(data.isModified());
    EXPECT_EQ(current().fileName(), target.toStdString());

    // From now on Save writes there without asking.
    data.series()->serie(0)->setName("renamed");
    data.setModified(true);
    trigger("FileSave");
    EXPECT_EQ(m_dialogs.saveRequests().size(), 2u);
    EXPECT_NE(readFile(target).find("name=\"renamed\""), std::string::npos);
    EXPECT_FALSE(data.isModified());
}

TEST_F(FileActions, OpenLoadsTheChosenDocumentIntoNewPanesUnmodified) {
    const QString file = twoSpectraDocument();

    m_dialogs.cancelOpen();
    trigger("FileOpen");
    EXPECT_EQ(manager().count(), 0);
    ASSERT_EQ(m_dialogs.openRequests().size(), 1u);
    EXPECT_EQ(m_dialogs.openRequests()[0].filters.front(),
              QStringLiteral("All spectra (*.mzi *.mzML *.mzml *.mzXML *.mzxml *.gz *.txt *.csv "
                             "*.prn)"));
    EXPECT_EQ(m_dialogs.openRequests()[0].filters.back(), QStringLiteral("All files (*)"));

    m_dialogs.chooseFile(file, 1);
    trigger("FileOpen");
    ASSERT_EQ(manager().count(), 2);
    EXPECT_EQ(manager().container(0)->caption(), QStringLiteral("First"));
    EXPECT_EQ(manager().container(1)->caption(), QStringLiteral("Second"));
    // Every pane is finished as loaded: restyling every series of the last pane belongs to the
    // load, not to an edit.
    for (int pane = 0; pane < 2; ++pane) {
        SCOPED_TRACE(pane);
        TSpectrum& plot = *manager().container(pane)->spectrum();
        EXPECT_EQ(plot.fileName(), file.toStdString());
        EXPECT_EQ(dataOf(pane).annotationText(), "<p>Run A</p>");
        expectFinishedAsLoaded(plot);
    }

    // Every series keeps the style the document stores.
    for (int pane = 0; pane < 2; ++pane)
        for (const auto& serie : *dataOf(pane).series())
            EXPECT_EQ(serie->style(), TSerieStyle::Bars);

    // The reader follows the content, whatever filter was chosen: an mzXML run under the
    // mzi filter opens as a run. The dialog then starts where the last file was chosen, with
    // its filter.
    const QString run = QStringLiteral(VELMORIX_TEST_DATA "/mzxml/thermo_itraq_hcd.readw.mzXML");
    m_dialogs.chooseFile(run, 2);
    trigger("FileOpen");
    EXPECT_EQ(manager().count(), 3);
    EXPECT_EQ(m_frame->currentContainer()->caption(), run);
    m_dialogs.cancelOpen();
    trigger("FileOpen");
    const TFileChoice start = m_dialogs.openRequests().back().start;
    EXPECT_EQ(start.path, QStringLiteral(VELMORIX_TEST_DATA "/mzxml"));
    EXPECT_EQ(start.filterIndex, 2);
}

TEST_F(FileActions, SaveWritesBackWithoutAskingOnlyWhatCameWholeFromAnMziFile) {
    // (A whole .mzi document is written back without asking: see the main window's startup
    // document.) A document under another extension is read, but not written back over.
    const QString xml =
        write("doc.xml", documentXml({spectraXml("X", {{"obs", "bar", peaksText}})}));
    ASSERT_TRUE(m_frame->loadMziFile(xml));
    currentData().setModified(true);
    m_dialogs.cancelSave();
    trigger("FileSave");
    EXPECT_EQ(m_dialogs.saveRequests().back().proposed, path("doc.mzi"));

    // A corrupt load lost series, a load that failed half-way what it could not read: writing
    // either back would lose them in the file too.
    const QString corrupt =
        write("corrupt.mzi", documentXml({spectraXml("C", {editedSerie("obs")})}));
    const QString failed = QStringLiteral(VELMORIX_TEST_DATA "/bad/mzi-incomplete-pair.mzi");
    m_dialogs.press(TMessageButton::Ignore);
    m_frame->loadMziFile(corrupt);
    m_dialogs.press(TMessageButton::Abort);
    m_frame->loadMziFile(failed);
    for (const QString& file : {corrupt, failed}) {
        const std::string before = readFile(file);
        manager().navigator()->setSpectrumContainer(manager().container(file == failed ? 2 : 1));
        currentData().setModified(true);
        m_dialogs.cancelSave();
        trigger("FileSave");
        EXPECT_EQ(m_dialogs.saveRequests().back().proposed, file);
        EXPECT_EQ(readFile(file), before);
    }
}

// Save writes back the whole document the pane came from, so that reopening gives what was
// there plus the edit: every pane in order with its caption, the stored styles, the annotation
// page. A document opened and saved without edits keeps its series, names, styles and points.
TEST_F(FileActions, SaveWritesBackTheWholeDocument) {
    const QString file = write(
        "whole.mzi", documentXml({spectraXml("First", {{"obs", "bar", peaksText}}),
                                  spectraXml("Second", {{"measured", "continue", peaksText},
                                                        {"model", "bar", "150 5\n250 15\n"}})},
                                 "&lt;p&gt;Run A&lt;/p&gt;"));
    ASSERT_TRUE(m_frame->loadMziFile(file));
    m_dialogs.enterText(QStringLiteral("renamed"));
    m_frame->viewCurrentSerieName();
    // Save is the document's: from its other pane it writes the edit too.
    manager().navigator()->setSpectrumContainer(manager().container(0));
    EXPECT_TRUE(enabled("FileSave"));
    trigger("FileSave");
    EXPECT_FALSE(dataOf(1).isModified());
    EXPECT_FALSE(enabled("FileSave"));
    // Save range never proposes the document's own name, which it would shrink to the range.
    m_dialogs.cancelSave();
    trigger("FileSaveRange");
    EXPECT_EQ(m_dialogs.saveRequests().back().proposed, path("whole-range.mzi"));

    const auto reopened = [&] {
        manager().setCount(0);
        EXPECT_TRUE(m_frame->loadMziFile(file));
        EXPECT_EQ(manager().count(), 2);
    };
    reopened();
    const auto expectWhole = [&](const char* secondName) {
        EXPECT_EQ(manager().container(0)->caption(), QStringLiteral("First"));
        EXPECT_EQ(manager().container(1)->caption(), QStringLiteral("Second"));
        EXPECT_EQ(dataOf(0).annotationText(), "<p>Run A</p>");
        EXPECT_EQ(dataOf(0).series()->serie(0)->style(), TSerieStyle::Bars);
        const TPointListSerieList& second = *dataOf(1).series();
        ASSERT_EQ(second.count(), 2);
        EXPECT_EQ(second.serie(0)->name(), secondName);
        EXPECT_EQ(second.serie(0)->style(), TSerieStyle::Line);
        EXPECT_EQ(second.serie(1)->style(), TSerieStyle::Bars);
        EXPECT_EQ(second.serie(1)->points()->points(),
                  (std::vector<TFloatPointRec>{{150, 5}, {250, 15}}));
    };
    expectWhole("renamed");

    // Saved again without an edit (Save as over itself), it reads back the same.
    m_dialogs.saveAs(file);
    trigger("FileSaveAs");
    const std::string saved = readFile(file);
    reopened();
    expectWhole("renamed");
    m_dialogs.saveAs(file);
    trigger("FileSaveAs");
    EXPECT_EQ(readFile(file), saved);
}

// A profile scan holds runs of zero intensity, which point text does not carry: Save says, once,
// how many points of which series reading the file back leaves out.
TEST_F(FileActions, SaveTellsWhichPointsTheFormatDoesNotKeep) {
    ASSERT_TRUE(m_frame->openMzXmlFile(
        QStringLiteral(VELMORIX_TEST_DATA "/mzxml/qexactive_cems.msconvert.32.zlib.mzXML")));
    const int written = currentData().series()->serie(0)->points()->count();
    const QString file = path("profile.mzi");
    m_dialogs.saveAs(file);
    m_dialogs.press(TMessageButton::Ok);
    trigger("FileSaveAs");
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    const QString told = m_dialogs.messages()[0].text;
    EXPECT_EQ(m_dialogs.messages()[0].kind, TMessageKind::Warning);

    manager().setCount(0);
    ASSERT_TRUE(m_frame->loadMziFile(file));
    const int read = dataOf(0).series()->serie(0)->points()->count();
    ASSERT_LT(read, written);
    const auto grouped = [](int n) { return QLocale(QLocale::English).toString(n); };
    EXPECT_TRUE(told.contains(QStringLiteral("\nseries \"1\": %1 of %2 points")
                                  .arg(grouped(written - read), grouped(written))))
        << told.toStdString();
}

TEST_F(FileActions, SaveAsSaveRangeAndExportProposeNamesAfterThePane) {
    trigger("FileNew");
    TSpectrumData& data = currentData();
    data.series()->newSerie("peaks")->points()->setAsText(peaksText);
    // Save as, Save range and Export, each cancelled: what they proposed.
    current().setFileName("/data/run.7/noext");
    for (const char* name : {"FileSaveAs", "FileSaveRange", "FileExport"}) {
        m_dialogs.cancelSave();
        trigger(name);
    }
    const auto& asked = m_dialogs.saveRequests();
    EXPECT_EQ(asked[0].proposed, QStringLiteral("/data/run.7/noext.mzi"));
    EXPECT_EQ(asked[1].proposed, QStringLiteral("/data/run.7/noext.mzi"));
    EXPECT_EQ(asked[2].proposed, QStringLiteral("/data/run.7/noext.txt"));

    // Export: the current series' points, one fixed-width line each, nothing else.
    current().series()->serie(0)->points()->setAsText("1.5 2\n1000.123456 3.14159\n");
    m_dialogs.saveAs(path("points.txt"));
    trigger("FileExport");
    EXPECT_EQ(readFile(path("points.txt")),
              "         1.50000     2.000\n      1000.12346     3.142\n");

    // Save range: the points inside the visible x range only; the pane keeps its name.
    data.xRange()->setMin(500.0);
    data.xRange()->setMax(2000.0);
    m_dialogs.saveAs(path("range.mzi"));
    trigger("FileSaveRange");
    EXPECT_EQ(readFile(path("range.mzi")), *mziRangeText(data));
    EXPECT_EQ(current().fileName(), "/data/run.7/noext");

    // Without series Export asks nothing.
    trigger("FileNew");
    trigger("FileExport");
}

TEST_F(FileActions, AFailedSaveLeavesThePreviousFileAndTheModifiedFlag) {
    // The name takes all the room a name may have, so the new file written beside it, under a
    // longer name, cannot be made.
    const QString name = QString(251, QLatin1Char('d')) + QStringLiteral(".mzi");
    const std::string original = documentXml({spectraXml("Long", {{"obs", "bar", peaksText}})});
    const QString file = write(name, original);
    ASSERT_TRUE(m_frame->loadMziFile(file));
    currentData().setModified(true);

    m_dialogs.press(TMessageButton::Abort);
    trigger("FileSave");
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    // Made when written or when renamed, depending on the file system.
    const QString text = m_dialogs.messages()[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Cannot ")) &&
                text.contains(QStringLiteral("file \"%1\". ").arg(file)))
        << text.toStdString();
    EXPECT_FALSE(text.endsWith(QStringLiteral("Unknown error")));
    EXPECT_EQ(readFile(file), original);
    EXPECT_TRUE(currentData().isModified());

    // A folder in the way stays a folder, with what it holds.
    const QString folder = path("folder.mzi");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.mzi")));
    writeFile(folder + "/inside.txt", "kept");
    m_dialogs.saveAs(folder);
    m_dialogs.press(TMessageButton::Abort);
    trigger("FileSaveAs");
    EXPECT_TRUE(m_dialogs.messages().back().text.startsWith(
        QStringLiteral("Cannot create file \"%1\".").arg(folder)));
    EXPECT_EQ(readFile(folder + "/inside.txt"), "kept");
    EXPECT_TRUE(currentData().isModified());
}

TEST_F(FileActions, AnnotationsAreWrittenToTheTemporaryFolderAndShown) {
    trigger("FileAnnotations");  // no pane: nothing

    const QString file =
        write("notes.mzi", documentXml({spectraXml("N", {{"obs", "bar", peaksText}})},
                                       "&lt;html&gt;&lt;body&gt;&lt;p&gt;First page&lt;/p&gt;"
                                       "&lt;img src=\"http://example.org/x.png\"&gt;&lt;/body&gt;"
                                       "&lt;/html&gt;"));
    ASSERT_TRUE(m_frame->loadMziFile(file));
    trigger("FileAnnotations");
    const QString page = path("temp/notes.html");
    EXPECT_EQ(readFile(page), currentData().annotationText());
    auto* window = m_frame->findChild<TAnnotationsWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Annotations"));
    EXPECT_TRUE(window->browser()->toPlainText().contains(QStringLiteral("First page")));

    // A link planted at the page's name is replaced, not followed; the window is reused.
    const QString victim = path("victim.txt");
    writeFile(victim, "keep");
    ASSERT_TRUE(QFile::remove(page));
    ASSERT_TRUE(QFile::link(victim, page));
    trigger("FileAnnotations");
    EXPECT_EQ(readFile(victim), "keep");
    EXPECT_FALSE(QFileInfo(page).isSymLink());
    EXPECT_EQ(readFile(page), currentData().annotationText());
    EXPECT_EQ(m_frame->findChildren<TAnnotationsWindow*>().size(), 1);
}

TEST(AnnotationsBrowser, FetchesNothingFromTheNetwork) {
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("local.txt"));
    writeFile(image, "local bytes");
    TAnnotationsBrowser browser;
    EXPECT_FALSE(browser
                     .loadResource(QTextDocument::ImageResource,
                                   QUrl(QStringLiteral("http://example.org/x.png")))
                     .isValid());
    EXPECT_EQ(browser.loadResource(QTextDocument::ImageResource, QUrl::fromLocalFile(image))
                  .toByteArray(),
              QByteArray("local bytes"));
}

TEST_F(FileActions, DataCorruptionIsReportedOncePerLoadAlsoAfterAFailure) {
    const QString file =
        write("corrupt.mzi",
              documentXml({spectraXml("A", {editedSerie("a1"), {"a2", "bar", peaksText}}),
                           spectraXml("B", {editedSerie("b1"), {"b2", "bar", peaksText, 0}})}));
    m_dialogs.press(TMessageButton::Ignore);
    EXPECT_TRUE(m_frame->loadMziFile(file));
    EXPECT_EQ(
        m_dialogs.messages(),
        std::vector{corruptionWarning(file, QStringLiteral("the series \"a1\", \"b1\", \"b2\""))});

    m_dialogs.clearLog();
    const QString failing =
        write("failing.mzi", documentXml({spectraXml("A", {editedSerie("a1")}),
                                          spectraXml("B", {{"cut", "bar", "1 2 3", 7}})}));
    m_dialogs.press(TMessageButton::Abort);
    m_dialogs.press(TMessageButton::Ignore);
    EXPECT_FALSE(m_frame->loadMziFile(failing));
    EXPECT_EQ(
        m_dialogs.messages(),
        (std::vector{errorBox("Cannot read \"" + failing +
                              "\": Invalid format. Incomplete value pair (3 ...)" + formatHint),
                     corruptionWarning(failing, QStringLiteral("series \"a1\""))}));
}

TEST_F(FileActions, ALoadThatFindsNoRoomChangesNoPane) {
    const TLoggedMessage noRoom =
        errorBox(QStringLiteral("No room for another spectrum: at most 8 can be shown at once."));
    // Seven panes and a document of two.
    for (int i = 0; i < 7; ++i) trigger("FileNew");
    ASSERT_EQ(manager().count(), 7);
    m_dialogs.press(TMessageButton::Abort);
    EXPECT_FALSE(m_frame->loadMziFile(twoSpectraDocument()));
    EXPECT_EQ(m_dialogs.messages(), std::vector{noRoom});
    EXPECT_EQ(manager().count(), 7);

    // An eighth pane fits; a ninth is refused by New and Import alike, with the current pane
    // left as it was.
    trigger("FileNew");
    current().setFileName("eighth.mzi");
    m_dialogs.clearLog();
    for (int i = 0; i < 2; ++i) m_dialogs.press(TMessageButton::Abort);
    trigger("FileNew");
    EXPECT_FALSE(m_frame->importTextFile(write("peaks.txt", "100 5\n200 10\n"), 1));
    EXPECT_EQ(m_dialogs.messages(), std::vector(2, noRoom));
    EXPECT_EQ(manager().count(), 8);
    EXPECT_EQ(current().fileName(), "eighth.mzi");
}

TEST_F(FileActions, AWindowTooLowForAPaneRefusesTheLoad) {
    m_frame->resize(600, 20);
    m_dialogs.press(TMessageButton::Abort);
    EXPECT_FALSE(m_frame->loadMziFile(twoSpectraDocument()));
    EXPECT_EQ(manager().count(), 0);
    EXPECT_EQ(m_dialogs.messages(),
              std::vector{errorBox(
                  QStringLiteral("No room for another spectrum: the window is too small."))});
}

}  // namespace
