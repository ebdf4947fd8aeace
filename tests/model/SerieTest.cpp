// Series and the series list: palette, current-series validation with its pen widths,
// creation of series and the program-wide line widths.
#include "model/PointListSerie.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "support/TestHelpers.h"

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
    const auto first = list.newSerie("s0");
    EXPECT_EQ(first->color(), (TColor{0, 255, 0}));
    for (int i = 1; i < 11; ++i) (void)list.newSerie("s");
    EXPECT_EQ(list.newSerie("s11")->color(), first->color());
    // The stored values: navy is 800000, red is in the low byte.
    EXPECT_EQ(seriePalette[10].toBgr(), 0x800000u);
    EXPECT_EQ(seriePalette[1].toBgr(), 0x0000FFu);
}

TEST_F(SerieLineWidths, CurrentLineSeriesTakesItsHighlightWidthAndThePreviousOneTheNormalWidth) {
    TPointListSerieList list;
    const auto line1 = serieWithStyle(TSerieStyle::Line);
    const auto bars = serieWithStyle(TSerieStyle::Bars);
    const auto line2 = serieWithStyle(TSerieStyle::Line);
    list.addSerie(line1);
    list.addSerie(bars);
    list.addSerie(line2);
    EXPECT_EQ(line1->lineWidth(), 1);
    EXPECT_EQ(line2->lineWidth(), 2);
    EXPECT_EQ(list.threshold(), line2->threshold());  // the list's follows the current

    bars->setLineWidth(7);
    list.setCurrentIndex(1);
    EXPECT_EQ(bars->lineWidth(), 7);  // a bar series keeps its width when it becomes current
    EXPECT_EQ(line2->lineWidth(), 1);

    list.setCurrentIndex(0);
    EXPECT_EQ(bars->lineWidth(), 1);

    setSerieLineWidth(4);  // the widths in force at validation time apply
    list.setCurrentIndex(2);
    EXPECT_EQ(line1->lineWidth(), 4);
    EXPECT_EQ(line2->lineWidth(), 2);  // its own highlight width, set at creation
}

TEST(SerieCurrentIndex, RemovingKeepsTheIndexNumberClampedToTheListDownToEmpty) {
    TPointListSerieList list;
    const auto a = list.newSerie("a");
    const auto b = list.newSerie("b");
    const auto c = list.newSerie("c");

    EXPECT_EQ(list.removeSerie(c), 2);  // the current, last series
    EXPECT_EQ(list.current(), b);

    list.setCurrentIndex(0);
    list.removeSerie(a);
    EXPECT_EQ(list.current(), b);

    EXPECT_EQ(list.removeSerie(a), std::nullopt);  // no longer held
    list.removeSerie(b);
    list.setCurrentIndex(0);  // an empty list has no current series
    EXPECT_EQ(list.currentIndex(), -1);
}

// Each change is announced once it is complete (a new series already has its colour), the
// current series only when it is another one, and reads that validate the index announce
// nothing.
TEST(SerieListNotification, AddRemoveAndTheCurrentSerieAreAnnouncedWhenComplete) {
    TPointListSerieList list;
    std::vector<std::string> log;
    const auto current = [&list] {
        const auto serie = list.current();
        return serie ? serie->name() : std::string("-");
    };
    const TConnection onAdded = list.added.connect([&](int index) {
        log.push_back("added " + std::to_string(index) + " " +
                      std::to_string(list.serie(index)->color().toBgr()));
    });
    const TConnection onRemoved =
        list.removed.connect([&](int index) { log.push_back("removed " + std::to_string(index)); });
    const TConnection onCurrent =
        list.currentChanged.connect([&] { log.push_back("current " + current()); });
    const TConnection onChanged = list.changed.connect([&] { log.push_back("changed"); });
    const auto expectLog = [&](std::vector<std::string> expected) {
        EXPECT_EQ(log, expected);
        log.clear();
    };

    const auto a = list.newSerie("a");
    expectLog({"added 0 " + std::to_string(seriePalette[2].toBgr()), "current a", "changed"});
    list.newSerie("b");
    log.clear();
    list.setCurrentIndex(1);  // already current
    (void)list.currentIndex();
    list.setCurrentIndex(7);  // outside: only validates
    expectLog({});
    list.setCurrentIndex(0);
    expectLog({"current a", "changed"});

    list.deleteItem(0);  // the index keeps its number: now b
    expectLog({"removed 0", "current b", "changed"});
    list.put(0, a);  // another series at the current index
    expectLog({"current a", "changed"});
    list.insert(0, newPointListSerie("", "c"));  // the current index now names c
    expectLog({"added 0 0", "current c", "changed"});
    EXPECT_EQ(list.removeSerie(a), 1);
    expectLog({"removed 1", "changed"});
    list.clear();
    expectLog({"removed 0", "current -", "changed"});
}

TEST(SerieNotification, NameColourAndStyleAreAnnouncedWhenTheyChange) {
    const auto serie = newPointListSerie("", "name");
    int heard = 0;
    const TConnection listening = serie->changed.connect([&heard] { ++heard; });
    serie->setName("name");
    serie->setColor(serie->color());
    serie->setStyle(serie->style());
    serie->setLineWidth(5);  // follows the current series on reads of the list: not announced
    EXPECT_EQ(heard, 0);
    serie->setName("other");
    serie->setColor(colors::navy);
    serie->setStyle(TSerieStyle::Line);
    EXPECT_EQ(heard, 3);
}

TEST(SerieCreation, NewSerieSharesTheCurrentThresholdUnlessToldNot) {
    TPointListSerieList list;
    list.setDefaultStyle(TSerieStyle::Line);
    const auto first = list.newSerie("first");
    EXPECT_EQ(first->style(), TSerieStyle::Line);

    const auto own = newThreshold(0, 1, 2, 3);
    first->setThreshold(own);
    list.setCurrentIndex(0);
    const auto second = list.newSerie("second");
    EXPECT_EQ(second->threshold(), own);  // the object of the series current at creation

    list.setShareThreshold(false);
    const auto third = list.newSerie("third");
    EXPECT_NE(third->threshold(), own);
    EXPECT_NE(third->xRange(), third->yRange());
    EXPECT_THROW(third->setPoints(nullptr), std::invalid_argument);
}

TEST(SerieCreation, RandomSerieIsDeterministicForASeedAndEndsPastAHundred) {
    TPointListSerieList list1;
    TPointListSerieList list2;
    list1.setRandomSeed(42);
    list2.setRandomSeed(42);
    const auto s1 = list1.newRandomSerie("demo");
    const auto s2 = list2.newRandomSerie("demo");
    const auto& points = s1->points()->points();
    EXPECT_EQ(points, s2->points()->points());

    ASSERT_GE(points.size(), 17u);  // steps are at most 6 wide
    EXPECT_GE(points.back().x, 100);
    EXPECT_LT(points[points.size() - 2].x, 100);
}

TEST_F(SerieLineWidths, MoveTogetherWithinOneToTen) {
    EXPECT_FALSE(decreaseLineWidth());
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(increaseLineWidth());
    EXPECT_FALSE(increaseLineWidth());
    const auto serie = newPointListSerie("", "wide");
    EXPECT_EQ(serie->lineWidth(), 10);
    EXPECT_EQ(serie->highlightWidth(), 11);
    setSerieLineWidth(0);
    EXPECT_EQ(serieLineWidth(), 1);
    EXPECT_EQ(highlightLineWidth(), 2);
}
