#include "workflow/BatchPlan.h"

#include "files/SettingsFile.h"
#include "platform/AtomicFile.h"
#include "platform/JpegMetadata.h"
#include "platform/OutputMark.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace {

// The plan reads no pixel: any bytes serve as a photo.
void touch(const QString& path)
{
    ASSERT_TRUE(writeFile(path, "photo")) << path.toStdString();
}

Settings targetAt(const QString& target, bool thumbnails = true)
{
    Settings settings;
    settings.targetFolder = target;
    settings.thumbShow = thumbnails;
    return settings;
}

BatchOptions recursive(bool down = true)
{
    BatchOptions options;
    options.recursive = down;
    return options;
}

BatchOptions skippingSaved(bool skip = true)
{
    BatchOptions options;
    options.skipExisting = skip;
    return options;
}

// The photos' paths relative to root, and their folders below Images.
QStringList relative(const BatchPlan& plan, const QString& root)
{
    QStringList paths;
    for (const BatchPlan::photo& photo : plan.photos())
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
    for (const char* photo : { "top.jpg", "2004/a.jpg", "2004/spring/b.JPG", "2004/spring/day 1/c.jpeg", "2005/e.jpg",
             "2006/summer/f.jpg", "notes/readme.txt", ".hidden/g.jpg" })
        touch(root + QLatin1Char('/') + QLatin1String(photo));
    QDir().mkpath(root + "/empty");

    const Settings settings = targetAt(source.filePath("out"));
    const BatchPlan flat = BatchPlan::make(root, settings, {});
    EXPECT_EQ(relative(flat, root), QStringList({ "2004/a.jpg -> 2004", "2005/e.jpg -> 2005" }));
    // Every immediate sub-folder gets its output folders, photos or not.
    EXPECT_EQ(flat.subFolders(), QStringList({ "2004", "2005", "2006", "empty", "notes" }));
    // The photo beside the sub-folders is left out, and counted.
    EXPECT_EQ(flat.photosLeftInFolder(), 1);

    const BatchPlan deep = BatchPlan::make(root, settings, recursive());
    // The folder's own photos first, under its own name.
    EXPECT_EQ(relative(deep, root),
        QStringList({ "top.jpg -> trips", "2004/a.jpg -> 2004", "2004/spring/b.JPG -> 2004/spring",
            "2004/spring/day 1/c.jpeg -> 2004/spring/day 1", "2005/e.jpg -> 2005",
            "2006/summer/f.jpg -> 2006/summer" }));
    EXPECT_EQ(
        deep.subFolders(), QStringList({ "trips", "2004", "2004/spring", "2004/spring/day 1", "2005", "2006/summer" }));
}

TEST(BatchPlanTest, TheTargetsOutputFoldersAreNeverSourcesAndNoOutputReplacesItsOwnPhoto)
{
    // The program's folder treated into itself a second time: the batch
    // takes its photos, not the outputs of the first.
    QTemporaryDir dir;
    const QString name = QFileInfo(dir.path()).fileName();
    for (const QString& file :
        { QStringLiteral("a.jpg"), "Images/" + name + "/a.jpg", "Miniatures/" + name + "/a.jpg" })
        touch(dir.filePath(file));
    for (bool down : { false, true }) {
        const BatchPlan plan = BatchPlan::make(dir.path(), targetAt(dir.path()), recursive(down));
        ASSERT_EQ(plan.photos().size(), 1) << down;
        EXPECT_EQ(plan.photos()[0].path, dir.filePath("a.jpg"));
    }
    // The output folder itself treated into the same target: the output
    // would be its own photo. Skipping does not hide that.
    for (bool skip : { false, true }) {
        const BatchPlan plan
            = BatchPlan::make(dir.filePath("Images/" + name), targetAt(dir.path()), skippingSaved(skip));
        ASSERT_EQ(plan.photos().size(), 1) << skip;
        EXPECT_EQ(plan.photos()[0].action, BatchPlan::Action::Refuse);
        EXPECT_EQ(plan.photos()[0].refusal, "The output would replace the photo itself");
    }

    // A target inside one of the folders treated: its outputs are left out
    // at any depth.
    QTemporaryDir tree;
    touch(tree.filePath("trip/a.jpg"));
    touch(tree.filePath("trip/out/Images/trip/a.jpg"));
    touch(tree.filePath("trip/out/Miniatures/trip/a.jpg"));
    const BatchPlan plan = BatchPlan::make(tree.path(), targetAt(tree.filePath("trip/out")), recursive());
    ASSERT_EQ(plan.photos().size(), 1);
    EXPECT_EQ(plan.photos()[0].path, tree.filePath("trip/a.jpg"));
}

