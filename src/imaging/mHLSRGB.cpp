#include "imaging/mHLSRGB.h"

namespace mHLSRGB {

float Maximum(float a, float b, float c)
{
    const float ab = a > b ? a : b;
    return ab > c ? ab : c;
}

float Minimum(float a, float b, float c)
{
    const float ab = a < b ? a : b;
    return ab < c ? ab : c;
}

void RGBToHLS(int32_t r, int32_t g, int32_t b, float& h, float& s, float& l)
{
    const float R = steps::unit(r);
    const float G = steps::unit(g);
    const float B = steps::unit(b);
    const float mx = Maximum(R, G, B);
    const float mn = Minimum(R, G, B);
    l = steps::lightness(mx, mn);
    if (mx == mn) {
        s = 0;
        h = 0;
        return;
    }
    s = steps::saturation(mx, mn, l);
    const float d = static_cast<float>(static_cast<double>(mx) - mn);
    h = steps::hue(R, G, B, mx, d);
}

void HLSToRGB(float h, float s, float l, int32_t& r, int32_t& g, int32_t& b)
{
    float R, G, B;
    if (s == 0) {
        R = G = B = l;
    } else {
        float mn, mx, d;
        steps::channelRange(s, l, mn, mx, d);
        steps::hueToChannels(h, mn, mx, d, R, G, B);
    }
    r = steps::scaleToInteger(R);
    g = steps::scaleToInteger(G);
    b = steps::scaleToInteger(B);
}

} // namespace mHLSRGB
