// The font of labels and axis captions as a plain description (face, size, style, colour,
// angle, alignment); the display layer turns it into a real font when it draws.
#pragma once

#include <string>

#include "model/Color.h"

struct TFontStyles {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    friend bool operator==(const TFontStyles&, const TFontStyles&) = default;
};

// Text alignment flags: where the reference point of drawn text lies. One horizontal and one
// vertical flag are added together; 0 is left/top.
inline constexpr int textAlignLeft = 0;
inline constexpr int textAlignRight = 2;
inline constexpr int textAlignCenter = 6;
inline constexpr int textAlignTop = 0;
inline constexpr int textAlignBottom = 8;
inline constexpr int textAlignBaseline = 24;

struct TFontEx {
    std::string name = "Arial";
    int size = 8;  // points
    TFontStyles style;
    TColor color = colors::black;
    // Angle of the text baseline in tenths of a degree, counter-clockwise; 900 reads upward.
    int escapement = 0;
    int textAlign = textAlignLeft + textAlignTop;

    friend bool operator==(const TFontEx&, const TFontEx&) = default;
};
