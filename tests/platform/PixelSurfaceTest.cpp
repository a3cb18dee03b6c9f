#include "platform/PixelSurface.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

TEST(PixelSurfaceTest, BitBltClipsToBothSurfaces)
{
    auto source = PixelSurface::create(4, 3);
    auto target = PixelSurface::create(3, 3);
    source->paint([](QPainter& painter) {
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 3; ++y)
                painter.fillRect(x, y, 1, 1, QColor(x * 10, y * 10, 1));
    });
    // Copy from (-1, 1), 5 wide: only the part inside both surfaces moves.
    PixelSurface::bitBlt(*target, 0, 0, 5, 5, *source, -1, 1, PixelSurface::SRCCOPY);
    const QImage result = target->toImage();
    EXPECT_EQ(result.pixelColor(0, 0), QColor(0, 0, 0)); // fell outside the source
    EXPECT_EQ(result.pixelColor(1, 0), QColor(0, 10, 1)); // source (0, 1)
    EXPECT_EQ(result.pixelColor(2, 1), QColor(10, 20, 1)); // source (1, 2)
    EXPECT_EQ(result.pixelColor(2, 2), QColor(0, 0, 0));
}

TEST(PixelSurfaceTest, RefusesImpossibleSizes)
{
    EXPECT_FALSE(PixelSurface::create(0, 1));
    EXPECT_FALSE(PixelSurface::create(1, -1));
    EXPECT_FALSE(PixelSurface::create(50000, 5001)); // above 250 megapixels
    EXPECT_TRUE(PixelSurface::create(1, 1));
}
