// The main window: the close question over unsaved panes, the status-bar read-out, the About
// box, menus that bring their states up to date, and the freeform background.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStatusBar>

#include <string>
#include <vector>

#include "app/GuiDialogs.h"
#include "app/MainWindow.h"
#include "app/QtClipboard.h"
#include "app/SerieText.h"
#include "display/MeasureTool.h"
#include "model/PointListSerie.h"
#include "support/AppFixture.h"

namespace {

class MainWindow : public MainWindowFixture {
protected:
    MainWindow() : MainWindowFixture(false) {}

    // A new pane named fileName, its data modified or not.
    TSpectrum& addPane(const std::string& fileName, bool modified) {
        TSpectrum& plot = AppFixture::addPane();
        plot.setFileName(fileName);
        plot.spectrumData()->setModified(modified);
        return plot;
    }
    static QString question(const char* fileName, const char* caption = "") {
        const QString name =
            QStringLiteral("\"") + QString::fromLatin1(fileName) + QLatin1Char('"') +
            (*caption ? QStringLiteral(" (%1)").arg(QLatin1String(caption)) : QString());
        return QStringLiteral("Spectrum ") + name +
               QStringLiteral(" not saved. Are you sure want to exit without saving it ?");
    }

};

// File > Exit closes as the window's close button does. Two panes of one file are told apart by
// their captions, and Enter never discards.
TEST_F(MainWindow, ClosingAsksAboutEachUnsavedPane) {
    addPane("a.mzi", true);
    addPane("b.mzi", false);
    addPane("a.mzi", true);
    manager().container(2)->setCaption(QStringLiteral("MS1"));

    m_dialogs.press(TMessageButton::Yes);
    m_dialogs.press(TMessageButton::Cancel);
    EXPECT_FALSE(m_main->close());

    m_dialogs.press(TMessageButton::Yes);
    m_dialogs.press(TMessageButton::Yes);
    trigger("FileExit");
    EXPECT_FALSE(m_main->isVisible());

    const std::vector<TMessageButton> yesCancel = {TMessageButton::Yes, TMessageButton::Cancel};
    const std::vector<TLoggedMessage> expected = {
        {TMessageKind::Warning, question("a.mzi"), yesCancel},
        {TMessageKind::Warning, question("a.mzi", "MS1"), yesCancel},
        {TMessageKind::Warning, question("a.mzi"), yesCancel},
        {TMessageKind::Warning, question("a.mzi", "MS1"), yesCancel},
    };
    EXPECT_EQ(m_dialogs.messages(), expected);
    EXPECT_EQ(m_dialogs.defaultButtons(), std::vector<TMessageButton>(4, TMessageButton::Cancel));
}

TEST_F(MainWindow, StatusBarShowsTheReadoutOfTheCurrentPane) {
    TSpectrum& plot = addPane("a.mzi", false);
    plot.series()->newSerie("s")->points()->add({150.0, 10.0});
    plot.setView(100.0, 200.0, 0.0, 100.0);

    const QPointF at(plot.width() / 2.0, plot.height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, plot.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&plot, &move);
    EXPECT_EQ(m_main->statusBar()->currentMessage(), plot.cursorReadout());

    // Without panes the read-out goes.
    manager().setCount(0);
    EXPECT_TRUE(m_main->statusBar()->currentMessage().isEmpty());
}

// The read-out follows the pointer, not the current pane; Ctrl+C copies it while it is shown
// and the current series' masses otherwise, even with no series in the current pane.
TEST_F(MainWindow, ThePaneUnderThePointerIsReadAndCtrlCCopiesItsReadout) {
    TSpectrum& first = addPane("a.mzi", false);
    TSpectrum& second = addPane("b.mzi", false);
    second.series()->newSerie("b")->points()->add({150.0, 10.0});
    second.setView(100.0, 200.0, 0.0, 20.0);
    manager().navigator()->setSpectrumContainer(manager().container(0));
    ASSERT_EQ(&current(), &first);
    const auto move = [](TSpectrum& plot, QPoint at) {
        QMouseEvent event(QEvent::MouseMove, QPointF(at), plot.mapToGlobal(QPointF(at)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&plot, &event);
    };
    ASSERT_EQ(act("EditCopyMass").shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    const auto ctrlC = [this] { trigger("EditCopyMass"); };
    const TPoint peak = second.worldToDevice(150.0, 10.0);
    const std::string line = "b, m/z 150.00, intensity 10.00, 100.0 %";

    move(second, {peak.x + 3, peak.y - 2});
    EXPECT_EQ(m_main->statusBar()->currentMessage().toStdString(), line);
    ctrlC();
    EXPECT_EQ(m_clipboard.text(), line);

    // Away from the peak the pointer's own read-out shows and Ctrl+C copies masses again.
    move(second, {peak.x + 20, peak.y});
    EXPECT_EQ(m_main->statusBar()->currentMessage(), second.cursorReadout());
    m_clipboard.clear();
    ctrlC();
    EXPECT_FALSE(m_clipboard.hasText());  // the current pane has no series

    first.series()->newSerie("a")->points()->add({120.0, 5.0});
    move(second, {peak.x, peak.y});
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&second, &leave);
    ctrlC();
    EXPECT_EQ(m_clipboard.text(), currentSerieText(*first.spectrumData(), TSerieText::Masses));
}

// A measurement goes to the status bar and comes before the read-out on Ctrl+C, also on a
// pane without series; Esc takes it away and Ctrl+C copies the read-out again.
TEST_F(MainWindow, AMeasurementIsShownAndCopiedBeforeTheReadout) {
    TSpectrum& plot = addPane("a.mzi", false);
    manager().navigator()->setSpectrumContainer(manager().container(0));
    const auto serie = plot.series()->newSerie("s");
    serie->points()->add({500.0, 10.0});
    serie->points()->add({500.5, 8.0});
    plot.setView(499.5, 501.5, 0.0, 20.0);
    const auto mouse = [&](QEvent::Type type, TPoint at, Qt::KeyboardModifiers mods) {
        const QPointF p(at.x, at.y);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, p, plot.mapToGlobal(p), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, mods);
        QApplication::sendEvent(&plot, &event);
    };
    const TPoint from = plot.worldToDevice(500.0, 10.0);
    const TPoint to = plot.worldToDevice(500.5, 8.0);
    mouse(QEvent::MouseButtonPress, from, Qt::ShiftModifier);
    mouse(QEvent::MouseMove, to, Qt::ShiftModifier);
    mouse(QEvent::MouseButtonRelease, to, Qt::ShiftModifier);
    ASSERT_TRUE(plot.measurement());
    const QString text = QString::fromStdString(plot.measurement()->text());
    EXPECT_TRUE(text.contains(QStringLiteral("z = 2")));
    EXPECT_EQ(m_main->statusBar()->currentMessage(), text);

    plot.series()->clear();
    trigger("EditCopyMass");
    EXPECT_EQ(QString::fromStdString(m_clipboard.text()), text);

    const auto peak = plot.series()->newSerie("t");
    peak->points()->add({500.0, 10.0});
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&plot, &escape);
    EXPECT_FALSE(plot.measurement());
    mouse(QEvent::MouseMove, from, Qt::NoModifier);
    trigger("EditCopyMass");
    EXPECT_EQ(m_clipboard.text(), "t, m/z 500.00, intensity 10.00, 100.0 %");
}

