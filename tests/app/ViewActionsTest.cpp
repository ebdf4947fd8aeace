// The frame's action states against panes, series and the clipboard, the View commands, and
// the command runner's error boxes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/Label.h"
#include "model/PointListSerie.h"
#include "support/AppFixture.h"

namespace {

using Names = std::set<std::string>;

// A shown frame with scripted dialogs and an in-memory clipboard.
class ViewActions : public AppFixture {
protected:
    // A new pane at the bottom, current, with series of these styles; the last one current.
    TSpectrum& addPane(const std::vector<TSerieStyle>& styles = {}) {
        TSpectrum& plot = AppFixture::addPane();
        for (std::size_t i = 0; i < styles.size(); ++i)
            plot.series()->newSerie("serie " + std::to_string(i + 1))->setStyle(styles[i]);
        return plot;
    }
    TPointListSerie& currentSerie() { return *current().series()->current(); }
    bool modified() { return current().spectrumData()->isModified(); }

    // The table's actions for which state (enabled, checked) holds now.
    Names where(const std::vector<const char*>& names, bool (QAction::*state)() const) {
        Names result;
        for (const char* name : names)
            if ((act(name).*state)()) result.insert(name);
        return result;
    }
};

const std::vector<const char*> stateRows = {"FileExit",
                                            "FileSave",
                                            "FileSaveAs",
                                            "EditCutSerie",
                                            "EditCopySerie",
                                            "EditCopyMass",
                                            "EditCopyRangeSerie",
                                            "EditPasteAsNew",
                                            "EditPasteOverwrite",
                                            "EditDeleteSerie",
                                            "EditDeleteSeriesContainer",
                                            "ViewCurrentSerieColor",
                                            "ViewCurrentSerieName",
                                            "ViewCurrentSerieLabelsColor",
                                            "ViewCurrentSerieLabelsHide",
                                            "ViewAllSeriesLabelsHide",
                                            "ViewCurrentSerieBar",
                                            "ViewCurrentSerieContinue",
                                            "ViewCurrentSerieHighlight",
                                            "ViewAllSeriesBar",
                                            "ViewAllSeriesContinue",
                                            "ViewAllSeriesHighlight",
                                            "ViewSpectrumLabel",
                                            "ToolsDetectPeaks"};

const std::vector<const char*> checkRows = {"ViewCurrentSerieBar",       "ViewCurrentSerieContinue",
                                            "ViewCurrentSerieHighlight", "ViewAllSeriesBar",
                                            "ViewAllSeriesContinue",     "ViewAllSeriesHighlight",
                                            "ViewSpectrumLabel"};

// Enabled whenever there is a current series: every row but those that need more.
Names serieActions() {
    Names names(stateRows.begin(), stateRows.end());
    for (const char* more : {"FileSave", "EditPasteAsNew", "EditPasteOverwrite"}) names.erase(more);
    return names;
}

// What a case sets up besides its series.
enum Setup : unsigned {
    NoPane = 0,
    Pane = 1,
    TextToPaste = 2,
    Modified = 4,
    Highlighted = 8,  // the current series keeps its highlight width
    LabelHidden = 16
};

struct StateCase {
    const char* story;
    unsigned setup;
    std::vector<TSerieStyle> series;  // the last one current
    Names enabled;
    Names checked;
};

TEST_F(ViewActions, StatesFollowPanesSeriesAndClipboard) {
    using enum TSerieStyle;
    const Names noSerieChecks = {"ViewAllSeriesContinue", "ViewSpectrumLabel"};
    const StateCase cases[] = {
        {"no pane", NoPane, {}, {"FileExit"}, noSerieChecks},
        {"empty pane, text to paste, modified",
         Pane | TextToPaste | Modified,
         {},
         {"FileExit", "FileSave", "FileSaveAs", "EditPasteAsNew", "EditDeleteSeriesContainer",
          "ViewCurrentSerieLabelsHide", "ViewAllSeriesLabelsHide", "ViewSpectrumLabel"},
         noSerieChecks},
        {"highlighted bars",
         Pane | Highlighted,
         {Line, Bars},
         serieActions(),
         {"ViewCurrentSerieBar", "ViewCurrentSerieHighlight", "ViewAllSeriesBar",
          "ViewAllSeriesHighlight", "ViewSpectrumLabel"}},
        {"plain line, text to paste, modified, label hidden",
         Pane | TextToPaste | Modified | LabelHidden,
         {Bars, Line},
         Names(stateRows.begin(), stateRows.end()),
         {"ViewCurrentSerieContinue", "ViewAllSeriesContinue"}},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.story);
        manager().setCount(0);
        m_clipboard.clear();
        if (c.setup & Pane) {
            TSpectrum& plot = addPane(c.series);
            plot.spectrumData()->setModified(c.setup & Modified);
            if (!c.series.empty())
                currentSerie().setHighlightWidth(c.setup & Highlighted ? highlightLineWidth()
                                                                       : serieLineWidth());
            m_frame->currentContainer()->serieLabel()->setVisible(!(c.setup & LabelHidden));
        }
        if (c.setup & TextToPaste) m_clipboard.setText("100 5\n");
        m_frame->updateActions();
        EXPECT_EQ(where(stateRows, &QAction::isEnabled), c.enabled);
        EXPECT_EQ(where(checkRows, &QAction::isChecked), c.checked);
    }
}

