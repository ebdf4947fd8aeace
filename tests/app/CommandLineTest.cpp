// The command line: what the arguments ask for, and the headless runs' JSON report and
// picture, run in-process on documents written into a temporary folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QDockWidget>
#include <QEvent>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>
#include <sstream>
#include <string>

#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/SpectraViewerFrame.h"
#include "app/ViewerServices.h"
#include "display/RunBrowser.h"
#include "display/SpectrumContainer.h"
#include "model/FloatPointSortedList.h"
#include "support/AppFixture.h"
#include "support/Gzip.h"

namespace {

using TMode = TCommandLine::TMode;

// The window opens every file named and ignores options it does not know; a headless run
// refuses them, and a wrong argument is an error with a text.
TEST(CommandLine, ArgumentsChooseTheRun) {
    const struct {
        QStringList arguments;
        TMode mode;
        QStringList files;
        QSize renderSize = {};
        bool browse = false;
    } cases[] = {
        {{}, TMode::Window, {}},
        {{"a.mzi", "b.mzi", "c.txt"}, TMode::Window, {"a.mzi", "b.mzi", "c.txt"}},
        {{"--bogus", "-psn_0_1", "a.mzXML"}, TMode::Window, {"a.mzXML"}},
        {{"--dump-json", "a.mzi", "b.mzi"}, TMode::DumpJson, {"a.mzi", "b.mzi"}},
        {{"--render", "out.png", "a.mzi"}, TMode::Render, {"a.mzi"}, QSize(1200, 800)},
        {{"--render=out.png", "--size", "640x360", "a.mzi"}, TMode::Render, {"a.mzi"}, {640, 360}},
        {{"--dump-json", "--bogus", "a.mzi"}, TMode::Error, {}},
        {{"--render"}, TMode::Error, {}},
        {{"--render", "o.png", "--size", "0x10", "a.mzi"}, TMode::Error, {}},
        {{"--render", "o.png", "--dump-json", "a.mzi"}, TMode::Error, {}},
        {{"--scan-table", "run.mzML"}, TMode::ScanTable, {"run.mzML"}},
        {{"--scan-table", "a.mzML", "b.mzML"}, TMode::Error, {}},
        {{"--scan-table", "--dump-json", "a.mzML"}, TMode::Error, {}},
        {{"--dump-json", "--scans", "3-1", "a.mzML"}, TMode::Error, {}},
        {{"--render", "out.png", "--browse", "r.mzML"},
         TMode::Render,
         {"r.mzML"},
         {1200, 800},
         true},
        {{"--browse", "r.mzML"}, TMode::Error, {}},
        {{"--dump-json", "--browse", "r.mzML"}, TMode::Error, {}},
        {{"--render", "o.png", "--browse", "r.mzML", "a.mzi"}, TMode::Error, {}},
        {{"--render", "o.png", "--browse"}, TMode::Error, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const TCommandLine line = parseCommandLine(QStringList{"velmorix"} + c.arguments);
        EXPECT_EQ(line.mode, c.mode);
        if (c.mode == TMode::Error) {
            EXPECT_FALSE(line.text.isEmpty());
            continue;
        }
        EXPECT_EQ(line.files, c.files);
        EXPECT_EQ(line.scans, std::nullopt);
        EXPECT_EQ(line.browse, c.browse);
        if (c.mode == TMode::Render) {
            EXPECT_EQ(line.renderPath, QStringLiteral("out.png"));
            EXPECT_EQ(line.renderSize, c.renderSize);
        }
    }
}

class HeadlessRun : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString write(const QString& name, const std::string& bytes) {
        writeFile(m_dir.filePath(name), bytes);
        return m_dir.filePath(name);
    }
    // Runs the arguments as the program would; the exit status.
    int run(QStringList arguments, const TWindowHook& windowMade = {}) {
        m_out.str({});
        m_err.str({});
        arguments.prepend(QStringLiteral("velmorix"));
        const auto status =
            runHeadless(parseCommandLine(arguments), m_services, m_out, m_err, windowMade);
        EXPECT_TRUE(status.has_value());
        return status.value_or(-1);
    }
    QJsonObject report() const {
        QJsonParseError error;
        const QJsonDocument json =
            QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str()), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << m_out.str();
        return json.object();
    }

