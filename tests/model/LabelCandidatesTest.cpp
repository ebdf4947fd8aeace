// Candidate picking against the straightforward version: one window after the other, then a
// comparison sort in the total order of y (larger x first among equal y).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <compare>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "model/Label.h"

namespace {

std::vector<TFloatPointRec> straightforwardCandidates(const std::vector<TFloatPointRec>& p) {
    std::vector<TFloatPointRec> found;
    float curX = static_cast<float>(p[0].x);
    float curY = static_cast<float>(p[0].y);
    float limit =
        static_cast<float>(static_cast<double>(curX) + TPointlistLabelList::candidateWindow);
    for (std::size_t i = 1; i < p.size(); ++i) {
        if (p[i].x > limit) {
            found.push_back({curX, curY});
            curX = static_cast<float>(p[i].x);
            curY = static_cast<float>(p[i].y);
            limit = static_cast<float>(static_cast<double>(curX) +
                                       TPointlistLabelList::candidateWindow);
        } else if (p[i].y > curY) {
            curX = static_cast<float>(p[i].x);
            curY = static_cast<float>(p[i].y);
        }
    }
    found.push_back({curX, curY});
    std::sort(found.begin(), found.end(), [](const TFloatPointRec& a, const TFloatPointRec& b) {
        const auto byY = std::strong_order(a.y, b.y);
        if (byY != 0) return byY < 0;
        return std::strong_order(b.x, a.x) < 0;
    });
    return found;
}

}  // namespace

// Random profiles with ties, values that differ below single precision, signed zeros,
// infinities and NaN of both signs, in and out of order.
TEST(LabelCandidates, SameAsTheStraightforwardPickAndSortOnRandomData) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> odd = {0.0,  -0.0,        inf,
                                     -inf, nan,         -nan,
                                     1.0,  1.0 + 1e-12, std::numeric_limits<double>::denorm_min(),
                                     -5.0};
    std::mt19937_64 rng(20261207);
    for (int round = 0; round < 60; ++round) {
        const int n = 1 + static_cast<int>(rng() % 3000);
        const int levels = 1 + static_cast<int>(rng() % 20);  // few levels: many equal peaks
        std::uniform_real_distribution<double> step(0.0, round % 3 == 0 ? 0.5 : 0.05);
        TFloatPointSortedList points;
        points.setCount(n);
        double x = 100.0;
        for (int i = 0; i < n; ++i) {
            x += round % 5 == 4 && rng() % 10 == 0 ? -step(rng) : step(rng);
            double y = static_cast<double>(rng() % levels) * 0.75;
            if (round % 2 == 1 && rng() % 50 == 0) y = odd[rng() % odd.size()];
            const double px = round % 4 == 3 && rng() % 200 == 0 ? odd[rng() % odd.size()] : x;
            points.put(i, {px, y});
        }
        TPointlistLabelList list("Custom Labels", points);
        const auto expected = straightforwardCandidates(points.points());
        const auto& got = list.candidates()->points();
        ASSERT_EQ(got.size(), expected.size()) << "round " << round;
        // Bit for bit, so that NaN compares too.
        EXPECT_EQ(std::memcmp(got.data(), expected.data(), got.size() * sizeof(TFloatPointRec)), 0)
            << "round " << round << ", " << n << " points";
    }
}
