#pragma once

#include <QString>
#include <QStringList>

// The photos and sub-folders of a folder, in the order the lists show them,
// and the two path helpers of the batch.
class PhotoFolder {
public:
    // File names ending in .jpg or .jpeg, in any case, in name order.
    static QStringList photoNames(const QString& folder);
    // Whether a file of that name is one photoNames lists.
    static bool isPhotoName(const QString& name);
    // Full paths of the immediate sub-folders (hidden ones left out), in
    // name order.
    static QStringList subFolders(const QString& folder);

    // Name order, the same on every machine whatever its language: names
    // compared with their letters folded to one case as Unicode folds them,
    // and names that differ only in case by their code points, so that no
    // two names are ever equal and a folder read in any order sorts alike.
    static bool comesBefore(const QString& a, const QString& b);

    // The part of sPath after the last sSeparator; the whole path when there
    // is none; empty when the path ends with it.
    static QString FolderName(const QString& sPath, const QString& sSeparator);
    // Creates every missing folder of the path; false when it is not there
    // afterwards.
    static bool EnsureFolder(const QString& sPath);
};
