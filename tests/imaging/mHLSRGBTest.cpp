#include "imaging/mHLSRGB.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace mHLSRGB;

namespace {

// The conversions written out from their definition, with its float
// variables and double arithmetic within each line.
void plainRGBToHLS(int r, int g, int b, float& h, float& s, float& l)
{
    const float R = float(r / 255.0), G = float(g / 255.0), B = float(b / 255.0);
    const float mx = std::max(R, std::max(G, B)), mn = std::min(R, std::min(G, B));
    l = float((double(mx) + double(mn)) / 2);
    s = h = 0;
    if (mx == mn) return;
    s = float(l <= 0.5 ? (double(mx) - mn) / (double(mx) + mn) : (double(mx) - mn) / (2.0 - mx - mn));
    const float d = float(double(mx) - mn);
    h = R == mx ? float((double(G) - B) / d)
                : (G == mx ? float(2 + (double(B) - R) / d) : float(4 + (double(R) - G) / d));
}

void plainHLSToRGB(float h, float s, float l, int& r, int& g, int& b)
{
    float R = l, G = l, B = l;
    if (s != 0) {
        const float mn = l <= 0.5 ? float(double(l) * (1.0 - s)) : float(double(l) - double(s) * (1.0 - l));
        const float mx = float(2.0 * l - mn), d = float(double(mx) - mn);
        if (h < 1)
            R = mx, G = h < 0 ? mn : float(mn + double(h) * d), B = h < 0 ? float(mn - double(h) * d) : mn;
        else if (h < 3)
            G = mx, B = h < 2 ? mn : float(mn + (double(h) - 2) * d), R = h < 2 ? float(mn - (double(h) - 2) * d) : mn;
        else
            B = mx, R = h < 4 ? mn : float(mn + (double(h) - 4) * d), G = h < 4 ? float(mn - (double(h) - 4) * d) : mn;
    }
    r = int(std::nearbyint(R * 255.0)), g = int(std::nearbyint(G * 255.0)), b = int(std::nearbyint(B * 255.0));
}

} // namespace

TEST(mHLSRGBTest, KnownColours)
{
    const struct {
        int r, g, b;
        float h, s, l;
    } cases[] = {
        { 255, 0, 255, -1.0f, 1.0f, 0.5f }, // magenta: hues below red are negative
        { 255, 255, 0, 1.0f, 1.0f, 0.5f }, // red and green share the maximum: red's branch
        { 0, 255, 255, 3.0f, 1.0f, 0.5f }, // green's branch before blue's
        { 128, 128, 128, 0.0f, 0.0f, float(128 / 255.0) },
    };
    for (const auto& c : cases) {
        float h, s, l;
        RGBToHLS(c.r, c.g, c.b, h, s, l);
        EXPECT_EQ(h, c.h) << c.r << ' ' << c.g << ' ' << c.b;
        EXPECT_EQ(s, c.s);
        EXPECT_EQ(l, c.l);
        int r, g, b;
        HLSToRGB(c.h, c.s, c.l, r, g, b);
        EXPECT_EQ(r, c.r);
        EXPECT_EQ(g, c.g);
        EXPECT_EQ(b, c.b);
    }
    EXPECT_EQ(Maximum(0.25f, -1.0f, 0.5f), 0.5f);
    EXPECT_EQ(Minimum(0.25f, -1.0f, 0.5f), -1.0f);
}

TEST(mHLSRGBTest, AgreesWithPlainConversions)
{
    for (int r = 0; r < 256; r += 3)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 7) {
                float h, s, l, ph, ps, pl;
                RGBToHLS(r, g, b, h, s, l);
                plainRGBToHLS(r, g, b, ph, ps, pl);
                ASSERT_TRUE(h == ph && s == ps && l == pl) << r << ' ' << g << ' ' << b;
                for (float lightness : { l, std::min(1.0f, float(1.1 * l)), float(0.7 * l) }) {
                    int rgb[3], plain[3];
                    HLSToRGB(h, s, lightness, rgb[0], rgb[1], rgb[2]);
                    plainHLSToRGB(h, s, lightness, plain[0], plain[1], plain[2]);
                    ASSERT_TRUE(std::equal(rgb, rgb + 3, plain)) << r << ' ' << g << ' ' << b << ' ' << lightness;
                }
            }
}
