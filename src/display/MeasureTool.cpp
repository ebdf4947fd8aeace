// The numbers of a measurement between two peaks, and the tool that drags it out and draws it.
#include "display/MeasureTool.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "display/Cursors.h"
#include "display/Readout.h"

namespace {

void appendFixed(std::string& out, double value, int decimals) {
    if (!std::isfinite(value)) {
        out += std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
        return;
    }
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    out.append(buffer, result.ptr);
}

// Isotope spacings need the fourth and fifth decimal of an m/z.
constexpr int mzDecimals = 5;

}  // namespace

// --- the numbers -----------------------------------------------------------------------------

std::optional<double> TMeasurement::ppm() const {
    const double base = from.point.x;
    if (!(base > 0.0) || !std::isfinite(base) || !std::isfinite(delta())) return std::nullopt;
    return delta() / base * 1e6;
}

std::optional<int> TMeasurement::charge() const {
    const double spacing = std::fabs(delta());
    if (!(spacing > 0.0) || !std::isfinite(spacing)) return std::nullopt;
    const double z = std::round(isotopeStep / spacing);
    if (z < 1.0 || z > highestCharge) return std::nullopt;
    return static_cast<int>(z);
}

std::optional<double> TMeasurement::chargeErrorPpm() const {
    const auto z = charge();
    const double base = from.point.x;
    if (!z || !(base > 0.0) || !std::isfinite(base)) return std::nullopt;
    return (std::fabs(delta()) - expectedDelta(*z)) / base * 1e6;
}

std::optional<double> TMeasurement::neutralMass() const {
    const auto z = charge();
    if (!z || !std::isfinite(from.point.x)) return std::nullopt;
    return (from.point.x - protonMass) * *z;
}

std::string TMeasurement::text() const {
    std::string out = "m/z ";
    appendFixed(out, from.point.x, mzDecimals);
    out += " to ";
    appendFixed(out, to.point.x, mzDecimals);
    out += ": \u0394m/z ";
    appendFixed(out, delta(), mzDecimals);
    if (const auto p = ppm()) {
        out += ", ";
        appendFixed(out, *p, 1);
        out += " ppm";
    }
    const auto z = charge();
    if (!z) return out + "; no isotope charge";
    out += "; z = " + std::to_string(*z) + ", expected \u0394 ";
    appendFixed(out, expectedDelta(*z), mzDecimals);
    if (const auto error = chargeErrorPpm()) {
        out += ", ";
        appendFixed(out, *error, 1);
        out += " ppm";
    }
    if (const auto mass = neutralMass()) {
        out += "; M = ";
        appendFixed(out, *mass, mzDecimals);
    }
    return out;
}

std::string TMeasurement::label() const {
    std::string out = "\u0394m/z ";
    appendFixed(out, delta(), mzDecimals);
    const auto z = charge();
    if (!z) return out;
    out += "  z = " + std::to_string(*z);
    if (const auto mass = neutralMass()) {
        out += "  M ";
        appendFixed(out, *mass, 4);
    }
    return out;
}

TMeasureEnd measureEndAt(const iSpectrum& plot, int x, int y, int tolerance) {
    if (const auto readout = findReadout(plot, x, y, tolerance)) return {readout->point, true};
    return {plot.deviceToWorld(x, y), false};
}

// --- the tool --------------------------------------------------------------------------------

void TMeasureTool::mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x,
                             int y) {
    TSpectrumTool::mouseDown(button, modifiers, x, y);
    if (!m_spectrum || button != Qt::LeftButton) {
        m_down = false;
        return;
    }
    m_pressX = x;
    m_pressY = y;
    const TMeasureEnd start = measureEndAt(*m_spectrum, x, y, snapTolerance);
    setMeasurement(TMeasurement{start, start});
}

void TMeasureTool::mouseMove(Qt::KeyboardModifiers, int x, int y) {
    if (!m_down || !m_spectrum || !m_measurement) return;
    TMeasurement next = *m_measurement;
    next.to = measureEndAt(*m_spectrum, x, y, snapTolerance);
    setMeasurement(next);
}

