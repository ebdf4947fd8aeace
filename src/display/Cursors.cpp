// The cursor table: each custom cursor is an SVG resource rendered once at the screen's pixel
// ratio, the others are Qt's own shapes.
#include "display/Cursors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <map>

namespace {

// Design size of the cursor images, logical pixels.
constexpr int cursorSize = 32;

struct TCursorResource {
    int id;
    const char* name;
    int hotX;  // logical pixels of the 32 x 32 design
    int hotY;
    Qt::CursorShape fallback;  // should the image be missing
};

constexpr TCursorResource resources[] = {
    {cursors::zone, "ZONE", 8, 8, Qt::CrossCursor},
    {cursors::drag, "DRAG", 16, 17, Qt::OpenHandCursor},
    {cursors::crossHair, "XHAIR", 15, 15, Qt::CrossCursor},
    {cursors::handPoint, "HANDPNT", 11, 1, Qt::PointingHandCursor},
    {cursors::handLine, "HANDLN", 11, 1, Qt::PointingHandCursor},
    {cursors::zoomCenter, "ZOOMCENTER", 12, 12, Qt::CrossCursor},
    {cursors::center, "CENTER", 15, 15, Qt::CrossCursor},
    {cursors::stretchLeftX, "STRECHTLX", 18, 15, Qt::SizeHorCursor},
    {cursors::stretchRightX, "STRECHTRX", 13, 15, Qt::SizeHorCursor},
    {cursors::stretchY, "STRECHTY", 15, 13, Qt::SizeVerCursor},
    {cursors::label, "LABELCUR", 1, 1, Qt::ArrowCursor},
};

}  // namespace

// Outside any namespace, as the resource macro declares the registration function where it
// stands. A resource file compiled into a static library is registered only on request.
static void initResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(display);
        return true;
    }();
    (void)done;
}

namespace {

QCursor render(const TCursorResource& resource) {
    QSvgRenderer renderer(QStringLiteral(":/cursors/") + QLatin1String(resource.name));
    if (!renderer.isValid()) return QCursor(resource.fallback);
    // Crisp on high-density screens: 2x wherever the screens are denser than 1x.
    const qreal ratio = qGuiApp->devicePixelRatio() > 1.0 ? 2.0 : 1.0;
    const int side = static_cast<int>(cursorSize * ratio);
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(0, 0, side, side));
    }
    pixmap.setDevicePixelRatio(ratio);
    return QCursor(pixmap, resource.hotX, resource.hotY);
}

}  // namespace

QCursor cursorFor(int id) {
    if (id == cursors::splitHorizontal) return QCursor(Qt::SplitHCursor);
    static std::map<int, QCursor> cache;
    if (const auto found = cache.find(id); found != cache.end()) return found->second;
    for (const auto& resource : resources) {
        if (resource.id != id) continue;
        // Pixmaps need the GUI application; without one the plain shape has to do.
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return QCursor(resource.fallback);
        initResources();
        return cache.emplace(id, render(resource)).first->second;
    }
    return QCursor(Qt::ArrowCursor);
}
