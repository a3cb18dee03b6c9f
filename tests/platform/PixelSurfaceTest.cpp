#include "platform/PixelSurface.h"

#include "platform/PixelMemory.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

TEST(PixelSurfaceTest, CopyBlockClipsToBothSurfaces)
{
    auto source = PixelSurface::create(4, 3);
    auto target = PixelSurface::create(3, 3);
    source->paint([](QPainter& painter) {
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 3; ++y)
                painter.fillRect(x, y, 1, 1, QColor(x * 10, y * 10, 1));
    });
    // Copy from (-1, 1), 5 wide: only the part inside both surfaces moves.
    PixelSurface::copyBlock(*target, 0, 0, 5, 5, *source, -1, 1);
    const QImage result = target->toImage();
    EXPECT_EQ(result.pixelColor(0, 0), QColor(0, 0, 0)); // fell outside the source
    EXPECT_EQ(result.pixelColor(1, 0), QColor(0, 10, 1)); // source (0, 1)
    EXPECT_EQ(result.pixelColor(2, 1), QColor(10, 20, 1)); // source (1, 2)
    EXPECT_EQ(result.pixelColor(2, 2), QColor(0, 0, 0));
}

TEST(PixelSurfaceTest, LayoutIsPaddedBgrBottomUpAndCopiesKeepIt)
{
    const int32_t strides[] = { 4, 8, 12, 12, 16 };
    for (int32_t width = 1; width <= 5; ++width)
        EXPECT_EQ(PixelSurface::create(width, 3)->stride(), strides[width - 1]) << "width " << width;

    // Drawing at the bottom-left corner lands on the first bytes, blue first.
    auto surface = PixelSurface::create(5, 4);
    surface->paint([](QPainter& painter) {
        painter.fillRect(0, 0, 5, 4, QColor(0, 0, 0));
        painter.fillRect(0, 3, 1, 1, QColor(10, 20, 30));
        painter.fillRect(4, 0, 1, 1, QColor(40, 50, 60));
    });
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(surface->bits()), 4), QByteArray("\x1E\x14\x0A\0", 4));
    EXPECT_EQ(surface->toImage().pixelColor(0, 3), QColor(10, 20, 30));

    // A copy holds every byte, padding included, in memory of its own.
    const auto copy = surface->copy();
    ASSERT_TRUE(copy && copy->width() == 5 && copy->height() == 4);
    EXPECT_NE(copy->bits(), surface->bits());
    EXPECT_EQ(0, std::memcmp(copy->bits(), surface->bits(), size_t(surface->stride()) * 4));

    // A block lands at an offset from the top-left corner of a larger surface.
    auto larger = PixelSurface::create(12, 8);
    PixelSurface::copyBlock(*larger, 2, 1, 5, 4, *surface, 0, 0);
    EXPECT_EQ(larger->toImage().copy(2, 1, 5, 4), surface->toImage());
}

TEST(PixelSurfaceTest, RefusesImpossibleSizes)
{
    EXPECT_FALSE(PixelSurface::create(0, 1));
    EXPECT_FALSE(PixelSurface::create(1, -1));
    EXPECT_FALSE(PixelSurface::create(50000, 5001)); // above 250 megapixels
    EXPECT_TRUE(PixelSurface::create(1, 1));
}

TEST(PixelSurfaceTest, OnlyPicturesMeantToBeOverwrittenReuseFreedMemory)
{
    // 1001 pixels wide: one byte of padding per row; large enough for the
    // freed memory to be kept.
    const int32_t w = 1001, h = 1500;
    auto dirty = [&] {
        auto surface = PixelSurface::createForOverwrite(w, h);
        std::memset(surface->bits(), 0xEE, size_t(surface->stride()) * h);
        return surface->bits();
    };
    PixelMemory::emptyCache();
    const uint8_t* freed = dirty();
    auto reused = PixelSurface::createForOverwrite(w, h);
    ASSERT_EQ(reused->bits(), freed);
    int nonZeroPadding = 0;
    for (int32_t r = 0; r < h; ++r)
        nonZeroPadding += reused->memoryRow(r)[3 * w] != 0;
    EXPECT_EQ(nonZeroPadding, 0);
    EXPECT_EQ(reused->memoryRow(0)[0], 0xEE); // the pixels are left as they were
    reused.reset();

    dirty();
    auto cleared = PixelSurface::create(w, h);
    EXPECT_TRUE(std::all_of(
        cleared->bits(), cleared->bits() + size_t(cleared->stride()) * h, [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(PixelSurface::createForOverwrite(0, 5));
    PixelMemory::emptyCache();
}

TEST(PixelSurfaceTest, APictureReadNoMoreLendsItsMemoryWholeToASmallerOne)
{
    // A full-size picture and a working image of a third of its sides, with
    // one byte of padding per row.
    PixelMemory::emptyCache();
    auto donor = PixelSurface::createForOverwrite(3003, 2000);
    std::memset(donor->bits(), 0xEE, size_t(donor->stride()) * 2000);
    uint8_t* const memory = donor->bits();
    auto lent = PixelSurface::reuse(std::move(donor), 1001, 667);
    ASSERT_TRUE(lent);
    EXPECT_EQ(lent->bits(), memory);
    int nonZeroPadding = 0;
    for (int32_t r = 0; r < 667; ++r)
        nonZeroPadding += lent->memoryRow(r)[3 * 1001] != 0;
    EXPECT_EQ(nonZeroPadding, 0);
    EXPECT_EQ(lent->memoryRow(666)[0], 0xEE); // the pixels are left as they were

    // When it goes, the whole block is kept for the next full-size picture.
    lent.reset();
    auto next = PixelSurface::createForOverwrite(3003, 2000);
    EXPECT_EQ(next->bits(), memory);

    // A donor too small, or none, lends nothing.
    EXPECT_FALSE(PixelSurface::reuse(PixelSurface::create(10, 10), 11, 10));
    EXPECT_FALSE(PixelSurface::reuse(nullptr, 1, 1));
    EXPECT_FALSE(PixelSurface::reuse(std::move(next), 0, 1));
    PixelMemory::emptyCache();
}
