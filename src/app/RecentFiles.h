// The files opened last, newest first, kept through the settings seam; and the File > Recent
// menu that shows them.
#pragma once

#include <QMenu>
#include <QString>
#include <QStringList>

#include <functional>

class iSettings;

// A view of the list as the settings hold it: nothing is cached, so that every window and
// every call sees the same list. Paths are absolute and cleaned; one file appears once.
class TRecentFiles {
public:
    static constexpr int maxCount = 10;

    explicit TRecentFiles(iSettings& settings) : m_settings(settings) {}

    // Newest first, at most maxCount.
    QStringList files() const;
    // Puts path first, removing an earlier entry of the same file and the oldest beyond
    // maxCount. An empty path changes nothing.
    void add(const QString& path);
    void clear();

private:
    void store(const QStringList& files);

    iSettings& m_settings;
};

// File > Recent: one entry per file ("&1 name", the path as tool tip), Ctrl+Shift+1..9 for the
// first nine, files that no longer exist shown disabled, then "Clear recent files". Rebuilt by
// refresh() (after the list changed) and before it shows, so that a file deleted meanwhile is
// disabled.
class TRecentFilesMenu : public QMenu {
    Q_OBJECT

public:
    // open is called with the path of the entry chosen.
    TRecentFilesMenu(iSettings& settings, std::function<void(const QString&)> open,
                     QWidget* parent = nullptr);

    void refresh();

private:
    iSettings& m_settings;
    std::function<void(const QString&)> m_open;
};
