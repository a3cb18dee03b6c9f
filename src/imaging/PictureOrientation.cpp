#include "imaging/PictureOrientation.h"

#include <QTransform>

#include <cstring>

std::unique_ptr<PixelSurface> PictureOrientation::upright(std::unique_ptr<PixelSurface> picture, int orientation)
{
    if (!picture || orientation < 2 || orientation > 8) return picture;
    const int32_t w = picture->width();
    const int32_t h = picture->height();
    const bool swap = swapsSides(orientation);
    auto result = PixelSurface::create(swap ? h : w, swap ? w : h);
    if (!result) return picture;

    // For the upright pixel (x, y), counted from the top-left corner, the
    // stored pixel is at (x0 + dxx x + dxy y, y0 + dyx x + dyy y).
    int32_t x0 = 0, dxx = 1, dxy = 0, y0 = 0, dyx = 0, dyy = 1;
    switch (orientation) {
    case 2:
        x0 = w - 1;
        dxx = -1;
        break;
    case 3:
        x0 = w - 1;
        dxx = -1;
        y0 = h - 1;
        dyy = -1;
        break;
    case 4:
        y0 = h - 1;
        dyy = -1;
        break;
    case 5:
        dxx = 0;
        dxy = 1;
        dyx = 1;
        dyy = 0;
        break;
    case 6:
        dxx = 0;
        dxy = 1;
        y0 = h - 1;
        dyx = -1;
        dyy = 0;
        break;
    case 7:
        x0 = w - 1;
        dxx = 0;
        dxy = -1;
        y0 = h - 1;
        dyx = -1;
        dyy = 0;
        break;
    case 8:
        x0 = w - 1;
        dxx = 0;
        dxy = -1;
        dyx = 1;
        dyy = 0;
        break;
    }
    for (int32_t y = 0; y < result->height(); ++y) {
        uint8_t* out = result->scanLine(y);
        for (int32_t x = 0; x < result->width(); ++x) {
            const int32_t sx = x0 + dxx * x + dxy * y;
            const int32_t sy = y0 + dyx * x + dyy * y;
            std::memcpy(out + 3 * x, picture->scanLine(sy) + 3 * sx, 3);
        }
    }
    return result;
}

QImage PictureOrientation::upright(const QImage& picture, int orientation)
{
    // Quarter turns clockwise, then a mirror from left to right, as the
    // orientations above come out of them.
    static constexpr struct {
        int quarterTurns;
        bool mirror;
    } steps[9] = { { 0, false }, { 0, false }, { 0, true }, { 2, false }, { 2, true }, { 1, true }, { 1, false },
        { 3, true }, { 3, false } };
    if (orientation < 2 || orientation > 8) return picture;
    QImage result = picture;
    if (steps[orientation].quarterTurns != 0)
        result = result.transformed(QTransform().rotate(90.0 * steps[orientation].quarterTurns));
    if (steps[orientation].mirror) result = result.mirrored(true, false);
    return result;
}
