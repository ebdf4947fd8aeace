// Series and the series list: palette, current-series validation with its pen widths,
// creation of series and the program-wide line widths.
#include "PointListSerie.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace {

// Restores the program-wide pen widths after a test changed them.
class SerieLineWidths : public ::testing::Test {
protected:
    void TearDown() override { setSerieLineWidth(1); }
};

TPointListSeriePtr serieWithStyle(TSerieStyle style) {
    auto serie = newPointListSerie("", "s");
    serie->setStyle(style);
    return serie;
}

}  // namespace

TEST(SeriePalette, SeriesTakeColoursFromLimeOnwardsAndWrapAfterEleven) {
    TPointListSerieList list;
    const TColor expected[] = {{0, 255, 0},   {0, 255, 255},   {0, 0, 255},   {255, 0, 255},
                               {255, 255, 0}, {255, 255, 255}, {128, 0, 0},   {0, 128, 0},
                               {0, 0, 128},   {128, 0, 128},   {0, 128, 128}, {0, 255, 0}};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto serie = list.newSerie("s" + std::to_string(i));
        EXPECT_EQ(serie->getColor(), expected[i]) << "series " << i;
    }
    EXPECT_EQ(list.getCurrentIndex(), 11);
    // The stored values: navy is 800000, red is in the low byte.
    EXPECT_EQ(seriePalette[10], colors::navy);
    EXPECT_EQ(seriePalette[10].toBgr(), 0x800000u);
    EXPECT_EQ(seriePalette[1].toBgr(), 0x0000FFu);
}

TEST_F(SerieLineWidths, CurrentLineSeriesTakesItsHighlightWidthAndThePreviousOneTheNormalWidth) {
    TPointListSerieList list;
    const auto line1 = serieWithStyle(TSerieStyle::Line);
    const auto bars = serieWithStyle(TSerieStyle::Bars);
    const auto line2 = serieWithStyle(TSerieStyle::Line);
    list.addSerie(line1);
    EXPECT_EQ(line1->getLineWidth(), 2);
    list.addSerie(bars);
    EXPECT_EQ(line1->getLineWidth(), 1);
    list.addSerie(line2);
    EXPECT_EQ(line2->getLineWidth(), 2);
    EXPECT_EQ(list.getCurrent(), line2);
    EXPECT_EQ(list.getThreshold(), line2->getThreshold());  // the list's follows the current

    bars->setLineWidth(7);
    list.setCurrentIndex(1);
    EXPECT_EQ(bars->getLineWidth(), 7);  // a bar series keeps its width when it becomes current
    EXPECT_EQ(line2->getLineWidth(), 1);

    list.setCurrentIndex(0);
    EXPECT_EQ(bars->getLineWidth(), 1);
    EXPECT_EQ(line1->getLineWidth(), 2);
    EXPECT_EQ(list.getCurrent(), line1);
    EXPECT_EQ(list.getThreshold(), line1->getThreshold());

    list.setCurrentIndex(17);  // outside the list: only revalidates
    EXPECT_EQ(list.getCurrentIndex(), 0);

    setSerieLineWidth(4);  // the widths in force at validation time apply
    list.setCurrentIndex(2);
    EXPECT_EQ(line1->getLineWidth(), 4);
    EXPECT_EQ(line2->getLineWidth(), 2);  // its own highlight width, set at creation
}

TEST(SerieCurrentIndex, RemovingKeepsTheIndexNumberClampedToTheListDownToEmpty) {
    TPointListSerieList list;
    const auto a = list.newSerie("a");
    const auto b = list.newSerie("b");
    const auto c = list.newSerie("c");

    EXPECT_EQ(list.removeSerie(c), 2);  // the current, last series
    EXPECT_EQ(list.getCurrent(), b);

    list.setCurrentIndex(0);
    list.removeSerie(a);
    EXPECT_EQ(list.getCurrentIndex(), 0);
    EXPECT_EQ(list.getCurrent(), b);

    EXPECT_EQ(list.removeSerie(a), std::nullopt);  // no longer held
    list.removeSerie(b);
    EXPECT_EQ(list.getCurrentIndex(), -1);
    EXPECT_EQ(list.getCurrent(), nullptr);
    list.setCurrentIndex(0);  // an empty list has no current series
    EXPECT_EQ(list.getCurrentIndex(), -1);
    EXPECT_EQ(a->getName(), "a");  // removed series live on with their holders
}

