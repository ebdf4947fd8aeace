// The viewer on the desktop: several files from the command line and File > Open, a file named
// twice shown once, drops of files and text onto and between panes, the recent files and the
// window's layout kept in the settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QScreen>
#include <QTableView>
#include <QUrl>

#include <memory>

#include "app/CommandLine.h"
#include "app/FileDrop.h"
#include "app/MainWindow.h"
#include "app/RecentFiles.h"
#include "app/WindowState.h"
#include "display/RunBrowser.h"
#include "model/PointListSerie.h"
#include "support/AppFixture.h"

namespace {

const QString runPath = QStringLiteral(VELMORIX_TEST_DATA "/mzxml/ltqft_small.msconvert.32.mzXML");

class Desktop : public MainWindowFixture {
protected:

    // A document of one pane with the series given, each "name" with two points.
    QString document(const QString& name, const std::vector<std::string>& series) {
        std::vector<TSerieXml> xml;
        for (const std::string& s : series) xml.push_back({s, "bar", "101 5\n120 100\n"});
        return write(name, documentXml({spectraXml("S", xml)}));
    }

    // Drops mime at pos (manager pixels), as a file manager does, and lets the drop's work run.
    void drop(QMimeData* mime, QPoint pos) {
        QDragEnterEvent enter(pos, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&manager(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(pos), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&manager(), &event);
        EXPECT_TRUE(event.isAccepted());
        QCoreApplication::processEvents();
        delete mime;
    }
    static QMimeData* files(const QStringList& paths) {
        auto* mime = new QMimeData;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        mime->setUrls(urls);
        // File managers add the paths as text too: the files win.
        mime->setText(paths.join(QLatin1Char('\n')));
        return mime;
    }
    static QMimeData* text(const QString& t) {
        auto* mime = new QMimeData;
        mime->setText(t);
        return mime;
    }
    // The middle of pane i, and the border between panes i and i + 1.
    QPoint onPane(int i) const { return manager().container(i)->geometry().center(); }
    QPoint between(int i) const {
        return {manager().container(i)->geometry().center().x(),
                manager().container(i)->geometry().bottom()};
    }

};

TEST_F(Desktop, SeveralFilesOpenEachOnceAndABadOneIsToldWhileTheRestOpen) {
    const QString a = document(QStringLiteral("a.mzi"), {"a1"});
    const QString peaks = write(QStringLiteral("peaks.csv"), "100.5,20\n101.5,40\n");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("sub")));
    // The same file by another name is still the same file.
    const QString aAgain = path(QStringLiteral("sub/../a.mzi"));
    const TCommandLine line = parseCommandLine(
        {QStringLiteral("velmorix"), a, path(QStringLiteral("missing.mzi")), peaks, aAgain});
    ASSERT_EQ(line.mode, TCommandLine::TMode::Window);
    ASSERT_EQ(line.files.size(), 4);

    m_dialogs.press(TMessageButton::Abort);
    for (const QString& file : line.files) m_main->openStartupFile(file);
    ASSERT_EQ(manager().count(), 2);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_TRUE(m_dialogs.messages()[0].text.contains(QStringLiteral("missing.mzi")));
    // Named again, a was brought forward rather than opened twice.
    EXPECT_EQ(m_frame->currentContainer(), manager().container(0));
    EXPECT_EQ(TRecentFiles(m_settings).files(), (QStringList{a, peaks}));

    // File > Open takes several files at once: the open one comes forward, the new one opens,
    // and the next dialog starts in their folder.
    const QString b = document(QStringLiteral("b.mzi"), {"b1", "b2"});
    m_dialogs.chooseFiles({b, peaks});
    trigger("FileOpen");
    ASSERT_EQ(manager().count(), 3);
    EXPECT_EQ(m_frame->currentContainer(), manager().container(1));
    EXPECT_EQ(TRecentFiles(m_settings).files(), (QStringList{peaks, b, a}));
    m_dialogs.cancelOpen();
    trigger("FileOpen");
    ASSERT_EQ(m_dialogs.openRequests().size(), 2u);
    EXPECT_EQ(m_dialogs.openRequests()[1].start.path, QDir(m_dir.path()).absolutePath());

    // A run named twice opens one browser, brought forward the second time.
    m_main->openStartupFile(runPath);
    m_main->openStartupFile(runPath);
    EXPECT_EQ(m_frame->runBrowsers().size(), 1u);
    EXPECT_EQ(manager().count(), 4);
}

