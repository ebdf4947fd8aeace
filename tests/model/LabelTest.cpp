// Peak labels: candidate picking, greedy placement, collisions, hit tests, drags and painting.
#include "model/Label.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>

#include "model/LabelSeries.h"
#include "model/ModelErrors.h"
#include "support/FakeWorldControl.h"
#include "support/TestHelpers.h"

namespace {

// 1000 x 500 pixels showing x 0..100 and y 0..100: 10 pixels per x unit, 5 per y unit.
FakeWorldControl standardPlot() {
    return FakeWorldControl({0, 0, 1000, 500}, {0, 0, 100, 100});
}

std::vector<std::string> textsOf(const TLabelList& list) {
    std::vector<std::string> texts;
    for (const auto& label : list) texts.push_back(dynamic_cast<TTextLabel&>(*label).text());
    return texts;
}

using Texts = std::vector<std::string>;

// What the label tool does on release: the dragged frame becomes the label's place.
void dropAt(FakeWorldControl& plot, TControlLabel& label, int dx, int dy) {
    const TRect b = label.bounds();
    const TRect zone{b.left + dx, b.top + dy, b.right + dx, b.bottom + dy};
    label.setBounds(zone);
    label.setWorldRect(plot.deviceRectToWorld(zone));
    label.setMoved(true);
}

}  // namespace

// --- candidates -----------------------------------------------------------------------------

// Each window gives its highest point, x at single precision; the candidates ascend by
// intensity.
TEST(LabelCandidates, EachWindowGivesItsHighestPointAndNoPointIsAnError) {
    const auto f = [](double x) { return static_cast<double>(static_cast<float>(x)); };
    const struct {
        TFloatPointSortedList points;
        std::vector<TFloatPointRec> candidates;
    } cases[] = {
        // Windows start at points, not on a grid: the second starts at 0.3, the first point
        // beyond 0.2, and ends at 0.5, so 0.55 starts a third one.
        {pointsOf({{0.0, 1}, {0.3, 2}, {0.45, 5}, {0.55, 3}}),
         {{0, 1}, {f(0.55), 3}, {f(0.45), 5}}},
        {pointsOf({{2.0, 1}, {2.05, 6}, {2.1, 6}}), {{f(2.05), 6}}}};  // the first maximum wins
    const auto list = newPointlistLabelList("L", pointsOf({{1, 1}}));
    for (const auto& c : cases) {
        list->setPoints(c.points);
        EXPECT_EQ(list->candidates()->points(), c.candidates);
    }
    EXPECT_EQ(errorOf<EListError>([] { TPointlistLabelList("L", TFloatPointSortedList()); }),
              "List index out of bounds (0)");
}

// --- placement ------------------------------------------------------------------------------

TEST(LabelPlacement, WeakerOfTwoOverlappingPeaksIsDroppedUntilZoomedIn) {
    auto plot = standardPlot();
    TPointlistLabelList list("Custom Labels", pointsOf({{50, 80}, {51, 60}}));
    list.placeAll(plot);
    // " 50" is 18 pixels wide at pixel 500; " 51" at 510 would overlap it.
    EXPECT_EQ(textsOf(list), (Texts{" 50"}));
    EXPECT_EQ(list.label(0)->bounds(), (TRect{491, 100, 509, 90}));

    plot.setView({45, 0, 55, 100});  // 100 pixels per x unit
    list.placeAll(plot);
    EXPECT_EQ(textsOf(list), (Texts{" 50", " 51"}));
    EXPECT_EQ(list.label(1)->bounds(), (TRect{591, 200, 609, 190}));
}

TEST(LabelPlacement, OnlyPeaksStrictlyInsideTheViewAndOfEqualPeaksTheLowerX) {
    auto plot = standardPlot();
    TPointlistLabelList list("L", pointsOf({{0, 90}, {30, 10}, {100, 95}, {130, 99}}));
    list.placeAll(plot);
    EXPECT_EQ(textsOf(list), (Texts{" 30"}));

    list.setPoints(pointsOf({{50, 70}, {51, 70}}));
    list.placeAll(plot);
    EXPECT_EQ(textsOf(list), (Texts{" 50"}));
}

