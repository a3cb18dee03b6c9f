#include "platform/ExifReader.h"

#include "support/TestSupport.h"

#include <QDataStream>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

namespace {

// The JPEG with the EXIF block as an output carries it.
QByteArray withExif(const QByteArray& jpeg, const QByteArray& block)
{
    JpegMetadata metadata;
    metadata.exif = block;
    return metadata.insertedInto(jpeg);
}

// A little-endian TIFF file: the first directory holds the maker, the
// orientation and the EXIF directory, which holds a date and a maker note
// of makerNoteSize bytes; the values follow the directories.
QByteArray tiffWithMakerNote(int makerNoteSize)
{
    const QByteArray make("Maker\0", 6);
    const QByteArray date("2011:02:03 04:05:06\0", 20);
    const quint32 exifIfd = 8 + 2 + 3 * 12 + 4;
    const quint32 makeAt = exifIfd + 2 + 2 * 12 + 4, dateAt = makeAt + make.size(), noteAt = dateAt + date.size();
    QByteArray tiff("II");
    QDataStream out(&tiff, QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    const auto entry = [&](quint16 tag, quint16 type, quint32 count, quint32 valueOrOffset) {
        out << tag << type << count << valueOrOffset;
    };
    out << quint16(42) << quint32(8) << quint16(3);
    entry(0x010F, 2, make.size(), makeAt);
    entry(0x0112, 3, 1, 6);
    entry(0x8769, 4, 1, exifIfd);
    out << quint32(0) << quint16(2);
    entry(0x9003, 2, date.size(), dateAt);
    entry(0x927C, 7, makerNoteSize, noteAt);
    out << quint32(0);
    return tiff + make + date + QByteArray(makerNoteSize, 'x');
}

// Files made by a test live in a folder of their own.
class ExifReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ExifReaderTest, RendersValuesAndLeavesOutStructureAndThumbnail)
{
    const struct {
        const char* photo;
        const char* name;
        const char* raw; // null: not checked
        const char* readable;
    } values[] = {
        { "Canon_40D.jpg", "ExposureTime", "1/160", "1/160 s" },
        { "Canon_40D.jpg", "FNumber", "71/10", "f/7.1" },
        { "Canon_40D.jpg", "ExifVersion", "0221", "2.21" },
        { "Canon_40D.jpg", "ComponentsConfiguration", "1 2 3 0", "YCbCr" },
        { "Canon_40D.jpg", "GPSVersionID", "2 2 0 0", "2.2.0.0" },
        // A 264-byte comment field left blank by the camera.
        { "Canon_40D.jpg", "UserComment", "", "" },
        // The thumbnail's resolution must not replace the photo's.
        { "Canon_40D.jpg", "XResolution", "72/1", nullptr },
        // A short exposure the library gives as a decimal is a fraction of a second.
        { "Reconyx_HC500_Hyperfire.jpg", "ExposureTime", nullptr, "1/55 s" },
        // Windows' own titles are texts.
        { "no_exif.jpg", "XPTitle", "Der Goalie bin ig", "Der Goalie bin ig" },
    };
    for (const auto& value : values) {
        SCOPED_TRACE(std::string(value.photo) + " " + value.name);
        const QString path = testPhoto(QString("cameras/") + value.photo);
        if (value.raw) {
            EXPECT_EQ(ExifReader::read(path).text(QLatin1String(value.name)), QLatin1String(value.raw));
        }
        if (value.readable) {
            EXPECT_EQ(ExifReader::read(path, ExifReader::Values::Interpreted).text(QLatin1String(value.name)),
                QLatin1String(value.readable));
        }
    }
    // Every tag is there both ways, as the EXIF window shows them side by side.
    const ExifRecord canon = ExifReader::read(testPhoto("cameras/Canon_40D.jpg"));
    EXPECT_EQ(
        ExifReader::read(testPhoto("cameras/Canon_40D.jpg"), ExifReader::Values::Interpreted).names(), canon.names());
    EXPECT_TRUE(canon.exifText().contains("\r\nGPSVersionID: 2 2 0 0 \r\n"));
    // Offsets of other directories, and the thumbnail's own tags (IFD1).
    for (const char* name : { "ExifTag", "GPSTag", "InteroperabilityTag", "JPEGInterchangeFormat", "MakerNote" })
        EXPECT_FALSE(canon.contains(QLatin1String(name))) << name;
}

TEST_F(ExifReaderTest, OrientationIsOneUnlessTheRecordHoldsAnotherValidOne)
{
    // The photos' own are the photo engine test's, shown upright.
    for (const char* stored : { "0", "9", "abc", "" }) {
        ExifRecord record;
        record.insert("Orientation", QLatin1String(stored));
        EXPECT_EQ(ExifReader::orientation(record), 1) << stored;
    }
    EXPECT_EQ(ExifReader::orientation(ExifRecord()), 1);
}

TEST_F(ExifReaderTest, PhotoDatePrefersARealOriginalDate)
{
    struct Case {
        const char* original;
        const char* digitized;
        const char* dateTime;
        const char* expected;
    };
    const Case cases[] = {
        { nullptr, "2003:01:01 00:00:01", "2004:01:01 00:00:00", "2003:01:01 00:00:01" },
        { nullptr, nullptr, "2004:01:01 00:00:00", "2004:01:01 00:00:00" },
        { "", "  ", "2004:01:01 00:00:00", "2004:01:01 00:00:00" },
        // Zeros and blanks are how cameras write "unknown".
        { "0000:00:00 00:00:00", nullptr, "2004:01:01 00:00:00", "2004:01:01 00:00:00" },
        { "    :  :     :  :  ", nullptr, nullptr, "    :  :     :  :  " },
        { "0000:00:00 00:00:00", nullptr, "    :  :     :  :  ", "0000:00:00 00:00:00" },
        { nullptr, nullptr, nullptr, "" },
    };
    for (const Case& c : cases) {
        ExifRecord record;
        if (c.original) record.insert("DateTimeOriginal", QLatin1String(c.original));
        if (c.digitized) record.insert("DateTimeDigitized", QLatin1String(c.digitized));
        if (c.dateTime) record.insert("DateTime", QLatin1String(c.dateTime));
        EXPECT_EQ(ExifReader::photoDateText(record), QLatin1String(c.expected)) << c.expected;
    }
}

TEST_F(ExifReaderTest, DamagedFilesAndFilesOfOtherKindsHaveNoExif)
{
    const QDir broken(testPhoto("broken"));
    for (const QString& name : broken.entryList(QDir::Files)) {
        EXPECT_NO_THROW(ExifReader::read(broken.filePath(name))) << qPrintable(name);
        EXPECT_NO_THROW(ExifReader::exifBlockFor(broken.filePath(name), 10, 10)) << qPrintable(name);
    }
    // Arbitrary bytes are the fuzz target's (tests/fuzz/fuzz_exif.cpp); here
    // files that are no picture at all, and a JPEG without EXIF.
    const std::pair<const char*, QByteArray> files[]
        = { { "text.jpg", "not a picture at all" }, { "empty.jpg", QByteArray() }, { "plain.jpg", smallJpeg(8, 8) } };
    for (const auto& [name, bytes] : files) {
        const QString path = dir.filePath(QLatin1String(name));
        ASSERT_TRUE(writeFile(path, bytes));
        EXPECT_TRUE(ExifReader::read(path).isEmpty()) << name;
        EXPECT_TRUE(ExifReader::exifBlockFor(path, 40, 30).isEmpty()) << name;
    }
    EXPECT_TRUE(ExifReader::exifBlockFor(dir.filePath("missing.jpg"), 40, 30).isEmpty());
}

TEST_F(ExifReaderTest, ExifBlockCarriesTheDatesIntoTheOutput)
{
    const QString outputPath = dir.filePath("out.jpg");
    const char* sources[] = { "cameras/Canon_40D.jpg", "orientation/landscape_6.jpg",
        "cameras/Reconyx_HC500_Hyperfire.jpg", "cameras/nikon-e950.jpg" };
    for (const char* source : sources) {
        SCOPED_TRACE(source);
        const QString sourcePath = testPhoto(QLatin1String(source));
        const ExifRecord original = ExifReader::read(sourcePath);
        const QByteArray block = ExifReader::exifBlockFor(sourcePath, 40, 30);
        ASSERT_FALSE(block.isEmpty());
        EXPECT_TRUE(block.startsWith(QByteArray("Exif\0\0", 6)));
        EXPECT_LE(block.size(), ExifReader::MaxApp1Payload);
        EXPECT_FALSE(block.contains("\xFF\xD8\xFF")) << "the embedded preview must go";

        ASSERT_TRUE(writeFile(outputPath, withExif(smallJpeg(40, 30), block)));
        const ExifRecord carried = ExifReader::read(outputPath);
        EXPECT_EQ(ExifReader::photoDateText(carried), ExifReader::photoDateText(original));
        for (const char* name : { "DateTimeOriginal", "DateTime", "Make", "Model", "ExposureTime" })
            EXPECT_EQ(carried.text(QLatin1String(name)), original.text(QLatin1String(name))) << name;
        EXPECT_EQ(carried.text("Orientation"), "1");
        EXPECT_EQ(carried.text("PixelXDimension"), "40");
        EXPECT_EQ(carried.text("PixelYDimension"), "30");
    }
    // The sources did carry a thumbnail that the block left behind.
    EXPECT_GT(readFile(testPhoto("cameras/Canon_40D.jpg")).count("\xFF\xD8\xFF"), 1);

    // A corrected clock moves every date, a later edit's too.
    const QByteArray block = ExifReader::exifBlockFor(testPhoto("cameras/Canon_40D.jpg"), 40, 30, 600);
    ASSERT_TRUE(writeFile(outputPath, withExif(smallJpeg(40, 30), block)));
    EXPECT_EQ(ExifReader::read(outputPath).text("DateTime"), "2008:07:31 20:38:11");
}

TEST_F(ExifReaderTest, OversizedMakerNoteIsDroppedToFitTheSegment)
{
    const QString source = dir.filePath("big-note.tif");
    ASSERT_TRUE(writeFile(source, tiffWithMakerNote(70000)));
    ASSERT_EQ(ExifReader::read(source).text("DateTimeOriginal"), "2011:02:03 04:05:06");

    const QByteArray block = ExifReader::exifBlockFor(source, 16, 16);
    ASSERT_FALSE(block.isEmpty());
    EXPECT_LE(block.size(), ExifReader::MaxApp1Payload);

    const QString output = dir.filePath("out.jpg");
    ASSERT_TRUE(writeFile(output, withExif(smallJpeg(16, 16), block)));
    const ExifRecord carried = ExifReader::read(output);
    EXPECT_EQ(carried.text("DateTimeOriginal"), "2011:02:03 04:05:06");
    EXPECT_EQ(carried.text("Make"), "Maker");
    EXPECT_EQ(ExifReader::orientation(carried), 1);

    // A small note stays.
    ASSERT_TRUE(writeFile(source, tiffWithMakerNote(100)));
    EXPECT_GT(ExifReader::exifBlockFor(source, 16, 16).count(QByteArray(100, 'x')), 0);
}
