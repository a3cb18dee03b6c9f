#pragma once

#include <QString>
#include <QStringList>

// The photos and sub-folders of a folder, in the order the lists show them,
// and the two path helpers of the batch.
class PhotoFolder {
public:
    // File names ending in .jpg or .jpeg, in any case, sorted by name.
    static QStringList photoNames(const QString& folder);
    // Full paths of the immediate sub-folders (hidden ones left out), sorted
    // by name.
    static QStringList subFolders(const QString& folder);

    // The part of sPath after the last sSeparator; the whole path when there
    // is none; empty when the path ends with it.
    static QString FolderName(const QString& sPath, const QString& sSeparator);
    // Creates every missing folder of the path; false when it is not there
    // afterwards.
    static bool EnsureFolder(const QString& sPath);
};
