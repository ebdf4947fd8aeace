// Measuring the m/z distance between two peaks: the numbers, their text and the tool that
// drags a measurement out on a plot.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "display/SpectrumTool.h"
#include "model/FloatPoint.h"

// Mass of one extra neutron-bearing isotope step (13C - 12C) and of a proton, in daltons.
inline constexpr double isotopeStep = 1.003355;
inline constexpr double protonMass = 1.007276;
// The highest charge the spacing is read as; a smaller spacing tells no charge.
inline constexpr int highestCharge = 100;

// One end of a measurement: the peak the pointer snapped to, else the pointer's own world
// position.
struct TMeasureEnd {
    TFloatPointRec point;  // world: m/z and intensity
    bool onPeak = false;

    friend bool operator==(const TMeasureEnd&, const TMeasureEnd&) = default;
};

// The distance from a first peak to a second one, read as an isotope spacing.
struct TMeasurement {
    TMeasureEnd from;
    TMeasureEnd to;

    // m/z of the second end less that of the first.
    double delta() const { return to.point.x - from.point.x; }
    // delta() in parts per million of the first end's m/z; none at m/z 0 or below.
    std::optional<double> ppm() const;
    // round(isotopeStep / |delta|) from 1 to highestCharge; none for a spacing that rounds to
    // 0 (wider than two steps), one too narrow, or one that is not a finite number.
    std::optional<int> charge() const;
    // The spacing charge z would give: isotopeStep / z.
    static double expectedDelta(int z) { return isotopeStep / z; }
    // |delta| less the expected spacing, in ppm of the first end's m/z.
    std::optional<double> chargeErrorPpm() const;
    // The neutral mass of the first end at that charge: (m/z - protonMass) * z.
    std::optional<double> neutralMass() const;

    // The whole measurement on one line, '.' as decimal separator whatever the locale:
    // "m/z 600.30000 to 600.63556: Δm/z 0.33556, 559.0 ppm; z = 3, expected Δ 0.33445,
    // 1.8 ppm; M = 1797.87817".
    std::string text() const;
    // The short form drawn over the bracket: "Δm/z 0.33556  z = 3  M 1797.8782".
    std::string label() const;

    friend bool operator==(const TMeasurement&, const TMeasurement&) = default;
};

// Draws measurement on the plot of mapping (its client rectangle, each end where the plot
// draws that peak): a horizontal bracket over the higher of the two ends with the short text
// on a light background, kept inside the plot, in ordinary colours (not inverted); between
// two peaks pointing down (see iWorldControl::pointsDown) the bracket hangs under the lower
// one. A pinned one is drawn in a quieter colour than the live one.
void paintMeasurement(QPainter& painter, const TMeasurement& measurement,
                      const iWorldControl& mapping, bool pinned = false);

// The end of a measurement at plot pixel (x, y): the nearest point of any series within
// tolerance pixels, as the read-out finds it, else the world position of the pixel.
TMeasureEnd measureEndAt(const iSpectrum& plot, int x, int y, int tolerance);

// Drags a measurement from the peak under the press to the one under the pointer; it stays
// on the plot after the release until the next press, a click without a drag (which leaves
// none), or clear(). It is drawn as a horizontal bracket over the higher of the two peaks
// with its short text, in ordinary colours (not inverted).
class TMeasureTool : public TSpectrumTool {
public:
    using TSpectrumTool::TSpectrumTool;

    // How far from a point, in pixels, an end still snaps to it.
    static constexpr int snapTolerance = 6;
    // A release nearer than this to the press, in pixels, is a click: the measurement goes.
    static constexpr int clickSlop = 3;

    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseMove(Qt::KeyboardModifiers modifiers, int x, int y) override;
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
    void paint(QPainter& painter) override;
    void cancelDrag() override;

    // Shown while dragging and after; none otherwise.
    const std::optional<TMeasurement>& measurement() const { return m_measurement; }
    // Takes the measurement off the plot.
    void clear();

    // Raised whenever the measurement appears, changes or goes.
    std::function<void()> onChange;

private:
    void setMeasurement(std::optional<TMeasurement> value);

    std::optional<TMeasurement> m_measurement;
    int m_pressX = 0;
    int m_pressY = 0;
};

iSpectrumToolPtr makeMeasureTool(iSpectrum& spectrum);
