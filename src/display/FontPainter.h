// The display half of TFontEx: the real font, cached text measuring and aligned, turned text.
#pragma once

#include <QFont>
#include <QString>

#include <string_view>

#include "model/FontEx.h"
#include "model/WorldControl.h"

class QColor;
class QPaintDevice;
class QPainter;

// Face, size (points; a negative size is a height in pixels) and styles. The colour, angle and
// alignment are applied when drawing.
QFont toQFont(const TFontEx& font);

// The dots per inch at which fonts without a device are measured (QFontMetrics(font)): the
// screen's logical density. Drawing coordinates are pixels at this density on every device.
double layoutDpi();

// font as it must be set on a painter of device so that it draws as large as it measures
// without a device: a size in points is rescaled from the device's density to the layout's.
// A 1200 dpi page that is drawn in layout pixels scaled up to its own then gets text of the
// size asked in points, not twelve times that; a font sized in pixels stays as it is.
QFont fontForDevice(const QFont& font, const QPaintDevice* device);

// Measures text (UTF-8) in font, along the text, in logical pixels; results for the same
// (text, font) are cached so that labels measured on every repaint cost a hash lookup.
// GUI thread only, like every use of fonts.
TSize measureText(std::string_view text, const TFontEx& font);
// A width the text measured in font is sure to reach: half the sum of its characters' own
// advances (kerning never takes away half of a run of digits); 0 for text beyond ASCII.
int textWidthAtLeast(std::string_view text, const TFontEx& font);

// Draws text with its reference point at (x, y) as font.textAlign says, turned by
// font.escapement (tenths of a degree, counter-clockwise), clear background.
void drawText(QPainter& painter, int x, int y, std::string_view text, const TFontEx& font);

// The same for a font the painter's owner already holds (an axis draws with its widget font):
// textAlign takes the textAlign* flags of model/FontEx.h, escapement is in tenths of a degree.
void drawText(QPainter& painter, int x, int y, const QString& text, const QFont& font,
              const QColor& color, int textAlign, int escapement);
