// The main window: the close question over unsaved panes, the status-bar read-out, the About
// box, menus that bring their states up to date, and the freeform background.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "app/GuiDialogs.h"
#include "app/MainWindow.h"
#include "app/QtClipboard.h"
#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "files/MziFile.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"
#include "support/FakeClipboard.h"
#include "support/ScriptedDialogs.h"

namespace {

class MainWindow : public ::testing::Test {
protected:
    MainWindow() : window(services()) { window.show(); }

    TViewerServices services() {
        TViewerServices s;
        s.dialogs = &dialogs;
        s.clipboard = &clipboard;
        s.version = QStringLiteral("0.2.0.0");
        return s;
    }

    TSpectraManager& manager() { return *window.frame()->manager(); }
    // A new pane named fileName, its data modified or not.
    TSpectrum& addPane(const std::string& fileName, bool modified) {
        manager().setCount(manager().count() + 1);
        TSpectrum& plot = *manager().lastContainer()->spectrum();
        plot.setFileName(fileName);
        plot.spectrumData()->setModified(modified);
        return plot;
    }
    static QString question(const char* fileName) {
        return QStringLiteral("Spectrum \"") + QString::fromLatin1(fileName) +
               QStringLiteral("\" not saved. Are you sure want to exit without saving it ?");
    }
    QMenu* menu(const QString& title) {
        for (QAction* a : window.menuBar()->actions())
            if (a->menu() && a->text().remove(QLatin1Char('&')) == title) return a->menu();
        return nullptr;
    }

    ScriptedDialogs dialogs;
    FakeClipboard clipboard;
    TMainForm window;
};

TEST_F(MainWindow, ClosingAsksAboutEachUnsavedPane) {
    addPane("a.mzi", true);
    addPane("b.mzi", false);
    addPane("c.mzi", true);

    dialogs.press(TMessageButton::Yes);
    dialogs.press(TMessageButton::Cancel);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());

    dialogs.press(TMessageButton::Yes);
    dialogs.press(TMessageButton::Yes);
    EXPECT_TRUE(window.close());

    const std::vector<TMessageButton> yesCancel = {TMessageButton::Yes, TMessageButton::Cancel};
    const std::vector<TLoggedMessage> expected = {
        {TMessageKind::Warning, question("a.mzi"), yesCancel},
        {TMessageKind::Warning, question("c.mzi"), yesCancel},
        {TMessageKind::Warning, question("a.mzi"), yesCancel},
        {TMessageKind::Warning, question("c.mzi"), yesCancel},
    };
    EXPECT_EQ(dialogs.messages(), expected);
}

TEST_F(MainWindow, ExitClosesThroughTheQuestion) {
    addPane("a.mzi", true);
    dialogs.press(TMessageButton::Cancel);
    window.frame()->updateActions();
    window.frame()->action(QStringLiteral("FileExit"))->trigger();
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, question("a.mzi"));

    dialogs.press(TMessageButton::Yes);
    window.frame()->action(QStringLiteral("FileExit"))->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(dialogs.messages().size(), 2u);
}

TEST_F(MainWindow, StatusBarShowsTheReadoutOfTheCurrentPane) {
    EXPECT_TRUE(window.statusBar()->currentMessage().isEmpty());
    TSpectrum& plot = addPane("a.mzi", false);
    plot.series()->newSerie("s")->points()->add({150.0, 10.0});
    plot.setView(100.0, 200.0, 0.0, 100.0);

    const QPointF at(plot.width() / 2.0, plot.height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, plot.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&plot, &move);
    const QString readout = window.statusBar()->currentMessage();
    EXPECT_EQ(readout, plot.cursorReadout());
    EXPECT_TRUE(readout.endsWith(QStringLiteral(" (m/z)"))) << readout.toStdString();
    EXPECT_TRUE(readout.contains(QStringLiteral(" = 15"))) << readout.toStdString();

    // Without panes the read-out goes.
    manager().setCount(0);
    EXPECT_TRUE(window.statusBar()->currentMessage().isEmpty());
}

TEST_F(MainWindow, AboutShowsTheVersion) {
    dialogs.closeAbout();
    window.aboutAction()->trigger();
    EXPECT_EQ(dialogs.aboutRequests(), std::vector<QString>{QStringLiteral("0.2.0.0")});

    TAboutBox box(QStringLiteral("0.2.0.0"));
    EXPECT_EQ(box.versionText(), QStringLiteral("Version 0.2.0.0"));
}

