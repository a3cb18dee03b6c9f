#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>
#include <time.h>

// What a file look-up yields about an existing file: its access and
// modification times, its permission bits, and the device and inode that
// tell it apart from every other file whatever path names it. A file
// written in place of another takes the times and permissions over.
//
// Linux keeps no settable creation time (the birth time is set by the file
// system when the file is made), so only the access and modification times
// are carried over.
struct FileStamp {
    timespec accessTime {};
    timespec modificationTime {};
    mode_t permissions = 0;
    dev_t device = 0;
    ino_t inode = 0;

    // Nothing when the path does not name an existing regular file. A
    // symbolic link is followed.
    static std::optional<FileStamp> lookUp(const QString& path);
    // Whether both stamps are of one file: the same path, another path
    // through "..", a link to it, or a second hard link.
    bool isSameFile(const FileStamp& other) const { return device == other.device && inode == other.inode; }
    // Sets the times and the permissions of the open file fd. Best effort:
    // false when either could not be set.
    bool applyTo(int fd) const;
};
