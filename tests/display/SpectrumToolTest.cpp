// Mouse tools driven in plot pixels on a plot that logs zooms, repaints and label menus.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <climits>
#include <functional>
#include <utility>

#include "display/Cursors.h"
#include "display/Spectrum.h"
#include "display/SpectrumTool.h"
#include "support/FakeSpectrum.h"

namespace {

// 801 x 401 pixels over x 0..800 and y 0..400: pixel (px, py) is world (px, 400 - py).
FakeSpectrum makePlot() {
    return FakeSpectrum(801, 401, {0, 0, 800, 400});
}

QImage whiteImage() {
    QImage image(801, 401, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

bool isBlack(const QImage& image, int x, int y) {
    return image.pixelColor(x, y) == QColor(Qt::black);
}

void paintTool(iSpectrumTool& tool, QImage& image) {
    QPainter painter(&image);
    tool.paint(painter);
}

}  // namespace

// --- Zoom ------------------------------------------------------------------------------------

TEST(ZoomTool, NarrowDragKeepsTheViewFlatDragZoomsXHighDragZoomsBoth) {
    FakeSpectrum plot = makePlot();
    auto tool = makeZoomTool(plot);
    // Five pixels wide: neither view nor history, and no zone is left standing for the full
    // ranges to pick up.
    plot.drag(*tool, 100, 100, 105, 300);
    EXPECT_EQ(plot.zooms(), 0);
    EXPECT_EQ(plot.getView(), (TFloatRect{0, 0, 800, 400}));
    EXPECT_EQ(tool->getWorldZone(), TFloatRect{});
    EXPECT_TRUE(tool->zoneNarrowX());
    plot.drag(*tool, 300, 200, 300, 200);
    EXPECT_EQ(plot.zooms(), 0);

    // Six pixels wide and 14 high zooms x only, 15 high both.
    FakeSpectrum six = makePlot();
    auto sixTool = makeZoomTool(six);
    six.drag(*sixTool, 100, 100, 106, 114);
    EXPECT_EQ(six.getView(), (TFloatRect{100, 0, 106, 400}));
    six.setView(0, 800, 0, 400);
    six.drag(*sixTool, 100, 100, 106, 115);
    EXPECT_EQ(six.getView(), (TFloatRect{100, 285, 106, 300}));
    EXPECT_EQ(sixTool->getWorldZone(), TFloatRect{});

    plot.drag(*tool, 100, 100, 200, 110);  // 100 x 10: x only
    EXPECT_EQ(plot.getView(), (TFloatRect{100, 0, 200, 400}));
    EXPECT_EQ(plot.views().size(), 2u);
    EXPECT_EQ(tool->getWorldZone(), TFloatRect{});

    // 100 x 20, dragged up and to the left: the zone is put in order, and y takes the smaller
    // value (at the bottom pixel) as its minimum.
    FakeSpectrum high = makePlot();
    auto zoom = makeZoomTool(high);
    high.drag(*zoom, 200, 120, 100, 100);
    EXPECT_EQ(high.getView(), (TFloatRect{100, 280, 200, 300}));
}

// --- Zone ------------------------------------------------------------------------------------

// The zone tool's presses show the ordinary cases; here the bounds of the tolerance.
TEST(ZoneHitTest, EdgesWithinToleranceOverlappingEdgesAndHugeZones) {
    const TRect zone{100, 100, 200, 150};
    EXPECT_EQ(zoneHitTest(204, 154, zone, 4), grab::right + grab::bottom);
    EXPECT_EQ(zoneHitTest(102, 125, zone, 4), grab::left);
    EXPECT_EQ(zoneHitTest(95, 125, zone, 4), grab::none);

    // The edges of a narrow zone overlap: left wins over right, top over bottom.
    EXPECT_EQ(zoneHitTest(102, 102, {100, 100, 104, 104}, 4), grab::left + grab::top);
    // Corners in any order, and far off the int range, are handled.
    EXPECT_EQ(zoneHitTest(150, 125, {200, 150, 100, 100}, 4), grab::whole);
    EXPECT_EQ(zoneHitTest(5, 5, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 4), grab::whole);
}

TEST(ZoneTool, PressGrabsCornerMovesInsideOrStartsNewZoneOutside) {
    FakeSpectrum plot = makePlot();
    auto tool = makeZoneTool(plot);
    auto& zone = static_cast<TZoneTool&>(*tool);
    plot.drag(*tool, 100, 100, 200, 150);
    ASSERT_EQ(tool->getWorldZone(), (TFloatRect{100, 300, 200, 250}));

    // Within the pick tolerance of the top-left corner: the left and top edges follow.
    plot.press(*tool, 103, 97);
    EXPECT_EQ(zone.grabMode(), grab::left + grab::top);
    plot.move(*tool, 90, 80);
    plot.release(*tool, 90, 80);
    EXPECT_EQ(tool->getWorldZone(), (TFloatRect{90, 320, 200, 250}));

    // Inside, away from the edges: the whole zone moves.
    plot.press(*tool, 150, 120);
    EXPECT_EQ(zone.grabMode(), grab::whole);
    plot.move(*tool, 160, 125);
    plot.release(*tool, 160, 125);
    EXPECT_EQ(tool->getWorldZone(), (TFloatRect{100, 315, 210, 245}));

    // Outside: a new zone from the press point, dragged from its bottom-right corner, even
    // when dragged up and to the left.
    plot.press(*tool, 500, 300);
    EXPECT_EQ(zone.grabMode(), grab::right + grab::bottom);
    plot.move(*tool, 450, 250);
    plot.release(*tool, 450, 250);
    EXPECT_EQ(tool->getWorldZone(), (TFloatRect{450, 150, 500, 100}));
    EXPECT_EQ(zone.zone(), (TRect{450, 250, 500, 300}));
    EXPECT_EQ(plot.zooms(), 0);
}

TEST(ZoneTool, ZoneIsDrawnInvertedAndFollowsTheView) {
    FakeSpectrum plot = makePlot();
    auto tool = makeZoneTool(plot);
    plot.drag(*tool, 100, 100, 200, 150);

    QImage image = whiteImage();
    paintTool(*tool, image);
    for (const int x : {100, 150, 200})  // corners and the middles of the edges
        for (const int y : {100, 125, 150})
            EXPECT_EQ(isBlack(image, x, y), x != 150 || y != 125) << x << ", " << y;
    // Inverting: painted again over itself, the figure is gone.
    paintTool(*tool, image);
    EXPECT_EQ(image, whiteImage());

    // Stored in world units: scrolled 50 units to the right, the zone is drawn 50 pixels left.
    plot.setView(50, 850, 0, 400);
    image = whiteImage();
    paintTool(*tool, image);
    EXPECT_TRUE(isBlack(image, 50, 125));
    EXPECT_TRUE(isBlack(image, 150, 125));
    EXPECT_FALSE(isBlack(image, 200, 125));
}

// --- Stretch and scroll ----------------------------------------------------------------------

TEST(StretchYTool, NearOrBelowTheBaseLineNothingBeyondItStretchesAboutIt) {
    FakeSpectrum plot = makePlot();
    plot.setBaseLine(100);  // pixel row 300
    auto tool = makeStretchYTool(plot);

    plot.press(*tool, 400, 100);
    plot.move(*tool, 400, 296);  // within 5 pixels above the base line
    plot.move(*tool, 400, 310);  // below it
    EXPECT_EQ(plot.getView(), (TFloatRect{0, 0, 800, 400}));

    plot.move(*tool, 400, 200);  // twice as close to the base line as the press
    EXPECT_DOUBLE_EQ(plot.yRange()->min(), -100);
    EXPECT_DOUBLE_EQ(plot.yRange()->max(), 700);
    EXPECT_EQ(plot.worldToDevice(0, 300).y, 200);  // the pressed value follows the mouse

    // Pressed below the base line, the range is never turned over.
    FakeSpectrum below = makePlot();
    below.setBaseLine(100);
    auto stretch = makeStretchYTool(below);
    below.press(*stretch, 400, 350);
    below.move(*stretch, 400, 200);
    EXPECT_EQ(below.getView(), (TFloatRect{0, 0, 800, 400}));
    below.move(*stretch, 400, 100);  // measured from the last position now
    EXPECT_LT(below.yRange()->min(), below.yRange()->max());
    EXPECT_EQ(below.worldToDevice(0, 100).y, 300);
}

TEST(StretchXTool, RightHalfKeepsLeftEdgeLeftHalfKeepsRightEdgeNeverEmpty) {
    FakeSpectrum right = makePlot();
    auto tool = makeStretchXTool(right);
    right.press(*tool, 600, 200);
    right.move(*tool, 700, 200);
    EXPECT_EQ(right.xRange()->min(), 0);
    EXPECT_EQ(right.worldToDevice(600, 0).x, 700);
    EXPECT_EQ(right.cursorId(), cursors::stretchLeftX);

    FakeSpectrum left = makePlot();
    auto stretch = makeStretchXTool(left);
    left.press(*stretch, 200, 200);
    left.move(*stretch, 100, 200);
    EXPECT_EQ(left.xRange()->max(), 800);
    EXPECT_NEAR(left.worldToDevice(200, 0).x, 100, 1);
    EXPECT_EQ(left.cursorId(), cursors::stretchRightX);

    // A press on the held edge leaves no empty range.
    FakeSpectrum edge = makePlot();
    auto onEdge = makeStretchXTool(edge);
    edge.press(*onEdge, 0, 200);
    edge.move(*onEdge, 600, 200);
    EXPECT_EQ(edge.getView(), (TFloatRect{0, 0, 800, 400}));
    edge.move(*onEdge, 700, 200);
    EXPECT_GT(edge.xRange()->size(), 0);
    EXPECT_EQ(edge.xRange()->min(), 0);
}

TEST(ScrollTool, DataFollowsTheMouse) {
    FakeSpectrum plot = makePlot();
    auto tool = makeScrollTool(plot);
    const TFloatPointRec pressed = plot.deviceToWorld(300, 200);
    plot.press(*tool, 300, 200);
    plot.move(*tool, 350, 180);
    const TPoint now = plot.worldToDevice(pressed.x, pressed.y);
    EXPECT_NEAR(now.x, 350, 1);
    EXPECT_NEAR(now.y, 180, 1);
}

// Scroll and both stretches record the view a drag left, once; a gesture that moved nothing
// (a plain click, a drag back to where it started, a release that no press preceded, as after
// the click that only activated the pane) changes neither the view nor the history.
TEST(StretchTool, OnlyAGestureThatMovedTheViewRecordsItExactly) {
    const std::function<iSpectrumToolPtr(iSpectrum&)> factories[] = {
        makeScrollTool, makeStretchXTool, makeStretchYTool};
    for (const auto& make : factories) {
        FakeSpectrum plot = makePlot();
        auto tool = make(plot);
        const TFloatRect start = plot.getView();
        plot.release(*tool, 10, 10);
        plot.drag(*tool, 600, 200, 600, 200);
        plot.press(*tool, 600, 200);
        plot.move(*tool, 700, 100);
        plot.move(*tool, 600, 200);
        plot.release(*tool, 600, 200);
        EXPECT_EQ(plot.getView(), start);
        EXPECT_EQ(plot.views(), std::vector<TFloatRect>{start});
        EXPECT_TRUE(plot.labels()->isVisible());

        plot.press(*tool, 600, 200);
        EXPECT_FALSE(plot.labels()->isVisible());
        plot.move(*tool, 700, 100);
        const TFloatRect dragged = plot.getView();
        ASSERT_NE(dragged, start);
        plot.release(*tool, 700, 100);
        EXPECT_TRUE(plot.labels()->isVisible());
        EXPECT_EQ(plot.getView(), dragged);
        EXPECT_EQ(plot.views(), (std::vector<TFloatRect>{start, dragged}));

        // Labels the user had hidden stay hidden after a drag.
        plot.labels()->setVisible(false);
        plot.drag(*tool, 600, 200, 650, 150);
        EXPECT_FALSE(plot.labels()->isVisible());
        EXPECT_EQ(plot.views().size(), 3u);
    }
}

// --- Cross-hair ------------------------------------------------------------------------------

TEST(CrossCursorTool, ShowsMovesAndHidesTheCrossHairOnlyWhileDragging) {
    FakeSpectrum plot = makePlot();
    auto tool = makeCrossCursorTool(plot);
    TSpectrumCursor& cross = plot.spectrumCursor();

    plot.move(*tool, 10, 10);
    plot.release(*tool, 10, 10);
    EXPECT_FALSE(cross.isShown());

    plot.press(*tool, 100, 100);
    EXPECT_TRUE(cross.isShown());
    EXPECT_EQ(cross.point(), (TFloatPointRec{100, 300}));
    plot.move(*tool, 150, 50);
    EXPECT_EQ(cross.point(), (TFloatPointRec{150, 350}));
    plot.release(*tool, 150, 50);
    EXPECT_FALSE(cross.isShown());
}

// --- Labels ----------------------------------------------------------------------------------

namespace {

// A label at pixels 100..140 x 190..210 in a new list of the plot's label series.
TControlLabelPtr addLabel(FakeSpectrum& plot, bool movable) {
    auto list = newTextLabelList("Custom Labels");
    list->setMovable(movable);
    auto label = list->addTextLabel("peak", 120, 200);
    label->setBounds({100, 210, 140, 190});  // stored with top below bottom, as laid out
    label->setTag(7);
    plot.labels()->add(list);
    return label;
}

}  // namespace

TEST(LabelTool, OnlyALabelOfAMovableListIsDraggedAndMarkedMoved) {
    FakeSpectrum fixed = makePlot();
    auto unmovable = addLabel(fixed, false);
    auto labels = makeLabelTool(fixed);
    fixed.drag(*labels, 110, 200, 160, 250);
    EXPECT_FALSE(unmovable->isMoved());
    EXPECT_EQ(unmovable->bounds(), (TRect{100, 210, 140, 190}));
    EXPECT_TRUE(fixed.popups().empty());

    FakeSpectrum plot = makePlot();
    auto label = addLabel(plot, true);
    auto tool = makeLabelTool(plot);
    auto& labelTool = static_cast<TLabelTool&>(*tool);

    plot.press(*tool, 110, 200);
    EXPECT_TRUE(labelTool.isZoneShown());
    plot.move(*tool, 130, 230);
    plot.move(*tool, 160, 250);
    EXPECT_FALSE(label->isMoved());  // the label moves on release; the frame moves now
    EXPECT_EQ(labelTool.zone(), (TRect{150, 260, 190, 240}));
    plot.release(*tool, 160, 250, Qt::RightButton);

    EXPECT_TRUE(label->isMoved());
    EXPECT_FALSE(labelTool.isZoneShown());
    EXPECT_EQ(label->bounds(), (TRect{150, 260, 190, 240}));
    EXPECT_EQ(label->worldRect(), (TFloatRect{150, 140, 190, 160}));
    // Where the label was and where it is now are repainted.
    EXPECT_EQ(plot.invalidatedRects(),
              (std::vector<TRect>{{100, 190, 140, 210}, {150, 240, 190, 260}}));
    ASSERT_EQ(plot.popups().size(), 1u);
    EXPECT_EQ(plot.popups()[0].tag, 7);
    EXPECT_EQ(plot.popups()[0].x, 160);
}
