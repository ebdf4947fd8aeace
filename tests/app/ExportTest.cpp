// Pictures out: the SVG, PDF and PNG files of Export picture, the clipboard's picture, printing
// to a PDF file, a run browser's chromatogram with its spectrum and the command line's
// pictures, read back with XML, PDF and image readers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>

#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/PictureExport.h"
#include "display/PlotRenderer.h"
#include "support/AppFixture.h"

namespace {

// The texts of every <text> element of an SVG document, and whether it parsed.
struct TSvgTexts {
    bool valid = false;
    QString width;
    QString height;
    QStringList texts;
};

TSvgTexts svgTexts(const QByteArray& svg) {
    TSvgTexts result;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (!xml.readNext() || !xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("svg")) {
            result.width = xml.attributes().value(QLatin1String("width")).toString();
            result.height = xml.attributes().value(QLatin1String("height")).toString();
        } else if (xml.name() == QLatin1String("text")) {
            result.texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        }
    }
    result.valid = !xml.hasError();
    return result;
}

double millimetres(const QString& length) {
    return length.endsWith(QLatin1String("mm")) ? length.chopped(2).toDouble() : -1.0;
}

// The page sizes of a PDF file in points, in page order.
std::vector<QSizeF> mediaBoxes(const QByteArray& pdf) {
    std::vector<QSizeF> boxes;
    static const QRegularExpression box(
        QStringLiteral(R"(/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\])"));
    auto it = box.globalMatch(QString::fromLatin1(pdf));
    while (it.hasNext()) {
        const auto m = it.next();
        boxes.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return boxes;
}

constexpr double pointsPerMm = 72.0 / 25.4;

// A word of a PDF page as pdftotext places it, in points.
struct TPdfWord {
    QString text;
    double height = 0;
};

// The words of a PDF file, or nothing when pdftotext (poppler-utils) is missing.
std::optional<std::vector<TPdfWord>> pdfWords(const QString& path) {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) return std::nullopt;
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    EXPECT_TRUE(process.waitForFinished(30000));
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    std::vector<TPdfWord> words;
    auto it = word.globalMatch(QString::fromUtf8(process.readAllStandardOutput()));
    while (it.hasNext()) {
        const auto m = it.next();
        words.push_back({m.captured(5), m.captured(4).toDouble() - m.captured(2).toDouble()});
    }
    return words;
}

// Expects each of texts among words, as tall as a line of fontPoints text: the box of a line of
// text is its font's ascent and descent, somewhat more than its size in points.
void expectTextOfSize(const std::vector<TPdfWord>& words, const QStringList& texts,
                      double fontPoints, const QString& file) {
    for (const QString& text : texts) {
        const auto found = std::find_if(words.begin(), words.end(),
                                        [&](const TPdfWord& w) { return w.text == text; });
        ASSERT_TRUE(found != words.end()) << file.toStdString() << ": " << text.toStdString();
        EXPECT_GT(found->height, 0.8 * fontPoints) << file.toStdString() << ": " << text.toStdString();
        EXPECT_LT(found->height, 1.6 * fontPoints) << file.toStdString() << ": " << text.toStdString();
    }
}

// Two panes of peaks at 20, 45 and 80 over x 0..100, each with peak labels; the second is the
// current one.
class Export : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        for (int pane = 0; pane < 2; ++pane) {
            TSpectrum& plot = addPane();
            auto serie = plot.series()->newSerie("peaks");
            serie->setColor(TColor{0, 0, 160});
            for (int i = 0; i <= 1000; ++i) {
                const double x = i * 0.1;
                double y = 1.0;
                for (const auto& [centre, height] :
                     {std::pair{20.0, 60.0}, {45.0, 90.0}, {80.0, 40.0}})
                    y += height * std::exp(-(x - centre) * (x - centre) / 0.5);
                serie->points()->add({x, y});
            }
            plot.labels()->add(newPointlistLabelList("Custom Labels", *serie->points()));
            plot.labels()->setNeedsLayout(true);
            plot.setView(0, 100, 0, 110);
        }
        QCoreApplication::processEvents();
    }

    // Exports through the dialogs as the user does; the file's bytes.
    QByteArray exported(const TPictureSettings& settings, const QString& name) {
        m_dialogs.choosePicture(settings);
        m_dialogs.saveAs(path(name));
        trigger("FileExportPicture");
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }

    // The texts of the current pane's peak labels as the screen shows them.
    QStringList peakLabels() {
        QStringList texts;
        const TSpectrumData& data = currentData();
        for (const TPlacedLabel& label :
             data.labels()->layout(TPlotMapping(data, current().size())))
            texts << QString::fromStdString(label.text).trimmed();
        return texts;
    }
};

