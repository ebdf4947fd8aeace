// The axis control of a spectrum pane and the tick computation it draws from.
#pragma once

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "display/IntensityScale.h"
#include "model/Range.h"

class QPainter;

enum class TAxisType { Left, Right, Top, Bottom };

// Major tick spacing of a numeric scale: the first tick value (Min truncated toward zero to a
// multiple of the step, so it may lie one step outside the range), the step, 1 or 2 times a
// power of ten and at most a third of the range, and the digits after the '.' that the step
// needs.
struct TTickStep {
    double first = 0.0;
    double step = 0.0;
    int decimals = 0;

    friend bool operator==(const TTickStep&, const TTickStep&) = default;
};

// No step for an empty, inverted or infinite range (or one so small that no step is left).
std::optional<TTickStep> calcTicks(double min, double max);

// The label of tick value value on a scale whose ticks are multiples of step (1 or 2 times a
// power of ten): every digit down to the step's last one and no further, so that neighbouring
// ticks never read the same. Fixed notation ("10000.002"), exponent notation ("1.5E15",
// "1.2345678E7") where the integer part needs more than 7 digits; at most 17 significant
// digits, all a double holds.
QString tickLabel(double value, double step);

// Width of a text in pixels with the font it will be drawn in.
using TTextWidth = std::function<int(const QString& text)>;

struct TMajorTick {
    int pixel = 0;
    QString label;
};

// The ticks of a numeric scale, pixels along the axis. Positions may lie outside the axis
// (a major tick left of Min carries the minor ticks up to the first major inside); painting
// clips them.
struct TAxisTicks {
    std::vector<TMajorTick> majors;
    std::vector<int> minors;  // five per major step, the first on the major tick
};

// Ticks of range over an axis of width pixels. The step doubles until one step is wider than
// the widest of its labels, as textWidth measures them, by the width of a "0", so centred
// labels neither touch nor overlap. An empty, inverted or non-finite range, a
// step narrower than a pixel's worth of doubling or a tick value that no longer changes when
// the step is added ends the scale early; there are never more major or minor ticks than
// pixels.
TAxisTicks horizontalTicks(const TRange& range, int width, const TTextWidth& textWidth);

struct TScaleTick {
    int pixel = 0;
    bool major = false;  // long tick (every fifth)
};

struct TScaleLabel {
    int pixel = 0;  // baseline
    QString text;
};

// The relative scale of a vertical axis of height pixels: 21 ticks dividing it in twenty (the
// last one at height itself) and the labels "1/4", "1/2" and "3/4" from the bottom up.
struct TRelativeScale {
    std::vector<TScaleTick> ticks;
    std::vector<TScaleLabel> labels;
};
TRelativeScale relativeScale(int height);

// What a vertical axis shows of its range, the plot's world y range: the scale kind and the
// mapping the plot draws with (log floor, percent base, mirror).
struct TYAxisScale {
    TIntensityScale kind = TIntensityScale::Fractions;
    TYMapping mapping;

    friend bool operator==(const TYAxisScale& a, const TYAxisScale& b) {
        return a.kind == b.kind && a.mapping.log == b.mapping.log &&
               a.mapping.logFloor == b.mapping.logFloor && a.mapping.mirror == b.mapping.mirror &&
               a.mapping.percentBase == b.mapping.percentBase;
    }
};

// The numeric ticks of a vertical axis of height pixels (pixel 0 at the top) showing range
// as scale says, majors at least minSpacing pixels apart:
// - Absolute: multiples of 1, 2 or 5 times a power of ten (see calcTicks, steps doubled until
//   they are far enough apart); numbers whose largest tick needs 10^5 or more, or lies below
//   10^-2, show their mantissa and the common power of ten once in exponent ("×10⁶").
// - Relative: the same in percent of the mapping's percent base (Absolute without one).
// - Log: the decades 10^k from the floor up, with 2 and 5 times them when fewer than three
//   decades show; minors at 2..9 times each decade.
// - A mirror: percent from -mirrorSpan to mirrorSpan, labelled by their size ("100" both ways).
// The pixels are those the plot draws the values at. Fractions give no ticks.
struct TVerticalTicks {
    std::vector<TMajorTick> majors;  // bottom up
    std::vector<int> minors;
    QString exponent;  // "×10⁶"; empty when the labels are the numbers themselves
};
TVerticalTicks verticalTicks(const TRange& range, int height, const TYAxisScale& scale,
                             int minSpacing);

