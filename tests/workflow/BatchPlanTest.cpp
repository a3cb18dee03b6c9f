#include "workflow/BatchPlan.h"

#include "files/mMain.h"
#include "platform/JpegMetadata.h"
#include "platform/OutputMark.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>
#include <utime.h>

namespace {

// The plan reads no pixel: any bytes serve as a photo.
void touch(const QString& path)
{
    ASSERT_TRUE(writeFile(path, "photo")) << path.toStdString();
}

SettingsRecord targetAt(const QString& target, bool thumbnails = true)
{
    SettingsRecord settings;
    settings.TargetFolder = target;
    settings.ThumbShow = thumbnails;
    return settings;
}

// The photos' paths relative to root, and their folders below Images.
QStringList relative(const BatchPlan& plan, const QString& root)
{
    QStringList paths;
    for (const BatchPlan::Photo& photo : plan.photos())
        paths << QDir(root).relativeFilePath(photo.path) + QStringLiteral(" -> ") + photo.subFolder;
    return paths;
}

// An output as Quillon writes it: a JPEG that carries the mark.
void writeOutput(const QString& path)
{
    JpegMetadata metadata;
    metadata.xmp = *OutputMark::forBytes("photo").markedPacket({});
    ASSERT_TRUE(writeFile(path, metadata.insertedInto(smallJpeg(8, 8)))) << path.toStdString();
}

void setModified(const QString& path, time_t seconds)
{
    const utimbuf times { seconds, seconds };
    ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0) << path.toStdString();
}

} // namespace

TEST(BatchPlanTest, SubFoldersOrEveryFolderBelowWithRecursive)
{
    QTemporaryDir source;
    const QString root = source.filePath("trips");
    for (const char* photo : { "top.jpg", "2004/a.jpg", "2004/spring/b.JPG", "2004/spring/day 1/c.jpeg",
             "2004/spring/day 1/d.jpg", "2005/e.jpg", "2006/summer/f.jpg", "notes/readme.txt" })
        touch(root + QLatin1Char('/') + QLatin1String(photo));
    QDir().mkpath(root + "/empty");
    QDir().mkpath(root + "/.hidden");
    touch(root + "/.hidden/g.jpg");
    // A link back up is not followed round and round.
    ASSERT_TRUE(QFile::link(root + "/2004", root + "/2004/spring/back"));

    const SettingsRecord settings = targetAt(source.filePath("out"));
    const BatchPlan flat = BatchPlan::make(root, settings, {});
    EXPECT_EQ(relative(flat, root), QStringList({ "2004/a.jpg -> 2004", "2005/e.jpg -> 2005" }));
    // Every immediate sub-folder gets its output folders, photos or not.
    EXPECT_EQ(flat.subFolders(), QStringList({ "2004", "2005", "2006", "empty", "notes" }));

    BatchOptions recursive;
    recursive.recursive = true;
    const BatchPlan deep = BatchPlan::make(root, settings, recursive);
    EXPECT_EQ(relative(deep, root),
        QStringList({ "2004/a.jpg -> 2004", "2004/spring/b.JPG -> 2004/spring",
            "2004/spring/day 1/c.jpeg -> 2004/spring/day 1", "2004/spring/day 1/d.jpg -> 2004/spring/day 1",
            "2005/e.jpg -> 2005", "2006/summer/f.jpg -> 2006/summer" }));
    EXPECT_EQ(deep.subFolders(), QStringList({ "2004", "2004/spring", "2004/spring/day 1", "2005", "2006/summer" }));
    EXPECT_EQ(deep.photos()[1].outputPath, source.filePath("out/Images/2004/spring/b.JPG"));
    EXPECT_EQ(deep.photos()[1].thumbnailPath, source.filePath("out/Miniatures/2004/spring/b.JPG"));

    // A folder without sub-folders is its own source, with or without.
    for (bool down : { false, true }) {
        BatchOptions options;
        options.recursive = down;
        EXPECT_EQ(
            relative(BatchPlan::make(root + "/2005", settings, options), root), QStringList({ "2005/e.jpg -> 2005" }));
    }
}

