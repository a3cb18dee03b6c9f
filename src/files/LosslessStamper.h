#pragma once

#include "platform/JpegMetadata.h"
#include "platform/PixelSurface.h"

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

// Stamps a JPEG without decoding and encoding it again: the photo's DCT
// coefficients are read as they are, only the blocks under the stamp get
// new ones, and the rest is written back bit for bit with the photo's own
// quantisation tables, chroma subsampling, baseline or progressive coding,
// and every APPn and COM segment in its order. A regular baseline photo is
// read through once (BaselineScan): only the rows of MCUs under the stamp
// are coded again, the rest of its coded data is carried over as it was. The picture is never turned:
// the stamp is drawn upright into the few blocks around it, which are then
// turned back into the stored orientation.
//
// The one place that includes jpeglib.h. Its fatal errors become a
// RuntimeError numbered PictureLoader::InvalidPicture; a photo it cannot
// treat this way (CMYK, more than 8 bits a sample) raises one too, which a
// caller can tell by unsupported().
class LosslessStamper {
public:
    // Draws the stamp onto part of the upright picture: area holds the
    // pixels of the upright photo from corner on.
    using Draw = std::function<void(PixelSurface& area, QPoint corner)>;

    struct Result {
        QByteArray jpeg;
        // The blocks that may have changed: the stamp's box on the stored
        // picture, widened to whole MCUs (empty when nothing was drawn).
        QRect storedBox;
        // The MCUs whose coefficients were replaced: those where the stamp
        // changed a pixel.
        int replacedMcus = 0;
        // What the decoder found wrong with a photo that it still read (a
        // truncated file); empty for a sound one.
        QString warning;
        // Whether the photo's coded data outside the rows of the stamp's
        // MCUs was carried over as it was, rather than coded again.
        bool carried = false;
        // When asked for: the output at an eighth of its size, as stored,
        // as the decoder reduces it (each block's mean, its chroma
        // replicated), made from the coefficients without decoding.
        std::unique_ptr<PixelSurface> eighth;
    };

    // The photo at source (its bytes), stored with EXIF orientation 1 to 8,
    // stamped by draw within uprightArea (on the upright picture; clipped
    // to it). replaced.exif, when not empty, takes the place of the photo's
    // EXIF segment; replaced.xmp that of its XMP packet, or goes in after
    // the EXIF segment when it has none. shownName names the photo in
    // errors.
    // A photo whose coefficients are all read (any but a regular baseline
    // one) lets the source's bytes go as soon as they are.
    // A regular baseline photo's coded data is carried over where the stamp
    // does not reach, without being held as coefficients; Recode codes it
    // all again, as every other photo is (tests compare the two).
    enum class Coding { CarryWherePossible, Recode };
    static Result stamp(QByteArray source, int orientation, QRect uprightArea, const Draw& draw,
        const JpegMetadata& replaced, const QString& shownName, bool withEighth = false,
        Coding coding = Coding::CarryWherePossible);

    // The JPEG decoded at 1/denominator of its size (1, 2, 4 or 8; each side
    // rounded up), as stored, for a thumbnail.
    static std::unique_ptr<PixelSurface> decodeReduced(
        const QByteArray& jpeg, int denominator, const QString& shownName);

    // The part of the stored picture of storedSize that shows uprightRect of
    // the picture turned upright by orientation, and the other way round.
    static QRect storedRect(QRect uprightRect, QSize storedSize, int orientation);
    static QRect uprightRect(QRect storedRect, QSize storedSize, int orientation);

    // Whether error is the refusal of a photo that this class cannot stamp
    // (a CMYK one, a 12-bit one): the usual path can.
    static bool unsupported(const class RuntimeError& error);
};
