#include "platform/PhotoFile.h"

#include "platform/ExifReader.h"
#include "platform/JpegMetadata.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

TEST(PhotoFileTest, EveryReaderRefusesANamedPipeOrADeviceWithoutWaiting)
{
    // A photo's path is found when its folder is read; by the time it is
    // opened, a named pipe may lie there, whose opening would wait for a
    // writer for ever. Should a reader wait, the alarm ends the test program.
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("IMG_0001.JPG"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const std::function<void(const QString&)> readers[] = {
        [](const QString& path) { PictureLoader::load(path); },
        [](const QString& path) { PictureLoader::loadPreview(path, 8); },
        [](const QString& path) { PictureLoader::readHeader(path); },
        [](const QString& path) { ExifReader::read(path); },
        [](const QString& path) { ExifReader::exifBlockFor(path, 10, 10); },
        [](const QString& path) { JpegMetadata::read(path); },
    };
    ::alarm(60);
    for (const QString& path : { pipe, QStringLiteral("/dev/zero") }) {
        for (const auto& read : readers) {
            try {
                read(path);
                ADD_FAILURE() << "read " << path.toStdString();
            } catch (const RuntimeError& error) {
                EXPECT_EQ(error.number(), PhotoFile::InvalidPicture);
                EXPECT_TRUE(error.description().contains(path)) << error.description().toStdString();
                EXPECT_TRUE(error.description().contains(QStringLiteral("not a regular file")))
                    << error.description().toStdString();
            }
        }
    }
    ::alarm(0);
}
