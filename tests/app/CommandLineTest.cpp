// The command line: what the arguments ask for, and the headless runs' JSON report and
// picture, run in-process on documents written into a temporary folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sstream>
#include <string>

#include "app/CommandLine.h"
#include "app/ViewerServices.h"
#include "model/FloatPointSortedList.h"
#include "model/PointListSerie.h"
#include "support/AppFixture.h"

namespace {

using TMode = TCommandLine::TMode;

TCommandLine parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("velmorix"));
    return parseCommandLine(arguments);
}

// The window opens the first document only; a wrong argument is an error with a text.
TEST(CommandLine, ArgumentsChooseTheRun) {
    const struct {
        QStringList arguments;
        TMode mode;
        QStringList files;
        QSize renderSize = {};
    } cases[] = {
        {{}, TMode::Window, {}},
        {{"a.mzi", "b.mzi", "c.txt"}, TMode::Window, {"a.mzi"}},
        {{"--dump-json", "a.mzi", "b.mzi"}, TMode::DumpJson, {"a.mzi", "b.mzi"}},
        {{"--render", "out.png", "a.mzi"}, TMode::Render, {"a.mzi"}, QSize(1200, 800)},
        {{"--render=out.png", "--size", "640x360", "a.mzi"}, TMode::Render, {"a.mzi"}, {640, 360}},
        {{"--bogus"}, TMode::Error, {}},
        {{"--render", "o.png", "--size", "640", "a.mzi"}, TMode::Error, {}},
        {{"--render", "o.png", "--size", "0x10", "a.mzi"}, TMode::Error, {}},
        {{"--size", "10x10", "a.mzi"}, TMode::Error, {}},
        {{"--render", "o.png", "--dump-json", "a.mzi"}, TMode::Error, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const TCommandLine line = parse(c.arguments);
        EXPECT_EQ(line.mode, c.mode);
        if (c.mode == TMode::Error) {
            EXPECT_FALSE(line.text.isEmpty());
            continue;
        }
        EXPECT_EQ(line.files, c.files);
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
    int run(QStringList arguments) {
        m_out.str({});
        m_err.str({});
        arguments.prepend(QStringLiteral("velmorix"));
        const auto status = runHeadless(parseCommandLine(arguments), m_services, m_out, m_err);
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
    TViewerServices m_services{nullptr, &m_clipboard, QDir::tempPath(), "0.2.0.0"};
    std::ostringstream m_out;
    std::ostringstream m_err;
};

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
    EXPECT_EQ(first["currentSeries"].toInt(), 0);
    const QJsonObject scan = first["series"].toArray()[0].toObject();
    EXPECT_EQ(scan["name"].toString(), QStringLiteral("scan 3"));
    EXPECT_EQ(scan["color"].toString(), QStringLiteral("#000000"));
    EXPECT_EQ(scan["style"].toInt(), 1);
    EXPECT_EQ(scan["count"].toInt(), 3);
    EXPECT_EQ(scan["checksum"].toInteger(), pointTextChecksum("100.5 10\n200.25 30\n300.125 20\n"));
    EXPECT_EQ(scan["minX"].toDouble(), 100.5);
    EXPECT_EQ(scan["maxX"].toDouble(), 300.125);
    EXPECT_EQ(scan["maxY"].toDouble(), 30.0);
    EXPECT_EQ(scan["sumY"].toDouble(), 60.0);

    // The last pane is finished: lines, fitted to series 0, labelled.
    const QJsonObject last = panes[1].toObject();
    EXPECT_EQ(last["caption"].toString(), QStringLiteral("Fit"));
    EXPECT_EQ(last["modified"], QJsonValue(false));
    const QJsonArray x = last["xRange"].toArray();
    EXPECT_DOUBLE_EQ(x[0].toDouble(), 100.5 - 0.02 * 199.625);
    EXPECT_DOUBLE_EQ(x[1].toDouble(), 300.125 + 0.02 * 199.625);
    EXPECT_LE(last["yRange"].toArray()[0].toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(last["yRange"].toArray()[1].toDouble(), 30.0 * 1.02);
    const QJsonArray series = last["series"].toArray();
    ASSERT_EQ(series.size(), 2);
    const QJsonObject model = series[1].toObject();
    EXPECT_EQ(model["name"].toString(), QStringLiteral("model \"b\""));
    // The second series of a list gets its palette colour.
    TPointListSerieList palette;
    palette.newSerie("a");
    const TColor second = palette.newSerie("b")->color();
    EXPECT_EQ(model["color"].toString(),
              QString::asprintf("#%02x%02x%02x", second.r, second.g, second.b));
    for (const auto& s : series) EXPECT_EQ(s.toObject()["style"].toInt(), 2);
    EXPECT_EQ(model["count"].toInt(), 4);
    EXPECT_EQ(model["head"].toArray(),
              (QJsonArray{QJsonArray{150, 5}, QJsonArray{250, 15}, QJsonArray{350, 2.5}}));
    EXPECT_EQ(model["tail"].toArray(),
              (QJsonArray{QJsonArray{250, 15}, QJsonArray{350, 2.5}, QJsonArray{450, 1}}));
    EXPECT_EQ(model["sumY"].toDouble(), 23.5);
    EXPECT_EQ(last["labelLists"].toArray(), (QJsonArray{QJsonObject{{"name", "Custom Labels"},
                                                                    {"visible", true},
                                                                    {"fontColor", "#000080"},
                                                                    {"candidates", 3}}}));

    // The head of the first series, its numbers written in their shortest form.
    EXPECT_NE(m_out.str().find("\"head\":[[100.5,10],[200.25,30],[300.125,20]]"),
              std::string::npos);
}

TEST_F(HeadlessRun, DumpJsonRecordsMessagesAndFailsOnErrors) {
    const QString file = write(QStringLiteral("broken.mzi"),
                               documentXml({spectraXml("", {{"s", "bar", "1 2 3", 5}})}));
    const QString text = write(QStringLiteral("scan.txt"), "no numbers here\n");
    EXPECT_EQ(run({"--dump-json", file, text}), 1);
    const QJsonObject json = report();
    EXPECT_EQ(json["panes"].toArray().size(), 1);
    const auto errorBox = [](const QString& text) {
        return QJsonObject{
            {"kind", "error"}, {"text", text + formatHint}, {"buttons", QJsonArray{"Abort"}}};
    };
    EXPECT_EQ(json["messages"].toArray(),
              (QJsonArray{errorBox(QStringLiteral("Cannot read \"%1\": Invalid format. "
                                                  "Incomplete value pair (3 ...)")
                                       .arg(file)),
                          errorBox(QStringLiteral("No spectrum in \"%1\": no line starts with an "
                                                  "x and a y value.")
                                       .arg(text))}));

    // A warning alone does not fail the run.
    const QString corrupt = write(QStringLiteral("corrupt.mzi"),
                                  documentXml({spectraXml("", {{"s", "bar", "1 2", 5}})}));
    EXPECT_EQ(run({"--dump-json", corrupt}), 0);
    EXPECT_EQ(report()["messages"].toArray(),
              (QJsonArray{QJsonObject{{"kind", "warning"},
                                      {"text", "Data corruption!"},
                                      {"buttons", QJsonArray{"Ignore"}}}}));
}

// Files are routed by their suffix: mzXML in any letter case is opened as a run, anything but a
// .mzi document is imported as a text spectrum.
TEST_F(HeadlessRun, DumpJsonOpensMzXmlInAnyLetterCaseAndImportsOtherFiles) {
    const QString runFile =
        write(QStringLiteral("RUN.MZXML"),
              readFile(QStringLiteral(VELMORIX_TEST_DATA "/mzxml/ltqft_small.msconvert.32.mzXML")));
    ASSERT_EQ(run({"--dump-json", runFile}), 0) << m_err.str();
    QJsonObject json = report();
    EXPECT_TRUE(json["messages"].toArray().isEmpty());
    EXPECT_EQ(json["panes"].toArray().size(), 1);

    const QString text = QStringLiteral(VELMORIX_TEST_DATA "/text/ltqft_small_scan3_ms2.txt");
    ASSERT_EQ(run({"--dump-json", text}), 0) << m_out.str();
    json = report();
    EXPECT_TRUE(json["messages"].toArray().isEmpty());
    const QJsonArray panes = json["panes"].toArray();
    ASSERT_EQ(panes.size(), 1);
    EXPECT_EQ(panes[0].toObject()["caption"].toString(),
              QStringLiteral("ltqft_small_scan3_ms2.txt"));
}

TEST_F(HeadlessRun, RenderWritesAPictureOfTheAskedSize) {
    const QString file = write(QStringLiteral("every.mzi"), everyFeatureDocument());
    const QString picture = m_dir.filePath(QStringLiteral("spectra.png"));
    ASSERT_EQ(run({"--render", picture, "--size", "640x360", file}), 0) << m_err.str();
    const QImage image(picture);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(640, 360));
    // Something is drawn: the picture is not one colour.
    const QRgb corner = image.pixel(image.width() - 1, image.height() - 1);
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 7)
        for (int x = 0; x < image.width() && !varied; x += 7) varied = image.pixel(x, y) != corner;
    EXPECT_TRUE(varied);

    ASSERT_EQ(run({"--render", picture, file}), 0);
    EXPECT_EQ(QImage(picture).size(), QSize(1200, 800));
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
