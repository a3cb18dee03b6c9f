#include "workflow/BatchPlan.h"

#include "files/SettingsFile.h"
#include "platform/AtomicFile.h"
#include "platform/FileIdentity.h"
#include "platform/FileStamp.h"
#include "platform/OutputMark.h"
#include "workflow/BatchReport.h"
#include "workflow/PhotoFolder.h"
#include "workflow/PhotoState.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace {

struct SourceFolder {
    QString path;
    QString mirror; // its path below Images and Miniatures
    QString relative; // its path below the batch's folder; empty for that folder
    QStringList photos; // file names, in name order
};

using Identity = std::pair<dev_t, ino_t>;

std::optional<Identity> identityOf(const QString& folder)
{
    const std::optional<FileIdentity> file = FileIdentity::lookUp(folder);
    if (!file) return std::nullopt;
    return Identity { file->device, file->inode };
}

QString nameOf(const QString& folder)
{
    return PhotoFolder::folderName(folder, QStringLiteral("/"));
}

// What a batch reads from: folders, not the outputs of a batch into the same
// target, and each folder once, however many paths lead to it. What it
// passes over is kept, with the folders that cannot be read and those
// reached again.
class SourceFinder {
public:
    explicit SourceFinder(const QString& target)
    {
        for (const char* outputs : { "/Images", "/Miniatures" })
            if (const std::optional<Identity> folder = identityOf(target + QLatin1String(outputs)))
                m_outputs.insert(*folder);
    }

    QList<SourceFolder> find(const QString& folder, bool recursive)
    {
        const QString root = QDir::cleanPath(folder);
        QList<SourceFolder> sources;
        const std::optional<PhotoFolder::Contents> top = readFolder(root);
        if (!top) return sources;
        if (const std::optional<Identity> identity = identityOf(root)) m_reached.insert({ *identity, root });
        const QStringList below = reach(top->folders);
        if (below.isEmpty()) {
            // The root folder's name is empty: its photos go straight below Images.
            sources.append({ root, nameOf(root), QString(), top->photos });
        } else if (!recursive) {
            m_photosLeftInFolder = static_cast<int>(top->photos.size());
            for (const QString& path : below)
                if (const std::optional<PhotoFolder::Contents> contents = readFolder(path))
                    sources.append({ path, nameOf(path), nameOf(path), contents->photos });
        } else {
            if (!top->photos.isEmpty()) sources.append({ root, nameOf(root), QString(), top->photos });
            addBelow(below, QString(), sources);
        }
        return sources;
    }

    const QList<PhotoFolder::PassedOver>& passedOver() const { return m_passedOver; }
    int photosLeftInFolder() const { return m_photosLeftInFolder; }

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

    // The sub-folders of a folder that the batch reaches here first, in
    // name order; those reached before are noted, the outputs left out.
    QStringList reach(const QStringList& folders)
    {
        QStringList reached;
        for (const QString& path : folders) {
            const std::optional<Identity> identity = identityOf(path);
            if (!identity || m_outputs.contains(*identity)) continue;
            const auto [first, isNew] = m_reached.insert({ *identity, path });
            if (isNew)
                reached << path;
            else
                m_passedOver.append({ path,
                    QStringLiteral("the folder was reached already as %1")
                        .arg(BatchReport::shownName(first->second)) });
        }
        return reached;
    }

    // Each folder's photos come before those of its sub-folders.
    void addBelow(const QStringList& folders, const QString& relative, QList<SourceFolder>& sources)
    {
        for (const QString& path : folders) {
            const std::optional<PhotoFolder::Contents> contents = readFolder(path);
            if (!contents) continue;
            const QString sub = relative.isEmpty() ? nameOf(path) : relative + QLatin1Char('/') + nameOf(path);
            if (!contents->photos.isEmpty()) sources.append({ path, sub, sub, contents->photos });
            addBelow(reach(contents->folders), sub, sources);
        }
    }

    std::set<Identity> m_outputs;
    std::map<Identity, QString> m_reached; // each folder by the path first reached
    QList<PhotoFolder::PassedOver> m_passedOver;
    int m_photosLeftInFolder = 0;
};

bool notOlder(const timespec& a, const timespec& b)
{
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec >= b.tv_nsec;
}

