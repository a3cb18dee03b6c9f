#pragma once

#include <QString>

// What the photo engine asks of the window that shows it. Every call has a
// do-nothing default, so a command-line driver needs none of them.
class PhotoEngineHost {
public:
    virtual ~PhotoEngineHost() = default;

    // The window's layout rule, run at the end of opening a photo.
    virtual void LayoutPreview() { }
    // The display picture (or the controls' model) changed: show it again.
    virtual void RefreshDisplay() { }
    // The EXIF window is open and shows this text.
    virtual void ShowExif(const QString& /*text*/) { }
    // Between two photos of a batch: done of total photos are treated and
    // path is the next one (empty at the end). Lets pending window messages
    // run; false stops the batch before the next photo.
    virtual bool BatchStep(int /*done*/, int /*total*/, const QString& /*path*/) { return true; }
};
