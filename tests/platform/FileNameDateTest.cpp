#include "platform/FileNameDate.h"

#include <gtest/gtest.h>

TEST(FileNameDateTest, ReadsTheDatesPhonesAndMessengersPutInNamesAndNoImpossibleOne)
{
    const struct {
        const char* name;
        const char* date; // empty: none
    } cases[] = {
        { "IMG-20220103-WA0007.jpg", "2022:01:03" },
        { "WhatsApp Image 2021-03-14 at 18.22.05.jpeg", "2021:03:14 18:22:05" },
        { "Screenshot_20230405-081512.png", "2023:04:05 08:15:12" },
        { "PXL_20240229_235959123.jpg", "2024:02:29 23:59:59" },
        { "IMG_20190712_153045.jpg", "2019:07:12 15:30:45" },
        { "20180812_101010.jpg", "2018:08:12 10:10:10" },
        // Variants: dashes all through, a time without separators, copies.
        { "Screenshot_2023-04-05-08-15-12.png", "2023:04:05 08:15:12" },
        { "VID_2020-01-02-03-04-05.jpg", "2020:01:02 03:04:05" },
        { "signal-2021-03-14-182205.jpg", "2021:03:14 18:22:05" },
        { "WhatsApp Image 2021-03-14 at 18.22.05 (1).jpeg", "2021:03:14 18:22:05" },
        { "IMG_20190712_153045_1.jpg", "2019:07:12 15:30:45" },
        { "Holidays 1985-07-14.jpg", "1985:07:14" },
        // A time that does not read leaves the day.
        { "IMG_20190712_1530.jpg", "2019:07:12" },
        // Impossible days and times, and years out of range, are no date;
        // a later real one in the name still counts.
        { "IMG_20231345_101010.jpg", "" },
        { "IMG_20230230.jpg", "" },
        { "IMG_20230405_251010.jpg", "" },
        { "20230405-086012.jpg", "" },
        { "2023-02-29.jpg", "" },
        { "DSC_19251231.jpg", "" },
        { "1899-12-31.jpg", "" },
        { "2100-01-01.jpg", "" },
        { "IMG_20231345 2021-03-14.jpg", "2021:03:14" },
        // Digits that run on are a number, not a date.
        { "IMG_120190712.jpg", "" },
        { "IMG_201907123.jpg", "" },
        { "IMG_0001.HEIC", "" },
        { "", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileNameDate::read(QString::fromUtf8(c.name)), QLatin1String(c.date)) << c.name;
}
