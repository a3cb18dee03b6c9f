#include "imaging/PictureOrientation.h"

#include <QImage>

#include <gtest/gtest.h>

#include <random>

namespace {

// Random pixels, zero padding, as any surface has.
std::unique_ptr<PixelSurface> randomPicture(int32_t w, int32_t h, uint32_t seed)
{
    auto picture = PixelSurface::create(w, h);
    std::mt19937 random(seed);
    for (int32_t r = 0; r < h; ++r)
        for (int32_t i = 0; i < 3 * w; ++i)
            picture->memoryRow(r)[i] = static_cast<uint8_t>(random());
    return picture;
}

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
    uint32_t seed = 1;
    for (const QSize size : sizes) {
        for (int orientation = 0; orientation <= 9; ++orientation) {
            const auto stored = randomPicture(size.width(), size.height(), seed++);
            const auto expected = plainUpright(*stored, orientation);
            auto copy = PixelSurface::create(size.width(), size.height());
            PixelSurface::copyBlock(*copy, 0, 0, size.width(), size.height(), *stored, 0, 0);
            const auto upright = PictureOrientation::upright(std::move(copy), orientation);
            ASSERT_TRUE(upright);
            SCOPED_TRACE(QStringLiteral("%1x%2, orientation %3")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(orientation)
                             .toStdString());
            ASSERT_EQ(upright->width(), expected->width());
            ASSERT_EQ(upright->height(), expected->height());
            // Padding included: it stays zero.
            EXPECT_EQ(allBytes(*upright), allBytes(*expected));
            // The picture's other form turns the same way.
            EXPECT_EQ(
                PictureOrientation::upright(stored->toImage(), orientation).convertToFormat(QImage::Format_BGR888),
                expected->toImage());
        }
    }
    EXPECT_FALSE(PictureOrientation::upright(nullptr, 6));
}
