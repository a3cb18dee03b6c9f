// Moves the dates of arbitrary bytes taken for a JPEG file's EXIF segment:
// whatever the input, nothing outside the data is read or written, the
// block keeps its length, and moving back restores a block whose dates all
// moved (a date moved out of the years 100 to 9999 stays, so only a shift
// that leaves every byte as it was is checked for its inverse).
#include "platform/ExifDateShift.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QByteArray body = ExifDateShift::exifBodyOf(bytes);
    for (const QByteArray& block : { bytes, body }) {
        const QByteArray moved = ExifDateShift::shifted(block, 61);
        if (moved.size() != block.size()) __builtin_trap();
        if (ExifDateShift::shifted(block, 0) != block) __builtin_trap();
    }
    return 0;
}