// "10" followed by the exponent in superscript digits: "10⁶", "10⁻³".
QString powerOfTen(int exponent);

// How an axis is drawn, apart from the widget that shows it. Sizes in inches become pixels at
// dpiY logical dots per inch.
struct TAxisLook {
    TAxisType type = TAxisType::Bottom;
    QString caption;
    bool border = true;
    // Horizontal axes: not drawn; when set, the ticks move one text line away from the plot.
    // Vertical axes with numbers: drawn upward, centred along the axis at its outer edge,
    // when the axis is wide enough for it beside the numbers.
    QString title;
    TYAxisScale yScale;  // vertical axes only
    double mayorSizeInch = 0.1;
    double minorSizeInch = 0.05;
    QFont font;
    QColor color = Qt::black;  // lines and texts
    int dpiY = 96;
};

// Draws an axis of size pixels with its top-left corner at the painter's origin: the border
// line along the plot side, the caption at the far end and, for a horizontal axis, the numeric
// scale of range (none without a range), for a vertical one the scale yScale asks for (the
// relative fractions, or numbers of range with title and exponent). A tick label that would
// overlap the caption, the exponent or another label is left out. Draws only inside size when
// the painter clips there, as a widget's painter does.
void paintAxis(QPainter& painter, QSize size, const TAxisLook& look, const TRange* range);

// One axis beside the plot: the border line along the plot side, ticks with labels and the
// caption at the far end. A horizontal axis shows its range as a numeric scale, a vertical
// axis a relative scale of its height. The axis repaints when its range reports a change.
// Sizes given in inches use the widget's logical dots per inch.
class TAxis : public QWidget {
    Q_OBJECT

public:
    explicit TAxis(QWidget* parent = nullptr);
    ~TAxis() override;

    const TRangePtr& range() const { return m_range; }
    // Takes the range and listens to it, repainting on each change, until another range
    // replaces it or the axis goes.
    void setRange(TRangePtr range);

    TAxisType axisType() const { return m_axisType; }
    void setAxisType(TAxisType type);
    bool isHorizontal() const;  // Top or Bottom

    // Text at the far end of the axis; a vertical axis writes it upward.
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    // Line along the side that touches the plot.
    bool hasBorder() const { return m_border; }
    void setBorder(bool border);
    // See TAxisLook::title.
    QString title() const { return m_title; }
    void setTitle(const QString& title);
    // What a vertical axis shows; the relative fractions to begin with.
    const TYAxisScale& yScale() const { return m_yScale; }
    void setYScale(const TYAxisScale& scale);

    // Thickness in inches: the height of a horizontal axis, the width of a vertical one. Setting
    // it always applies it, also with the current value (the pane does so after a resize).
    double thick() const { return m_thick; }
    void setThick(double inches);
    // Tick lengths in inches, numeric scale only.
    double mayorSizeInch() const { return m_mayorSizeInch; }
    void setMayorSizeInch(double inches);
    double minorSizeInch() const { return m_minorSizeInch; }
    void setMinorSizeInch(double inches);

    // What paintAxis needs of this axis: its properties, font, text colour and dpi.
    TAxisLook look() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int inchesToPixels(double inches, int dpi) const;

    TRangePtr m_range;
    TConnection m_rangeChange;
    TAxisType m_axisType = TAxisType::Bottom;
    QString m_caption;
    bool m_border = true;
    QString m_title;
    TYAxisScale m_yScale;
    double m_thick = 0.3;
    double m_mayorSizeInch = 0.1;
    double m_minorSizeInch = 0.05;
};
