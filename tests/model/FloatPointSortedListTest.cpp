// Searches, bounds, interpolation and both stored forms of the sorted point list.
#include "model/FloatPointSortedList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "model/Base64.h"
#include "model/ModelErrors.h"
#include "support/TestHelpers.h"

TEST(PointListOrder, AddKeepsAscendingOrderUnderEachDuplicatePolicy) {
    auto accept = pointsOf({{2, 2}, {1, 1}, {3, 3}, {2, 5}});
    ASSERT_EQ(accept.count(), 4);
    EXPECT_EQ(accept.get(2).x, 2);
    EXPECT_EQ(accept.get(3).x, 3);

    TFloatPointSortedList ignore(comparePointX, TDuplicates::Ignore);
    ignore.add({1, 1});
    ignore.add({2, 2});
    EXPECT_EQ(ignore.add({2, 9}), 1);
    EXPECT_EQ(ignore.points(), (std::vector<TFloatPointRec>{{1, 1}, {2, 2}}));

    TFloatPointSortedList error(comparePointX, TDuplicates::Error);
    error.add({1, 1});
    EXPECT_EQ(errorOf<EListDuplicateError>([&] { error.add({1, 7}); }), "Duplicated Item");
    EXPECT_EQ(error.count(), 1);
}

TEST(PointListOrder, AssignSortsThePointsPresentByTheNewOrderAndIgnoresItself) {
    auto target = pointsOf({{3, 40}, {5, 20}});
    TFloatPointSortedList byY(comparePointY);
    byY.add({1, 30});
    byY.add({2, 50});
    target.assign(byY);
    EXPECT_EQ(target.points(), (std::vector<TFloatPointRec>{{5, 20}, {1, 30}, {3, 40}, {2, 50}}));
    target.assign(target);
    EXPECT_EQ(target.count(), 4);
}

