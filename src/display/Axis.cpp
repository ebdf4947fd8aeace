// The axis control: tick steps, labels, the two kinds of scale and their painting.
#include "display/Axis.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <system_error>

#include "display/FontPainter.h"
#include "model/FontEx.h"
#include "model/Rounding.h"

namespace {

// A pen moved from (x1, y1) to (x2, y2): the end pixel is not drawn, so a tick of n pixels
// covers exactly n pixels. Only horizontal and vertical lines are needed.
void penLine(QPainter& painter, int x1, int y1, int x2, int y2) {
    if (x1 == x2 && y1 == y2) return;
    const auto towardStart = [](int from, int to) {
        return to > from ? to - 1 : to < from ? to + 1 : to;
    };
    painter.drawLine(x1, y1, towardStart(x1, x2), towardStart(y1, y2));
}

// Tick lengths and thicknesses: a whole number of pixels, none for a negative or undefined
// size.
int inchPixels(double inches, int dpi) {
    const double pixels = roundHalfEven(dpi * inches);
    if (!(pixels > 0.0)) return 0;
    return pixels >= QWIDGETSIZE_MAX ? QWIDGETSIZE_MAX : static_cast<int>(pixels);
}

bool hasNonZeroDigit(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '1' && c <= '9'; });
}

}  // namespace

std::optional<TTickStep> calcTicks(double min, double max) {
    const double size = max - min;
    // Also refuses NaN: every comparison with it is false.
    if (!(size > 0.0) || !std::isfinite(size) || !std::isfinite(min)) return std::nullopt;

    double step = 1.0;
    while (size > step && std::isfinite(step * 10.0)) step *= 10.0;
    // The largest 1 or 2 times a power of ten that is at most a third of the range.
    while (size / 3.0 < step && step > 0.0) {
        step /= 5.0;
        if (size / 3.0 < step) step /= 2.0;
    }
    if (!(step > 0.0)) return std::nullopt;  // a range of a few denormals

    const double first = std::trunc(min / step) * step;
    if (!std::isfinite(first)) return std::nullopt;
    int decimals = 0;
    for (double s = step; s < 1.0; s *= 10.0) ++decimals;
    return TTickStep{first, step, decimals};
}

QString tickLabel(double value, double step) {
    if (!std::isfinite(value)) return {};
    // The power of ten of the step's only significant digit; the small allowance keeps 0.001
    // stored as 0.000999... at -3.
    const int last = std::isfinite(step) && step > 0.0
                         ? static_cast<int>(std::floor(std::log10(step) + 1e-9))
                         : 0;
    const int decimals = std::clamp(-last, 0, 350);

    // The exponent the value shows once rounded to the step's digits.
    char fixed[400];
    const auto fixedEnd =
        std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed, decimals);
    std::string text(fixed, fixedEnd.ptr);
    double rounded = 0.0;
    std::from_chars(fixed, fixedEnd.ptr, rounded);
    const int exponent =
        rounded != 0.0 ? static_cast<int>(std::floor(std::log10(std::abs(rounded)))) : 0;

    if (exponent >= 7) {
        const int digits = std::clamp(exponent - last, 0, 16);
        char sci[48];
        const auto sciEnd =
            std::to_chars(sci, sci + sizeof sci, rounded, std::chars_format::scientific, digits);
        const std::string scientific(sci, sciEnd.ptr);
        const auto e = scientific.find('e');
        int shown = 0;
        std::from_chars(scientific.data() + e + 1 + (scientific[e + 1] == '+' ? 1 : 0),
                        scientific.data() + scientific.size(), shown);
        std::string mantissa = scientific.substr(0, e);
        if (mantissa.find('.') != std::string::npos) {
            mantissa.erase(mantissa.find_last_not_of('0') + 1);
            if (mantissa.back() == '.') mantissa.pop_back();
        }
        return QString::fromStdString(mantissa + 'E' + std::to_string(shown));
    }

    if (!text.empty() && text.front() == '-' && !hasNonZeroDigit(text)) text.erase(0, 1);
    return QString::fromStdString(text);
}

