#include "platform/JpegMetadata.h"

#include "platform/PhotoFile.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

namespace {

constexpr int App1 = 0xE1;
constexpr int App2 = 0xE2;
constexpr int App13 = 0xED;
constexpr int StartOfScan = 0xDA;
constexpr int EndOfImage = 0xD9;

// The names that open the segments; each ends with its NUL.
const QByteArray XmpName("http://ns.adobe.com/xap/1.0/\0", 29);
const QByteArray XmpExtensionName("http://ns.adobe.com/xmp/extension/\0", 35);
const QByteArray IccName("ICC_PROFILE\0", 12);
const QByteArray PhotoshopName("Photoshop 3.0\0", 14);

// An extension part starts with the GUID of its packet (32 hexadecimal
// digits), the packet's full length and the part's offset in it.
constexpr qsizetype GuidLength = 32;
constexpr qsizetype XmpPartHeader = GuidLength + 8;

// Bounds what a damaged or hostile file can make us keep in memory. The
// profile needs no bound of its own: 255 parts of one segment each.
constexpr qint64 MaxKeptBytes = 32 * 1024 * 1024;

uint32_t bigEndian(const QByteArray& bytes, qsizetype at, int count)
{
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

// Up to length bytes of bytes from at, without a copy.
QByteArrayView slice(const QByteArray& bytes, qsizetype at, qsizetype length)
{
    return QByteArrayView(bytes).sliced(at, std::min(length, bytes.size() - at));
}

bool isAllZero(const QByteArray& bytes, qsizetype from)
{
    return std::all_of(bytes.begin() + from, bytes.end(), [](char c) { return c == 0; });
}

// The next marker's code, past any fill bytes; -1 when there is none.
int nextMarker(QIODevice& device)
{
    char byte = 0;
    if (!device.getChar(&byte) || static_cast<uint8_t>(byte) != 0xFF) return -1;
    while (device.getChar(&byte))
        if (static_cast<uint8_t>(byte) != 0xFF) return static_cast<uint8_t>(byte);
    return -1;
}

// Markers without a length: the restart markers and TEM.
bool isStandalone(int marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// The GUID the packet gives for its extension (the value of
// xmpNote:HasExtendedXMP, as attribute or element); empty when none.
QByteArray extensionGuid(const QByteArray& packet)
{
    static const QByteArray property("HasExtendedXMP");
    for (qsizetype at = packet.indexOf(property); at >= 0; at = packet.indexOf(property, at + 1)) {
        qsizetype start = at + property.size();
        while (start < packet.size() && QByteArrayView(" \t\r\n=\"'>").contains(packet[start]))
            ++start;
        const QByteArray guid = packet.mid(start, GuidLength);
        const bool hex = guid.size() == GuidLength && std::all_of(guid.begin(), guid.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        });
        if (hex) return guid;
    }
    return {};
}

// The Photoshop resource blocks to carry, out of the stream the APP13
// segments hold: each is "8BIM", its number, its name (a counted text
// padded to an even length), the size of its data and the data, padded to
// an even length. Nothing when a block overruns the stream or a signature
// is unknown, except for zeros that pad the stream's end.
std::optional<QByteArray> iptcResources(const QByteArray& stream)
{
    QByteArray kept;
    const qsizetype size = stream.size();
    qsizetype at = 0;
    while (at < size) {
        const QByteArray signature = stream.mid(at, 4);
        const bool known = signature == "8BIM" || signature == "PHUT" || signature == "AgHg" || signature == "DCSR";
        if (!known || size - at < 12) {
            if (isAllZero(stream, at)) break;
            return std::nullopt;
        }
        const uint32_t id = bigEndian(stream, at + 4, 2);
        const int nameLength = static_cast<uint8_t>(stream[at + 6]);
        const qsizetype lengthAt = at + 6 + ((1 + nameLength + 1) & ~1);
        if (lengthAt + 4 > size) return std::nullopt;
        const qint64 dataLength = bigEndian(stream, lengthAt, 4);
        const qsizetype dataAt = lengthAt + 4;
        if (dataLength > size - dataAt) return std::nullopt;
        const qsizetype end = dataAt + static_cast<qsizetype>(dataLength);
        // 0x0404 is the IPTC record, 0x0425 its digest.
        if (signature == "8BIM" && (id == 0x0404 || id == 0x0425)) {
            kept += stream.mid(at, end - at);
            // The last block may lack its padding byte.
            if (dataLength % 2 != 0) kept += '\0';
        }
        at = end + dataLength % 2;
    }
    return kept;
}

// Gathers the segments' pieces as they come, and judges them at the end.
class Collector {
public:
    void take(int marker, const QByteArray& payload)
    {
        if (marker == App2 && payload.startsWith(IccName)) takeIccPart(payload);
        if (marker == App1 && payload.startsWith(XmpName) && !m_xmpSeen) {
            // The first standard packet counts; there should be only one.
            m_xmpSeen = true;
            m_xmp = payload.mid(XmpName.size());
        }
        if (marker == App1 && payload.startsWith(XmpExtensionName) && keep(payload.size(), m_xmpPartsTooLarge))
            m_xmpParts.append(payload.mid(XmpExtensionName.size()));
        if (marker == App13 && payload.startsWith(PhotoshopName)) {
            m_photoshopSeen = true;
            if (keep(payload.size(), m_photoshopTooLarge)) m_photoshop += payload.mid(PhotoshopName.size());
        }
    }

    JpegMetadata finish(const QString& shownName) const
    {
        JpegMetadata result;
        if (m_iccSeen) {
            const QString record = QStringLiteral("colour profile");
            QByteArray profile;
            if (!m_iccBroken && static_cast<int>(m_iccParts.size()) == m_iccCount)
                for (const auto& [number, part] : m_iccParts)
                    profile += part;
            if (profile.isEmpty())
                result.notes << JpegMetadata::leftOut(
                    record, shownName, QStringLiteral("its parts are missing, repeated or misnumbered"));
            else if (!JpegMetadata::isIccProfile(profile))
                result.notes << JpegMetadata::leftOut(record, shownName, QStringLiteral("it is not an ICC profile"));
            else
                result.iccProfile = profile;
        }
        result.xmp = m_xmp;
        const QByteArray guid = extensionGuid(m_xmp);
        if (!guid.isEmpty()) {
            const QString record = QStringLiteral("extended XMP");
            if (m_xmpPartsTooLarge)
                result.notes << JpegMetadata::leftOut(record, shownName, QStringLiteral("it is too large"));
            else if (!extensionParts(guid, result.xmpExtension))
                result.notes << JpegMetadata::leftOut(
                    record, shownName, QStringLiteral("its parts are missing or overlap"));
        }
        if (m_photoshopSeen) {
            const QString record = QStringLiteral("IPTC record");
            if (m_photoshopTooLarge)
                result.notes << JpegMetadata::leftOut(record, shownName, QStringLiteral("it is too large"));
            else if (const std::optional<QByteArray> resources = iptcResources(m_photoshop))
                result.iptc = *resources;
            else
                result.notes << JpegMetadata::leftOut(
                    record, shownName, QStringLiteral("its resource blocks are damaged"));
        }
        return result;
    }

private:
    void takeIccPart(const QByteArray& payload)
    {
        m_iccSeen = true;
        // The part's number, from 1, and the number of parts.
        const int number = payload.size() > IccName.size() + 1 ? static_cast<uint8_t>(payload[12]) : 0;
        const int count = payload.size() > IccName.size() + 1 ? static_cast<uint8_t>(payload[13]) : 0;
        if (number < 1 || number > count || (m_iccCount != 0 && count != m_iccCount) || m_iccParts.count(number)) {
            m_iccBroken = true;
            return;
        }
        m_iccCount = count;
        m_iccParts[number] = payload.mid(IccName.size() + 2);
    }

    bool keep(qsizetype bytes, bool& tooLarge)
    {
        if (tooLarge || m_kept + bytes > MaxKeptBytes) {
            tooLarge = true;
            return false;
        }
        m_kept += bytes;
        return true;
    }

    // The parts of the packet's extension, in order, when they cover its
    // full length once, without gap or overlap.
    bool extensionParts(const QByteArray& guid, QList<QByteArray>& parts) const
    {
        for (const QByteArray& part : m_xmpParts)
            if (part.size() > XmpPartHeader && part.startsWith(guid)) parts.append(part);
        std::stable_sort(parts.begin(), parts.end(), [](const QByteArray& a, const QByteArray& b) {
            return bigEndian(a, GuidLength + 4, 4) < bigEndian(b, GuidLength + 4, 4);
        });
        const qint64 fullLength = parts.isEmpty() ? -1 : bigEndian(parts.front(), GuidLength, 4);
        qint64 covered = 0;
        for (const QByteArray& part : parts) {
            if (bigEndian(part, GuidLength, 4) != fullLength || bigEndian(part, GuidLength + 4, 4) != covered) {
                covered = -1;
                break;
            }
            covered += part.size() - XmpPartHeader;
        }
        if (covered != fullLength) {
            parts.clear();
            return false;
        }
        return true;
    }

    bool m_iccSeen = false;
    bool m_iccBroken = false;
    int m_iccCount = 0;
    std::map<int, QByteArray> m_iccParts;
    bool m_xmpSeen = false;
    QByteArray m_xmp;
    QList<QByteArray> m_xmpParts;
    bool m_xmpPartsTooLarge = false;
    bool m_photoshopSeen = false;
    bool m_photoshopTooLarge = false;
    QByteArray m_photoshop;
    qint64 m_kept = 0;
};

} // namespace

bool JpegMetadata::isIccProfile(const QByteArray& profile)
{
    if (profile.size() < 128 || profile.mid(36, 4) != "acsp") return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(profile.constData());
    const uint32_t stated = uint32_t(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
    return stated == uint32_t(profile.size());
}

QString JpegMetadata::leftOut(const QString& record, const QString& shownName, const QString& reason)
{
    return QStringLiteral("The %1 of %2 was not carried into the outputs: %3.")
        .arg(record, QDir::toNativeSeparators(shownName), reason);
}

JpegMetadata JpegMetadata::read(const QString& path)
{
    QFile file;
    try {
        PhotoFile::open(path, file);
    } catch (const RuntimeError& error) {
        // A photo that is gone has nothing to carry.
        if (error.number() == PhotoFile::FileNotFound) return {};
        throw;
    }
    return read(file, path);
}

JpegMetadata JpegMetadata::read(QIODevice& device, const QString& shownName)
{
    char start[2] = {};
    if (device.read(start, 2) != 2 || static_cast<uint8_t>(start[0]) != 0xFF || static_cast<uint8_t>(start[1]) != 0xD8)
        return {};
    // The segments up to the picture data; a damaged or cut one ends the
    // walk, and what came before it counts.
    Collector collector;
    for (int marker = nextMarker(device); marker > 0 && marker != StartOfScan && marker != EndOfImage;
         marker = nextMarker(device)) {
        if (isStandalone(marker)) continue;
        if (marker == 0xD8) break;
        char lengthBytes[2] = {};
        if (device.read(lengthBytes, 2) != 2) break;
        const qint64 length = static_cast<uint8_t>(lengthBytes[0]) << 8 | static_cast<uint8_t>(lengthBytes[1]);
        if (length < 2) break;
        if (marker == App1 || marker == App2 || marker == App13) {
            const QByteArray payload = device.read(length - 2);
            if (payload.size() != length - 2) break;
            collector.take(marker, payload);
        } else if (device.skip(length - 2) != length - 2) {
            break;
        }
    }
    return collector.finish(shownName);
}

JpegMetadata JpegMetadata::profileOnly() const
{
    JpegMetadata result;
    result.iccProfile = iccProfile;
    return result;
}

QByteArray JpegMetadata::insertedInto(const QByteArray& jpegData) const
{
    const bool isJpeg = jpegData.size() >= 2 && static_cast<uint8_t>(jpegData[0]) == 0xFF
        && static_cast<uint8_t>(jpegData[1]) == 0xD8;
    if (!isJpeg) return jpegData;

    QByteArray segments;
    // False, and nothing added, when the body does not fit one segment.
    const auto add = [&segments](int marker, const QByteArray& name, QByteArrayView body) {
        const qsizetype payload = name.size() + body.size();
        if (payload > MaxPayload) return false;
        const qsizetype length = payload + 2;
        segments += char(0xFF);
        segments += char(marker);
        segments += char(length >> 8);
        segments += char(length & 0xFF);
        segments += name;
        segments += body;
        return true;
    };
    if (!exif.isEmpty()) add(App1, QByteArray(), exif);
    if (!xmp.isEmpty() && add(App1, XmpName, xmp))
        for (const QByteArray& part : xmpExtension)
            add(App1, XmpExtensionName, part);
    const qsizetype iccParts = (iccProfile.size() + MaxIccPart - 1) / MaxIccPart;
    if (iccParts <= MaxIccParts) {
        for (qsizetype i = 0; i < iccParts; ++i) {
            const QByteArray name = IccName + char(i + 1) + char(iccParts);
            add(App2, name, slice(iccProfile, i * MaxIccPart, MaxIccPart));
        }
    }
    const qsizetype photoshopPart = MaxPayload - PhotoshopName.size();
    for (qsizetype at = 0; at < iptc.size(); at += photoshopPart)
        add(App13, PhotoshopName, slice(iptc, at, photoshopPart));
    if (segments.isEmpty()) return jpegData;

    QByteArray result;
    result.reserve(jpegData.size() + segments.size());
    result += jpegData.left(2);
    result += segments;
    result += slice(jpegData, 2, jpegData.size());
    return result;
}
