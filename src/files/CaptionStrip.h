#pragma once

#include <QSize>

#include <cstdint>
#include <memory>

class PixelSurface;

// A band added below the photo for the stamp, so that the stamp covers
// nothing of the photo. Its height is a percentage of the photo's shorter
// side, as the stamp's own size is, so that portrait and landscape photos of
// one camera get the same band.
struct CaptionStrip {
    bool show = false; // STRIP/enabled
    double heightPercent = DefaultHeightPercent; // STRIP/height_percent
    int32_t color = 0x00FFFFFF; // STRIP/color, 0x00BBGGRR; white

    bool operator==(const CaptionStrip&) const = default;

    static constexpr double DefaultHeightPercent = 8;
    static constexpr double MinHeightPercent = 1;
    static constexpr double MaxHeightPercent = 50;

    // The band's height in pixels below a photo of that size: the
    // percentage of its shorter side, at least one row; 0 when the strip is
    // off or the photo has no pixels.
    int bandHeight(QSize photo) const;
    // The photo with its band below it.
    QSize outputSize(QSize photo) const { return QSize(photo.width(), photo.height() + bandHeight(photo)); }
    // Fills the picture's rows from top down to its bottom with the band's
    // colour.
    void paintBand(PixelSurface& picture, int top) const;
    // A copy of the photo with the band below it (a plain copy when the
    // strip is off); nothing when there is no memory for it.
    std::unique_ptr<PixelSurface> withBand(const PixelSurface& photo) const;
};
