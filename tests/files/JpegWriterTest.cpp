#include "files/JpegWriter.h"

#include "imaging/PixelImage.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// A picture whose top half is red and bottom half blue, so a flip shows.
void paintHalves(PixelImage& dib)
{
    dib.hdc()->paint([&](QPainter& painter) {
        painter.fillRect(0, 0, dib.width(), dib.height() / 2, Qt::red);
        painter.fillRect(0, dib.height() / 2, dib.width(), dib.height() - dib.height() / 2, Qt::blue);
    });
}

timespec secondsAgo(long seconds)
{
    timespec t {};
    t.tv_sec = ::time(nullptr) - seconds;
    return t;
}

} // namespace

TEST(JpegWriterTest, WritesAnUprightBaselineJpegForEveryPadding)
{
    QTemporaryDir dir;
    for (int32_t width : { 1, 2, 3, 4, 5, 64 }) {
        PixelImage dib;
        ASSERT_TRUE(dib.create(width, 16));
        paintHalves(dib);
        const QString path = dir.filePath(QStringLiteral("w%1.jpg").arg(width));
        ASSERT_TRUE(JpegWriter::save(dib, path, 90));
        const QImage back(path);
        ASSERT_EQ(back.size(), QSize(width, 16));
        EXPECT_GT(back.pixelColor(0, 1).red(), 200) << width;
        EXPECT_GT(back.pixelColor(0, 14).blue(), 200) << width;
        // Baseline: a SOF0 marker, no progressive SOF2.
        const QByteArray data = readFile(path);
        EXPECT_TRUE(data.contains(QByteArray("\xFF\xC0", 2)));
        EXPECT_FALSE(data.contains(QByteArray("\xFF\xC2", 2)));
    }
}

TEST(JpegWriterTest, QualityZeroIsTheLowestAndExifIsStored)
{
    QTemporaryDir dir;
    PixelImage dib;
    ASSERT_TRUE(dib.create(64, 64));
    dib.randomiseBits();
    const QByteArray low = JpegWriter::encode(dib, 0);
    EXPECT_EQ(low, JpegWriter::encode(dib, 1));
    EXPECT_LT(low.size(), JpegWriter::encode(dib, 100).size());

    JpegMetadata metadata;
    metadata.exif = QByteArray("Exif\0\0", 6) + QByteArray("II*\0\x08\0\0\0\0\0", 10);
    const QByteArray withExif = JpegWriter::encode(dib, 50, metadata);
    const qsizetype at = withExif.indexOf(QByteArray("\xFF\xE1", 2));
    ASSERT_GT(at, 0);
    EXPECT_EQ(withExif.mid(at + 4, metadata.exif.size()), metadata.exif);
    EXPECT_FALSE(QImage::fromData(withExif).isNull());
}

TEST(JpegWriterTest, ReplacingAFileKeepsItsTimesAndPermissions)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg");
    ASSERT_TRUE(writeFile(path, "old"));
    const timespec times[2] = { secondsAgo(86400 * 30), secondsAgo(86400 * 400) };
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);

    PixelImage dib;
    ASSERT_TRUE(dib.create(8, 8));
    ASSERT_TRUE(JpegWriter::save(dib, path, 80));
    struct stat info { };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(info.st_atim.tv_sec, times[0].tv_sec);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_FALSE(QImage(path).isNull());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
}

TEST(JpegWriterTest, AFailedWriteKeepsTheOldFileAndLeavesNothingBehind)
{
    QTemporaryDir dir;
    PixelImage dib;
    ASSERT_TRUE(dib.create(8, 8));

    // Tests may run as root, who can write anywhere: make the write fail with
    // a folder that cannot exist (a path below a regular file) and with an
    // empty picture, whose encoding fails after the old file was found.
    const QString path = dir.filePath("photo.jpg");
    ASSERT_TRUE(writeFile(path, "precious"));

    struct Case {
        const PixelImage* picture;
        QString target;
        QString description;
    };
    PixelImage empty;
    const Case cases[] = {
        { &dib, path + "/inside.jpg", "Failed to save to JPG 20" }, // ENOTDIR
        { &dib, dir.filePath("missing/out.jpg"), "Failed to save to JPG 2" }, // ENOENT
        { &empty, path, "Failed to save to JPG -1" },
    };
    for (const Case& c : cases) {
        try {
            JpegWriter::save(*c.picture, c.target, 80);
            ADD_FAILURE() << "saved " << c.target.toStdString();
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), 26001);
            EXPECT_TRUE(error.source().endsWith(".JpegWriter"));
            EXPECT_EQ(error.description(), c.description);
        }
    }
    EXPECT_EQ(readFile(path), "precious");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
