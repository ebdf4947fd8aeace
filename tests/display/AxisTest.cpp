// Axis: tick steps and labels, both scales, hostile ranges, painting, the range subscription;
// the display half of the label font.
#include "display/Axis.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display/FontPainter.h"

namespace {

// Six pixels a character: "0.000" is 30 pixels wide.
int sixPerChar(const QString& text) {
    return 6 * static_cast<int>(text.size());
}

std::vector<QString> labelsOf(const TAxisTicks& ticks) {
    std::vector<QString> labels;
    for (const auto& major : ticks.majors) labels.push_back(major.label);
    return labels;
}

std::vector<int> majorPixels(const TAxisTicks& ticks) {
    std::vector<int> pixels;
    for (const auto& major : ticks.majors) pixels.push_back(major.pixel);
    return pixels;
}

// Bounding box of every non-white pixel inside area.
QRect inkBox(const QImage& image, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) box |= QRect(x, y, 1, 1);
    return box;
}

// The text drawn with the font at (x, y) on a white 200 x 200 image.
QImage drawn(const std::string& text, const TFontEx& font, int x, int y) {
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        drawText(painter, x, y, text, font);
    }
    return image;
}

int expectedPixels(double dpi, double inches) {
    return static_cast<int>(std::lround(dpi * inches));
}

}  // namespace

TEST(AxisTickStep, OneOrTwoPowersOfTenAtMostAThirdFirstTruncatedTowardZeroNoneIfUnusable) {
    const struct {
        double min, max;
        TTickStep expected;
    } cases[] = {
        {0, 100, {0, 20, 0}},    {0, 600, {0, 200, 0}},       {0, 50, {0, 10, 0}},
        {0, 1, {0, 0.2, 1}},     {-7, 3, {-6, 2, 0}},         {5.5, 15.5, {4, 2, 0}},
        {0, 0.03, {0, 0.01, 2}}, {-0.5, 0.7, {-0.4, 0.2, 1}},
    };
    for (const auto& c : cases) {
        const auto step = calcTicks(c.min, c.max);
        ASSERT_TRUE(step.has_value()) << c.min << ".." << c.max;
        EXPECT_DOUBLE_EQ(step->first, c.expected.first) << c.min << ".." << c.max;
        EXPECT_DOUBLE_EQ(step->step, c.expected.step) << c.min << ".." << c.max;
        EXPECT_EQ(step->decimals, c.expected.decimals) << c.min << ".." << c.max;
    }
    // None for empty, inverted or non-finite ranges.
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const double ranges[][2] = {{1, 1},   {5, -5},   {nan, 1},       {0, nan},
                                {0, inf}, {-inf, 0}, {-1e308, 1e308}};
    for (const auto& r : ranges) EXPECT_FALSE(calcTicks(r[0], r[1])) << r[0] << ".." << r[1];
    // Huge but finite: a usable step (a few denormals wide is among the hostile ranges below).
    const auto huge = calcTicks(0, 1.7e308);
    ASSERT_TRUE(huge);
    EXPECT_TRUE(std::isfinite(huge->step) && huge->step > 0 && huge->step <= 1.7e308 / 3);
}

TEST(AxisTickLabel, EveryDigitTheStepNeedsThenExponent) {
    const struct {
        double value;
        double step;
        const char* text;
    } cases[] = {
        {0, 20, "0"},
        {0.6000000000000001, 0.2, "0.6"},
        {10000.002, 0.002, "10000.002"},
        {10000, 0.002, "10000.000"},
        {123.456789, 1e-6, "123.456789"},
        {0.003, 0.001, "0.003"},  // a step stored just below 0.001 needs no fourth digit
        {-1e-17, 0.2, "0.0"},     // a sum that missed zero is not "-0.0"
        {12345678, 1, "1.2345678E7"},
        {12000000, 2e6, "1.2E7"},
        {1.5e15, 1e14, "1.5E15"},
        {1e15 + 0.25, 0.0002, "1.0000000000000002E15"},  // no more digits than a double holds
    };
    for (const auto& c : cases)
        EXPECT_EQ(tickLabel(c.value, c.step).toStdString(), c.text) << c.value;
}

