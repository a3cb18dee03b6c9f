#include "imaging/Hls.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Hls;

TEST(HlsTest, EveryColourComesBackFromItsHLS)
{
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 7) {
                float h, s, l;
                rgbToHls(r, g, b, h, s, l);
                ASSERT_TRUE(h >= -1 && h < 5 && s >= 0 && s <= 1 && l >= 0 && l <= 1) << r << ' ' << g << ' ' << b;
                int rgb[3];
                hlsToRgb(h, s, l, rgb[0], rgb[1], rgb[2]);
                ASSERT_TRUE(rgb[0] == r && rgb[1] == g && rgb[2] == b) << r << ' ' << g << ' ' << b;
            }
}

TEST(HlsTest, ChangedLightnessKeepsTheFloatSteps)
{
    // Colours whose lightness is scaled as Lighten does: each step stores a
    // float, which moves these results by one from what doubles throughout
    // would give (130, 6, 170 and 11).
    const struct {
        int r, g, b;
        double factor;
        int expected[3];
    } cases[] = {
        { 0, 3, 185, 0.7, { 0, 2, 129 } },
        { 0, 5, 82, 1.1, { 0, 5, 90 } },
        { 0, 13, 155, 1.1, { 0, 14, 171 } },
        { 0, 15, 149, 0.7, { 0, 10, 104 } },
    };
    for (const auto& c : cases) {
        float h, s, l;
        rgbToHls(c.r, c.g, c.b, h, s, l);
        int rgb[3];
        hlsToRgb(h, s, float(c.factor * l), rgb[0], rgb[1], rgb[2]);
        EXPECT_TRUE(std::equal(rgb, rgb + 3, c.expected)) << c.r << ' ' << c.g << ' ' << c.b << ' ' << c.factor;
    }
}