TEST(LabelPlacement, ALabelThatWouldLeaveThePlotAtTheTopComesDownOverItsPeak) {
    auto plot = standardPlot();  // 1000 x 500 pixels over 0..100 x 0..100
    TPointlistLabelList list("L", pointsOf({{20, 50}, {60, 99.5}}));
    list.placeAll(plot);
    ASSERT_EQ(list.count(), 2);
    const TControlLabelPtr top = list.label(0)->position().x == 60 ? list.label(0) : list.label(1);
    // The base peak at pixel row 2 keeps its text, 10 pixels high, inside the plot.
    const TRect topBounds = top->bounds().normalized();
    EXPECT_EQ(topBounds.top, 0);
    EXPECT_EQ(topBounds.bottom, 10);
    EXPECT_EQ((topBounds.left + topBounds.right) / 2, 600);
}

TEST(LabelPlacement, TextIsTheValueRoundedToThePrecisionAfterASpace) {
    TPointlistLabelList list("L", pointsOf({{1, 1}}));
    EXPECT_EQ(list.labelText(1234.5678), " 1234.57");
    EXPECT_EQ(list.labelText(-0.001), " 0");
    EXPECT_EQ(list.labelText(0.125), " 0.12");  // halves go to the even neighbour
    list.setPrecision(0);                       // would divide by zero: taken as 1
    EXPECT_EQ(list.precision(), 1);
    EXPECT_EQ(list.labelText(99.7), " 100");
}

TEST(LabelPlacement, GreedyResultMatchesTheScanOverAllPlacedLabels) {
    // A noisy profile with many close peaks, laid out at several zooms; the reference walks
    // the candidates and asks isFree against every label placed so far.
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> noise(0.0, 5.0);
    TFloatPointSortedList points;
    for (int i = 0; i < 20000; ++i) {
        const double x = 100.0 + 0.05 * i;
        double y = noise(rng);
        for (double centre : {180.0, 400.0, 415.0, 700.0, 1000.0})
            y += 100.0 * std::exp(-(x - centre) * (x - centre) / 8.0);
        points.add({x, y});
    }
    TPointlistLabelList list("L", points);
    TPointlistLabelList reference("R", pointsOf({{1, 1}}));
    // The last two views bring peaks to the top edge and to the side edges, where labels are
    // moved inside. The least width of a text is not known, half of it, or all of it.
    for (const TFloatRect view : {TFloatRect{100, 0, 1100, 110}, TFloatRect{390, 0, 430, 110},
                                  TFloatRect{150.3, 0, 151.9, 110}, TFloatRect{100, 0, 1100, 104},
                                  TFloatRect{179.5, 0, 415.2, 103}}) {
        std::vector<int> measured;
        for (const int percent : {0, 50, 100}) {
            SCOPED_TRACE(percent);
            FakeWorldControl plot({0, 0, 1600, 400}, view);
            plot.widthAtLeastPercent = percent;
            list.placeAll(plot);
            measured.push_back(plot.measured);

            reference.clear();
            const auto& c = list.candidates()->points();
            for (auto it = c.rbegin(); it != c.rend(); ++it) {
                if (!(view.x1 < it->x && it->x < view.x2)) continue;
                auto label = std::make_shared<TTextLabel>(reference.labelText(it->x),
                                                          static_cast<float>(it->x),
                                                          static_cast<float>(it->y));
                reference.placeLabel(plot, *label);
                if (reference.isFree(*label)) reference.add(label);
            }
            ASSERT_GE(reference.count(), 5);
            ASSERT_EQ(textsOf(list), textsOf(reference));
            for (int i = 0; i < list.count(); ++i)
                EXPECT_EQ(list.label(i)->bounds(), reference.label(i)->bounds());
        }
        // Candidates under a label already placed are refused without measuring their text,
        // fewer still the more is known of its least width.
        EXPECT_LT(measured[0], list.candidates()->count() / 2);
        EXPECT_LE(measured[1], measured[0]);
        EXPECT_LE(measured[2], measured[1]);
        if (view.x2 - view.x1 > 500) {  // a full view
            EXPECT_LT(measured[2], measured[0]);
        }
    }
}

// --- collisions -----------------------------------------------------------------------------

TEST(LabelCollision, ClosedXSpansMeetModeLChecksEveryLabelOfTheListOtherModesAcceptAll) {
    const TRect a{10, 0, 20, 5};
    EXPECT_TRUE(TPointlistLabelList::overlapsX(a, {20, 50, 30, 60}));  // shared end
    EXPECT_FALSE(TPointlistLabelList::overlapsX(a, {21, 0, 30, 5}));   // one pixel apart
    EXPECT_TRUE(TPointlistLabelList::overlapsX(a, {15, 0, 5, 5}));     // stored right to left
    TPointlistLabelList list("L", pointsOf({{50, 80}, {51, 60}, {51.5, 70}}));
    auto placed = std::make_shared<TControlLabel>(TFloatPointRec{});
    placed->setBounds({100, 50, 120, 40});
    list.add(placed);
    TControlLabel probe({});
    probe.setBounds({120, 300, 140, 290});  // other height, touching x span
    EXPECT_FALSE(list.isFree(probe));
    list.setMode('X');
    EXPECT_TRUE(list.isFree(probe));
    auto plot = standardPlot();  // so overlapping peaks are all labelled
    list.placeAll(plot);
    EXPECT_EQ(textsOf(list), (Texts{" 50", " 51.5", " 51"}));
}

