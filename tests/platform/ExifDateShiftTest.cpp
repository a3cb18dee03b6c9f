#include "platform/ExifDateShift.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(ExifDateShiftTest, TheThreeDatesMoveWhereTheyStandAndNothingElseChanges)
{
    // Canon_40D: taken 2008:05:30 15:56:01, edited 2008:07:31 10:38:11
    // (little-endian); landscape_3 is big-endian.
    const QByteArray canon = ExifDateShift::exifBodyOf(readFile(testPhoto("cameras/Canon_40D.jpg")));
    ASSERT_TRUE(canon.startsWith(QByteArray("Exif\0\0II", 8)));
    const QByteArray moved = ExifDateShift::shifted(canon, 90);
    ASSERT_EQ(moved.size(), canon.size());
    EXPECT_EQ(moved.count("2008:05:30 17:26:01"), 2); // original and digitised
    EXPECT_EQ(moved.count("2008:07:31 12:08:11"), 1);
    EXPECT_FALSE(moved.contains("2008:05:30 15:56:01"));
    int differing = 0;
    for (qsizetype i = 0; i < canon.size(); ++i)
        differing += canon[i] != moved[i];
    EXPECT_LE(differing, 3 * 19);
    EXPECT_EQ(ExifDateShift::shifted(moved, -90), canon);

    const QByteArray bigEndian = ExifDateShift::exifBodyOf(readFile(testPhoto("orientation/landscape_3.jpg")));
    ASSERT_TRUE(bigEndian.startsWith(QByteArray("Exif\0\0MM", 8)));
    EXPECT_EQ(ExifDateShift::shifted(ExifDateShift::shifted(bigEndian, 24 * 60), -24 * 60), bigEndian);
    // Cut short, the structure's offsets point past the end: left as it is.
    EXPECT_EQ(ExifDateShift::shifted(canon.left(40), 60), canon.left(40));
    EXPECT_TRUE(ExifDateShift::exifBodyOf(smallJpeg(8, 8)).isEmpty());
}
