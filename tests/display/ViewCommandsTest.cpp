// The view commands on a plot, beyond what the navigator's buttons show: back and forward
// announce and repaint the view they show.
#include "display/ViewCommands.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

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
