#pragma once

class QImage;

// The system clipboard: Edit, Copy puts the window's picture there.
class Clipboard {
public:
    // False when there is no clipboard (no GUI application) or the image is empty.
    static bool setImage(const QImage& image);
};
