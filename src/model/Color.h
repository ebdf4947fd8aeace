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
