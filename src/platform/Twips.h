#pragma once

#include <QRect>

#include <cmath>

// Geometry is given in twips, 15 to a pixel on a screen of 96 dots per inch.
class Twips {
public:
    static constexpr int PerPixel = 15;

    // To whole pixels, halves to the even neighbour.
    static int toPixels(double twips) { return static_cast<int>(std::nearbyint(twips / PerPixel)); }
    static QRect toPixels(double left, double top, double width, double height)
    {
        return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
    }
};
