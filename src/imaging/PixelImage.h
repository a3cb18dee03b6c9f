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
// 3 bytes per pixel in the order blue, green, red; each row bytesPerLine()
// bytes (width x 3 rounded up to a multiple of 4, the rest padding); rows
// bottom-up, so the first byte at bits() is the blue of the
// bottom-left pixel and memory row r + 1 is the line above row r.
//
// The device context (hdc) is the drawing surface; the DIB handle (hDib) is
// an identifier of the pixel memory, 0 when there is none.
class PixelImage {
public:
    using DeviceContext = PixelSurface*;
    static constexpr uint32_t SRCCOPY = PixelSurface::SRCCOPY;

    PixelImage() = default;
    ~PixelImage();
    PixelImage(const PixelImage&) = delete;
    PixelImage& operator=(const PixelImage&) = delete;

    // Makes the pixel memory for width x height pixels; the device context
    // is given for compatibility and not needed here.
    bool createBuffer(DeviceContext lhDC, int32_t width, int32_t height, uintptr_t& hDib);
    // A buffer of the picture's size holding a copy of it.
    void createFromPicture(const PixelSurface& picThis);
    // Takes the picture's memory over instead of copying it (same result as
    // createFromPicture on a picture that is not used again).
    void createFromPicture(std::unique_ptr<PixelSurface> picThis);
    // The other way round: hands the pixel memory out, and the buffer is
    // left as clear leaves it. Nothing when it has none.
    std::unique_ptr<PixelSurface> takePicture();
    bool create(int32_t width, int32_t height);
    int32_t bytesPerLine() const { return PixelSurface::strideFor(m_header.biWidth); }
    int32_t width() const { return m_header.biWidth; }
    int32_t height() const { return m_header.biHeight; }
    void loadPicture(const PixelSurface* lhDC, int32_t srcLeft = 0, int32_t srcTop = 0, int32_t srcWidth = -1,
        int32_t srcHeight = -1, uint32_t rop = SRCCOPY);
    void paintPicture(PixelSurface* lhDC, int32_t destLeft = 0, int32_t destTop = 0, int32_t destWidth = -1,
        int32_t destHeight = -1, int32_t srcLeft = 0, int32_t srcTop = 0, uint32_t rop = SRCCOPY) const;
    DeviceContext hdc() const { return m_surface.get(); }
    uintptr_t hDib() const { return m_hDib; }
    uint8_t* bits() const { return m_surface ? m_surface->bits() : nullptr; }
    void randomiseBits(bool gray = false);
    void clear();
    // A new buffer of newWidth x newHeight holding this picture scaled
    // bilinearly, or nothing when that buffer cannot be made. Height first.
    std::unique_ptr<PixelImage> resample(int32_t newHeight, int32_t newWidth) const;

    const BITMAPINFOHEADER& header() const { return m_header; }

private:
    // Fills the header for width x height and takes surface as the pixel
    // memory; hDib receives its identifier, 0 when there is none.
    bool adoptSurface(int32_t width, int32_t height, std::unique_ptr<PixelSurface> surface, uintptr_t& hDib);

    BITMAPINFOHEADER m_header;
    std::unique_ptr<PixelSurface> m_surface;
    uintptr_t m_hDib = 0;
};
