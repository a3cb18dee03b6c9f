#pragma once

#include "platform/FileResult.h"

#include <QList>
#include <QString>
#include <QStringList>

// The photos and sub-folders of a folder, in the order the lists show them,
// what a batch passes over there, and the two path helpers of the batch.
class PhotoFolder {
public:
    // An entry that is neither a photo, nor a folder, nor a plain file, and
    // why: a named pipe, a socket or a device (or a link to one), a link to
    // nothing, a link that loops; or a photo or a folder whose name is not
    // valid UTF-8, which no path of ours can name again. Such a name keeps
    // each byte that does not decode as the lone surrogate U+DC80 + (byte -
    // 0x80), which no valid name holds and BatchReport::shownName writes
    // as \xNN.
    struct PassedOver {
        QString path;
        QString reason;
    };
    // What one reading of a folder finds. Hidden entries (a name that
    // begins with ".") are left out; links count as what they lead to.
    // Photos and folders whose names are not valid UTF-8 are passed over,
    // never listed: as text they would name another file, or none.
    struct Contents {
        QStringList photos; // file names of regular files, as photoNames
        QStringList folders; // full paths, as subFolders
        QList<PassedOver> passedOver; // in name order
        FileResult read; // why the folder itself could not be read
    };
    static Contents read(const QString& folder);
    // A name or a path as the system stores it, as text. Where it is not
    // valid UTF-8 (and valid is set false), text would name another file
    // or none: each byte that does not decode is then kept as a lone
    // surrogate, as PassedOver says, for messages only.
    static QString textOf(const QByteArray& stored, bool* valid = nullptr);

    // File names of photos (see isPhotoName), in name order: regular
    // files, or links to them, readable or not (one that is not fails when
    // it is opened, and says why).
    static QStringList photoNames(const QString& folder);
    // Whether a file of that name is one photoNames lists: one ending in
    // .jpg or .jpeg (JPEG), .heic, .heif or .hif (HEIF), .png, .webp, .tif
    // or .tiff, in any case.
    static bool isPhotoName(const QString& name);
    // The patterns isPhotoName matches, "*.jpg" and the others, in lower case.
    static QStringList namePatterns();
    // Whether the name is that of a JPEG photo, .jpg or .jpeg in any case.
    static bool isJpegName(const QString& name);

    // The file names of the outputs of a folder's photos, in the order of
    // photos (the names of one folder, as read lists them), each the same
    // for its thumbnail. Outputs are JPEGs: a JPEG's output keeps the
    // photo's name; another photo's is named after its stem, IMG_0001.HEIC
    // giving IMG_0001.jpg, unless another photo of the folder has an output
    // of that name too, compared without regard to case (so that the
    // outputs survive a copy to a card that does not tell case): then it
    // keeps its whole name, IMG_0001.HEIC.jpg. The name a photo gets depends
    // on the folder's names alone, never on which were saved before.
    static QStringList outputNames(const QStringList& photos);
    // Full paths of the immediate sub-folders (hidden ones left out), in
    // name order: folders and links to folders, nothing else.
    static QStringList subFolders(const QString& folder);

    // Name order, the same on every machine whatever its language: names
    // compared with their letters folded to one case as Unicode folds them,
    // and names that differ only in case by their code points, so that no
    // two names are ever equal and a folder read in any order sorts alike.
    static bool comesBefore(const QString& a, const QString& b);

    // The part of filePath after the last separator; the whole path when there
    // is none; empty when the path ends with it.
    static QString folderName(const QString& filePath, const QString& separator);
    // Creates every missing folder of the path; done when it is a folder
    // afterwards, else the system's reason.
    static FileResult ensureFolder(const QString& filePath);
};
