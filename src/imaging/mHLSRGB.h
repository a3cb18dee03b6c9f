#pragma once

#include <cstdint>

// Conversion between RGB bytes and hue, lightness, saturation.
//
// Lightness and saturation run from 0 to 1. Hue counts sextants of the
// colour circle (0 red, 1 yellow, 2 green, 3 cyan, 4 blue, 5 magenta) and is
// not wrapped: magenta-to-red hues come out negative, pure magenta is -1.
//
// Every intermediate value is kept as a float between steps while the
// arithmetic of a step runs in double; the rounding of those float stores is
// part of the result, so the image operations that convert many pixels use
// the same steps below rather than arithmetic of their own.
namespace mHLSRGB {

float Maximum(float a, float b, float c);
float Minimum(float a, float b, float c);
void RGBToHLS(int32_t r, int32_t g, int32_t b, float& h, float& s, float& l);
void HLSToRGB(float h, float s, float l, int32_t& r, int32_t& g, int32_t& b);

// The steps both conversions are made of.
namespace steps {

inline float unit(int32_t v)
{
    return static_cast<float>(v / 255.0);
}

inline float lightness(float mx, float mn)
{
    return static_cast<float>((static_cast<double>(mx) + mn) / 2);
}

inline float saturation(float mx, float mn, float l)
{
    const double spread = static_cast<double>(mx) - mn;
    return static_cast<float>(l <= 0.5f ? spread / (static_cast<double>(mx) + mn) : spread / (2.0 - mx - mn));
}

// Hue of a colour whose channels are not all equal, d = mx - mn stored as a
// float. Red is tested first, then green, so shared maxima go to red, then
// to green.
inline float hue(float R, float G, float B, float mx, float d)
{
    if (R == mx)
        return static_cast<float>((static_cast<double>(G) - B) / d);
    if (G == mx)
        return static_cast<float>(2.0 + (static_cast<double>(B) - R) / d);
    return static_cast<float>(4.0 + (static_cast<double>(R) - G) / d);
}

// The smallest and largest channel, and their difference, of a colour of
// saturation s (not 0) and lightness l.
inline void channelRange(float s, float l, float& mn, float& mx, float& d)
{
    mn = static_cast<float>(l <= 0.5f ? static_cast<double>(l) * (1.0 - s)
                                      : static_cast<double>(l) - static_cast<double>(s) * (1.0 - l));
    mx = static_cast<float>(2.0 * l - mn);
    d = static_cast<float>(static_cast<double>(mx) - mn);
}

inline void hueToChannels(float h, float mn, float mx, float d, float& R, float& G, float& B)
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

// X x 255 rounded to the nearest integer, ties to even. Adding and taking
// away 1.5 x 2^52 rounds in the current (nearest-even) mode without a library
// call; values beyond the 32-bit range saturate, NaN gives 0.
inline int32_t scaleToInteger(float X)
{
    double v = static_cast<double>(X) * 255.0;
    if (!(v > -2147483648.0))
        return v != v ? 0 : INT32_MIN;
    if (v > 2147483647.0)
        return INT32_MAX;
    constexpr double magic = 6755399441055744.0;
    return static_cast<int32_t>((v + magic) - magic);
}

} // namespace steps
} // namespace mHLSRGB
