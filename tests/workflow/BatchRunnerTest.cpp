#include "workflow/BatchRunner.h"

#include "platform/AtomicFile.h"
#include "platform/PixelMemory.h"
#include "support/TestSupport.h"
#include "workflow/PhotoEngine.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

// Hears the photos, which come in batch order (after a stop, without those
// abandoned on the way), and stops after stopAfter (0: before the first).
class Recorder : public BatchListener {
public:
    bool started(const BatchPlan& plan) override
    {
        for (const BatchPlan::photo& photo : plan.photos())
            planned << photo.path;
        return stopAfter != 0;
    }
    bool photoDone(const BatchPlan::photo& photo, const BatchOutcome&, int done, int) override
    {
        EXPECT_EQ(done, ++reported);
        const qsizetype at = planned.indexOf(photo.path, next);
        EXPECT_GE(at, next) << "out of batch order: " << photo.path.toStdString();
        next = at + 1;
        return stopAfter < 0 || done < stopAfter;
    }
    int stopAfter = -1;
    QStringList planned;
    qsizetype next = 0; // where the next photo reported may be in the plan
    int reported = 0;
};

// Photos of every orientation and a few cameras (one with padded rows, one
// without a date), in two folders; SetUp adds one that is no photo at all.
const char* const samplePhotos[] = { "orientation/landscape_1.jpg", "orientation/landscape_3.jpg",
    "orientation/landscape_6.jpg", "orientation/landscape_8.jpg", "orientation/portrait_6.jpg", "cameras/Canon_40D.jpg",
    "cameras/Fujifilm_FinePix_E500.jpg", "cameras/Nikon_D70.jpg", "cameras/PaintTool_sample.jpg" };

class BatchRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
        settings.thumbShow = true;
        settings.batchFilter = true;
        settings.currentFilter = 5;
        // The stamp as the window places it.
        engine.setStampPosition(QPointF(10, 20));
        engine.applyDateStyle();
        stamp = engine.stampPlacement();
        for (const char* photo : samplePhotos)
            ASSERT_TRUE(writeFile(source.filePath(photo), readFile(testPhoto(photo))));
        ASSERT_TRUE(writeFile(source.filePath("cameras/broken.jpg"), "not a photo"));
    }

    // The batch of folder (the sample photos by default) into target.
    BatchPlan planInto(const QString& target, const QString& folder = QString())
    {
        settings.targetFolder = target;
        const BatchPlan plan = BatchPlan::make(folder.isEmpty() ? source.path() : folder, settings, {});
        EXPECT_EQ(plan.prepareFolders(), QString());
        return plan;
    }

    BatchReport run(
        const QString& target, int jobs, BatchListener* listener = nullptr, const QString& folder = QString())
    {
        const BatchPlan plan = planInto(target, folder); // before the runner copies the settings
        return BatchRunner(settings, stamp, jobs).run(plan, listener);
    }

    QTemporaryDir source;
    QTemporaryDir out;
    Settings settings;
    PhotoEngine engine { settings };
    StampPlacement stamp;
};

} // namespace

TEST_F(BatchRunnerTest, AnyNumberOfJobsWritesTheWindowsBytesAndReportsInBatchOrder)
{
    std::map<QString, QByteArray> first;
    for (int jobs : { 1, 2, 8 }) {
        SCOPED_TRACE(jobs);
        const QString target = out.filePath(QString::number(jobs));
        Recorder recorder;
        const BatchReport report = run(target, jobs, &recorder);
        EXPECT_EQ(report.treated, 9);
        EXPECT_EQ(recorder.reported, 10);
        ASSERT_EQ(report.failures.size(), 1);
        EXPECT_TRUE(report.failures[0].path.endsWith("broken.jpg"));
        const std::map<QString, QByteArray> files = filesBelow(target);
        EXPECT_EQ(files.size(), 18u); // nine outputs and their thumbnails
        if (first.empty()) first = files;
        EXPECT_TRUE(files == first) << jobs << " jobs wrote other bytes";
    }

    // The window saves every photo, one by one, with the same bytes.
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
    // Many copies of a small photo, for batches that outlast the stop.
    const QByteArray photo = readFile(testPhoto("cameras/Canon_40D.jpg"));
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(writeFile(out.filePath(QStringLiteral("many/%1.jpg").arg(i, 2, 10, QLatin1Char('0'))), photo));
    settings.batchFilter = false;
    for (const auto& [jobs, stopAfter] : { std::pair { 1, 3 }, std::pair { 3, 3 }, std::pair { 2, 0 } }) {
        SCOPED_TRACE(testing::Message() << jobs << " jobs, stopped after " << stopAfter);
        const QString target = out.filePath(QStringLiteral("%1-%2").arg(jobs).arg(stopAfter));
        Recorder recorder;
        recorder.stopAfter = stopAfter;
        const BatchReport report = run(target, jobs, &recorder, out.filePath("many"));
        EXPECT_TRUE(report.cancelled);
        const std::map<QString, QByteArray> files = filesBelow(target);
        for (const auto& [path, bytes] : files) {
            EXPECT_FALSE(AtomicFile::isTemporaryName(QFile::encodeName(QFileInfo(path).fileName())))
                << path.toStdString();
            QImageReader reader(target + QLatin1Char('/') + path);
            EXPECT_TRUE(reader.canRead() && !reader.read().isNull()) << path.toStdString();
        }
        // What was written is what the report counts, photos that were
        // under way when the stop came included.
        EXPECT_EQ(files.size(), 2u * static_cast<size_t>(report.treated));
        EXPECT_EQ(recorder.reported, report.treated);
        if (jobs == 1 || stopAfter == 0) {
            EXPECT_EQ(report.treated, stopAfter);
        } else {
            // No photo starts more than twice the jobs ahead of the last
            // one reported.
            EXPECT_GE(report.treated, stopAfter);
            EXPECT_LE(report.treated, stopAfter - 1 + 2 * jobs);
        }
    }
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
        const BatchPlan plan = planInto(out.filePath(QStringLiteral("target-%1").arg(budget)), out.filePath("large"));
        BatchRunner runner(settings, stamp, 2);
        runner.setMemoryBudget(budget);
        const size_t before = PixelMemory::bytesInUse();
        PixelMemory::resetPeak();
        const BatchReport report = runner.run(plan);
        EXPECT_EQ(report.treated, 6);
        EXPECT_LE(int64_t(PixelMemory::peakBytesInUse() - before), onePhoto) << budget;
    }
}

TEST_F(BatchRunnerTest, JobsThatCannotStartLeaveTheBatchToThoseThatDid)
{
    const QString whole = out.filePath("whole");
    run(whole, 1);
    // The system gives one thread of four, then none: the batch runs on
    // the one, then on the calling thread, and says so.
    for (int threads : { 1, 0 }) {
        const BatchPlan plan = planInto(out.filePath(QStringLiteral("threads-%1").arg(threads)));
        BatchRunner runner(settings, stamp, 4);
        runner.setThreadLimit(threads);
        Recorder recorder;
        const BatchReport report = runner.run(plan, &recorder);
        EXPECT_EQ(recorder.reported, 10) << threads;
        ASSERT_FALSE(report.notes.isEmpty());
        EXPECT_EQ(report.notes[0].text, "started 1 of 4 jobs: Resource temporarily unavailable");
        EXPECT_TRUE(filesBelow(settings.targetFolder) == filesBelow(whole)) << threads;
    }
}
