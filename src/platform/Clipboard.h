#pragma once

class QImage;

// The system clipboard.
class Clipboard {
public:
    // False when there is no clipboard (no GUI application) or the image is empty.
    static bool setImage(const QImage& image);
};
