#include "workflow/PhotoFolder.h"

#include <QDir>

QStringList PhotoFolder::photoNames(const QString& folder)
{
    return QDir(folder).entryList({ QStringLiteral("*.jpg"), QStringLiteral("*.jpeg") }, QDir::Files | QDir::Readable,
        QDir::Name | QDir::IgnoreCase);
}

QStringList PhotoFolder::subFolders(const QString& folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        paths << dir.filePath(name);
    return paths;
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
