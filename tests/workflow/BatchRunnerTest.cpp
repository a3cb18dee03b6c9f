#include "workflow/BatchRunner.h"

#include "platform/AtomicFile.h"
#include "platform/FileStamp.h"
#include "platform/PixelMemory.h"
#include "support/TestSupport.h"
#include "workflow/PhotoEngine.h"
#include "workflow/PhotoState.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Settings defaults()
{
    Settings settings;
    SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
    settings.thumbShow = true;
    settings.batchFilter = true;
    settings.currentFilter = 5;
    return settings;
}

// The stamp as the window places it, worked out by an engine.
StampPlacement stampOf(Settings& settings)
{
    PhotoEngine engine(settings);
    engine.setStampPosition(QPointF(10, 20));
    engine.applyDateStyle();
    return engine.Stamp();
}

// Hears the photos in the order they come, and stops after stopAfter.
class Recorder : public BatchListener {
public:
    bool photoDone(const BatchPlan::photo& photo, const BatchOutcome& outcome, int done, int total) override
    {
        paths << photo.path;
        kinds << outcome.kind;
        counts << done;
        totals << total;
        return stopAfter < 0 || done < stopAfter;
    }
    int stopAfter = -1;
    QStringList paths;
    QList<BatchOutcome::Kind> kinds;
    QList<int> counts;
    QList<int> totals;
};

bool isTemporary(const QString& relativePath)
{
    return AtomicFile::isTemporaryName(QFile::encodeName(QFileInfo(relativePath).fileName()));
}

// Photos of every orientation and a few cameras (one with padded rows, one
// without a date), in two folders; SetUp adds one that is no photo at all.
const char* const samplePhotos[] = { "orientation/landscape_1.jpg", "orientation/landscape_3.jpg",
    "orientation/landscape_6.jpg", "orientation/landscape_8.jpg", "orientation/portrait_6.jpg", "cameras/Canon_40D.jpg",
    "cameras/Fujifilm_FinePix_E500.jpg", "cameras/Nikon_D70.jpg", "cameras/PaintTool_sample.jpg" };

class BatchRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* photo : samplePhotos)
            ASSERT_TRUE(writeFile(source.filePath(photo), readFile(testPhoto(photo))));
        ASSERT_TRUE(writeFile(source.filePath("cameras/broken.jpg"), "not a photo"));
    }

    // A folder of many copies of a small photo, for batches that must
    // outlast a stop.
    QString manyPhotos(int count)
    {
        const QByteArray photo = readFile(testPhoto("cameras/Canon_40D.jpg"));
        for (int i = 0; i < count; ++i)
            writeFile(out.filePath(QStringLiteral("many/%1.jpg").arg(i, 3, 10, QLatin1Char('0'))), photo);
        return out.filePath("many");
    }

    BatchReport run(const QString& target, int jobs, BatchListener* listener = nullptr, BatchOptions options = {},
        QString folder = QString())
    {
        settings.targetFolder = target;
        const BatchPlan plan = BatchPlan::make(folder.isEmpty() ? source.path() : folder, settings, options);
        EXPECT_EQ(plan.prepareFolders(), QString());
        return BatchRunner(settings, stamp, jobs).run(plan, listener);
    }

    QTemporaryDir source;
    QTemporaryDir out;
    Settings settings = defaults();
    StampPlacement stamp = stampOf(settings);
};

} // namespace

TEST_F(BatchRunnerTest, AnyNumberOfJobsWritesTheWindowsBytesAndReportsInBatchOrder)
{
    std::map<QString, QByteArray> first;
    QStringList order;
    for (int jobs : { 1, 2, 8 }) {
        const QString target = out.filePath(QString::number(jobs));
        Recorder recorder;
        const BatchReport report = run(target, jobs, &recorder);
        EXPECT_EQ(report.total, 10);
        EXPECT_EQ(report.treated, 9);
        ASSERT_EQ(report.failures.size(), 1);
        EXPECT_TRUE(report.failures[0].path.endsWith("broken.jpg"));
        EXPECT_EQ(recorder.counts, QList<int>({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 })) << jobs;
        EXPECT_EQ(recorder.totals, QList<int>(10, 10)) << jobs;
        const std::map<QString, QByteArray> files = filesBelow(target);
        EXPECT_EQ(files.size(), 18u) << jobs; // nine outputs and their thumbnails
        if (jobs == 1) {
            first = files;
            order = recorder.paths;
            QStringList planned;
            const BatchPlan plan = BatchPlan::make(source.path(), settings, {});
            for (const BatchPlan::photo& photo : plan.photos())
                planned << photo.path;
            EXPECT_EQ(order, planned);
        } else {
            EXPECT_EQ(recorder.paths, order) << jobs;
            EXPECT_TRUE(files == first) << jobs << " jobs wrote other bytes";
        }
    }

    // The window saves every photo, one by one, with the same bytes.
    PhotoEngine engine(settings);
    engine.setStampPosition(QPointF(10, 20));
    engine.applyDateStyle();
    for (const char* photo : samplePhotos) {
        engine.setPhotoPaths(source.filePath(photo), out.filePath("window"), QFileInfo(photo).path());
        engine.openPhoto();
        engine.buildWorkingImage();
        engine.processImage(5);
        engine.saveOutputs();
        for (const char* kind : { "Images/", "Miniatures/" }) {
            const QString name = QLatin1String(kind) + QLatin1String(photo);
            EXPECT_EQ(readFile(out.filePath("window/") + name), first[name]) << name.toStdString();
        }
    }
}

