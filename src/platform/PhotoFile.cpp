#include "platform/PhotoFile.h"

#include "platform/FileResult.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void failWithError(const QString& path, int error)
{
    if (error == ENOENT) PhotoFile::fail(PhotoFile::FileNotFound, path, QStringLiteral("the file does not exist."));
    if (error == EISDIR)
        PhotoFile::fail(PhotoFile::InvalidPicture, path, QStringLiteral("it is a folder, not a picture."));
    PhotoFile::fail(PhotoFile::InvalidPicture, path, FileResult(error).reason() + QLatin1Char('.'));
}

// A descriptor of the regular file at path, in blocking mode.
int openRegular(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) failWithError(path, errno);
    struct stat status { };
    int error = ::fstat(fd, &status) == 0 ? 0 : errno;
    if (error == 0 && S_ISDIR(status.st_mode)) error = EISDIR;
    if (error == 0 && !S_ISREG(status.st_mode)) {
        ::close(fd);
        PhotoFile::fail(PhotoFile::InvalidPicture, path,
            QStringLiteral("it is not a regular file (a named pipe, a socket or a device)."));
    }
    // Reading a regular file never waits on a writer; the readers expect the
    // ordinary mode all the same.
    if (error == 0) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) error = errno;
    }
    if (error != 0) {
        ::close(fd);
        failWithError(path, error);
    }
    return fd;
}

// The last file readAll read on this thread, while a ReadOnce lives there.
struct LastRead {
    int scopes = 0;
    QString path;
    struct stat status { };
    QByteArray bytes;
};
thread_local LastRead lastRead;

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec
        && a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

} // namespace

PhotoFile::ReadOnce::ReadOnce()
{
    ++lastRead.scopes;
}

PhotoFile::ReadOnce::~ReadOnce()
{
    if (--lastRead.scopes == 0) {
        lastRead.path.clear();
        lastRead.bytes.clear();
    }
}

void PhotoFile::fail(long number, const QString& path, const QString& reason)
{
    throw RuntimeError(number, RuntimeError::sourceFor(QStringLiteral("PictureLoader")),
        QStringLiteral("Cannot open the picture \"%1\": %2").arg(QDir::toNativeSeparators(path), reason));
}

void PhotoFile::open(const QString& path, QFile& file)
{
    const int fd = openRegular(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const int error = errno;
        ::close(fd);
        failWithError(path, error != 0 ? error : EIO);
    }
}

QByteArray PhotoFile::readAll(const QString& path)
{
    QFile file;
    open(path, file);
    struct stat status { };
    const bool keep = lastRead.scopes > 0 && ::fstat(file.handle(), &status) == 0;
    if (keep && path == lastRead.path && sameFile(status, lastRead.status)) return lastRead.bytes;
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) fail(InvalidPicture, path, file.errorString() + QLatin1Char('.'));
    if (keep) {
        lastRead.path = path;
        lastRead.status = status;
        lastRead.bytes = data;
    }
    return data;
}
