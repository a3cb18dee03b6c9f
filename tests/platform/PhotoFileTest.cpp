#include "platform/PhotoFile.h"

#include "ThrownError.h"
#include "platform/ExifReader.h"
#include "platform/JpegMetadata.h"
#include "platform/PictureLoader.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every reader of photos: a file that cannot be read is never taken for a
// photo without EXIF, or without a profile, nor decoded as no picture
// without the reason.
const std::function<void(const QString&)> readers[] = {
    [](const QString& path) { PictureLoader::load(path); },
    [](const QString& path) { PictureLoader::loadPreview(path, 8); },
    [](const QString& path) { PictureLoader::readHeader(path); },
    [](const QString& path) { ExifReader::read(path); },
    [](const QString& path) { ExifReader::exifBlockFor(path, 10, 10); },
    [](const QString& path) { JpegMetadata::read(path); },
};

} // namespace

TEST(PhotoFileTest, EveryReaderRefusesAFolderANamedPipeOrADeviceWithoutWaiting)
{
    // A photo's path is found when its folder is read; by the time it is
    // opened, a named pipe may lie there, whose opening would wait for a
    // writer for ever. Should a reader wait, the alarm ends the test program.
    QTemporaryDir dir;
    const QString pipe = dir.filePath("IMG_0001.JPG");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const std::pair<QString, const char*> files[]
        = { { dir.path(), "folder" }, { pipe, "not a regular file" }, { "/dev/zero", "not a regular file" } };
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

// The sanitizers' runtime checks memory through a pipe of its own, which
// needs descriptors the limit below leaves none of.
#if defined(__SANITIZE_ADDRESS__)
#define QUILLON_SANITIZER_NEEDS_DESCRIPTORS
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define QUILLON_SANITIZER_NEEDS_DESCRIPTORS
#endif
#endif

TEST(PhotoFileTest, EveryReaderGivesTheSystemsReasonWhenAPhotoCannotBeOpened)
{
#if defined(QUILLON_SANITIZER_NEEDS_DESCRIPTORS)
    GTEST_SKIP() << "the sanitizers need descriptors";
#else
    // Too many files open is the batch's case: the next descriptor is
    // beyond the limit.
    const QString photo = testPhoto("orientation/landscape_6.jpg");
    rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    const int next = ::dup(0);
    ASSERT_GE(next, 0);
    ::close(next);
    rlimit low = before;
    low.rlim_cur = static_cast<rlim_t>(next);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::optional<RuntimeError> errors[std::size(readers)];
    for (size_t i = 0; i < std::size(readers); ++i)
        errors[i] = thrownError([&] { readers[i](photo); });
    ::setrlimit(RLIMIT_NOFILE, &before);
    for (const std::optional<RuntimeError>& error : errors) {
        ASSERT_TRUE(error);
        EXPECT_TRUE(error->description().contains(photo) && error->description().contains("Too many open files"))
            << error->description().toStdString();
    }
#endif
}

TEST(PhotoFileTest, ReadOnceGivesTheBytesAgainOnlyWhileTheFileIsUnchanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg");
    ASSERT_TRUE(writeFile(path, "first"));
    {
        const PhotoFile::ReadOnce readOnce;
        const QByteArray first = PhotoFile::readAll(path);
        EXPECT_EQ(PhotoFile::readAll(path).constData(), first.constData()) << "read again";
        // Rewritten in place (the size tells it from a file changed within
        // the file system's time resolution), then replaced, then gone.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::Append));
        ASSERT_EQ(file.write("+"), 1);
        file.close();
        EXPECT_EQ(PhotoFile::readAll(path), "first+");
        ASSERT_TRUE(QFile::remove(path) && writeFile(path, "third"));
        EXPECT_EQ(PhotoFile::readAll(path), "third");
        ASSERT_TRUE(QFile::remove(path));
        EXPECT_THROW(PhotoFile::readAll(path), RuntimeError);
    }
    ASSERT_TRUE(writeFile(path, "fifth"));
    const QByteArray outside = PhotoFile::readAll(path);
    EXPECT_NE(PhotoFile::readAll(path).constData(), outside.constData()) << "kept outside a ReadOnce";
}