TEST_F(BatchRunnerTest, AStopLeavesOnlyWholeFilesAndWithOneJobExactlyThePhotosReported)
{
    const QString many = manyPhotos(30);
    settings.batchFilter = false;
    for (int jobs : { 1, 3 }) {
        const QString target = out.filePath(QString::number(jobs));
        Recorder recorder;
        recorder.stopAfter = 3;
        const BatchReport report = run(target, jobs, &recorder, {}, many);
        EXPECT_TRUE(report.cancelled);
        EXPECT_EQ(report.total, 30);
        const std::map<QString, QByteArray> files = filesBelow(target);
        for (const auto& [path, bytes] : files) {
            EXPECT_FALSE(isTemporary(path)) << path.toStdString();
            QImageReader reader(target + QLatin1Char('/') + path);
            EXPECT_TRUE(reader.canRead() && !reader.read().isNull()) << path.toStdString();
        }
        // What was written is what the report counts, photos that were
        // under way when the stop came included.
        EXPECT_EQ(files.size(), 2u * static_cast<size_t>(report.treated)) << jobs;
        EXPECT_EQ(recorder.paths.size(), report.treated) << jobs;
        if (jobs == 1) {
            EXPECT_EQ(report.treated, 3);
        } else {
            // No photo starts more than twice the jobs ahead of the last
            // one reported.
            EXPECT_GE(report.treated, 3);
            EXPECT_LE(report.treated, 2 + 2 * jobs);
        }
    }

    // A stop before the first photo treats none.
    class Refusing : public BatchListener {
        bool started(const BatchPlan&) override { return false; }
    } refusing;
    const BatchReport none = run(out.filePath("none"), 2, &refusing, {}, many);
    EXPECT_TRUE(none.cancelled);
    EXPECT_EQ(none.treated, 0);
    EXPECT_TRUE(filesBelow(out.filePath("none")).empty());
}

