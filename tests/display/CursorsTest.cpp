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
        for (const QImage& other : images) EXPECT_NE(image, other) << id;
        images.push_back(std::move(image));
    }
    EXPECT_EQ(cursorFor(99).shape(), Qt::ArrowCursor);  // an unknown identifier
}
