#include "platform/ExifDateShift.h"

#include "platform/ClockShift.h"

#include <QString>

#include <initializer_list>

namespace {

constexpr int TiffStart = 6; // after "Exif\0\0"
constexpr int DateLength = 19; // "YYYY:MM:DD HH:MM:SS"
constexpr uint16_t AsciiType = 2;
constexpr uint16_t DateTimeTag = 0x0132;
constexpr uint16_t ExifIfdTag = 0x8769;
constexpr uint16_t DateTimeOriginalTag = 0x9003;
constexpr uint16_t DateTimeDigitizedTag = 0x9004;

// Reads the TIFF data of an EXIF body in its byte order; every read is
// checked, an offset past the end reads as 0.
class Tiff {
public:
    explicit Tiff(QByteArray& body)
        : m_body(body)
    {
        m_bigEndian = body.mid(TiffStart, 2) == "MM";
    }
    bool valid() const
    {
        const QByteArray order = m_body.mid(TiffStart, 2);
        return (order == "II" || order == "MM") && read16(2) == 42;
    }
    // Relative to the TIFF header.
    uint32_t read16(int64_t at) const { return readBytes(at, 2); }
    uint32_t read32(int64_t at) const { return readBytes(at, 4); }
    bool holds(int64_t at, int64_t length) const
    {
        return at >= 0 && length >= 0 && TiffStart + at + length <= m_body.size();
    }
    char* data(int64_t at) { return m_body.data() + TiffStart + at; }

    // The value offset of the ASCII entry tag of the IFD at ifd, and the
    // offset of the IFD the entry tag points to: -1 when not there.
    int64_t entryValue(int64_t ifd, uint16_t tag, bool ascii) const
    {
        if (ifd <= 0 || !holds(ifd, 2)) return -1;
        const uint32_t count = read16(ifd);
        for (uint32_t i = 0; i < count; ++i) {
            const int64_t entry = ifd + 2 + int64_t(i) * 12;
            if (!holds(entry, 12)) return -1;
            if (read16(entry) != tag) continue;
            if (!ascii) return read32(entry + 8);
            // A date of 20 bytes with its NUL never fits in the entry.
            if (read16(entry + 2) != AsciiType || read32(entry + 4) < DateLength) return -1;
            return read32(entry + 8);
        }
        return -1;
    }

private:
    uint32_t readBytes(int64_t at, int length) const
    {
        if (!holds(at, length)) return 0;
        uint32_t value = 0;
        for (int i = 0; i < length; ++i) {
            const auto byte
                = static_cast<uint8_t>(m_body[qsizetype(TiffStart + at + (m_bigEndian ? i : length - 1 - i))]);
            value = value << 8 | byte;
        }
        return value;
    }

    QByteArray& m_body;
    bool m_bigEndian = false;
};

void shiftDateAt(Tiff& tiff, int64_t at, int32_t minutes)
{
    if (at < 0 || !tiff.holds(at, DateLength)) return;
    const QString text = QString::fromLatin1(tiff.data(at), DateLength);
    const QByteArray moved = ClockShift::exifDate(text, minutes).toLatin1();
    if (moved.size() == DateLength) std::copy(moved.begin(), moved.end(), tiff.data(at));
}

} // namespace

QByteArray ExifDateShift::exifBodyOf(const QByteArray& jpeg)
{
    if (!jpeg.startsWith("\xFF\xD8")) return {};
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && static_cast<uint8_t>(jpeg[at]) == 0xFF) {
        const auto marker = static_cast<uint8_t>(jpeg[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break; // the picture data, the end
        const int length = static_cast<uint8_t>(jpeg[at + 2]) << 8 | static_cast<uint8_t>(jpeg[at + 3]);
        if (length < 2 || at + 2 + length > jpeg.size()) break;
        const QByteArray body = jpeg.mid(at + 4, length - 2);
        if (marker == 0xE1 && body.startsWith(QByteArray("Exif\0\0", 6))) return body;
        at += 2 + length;
    }
    return {};
}

QByteArray ExifDateShift::shifted(QByteArray exifBody, int32_t minutes)
{
    if (minutes == 0 || !exifBody.startsWith(QByteArray("Exif\0\0", 6))) return exifBody;
    Tiff tiff(exifBody);
    if (!tiff.valid()) return exifBody;
    const int64_t ifd0 = tiff.read32(4);
    shiftDateAt(tiff, tiff.entryValue(ifd0, DateTimeTag, true), minutes);
    const int64_t exifIfd = tiff.entryValue(ifd0, ExifIfdTag, false);
    for (uint16_t tag : { DateTimeOriginalTag, DateTimeDigitizedTag })
        shiftDateAt(tiff, tiff.entryValue(exifIfd, tag, true), minutes);
    return exifBody;
}
