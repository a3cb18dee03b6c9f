#pragma once

#include <QFont>

// The fonts the dialogs are laid out for, with fallbacks of this system
// whose widths keep the captions inside their places.
class DialogFont {
public:
    // "MS Sans Serif" 8.25 pt, drawn with Liberation Sans (or its like).
    static QFont sansSerif();
};
