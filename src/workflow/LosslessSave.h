#pragma once

#include "workflow/PhotoState.h"

#include <QString>
#include <QStringList>

struct Settings;
struct StampPlacement;

// The stamp-only save (Settings::losslessStamp): the output of a JPEG photo
// is the photo itself with the stamp put into the few blocks under it
// (LosslessStamper), every other block, the coding and the segments carried
// over as they are, the EXIF dates moved by the clock's correction and the
// OutputMark put into the XMP packet. The stamp lands where the usual save
// would print it on the upright photo at scale 1. The thumbnail is made
// from the output decoded at a reduced size, upright. The writes are the
// usual ones (PhotoState::writeOutputs): atomic, refused over a source or a
// file Quillon did not write.
class LosslessSave {
public:
    struct Result {
        // False for a photo this save cannot treat (not a JPEG, a CMYK
        // one): nothing was written and notes says why, for the usual save.
        bool saved = false;
        QStringList notes; // the save's, each naming the file
        QStringList stampNotes; // as PhotoState::stampNotes
        QString photoWarning; // as PhotoState::photoWarning
    };

    // Saves the photo that state has opened, stamped by stamp when given.
    // Fails as PhotoState::saveOutputs does.
    static Result save(const PhotoState& state, const Settings& settings, const StampPlacement* stamp,
        const SourceGuard& batchPhotos = {}, const ForeignFiles& foreign = {});

    // The note of a photo that is saved the usual way.
    static QString usualWayNote(const QString& photoPath, const QString& reason);
};
