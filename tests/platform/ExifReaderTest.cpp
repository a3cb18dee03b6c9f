#include "platform/ExifReader.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <utility>

namespace {

// The JPEG with the EXIF block as an output carries it.
QByteArray withExif(const QByteArray& jpeg, const QByteArray& block)
{
    JpegMetadata metadata;
    metadata.exif = block;
    return metadata.insertedInto(jpeg);
}

int countJpegStarts(const QByteArray& bytes)
{
    return static_cast<int>(bytes.count(QByteArray("\xFF\xD8\xFF", 3)));
}

// A little-endian TIFF file whose EXIF directory holds a date and a maker
// note of makerNoteSize bytes.
QByteArray tiffWithMakerNote(int makerNoteSize)
{
    QByteArray tiff;
    auto u16 = [&](int v) { tiff.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    auto u32 = [&](int v) {
        u16(v & 0xFFFF);
        u16((v >> 16) & 0xFFFF);
    };
    auto entry = [&](int tag, int type, int count, int valueOrOffset) {
        u16(tag);
        u16(type);
        u32(count);
        u32(valueOrOffset);
    };

    const QByteArray make("Maker\0", 6);
    const QByteArray date("2011:02:03 04:05:06\0", 20);
    const int ifd0 = 8, ifd0Size = 2 + 3 * 12 + 4;
    const int exifIfd = ifd0 + ifd0Size, exifIfdSize = 2 + 2 * 12 + 4;
    const int makeAt = exifIfd + exifIfdSize, dateAt = makeAt + make.size(), noteAt = dateAt + date.size();

    tiff.append("II");
    u16(42);
    u32(ifd0);
    u16(3);
    entry(0x010F, 2, make.size(), makeAt);
    entry(0x0112, 3, 1, 6);
    entry(0x8769, 4, 1, exifIfd);
    u32(0);
    u16(2);
    entry(0x9003, 2, date.size(), dateAt);
    entry(0x927C, 7, makerNoteSize, noteAt);
    u32(0);
    tiff.append(make).append(date).append(QByteArray(makerNoteSize, 'x'));
    return tiff;
}

// Files made by a test live in a folder of their own.
class ExifReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ExifReaderTest, ReadsEveryCameraPhoto)
{
    const QDir folder(testPhoto(QStringLiteral("cameras")));
    const QStringList files = folder.entryList(QDir::Files);
    ASSERT_GE(files.size(), 10);
    for (const QString& name : files) {
        const ExifRecord record = ExifReader::read(folder.filePath(name));
        EXPECT_FALSE(record.isEmpty()) << qPrintable(name);
        for (const ExifRecord::Entry& entry : record.entries())
            EXPECT_FALSE(entry.name.isEmpty()) << qPrintable(name);
    }
}

TEST_F(ExifReaderTest, RendersValuesAndLeavesOutStructureAndThumbnail)
{
    const ExifRecord record = ExifReader::read(testPhoto(QStringLiteral("cameras/Canon_40D.jpg")));
    EXPECT_EQ(record.text(QStringLiteral("Model")), QStringLiteral("Canon EOS 40D"));
    EXPECT_EQ(record.text(QStringLiteral("ExposureTime")), QStringLiteral("1/160"));
    EXPECT_EQ(record.text(QStringLiteral("ExifVersion")), QStringLiteral("0221"));
    EXPECT_EQ(record.text(QStringLiteral("ComponentsConfiguration")), QStringLiteral("1 2 3 0"));
    const ExifRecord::Entry* gps = record.find(QStringLiteral("GPSVersionID"));
    ASSERT_NE(gps, nullptr);
    EXPECT_TRUE(gps->isList);
    EXPECT_EQ(gps->values, QStringList({ "2", "2", "0", "0" }));
    EXPECT_FALSE(record.find(QStringLiteral("Model"))->isList);
    // A 264-byte comment field left blank by the camera.
    EXPECT_TRUE(record.contains(QStringLiteral("UserComment")));
    EXPECT_EQ(record.text(QStringLiteral("UserComment")), QString());

    // Offsets of other directories, and the thumbnail's own tags (IFD1).
    for (const char* name : { "ExifTag", "GPSTag", "InteroperabilityTag", "JPEGInterchangeFormat", "MakerNote" })
        EXPECT_FALSE(record.contains(QLatin1String(name))) << name;
    // The thumbnail's resolution must not replace the photo's.
    EXPECT_EQ(record.text(QStringLiteral("XResolution")), QStringLiteral("72/1"));

    const ExifRecord edited = ExifReader::read(testPhoto(QStringLiteral("cameras/no_exif.jpg")));
    EXPECT_EQ(edited.text(QStringLiteral("XPTitle")), QStringLiteral("Der Goalie bin ig"));
    EXPECT_EQ(edited.text(QStringLiteral("XPAuthor")), QStringLiteral("CREDIT"));
}

TEST_F(ExifReaderTest, InterpretedValuesAreTheSameTagsAsPeopleReadThem)
{
    for (const char* file : { "cameras/Canon_40D.jpg", "cameras/Nikon_D70.jpg", "cameras/no_exif.jpg" }) {
        SCOPED_TRACE(file);
        const QString path = testPhoto(QLatin1String(file));
        const ExifRecord raw = ExifReader::read(path);
        const ExifRecord readable = ExifReader::read(path, ExifReader::Values::Interpreted);
        EXPECT_EQ(readable.names(), raw.names());
        for (const ExifRecord::Entry& entry : readable.entries())
            EXPECT_FALSE(entry.isList) << entry.name.toStdString();
    }

    const ExifRecord canon
        = ExifReader::read(testPhoto(QStringLiteral("cameras/Canon_40D.jpg")), ExifReader::Values::Interpreted);
    const std::pair<const char*, const char*> values[]
        = { { "Model", "Canon EOS 40D" }, { "FNumber", "f/7.1" }, { "ApertureValue", "f/7" },
              { "ExposureTime", "1/160 s" }, { "Flash", "Yes, compulsory" }, { "ExifVersion", "2.21" },
              { "ComponentsConfiguration", "YCbCr" }, { "Orientation", "top, left" }, { "FocalLength", "135.0 mm" },
              { "GPSVersionID", "2.2.0.0" }, { "UserComment", "" }, { "DateTimeOriginal", "2008:05:30 15:56:01" } };
    for (const auto& [name, value] : values)
        EXPECT_EQ(canon.text(QLatin1String(name)), QLatin1String(value)) << name;
    // A short exposure the library gives as a decimal is a fraction of a second.
    EXPECT_EQ(ExifReader::read(
                  testPhoto(QStringLiteral("cameras/Reconyx_HC500_Hyperfire.jpg")), ExifReader::Values::Interpreted)
                  .text(QStringLiteral("ExposureTime")),
        QStringLiteral("1/55 s"));
    // Windows' own titles stay texts.
    const ExifRecord edited
        = ExifReader::read(testPhoto(QStringLiteral("cameras/no_exif.jpg")), ExifReader::Values::Interpreted);
    EXPECT_EQ(edited.text(QStringLiteral("XPTitle")), QStringLiteral("Der Goalie bin ig"));
}

TEST_F(ExifReaderTest, orientation)
{
    const std::pair<const char*, int> files[] = { { "landscape_1.jpg", 1 }, { "landscape_3.jpg", 3 },
        { "landscape_6.jpg", 6 }, { "landscape_8.jpg", 8 }, { "portrait_1.jpg", 1 }, { "portrait_6.jpg", 6 } };
    for (const auto& [file, expected] : files)
        EXPECT_EQ(ExifReader::orientation(ExifReader::read(testPhoto(QStringLiteral("orientation/") + file))), expected)
            << file;

    for (const char* stored : { "0", "9", "abc", "" }) {
        ExifRecord record;
        record.insert(QStringLiteral("Orientation"), QLatin1String(stored));
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
        if (c.original) record.insert(QStringLiteral("DateTimeOriginal"), QLatin1String(c.original));
        if (c.digitized) record.insert(QStringLiteral("DateTimeDigitized"), QLatin1String(c.digitized));
        if (c.dateTime) record.insert(QStringLiteral("DateTime"), QLatin1String(c.dateTime));
        EXPECT_EQ(ExifReader::photoDateText(record), QLatin1String(c.expected)) << c.expected;
    }
}

TEST_F(ExifReaderTest, DamagedFilesAndFilesOfOtherKindsHaveNoExif)
{
    const QDir broken(testPhoto(QStringLiteral("broken")));
    for (const QString& name : broken.entryList(QDir::Files)) {
        EXPECT_NO_THROW(ExifReader::read(broken.filePath(name))) << qPrintable(name);
        EXPECT_NO_THROW(ExifReader::exifBlockFor(broken.filePath(name), 10, 10)) << qPrintable(name);
    }

    // Arbitrary bytes are the fuzz target's (tests/fuzz/fuzz_exif.cpp); here
    // the files that are no picture at all.
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("text.jpg")), "not a picture at all"));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("empty.jpg")), QByteArray()));
    EXPECT_TRUE(ExifReader::read(dir.filePath(QStringLiteral("empty.jpg"))).isEmpty());
    EXPECT_TRUE(ExifReader::read(dir.filePath(QStringLiteral("text.jpg"))).isEmpty());

    // A JPEG without EXIF, or no file, gives no block to carry.
    const QString plain = dir.filePath(QStringLiteral("plain.jpg"));
    ASSERT_TRUE(writeFile(plain, smallJpeg(8, 8)));
    EXPECT_TRUE(ExifReader::read(plain).isEmpty());
    EXPECT_TRUE(ExifReader::exifBlockFor(plain, 40, 30).isEmpty());
    EXPECT_TRUE(ExifReader::exifBlockFor(dir.filePath(QStringLiteral("missing.jpg")), 40, 30).isEmpty());
}