TEST(BatchPlanTest, EachPhotosShardHangsOnItsOwnPathAlone)
{
    // Anyone can work a shard out: SHA-256 of the path below the folder,
    // its first 8 bytes as a big-endian number, modulo N, plus 1.
    EXPECT_EQ(BatchPlan::shardOf("a/X.jpg", 3), 1); // bbf08d1d66f51b31...
    EXPECT_EQ(BatchPlan::shardOf("2019/spring/day 1/c.jpg", 7), 3); // bfc2e76f948361cb...
    EXPECT_EQ(BatchPlan::shardOf(QString::fromUtf8("\xc3\xa9.jpg"), 7), 7); // é.jpg: b83fca42cffd3efc...

    // So a photo stays in its shard while others come and go.
    QTemporaryDir source;
    for (const char* photo : { "b/1.jpg", "a/Z.jpg", "a/y.jpg", "a/X.jpg", "b/2.jpg", "c/3.jpg", "c/4.jpg" })
        touch(source.filePath(photo));
    QDir().mkpath(source.filePath("d"));
    const Settings settings = targetAt(source.filePath("out"));
    for (int n : { 1, 3, 7 }) {
        SCOPED_TRACE(n);
        for (int k = 1; k <= n; ++k) {
            BatchOptions options;
            options.shard = k;
            options.shardCount = n;
            const BatchPlan plan = BatchPlan::make(source.path(), settings, options);
            for (const BatchPlan::photo& photo : plan.photos())
                EXPECT_EQ(BatchPlan::shardOf(QDir(source.path()).relativeFilePath(photo.path), n), k);
            // Every shard makes every output folder.
            EXPECT_EQ(plan.subFolders(), QStringList({ "a", "b", "c", "d" }));
        }
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
        { "no thumbnail, thumbnails on", 0, false, true, BatchPlan::Action::Treat },
        { "no thumbnail, thumbnails off", 0, false, false, BatchPlan::Action::Skip },
        // Somebody else's files at the paths: nothing of this photo is saved.
        { "files of another's", -60, true, true, BatchPlan::Action::Treat, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        touch(dir.filePath("in/trip/a.jpg"));
        setModified(dir.filePath("in/trip/a.jpg"), photoTime);
        if (qstrcmp(c.what, "no output") != 0) {
            (c.marked ? writeOutput : touch)(dir.filePath("out/Images/trip/a.jpg"));
            setModified(dir.filePath("out/Images/trip/a.jpg"), photoTime - c.outputAge);
        }
        if (c.thumbnail) (c.marked ? writeOutput : touch)(dir.filePath("out/Miniatures/trip/a.jpg"));
        const BatchPlan plan
            = BatchPlan::make(dir.filePath("in"), targetAt(dir.filePath("out"), c.thumbnailsOn), skippingSaved());
        ASSERT_EQ(plan.photos().size(), 1);
        EXPECT_EQ(plan.photos()[0].action, c.action);
    }
}

TEST(BatchPlanTest, TheFoldersOwnPhotosShareTheirOutputFolderWithASubFolderOfTheSameNameWithoutClashing)
{
    // trips/a.jpg and trips/trips/a.jpg would have the same output: the
    // second in the batch's order is refused, in every shard.
    QTemporaryDir dir;
    const QString root = dir.filePath("in/trips");
    for (const char* photo : { "a.jpg", "b.jpg", "trips/a.jpg", "trips/c.jpg" })
        touch(root + '/' + photo);
    const Settings settings = targetAt(dir.filePath("out"));
    for (int n : { 1, 2, 3 }) {
        QStringList refused, treated;
        for (int k = 1; k <= n; ++k) {
            BatchOptions options = recursive();
            options.shard = k;
            options.shardCount = n;
            const BatchPlan plan = BatchPlan::make(root, settings, options);
            for (const BatchPlan::photo& photo : plan.photos()) {
                EXPECT_EQ(photo.subFolder, "trips");
                if (photo.action == BatchPlan::Action::Refuse) {
                    refused << QDir(root).relativeFilePath(photo.path);
                    EXPECT_EQ(photo.refusal,
                        "The output would replace that of " + root + "/a.jpg, another photo of this batch");
                } else {
                    treated << QDir(root).relativeFilePath(photo.path);
                }
            }
        }
        treated.sort();
        EXPECT_EQ(refused, QStringList({ "trips/a.jpg" })) << "of " << n;
        EXPECT_EQ(treated, QStringList({ "a.jpg", "b.jpg", "trips/c.jpg" })) << "of " << n;
    }
}

TEST(BatchPlanTest, EachFolderIsReadOnceHoweverManyLinksLeadToIt)
{
    // Two links at each of four levels to the next one: one photo reached
    // by 16 paths.
    constexpr int Depth = 4;
    QTemporaryDir dir;
    const QString root = dir.filePath("in");
    QDir().mkpath(root);
    touch(dir.filePath(QStringLiteral("store/%1/photo.jpg").arg(Depth)));
    for (int level = 0; level < Depth; ++level) {
        const QString folder = level == 0 ? root : dir.filePath(QStringLiteral("store/%1").arg(level));
        QDir().mkpath(folder);
        for (const char* link : { "a", "b" })
            ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("store/%1").arg(level + 1)), folder + '/' + link));
    }
    // And a link back up, which is not followed round and round.
    ASSERT_TRUE(QFile::link(root, dir.filePath(QStringLiteral("store/%1/up").arg(Depth))));
    const BatchPlan deep = BatchPlan::make(root, targetAt(dir.filePath("out")), recursive());
    EXPECT_EQ(relative(deep, root), QStringList({ "a/a/a/a/photo.jpg -> a/a/a/a" }));
    QStringList repeats;
    for (const PhotoFolder::PassedOver& entry : deep.passedOver()) {
        repeats << QDir(root).relativeFilePath(entry.path);
        const QString first = entry.path.endsWith("/up") ? root : entry.path.chopped(1) + "a";
        EXPECT_EQ(entry.reason, "the folder was reached already as " + first);
    }
    EXPECT_EQ(repeats, QStringList({ "b", "a/b", "a/a/b", "a/a/a/b", "a/a/a/a/up" }));
}

