#pragma once

#include <cstdint>
#include <memory>

class PixelSurface;

// Scales a 24-bit bottom-up picture to another size by bilinear
// interpolation, anchored at the bottom-left pixel: scale factors
// (source size - 1) / destination size kept as float, positions and weights
// as float, each channel blended vertically, rounded (ties to even), then
// blended horizontally and rounded again.
//
// The blends are computed in 32-bit integers where that gives the same bytes
// as the double-precision definition (almost every row and column), and in
// double elsewhere.
class BilinearResampler {
public:
    // Fills destination from source; both must exist and differ in size
    // (equal sizes are a plain copy, done by the caller). A source 1 pixel wide
    // or high repeats its edge pixel.
    static void resample(const PixelSurface& source, PixelSurface& destination);
    // The same from a picture stored on its side (EXIF orientation 5 to 8, as
    // PictureOrientation reads them): destination is filled with the upright
    // picture scaled, its rows read out of the stored columns a few at a time
    // while it is scaled, with the bytes that turning it first would give.
    static void resampleTurned(const PixelSurface& stored, int orientation, PixelSurface& destination);
    // A new surface of width x height holding source scaled (a plain copy
    // at the same size), or nothing when that surface cannot be made.
    static std::unique_ptr<PixelSurface> resized(const PixelSurface& source, int32_t width, int32_t height);
    // The same for the upright picture of one stored on its side, scaled
    // without an upright copy at full size (at the upright size that copy
    // itself, PictureOrientation::turnInto).
    static std::unique_ptr<PixelSurface> resizedTurned(
        const PixelSurface& stored, int orientation, int32_t width, int32_t height);
};
