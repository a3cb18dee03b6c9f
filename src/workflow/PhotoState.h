#pragma once

#include "files/CaptionStrip.h"
#include "imaging/ImageFilters.h"
#include "imaging/PhotoEffect.h"
#include "platform/ExifRecord.h"
#include "platform/PixelSurface.h"
#include "workflow/SourceGuard.h"
#include "workflow/StampPlacement.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

struct Settings;

// What a save does with a file at its output or thumbnail path that Quillon
// did not write, one without an OutputMark (a folder is left to the write,
// which names it). By default it refuses; the window's single save, which
// has asked the user, replaces it, and so does the batch when the user
// allows it.
struct ForeignFiles {
    bool replace = false;
    // How the user allows it, for the refusal: "use --overwrite to replace
    // it".
    QString howToAllow;
};

// One photo on its way from its file to its outputs: its paths, its EXIF
// record, the working image at the output scale with the scratch buffer
// and image processor of its filters, and the display picture (the working
// image with the stamp printed into it). It knows nothing of a window, so
// each batch job owns one and reuses it photo after photo; the steps are
//
//   setPaths, Open, buildWorkingImage, [processImage], Render or renderFinal,
//   [printDateStamp], saveOutputs
//
// Steps that fail (a photo that cannot be decoded, an output that cannot be
// written) raise a RuntimeError naming the file and the reason, or
// std::bad_alloc when the memory for a picture cannot be had.
class PhotoState {
public:
    PhotoState() = default;
    PhotoState(PhotoState&&) noexcept = default;
    PhotoState& operator=(PhotoState&&) noexcept = default;

    // photoPath, and below outputRoot the outputPath (Images/subFolder/name)
    // and thumbnailPath (Miniatures/subFolder/name), name the photo's
    // outputName; subFolder may be empty.
    void setPaths(const QString& photoPath, const QString& outputRoot, const QString& subFolder = QString());
    struct Outputs {
        QString output;
        QString thumbnail;
    };
    // The same with outputs that are known already (a batch's plan).
    void setPaths(const QString& photoPath, const Outputs& outputs);
    static Outputs outputPaths(const QString& outputName, const QString& outputRoot, const QString& subFolder);
    // The file name of the outputs of the photo at photoPath among the
    // photos of its folder (PhotoFolder::outputNames); a JPEG's is its own
    // name, and its folder is not read for it.
    static QString outputName(const QString& photoPath);
    // Other places for the outputs (a free name beside another photo's).
    void setOutputPaths(const QString& outputPath, const QString& thumbnailPath);
    const QString& photoPath() const { return m_photoPath; }
    const QString& outputPath() const { return m_outputPath; }
    const QString& thumbnailPath() const { return m_thumbnailPath; }

    // Reads what opening needs and no pixel: the EXIF record (once per
    // path), the orientation, and the photo's upright size. The working
    // image built before no longer counts.
    void open();
    // The photo's own size, upright, in pixels.
    QSize photoSize() const { return m_photoSize; }
    // The EXIF orientation, 1 to 8 (1 when the record has none, and for a
    // photo its decoder turns itself: a HEIF image).
    int orientation() const { return m_orientation; }
    // What was wrong with the photo that still gave a working image (a
    // truncated file); empty for a sound photo.
    const QString& photoWarning() const { return m_photoWarning; }

    // Makes the EXIF record and its text those of photoPath, unless they
    // already are. A file that cannot be read raises a RuntimeError (it is
    // not taken for one without EXIF).
    void readExif();
    // The next readExif reads the file again.
    void forgetExif()
    {
        m_lastExifPath.clear();
        m_readablePath.clear();
    }
    const ExifRecord& exifRecord() const { return m_exif; }
    // The record as the EXIF window shows it.
    const QString& exifText() const { return m_exifText; }
    // The same with the values as people read them; read from photoPath
    // when first asked for, since only the EXIF window needs it. A file
    // that cannot be read gives the reason as the text.
    const QString& readableExifText();

    // The working image's size: the photo's size times the scale, rounded
    // as outputs have always been sized (the product in single precision,
    // in fifteenths of a pixel, then to the nearest whole pixel, halves to
    // even), so that a given scale keeps giving the same output bytes.
    static QSize workingSize(QSize photoSize, double scale);

    // True once the working image is built for the open photo.
    bool workReady() const { return m_workReady; }
    // Where the scratch buffer's memory comes from. Own: a buffer of its
    // own, kept for the next working image of the same size (the window,
    // whose photo stays open). FromPhoto: the memory of the full-size
    // picture, which nothing reads once the working image is made, until
    // renderFinal gives it back whole for the next photo's picture (a
    // batch, whose jobs then hold no more than that picture's memory and
    // the working image's each).
    enum class Scratch { Own, FromPhoto };
    // Decodes the photo upright and builds the working image at size. A
    // JPEG to be scaled is scaled as its rows are decoded, with no picture at
    // full size; otherwise the decoded picture is let go as soon as the
    // working image is made.
    void buildWorkingImage(QSize size, Scratch scratch = Scratch::Own);
    // The same from a picture decoded and turned upright already.
    void buildWorkingImage(std::unique_ptr<PixelSurface> upright, QSize size, Scratch scratch = Scratch::Own);
    // The most pixel memory that buildWorkingImage to saveOutputs hold at
    // once for a photo of photoSize (upright) and orientation, built at
    // workingSize: the decoded picture, as stored, beside the working image;
    // the scratch buffer then takes over the decoded picture's memory (or,
    // in the window, its place). A JPEG scaled as it is decoded holds less:
    // the working image and the scratch buffer. A thumbnail, and the few
    // rows a scaling holds, are small beside them.
    static int64_t pixelBytesFor(QSize photoSize, QSize workingSize, int orientation);
    // Resizes the working image (and its scratch buffer) to w x h pixels;
    // false, and nothing done, when it has that size already. A size
    // without pixels, or one there is no memory for, fails with a
    // RuntimeError that says so, here and in buildWorkingImage.
    bool resample(int32_t w, int32_t h);
    // Convolution filter type (1 to 8 are the filter menu's) on the
    // working image.
    void processImage(int32_t type);
    void lighten();
    void fade();
    void applyEffect(PhotoEffect effect);
    // Nothing when there is none.
    const PixelSurface* workImage() const { return m_workImage.get(); }
    const PixelSurface* scratchImage() const { return m_scratchImage.get(); }

