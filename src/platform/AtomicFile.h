#pragma once

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

    // Makes the folder that is to hold path, with its parents, when missing.
    // Returns 0, or the system's error number (ENOTDIR when a file stands
    // where a folder should be).
    static int makeFolderFor(const QString& path);

    // Removes the stale temporaries of folder, and of no other: regular files
    // named as above whose lock can be taken. Returns how many it removed.
    static int removeStaleTemporaries(const QString& folder);

    // Whether a file name (as the file system stores it) is a temporary's.
    static bool isTemporaryName(const QByteArray& fileName);
};
