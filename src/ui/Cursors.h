#pragma once

#include <QCursor>

// The main window's own mouse pointers, drawn by the program so that they
// look the same on every desktop theme.
class Cursors {
public:
    // An open hand: the photo under it can be grabbed and panned.
    static QCursor openHand();
    // An arrow with a small text sign: the date stamp under it can be moved.
    static QCursor stampArrow();
};
