#pragma once

#include <QString>

#include <map>
#include <sys/types.h>
#include <utility>

// The photos that a save or a batch reads, which none of its outputs may
// replace. A photo is known by its device and inode, so that no other path
// to it (through "..", a symbolic link to it or to a folder above it, a
// second hard link) slips through where its own path would be caught.
class SourceGuard {
public:
    // Remembers the photo at path; a path that names no file is left out.
    void add(const QString& path);

    // Why writing the output (and the thumbnail, when a path is given) of
    // the photo at photoPath would replace that photo or one remembered
    // here; empty when it would not. A path that names no file yet
    // replaces nothing.
    QString refusal(const QString& photoPath, const QString& outputPath, const QString& thumbnailPath = {}) const;

private:
    QString refusalOf(const QString& path, const QString& what, const QString& photoPath) const;

    // Each photo's first path, by device and inode.
    std::map<std::pair<dev_t, ino_t>, QString> m_photos;
};