TEST(BatchPlanTest, TheTargetsOutputFoldersAreNeverSources)
{
    // The program's folder treated into itself: the first batch takes its
    // photos, and so does the next one, not the outputs of the first.
    QTemporaryDir dir;
    touch(dir.filePath("a.jpg"));
    const SettingsRecord intoItself = targetAt(dir.path());
    const QString name = QFileInfo(dir.path()).fileName();
    for (int run = 0; run < 2; ++run) {
        for (bool down : { false, true }) {
            BatchOptions options;
            options.recursive = down;
            const BatchPlan plan = BatchPlan::make(dir.path(), intoItself, options);
            ASSERT_EQ(plan.photos().size(), 1) << run << down;
            EXPECT_EQ(plan.photos()[0].path, dir.filePath("a.jpg"));
            EXPECT_EQ(plan.photos()[0].outputPath, dir.filePath("Images/" + name + "/a.jpg"));
        }
        touch(dir.filePath("Images/" + name + "/a.jpg"));
        touch(dir.filePath("Miniatures/" + name + "/a.jpg"));
    }

    // A target inside one of the folders treated: its outputs are left out
    // at any depth.
    QTemporaryDir tree;
    touch(tree.filePath("trip/a.jpg"));
    touch(tree.filePath("trip/out/Images/trip/a.jpg"));
    touch(tree.filePath("trip/out/Miniatures/trip/a.jpg"));
    BatchOptions recursive;
    recursive.recursive = true;
    const BatchPlan plan = BatchPlan::make(tree.path(), targetAt(tree.filePath("trip/out")), recursive);
    ASSERT_EQ(plan.photos().size(), 1);
    EXPECT_EQ(plan.photos()[0].path, tree.filePath("trip/a.jpg"));
}

TEST(BatchPlanTest, ShardsShareTheBatchOutInItsOrder)
{
    QTemporaryDir source;
    QStringList all;
    for (const char* photo : { "b/1.jpg", "a/Z.jpg", "a/y.jpg", "a/X.jpg", "b/2.jpg", "c/3.jpg", "c/4.jpg" })
        touch(source.filePath(photo));
    const SettingsRecord settings = targetAt(source.filePath("out"));
    const BatchPlan whole = BatchPlan::make(source.path(), settings, {});
    for (const BatchPlan::Photo& photo : whole.photos())
        all << QDir(source.path()).relativeFilePath(photo.path);
    ASSERT_EQ(all, QStringList({ "a/X.jpg", "a/y.jpg", "a/Z.jpg", "b/1.jpg", "b/2.jpg", "c/3.jpg", "c/4.jpg" }));

    for (int n : { 1, 2, 3, 7, 9 }) {
        QStringList together;
        for (int k = 1; k <= n; ++k) {
            BatchOptions options;
            options.shard = k;
            options.shardCount = n;
            const BatchPlan plan = BatchPlan::make(source.path(), settings, options);
            // Photo i (from 1) of the batch is in shard ((i - 1) mod n) + 1.
            QStringList expected;
            for (int i = k; i <= all.size(); i += n)
                expected << all[i - 1];
            QStringList got;
            for (const BatchPlan::Photo& photo : plan.photos())
                got << QDir(source.path()).relativeFilePath(photo.path);
            EXPECT_EQ(got, expected) << k << "/" << n;
            together << got;
            // Every shard makes every output folder.
            EXPECT_EQ(plan.subFolders(), QStringList({ "a", "b", "c" }));
        }
        together.sort();
        QStringList sorted = all;
        sorted.sort();
        EXPECT_EQ(together, sorted) << "of " << n;
    }
}

