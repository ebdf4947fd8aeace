// Files and text dropped onto the panes: onto a pane they join it as more series, between the
// panes or below them they open as new panes; the target is highlighted while dragging.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QDropEvent;
class QMimeData;
class TSpectraManager;
class TSpectraViewerFrame;
class TSpectrumContainer;

// Where something dropped at pos (manager pixels) goes: the pane under it, or nullptr for a
// new pane. A band along the top and bottom edge of every pane counts as between panes, as
// do the navigator and the room below the last pane.
TSpectrumContainer* dropPaneAt(const TSpectraManager& manager, QPoint pos);

// Paints the drop target over the manager: a frame inside the pane that takes the drop, or a
// line where a new pane will appear. Lets every mouse and drag event through.
class TDropHighlight : public QWidget {
    Q_OBJECT

public:
    explicit TDropHighlight(TSpectraManager& manager);

    // Shows the target of a drag at pos; hide() when the drag ends.
    void showTarget(QPoint pos);
    // The pane framed; nullptr while a new pane is marked or nothing is shown.
    TSpectrumContainer* pane() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TSpectraManager& m_manager;
    // Watched as a widget: the pane may go while the drag goes on.
    QPointer<QWidget> m_pane;
};

// Makes the frame's manager take drops. Local files dropped are opened through the frame
// (added to the pane they fall on, or opened in new panes or browsers); text without files is
// pasted as a series. The work runs once the drop event has returned, so that a message box
// never holds the file manager's drag. A child of the manager.
class TFileDrop : public QObject {
    Q_OBJECT

public:
    explicit TFileDrop(TSpectraViewerFrame& frame);

    // The local files a drag carries, in order; empty when it carries none.
    static QStringList localFiles(const QMimeData& mime);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void drop(QDropEvent& event);

    TSpectraViewerFrame& m_frame;
    TDropHighlight* m_highlight;
};
