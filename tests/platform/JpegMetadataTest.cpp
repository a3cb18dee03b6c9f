#include "platform/JpegMetadata.h"

#include "support/TestSupport.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImage>

#include <gtest/gtest.h>

namespace {

const QByteArray XmpName("http://ns.adobe.com/xap/1.0/\0", 29);
const QByteArray ExtensionName("http://ns.adobe.com/xmp/extension/\0", 35);
const QByteArray IccName("ICC_PROFILE\0", 12);
const QByteArray PhotoshopName("Photoshop 3.0\0", 14);
const QByteArray Guid("0123456789ABCDEF0123456789ABCDEF");
// An IPTC data set: the caption "hi".
const QByteArray caption("\x1C\x02\x78\x00\x02hi", 7);

QByteArray bigEndian(uint32_t value, int bytes)
{
    QByteArray result;
    for (int i = bytes - 1; i >= 0; --i)
        result += char((value >> (8 * i)) & 0xFF);
    return result;
}

QByteArray segment(int marker, const QByteArray& payload)
{
    return QByteArray(1, char(0xFF)) + char(marker) + bigEndian(payload.size() + 2, 2) + payload;
}

// Bytes that look like an ICC profile: its size first, "acsp" at 36.
QByteArray fakeProfile(int size)
{
    QByteArray profile(size, '\0');
    for (int i = 0; i < size; ++i)
        profile[i] = char(i * 7 % 251);
    profile.replace(0, 4, bigEndian(size, 4));
    profile.replace(36, 4, "acsp");
    return profile;
}

QByteArray iccPart(const QByteArray& profile, int number, int count, int partSize)
{
    return segment(0xE2, IccName + char(number) + char(count) + profile.mid((number - 1) * partSize, partSize));
}

QByteArray xmpPacket(bool withExtension)
{
    return QByteArray("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description xmp:Rating='4'")
        + (withExtension ? " xmpNote:HasExtendedXMP='" + Guid + "'" : QByteArray()) + "/></rdf:RDF></x:xmpmeta>";
}

// The body of an extension part: GUID, full length, offset, the part.
QByteArray extensionPart(const QByteArray& guid, const QByteArray& extension, int offset, int length)
{
    return guid + bigEndian(extension.size(), 4) + bigEndian(offset, 4) + extension.mid(offset, length);
}

// A Photoshop resource block, padded as the format wants.
QByteArray resource(int id, const QByteArray& data, const QByteArray& name = QByteArray())
{
    QByteArray block = "8BIM" + bigEndian(id, 2) + char(name.size()) + name;
    if (block.size() % 2 != 0) block += '\0';
    block += bigEndian(data.size(), 4) + data;
    if (data.size() % 2 != 0) block += '\0';
    return block;
}

// The photo: its start, the given segments, then the rest of a real JPEG.
QByteArray photoWith(const QList<QByteArray>& segments)
{
    const QByteArray jpeg = smallJpeg(16, 8);
    return jpeg.left(2) + segments.join() + jpeg.mid(2);
}

JpegMetadata readBytes(const QByteArray& bytes)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return JpegMetadata::read(buffer, QStringLiteral("/photos/a.jpg"));
}

// The marker and the name of each segment before the picture data.
QStringList segmentNames(const QByteArray& jpeg)
{
    QStringList names;
    for (qsizetype at = 2; at + 4 <= jpeg.size() && uint8_t(jpeg[at + 1]) != 0xDA;) {
        const qsizetype length = uint8_t(jpeg[at + 2]) << 8 | uint8_t(jpeg[at + 3]);
        const QByteArray payload = jpeg.mid(at + 4, length - 2);
        names << QString::number(uint8_t(jpeg[at + 1]), 16).toUpper() + u' '
                + QString::fromLatin1(payload.left(payload.indexOf('\0')).left(20));
        at += 2 + length;
    }
    return names;
}

} // namespace

