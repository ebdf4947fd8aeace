// The cursor table: every custom cursor is a distinct image with its hot spot on it.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include <vector>

#include "display/Cursors.h"

TEST(Cursors, EveryTableEntryIsADistinctImageWithItsHotSpotInside) {
    const int ids[] = {cursors::zone,      cursors::drag,         cursors::crossHair,
                       cursors::handPoint, cursors::handLine,     cursors::zoomCenter,
                       cursors::center,    cursors::stretchLeftX, cursors::stretchRightX,
                       cursors::stretchY,  cursors::label};
    std::vector<QImage> images;
    for (const int id : ids) {
        const QCursor cursor = cursorFor(id);
        const QPixmap pixmap = cursor.pixmap();
        ASSERT_FALSE(pixmap.isNull()) << id;
        const QSize logical = pixmap.deviceIndependentSize().toSize();
        EXPECT_EQ(logical, QSize(32, 32)) << id;
        EXPECT_TRUE(QRect(QPoint(0, 0), logical).contains(cursor.hotSpot())) << id;

        QImage image = pixmap.toImage();
        // Black shapes with white outlines: both are there.
        bool black = false;
        bool white = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                black = black || (c.alpha() == 255 && c.lightness() == 0);
                white = white || (c.alpha() == 255 && c.lightness() == 255);
            }
        EXPECT_TRUE(black && white) << id;
        for (const QImage& other : images) EXPECT_NE(image, other) << id;
        images.push_back(std::move(image));
    }
    EXPECT_EQ(cursorFor(99).shape(), Qt::ArrowCursor);  // an unknown identifier
}
