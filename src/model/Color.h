// An RGB colour value. Stored forms use the 32-bit $00BBGGRR integer (red in the low byte).
#pragma once

#include <cstdint>

struct TColor {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    static constexpr TColor fromRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        return TColor{red, green, blue};
    }
    // $00BBGGRR, as colours are kept in documents; the top byte is ignored.
    static constexpr TColor fromBgr(std::uint32_t value) {
        return TColor{static_cast<std::uint8_t>(value & 0xFF),
                      static_cast<std::uint8_t>((value >> 8) & 0xFF),
                      static_cast<std::uint8_t>((value >> 16) & 0xFF)};
    }
    constexpr std::uint32_t toBgr() const {
        return std::uint32_t{r} | (std::uint32_t{g} << 8) | (std::uint32_t{b} << 16);
    }

    friend constexpr bool operator==(const TColor&, const TColor&) = default;
};

namespace colors {
inline constexpr TColor black{0, 0, 0};
inline constexpr TColor white{255, 255, 255};
inline constexpr TColor navy{0, 0, 128};  // $800000
}  // namespace colors

// The colour a series of colour is drawn in over background: colour itself unless the two are
// equal or nearly so (a weighted RGB distance that follows how the eye tells colours apart),
// when black over a light background and white over a dark one. The stored colour stays.
constexpr TColor visibleOn(TColor colour, TColor background) {
    const int meanRed = (colour.r + background.r) / 2;
    const int dr = colour.r - background.r;
    const int dg = colour.g - background.g;
    const int db = colour.b - background.b;
    // Twice the squared distance: (2 + meanRed/256) dr^2 + 4 dg^2 + (2 + (255 - meanRed)/256)
    // db^2, scaled by 256 to stay in integers.
    const long long distance =
        (512LL + meanRed) * dr * dr + 1024LL * dg * dg + (512LL + 255 - meanRed) * db * db;
    // A grey of 240 or lighter over white is too close; 239 is told apart.
    constexpr long long tooClose = 256LL * 48 * 48;
    if (distance >= tooClose) return colour;
    const int luma = 299 * background.r + 587 * background.g + 114 * background.b;  // 0..255000
    return luma >= 127500 ? colors::black : colors::white;
}
