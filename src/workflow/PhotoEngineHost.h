#pragma once

#include <QString>

// What the photo engine asks of the window that shows it. Every call has a
// do-nothing default, so a command-line driver needs none of them.
class PhotoEngineHost {
public:
    virtual ~PhotoEngineHost() = default;

    // The window's layout rule, run at the end of opening a photo.
    virtual void layoutPreview() { }
    // The display picture or the engine's state changed: show them again.
    virtual void refreshDisplay() { }
    // The EXIF window is open and shows this text.
    virtual void showExif(const QString& /*text*/) { }
};