TAxisTicks horizontalTicks(const TRange& range, int width, const TTextWidth& textWidth) {
    TAxisTicks ticks;
    if (width <= 0) return ticks;
    const auto calc = calcTicks(range.min(), range.max());
    if (!calc) return ticks;

    // Tick values as First + i * Step (no error piles up); a value that no longer grows ends
    // the scale: far from zero, a tiny step vanishes in the rounding of the sum. Labels keep
    // the digits of the first step: doubling it needs no further ones.
    const auto limit = static_cast<std::size_t>(width);
    const auto eachTick = [&](double step, const auto& visit) {
        double previous = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < limit; ++i) {
            const double t = calc->first + static_cast<double>(i) * step;
            if (!(range.max() > t) || !(t > previous)) break;
            previous = t;
            visit(t);
        }
    };
    const auto label = [&](double t) { return tickLabel(t, calc->step); };

    // Pixels per step in floating point: a difference of two pixel positions would overflow or
    // saturate far away from the range. A step holds its widest label and a digit's gap.
    double step = calc->step;
    double stepPixels = step * (width - 1.0) / range.size();
    if (textWidth) {
        const double gap = textWidth(QStringLiteral("0"));
        for (;;) {
            // Steps narrower than a pixel hold no label: no need to measure them.
            double needed = 1.0;
            if (stepPixels >= 1.0) {
                int widest = 0;
                eachTick(step, [&](double t) { widest = std::max(widest, textWidth(label(t))); });
                needed = static_cast<double>(widest) + gap;
            }
            if (roundHalfEven(stepPixels) >= needed) break;
            if (!(stepPixels > 0.0)) return ticks;  // no doubling ever makes the step visible
            stepPixels *= 2.0;
            step *= 2.0;
            if (!std::isfinite(step) || !std::isfinite(stepPixels)) return ticks;
        }
    }

    eachTick(step, [&](double t) {
        if (ticks.majors.size() >= limit) return;
        ticks.majors.push_back({range.pixelOf(width, t), label(t)});
        for (int k = 0; k < 5 && ticks.minors.size() < limit; ++k) {
            const double m = t + k * step / 5.0;
            if (!(m < t + step)) break;
            ticks.minors.push_back(range.pixelOf(width, m));
        }
    });
    return ticks;
}

TRelativeScale relativeScale(int height) {
    TRelativeScale scale;
    if (height < 0) return scale;
    for (int i = 0; i <= 20; ++i)
        scale.ticks.push_back({static_cast<int>(roundHalfEven(i * height / 20.0)), i % 5 == 0});
    scale.labels.push_back(
        {static_cast<int>(roundHalfEven(3.0 * height / 4.0)), QStringLiteral("1/4")});
    scale.labels.push_back({height / 2, QStringLiteral("1/2")});
    scale.labels.push_back({height / 4, QStringLiteral("3/4")});
    return scale;
}

QString powerOfTen(int exponent) {
    static const char16_t* digits[] = {u"⁰", u"¹", u"²", u"³", u"⁴",
                                       u"⁵", u"⁶", u"⁷", u"⁸", u"⁹"};
    QString text = QStringLiteral("10");
    if (exponent < 0) text += QChar(0x207B);  // superscript minus
    const std::string magnitude = std::to_string(std::abs(static_cast<long long>(exponent)));
    for (const char c : magnitude) text += QString::fromUtf16(digits[c - '0']);
    return text;
}

namespace {

// The smallest 1, 2 or 5 times a power of ten at least raw; none for a raw step that is not
// a positive finite number.
std::optional<double> niceStep(double raw) {
    if (!(raw > 0.0) || !std::isfinite(raw)) return std::nullopt;
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * decade >= raw * (1.0 - 1e-9)) return m * decade;
    return 10.0 * decade;
}

