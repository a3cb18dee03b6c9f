#include "imaging/cDIBSection.h"

#include "imaging/BilinearResampler.h"

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <vector>

cDIBSection::~cDIBSection()
{
    ClearUp();
}

bool cDIBSection::CreateDIB(DeviceContext, int32_t lWidth, int32_t lHeight, uintptr_t& hDib)
{
    return adoptSurface(lWidth, lHeight, PixelSurface::create(lWidth, lHeight), hDib);
}

bool cDIBSection::adoptSurface(int32_t lWidth, int32_t lHeight, std::unique_ptr<PixelSurface> surface, uintptr_t& hDib)
{
    m_header = BITMAPINFOHEADER {};
    m_header.biSize = 40;
    m_header.biWidth = lWidth;
    m_header.biHeight = lHeight;
    m_header.biPlanes = 1;
    m_header.biBitCount = 24;
    m_header.biCompression = 0;
    m_header.biSizeImage = static_cast<uint32_t>(static_cast<int64_t>(BytesPerScanLine()) * lHeight);
    m_surface = std::move(surface);
    hDib = m_surface ? reinterpret_cast<uintptr_t>(m_surface->bits()) : 0;
    return hDib != 0;
}

bool cDIBSection::Create(int32_t lWidth, int32_t lHeight)
{
    ClearUp();
    return CreateDIB(nullptr, lWidth, lHeight, m_hDib);
}

void cDIBSection::CreateFromPicture(const PixelSurface& picThis)
{
    if (!Create(picThis.width(), picThis.height())) return;
    LoadPictureBlt(&picThis);
}

void cDIBSection::CreateFromPicture(std::unique_ptr<PixelSurface> picThis)
{
    if (!picThis) {
        ClearUp();
        m_header = BITMAPINFOHEADER {};
        return;
    }
    // Same header as Create would make, over the decoded memory.
    ClearUp();
    const int32_t width = picThis->width();
    const int32_t height = picThis->height();
    adoptSurface(width, height, std::move(picThis), m_hDib);
}

std::unique_ptr<PixelSurface> cDIBSection::TakePicture()
{
    m_hDib = 0;
    return std::move(m_surface);
}

void cDIBSection::LoadPictureBlt(
    const PixelSurface* lhDC, int32_t lSrcLeft, int32_t lSrcTop, int32_t lSrcWidth, int32_t lSrcHeight, uint32_t eRop)
{
    if (!m_surface || lhDC == nullptr) return;
    PixelSurface::bitBlt(*m_surface, 0, 0, lSrcWidth >= 0 ? lSrcWidth : Width(),
        lSrcHeight >= 0 ? lSrcHeight : Height(), *lhDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::PaintPicture(PixelSurface* lhDC, int32_t lDestLeft, int32_t lDestTop, int32_t lDestWidth,
    int32_t lDestHeight, int32_t lSrcLeft, int32_t lSrcTop, uint32_t eRop) const
{
    if (!m_surface || lhDC == nullptr) return;
    PixelSurface::bitBlt(*lhDC, lDestLeft, lDestTop, lDestWidth >= 0 ? lDestWidth : Width(),
        lDestHeight >= 0 ? lDestHeight : Height(), *m_surface, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::RandomiseBits(bool bGray)
{
    if (!m_surface) return;
    // Seeded from the time of day at every call.
    std::mt19937 generator(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    // r x 255 to the nearest integer, ties to even (nearbyint's default mode).
    auto draw = [&] { return static_cast<uint8_t>(std::nearbyint(uniform(generator) * 255.0)); };
    const int32_t width = Width();
    const int32_t height = Height();
    if (!bGray) {
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

void cDIBSection::ClearUp()
{
    // The header, and so Width, Height and BytesPerScanLine, keeps its values.
    m_surface.reset();
    m_hDib = 0;
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(int32_t lNewHeight, int32_t lNewWidth) const
{
    auto result = std::make_unique<cDIBSection>();
    if (!m_surface) return result->Create(lNewWidth, lNewHeight) ? std::move(result) : nullptr;
    // Both the copy and the scaling below write every pixel of the result.
    if (!result->adoptSurface(
            lNewWidth, lNewHeight, PixelSurface::createForOverwrite(lNewWidth, lNewHeight), result->m_hDib))
        return nullptr;
    if (lNewWidth == Width() && lNewHeight == Height()) {
        result->LoadPictureBlt(hdc());
        return result;
    }

    BilinearResampler::resample(*m_surface, *result->m_surface);
    return result;
}
