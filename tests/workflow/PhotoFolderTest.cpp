#include "workflow/PhotoFolder.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(PhotoFolderTest, FolderNameAndEnsureFolder)
{
    EXPECT_EQ(PhotoFolder::FolderName("/home/me/Photos/Noel", "/"), "Noel");
    EXPECT_EQ(PhotoFolder::FolderName("Photos", "/"), "Photos");
    // A root folder's outputs go straight below Images.
    EXPECT_EQ(PhotoFolder::FolderName("/", "/"), "");

    QTemporaryDir dir;
    EXPECT_TRUE(PhotoFolder::EnsureFolder(dir.filePath("a/b/c")));
    EXPECT_TRUE(QFileInfo(dir.filePath("a/b/c")).isDir());
    EXPECT_TRUE(PhotoFolder::EnsureFolder(dir.filePath("a/b/c/")));
    // A file where a folder should be: even root cannot make it a folder.
    ASSERT_TRUE(writeFile(dir.filePath("file"), "x"));
    EXPECT_FALSE(PhotoFolder::EnsureFolder(dir.filePath("file/sub")));
}

TEST(PhotoFolderTest, NamesSortTheSameWayOnEveryMachine)
{
    // Letters of either case together; names that differ only in case by
    // their code points (capitals first), so no two names are ever equal.
    const QStringList ordered
        = { "1.jpg", "A.JPG", "a.jpg", "a.jpg ", "B.jpg", "b.jpg", "b1.jpg", "Ä.jpg", "ä.jpg", "É.jpg", "é.jpg" };
    for (qsizetype i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_TRUE(PhotoFolder::comesBefore(ordered[i], ordered[i + 1])) << i;
        EXPECT_FALSE(PhotoFolder::comesBefore(ordered[i + 1], ordered[i])) << i;
    }
    EXPECT_FALSE(PhotoFolder::comesBefore("a.jpg", "a.jpg"));

    // Whatever order the folder gives them in.
    QTemporaryDir dir;
    for (const char* name : { "b.jpg", "B.jpg", "A.JPG", "a.jpeg", "c.txt", "C.Jpg" })
        ASSERT_TRUE(writeFile(dir.filePath(QString::fromUtf8(name)), "x"));
    ASSERT_TRUE(
        QDir().mkpath(dir.filePath("Sub")) && QDir().mkpath(dir.filePath("sub")) && QDir().mkpath(dir.filePath("a")));
    EXPECT_EQ(PhotoFolder::photoNames(dir.path()), QStringList({ "a.jpeg", "A.JPG", "B.jpg", "b.jpg", "C.Jpg" }));
    EXPECT_EQ(PhotoFolder::subFolders(dir.path()),
        QStringList({ dir.filePath("a"), dir.filePath("Sub"), dir.filePath("sub") }));
}