// Linear ticks of display values lo..hi (lo < hi) on an axis of height pixels, majors at least
// minSpacing apart; pixelOf maps a display value to its pixel, label writes one.
template <class Pixel, class Label>
void linearTicks(TVerticalTicks& ticks, double lo, double hi, int height, int minSpacing,
                 const Pixel& pixelOf, const Label& label) {
    const int room = std::max(1, (height - 1) / std::max(1, minSpacing));
    const auto step = niceStep((hi - lo) / room);
    if (!step) return;
    const double first = std::ceil(lo / *step - 1e-9) * *step;
    // Far more ticks than pixels would mean a step lost in rounding: none then.
    const double count = (hi - first) / *step;
    if (!(count >= 0.0) || count > height) return;
    for (int i = 0; i <= static_cast<int>(count) + 1; ++i) {
        const double t = first + i * *step;
        if (t > hi + *step * 1e-9) break;
        ticks.majors.push_back({pixelOf(t), label(t == 0.0 ? 0.0 : t, *step)});
    }
    const double minorStep = *step / 5.0;
    const double firstMinor = std::ceil(lo / minorStep - 1e-9) * minorStep;
    for (int i = 0; i <= 5 * (static_cast<int>(count) + 2); ++i) {
        const double t = firstMinor + i * minorStep;
        if (t > hi + minorStep * 1e-9) break;
        ticks.minors.push_back(pixelOf(t));
    }
}

}  // namespace

TVerticalTicks verticalTicks(const TRange& range, int height, const TYAxisScale& scale,
                             int minSpacing) {
    TVerticalTicks ticks;
    if (height < 2 || scale.kind == TIntensityScale::Fractions) return ticks;
    const TYMapping& mapping = scale.mapping;
    const TRangePtr display = displayYRange(range, mapping);
    const double lo = display->min();
    const double hi = display->max();
    if (!(hi > lo) || !std::isfinite(lo) || !std::isfinite(hi)) return ticks;
    const auto pixel = [&](double d) { return display->pixelOf(height, d); };

    if (mapping.mirror) {
        linearTicks(ticks, lo, hi, height, minSpacing, pixel,
                    [](double t, double step) { return tickLabel(std::abs(t), step); });
        return ticks;
    }
    if (mapping.log) {
        const int low = static_cast<int>(std::ceil(lo - 1e-9));
        const int high = static_cast<int>(std::floor(hi + 1e-9));
        if (high - low > height) return ticks;
        const bool fine = high - low < 2;
        for (int k = low - 1; k <= high; ++k) {
            for (int m = 1; m <= 9; ++m) {
                const double d = k + std::log10(static_cast<double>(m));
                if (d < lo - 1e-9 || d > hi + 1e-9) continue;
                if (m == 1) {
                    ticks.majors.push_back({pixel(d), powerOfTen(k)});
                } else if (fine && (m == 2 || m == 5)) {
                    ticks.majors.push_back(
                        {pixel(d), QString::number(m) + QChar(0x00D7) + powerOfTen(k)});
                } else {
                    ticks.minors.push_back(pixel(d));
                }
            }
        }
        return ticks;
    }
    if (scale.kind == TIntensityScale::Relative && mapping.percentBase > 0.0) {
        const double base = mapping.percentBase;
        linearTicks(
            ticks, lo * 100.0 / base, hi * 100.0 / base, height, minSpacing,
            [&](double percent) { return pixel(percent * base / 100.0); },
            [](double t, double step) { return tickLabel(t, step); });
        return ticks;
    }
    // Absolute: one power of ten for all labels when they would be long.
    const double largest = std::max(std::abs(lo), std::abs(hi));
    int exponent = 0;
    if (largest >= 1e5 || (largest > 0.0 && largest < 1e-2))
        exponent = static_cast<int>(std::floor(std::log10(largest)));
    const double unit = std::pow(10.0, exponent);
    linearTicks(ticks, lo, hi, height, minSpacing, pixel,
                [unit](double t, double step) { return tickLabel(t / unit, step / unit); });
    if (exponent != 0) ticks.exponent = QChar(0x00D7) + powerOfTen(exponent);
    return ticks;
}

