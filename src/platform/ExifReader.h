#pragma once

#include "platform/ExifRecord.h"
#include "platform/JpegMetadata.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The EXIF reader: the one place that talks to the metadata library, which
// reads the EXIF of JPEG, HEIF, PNG (its eXIf chunk), WebP and TIFF files. A
// file without EXIF, of a kind the picture loader does not read, or with a
// malformed EXIF block gives an empty result. A file that cannot be opened
// or read (it is missing, unreadable, not a regular file, the process has
// too many files open) is no such file: reading it raises PhotoFile's
// RuntimeError, naming the file and the reason.
class ExifReader {
public:
    // The photo's EXIF tags, in the order the file stores them: the main
    // image's tags, then the EXIF, GPS and interoperability ones. The
    // thumbnail's tags (IFD1) and the maker's private notes are left out,
    // and so are binary blobs longer than MaxBlobBytes.
    //
    // Values: text tags as their text without trailing NULs and blanks;
    // numeric tags with several components as a list, one text per
    // component; rationals as "numerator/denominator"; short binary tags as
    // their text when printable, else as their bytes in decimal, separated
    // by blanks; the user comment as its text, whatever its length.
    //
    // Interpreted values are the same tags in the same order, each as one
    // text that people read: "1/160 s", "f/7.1", "Yes, compulsory", "2.21".
    enum class Values { Raw, Interpreted };
    static ExifRecord read(const QString& path, Values values = Values::Raw);

    // Sets up the library for the whole process: quiet, and its XMP parser
    // ready for several threads. Called once at start-up (ProcessSetup).
    static void initialiseLibrary();

    // The "Orientation" tag, 1 to 8; 1 when missing or out of range.
    static int orientation(const ExifRecord& record);

    // The moment the photo was taken, as an EXIF date text: the original
    // date when there is one, else the digitised date, else "DateTime",
    // which editors overwrite when they save; empty when none is there.
    static QString photoDateText(const ExifRecord& record);

    // The EXIF block for a picture made from the photo at sourcePath and
    // now width x height pixels, upright: the body of a JPEG APP1 segment
    // ("Exif\0\0" then the TIFF data), at most MaxApp1Payload bytes.
    // Orientation becomes 1, the pixel dimensions are updated and the
    // embedded preview pictures are dropped; the maker's notes are dropped
    // too when the block would not fit otherwise. The three dates
    // (DateTimeOriginal, DateTimeDigitized, DateTime) are moved by
    // shiftMinutes, the camera clock's correction. Empty when the source has
    // no readable EXIF block or it cannot be made to fit, or is gone; a
    // source that is there but cannot be read raises as read does.
    static QByteArray exifBlockFor(const QString& sourcePath, int width, int height, int32_t shiftMinutes = 0);

    // The moment the photo was taken by its XMP packet, for a photo whose
    // EXIF block has none: exif:DateTimeOriginal, else photoshop:DateCreated,
    // else xmp:CreateDate, the first that names a real day
    // (DateFormatter::parseExifDate), as stored ("2021-03-14T18:22:05+01:00",
    // "2021-03-14"). Empty when none does, or the file cannot be read.
    static QString xmpDateText(const QString& path);

    // All the records an output made from the photo at sourcePath carries:
    // the EXIF block as exifBlockFor makes it; from a JPEG, the colour
    // profile, XMP packet and IPTC record of its segments (JpegMetadata::read);
    // from a HEIF, PNG, WebP or TIFF file, the colour profile and the XMP
    // packet where the format keeps them (an XMP packet too long for one
    // segment is left out, with a note). Raises as exifBlockFor does.
    static JpegMetadata recordsFor(const QString& sourcePath, int width, int height, int32_t shiftMinutes = 0);

    // The small picture a camera keeps in the EXIF block beside the photo
    // (the thumbnail of IFD1), as the JPEG bytes it is stored in, and the
    // orientation that turns it upright: the photo's, since the camera
    // stores both the same way round. No bytes when the photo has no such
    // picture, or one that is no JPEG, or when the photo is a HEIF file
    // (whose pictures the decoder turns by themselves; orientation 1).
    // Raises as read does for a file that cannot be read.
    struct Thumbnail {
        QByteArray jpeg;
        int orientation = 1;
    };
    static Thumbnail thumbnail(const QString& path);

    static constexpr int MaxBlobBytes = 64;
    static constexpr int MaxApp1Payload = JpegMetadata::MaxPayload;
};
