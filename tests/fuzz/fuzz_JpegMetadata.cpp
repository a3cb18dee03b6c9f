// Reads the metadata records of arbitrary bytes taken for a JPEG file, then
// checks that what was kept reads back the same from an output that carries
// it: whatever the input, reading neither crashes nor keeps a record that
// would be written corrupt.
#include "platform/JpegMetadata.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {

JpegMetadata readBytes(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return JpegMetadata::read(buffer, QStringLiteral("fuzz.jpg"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const JpegMetadata metadata
        = readBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    // The smallest stream that has a start and an end.
    const QByteArray output = metadata.insertedInto(QByteArray("\xFF\xD8\xFF\xD9", 4));
    const JpegMetadata back = readBytes(output);
    if (back.iccProfile != metadata.iccProfile || back.xmp != metadata.xmp || back.xmpExtension != metadata.xmpExtension
        || back.iptc != metadata.iptc || !back.notes.isEmpty())
        __builtin_trap();
    return 0;
}
