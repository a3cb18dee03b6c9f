#include "workflow/SourceGuard.h"

#include "platform/FileStamp.h"

#include <QDir>

void SourceGuard::add(const QString& path)
{
    if (const std::optional<FileStamp> photo = FileStamp::lookUp(path))
        m_photos.insert({ { photo->device, photo->inode }, path });
}

QString SourceGuard::refusal(const QString& photoPath, const QString& outputPath, const QString& thumbnailPath) const
{
    QString reason = refusalOf(outputPath, QStringLiteral("output"), photoPath);
    if (reason.isEmpty() && !thumbnailPath.isEmpty())
        reason = refusalOf(thumbnailPath, QStringLiteral("thumbnail"), photoPath);
    return reason;
}

QString SourceGuard::refusalOf(const QString& path, const QString& what, const QString& photoPath) const
{
    const std::optional<FileStamp> target = FileStamp::lookUp(path);
    if (!target) return QString();
    const std::optional<FileStamp> photo = FileStamp::lookUp(photoPath);
    if (photo && photo->isSameFile(*target)) return QStringLiteral("The %1 would replace the photo itself").arg(what);
    const auto other = m_photos.find({ target->device, target->inode });
    if (other != m_photos.end())
        return QStringLiteral("The %1 would replace %2, a photo of this batch")
            .arg(what, QDir::toNativeSeparators(other->second));
    return QString();
}
