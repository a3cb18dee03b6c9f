#include "imaging/BilinearResampler.h"

#include "imaging/PictureOrientation.h"
#include "platform/PictureLoader.h"
#include "platform/PixelSurface.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Resampling written straight from its definition: scale factors and
// positions kept as float, blends in double, vertical blend rounded before
// the horizontal one. Edge pixels repeat for 1-pixel sources.
std::vector<uint8_t> referenceResample(const PixelSurface& src, int32_t wd, int32_t hd)
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
                const float p00 = src.memoryRow(y0)[i0 + c], p01 = src.memoryRow(y1)[i0 + c];
                const float p10 = src.memoryRow(y0)[i1 + c], p11 = src.memoryRow(y1)[i1 + c];
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

TEST(BilinearResamplerTest, MatchesTheDefinitionOnRandomPictures)
{
    struct Case {
        int32_t ws, hs, wd, hd;
    };
    std::vector<Case> cases
        = { { 4, 4, 2, 2 }, { 2, 2, 4, 4 }, { 7, 5, 3, 2 }, { 1, 1, 3, 2 }, { 1, 6, 4, 3 }, { 6, 1, 2, 5 },
              { 13, 11, 17, 19 }, { 101, 77, 40, 33 }, { 64, 48, 64, 47 }, { 300, 200, 113, 75 }, { 5, 5, 1, 1 },
              // A photo halved; enlargements whose first rows and columns
              // fall below 1 with fractions finer than 2^-23; power-of-two
              // ratios full of exact ties (wide enough for byte windows too);
              // odd and near-identity ratios.
              { 4000, 3000, 2000, 1500 }, { 37, 23, 101, 97 }, { 3, 1000, 7, 333 }, { 999, 997, 1001, 37 },
              { 9, 17, 32, 64 }, { 1024, 8, 512, 4 }, { 640, 480, 641, 479 }, { 4001, 3, 157, 2 } };
    // Many pairings of small sizes: each edge clamp, each 1-pixel source and
    // the first rows and columns of each enlargement (the same size is a
    // plain copy, not a resampling).
    for (int32_t ws = 1; ws <= 6; ++ws)
        for (int32_t hs = 1; hs <= 6; ++hs)
            for (int32_t wd = 1; wd <= 13; wd += 2)
                for (int32_t hd = 1; hd <= 13; hd += 3)
                    if (wd != ws || hd != hs) cases.push_back({ ws, hs, wd, hd });
    // With and without the processor's byte permutation, where it has one.
    std::mt19937 random(7);
    for (const bool windows : { true, false })
        for (const Case& c : cases) {
            BilinearResampler::allowByteWindows(windows);
            auto source = PixelSurface::create(c.ws, c.hs);
            ASSERT_TRUE(source);
            for (int32_t r = 0; r < c.hs; ++r)
                for (int32_t i = 0; i < 3 * c.ws; ++i)
                    source->memoryRow(r)[i] = static_cast<uint8_t>(random());
            auto result = BilinearResampler::resized(*source, c.wd, c.hd);
            ASSERT_TRUE(result && result->width() == c.wd && result->height() == c.hd);
            // Padding included: it stays 0.
            const auto expected = referenceResample(*source, c.wd, c.hd);
            ASSERT_EQ(0, std::memcmp(result->bits(), expected.data(), expected.size()))
                << c.ws << "x" << c.hs << " to " << c.wd << "x" << c.hd << (windows ? "" : ", without windows");
        }
    BilinearResampler::allowByteWindows(true);
}

