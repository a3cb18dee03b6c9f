#include "workflow/SourceGuard.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

TEST(SourceGuardTest, EveryPathToThePhotoOrAnotherOfTheBatchIsRefused)
{
    QTemporaryDir dir;
    const QString photo = dir.filePath("trip/a.jpg");
    const QString other = dir.filePath("trip/b.jpg");
    ASSERT_TRUE(writeFile(photo, "a") && writeFile(other, "b") && writeFile(dir.filePath("c.jpg"), "c"));
    ASSERT_TRUE(QFile::link(dir.filePath("trip"), dir.filePath("linked"))); // a folder link
    ASSERT_TRUE(QFile::link(photo, dir.filePath("link.jpg"))); // a file link
    ASSERT_EQ(::link(QFile::encodeName(photo).constData(), QFile::encodeName(dir.filePath("hard.jpg")).constData()), 0);
    ASSERT_EQ(
        ::link(QFile::encodeName(other).constData(), QFile::encodeName(dir.filePath("hardb.jpg")).constData()), 0);

    SourceGuard batch;
    batch.add(photo);
    batch.add(other);
    batch.add(dir.filePath("nothing.jpg")); // not there: nothing to guard
    const QString itself = "The output would replace the photo itself";
    const QString another = "The output would replace " + other + ", a photo of this batch";
    const struct {
        const char* output;
        QString refusal;
    } cases[] = {
        { "trip/a.jpg", itself },
        { "trip/../trip/./a.jpg", itself },
        { "linked/a.jpg", itself },
        { "link.jpg", itself },
        { "hard.jpg", itself },
        { "linked/b.jpg", another },
        { "hardb.jpg", another },
        { "c.jpg", QString() }, // a file, but no photo of the batch
        { "nothing.jpg", QString() }, // a new file
        { "new/a.jpg", QString() },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(batch.refusal(photo, dir.filePath(c.output)), c.refusal) << c.output;
        // A single save knows only its own photo.
        EXPECT_EQ(SourceGuard().refusal(photo, dir.filePath(c.output)).isEmpty(), c.refusal != itself) << c.output;
    }
    // The thumbnail is looked at too, and named.
    EXPECT_EQ(batch.refusal(photo, dir.filePath("new/a.jpg"), dir.filePath("linked/a.jpg")),
        "The thumbnail would replace the photo itself");
}
