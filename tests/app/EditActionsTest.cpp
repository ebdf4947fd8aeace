// The Edit commands: series to and from the clipboard, deleting series and panes, the smoothed
// copy, and what each leaves of the action states and the modified flag.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/PointListSerie.h"
#include "support/AppFixture.h"
#include "support/TestHelpers.h"

namespace {

using Points = std::vector<TFloatPointRec>;

class EditActions : public AppFixture {
protected:
    using AppFixture::addPane;
    // A new current pane at the bottom holding these series (the last one current), as read
    // from a document: not modified.
    TSpectrum& addPane(const std::vector<std::pair<std::string, Points>>& series,
                       const QString& caption = {}) {
        TSpectrum& plot = addPane();
        m_frame->currentContainer()->setCaption(caption);
        for (const auto& [name, points] : series) {
            auto serie = plot.series()->newSerie(name);
            for (const auto& p : points) serie->points()->add(p);
        }
        plot.spectrumData()->setModified(false);
        return plot;
    }

    TPointListSerieList& series() { return *current().series(); }
    TPointListSerie& currentSerie() { return *series().current(); }
    static Points pointsIn(const TPointListSerie& serie) { return serie.points()->points(); }
    std::vector<std::string> names() {
        std::vector<std::string> result;
        for (const auto& serie : series()) result.push_back(serie->name());
        return result;
    }
};

const Points peaks = {{100.5, 20.25}, {101.25, 5.5}, {150.125, 1000.0}, {200.0, 42.0}};

TEST_F(EditActions, CutPutsTheSerieOnTheClipboardAndPasteBringsItBackAsNoName) {
    addPane({{"first", {{10.0, 1.0}}}, {"scan 3", peaks}});
    const std::string text = currentSerieText(currentData(), TSerieText::Points);

    trigger("EditCutSerie");
    EXPECT_EQ(m_clipboard.text(), text);
    EXPECT_EQ(names(), std::vector<std::string>{"first"});
    EXPECT_TRUE(current().spectrumData()->isModified());

    trigger("EditPasteAsNew");
    EXPECT_EQ(names(), (std::vector<std::string>{"first", "no name"}));
    EXPECT_EQ(pointsIn(currentSerie()), peaks);
}

// The texts are the plot's (its own tests check them); a copy changes nothing else.
TEST_F(EditActions, CopyRangePutsTheVisiblePointsOnTheClipboard) {
    addPane({{"scan", peaks}});
    current().setView(101.0, 160.0, 0.0, 1100.0);
    trigger("EditCopyRangeSerie");
    EXPECT_EQ(m_clipboard.text(), "       101.25000     5.500\n       150.12500  1000.000\n");
    EXPECT_FALSE(current().spectrumData()->isModified());
}

// Shortcuts reach the commands whatever the menu shows.
TEST_F(EditActions, CommandsWithoutTheirSerieOrTextDoNothing) {
    m_frame->editPasteAsNew();
    m_frame->editPasteOverwrite();
    EXPECT_EQ(manager().count(), 0);

    m_clipboard.setText("kept");
    const auto copyAll = [&] {
        m_frame->editCopy(TSerieText::Points);
        m_frame->editCopy(TSerieText::Masses);
        m_frame->editCopy(TSerieText::VisiblePoints);
        m_frame->editCutSerie();
        m_frame->editDeleteSerie();
    };
    copyAll();
    addPane({});
    copyAll();
    EXPECT_EQ(m_clipboard.text(), "kept");
    EXPECT_EQ(m_clipboard.puts(), 1);
    EXPECT_FALSE(current().spectrumData()->isModified());
}

TEST_F(EditActions, PasteOverwriteReplacesOnlyThePoints) {
    addPane({{"first", {{10.0, 1.0}}}, {"scan", {{5.0, 5.0}, {6.0, 6.0}}}});
    TPointListSerie& serie = currentSerie();
    serie.setStyle(TSerieStyle::Line);
    current().setView(1.0, 7.0, 0.0, 10.0);
    const TFloatRect view = current().getView();
    m_clipboard.setText("100.5 20.25\n200 42\n");

    trigger("EditPasteOverwrite");
    EXPECT_EQ(names(), (std::vector<std::string>{"first", "scan"}));
    EXPECT_EQ(&currentSerie(), &serie);
    EXPECT_EQ(serie.style(), TSerieStyle::Line);
    EXPECT_EQ(pointsIn(serie), (Points{{100.5, 20.25}, {200.0, 42.0}}));
    // The view stays where it was.
    EXPECT_EQ(current().getView(), view);
    EXPECT_TRUE(current().spectrumData()->isModified());
}

TEST_F(EditActions, PastingIntoAnEmptyManagerMakesAPaneShowingTheData) {
    m_clipboard.setText("100.5 20.25\n150 1000\n200 42\n");
    m_frame->editPasteAsNew();
    ASSERT_EQ(manager().count(), 1);
    EXPECT_EQ(names(), std::vector<std::string>{"no name"});
    EXPECT_EQ(pointsIn(currentSerie()), (Points{{100.5, 20.25}, {150.0, 1000.0}, {200.0, 42.0}}));
    const TFloatRect view = current().getView();
    EXPECT_LE(view.x1, 100.5);
    EXPECT_GE(view.x2, 200.0);
    EXPECT_GE(view.y2, 1000.0);
    EXPECT_EQ(current().fileName(), "new.mzi");
    EXPECT_TRUE(current().spectrumData()->isModified());
}

// The pairs before the fault are kept (as the plot reads them); the paste is shown with OK.
TEST_F(EditActions, MalformedTextKeepsThePairsBeforeTheFault) {
    addPane({{"scan", peaks}});
    const TLoggedMessage wrongFormat{
        TMessageKind::Error, QStringLiteral("Interrupted. wrong X Y format"), {TMessageButton::Ok}};
    m_clipboard.setText("100 5\nabc 7\n300 8\n");
    m_dialogs.press(TMessageButton::Ok);
    trigger("EditPasteAsNew");
    EXPECT_EQ(names(), (std::vector<std::string>{"scan", "no name"}));
    EXPECT_EQ(pointsIn(currentSerie()), (Points{{100.0, 5.0}}));
    EXPECT_EQ(m_dialogs.messages(), std::vector{wrongFormat});
}

TEST_F(EditActions, DeleteSerieMovesToThePreviousOneAtTheEnd) {
    addPane({{"a", peaks}, {"b", peaks}});
    trigger("EditDeleteSerie");
    EXPECT_EQ(names(), std::vector<std::string>{"a"});
    EXPECT_EQ(series().currentIndex(), 0);
    EXPECT_TRUE(current().spectrumData()->isModified());

    // The only series: none is left current, and the series commands switch off.
    m_frame->editDeleteSerie();
    EXPECT_EQ(series().count(), 0);
    EXPECT_EQ(series().currentIndex(), -1);
    EXPECT_FALSE(enabled("EditCutSerie"));
    EXPECT_EQ(act("EditCutSerie").statusTip(), QStringLiteral("Cut current serie"));
}

TEST_F(EditActions, DeleteContainerAsksAndAlwaysBindsTheFirstPane) {
    addPane({{"a", peaks}}, QStringLiteral("run A"));
    addPane({{"b", peaks}}, QStringLiteral("run B"));
    TSpectraManager& manager = this->manager();

    m_dialogs.press(TMessageButton::No);
    trigger("EditDeleteSeriesContainer");
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0],
              (TLoggedMessage{TMessageKind::Question,
                              QStringLiteral("Do you want to remove the component run B with all "
                                             "its series"),
                              {TMessageButton::Yes, TMessageButton::No}}));
    EXPECT_EQ(manager.count(), 2);
    EXPECT_EQ(m_frame->currentContainer(), manager.container(0));

    manager.navigator()->setSpectrumContainer(manager.container(1));
    m_dialogs.press(TMessageButton::Yes);
    m_frame->editDeleteSeriesContainer();
    ASSERT_EQ(manager.count(), 1);
    EXPECT_EQ(m_frame->currentContainer()->caption(), QStringLiteral("run A"));
}

