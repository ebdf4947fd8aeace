// Text measuring with real fonts: the least width a text can have, which lets the label layout
// refuse a candidate without measuring it, must never exceed the measured width.
#include "display/FontPainter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

TEST(FontPainterLeastWidth, NeverAboveTheMeasuredWidthOfLabelTexts) {
    std::vector<TFontEx> fonts;
    for (const char* name : {"Arial", "DejaVu Sans", "DejaVu Serif", "No such family"})
        for (const int size : {6, 8, 13, 24})
            for (const bool bold : {false, true}) {
                TFontEx font;
                font.name = name;
                font.size = size;
                font.style.bold = bold;
                font.style.italic = size == 13;
                fonts.push_back(font);
            }
    for (const TFontEx& font : fonts) {
        SCOPED_TRACE(font.name + " " + std::to_string(font.size));
        int known = 0;
        for (double x = 0.5; x < 40000.0; x = x * 1.37 + 0.113) {
            for (const char* format : {"%.0f", "%.1f", "%.2f", "%.4f", "%g", " %.2f"}) {
                char text[64];
                std::snprintf(text, sizeof text, format, x);
                const int least = textWidthAtLeast(text, font);
                ASSERT_LE(least, measureText(text, font).cx) << text;
                if (least > 0) ++known;
            }
        }
        EXPECT_GT(known, 0);  // a bound that is always 0 would spare nothing
    }
    // Text beyond ASCII is not bounded.
    EXPECT_EQ(textWidthAtLeast("m/z \xc2\xb1", TFontEx{}), 0);
}
