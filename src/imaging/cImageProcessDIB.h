#pragma once

#include "imaging/ImageProcessListener.h"
#include "platform/Clock.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class cDIBSection;
class cPalette;

// The image-processing object: a convolution kernel with its filter
// operation, tone operations and further pixel operations, all working in
// place on 24-bit pixel buffers.
//
// Operations visit pixels column by column (left to right, by byte offset)
// and within a column memory row by memory row (bottom to top); where the
// order changes the result (the error diffusion, the noise draws) it is kept
// literally, elsewhere rows are computed in any order; the per-column
// progress events are raised in column order once the work is done.
//
// Operations return true when they ran. Operations on two buffers do
// nothing (and return false) unless both are live and of the same size; an
// operation on a buffer without pixel memory does nothing. The events go to
// the listener, if one is set; no result depends on it.
class cImageProcessDIB {
public:
    void setListener(ImageProcessListener* listener) { m_listener = listener; }

    // 1 to 13: loads the predefined kernel and weight of the type (13 keeps
    // the ones set by hand). Other values raise 0x8004051A.
    void FilterType(int32_t eType);
    int32_t FilterArraySize() const { return m_size; }
    // An odd size from 1 to 9; recreates the kernel with every element 0.
    // Even sizes raise 0x80040519, other odd sizes 0x8004051A.
    void FilterArraySize(int32_t lSize);
    // Kernel element (iX, iY), iX to the right, iY up one memory row; both
    // from -h to h (h = size \ 2), else "Subscript out of range" (9).
    int32_t FilterValue(int32_t iX, int32_t iY) const;
    void FilterValue(int32_t iX, int32_t iY, int32_t lValue);
    int32_t FilterWeight() const { return m_weight; }
    void FilterWeight(int32_t lWeight) { m_weight = lWeight; }

    // Applies the current filter to cImage, using cBuffer (same size) as
    // scratch. False for type 12, before any type is set, and for buffers
    // that do not match or are one and the same. A convolution with weight
    // 0 raises 0x8004051B, one of type 13 before any size was set
    // "Subscript out of range" (9).
    bool ProcessImage(cDIBSection& cImage, cDIBSection& cBuffer);
    // Per pixel, cTo takes the cFrom pixel when that one is darker (sic:
    // the darker of the two stays); no events.
    bool AddLightest(const cDIBSection& cFrom, cDIBSection& cTo);
    // Per pixel, cTo takes the cFrom pixel when that one is brighter.
    bool AddDarkest(const cDIBSection& cFrom, cDIBSection& cTo);
    // cTo = (cFrom + from offset) x from multiplier + (cTo + to offset) x to
    // multiplier, per byte, clamped; the R, G, B offsets go to bytes 0, 1, 2.
    // Always false; no events.
    bool AddImages(const cDIBSection& cFrom, cDIBSection& cTo, int32_t lFromMultiplier, int32_t lFromOffsetR,
        int32_t lFromOffsetG, int32_t lFromOffsetB, int32_t lToMultiplier, int32_t lToOffsetR, int32_t lToOffsetG,
        int32_t lToOffsetB);
    // Grey scale of cFrom dithered to black and white into cTo, then copied
    // back into cFrom. One buffer for both is refused (false).
    bool BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo);
    // cFrom mapped onto the palette with error diffusion into cTo, then
    // copied back into cFrom. An empty palette, or one buffer for both, is
    // refused (false).
    bool ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal);
    bool GrayScale(cDIBSection& cTo);
    // Uniform noise of lPercent x 1.28 levels around each byte; with bRandom
    // only the pixels whose draw r gives r x 100 > lPercent are treated.
    bool AddNoise(cDIBSection& cTo, int32_t lPercent, bool bRandom = false);
    // Each byte v becomes v x lAmount \ 255; the amount is clamped to 0..255.
    bool Fade(cDIBSection& cTo, int32_t lAmount);
    // Lightness multiplied by 1 + lAmount / 100 (at most 1); amounts below
    // -100 count as -100.
    bool Lighten(cDIBSection& cTo, int32_t lAmount);
    bool Colourise(cDIBSection& cTo, float fHue, float fSaturation);

private:
    // Position of element (iX, iY) in m_kernel; out of range raises 9.
    std::size_t elementIndex(int32_t iX, int32_t iY) const;
    int32_t& element(int32_t iX, int32_t iY) { return m_kernel[elementIndex(iX, iY)]; }
    void convolutionPass(const cDIBSection& source, cDIBSection& destination);
    void rankPass(const cDIBSection& source, cDIBSection& destination);
    void diffuse(cDIBSection& cFrom, cDIBSection& cTo, const cPalette* palette);

    // The events of a long operation over the columns first to last (byte
    // offsets, step 3): beginColumns raises InitProgress(last); endColumns
    // raises Progress for every column, then Complete with the milliseconds
    // since startMs. The columns are reported once the work is done, in
    // column order whatever order the pixels were treated in.
    struct ColumnEvents {
        int32_t first;
        int32_t last;
        uint32_t startMs;
    };
    ColumnEvents beginColumns(int32_t first, int32_t last, uint32_t startMs = Clock::timeGetTime());
    void endColumns(const ColumnEvents& events);

    ImageProcessListener* m_listener = nullptr;
    int32_t m_type = 0;
    int32_t m_size = 0;
    int32_t m_half = 0;
    int32_t m_weight = 0;
    // (2h + 1) x (2h + 1) elements, element (i, j) at (j + h) x (2h + 1) + (i + h);
    // empty until the first FilterArraySize.
    std::vector<int32_t> m_kernel;
};
