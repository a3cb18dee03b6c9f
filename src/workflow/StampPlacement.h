#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>

#include <cstdint>

class cDIBSection;
class ExifRecord;
struct PhotoControls;
struct SettingsRecord;

// How the date stamp goes onto a picture: the font at the screen's pixel
// size, the two colours, where the two texts start (their top-left corners,
// in pixels from the picture's top-left corner) and the date format. It is
// worked out once from the settings and the window's labels, and the same
// value serves every photo it is printed on.
struct StampPlacement {
    QFont font;
    QColor firstColor;
    QColor secondColor;
    QPoint first; // the lower text
    QPoint second; // the upper text, printed over the first
    QString dateFormat;

    // The labels' positions relative to the preview image: they map one to
    // one onto the working image, which has the preview's size.
    static StampPlacement FromControls(const SettingsRecord& settings, const PhotoControls& controls);

    // The date of the photo whose record this is, as the stamp shows it;
    // empty when the record has none.
    static QString DateText(const ExifRecord& record, const QString& dateFormat);
    QString DateText(const ExifRecord& record) const { return DateText(record, dateFormat); }

    // Prints text twice into the picture, the second colour over the first;
    // glyphs only, no background box. Nothing for an empty text or a
    // picture without pixels.
    void Print(cDIBSection& picture, const QString& text) const;

    // The font as the screen shows it at 96 dots per inch, with its size in
    // whole pixels, so that the labels and the printed stamp match exactly.
    static QFont ScreenFont(const QFont& font);
};
