#include "workflow/PhotoFolder.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace {

const QStringList PhotoPatterns { QStringLiteral("*.jpg"), QStringLiteral("*.jpeg") };

// What a special file is, in words.
QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode)) return QStringLiteral("a named pipe");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
    return QStringLiteral("a special file");
}

// Why a link leads nowhere that can be read, from the error of following it.
QString brokenLink(int error)
{
    if (error == ENOENT) return QStringLiteral("a link to nothing: what it names does not exist");
    if (error == ELOOP) return QStringLiteral("a link that leads round in a loop");
    return QStringLiteral("a link that cannot be followed (%1)").arg(FileResult(error).reason());
}

} // namespace

PhotoFolder::Contents PhotoFolder::read(const QString& folder)
{
    Contents contents;
    const QByteArray encoded = QFile::encodeName(folder);
    DIR* dir = ::opendir(encoded.constData());
    if (dir == nullptr) {
        contents.read = FileResult(errno);
        return contents;
    }
    QStringList names;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.') names << QFile::decodeName(entry->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end(), comesBefore);

    const QDir base(folder);
    for (const QString& name : names) {
        const QString path = base.filePath(name);
        const QByteArray file = QFile::encodeName(path);
        struct stat entry {
        }, target {};
        if (::lstat(file.constData(), &entry) != 0) {
            // Gone since the folder was read: nothing to say.
            if (errno != ENOENT) contents.passedOver.append({ path, FileResult(errno).reason() });
            continue;
        }
        const bool link = S_ISLNK(entry.st_mode);
        if (link && ::stat(file.constData(), &target) != 0) {
            contents.passedOver.append({ path, brokenLink(errno) });
            continue;
        }
        const mode_t mode = link ? target.st_mode : entry.st_mode;
        if (S_ISDIR(mode))
            contents.folders << path;
        else if (S_ISREG(mode)) {
            if (isPhotoName(name)) contents.photos << name;
        } else {
            contents.passedOver.append({ path,
                (link ? QStringLiteral("a link to ") + kindOf(mode) : kindOf(mode))
                    + QStringLiteral(", neither a photo nor a folder") });
        }
    }
    return contents;
}

QStringList PhotoFolder::photoNames(const QString& folder)
{
    return read(folder).photos;
}

bool PhotoFolder::isPhotoName(const QString& name)
{
    return QDir::match(PhotoPatterns, name);
}

QStringList PhotoFolder::subFolders(const QString& folder)
{
    return read(folder).folders;
}

bool PhotoFolder::comesBefore(const QString& a, const QString& b)
{
    // QString's case-insensitive comparison folds case by the Unicode
    // tables alone; no locale takes part.
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a.compare(b, Qt::CaseSensitive) < 0;
}

QString PhotoFolder::FolderName(const QString& sPath, const QString& sSeparator)
{
    const qsizetype at = sPath.lastIndexOf(sSeparator);
    return at < 0 ? sPath : sPath.mid(at + sSeparator.size());
}

FileResult PhotoFolder::EnsureFolder(const QString& sPath)
{
    return AtomicFile::makeFolder(sPath);
}