// --- hit tests ------------------------------------------------------------------------------

TEST(LabelHitTest, LeftAndTopEdgesInsideRightAndBottomOutside) {
    auto plot = standardPlot();
    TTextLabelList list("L");
    const auto label = list.addTextLabel(" 50", 50, 80);
    list.placeLabel(plot, *label);
    ASSERT_EQ(label->bounds(), (TRect{491, 100, 509, 90}));  // Top below Bottom
    const std::tuple<int, int, bool> probes[] = {
        {491, 90, true}, {508, 99, true}, {509, 95, false}, {500, 100, false}};
    for (const auto& [x, y, hit] : probes) EXPECT_EQ(label->hitTest(x, y), hit) << x << ", " << y;
    EXPECT_EQ(list.hitTest(500, 95), label);

    // Upright text, 18 pixels long and 10 high, stands centred on its pixel (500, 100).
    list.font().escapement = 900;
    list.placeLabel(plot, *label);
    EXPECT_EQ(label->bounds(), (TRect{495, 82, 505, 100}));
}

TEST(LabelHitTest, HiddenLabelsAndListsAreNeitherDrawnNorHitAndTheFirstLabelWins) {
    auto plot = standardPlot();
    TTextLabelList list("L");
    const auto first = list.addTextLabel(" 50", 50, 80);
    const auto second = list.addTextLabel(" 50", 50.2f, 80);
    const auto hidden = list.addTextLabel(" 20", 20, 10);
    hidden->setVisible(false);
    plot.paint(list);
    EXPECT_EQ(plot.texts.size(), 2u);

    EXPECT_EQ(list.hitTest(500, 95), first);
    first->setVisible(false);
    EXPECT_EQ(list.hitTest(500, 95), second);
    list.setVisible(false);
    EXPECT_EQ(list.hitTest(500, 95), nullptr);
}

TEST(LabelHitTest, LabelFarAboveADeepZoomCatchesNoClicksInItsColumn) {
    // Zoomed deep into the base line, a strong peak lies billions of pixels above the plot,
    // where the mapping stops at the int limit. Its label must stay up there, not wrap round
    // to a rectangle spanning every row of its column.
    FakeWorldControl plot({0, 0, 1000, 500}, {0, 0, 100, 1e-6});
    constexpr int lowest = std::numeric_limits<int>::min();
    for (const int escapement : {0, 900}) {
        TTextLabelList list("L");
        list.font().escapement = escapement;
        const auto label = list.addTextLabel(" 50", 50, 1e6f);
        list.placeLabel(plot, *label);
        EXPECT_EQ(label->bounds().top, lowest) << escapement;
        EXPECT_EQ(label->bounds().bottom, lowest) << escapement;
        EXPECT_EQ(list.hitTest(500, 250), nullptr) << escapement;
    }
}

// --- dragging -------------------------------------------------------------------------------

TEST(LabelDrag, PaintAdoptsTheDroppedPlaceAndKeepsItAcrossRepaints) {
    auto plot = standardPlot();
    TTextLabelList list("L");
    const auto label = list.addTextLabel(" 50", 50, 80);
    plot.paint(list);
    dropAt(plot, *label, 100, -50);

    plot.paint(list);
    // Middle of the x span, the lower world y: the point the text stands on.
    EXPECT_DOUBLE_EQ(label->position().x, 60.0);
    EXPECT_DOUBLE_EQ(label->position().y, 90.0);
    // A layout from the adopted position puts it where it was dropped.
    list.placeAll(plot);
    EXPECT_EQ(label->bounds(), (TRect{591, 50, 609, 40}));
}