TEST_F(EditActions, SmoothSerieAddsSplineValuesHalfwayBetweenThePoints) {
    const Points source = {{0.0, 0.0}, {1.0, 1.0}, {2.0, 0.0}};
    addPane({{"profile", source}});
    // Derivatives kept from other points must not bend the copy: the spline is evaluated
    // once, then the points change.
    TFloatPointSortedList& points = *currentSerie().points();
    points.put(1, {1.0, 3.0});
    points.splint(0.5);
    points.put(1, {1.0, 1.0});

    m_frame->editInsertSpline();
    EXPECT_EQ(names(), (std::vector<std::string>{"profile", "profile(Smooth)"}));
    const Points smooth = pointsIn(currentSerie());
    ASSERT_EQ(smooth.size(), 5u);
    EXPECT_EQ(smooth[2], source[1]);
    // Zero end slopes through (0, 0), (1, 1), (2, 0): 0.5 at x = 0.5.
    EXPECT_EQ(smooth[1].x, 0.5);
    EXPECT_NEAR(smooth[1].y, 0.5, 1e-12);
    EXPECT_TRUE(current().spectrumData()->isModified());
}

TEST_F(EditActions, SmoothSerieOfPointsSharingAMassIsRefused) {
    addPane({{"centroid", {{1.0, 1.0}, {2.0, 2.0}, {2.0, 3.0}, {3.0, 1.0}}}});
    m_dialogs.press(TMessageButton::Abort);
    trigger("EditInsertSpline");
    EXPECT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(names(), std::vector<std::string>{"centroid"});
    EXPECT_FALSE(current().spectrumData()->isModified());
}

}  // namespace
