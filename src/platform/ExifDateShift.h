#pragma once

#include <QByteArray>

#include <cstdint>

// The camera clock's correction applied to a JPEG's EXIF segment in place,
// for an output that keeps the segment as it was in every other byte:
// DateTime (IFD0), DateTimeOriginal and DateTimeDigitized (the Exif IFD)
// are rewritten where they stand, each as long as it was. The TIFF
// structure is read with every offset checked against the segment; a date
// that is not there, not ASCII, or not a moment (ClockShift) stays as it
// is. No library reads it, so the bytes are those of the source.
class ExifDateShift {
public:
    // The body of the first EXIF APP1 segment of a JPEG stream ("Exif\0\0"
    // and the TIFF data), looked for before the picture data; empty when
    // there is none.
    static QByteArray exifBodyOf(const QByteArray& jpeg);

    // exifBody with its dates moved by minutes; exifBody unchanged when it
    // holds none that moves.
    static QByteArray shifted(QByteArray exifBody, int32_t minutes);
};
