#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class PixelSurface;

// The image-processing object: a convolution kernel with its filter
// operation, tone operations and the looks of the Effect menu, all working
// in place on 24-bit pixel buffers.
//
// Operations return true when they ran. Operations on two buffers do
// nothing (and return false) unless both are of the same size.
class ImageFilters {
public:
    // The filter menu's types, 1 to 8 (Blur, Blur More, Soften, Soften
    // More, Sharpen, Sharpen More, Unsharp, Emboss): loads the type's
    // kernel and weight. Other values raise 0x8004051A.
    void filterType(int32_t type);

    // Applies the current filter to image, in place; buffer, another
    // surface of the same size, is left as it was. False before any type is
    // set, and for buffers that do not match or are one and the same.
    bool processImage(PixelSurface& image, PixelSurface& buffer);
    // target = (sourceImage + from offset) x from multiplier + (target + to offset) x to
    // multiplier, per byte, clamped; the R, G, B offsets go to bytes 0, 1, 2.
    // Always false. Unsharp and Emboss are made of it.
    bool addImages(const PixelSurface& sourceImage, PixelSurface& target, int32_t fromMultiplier, int32_t fromOffsetR,
        int32_t fromOffsetG, int32_t fromOffsetB, int32_t toMultiplier, int32_t toOffsetR, int32_t toOffsetG,
        int32_t toOffsetB);
    // Each pixel becomes its grey value, round((222 red + 707 green + 71
    // blue) / 1000), ties to even.
    bool grayScale(PixelSurface& target);
    // Film grain: the three bytes of a pixel move together (so the grain
    // has no colour) by round(r x span - span \ 2), ties to even, span =
    // percent x 128 \ 100, r drawn in [0, 1) once per pixel; each byte is
    // clamped. The draws come from seed alone, so one seed gives the same
    // grain on every run.
    bool addNoise(PixelSurface& target, int32_t percent, uint32_t seed);
    // Each byte v becomes v x level \ 255; the amount is clamped to 0..255.
    bool fade(PixelSurface& target, int32_t level);
    // Lightness multiplied by 1 + level / 100 (at most 1); amounts below
    // -100 count as -100.
    bool lighten(PixelSurface& target, int32_t level);
    // Every pixel takes hue hue (sextants, as Hls counts them) and
    // saturation saturation (clamped to 0..1) and keeps its lightness.
    bool colourise(PixelSurface& target, float hue, float saturation);

    // What becomes of the filtered byte q of a byte v: q itself, Unsharp's
    // 2v - q or Emboss's q + 127, clamped.
    enum class Look { Plain, Unsharp, Emboss };

private:
    void filterArraySize(int32_t size);
    int32_t& element(int32_t x, int32_t y)
    {
        return m_kernel[static_cast<std::size_t>((y + m_half) * m_size + (x + m_half))];
    }
    // The current kernel's pass over image, in place, each filtered byte
    // given the look; the border, where the kernel does not fit, keeps its
    // bytes.
    void convolutionPass(PixelSurface& image, Look look);

    int32_t m_type = 0;
    int32_t m_size = 0;
    int32_t m_half = 0;
    int32_t m_weight = 0;
    // (2h + 1) x (2h + 1) elements, element (i, j) at (j + h) x (2h + 1) + (i + h),
    // i to the right, j up one memory row.
    std::vector<int32_t> m_kernel;
};
