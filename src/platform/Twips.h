#pragma once

#include <QRect>
#include <QSize>

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

// A control's place in a window's design, in twips. Each window keeps its
// design as one table of these, named after its controls.
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int right() const { return left + width; }
    int bottom() const { return top + height; }

    QRect pixels() const { return Twips::toPixels(left, top, width, height); }
    QSize pixelSize() const { return QSize(Twips::toPixels(width), Twips::toPixels(height)); }
};
