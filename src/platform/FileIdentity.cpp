#include "platform/FileIdentity.h"

#include <sys/stat.h>

std::optional<FileIdentity> FileIdentity::lookUp(const QString& path)
{
    struct stat info { };
    const QByteArray name = path.toLocal8Bit();
    if (::stat(name.constData(), &info) != 0) return std::nullopt;
    return FileIdentity { info.st_dev, info.st_ino, info.st_size, info.st_mtim };
}

bool FileIdentity::operator==(const FileIdentity& other) const
{
    return device == other.device && inode == other.inode && size == other.size
        && modificationTime.tv_sec == other.modificationTime.tv_sec
        && modificationTime.tv_nsec == other.modificationTime.tv_nsec;
}
