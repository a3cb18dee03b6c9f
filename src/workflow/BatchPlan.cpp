#include "workflow/BatchPlan.h"

#include "files/mMain.h"
#include "platform/AtomicFile.h"
#include "platform/FileStamp.h"
#include "platform/OutputMark.h"
#include "workflow/BatchReport.h"
#include "workflow/PhotoFolder.h"
#include "workflow/PhotoState.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace {

struct SourceFolder {
    QString path;
    QString mirror; // its path below Images and Miniatures
    QStringList photos; // file names, in name order
};

// What a batch reads from: folders, not the outputs of a batch into the same
// target, nor a folder it is already inside (a link back up). Each folder
// is read once; what it passes over is kept, with the folders that cannot
// be read.
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
        const std::optional<PhotoFolder::Contents> top = readFolder(root);
        if (!top) return sources;
        const QStringList ancestors { QFileInfo(root).canonicalFilePath() };
        const QStringList below = subFolders(*top, ancestors);
        if (below.isEmpty()) {
            // The root folder's name is empty: its photos go straight below Images.
            sources.append({ root, PhotoFolder::FolderName(root, QStringLiteral("/")), top->photos });
        } else if (!recursive) {
            for (const QString& path : below)
                if (const std::optional<PhotoFolder::Contents> contents = readFolder(path))
                    sources.append({ path, PhotoFolder::FolderName(path, QStringLiteral("/")), contents->photos });
        } else {
            addBelow(below, QString(), ancestors, sources);
        }
        return sources;
    }

    const QList<PhotoFolder::PassedOver>& passedOver() const { return m_passedOver; }

private:
    // The folder's contents, with what it passes over noted; nothing, and
    // the folder noted, when it cannot be read.
    std::optional<PhotoFolder::Contents> readFolder(const QString& folder)
    {
        PhotoFolder::Contents contents = PhotoFolder::read(folder);
        if (!contents.read) {
            m_passedOver.append(
                { folder, QStringLiteral("the folder cannot be read (%1)").arg(contents.read.reason()) });
            return std::nullopt;
        }
        m_passedOver << contents.passedOver;
        return contents;
    }

    // The sub-folders of a folder in name order, without the outputs and the
    // folders of ancestors (canonical paths).
    QStringList subFolders(const PhotoFolder::Contents& contents, const QStringList& ancestors) const
    {
        QStringList paths;
        for (const QString& path : contents.folders) {
            const QString canonical = QFileInfo(path).canonicalFilePath();
            if (!m_outputs.contains(canonical) && !ancestors.contains(canonical)) paths << path;
        }
        return paths;
    }

    // Each folder's photos come before those of its sub-folders.
    void addBelow(
        const QStringList& folders, const QString& mirror, const QStringList& ancestors, QList<SourceFolder>& sources)
    {
        for (const QString& path : folders) {
            const std::optional<PhotoFolder::Contents> contents = readFolder(path);
            if (!contents) continue;
            const QString name = PhotoFolder::FolderName(path, QStringLiteral("/"));
            const QString sub = mirror.isEmpty() ? name : mirror + QLatin1Char('/') + name;
            if (!contents->photos.isEmpty()) sources.append({ path, sub, contents->photos });
            const QStringList inside = ancestors + QStringList { QFileInfo(path).canonicalFilePath() };
            addBelow(subFolders(*contents, inside), sub, inside, sources);
        }
    }

    QStringList m_outputs;
    QList<PhotoFolder::PassedOver> m_passedOver;
};

bool notOlder(const timespec& a, const timespec& b)
{
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec >= b.tv_nsec;
}

// The output is there and not older than the photo, and so is the
// thumbnail when one is wanted (its time is not looked at), both written by
// Quillon.
bool alreadySaved(const BatchPlan::Photo& photo, bool thumbnails)
{
    const std::optional<FileStamp> source = FileStamp::lookUp(photo.path);
    const std::optional<FileStamp> output = FileStamp::lookUp(photo.outputPath);
    if (!source || !output || !notOlder(output->modificationTime, source->modificationTime)) return false;
    if (!OutputMark::of(photo.outputPath)) return false;
    return !thumbnails || OutputMark::of(photo.thumbnailPath).has_value();
}

} // namespace

BatchPlan BatchPlan::make(const QString& folder, const SettingsRecord& settings, const BatchOptions& options)
{
    BatchPlan plan;
    const QString target = settings.TargetFolder;
    plan.m_target = target;
    plan.m_thumbnails = settings.ThumbShow;
    SourceFinder finder(target);
    const QList<SourceFolder> sources = finder.find(folder, options.recursive);
    plan.m_passedOver = finder.passedOver();
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

QString BatchPlan::prepareFolders() const
{
    const auto cannotWrite = [](const QString& folder) {
        FileResult usable = PhotoFolder::EnsureFolder(folder);
        if (usable) usable = AtomicFile::tryCreateFileIn(folder);
        return usable ? QString()
                      : QStringLiteral("Cannot write into %1: %2").arg(BatchReport::shownName(folder), usable.reason());
    };
    for (const QString& sub : m_subFolders) {
        if (const QString problem = cannotWrite(m_target + QStringLiteral("/Images/") + sub); !problem.isEmpty())
            return problem;
        const QString thumbnails = m_target + QStringLiteral("/Miniatures/") + sub;
        if (!m_thumbnails)
            PhotoFolder::EnsureFolder(thumbnails);
        else if (const QString problem = cannotWrite(thumbnails); !problem.isEmpty())
            return problem;
    }
    return QString();
}
