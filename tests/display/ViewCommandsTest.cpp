// The view commands on a plot: back and forward show their view, announce it and repaint; top
// peak changes nothing where it finds no peak to show.
#include "display/ViewCommands.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <optional>

#include "support/FakeSpectrum.h"
#include "support/PaintCounter.h"

TEST(ViewCommands, BackAndForwardShowAnnounceAndRepaintTheirViewAndStopAtTheEnds) {
    FakeSpectrum plot(200, 100, {0, 0, 100, 100});
    plot.show();
    plot.startViewHistory();
    plot.zoomTo(10, 90, 0, 100);
    TViewCommands commands(plot);
    PaintCounter paints(plot);
    paints.take();
    QSignalSpy announced(&plot, &TSpectrum::viewChanged);

    const auto step = [&](bool back, TFloatRect expected, bool moves) {
        plot.labels()->setNeedsLayout(false);
        back ? commands.back() : commands.forward();
        EXPECT_EQ(plot.getView(), expected);
        EXPECT_EQ(announced.count(), moves ? 1 : 0);
        EXPECT_EQ(plot.labels()->needsLayout(), moves);
        EXPECT_EQ(paints.take() > 0, moves);
        announced.clear();
    };
    step(true, {0, 0, 100, 100}, true);
    step(true, {0, 0, 100, 100}, false);
    step(false, {10, 0, 90, 100}, true);
    step(false, {10, 0, 90, 100}, false);
}

TEST(ViewCommands, TopPeakWithoutAPeakToShowChangesNothing) {
    FakeSpectrum plot(200, 100, {0, 0, 100, 100});
    TViewCommands commands(plot);
    EXPECT_FALSE(commands.topPeak());  // no series

    auto serie = plot.series()->newSerie("serie");
    for (const TFloatPointRec& p : {TFloatPointRec{10, 50}, {40, 80}, {70, 30}})
        serie->points()->add(p);
    const struct {
        TFloatRect view;
        std::optional<TFloatRect> zone;
    } refusals[] = {
        {{80, 0, 100, 100}, std::nullopt},               // no point in the view
        {{0, 0, 100, 100}, TFloatRect{75, 0, 90, 100}},  // nor in the zone
        {{50, 40, 100, 100}, std::nullopt},              // the peak at 70 lies below the view
    };
    for (const auto& r : refusals) {
        plot.setView(r.view.x1, r.view.x2, r.view.y1, r.view.y2);
        EXPECT_FALSE(commands.topPeak(r.zone));
        EXPECT_EQ(plot.getView(), r.view);
        EXPECT_EQ(plot.zooms(), 0);
    }

    plot.setView(0, 100, 0, 100);
    EXPECT_TRUE(commands.topPeak(TFloatRect{30, 0, 50, 100}));
    EXPECT_DOUBLE_EQ(plot.getView().y2, 80);
}
