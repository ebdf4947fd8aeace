// The mouse cursors of the plot: identifiers of the cursor table and their shapes.
#pragma once

#include <QCursor>

// Identifiers as the tools and the plot store them. The cursors are drawn as resources under
// the names given beside them.
namespace cursors {
inline constexpr int standard = 0;
inline constexpr int zone = 2;         // "ZONE": zone and zoom tools
inline constexpr int drag = 3;         // "DRAG": scroll tool
inline constexpr int crossHair = 4;    // "XHAIR": cross cursor tool, a new plot's tool
inline constexpr int handPoint = 5;    // "HANDPNT"
inline constexpr int handLine = 6;     // "HANDLN"
inline constexpr int zoomCenter = 7;   // "ZOOMCENTER"
inline constexpr int center = 8;       // "CENTER"
inline constexpr int stretchLeftX = 9;   // "STRECHTLX": x stretch, mouse in the right half
inline constexpr int stretchRightX = 10; // "STRECHTRX": x stretch, mouse in the left half
inline constexpr int stretchY = 11;    // "STRECHTY": y stretch tool
inline constexpr int label = 12;       // "LABELCUR": label tool
inline constexpr int splitHorizontal = -14;  // the x stretch tool before its first move
}  // namespace cursors

// The cursor for an identifier; the standard arrow for an unknown one. Loaded once.
QCursor cursorFor(int id);
