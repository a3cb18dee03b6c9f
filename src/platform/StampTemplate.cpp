#include "platform/StampTemplate.h"

#include "platform/DateFormatter.h"
#include "platform/ExifRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace {

using Field = StampTemplate::Field;

struct FieldName {
    Field field;
    const char* name;
    const char* description;
};

constexpr FieldName fieldNames[] = {
    { Field::Date, "date", QT_TRANSLATE_NOOP("StampTemplate", "the date, in the stored format or in {date:FORMAT}") },
    { Field::Camera, "camera", QT_TRANSLATE_NOOP("StampTemplate", "the camera's make and model") },
    { Field::Lens, "lens", QT_TRANSLATE_NOOP("StampTemplate", "the lens model") },
    { Field::Exposure, "exposure", QT_TRANSLATE_NOOP("StampTemplate", "the exposure time: 1/250, 0.5, 2\"") },
    { Field::Aperture, "aperture", QT_TRANSLATE_NOOP("StampTemplate", "the f-number: 2.8") },
    { Field::Iso, "iso", QT_TRANSLATE_NOOP("StampTemplate", "the ISO speed: 200") },
    { Field::FocalLength, "focal", QT_TRANSLATE_NOOP("StampTemplate", "the focal length: 4.2 mm") },
    { Field::File, "file", QT_TRANSLATE_NOOP("StampTemplate", "the photo's file name") },
    { Field::Folder, "folder", QT_TRANSLATE_NOOP("StampTemplate", "the name of the photo's folder") },
    { Field::Size, "size", QT_TRANSLATE_NOOP("StampTemplate", "the picture's size in pixels: 4000x3000") },
};

std::optional<Field> fieldNamed(const QString& name)
{
    for (const FieldName& known : fieldNames)
        if (name.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0) return known.field;
    return std::nullopt;
}

// Beyond any camera's values: a malformed tag, which would print as
// hundreds of digits.
constexpr double MaxNumber = 1e9;

// The first number of a tag: a rational "10/5000" or a plain "200"; a list
// gives its first element. Nothing for a zero denominator, no number, or
// one beyond MaxNumber.
std::optional<double> numberOf(const ExifRecord& record, const QString& name)
{
    const ExifRecord::Entry* entry = record.find(name);
    if (!entry || entry->values.isEmpty()) return std::nullopt;
    const QString text = entry->values.first().trimmed();
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    bool ok = false;
    if (slash < 0) {
        const double value = text.toDouble(&ok);
        return ok && std::abs(value) <= MaxNumber ? std::optional(value) : std::nullopt;
    }
    bool denominatorOk = false;
    const double numerator = text.left(slash).toDouble(&ok);
    const double denominator = text.mid(slash + 1).toDouble(&denominatorOk);
    if (!ok || !denominatorOk || denominator == 0) return std::nullopt;
    const double value = numerator / denominator;
    return std::abs(value) <= MaxNumber ? std::optional(value) : std::nullopt;
}

// One decimal, without a trailing ".0": 2, 1.5.
QString shortDecimal(double value)
{
    QString text = QString::number(value, 'f', 1);
    if (text.endsWith(QLatin1String(".0"))) text.chop(2);
    return text;
}

// The make and the model, the make left out where the model repeats it
// ("Canon" "Canon EOS 40D"), even in part ("NIKON CORPORATION" "NIKON D300").
QString cameraOf(const ExifRecord& record)
{
    const QString make = record.text(QStringLiteral("Make")).simplified();
    const QString model = record.text(QStringLiteral("Model")).simplified();
    if (make.isEmpty() || model.isEmpty()) return model.isEmpty() ? make : model;
    const QString firstWord = make.section(QLatin1Char(' '), 0, 0);
    const auto opensWith = [&model](const QString& word) {
        return model.startsWith(word, Qt::CaseInsensitive)
            && (model.size() == word.size() || !model[word.size()].isLetterOrNumber());
    };
    if (model.startsWith(make, Qt::CaseInsensitive) || opensWith(firstWord)) return model;
    return make + QLatin1Char(' ') + model;
}

// As a camera shows it: a fraction of a second up to a quarter, tenths of
// a second below one, whole seconds with the seconds' mark beyond.
QString exposureOf(const ExifRecord& record)
{
    const auto seconds = numberOf(record, QStringLiteral("ExposureTime"));
    if (!seconds || *seconds < 1 / MaxNumber) return {};
    // A quarter with a little room, so that 1/4 stored as 0.25 stays 1/4.
    if (*seconds < 0.25001) return QStringLiteral("1/%1").arg(std::floor(1 / *seconds + 0.5), 0, 'f', 0);
    if (*seconds < 1) return QString::number(*seconds, 'f', 1);
    return shortDecimal(*seconds) + QLatin1Char('"');
}

