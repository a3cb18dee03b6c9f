#pragma once

#include "files/SettingsFile.h"
#include "workflow/BatchPlan.h"
#include "workflow/BatchReport.h"
#include "workflow/BatchRunner.h"
#include "workflow/PhotoEngineHost.h"
#include "workflow/PhotoState.h"
#include "workflow/StampPlacement.h"

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QSize>
#include <QString>

// The processing of the main window, without the window: the one photo that
// is open (a PhotoState), its preview, the working image at the output
// scale with its effects, the date stamp, the saved outputs and the batch.
// The window and the command-line tool both drive it through the
// operations below and read what they show through the accessors.
//
// The settings record belongs to whoever made the engine (the window, the
// command-line tool, a test) and is read where it is needed; the engine sets
// only dateFont, in applyDateStyle, and the stamp's anchoring when a dragged
// stamp is dropped (dropStamp).
//
// Besides the photo, the engine keeps what the stamp needs, in pixels of
// the working image: where the stamp goes, whether it is printed (Show
// Date) and its font. How the window shows all this (captions, the preview's
// pan, the labels' widgets) is the window's.
//
// The working image is the photo resampled once to the preview size (the
// photo's size times previewScale); every effect, the stamp and the saved
// JPEG work at that size. Effects accumulate until a photo or a size is
// chosen again.
//
// Operations that fail (a photo that cannot be decoded, an output that
// cannot be written) raise a RuntimeError naming the file and the reason.
class PhotoEngine {
public:
    explicit PhotoEngine(Settings& settings, PhotoEngineHost* host = nullptr);

    void setHost(PhotoEngineHost* host);
    Settings& settings() { return m_settings; }
    const Settings& settings() const { return m_settings; }

    // The lower text's top-left corner on the working image, in pixels
    // (what config.ini keeps as LABEL/left and LABEL/top); the upper text
    // lies the settings' stamp offset further. Fractional when the stored
    // place is no whole pixel: the texts land on the nearest ones.
    QPointF stampPosition() const { return m_stampPosition; }
    void setStampPosition(QPointF position) { m_stampPosition = position; }
    // Show Date: the preview shows the stamp and Render prints it.
    bool showDate() const { return m_showDate; }
    void setShowDate(bool show) { m_showDate = show; }
    // The stamp's font, in points: the settings' name and size
    // (applyDateStyle), or the font chosen in the date style dialog with its
    // weight and slant.
    const QFont& stampFont() const { return m_stampFont; }
    void setStampFont(const QFont& font) { m_stampFont = font; }
    // The preview's size in pixels, which the working image takes: the open
    // photo's size times previewScale, as it was when the photo was opened.
    QSize previewSize() const { return m_previewSize; }
    // The size of the outputs: the preview's size with the caption strip's
    // band below it when the strip is on.
    QSize outputSize() const { return m_settings.stripInUse().outputSize(m_previewSize); }

    // The open photo: paths, EXIF record, working image, display picture.
    const PhotoState& photo() const { return m_photo; }

    // Sets photoPath and, below outputRoot, outputPath (Images/subFolder/name)
    // and thumbnailPath (Miniatures/subFolder/name); subFolder may be empty.
    void setPhotoPaths(const QString& photoPath, const QString& outputRoot, const QString& subFolder = QString());
    // Moves the outputs of the open photo elsewhere.
    void setOutputPaths(const QString& outputPath, const QString& thumbnailPath);

    void openPhoto();
    // Forgets the open photo after an open that failed: no photo, no
    // stamp, no sizes, as at start-up.
    void closePhoto();
    void buildWorkingImage();
    void render();
    void resample(int32_t w, int32_t h);
    void processImage(int32_t type);
    void lighten();
    void fade();
    void applyEffect(PhotoEffect effect);
    // Builds the working image again from the photo, undoing every effect,
    // and renders it; nothing while no working image is built.
    void revertToOriginal();

    void readExif();
    // The open photo's EXIF record with its values as people read them.
    const QString& readableExifText() { return m_photo.readableExifText(); }
    // The next readExif reads the open photo's file again, even when the
    // record was read for that path already.
    void forgetExif();
    // Takes the open photo's date as the text that the stamp's labels show
    // (labelText).
    void showDateLabels();
    void printDateStamp();
    void applyDateStyle();
    // The stamp's text for the open photo: its template expanded, the date
    // formatted as the stamp shows it.
    QString computeDateText() const;
    // The photo's date, with where it came from.
    StampPlacement::Date photoDate() const;
    // The date as the labels and the stamp showed it last.
    const QString& dateText() const { return m_dateText; }
    // The text the stamp's labels show: the date of the last showDateLabels.
    const QString& labelText() const { return m_labelText; }
    // Where and how the stamp is printed, from the settings, the stamp's
    // position and its font.
    StampPlacement stampPlacement() const;
    // The stamp as the preview shows its labels: as the save will print it
    // on the working image, at its size, at its anchored place, inside the
    // picture; while it is dragged, where the drag has it. Positions in
    // pixels from the picture's top-left corner. The stamp's own position
    // (what config.ini keeps) changes only when the user drags.
    StampPlacement::Layout shownStamp() const;
    // The user drags the stamp by delta pixels: it moves from where it is
    // shown, and no further than the picture's edges.
    void dragStamp(QPointF delta);
    // The drop ends the drag. With an anchoring or a relative size in use,
    // the anchoring becomes the one that puts the stamp where it was
    // dropped (the nearest of the nine places, the distances to it), so
    // that it lands alike on every photo; with neither, the labels' place
    // is the stamp's.
    void dropStamp();

    // Writes the display picture to outputPath and, when thumbnails are on,
    // its reduced copy to thumbnailPath (see PhotoState::saveOutputs),
    // replacing whatever is there: the window has asked first.
    QString saveOutputs();

    // Every photo of folder's immediate sub-folders (or of folder itself
    // when it has none, or of every folder below it with recursive) through
    // open, build, the optional filter, the stamp and save, into
    // targetFolder, options.jobs photos at once (see BatchPlan and
    // BatchRunner). A photo that fails is reported and the batch goes on
    // with the next one. The stamp is placed once, from the settings and
    // the stamp's position and font as they are now; the open photo is left
    // as it is.
    BatchReport batchTransform(
        const QString& folder, const BatchOptions& options = {}, BatchListener* listener = nullptr);

    // The open photo, upright, at least wanted pixels in size when it is
    // that large, for the preview: decoded at a reduced size when that is
    // enough, kept until another photo is opened.
    QImage previewPicture(QSize wanted);
    // What was wrong with the photo that still gave its preview (a
    // truncated file); empty for a sound one.
    const QString& previewWarning() const { return m_previewWarning; }
    // The same with the caption strip's band below it, in proportion, when
    // the strip is on: the picture the window shows before the working
    // image is built.
    QImage previewWithStrip(QSize wanted);

private:
    Settings& m_settings;
    PhotoEngineHost* m_host;
    PhotoEngineHost m_noHost;
    QPointF m_stampPosition;
    bool m_showDate = true;
    QFont m_stampFont;
    // No photo: the preview's size in the window's design.
    QSize m_previewSize { 640, 480 };
    PhotoState m_photo;
    QString m_dateText;
    QString m_labelText;
    QImage m_preview;
    int m_previewDenominator = 0;
    QString m_previewWarning;
    bool m_stampDragged = false;
};
