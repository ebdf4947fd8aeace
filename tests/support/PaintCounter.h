// Counts the paint events a widget receives, to tell whether something asked it to repaint.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <utility>

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }

    // Delivers the repaints asked for so far, then forgets them.
    static void settle() { QCoreApplication::processEvents(); }
    // The paints delivered by settle() since the last call.
    int take() {
        settle();
        return std::exchange(m_count, 0);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++m_count;
        return false;
    }

private:
    int m_count = 0;
};
