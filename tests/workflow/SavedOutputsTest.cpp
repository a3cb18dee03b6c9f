#include "workflow/SavedOutputs.h"

#include "platform/JpegMetadata.h"
#include "platform/OutputMark.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Two cards that bring photos of one name, and where their outputs go.
class SavedOutputsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    SavedOutputs saved;
    QString first = path("card1/IMG_0001.JPG");
    QString second = path("card2/IMG_0001.JPG");
    SavedOutputs::Paths planned = place("IMG_0001.JPG");

    void SetUp() override
    {
        ASSERT_TRUE(writeFile(first, "first photo"));
        ASSERT_TRUE(writeFile(second, "second photo"));
    }

    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    SavedOutputs::Paths place(const char* name) const
    {
        return { dir.filePath(QStringLiteral("Images/") + QLatin1String(name)),
            dir.filePath(QStringLiteral("Miniatures/") + QLatin1String(name)) };
    }
    // Writes both files of a save of photo at where.
    void save(const QString& photo, const SavedOutputs::Paths& where, bool thumbnail = true)
    {
        ASSERT_TRUE(writeFile(where.output, "output of " + photo.toUtf8()));
        if (thumbnail) {
            ASSERT_TRUE(writeFile(where.thumbnail, "thumbnail of " + photo.toUtf8()));
        }
        saved.remember(photo, where, thumbnail);
    }
};

} // namespace

TEST_F(SavedOutputsTest, OnlyOutputsWrittenFromTheSamePhotoInThisRunAreReplacedUnasked)
{
    // Nothing there yet; then the first photo's own output.
    EXPECT_EQ(saved.foreignFile(first, planned, true), QString());
    save(first, planned);
    EXPECT_EQ(saved.foreignFile(first, planned, true), QString());
    // The same photo reached by another path is the same photo.
    EXPECT_EQ(saved.foreignFile(path("card1/../card1/IMG_0001.JPG"), planned, true), QString());
    // The other card's photo would replace it.
    EXPECT_EQ(saved.foreignFile(second, planned, true), planned.output);

    // A file of another run, or one replaced since by anyone else, is not
    // this run's to replace.
    const SavedOutputs::Paths old = place("old.jpg");
    ASSERT_TRUE(writeFile(old.output, "from yesterday"));
    EXPECT_EQ(saved.foreignFile(first, old, true), old.output);
    ASSERT_TRUE(writeFile(planned.output, "someone else's"));
    EXPECT_EQ(saved.foreignFile(first, planned, true), planned.output);
    // Nor is an output of a photo whose file holds another photo now.
    save(first, planned);
    ASSERT_TRUE(writeFile(first, "another photo under the same name"));
    EXPECT_EQ(saved.foreignFile(first, planned, true), planned.output);
}

TEST_F(SavedOutputsTest, TheThumbnailCountsOnlyWhenOneIsWritten)
{
    ASSERT_TRUE(writeFile(planned.thumbnail, "another photo's thumbnail"));
    EXPECT_EQ(saved.foreignFile(first, planned, false), QString());
    EXPECT_EQ(saved.foreignFile(first, planned, true), planned.thumbnail);

    // Saved without a thumbnail: the one there is still another's.
    save(first, planned, false);
    EXPECT_EQ(saved.foreignFile(first, planned, false), QString());
    EXPECT_EQ(saved.foreignFile(first, planned, true), planned.thumbnail);
}

TEST_F(SavedOutputsTest, KeepBothTakesTheFirstNumberFreeForBothFilesAndTheNextSaveGoesThere)
{
    ASSERT_TRUE(writeFile(planned.output, "x"));
    EXPECT_EQ(SavedOutputs::firstFreeNames(planned), place("IMG_0001 (2).JPG"));
    // (2) is taken in Images, (3) in Miniatures: both must be free.
    ASSERT_TRUE(writeFile(place("IMG_0001 (2).JPG").output, "x"));
    ASSERT_TRUE(writeFile(place("IMG_0001 (3).JPG").thumbnail, "x"));
    EXPECT_EQ(SavedOutputs::firstFreeNames(planned), place("IMG_0001 (4).JPG"));
    EXPECT_EQ(SavedOutputs::firstFreeNames(place("no-extension")), place("no-extension (2)"));

    // A photo saved under the free name keeps it while its output stays.
    EXPECT_EQ(saved.placeFor(first, planned), planned);
    save(first, place("IMG_0001 (4).JPG"));
    EXPECT_EQ(saved.placeFor(first, planned), place("IMG_0001 (4).JPG"));
    EXPECT_EQ(saved.placeFor(second, planned), planned);
    QFile::remove(place("IMG_0001 (4).JPG").output);
    EXPECT_EQ(saved.placeFor(first, planned), planned);
}

TEST_F(SavedOutputsTest, AnEarlierRunsOutputOfTheSamePhotoIsKnownByItsMark)
{
    // Outputs left by an earlier run, marked as Quillon marks them.
    const auto writeMarked = [](const QString& file, const OutputMark& mark) {
        JpegMetadata metadata;
        mark.applyTo(metadata, QString());
        ASSERT_TRUE(writeFile(file, metadata.insertedInto(smallJpeg(8, 8))));
    };
    writeMarked(planned.output, OutputMark::forPhoto(first));
    writeMarked(planned.thumbnail, OutputMark::forPhoto(first));
    EXPECT_EQ(saved.foreignFile(first, planned, true), QString());
    EXPECT_EQ(saved.foreignFile(second, planned, true), planned.output);
    // A mark that names no photo proves nothing.
    writeMarked(planned.thumbnail, OutputMark::forPhoto(path("gone.jpg")));
    EXPECT_EQ(saved.foreignFile(first, planned, true), planned.thumbnail);
}
