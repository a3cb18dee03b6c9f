#pragma once

#include <QList>
#include <QSize>
#include <QString>

#include <optional>

class ExifRecord;

// The text the date stamp prints: the user's own text with fields of the
// photo in braces, parsed once and expanded for each photo.
//
//   {date}             the date in the stored format, as the stamp has always shown it
//   {date:DD MMMM YY}  the same moment in the format given (DateFormatter's tokens)
//   {lens|no lens}     a fallback printed when the photo lacks the field
//   [ · ISO {iso}]     a section: printed only when every field in it has a
//                      value (or a fallback); sections do not nest
//   \n                 a line break (a real line break too); \\ \{ \} \| \[ \]
//                      the character itself; any other \x stays as written,
//                      so the date format's own \x reaches it unchanged
//
// A line whose fields all came out empty, or that is empty, is dropped: a
// photo without ISO loses the line "ISO {iso}" rather than printing "ISO ".
// A stray } or ] is text.
// The empty template is the default one, "{date}", which prints exactly the
// stamp's date, and nothing for a photo without one.
class StampTemplate {
public:
    enum class Field { Date, Camera, Lens, Exposure, Aperture, Iso, FocalLength, File, Folder, Size };

    struct FieldInfo {
        Field field;
        QString name; // as written between the braces
        QString description; // one line, in the user's language
    };
    // Every field, in the order a legend lists them.
    static QList<FieldInfo> fields();
    // The rest of the syntax, each with an example as written in a
    // template and one line saying what it does, for a legend or a help
    // page.
    struct SyntaxInfo {
        QString example;
        QString description;
    };
    static QList<SyntaxInfo> syntax();

    // What one photo gives the fields.
    struct Photo {
        const ExifRecord& record;
        QString path;
        QSize size; // upright, in pixels
        QString dateText; // the date in the stored format; empty: none
        QString moment; // the same moment as an EXIF date text, for {date:FORMAT}
    };

    static QString defaultText() { return QStringLiteral("{date}"); }

    // The default template.
    StampTemplate();
    // Nothing, and why in problem, for a text that is no template: an
    // unknown field, a brace or bracket left open (a line break closes
    // nothing), a section in a section, a format on a field other than date.
    static std::optional<StampTemplate> parse(const QString& text, QString* problem = nullptr);

    // The photo's text: its lines joined by '\n', without the dropped ones.
    QString expand(const Photo& photo) const;
    // The value of one field for the photo, empty when it lacks it; format
    // only for Field::Date.
    static QString valueOf(Field field, const Photo& photo, const QString& format = QString());

    // A template as an editor shows it, its \n as line breaks, and back
    // as it is stored (config.ini keeps one line per value).
    static QString editedText(const QString& stored);
    static QString storedText(const QString& edited);

private:
    struct Piece {
        QString text; // the literal text, or the field's format
        std::optional<Field> field;
        std::optional<QString> fallback;
        int section = 0; // the number of the [section] it is in; 0: none
    };
    using Line = QList<Piece>;

    QList<Line> m_lines;
};