    QTemporaryDir m_dir;
    FakeClipboard m_clipboard;
    // The headless runs answer their own dialogs: anything asked of these fails the test.
    ScriptedDialogs m_dialogs;
    TMemorySettings m_settings;
    TViewerServices m_services{m_dialogs, m_clipboard, m_settings, QDir::tempPath(), "0.2.0.0"};
    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(HeadlessRun, ScanTableListsEverySpectrumOfARun) {
    const QString file = QStringLiteral(VELMORIX_TEST_DATA "/mzxml/ltqft_small.openms.mzXML");
    ASSERT_EQ(run({"--scan-table", file}), 0) << m_err.str();
    const QJsonObject json = report();
    EXPECT_EQ(json["format"].toString(), QStringLiteral("mzXML"));
    EXPECT_TRUE(json["messages"].toArray().isEmpty());
    // All 48 scans, not the first eleven: 14 MS1 and 34 MS2.
    const QJsonArray spectra = json["spectra"].toArray();
    ASSERT_EQ(spectra.size(), 48);
    int ms1 = 0;
    for (const auto& spectrum : spectra) ms1 += spectrum.toObject()["msLevel"].toInt() == 1;
    EXPECT_EQ(ms1, 14);
    const QJsonObject third = spectra[2].toObject();
    EXPECT_EQ(third["scan"].toInt(), 3);
    EXPECT_EQ(third["id"].toString(), QStringLiteral("scan=3"));
    EXPECT_EQ(third["points"].toInt(), 485);
    EXPECT_DOUBLE_EQ(third["rtSeconds"].toDouble(), 0.67309999998);
    EXPECT_DOUBLE_EQ(third["basePeakMz"].toDouble(), 736.637084960937955);
    // What the file does not state is null, not 0.
    EXPECT_TRUE(spectra[0].toObject()["precursorMz"].isNull());
    EXPECT_TRUE(third["charge"].isNull());

    // A file that is no run: an error in the report and on standard error, exit 1.
    const QString text = write(QStringLiteral("peaks.txt"), "100 5\n200 10\n");
    EXPECT_EQ(run({"--scan-table", text}), 1);
    const QJsonArray messages = report()["messages"].toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toObject()["kind"].toString(), QStringLiteral("error"));
    EXPECT_TRUE(messages[0].toObject()["text"].toString().contains(text));
    EXPECT_NE(m_err.str().find("error: "), std::string::npos);
}

// The same for an mzML run, plain and gzip-compressed: read through its index, with its
// stored chromatogram and the file's own ids.
TEST_F(HeadlessRun, ScanTableAndScansReadMzMlRunsPlainOrCompressed) {
    const QString plain = QStringLiteral(VELMORIX_TEST_DATA "/mzml/ltqft_small.pwiz.mzML");
    const std::string bytes = readFile(plain);
    const QString packed = write(QStringLiteral("run.mzML.gz"), gzipped(bytes));
    for (const QString& file : {plain, packed}) {
        SCOPED_TRACE(file.toStdString());
        ASSERT_EQ(run({"--scan-table", file}), 0) << m_err.str();
        const QJsonObject json = report();
        EXPECT_EQ(json["format"].toString(), QStringLiteral("mzML"));
        EXPECT_TRUE(json["indexUsed"].toBool());
        const QJsonArray spectra = json["spectra"].toArray();
        ASSERT_EQ(spectra.size(), 48);
        const QJsonObject third = spectra[2].toObject();
        EXPECT_EQ(third["id"].toString(),
                  QStringLiteral("controllerType=0 controllerNumber=1 scan=3"));
        EXPECT_EQ(third["centroided"], QJsonValue(true));
        EXPECT_DOUBLE_EQ(third["rtSeconds"].toDouble(), 0.67309999998);
        const QJsonArray chromatograms = json["chromatograms"].toArray();
        ASSERT_EQ(chromatograms.size(), 1);
        EXPECT_EQ(chromatograms[0].toObject()["kind"].toString(), QStringLiteral("TIC"));

        ASSERT_EQ(run({"--dump-json", "--scans", "3", file}), 0) << m_err.str();
        const QJsonObject serie =
            report()["panes"].toArray()[0].toObject()["series"].toArray()[0].toObject();
        EXPECT_EQ(serie["name"].toString(), QStringLiteral("scan 3 \u00b7 MS2 810.79"));
        EXPECT_EQ(serie["count"].toInt(), 485);
        EXPECT_EQ(serie["style"].toInt(), static_cast<int>(TSerieStyle::Bars));
    }
}