TEST_F(Export, SvgHasThePhysicalSizeAndItsAxisNumbersAndPeakLabelsAsTextAndIsRemembered) {
    TPictureSettings settings;
    settings.format = TPictureFormat::Svg;
    settings.width = 85;
    settings.height = 60;
    const QByteArray svg = exported(settings, QStringLiteral("figure.svg"));
    const TSvgTexts parsed = svgTexts(svg);
    ASSERT_TRUE(parsed.valid) << svg.left(400).toStdString();
    EXPECT_NEAR(millimetres(parsed.width), 85.0, 0.01) << parsed.width.toStdString();
    EXPECT_NEAR(millimetres(parsed.height), 60.0, 0.01) << parsed.height.toStdString();
    EXPECT_TRUE(svg.contains("viewBox="));
    for (const char* tick : {"20", "40", "60", "80"})
        EXPECT_TRUE(parsed.texts.contains(QLatin1String(tick))) << tick;
    // The tallest peak's label, laid out afresh for the picture's size.
    ASSERT_TRUE(peakLabels().contains(QStringLiteral("45")));
    EXPECT_TRUE(parsed.texts.contains(QStringLiteral("45")));
    // Lines that vanish in editors: zero-width and non-scaling strokes.
    EXPECT_FALSE(svg.contains("stroke-width=\"0\""));
    EXPECT_FALSE(svg.contains("non-scaling-stroke"));

    // The next export starts from these settings; the preview showed them.
    ASSERT_EQ(m_dialogs.previews().size(), 1u);
    EXPECT_FALSE(m_dialogs.previews()[0].isNull());
    m_dialogs.cancelPicture();
    trigger("FileExportPicture");
    ASSERT_EQ(m_dialogs.pictureRequests().size(), 2u);
    EXPECT_EQ(m_dialogs.pictureRequests()[1], settings);
    EXPECT_TRUE(m_dialogs.messages().empty());
}

// The panes ticked in the dialog are those drawn, one x axis each; none ticked is told and
// writes nothing.
TEST_F(Export, TheChosenPanesAreThoseDrawn) {
    TPictureSettings settings;
    settings.panes = TPicturePanes::All;
    EXPECT_EQ(svgTexts(exported(settings, QStringLiteral("all.svg"))).texts.count("m/z"), 2);
    settings.panes = TPicturePanes::Chosen;
    settings.chosenPanes = {1};
    EXPECT_EQ(svgTexts(exported(settings, QStringLiteral("second.svg"))).texts.count("m/z"), 1);
    ASSERT_EQ(m_dialogs.paneNameOffers().size(), 2u);
    EXPECT_EQ(m_dialogs.paneNameOffers()[1].size(), 2);
    EXPECT_TRUE(m_dialogs.messages().empty());

    settings.chosenPanes.clear();
    m_dialogs.choosePicture(settings);
    m_dialogs.press(TMessageButton::Abort);
    trigger("FileExportPicture");
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0], errorBox(QStringLiteral("There is no spectrum to draw.")));
    EXPECT_EQ(m_dialogs.saveRequests().size(), 2u);  // none asked for the third
}

TEST_F(Export, PdfPagesHaveTheAskedSizeAndTextOfTheAskedSizeThatReadsBack) {
    TPictureSettings settings;
    settings.format = TPictureFormat::Pdf;
    settings.panes = TPicturePanes::All;
    settings.width = 120;
    settings.height = 90;
    settings.fontPoints = 10;
    const QByteArray pdf = exported(settings, QStringLiteral("figure.pdf"));
    const auto boxes = mediaBoxes(pdf);
    ASSERT_EQ(boxes.size(), 1u);
    // Page sizes are whole points.
    EXPECT_NEAR(boxes[0].width(), 120 * pointsPerMm, 0.5);
    EXPECT_NEAR(boxes[0].height(), 90 * pointsPerMm, 0.5);

    // One pane per printed page, at the printer's page size.
    m_dialogs.printTo(path(QStringLiteral("print.pdf")), TPrintPages::OnePanePerPage);
    trigger("FilePrintPreview");
    EXPECT_EQ(
        mediaBoxes(QByteArray::fromStdString(readFile(path(QStringLiteral("print.pdf"))))).size(),
        2u);
    EXPECT_TRUE(m_dialogs.messages().empty());

    // Axis numbers, the axis's caption and a peak label, each as large as asked in points
    // on the export's fine page and on the printer's page alike (printing takes the last
    // export's text size).
    for (const QString& file : {QStringLiteral("figure.pdf"), QStringLiteral("print.pdf")}) {
        const auto words = pdfWords(path(file));
        if (!words) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        expectTextOfSize(*words, {"20", "40", "60", "80", "m/z", "45"}, settings.fontPoints,
                         file);
    }
}

