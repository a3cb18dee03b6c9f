#include "imaging/cDIBSection.h"

#include "platform/Clipboard.h"
#include "platform/MessageBox.h"

#include <QImage>

#include <cmath>
#include <random>
#include <vector>
#include <algorithm>
#include <ctime>

cDIBSection::~cDIBSection()
{
    ClearUp();
}

bool cDIBSection::CreateDIB(DeviceContext, int32_t lWidth, int32_t lHeight, uintptr_t& hDib)
{
    m_header = BITMAPINFOHEADER{};
    m_header.biSize = 40;
    m_header.biWidth = lWidth;
    m_header.biHeight = lHeight;
    m_header.biPlanes = 1;
    m_header.biBitCount = 24;
    m_header.biCompression = 0;
    m_header.biSizeImage = static_cast<uint32_t>(static_cast<int64_t>(BytesPerScanLine()) * lHeight);
    m_surface = PixelSurface::create(lWidth, lHeight);
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
    if (!Create(picThis.width(), picThis.height()))
        return;
    LoadPictureBlt(&picThis);
}

void cDIBSection::CreateFromPicture(std::unique_ptr<PixelSurface> picThis)
{
    if (!picThis) {
        ClearUp();
        m_header = BITMAPINFOHEADER{};
        return;
    }
    // Same header as Create would make, then adopt the decoded memory.
    Create(0, 0);
    m_header.biWidth = picThis->width();
    m_header.biHeight = picThis->height();
    m_header.biSizeImage = static_cast<uint32_t>(static_cast<int64_t>(BytesPerScanLine()) * picThis->height());
    m_surface = std::move(picThis);
    m_hDib = reinterpret_cast<uintptr_t>(m_surface->bits());
}

void cDIBSection::LoadPictureBlt(const PixelSurface* lhDC, int32_t lSrcLeft, int32_t lSrcTop, int32_t lSrcWidth,
                                 int32_t lSrcHeight, uint32_t eRop)
{
    if (!m_surface || lhDC == nullptr)
        return;
    PixelSurface::bitBlt(*m_surface, 0, 0, lSrcWidth >= 0 ? lSrcWidth : Width(), lSrcHeight >= 0 ? lSrcHeight : Height(),
                         *lhDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::PaintPicture(PixelSurface* lhDC, int32_t lDestLeft, int32_t lDestTop, int32_t lDestWidth,
                               int32_t lDestHeight, int32_t lSrcLeft, int32_t lSrcTop, uint32_t eRop) const
{
    if (!m_surface || lhDC == nullptr)
        return;
    PixelSurface::bitBlt(*lhDC, lDestLeft, lDestTop, lDestWidth >= 0 ? lDestWidth : Width(),
                         lDestHeight >= 0 ? lDestHeight : Height(), *m_surface, lSrcLeft, lSrcTop, eRop);
}

bool cDIBSection::CopyToClipboard(bool bAsDIB)
{
    if (bAsDIB) {
        MessageBox::show(QStringLiteral("I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!"));
        return false;
    }
    if (!m_surface)
        return false;
    return Clipboard::setImage(m_surface->toImage());
}

void cDIBSection::RandomiseBits(bool bGray)
{
    if (!m_surface)
        return;
    std::mt19937 generator(static_cast<uint32_t>(std::random_device{}()) ^ static_cast<uint32_t>(std::time(nullptr)));
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

namespace {

// Round to nearest, ties to even, for |v| < 2^51: adding and taking away
// 1.5 x 2^52 leaves the integer that the current (nearest-even) rounding mode
// gives (the compiler may not fold the pair without -ffast-math). Unlike
// nearbyint this stays a plain add the compiler can vectorise.
inline double roundEven(double v)
{
    constexpr double magic = 6755399441055744.0;
    return (v + magic) - magic;
}

} // namespace

std::unique_ptr<cDIBSection> cDIBSection::Resample(int32_t lNewHeight, int32_t lNewWidth) const
{
    auto result = std::make_unique<cDIBSection>();
    if (!result->Create(lNewWidth, lNewHeight))
        return nullptr;
    if (!m_surface)
        return result;
    if (lNewWidth == Width() && lNewHeight == Height()) {
        result->LoadPictureBlt(hdc());
        return result;
    }

    const int32_t ws = Width();
    const int32_t hs = Height();
    const int32_t wd = lNewWidth;
    const int32_t hd = lNewHeight;
    // Scale factors in double, kept as float. The mapping is anchored at the
    // bottom-left pixel and divides by the destination size (not size - 1),
    // so the last destination pixel falls just short of the source's edge.
    const float sx = static_cast<float>(static_cast<double>(ws - 1) / wd);
    const float sy = static_cast<float>(static_cast<double>(hs - 1) / hd);

    // Per destination column: the source byte offsets of the left and right
    // pixels and the blend weight. A source 1 pixel wide repeats its pixel
    // (right = left); the right pixel is clamped so nothing is read past the
    // row even where float rounding lands on the last column.
    std::vector<int32_t> leftOffset(wd), rightOffset(wd);
    std::vector<double> weightX(wd);
    for (int32_t x = 0; x < wd; ++x) {
        const float fx = static_cast<float>(static_cast<double>(x) * sx);
        const int32_t x0 = std::min(static_cast<int32_t>(std::floor(fx)), ws - 1);
        weightX[x] = static_cast<float>(static_cast<double>(fx) - x0);
        leftOffset[x] = 3 * x0;
        rightOffset[x] = 3 * std::min(x0 + 1, ws - 1);
    }

    // The vertical blend of a source column does not depend on the
    // destination column, so each destination row blends the two source rows
    // once, into this row of integers, and the columns read from it.
    const int32_t rowBytes = 3 * ws;
    std::vector<double> blended(rowBytes);
    for (int32_t y = 0; y < hd; ++y) {
        const float fy = static_cast<float>(static_cast<double>(y) * sy);
        const int32_t y0 = std::min(static_cast<int32_t>(std::floor(fy)), hs - 1);
        const double ty = static_cast<float>(static_cast<double>(fy) - y0);
        const double uy = 1.0 - ty;
        const uint8_t* below = m_surface->memoryRow(y0);
        const uint8_t* above = m_surface->memoryRow(std::min(y0 + 1, hs - 1));
        for (int32_t i = 0; i < rowBytes; ++i)
            blended[i] = roundEven(uy * below[i] + ty * above[i]);

        uint8_t* out = result->m_surface->memoryRow(y);
        for (int32_t x = 0; x < wd; ++x) {
            const double tx = weightX[x];
            const double ux = 1.0 - tx;
            const double* left = blended.data() + leftOffset[x];
            const double* right = blended.data() + rightOffset[x];
            for (int c = 0; c < 3; ++c) {
                const double v = roundEven(ux * left[c] + tx * right[c]);
                out[3 * x + c] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
            }
        }
    }
    return result;
}
