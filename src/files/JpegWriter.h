#pragma once

#include "platform/JpegMetadata.h"
#include "platform/RuntimeError.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class PixelSurface;

// The JPEG writer: turns a pixel buffer into a baseline JPEG file.
namespace JpegWriter {

constexpr long ErrorNumber = 26001;

// Writes picture, upright, as a baseline 4:2:0 JPEG of quality quality
// (0 to 100; 0 gives the encoder's lowest, 1), with the segments of
// metadata (an EXIF block, a colour profile, XMP, IPTC) after its start.
//
// The file appears complete or not at all (AtomicFile): a file that is
// replaced hands its access and modification times and its permission bits
// on to the new one. Returns true; on failure raises a RuntimeError numbered
// 26001 and leaves any existing file untouched.
bool save(const PixelSurface& picture, const QString& file, int32_t quality, const JpegMetadata& metadata = {});

// The error save raises when file cannot be written for the system's
// reason errorNumber (an errno value), for a caller that fails before the
// write (its folder cannot be made): numbered 26001 with the code in its
// description like every write failure, and the file and the reason in
// words as its detail, for the user.
RuntimeError writeError(int errorNumber, const QString& file);

// The same encoding into memory, for callers that do not want a file.
QByteArray encode(const PixelSurface& picture, int32_t quality, const JpegMetadata& metadata = {});
// Writes what encode made to file as save does: atomically, keeping
// a replaced file's times and permissions, failing with error 26001.
bool write(const QByteArray& jpeg, const QString& file);

} // namespace JpegWriter