TEST(JpegMetadataTest, CarriesProfileXmpAndIptcUnchangedInTheUsualOrder)
{
    // A large profile in parts of 60000 bytes, out of order; the XMP
    // extension in two parts, out of order, beside a part of another packet;
    // the Photoshop resources across two segments, cut inside the IPTC record.
    const QByteArray profile = fakeProfile(150'000);
    const QByteArray extension(1000, 'e');
    const QByteArray iptcRecord = QByteArray("\x1C\x02\x19\x00\x07keyword", 12) + caption;
    const QByteArray carried = resource(0x0404, iptcRecord) + resource(0x0425, QByteArray(16, 'd'));
    const QByteArray resources = resource(0x03ED, QByteArray(16, 'r')) + resource(0x0404, iptcRecord)
        + resource(0x040C, QByteArray(101, 't'), "thumb") + resource(0x0425, QByteArray(16, 'd'));
    ASSERT_EQ(iptcRecord.size() % 2, 1);
    const qsizetype cut = resources.indexOf("keyword");
    const QByteArray source = photoWith({
        iccPart(profile, 2, 3, 60000),
        segment(0xE1, ExtensionName + extensionPart(Guid, extension, 600, 400)),
        segment(0xED, PhotoshopName + resources.left(cut)),
        iccPart(profile, 1, 3, 60000),
        segment(0xE1, XmpName + xmpPacket(true)),
        segment(0xE1, ExtensionName + extensionPart(QByteArray(32, 'F'), extension, 0, 1000)),
        segment(0xED, PhotoshopName + resources.mid(cut)),
        segment(0xE1, ExtensionName + extensionPart(Guid, extension, 0, 600)),
        iccPart(profile, 3, 3, 60000),
    });
    const JpegMetadata metadata = readBytes(source);
    EXPECT_EQ(metadata.notes, QStringList());
    EXPECT_EQ(metadata.iccProfile, profile);
    EXPECT_EQ(metadata.xmp, xmpPacket(true));
    EXPECT_EQ(metadata.xmpExtension,
        (QList<QByteArray> { extensionPart(Guid, extension, 0, 600), extensionPart(Guid, extension, 600, 400) }));
    EXPECT_EQ(metadata.iptc, carried) << "the IPTC record and its digest, without the thumbnail";

    JpegMetadata withExif = metadata;
    withExif.exif = QByteArray("Exif\0\0II*\0\x08\0\0\0\0\0", 16);
    const QByteArray output = withExif.insertedInto(smallJpeg(16, 8));
    EXPECT_EQ(segmentNames(output).mid(0, 9),
        (QStringList { "E1 Exif", "E1 http://ns.adobe.com/", "E1 http://ns.adobe.com/", "E1 http://ns.adobe.com/",
            "E2 ICC_PROFILE", "E2 ICC_PROFILE", "E2 ICC_PROFILE", "ED Photoshop 3.0", "E0 JFIF" }));
    // The profile in parts as large as a segment takes, numbered 1 to 3 of 3.
    const qsizetype firstPart = output.indexOf(IccName);
    EXPECT_EQ(uint8_t(output[firstPart - 2]) << 8 | uint8_t(output[firstPart - 1]), 65535);
    EXPECT_EQ(output.mid(firstPart + 12, 2), QByteArray("\x01\x03"));
    EXPECT_EQ(QImage::fromData(output).size(), QSize(16, 8));

    JpegMetadata back = readBytes(output);
    EXPECT_EQ(back.iccProfile, metadata.iccProfile);
    EXPECT_EQ(back.xmp, metadata.xmp);
    EXPECT_EQ(back.xmpExtension, metadata.xmpExtension);
    EXPECT_EQ(back.iptc, metadata.iptc);
    EXPECT_TRUE(back.notes.isEmpty());

    // A thumbnail keeps the profile alone.
    back = readBytes(metadata.profileOnly().insertedInto(smallJpeg(4, 4)));
    EXPECT_EQ(back.iccProfile, profile);
    EXPECT_TRUE(back.xmp.isEmpty() && back.iptc.isEmpty());
}

TEST(JpegMetadataTest, ADamagedRecordIsLeftOutWithANoteAndTheOthersStay)
{
    const QByteArray profile = fakeProfile(3000);
    const QByteArray extension(1000, 'e');
    const QByteArray xmp = segment(0xE1, XmpName + xmpPacket(true));
    const QByteArray wholeExtension = segment(0xE1, ExtensionName + extensionPart(Guid, extension, 0, 1000));
    const QByteArray iptc = segment(0xED, PhotoshopName + resource(0x0404, caption));
    struct Case {
        const char* what;
        QList<QByteArray> segments;
        const char* record; // the one left out
    } cases[] = {
        { "a profile part missing", { iccPart(profile, 1, 3, 1000), iccPart(profile, 3, 3, 1000) }, "colour profile" },
        { "a profile part twice", { iccPart(profile, 1, 2, 1500), iccPart(profile, 1, 2, 1500) }, "colour profile" },
        { "parts of 2 and of 3", { iccPart(profile, 1, 2, 1000), iccPart(profile, 2, 3, 1000) }, "colour profile" },
        { "part number 0", { iccPart(profile, 1, 1, 3000).replace(IccName + "\x01", IccName + '\0') },
            "colour profile" },
        { "no ICC profile", { iccPart(QByteArray(3000, 'x'), 1, 1, 3000) }, "colour profile" },
        // Readers refuse the whole file's metadata for it.
        { "a profile cut short of the size it states", { iccPart(profile.left(2990), 1, 1, 2990) }, "colour profile" },
        { "an extension with a gap",
            { segment(0xE1, ExtensionName + extensionPart(Guid, extension, 0, 500)),
                segment(0xE1, ExtensionName + extensionPart(Guid, extension, 600, 400)) },
            "extended XMP" },
        { "an extension twice", { wholeExtension, wholeExtension }, "extended XMP" },
        { "an extension missing", {}, "extended XMP" },
        { "a resource that overruns",
            { segment(0xED, PhotoshopName + resource(0x0404, "hi").chopped(6) + bigEndian(100, 4) + "hi") },
            "IPTC record" },
        { "an unknown resource signature", { segment(0xED, PhotoshopName + "8BIX" + resource(0x0404, "hi").mid(4)) },
            "IPTC record" },
    };
    for (const Case& c : cases) {
        QList<QByteArray> segments = c.segments;
        const bool damagesProfile = QByteArray(c.record) == "colour profile";
        const bool damagesXmp = QByteArray(c.record) == "extended XMP";
        const bool damagesIptc = QByteArray(c.record) == "IPTC record";
        // Each photo has its other records sound.
        if (!damagesProfile) segments << iccPart(profile, 1, 1, 3000);
        segments << xmp;
        if (!damagesXmp) segments << wholeExtension;
        if (!damagesIptc) segments << iptc;
        const JpegMetadata metadata = readBytes(photoWith(segments));
        ASSERT_EQ(metadata.notes.size(), 1) << c.what;
        EXPECT_TRUE(
            metadata.notes.first().startsWith(QStringLiteral("The %1 of /photos/a.jpg was not carried").arg(c.record)))
            << c.what << ": " << metadata.notes.first().toStdString();
        EXPECT_EQ(metadata.iccProfile.isEmpty(), damagesProfile) << c.what;
        EXPECT_EQ(metadata.xmpExtension.isEmpty(), damagesXmp) << c.what;
        EXPECT_EQ(metadata.iptc.isEmpty(), damagesIptc) << c.what;
        EXPECT_EQ(metadata.xmp, xmpPacket(true)) << c.what;
    }

    // Zeros after the last resource pad the segment: no damage.
    EXPECT_TRUE(readBytes(photoWith({ iptc + QByteArray(4, '\0') })).notes.isEmpty());
}

TEST(JpegMetadataTest, CutOrForeignFilesGiveWhatCameBefore)
{
    const QByteArray profile = fakeProfile(3000);
    const QByteArray photo
        = photoWith({ segment(0xE1, XmpName + xmpPacket(false)), iccPart(profile, 1, 1, 3000), segment(0xE0, "x") });
    // Cut inside the profile: the packet before it counts, the cut part not.
    const JpegMetadata cut = readBytes(photo.left(photo.indexOf(IccName) + 100));
    EXPECT_EQ(cut.xmp, xmpPacket(false));
    EXPECT_TRUE(cut.iccProfile.isEmpty());
    EXPECT_TRUE(cut.notes.isEmpty());
    for (const QByteArray& bytes : { QByteArray(), QByteArray("BM...."), QByteArray("\xFF\xD8\xFF", 3),
             QByteArray("\xFF\xD8\xFF\xE1\x00\x01", 6), QByteArray("\xFF\xD8\x00\xE1", 4) }) {
        const JpegMetadata none = readBytes(bytes);
        EXPECT_TRUE(none.xmp.isEmpty() && none.iccProfile.isEmpty() && none.iptc.isEmpty() && none.notes.isEmpty());
    }

    // Inserting: nothing into what is no JPEG, and no record that does not
    // fit its segment.
    JpegMetadata metadata;
    metadata.exif = "Exif";
    EXPECT_EQ(metadata.insertedInto("BM...."), QByteArray("BM...."));
    const QByteArray jpeg = smallJpeg(8, 8);
    EXPECT_EQ(JpegMetadata().insertedInto(jpeg), jpeg);
    metadata.exif = QByteArray(JpegMetadata::MaxPayload + 1, 'x');
    metadata.xmp = QByteArray(JpegMetadata::MaxPayload - XmpName.size() + 1, 'x');
    EXPECT_EQ(metadata.insertedInto(jpeg), jpeg);
}

TEST(JpegMetadataTest, ReadsTheRecordsOfRealPhotos)
{
    // Qt's own JPEG reader gives the profile for comparison.
    const char* photos[]
        = { "cameras/Canon_40D.jpg", "cameras/Nikon_D70.jpg", "cameras/no_exif.jpg", "cameras/DSCN0010.jpg",
              "cameras/nikon-e950.jpg", "orientation/landscape_1.jpg", "orientation/landscape_3.jpg" };
    for (const char* photo : photos) {
        const QString path = testPhoto(QLatin1String(photo));
        const JpegMetadata metadata = JpegMetadata::read(path);
        EXPECT_TRUE(metadata.notes.isEmpty()) << photo;
        EXPECT_EQ(metadata.iccProfile, QImage(path).colorSpace().iccProfile()) << photo;
        // The packet is what follows its name in the file.
        EXPECT_EQ(metadata.xmp.isEmpty(), !readFile(path).contains(XmpName)) << photo;
        if (!metadata.xmp.isEmpty()) {
            EXPECT_TRUE(readFile(path).contains(XmpName + metadata.xmp)) << photo;
        }
    }
    // The IPTC record of a photo manager: caption and keyword.
    const JpegMetadata managed = JpegMetadata::read(testPhoto(QStringLiteral("cameras/no_exif.jpg")));
    EXPECT_TRUE(managed.iptc.contains("Der Goalie bin ig"));
    EXPECT_TRUE(managed.iptc.startsWith("8BIM\x04\x04"));
    // Photoshop resources without an IPTC record give nothing to carry.
    EXPECT_TRUE(JpegMetadata::read(testPhoto(QStringLiteral("cameras/nikon-e950.jpg"))).iptc.isEmpty());
    EXPECT_TRUE(JpegMetadata::read(testPhoto(QStringLiteral("cameras/missing.jpg"))).notes.isEmpty());
}