// A range of a hundredth at 10000 on a wide and on a crowded axis, measured with a real font:
// every label differs from its neighbours, reads back as its tick value, and centred labels
// keep at least a digit's width apart.
TEST(AxisHorizontalTicks, LabelsShowTheirValuesAndNeverOverlap) {
    const QFontMetrics metrics{QFont()};
    const auto measure = [&](const QString& text) { return metrics.horizontalAdvance(text); };
    const auto range = newRange(10000, 10000.01);
    for (const int width : {600, 150, 60}) {
        SCOPED_TRACE(width);
        const auto ticks = horizontalTicks(*range, width, measure);
        ASSERT_GE(ticks.majors.size(), width >= 150 ? 2u : 1u);
        for (std::size_t k = 0; k < ticks.majors.size(); ++k) {
            const TMajorTick& tick = ticks.majors[k];
            const double value = range->valueAt(width, tick.pixel);
            EXPECT_NEAR(tick.label.toDouble(), value, 0.01 * 1.0 / std::max(width - 1, 1) * 2)
                << tick.label.toStdString();
            if (k == 0) continue;
            const TMajorTick& before = ticks.majors[k - 1];
            EXPECT_NE(tick.label, before.label);
            EXPECT_GE(tick.pixel - before.pixel,
                      (measure(tick.label) + measure(before.label)) / 2 + measure("0"));
        }
    }
    const auto wide = horizontalTicks(*range, 600, measure);
    EXPECT_EQ(labelsOf(wide).front(), "10000.000");
    EXPECT_EQ(labelsOf(wide).at(1), "10000.002");
}

TEST(AxisHorizontalTicks, WorkedScalesAndDoubledSteps) {
    // 0..100 on 600 pixels: no major at 100, the scale stops when a tick value reaches Max.
    const auto range = newRange(0, 100);
    const auto ticks = horizontalTicks(*range, 600, sixPerChar);
    EXPECT_EQ(labelsOf(ticks), (std::vector<QString>{"0", "20", "40", "60", "80"}));
    EXPECT_EQ(majorPixels(ticks), (std::vector<int>{0, 120, 240, 359, 479}));
    ASSERT_EQ(ticks.minors.size(), 25u);
    for (std::size_t k = 0; k < ticks.minors.size(); ++k)
        EXPECT_EQ(ticks.minors[k], range->pixelOf(600, 4.0 * k)) << k;

    // -7..3: First is -6 (truncated toward zero), so -7..-6 carries no tick at all.
    const auto negative = horizontalTicks(*newRange(-7, 3), 600, sixPerChar);
    EXPECT_EQ(labelsOf(negative), (std::vector<QString>{"-6", "-4", "-2", "0", "2"}));
    EXPECT_EQ(negative.majors.front().pixel, 60);
    for (const int minor : negative.minors) EXPECT_GE(minor, 60);

    // The step doubles until one step holds its widest label and a digit. On 60 pixels a
    // 20-unit step is 12 pixels, narrower than "20" and a "0" (18 pixels); 24 is not. With
    // every text 20 pixels wide, 24 is still short of 40 and 48 is not.
    const auto wide = horizontalTicks(*range, 60, sixPerChar);
    EXPECT_EQ(labelsOf(wide), (std::vector<QString>{"0", "40", "80"}));
    // Minor ticks follow the doubled step: five per 40 units.
    ASSERT_GE(wide.minors.size(), 2u);
    EXPECT_EQ(wide.minors[1], range->pixelOf(60, 8));
    const auto narrow = horizontalTicks(*range, 60, [](const QString&) { return 20; });
    EXPECT_EQ(labelsOf(narrow), (std::vector<QString>{"0", "80"}));
    // A wider label is measured, not assumed: "1.2345678E7" needs a larger step than "0.000".
    const auto big = horizontalTicks(*newRange(12345670, 12345690), 300, sixPerChar);
    for (std::size_t k = 1; k < big.majors.size(); ++k)
        EXPECT_GE(big.majors[k].pixel - big.majors[k - 1].pixel, 6 * 11 + 6);
}

