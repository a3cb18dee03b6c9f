#pragma once

#include "platform/FileResult.h"

#include <QByteArray>
#include <QString>

// Writes a file whole or not at all, and never leaves a temporary behind for
// long.
//
// The bytes go to a hidden temporary file beside the target, named
// ".NAME.quillon-XXXXXX", which its writer holds under an exclusive flock
// from its creation until it has been renamed over the target; a write that
// fails removes it. A process killed in the middle leaves its temporary
// behind, but the kernel releases its lock at once: the first write of a
// process into a folder therefore removes the temporaries there whose lock
// it can take, and keeps those of writers still at work.
class AtomicFile {
public:
    // What a file that is replaced hands on to the new one. A new file gets
    // the usual permissions (those of 0666 that the umask leaves).
    enum class Keep {
        Permissions,
        TimesAndPermissions,
    };

    // Writes data to path: all of it, flushed to the disk, then renamed over
    // the target. Returns 0, or the system's error number (EISDIR when a
    // folder has the name); after a failure the target is as it was and no
    // temporary remains. A replaced symbolic link is replaced, not followed.
    static int write(const QString& path, const QByteArray& data, Keep keep);

    // Makes folder, with its parents, when missing: done when it is a
    // folder afterwards, else the system's reason (ENOTDIR when a file
    // stands where a folder should be, EACCES where a folder may not be
    // made).
    static FileResult makeFolder(const QString& folder);
    // The same for the folder that is to hold path.
    static FileResult makeFolderFor(const QString& path);
    // Makes a file in folder and lets it go at once: whether the folder
    // takes new files, whatever its mode bits say, and if not, the system's
    // reason. The file has no name where the file system allows it, else
    // that of a temporary (".quillon-write-test.quillon-XXXXXX"), so that a
    // probe killed in the middle leaves nothing the next sweep keeps.
    static FileResult tryCreateFileIn(const QString& folder);

    // Removes the stale temporaries of folder now, whether this process swept
    // it before or not, and spares the next write there its sweep: for a
    // caller about to write into the folder, or that may write nothing there
    // (a batch whose photos are all saved already) and still should not
    // leave a dead writer's temporary for ever.
    static void sweep(const QString& folder);
    // Removes the stale temporaries of folder, and of no other: regular files
    // named as above whose lock can be taken. Returns how many it removed.
    static int removeStaleTemporaries(const QString& folder);

    // Whether a file name (as the file system stores it) is a temporary's.
    static bool isTemporaryName(const QByteArray& fileName);
};
