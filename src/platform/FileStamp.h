#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>
#include <time.h>

// What a file look-up yields about an existing file: its access and
// modification times and its permission bits. A file written in place of
// another takes these over.
//
// Linux keeps no settable creation time (the birth time is set by the file
// system when the file is made), so only the access and modification times
// are carried over.
struct FileStamp {
    timespec accessTime {};
    timespec modificationTime {};
    mode_t permissions = 0;

    // Nothing when the path does not name an existing regular file.
    static std::optional<FileStamp> lookUp(const QString& path);
    // Sets the times and the permissions of the open file fd. Best effort:
    // false when either could not be set.
    bool applyTo(int fd) const;
};
