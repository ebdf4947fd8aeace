// The program's command line: the viewer window with the files named, or a headless run that
// loads files into a hidden main window and reports them as JSON (--dump-json) or draws them
// into a PNG, SVG or PDF file (--render; with --browse, the window browsing one run as PNG),
// or lists the spectra
// of a run as JSON (--scan-table).
#pragma once

#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <ostream>

#include "files/RunSelection.h"

class QApplication;
class TMainForm;
struct TViewerServices;

// Called with the main window once it is made (in the headless runs too), before anything is
// loaded: for connections that need the window, such as the clipboard's change signal.
using TWindowHook = std::function<void(TMainForm&)>;

struct TCommandLine {
    enum class TMode { Window, Help, Version, DumpJson, Render, ScanTable, Error };

    TMode mode = TMode::Window;
    // Every file named, in order: opened at start in the window, loaded in the headless modes.
    QStringList files;
    // The spectra to open of each run, by scan number; without it a run opens its first ones.
    std::optional<TScanList> scans;
    // --render --browse: the picture is of the whole window with the one run of files open in
    // its browser, showing the spectrum of the first of scans or else its first MS1 spectrum.
    bool browse = false;
    QString renderPath;
    QSize renderSize{1200, 800};
    // --size given in millimetres (WxHmm) rather than pixels.
    std::optional<QSizeF> renderMillimetres;
    // --dpi: PNG pixels per inch; what a size in pixels is long on paper for SVG and PDF.
    std::optional<int> renderDpi;
    // Help and version text, or what was wrong with the arguments.
    QString text;
};

// arguments[0] is the program's name.
TCommandLine parseCommandLine(const QStringList& arguments);

// To be called before the application object exists: a headless run, help and version need no
// display, so they take the offscreen platform unless QT_QPA_PLATFORM names one, and keep Qt's
// own remarks off standard error.
void prepareCommandLine(int argc, char* argv[]);

// Runs everything but the window: help, version, argument errors and the headless modes, with
// their output on out and err. Returns the exit status, or nullopt when the arguments ask for
// the window. The headless modes answer every dialog themselves (the first button of a
// message, cancel for the rest) and record the messages; services gives the rest (clipboard,
// temporary folder, version).
std::optional<int> runHeadless(const TCommandLine& commandLine, const TViewerServices& services,
                               std::ostream& out, std::ostream& err,
                               const TWindowHook& windowMade = {});

// The whole program after the application object: the arguments of app, headless or with the
// main window (shown as it was left, then each file given opened, a file named twice once,
// then the event loop). Returns the exit status.
int runViewer(QApplication& app, const TViewerServices& services,
              const TWindowHook& windowMade = {});
