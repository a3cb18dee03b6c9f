#pragma once

#include "platform/PixelSurface.h"

#include <QHash>
#include <QString>

#include <future>
#include <memory>

// Decodes the next photos of a batch on another thread while the current
// one is treated, so that the two cores share the work. A picture taken
// from here is exactly the one the loader would give; a decode that failed
// raises its error when its picture is taken.
class PicturePrefetch {
public:
    PicturePrefetch() = default;
    PicturePrefetch(const PicturePrefetch&) = delete;
    PicturePrefetch& operator=(const PicturePrefetch&) = delete;
    ~PicturePrefetch() { clear(); }

    // Starts decoding path, unless it is already under way.
    void start(const QString& path);
    // The picture of path if it was started, waiting for it as needed;
    // nothing when it was not started.
    std::unique_ptr<PixelSurface> take(const QString& path, QString* warning);
    // Waits for what is under way and drops it.
    void clear();

private:
    struct Decoded {
        std::unique_ptr<PixelSurface> picture;
        QString warning;
    };
    QHash<QString, std::shared_ptr<std::future<Decoded>>> m_pending;
};
