#include "imaging/PixelImage.h"

#include "platform/RuntimeError.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

void fillRandom(PixelImage& dib, uint32_t seed)
{
    std::mt19937 random(seed);
    for (int32_t r = 0; r < dib.height(); ++r)
        for (int32_t i = 0; i < dib.width() * 3; ++i)
            dib.bits()[r * dib.bytesPerLine() + i] = static_cast<uint8_t>(random());
}

uint8_t byteAt(const PixelImage& dib, int32_t offset, int32_t row)
{
    return dib.bits()[row * dib.bytesPerLine() + offset];
}

// Resampling written straight from its definition: scale factors and
// positions kept as float, blends in double, vertical blend rounded before
// the horizontal one. Edge pixels repeat for 1-pixel sources.
std::vector<uint8_t> referenceResample(const PixelImage& src, int32_t wd, int32_t hd)
{
    const int32_t ws = src.width(), hs = src.height();
    const int32_t stride = (wd * 3 + 3) & ~3;
    std::vector<uint8_t> out(static_cast<size_t>(stride) * hd, 0);
    const float sx = static_cast<float>(double(ws - 1) / wd);
    const float sy = static_cast<float>(double(hs - 1) / hd);
    for (int32_t y = 0; y < hd; ++y) {
        const float fy = static_cast<float>(y * double(sy));
        const int32_t y0 = static_cast<int32_t>(std::floor(fy));
        const float ty = static_cast<float>(fy - double(y0));
        const int32_t y1 = std::min(y0 + 1, hs - 1);
        for (int32_t x = 0; x < wd; ++x) {
            const float fx = static_cast<float>(x * double(sx));
            const int32_t x0 = static_cast<int32_t>(std::floor(fx));
            const float tx = static_cast<float>(fx - double(x0));
            const int32_t i0 = 3 * x0;
            const int32_t i1 = 3 * std::min(x0 + 1, ws - 1);
            for (int c = 0; c < 3; ++c) {
                const float p00 = byteAt(src, i0 + c, y0), p01 = byteAt(src, i0 + c, y1);
                const float p10 = byteAt(src, i1 + c, y0), p11 = byteAt(src, i1 + c, y1);
                const double left = std::nearbyint((1 - double(ty)) * p00 + double(ty) * p01);
                const double right = std::nearbyint((1 - double(ty)) * p10 + double(ty) * p11);
                const double v = std::nearbyint((1 - double(tx)) * left + double(tx) * right);
                out[static_cast<size_t>(y) * stride + 3 * x + c] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
            }
        }
    }
    return out;
}

} // namespace

TEST(PixelImageTest, LayoutIsPaddedBgrBottomUp)
{
    const int32_t strides[] = { 4, 8, 12, 12, 16 };
    for (int32_t width = 1; width <= 5; ++width) {
        PixelImage dib;
        ASSERT_TRUE(dib.create(width, 3));
        EXPECT_EQ(dib.bytesPerLine(), strides[width - 1]) << "width " << width;
        EXPECT_EQ(dib.header().biSizeImage, static_cast<uint32_t>(strides[width - 1] * 3));
        EXPECT_EQ(dib.header().biBitCount, 24);
    }

    // Drawing blue at the bottom-left corner lands on the first bytes.
    PixelImage dib;
    ASSERT_TRUE(dib.create(5, 4));
    dib.hdc()->paint([](QPainter& painter) {
        painter.fillRect(0, 0, 5, 4, QColor(0, 0, 0));
        painter.fillRect(0, 3, 1, 1, QColor(10, 20, 30));
    });
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(dib.bits()), 4), QByteArray("\x1E\x14\x0A\0", 4));
    EXPECT_EQ(dib.hdc()->toImage().pixelColor(0, 3), QColor(10, 20, 30));
}

TEST(PixelImageTest, ClearUpKeepsTheSizeAndFailuresLeaveItEmpty)
{
    PixelImage dib;
    EXPECT_EQ(dib.width(), 0);
    EXPECT_EQ(dib.hdc(), nullptr);
    ASSERT_TRUE(dib.create(7, 3));
    EXPECT_NE(dib.hDib(), 0u);
    dib.clear();
    EXPECT_EQ(dib.hdc(), nullptr);
    EXPECT_EQ(dib.hDib(), 0u);
    EXPECT_EQ(dib.bits(), nullptr);
    EXPECT_EQ(dib.width(), 7);
    EXPECT_EQ(dib.height(), 3);

    EXPECT_FALSE(dib.create(0, 5));
    EXPECT_EQ(dib.bits(), nullptr);
    EXPECT_FALSE(dib.create(20000, 20000)); // above the picture size limit
    EXPECT_EQ(dib.width(), 20000);
    EXPECT_EQ(dib.bits(), nullptr);
}

