#include "platform/JpegMetadata.h"

#include "support/TestSupport.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImage>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace {

const QByteArray XmpName("http://ns.adobe.com/xap/1.0/\0", 29);
const QByteArray ExtensionName("http://ns.adobe.com/xmp/extension/\0", 35);
const QByteArray IccName("ICC_PROFILE\0", 12);
const QByteArray PhotoshopName("Photoshop 3.0\0", 14);
const QByteArray Guid("0123456789ABCDEF0123456789ABCDEF");
// An IPTC data set: the caption "hi".
const QByteArray caption("\x1C\x02\x78\x00\x02hi", 7);

QByteArray bigEndian(quint32 value, int bytes)
{
    const quint32 stored = qToBigEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&stored), 4).right(bytes);
}

QByteArray segment(int marker, const QByteArray& payload)
{
    return QByteArray(1, char(0xFF)) + char(marker) + bigEndian(payload.size() + 2, 2) + payload;
}

// Bytes that look like an ICC profile: its size first, "acsp" at 36. Their
// period of 7 bytes divides no part size, so parts put together out of
// order show.
QByteArray fakeProfile(int size)
{
    QByteArray profile = QByteArray("profile").repeated(size / 7 + 1).left(size);
    return profile.replace(0, 4, bigEndian(size, 4)).replace(36, 4, "acsp");
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
    // Right after the start of the picture, in the usual order, before the
    // picture's own JFIF segment.
    const qsizetype order[] = { output.indexOf("Exif"), output.indexOf(XmpName), output.indexOf(ExtensionName),
        output.indexOf(IccName), output.indexOf(PhotoshopName), output.indexOf("JFIF") };
    EXPECT_EQ(order[0], 6);
    EXPECT_TRUE(std::is_sorted(std::begin(order), std::end(order)));
    // The profile in parts as large as a segment takes, numbered 1 to 3 of 3.
    EXPECT_EQ(uint8_t(output[order[3] - 2]) << 8 | uint8_t(output[order[3] - 1]), 65535);
    EXPECT_EQ(output.mid(order[3] + 12, 2), QByteArray("\x01\x03"));
    EXPECT_EQ(QImage::fromData(output).size(), QSize(16, 8));

    const JpegMetadata back = readBytes(output);
    EXPECT_TRUE(back.iccProfile == profile && back.xmp == metadata.xmp && back.xmpExtension == metadata.xmpExtension
        && back.iptc == metadata.iptc && back.notes.isEmpty());
}

TEST(JpegMetadataTest, ADamagedRecordIsLeftOutWithANoteAndTheOthersStay)
{
    const QByteArray profile = fakeProfile(3000);
    const QByteArray extension(1000, 'e');
    const QByteArray xmp = segment(0xE1, XmpName + xmpPacket(true));
    const QByteArray wholeExtension = segment(0xE1, ExtensionName + extensionPart(Guid, extension, 0, 1000));
    const QByteArray iptc = segment(0xED, PhotoshopName + resource(0x0404, caption));
    enum Record { Profile, Extension, Iptc };
    const char* const recordNames[] = { "colour profile", "extended XMP", "IPTC record" };
    struct Case {
        const char* what;
        QList<QByteArray> segments;
        Record damaged;
    } cases[] = {
        { "a profile part missing", { iccPart(profile, 1, 3, 1000), iccPart(profile, 3, 3, 1000) }, Profile },
        { "a profile part twice", { iccPart(profile, 1, 2, 1500), iccPart(profile, 1, 2, 1500) }, Profile },
        { "part number 0", { iccPart(profile, 1, 1, 3000).replace(IccName + "\x01", IccName + '\0') }, Profile },
        { "no ICC profile", { iccPart(QByteArray(3000, 'x'), 1, 1, 3000) }, Profile },
        // Readers refuse the whole file's metadata for it.
        { "a profile cut short of the size it states", { iccPart(profile.left(2990), 1, 1, 2990) }, Profile },
        { "an extension with a gap",
            { segment(0xE1, ExtensionName + extensionPart(Guid, extension, 0, 500)),
                segment(0xE1, ExtensionName + extensionPart(Guid, extension, 600, 400)) },
            Extension },
        { "an extension missing", {}, Extension },
        { "a resource that overruns",
            { segment(0xED, PhotoshopName + resource(0x0404, "hi").chopped(6) + bigEndian(100, 4) + "hi") }, Iptc },
        { "an unknown resource signature", { segment(0xED, PhotoshopName + "8BIX" + resource(0x0404, "hi").mid(4)) },
            Iptc },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Each photo has its other records sound.
        QList<QByteArray> segments = c.segments;
        if (c.damaged != Profile) segments << iccPart(profile, 1, 1, 3000);
        segments << xmp;
        if (c.damaged != Extension) segments << wholeExtension;
        if (c.damaged != Iptc) segments << iptc;
        const JpegMetadata metadata = readBytes(photoWith(segments));
        ASSERT_EQ(metadata.notes.size(), 1);
        const QString expected = QStringLiteral("The %1 of /photos/a.jpg was not carried").arg(recordNames[c.damaged]);
        EXPECT_TRUE(metadata.notes.first().startsWith(expected)) << metadata.notes.first().toStdString();
        EXPECT_EQ(metadata.iccProfile.isEmpty(), c.damaged == Profile);
        EXPECT_EQ(metadata.xmpExtension.isEmpty(), c.damaged == Extension);
        EXPECT_EQ(metadata.iptc.isEmpty(), c.damaged == Iptc);
        EXPECT_EQ(metadata.xmp, xmpPacket(true));
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
    // The IPTC record of a photo manager; Photoshop resources without one
    // give nothing to carry.
    EXPECT_TRUE(
        JpegMetadata::read(testPhoto(QStringLiteral("cameras/no_exif.jpg"))).iptc.contains("Der Goalie bin ig"));
    EXPECT_TRUE(JpegMetadata::read(testPhoto(QStringLiteral("cameras/nikon-e950.jpg"))).iptc.isEmpty());
}
