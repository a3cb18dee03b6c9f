#include "platform/PixelSurface.h"

#include "platform/PixelMemory.h"

#include <QImage>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cstdlib>
#include <cstring>

void PixelSurface::MemoryDeleter::operator()(uint8_t* p) const
{
    PixelMemory::release(p, bytes);
}

PixelSurface::PixelSurface(int32_t width, int32_t height, uint8_t* bits)
    : PixelSurface(width, height, bits, static_cast<size_t>(strideFor(width)) * static_cast<size_t>(height))
{
}

PixelSurface::PixelSurface(int32_t width, int32_t height, uint8_t* bits, size_t bytes)
    : m_width(width)
    , m_height(height)
    , m_stride(strideFor(width))
    , m_bits(bits, MemoryDeleter { bytes })
{
}

bool PixelSurface::validSize(int32_t width, int32_t height)
{
    return width > 0 && height > 0 && static_cast<int64_t>(width) * height <= MaxPixels;
}

std::unique_ptr<PixelSurface> PixelSurface::create(int32_t width, int32_t height)
{
    if (!validSize(width, height)) return nullptr;
    uint8_t* bits = PixelMemory::allocate(static_cast<size_t>(strideFor(width)) * static_cast<size_t>(height));
    if (bits == nullptr) return nullptr;
    return std::unique_ptr<PixelSurface>(new PixelSurface(width, height, bits));
}

std::unique_ptr<PixelSurface> PixelSurface::createForOverwrite(int32_t width, int32_t height)
{
    if (!validSize(width, height)) return nullptr;
    uint8_t* bits
        = PixelMemory::allocateForOverwrite(static_cast<size_t>(strideFor(width)) * static_cast<size_t>(height));
    if (bits == nullptr) return nullptr;
    std::unique_ptr<PixelSurface> surface(new PixelSurface(width, height, bits));
    surface->clearPadding();
    return surface;
}

std::unique_ptr<PixelSurface> PixelSurface::reuse(std::unique_ptr<PixelSurface> donor, int32_t width, int32_t height)
{
    if (!donor || !validSize(width, height)) return nullptr;
    const size_t bytes = static_cast<size_t>(strideFor(width)) * static_cast<size_t>(height);
    if (bytes > donor->m_bits.get_deleter().bytes) return nullptr;
    // The memory changes hands with the size it was allocated with.
    const size_t allocated = donor->m_bits.get_deleter().bytes;
    std::unique_ptr<PixelSurface> surface(new PixelSurface(width, height, donor->m_bits.release(), allocated));
    surface->clearPadding();
    return surface;
}

void PixelSurface::clearPadding()
{
    // Nobody writes the padding, yet whole rows, padding included, may be
    // copied or compared: it is zero as in a cleared surface.
    const int32_t used = m_width * 3;
    if (m_stride > used) {
        for (int32_t r = 0; r < m_height; ++r)
            std::memset(memoryRow(r) + used, 0, static_cast<size_t>(m_stride - used));
    }
}

std::unique_ptr<PixelSurface> PixelSurface::copy() const
{
    std::unique_ptr<PixelSurface> result = createForOverwrite(m_width, m_height);
    if (result) std::memcpy(result->bits(), bits(), static_cast<size_t>(m_stride) * static_cast<size_t>(m_height));
    return result;
}

void PixelSurface::copyBlock(
    PixelSurface& dst, int32_t dx, int32_t dy, int32_t w, int32_t h, const PixelSurface& src, int32_t sx, int32_t sy)
{
    // Clip the block against the source, then the destination.
    if (sx < 0) {
        dx -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        h += sy;
        sy = 0;
    }
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min({ w, src.m_width - sx, dst.m_width - dx });
    h = std::min({ h, src.m_height - sy, dst.m_height - dy });
    if (w <= 0 || h <= 0) return;
    const size_t bytes = static_cast<size_t>(w) * 3;
    for (int32_t y = 0; y < h; ++y)
        std::memmove(dst.scanLine(dy + y) + dx * 3, src.scanLine(sy + y) + sx * 3, bytes);
}

QImage PixelSurface::toImage() const
{
    // Format_BGR888 has the same byte order as the surface; only the row
    // order differs.
    QImage image(m_width, m_height, QImage::Format_BGR888);
    if (image.isNull()) return image;
    for (int32_t y = 0; y < m_height; ++y)
        std::memcpy(image.scanLine(y), scanLine(y), static_cast<size_t>(m_width) * 3);
    return image;
}

void PixelSurface::copyFrom(const QImage& image)
{
    if (image.format() == QImage::Format_RGB32) {
        // What Qt's readers give for most photos: each row straight into
        // ours, without a converted copy of the whole picture first.
        const int32_t w = std::min<int32_t>(m_width, image.width());
        const int32_t h = std::min<int32_t>(m_height, image.height());
        for (int32_t y = 0; y < h; ++y) {
            const auto* source = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            uint8_t* target = scanLine(y);
            for (int32_t x = 0; x < w; ++x, target += 3) {
                target[0] = static_cast<uint8_t>(qBlue(source[x]));
                target[1] = static_cast<uint8_t>(qGreen(source[x]));
                target[2] = static_cast<uint8_t>(qRed(source[x]));
            }
        }
        return;
    }
    const QImage converted
        = image.format() == QImage::Format_BGR888 ? image : image.convertToFormat(QImage::Format_BGR888);
    const int32_t w = std::min<int32_t>(m_width, converted.width());
    const int32_t h = std::min<int32_t>(m_height, converted.height());
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(scanLine(y), converted.constScanLine(y), static_cast<size_t>(w) * 3);
}

void PixelSurface::paint(const std::function<void(QPainter&)>& draw, const QRect& area)
{
    // QImage rows run top-down, ours bottom-up: paint on an upright copy of
    // the rows concerned (all of them, or the area's band), then copy back.
    const QRect band = area.isNull()
        ? QRect(0, 0, m_width, m_height)
        : QRect(0, area.top(), m_width, area.height()).intersected(QRect(0, 0, m_width, m_height));
    if (band.isEmpty()) return;
    QImage image(m_width, band.height(), QImage::Format_BGR888);
    if (image.isNull()) return;
    for (int32_t y = 0; y < band.height(); ++y)
        std::memcpy(image.scanLine(y), scanLine(band.top() + y), static_cast<size_t>(m_width) * 3);
    {
        QPainter painter(&image);
        painter.translate(0, -band.top());
        if (!area.isNull()) painter.setClipRect(area);
        draw(painter);
    }
    for (int32_t y = 0; y < band.height(); ++y)
        std::memcpy(scanLine(band.top() + y), image.constScanLine(y), static_cast<size_t>(m_width) * 3);
}
