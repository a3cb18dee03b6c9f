#include "platform/PhotoFile.h"

#include "ThrownError.h"
#include "platform/ExifReader.h"
#include "platform/JpegMetadata.h"
#include "platform/PictureLoader.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

TEST(PhotoFileTest, EveryReaderRefusesAFolderANamedPipeOrADeviceWithoutWaiting)
{
    // A photo's path is found when its folder is read; by the time it is
    // opened, a named pipe may lie there, whose opening would wait for a
    // writer for ever. Should a reader wait, the alarm ends the test program.
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("IMG_0001.JPG"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const std::pair<QString, const char*> files[] = { { dir.path(), "folder" }, { pipe, "not a regular file" },
        { QStringLiteral("/dev/zero"), "not a regular file" } };
    const std::function<void(const QString&)> readers[] = {
        [](const QString& path) { PictureLoader::load(path); },
        [](const QString& path) { PictureLoader::loadPreview(path, 8); },
        [](const QString& path) { PictureLoader::readSize(path); },
        [](const QString& path) { ExifReader::read(path); },
        [](const QString& path) { ExifReader::exifBlockFor(path, 10, 10); },
        [](const QString& path) { JpegMetadata::read(path); },
    };
    ::alarm(60);
    for (const auto& file : files) {
        const QString& path = file.first;
        for (const auto& read : readers) {
            const std::optional<RuntimeError> error = thrownError([&read, &path] { read(path); });
            ASSERT_TRUE(error) << "read " << path.toStdString();
            EXPECT_EQ(error->number(), PhotoFile::InvalidPicture);
            EXPECT_TRUE(
                error->description().contains(path) && error->description().contains(QLatin1String(file.second)))
                << error->description().toStdString();
        }
    }
    ::alarm(0);
}
