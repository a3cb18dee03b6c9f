#include "platform/DateFormatter.h"

#include <gtest/gtest.h>

namespace {

const QLocale english(QLocale::English, QLocale::UnitedKingdom);

QDateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
}

const QDateTime christmas = at(2005, 12, 25, 14, 30, 7);

struct Case {
    const char* format;
    const char* expected;
};

void expectFormats(const QDateTime& value, std::initializer_list<Case> cases, const QLocale& locale = english)
{
    for (const Case& c : cases)
        EXPECT_EQ(DateFormatter::format(value, QString::fromUtf8(c.format), locale), QString::fromUtf8(c.expected))
            << "format " << c.format << " on " << qPrintable(value.toString(Qt::ISODate));
}

} // namespace

TEST(DateFormatterTest, WeeksDaysOfYearAndQuarters)
{
    // 1 January 2005 is a Saturday: week 1 is that single day.
    const struct {
        QDateTime value;
        const char* expected; // w ww y q
    } cases[] = {
        { at(2005, 1, 1), "7 1 1 1" },
        { at(2005, 12, 31), "7 53 365 4" },
        // A leap year starting on a Saturday reaches week 54.
        { at(2000, 12, 31), "1 54 366 4" },
        // Starting on a Sunday.
        { at(2006, 1, 7), "7 1 7 1" },
        { at(2006, 1, 8), "1 2 8 1" },
    };
    for (const auto& c : cases)
        expectFormats(c.value, { { "w ww y q", c.expected } });
    expectFormats(at(2005, 1, 1), { { "yyy", "051" }, { "W WW Y Q", "7 1 1 1" } });
}

TEST(DateFormatterTest, TheDialogsFormsTwelveHourFormsLiteralsAndLocaleForms)
{
    expectFormats(christmas,
        {
            { "DD/MM/YY HH:MM:SS", "25/12/05 14:30:07" },
            { "DDDD DD MMMM YYYY", "Sunday 25 December 2005" },
            { "DDD D MMM", "Sun 25 Dec" },
            { "h:nn AM/PM", "2:30 PM" },
            { "hh a/p", "02 p" },
            { "hh AMPM", "02 pm" },
            { "\"Le \"d", "Le 25" },
            { "\\d\\a\\t\\e: dd", "date: 25" },
            { "[dd]-#yy!", "[25]-#05!" },
            { "c", "25/12/2005 14:30:07" },
            { "ttttt", "14:30:07" },
            { "dddddd", "Sunday, 25 December 2005" },
        });
    expectFormats(christmas, { { "DDDD DD MMMM YYYY", "dimanche 25 décembre 2005" } }, QLocale(QLocale::French));
    // The separators are the locale's; AMPM takes the locale's designators.
    expectFormats(christmas, { { "DD/MM/YYYY HH:MM", "25.12.2005 14:30" } }, QLocale(QLocale::German));
    expectFormats(christmas, { { "hh AMPM", "02 PM" } }, QLocale(QLocale::English, QLocale::UnitedStates));
    expectFormats(at(2005, 1, 1, 0, 5), { { "h:nn am/pm", "12:05 am" }, { "h:nn", "0:05" } });
    expectFormats(at(2005, 1, 1, 12, 0), { { "h AM/PM", "12 PM" } });
    // The general date leaves out a midnight time.
    expectFormats(at(2005, 12, 25), { { "", "25/12/2005" }, { "ttttt", "00:00:00" } });
}

TEST(DateFormatterTest, MinutesAfterHoursMonthsElsewhere)
{
    expectFormats(at(2005, 3, 4, 9, 5, 6),
        {
            { "h:m:s", "9:5:6" },
            { "hh \"h\" mm", "09 h 05" },
            // After the minutes the hour is used up.
            { "HH:MM MM", "09:05 03" },
            { "HH DD MM", "09 04 03" },
            { "hh mmm", "09 Mar" },
            { "n nn s ss", "5 05 6 06" },
        });
}

TEST(DateFormatterTest, DateTextFromExif)
{
    const QString format = QStringLiteral("DD/MM/YYYY HH:MM:SS");
    const struct {
        const char* exif;
        const char* expected; // null: no date
    } cases[] = {
        { "2005:12:25 14:30:07", "25/12/2005 14:30:07" },
        { " 2005:12:25 14:30 ", "25/12/2005 14:30:00" },
        // A day without a time: the format's date part, no made-up midnight.
        { "2005:12:25", "25/12/2005" },
        { "2005-12-25", "25/12/2005" },
        // Common ways of writing the same moment; a fraction or a time zone
        // is dropped: the camera's own clock is what the stamp shows.
        { "2005-12-25T14:30:07", "25/12/2005 14:30:07" },
        { "2005:12:25T14:30:07.250", "25/12/2005 14:30:07" },
        { "2005-12-25T14:30:07+09:00", "25/12/2005 14:30:07" },
        { "2024:02:29 23:59:59", "29/02/2024 23:59:59" },
        // No moment: nothing to format, whatever the text (the stamp's test
        // has the zeros, blanks and impossible days cameras write).
        { "", nullptr },
        { "0099:12:25 14:30:07", nullptr },
        { "2005:12-25 14:30:07", nullptr },
        { "2005:12:25 14:30:07 extra", nullptr },
    };
    for (const auto& c : cases) {
        const std::optional<QString> text = DateFormatter::dateText(QLatin1String(c.exif), format, english);
        EXPECT_EQ(text, c.expected ? std::optional(QString::fromLatin1(c.expected)) : std::nullopt) << c.exif;
    }
}

TEST(DateFormatterTest, ADayWithoutATimePrintsTheFormatsDatePart)
{
    const QDate day(2005, 12, 25);
    const struct {
        const char* format;
        const char* expected;
    } cases[] = {
        // The dialog's formats.
        { "DD/MM/YY", "25/12/05" },
        { "DD/MM/YY HH:MM", "25/12/05" },
        { "DD/MM/YYYY HH:MM", "25/12/2005" },
        { "DD/MM/YYYY HH:MM:SS", "25/12/2005" },
        { "DDDD DD MMMM YYYY", "Sunday 25 December 2005" },
        // Time first, in the middle, as words; AM/PM and ttttt are time too.
        { "hh:nn dd.mm.yyyy", "25.12.2005" },
        { "dddd, h:nn am/pm, d mmmm", "Sunday, 25 December" },
        { "d mmmm yyyy \\a\\t h:nn AMPM", "25 December 2005" },
        { "yyyy-mm-dd ttttt", "2005-12-25" },
        { "\"Taken \"dd/mm hh:nn", "Taken 25/12" },
        // Nothing of the date left: the short date.
        { "hh:nn", "25/12/2005" },
        { "c", "25/12/2005" },
        { "", "25/12/2005" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateFormatter::formatDate(day, QString::fromUtf8(c.format), english), QString::fromUtf8(c.expected))
            << c.format;
}