TEST_F(ViewActions, StatesCatchUpWithTheCurrentPaneOnTheirOwn) {
    addPane({TSerieStyle::Bars});
    currentSerie().points()->add({100.0, 5.0});
    m_frame->currentContainer()->setCaption(QStringLiteral("run A"));
    addPane();
    QCoreApplication::processEvents();
    EXPECT_FALSE(act("EditCopySerie").isEnabled());

    // Clicking the first pane binds the navigator to it; the update follows by itself.
    manager().navigator()->setSpectrumContainer(manager().container(0));
    QCoreApplication::processEvents();
    EXPECT_TRUE(act("EditCopySerie").isEnabled());

    // So after each command: a paste enables Save; the cut hint names the current series and
    // its pane.
    trigger("EditCopySerie");
    trigger("EditPasteAsNew");
    QCoreApplication::processEvents();
    EXPECT_TRUE(act("FileSave").isEnabled());
    EXPECT_EQ(act("EditCutSerie").statusTip(), QStringLiteral("Cut serie 2: no name (run A)"));
}

// Styles are saved: a change marks the data modified. The check marks follow the table above.
TEST_F(ViewActions, SerieStylesOfOneOrAllSeries) {
    addPane({TSerieStyle::Bars, TSerieStyle::Bars});

    // Serie > Continue restyles only the current series.
    trigger("ViewCurrentSerieContinue");
    EXPECT_EQ(currentSerie().style(), TSerieStyle::Line);
    EXPECT_EQ(current().series()->serie(0)->style(), TSerieStyle::Bars);
    EXPECT_TRUE(modified());

    // Serie > Bar on a series already drawn as bars changes nothing, so nothing is to save.
    current().spectrumData()->setModified(false);
    current().series()->setCurrentIndex(0);
    trigger("ViewCurrentSerieBar");
    EXPECT_FALSE(modified());

    // All Series > Continue and Bar act on every series, whatever their check mark was.
    trigger("ViewAllSeriesContinue");
    for (const auto& serie : *current().series()) EXPECT_EQ(serie->style(), TSerieStyle::Line);
    EXPECT_TRUE(modified());
}

TEST_F(ViewActions, HighlightWidthsOfOneOrAllSeries) {
    addPane({TSerieStyle::Line, TSerieStyle::Line, TSerieStyle::Line});
    trigger("ViewAllSeriesHighlight");  // off: every series at the normal width
    for (const auto& serie : *current().series()) EXPECT_EQ(serie->highlightWidth(), 1);

    trigger("ViewCurrentSerieHighlight");  // on for the current series only
    EXPECT_EQ(currentSerie().highlightWidth(), 2);
    EXPECT_EQ(current().series()->serie(0)->highlightWidth(), 1);
    m_frame->updateActions();
    EXPECT_TRUE(act("ViewAllSeriesHighlight").isChecked());
    EXPECT_FALSE(modified());  // widths are not saved

    // Loaders run the handlers directly: they toggle the state themselves.
    act("ViewAllSeriesHighlight").setChecked(false);
    m_frame->viewAllSeriesHighlight();
    EXPECT_TRUE(act("ViewAllSeriesHighlight").isChecked());
    for (const auto& serie : *current().series()) EXPECT_EQ(serie->highlightWidth(), 2);
}

TEST_F(ViewActions, HideLabelsActsOnEveryLabelList) {
    TSpectrum& plot = addPane({TSerieStyle::Bars, TSerieStyle::Bars});
    for (const char* name : {"first", "second"})
        plot.labels()->add(std::make_shared<TTextLabelList>(name));
    plot.series()->setCurrentIndex(0);
    const auto visible = [&](int list) { return plot.labels()->labelList(list)->isVisible(); };

    trigger("ViewCurrentSerieLabelsHide");
    EXPECT_FALSE(visible(0));
    EXPECT_FALSE(visible(1));  // not that of the current series only
    trigger("ViewCurrentSerieLabelsHide");
    EXPECT_TRUE(visible(1));

    m_frame->viewAllSeriesLabelsHide();  // the hidden All Series twin
    EXPECT_TRUE(act("ViewAllSeriesLabelsHide").isChecked());
    EXPECT_FALSE(visible(1));
    EXPECT_FALSE(modified());
}

