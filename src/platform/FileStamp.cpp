#include "platform/FileStamp.h"

#include <fcntl.h>
#include <sys/stat.h>

std::optional<FileStamp> FileStamp::lookUp(const QString& path)
{
    struct stat info { };
    const QByteArray name = path.toLocal8Bit();
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    FileStamp stamp;
    stamp.accessTime = info.st_atim;
    stamp.modificationTime = info.st_mtim;
    stamp.permissions = info.st_mode & 07777;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    return stamp;
}

bool FileStamp::applyTo(int fd) const
{
    const timespec times[2] = { accessTime, modificationTime };
    const bool timesSet = ::futimens(fd, times) == 0;
    const bool modeSet = ::fchmod(fd, permissions) == 0;
    return timesSet && modeSet;
}
