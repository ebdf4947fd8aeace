// The main window: menu bar over the viewer frame, the docks of the run browsers, the cursor
// read-out and the browsed run in the status bar, the question before closing with unsaved
// spectra, the About box and the start-up document.
#pragma once

#include <QMainWindow>

#include <optional>

#include "app/ViewerServices.h"
#include "files/RunSelection.h"

class QAction;
class QCloseEvent;
class QLabel;
class TRecentFilesMenu;
class TSpectraViewerFrame;
class TSpectrum;

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(TViewerServices services, QWidget* parent = nullptr);
    ~TMainForm() override;

    TSpectraViewerFrame* frame() const { return m_frame; }
    // Help > About..., the one action the window adds to the frame's.
    QAction* aboutAction() const { return m_about; }
    // File > Recent files.
    TRecentFilesMenu* recentMenu() const { return m_recent; }

    // Opens a file named on the command line, whatever its format, as File > Open does; a file
    // that cannot be opened says why and changes nothing, and a file already open is brought
    // forward. When it opens a pane,
    // its first series turns black, its data counts as modified (closing asks before
    // discarding it) and its file name becomes the file-name part of path. Call it once the
    // window has its size: panes are made only where there is room for them.
    void openStartupFile(const QString& path,
                         const std::optional<TScanList>& scans = std::nullopt);
    // Replaces the threshold of series 0 of the current spectrum by its estimated background.
    // Reachable from code only.
    void freeformBackground();
    // Shows the About box.
    void about();
    // Asks, pane by pane, before discarding modified data; whether the window may close.
    bool confirmClose();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    // The read-out of the pane under the pointer, s.
    void showReadout(TSpectrum* s);
    // The current pane's file name with the modified mark, or the program's name alone.
    void updateTitle();

    TSpectraViewerFrame* m_frame;
    QAction* m_about;
    QLabel* m_runStatus;  // the run last opened or browsed
    TRecentFilesMenu* m_recent;
};
