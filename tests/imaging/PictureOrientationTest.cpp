#include "imaging/PictureOrientation.h"

#include <QImage>

#include <gtest/gtest.h>

#include <random>

namespace {

// The upright picture pixel by pixel, from what each orientation means:
// where the stored pixel of upright (x, y) lies, both counted from the
// top-left corner (0 and 9 are no orientation).
std::unique_ptr<PixelSurface> plainUpright(const PixelSurface& stored, int orientation)
{
    const int32_t w = stored.width();
    const int32_t h = stored.height();
    const bool swap = orientation >= 5 && orientation <= 8;
    auto result = PixelSurface::create(swap ? h : w, swap ? w : h);
    for (int32_t y = 0; y < result->height(); ++y)
        for (int32_t x = 0; x < result->width(); ++x) {
            const QPoint storedAt[] = { { x, y }, { x, y }, { w - 1 - x, y }, { w - 1 - x, h - 1 - y },
                { x, h - 1 - y }, { y, x }, { y, h - 1 - x }, { w - 1 - y, h - 1 - x }, { w - 1 - y, x }, { x, y } };
            const QPoint from = storedAt[orientation];
            for (int c = 0; c < 3; ++c)
                result->scanLine(y)[3 * x + c] = stored.scanLine(from.y())[3 * from.x() + c];
        }
    return result;
}

QByteArray allBytes(const PixelSurface& s)
{
    return QByteArray(reinterpret_cast<const char*>(s.bits()), qsizetype(s.stride()) * s.height());
}

} // namespace

TEST(PictureOrientationTest, EveryOrientationMatchesThePlainDefinitionOnOddSizes)
{
    // Single pixels, single rows and columns, sizes around the word and tile
    // steps of the fast paths, odd heights with a middle row, padded rows.
    const QSize sizes[] = { { 1, 1 }, { 1, 7 }, { 7, 1 }, { 2, 2 }, { 3, 5 }, { 4, 4 }, { 5, 8 }, { 13, 9 }, { 64, 33 },
        { 33, 64 }, { 97, 70 } };
    std::mt19937 random(1);
    for (const QSize size : sizes) {
        for (int orientation = 0; orientation <= 9; ++orientation) {
            SCOPED_TRACE(testing::Message() << size.width() << 'x' << size.height() << ", orientation " << orientation);
            // Random pixels, zero padding, as any surface has.
            const auto stored = PixelSurface::create(size.width(), size.height());
            for (int32_t r = 0; r < size.height(); ++r)
                for (int32_t i = 0; i < 3 * size.width(); ++i)
                    stored->memoryRow(r)[i] = static_cast<uint8_t>(random());
            const auto expected = plainUpright(*stored, orientation);
            const auto upright = PictureOrientation::upright(stored->copy(), orientation);
            ASSERT_TRUE(upright);
            // Padding included: it stays zero.
            ASSERT_EQ(upright->width(), expected->width());
            EXPECT_EQ(allBytes(*upright), allBytes(*expected));
            // The picture's other form turns the same way.
            EXPECT_EQ(
                PictureOrientation::upright(stored->toImage(), orientation).convertToFormat(QImage::Format_BGR888),
                expected->toImage());
        }
    }
    EXPECT_FALSE(PictureOrientation::upright(nullptr, 6));
}
