#pragma once

#include "platform/FileIdentity.h"

#include <QHash>
#include <QString>

// The outputs that the single saves of this run wrote, and the photo each
// came from. Camera file names repeat (IMG_0001.JPG is on every card) while
// every single save goes into the same Images folder, so a save must tell
// its own earlier output, which it may replace, from another photo's, which
// it must not replace unasked. Photos and outputs are known by the identity
// of their files: an output replaced since by anyone else, or a photo file
// that now holds another photo, no longer counts as written from it.
class SavedOutputs {
public:
    // The two files of one save.
    struct Paths {
        QString output;
        QString thumbnail;
        bool operator==(const Paths&) const = default;
    };

    // Where photo's outputs go: where this run saved it last while that
    // output is still the one written, so that a photo saved under another
    // name keeps it; else planned.
    Paths placeFor(const QString& photo, const Paths& planned) const;
    // The first file of paths (the thumbnail only withThumbnail) that
    // exists and was written neither from photo by this run nor from the
    // same photo's bytes by an earlier one (its OutputMark says so); empty
    // when saving there replaces nothing of another's.
    QString foreignFile(const QString& photo, const Paths& paths, bool withThumbnail) const;
    // paths with "NAME (n).EXT" for the first n from 2 at which neither
    // file exists.
    static Paths firstFreeNames(const Paths& paths);
    // Notes that photo was just saved at place: its output, and its
    // thumbnail when one was written.
    void remember(const QString& photo, const Paths& place, bool thumbnailWritten);

private:
    struct Written {
        QString photo; // its resolved path
        std::optional<FileIdentity> photoFile;
        std::optional<FileIdentity> outputFile;
    };
    bool writtenFrom(const QString& photo, const QString& file) const;
    static QString key(const QString& path);

    // By the output's path.
    QHash<QString, Written> m_written;
    // By the photo's resolved path.
    QHash<QString, Paths> m_lastPlace;
};