TEST_F(ViewActions, RenameThroughTheInputBox) {
    addPane({TSerieStyle::Bars});
    m_dialogs.cancelInput();
    trigger("ViewCurrentSerieName");
    ASSERT_EQ(m_dialogs.inputRequests().size(), 1u);
    EXPECT_EQ(m_dialogs.inputRequests()[0].title, QStringLiteral("Serie name"));
    EXPECT_EQ(m_dialogs.inputRequests()[0].prompt, QStringLiteral("Name of the serie"));
    EXPECT_EQ(m_dialogs.inputRequests()[0].initial, QStringLiteral("serie 1"));
    EXPECT_FALSE(modified());

    m_dialogs.enterText(QStringLiteral("peptide T3"));
    trigger("ViewCurrentSerieName");
    EXPECT_EQ(currentSerie().name(), "peptide T3");
    EXPECT_TRUE(modified());
    EXPECT_TRUE(
        m_frame->currentContainer()->serieLabel()->text().contains(QStringLiteral("peptide T3")));
}

TEST_F(ViewActions, ColoursOfSerieLabelsAndBackground) {
    TSpectrum& plot = addPane({TSerieStyle::Bars, TSerieStyle::Line});
    auto labels = std::make_shared<TTextLabelList>("Custom Labels");
    plot.labels()->add(labels);
    plot.series()->setCurrentIndex(0);
    currentSerie().setColor(TColor::fromRgb(0, 0, 0));

    m_dialogs.pickColor(QColor(255, 0, 0));
    trigger("ViewCurrentSerieColor");
    EXPECT_EQ(m_dialogs.colorRequests().back(), QColor(0, 0, 0));
    EXPECT_EQ(currentSerie().color(), TColor::fromRgb(255, 0, 0));
    EXPECT_FALSE(modified());  // colours are not saved

    // The labels of series 0 are label list 0.
    m_dialogs.pickColor(QColor(0, 128, 0));
    trigger("ViewCurrentSerieLabelsColor");
    EXPECT_EQ(labels->font().color, TColor::fromRgb(0, 128, 0));

    m_dialogs.pickColor(QColor(10, 20, 30));
    trigger("ViewBackground");
    EXPECT_EQ(manager().palette().color(QPalette::Window), QColor(10, 20, 30));
}

TEST_F(ViewActions, SynchronizeAndCaptionLabel) {
    // Switched on before any pane, the manager follows the menu all the same.
    trigger("ViewSynchronize");
    EXPECT_TRUE(manager().isSynchronized());

    addPane({TSerieStyle::Bars});
    trigger("ViewSpectrumLabel");
    EXPECT_TRUE(m_frame->currentContainer()->serieLabel()->isHidden());
    m_frame->updateActions();
    EXPECT_FALSE(act("ViewSpectrumLabel").isChecked());

    trigger("ViewSynchronize");
    EXPECT_FALSE(manager().isSynchronized());
}

// Shortcuts and code reach the commands whatever the menu shows; none of those that ask asks
// anything (the scripted dialogs fail on any question) or changes the data.
TEST_F(ViewActions, CommandsWithoutTheirPaneDoNothing) {
    m_frame->viewCurrentSerieColor();
    m_frame->viewCurrentSerieName();
    m_frame->viewBackground();
    addPane();  // a pane without series
    m_frame->viewCurrentSerieColor();
    m_frame->viewCurrentSerieName();
    m_frame->viewCurrentSerieLabelsColor();
    m_frame->viewAllSeriesHighlight();
    EXPECT_FALSE(modified());
}

// (The loads' boxes, which add a hint to the failure, are checked where files are opened.)
TEST_F(ViewActions, FailuresBecomeErrorBoxes) {
    m_dialogs.press(TMessageButton::Abort);
    EXPECT_FALSE(m_frame->runCommand([] { throw std::runtime_error("Disk full"); }));
    EXPECT_TRUE(m_frame->runCommand([] {}));

    // A failure inside painting comes out of the plot once; the frame shows it with OK.
    addPane();
    addPane();
    m_dialogs.press(TMessageButton::Ok);
    emit manager().container(0)->spectrum()->messageRaised(QStringLiteral("Overflow"));
    m_dialogs.press(TMessageButton::Ok);
    emit manager().navigator()->messageRaised(QStringLiteral("No peak"));

    const std::vector<TLoggedMessage> expected = {
        errorBox(QStringLiteral("Disk full")),
        {TMessageKind::Error, QStringLiteral("Overflow"), {TMessageButton::Ok}},
        {TMessageKind::Error, QStringLiteral("No peak"), {TMessageButton::Ok}},
    };
    EXPECT_EQ(m_dialogs.messages(), expected);
}

}  // namespace
