#pragma once

#include <QRect>

#include <cstdint>
#include <functional>
#include <memory>

class QImage;
class QPainter;

// A drawing surface over pixel memory: 24 bits per pixel in the order blue,
// green, red, each row padded to a multiple of 4 bytes, stored bottom-up
// (memory row 0 is the bottom line of the picture). Pixel buffers expose
// these bytes directly; blocks are copied between surfaces with copyBlock and
// drawn with QPainter through paint().
class PixelSurface {
public:
    // The largest picture accepted, in pixels (250 megapixels, 750 MB of
    // pixel memory): larger sizes are refused before any memory is taken.
    static constexpr int64_t MaxPixels = 250'000'000;

    // Row stride in bytes for a width: width x 3 rounded up to a multiple of 4.
    static constexpr int32_t strideFor(int32_t width) { return (width * 3 + 3) & ~3; }

    // A zero-filled surface, or nothing when the size is not positive, is
    // above MaxPixels, or the memory cannot be had.
    static std::unique_ptr<PixelSurface> create(int32_t width, int32_t height);
    // The same without clearing the pixels first, for a caller that writes
    // every pixel before anything reads one (a decoder, a turn, a scaling):
    // their bytes are left as the memory held them, often a picture freed
    // earlier. The row padding is zero as in any surface.
    static std::unique_ptr<PixelSurface> createForOverwrite(int32_t width, int32_t height);
    // The same over the memory of donor, which holds at least as many bytes
    // and is used up: a picture that is read no more lends its memory, with
    // its pages already in place, to a smaller one. Its whole memory goes
    // back when the new surface goes. Nothing (and donor let go) when donor
    // is missing or too small or the size is not valid.
    static std::unique_ptr<PixelSurface> reuse(std::unique_ptr<PixelSurface> donor, int32_t width, int32_t height);

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    int32_t stride() const { return m_stride; }
    uint8_t* bits() { return m_bits.get(); }
    const uint8_t* bits() const { return m_bits.get(); }
    // Memory row r: r = 0 is the bottom line.
    uint8_t* memoryRow(int32_t r) { return m_bits.get() + static_cast<int64_t>(r) * m_stride; }
    const uint8_t* memoryRow(int32_t r) const { return m_bits.get() + static_cast<int64_t>(r) * m_stride; }
    // Line y counted from the top, as screens and files count.
    uint8_t* scanLine(int32_t y) { return memoryRow(m_height - 1 - y); }
    const uint8_t* scanLine(int32_t y) const { return memoryRow(m_height - 1 - y); }

    // Copies a w x h block from src at (sx, sy) to dst at (dx, dy); positions
    // count from the top-left corner, the block is clipped to both surfaces,
    // and the copy goes row by row.
    static void copyBlock(PixelSurface& dst, int32_t dx, int32_t dy, int32_t w, int32_t h, const PixelSurface& src,
        int32_t sx, int32_t sy);
    // A surface of the same size holding the same bytes, or nothing when the
    // memory cannot be had.
    std::unique_ptr<PixelSurface> copy() const;

    // An upright copy of the picture.
    QImage toImage() const;
    // Copies an upright picture into the surface from the top-left corner,
    // converting it to 24 bits; what does not fit is left out.
    void copyFrom(const QImage& image);
    // Draws on the surface with a painter whose origin is the top-left
    // corner. When an area is given, only what falls inside it is changed,
    // and only its rows are copied for the painter.
    void paint(const std::function<void(QPainter&)>& draw, const QRect& area = QRect());

private:
    struct MemoryDeleter {
        size_t bytes;
        void operator()(uint8_t* p) const;
    };
    PixelSurface(int32_t width, int32_t height, uint8_t* bits);
    PixelSurface(int32_t width, int32_t height, uint8_t* bits, size_t bytes);
    static bool validSize(int32_t width, int32_t height);
    void clearPadding();

    int32_t m_width;
    int32_t m_height;
    int32_t m_stride;
    std::unique_ptr<uint8_t[], MemoryDeleter> m_bits;
};
