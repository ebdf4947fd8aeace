// Entry point of the viewer: the application object, the real services and the main window.
#include <QApplication>
#include <QDir>

#include "app/GuiDialogs.h"
#include "app/MainWindow.h"
#include "app/QtClipboard.h"
#include "app/SpectraViewerFrame.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmorix"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORIX_VERSION));

    TGuiDialogs dialogs;
    TQtClipboard clipboard;
    TViewerServices services;
    services.dialogs = &dialogs;
    services.clipboard = &clipboard;
    const QString temp = qEnvironmentVariable("TEMP");
    services.tempPath = temp.isEmpty() ? QDir::tempPath() : temp;
    services.version = QStringLiteral(VELMORIX_VERSION);

    TMainForm window(services);
    QObject::connect(&clipboard, &TQtClipboard::changed, window.frame(),
                     &TSpectraViewerFrame::scheduleUpdateActions);
    window.showMaximized();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) window.openStartupFile(arguments.at(1));
    return app.exec();
}
