#pragma once

#include "files/JpegWriter.h"
#include "imaging/BilinearResampler.h"
#include "platform/ExifReader.h"
#include "platform/JpegMetadata.h"
#include "platform/PictureLoader.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A folder of 4000 x 3000 photos made from a real one, scaled up so that
// they keep a photo's texture, each with the real one's EXIF block (its
// date is what the stamp shows), written as JPEGs of quality 90. Made once,
// before any timing starts; the folder goes when the object does.
struct TwelveMegapixelPhotos {
    QTemporaryDir dir;
    QString folder;
    QStringList paths;

    explicit TwelveMegapixelPhotos(int count)
    {
        const QString source = QStringLiteral(QUILLON_TESTDATA "/photos/large/jolla.jpg");
        const std::unique_ptr<PixelSurface> large
            = BilinearResampler::resized(*PictureLoader::load(source), 4000, 3000);
        JpegMetadata metadata;
        metadata.exif = ExifReader::exifBlockFor(source, 4000, 3000);
        folder = dir.filePath(QStringLiteral("photos"));
        QDir().mkpath(folder);
        for (int i = 0; i < count; ++i) {
            paths << QStringLiteral("%1/IMG_%2.JPG").arg(folder).arg(i + 1, 4, 10, QLatin1Char('0'));
            JpegWriter::save(*large, paths.last(), 90, metadata);
        }
    }
};
