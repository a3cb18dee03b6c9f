#include "workflow/PhotoFolder.h"

#include "support/TestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(PhotoFolderTest, FolderNameAndEnsureFolder)
{
    EXPECT_EQ(PhotoFolder::FolderName("C:\\Photos\\Noel", "\\"), "Noel");
    EXPECT_EQ(PhotoFolder::FolderName("C:\\", "\\"), "");
    EXPECT_EQ(PhotoFolder::FolderName("Photos", "\\"), "Photos");
    EXPECT_EQ(PhotoFolder::FolderName("/", "/"), "");

    QTemporaryDir dir;
    EXPECT_TRUE(PhotoFolder::EnsureFolder(dir.filePath("a/b/c")));
    EXPECT_TRUE(QFileInfo(dir.filePath("a/b/c")).isDir());
    EXPECT_TRUE(PhotoFolder::EnsureFolder(dir.filePath("a/b/c/")));
    // A file where a folder should be: even root cannot make it a folder.
    ASSERT_TRUE(writeFile(dir.filePath("file"), "x"));
    EXPECT_FALSE(PhotoFolder::EnsureFolder(dir.filePath("file/sub")));
}
