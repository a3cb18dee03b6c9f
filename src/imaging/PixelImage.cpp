#include "imaging/PixelImage.h"

#include "imaging/BilinearResampler.h"

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <vector>

PixelImage::~PixelImage()
{
    clear();
}

bool PixelImage::createBuffer(DeviceContext, int32_t newWidth, int32_t newHeight, uintptr_t& hDib)
{
    return adoptSurface(newWidth, newHeight, PixelSurface::create(newWidth, newHeight), hDib);
}

bool PixelImage::adoptSurface(
    int32_t newWidth, int32_t newHeight, std::unique_ptr<PixelSurface> surface, uintptr_t& hDib)
{
    m_header = BITMAPINFOHEADER {};
    m_header.biSize = 40;
    m_header.biWidth = newWidth;
    m_header.biHeight = newHeight;
    m_header.biPlanes = 1;
    m_header.biBitCount = 24;
    m_header.biCompression = 0;
    m_header.biSizeImage = static_cast<uint32_t>(static_cast<int64_t>(bytesPerLine()) * newHeight);
    m_surface = std::move(surface);
    hDib = m_surface ? reinterpret_cast<uintptr_t>(m_surface->bits()) : 0;
    return hDib != 0;
}

bool PixelImage::create(int32_t newWidth, int32_t newHeight)
{
    clear();
    return createBuffer(nullptr, newWidth, newHeight, m_hDib);
}

void PixelImage::createFromPicture(const PixelSurface& picThis)
{
    if (!create(picThis.width(), picThis.height())) return;
    loadPicture(&picThis);
}

void PixelImage::createFromPicture(std::unique_ptr<PixelSurface> picThis)
{
    if (!picThis) {
        clear();
        m_header = BITMAPINFOHEADER {};
        return;
    }
    // Same header as Create would make, over the decoded memory.
    clear();
    const int32_t width = picThis->width();
    const int32_t height = picThis->height();
    adoptSurface(width, height, std::move(picThis), m_hDib);
}

std::unique_ptr<PixelSurface> PixelImage::takePicture()
{
    m_hDib = 0;
    return std::move(m_surface);
}

void PixelImage::loadPicture(
    const PixelSurface* lhDC, int32_t srcLeft, int32_t srcTop, int32_t srcWidth, int32_t srcHeight, uint32_t rop)
{
    if (!m_surface || lhDC == nullptr) return;
    PixelSurface::bitBlt(*m_surface, 0, 0, srcWidth >= 0 ? srcWidth : width(), srcHeight >= 0 ? srcHeight : height(),
        *lhDC, srcLeft, srcTop, rop);
}

void PixelImage::paintPicture(PixelSurface* lhDC, int32_t destLeft, int32_t destTop, int32_t destWidth,
    int32_t destHeight, int32_t srcLeft, int32_t srcTop, uint32_t rop) const
{
    if (!m_surface || lhDC == nullptr) return;
    PixelSurface::bitBlt(*lhDC, destLeft, destTop, destWidth >= 0 ? destWidth : width(),
        destHeight >= 0 ? destHeight : height(), *m_surface, srcLeft, srcTop, rop);
}

void PixelImage::randomiseBits(bool gray)
{
    if (!m_surface) return;
    // Seeded from the time of day at every call.
    std::mt19937 generator(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    // r x 255 to the nearest integer, ties to even (nearbyint's default mode).
    auto draw = [&] { return static_cast<uint8_t>(std::nearbyint(uniform(generator) * 255.0)); };
    const int32_t width = this->width();
    const int32_t height = this->height();
    if (!gray) {
        for (int32_t x = 0; x < width; ++x) {
            for (int32_t r = 0; r < height; ++r) {
                uint8_t* pixel = m_surface->memoryRow(r) + 3 * x;
                pixel[0] = 0;
                pixel[1] = draw();
                pixel[2] = draw();
            }
        }
    } else {
        for (int32_t r = 0; r < height; ++r) {
            uint8_t* row = m_surface->memoryRow(r);
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t value = draw();
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = value;
            }
        }
    }
}

void PixelImage::clear()
{
    // The header, and so Width, Height and bytesPerLine, keeps its values.
    m_surface.reset();
    m_hDib = 0;
}

std::unique_ptr<PixelImage> PixelImage::resample(int32_t newHeight, int32_t newWidth) const
{
    auto result = std::make_unique<PixelImage>();
    if (!m_surface) return result->create(newWidth, newHeight) ? std::move(result) : nullptr;
    // Both the copy and the scaling below write every pixel of the result.
    if (!result->adoptSurface(
            newWidth, newHeight, PixelSurface::createForOverwrite(newWidth, newHeight), result->m_hDib))
        return nullptr;
    if (newWidth == width() && newHeight == height()) {
        result->loadPicture(hdc());
        return result;
    }

    BilinearResampler::resample(*m_surface, *result->m_surface);
    return result;
}