TEST_F(ExifReaderTest, ExifBlockCarriesTheDatesIntoTheOutput)
{
    const char* sources[] = { "cameras/Canon_40D.jpg", "orientation/landscape_6.jpg",
        "cameras/Reconyx_HC500_Hyperfire.jpg", "cameras/nikon-e950.jpg" };
    for (const char* source : sources) {
        const QString sourcePath = testPhoto(QLatin1String(source));
        const ExifRecord original = ExifReader::read(sourcePath);
        const QByteArray block = ExifReader::exifBlockFor(sourcePath, 40, 30);
        ASSERT_FALSE(block.isEmpty()) << source;
        EXPECT_TRUE(block.startsWith(QByteArray("Exif\0\0", 6))) << source;
        EXPECT_LE(block.size(), ExifReader::MaxApp1Payload) << source;
        EXPECT_EQ(countJpegStarts(block), 0) << source << ": the embedded preview must go";

        const QByteArray jpeg = withExif(smallJpeg(40, 30), block);
        const QString outputPath = dir.filePath(QStringLiteral("out.jpg"));
        ASSERT_TRUE(writeFile(outputPath, jpeg));
        EXPECT_EQ(QImage(outputPath).size(), QSize(40, 30)) << source;

        const ExifRecord carried = ExifReader::read(outputPath);
        EXPECT_EQ(ExifReader::photoDateText(carried), ExifReader::photoDateText(original)) << source;
        for (const char* name : { "DateTimeOriginal", "DateTime", "Make", "Model", "ExposureTime" })
            EXPECT_EQ(carried.text(QLatin1String(name)), original.text(QLatin1String(name))) << source << name;
        EXPECT_EQ(carried.text(QStringLiteral("Orientation")), QStringLiteral("1")) << source;
        EXPECT_EQ(carried.text(QStringLiteral("PixelXDimension")), QStringLiteral("40")) << source;
        EXPECT_EQ(carried.text(QStringLiteral("PixelYDimension")), QStringLiteral("30")) << source;
    }
    // The sources did carry a thumbnail that the block left behind.
    EXPECT_GT(countJpegStarts(readFile(testPhoto(QStringLiteral("cameras/Canon_40D.jpg")))), 1);
}

