#include "platform/ExifRecord.h"

#include <gtest/gtest.h>

TEST(ExifRecordTest, KeepsOrderAndFirstValueAndRendersText)
{
    ExifRecord record;
    EXPECT_TRUE(record.isEmpty());
    EXPECT_TRUE(record.exifText().isEmpty());

    EXPECT_TRUE(record.insert(QStringLiteral("Make"), QStringLiteral("Canon")));
    EXPECT_TRUE(record.insertList(QStringLiteral("GPSVersionID"), { "2", "2", "0", "0" }));
    EXPECT_TRUE(record.insert(QStringLiteral("DateTime"), QString()));
    EXPECT_FALSE(record.insert(QStringLiteral("Make"), QStringLiteral("Other")));

    EXPECT_EQ(record.names(), QStringList({ "Make", "GPSVersionID", "DateTime" }));
    EXPECT_EQ(record.text(QStringLiteral("Make")), QStringLiteral("Canon"));
    EXPECT_EQ(record.text(QStringLiteral("GPSVersionID")), QStringLiteral("2 2 0 0"));
    EXPECT_EQ(record.text(QStringLiteral("make")), QString()) << "tag names are matched exactly";
    EXPECT_FALSE(record.contains(QStringLiteral("Model")));
    EXPECT_EQ(record.exifText(), QStringLiteral("Make: Canon\r\nGPSVersionID: 2 2 0 0 \r\nDateTime: \r\n"));
}