// A spectrum whose peak data is damaged is named in a warning and left out; the others open
// under their own places in the run.
TEST_F(HeadlessRun, ADamagedSpectrumOfARunIsToldAndTheOthersOpen) {
    std::string bytes =
        readFile(QStringLiteral(VELMORIX_TEST_DATA "/mzml/ltqft_small_scans3-5.64.mzML"));
    // The m/z array of the second spectrum is no Base64 any more.
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) at = bytes.find("<binary>", at) + 8;
    bytes.replace(at, 4, "!!!!");
    const QString file = write(QStringLiteral("damaged.mzML"), bytes);
    EXPECT_EQ(run({"--dump-json", file}), 1);
    const QJsonObject json = report();
    QStringList names;
    for (const auto& serie : json["panes"].toArray()[0].toObject()["series"].toArray())
        names << serie.toObject()["name"].toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("1"), QStringLiteral("3")}));
    const QJsonArray messages = json["messages"].toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toObject()["kind"].toString(), QStringLiteral("warning"));
    EXPECT_TRUE(messages[0].toObject()["text"].toString().contains(file));
}

TEST_F(HeadlessRun, ScansOpenThoseSpectraInTheOrderGiven) {
    const QString file = QStringLiteral(VELMORIX_TEST_DATA "/mzxml/ltqft_small.openms.mzXML");
    // Past the first eleven, out of order, each named by scan, level and precursor.
    ASSERT_EQ(run({"--dump-json", "--scans", "20,3-4", file}), 0) << m_err.str();
    const QJsonArray panes = report()["panes"].toArray();
    ASSERT_EQ(panes.size(), 1);
    QStringList names;
    for (const auto& serie : panes[0].toObject()["series"].toArray())
        names << serie.toObject()["name"].toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("scan 20 \u00b7 MS2"),
                                  QStringLiteral("scan 3 \u00b7 MS2"),
                                  QStringLiteral("scan 4 \u00b7 MS2")}));
    EXPECT_EQ(panes[0].toObject()["series"].toArray()[1].toObject()["count"].toInt(), 485);

    // A scan the run lacks is told and fails the run; the others still open.
    EXPECT_EQ(run({"--dump-json", "--scans", "1,999", file}), 1);
    const QJsonObject json = report();
    EXPECT_EQ(json["panes"].toArray()[0].toObject()["series"].toArray().size(), 1);
    EXPECT_EQ(json["messages"].toArray()[0].toObject()["text"].toString(),
              QStringLiteral("\"%1\" has no scan 999.").arg(file));
    // None of them: nothing opens.
    EXPECT_EQ(run({"--dump-json", "--scans", "900-999", file}), 1);
    EXPECT_TRUE(report()["panes"].toArray().isEmpty());

    // Scans of a run that its processing centroided are sticks, though they say nothing.
    const QString centroided = QStringLiteral(VELMORIX_TEST_DATA "/mzxml/qtof_agp.openms.mzXML");
    ASSERT_EQ(run({"--dump-json", "--scans", "1", centroided}), 0) << m_err.str();
    EXPECT_EQ(report()["panes"]
                  .toArray()[0]
                  .toObject()["series"]
                  .toArray()[0]
                  .toObject()["style"]
                  .toInt(),
              static_cast<int>(TSerieStyle::Bars));
}