TEST_F(Desktop, DropsAddSeriesToThePaneUnderThemAndOpenNewPanesBetweenThem) {
    const QString a = document(QStringLiteral("a.mzi"), {"a1"});
    const QString b = document(QStringLiteral("b.mzi"), {"b1", "b2"});
    const QString peaks = write(QStringLiteral("peaks.csv"), "100.5,20\n101.5,40\n");
    ASSERT_EQ(m_frame->openFiles({a, peaks}), 2);
    ASSERT_EQ(manager().count(), 2);

    // While dragging, the pane under the pointer is framed in the highlight colour; near its
    // edge the target is a new pane instead.
    QMimeData* dragged = files({b});
    QDragEnterEvent over(onPane(0), Qt::CopyAction, dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&manager(), &over);
    auto* highlight = manager().findChild<TDropHighlight*>();
    ASSERT_NE(highlight, nullptr);
    EXPECT_EQ(highlight->pane(), manager().container(0));
    const QRect pane0 = manager().container(0)->geometry();
    const QImage shot = manager().grab().toImage();
    EXPECT_EQ(shot.pixelColor(pane0.left() + 1, pane0.center().y()),
              highlight->palette().color(QPalette::Highlight));
    QDragMoveEvent edge(between(0), Qt::CopyAction, dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&manager(), &edge);
    EXPECT_TRUE(highlight->isVisible());
    EXPECT_EQ(highlight->pane(), nullptr);
    QDragLeaveEvent leave;
    QApplication::sendEvent(&manager(), &leave);
    EXPECT_FALSE(highlight->isVisible());
    delete dragged;

    // On a pane: both series of b join a's pane, in colours of their own, and a counts as
    // changed; no pane is made.
    drop(files({b}), onPane(0));
    ASSERT_EQ(manager().count(), 2);
    TSpectrumData& first = dataOf(0);
    ASSERT_EQ(first.series()->count(), 3);
    EXPECT_EQ(first.series()->serie(1)->name(), "b1");
    EXPECT_EQ(first.series()->serie(2)->name(), "b2");
    EXPECT_NE(first.series()->serie(1)->color(), first.series()->serie(0)->color());
    EXPECT_TRUE(first.isModified());
    EXPECT_EQ(m_frame->currentContainer(), manager().container(0));

    // Between panes: a new pane; a file open already is brought forward instead.
    drop(files({peaks}), between(0));
    EXPECT_EQ(manager().count(), 2);
    EXPECT_EQ(m_frame->currentContainer(), manager().container(1));
    drop(files({write(QStringLiteral("more.csv"), "300,1\n")}), between(0));
    ASSERT_EQ(manager().count(), 3);
    // b is open only as series of a's pane, so it opens as a new pane below, too.
    drop(files({b}), between(1));
    ASSERT_EQ(manager().count(), 4);
    EXPECT_EQ(dataOf(3).series()->count(), 2);

    // Text: pasted as a series of the pane under it; between panes, as a new pane.
    drop(text(QStringLiteral("150 10\n160 30\n170 5\n")), onPane(1));
    ASSERT_EQ(dataOf(1).series()->count(), 2);
    EXPECT_EQ(dataOf(1).series()->serie(1)->points()->count(), 3);
    drop(text(QStringLiteral("150 10\n")), between(1));
    ASSERT_EQ(manager().count(), 5);
    EXPECT_EQ(dataOf(4).series()->serie(0)->points()->count(), 1);
    EXPECT_TRUE(m_dialogs.messages().empty());

    // Text without a point, and a file that cannot be read, change nothing and say why.
    m_dialogs.press(TMessageButton::Abort);
    drop(text(QStringLiteral("nothing to plot here")), onPane(1));
    m_dialogs.press(TMessageButton::Abort);
    drop(files({path(QStringLiteral("gone.mzi"))}), onPane(1));
    EXPECT_EQ(dataOf(1).series()->count(), 2);
    EXPECT_EQ(manager().count(), 5);
    ASSERT_EQ(m_dialogs.messages().size(), 2u);
    EXPECT_TRUE(m_dialogs.messages()[1].text.contains(QStringLiteral("gone.mzi")));

    // A run opens in its browser wherever it falls.
    m_dialogs.clearLog();
    drop(files({runPath}), onPane(0));
    EXPECT_EQ(m_frame->runBrowsers().size(), 1u);
    EXPECT_EQ(dataOf(0).series()->count(), 3);
}

