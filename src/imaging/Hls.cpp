#include "imaging/Hls.h"

namespace {

// Hue of a colour whose channels are not all equal, d = mx - mn stored as a
// float. Red is tested first, then green, so shared maxima go to red, then
// to green.
float hue(float R, float G, float B, float mx, float d)
{
    if (R == mx) return static_cast<float>((static_cast<double>(G) - B) / d);
    if (G == mx) return static_cast<float>(2.0 + (static_cast<double>(B) - R) / d);
    return static_cast<float>(4.0 + (static_cast<double>(R) - G) / d);
}

void hueToChannels(float h, float mn, float mx, float d, float& R, float& G, float& B)
{
    const double dd = d;
    if (h < 1.0f) {
        R = mx;
        if (h < 0.0f) {
            G = mn;
            B = static_cast<float>(mn - h * dd);
        } else {
            B = mn;
            G = static_cast<float>(mn + h * dd);
        }
    } else if (h < 3.0f) {
        G = mx;
        if (h < 2.0f) {
            B = mn;
            R = static_cast<float>(mn - (h - 2.0) * dd);
        } else {
            R = mn;
            B = static_cast<float>(mn + (h - 2.0) * dd);
        }
    } else {
        B = mx;
        if (h < 4.0f) {
            R = mn;
            G = static_cast<float>(mn - (h - 4.0) * dd);
        } else {
            G = mn;
            R = static_cast<float>(mn + (h - 4.0) * dd);
        }
    }
}

} // namespace

namespace Hls {

float maximum(float a, float b, float c)
{
    const float ab = a > b ? a : b;
    return ab > c ? ab : c;
}

float minimum(float a, float b, float c)
{
    const float ab = a < b ? a : b;
    return ab < c ? ab : c;
}

void rgbToHls(int32_t r, int32_t g, int32_t b, float& h, float& s, float& l)
{
    const float R = steps::unit(r);
    const float G = steps::unit(g);
    const float B = steps::unit(b);
    const float mx = maximum(R, G, B);
    const float mn = minimum(R, G, B);
    l = steps::lightness(mx, mn);
    if (mx == mn) {
        s = 0;
        h = 0;
        return;
    }
    s = steps::saturation(mx, mn, l);
    const float d = static_cast<float>(static_cast<double>(mx) - mn);
    h = hue(R, G, B, mx, d);
}

void hlsToRgb(float h, float s, float l, int32_t& r, int32_t& g, int32_t& b)
{
    float R, G, B;
    if (s == 0) {
        R = G = B = l;
    } else {
        float mn, mx, d;
        steps::channelRange(s, l, mn, mx, d);
        hueToChannels(h, mn, mx, d, R, G, B);
    }
    r = steps::scaleToInteger(R);
    g = steps::scaleToInteger(G);
    b = steps::scaleToInteger(B);
}

} // namespace Hls