QString apertureOf(const ExifRecord& record)
{
    const auto fNumber = numberOf(record, QStringLiteral("FNumber"));
    if (!fNumber || *fNumber <= 0) return {};
    // Below f/1 a second decimal tells the lenses apart.
    return QString::number(*fNumber, 'f', *fNumber < 1 ? 2 : 1);
}

QString isoOf(const ExifRecord& record)
{
    for (const char* name : { "ISOSpeedRatings", "PhotographicSensitivity" }) {
        const auto iso = numberOf(record, QLatin1String(name));
        if (iso && *iso > 0) return QString::number(*iso, 'f', 0);
    }
    return {};
}

QString focalLengthOf(const ExifRecord& record)
{
    const auto millimetres = numberOf(record, QStringLiteral("FocalLength"));
    if (!millimetres || *millimetres <= 0) return {};
    return QString::number(*millimetres, 'f', 1) + QStringLiteral(" mm");
}

// The parser's reading of escapes: \n a line break, \\ \{ \} \| \[ \] the
// character; other pairs stay as they are.
bool isEscaped(QChar c)
{
    return c == u'\\' || c == u'{' || c == u'}' || c == u'|' || c == u'[' || c == u']';
}

} // namespace

QList<StampTemplate::FieldInfo> StampTemplate::fields()
{
    QList<FieldInfo> result;
    for (const FieldName& known : fieldNames)
        result.append({ known.field, QLatin1String(known.name),
            QCoreApplication::translate("StampTemplate", known.description) });
    return result;
}

QList<StampTemplate::SyntaxInfo> StampTemplate::syntax()
{
    return {
        { QStringLiteral("{lens|none}"),
            QCoreApplication::translate("StampTemplate", "prints the text after | when the photo lacks the field") },
        { QStringLiteral("{date:DD MMMM YYYY}"),
            QCoreApplication::translate("StampTemplate", "the date in a format of its own") },
        { QStringLiteral("[ISO {iso}]"),
            QCoreApplication::translate("StampTemplate", "left out unless every field in it has a value") },
        { QStringLiteral("\\n"),
            QCoreApplication::translate(
                "StampTemplate", "a new line; a line whose fields are all missing is left out") },
        { QStringLiteral("\\{ \\} \\[ \\] \\| \\\\"),
            QCoreApplication::translate("StampTemplate", "the character itself") },
    };
}

StampTemplate::StampTemplate()
    : m_lines { Line { Piece { QString(), Field::Date, std::nullopt, 0 } } }
{
}

std::optional<StampTemplate> StampTemplate::parse(const QString& text, QString* problem)
{
    const auto fail = [problem](const QString& why) -> std::optional<StampTemplate> {
        if (problem) *problem = why;
        return std::nullopt;
    };
    StampTemplate result;
    if (text.isEmpty()) return result;
    result.m_lines = { Line() };
    QString literal;
    int sections = 0;
    int section = 0; // the open section's number, 0 outside one
    qsizetype sectionStart = 0;
    const auto endLiteral = [&] {
        if (!literal.isEmpty()) result.m_lines.last().append(Piece { literal, std::nullopt, std::nullopt, section });
        literal.clear();
    };
    const auto sectionNotClosed
        = [&] { return fail(QStringLiteral("the section at \"%1\" is not closed").arg(text.mid(sectionStart, 20))); };

    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        const bool lineBreak = c == u'\n' || c == u'\r' || (c == u'\\' && i + 1 < size && text[i + 1] == u'n');
        if (c == u'\\' && !lineBreak && i + 1 < size && isEscaped(text[i + 1])) {
            literal += text[++i];
        } else if (lineBreak) {
            if (section) return sectionNotClosed();
            if ((c == u'\r' && i + 1 < size && text[i + 1] == u'\n') || c == u'\\') ++i;
            endLiteral();
            result.m_lines.append(Line());
        } else if (c == u'[') {
            if (section) return fail(QStringLiteral("the section at \"%1\" holds another").arg(text.mid(i, 20)));
            endLiteral();
            section = ++sections;
            sectionStart = i;
        } else if (c == u']' && section) {
            endLiteral();
            section = 0;
        } else if (c != u'{') {
            literal += c;
        } else {
            endLiteral();
            // A field: {name}, {name:format}, {name|fallback}, {name:format|fallback}.
            const qsizetype open = i;
            QString parts[3]; // name, format, fallback
            int part = 0;
            bool hasFormat = false;
            bool closed = false;
            for (++i; i < size && !closed; ++i) {
                const QChar f = text[i];
                if (f == u'\\' && i + 1 < size && isEscaped(text[i + 1]) && part > 0) {
                    parts[part] += text[++i];
                } else if (f == u'}') {
                    closed = true;
                    --i;
                } else if (f == u'{' || f == u'\n' || f == u'\r') {
                    break;
                } else if (f == u':' && part == 0) {
                    part = 1;
                    hasFormat = true;
                } else if (f == u'|' && part < 2) {
                    part = 2;
                } else {
                    parts[part] += f;
                }
            }
            if (!closed) return fail(QStringLiteral("the field at \"%1\" is not closed").arg(text.mid(open, 20)));
            const QString name = parts[0].trimmed();
            const auto field = fieldNamed(name);
            if (!field) return fail(QStringLiteral("{%1} is no field").arg(name));
            if (hasFormat && *field != Field::Date) return fail(QStringLiteral("{%1} takes no format").arg(name));
            result.m_lines.last().append(
                Piece { parts[1], field, part == 2 ? std::optional(parts[2]) : std::nullopt, section });
        }
    }
    if (section) return sectionNotClosed();
    endLiteral();
    return result;
}