TEST_F(MainWindow, MenusBringTheirStatesUpToDateBeforeShowing) {
    addPane("a.mzi", false);
    window.frame()->updateActions();
    QAction* paste = window.frame()->action(QStringLiteral("EditPasteAsNew"));
    ASSERT_FALSE(paste->isEnabled());

    clipboard.setText("100 5\n");  // nobody told the frame
    QMenu* edit = menu(QStringLiteral("Edit"));
    ASSERT_NE(edit, nullptr);
    emit edit->aboutToShow();
    EXPECT_TRUE(paste->isEnabled());
    EXPECT_TRUE(edit->actions().contains(paste));

    // Import and Background keep their actions without a menu item; Print stays invisible.
    const auto everyItem = [&] {
        QList<QAction*> items;
        for (QMenu* m : window.menuBar()->findChildren<QMenu*>()) items += m->actions();
        return items;
    }();
    EXPECT_FALSE(everyItem.contains(window.frame()->action(QStringLiteral("FileImport"))));
    EXPECT_FALSE(everyItem.contains(window.frame()->action(QStringLiteral("ViewBackground"))));
    EXPECT_FALSE(window.frame()->action(QStringLiteral("FilePrint"))->isVisible());
    for (const char* name : {"ViewCurrentSerieLabelsHide", "ViewAllSeriesDecreaseLinewidth",
                             "ViewSynchronize", "ViewSpectrumLabel", "FileAnnotations"})
        EXPECT_TRUE(everyItem.contains(window.frame()->action(QString::fromLatin1(name)))) << name;
}

// A document with a red observed series and a theoretical one, written where path says.
void writeDocument(const QString& path) {
    TSpectrumData data;
    const auto observed = data.series()->newSerie("observed");
    for (int i = 1; i <= 20; ++i) observed->points()->add({100.0 + i, 5.0 * i});
    data.series()->newSerie("theoretical")->points()->add({105.0, 40.0});
    const auto text = mziFileText(data);
    ASSERT_TRUE(text.has_value());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text->data(), static_cast<qint64>(text->size()));
}

TEST_F(MainWindow, StartupDocumentCountsAsUnsavedAndSavesBackWhereItCameFrom) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("run 7.mzi"));
    writeDocument(path);
    window.openStartupFile(path);
    ASSERT_EQ(manager().count(), 1);
    TSpectrum& plot = *window.frame()->currentSpectrum();
    EXPECT_EQ(plot.series()->serie(0)->color(), colors::black);
    EXPECT_EQ(plot.fileName(), "run 7.mzi");
    EXPECT_TRUE(plot.spectrumData()->isModified());
    EXPECT_TRUE(dialogs.messages().empty());

    // Save goes to the document's own folder, not to a "run 7.mzi" in the current one.
    plot.series()->serie(1)->setName("fragment b4");
    window.frame()->updateActions();
    window.frame()->action(QStringLiteral("FileSave"))->trigger();
    EXPECT_FALSE(plot.spectrumData()->isModified());
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("fragment b4"));
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_TRUE(window.close());
}

TEST_F(MainWindow, StartupDocumentThatFailsLeavesAnEmptyWindow) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("missing.mzi"));
    dialogs.press(TMessageButton::Abort);
    window.openStartupFile(path);
    EXPECT_EQ(manager().count(), 0);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messages()[0].text.endsWith(
        QStringLiteral("\nUnexpected format.\nTry Open txt format (standard).")));
    EXPECT_TRUE(window.close());  // nothing to ask about
    EXPECT_EQ(dialogs.messages().size(), 1u);
}

TEST_F(MainWindow, FreeformBackgroundReplacesTheThresholdOfTheFirstSerie) {
    window.freeformBackground();  // no pane: nothing happens
    TSpectrum& plot = addPane("a.mzi", false);
    const auto serie = plot.series()->newSerie("s");
    for (int i = 1; i <= 400; ++i) serie->points()->add({i * 1.0, 10.0 + (i % 7 == 0 ? 50 : 0)});
    plot.series()->newSerie("second");
    window.freeformBackground();
    ASSERT_GT(serie->threshold()->count(), 0);
    // The background under a flat base of 10 with peaks every 7 points is the base.
    for (int i = 0; i < serie->threshold()->count(); ++i)
        EXPECT_NEAR(serie->threshold()->get(i).y, 10.0, 0.01) << i;
    EXPECT_TRUE(dialogs.messages().empty());
}

// The program's clipboard: each put replaces the whole content; text and a block can travel
// together.
TEST(QtClipboard, TextAndNamedBlocks) {
    TQtClipboard clipboard;
    QSignalSpy changed(&clipboard, &TQtClipboard::changed);
    const std::vector<std::uint8_t> block = {0, 1, 2, 255};

    clipboard.setTextAndData("100.5 7\n", "CF_THRESHOLD", block);
    EXPECT_TRUE(clipboard.hasText());
    EXPECT_EQ(clipboard.text(), "100.5 7\n");
    EXPECT_EQ(clipboard.data("CF_THRESHOLD"), block);
    EXPECT_EQ(clipboard.data("CF_OTHER"), std::nullopt);

    clipboard.setData("CF_OTHER", {9});
    EXPECT_FALSE(clipboard.hasText());
    EXPECT_EQ(clipboard.data("CF_THRESHOLD"), std::nullopt);
    EXPECT_EQ(clipboard.data("CF_OTHER"), std::vector<std::uint8_t>{9});

    clipboard.setText("1 2\n");
    EXPECT_EQ(clipboard.text(), "1 2\n");
    EXPECT_EQ(clipboard.data("CF_OTHER"), std::nullopt);
    EXPECT_GE(changed.count(), 3);
}

}  // namespace
