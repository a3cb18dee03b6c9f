#pragma once

#include "platform/PhotoFile.h"
#include "platform/PixelSurface.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// The picture loader: decodes a photo into a 24-bit picture as stored
// (PictureOrientation turns it upright): a JPEG through TurboJPEG, a HEIC or
// other HEIF file through libheif (HeifDecoder), PNG, WebP, TIFF and BMP
// through Qt's readers. The kind of file is told by its first bytes, not
// its name. A picture with transparency is shown on white.
//
// The file is opened as PhotoFile opens photos: a regular file only. A file
// that cannot be read or decoded raises a RuntimeError whose description
// names the file and the reason. A picture larger than
// PixelSurface::MaxPixels, or a JPEG of fewer bytes than one per
// MaxPixelsPerByte pixels of its header's size (a PNG of fewer than one per
// 8256, the least deflate gives), is refused from its header,
// before any pixel memory is taken; so is a progressive JPEG of more scans
// than encoders write, before the decoder spends long on them. A truncated
// JPEG decodes what is there, the missing part left grey, as common viewers
// show it.
class PictureLoader {
public:
    // scaleDenominator 1, 2, 4 or 8 decodes a JPEG at that fraction of its
    // size (each side rounded up), which is much faster; the other kinds
    // are always decoded whole.
    // warning, when given, receives what was wrong with a file that still
    // gave a picture (a truncated JPEG), and is emptied otherwise.
    static std::unique_ptr<PixelSurface> load(
        const QString& path, int scaleDenominator = 1, QString* warning = nullptr);

    // The picture as stored (not turned upright), for showing only, in
    // QImage::Format_RGB32, which is painted without a conversion: a JPEG is
    // decoded with the decoder's faster transform straight into the image's
    // rows, scaled as load() does. warning as for load.
    static QImage loadPreview(const QString& path, int scaleDenominator = 1, QString* warning = nullptr);

    // A small picture for a list of photos, made from data (a photo's bytes,
    // or the thumbnail its EXIF block keeps), as loadPreview makes it: a
    // JPEG reduced by 8, 4 or 2 as far as its longer side still reaches
    // side pixels; a HEIF file's own thumbnail when it reaches side pixels;
    // the other kinds whole. path names the picture in errors.
    static QImage loadSmall(const QByteArray& data, const QString& path, int side);

    // Where loadRows puts a picture, one row at a time.
    class RowSink {
    public:
        virtual ~RowSink() = default;
        // Memory for the next row: 3 x width bytes and two spare.
        virtual uint8_t* rowBuffer() = 0;
        // The next row of the picture as stored, top down, blue-green-red,
        // just written into rowBuffer()'s memory.
        virtual void pushRow(const uint8_t* row) = 0;
    };
    // Decodes a JPEG of storedSize pixels into sink row by row, with the
    // bytes load() gives, and true; errors and warning as load(). False, with
    // nothing given to sink, for a photo that is no such JPEG (another kind,
    // a CMYK JPEG, another size): load() decodes it.
    static bool loadRows(const QString& path, QSize storedSize, RowSink& sink, QString* warning = nullptr);

    struct Header {
        QSize size;
        // The picture comes out of the decoder as it is to be shown (a HEIF
        // image's own rotation and mirror applied): its EXIF orientation,
        // if any, is not to be applied on top.
        bool upright = false;
    };
    // The picture's header alone, refused as load refuses it for its size
    // or its shortness.
    static Header readHeader(const QString& path);

    // Whether data begins as a picture of a kind this loader reads.
    static bool readsKindOf(const QByteArray& data);

    // Error numbers, as the platform's picture loader reports them.
    static constexpr long FileNotFound = PhotoFile::FileNotFound;
    static constexpr long InvalidPicture = PhotoFile::InvalidPicture;

    // The least data a JPEG holds for its size: a whole picture takes at
    // least a byte per 512 pixels (a bit per 8 x 8 block).
    static constexpr int64_t MaxPixelsPerByte = 1024;
};
