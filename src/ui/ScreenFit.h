#pragma once

#include <QObject>

class QWidget;

// Keeps a window within the screen it opens on. A place kept from a larger
// screen, a design larger than a small screen, or a scale factor that makes
// every pixel count twice would otherwise put the window's edges, title bar
// included, out of reach.
class ScreenFit : public QObject {
public:
    // Shrinks window, never below its minimum size, to the available area
    // of its screen (its owner's, for a dialog) and moves it inside that
    // area where it sticks out; now and again when it is first shown, once
    // its frame is known. A maximised or full-screen window is the system's
    // to place.
    static void keepOnScreen(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ScreenFit(QWidget* window);
    static void fit(QWidget* window);
};
