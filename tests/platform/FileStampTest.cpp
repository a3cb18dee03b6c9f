#include "platform/FileStamp.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(FileStampTest, LooksUpAndAppliesTimesAndPermissions)
{
    QTemporaryDir dir;
    EXPECT_FALSE(FileStamp::lookUp(dir.filePath("none")));
    EXPECT_FALSE(FileStamp::lookUp(dir.path())); // a folder is not a file
    QFile a(dir.filePath("a")), b(dir.filePath("b"));
    ASSERT_TRUE(a.open(QIODevice::WriteOnly) && b.open(QIODevice::WriteOnly));
    a.close();
    FileStamp stamp = *FileStamp::lookUp(a.fileName());
    stamp.modificationTime.tv_sec -= 1000;
    stamp.permissions = 0604;
    ASSERT_TRUE(stamp.applyTo(b.handle()));
    b.close();
    const FileStamp back = *FileStamp::lookUp(b.fileName());
    EXPECT_EQ(back.modificationTime.tv_sec, stamp.modificationTime.tv_sec);
    EXPECT_EQ(back.permissions, 0604u);
}
