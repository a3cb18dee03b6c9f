#include "workflow/BatchPlan.h"

#include "files/mMain.h"
#include "platform/FileStamp.h"
#include "workflow/PhotoFolder.h"
#include "workflow/PhotoState.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

struct SourceFolder {
    QString path;
    QString mirror; // its path below Images and Miniatures
    QStringList photos; // file names, in name order
};

// What a batch reads from: folders, not the outputs of a batch into the same
// target, nor a folder it is already inside (a link back up).
class SourceFinder {
public:
    explicit SourceFinder(const QString& target)
    {
        for (const char* outputs : { "/Images", "/Miniatures" }) {
            const QString canonical = QFileInfo(target + QLatin1String(outputs)).canonicalFilePath();
            if (!canonical.isEmpty()) m_outputs << canonical;
        }
    }

    QList<SourceFolder> find(const QString& folder, bool recursive)
    {
        const QString root = QDir::cleanPath(folder);
        QList<SourceFolder> sources;
        const QStringList below = subFolders(root, { QFileInfo(root).canonicalFilePath() });
        if (below.isEmpty()) {
            // The root folder's name is empty: its photos go straight below Images.
            sources.append({ root, PhotoFolder::FolderName(root, QStringLiteral("/")), PhotoFolder::photoNames(root) });
        } else if (!recursive) {
            for (const QString& path : below)
                sources.append(
                    { path, PhotoFolder::FolderName(path, QStringLiteral("/")), PhotoFolder::photoNames(path) });
        } else {
            addBelow(root, QString(), { QFileInfo(root).canonicalFilePath() }, sources);
        }
        return sources;
    }

private:
    // The sub-folders of folder in name order, without the outputs and the
    // folders of ancestors (canonical paths).
    QStringList subFolders(const QString& folder, const QStringList& ancestors) const
    {
        QStringList paths;
        for (const QString& path : PhotoFolder::subFolders(folder)) {
            const QString canonical = QFileInfo(path).canonicalFilePath();
            if (!m_outputs.contains(canonical) && !ancestors.contains(canonical)) paths << path;
        }
        return paths;
    }

    // Each folder's photos come before those of its sub-folders.
    void addBelow(
        const QString& folder, const QString& mirror, const QStringList& ancestors, QList<SourceFolder>& sources) const
    {
        for (const QString& path : subFolders(folder, ancestors)) {
            const QString name = PhotoFolder::FolderName(path, QStringLiteral("/"));
            const QString sub = mirror.isEmpty() ? name : mirror + QLatin1Char('/') + name;
            const QStringList photos = PhotoFolder::photoNames(path);
            if (!photos.isEmpty()) sources.append({ path, sub, photos });
            addBelow(path, sub, ancestors + QStringList { QFileInfo(path).canonicalFilePath() }, sources);
        }
    }

    QStringList m_outputs;
};

bool notOlder(const timespec& a, const timespec& b)
{
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec >= b.tv_nsec;
}

// The output is there and not older than the photo, and so is the
// thumbnail when one is wanted (its time is not looked at).
bool alreadySaved(const BatchPlan::Photo& photo, bool thumbnails)
{
    const std::optional<FileStamp> source = FileStamp::lookUp(photo.path);
    const std::optional<FileStamp> output = FileStamp::lookUp(photo.outputPath);
    if (!source || !output || !notOlder(output->modificationTime, source->modificationTime)) return false;
    return !thumbnails || FileStamp::lookUp(photo.thumbnailPath).has_value();
}

} // namespace

BatchPlan BatchPlan::make(const QString& folder, const SettingsRecord& settings, const BatchOptions& options)
{
    BatchPlan plan;
    const QString target = settings.TargetFolder;
    const QList<SourceFolder> sources = SourceFinder(target).find(folder, options.recursive);
    int number = 0; // of the photo in the whole batch, from 1
    for (const SourceFolder& source : sources) {
        plan.m_subFolders << source.mirror;
        for (const QString& name : source.photos) {
            const QString path = QDir(source.path).filePath(name);
            plan.m_sources.add(path);
            ++number;
            if (options.shardCount > 1 && (number - 1) % options.shardCount + 1 != options.shard) continue;
            const PhotoState::Outputs outputs = PhotoState::OutputPaths(path, target, source.mirror);
            plan.m_photos.append({ path, source.mirror, outputs.output, outputs.thumbnail, Action::Treat, QString() });
        }
    }

    // Only now that every photo of the batch is known.
    for (Photo& photo : plan.m_photos) {
        photo.refusal = plan.m_sources.refusal(
            photo.path, photo.outputPath, settings.ThumbShow ? photo.thumbnailPath : QString());
        if (!photo.refusal.isEmpty())
            photo.action = Action::Refuse;
        else if (options.skipExisting && alreadySaved(photo, settings.ThumbShow))
            photo.action = Action::Skip;
    }
    return plan;
}

int BatchPlan::count(Action action) const
{
    return static_cast<int>(std::count_if(
        m_photos.begin(), m_photos.end(), [action](const Photo& photo) { return photo.action == action; }));
}

void BatchPlan::makeFolders(const QString& target) const
{
    for (const QString& sub : m_subFolders) {
        PhotoFolder::EnsureFolder(target + QStringLiteral("/Images/") + sub);
        PhotoFolder::EnsureFolder(target + QStringLiteral("/Miniatures/") + sub);
    }
}
