#pragma once

#include "platform/PixelSurface.h"

#include <QImage>

#include <cstdint>
#include <memory>

// Turns a picture as stored in a file into the picture as it is meant to be
// seen, following the EXIF orientation: 1 as stored, 2 mirrored left to
// right, 3 turned half round, 4 mirrored top to bottom, 5 mirrored along the
// main diagonal, 6 turned a quarter clockwise, 7 mirrored along the other
// diagonal, 8 turned a quarter anticlockwise.
class PictureOrientation {
public:
    // The upright picture; the same one for orientation 1 or an unknown value.
    // Throws std::bad_alloc when a quarter turn finds no memory for its result.
    static std::unique_ptr<PixelSurface> upright(std::unique_ptr<PixelSurface> picture, int orientation);
    // The same for a picture that is only shown.
    static QImage upright(const QImage& picture, int orientation);
    // Fills upright, of the stored picture's height x width, with the upright
    // picture of one stored on its side (orientation 5 to 8), in blocks that
    // stay cached.
    static void turnInto(const PixelSurface& stored, int orientation, PixelSurface& upright);
    // Whether the orientation swaps width and height.
    static bool swapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }
};
