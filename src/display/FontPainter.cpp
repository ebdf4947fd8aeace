// Real fonts for TFontEx, the text-extent cache and aligned, rotated text output.
#include "display/FontPainter.h"

#include <QColor>
#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QPicture>

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>

#include "display/QtColor.h"

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What decides the extent of a text: colour, angle and alignment do not.
struct TMeasureKey {
    std::string text;
    std::string name;
    int size = 0;
    TFontStyles style;

    friend bool operator==(const TMeasureKey&, const TMeasureKey&) = default;
};

struct TMeasureKeyHash {
    std::size_t operator()(const TMeasureKey& key) const noexcept {
        std::size_t h = std::hash<std::string>{}(key.text);
        const auto mix = [&h](std::size_t v) {
            h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        };
        mix(std::hash<std::string>{}(key.name));
        mix(std::hash<int>{}(key.size));
        mix((key.style.bold ? 1u : 0u) | (key.style.italic ? 2u : 0u) |
            (key.style.underline ? 4u : 0u) | (key.style.strikeOut ? 8u : 0u));
        return h;
    }
};

// Labels and tick texts of all panes fit easily; texts that keep changing (a status read-out,
// a dragged label) would otherwise grow the table for ever, so it starts afresh when full.
constexpr std::size_t measureCacheLimit = 4096;

std::unordered_map<TMeasureKey, TSize, TMeasureKeyHash>& measureCache() {
    static std::unordered_map<TMeasureKey, TSize, TMeasureKeyHash> cache;
    return cache;
}

}  // namespace

QFont toQFont(const TFontEx& font) {
    QFont result(QString::fromStdString(font.name));
    if (font.size > 0)
        result.setPointSize(font.size);
    else if (font.size < 0)
        result.setPixelSize(-font.size);
    result.setBold(font.style.bold);
    result.setItalic(font.style.italic);
    result.setUnderline(font.style.underline);
    result.setStrikeOut(font.style.strikeOut);
    return result;
}

double layoutDpi() {
    // A picture has no device of its own: it reports the density fonts are measured at.
    return QPicture().logicalDpiY();
}

QFont fontForDevice(const QFont& font, const QPaintDevice* device) {
    const double points = font.pointSizeF();
    if (!device || points <= 0) return font;
    const int deviceDpi = device->logicalDpiY();
    if (deviceDpi <= 0 || deviceDpi == qRound(layoutDpi())) return font;
    QFont scaled = font;
    scaled.setPointSizeF(points * layoutDpi() / deviceDpi);
    return scaled;
}

namespace {

// Building a font and its metrics costs more than measuring a short text with them: the
// metrics of the font measured last are kept, with the advances of its ASCII characters
// measured so far (-1: not yet).
struct TLastFont {
    std::string name;
    int size = 0;
    TFontStyles style;
    std::optional<QFontMetrics> metrics;
    std::array<int, 128> advances{};
};

TLastFont& lastFont(const TFontEx& font) {
    // Never destroyed: fonts must not outlive the application object at exit.
    static auto* last = new TLastFont;
    if (!last->metrics || last->name != font.name || last->size != font.size ||
        !(last->style == font.style)) {
        last->metrics.emplace(toQFont(font));
        last->name = font.name;
        last->size = font.size;
        last->style = font.style;
        last->advances.fill(-1);
    }
    return *last;
}

}  // namespace

TSize measureText(std::string_view text, const TFontEx& font) {
    TMeasureKey key{std::string(text), font.name, font.size, font.style};
    auto& cache = measureCache();
    if (const auto found = cache.find(key); found != cache.end()) return found->second;

    const QFontMetrics& metrics = *lastFont(font).metrics;
    const TSize size{metrics.horizontalAdvance(fromUtf8(text)), metrics.height()};
    if (cache.size() >= measureCacheLimit) cache.clear();
    cache.emplace(std::move(key), size);
    return size;
}

int textWidthAtLeast(std::string_view text, const TFontEx& font) {
    TLastFont& last = lastFont(font);
    long long sum = 0;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= last.advances.size()) return 0;
        if (last.advances[u] < 0)
            last.advances[u] =
                std::max(0, last.metrics->horizontalAdvance(QLatin1Char(static_cast<char>(u))));
        sum += last.advances[u];
    }
    return static_cast<int>(std::min<long long>(sum / 2, std::numeric_limits<int>::max()));
}

void drawText(QPainter& painter, int x, int y, std::string_view text, const TFontEx& font) {
    drawText(painter, x, y, fromUtf8(text), toQFont(font), toQColor(font.color), font.textAlign,
             font.escapement);
}

void drawText(QPainter& painter, int x, int y, const QString& text, const QFont& font,
              const QColor& color, int textAlign, int escapement) {
    if (text.isEmpty()) return;
    painter.save();
    painter.setFont(fontForDevice(font, painter.device()));
    painter.setPen(color);
    painter.setBackgroundMode(Qt::TransparentMode);
    // Offsets are taken along the turned baseline: the reference point stays where it is.
    painter.translate(x, y);
    if (escapement % 3600 != 0) painter.rotate(-escapement / 10.0);  // Qt turns clockwise

    const QFontMetrics metrics = painter.fontMetrics();
    int dx = 0;
    switch (textAlign & textAlignCenter) {
        case textAlignCenter:
            dx = -metrics.horizontalAdvance(text) / 2;
            break;
        case textAlignRight:
            dx = -metrics.horizontalAdvance(text);
            break;
        default:
            break;
    }
    int dy = metrics.ascent();  // top: the reference point is the top of the text cell
    switch (textAlign & textAlignBaseline) {
        case textAlignBaseline:
            dy = 0;
            break;
        case textAlignBottom:
            dy = -metrics.descent();
            break;
        default:
            break;
    }
    painter.drawText(QPoint(dx, dy), text);
    painter.restore();
}