    // Paints the working image into the display picture, which takes its
    // size, and the caption strip's band below it when the strip is on; the
    // working image itself never carries the stamp or the band.
    void render(const CaptionStrip& strip = {});
    // The same for the last time before a save: the display picture takes
    // the working image's pixels over instead of a copy of them (with a
    // band, it is a new picture and the working image's memory is let go),
    // and the working image and its scratch buffer are gone (workReady is
    // false).
    void renderFinal(const CaptionStrip& strip = {});
    // The size of the photo in the display picture, without the band.
    QSize displayedPhotoSize() const { return m_displayedPhoto; }
    // Lets the display picture go, once saved, so that its memory serves
    // the next photo; the scratch buffer stays for a photo of its size.
    void releaseDisplay();

    static inline const QString noDateNote = QStringLiteral("no date in the photo: saved without a stamp");
    static inline const QString noDateStampedNote = QStringLiteral("no date in the photo");
    static inline const QString movedInsideNote = QStringLiteral("stamp moved inside the photo");
    // "the photo's date is not valid: "0000:00:00 00:00:00"", and when the
    // photo is saved without a stamp, "; saved without a stamp".
    static QString invalidDateNote(const QString& dateText, bool stamped);
    // What the user should know of the date the stamp found (the notes
    // below), stamped when the stamp's text is not empty (a template may
    // print the photo's other fields without its date): none for a date
    // from the photo's EXIF record.
    static QStringList dateNotes(const StampPlacement::Date& date, bool stamped);
    // Prints the stamp's text for the photo (StampPlacement::textFor) into
    // the display picture as the stamp places it; returns the text (empty:
    // nothing printed). What the user should know about it goes to
    // stampNotes.
    QString printDateStamp(const StampPlacement& stamp);
    // What the last stamp did that the user should know of, one short note
    // each (the text of the notes below); a render without a stamp has none.
    const QStringList& stampNotes() const { return m_stampNotes; }
    // Nothing when there is none.
    const PixelSurface* displayPicture() const { return m_display.get(); }

    // Writes the display picture to outputPath and, when thumbnails are on,
    // its reduced copy to thumbnailPath, each with the OutputMark of the
    // photo; creates their folders when missing (a folder that cannot be
    // made fails as its file would, with the system's reason). Returns
    // notes for the user, one each, when a record of the photo's metadata
    // could not be carried or the thumbnail was not written by choice (a
    // rule that gives no size).
    //
    // Nothing is written, and a RuntimeError says why, when either file
    // would replace the photo itself or one of batchPhotos, or a file that
    // foreign does not let it replace ("FILE exists and was not written by
    // Quillon; " and the way to allow it), looked for just before the
    // writes.
    QStringList saveOutputs(
        const Settings& settings, const SourceGuard& batchPhotos = {}, const ForeignFiles& foreign = {}) const;
    // The last step of saveOutputs, for a save that made its own files
    // (an output and, when not empty, a thumbnail): each written atomically
    // at its path, its folder made when missing, unless foreign refuses a
    // file there that Quillon did not write (nothing is written then).
    void writeOutputs(const QByteArray& output, const QByteArray& thumbnail, const ForeignFiles& foreign) const;
    // The note that no thumbnail was written because the settings' rule
    // gives no picture for the output.
    QString noThumbnailNote(const Settings& settings) const;
    // The thumbnail of an output of size picture by the rule of the
    // settings: the height when one is set, else the width, the output's
    // proportions kept. Empty when the rule gives no picture.
    static QSize thumbnailSize(QSize picture, int32_t thumbHeight, int32_t thumbWidth);

    // The number of the RuntimeError of a working size without pixels or
    // without memory.
    static constexpr long WorkingSizeError = 5;

private:
    // Makes the scratch buffer the working image's size.
    void fitScratchImage();
    // Builds the working image at size from picture, stored with
    // orientation (1, or a quarter turn or its mirror, 5 to 8).
    void buildFrom(std::unique_ptr<PixelSurface> picture, int orientation, QSize size, Scratch scratch);
    // Resamples the working image, stored with orientation (1, or 5 to 8:
    // read turned), to w x h upright and hands out the memory of the
    // picture it was made from.
    std::unique_ptr<PixelSurface> resampleWorkImage(int32_t w, int32_t h, int orientation = 1);

    QString m_photoPath;
    QString m_outputPath;
    QString m_thumbnailPath;
    QSize m_photoSize;
    int m_orientation = 1;
    QString m_photoWarning;
    QStringList m_stampNotes;
    QSize m_displayedPhoto;

    ExifRecord m_exif;
    QString m_exifText;
    QString m_lastExifPath;
    QString m_readableExifText;
    QString m_readablePath;

    bool m_workReady = false;
    std::unique_ptr<PixelSurface> m_workImage;
    std::unique_ptr<PixelSurface> m_scratchImage;
    std::unique_ptr<PixelSurface> m_display;
    ImageFilters m_filters;
};