TEST(AxisHorizontalTicks, HostileRangesEndAndStayBounded) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const double ranges[][2] = {
        {0, 0},
        {nan, nan},
        {0, inf},
        {-1e308, 1e308},
        {0, 1.7e308},
        {1e15, 1e15 + 0.001},
        {1e15, 1e15 + 0.25},  // two units in the last place: adding the step changes nothing
        {0, 5e-323},
    };
    const TTextWidth widths[] = {sixPerChar, [](const QString&) { return 0; },
                                 [](const QString&) { return INT_MAX; }, nullptr};
    for (const auto& r : ranges) {
        const auto range = newRange(r[0], r[1]);
        for (const int width : {0, 1, 2, 600}) {
            for (const auto& textWidth : widths) {
                const auto ticks = horizontalTicks(*range, width, textWidth);
                EXPECT_LE(ticks.majors.size(), static_cast<std::size_t>(width));
                EXPECT_LE(ticks.minors.size(), static_cast<std::size_t>(width));
            }
        }
    }
}

// Horizontal axes show their range (a major tick at 20 on pixel 120, a minor one at 4 on pixel
// 24), vertical ones the relative scale (major at row 0, minor at row 10).
TEST(AxisPaint, BorderOnThePlotSideTicksAndLabelsAwayFromIt) {
    // The pixel at a along the axis and d away from the border is origin + along * a + depth * d.
    const struct {
        TAxisType type;
        QSize size;
        QPoint origin, along, depth;
    } cases[] = {
        {TAxisType::Bottom, {600, 40}, {0, 0}, {1, 0}, {0, 1}},
        {TAxisType::Left, {40, 200}, {39, 0}, {0, 1}, {-1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        const bool horizontal = c.along.x() == 1;
        TAxis axis;
        axis.setAxisType(c.type);
        axis.resize(c.size);
        const int major = horizontal ? expectedPixels(axis.logicalDpiY(), 0.1) : 5;
        const int minor = horizontal ? expectedPixels(axis.logicalDpiY(), 0.05) : 3;
        ASSERT_GT(major, minor);
        QImage image(axis.size(), QImage::Format_RGB32);  // over white, as on its pane
        image.fill(Qt::white);
        axis.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const auto ink = [&](int a, int d) {
            const QPoint p = c.origin + c.along * a + c.depth * d;
            return qGray(image.pixel(p)) < 128;
        };
        for (const int a : {0, 30, 77, 199}) EXPECT_TRUE(ink(a, 0)) << a;
        EXPECT_TRUE(ink(horizontal ? 120 : 0, major - 1));
        const int minorAt = horizontal ? 24 : 10;
        EXPECT_TRUE(ink(minorAt, minor - 1));
        EXPECT_FALSE(ink(minorAt, minor));
        EXPECT_FALSE(ink(minorAt + 12, 2));  // between two minor ticks
        if (!horizontal) {
            EXPECT_FALSE(ink(0, major));
            // The "3/4" label lies inside the control, beyond the ticks.
            const QRect label(c.type == TAxisType::Left ? 0 : 5, 30, 35, 25);
            EXPECT_TRUE(inkBox(image, label).isValid());
        }
    }
}

TEST(AxisRange, SubscriptionIsRemovedOnlyWhereItIsStillTheAxis) {
    const auto first = newRange(0, 10);
    const auto second = newRange(0, 10);
    const auto redirected = newRange(0, 10);
    TConnection manager;
    int managerCalls = 0;
    {
        TAxis axis;
        axis.setRange(first);
        EXPECT_EQ(first->changed.connectionCount(), 1);
        axis.setRange(second);
        EXPECT_EQ(first->changed.connectionCount(), 0);  // the axis no longer shows it
        EXPECT_EQ(second->changed.connectionCount(), 1);

        TAxis other;
        other.setRange(redirected);
        // A spectra manager listens to the shared range as well.
        manager = redirected->changed.connect([&managerCalls](TRange&) { ++managerCalls; });
    }
    EXPECT_EQ(second->changed.connectionCount(), 0);
    ASSERT_EQ(redirected->changed.connectionCount(), 1);
    redirected->setMin(1);
    EXPECT_EQ(managerCalls, 1);
}

TEST(AxisThick, InchesGiveTheCrossSizeAndAreReappliedUnchanged) {
    TAxis axis;
    axis.resize(300, 50);
    axis.setThick(0.3);
    EXPECT_EQ(axis.height(), expectedPixels(axis.logicalDpiY(), 0.3));
    axis.resize(300, 7);
    axis.setThick(0.3);  // the same value still resizes: the pane relies on it after a resize
    EXPECT_EQ(axis.height(), expectedPixels(axis.logicalDpiY(), 0.3));
}

TEST(FontPainter, ReferencePointFollowsTheAlignmentFlags) {
    TFontEx font;
    font.size = -20;  // pixels, independent of the screen resolution
    font.color = colors::black;
    const int width = measureText("HHH", font).cx;
    const int descent = QFontMetrics(toQFont(font)).descent();
    // The inked box of "HHH" drawn at (100, 100).
    const auto inkAt = [&](int align) {
        font.textAlign = align;
        const QImage image = drawn("HHH", font, 100, 100);
        return inkBox(image, image.rect());
    };
    const QRect leftTop = inkAt(textAlignLeft + textAlignTop);
    EXPECT_GE(leftTop.left(), 100);
    EXPECT_LE(leftTop.left(), 104);
    EXPECT_GE(leftTop.top(), 100);
    const QRect rightBottom = inkAt(textAlignRight + textAlignBottom);
    EXPECT_LT(rightBottom.right(), 100);
    EXPECT_GE(rightBottom.right(), 95);
    EXPECT_LT(rightBottom.bottom(), 100 - descent + 1);
    const QRect centreBaseline = inkAt(textAlignCenter + textAlignBaseline);
    EXPECT_NEAR(centreBaseline.center().x(), 100, 3);
    EXPECT_NEAR(centreBaseline.width(), width, 6);
    EXPECT_LE(centreBaseline.bottom(), 100);  // "H" stands on the baseline
    EXPECT_GE(centreBaseline.bottom(), 97);
}

TEST(FontPainter, EscapementTurnsCounterClockwiseAboutTheReferencePointInTheFontColour) {
    TFontEx font;
    font.size = -20;
    font.color = TColor::fromRgb(255, 0, 0);
    font.escapement = 900;
    const TSize extent = measureText("HHHH", font);
    const QImage image = drawn("HHHH", font, 100, 150);
    // Reading upward from (100, 150): the tops of the letters face left, so with the reference
    // point at the top of the text cell the text lies right of x = 100 and above y = 150.
    const QRect box = inkBox(image, image.rect());
    ASSERT_TRUE(box.isValid());
    EXPECT_GE(box.left(), 100);
    EXPECT_LE(box.right(), 100 + extent.cy);
    EXPECT_LE(box.bottom(), 150);
    EXPECT_GE(box.top(), 150 - extent.cx - 1);
    EXPECT_GT(box.height(), 2 * box.width());
    // Drawn in red, not in the painter's black: every touched pixel has more red than green.
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (const QRgb p = image.pixel(x, y); p != qRgb(255, 255, 255)) {
                ASSERT_GT(qRed(p), qGreen(p)) << x << ", " << y;
            }
}