TEST_F(ExifReaderTest, ExifBlockCarriesTheCorrectedClock)
{
    const QString outputPath = dir.filePath(QStringLiteral("out.jpg"));
    const QByteArray block = ExifReader::exifBlockFor(testPhoto(QStringLiteral("cameras/Canon_40D.jpg")), 40, 30, 600);
    ASSERT_TRUE(writeFile(outputPath, withExif(smallJpeg(40, 30), block)));
    const ExifRecord carried = ExifReader::read(outputPath);
    EXPECT_EQ(carried.text(QStringLiteral("DateTimeOriginal")), "2008:05:31 01:56:01");
    EXPECT_EQ(carried.text(QStringLiteral("DateTimeDigitized")), "2008:05:31 01:56:01");
    EXPECT_EQ(carried.text(QStringLiteral("DateTime")), "2008:07:31 20:38:11"); // a later edit, moved all the same
}

TEST_F(ExifReaderTest, OversizedMakerNoteIsDroppedToFitTheSegment)
{
    const QString source = dir.filePath(QStringLiteral("big-note.tif"));
    ASSERT_TRUE(writeFile(source, tiffWithMakerNote(70000)));
    ASSERT_EQ(ExifReader::read(source).text(QStringLiteral("DateTimeOriginal")), QStringLiteral("2011:02:03 04:05:06"));

    const QByteArray block = ExifReader::exifBlockFor(source, 16, 16);
    ASSERT_FALSE(block.isEmpty());
    EXPECT_LE(block.size(), ExifReader::MaxApp1Payload);

    const QString output = dir.filePath(QStringLiteral("out.jpg"));
    ASSERT_TRUE(writeFile(output, withExif(smallJpeg(16, 16), block)));
    const ExifRecord carried = ExifReader::read(output);
    EXPECT_EQ(carried.text(QStringLiteral("DateTimeOriginal")), QStringLiteral("2011:02:03 04:05:06"));
    EXPECT_EQ(carried.text(QStringLiteral("Make")), QStringLiteral("Maker"));
    EXPECT_EQ(ExifReader::orientation(carried), 1);

    // A small note stays.
    ASSERT_TRUE(writeFile(source, tiffWithMakerNote(100)));
    EXPECT_GT(ExifReader::exifBlockFor(source, 16, 16).count(QByteArray(100, 'x')), 0);
}

