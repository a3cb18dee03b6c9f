#include "workflow/SavedOutputs.h"

#include "platform/OutputMark.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A dangling symbolic link is a name taken all the same.
bool taken(const QString& path)
{
    const QFileInfo file(path);
    return file.exists() || file.isSymLink();
}

// "IMG_0001.JPG" as "IMG_0001 (n).JPG", in the same folder.
QString numbered(const QString& path, int n)
{
    const QFileInfo file(path);
    const QString suffix = file.suffix().isEmpty() ? QString() : QLatin1Char('.') + file.suffix();
    return file.dir().filePath(QStringLiteral("%1 (%2)%3").arg(file.completeBaseName()).arg(n).arg(suffix));
}

} // namespace

QString SavedOutputs::key(const QString& path)
{
    const QFileInfo file(path);
    const QString resolved = file.canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(file.absoluteFilePath()) : resolved;
}

bool SavedOutputs::writtenFrom(const QString& photo, const QString& file) const
{
    const auto found = m_written.constFind(key(file));
    if (found == m_written.cend()) return false;
    const Written& written = *found;
    return written.photo == key(photo) && written.photoFile && written.photoFile == FileIdentity::lookUp(photo)
        && written.outputFile && written.outputFile == FileIdentity::lookUp(file);
}

SavedOutputs::Paths SavedOutputs::placeFor(const QString& photo, const Paths& planned) const
{
    const auto last = m_lastPlace.constFind(key(photo));
    if (last != m_lastPlace.cend() && writtenFrom(photo, last->output)) return *last;
    return planned;
}

QString SavedOutputs::foreignFile(const QString& photo, const Paths& paths, bool withThumbnail) const
{
    // An earlier run's output of the same photo is known by its mark, which
    // names the photo's bytes; the photo is hashed only when one is there.
    std::optional<OutputMark> photoMark;
    const auto foreign = [&](const QString& file) {
        if (!taken(file) || writtenFrom(photo, file)) return false;
        const std::optional<OutputMark> mark = OutputMark::of(file);
        if (!mark || mark->sourceDigest().isEmpty()) return true;
        if (!photoMark) photoMark = OutputMark::forPhoto(photo);
        return *mark != *photoMark;
    };
    if (foreign(paths.output)) return paths.output;
    if (withThumbnail && foreign(paths.thumbnail)) return paths.thumbnail;
    return QString();
}

SavedOutputs::Paths SavedOutputs::firstFreeNames(const Paths& paths)
{
    for (int n = 2;; ++n) {
        const Paths free { numbered(paths.output, n), numbered(paths.thumbnail, n) };
        if (!taken(free.output) && !taken(free.thumbnail)) return free;
    }
}

void SavedOutputs::remember(const QString& photo, const Paths& place, bool thumbnailWritten)
{
    const Written written { key(photo), FileIdentity::lookUp(photo), FileIdentity::lookUp(place.output) };
    m_written.insert(key(place.output), written);
    if (thumbnailWritten)
        m_written.insert(
            key(place.thumbnail), { written.photo, written.photoFile, FileIdentity::lookUp(place.thumbnail) });
    m_lastPlace.insert(written.photo, place);
}