TEST(BatchPlanTest, SkipExistingLeavesOutWhatIsSavedAndNotOlder)
{
    constexpr time_t photoTime = 1'600'000'000;
    const struct {
        const char* what;
        int outputAge; // seconds before the photo's time
        bool thumbnail; // the thumbnail is there
        bool thumbnailsOn;
        BatchPlan::Action action;
        bool marked = true; // the files are Quillon's outputs
    } cases[] = {
        { "no output", 0, true, true, BatchPlan::Action::Treat },
        { "an older output", 1, true, true, BatchPlan::Action::Treat },
        { "an output of the photo's time", 0, true, true, BatchPlan::Action::Skip },
        { "a newer output", -60, true, true, BatchPlan::Action::Skip },
        { "no thumbnail, thumbnails on", 0, false, true, BatchPlan::Action::Treat },
        { "no thumbnail, thumbnails off", 0, false, false, BatchPlan::Action::Skip },
        // Somebody else's files at the paths: nothing of this photo is saved.
        { "files of another's", -60, true, true, BatchPlan::Action::Treat, false },
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        touch(dir.filePath("in/trip/a.jpg"));
        setModified(dir.filePath("in/trip/a.jpg"), photoTime);
        if (qstrcmp(c.what, "no output") != 0) {
            (c.marked ? writeOutput : touch)(dir.filePath("out/Images/trip/a.jpg"));
            setModified(dir.filePath("out/Images/trip/a.jpg"), photoTime - c.outputAge);
        }
        if (c.thumbnail) (c.marked ? writeOutput : touch)(dir.filePath("out/Miniatures/trip/a.jpg"));
        BatchOptions options;
        options.skipExisting = true;
        const BatchPlan plan
            = BatchPlan::make(dir.filePath("in"), targetAt(dir.filePath("out"), c.thumbnailsOn), options);
        ASSERT_EQ(plan.photos().size(), 1) << c.what;
        EXPECT_EQ(plan.photos()[0].action, c.action) << c.what;
        // Without the option every photo is treated.
        EXPECT_EQ(BatchPlan::make(dir.filePath("in"), targetAt(dir.filePath("out"), c.thumbnailsOn), {})
                      .count(BatchPlan::Action::Treat),
            1)
            << c.what;
    }
}

TEST(BatchPlanTest, APhotoWhoseOutputWouldReplaceAPhotoOfTheBatchIsRefused)
{
    // A batch of an earlier output folder into the same target: every
    // output is its own photo. Skipping does not hide that.
    QTemporaryDir dir;
    touch(dir.filePath("Images/trip/a.jpg"));
    touch(dir.filePath("Images/trip/b.jpg"));
    for (bool skip : { false, true }) {
        BatchOptions options;
        options.skipExisting = skip;
        const BatchPlan plan = BatchPlan::make(dir.filePath("Images/trip"), targetAt(dir.path(), false), options);
        ASSERT_EQ(plan.photos().size(), 2);
        for (const BatchPlan::Photo& photo : plan.photos()) {
            EXPECT_EQ(photo.action, BatchPlan::Action::Refuse) << photo.path.toStdString();
            EXPECT_EQ(photo.refusal, "The output would replace the photo itself");
        }
    }

    // An output that is another name of another photo of the batch (a hard
    // link here) is refused too, and the photo named.
    QTemporaryDir other;
    touch(other.filePath("in/trip/a.jpg"));
    touch(other.filePath("in/trip/b.jpg"));
    QDir().mkpath(other.filePath("out/Images/trip"));
    ASSERT_EQ(::link(QFile::encodeName(other.filePath("in/trip/b.jpg")).constData(),
                  QFile::encodeName(other.filePath("out/Images/trip/a.jpg")).constData()),
        0);
    const BatchPlan linked = BatchPlan::make(other.filePath("in"), targetAt(other.filePath("out"), false), {});
    ASSERT_EQ(linked.photos().size(), 2);
    EXPECT_EQ(linked.photos()[0].action, BatchPlan::Action::Refuse);
    EXPECT_EQ(linked.photos()[0].refusal,
        "The output would replace " + other.filePath("in/trip/b.jpg") + ", a photo of this batch");
    EXPECT_EQ(linked.photos()[1].action, BatchPlan::Action::Treat);
}