// Two spectra: bars with one observed series, then an observed and a theoretical series that
// the load draws as lines; an annotations page for both.
std::string everyFeatureDocument() {
    const std::string peaks = "100.5 10\n200.25 30\n300.125 20\n";
    return documentXml({spectraXml("MS2 \xc3\xa9", {{"scan 3", "bar", peaks}}),
                        spectraXml("Fit", {{"observed", "bar", peaks},
                                           {"model &quot;b&quot;", "continue",
                                            "150 5\n250 15\n350 2.5\n450 1\n"}})},
                       "&lt;p&gt;Run A&lt;/p&gt;\n");
}

TEST_F(HeadlessRun, DumpJsonReportsEveryPaneAndSeries) {
    const QString file = write(QStringLiteral("every.mzi"), everyFeatureDocument());
    ASSERT_EQ(run({"--dump-json", file}), 0) << m_err.str();
    const QJsonObject json = report();
    EXPECT_TRUE(json["messages"].toArray().isEmpty());
    const QJsonArray panes = json["panes"].toArray();
    ASSERT_EQ(panes.size(), 2);

    // The first pane keeps its bars.
    const QJsonObject first = panes[0].toObject();
    EXPECT_EQ(first["caption"].toString(), QStringLiteral("MS2 \u00e9"));
    EXPECT_EQ(first["fileName"].toString(), file);
    EXPECT_EQ(first["annotationText"].toString(), QStringLiteral("<p>Run A</p>\n"));
    const QJsonObject scan = first["series"].toArray()[0].toObject();
    EXPECT_EQ(scan["color"].toString(), QStringLiteral("#000000"));
    EXPECT_EQ(scan["style"].toInt(), 1);
    EXPECT_EQ(scan["checksum"].toInteger(), pointTextChecksum("100.5 10\n200.25 30\n300.125 20\n"));

    // The last pane is finished: its stored styles kept, fitted to series 0, labelled.
    const QJsonObject last = panes[1].toObject();
    EXPECT_EQ(last["modified"], QJsonValue(false));
    const QJsonArray x = last["xRange"].toArray();
    EXPECT_DOUBLE_EQ(x[0].toDouble(), 100.5 - 0.02 * 199.625);
    EXPECT_DOUBLE_EQ(x[1].toDouble(), 300.125 + 0.02 * 199.625);
    const QJsonArray series = last["series"].toArray();
    ASSERT_EQ(series.size(), 2);
    const QJsonObject model = series[1].toObject();
    EXPECT_EQ(model["name"].toString(), QStringLiteral("model \"b\""));
    EXPECT_EQ(series[0].toObject()["style"].toInt(), 1);
    EXPECT_EQ(model["style"].toInt(), 2);
    EXPECT_EQ(model["tail"].toArray(),
              (QJsonArray{QJsonArray{250, 15}, QJsonArray{350, 2.5}, QJsonArray{450, 1}}));
    EXPECT_EQ(last["labelLists"].toArray(), (QJsonArray{QJsonObject{{"name", "Custom Labels"},
                                                                    {"visible", true},
                                                                    {"fontColor", "#000080"},
                                                                    {"candidates", 3}}}));

    // The head of the first series, its numbers written in their shortest form.
    EXPECT_NE(m_out.str().find("\"head\":[[100.5,10],[200.25,30],[300.125,20]]"),
              std::string::npos);
}