TEST(PointListOrder, IndexAndCapacityErrorsNameTheValue) {
    auto list = pointsOf({{1, 1}, {2, 2}});
    EXPECT_EQ(messageOf([&] { list.get(2); }), "List index out of bounds (2)");
    EXPECT_EQ(messageOf([&] { list.deleteItem(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(messageOf([&] { list.setCapacity(1); }), "List capacity out of bounds (1)");
    list.setCapacity(100);
    EXPECT_EQ(list.capacity(), 100);
    list.setCapacity(10);  // shrinks to the value asked for, not to the count
    EXPECT_EQ(list.capacity(), 10);
    EXPECT_EQ(list.points(), (std::vector<TFloatPointRec>{{1, 1}, {2, 2}}));
}

namespace {

using TChange = std::function<void(TFloatPointSortedList&)>;

// One call of each kind that changes the points of a list of three.
std::vector<std::pair<const char*, TChange>> pointChanges() {
    const std::string text = pointsOf({{7, 7}}).getAsText();
    const std::string sealed = pointsOf({{7, 7}}).getAsBase64();
    return {{"put",
             [](auto& l) {
                 l.put(0, {0.5, 1});
             }},
            {"exchange", [](auto& l) { l.exchange(0, 2); }},
            {"setCount", [](auto& l) { l.setCount(5); }},
            {"sortRange", [](auto& l) { l.sortRange(comparePointY, 0, 2); }},
            {"setCompare", [](auto& l) { l.setCompare(comparePointY); }},
            {"setAsText", [text](auto& l) { l.setAsText(text); }},
            {"setAsBase64", [sealed](auto& l) { l.setAsBase64(sealed); }},
            {"scaleToPercent", [](auto& l) { l.scaleToPercent(50); }}};
}

}  // namespace

TEST(PointListRevision, EveryChangeOfThePointsAdvancesIt) {
    const std::string sealed = pointsOf({{7, 7}}).getAsBase64();
    const auto changes = pointChanges();
    for (const auto& [name, change] : changes) {
        auto list = pointsOf({{1, 3}, {2, 1}, {3, 2}});
        const std::uint64_t before = list.revision();
        change(list);
        EXPECT_GT(list.revision(), before) << name;
    }
    // Reading, and a sealed form refused, leave it.
    auto list = pointsOf({{1, 3}, {2, 1}, {3, 2}});
    const std::uint64_t before = list.revision();
    (void)list.getAsText();
    (void)list.getMaxPoint();
    EXPECT_FALSE(list.setAsBase64(sealed.substr(1)));
    EXPECT_EQ(list.revision(), before);
    // Never zero, and never taken for another list's or a copy's.
    const TFloatPointSortedList copy = list;
    EXPECT_NE(copy.revision(), 0u);
    EXPECT_NE(copy.revision(), list.revision());
    EXPECT_NE(TFloatPointSortedList().revision(), list.revision());
}

// Listeners hear of a change once, when the points are in their final place: a text read in
// bulk (sorted at its end, also after a fault) or under a policy that adds point by point
// included. A copy of the list does not carry its listeners.
TEST(PointListNotification, EveryChangeIsAnnouncedOnceWithThePointsInPlace) {
    auto changes = pointChanges();
    changes.emplace_back("add", [](auto& l) { l.add({2.5, 4}); });
    changes.emplace_back("addPoints", [](auto& l) {
        const TFloatPointRec points[] = {{9, 1}, {0.5, 2}};
        l.addPoints(points);
    });
    changes.emplace_back("clear", [](auto& l) { l.clear(); });
    changes.emplace_back("assign under another order", [](auto& l) {
        TFloatPointSortedList other(comparePointY);
        other.add({4, 0.5});
        l.assign(other);
    });
    changes.emplace_back("text read in reverse with a fault", [](auto& l) {
        EXPECT_THROW(l.setAsText("9 1 8 2 7 3 6 x"), EConvertError);
    });
    changes.emplace_back("text read one by one", [](auto& l) {
        l.setDuplicates(TDuplicates::Ignore);
        l.setAsText("9 1 8 2 9 3");
    });
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        auto list = pointsOf({{1, 3}, {2, 1}, {3, 2}});
        std::vector<std::vector<TFloatPointRec>> heard;
        const TConnection listening =
            list.changed.connect([&list, &heard] { heard.push_back(list.points()); });
        change(list);
        ASSERT_EQ(heard.size(), 1u);
        EXPECT_EQ(heard[0], list.points());
    }

    auto list = pointsOf({{1, 3}});
    int heard = 0;
    const TConnection listening = list.changed.connect([&heard] { ++heard; });
    TFloatPointSortedList copy = list;
    copy.add({2, 2});
    copy = list;
    EXPECT_EQ(heard, 0);
    list.add({2, 2});
    EXPECT_EQ(heard, 1);
}

TEST(PointListSearch, EmptyList) {
    TFloatPointSortedList list;
    const TNearest n = list.findNearest({5, 0});
    EXPECT_FALSE(n.found);
    EXPECT_EQ(n.diff, 2147483647.0);
    EXPECT_FALSE(list.maxYInRange(0, 10));
    EXPECT_EQ(list.interpolateY(5, 1e9), 0.0);
    EXPECT_EQ(list.getMaxPoint(), (TFloatPointRec{0, 100}));
}

TEST(PointListSearch, NearestFindRangeAndMaximumAtBothEnds) {
    auto list = pointsOf({{1, 0}, {3, 0}, {5, 0}});
    // Of two equidistant neighbours the lower wins; diff is negative before the key.
    const struct {
        double x;
        int nearest;
        double diff;
        int insertAt;
    } cases[] = {{4, 1, -1, 2}, {9, 2, -4, 3}, {-2, 0, 3, 0}, {5, 2, 0, 2}};
    for (const auto& c : cases) {
        const TNearest n = list.findNearest({c.x, 0});
        EXPECT_EQ(n.index, c.nearest) << c.x;
        EXPECT_EQ(n.diff, c.diff) << c.x;
        EXPECT_EQ(n.found, c.diff == 0) << c.x;
        EXPECT_EQ(list.find({c.x, 0}, 0).index, c.insertAt) << c.x;
    }
    EXPECT_TRUE(list.find({4, 0}, 1).found);
    EXPECT_TRUE(list.findX(3.2, 0.25).found);
    // Of equal maxima the first.
    auto peaks = pointsOf({{1, 3}, {2, 8}, {3, 8}, {4, 9}});
    EXPECT_EQ(peaks.maxYInRange(1.5, 3.5), (TFloatPointRec{2, 8}));

    auto two = pointsOf({{1, 0}, {5, 0}});
    const struct {
        double x1, x2;
        int first, last;
    } windows[] = {{2, 3, 1, 0}, {6, 7, 1, 1}, {-7, -6, 0, 0}, {1, 5, 0, 1}};
    for (const auto& w : windows) {
        const TIndexRange r = two.findRange(w.x1, w.x2);
        EXPECT_EQ(r.first, w.first) << w.x1;
        EXPECT_EQ(r.last, w.last) << w.x1;
    }
}

TEST(PointListInterpolation, AtBetweenAndBeyondThePoints) {
    auto list = pointsOf({{1, 10}, {2, 20}, {4, 0}});
    EXPECT_EQ(list.interpolateY(1.1, 1), static_cast<float>(11.0));
    EXPECT_EQ(list.interpolateY(0.5, 1), 0.0);  // left of the first point
    EXPECT_EQ(list.interpolateY(3, 0.5), 0.0);  // nearest point farther than the tolerance
    EXPECT_EQ(list.interpolateY(std::nan(""), 1e9), 0.0);
    // The result is rounded to 32-bit precision.
    auto fine = pointsOf({{0, 0}, {3, 1}});
    EXPECT_EQ(fine.interpolateY(1, 2), static_cast<double>(static_cast<float>(1.0 / 3.0)));
    // So is x: 1000.00001 is 1000 in 32 bits.
    auto steep = pointsOf({{1000, 0}, {1001, 1000}});
    EXPECT_EQ(steep.interpolateY(1000.00001, 1), 0.0);
}

TEST(PointListBounds, CornersAreComputedTogetherAndResetByScaling) {
    auto list = pointsOf({{2, 5}, {1, 9}, {7, -3}});
    EXPECT_EQ(list.getMinPoint(), (TFloatPointRec{1, -3}));
    EXPECT_EQ(list.getMaxPoint(), (TFloatPointRec{7, 9}));
    list.add({100, 100});
    EXPECT_EQ(list.getMaxPoint(), (TFloatPointRec{7, 9}));  // cached until reset
    list.scaleToPercent(50);
    EXPECT_EQ(list.getMaxPoint(), (TFloatPointRec{100, 200}));
    EXPECT_EQ(list.getMinPoint(), (TFloatPointRec{1, -6}));
}

TEST(PointText, ThreeOrdinaryPointsFormEightyOneCharacters) {
    auto list = pointsOf({{100.5, 20}, {200.25, 1234.5}, {300.125, 0.001}});
    const std::string text = list.getAsText();
    EXPECT_EQ(text,
              "       100.50000    20.000\n"
              "       200.25000  1234.500\n"
              "       300.12500     0.001\n");
    EXPECT_EQ(list.getChecksum(), pointTextChecksum(text));
    TFloatPointSortedList back;
    back.setAsText(text);
    EXPECT_EQ(back.points(), list.points());
    EXPECT_EQ(back.getChecksum(), list.getChecksum());
}

TEST(PointText, LinesMatchPrintfToTheLastDigit) {
    // Ties at the printed precision round to even, values that round to zero keep their sign,
    // and huge or tiny magnitudes take the general path.
    std::vector<double> values = {0.015625,
                                  0.046875,
                                  1.0625,
                                  1.1875,
                                  2.5e-6,
                                  -2.5e-4,
                                  -0.0,
                                  0.0,
                                  5e-324,
                                  1e-300,
                                  999999999999.99,
                                  1e12,
                                  -3.7e15,
                                  1e300,
                                  0.9999995,
                                  123456.7890125,
                                  4503599627370496.5};
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> exponent(-8, 14);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    for (int i = 0; i < 3000; ++i) values.push_back(mantissa(rng) * std::pow(10.0, exponent(rng)));
    // One list: its many lines wider than 27 characters also make the writer grow its buffer.
    TFloatPointSortedList list;
    list.setCount(static_cast<int>(values.size()) - 1);
    std::string expected;
    for (std::size_t i = 0; i + 1 < values.size(); ++i) {
        list.put(static_cast<int>(i), {values[i], values[i + 1]});
        char line[1024];
        std::snprintf(line, sizeof line, "%16.5f %9.3f\n", values[i], values[i + 1]);
        expected += line;
    }
    const std::string text = list.getAsText();
    std::istringstream got(text);
    std::istringstream want(expected);
    for (std::string a, b; std::getline(want, b);) {
        ASSERT_TRUE(std::getline(got, a));
        ASSERT_EQ(a, b);
    }
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_EQ(list.getChecksum(), pointTextChecksum(expected));
    // The reader sums the same digits, also of the pairs it skips.
    TFloatPointSortedList back;
    back.setAsText(text);
    EXPECT_EQ(back.getChecksum(), list.getChecksum());
}

TEST(PointText, ChecksumWorkedByHand) {
    EXPECT_EQ(pointTextChecksum("9.5"), 1);
    EXPECT_EQ(pointTextChecksum("12 34"), 23);  // 1, 4-1, 12-3, 32-9
    // The shift wraps after eight digits: ... 1024-313 = 711, then 9-711.
    EXPECT_EQ(pointTextChecksum("123456789"), -702);
    EXPECT_EQ(pointTextChecksum("a-b,c"), 0);
}

TEST(PointText, CommaSeparatorsSignsAndExponentsReadPairsWithZeroYOrNonPositiveXSkipped) {
    TFloatPointSortedList list;
    list.setAsText("  12,5\t-3,25\r\n0 5 3 0 2 7");
    EXPECT_EQ(list.points(), (std::vector<TFloatPointRec>{{2, 7}, {12.5, -3.25}}));
}

// The points before a fault stay, sorted; the checksum covers the whole text. Infinities and NaN
// would break the order of the list: they are not numbers here.
TEST(PointText, FaultsAreNamedAndKeepWhatWasReadAndTheWholeChecksum) {
    const struct {
        std::string text;
        std::string message;
        std::vector<TFloatPointRec> kept;
    } cases[] = {
        {"1 2\n3", "Invalid format. Incomplete value pair (3 ...)", {{1, 2}}},
        {"5 2 3 1 1.2.3 4 7 8", "'1.2.3' is not a valid floating point value", {{3, 1}, {5, 2}}},
        {"1 nan", "'nan' is not a valid floating point value", {}}};
    TFloatPointSortedList list;  // each text replaces the points of the one before
    for (const auto& c : cases) {
        EXPECT_EQ(messageOf([&] { list.setAsText(c.text); }), c.message);
        EXPECT_EQ(list.points(), c.kept) << c.text;
        EXPECT_EQ(list.getChecksum(), pointTextChecksum(c.text)) << c.text;
    }
}

TEST(PointText, AMillionReversedPointsReadInOrder) {
    std::string text;
    constexpr int n = 1000000;
    for (int i = n; i >= 1; --i)
        text += std::to_string(i) + ' ' + std::to_string(i % 1000 + 1) + '\n';
    TFloatPointSortedList list;
    list.setAsText(text);
    ASSERT_EQ(list.count(), n);
    EXPECT_EQ(list.first(), (TFloatPointRec{1, 2}));
    EXPECT_EQ(list.last(), (TFloatPointRec{n, 1}));
    // The capacity is a hint from the text's size, not one point per character.
    EXPECT_LT(list.capacity(), static_cast<int>(text.size() / 4));
}

TEST(SealedForm, OnePointAsBigEndianFloatsAndTheEmptyList) {
    auto one = pointsOf({{1.0, -2.0}});
    const std::string sealed = one.getAsBase64();
    ASSERT_EQ(sealed.size(), 52u);
    EXPECT_EQ(base64Decode(sealed.substr(0, 12)),
              (std::vector<std::uint8_t>{0x3F, 0x80, 0, 0, 0xC0, 0, 0, 0}));
    TFloatPointSortedList back;
    EXPECT_TRUE(back.setAsBase64(sealed));
    EXPECT_EQ(back.points(), one.points());

    TFloatPointSortedList empty;
    EXPECT_EQ(empty.getAsBase64(), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    back.setChecksum(5);
    EXPECT_TRUE(back.setAsBase64("DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"));
    EXPECT_EQ(back.count(), 0);
    EXPECT_EQ(back.getChecksum(), 0);
}

TEST(SealedForm, ABrokenSealLeavesTheListAsItWas) {
    auto list = pointsOf({{3, 4}});
    const std::string sealed = pointsOf({{1, 2}, {5, 6}}).getAsBase64();
    std::string lower = sealed;
    std::transform(lower.end() - 40, lower.end(), lower.end() - 40,
                   [](char c) { return std::tolower(c); });
    std::string corrupted = sealed;
    corrupted[3] = corrupted[3] == 'A' ? 'B' : 'A';
    for (const std::string& bad : {lower, corrupted, std::string("short")}) {
        EXPECT_FALSE(list.setAsBase64(bad));
        EXPECT_EQ(list.getChecksum(), 65535);
        EXPECT_EQ(list.points(), (std::vector<TFloatPointRec>{{3, 4}}));
    }
}

TEST(SealedForm, NonFinitePairsAreLeftOutSoThatTheListCanBeSavedAgain) {
    TFloatPointSortedList written;
    written.setCount(4);
    written.put(0, {1, 2});
    written.put(1, {std::nan(""), 3});
    written.put(2, {4, -HUGE_VAL});
    written.put(3, {5, 6});
    TFloatPointSortedList back;
    ASSERT_TRUE(back.setAsBase64(written.getAsBase64()));
    EXPECT_EQ(back.getChecksum(), 0);
    EXPECT_EQ(back.points(), (std::vector<TFloatPointRec>{{1, 2}, {5, 6}}));
}

TEST(Base64Routines, LenientDecoding) {
    // A character outside the alphabet counts as 0; a trailing partial group is ignored.
    EXPECT_EQ(base64Decode("Zm9v!!!!"), (std::vector<std::uint8_t>{'f', 'o', 'o', 0, 0, 0}));
    EXPECT_EQ(base64Decode("Zm9vYm"), (std::vector<std::uint8_t>{'f', 'o', 'o'}));
}

TEST(PointListSpline, ClampedAndNaturalEndsAndTrySplineKeepsItsAnswerForTheSameSlopes) {
    auto list = pointsOf({{0, 0}, {1, 1}, {2, 0}});
    const std::vector<double> clamped{6, -6, 6};
    const std::vector<double> natural{0, -3, 0};
    EXPECT_DOUBLE_EQ(list.splint(0.25), 0.15625);
    EXPECT_EQ(list.splint(2), 0.0);  // at the last point
    EXPECT_EQ(list.secondDerivatives(), clamped);
    list.spline(1e31, 1e31);
    EXPECT_EQ(list.secondDerivatives(), natural);
    EXPECT_DOUBLE_EQ(list.splint(0.5), 0.6875);

    list.spline(0, 0);  // derivatives for other slopes in between
    EXPECT_TRUE(list.trySpline(1e31, 1e31));
    EXPECT_EQ(list.secondDerivatives(), natural);
    EXPECT_TRUE(list.trySpline(0, 0));
    EXPECT_EQ(list.secondDerivatives(), clamped);
}

TEST(PointListSpline, Failures) {
    TFloatPointSortedList empty;
    EXPECT_EQ(messageOf([&] { empty.splint(1); }), "List index out of bounds (-1)");
    auto one = pointsOf({{1, 1}});
    EXPECT_EQ(messageOf([&] { one.splint(1); }), "Bad xa input to routine splint");
    auto twins = pointsOf({{0, 0}, {1, 1}, {1, 2}, {2, 0}});
    EXPECT_EQ(messageOf([&] { twins.spline(0, 0); }), "Floating point division by zero");
    // trySpline answers instead of throwing, and again once the points are mended.
    EXPECT_FALSE(twins.trySpline(0, 0));
    EXPECT_TRUE(twins.secondDerivatives().empty());
    twins.put(2, {1.5, 2});
    EXPECT_TRUE(twins.trySpline(0, 0));
}

TEST(PointListSpline, PointsAddedAfterTheFirstEvaluationDoNotReadPastTheCache) {
    auto list = pointsOf({{0, 0}, {1, 1}});
    (void)list.splint(0.5);
    list.add({2, 0});
    EXPECT_DOUBLE_EQ(list.splint(0.5), 0.5);
    EXPECT_EQ(list.secondDerivatives().size(), 3u);
}

TEST(PointListSpline, MeanStepIgnoresWideGapsAndIsCached) {
    auto list = pointsOf({{0, 1}, {0.1, 1}, {0.3, 1}, {5, 1}});
    EXPECT_DOUBLE_EQ(list.meanStep(), 0.15);
    list.add({5.9, 1});
    EXPECT_DOUBLE_EQ(list.meanStep(), 0.15);
    EXPECT_EQ(pointsOf({{0, 1}, {2, 1}, {4, 1}}).meanStep(), 1.0);
}

// The summary against the straightforward answers, on points in and out of order, with and
// without NaN, and again after a change of the points.
TEST(PointListSummary, MatchesTheStraightforwardAnswersAndFollowsChanges) {
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> value(0.0, 1000.0);
    for (int round = 0; round < 24; ++round) {
        TFloatPointSortedList list;
        const int n = round < 4 ? round * 50 : 100 + static_cast<int>(rng() % 2000);
        for (int i = 0; i < n; ++i) list.add({i * 0.5, value(rng)});
        if (round % 3 == 1 && n > 0) list.put(n / 2, {list.get(n / 2).x, std::nan("")});
        if (round % 3 == 2 && n > 1) list.exchange(0, n - 1);
        for (int pass = 0; pass < 2; ++pass) {
            const auto& p = list.points();
            const TPointSummary& summary = list.summary();
            const bool finite = std::all_of(p.begin(), p.end(), [](const TFloatPointRec& q) {
                return std::isfinite(q.x) && std::isfinite(q.y);
            });
            const bool ascending = std::is_sorted(
                p.begin(), p.end(), [](const auto& a, const auto& b) { return a.x < b.x; });
            EXPECT_EQ(summary.finiteAscending, finite && ascending) << "round " << round;
            const std::size_t block = TPointSummary::blockSize;
            if (!(finite && ascending) || p.size() < 2 * block) {
                EXPECT_FALSE(summary.yBlocks) << "round " << round;
            } else {
                ASSERT_TRUE(summary.yBlocks);
                ASSERT_EQ(summary.yBlocks->size(), (p.size() + block - 1) / block);
                for (std::size_t b = 0; b < summary.yBlocks->size(); ++b) {
                    const auto first = p.begin() + static_cast<std::ptrdiff_t>(b * block);
                    const auto last = p.begin() + static_cast<std::ptrdiff_t>(
                                                      std::min(p.size(), (b + 1) * block));
                    const auto [lo, hi] = std::minmax_element(
                        first, last, [](const auto& a, const auto& c) { return a.y < c.y; });
                    EXPECT_EQ((*summary.yBlocks)[b].min, lo->y);
                    EXPECT_EQ((*summary.yBlocks)[b].max, hi->y);
                }
            }
            if (n > 0) list.put(0, {list.get(0).x, 5000.0});  // a new highest point
        }
    }
}

// The corners' pass also sums the mean step; what a first meanStep() answers is what it would
// have computed itself at that moment, also when the points changed after the corners.
TEST(PointListSpline, MeanStepAfterTheCornersIsTheOneOfThePointsOfThatMoment) {
    std::mt19937_64 rng(20261207);
    std::uniform_real_distribution<double> value(-3.0, 3.0);
    for (int round = 0; round < 20; ++round) {
        TFloatPointSortedList list;
        for (int i = 0; i < 200; ++i) list.insert(i, {value(rng), value(rng)});  // any order
        TFloatPointSortedList fresh;
        for (int i = 0; i < list.count(); ++i) fresh.insert(i, list.get(i));
        (void)list.getMinPoint();
        if (round % 2 == 1) {
            list.put(7, {list.get(7).x + 0.5, 1.0});
            fresh.put(7, list.get(7));
        }
        EXPECT_EQ(list.meanStep(), fresh.meanStep()) << "round " << round;
    }
}
