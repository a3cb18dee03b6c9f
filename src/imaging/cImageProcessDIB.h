#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class cDIBSection;

// The image-processing object: a convolution kernel with its filter
// operation, tone operations and the looks of the Effect menu, all working
// in place on 24-bit pixel buffers.
//
// Operations return true when they ran. Operations on two buffers do
// nothing (and return false) unless both are live and of the same size; an
// operation on a buffer without pixel memory does nothing.
class cImageProcessDIB {
public:
    // The filter menu's types, 1 to 8 (Blur, Blur More, Soften, Soften
    // More, Sharpen, Sharpen More, Unsharp, Emboss): loads the type's
    // kernel and weight. Other values raise 0x8004051A.
    void FilterType(int32_t eType);

    // Applies the current filter to cImage, using cBuffer (same size) as
    // scratch. False before any type is set, and for buffers that do not
    // match or are one and the same.
    bool ProcessImage(cDIBSection& cImage, cDIBSection& cBuffer);
    // cTo = (cFrom + from offset) x from multiplier + (cTo + to offset) x to
    // multiplier, per byte, clamped; the R, G, B offsets go to bytes 0, 1, 2.
    // Always false. Unsharp and Emboss are made of it.
    bool AddImages(const cDIBSection& cFrom, cDIBSection& cTo, int32_t lFromMultiplier, int32_t lFromOffsetR,
        int32_t lFromOffsetG, int32_t lFromOffsetB, int32_t lToMultiplier, int32_t lToOffsetR, int32_t lToOffsetG,
        int32_t lToOffsetB);
    // Each pixel becomes its grey value, round((222 red + 707 green + 71
    // blue) / 1000), ties to even.
    bool GrayScale(cDIBSection& cTo);
    // Film grain: the three bytes of a pixel move together (so the grain
    // has no colour) by round(r x span - span \ 2), ties to even, span =
    // lPercent x 128 \ 100, r drawn in [0, 1) once per pixel; each byte is
    // clamped. The draws come from seed alone, so one seed gives the same
    // grain on every run.
    bool AddNoise(cDIBSection& cTo, int32_t lPercent, uint32_t seed);
    // Each byte v becomes v x lAmount \ 255; the amount is clamped to 0..255.
    bool Fade(cDIBSection& cTo, int32_t lAmount);
    // Lightness multiplied by 1 + lAmount / 100 (at most 1); amounts below
    // -100 count as -100.
    bool Lighten(cDIBSection& cTo, int32_t lAmount);
    // Every pixel takes hue fHue (sextants, as mHLSRGB counts them) and
    // saturation fSaturation (clamped to 0..1) and keeps its lightness.
    bool Colourise(cDIBSection& cTo, float fHue, float fSaturation);

private:
    void FilterArraySize(int32_t lSize);
    int32_t& element(int32_t iX, int32_t iY)
    {
        return m_kernel[static_cast<std::size_t>((iY + m_half) * m_size + (iX + m_half))];
    }
    void convolutionPass(const cDIBSection& source, cDIBSection& destination);

    int32_t m_type = 0;
    int32_t m_size = 0;
    int32_t m_half = 0;
    int32_t m_weight = 0;
    // (2h + 1) x (2h + 1) elements, element (i, j) at (j + h) x (2h + 1) + (i + h),
    // i to the right, j up one memory row.
    std::vector<int32_t> m_kernel;
};
