// Entry point of the viewer: the application object and the real services; the command line
// decides the rest.
#include <QApplication>
#include <QDir>

#include "app/CommandLine.h"
#include "app/GuiDialogs.h"
#include "app/MainWindow.h"
#include "app/QtClipboard.h"
#include "app/QtSettings.h"
#include "app/SpectraViewerFrame.h"

int main(int argc, char* argv[]) {
    prepareCommandLine(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmorix"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORIX_VERSION));
    // The installed desktop entry: the desktop finds the program's icon and name through it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmorix.Viewer"));

    TGuiDialogs dialogs;
    TQtClipboard clipboard;
    TQtSettings settings;
    const QString temp = qEnvironmentVariable("TEMP");
    const TViewerServices services{dialogs, clipboard, settings,
                                   temp.isEmpty() ? QDir::tempPath() : temp,
                                   QStringLiteral(VELMORIX_VERSION)};

    // Paste is enabled while the clipboard holds text, whoever put it there.
    return runViewer(app, services, [&clipboard](TMainForm& window) {
        QObject::connect(&clipboard, &TQtClipboard::changed, window.frame(),
                         &TSpectraViewerFrame::scheduleUpdateActions);
    });
}
