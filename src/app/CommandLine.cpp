// The command line: parsing, the window run and the headless runs (JSON report, PNG picture).
#include "app/CommandLine.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/HeadlessServices.h"
#include "app/JsonWriter.h"
#include "app/MainWindow.h"
#include "app/PictureExport.h"
#include "app/ScanTableReport.h"
#include "app/Settings.h"
#include "app/SpectraViewerFrame.h"
#include "app/ViewerServices.h"
#include "app/WindowState.h"
#include "display/PaneRenderer.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "model/Label.h"
#include "model/SpectrumData.h"

namespace {

constexpr char dumpJsonOption[] = "dump-json";
constexpr char renderOption[] = "render";
constexpr char sizeOption[] = "size";
constexpr char dpiOption[] = "dpi";
constexpr char scansOption[] = "scans";
constexpr char scanTableOption[] = "scan-table";
constexpr char browseOption[] = "browse";

// The size a headless run gives its hidden window, so that panes can be made.
constexpr QSize headlessWindowSize{1200, 800};

std::string colorText(TColor c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

const char* buttonText(TMessageButton button) {
    switch (button) {
        case TMessageButton::Ok:
            return "Ok";
        case TMessageButton::Abort:
            return "Abort";
        case TMessageButton::Ignore:
            return "Ignore";
        case TMessageButton::Yes:
            return "Yes";
        case TMessageButton::No:
            return "No";
        case TMessageButton::Cancel:
            return "Cancel";
    }
    return "Ok";
}

void writeSerie(TJsonWriter& json, const TPointListSerie& serie) {
    const auto& points = serie.points()->points();
    json.beginObject();
    json.key("name");
    json.value(serie.name());
    json.key("color");
    json.value(colorText(serie.color()));
    json.key("style");
    json.value(static_cast<int>(serie.style()));
    json.key("count");
    json.value(static_cast<long long>(points.size()));
    json.key("checksum");
    json.value(static_cast<long long>(serie.points()->getChecksum()));
    const std::size_t ends = std::min<std::size_t>(3, points.size());
    json.key("head");
    json.beginArray();
    for (std::size_t i = 0; i < ends; ++i) json.pair(points[i].x, points[i].y);
    json.endArray();
    json.key("tail");
    json.beginArray();
    for (std::size_t i = points.size() - ends; i < points.size(); ++i)
        json.pair(points[i].x, points[i].y);
    json.endArray();
    // Computed here rather than read from the list's cached corners, which fitting may set.
    double minX = 0.0, maxX = 0.0, maxY = 0.0, sumY = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto& p = points[i];
        if (i == 0 || p.x < minX) minX = p.x;
        if (i == 0 || p.x > maxX) maxX = p.x;
        if (i == 0 || p.y > maxY) maxY = p.y;
        sumY += p.y;
    }
    const auto extreme = [&](const char* name, double v) {
        json.key(name);
        if (points.empty())
            json.null();
        else
            json.value(v);
    };
    extreme("minX", minX);
    extreme("maxX", maxX);
    extreme("maxY", maxY);
    json.key("sumY");
    json.value(sumY);
    json.endObject();
}

void writeLabelList(TJsonWriter& json, const TLabelList& list) {
    json.beginObject();
    json.key("name");
    json.value(list.name());
    json.key("visible");
    json.value(list.isVisible());
    json.key("fontColor");
    if (const auto* text = dynamic_cast<const TTextLabelList*>(&list))
        json.value(colorText(text->font().color));
    else
        json.null();
    json.key("candidates");
    if (const auto* peaks = dynamic_cast<const TPointlistLabelList*>(&list))
        json.value(peaks->candidates()->count());
    else
        json.null();
    json.endObject();
}

void writePane(TJsonWriter& json, TSpectrumContainer& container) {
    TSpectrum& spectrum = *container.spectrum();
    TSpectrumData& data = *spectrum.spectrumData();
    json.beginObject();
    json.key("caption");
    json.value(container.caption());
    json.key("fileName");
    json.value(spectrum.fileName());
    json.key("modified");
    json.value(data.isModified());
    json.key("annotationText");
    json.value(data.annotationText());
    json.key("currentSeries");
    json.value(data.series()->currentIndex());
    json.key("xRange");
    json.pair(data.xRange()->min(), data.xRange()->max());
    json.key("yRange");
    json.pair(data.yRange()->min(), data.yRange()->max());
    json.key("series");
    json.beginArray();
    for (const auto& serie : *data.series()) writeSerie(json, *serie);
    json.endArray();
    json.key("labelLists");
    json.beginArray();
    for (const auto& list : *data.labels()) writeLabelList(json, *list);
    json.endArray();
    json.endObject();
}

std::string reportJson(const TSpectraManager& manager, const TRecordingDialogs& dialogs) {
    std::string out;
    TJsonWriter json(out);
    json.beginObject();
    json.key("panes");
    json.beginArray();
    for (TSpectrumContainer* container : manager.containers()) writePane(json, *container);
    json.endArray();
    json.key("messages");
    json.beginArray();
    for (const auto& m : dialogs.messages()) {
        json.beginObject();
        json.key("kind");
        json.value(messageKindText(m.kind));
        json.key("text");
        json.value(m.text);
        json.key("buttons");
        json.beginArray();
        for (const auto button : m.buttons) json.value(buttonText(button));
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.endObject();
    out += '\n';
    return out;
}

// --- the headless run -----------------------------------------------------------------------

// Resizes the window so that the manager gets size, as far as the window's layout allows.
void fitManager(QWidget& window, TSpectraManager& manager, QSize size) {
    const QSize frameExtra = window.size() - manager.size();
    window.resize(size + frameExtra);
    QCoreApplication::processEvents();
}

bool writePicture(const QImage& picture, const QString& path, std::ostream& err) {
    QImageWriter writer(path, "png");
    if (writer.write(picture)) return true;
    err << "Cannot write \"" << path.toStdString() << "\": " << writer.errorString().toStdString()
        << ".\n";
    return false;
}

// A PNG of a size in pixels without --dpi keeps the picture of the panes as the window lays
// them out; any other picture is drawn as the export dialog draws it.
bool drawsAsExported(const TCommandLine& commandLine) {
    const auto format = pictureFormatOf(commandLine.renderPath);
    return !commandLine.browse && ((format && *format != TPictureFormat::Png) ||
                                   commandLine.renderMillimetres || commandLine.renderDpi);
}

// Every pane as the export dialog's defaults draw them, at the asked size as the whole figure.
bool writeExported(const TCommandLine& commandLine, const TSpectraManager& manager,
                   std::ostream& err) {
    TPictureSettings settings;
    settings.format = pictureFormatOf(commandLine.renderPath).value_or(TPictureFormat::Png);
    settings.panes = TPicturePanes::All;
    settings.sizeIsPlotArea = false;
    if (commandLine.renderDpi) settings.dpi = *commandLine.renderDpi;
    if (commandLine.renderMillimetres) {
        settings.unit = TPictureUnit::Millimetre;
        settings.width = commandLine.renderMillimetres->width();
        settings.height = commandLine.renderMillimetres->height();
    } else {
        settings.unit = TPictureUnit::Pixel;
        settings.width = commandLine.renderSize.width();
        settings.height = commandLine.renderSize.height();
    }
    try {
        writePicture(commandLine.renderPath,
                     picturePanes(manager.containers(), nullptr, TPicturePanes::All), settings);
        return true;
    } catch (const std::exception& e) {
        err << e.what() << "\nNo picture written to \"" << commandLine.renderPath.toStdString()
            << "\".\n";
        return false;
    }
}

int runLoads(const TCommandLine& commandLine, const TViewerServices& services, std::ostream& out,
             std::ostream& err, const TWindowHook& windowMade) {
    TRecordingDialogs dialogs;
    // Nothing of a run without a window is remembered for the next one.
    TMemorySettings settings;
    const TViewerServices headless{dialogs, services.clipboard, settings, services.tempPath,
                                   services.version};

    TMainForm window(headless);
    if (windowMade) windowMade(window);
    // Shown as far as Qt is concerned (layouts, resize and paint events), never on a screen.
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.resize(headlessWindowSize);
    window.show();
    QCoreApplication::processEvents();
    TSpectraViewerFrame& frame = *window.frame();
    TSpectraManager& manager = *frame.manager();
    const bool render = commandLine.mode == TCommandLine::TMode::Render;
    // The panes get the room they have below the navigator in a window; the picture leaves
    // the navigator out.
    const QSize managerSize = commandLine.renderSize + QSize(0, manager.navigator()->height());
    if (render && !commandLine.browse) fitManager(window, manager, managerSize);

    if (commandLine.browse) {
        // The window is the picture: it takes the asked size before the dock is placed, as
        // the dock's width follows the window's.
        window.resize(commandLine.renderSize);
        QCoreApplication::processEvents();
        frame.openRunBrowser(commandLine.files.value(0), {commandLine.scans, true});
    } else {
        for (const QString& path : commandLine.files) frame.openAnyFile(path, commandLine.scans);
    }
    QCoreApplication::processEvents();

    // An error, or a warning that data was left out, fails the run; every message also goes to
    // standard error, where a script looks for what went wrong.
    const auto failed = [&] {
        const auto& said = dialogs.messages();
        return std::any_of(said.begin(), said.end(), [](const auto& m) {
            return m.kind == TMessageKind::Error || m.kind == TMessageKind::Warning;
        });
    };
    const auto tell = [&] {
        for (const auto& m : dialogs.messages())
            err << messageKindText(m.kind) << ": " << m.text.toStdString() << '\n';
    };
    if (render && dialogs.anyError()) {
        // A picture of what loaded before a failure would pass for the whole.
        tell();
        err << "No picture written to \"" << commandLine.renderPath.toStdString() << "\".\n";
        return 1;
    }
    if (render && commandLine.browse) {
        // Larger than asked when the window cannot be made that small; the picture is cut to
        // the asked size from its top left corner.
        window.resize(commandLine.renderSize);
        QCoreApplication::processEvents();
        for (TSpectrumContainer* container : manager.containers()) container->updateLabel();
        QImage picture(commandLine.renderSize, QImage::Format_RGB32);
        picture.fill(window.palette().color(QPalette::Window));
        window.render(&picture);
        // The panes report their painting failures as queued messages.
        QCoreApplication::processEvents();
        tell();
        return writePicture(picture, commandLine.renderPath, err) && !failed() ? 0 : 1;
    }
    if (render && drawsAsExported(commandLine)) {
        for (TSpectrumContainer* container : manager.containers()) container->updateLabel();
        QCoreApplication::processEvents();
        tell();
        return writeExported(commandLine, manager, err) && !failed() ? 0 : 1;
    }
    if (render) {
        // The panes have the room asked for, whatever room the window's layout left.
        manager.resize(managerSize);
        // Each caption follows its pane's current series whenever the pane paints.
        for (TSpectrumContainer* container : manager.containers()) container->updateLabel();
        QImage picture(commandLine.renderSize, QImage::Format_RGB32);
        std::vector<std::string> failures;
        {
            QPainter painter(&picture);
            failures = renderPanes(painter, manager);
        }
        // The window's panes report their own painting failures as queued messages; the
        // picture's are the same ones unless it failed otherwise.
        QCoreApplication::processEvents();
        for (const std::string& failure : failures) {
            const QString text = QString::fromStdString(failure);
            const auto& reported = dialogs.messages();
            if (std::none_of(reported.begin(), reported.end(),
                             [&](const auto& m) { return m.text == text; }))
                dialogs.message(TMessageKind::Error, text, {TMessageButton::Ok});
        }
        tell();
        return writePicture(picture, commandLine.renderPath, err) && !failed() ? 0 : 1;
    }
    tell();
    out << reportJson(manager, dialogs);
    out.flush();
    return failed() ? 1 : 0;
}

// WIDTHxHEIGHT in pixels, with or without "px", or in millimetres with "mm".
bool parseSize(const QString& text, QSize& size, std::optional<QSizeF>& millimetres) {
    QString numbers = text.trimmed();
    const bool mm = numbers.endsWith(QStringLiteral("mm"), Qt::CaseInsensitive);
    if (mm || numbers.endsWith(QStringLiteral("px"), Qt::CaseInsensitive)) numbers.chop(2);
    const QStringList parts =
        numbers.split(QLatin1Char('x'), Qt::KeepEmptyParts, Qt::CaseInsensitive);
    if (parts.size() != 2) return false;
    bool okWidth = false, okHeight = false;
    if (mm) {
        const double width = parts[0].toDouble(&okWidth);
        const double height = parts[1].toDouble(&okHeight);
        if (!okWidth || !okHeight || !(width > 0) || !(height > 0) ||
            width > maxPictureMillimetres || height > maxPictureMillimetres)
            return false;
        millimetres = QSizeF(width, height);
        return true;
    }
    const int width = parts[0].toInt(&okWidth);
    const int height = parts[1].toInt(&okHeight);
    if (!okWidth || !okHeight || width < 1 || height < 1 || width > 16384 || height > 16384)
        return false;
    size = QSize(width, height);
    millimetres.reset();
    return true;
}

}  // namespace

TCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Velmorix viewer: views and lightly edits mass spectra."));
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("A file to open: a .mzi document, a run or a text spectrum."),
        QStringLiteral("[FILE...]"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and exits."));
    const QCommandLineOption dumpJson(
        QString::fromLatin1(dumpJsonOption),
        QStringLiteral("Loads every FILE without a window and prints the panes as JSON; exits "
                       "with 1 when an error was reported."));
    const QCommandLineOption render(
        QString::fromLatin1(renderOption),
        QStringLiteral("Loads every FILE without a window and saves a picture of the spectra: "
                       "PNG, or SVG or PDF when OUT ends in .svg or .pdf."),
        QStringLiteral("OUT.png"));
    const QCommandLineOption size(
        QString::fromLatin1(sizeOption),
        QStringLiteral("Size of the --render picture in pixels (1200x800) or millimetres "
                       "(85x60mm)."),
        QStringLiteral("WxH"));
    const QCommandLineOption dpi(
        QString::fromLatin1(dpiOption),
        QStringLiteral("Resolution of the --render picture, 72 to 1200 dots per inch."),
        QStringLiteral("N"));
    const QCommandLineOption scans(
        QString::fromLatin1(scansOption),
        QStringLiteral("Opens the spectra of a run whose scan numbers are in LIST (5; 5,9; "
                       "3-7), in that order, as the series of one pane."),
        QStringLiteral("LIST"));
    const QCommandLineOption scanTable(
        QString::fromLatin1(scanTableOption),
        QStringLiteral("Prints the table of every spectrum of the run FILE as JSON; exits with "
                       "1 when the run cannot be read."));
    const QCommandLineOption browse(
        QString::fromLatin1(browseOption),
        QStringLiteral("With --render: pictures the window with the run FILE open in its "
                       "browser, showing the first scan of --scans or the first MS1 spectrum."),
        QStringLiteral("FILE"));
    parser.addOptions({help, version, dumpJson, render, size, dpi, scans, scanTable, browse});

    TCommandLine result;
    // The window takes options it does not know and ignores them (a launcher may pass its
    // own); a headless run is a script's, where a mistyped option must not pass unnoticed.
    const bool parsed = parser.parse(arguments);
    const bool headless = parser.isSet(dumpJson) || parser.isSet(render) ||
                          parser.isSet(scanTable) || parser.isSet(browse);
    if (!parsed && (headless || parser.unknownOptionNames().isEmpty())) {
        result.mode = TCommandLine::TMode::Error;
        result.text = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.mode = TCommandLine::TMode::Help;
        result.text = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.mode = TCommandLine::TMode::Version;
        return result;
    }
    const QStringList files = parser.positionalArguments();
    if (int(parser.isSet(dumpJson)) + int(parser.isSet(render)) + int(parser.isSet(scanTable)) >
        1) {
        result.mode = TCommandLine::TMode::Error;
        result.text =
            QStringLiteral("Only one of --dump-json, --render and --scan-table can be used.");
        return result;
    }
    if (parser.isSet(scanTable)) {
        result.mode = TCommandLine::TMode::ScanTable;
        result.files = files;
        if (files.size() != 1 || parser.isSet(scans) || parser.isSet(size)) {
            result.mode = TCommandLine::TMode::Error;
            result.text = QStringLiteral("--scan-table takes one FILE and no other option.");
        }
        return result;
    }
    if (parser.isSet(scans)) {
        const QString list = parser.value(scans);
        result.scans = parseScanList(list.toStdString());
        if (!result.scans) {
            result.mode = TCommandLine::TMode::Error;
            result.text = QStringLiteral(
                              "Invalid --scans \"%1\": expected scan numbers such as 5, 5,9 or "
                              "3-7.")
                              .arg(list);
            return result;
        }
    }
    if (parser.isSet(browse) && (!parser.isSet(render) || !files.isEmpty())) {
        result.mode = TCommandLine::TMode::Error;
        result.text = QStringLiteral("--browse goes with --render and names the only file.");
        return result;
    }
    if (parser.isSet(size) && !parser.isSet(render)) {
        result.mode = TCommandLine::TMode::Error;
        result.text = QStringLiteral("--size goes with --render.");
        return result;
    }
    if (parser.isSet(dpi)) {
        bool ok = false;
        const int value = parser.value(dpi).toInt(&ok);
        if (!parser.isSet(render) || parser.isSet(browse) || !ok || value < minPictureDpi ||
            value > maxPictureDpi) {
            result.mode = TCommandLine::TMode::Error;
            result.text = QStringLiteral("--dpi goes with --render and takes 72 to 1200.");
            return result;
        }
        result.renderDpi = value;
    }
    if (parser.isSet(dumpJson) || parser.isSet(render)) {
        result.mode =
            parser.isSet(render) ? TCommandLine::TMode::Render : TCommandLine::TMode::DumpJson;
        result.files = files;
        if (parser.isSet(browse)) {
            result.browse = true;
            result.files = QStringList{parser.value(browse)};
        }
        result.renderPath = parser.value(render);
        if (parser.isSet(size) &&
            !parseSize(parser.value(size), result.renderSize, result.renderMillimetres)) {
            result.mode = TCommandLine::TMode::Error;
            result.text = QStringLiteral(
                              "Invalid --size \"%1\": expected WIDTHxHEIGHT, for "
                              "example 1200x800 or 85x60mm.")
                              .arg(parser.value(size));
        } else if (result.browse &&
                   (result.renderMillimetres ||
                    pictureFormatOf(result.renderPath).value_or(TPictureFormat::Png) !=
                        TPictureFormat::Png)) {
            result.mode = TCommandLine::TMode::Error;
            result.text = QStringLiteral("--browse draws a PNG picture of a size in pixels.");
        }
        return result;
    }
    result.files = files;
    return result;
}

namespace {

// Scripts read a headless run's standard error for the viewer's own messages: Qt's remarks
// about the platform it runs on (no runtime folder, size hints the offscreen platform ignores)
// would only bury them. Critical and fatal messages still pass.
void quietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << qPrintable(qFormatLogMessage(type, context, text)) << '\n';
}

}  // namespace

void prepareCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--") == 0) return;
        if (std::strcmp(a, "--dump-json") == 0 || std::strcmp(a, "--render") == 0 ||
            std::strncmp(a, "--render=", 9) == 0 || std::strcmp(a, "--scan-table") == 0 ||
            std::strcmp(a, "--browse") == 0 || std::strncmp(a, "--browse=", 9) == 0 ||
            // Help and version print and leave: they need no display either.
            std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0 ||
            std::strcmp(a, "--version") == 0 || std::strcmp(a, "-v") == 0) {
            if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
            qInstallMessageHandler(quietQtMessages);
            return;
        }
    }
}

std::optional<int> runHeadless(const TCommandLine& commandLine, const TViewerServices& services,
                               std::ostream& out, std::ostream& err,
                               const TWindowHook& windowMade) {
    switch (commandLine.mode) {
        case TCommandLine::TMode::Window:
            return std::nullopt;
        case TCommandLine::TMode::Help:
            out << commandLine.text.toStdString();
            return 0;
        case TCommandLine::TMode::Version:
            out << "velmorix " << services.version.toStdString() << '\n';
            return 0;
        case TCommandLine::TMode::Error:
            err << commandLine.text.toStdString() << "\nTry --help.\n";
            return 2;
        case TCommandLine::TMode::ScanTable:
            return printScanTable(commandLine.files.value(0), out, err);
        case TCommandLine::TMode::DumpJson:
        case TCommandLine::TMode::Render:
            return runLoads(commandLine, services, out, err, windowMade);
    }
    return std::nullopt;
}

int runViewer(QApplication& app, const TViewerServices& services, const TWindowHook& windowMade) {
    const TCommandLine commandLine = parseCommandLine(app.arguments());
    if (const auto status = runHeadless(commandLine, services, std::cout, std::cerr, windowMade))
        return *status;
    TMainForm window(services);
    if (windowMade) windowMade(window);
    // Runs open in their browsers here; the headless modes keep the pane of first spectra.
    window.frame()->setBrowsesRuns(true);
    // As it was left, or sized to the screen at the first start.
    restoreWindowGeometry(window, services.settings);
    window.show();
    for (const QString& path : commandLine.files) window.openStartupFile(path, commandLine.scans);
    // The docks of the runs just opened take their places as they were left, once their own
    // first placement (queued) is done.
    QTimer::singleShot(0, &window,
                       [&window, &services] { restoreDockLayout(window, services.settings); });
    return app.exec();
}
