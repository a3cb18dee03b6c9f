#include "platform/ClockShift.h"

#include <gtest/gtest.h>

TEST(ClockShiftTest, ReadsSignedHoursAndMinutesOfAnySize)
{
    const struct {
        const char* text;
        std::optional<int32_t> minutes;
    } cases[] = {
        { "+10:00", 600 },
        { "-26:15", -(26 * 60 + 15) },
        { "\u221226:15", -(26 * 60 + 15) }, // the minus sign as typeset
        { " 9:05 ", 545 },
        { "+999999:59", ClockShift::MaxMinutes },
        { "+1000000:00", std::nullopt },
        { "+10:60", std::nullopt },
        { "--1:00", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClockShift::fromText(QString::fromUtf8(c.text)), c.minutes) << c.text;
}

TEST(ClockShiftTest, MovesExifDatesAcrossMonthAndYearEndsAndLeapDays)
{
    const struct {
        const char* date;
        int32_t minutes;
        const char* moved;
    } cases[] = {
        { "2008:05:30 15:56:01", 600, "2008:05:31 01:56:01" },
        { "2024:02:28 12:00:00", 24 * 60, "2024:02:29 12:00:00" },
        { "2024:02:29 23:59:59", 1, "2024:03:01 00:00:59" },
        { "2024:03:01 00:10:00", -(26 * 60 + 15), "2024:02:28 21:55:00" },
        { "2023:12:31 23:30:00", 60, "2024:01:01 00:30:00" },
        // Clock changes of the local zone never come into it.
        { "2024:03:31 01:30:00", 60, "2024:03:31 02:30:00" },
        // What names no moment, or would leave the years 100 to 9999, stays.
        { "0000:00:00 00:00:00", 600, "0000:00:00 00:00:00" },
        { "9999:12:31 23:00:00", 60, "9999:12:31 23:00:00" },
        // A day without a time has no hour to move from.
        { "2024:02:29", 600, "2024:02:29" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClockShift::exifDate(QLatin1String(c.date), c.minutes), QLatin1String(c.moved))
            << c.date << " + " << c.minutes;
}