TEST_F(Export, PngHasTheAskedPixelsAndDpiAndThePlotsPixelsOfTheScreen) {
    TPictureSettings settings;
    settings.format = TPictureFormat::Png;
    settings.unit = TPictureUnit::Pixel;
    settings.width = 640;
    settings.height = 400;
    settings.dpi = 150;
    const QImage image = QImage::fromData(exported(settings, QStringLiteral("figure.png")), "PNG");
    EXPECT_EQ(image.size(), QSize(640, 400));
    EXPECT_EQ(image.dotsPerMeterX(), qRound(150 / 0.0254));
    EXPECT_EQ(image.dotsPerMeterY(), qRound(150 / 0.0254));

    // At the screen's own density, each plot of the same size shows the screen's pixels
    // somewhere in the figure. The current pane's focus frame is the screen's alone.
    TSpectrumContainer* other = manager().container(0);
    TSpectrum& plot = *other->spectrum();
    ASSERT_FALSE(plot.plotState().focused);
    settings.panes = TPicturePanes::All;
    settings.sizeIsPlotArea = true;
    settings.dpi = QImage(1, 1, QImage::Format_RGB32).logicalDpiX();
    settings.width = plot.width();
    settings.height = plot.height();
    settings.lineWidthPoints = plot.renderSettings().serieLineWidth * 72.0 / settings.dpi;
    const QImage figure = QImage::fromData(pictureBytes(picturePanes(manager().containers(),
                                                                     &*m_frame->currentContainer(),
                                                                     TPicturePanes::All),
                                                        settings),
                                           "PNG")
                              .convertToFormat(QImage::Format_RGB32);
    const QImage screen = plot.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(screen.isNull());
    bool found = false;
    for (int y = 0; !found && y + screen.height() <= figure.height(); ++y)
        for (int x = 0; !found && x + screen.width() <= figure.width(); ++x)
            found = figure.copy(x, y, screen.width(), screen.height()) == screen;
    EXPECT_TRUE(found);
}

