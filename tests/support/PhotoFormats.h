#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

// Small photos of the kinds besides JPEG, made at test time: the picture
// as stored, with an EXIF block (Orientation in the main directory,
// DateTimeOriginal in the EXIF one) and a colour profile where the format
// keeps them. PNG keeps its EXIF in an eXIf chunk, WebP in an EXIF chunk
// (of the extended format), TIFF as its own tags; a HEIF file in its Exif
// item, and its orientation also as its own rotation and mirror (irot,
// imir), made by libheif's encoder.
struct PhotoContents {
    QImage picture {};
    int orientation = 1;
    QString date {}; // "YYYY:MM:DD hh:mm:ss"; no EXIF block when empty
    QByteArray iccProfile {};
    QByteArray xmp {}; // HEIF only
    // HEIF only: a thumbnail item of the primary image, with its rotation,
    // made from this picture at half its size.
    QImage heifThumbnail {};
};

enum class PhotoKind { Heic, Png, Webp, Tiff };

QByteArray photoBytes(PhotoKind kind, const PhotoContents& contents);
const char* extensionOf(PhotoKind kind);

// A TIFF structure (little-endian) holding only the EXIF tags above.
QByteArray exifTiff(int orientation, const QString& date);

// A PNG chunk: its length, name, body and CRC.
QByteArray pngChunk(const char* name, const QByteArray& body);

// A picture of four coloured quarters (red, green; blue, yellow), and the
// colours at the middles of an image's quarters, in that order.
QImage quarters(int width, int height);
QList<QColor> quarterColours(const QImage& image);
// Whether two colours are alike within tolerance in each channel, what
// lossy coding changes.
bool alike(const QColor& a, const QColor& b, int tolerance);
