#pragma once

#include "files/mMain.h"
#include "imaging/cDIBSection.h"
#include "imaging/cImageProcessDIB.h"
#include "platform/ExifRecord.h"
#include "platform/Twips.h"
#include "workflow/BatchReport.h"
#include "workflow/PhotoControls.h"
#include "workflow/PhotoEngineHost.h"
#include "workflow/PicturePrefetch.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// The processing of the main window, without the window: the one photo that
// is open, its preview, the working image at the output scale with its
// effects, the date stamp, the saved outputs and the batch. The window and
// the command-line tool both drive it; what it reads and sets on the
// window's controls is the model Controls, and the window's part in it is
// the host.
//
// The working image is the photo resampled once to the preview size (the
// photo's size times PreviewScale); every effect, the stamp and the saved
// JPEG work at that size. Effects accumulate until a photo or a size is
// chosen again.
//
// Operations that fail (a photo that cannot be decoded, an output that
// cannot be written) raise a RuntimeError naming the file and the reason.
class PhotoEngine {
public:
    explicit PhotoEngine(SettingsRecord& settings = mMain::settings(), PhotoEngineHost* host = nullptr);

    void setHost(PhotoEngineHost* host);
    SettingsRecord& settings() { return m_settings; }

    // Sets PhotoPath and, below outputRoot, OutputPath (Images/subFolder/name)
    // and ThumbnailPath (Miniatures/subFolder/name); subFolder may be empty.
    void SetPhotoPaths(const QString& photoPath, const QString& outputRoot, const QString& subFolder = QString());

    void OpenPhoto();
    void BuildWorkingImage();
    void Render();
    void Resample(int32_t lW, int32_t lH);
    void ProcessImage(int32_t eType);
    void Lighten();
    void Fade();

    void ReadExif();
    void ShowDateLabels();
    void PrintDateStamp();
    void ApplyDateStyle();
    // The date of the open photo, formatted as the stamp shows it.
    QString ComputeDateText() const;

    // Writes the display picture to OutputPath and, when thumbnails are on,
    // its reduced copy to ThumbnailPath; creates their folders when missing.
    // Returns notes for the user, one a line, when a record of the photo's
    // metadata could not be carried or the thumbnail was not written by
    // choice (a rule that gives no size), else an empty text.
    QString SaveOutputs();

    // Every photo of folder's immediate sub-folders (or of folder itself
    // when it has none) through open, build, the optional filter and save,
    // into TargetFolder. A photo that fails is reported and the batch goes
    // on with the next one.
    BatchReport BatchTransform(const QString& folder);

    // The part of sPath after the last sSeparator; the whole path when there
    // is none; empty when the path ends with it.
    static QString FolderName(const QString& sPath, const QString& sSeparator);
    // Creates every missing folder of the path.
    static bool EnsureFolder(const QString& sPath);
    // The font as the screen shows it at 96 dots per inch, with its size in
    // whole pixels, so that labels and the printed stamp match exactly.
    static QFont ScreenFont(const QFont& font);

    // The open photo, upright, at least wanted pixels in size when it is
    // that large, for the preview: decoded at a reduced size when that is
    // enough, kept until another photo is opened.
    QImage PreviewPicture(QSize wanted);
    // The photo's own size, upright, in pixels.
    QSize PhotoSize() const { return m_photoSize; }
    // What was wrong with the photo that still gave a working image (a
    // truncated file); empty for a sound photo.
    const QString& PhotoWarning() const { return m_photoWarning; }

    // The state of the window's processing.
    QString PhotoPath;
    QString OutputPath;
    QString ThumbnailPath;
    std::unique_ptr<cDIBSection> WorkImage = std::make_unique<cDIBSection>();
    std::unique_ptr<cDIBSection> ScratchImage = std::make_unique<cDIBSection>();
    cImageProcessDIB m_cImage;
    ::ExifRecord ExifRecord;
    QString ExifText;
    QString LastExifPath;
    QString DateText;
    cDIBSection Picture1; // the display picture: the working image with the stamp
    PhotoControls Controls;

    static constexpr float TwipsPerPixel = Twips::PerPixel;

private:
    SettingsRecord& m_settings;
    PhotoEngineHost* m_host;
    PhotoEngineHost m_noHost;
    QSize m_photoSize;
    int m_orientation = 1;
    QString m_photoWarning;
    PicturePrefetch m_prefetch;
    QImage m_preview;
    int m_previewDenominator = 0;
};
