#pragma once

#include "workflow/PhotoFolder.h"
#include "workflow/SourceGuard.h"

#include <QList>
#include <QString>
#include <QStringList>

struct Settings;

// How a batch chooses its photos and how many it treats at once.
struct BatchOptions {
    // Every folder below the source folder that holds photos, not only its
    // immediate sub-folders.
    bool recursive = false;
    // Leaves out the photos saved already (see BatchPlan::make).
    bool skipExisting = false;
    // Lets the batch replace files at its output and thumbnail paths that
    // Quillon did not write (without an OutputMark); without it a photo
    // whose paths hold one fails, and nothing of it is written.
    bool overwrite = false;
    // How the user allows that, said in the failure ("use --overwrite to
    // replace it").
    QString overwriteHint;
    // Of the batch's photos, only those in shard of shardCount (see
    // BatchPlan::shardOf): a photo's shard depends on its own path alone.
    int shard = 1;
    int shardCount = 1;
    // Photos in flight at once; 0 for one per core.
    int jobs = 0;
};

// What a batch is to do: its photos in batch order (folder after folder,
// each folder's photos in name order), each with its output and thumbnail
// paths and whether it is treated, left out as saved already, or refused;
// the output folders it makes; the photos that no output may replace; and
// what it passes over in the source folders, with why.
class BatchPlan {
public:
    enum class Action { Treat, Skip, Refuse };
    struct photo {
        QString path;
        QString subFolder; // below Images and Miniatures; empty for none
        QString outputPath;
        QString thumbnailPath;
        Action action = Action::Treat;
        QString refusal; // why it is refused
    };

    // The batch of folder into settings.targetFolder.
    //
    // Source folders: folder's immediate sub-folders, each mirrored under
    // its name, or folder itself, under its own name, when it has none (the
    // photos lying in folder itself are then left out, and counted). With
    // recursive, folder's own photos under its own name first, then every
    // folder below it that holds photos, mirrored under its path relative to
    // folder. The Images and Miniatures folders of the target are never
    // sources. Each folder is read once: a folder reached again (the same
    // device and inode, by a link or another path) is passed over, naming
    // the path it was reached by first; a folder's sub-folders are reached,
    // in name order, when it is read. Only folders and links to folders are
    // sub-folders; a folder that cannot be read, an entry that is neither a
    // folder nor a plain file, and a photo or folder whose name is not
    // UTF-8 (see PhotoFolder::read), is passed over.
    //
    // With skipExisting, a photo is skipped when its output exists with a
    // modification time not older than the photo's and, when thumbnails are
    // on, its thumbnail exists, both carrying the mark of Quillon's outputs
    // (OutputMark): a file of somebody else's is not a photo saved. A photo whose output or thumbnail would
    // replace a photo of the batch (all shards' photos) is refused, and so
    // is one whose output an earlier photo of the batch writes already
    // (folder's own photos and those of a sub-folder of the same name share
    // an output folder).
    static BatchPlan make(const QString& folder, const Settings& settings, const BatchOptions& options);

    // The shard, 1 to shardCount, of the photo at relativePath below the
    // batch's folder ("2019/a.jpg", "/" between folders): the first 8 bytes
    // of the SHA-256 of the path's UTF-8, read as an unsigned big-endian
    // number, modulo shardCount, plus 1. Other photos come and go without
    // moving it.
    static int shardOf(const QString& relativePath, int shardCount);

    const QList<photo>& photos() const { return m_photos; }
    int count(Action action) const;
    // The folders below Images and Miniatures that the batch makes, even
    // for a source folder without photos.
    const QStringList& subFolders() const { return m_subFolders; }
    // Every photo of the batch, for the saves to check against.
    const SourceGuard& sources() const { return m_sources; }
    // What the batch does not read, with why, in the order it came upon it.
    const QList<PhotoFolder::PassedOver>& passedOver() const { return m_passedOver; }
    // The batch's folder, and how many photos lie in it that the batch
    // leaves out because it has sub-folders and is not recursive.
    const QString& folder() const { return m_folder; }
    int photosLeftInFolder() const { return m_photosLeftInFolder; }

    // Makes Images/sub and Miniatures/sub below the target for every
    // sub-folder, and checks that each one the batch will write into takes
    // a new file: the Images folders, and the Miniatures folders when
    // thumbnails are on (otherwise they are made when they can be), and
    // sweeps from each the temporaries of writers that were killed. Empty
    // when all is well; else, at the first that fails, "Cannot write into
    // FOLDER: reason".
    QString prepareFolders() const;

private:
    QList<photo> m_photos;
    QStringList m_subFolders;
    SourceGuard m_sources;
    QList<PhotoFolder::PassedOver> m_passedOver;
    QString m_folder;
    int m_photosLeftInFolder = 0;
    QString m_target;
    bool m_thumbnails = false;
};
