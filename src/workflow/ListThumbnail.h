#pragma once

#include <QImage>
#include <QString>

// The small picture of a photo that the file list shows beside its name
// (not the thumbnail saved beside an output, which PhotoState makes): the
// thumbnail the camera kept in the photo's EXIF block where there is one,
// else the photo's own pixels decoded reduced (PictureLoader::loadSmall);
// upright, and no larger than side x side.
class ListThumbnail {
public:
    // Null when the photo cannot be read or decoded, or there is not the
    // memory for it. Safe to call from any thread.
    static QImage make(const QString& path, int side);
};