TAxis::TAxis(QWidget* parent) : QWidget(parent) {
    resize(50, 50);
    setRange(newRange(0, 100));
}

TAxis::~TAxis() = default;

void TAxis::setRange(TRangePtr range) {
    m_range = std::move(range);
    m_rangeChange =
        m_range ? m_range->changed.connect([this](TRange&) { update(); }) : TConnection();
    update();
}

void TAxis::setAxisType(TAxisType type) {
    if (type == m_axisType) return;
    m_axisType = type;
    update();
}

bool TAxis::isHorizontal() const {
    return m_axisType == TAxisType::Top || m_axisType == TAxisType::Bottom;
}

void TAxis::setCaption(const QString& caption) {
    if (caption == m_caption) return;
    m_caption = caption;
    update();
}

void TAxis::setBorder(bool border) {
    if (border == m_border) return;
    m_border = border;
    update();
}

void TAxis::setTitle(const QString& title) {
    if (title == m_title) return;
    m_title = title;
    update();
}

void TAxis::setYScale(const TYAxisScale& scale) {
    if (scale == m_yScale) return;
    m_yScale = scale;
    update();
}

void TAxis::setThick(double inches) {
    if (!std::isfinite(inches) || inches < 0.0) return;
    m_thick = inches;
    if (isHorizontal())
        resize(width(), inchesToPixels(inches, logicalDpiY()));
    else
        resize(inchesToPixels(inches, logicalDpiX()), height());
}

void TAxis::setMayorSizeInch(double inches) {
    if (inches == m_mayorSizeInch || !std::isfinite(inches)) return;
    m_mayorSizeInch = inches;
    update();
}

void TAxis::setMinorSizeInch(double inches) {
    if (inches == m_minorSizeInch || !std::isfinite(inches)) return;
    m_minorSizeInch = inches;
    update();
}

int TAxis::inchesToPixels(double inches, int dpi) const {
    return inchPixels(inches, dpi);
}

TAxisLook TAxis::look() const {
    TAxisLook look;
    look.type = m_axisType;
    look.caption = m_caption;
    look.border = m_border;
    look.title = m_title;
    look.yScale = m_yScale;
    look.mayorSizeInch = m_mayorSizeInch;
    look.minorSizeInch = m_minorSizeInch;
    look.font = font();
    look.color = palette().color(QPalette::WindowText);
    look.dpiY = logicalDpiY();
    return look;
}

void TAxis::paintEvent(QPaintEvent*) {
    try {
        QPainter painter(this);
        paintAxis(painter, size(), look(), m_range.get());
    } catch (...) {
        // An axis left half drawn is better than an event loop taken down.
    }
}

// --- painting --------------------------------------------------------------------------------