TEST_F(BatchRunnerTest, SkipExistingFinishesAnInterruptedBatchWithoutTreatingAPhotoTwice)
{
    settings.batchFilter = false;
    const QString whole = out.filePath("whole");
    run(whole, 2);

    // Interrupted after four photos; then one output made older than its
    // photo and one thumbnail lost.
    const QString target = out.filePath("resumed");
    Recorder interrupted;
    interrupted.stopAfter = 4;
    run(target, 1, &interrupted);
    ASSERT_EQ(interrupted.paths.size(), 4);
    ASSERT_TRUE(interrupted.paths[3].endsWith("Nikon_D70.jpg"));
    const QString older = target + "/Images/cameras/Fujifilm_FinePix_E500.jpg";
    QFile olderFile(older);
    ASSERT_TRUE(olderFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(olderFile.setFileTime(QDateTime::fromSecsSinceEpoch(1'000'000'000), QFileDevice::FileModificationTime));
    olderFile.close();
    ASSERT_TRUE(QFile::remove(target + "/Miniatures/cameras/Nikon_D70.jpg"));
    const std::optional<FileStamp> kept = FileStamp::lookUp(target + "/Images/cameras/Canon_40D.jpg");
    ASSERT_TRUE(kept);

    BatchOptions skip;
    skip.skipExisting = true;
    Recorder resumed;
    const BatchReport report = run(target, 2, &resumed, skip);
    EXPECT_EQ(report.total, 10);
    // The first four were broken.jpg (failed), Canon_40D, Fujifilm and
    // Nikon_D70: only Canon_40D is as it should be.
    EXPECT_EQ(report.skipped, 1);
    EXPECT_EQ(report.treated, 8);
    EXPECT_EQ(report.countText(), "8 of 10 photos treated, 1 skipped, 1 failed.");
    for (int i = 0; i < resumed.paths.size(); ++i)
        EXPECT_EQ(resumed.kinds[i] == BatchOutcome::Kind::Skipped, resumed.paths[i].endsWith("Canon_40D.jpg"))
            << resumed.paths[i].toStdString();
    // A skipped photo's output is the very file written before.
    const std::optional<FileStamp> after = FileStamp::lookUp(target + "/Images/cameras/Canon_40D.jpg");
    ASSERT_TRUE(after);
    EXPECT_TRUE(after->isSameFile(*kept));
    EXPECT_TRUE(filesBelow(target) == filesBelow(whole));
}

TEST_F(BatchRunnerTest, APhotoSwappedForANamedPipeFailsAndTheBatchGoesOn)
{
    // The pipe comes after the folder was read; opening it to read would
    // wait for a writer for ever. Should the batch wait, the alarm ends the
    // test program.
    settings.targetFolder = out.filePath("target");
    const BatchPlan plan = BatchPlan::make(source.path(), settings, {});
    ASSERT_EQ(plan.prepareFolders(), QString());
    const QString swapped = source.filePath("cameras/Nikon_D70.jpg");
    ASSERT_TRUE(QFile::remove(swapped));
    ASSERT_EQ(::mkfifo(QFile::encodeName(swapped).constData(), 0600), 0);
    ::alarm(120);
    const BatchReport report = BatchRunner(settings, stamp, 2).run(plan);
    ::alarm(0);
    EXPECT_EQ(report.treated, 8);
    ASSERT_EQ(report.failures.size(), 2);
    EXPECT_EQ(report.failures[1].path, swapped);
    EXPECT_TRUE(report.failures[1].text.contains("not a regular file")) << report.failures[1].text.toStdString();
}

TEST_F(BatchRunnerTest, JobsWaitForPixelMemoryRatherThanGoBeyondTheBudget)
{
    // Photos of 8 megapixels, which two jobs would treat side by side.
    const QByteArray photo = readFile(testPhoto("large/jolla.jpg"));
    for (int i = 0; i < 6; ++i)
        writeFile(out.filePath(QStringLiteral("large/%1.jpg").arg(i)), photo);
    settings.batchFilter = false;
    const QSize size(3264, 2448);
    const int64_t onePhoto = PhotoState::pixelBytesFor(size, PhotoState::workingSize(size, settings.previewScale), 1);
    // A budget of one photo; one below any photo, which still lets one
    // job proceed at a time.
    for (int64_t budget : { onePhoto, int64_t(1) }) {
        settings.targetFolder = out.filePath(QStringLiteral("target-%1").arg(budget));
        const BatchPlan plan = BatchPlan::make(out.filePath("large"), settings, {});
        ASSERT_EQ(plan.prepareFolders(), QString());
        BatchRunner runner(settings, stamp, 2);
        runner.setMemoryBudget(budget);
        const size_t before = PixelMemory::bytesInUse();
        PixelMemory::resetPeak();
        const BatchReport report = runner.run(plan);
        EXPECT_EQ(report.treated, 6);
        EXPECT_LE(int64_t(PixelMemory::peakBytesInUse() - before), onePhoto) << budget;
    }
    EXPECT_GE(BatchRunner::defaultMemoryBudget(), BatchRunner::minMemoryBudget());
}

TEST_F(BatchRunnerTest, JobsThatCannotStartLeaveTheBatchToThoseThatDid)
{
    const QString whole = out.filePath("whole");
    run(whole, 1);
    // The system gives one thread of four, then none: the batch runs on
    // the one, then on the calling thread, and says so.
    for (int threads : { 1, 0 }) {
        settings.targetFolder = out.filePath(QStringLiteral("threads-%1").arg(threads));
        const BatchPlan plan = BatchPlan::make(source.path(), settings, {});
        ASSERT_EQ(plan.prepareFolders(), QString());
        BatchRunner runner(settings, stamp, 4);
        runner.setThreadLimit(threads);
        Recorder recorder;
        const BatchReport report = runner.run(plan, &recorder);
        EXPECT_EQ(report.treated, 9) << threads;
        EXPECT_EQ(recorder.counts, QList<int>({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 })) << threads;
        ASSERT_FALSE(report.notes.isEmpty());
        EXPECT_EQ(report.notes[0].text, "started 1 of 4 jobs: Resource temporarily unavailable");
        EXPECT_TRUE(filesBelow(settings.targetFolder) == filesBelow(whole)) << threads;
    }
}