// The output is there and not older than the photo, and so is the
// thumbnail when one is wanted (its time is not looked at), both written by
// Quillon.
bool alreadySaved(const BatchPlan::photo& photo, bool thumbnails)
{
    const std::optional<FileStamp> source = FileStamp::lookUp(photo.path);
    const std::optional<FileStamp> output = FileStamp::lookUp(photo.outputPath);
    if (!source || !output || !notOlder(output->modificationTime, source->modificationTime)) return false;
    if (!OutputMark::of(photo.outputPath)) return false;
    return !thumbnails || OutputMark::of(photo.thumbnailPath).has_value();
}

} // namespace

BatchPlan BatchPlan::make(const QString& folder, const Settings& settings, const BatchOptions& options)
{
    BatchPlan plan;
    const QString target = settings.targetFolder;
    plan.m_target = target;
    plan.m_thumbnails = settings.thumbShow;
    plan.m_folder = QDir::cleanPath(folder);
    SourceFinder finder(target);
    const QList<SourceFolder> sources = finder.find(folder, options.recursive);
    plan.m_passedOver = finder.passedOver();
    plan.m_photosLeftInFolder = finder.photosLeftInFolder();
    QSet<QString> mirrors;
    std::map<QString, QString> writers; // each output, and the first photo of the batch to write it
    for (const SourceFolder& source : sources) {
        if (!mirrors.contains(source.mirror)) {
            mirrors.insert(source.mirror);
            plan.m_subFolders << source.mirror;
        }
        const QStringList outputNames = PhotoFolder::outputNames(source.photos);
        for (qsizetype i = 0; i < source.photos.size(); ++i) {
            const QString& name = source.photos[i];
            const QString path = QDir(source.path).filePath(name);
            plan.m_sources.add(path);
            const PhotoState::Outputs outputs = PhotoState::outputPaths(outputNames[i], target, source.mirror);
            const auto [writer, first] = writers.insert({ outputs.output, path });
            const QString relative = source.relative.isEmpty() ? name : source.relative + QLatin1Char('/') + name;
            if (options.shardCount > 1 && shardOf(relative, options.shardCount) != options.shard) continue;
            photo photo { path, source.mirror, outputs.output, outputs.thumbnail, Action::Treat, QString() };
            if (!first) {
                photo.action = Action::Refuse;
                photo.refusal = QStringLiteral("The output would replace that of %1, another photo of this batch")
                                    .arg(BatchReport::shownName(writer->second));
            }
            plan.m_photos.append(photo);
        }
    }

    // Only now that every photo of the batch is known.
    for (photo& photo : plan.m_photos) {
        if (photo.action == Action::Refuse) continue;
        photo.refusal = plan.m_sources.refusal(
            photo.path, photo.outputPath, settings.thumbShow ? photo.thumbnailPath : QString());
        if (!photo.refusal.isEmpty())
            photo.action = Action::Refuse;
        else if (options.skipExisting && alreadySaved(photo, settings.thumbShow))
            photo.action = Action::Skip;
    }
    return plan;
}

int BatchPlan::shardOf(const QString& relativePath, int shardCount)
{
    const QByteArray digest = QCryptographicHash::hash(relativePath.toUtf8(), QCryptographicHash::Sha256);
    const auto number = qFromBigEndian<quint64>(digest.constData());
    return static_cast<int>(number % static_cast<quint64>(shardCount)) + 1;
}

int BatchPlan::count(Action action) const
{
    return static_cast<int>(std::count_if(
        m_photos.begin(), m_photos.end(), [action](const photo& photo) { return photo.action == action; }));
}

QString BatchPlan::prepareFolders() const
{
    // A batch that writes nothing into a folder (its photos all saved
    // already) sweeps it all the same.
    const auto cannotWrite = [](const QString& folder) {
        FileResult usable = PhotoFolder::ensureFolder(folder);
        if (usable) usable = AtomicFile::tryCreateFileIn(folder);
        if (!usable)
            return QStringLiteral("Cannot write into %1: %2").arg(BatchReport::shownName(folder), usable.reason());
        AtomicFile::sweep(folder);
        return QString();
    };
    for (const QString& sub : m_subFolders) {
        if (const QString problem = cannotWrite(m_target + QStringLiteral("/Images/") + sub); !problem.isEmpty())
            return problem;
        const QString thumbnails = m_target + QStringLiteral("/Miniatures/") + sub;
        if (!m_thumbnails) {
            if (PhotoFolder::ensureFolder(thumbnails)) AtomicFile::sweep(thumbnails);
        } else if (const QString problem = cannotWrite(thumbnails); !problem.isEmpty()) {
            return problem;
        }
    }
    return QString();
}