// The sanitizers' runtime checks memory through a pipe of its own, which
// needs descriptors the limit below leaves none of.
#if defined(__SANITIZE_ADDRESS__)
#define QUILLON_SANITIZER_NEEDS_DESCRIPTORS
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define QUILLON_SANITIZER_NEEDS_DESCRIPTORS
#endif
#endif

TEST_F(ExifReaderTest, AFileThatCannotBeReadIsNotOneWithoutExif)
{
    // Taken for a photo without EXIF, a turned photo would come out on its
    // side, without its date. Too many files open is the batch's case: the
    // next descriptor is beyond the limit.
    const QString turned = testPhoto(QStringLiteral("orientation/landscape_6.jpg"));
    ASSERT_EQ(ExifReader::orientation(ExifReader::read(turned)), 6);
#if !defined(QUILLON_SANITIZER_NEEDS_DESCRIPTORS)
    struct rlimit before { };
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    const int next = ::dup(0);
    ASSERT_GE(next, 0);
    ::close(next);
    struct rlimit low = before;
    low.rlim_cur = static_cast<rlim_t>(next);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    QString reads[2];
    try {
        ExifReader::read(turned);
    } catch (const RuntimeError& error) {
        reads[0] = error.description();
    }
    try {
        ExifReader::exifBlockFor(turned, 40, 30);
    } catch (const RuntimeError& error) {
        reads[1] = error.description();
    }
    ::setrlimit(RLIMIT_NOFILE, &before);
    for (const QString& read : reads) {
        EXPECT_TRUE(read.contains(turned)) << read.toStdString();
        EXPECT_TRUE(read.contains(QStringLiteral("Too many open files"))) << read.toStdString();
    }
#endif

    // Nor is a file that is missing, or a folder.
    const struct {
        QString path;
        const char* reason;
    } unreadable[] = { { dir.filePath(QStringLiteral("missing.jpg")), "does not exist" },
        { QString(), "does not exist" }, { dir.path(), "folder" } };
    for (const auto& c : unreadable) {
        try {
            ExifReader::read(c.path, ExifReader::Values::Interpreted);
            ADD_FAILURE() << "read " << c.path.toStdString();
        } catch (const RuntimeError& error) {
            EXPECT_TRUE(error.description().contains(QLatin1String(c.reason))) << error.description().toStdString();
        }
    }
}
