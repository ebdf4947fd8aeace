// Window geometry, dock layout and browser columns to and from the settings, as base64 text:
// the settings seam stores strings.
#include "app/WindowState.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QScreen>

#include "app/Settings.h"

namespace {

const QString geometryKey = QStringLiteral("window/geometry");
const QString stateKey = QStringLiteral("window/state");
const QString columnsKey = QStringLiteral("browser/columns");
// Bumped when the docks change in a way an old layout would misplace.
constexpr int dockLayoutVersion = 1;

QString encoded(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toBase64());
}

QByteArray decoded(const QString& text) {
    return QByteArray::fromBase64(text.toLatin1());
}

}  // namespace

void saveWindowLayout(const QMainWindow& window, iSettings& settings) {
    settings.setValue(geometryKey, encoded(window.saveGeometry()));
    settings.setValue(stateKey, encoded(window.saveState(dockLayoutVersion)));
}

bool restoreWindowGeometry(QMainWindow& window, const iSettings& settings) {
    const QByteArray stored = decoded(settings.value(geometryKey));
    if (!stored.isEmpty() && window.restoreGeometry(stored)) return true;
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return false;
    const QRect room = screen->availableGeometry();
    const QSize size = room.size() * 0.8;
    window.resize(size);
    window.move(room.center() - QPoint(size.width() / 2, size.height() / 2));
    return false;
}

bool restoreDockLayout(QMainWindow& window, const iSettings& settings) {
    const QByteArray stored = decoded(settings.value(stateKey));
    return !stored.isEmpty() && window.restoreState(stored, dockLayoutVersion);
}

void keepBrowserColumns(QHeaderView& header, iSettings& settings) {
    const QByteArray stored = decoded(settings.value(columnsKey));
    // A header of another column count (an older program) is refused; a restored sort
    // indicator sorts the rows as a click would.
    if (!stored.isEmpty()) header.restoreState(stored);
    const auto store = [&header, &settings] {
        settings.setValue(columnsKey, encoded(header.saveState()));
    };
    QObject::connect(&header, &QHeaderView::sectionResized, &header, store);
    QObject::connect(&header, &QHeaderView::sectionMoved, &header, store);
    QObject::connect(&header, &QHeaderView::sortIndicatorChanged, &header, store);
    QObject::connect(&header, &QHeaderView::sectionCountChanged, &header, store);
}
