#include "platform/DateFormatter.h"

#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace {

enum class Kind {
    Literal,
    Day,
    Day2,
    DayAbbreviation,
    DayName,
    ShortDate,
    LongDate,
    WeekDay,
    Week,
    Month,
    Month2,
    MonthAbbreviation,
    MonthName,
    Minute,
    Minute2,
    Quarter,
    DayOfYear,
    Year2,
    Year4,
    Hour,
    Hour2,
    Second,
    Second2,
    Time,
    GeneralDate,
    Designator, // AM/PM, A/P in the case written; text holds the form
    LocaleDesignator, // AMPM
    DateSeparator,
    TimeSeparator,
};

struct Token {
    Kind kind;
    QString text;
};

qsizetype runLength(const QString& format, qsizetype start, char letter)
{
    qsizetype end = start;
    while (end < format.size() && format[end].toLower() == QLatin1Char(letter))
        ++end;
    return end - start;
}

bool matchesAt(const QString& format, qsizetype at, QLatin1String word)
{
    return QStringView(format).mid(at, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

std::vector<Token> tokenize(const QString& format)
{
    std::vector<Token> tokens;
    // m and mm right after an hour, with only literal text between, are
    // minutes: "hh:mm" reads as hours and minutes.
    bool afterHour = false;
    auto add = [&](Kind kind, qsizetype length, qsizetype& i) {
        tokens.push_back({ kind, {} });
        i += length;
        if (kind != Kind::Literal && kind != Kind::DateSeparator && kind != Kind::TimeSeparator)
            afterHour = kind == Kind::Hour || kind == Kind::Hour2;
    };
    auto literal = [&](QString text) {
        if (!tokens.empty() && tokens.back().kind == Kind::Literal)
            tokens.back().text += text;
        else
            tokens.push_back({ Kind::Literal, std::move(text) });
    };

    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = format[i];
        const char letter = c.toLower().toLatin1();
        switch (letter) {
        case '"': {
            const qsizetype close = format.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype end = close < 0 ? n : close;
            literal(format.mid(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        case '\\':
            if (i + 1 < n) literal(format.mid(i + 1, 1));
            i += 2;
            continue;
        case '/':
            add(Kind::DateSeparator, 1, i);
            continue;
        case ':':
            add(Kind::TimeSeparator, 1, i);
            continue;
        case 'a':
            if (matchesAt(format, i, QLatin1String("am/pm"))) {
                add(Kind::Designator, 5, i);
                tokens.back().text = format.mid(i - 5, 5);
            } else if (matchesAt(format, i, QLatin1String("a/p"))) {
                add(Kind::Designator, 3, i);
                tokens.back().text = format.mid(i - 3, 3);
            } else if (matchesAt(format, i, QLatin1String("ampm"))) {
                add(Kind::LocaleDesignator, 4, i);
            } else {
                literal(QString(c));
                ++i;
            }
            continue;
        case 'd': {
            static constexpr Kind kinds[]
                = { Kind::Day, Kind::Day2, Kind::DayAbbreviation, Kind::DayName, Kind::ShortDate, Kind::LongDate };
            const qsizetype length = std::min<qsizetype>(runLength(format, i, 'd'), 6);
            add(kinds[length - 1], length, i);
            continue;
        }
        case 'm': {
            const qsizetype length = std::min<qsizetype>(runLength(format, i, 'm'), 4);
            static constexpr Kind months[] = { Kind::Month, Kind::Month2, Kind::MonthAbbreviation, Kind::MonthName };
            const Kind kind
                = afterHour && length <= 2 ? (length == 1 ? Kind::Minute : Kind::Minute2) : months[length - 1];
            add(kind, length, i);
            continue;
        }
        case 'y': {
            const qsizetype run = runLength(format, i, 'y');
            const qsizetype length = run >= 4 ? 4 : run >= 2 ? 2 : 1;
            add(length == 4 ? Kind::Year4 : length == 2 ? Kind::Year2 : Kind::DayOfYear, length, i);
            continue;
        }
        case 'w': {
            const bool two = runLength(format, i, 'w') >= 2;
            add(two ? Kind::Week : Kind::WeekDay, two ? 2 : 1, i);
            continue;
        }
        case 'h':
        case 'n':
        case 's': {
            const bool two = runLength(format, i, letter) >= 2;
            const Kind one = letter == 'h' ? Kind::Hour : letter == 'n' ? Kind::Minute : Kind::Second;
            const Kind pair = letter == 'h' ? Kind::Hour2 : letter == 'n' ? Kind::Minute2 : Kind::Second2;
            add(two ? pair : one, two ? 2 : 1, i);
            continue;
        }
        case 'q':
            add(Kind::Quarter, 1, i);
            continue;
        case 'c':
            add(Kind::GeneralDate, 1, i);
            continue;
        case 't':
            if (runLength(format, i, 't') >= 5) {
                add(Kind::Time, 5, i);
                continue;
            }
            break;
        default:
            break;
        }
        literal(QString(c));
        ++i;
    }
    return tokens;
}

// A locale format with its time-zone fields (unquoted 't') removed.
QString withoutTimeZone(const QString& format)
{
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) continue;
        result += c;
    }
    return result.simplified();
}

// The locale's time with hours, minutes and seconds, without a time zone.
QString timeText(QTime time, const QLocale& locale)
{
    return locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString generalDate(const QDateTime& value, const QLocale& locale)
{
    const QString date = locale.toString(value.date(), QLocale::ShortFormat);
    if (value.time() == QTime(0, 0)) return date;
    return date + QLatin1Char(' ') + timeText(value.time(), locale);
}

// The first character of a locale format that separates two fields.
QString separatorIn(const QString& format, QLatin1Char fallback)
{
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (!quoted && !c.isLetter() && !c.isSpace()) return QString(c);
    }
    return QString(fallback);
}

QString padded(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

} // namespace

QString DateFormatter::dateSeparator(const QLocale& locale)
{
    return separatorIn(locale.dateFormat(QLocale::ShortFormat), QLatin1Char('/'));
}

QString DateFormatter::timeSeparator(const QLocale& locale)
{
    return separatorIn(locale.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
}

namespace {

bool isGlue(Kind kind)
{
    return kind == Kind::Literal || kind == Kind::DateSeparator || kind == Kind::TimeSeparator;
}

bool isTimeField(Kind kind)
{
    switch (kind) {
    case Kind::Hour:
    case Kind::Hour2:
    case Kind::Minute:
    case Kind::Minute2:
    case Kind::Second:
    case Kind::Second2:
    case Kind::Time:
    case Kind::Designator:
    case Kind::LocaleDesignator:
        return true;
    default:
        return false;
    }
}

// The tokens of the format's date part (see DateFormatter::formatDate).
// Fields and the glue between them alternate: glue[0] field[0] glue[1] ...
// field[n-1] glue[n].
std::vector<Token> datePart(const std::vector<Token>& tokens)
{
    std::vector<std::vector<Token>> glue(1);
    std::vector<Token> fields;
    for (const Token& token : tokens) {
        if (isGlue(token.kind)) {
            glue.back().push_back(token);
        } else {
            fields.push_back(token);
            glue.emplace_back();
        }
    }
    const size_t n = fields.size();
    std::vector<bool> keepField(n, true), keepGlue(n + 1, true);
    for (size_t first = 0; first < n;) {
        if (!isTimeField(fields[first].kind)) {
            ++first;
            continue;
        }
        size_t end = first; // one past the run of time fields
        while (end < n && isTimeField(fields[end].kind))
            keepField[end++] = false;
        for (size_t g = first + 1; g < end; ++g)
            keepGlue[g] = false;
        if (first > 0) {
            keepGlue[first] = false;
        } else {
            keepGlue[0] = false;
            if (end < n) keepGlue[end] = false;
        }
        if (end == n) keepGlue[n] = false;
        first = end;
    }
    std::vector<Token> kept;
    for (size_t i = 0; i <= n; ++i) {
        if (keepGlue[i]) kept.insert(kept.end(), glue[i].begin(), glue[i].end());
        if (i < n && keepField[i]) kept.push_back(fields[i]);
    }
    return kept;
}

QString printed(const std::vector<Token>& tokens, const QDateTime& value, const QLocale& locale);

} // namespace

QString DateFormatter::format(const QDateTime& value, const QString& format, const QLocale& locale)
{
    if (format.isEmpty()) return generalDate(value, locale);
    return printed(tokenize(format), value, locale);
}

QString DateFormatter::formatDate(const QDate& day, const QString& format, const QLocale& locale)
{
    const std::vector<Token> tokens = datePart(tokenize(format));
    const bool anyField
        = std::any_of(tokens.begin(), tokens.end(), [](const Token& token) { return !isGlue(token.kind); });
    if (!anyField) return locale.toString(day, QLocale::ShortFormat);
    return printed(tokens, QDateTime(day, QTime(0, 0), Qt::UTC), locale);
}

namespace {

QString printed(const std::vector<Token>& tokens, const QDateTime& value, const QLocale& locale)
{
    bool twelveHour = false;
    for (const Token& token : tokens)
        twelveHour = twelveHour || token.kind == Kind::Designator || token.kind == Kind::LocaleDesignator;

    const QDate date = value.date();
    const QTime time = value.time();
    // 1 (Sunday) to 7 (Saturday).
    const int weekDay = date.dayOfWeek() % 7 + 1;
    const bool morning = time.hour() < 12;
    const int hour = twelveHour ? (time.hour() % 12 == 0 ? 12 : time.hour() % 12) : time.hour();

    QString result;
    for (const Token& token : tokens) {
        switch (token.kind) {
        case Kind::Literal:
            result += token.text;
            break;
        case Kind::Day:
            result += QString::number(date.day());
            break;
        case Kind::Day2:
            result += padded(date.day(), 2);
            break;
        case Kind::DayAbbreviation:
            result += locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
            break;
        case Kind::DayName:
            result += locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
            break;
        case Kind::ShortDate:
            result += locale.toString(date, QLocale::ShortFormat);
            break;
        case Kind::LongDate:
            result += locale.toString(date, QLocale::LongFormat);
            break;
        case Kind::WeekDay:
            result += QString::number(weekDay);
            break;
        case Kind::Week: {
            // Week 1 runs from the Sunday on or before 1 January.
            const int firstWeekDay = QDate(date.year(), 1, 1).dayOfWeek() % 7;
            result += QString::number((date.dayOfYear() - 1 + firstWeekDay) / 7 + 1);
            break;
        }
        case Kind::Month:
            result += QString::number(date.month());
            break;
        case Kind::Month2:
            result += padded(date.month(), 2);
            break;
        case Kind::MonthAbbreviation:
            result += locale.monthName(date.month(), QLocale::ShortFormat);
            break;
        case Kind::MonthName:
            result += locale.monthName(date.month(), QLocale::LongFormat);
            break;
        case Kind::Minute:
            result += QString::number(time.minute());
            break;
        case Kind::Minute2:
            result += padded(time.minute(), 2);
            break;
        case Kind::Quarter:
            result += QString::number((date.month() - 1) / 3 + 1);
            break;
        case Kind::DayOfYear:
            result += QString::number(date.dayOfYear());
            break;
        case Kind::Year2:
            result += padded(date.year() % 100, 2);
            break;
        case Kind::Year4:
            result += padded(date.year(), 4);
            break;
        case Kind::Hour:
            result += QString::number(hour);
            break;
        case Kind::Hour2:
            result += padded(hour, 2);
            break;
        case Kind::Second:
            result += QString::number(time.second());
            break;
        case Kind::Second2:
            result += padded(time.second(), 2);
            break;
        case Kind::Time:
            result += timeText(time, locale);
            break;
        case Kind::GeneralDate:
            result += generalDate(value, locale);
            break;
        case Kind::Designator:
            // "AM/PM" prints AM or PM, "a/p" prints a or p: the halves of
            // the form, in the case they were written.
            if (token.text.size() == 5)
                result += morning ? token.text.left(2) : token.text.mid(3, 2);
            else
                result += morning ? token.text.left(1) : token.text.mid(2, 1);
            break;
        case Kind::LocaleDesignator:
            result += morning ? locale.amText() : locale.pmText();
            break;
        case Kind::DateSeparator:
            result += DateFormatter::dateSeparator(locale);
            break;
        case Kind::TimeSeparator:
            result += DateFormatter::timeSeparator(locale);
            break;
        }
    }
    return result;
}

// The date's separator is a colon, a dash or a slash, the same twice; the
// time, when there is one, is group 5 on.
QRegularExpressionMatch exifDateMatch(const QString& exifDateText)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*(\d{4})([:\-/])(\d{1,2})\2(\d{1,2}))"
                       R"((?:(?:\s+|T)(\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:[.,]\d+)?)?)"
                       R"((?:\s*(?:Z|[+\-]\d{2}(?::?\d{2})?))?)?\s*$)"));
    return pattern.match(exifDateText);
}

} // namespace

bool DateFormatter::hasTime(const QString& exifDateText)
{
    return parseExifDate(exifDateText) && exifDateMatch(exifDateText).capturedLength(5) > 0;
}

std::optional<QDateTime> DateFormatter::parseExifDate(const QString& exifDateText)
{
    const QRegularExpressionMatch match = exifDateMatch(exifDateText);
    if (!match.hasMatch()) return std::nullopt;
    auto number = [&](int group) { return match.captured(group).toInt(); };
    const int year = number(1);
    // The date type of the classic runtime starts at the year 100.
    if (year < 100) return std::nullopt;
    const QDate date(year, number(3), number(4));
    const QTime time = match.capturedLength(5) > 0 ? QTime(number(5), number(6), number(7)) : QTime(0, 0);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

std::optional<QString> DateFormatter::dateText(
    const QString& exifDateText, const QString& format, const QLocale& locale)
{
    const std::optional<QDateTime> value = parseExifDate(exifDateText);
    if (!value) return std::nullopt;
    if (!hasTime(exifDateText)) return formatDate(value->date(), format, locale);
    return DateFormatter::format(*value, format, locale);
}
