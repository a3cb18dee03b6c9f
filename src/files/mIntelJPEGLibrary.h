#pragma once

#include "platform/JpegMetadata.h"
#include "platform/RuntimeError.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class cDIBSection;

// The JPEG writer: turns a pixel buffer into a baseline JPEG file.
namespace mIntelJPEGLibrary {

constexpr long ErrorNumber = 26001;

// Writes cDib, upright, as a baseline 4:2:0 JPEG of quality lQuality
// (0 to 100; 0 gives the encoder's lowest, 1), with the segments of
// metadata (an EXIF block, a colour profile, XMP, IPTC) after its start.
//
// The file appears complete or not at all (AtomicFile): a file that is
// replaced hands its access and modification times and its permission bits
// on to the new one. Returns true; on failure raises a RuntimeError numbered
// 26001 and leaves any existing file untouched.
bool SaveJPG(const cDIBSection& cDib, const QString& sFile, int32_t lQuality, const JpegMetadata& metadata = {});

// The error SaveJPG raises when sFile cannot be written for the system's
// reason errorNumber (an errno value), for a caller that fails before the
// write (its folder cannot be made): numbered 26001 with the code in its
// description like every write failure, and the file and the reason in
// words as its detail, for the user.
RuntimeError WriteError(int errorNumber, const QString& sFile);

// The same encoding into memory, for callers that do not want a file.
QByteArray EncodeJPG(const cDIBSection& cDib, int32_t lQuality, const JpegMetadata& metadata = {});
// Writes what EncodeJPG made to sFile as SaveJPG does: atomically, keeping
// a replaced file's times and permissions, failing with error 26001.
bool WriteJPG(const QByteArray& jpeg, const QString& sFile);

} // namespace mIntelJPEGLibrary
