#include "workflow/ListThumbnail.h"

#include "imaging/PictureOrientation.h"
#include "platform/ExifReader.h"
#include "platform/PhotoFile.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"

#include <new>

QImage ListThumbnail::make(const QString& path, int side)
{
    if (side <= 0) return {};
    try {
        const ExifReader::Thumbnail embedded = ExifReader::thumbnail(path);
        QImage picture;
        if (!embedded.jpeg.isEmpty()) {
            try {
                picture = PictureLoader::loadSmall(embedded.jpeg, path, side);
            } catch (const RuntimeError&) {
                // A damaged thumbnail says nothing of the photo itself.
            }
        }
        if (picture.isNull()) picture = PictureLoader::loadSmall(PhotoFile::readAll(path), path, side);
        if (picture.isNull()) return {};
        picture = PictureOrientation::upright(picture, embedded.orientation);
        if (picture.width() <= side && picture.height() <= side) return picture;
        return picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    } catch (const RuntimeError&) {
        return {};
    } catch (const std::bad_alloc&) {
        return {};
    }
}