// A peak label dropped elsewhere stays there through Hide/Show Labels (the list laid out
// again, also before any repaint adopted the drop) and through a zoom that leaves its peak
// out and one that brings it back; the peak it belongs to gets no second label, a neighbour
// it no longer covers gets its own, and a thin line joins the label to its peak.
TEST(LabelDrag, APeakLabelStaysWhereItWasDroppedAndPointsToItsPeak) {
    auto plot = standardPlot();
    TLabelSeries series;
    const auto list = newPointlistLabelList("Custom Labels", pointsOf({{50, 80}, {51, 60}}));
    series.add(list);
    series.setNeedsLayout(true);
    plot.paint(series);
    ASSERT_EQ(textsOf(*list), (Texts{" 50"}));
    const TControlLabelPtr dropped = list->label(0);
    dropAt(plot, *dropped, -30, 100);
    const TRect there = dropped->bounds();

    const auto hideAndShow = [&] {
        list->setVisible(false);
        series.setNeedsLayout(true);
        plot.paint(series);
        list->setVisible(true);
        series.setNeedsLayout(true);
        return series.updateLayout(plot);
    };
    hideAndShow();
    EXPECT_EQ(dropped->bounds(), there);
    plot.paint(series);
    const TPlacedLabels shown = hideAndShow();
    EXPECT_EQ(dropped->bounds(), there);
    EXPECT_EQ(textsOf(*list), (Texts{" 51", " 50"}));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].leader, (TPoint{500, 100}));
    EXPECT_FALSE(shown[0].leader);

    plot.setView({60, 0, 100, 100});
    series.setNeedsLayout(true);
    EXPECT_TRUE(series.updateLayout(plot).empty());
    plot.setView({0, 0, 100, 100});
    series.setNeedsLayout(true);
    plot.paint(series);
    EXPECT_EQ(dropped->bounds(), there);
    EXPECT_EQ(series.layout(plot), series.updateLayout(plot));
}

// --- a picture's own layout -----------------------------------------------------------------

// A picture lays the labels out afresh for its own mapping, as the plot would once it had that
// size (a label dropped but not yet adopted stands where it was dropped), and leaves the
// labels with the layout of the plot on screen, which hit tests and drags use.
TEST(LabelLayout, APictureLaysTheLabelsOutAfreshAndLeavesThemAsTheScreenHasThem) {
    auto screen = standardPlot();  // 10 pixels per x unit: " 51" collides with " 50"
    TLabelSeries series;
    const auto peaks =
        newPointlistLabelList("Custom Labels", pointsOf({{50, 80}, {51, 60}, {20, 30}}));
    const auto notes = newTextLabelList("Notes");
    const auto note = notes->addTextLabel(" note", 30, 40);
    notes->addTextLabel(" hidden", 70, 40)->setVisible(false);
    series.add(peaks);
    series.add(notes);
    series.setNeedsLayout(true);
    screen.paint(series);
    dropAt(screen, *note, 100, -50);
    const auto boundsOfAll = [&] {
        std::vector<TRect> bounds;
        for (const auto& list : series)
            for (const auto& label : *list) bounds.push_back(label->bounds());
        return bounds;
    };
    const std::vector<TRect> before = boundsOfAll();

    const TPlacedLabels same = series.layout(screen);
    ASSERT_EQ(same.size(), 3u);
    EXPECT_EQ(same.back().text, " note");
    EXPECT_EQ(same.back().bounds, note->bounds());  // the dropped frame
    EXPECT_EQ(same.back().origin, (TPoint{note->bounds().left, note->bounds().bottom}));

    FakeWorldControl picture({0, 0, 4000, 500}, {0, 0, 100, 100});  // room for " 51"
    const TPlacedLabels wide = series.layout(picture);
    ASSERT_EQ(wide.size(), 4u);
    EXPECT_EQ(boundsOfAll(), before);
    EXPECT_EQ(peaks->count(), 2);
    EXPECT_TRUE(note->isMoved());

    screen.paint(series);  // adopts the drop
    series.setNeedsLayout(true);
    EXPECT_EQ(series.updateLayout(picture), wide);
}

// --- painting -------------------------------------------------------------------------------

TEST(LabelPaint, LaysOutOnFirstPaintAndWritesAtLeftBottomInTheListFont) {
    auto plot = standardPlot();
    TTextLabelList list("L");
    list.font().color = colors::navy;
    list.addTextLabel(" 50", 50, 80);
    list.addTextLabel(" 20", 20, 10);

    plot.paint(list);
    ASSERT_EQ(plot.texts.size(), 2u);
    EXPECT_EQ(plot.texts[0].x, 491);
    EXPECT_EQ(plot.texts[0].y, 90);
    EXPECT_EQ(plot.texts[0].font.color, colors::navy);

    plot.paint(list);  // already placed: drawn, not measured again
    EXPECT_EQ(plot.texts.size(), 4u);
    EXPECT_EQ(plot.measured, 2);
}
