#include "files/JpegWriter.h"

#include "platform/PictureLoader.h"
#include "platform/PixelSurface.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// A picture whose top half is red and bottom half blue, so a flip shows.
void paintHalves(PixelSurface& surface)
{
    surface.paint([&](QPainter& painter) {
        painter.fillRect(0, 0, surface.width(), surface.height() / 2, Qt::red);
        painter.fillRect(0, surface.height() / 2, surface.width(), surface.height() - surface.height() / 2, Qt::blue);
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
        const auto surface = PixelSurface::create(width, 16);
        ASSERT_TRUE(surface);
        paintHalves(*surface);
        const QString path = dir.filePath(QStringLiteral("w%1.jpg").arg(width));
        ASSERT_TRUE(JpegWriter::save(*surface, path, 90));
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
    const auto created = PixelSurface::create(64, 64);
    ASSERT_TRUE(created);
    PixelSurface& surface = *created;
    std::mt19937 random(64);
    for (int32_t r = 0; r < 64; ++r)
        for (int32_t i = 0; i < 3 * 64; ++i)
            surface.memoryRow(r)[i] = static_cast<uint8_t>(random());
    const QByteArray low = JpegWriter::encode(surface, 0);
    EXPECT_EQ(low, JpegWriter::encode(surface, 1));
    EXPECT_LT(low.size(), JpegWriter::encode(surface, 100).size());

    JpegMetadata metadata;
    metadata.exif = QByteArray("Exif\0\0", 6) + QByteArray("II*\0\x08\0\0\0\0\0", 10);
    const QByteArray withExif = JpegWriter::encode(surface, 50, metadata);
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

    const auto surface = PixelSurface::create(8, 8);
    ASSERT_TRUE(surface);
    ASSERT_TRUE(JpegWriter::save(*surface, path, 80));
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
    const auto surface = PixelSurface::create(8, 8);
    ASSERT_TRUE(surface);

    // Tests may run as root, who can write anywhere: make the write fail with
    // a folder that cannot exist (a path below a regular file).
    const QString path = dir.filePath("photo.jpg");
    ASSERT_TRUE(writeFile(path, "precious"));

    struct Case {
        QString target;
        QString description;
    };
    const Case cases[] = {
        { path + "/inside.jpg", "Failed to save to JPG 20" }, // ENOTDIR
        { dir.filePath("missing/out.jpg"), "Failed to save to JPG 2" }, // ENOENT
    };
    for (const Case& c : cases) {
        try {
            JpegWriter::save(*surface, c.target, 80);
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
