// Drops onto the spectra manager and the highlight of their target.
#include "app/FileDrop.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"

namespace {

// Height of the band along a pane's top and bottom edge that counts as between panes, in
// pixels; a low pane keeps its middle half as its own.
constexpr int edgeBand = 8;
// Width of the highlight's frame and line, in pixels.
constexpr int highlightWidth = 3;

}  // namespace

TSpectrumContainer* dropPaneAt(const TSpectraManager& manager, QPoint pos) {
    for (TSpectrumContainer* pane : manager.containers()) {
        const QRect area = pane->geometry();
        if (!area.contains(pos)) continue;
        const int band = std::min(edgeBand, area.height() / 4);
        if (pos.y() < area.top() + band || pos.y() > area.bottom() - band) return nullptr;
        return pane;
    }
    return nullptr;
}

TDropHighlight::TDropHighlight(TSpectraManager& manager) : QWidget(&manager), m_manager(manager) {
    setObjectName(QStringLiteral("DropHighlight"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void TDropHighlight::showTarget(QPoint pos) {
    m_pane = dropPaneAt(m_manager, pos);
    setGeometry(m_manager.rect());
    raise();
    show();
    update();
}

TSpectrumContainer* TDropHighlight::pane() const {
    return isVisible() ? qobject_cast<TSpectrumContainer*>(m_pane.data()) : nullptr;
}

void TDropHighlight::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPen pen(palette().color(QPalette::Highlight), highlightWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (m_pane) {
        painter.drawRect(m_pane->geometry().adjusted(1, 1, -2, -2));
        return;
    }
    // A new pane goes below the last one.
    int y = m_manager.navigator()->geometry().bottom() + highlightWidth;
    if (const TSpectrumContainer* last = m_manager.lastContainer()) y = last->geometry().bottom();
    y = std::clamp(y, highlightWidth / 2, height() - 1 - highlightWidth / 2);
    painter.drawLine(0, y, width() - 1, y);
}

TFileDrop::TFileDrop(TSpectraViewerFrame& frame)
    : QObject(frame.manager()), m_frame(frame), m_highlight(new TDropHighlight(*frame.manager())) {
    frame.manager()->setAcceptDrops(true);
    frame.manager()->installEventFilter(this);
}

QStringList TFileDrop::localFiles(const QMimeData& mime) {
    QStringList files;
    for (const QUrl& url : mime.urls())
        if (url.isLocalFile()) files.append(url.toLocalFile());
    return files;
}

bool TFileDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_frame.manager()) return false;
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            const QMimeData* mime = drag->mimeData();
            // Links to elsewhere are neither files nor point text.
            const bool wanted =
                mime && (!localFiles(*mime).isEmpty() || (!mime->hasUrls() && mime->hasText()));
            if (!wanted) {
                m_highlight->hide();
                drag->ignore();
                return true;
            }
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            m_highlight->showTarget(drag->position().toPoint());
            return true;
        }
        case QEvent::DragLeave:
            m_highlight->hide();
            return true;
        case QEvent::Drop: {
            auto* dropped = static_cast<QDropEvent*>(event);
            m_highlight->hide();
            drop(*dropped);
            return true;
        }
        default:
            return false;
    }
}

void TFileDrop::drop(QDropEvent& event) {
    const QMimeData* mime = event.mimeData();
    if (!mime) return;
    const QStringList files = localFiles(*mime);
    const QString text = files.isEmpty() && !mime->hasUrls() ? mime->text() : QString();
    if (files.isEmpty() && text.isEmpty()) return;
    event.setDropAction(Qt::CopyAction);
    event.accept();
    // The pane may go before the work runs; a pane gone is a new pane.
    const QPointer<TSpectrumContainer> pane =
        dropPaneAt(*m_frame.manager(), event.position().toPoint());
    TSpectraViewerFrame* frame = &m_frame;
    QTimer::singleShot(0, frame, [frame, pane, files, text] {
        frame->runCommand([&] {
            if (!files.isEmpty()) {
                for (const QString& path : files) frame->addFileToPane(path, pane.data());
            } else {
                frame->pasteTextAsSerie(text, pane.data());
            }
        });
        frame->updateActions();
    });
}