TEST(PixelImageTest, CopiesInAndOutWholePictures)
{
    PixelImage source;
    ASSERT_TRUE(source.create(9, 5));
    fillRandom(source, 1);

    PixelImage copy;
    copy.createFromPicture(*source.hdc());
    ASSERT_EQ(copy.width(), 9);
    EXPECT_EQ(0, std::memcmp(copy.bits(), source.bits(), 5 * source.bytesPerLine()));

    // A width of 0 copies nothing; a negative one copies the full width.
    PixelImage target;
    ASSERT_TRUE(target.create(9, 5));
    target.loadPicture(source.hdc(), 0, 0, 0, -1);
    EXPECT_EQ(byteAt(target, 0, 0), 0);
    target.loadPicture(source.hdc());
    EXPECT_EQ(0, std::memcmp(target.bits(), source.bits(), 5 * source.bytesPerLine()));

    // Out of the buffer into a larger surface, at an offset from the top-left.
    auto surface = PixelSurface::create(12, 8);
    source.paintPicture(surface.get(), 2, 1);
    EXPECT_EQ(surface->toImage().copy(2, 1, 9, 5), source.hdc()->toImage());

    EXPECT_THROW(target.loadPicture(source.hdc(), 0, 0, -1, -1, 0x00EE0086), RuntimeError);
}

TEST(PixelImageTest, Noise)
{
    PixelImage dib;
    ASSERT_TRUE(dib.create(6, 4));

    dib.randomiseBits(true);
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_TRUE(byteAt(dib, 3 * x, r) == byteAt(dib, 3 * x + 1, r)
                && byteAt(dib, 3 * x, r) == byteAt(dib, 3 * x + 2, r));
    dib.randomiseBits(false);
    for (int32_t r = 0; r < 4; ++r)
        EXPECT_EQ(byteAt(dib, 3, r), 0); // blue stays 0
    EXPECT_EQ(byteAt(dib, 18, 0), 0); // padding untouched
}

TEST(cDIBSectionResampleTest, MatchesTheDefinitionOnRandomPictures)
{
    struct Case {
        int32_t ws, hs, wd, hd;
    };
    std::vector<Case> cases
        = { { 4, 4, 2, 2 }, { 2, 2, 4, 4 }, { 7, 5, 3, 2 }, { 1, 1, 3, 2 }, { 1, 6, 4, 3 }, { 6, 1, 2, 5 },
              { 13, 11, 17, 19 }, { 101, 77, 40, 33 }, { 64, 48, 64, 47 }, { 300, 200, 113, 75 }, { 5, 5, 1, 1 },
              // A photo halved; enlargements whose first rows and columns
              // fall below 1 with fractions finer than 2^-23; power-of-two
              // ratios full of exact ties; odd and near-identity ratios.
              { 4000, 3000, 2000, 1500 }, { 37, 23, 101, 97 }, { 3, 1000, 7, 333 }, { 999, 997, 1001, 37 },
              { 9, 17, 32, 64 }, { 640, 480, 641, 479 }, { 4001, 3, 157, 2 } };
    // Many pairings of small sizes: each edge clamp, each 1-pixel source and
    // the first rows and columns of each enlargement (the same size is a
    // plain copy, not a resampling).
    for (int32_t ws = 1; ws <= 6; ++ws)
        for (int32_t hs = 1; hs <= 6; ++hs)
            for (int32_t wd = 1; wd <= 13; wd += 2)
                for (int32_t hd = 1; hd <= 13; hd += 3)
                    if (wd != ws || hd != hs) cases.push_back({ ws, hs, wd, hd });
    uint32_t seed = 7;
    for (const Case& c : cases) {
        PixelImage source;
        ASSERT_TRUE(source.create(c.ws, c.hs));
        fillRandom(source, seed++);
        auto result = source.resample(c.hd, c.wd);
        ASSERT_TRUE(result && result->width() == c.wd && result->height() == c.hd);
        // Padding included: it stays 0.
        const auto expected = referenceResample(source, c.wd, c.hd);
        ASSERT_EQ(0, std::memcmp(result->bits(), expected.data(), expected.size()))
            << c.ws << "x" << c.hs << " to " << c.wd << "x" << c.hd;
    }
}

TEST(cDIBSectionResampleTest, HalvingTiesAndSameSize)
{
    // 4x4 with a ramp along x: destination column 1 samples x = 1.5 between
    // values 2 and 3 (2.5 rounds to 2) or 1 and 2 (1.5 rounds to 2).
    PixelImage source;
    ASSERT_TRUE(source.create(4, 4));
    const uint8_t rampA[] = { 0, 2, 3, 9 }, rampB[] = { 0, 1, 2, 9 };
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t x = 0; x < 4; ++x) {
            uint8_t* pixel = source.bits() + r * source.bytesPerLine() + 3 * x;
            pixel[0] = rampA[x];
            pixel[1] = rampB[x];
            pixel[2] = static_cast<uint8_t>(10 * r + x);
        }
    auto half = source.resample(2, 2);
    ASSERT_TRUE(half);
    EXPECT_EQ(byteAt(*half, 0, 0), 0);
    EXPECT_EQ(byteAt(*half, 2, 0), 0); // destination (0, 0) is source (0, 0)
    EXPECT_EQ(byteAt(*half, 3, 0), 2); // 2.5 to even
    EXPECT_EQ(byteAt(*half, 4, 0), 2); // 1.5 to even
    // Red is 10 r + x: the vertical blends give 16 and 17, whose middle rounds to 16.
    EXPECT_EQ(byteAt(*half, 5, 1), 16);
    // Same size: a byte-exact copy.
    auto same = source.resample(4, 4);
    ASSERT_TRUE(same);
    EXPECT_EQ(0, std::memcmp(same->bits(), source.bits(), 4 * source.bytesPerLine()));
    EXPECT_FALSE(source.resample(0, 3));
}