TEST(BatchPlanTest, TheNextBatchSweepsWhatWritersKilledMidWayLeftInItsOutputFolders)
{
    // With thumbnails off too: their folder is swept all the same.
    for (const bool thumbnails : { true, false }) {
        SCOPED_TRACE(thumbnails ? "thumbnails on" : "thumbnails off");
        QTemporaryDir dir;
        touch(dir.filePath("in/trip/a.jpg"));
        const BatchPlan plan = BatchPlan::make(dir.filePath("in"), targetAt(dir.filePath("out"), thumbnails), {});
        const QStringList folders { dir.filePath("out/Images/trip"), dir.filePath("out/Miniatures/trip") };
        const auto entries = [](const QString& folder) {
            return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        };
        // Writers that do not ignore SIGXFSZ, killed by the file-size limit
        // in mid-save: their temporaries stay, unlocked.
        for (const QString& folder : folders) {
            ASSERT_TRUE(QDir().mkpath(folder));
            const pid_t pid = ::fork();
            if (pid == 0) {
                std::signal(SIGXFSZ, SIG_DFL);
                const rlimit limit { 4096, 4096 };
                ::setrlimit(RLIMIT_FSIZE, &limit);
                AtomicFile::write(folder + "/a.jpg", QByteArray(100'000, 'j'), AtomicFile::Keep::Permissions);
                ::_exit(0);
            }
            int status = 0;
            ::waitpid(pid, &status, 0);
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
            ASSERT_EQ(entries(folder).size(), 1);
        }

        EXPECT_EQ(plan.prepareFolders(), "");
        for (const QString& folder : folders)
            EXPECT_EQ(entries(folder).join(u' ').toStdString(), "") << folder.toStdString();
    }
}
