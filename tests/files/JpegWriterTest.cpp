#include "files/JpegWriter.h"

#include "platform/PixelSurface.h"
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

class JpegWriterTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    const std::unique_ptr<PixelSurface> surface = PixelSurface::create(8, 8);
};

} // namespace

TEST_F(JpegWriterTest, WritesAnUprightBaselineJpegForEveryPadding)
{
    // A picture whose top half is red and bottom half blue, so a flip shows,
    // in every padding of its rows.
    for (int32_t width : { 1, 2, 3, 4, 5, 64 }) {
        const auto halves = PixelSurface::create(width, 16);
        ASSERT_TRUE(halves);
        halves->paint([&](QPainter& painter) {
            painter.fillRect(0, 0, width, 8, Qt::red);
            painter.fillRect(0, 8, width, 8, Qt::blue);
        });
        ASSERT_TRUE(JpegWriter::save(*halves, path, 90));
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

TEST_F(JpegWriterTest, ReplacingAFileKeepsItsTimesAndPermissions)
{
    ASSERT_TRUE(writeFile(path, "old"));
    const timespec times[2] = { { 1'000'000'000, 0 }, { 900'000'000, 0 } }; // accessed, modified
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);

    ASSERT_TRUE(JpegWriter::save(*surface, path, 80));
    struct stat info { };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_atim.tv_sec, times[0].tv_sec);
    EXPECT_EQ(info.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_FALSE(QImage(path).isNull());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
}

TEST_F(JpegWriterTest, AFailedWriteKeepsTheOldFileAndLeavesNothingBehind)
{
    // Tests may run as root, who can write anywhere: make the write fail with
    // a folder that cannot exist (a path below a regular file).
    ASSERT_TRUE(writeFile(path, "precious"));
    try {
        JpegWriter::save(*surface, path + "/inside.jpg", 80);
        ADD_FAILURE() << "saved below a file";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 26001);
        EXPECT_TRUE(error.source().endsWith(".JpegWriter"));
        EXPECT_EQ(error.description(), "Failed to save to JPG 20"); // ENOTDIR
    }
    EXPECT_EQ(readFile(path), "precious");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