TEST_F(MainWindow, AboutShowsTheVersion) {
    m_dialogs.closeAbout();
    m_main->aboutAction()->trigger();
    EXPECT_EQ(m_dialogs.aboutRequests(), std::vector<QString>{QStringLiteral("0.2.0.0")});

    TAboutBox box(QStringLiteral("0.2.0.0"));
    EXPECT_EQ(box.versionText(), QStringLiteral("Version 0.2.0.0"));
}

TEST_F(MainWindow, MenusBringTheirStatesUpToDateBeforeShowing) {
    addPane("a.mzi", false);
    ASSERT_FALSE(enabled("EditPasteAsNew"));

    m_clipboard.setText("100 5\n");  // nobody told the frame
    for (QAction* a : m_main->menuBar()->actions())
        if (a->menu() && a->text().remove(QLatin1Char('&')) == QLatin1String("Edit"))
            emit a->menu()->aboutToShow();
    EXPECT_TRUE(act("EditPasteAsNew").isEnabled());
}

// View > Move lists the keys of a focused pane and moves the current pane as they do.
TEST_F(MainWindow, TheMoveMenuShowsTheKeysAndMovesTheCurrentPane) {
    QMenu* move = nullptr;
    for (QAction* a : m_main->menuBar()->actions())
        if (a->menu() && a->text().remove(QLatin1Char('&')) == QLatin1String("View"))
            for (QAction* sub : a->menu()->actions())
                if (sub->menu() && sub->text().remove(QLatin1Char('&')) == QLatin1String("Move"))
                    move = sub->menu();
    ASSERT_NE(move, nullptr);
    EXPECT_TRUE(move->actions().contains(&act("ViewMoveBack")));
    EXPECT_EQ(act("ViewMovePanRight").text(), QStringLiteral("Pan right\tRight"));
    // Shown, not bound: the keys belong to the focused pane, not to the window.
    EXPECT_TRUE(act("ViewMovePanRight").shortcut().isEmpty());

    TSpectrum& plot = addPane("a.mzi", false);
    const auto serie = plot.series()->newSerie("s");
    for (int x = 0; x <= 100; ++x) serie->points()->add({double(x), 1.0});
    plot.zoomTo(20, 40, 0, 2);
    trigger("ViewMovePanRight");
    EXPECT_DOUBLE_EQ(plot.getView().x1, 22.0);
    trigger("ViewMoveBack");
    EXPECT_DOUBLE_EQ(plot.getView().x1, 20.0);
}