namespace {

// Where the caption of a horizontal axis stands (see paintAxis); null without one.
QRect captionRect(QSize size, const TAxisLook& look, const QFontMetrics& metrics) {
    if (look.caption.isEmpty()) return {};
    const int w = size.width();
    const int width = metrics.horizontalAdvance(look.caption);
    const int top = look.type == TAxisType::Top ? 0 : size.height() - metrics.height();
    return {w - width, top, width, metrics.height()};
}

void paintNumericScale(QPainter& painter, QSize size, const TAxisLook& look, const TRange& range,
                       int textHeight) {
    const int w = size.width();
    const int h = size.height();
    const bool top = look.type == TAxisType::Top;
    const int base = top ? (look.title.isEmpty() ? h - 1 : h - textHeight)
                         : (look.title.isEmpty() ? 0 : textHeight);
    const int direction = top ? -1 : 1;
    const int majorPixels = direction * inchPixels(look.mayorSizeInch, look.dpiY);
    const int minorPixels = direction * inchPixels(look.minorSizeInch, look.dpiY);
    const int labelAlign = textAlignCenter + (top ? textAlignBottom : textAlignTop);

    const QFontMetrics metrics(look.font);
    const auto ticks = horizontalTicks(
        range, w, [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
    // Ticks just outside may still show part of their label; far-off ones are skipped rather
    // than handed to the painter with saturated coordinates.
    const auto near = [w](int x) { return x >= -w && x <= 2 * w; };
    const int gap = metrics.horizontalAdvance(QLatin1Char('0'));
    const QRect caption = captionRect(size, look, metrics);
    long long lastRight = std::numeric_limits<int>::min();
    for (const auto& major : ticks.majors) {
        if (!near(major.pixel)) continue;
        penLine(painter, major.pixel, base, major.pixel, base + majorPixels);
        // A label cut at an edge would show another number ("200" as "0"): the label of a
        // tick outside the axis is left out, one of a tick near an edge is moved inside.
        if (major.pixel < 0 || major.pixel >= w) continue;
        const int labelWidth = metrics.horizontalAdvance(major.label);
        const int half = labelWidth / 2;
        const int x = std::max(std::min(major.pixel, w - 1 - half), std::min(half, w - 1));
        // Moved inside, a label may reach its neighbour: the later one is left out.
        const long long left = static_cast<long long>(x) - half;
        if (left < lastRight + gap) continue;
        // The caption at the far end keeps its room: a label reaching into it is left out.
        const int labelTop = top ? base + majorPixels - textHeight : base + majorPixels;
        if (!caption.isNull() &&
            caption.adjusted(-gap, 0, 0, 0)
                .intersects(QRect(static_cast<int>(left), labelTop, labelWidth, textHeight)))
            continue;
        lastRight = left + labelWidth;
        drawText(painter, x, base + majorPixels, major.label, look.font, look.color, labelAlign, 0);
    }
    for (const int minor : ticks.minors) {
        if (near(minor)) penLine(painter, minor, base, minor, base + minorPixels);
    }
}

void paintRelativeScale(QPainter& painter, QSize size, const TAxisLook& look) {
    const int w = size.width();
    const auto scale = relativeScale(size.height());
    // A left axis has its scale against its right edge, a right axis against its left edge:
    // both next to the plot, the labels inside the control.
    const bool right = look.type == TAxisType::Right;
    for (const auto& tick : scale.ticks) {
        const int length = tick.major ? 5 : 3;
        if (right)
            penLine(painter, 0, tick.pixel, length, tick.pixel);
        else
            penLine(painter, w - length, tick.pixel, w, tick.pixel);
    }
    for (const auto& label : scale.labels) {
        if (right)
            drawText(painter, 5, label.pixel, label.text, look.font, look.color,
                     textAlignLeft + textAlignBaseline, 0);
        else
            drawText(painter, w - 5, label.pixel, label.text, look.font, look.color,
                     textAlignRight + textAlignBaseline, 0);
    }
}

// Numbers beside a vertical axis: ticks against the plot side, labels right (left) aligned
// next to them and centred on their ticks, the exponent in the outer top corner, the title
// upward along the outer edge when there is room for it beside the widest label.
void paintVerticalNumbers(QPainter& painter, QSize size, const TAxisLook& look,
                          const TRange& range, const QFontMetrics& metrics) {
    const int w = size.width();
    const int h = size.height();
    const int textHeight = metrics.height();
    const bool right = look.type == TAxisType::Right;
    constexpr int majorLength = 5;
    constexpr int minorLength = 3;
    constexpr int labelGap = 2;
    const TVerticalTicks ticks = verticalTicks(range, h, look.yScale, 2 * textHeight);
    const auto tick = [&](int y, int length) {
        if (y < -1 || y > h) return;
        if (right)
            penLine(painter, 0, y, length, y);
        else
            penLine(painter, w - length, y, w, y);
    };
    for (const int minor : ticks.minors) tick(minor, minorLength);
    for (const auto& major : ticks.majors) tick(major.pixel, majorLength);

    QRect exponent;
    if (!ticks.exponent.isEmpty()) {
        const int width = metrics.horizontalAdvance(ticks.exponent);
        exponent = QRect(right ? w - width : 0, 0, width, textHeight);
        drawText(painter, exponent.left(), 0, ticks.exponent, look.font, look.color,
                 textAlignLeft + textAlignTop, 0);
    }
    const int labelEdge = majorLength + labelGap;  // from the plot side
    int widest = 0;
    std::vector<QRect> placed;
    for (const auto& major : ticks.majors) {
        if (major.pixel < 0 || major.pixel >= h) continue;
        const int width = metrics.horizontalAdvance(major.label);
        const int top = std::clamp(major.pixel - textHeight / 2, 0, std::max(0, h - textHeight));
        const QRect box(right ? labelEdge : w - labelEdge - width, top, width, textHeight);
        // The exponent's row holds nothing else: a number beside it would read as one with it.
        if (!exponent.isNull() && box.top() <= exponent.bottom()) continue;
        if (std::any_of(placed.begin(), placed.end(),
                        [&](const QRect& other) { return other.intersects(box); }))
            continue;
        placed.push_back(box);
        widest = std::max(widest, width);
        drawText(painter, box.left(), box.top(), major.label, look.font, look.color,
                 textAlignLeft + textAlignTop, 0);
    }

    if (look.title.isEmpty()) return;
    const int titleWidth = metrics.horizontalAdvance(look.title);
    const int below = exponent.isNull() ? 0 : exponent.bottom() + 1;
    const bool beside = textHeight + labelGap + widest + labelEdge <= w;
    if (!beside || titleWidth > h - below) return;
    // Reads upward, centred in the height the exponent leaves.
    const int bottom = below + (h - below + titleWidth) / 2;
    drawText(painter, right ? w - textHeight : 0, bottom, look.title, look.font, look.color,
             textAlignLeft + textAlignTop, 900);
}

}  // namespace

void paintAxis(QPainter& painter, QSize size, const TAxisLook& look, const TRange* range) {
    const int w = size.width();
    const int h = size.height();
    const QColor& color = look.color;
    const QFontMetrics metrics(look.font);
    const int textHeight = metrics.height();
    painter.setPen(QPen(color, 1));
    painter.setBrush(Qt::NoBrush);
    painter.setBackgroundMode(Qt::TransparentMode);

    if (look.border) {
        switch (look.type) {
            case TAxisType::Left:
                penLine(painter, w - 1, 0, w - 1, h);
                break;
            case TAxisType::Right:
                penLine(painter, 0, 0, 0, h);
                break;
            case TAxisType::Top:
                penLine(painter, 0, h - 1, w, h - 1);  // the last row inside, next to the plot
                break;
            case TAxisType::Bottom:
                penLine(painter, 0, 0, w, 0);
                break;
        }
    }

    if (!look.caption.isEmpty()) {
        const int captionWidth = metrics.horizontalAdvance(look.caption);
        const int topLeft = textAlignLeft + textAlignTop;
        switch (look.type) {
            case TAxisType::Left:  // reads upward, ending at the top
                drawText(painter, 0, captionWidth, look.caption, look.font, color, topLeft, 900);
                break;
            case TAxisType::Right:
                drawText(painter, w - textHeight, captionWidth, look.caption, look.font, color,
                         topLeft, 900);
                break;
            case TAxisType::Top:
                drawText(painter, w - captionWidth, 0, look.caption, look.font, color, topLeft, 0);
                break;
            case TAxisType::Bottom:
                drawText(painter, w - captionWidth, h - textHeight, look.caption, look.font, color,
                         topLeft, 0);
                break;
        }
    }

    if (look.type == TAxisType::Top || look.type == TAxisType::Bottom) {
        if (range) paintNumericScale(painter, size, look, *range, textHeight);
    } else if (look.yScale.kind == TIntensityScale::Fractions || !range) {
        paintRelativeScale(painter, size, look);
    } else {
        paintVerticalNumbers(painter, size, look, *range, metrics);
    }
}
