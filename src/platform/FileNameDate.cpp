#include "platform/FileNameDate.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

namespace {

struct Shape {
    QRegularExpression pattern;
    int firstYear;
};

// Groups: year, month, day, then hours, minutes and seconds when there is a
// time. "(?<!\d)" and "(?!\d)" keep a date from being cut out of a longer
// number.
const Shape& compact()
{
    static const Shape shape { QRegularExpression(QStringLiteral(
                                   R"((?<!\d)(\d{4})(\d{2})(\d{2})(?:[_-](\d{2})(\d{2})(\d{2})\d{0,3})?(?!\d))")),
        FileNameDate::FirstCompactYear };
    return shape;
}

const Shape& dashed()
{
    static const Shape shape { QRegularExpression(QStringLiteral(
                                   R"((?<!\d)(\d{4})-(\d{2})-(\d{2}))"
                                   R"((?:(?: at |[ _-])(\d{2})[.:_-]?(\d{2})[.:_-]?(\d{2})\d{0,3})?(?!\d))")),
        FileNameDate::FirstYear };
    return shape;
}

struct Found {
    qsizetype at = -1;
    QString text;
};

// The first match of shape in name that names a real day (and time).
Found firstIn(const QString& name, const Shape& shape)
{
    QRegularExpressionMatchIterator matches = shape.pattern.globalMatch(name);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const auto number = [&](int group) { return match.captured(group).toInt(); };
        const int year = number(1);
        const QDate date(year, number(2), number(3));
        if (year < shape.firstYear || year > FileNameDate::LastYear || !date.isValid()) continue;
        QString text = date.toString(QStringLiteral("yyyy:MM:dd"));
        if (match.capturedLength(4) > 0) {
            const QTime time(number(4), number(5), number(6));
            if (!time.isValid()) continue;
            text += time.toString(QStringLiteral(" HH:mm:ss"));
        }
        return { match.capturedStart(), text };
    }
    return {};
}

} // namespace

QString FileNameDate::read(const QString& fileName)
{
    const Found first = firstIn(fileName, compact());
    const Found second = firstIn(fileName, dashed());
    if (first.at < 0) return second.text;
    if (second.at < 0) return first.text;
    return first.at < second.at ? first.text : second.text;
}
