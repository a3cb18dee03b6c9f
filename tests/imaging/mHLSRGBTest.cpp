#include "imaging/mHLSRGB.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mHLSRGB;

namespace {

// The conversions written out from their definition, with the float
// variables of the definition and double arithmetic within each line.
void plainRGBToHLS(int r, int g, int b, float& h, float& s, float& l)
{
    float R = float(r / 255.0), G = float(g / 255.0), B = float(b / 255.0);
    float mx = std::max(R, std::max(G, B)), mn = std::min(R, std::min(G, B));
    l = float((double(mx) + double(mn)) / 2);
    if (mx == mn) {
        s = 0;
        h = 0;
        return;
    }
    if (l <= 0.5)
        s = float((double(mx) - mn) / (double(mx) + mn));
    else
        s = float((double(mx) - mn) / (2.0 - mx - mn));
    float d = float(double(mx) - mn);
    if (R == mx)
        h = float((double(G) - B) / d);
    else if (G == mx)
        h = float(2 + (double(B) - R) / d);
    else
        h = float(4 + (double(R) - G) / d);
}

void plainHLSToRGB(float h, float s, float l, int& r, int& g, int& b)
{
    float R, G, B;
    if (s == 0) {
        R = G = B = l;
    } else {
        float mn = l <= 0.5 ? float(double(l) * (1.0 - s)) : float(double(l) - double(s) * (1.0 - l));
        float mx = float(2.0 * l - mn);
        float d = float(double(mx) - mn);
        if (h < 1) {
            R = mx;
            if (h < 0) { G = mn; B = float(mn - double(h) * d); }
            else { B = mn; G = float(mn + double(h) * d); }
        } else if (h < 3) {
            G = mx;
            if (h < 2) { B = mn; R = float(mn - (double(h) - 2) * d); }
            else { R = mn; B = float(mn + (double(h) - 2) * d); }
        } else {
            B = mx;
            if (h < 4) { R = mn; G = float(mn - (double(h) - 4) * d); }
            else { G = mn; R = float(mn + (double(h) - 4) * d); }
        }
    }
    r = int(std::nearbyint(R * 255.0));
    g = int(std::nearbyint(G * 255.0));
    b = int(std::nearbyint(B * 255.0));
}

} // namespace

TEST(mHLSRGBTest, KnownColours)
{
    float h, s, l;
    RGBToHLS(255, 0, 255, h, s, l); // magenta: hues below red are negative
    EXPECT_EQ(h, -1.0f);
    EXPECT_EQ(s, 1.0f);
    EXPECT_EQ(l, 0.5f);
    int r, g, b;
    HLSToRGB(-1.0f, 1.0f, 0.5f, r, g, b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 255);

    RGBToHLS(255, 255, 0, h, s, l); // red and green share the maximum: red's branch wins
    EXPECT_EQ(h, 1.0f);
    RGBToHLS(0, 255, 255, h, s, l); // green before blue
    EXPECT_EQ(h, 3.0f);
    RGBToHLS(128, 128, 128, h, s, l);
    EXPECT_EQ(h, 0.0f);
    EXPECT_EQ(s, 0.0f);
    EXPECT_FLOAT_EQ(l, 128 / 255.0f);

    EXPECT_EQ(Maximum(0.25f, -1.0f, 0.5f), 0.5f);
    EXPECT_EQ(Minimum(0.25f, -1.0f, 0.5f), -1.0f);
}

TEST(mHLSRGBTest, AgreesWithPlainConversionsAndRoundTrips)
{
    for (int r = 0; r < 256; r += 3)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 7) {
                float h, s, l, ph, ps, pl;
                RGBToHLS(r, g, b, h, s, l);
                plainRGBToHLS(r, g, b, ph, ps, pl);
                ASSERT_EQ(h, ph) << r << ' ' << g << ' ' << b;
                ASSERT_EQ(s, ps);
                ASSERT_EQ(l, pl);
                int rr, gg, bb, pr, pg, pb;
                const float lighter = std::min(1.0f, float(1.1 * l));
                HLSToRGB(h, s, lighter, rr, gg, bb);
                plainHLSToRGB(h, s, lighter, pr, pg, pb);
                ASSERT_EQ(rr, pr);
                ASSERT_EQ(gg, pg);
                ASSERT_EQ(bb, pb);
                HLSToRGB(h, s, l, rr, gg, bb);
                EXPECT_NEAR(rr, r, 1);
                EXPECT_NEAR(gg, g, 1);
                EXPECT_NEAR(bb, b, 1);
            }
}
