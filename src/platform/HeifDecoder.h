#pragma once

#include "platform/PixelSurface.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

struct heif_context;
struct heif_image_handle;

// The HEIF reader (HEIC photos and other HEIF files): the one place that
// talks to libheif. Opening parses the file's boxes only; decode() takes
// the pixels. What libheif cannot read raises the loader's RuntimeError
// (PhotoFile::InvalidPicture) naming the file and libheif's reason.
//
// The picture is the file's primary image as the format means it to be
// shown: its own rotation, mirror and crop (the irot, imir and clap
// properties) are applied by libheif, so an EXIF Orientation the file also
// carries must not be applied on top.
class HeifDecoder {
public:
    // Whether data begins as a HEIF file does: a "ftyp" box naming a HEIF
    // brand as its main brand or a compatible one.
    static bool isHeif(const QByteArray& data);

    HeifDecoder(const QString& path, const QByteArray& data);
    ~HeifDecoder();
    HeifDecoder(const HeifDecoder&) = delete;
    HeifDecoder& operator=(const HeifDecoder&) = delete;

    // The primary image's size as shown (after its transformations; a grid
    // image's whole size), known before any pixel is decoded.
    QSize size() const { return m_size; }

    // The primary image, transformed, as 24-bit pixels. A HEIC photo when
    // libheif has no HEVC decoder fails with a message that says so.
    std::unique_ptr<PixelSurface> decode();

    // The primary image's first thumbnail (a small picture the file keeps
    // beside it, as phones write them), transformed by its own properties,
    // in QImage::Format_RGB32. Null when there is none, it is no smaller
    // than the primary image, or it cannot be decoded.
    QImage thumbnail() const;

    // The primary image's records, empty when it has none: the TIFF data of
    // its Exif item (from the header the item points to), its XMP packet,
    // its ICC colour profile.
    QByteArray exifTiff() const;
    QByteArray xmp() const;
    QByteArray iccProfile() const;

private:
    // The first record of type (and, when given, content type).
    QByteArray metadata(const char* type, const char* contentType = nullptr) const;

    QString m_path;
    QByteArray m_data; // libheif reads it in place
    std::unique_ptr<heif_context, void (*)(heif_context*)> m_context;
    std::unique_ptr<const heif_image_handle, void (*)(const heif_image_handle*)> m_handle;
    QSize m_size;
};
