#include "platform/AtomicFile.h"

#include "platform/FileStamp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr char Marker[] = ".quillon-";
constexpr qsizetype MarkerLength = sizeof(Marker) - 1;
constexpr qsizetype RandomLength = 6;
constexpr char RandomCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// The longest file name most file systems take.
constexpr qsizetype MaxNameBytes = 255;

bool isRandomCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The folders this process has already swept, by their clean absolute
// paths: once is enough, since every temporary made there afterwards is
// either live or made by a process that started later and sweeps for itself.
// With always, the folder is swept even when it was before.
void sweepOnce(const QString& folder, bool always = false)
{
    static std::mutex mutex;
    static std::set<QString> swept;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!swept.insert(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())).second && !always) return;
    }
    AtomicFile::removeStaleTemporaries(folder);
}

struct Temporary {
    int fd = -1;
    QByteArray name;
    int error = 0;
};

// Creates and locks a new temporary for the file fileName in folder. The
// file is made with mode 0666 so that the umask decides its permissions,
// as for any new file.
Temporary createLocked(const QByteArray& folder, const QByteArray& fileName)
{
    const QByteArray prefix = folder + "/." + fileName.left(MaxNameBytes - 1 - MarkerLength - RandomLength) + Marker;
    QRandomGenerator* random = QRandomGenerator::system();
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = prefix;
        for (qsizetype i = 0; i < RandomLength; ++i)
            name += RandomCharacters[random->bounded(static_cast<int>(sizeof(RandomCharacters) - 1))];
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return { -1, {}, errno };
        }
        // A sweep of another process may have come between the creation and
        // the lock, found the file unlocked and removed it: then the lock is
        // on a file that has no name any more, and another one is made. Where
        // the file system has no locks, no sweep can take one either.
        int locked = 0;
        while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) { }
        struct stat opened {
        }, named {};
        const bool removed = ::fstat(fd, &opened) == 0
            && (::lstat(name.constData(), &named) != 0 ? errno == ENOENT : !sameFile(opened, named));
        if (locked != 0 || !removed) return { fd, name, 0 };
        ::close(fd); // not ours to remove: the name is gone or someone else's
    }
    return { -1, {}, EEXIST };
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

int AtomicFile::write(const QString& path, const QByteArray& data, Keep keep)
{
    const QFileInfo target(path);
    const QByteArray targetName = QFile::encodeName(path);
    struct stat existing { };
    if (::stat(targetName.constData(), &existing) == 0 && S_ISDIR(existing.st_mode)) return EISDIR;
    const std::optional<FileStamp> previous = FileStamp::lookUp(path);

    const QString folder = target.absolutePath();
    sweepOnce(folder);
    const Temporary temporary = createLocked(QFile::encodeName(folder), QFile::encodeName(target.fileName()));
    if (temporary.fd < 0) return temporary.error;

    int error = 0;
    if (!writeAll(temporary.fd, data.constData(), static_cast<size_t>(data.size())) || ::fdatasync(temporary.fd) != 0)
        error = errno;
    // Carried over before the rename, so the target never shows other times.
    // A failure here is not reported: the file then keeps its own.
    if (error == 0 && previous) {
        if (keep == Keep::TimesAndPermissions)
            previous->applyTo(temporary.fd);
        else
            ::fchmod(temporary.fd, previous->permissions);
    }
    if (error == 0 && ::rename(temporary.name.constData(), targetName.constData()) != 0) error = errno;
    if (error != 0) ::unlink(temporary.name.constData());
    // The lock goes only now, once the temporary's name is gone. The data is
    // already on the disk, so closing cannot lose any of it.
    ::close(temporary.fd);
    return error;
}

FileResult AtomicFile::makeFolder(const QString& folder)
{
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    return FileResult(error.value());
}

FileResult AtomicFile::makeFolderFor(const QString& path)
{
    return makeFolder(QFileInfo(path).absolutePath());
}

FileResult AtomicFile::tryCreateFileIn(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    // A file without a name: the folder takes it as it takes any new file,
    // and nothing of it remains once it is closed, even by a kill.
    const int fd = ::open(path.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    // A file system that makes no unnamed files (EISDIR from a kernel that
    // does not know them): a temporary as write makes one, locked until it
    // is removed, so that a probe killed in between is swept like a dead
    // writer's.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return FileResult(errno);
    const Temporary probe = createLocked(path, "quillon-write-test");
    if (probe.fd < 0) return FileResult(probe.error);
    ::unlink(probe.name.constData());
    ::close(probe.fd);
    return {};
}

void AtomicFile::sweep(const QString& folder)
{
    sweepOnce(folder, true);
}

int AtomicFile::removeStaleTemporaries(const QString& folder)
{
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr) return 0;
    const int dirFd = ::dirfd(dir);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!isTemporaryName(name)) continue;
        // Opened without following a link and without waiting on a pipe.
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened {
        }, named {};
        // A lock that cannot be taken belongs to a writer still at work; the
        // name is checked again once locked, in case the file was replaced.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(opened, named)
            && ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

bool AtomicFile::isTemporaryName(const QByteArray& fileName)
{
    // "." NAME ".quillon-" and six letters or digits, NAME not empty.
    const qsizetype markerAt = fileName.size() - RandomLength - MarkerLength;
    if (markerAt < 2 || fileName.front() != '.' || fileName.mid(markerAt, MarkerLength) != Marker) return false;
    for (qsizetype i = fileName.size() - RandomLength; i < fileName.size(); ++i)
        if (!isRandomCharacter(fileName[i])) return false;
    return true;
}