TEST_F(Desktop, RecentFilesKeepTenNewestFirstAndTheMenuFollowsThem) {
    TRecentFiles recent(m_settings);
    QStringList paths;
    for (int i = 0; i < 12; ++i) paths << write(QStringLiteral("f%1.txt").arg(i), "1 1\n");
    for (const QString& p : paths) recent.add(p);
    // Added again under another name, f3 moves to the front without a second entry.
    recent.add(path(QStringLiteral("./f3.txt")));
    QStringList expected{paths[3], paths[11], paths[10], paths[9], paths[8],
                         paths[7], paths[6],  paths[5],  paths[4], paths[2]};
    EXPECT_EQ(recent.files(), expected);

    // The same store read afresh: the list outlives the object.
    EXPECT_EQ(TRecentFiles(m_settings).files(), expected);

    ASSERT_TRUE(QFile::remove(paths[11]));
    QStringList opened;
    TRecentFilesMenu menu(m_settings, [&](const QString& p) { opened << p; });
    const QList<QAction*> entries = menu.actions();
    // Ten entries, a separator and Clear.
    ASSERT_EQ(entries.size(), 12);
    EXPECT_EQ(entries[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_1));
    EXPECT_EQ(entries[8]->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_9));
    EXPECT_TRUE(entries[9]->shortcut().isEmpty());
    EXPECT_TRUE(entries[0]->isEnabled());
    EXPECT_FALSE(entries[1]->isEnabled());  // f11 is gone
    entries[2]->trigger();
    EXPECT_EQ(opened, QStringList{paths[10]});

    menu.findChild<QAction*>(QStringLiteral("FileRecentClear"))->trigger();
    EXPECT_TRUE(TRecentFiles(m_settings).files().isEmpty());
    const QList<QAction*> left = menu.actions();
    ASSERT_EQ(left.size(), 1);
    EXPECT_FALSE(left[0]->isEnabled());
    // Nothing of the old list lingers for a later, shorter one to bring back.
    recent.add(paths[0]);
    EXPECT_EQ(recent.files(), QStringList{paths[0]});

    // The window's own menu: an entry opens its file through the frame.
    m_main->recentMenu()->refresh();
    m_main->recentMenu()->actions()[0]->trigger();
    ASSERT_EQ(manager().count(), 1);
    EXPECT_EQ(current().series()->serie(0)->name(), paths[0].toStdString());
}

TEST_F(Desktop, TheWindowAndTheBrowserColumnsComeBackAsTheyWereLeft) {
    // The first start takes most of the screen, whatever the fixed size used to be.
    {
        TMemorySettings fresh;
        TMainForm first(TViewerServices{m_dialogs, m_clipboard, fresh, m_dir.path(),
                                        QStringLiteral("0.2.0.0")});
        EXPECT_FALSE(restoreWindowGeometry(first, fresh));
        const QSize room = first.screen()->availableGeometry().size();
        EXPECT_NEAR(first.width(), room.width() * 0.8, 1);
        EXPECT_NEAR(first.height(), room.height() * 0.8, 1);
    }

    m_main->resize(910, 630);
    m_frame->openFile(runPath);
    ASSERT_EQ(m_frame->runBrowsers().size(), 1u);
    QHeaderView& header = *m_frame->runBrowsers()[0]->table()->horizontalHeader();
    header.resizeSection(1, 133);
    m_frame->runBrowsers()[0]->table()->sortByColumn(2, Qt::DescendingOrder);
    QCoreApplication::processEvents();
    ASSERT_TRUE(m_main->close());

    TMainForm again(TViewerServices{m_dialogs, m_clipboard, m_settings, m_dir.path(),
                                    QStringLiteral("0.2.0.0")});
    again.frame()->setBrowsesRuns(true);
    ASSERT_TRUE(restoreWindowGeometry(again, m_settings));
    EXPECT_EQ(again.size(), QSize(910, 630));
    again.show();
    again.frame()->openFile(runPath);
    ASSERT_EQ(again.frame()->runBrowsers().size(), 1u);
    QTableView& table = *again.frame()->runBrowsers()[0]->table();
    EXPECT_EQ(table.horizontalHeader()->sectionSize(1), 133);
    EXPECT_EQ(table.horizontalHeader()->sortIndicatorSection(), 2);
    EXPECT_EQ(table.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    // The rows follow the restored order, not only the indicator: latest retention time first.
    const QAbstractItemModel& model = *table.model();
    ASSERT_GT(model.rowCount(), 2);
    bool numbers = false;
    const double top = model.index(0, 2).data().toString().toDouble(&numbers);
    ASSERT_TRUE(numbers);
    EXPECT_GT(top, model.index(model.rowCount() - 1, 2).data().toString().toDouble());
    EXPECT_TRUE(restoreDockLayout(again, m_settings));
    EXPECT_TRUE(TRecentFiles(m_settings).files().contains(runPath));
}

}  // namespace