// Import is reachable from the File menu and its shortcut, as the load errors' hint says.
TEST_F(MainWindow, FileMenuOffersImport) {
    QMenu* file = nullptr;
    for (QAction* a : m_main->menuBar()->actions())
        if (a->menu() && a->text().remove(QLatin1Char('&')) == QLatin1String("File"))
            file = a->menu();
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->actions().contains(&act("FileImport")));
    EXPECT_EQ(act("FileImport").shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    EXPECT_TRUE(formatHint.contains(QStringLiteral("File > Import (Ctrl+I)")));
}

TEST_F(MainWindow, StartupDocumentCountsAsUnsavedAndSavesBackWhereItCameFrom) {
    // A document that cannot be read leaves an empty window, with nothing to ask about.
    m_dialogs.press(TMessageButton::Abort);
    m_main->openStartupFile(path(QStringLiteral("missing.mzi")));
    EXPECT_EQ(manager().count(), 0);

    const QString file = write(
        QStringLiteral("run 7.mzi"),
        documentXml({spectraXml(
            "S", {{"observed", "bar", "101 5\n120 100\n"}, {"theoretical", "bar", "105 40\n"}})}));
    m_main->openStartupFile(file);
    ASSERT_EQ(manager().count(), 1);
    EXPECT_EQ(current().series()->serie(0)->color(), colors::black);
    EXPECT_EQ(current().fileName(), "run 7.mzi");
    EXPECT_TRUE(currentData().isModified());
    m_frame->updateActions();
    EXPECT_EQ(m_main->windowTitle(), QStringLiteral("run 7.mzi[*] - Velmorix viewer"));
    EXPECT_TRUE(m_main->isWindowModified());

    // Save goes to the document's own folder, not to a "run 7.mzi" in the current one.
    current().series()->serie(1)->setName("fragment b4");
    trigger("FileSave");
    EXPECT_FALSE(currentData().isModified());
    m_frame->updateActions();
    EXPECT_FALSE(m_main->isWindowModified());
    EXPECT_NE(readFile(file).find("fragment b4"), std::string::npos);
    EXPECT_TRUE(m_main->close());
}

TEST_F(MainWindow, StartupOpensEveryFileNamedWhateverItsFormat) {
    const QString run = path(QStringLiteral("run.mzXML"));
    QFile::copy(QStringLiteral(VELMORIX_TEST_DATA "/mzxml/qtof_agp.openms.mzXML"), run);
    const QString text = write(QStringLiteral("peaks.csv"), "100.5,20\n101.5,40\n");
    m_dialogs.press(TMessageButton::Abort);
    for (const QString& file : {run, path(QStringLiteral("missing.mzi")), text})
        m_main->openStartupFile(file);

    // One pane per file that opened, in order; one message for the one that did not.
    ASSERT_EQ(manager().count(), 2);
    EXPECT_EQ(manager().containers()[0]->spectrum()->fileName(), "run.mzXML");
    EXPECT_EQ(current().fileName(), "peaks.csv");
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_TRUE(m_dialogs.messages()[0].text.contains(QStringLiteral("missing.mzi")));
}

TEST_F(MainWindow, FreeformBackgroundReplacesTheThresholdOfTheFirstSerie) {
    m_main->freeformBackground();  // no pane: nothing happens
    TSpectrum& plot = addPane("a.mzi", false);
    const auto serie = plot.series()->newSerie("s");
    for (int i = 1; i <= 400; ++i) serie->points()->add({i * 1.0, 10.0 + (i % 7 == 0 ? 50 : 0)});
    plot.series()->newSerie("second");
    m_main->freeformBackground();
    ASSERT_GT(serie->threshold()->count(), 0);
    // The background under a flat base of 10 with peaks every 7 points is the base.
    for (int i = 0; i < serie->threshold()->count(); ++i)
        EXPECT_NEAR(serie->threshold()->get(i).y, 10.0, 0.01) << i;
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

    clipboard.setText("1 2\n");
    EXPECT_EQ(clipboard.text(), "1 2\n");
    EXPECT_EQ(clipboard.data("CF_THRESHOLD"), std::nullopt);
    EXPECT_GE(changed.count(), 2);
}

}  // namespace
