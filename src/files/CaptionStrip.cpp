#include "files/CaptionStrip.h"

#include "platform/PixelSurface.h"

#include <algorithm>
#include <cmath>

int CaptionStrip::bandHeight(QSize photo) const
{
    const int shorterSide = std::min(photo.width(), photo.height());
    if (!show || shorterSide <= 0) return 0;
    return std::max(1, static_cast<int>(std::nearbyint(heightPercent / 100.0 * shorterSide)));
}

void CaptionStrip::paintBand(PixelSurface& picture, int top) const
{
    const uint8_t blue = (color >> 16) & 0xFF;
    const uint8_t green = (color >> 8) & 0xFF;
    const uint8_t red = color & 0xFF;
    for (int y = std::max(0, top); y < picture.height(); ++y) {
        uint8_t* pixel = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x, pixel += 3) {
            pixel[0] = blue;
            pixel[1] = green;
            pixel[2] = red;
        }
    }
}

std::unique_ptr<PixelSurface> CaptionStrip::withBand(const PixelSurface& photo) const
{
    const QSize size(photo.width(), photo.height());
    const QSize output = outputSize(size);
    if (output == size) return photo.copy();
    std::unique_ptr<PixelSurface> picture = PixelSurface::createForOverwrite(output.width(), output.height());
    if (!picture) return nullptr;
    PixelSurface::copyBlock(*picture, 0, 0, size.width(), size.height(), photo, 0, 0);
    paintBand(*picture, size.height());
    return picture;
}