// Each file goes to the reader its content calls for; the readers' messages tell which read
// them.
TEST_F(HeadlessRun, DumpJsonRecordsMessagesAndFailsOnErrors) {
    const QString file = write(QStringLiteral("broken.mzi"),
                               documentXml({spectraXml("", {{"s", "bar", "1 2 3", 5}})}));
    const QString text = write(QStringLiteral("scan.txt"), "no numbers here\n");
    const QString upper = QStringLiteral(VELMORIX_TEST_DATA "/bad/mzxml-bad-base64-upper.MZXML");
    EXPECT_EQ(run({"--dump-json", file, text, upper}), 1);
    const QJsonObject json = report();
    EXPECT_EQ(json["panes"].toArray().size(), 1);
    const QJsonArray messages = json["messages"].toArray();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(
        messages[0].toObject(),
        (QJsonObject{{"kind", "error"},
                     {"text", "Cannot read \"" + file +
                                  "\": Invalid format. Incomplete value pair (3 ...)" + formatHint},
                     {"buttons", QJsonArray{"Abort"}}}));
    EXPECT_TRUE(messages[1].toObject()["text"].toString().startsWith("No spectrum in"));
    EXPECT_TRUE(messages[2].toObject()["text"].toString().contains("is not Base64"));

    // Points left out fail the run too, and every message is also on standard error.
    const QString corrupt = write(QStringLiteral("corrupt.mzi"),
                                  documentXml({spectraXml("", {{"s", "bar", "1 2", 5}})}));
    EXPECT_EQ(run({"--dump-json", corrupt}), 1);
    const QString warning = "Data corruption!\n\"" + corrupt +
                            "\": the points of series \"s\" do not match their checksum and "
                            "were left out.";
    EXPECT_EQ(report()["messages"].toArray(),
              (QJsonArray{QJsonObject{
                  {"kind", "warning"}, {"text", warning}, {"buttons", QJsonArray{"Ignore"}}}}));
    EXPECT_EQ(m_err.str(), "warning: " + warning.toStdString() + "\n");
}

// A picture of what loaded before a failure would pass for the whole: none is written. A path
// that cannot be written is told with the reason.
TEST_F(HeadlessRun, RenderWritesNoPictureOfAFailedLoadAndSaysWhyItCannotWrite) {
    const QString picture = m_dir.filePath(QStringLiteral("p.png"));
    const QString good = write(QStringLiteral("every.mzi"), everyFeatureDocument());
    EXPECT_EQ(run({"--render", picture, good, m_dir.filePath(QStringLiteral("missing.mzi"))}), 1);
    EXPECT_FALSE(QFile::exists(picture));
    EXPECT_NE(m_err.str().find("No picture written"), std::string::npos) << m_err.str();

    const QString unwritable = m_dir.filePath(QStringLiteral("no/such/folder/p.png"));
    EXPECT_EQ(run({"--render", unwritable, good}), 1);
    EXPECT_NE(m_err.str().find("Cannot write \"" + unwritable.toStdString() + "\": "),
              std::string::npos)
        << m_err.str();
}

TEST_F(HeadlessRun, RenderWritesAPictureOfTheAskedSize) {
    const QString file = write(QStringLiteral("every.mzi"), everyFeatureDocument());
    const QString picture = m_dir.filePath(QStringLiteral("spectra.png"));
    ASSERT_EQ(run({"--render", picture, "--size", "640x360", file}), 0) << m_err.str();
    const QImage image(picture);
    ASSERT_EQ(image.size(), QSize(640, 360));
    // Something is drawn: the picture is not one colour.
    QImage blank(image.size(), image.format());
    blank.fill(image.pixel(0, 0));
    EXPECT_NE(image, blank);
}

// The run with its first two spectra (MS1) relabelled MS2, byte for byte the same length so that
// its index still holds.
std::string ms2FirstRun(std::string run) {
    const std::string ms1 = R"(name="ms level" value="1")";
    for (int i = 0; i < 2; ++i) {
        const auto at = run.find(ms1);
        if (at == std::string::npos) break;
        run[at + ms1.size() - 2] = '2';
    }
    return run;
}

// What the window holds while it paints itself into the picture.
class TPaintedWindow : public QObject {
public:
    explicit TPaintedWindow(TMainForm& window) : m_window(window) {
        window.installEventFilter(this);
    }

