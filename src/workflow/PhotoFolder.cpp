#include "workflow/PhotoFolder.h"

#include <QDir>

#include <algorithm>

namespace {

const QStringList PhotoPatterns { QStringLiteral("*.jpg"), QStringLiteral("*.jpeg") };

QStringList sorted(QStringList names)
{
    std::sort(names.begin(), names.end(), PhotoFolder::comesBefore);
    return names;
}

} // namespace

QStringList PhotoFolder::photoNames(const QString& folder)
{
    return sorted(QDir(folder).entryList(PhotoPatterns, QDir::Files | QDir::Readable, QDir::Unsorted));
}

bool PhotoFolder::isPhotoName(const QString& name)
{
    return QDir::match(PhotoPatterns, name);
}

QStringList PhotoFolder::subFolders(const QString& folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : sorted(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted)))
        paths << dir.filePath(name);
    return paths;
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

bool PhotoFolder::EnsureFolder(const QString& sPath)
{
    QString path = sPath;
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return QDir().mkpath(path);
}
