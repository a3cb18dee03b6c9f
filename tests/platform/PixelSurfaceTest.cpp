#include "platform/PixelSurface.h"

#include "platform/PixelMemory.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

// The rows whose padding, the bytes after the last pixel, are not all zero.
int rowsWithDirtyPadding(const PixelSurface& surface)
{
    int rows = 0;
    for (int32_t r = 0; r < surface.height(); ++r) {
        const uint8_t* row = surface.memoryRow(r);
        rows += !std::all_of(row + 3 * surface.width(), row + surface.stride(), [](uint8_t b) { return b == 0; });
    }
    return rows;
}

} // namespace

TEST(PixelSurfaceTest, LayoutIsPaddedBgrBottomUpAndBlocksClipToBothSurfaces)
{
    auto source = PixelSurface::create(4, 3);
    source->paint([](QPainter& painter) {
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 3; ++y)
                painter.fillRect(x, y, 1, 1, QColor(x * 10, y * 10, 1));
    });
    // The bottom-left pixel comes first, blue first; rows take 12 bytes.
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(source->bits()), 3), QByteArray("\x01\x14\x00", 3));
    EXPECT_EQ(source->memoryRow(1) - source->memoryRow(0), 12);

    // Copy from (-1, 1), 5 wide, to (0, 1): only the part inside both
    // surfaces moves.
    auto target = PixelSurface::create(3, 4);
    PixelSurface::copyBlock(*target, 0, 1, 5, 5, *source, -1, 1);
    const QImage result = target->toImage();
    EXPECT_EQ(result.pixelColor(0, 1), QColor(0, 0, 0)); // fell outside the source
    EXPECT_EQ(result.pixelColor(1, 1), QColor(0, 10, 1)); // source (0, 1)
    EXPECT_EQ(result.pixelColor(2, 2), QColor(10, 20, 1)); // source (1, 2)
    EXPECT_EQ(result.pixelColor(2, 3), QColor(0, 0, 0));
    EXPECT_EQ(result.pixelColor(1, 0), QColor(0, 0, 0));
}

TEST(PixelSurfaceTest, RefusesImpossibleSizes)
{
    EXPECT_FALSE(PixelSurface::create(0, 1));
    EXPECT_FALSE(PixelSurface::create(1, -1));
    EXPECT_FALSE(PixelSurface::create(50000, 5001)); // above 250 megapixels
    EXPECT_FALSE(PixelSurface::createForOverwrite(0, 5));
    EXPECT_TRUE(PixelSurface::create(1, 1));
}

TEST(PixelSurfaceTest, OnlyPicturesMeantToBeOverwrittenReuseFreedMemoryAndAlwaysWithCleanPadding)
{
    // 1001 pixels wide: one byte of padding per row; large enough for the
    // freed memory to be kept.
    const int32_t w = 1001, h = 1500;
    auto dirty = [&](int32_t width, int32_t height) {
        auto surface = PixelSurface::createForOverwrite(width, height);
        std::memset(surface->bits(), 0xEE, size_t(surface->stride()) * height);
        return surface;
    };
    PixelMemory::emptyCache();
    const uint8_t* freed = dirty(w, h)->bits();
    auto reused = PixelSurface::createForOverwrite(w, h);
    ASSERT_EQ(reused->bits(), freed);
    EXPECT_EQ(rowsWithDirtyPadding(*reused), 0);
    EXPECT_EQ(reused->memoryRow(0)[0], 0xEE); // the pixels are left as they were
    reused.reset();

    dirty(w, h);
    auto cleared = PixelSurface::create(w, h);
    EXPECT_TRUE(std::all_of(
        cleared->bits(), cleared->bits() + size_t(cleared->stride()) * h, [](uint8_t b) { return b == 0; }));

    // A full-size picture read no more lends its memory to a working image
    // of a third of its sides; when that goes, the whole block is kept for
    // the next full-size picture.
    auto donor = dirty(3 * w, 2000);
    uint8_t* const memory = donor->bits();
    auto lent = PixelSurface::reuse(std::move(donor), w, 667);
    ASSERT_TRUE(lent);
    EXPECT_EQ(lent->bits(), memory);
    EXPECT_EQ(rowsWithDirtyPadding(*lent), 0);
    lent.reset();
    auto next = PixelSurface::createForOverwrite(3 * w, 2000);
    EXPECT_EQ(next->bits(), memory);
    // A donor too small, or none, lends nothing.
    EXPECT_FALSE(PixelSurface::reuse(PixelSurface::create(10, 10), 11, 10));
    EXPECT_FALSE(PixelSurface::reuse(nullptr, 1, 1));
    EXPECT_FALSE(PixelSurface::reuse(std::move(next), 0, 1));
    PixelMemory::emptyCache();
}