    bool painted = false;
    QRect dock;  // in the window's coordinates
    QRect pane;
    QString caption;
    int currentScan = 0;  // the scan the browser marks as shown

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_window || event->type() != QEvent::Paint) return false;
        const TSpectraViewerFrame& frame = *m_window.frame();
        const auto browsers = frame.runBrowsers();
        if (browsers.size() != 1) return false;
        const TRunBrowser& browser = *browsers.front();
        const TSpectrumContainer* shown = frame.browserPane(&browser);
        const auto* dockWidget = m_window.findChild<QDockWidget*>();
        if (!shown || !dockWidget || !browser.currentSpectrum()) return false;
        painted = true;
        const auto inWindow = [&](const QWidget& w) {
            return QRect(w.mapTo(&m_window, QPoint(0, 0)), w.size());
        };
        dock = inWindow(*dockWidget);
        pane = inWindow(*shown);
        caption = shown->caption();
        currentScan = browser.run()->spectra()[std::size_t(*browser.currentSpectrum())].scanNumber;
        return false;
    }

private:
    TMainForm& m_window;
};

// The picture of a browsed run is the window of the asked size: the browser's dock at the left,
// the pane beside it showing the scan asked for, or the first MS1 spectrum.
TEST_F(HeadlessRun, RenderBrowsePicturesTheWindowShowingTheChosenScan) {
    const QString file = QStringLiteral(VELMORIX_TEST_DATA "/mzml/ltqft_small.pwiz.mzML");
    // The first spectra of this copy are MS2: an MS1 spectrum is looked for.
    const QString late = write(QStringLiteral("late.mzML"), ms2FirstRun(readFile(file)));
    const QString picture = m_dir.filePath(QStringLiteral("browse.png"));
    const struct {
        QString file;
        QStringList scans;
        int scan;
        QString caption;
    } cases[] = {
        {file, {"--scans", "20,3"}, 20, QStringLiteral("scan 20 \u00b7 MS2 \u00b7 RT ")},
        {late, {}, 8, QStringLiteral("scan 8 \u00b7 MS1 \u00b7 RT ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scans.join(' ').toStdString());
        QFile::remove(picture);
        std::unique_ptr<TPaintedWindow> painted;
        const TWindowHook watch = [&](TMainForm& w) {
            painted = std::make_unique<TPaintedWindow>(w);
        };
        ASSERT_EQ(run(QStringList{"--render", picture, "--size", "1000x700", "--browse", c.file} +
                          c.scans,
                      watch),
                  0)
            << m_err.str();
        EXPECT_EQ(QImage(picture).size(), QSize(1000, 700));
        ASSERT_TRUE(painted && painted->painted);
        EXPECT_EQ(painted->currentScan, c.scan);
        EXPECT_TRUE(painted->caption.startsWith(c.caption)) << painted->caption.toStdString();
        EXPECT_FALSE(painted->dock.isEmpty());
        EXPECT_LE(painted->dock.right(), painted->pane.left());
        EXPECT_GE(painted->pane.width(), 300);
    }

    // A run with none of the scans asked for is an error and leaves no picture.
    QFile::remove(picture);
    EXPECT_EQ(run({"--render", picture, "--browse", file, "--scans", "900-999"}), 1);
    EXPECT_FALSE(QFile::exists(picture));
    EXPECT_NE(m_err.str().find("none of the scans"), std::string::npos) << m_err.str();
}

TEST_F(HeadlessRun, HelpVersionAndWrongArgumentsAnswerWithoutAWindow) {
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_EQ(m_out.str(), "velmorix 0.2.0.0\n");
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(m_out.str().find("--render <OUT.png>"), std::string::npos);
    EXPECT_EQ(run({"--size", "1x1", "a.mzi"}), 2);
    EXPECT_NE(m_err.str().find("--size"), std::string::npos);
    EXPECT_FALSE(
        runHeadless(parseCommandLine({"velmorix", "a.mzi"}), m_services, m_out, m_err).has_value());
}

}  // namespace
