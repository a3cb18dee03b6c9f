#pragma once

#include <QString>
#include <QStringList>

// The photos and sub-folders of a folder, in the order the lists show them.
class PhotoFolder {
public:
    // File names ending in .jpg or .jpeg, in any case, sorted by name.
    static QStringList photoNames(const QString& folder);
    // Full paths of the immediate sub-folders (hidden ones left out), sorted
    // by name.
    static QStringList subFolders(const QString& folder);
};
