// Reads the metadata records of arbitrary bytes taken for a JPEG file, then
// checks that what was kept reads back the same from an output that carries
// it: whatever the input, reading neither crashes nor keeps a record that
// would be written corrupt, and the mark of Quillon's outputs put into its
// XMP packet is the only one read back.
#include "platform/JpegMetadata.h"
#include "platform/OutputMark.h"

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
    // Whatever the packet held, once marked it reads back as the output of
    // this source and no other.
    JpegMetadata marked = metadata;
    const OutputMark mark = OutputMark::forBytes(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    mark.applyTo(marked, QStringLiteral("fuzz.jpg"));
    if (OutputMark::inPacket(readBytes(marked.insertedInto(QByteArray("\xFF\xD8\xFF\xD9", 4))).xmp) != mark)
        __builtin_trap();
    return 0;
}