TEST(SerieCreation, NewSerieSharesTheCurrentThresholdAndTakesTheDefaultStyle) {
    TPointListSerieList list;
    list.setDefaultStyle(TSerieStyle::Line);
    const auto first = list.newSerie("first");
    EXPECT_EQ(first->getSymbol(), "");
    EXPECT_EQ(first->getName(), "first");
    EXPECT_EQ(first->getStyle(), TSerieStyle::Line);

    const auto own = newThreshold(0, 1, 2, 3);
    first->setThreshold(own);
    list.setCurrentIndex(0);
    const auto second = list.newSerie("second");
    EXPECT_EQ(second->getThreshold(), own);  // the object of the series current at creation

    list.setShareThreshold(false);
    const auto third = list.newSerie("third");
    EXPECT_NE(third->getThreshold(), own);
}

TEST(SerieCreation, SeriesMadeApartShareNothing) {
    const auto a = newPointListSerie("SYM", "a");
    const auto b = newPointListSerie("SYM", "b");
    EXPECT_EQ(a->getThreshold()->points(), (std::vector<TFloatPointRec>{{0, 10}, {100, 10}}));
    EXPECT_NE(a->getXRange(), a->getYRange());
    EXPECT_NE(a->getXRange(), b->getXRange());
    EXPECT_NE(a->getThreshold(), b->getThreshold());
    EXPECT_NE(a->getPoints(), b->getPoints());
    EXPECT_THROW(a->setPoints(nullptr), std::invalid_argument);
}

TEST(SerieCreation, RandomSerieIsDeterministicForASeedAndWithinItsBounds) {
    TPointListSerieList list1;
    TPointListSerieList list2;
    list1.setRandomSeed(42);
    list2.setRandomSeed(42);
    const auto s1 = list1.newRandomSerie("demo");
    const auto s2 = list2.newRandomSerie("demo");
    const auto& points = s1->getPoints()->points();
    EXPECT_EQ(points, s2->getPoints()->points());
    EXPECT_EQ(list1.getCurrent(), s1);

    ASSERT_GE(points.size(), 17u);  // steps are at most 6 wide
    ASSERT_LE(points.size(), 100u);
    double previous = 0;
    for (const auto& p : points) {
        EXPECT_GE(p.x, previous + 1);
        EXPECT_LT(p.x, previous + 6);
        previous = p.x;
        EXPECT_GE(p.y, 5);
        EXPECT_LE(p.y, 99);
    }
    EXPECT_GE(points.back().x, 100);
    EXPECT_LT(points[points.size() - 2].x, 100);

    TPointListSerieList other;
    other.setRandomSeed(43);
    EXPECT_NE(other.newRandomSerie("demo")->getPoints()->points(), points);
}

TEST_F(SerieLineWidths, MoveTogetherWithinOneToTen) {
    EXPECT_EQ(serieLineWidth(), 1);
    EXPECT_EQ(highlightLineWidth(), 2);
    EXPECT_FALSE(decreaseLineWidth());
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(increaseLineWidth());
    EXPECT_FALSE(increaseLineWidth());
    EXPECT_EQ(serieLineWidth(), 10);
    EXPECT_EQ(highlightLineWidth(), 11);

    const auto serie = newPointListSerie("", "wide");
    EXPECT_EQ(serie->getLineWidth(), 10);
    EXPECT_EQ(serie->getHighlightWidth(), 11);

    EXPECT_TRUE(decreaseLineWidth());
    EXPECT_EQ(highlightLineWidth(), 10);
    setSerieLineWidth(0);
    EXPECT_EQ(serieLineWidth(), 1);
    EXPECT_EQ(highlightLineWidth(), 2);
}