void TMeasureTool::mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) {
    if (!m_down || button != Qt::LeftButton) return;
    mouseMove(modifiers, x, y);
    m_down = false;
    // A click (no drag) only takes the last measurement away.
    if (std::abs(x - m_pressX) < clickSlop && std::abs(y - m_pressY) < clickSlop) clear();
}

void TMeasureTool::cancelDrag() {
    if (m_down) clear();
    TSpectrumTool::cancelDrag();
}

void TMeasureTool::clear() {
    setMeasurement(std::nullopt);
}

void TMeasureTool::setMeasurement(std::optional<TMeasurement> value) {
    if (value == m_measurement) return;
    m_measurement = std::move(value);
    if (m_spectrum) m_spectrum->invalidate();
    if (onChange) onChange();
}

// The bracket stands gap pixels over the higher end, clear of a peak label there; its legs end
// legGap pixels over each end, so that they do not run through the peaks' labels. Under peaks
// pointing down all of it is turned over: the bracket under the lower end, the text under it.
void paintMeasurement(QPainter& painter, const TMeasurement& measurement,
                      const iWorldControl& mapping, bool pinned) {
    constexpr int gap = 22;
    constexpr int legGap = 16;
    const TRect client = mapping.clientRect();
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    if (w <= 0 || h <= 0) return;
    const auto pixel = [&](const TMeasureEnd& end) {
        const TPoint p = mapping.worldToDevice(end.point.x, end.point.y);
        return TPoint{std::clamp(p.x, 0, w - 1), std::clamp(p.y, 0, h - 1)};
    };
    const TPoint a = pixel(measurement.from);
    const TPoint b = pixel(measurement.to);
    const bool down = mapping.pointsDown(measurement.from.point.x, measurement.from.point.y) &&
                      mapping.pointsDown(measurement.to.point.x, measurement.to.point.y);

    QFont font;
    font.setPixelSize(11);
    const QFontMetrics metrics(font);
    const QString text = QString::fromStdString(measurement.label());
    const int textHeight = metrics.height();
    const int room = std::min(textHeight + 3, h - 1);
    const int bracket = down ? std::clamp(std::max(a.y, b.y) + gap, 0, std::max(0, h - 1 - room))
                             : std::clamp(std::min(a.y, b.y) - gap, room, h - 1);
    // The legs run from the bracket towards each end and stop legGap short of it.
    const auto legEnd = [&](const TPoint& end) {
        return down ? std::min(bracket, end.y + legGap) : std::max(bracket, end.y - legGap);
    };

    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink = pinned ? QColor(0, 110, 110) : QColor(150, 0, 110);
    painter.setPen(QPen(ink, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(a.x, bracket, b.x, bracket);
    painter.drawLine(a.x, bracket, a.x, legEnd(a));
    painter.drawLine(b.x, bracket, b.x, legEnd(b));

    const int textWidth = metrics.horizontalAdvance(text) + 6;
    const int left = std::clamp((a.x + b.x) / 2 - textWidth / 2, 0, std::max(0, w - textWidth));
    const int boxTop = down ? std::min(bracket + 2, std::max(0, h - textHeight))
                            : std::max(0, bracket - 2 - textHeight);
    const QRect box(left, boxTop, textWidth, textHeight);
    painter.fillRect(box, QColor(255, 255, 255, 225));
    painter.setFont(font);
    painter.drawText(box, Qt::AlignCenter, text);
    painter.restore();
}

void TMeasureTool::paint(QPainter& painter) {
    if (!m_measurement || !m_spectrum) return;
    paintMeasurement(painter, *m_measurement, *m_spectrum);
}

iSpectrumToolPtr makeMeasureTool(iSpectrum& spectrum) {
    auto tool = std::make_shared<TMeasureTool>(spectrum);
    tool->setCursor(cursors::crossHair);
    return tool;
}
