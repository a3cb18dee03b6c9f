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
// part of the result, so the image operations that convert many pixels build
// on the same steps below, and where one regroups a step (Lighten places the
// channels by hue without branches) it keeps every float store of it.
namespace Hls {

float maximum(float a, float b, float c);
float minimum(float a, float b, float c);
void rgbToHls(int32_t r, int32_t g, int32_t b, float& h, float& s, float& l);
void hlsToRgb(float h, float s, float l, int32_t& r, int32_t& g, int32_t& b);

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

// The smallest and largest channel, and their difference, of a colour of
// saturation s (not 0) and lightness l.
inline void channelRange(float s, float l, float& mn, float& mx, float& d)
{
    mn = static_cast<float>(
        l <= 0.5f ? static_cast<double>(l) * (1.0 - s) : static_cast<double>(l) - static_cast<double>(s) * (1.0 - l));
    mx = static_cast<float>(2.0 * l - mn);
    d = static_cast<float>(static_cast<double>(mx) - mn);
}

// X x 255 rounded to the nearest integer, ties to even. Adding and taking
// away 1.5 x 2^52 rounds in the current (nearest-even) mode without a library
// call; values beyond the 32-bit range saturate, NaN gives 0.
inline int32_t scaleToInteger(float X)
{
    double v = static_cast<double>(X) * 255.0;
    if (!(v > -2147483648.0)) return v != v ? 0 : INT32_MIN;
    if (v > 2147483647.0) return INT32_MAX;
    constexpr double magic = 6755399441055744.0;
    return static_cast<int32_t>((v + magic) - magic);
}

} // namespace steps
} // namespace Hls
