#pragma once

#include "files/CaptionStrip.h"
#include "files/StampAnchoring.h"
#include "files/StampLook.h"
#include "platform/StampTemplate.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>

class PixelSurface;
class QPainter;
class ExifRecord;
struct Settings;

// How the date stamp goes onto a picture: the font at the screen's pixel
// size, the two colours, where the two texts start on the preview (their
// top-left corners, in pixels from the picture's top-left corner), the date
// format and clock correction, and the options that fit the stamp to each
// picture (a height relative to the picture, an anchoring). It is worked out
// once from the settings and the stamp's position; layoutOn makes it
// concrete for one picture.
struct StampPlacement {
    QFont font;
    QColor firstColor;
    QColor secondColor;
    QPoint first; // the lower text
    QPoint second; // the upper text, printed over the first
    QString dateFormat;
    int32_t shiftMinutes = 0;
    bool nameDateFallback = false;
    bool fileDateFallback = false;
    double heightPercent = 0; // of the picture's shorter side; 0: the font's own size
    StampAnchoring anchoring;
    StampLook look = StampLook::Shadow;
    // The colours chosen for each picture by the light under the stamp
    // (inkFor) instead of the two above.
    bool autoContrast = false;
    // With the strip on, the stamp lies on the band below the photo.
    CaptionStrip strip;
    StampTemplate textTemplate; // what is printed; the date alone by default
    // How the lines of a stamp of several lines line up: by the column of
    // the anchoring, so that a stamp at the right edge keeps its lines
    // against that edge and a centred one keeps them centred; left when it
    // is not anchored. Kept apart from the anchoring, which a drag puts
    // aside, so that the lines do not jump while the stamp moves.
    StampAnchoring::Side lineAlignment = StampAnchoring::Side::Start;

    // The stamp whose lower text starts at position on the working image,
    // in pixels, the upper one the settings' stamp offset further, each on
    // the nearest pixel (halves to the even one); font in points. The window
    // and quillon-cli both place their stamp this way.
    static StampPlacement fromSettings(const Settings& settings, QPointF position, const QFont& font);

    // The text the stamp shows for a photo, and where its moment came from.
    struct Date {
        enum class Source { photo, Xmp, Name, File, None };
        QString text; // empty for Source::None
        Source source = Source::None;
        // The photo's own date text when it names no moment (zeros, 30
        // February): the photo counts as undated.
        QString invalidPhotoDate;
        // The moment as an EXIF date text, for the template's {date:FORMAT};
        // empty for Source::None.
        QString moment;
        // Where the date came from, for the user, when it was not EXIF:
        // "date from the file name"; empty for EXIF and for no date.
        QString sourceNote() const;
    };
    // The moment the photo was taken, the first of these that names a real
    // day: its EXIF record; its XMP packet (ExifReader::xmpDateText); with
    // nameDateFallback its file name (FileNameDate); with fileDateFallback
    // the file's modification time. The photo's own dates are moved by the
    // clock correction; the name's and the file's are not, since the
    // camera's clock did not make them. A day without a time prints as the
    // format's date part (DateFormatter::formatDate).
    Date dateFor(const ExifRecord& record, const QString& photoPath) const;

    // What the stamp prints on a photo: the template expanded with the
    // photo's date (dateFor), record, path and upright size. Empty when
    // nothing is left to print; the default template gives date.text.
    QString textFor(const Date& date, const ExifRecord& record, const QString& photoPath, QSize photoSize) const;
    QString textFor(const ExifRecord& record, const QString& photoPath, QSize photoSize) const;
    // The text for a photo that gives nothing but the moment: the date
    // style dialog's preview when no photo is open.
    QString textAt(const QDateTime& moment) const;

