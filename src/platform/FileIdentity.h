#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>
#include <time.h>

// Which file a path names at the moment: its device and inode, with its
// size and modification time. A file replaced by another (a new file renamed
// over it, or new content written into it) no longer has the identity that
// was looked up before.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modificationTime {};

    // Nothing when the path does not name an existing file; a symbolic
    // link is followed.
    static std::optional<FileIdentity> lookUp(const QString& path);

    bool operator==(const FileIdentity& other) const;
};
