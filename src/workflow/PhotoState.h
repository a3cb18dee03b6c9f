#pragma once

#include "imaging/cDIBSection.h"
#include "imaging/cImageProcessDIB.h"
#include "platform/ExifRecord.h"

#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

class PicturePrefetch;
class PixelSurface;
struct SettingsRecord;
struct StampPlacement;

// One photo on its way from its file to its outputs: its paths, its EXIF
// record, the working image at the output scale with the scratch buffer
// and image processor of its filters, and the display picture (the working
// image with the stamp printed into it). It knows nothing of a window, so a
// batch can own one per photo in flight; the steps are
//
//   SetPaths, Open, BuildWorkingImage, [ProcessImage], Render,
//   [PrintDateStamp], SaveOutputs
//
// Steps that fail (a photo that cannot be decoded, an output that cannot be
// written) raise a RuntimeError naming the file and the reason, or
// std::bad_alloc when the memory for a picture cannot be had.
class PhotoState {
public:
    PhotoState();
    PhotoState(PhotoState&&) noexcept = default;
    PhotoState& operator=(PhotoState&&) noexcept = default;

    // PhotoPath, and below outputRoot the OutputPath (Images/subFolder/name)
    // and ThumbnailPath (Miniatures/subFolder/name); subFolder may be empty.
    void SetPaths(const QString& photoPath, const QString& outputRoot, const QString& subFolder = QString());
    const QString& PhotoPath() const { return m_photoPath; }
    const QString& OutputPath() const { return m_outputPath; }
    const QString& ThumbnailPath() const { return m_thumbnailPath; }

    // Reads what opening needs and no pixel: the EXIF record (once per
    // path), the orientation, and the photo's upright size. The working
    // image built before no longer counts.
    void Open();
    // The photo's own size, upright, in pixels.
    QSize PhotoSize() const { return m_photoSize; }
    // The EXIF orientation, 1 to 8 (1 when the record has none).
    int Orientation() const { return m_orientation; }
    // What was wrong with the photo that still gave a working image (a
    // truncated file); empty for a sound photo.
    const QString& PhotoWarning() const { return m_photoWarning; }

    // Makes the EXIF record and its text those of PhotoPath, unless they
    // already are.
    void ReadExif();
    // The next ReadExif reads the file again.
    void ForgetExif() { m_lastExifPath.clear(); }
    const ExifRecord& exifRecord() const { return m_exif; }
    // The record as the EXIF window shows it.
    const QString& ExifText() const { return m_exifText; }

    // The preview's size in twips, single precision as the preview control
    // keeps it: the photo's size times the scale. The working image has
    // this size in whole pixels.
    struct TwipsSize {
        float width = 0;
        float height = 0;
    };
    static TwipsSize PreviewTwips(QSize photoSize, double scale);
    static QSize WorkingSize(QSize photoSize, double scale);

    // True once the working image is built for the open photo.
    bool WorkReady() const { return m_workReady; }
    // Decodes the photo upright (taking it from prefetch when it was started
    // there) and builds the working image at size; the decoded picture is
    // let go as soon as the working image is made.
    void BuildWorkingImage(QSize size, PicturePrefetch* prefetch = nullptr);
    // The same from a picture decoded and turned upright already.
    void BuildWorkingImage(std::unique_ptr<PixelSurface> upright, QSize size);
    // Resizes the working image (and its scratch buffer) to lW x lH pixels;
    // false, and nothing done, when it has that size already.
    bool Resample(int32_t lW, int32_t lH);
    // Convolution filter eType (1 to 8 are the filter menu's) on the
    // working image.
    void ProcessImage(int32_t eType);
    void Lighten();
    void Fade();
    const cDIBSection& WorkImage() const { return *m_workImage; }
    const cDIBSection& ScratchImage() const { return *m_scratchImage; }

    // Paints the working image into the display picture, which takes its
    // size; the working image itself never carries the stamp.
    void Render();
    // Prints the photo's date into the display picture as the stamp
    // places it; returns the text (empty: nothing printed).
    QString PrintDateStamp(const StampPlacement& stamp);
    const cDIBSection& Picture1() const { return *m_display; }

    // Writes the display picture to OutputPath and, when thumbnails are on,
    // its reduced copy to ThumbnailPath; creates their folders when missing.
    // Returns notes for the user, one a line, when a record of the photo's
    // metadata could not be carried or the thumbnail was not written by
    // choice (a rule that gives no size), else an empty text.
    QString SaveOutputs(const SettingsRecord& settings) const;

private:
    QString m_photoPath;
    QString m_outputPath;
    QString m_thumbnailPath;
    QSize m_photoSize;
    int m_orientation = 1;
    QString m_photoWarning;

    ExifRecord m_exif;
    QString m_exifText;
    QString m_lastExifPath;

    bool m_workReady = false;
    std::unique_ptr<cDIBSection> m_workImage;
    std::unique_ptr<cDIBSection> m_scratchImage;
    std::unique_ptr<cDIBSection> m_display;
    cImageProcessDIB m_cImage;
};