TEST(BilinearResamplerTest, HalvingTiesGoToEvenAndTheSameSizeIsACopy)
{
    // Halving samples x and y = 0 and 1.5. Blue runs 0, 2, 3, 9 along x (2.5
    // between 2 and 3 rounds to 2), green 0, 1, 2, 9 (1.5 rounds to 2); red is
    // 10 row + x, whose vertical blends at x = 1 and 2 give 16 and 17, and
    // their middle 16.
    const auto source = PixelSurface::create(4, 4);
    ASSERT_TRUE(source);
    const uint8_t blue[] = { 0, 2, 3, 9 }, green[] = { 0, 1, 2, 9 };
    for (int32_t row = 0; row < 4; ++row)
        for (int32_t x = 0; x < 4; ++x) {
            source->memoryRow(row)[3 * x] = blue[x];
            source->memoryRow(row)[3 * x + 1] = green[x];
            source->memoryRow(row)[3 * x + 2] = static_cast<uint8_t>(10 * row + x);
        }
    const auto half = BilinearResampler::resized(*source, 2, 2);
    ASSERT_TRUE(half);
    EXPECT_EQ(std::vector<uint8_t>(half->bits(), half->bits() + 2 * half->stride()),
        (std::vector<uint8_t> { 0, 0, 0, 2, 2, 2, 0, 0, 0, 0, 15, 2, 2, 16, 0, 0 }));

    const auto same = BilinearResampler::resized(*source, 4, 4);
    ASSERT_TRUE(same);
    EXPECT_EQ(0, std::memcmp(same->bits(), source->bits(), 4 * source->stride()));
    EXPECT_FALSE(BilinearResampler::resized(*source, 3, 0));
}

TEST(BilinearResamplerTest, APictureReadThroughItsOrientationGivesTheBytesOfTurningItFirst)
{
    // Two sample photos, one stored wide and one tall, and small random
    // pictures with 1-pixel sides, each read through every orientation,
    // whole (on its side) and as a decoder hands its rows over: at the
    // upright size (the turn alone), shrunk far, halved, at an odd ratio and
    // enlarged (rows shared between destination rows, fractions blended in
    // double).
    std::vector<std::unique_ptr<PixelSurface>> pictures;
    for (const char* name : { "orientation/landscape_6.jpg", "orientation/portrait_6.jpg" })
        pictures.push_back(PictureLoader::load(testPhoto(QString::fromLatin1(name))));
    std::mt19937 random(3);
    for (const QSize size : { QSize(1, 1), QSize(1, 9), QSize(9, 1), QSize(37, 23) }) {
        pictures.push_back(PixelSurface::create(size.width(), size.height()));
        for (int32_t r = 0; r < size.height(); ++r)
            for (int32_t i = 0; i < 3 * size.width(); ++i)
                pictures.back()->memoryRow(r)[i] = static_cast<uint8_t>(random());
    }
    for (const bool windows : { true, false })
        for (const auto& stored : pictures) {
            ASSERT_TRUE(stored);
            BilinearResampler::allowByteWindows(windows);
            for (int orientation = 1; orientation <= 8; ++orientation) {
                const auto upright = PictureOrientation::upright(stored->copy(), orientation);
                for (const double scale : { 1.0, 0.04, 0.5, 0.37, 1.7 }) {
                    const int32_t w = std::max(1, int32_t(std::lround(upright->width() * scale)));
                    const int32_t h = std::max(1, int32_t(std::lround(upright->height() * scale)));
                    SCOPED_TRACE(testing::Message()
                        << stored->width() << 'x' << stored->height() << ", orientation " << orientation << " to " << w
                        << 'x' << h << (windows ? "" : ", without windows"));
                    const auto expected = BilinearResampler::resized(*upright, w, h);
                    const size_t bytes = size_t(expected->stride()) * h; // padding included
                    if (orientation >= 5) {
                        const auto turned = BilinearResampler::resizedTurned(*stored, orientation, w, h);
                        ASSERT_TRUE(turned && turned->width() == w && turned->height() == h);
                        EXPECT_EQ(0, std::memcmp(turned->bits(), expected->bits(), bytes));
                    }
                    if (w == upright->width() && h == upright->height()) continue;
                    auto streamed = PixelSurface::createForOverwrite(w, h);
                    BilinearResampler::RowStream stream(stored->width(), stored->height(), orientation, *streamed);
                    for (int32_t y = 0; y < stored->height(); ++y) {
                        uint8_t* row = stream.rowBuffer();
                        std::memcpy(row, stored->scanLine(y), size_t(3 * stored->width()));
                        stream.pushRow(row);
                    }
                    EXPECT_EQ(0, std::memcmp(streamed->bits(), expected->bits(), bytes));
                }
            }
        }
    BilinearResampler::allowByteWindows(true);
}
