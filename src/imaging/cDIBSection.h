#pragma once

#include "platform/PixelSurface.h"

#include <cstdint>
#include <memory>

// The record that describes a pixel buffer: a 24-bit, bottom-up, uncompressed
// bitmap without a colour table.
struct BITMAPINFOHEADER {
    uint32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 0;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

// The program's pixel buffer: a 24-bit picture whose bytes the image
// operations address directly, with a drawing surface over the same bytes.
//
// Memory layout, which every image operation and the JPEG writer rely on:
// 3 bytes per pixel in the order blue, green, red; each row BytesPerScanLine()
// bytes (width x 3 rounded up to a multiple of 4, the rest padding); rows
// bottom-up, so the first byte at DIBSectionBitsPtr() is the blue of the
// bottom-left pixel and memory row r + 1 is the line above row r.
//
// The device context (hdc) is the drawing surface; the DIB handle (hDib) is
// an identifier of the pixel memory, 0 when there is none.
class cDIBSection {
public:
    using DeviceContext = PixelSurface*;
    static constexpr uint32_t SRCCOPY = PixelSurface::SRCCOPY;

    cDIBSection() = default;
    ~cDIBSection();
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;

    // Makes the pixel memory for lWidth x lHeight pixels; the device context
    // is given for compatibility and not needed here.
    bool CreateDIB(DeviceContext lhDC, int32_t lWidth, int32_t lHeight, uintptr_t& hDib);
    // A buffer of the picture's size holding a copy of it.
    void CreateFromPicture(const PixelSurface& picThis);
    // Takes the picture's memory over instead of copying it (same result as
    // CreateFromPicture on a picture that is not used again).
    void CreateFromPicture(std::unique_ptr<PixelSurface> picThis);
    // The other way round: hands the pixel memory out, and the buffer is
    // left as ClearUp leaves it. Nothing when it has none.
    std::unique_ptr<PixelSurface> TakePicture();
    bool Create(int32_t lWidth, int32_t lHeight);
    int32_t BytesPerScanLine() const { return PixelSurface::strideFor(m_header.biWidth); }
    int32_t Width() const { return m_header.biWidth; }
    int32_t Height() const { return m_header.biHeight; }
    void LoadPictureBlt(const PixelSurface* lhDC, int32_t lSrcLeft = 0, int32_t lSrcTop = 0, int32_t lSrcWidth = -1,
        int32_t lSrcHeight = -1, uint32_t eRop = SRCCOPY);
    void PaintPicture(PixelSurface* lhDC, int32_t lDestLeft = 0, int32_t lDestTop = 0, int32_t lDestWidth = -1,
        int32_t lDestHeight = -1, int32_t lSrcLeft = 0, int32_t lSrcTop = 0, uint32_t eRop = SRCCOPY) const;
    DeviceContext hdc() const { return m_surface.get(); }
    uintptr_t hDib() const { return m_hDib; }
    uint8_t* DIBSectionBitsPtr() const { return m_surface ? m_surface->bits() : nullptr; }
    void RandomiseBits(bool bGray = false);
    void ClearUp();
    // A new buffer of lNewWidth x lNewHeight holding this picture scaled
    // bilinearly, or nothing when that buffer cannot be made. Height first.
    std::unique_ptr<cDIBSection> Resample(int32_t lNewHeight, int32_t lNewWidth) const;

    const BITMAPINFOHEADER& header() const { return m_header; }

private:
    // Fills the header for lWidth x lHeight and takes surface as the pixel
    // memory; hDib receives its identifier, 0 when there is none.
    bool adoptSurface(int32_t lWidth, int32_t lHeight, std::unique_ptr<PixelSurface> surface, uintptr_t& hDib);

    BITMAPINFOHEADER m_header;
    std::unique_ptr<PixelSurface> m_surface;
    uintptr_t m_hDib = 0;
};
