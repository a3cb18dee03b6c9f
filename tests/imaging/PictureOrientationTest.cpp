#include "imaging/PictureOrientation.h"

#include <QImage>

#include <gtest/gtest.h>

#include <random>

TEST(PictureOrientationTest, BothFormsTurnPicturesTheSameWay)
{
    auto stored = PixelSurface::create(5, 3);
    std::mt19937 random(3);
    for (int32_t r = 0; r < 3; ++r)
        for (int32_t i = 0; i < 15; ++i)
            stored->memoryRow(r)[i] = static_cast<uint8_t>(random());
    const QImage storedImage = stored->toImage();
    const QRgb topLeft = storedImage.pixel(0, 0);

    // Where the stored top-left pixel ends up, orientation by orientation.
    const QPoint corner[9]
        = { { 0, 0 }, { 0, 0 }, { 4, 0 }, { 4, 2 }, { 0, 2 }, { 0, 0 }, { 2, 0 }, { 2, 4 }, { 0, 4 } };
    for (int orientation = 1; orientation <= 8; ++orientation) {
        auto copy = PixelSurface::create(5, 3);
        PixelSurface::bitBlt(*copy, 0, 0, 5, 3, *stored, 0, 0, PixelSurface::SRCCOPY);
        const QImage fromSurface = PictureOrientation::upright(std::move(copy), orientation)->toImage();
        const QImage fromImage
            = PictureOrientation::upright(storedImage, orientation).convertToFormat(QImage::Format_BGR888);
        EXPECT_EQ(fromSurface, fromImage) << "orientation " << orientation;
        EXPECT_EQ(fromSurface.size(), PictureOrientation::swapsSides(orientation) ? QSize(3, 5) : QSize(5, 3));
        EXPECT_EQ(fromSurface.pixel(corner[orientation]), topLeft) << "orientation " << orientation;
    }
}
