// The recent files list over the settings seam, and its menu.
#include "app/RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>

#include <algorithm>

#include "app/Settings.h"

namespace {

// One key per entry: a path may hold any character a separator could be.
QString entryKey(int index) {
    return QStringLiteral("recentFiles/%1").arg(index + 1);
}
const QString countKey = QStringLiteral("recentFiles/count");

QString normalised(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

QStringList TRecentFiles::files() const {
    bool ok = false;
    const int count = std::min(m_settings.value(countKey).toInt(&ok), maxCount);
    QStringList result;
    if (!ok) return result;
    for (int i = 0; i < count; ++i) {
        const QString path = m_settings.value(entryKey(i));
        if (!path.isEmpty() && !result.contains(path)) result.append(path);
    }
    return result;
}

void TRecentFiles::add(const QString& path) {
    if (path.isEmpty()) return;
    const QString entry = normalised(path);
    QStringList list = files();
    list.removeAll(entry);
    list.prepend(entry);
    store(list.mid(0, maxCount));
}

void TRecentFiles::clear() {
    store({});
}

void TRecentFiles::store(const QStringList& files) {
    // Entries beyond the count are emptied, so that no stale path lingers in the store.
    bool ok = false;
    const int before = m_settings.value(countKey).toInt(&ok);
    for (int i = 0; i < std::max(ok ? before : 0, static_cast<int>(files.size())); ++i)
        m_settings.setValue(entryKey(i), files.value(i));
    m_settings.setValue(countKey, QString::number(files.size()));
}

TRecentFilesMenu::TRecentFilesMenu(iSettings& settings, std::function<void(const QString&)> open,
                                   QWidget* parent)
    : QMenu(QStringLiteral("&Recent files"), parent),
      m_settings(settings),
      m_open(std::move(open)) {
    setObjectName(QStringLiteral("FileRecent"));
    connect(this, &QMenu::aboutToShow, this, &TRecentFilesMenu::refresh);
    refresh();
}

void TRecentFilesMenu::refresh() {
    // Deleted later, not now: refresh may run from the trigger of one of them (an entry that
    // opened its file, Clear).
    for (QAction* old : actions()) {
        removeAction(old);
        old->deleteLater();
    }
    const QStringList files = TRecentFiles(m_settings).files();
    for (int i = 0; i < files.size(); ++i) {
        const QString& path = files[i];
        // "&&" keeps an ampersand of the file name from becoming a mnemonic.
        QString name = QFileInfo(path).fileName();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry = addAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(name)
                                         : QStringLiteral("1&0 ") + name);
        entry->setToolTip(path);
        entry->setStatusTip(path);
        entry->setData(path);
        if (i < 9) entry->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key(Qt::Key_1 + i)));
        entry->setEnabled(QFileInfo::exists(path));
        connect(entry, &QAction::triggered, this, [this, path] {
            if (m_open) m_open(path);
        });
    }
    if (!files.isEmpty()) addSeparator();
    QAction* clearAll = addAction(QStringLiteral("&Clear recent files"));
    clearAll->setObjectName(QStringLiteral("FileRecentClear"));
    clearAll->setEnabled(!files.isEmpty());
    connect(clearAll, &QAction::triggered, this, [this] {
        TRecentFiles(m_settings).clear();
        refresh();
    });
}
