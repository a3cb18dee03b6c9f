#pragma once

#include <QImage>

// The About box's pictures, drawn by the program: the animation strip (15
// frames one above the other: a camera flashes, a quill writes the date on
// the photo, the stamped photo shrinks to a thumbnail) and the band across
// the top of the window.
class AboutAnimation {
public:
    static constexpr int FrameWidth = 160;
    static constexpr int FrameHeight = 85;
    static constexpr int FrameCount = 15;

    static QImage strip();
    static QImage frame(int index);
    static QImage band(int width = 387, int height = 18);
};
