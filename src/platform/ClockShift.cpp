#include "platform/ClockShift.h"

#include "platform/DateFormatter.h"

#include <QRegularExpression>

std::optional<int32_t> ClockShift::fromText(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(u"^([+\\-\u2212]?)(\\d{1,6}):(\\d{2})$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch()) return std::nullopt;
    const int32_t hours = match.captured(2).toInt();
    const int32_t minutes = match.captured(3).toInt();
    if (minutes > 59) return std::nullopt;
    const int32_t total = hours * 60 + minutes;
    return match.captured(1).isEmpty() || match.captured(1) == QLatin1String("+") ? total : -total;
}

QString ClockShift::exifDate(const QString& exifText, int32_t minutes)
{
    if (minutes == 0) return exifText;
    const std::optional<QDateTime> taken = DateFormatter::parseExifDate(exifText);
    // A day without a time has no hour to move from.
    if (!taken || !DateFormatter::hasTime(exifText)) return exifText;
    // The dates are wall-clock times kept as UTC, so days of 23 or 25 hours
    // never come into it; leap years and month ends are the calendar's.
    const QDateTime moved = taken->addSecs(static_cast<qint64>(minutes) * 60);
    const int year = moved.date().year();
    if (year < 100 || year > 9999) return exifText;
    return moved.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
}