    // The stamp as it lands on one picture: the font at its pixel size, the
    // two texts' top-left corners, and the ink box of both together.
    struct Layout {
        QFont font;
        QPoint first;
        QPoint second;
        QRect inkBox;
        bool movedInside = false; // the clamp had to move it
        StampAnchoring::Side lineAlignment = StampAnchoring::Side::Start;
    };
    // The height option sizes the font and the copies' offset; the
    // anchoring places the ink box; last, an ink box not wholly inside the
    // picture is moved into it (to 0 on an axis where it is larger than the
    // picture). The window shows its labels where this puts them.
    // With the caption strip on, picture is the photo without its band, the
    // stamp lies on the band below it (centred across the band's height, in
    // the column of the anchoring's horizontal side: left, centre or right,
    // the anchoring's margin from the edge; without an anchoring at its own
    // x) and is kept inside the band.
    Layout layoutOn(QSize picture, const QString& text) const;

    // Prints text into the picture as layoutOn places it, in the look
    // (drawText); glyphs only, no background box. Nothing for an empty text
    // (the layout is then empty). photo is the size of the photo in picture
    // when picture carries the caption strip's band below it; by default
    // the whole picture.
    Layout print(PixelSurface& picture, const QString& text, QSize photo = QSize()) const;

    // The lines drawn at the layout's places, each moved by its start
    // (lineStarts), in one of the looks: back is the colour behind (shadow,
    // outline, glow), front the text's.
    static void drawText(QPainter& painter, StampLook look, const Layout& layout, const QStringList& lines,
        const QList<QPoint>& starts, QColor back, QColor front);
    // How far the outline or glow reaches beyond the glyphs, in pixels; 0
    // for the shadow.
    static int haloOf(StampLook look, const QFont& font);

    // Auto-contrast. The mean relative luminance (Rec. 709 weights on
    // linear light, 0 to 1) of the picture's pixels in box, clipped to the
    // picture; 0 for an empty box.
    static double meanLuminance(const PixelSurface& picture, QRect box);
    // White text stands out more than black (by the contrast ratio
    // (L1 + 0.05) / (L2 + 0.05) of the lighter and darker luminance) on a
    // background of mean luminance up to this, black text above it:
    // sqrt(1.05 x 0.05) - 0.05, about the luminance of mid-grey 118.
    static constexpr double DarkInkAbove = 0.17912878474779;
    struct Ink {
        QColor back;
        QColor front;
    };
    // The ink for a background of that luminance: white text with a black
    // shadow, or near-black text with a light one.
    static Ink inkFor(double luminance);

    // The smallest rectangle holding the glyphs of both texts, their
    // top-left corners at first and second, each of one or more lines
    // placed by lineStarts.
    QRect inkBox(const QFont& font, const QString& text, QPoint first, QPoint second) const;

    // Where each line of text starts (its top-left corner) from the text's
    // top-left corner: one line spacing of the font below the line before,
    // and across as alignment puts it within the widest line.
    static QList<QPoint> lineStarts(const QFont& font, const QStringList& lines, StampAnchoring::Side alignment);

    // Where an ink box of boxSize goes on the picture by the anchoring (its
    // top-left corner); the anchoring's place must not be None.
    static QPoint anchoredPosition(const StampAnchoring& anchoring, QSize picture, QSize boxSize);
    // The anchoring that puts box where it is on the picture: the nearest
    // of the nine places, its margin the distance to the nearer edge it
    // touches, and the offset the rest. What the window stores when the user
    // drops the stamp.
    static StampAnchoring anchoringAt(QRect box, QSize picture);
    // The same for a stamp on the caption strip: the nearest of the band's
    // three columns (by thirds of the photo's width) at the bottom, its
    // margin the distance to the column's edge (none in the centre), no
    // offsets. What the window stores when the stamp is dropped on the band.
    static StampAnchoring columnAt(QRect box, QSize photo);
    // box moved into the picture: unchanged when it lies inside, else each
    // axis clamped into [0, picture size - box size].
    static QRect clampedInside(QRect box, QSize picture);

    // The font as the screen shows it at 96 dots per inch, with its size in
    // whole pixels, so that the labels and the printed stamp match exactly.
    static QFont screenFont(const QFont& font);
};