TEST_F(Export, ASizeThatCannotBeMadeIsToldAndWritesNothing) {
    struct Case {
        TPictureFormat format;
        double width, height;
        TPictureUnit unit;
        const char* says;
    };
    for (const Case& c : {Case{TPictureFormat::Png, 40000, 100, TPictureUnit::Pixel, "30000"},
                          Case{TPictureFormat::Png, 25000, 25000, TPictureUnit::Pixel, "500"},
                          Case{TPictureFormat::Pdf, 9000, 100, TPictureUnit::Millimetre, "5000"},
                          Case{TPictureFormat::Svg, 8, 5, TPictureUnit::Millimetre, "too small"}}) {
        TPictureSettings settings;
        settings.format = c.format;
        settings.unit = c.unit;
        settings.width = c.width;
        settings.height = c.height;
        m_dialogs.clearLog();
        m_dialogs.choosePicture(settings);
        m_dialogs.press(TMessageButton::Abort);
        trigger("FileExportPicture");
        ASSERT_EQ(m_dialogs.messages().size(), 1u) << c.says;
        EXPECT_EQ(m_dialogs.messages()[0].kind, TMessageKind::Error);
        EXPECT_TRUE(m_dialogs.messages()[0].text.contains(QLatin1String(c.says)))
            << m_dialogs.messages()[0].text.toStdString();
        // Told before a name is asked: no file, not even an empty one.
        EXPECT_TRUE(m_dialogs.saveRequests().empty());
    }
    EXPECT_TRUE(QDir(m_dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(Export, CopyPicturePutsPngSvgAndTheReadOutOnTheClipboardAtOnce) {
    trigger("EditCopyPicture");
    EXPECT_EQ(m_clipboard.puts(), 1);
    const auto png = m_clipboard.data("image/png");
    ASSERT_TRUE(png.has_value());
    const QImage image = QImage::fromData(png->data(), static_cast<int>(png->size()), "PNG");
    EXPECT_FALSE(image.isNull());
    const auto svg = m_clipboard.data("image/svg+xml");
    ASSERT_TRUE(svg.has_value());
    const TSvgTexts parsed =
        svgTexts(QByteArray(reinterpret_cast<const char*>(svg->data()), qsizetype(svg->size())));
    EXPECT_TRUE(parsed.valid);
    EXPECT_TRUE(parsed.texts.contains(QStringLiteral("40")));
    const QString text = QString::fromStdString(m_clipboard.text());
    EXPECT_TRUE(text.contains(QStringLiteral("m/z\t0 - 100"))) << text.toStdString();
    // The labelled peaks as the screen shows them, each with its m/z and intensity.
    const QStringList labels = peakLabels();
    ASSERT_FALSE(labels.isEmpty());
    for (const QString& label : labels)
        EXPECT_TRUE(text.contains(QLatin1Char('\t') + label + QLatin1Char('\n')))
            << label.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("45.0000\t91\t45\n"))) << text.toStdString();
}

// A run browser's pane, in the main window that browses runs.
class BrowserExport : public MainWindowFixture {
protected:

    QStringList exportedSvgTexts(bool withChromatogram, const QString& name) {
        TPictureSettings settings;
        settings.format = TPictureFormat::Svg;
        settings.withChromatogram = withChromatogram;
        m_dialogs.choosePicture(settings);
        m_dialogs.saveAs(path(name));
        trigger("FileExportPicture");
        const TSvgTexts parsed = svgTexts(QByteArray::fromStdString(readFile(path(name))));
        EXPECT_TRUE(parsed.valid) << name.toStdString();
        return parsed.texts;
    }
};

TEST_F(BrowserExport, TheChromatogramGoesAboveTheBrowsedSpectrumWhenAsked) {
    ASSERT_TRUE(m_frame->openAnyFile(
        QStringLiteral(VELMORIX_TEST_DATA "/mzxml/ltqft_small.msconvert.32.mzXML")));
    ASSERT_EQ(m_frame->runBrowsers().size(), 1u);
    TRunBrowser* browser = m_frame->runBrowsers().front();
    ASSERT_EQ(m_frame->currentContainer(), m_frame->browserPane(browser));

    const QStringList with = exportedSvgTexts(true, QStringLiteral("with.svg"));
    ASSERT_TRUE(with.contains(QStringLiteral("RT (min)"))) << with.join(' ').toStdString();
    ASSERT_TRUE(with.contains(QStringLiteral("m/z"))) << with.join(' ').toStdString();
    // Drawn top to bottom: the chromatogram's axis before the spectrum's.
    EXPECT_LT(with.indexOf(QStringLiteral("RT (min)")), with.indexOf(QStringLiteral("m/z")));
    EXPECT_FALSE(exportedSvgTexts(false, QStringLiteral("without.svg"))
                     .contains(QStringLiteral("RT (min)")));

    // An ordinary pane has no chromatogram to offer: the remembered choice changes nothing.
    m_frame->copyBrowsedSpectra(browser);
    ASSERT_FALSE(m_frame->isBrowserPane(m_frame->currentContainer()));
    const QStringList copy = exportedSvgTexts(true, QStringLiteral("copy.svg"));
    EXPECT_TRUE(copy.contains(QStringLiteral("m/z")));
    EXPECT_FALSE(copy.contains(QStringLiteral("RT (min)")));
    EXPECT_EQ(m_dialogs.chromatogramOffers(), (std::vector<bool>{true, true, false}));
    EXPECT_TRUE(m_dialogs.messages().empty());
}

// The command line picks the format from the output's extension and takes sizes in mm.
TEST(ExportCommandLine, RenderWritesSvgAndPdfOfTheAskedSize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("a.mzi"));
    writeFile(file, documentXml({spectraXml(
                        "Fit", {{"observed", "bar", "100.5 10\n200.25 30\n300.125 20\n"}})}));
    FakeClipboard clipboard;
    ScriptedDialogs dialogs;
    TMemorySettings settings;
    const TViewerServices services{dialogs, clipboard, settings, dir.path(),
                                   QStringLiteral("0.2.0.0")};
    std::ostringstream out, err;
    const auto run = [&](QStringList arguments) {
        arguments.prepend(QStringLiteral("velmorix"));
        return runHeadless(parseCommandLine(arguments), services, out, err).value_or(-1);
    };
    const QString svg = dir.filePath(QStringLiteral("a.svg"));
    ASSERT_EQ(run({"--render", svg, "--size", "85x60mm", file}), 0) << err.str();
    const TSvgTexts parsed = svgTexts(QByteArray::fromStdString(readFile(svg)));
    EXPECT_TRUE(parsed.valid);
    EXPECT_NEAR(millimetres(parsed.width), 85.0, 0.01);
    EXPECT_TRUE(parsed.texts.contains(QStringLiteral("200")));

    const QString pdf = dir.filePath(QStringLiteral("a.pdf"));
    ASSERT_EQ(run({"--render", pdf, "--size", "600x300", "--dpi", "150", file}), 0) << err.str();
    const auto boxes = mediaBoxes(QByteArray::fromStdString(readFile(pdf)));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NEAR(boxes[0].width(), 600.0 / 150 * 72, 0.5);

    // Refused before anything is drawn; no file.
    const QString huge = dir.filePath(QStringLiteral("huge.png"));
    EXPECT_EQ(run({"--render", huge, "--size", "4000x4000mm", "--dpi", "1200", file}), 1);
    EXPECT_FALSE(QFile::exists(huge));
    EXPECT_NE(err.str().find("30000"), std::string::npos) << err.str();
}

}  // namespace