QString StampTemplate::expand(const Photo& photo) const
{
    QStringList kept;
    for (const Line& line : m_lines) {
        QString out;
        int fieldCount = 0;
        int filled = 0;
        // A section's text waits until its end: it is printed only when
        // every field in it has a value.
        QString pending;
        bool complete = true;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const Piece& piece = line[i];
            QString value = piece.text;
            if (piece.field) {
                ++fieldCount;
                value = valueOf(*piece.field, photo, piece.text);
                if (value.isEmpty() && piece.fallback) value = *piece.fallback;
                if (!value.isEmpty()) ++filled;
                if (piece.section) complete = complete && !value.isEmpty();
            }
            if (!piece.section) {
                out += value;
                continue;
            }
            pending += value;
            if (i + 1 < line.size() && line[i + 1].section == piece.section) continue;
            if (complete) out += pending;
            pending.clear();
            complete = true;
        }
        if (!out.isEmpty() && (fieldCount == 0 || filled > 0)) kept.append(out);
    }
    return kept.join(QLatin1Char('\n'));
}

QString StampTemplate::valueOf(Field field, const Photo& photo, const QString& format)
{
    switch (field) {
    case Field::Date:
        if (format.isEmpty()) return photo.dateText;
        return photo.moment.isEmpty() ? QString() : DateFormatter::dateText(photo.moment, format).value_or(QString());
    case Field::Camera:
        return cameraOf(photo.record);
    case Field::Lens:
        return photo.record.text(QStringLiteral("LensModel")).simplified();
    case Field::Exposure:
        return exposureOf(photo.record);
    case Field::Aperture:
        return apertureOf(photo.record);
    case Field::Iso:
        return isoOf(photo.record);
    case Field::FocalLength:
        return focalLengthOf(photo.record);
    case Field::File:
        return photo.path.isEmpty() ? QString() : QFileInfo(photo.path).fileName();
    case Field::Folder:
        return photo.path.isEmpty() ? QString() : QFileInfo(photo.path).absoluteDir().dirName();
    case Field::Size:
        if (photo.size.isEmpty()) return {};
        return QStringLiteral("%1x%2").arg(photo.size.width()).arg(photo.size.height());
    }
    return {};
}

QString StampTemplate::editedText(const QString& stored)
{
    QString edited;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i] == u'\\' && i + 1 < stored.size()) {
            // An escaped backslash stays as it is, so "\\n" is no line break.
            const QChar next = stored[++i];
            if (next == u'n')
                edited += QLatin1Char('\n');
            else
                edited += QLatin1Char('\\') + QString(next);
            continue;
        }
        edited += stored[i];
    }
    return edited;
}

QString StampTemplate::storedText(const QString& edited)
{
    QString stored = edited;
    stored.replace(QLatin1String("\r\n"), QLatin1String("\\n")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return stored.remove(QLatin1Char('\r'));
}
