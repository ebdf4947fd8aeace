// Panes drawn child by child from their widgets' places, the plots by the plot renderer.
#include "display/PaneRenderer.h"

#include <QLabel>
#include <QPainter>
#include <QRegion>

#include "display/Axis.h"
#include "display/PaintFailures.h"
#include "display/PlotRenderer.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"

namespace {

void addAll(std::vector<std::string>& messages, const std::vector<std::string>& more) {
    for (const std::string& text : more) addUnique(messages, text);
}

}  // namespace

std::vector<std::string> renderPane(QPainter& painter, const TSpectrumContainer& pane) {
    std::vector<std::string> messages;
    painter.save();
    painter.setClipRect(QRect(QPoint(0, 0), pane.size()), Qt::IntersectClip);
    // Children later in the list lie above earlier ones, as on screen.
    for (QObject* child : pane.children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isHidden()) continue;
        collecting(messages, [&] {
            if (auto* plot = qobject_cast<TSpectrum*>(widget)) {
                painter.save();
                painter.translate(plot->pos());
                TPlotRenderer renderer;
                addAll(messages, renderer.render(painter, plot->size(), plot->plotState(),
                                                 plot->renderSettings()));
                painter.restore();
            } else if (auto* axis = qobject_cast<TAxis*>(widget)) {
                TPlotRenderer::renderAxis(painter, axis->geometry(), axis->look(),
                                          axis->range().get());
            } else if (auto* label = qobject_cast<QLabel*>(widget)) {
                // The caption is the label's own text layout; it draws itself.
                label->render(&painter, label->pos(), QRegion(), QWidget::DrawChildren);
            }
        });
    }
    painter.restore();
    return messages;
}

std::vector<std::string> renderPanes(QPainter& painter, const TSpectraManager& manager) {
    std::vector<std::string> messages;
    const int top = manager.navigator()->height();
    painter.save();
    painter.fillRect(QRect(0, 0, manager.width(), manager.height() - top),
                     manager.palette().brush(manager.backgroundRole()));
    painter.translate(0, -top);
    for (TSpectrumContainer* pane : manager.containers()) {
        if (pane->isHidden()) continue;
        painter.save();
        painter.translate(pane->pos());
        addAll(messages, renderPane(painter, *pane));
        painter.restore();
    }
    painter.restore();
    return messages;
}
