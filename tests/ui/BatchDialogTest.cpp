#include "ui/BatchDialog.h"
#include "DialogLayoutCheck.h"
#include "support/TestSupport.h"
#include "ui/StandardDialogs.h"
#include "workflow/PhotoEngine.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Only keeps a broken build from hanging: no test waits this long.
constexpr int Guard = 120'000;

// What the summary box at the end of a batch showed.
struct Summary {
    QString text;
    QString details;
    QMessageBox::Icon icon;
    int height;
    bool busyPointer;
};

class BatchDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedPickers = StandardDialogs::shared().pickers;
        m_savedHook = BatchDialog::setSummaryHook([this](QMessageBox& box) {
            summaries.append(Summary { box.text(), box.detailedText(), box.icon(), box.sizeHint().height(),
                QApplication::overrideCursor() != nullptr });
        });
        SettingsFile::load(m_dir.filePath("config.ini"), settings);
        settings.targetFolder = m_dir.filePath("out");
        engine.applyDateStyle();

        // One sound photo and one that is no photo at all.
        source = m_dir.filePath("photos");
        QDir().mkpath(source);
        QFile::copy(testPhoto("cameras/Canon_40D.jpg"), source + "/Canon_40D.jpg");
        writeFile(source + "/broken.jpg", "this is text, not a JPEG\n");
    }
    void TearDown() override
    {
        BatchDialog::setSummaryHook(m_savedHook);
        StandardDialogs::shared().pickers = m_savedPickers;
    }

    // The folder that holds the photos' folder and the target.
    QString root() const { return m_dir.path(); }

    // Go, and the window's events until the batch has ended and the
    // dialog closed.
    static void run(BatchDialog& dialog)
    {
        QSignalSpy ended(&dialog, &QDialog::finished);
        dialog.start();
        ASSERT_TRUE(ended.wait(Guard));
    }

    // Holds the batch's thread where it reports photo `at` (0: where it
    // starts, before any photo) until act, done on the window's thread,
    // has asked the batch to stop: a user who acts at that very moment.
    static void actWhenReported(BatchDialog& dialog, int at, std::function<void()> act)
    {
        // Released as the stop is asked for, before anything waits for the
        // batch: closing the window does.
        const auto stopping = std::make_shared<QSemaphore>();
        QObject::connect(&dialog, &BatchDialog::stopRequested, [stopping] { stopping->release(); });
        const auto hold = [&dialog, act, stopping] {
            QMetaObject::invokeMethod(&dialog, act, Qt::QueuedConnection);
            EXPECT_TRUE(stopping->tryAcquire(1, Guard));
        };
        if (at == 0)
            QObject::connect(&dialog, &BatchDialog::batchStarted, &dialog, hold, Qt::DirectConnection);
        else
            QObject::connect(
                &dialog, &BatchDialog::photoReported, &dialog,
                [at, hold](int done) {
                    if (done == at) hold();
                },
                Qt::DirectConnection);
    }

    // Three more photos before and after Canon_40D.jpg: five in all.
    void addPhotos()
    {
        for (const char* name : { "a.jpg", "c.jpg", "d.jpg" })
            QFile::copy(testPhoto("cameras/Canon_40D.jpg"), source + "/" + name);
    }

    Settings settings;
    PhotoEngine engine { settings };
    QString source;
    QList<Summary> summaries;

private:
    QTemporaryDir m_dir;
    StandardDialogs::Pickers m_savedPickers;
    BatchDialog::SummaryHook m_savedHook;
};

} // namespace

TEST_F(BatchDialogTest, ABatchRunsBesideTheWindowReportsABrokenPhotoAndGivesThePointerBack)
{
    BatchDialog dialog(engine, source);
    QStringList progress; // as each photo is shown done
    QObject::connect(dialog.progressBar(), &QProgressBar::valueChanged, [&](int done) {
        const bool busy = QApplication::overrideCursor() != nullptr;
        progress << QStringLiteral("%1 of %2").arg(done).arg(dialog.progressBar()->maximum()) + (busy ? ", busy" : "");
    });
    dialog.show();
    const QString target = settings.targetFolder + "2";
    dialog.targetFolderEdit()->setText(target);

    QSignalSpy ended(&dialog, &QDialog::finished);
    dialog.goButton()->click();
    // Go has returned with the batch under way; a second start does nothing.
    EXPECT_TRUE(dialog.isRunning());
    dialog.start();
    ASSERT_TRUE(ended.wait(Guard));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    EXPECT_EQ(progress.last(), "2 of 2, busy");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(dialog.report().treated, 1);
    EXPECT_TRUE(QFile::exists(target + "/Images/photos/Canon_40D.jpg"));
    // The counts come first, each photo's line is in the details, and the
    // box shows with the normal pointer.
    ASSERT_EQ(summaries.size(), 1);
    EXPECT_TRUE(summaries[0].text.startsWith("1 of 2 photos treated, 1 failed.")) << summaries[0].text.toStdString();
    EXPECT_TRUE(summaries[0].details.contains("broken.jpg: ")) << summaries[0].details.toStdString();
    EXPECT_EQ(summaries[0].icon, QMessageBox::Warning);
    EXPECT_FALSE(summaries[0].busyPointer);
}

TEST_F(BatchDialogTest, CancelStopsTheBatchWithNoPhotoStartedAfterIt)
{
    // Cancel is pressed as the batch starts: before the first photo.
    {
        BatchDialog dialog(engine, source);
        actWhenReported(dialog, 0, [&] { dialog.cancelButton()->click(); });
        run(dialog);
        EXPECT_TRUE(dialog.report().cancelled);
        EXPECT_EQ(dialog.report().treated, 0);
        ASSERT_EQ(summaries.size(), 1);
        EXPECT_TRUE(summaries[0].text.contains("stopped before the end"));
    }

    // Pressed while the first photo is reported, one photo at a time: that
    // photo is the last. The button answers at once.
    addPhotos();
    BatchDialog dialog(engine, source);
    dialog.setJobs(1);
    QStringList shown;
    actWhenReported(dialog, 1, [&] {
        dialog.cancelButton()->click();
        shown << dialog.progressText()->text() << (dialog.cancelButton()->isEnabled() ? "enabled" : "disabled");
    });
    run(dialog);
    EXPECT_EQ(shown, QStringList({ "Stopping after the photos under way...", "disabled" }));
    EXPECT_TRUE(dialog.report().cancelled);
    EXPECT_EQ(dialog.report().treated, 1);
    EXPECT_EQ(QDir(settings.targetFolder + "/Images/photos").entryList(QDir::Files), QStringList({ "a.jpg" }));
    EXPECT_EQ(summaries.size(), 2);
}

TEST_F(BatchDialogTest, ClosingTheWindowOrTheDialogStopsTheBatchAndWaitsForIt)
{
    addPhotos();
    // The window closes while the first photo is reported: that photo is
    // the last, the batch has ended when the close returns, and no summary
    // shows over a window that is gone.
    QWidget window;
    window.show();
    auto* dialog = new BatchDialog(engine, source, &window);
    dialog->setJobs(1);
    bool endedWithTheClose = false;
    actWhenReported(*dialog, 1, [&] {
        window.close();
        endedWithTheClose = !dialog->isRunning();
    });
    run(*dialog);
    EXPECT_TRUE(endedWithTheClose);
    EXPECT_TRUE(dialog->report().cancelled);
    EXPECT_EQ(dialog->report().treated, 1);

    // A dialog destroyed in the middle of a batch waits for it first.
    {
        BatchDialog doomed(engine, source);
        doomed.start();
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(summaries.isEmpty());
}

TEST_F(BatchDialogTest, TheSummaryFitsTheScreenAndSaysWhatHappenedToEachPhotoOrWhyNoneWasTreated)
{
    // Sixty failures: the box keeps its size, the lines scroll in its details.
    for (int i = 0; i < 59; ++i)
        writeFile(source + QStringLiteral("/broken%1.jpg").arg(i, 2, 10, QLatin1Char('0')), "not a JPEG");
    BatchDialog many(engine, source);
    run(many);
    ASSERT_EQ(summaries.size(), 1);
    // The counts first: the one photo written needs a word (its stamp).
    EXPECT_EQ(summaries[0].text.toStdString(), "1 of 61 photos treated, 60 failed.\n1 note on the photos written.");
    EXPECT_EQ(summaries[0].details.count(".jpg: Cannot open the picture"), 60) << summaries[0].details.toStdString();
    EXPECT_LE(summaries[0].height, QGuiApplication::primaryScreen()->availableGeometry().height());

    // A photo without a date is written without a stamp and named, through
    // the parallel runner as well: a note, not a failure.
    const QString undated = root() + "/undated";
    QDir().mkpath(undated);
    for (const char* name : { "Canon_40D.jpg", "PaintTool_sample.jpg", "Nikon_D70.jpg" })
        QFile::copy(testPhoto(QStringLiteral("cameras/") + name), undated + '/' + name);
    BatchDialog notes(engine, undated);
    notes.setJobs(2);
    run(notes);
    ASSERT_EQ(summaries.size(), 2);
    EXPECT_TRUE(summaries[1].text.startsWith("3 of 3 photos treated.\n")) << summaries[1].text.toStdString();
    EXPECT_TRUE(summaries[1].details.contains(
        QDir::toNativeSeparators(undated + "/PaintTool_sample.jpg") + ": no date in the photo: saved without a stamp"))
        << summaries[1].details.toStdString();
    EXPECT_EQ(summaries[1].icon, QMessageBox::Information);

    // A file stands where the target's Images folder should be: the batch
    // stops before its first photo.
    settings.targetFolder = root() + "/blocked";
    writeFile(settings.targetFolder + "/Images", "a file");
    BatchDialog blocked(engine, source);
    run(blocked);
    EXPECT_EQ(blocked.report().treated, 0);
    ASSERT_EQ(summaries.size(), 3);
    EXPECT_EQ(summaries[2].text,
        "Cannot write into " + QDir::toNativeSeparators(settings.targetFolder + "/Images/photos")
            + ": Not a directory\nNo photo was treated.");
    EXPECT_EQ(summaries[2].icon, QMessageBox::Warning);
}

TEST_F(BatchDialogTest, TheSourceLineCountsWhatTheChoicesLeaveToTreatAndTheBatchTreatsThat)
{
    QDir().mkpath(source + "/deeper");
    QFile::copy(testPhoto("cameras/Canon_40D.jpg"), source + "/deeper/b.jpg");
    QFile::copy(testPhoto("cameras/Canon_40D.jpg"), root() + "/top.jpg");
    QDir().mkpath(root() + "/empty");
    const QString line = "Source: " + QDir::toNativeSeparators(root()) + " — ";
    BatchDialog dialog(engine, root());
    // The photos of the sub-folders photos and empty, not deeper's; the one
    // beside them is named, as the batch leaves it.
    EXPECT_EQ(dialog.sourceLabel()->toolTip(), line + "2 photos in 1 folder, not the 1 in the folder itself");
    dialog.recursiveCheck()->click();
    EXPECT_EQ(dialog.sourceLabel()->toolTip(), line + "4 photos in 3 folders");
    EXPECT_TRUE(dialog.sourceLabel()->text().endsWith(" — 4 photos in 3 folders"));
    run(dialog);
    EXPECT_EQ(dialog.report().total, 4);
    EXPECT_TRUE(QFile::exists(settings.targetFolder + "/Images/photos/deeper/b.jpg"));
    EXPECT_TRUE(QFile::exists(settings.targetFolder + "/Images/" + QFileInfo(root()).fileName() + "/top.jpg"));

    // The broken photo gave no output: it is the one left to treat.
    BatchDialog again(engine, root());
    again.recursiveCheck()->click();
    again.skipExistingCheck()->click();
    EXPECT_EQ(again.sourceLabel()->toolTip(), line + "1 photo in 1 folder (3 saved already)");
    run(again);
    EXPECT_EQ(again.report().skipped, 3);
    EXPECT_EQ(again.report().treated, 0);
}

TEST_F(BatchDialogTest, TheOverwriteBoxLetsTheBatchReplaceFilesItDidNotWrite)
{
    // The user's own file where the photo's output goes.
    const QString mine = settings.targetFolder + "/Images/photos/Canon_40D.jpg";
    ASSERT_TRUE(writeFile(mine, "the user's own photo"));
    BatchDialog first(engine, root());
    run(first);
    EXPECT_EQ(readFile(mine), "the user's own photo");
    QStringList reasons; // with the broken photo's
    for (const BatchReport::Entry& failure : first.report().failures)
        reasons << failure.text;
    EXPECT_TRUE(reasons.contains(
        mine + " exists and was not written by Quillon; check \"Replace files not written by Quillon\" to replace it"))
        << reasons.join('\n').toStdString();

    // Checked for one batch; the next dialog opens with it off again.
    BatchDialog second(engine, root());
    second.overwriteCheck()->click();
    run(second);
    EXPECT_EQ(second.report().treated, 1);
    EXPECT_NE(readFile(mine), "the user's own photo");
    EXPECT_FALSE(BatchDialog(engine, root()).overwriteCheck()->isChecked());
}

TEST_F(BatchDialogTest, TheControlsShowWholeTabFollowsTheirOrderAndTheFieldsTakeTheWidth)
{
    using namespace DialogLayoutCheck;
    // A folder name long enough to be cut in the source line.
    source = root() + "/" + QString(60, QLatin1Char('p'));
    QDir().mkpath(source);
    QFile::copy(testPhoto("cameras/Canon_40D.jpg"), source + "/Canon_40D.jpg");
    addPhotos();
    BatchDialog dialog(engine, source);
    dialog.setJobs(1);
    dialog.show();
    Controls tabbed { { "Destination field", dialog.targetFolderEdit() }, { "Apply Filter", dialog.filterCheck() },
        { "Go", dialog.goButton() }, { "Skip", dialog.skipExistingCheck() }, { "Sub-folders", dialog.recursiveCheck() },
        { "Replace", dialog.overwriteCheck() } };
    Controls controls = tabbed;
    controls += Controls { { "folder icon", dialog.folderIcon() }, { "source line", dialog.sourceLabel() },
        { "progress text", dialog.progressText() }, { "progress bar", dialog.progressBar() },
        { "Cancel", dialog.cancelButton() } };
    for (const QLabel* caption : dialog.findChildren<QLabel*>())
        if (!caption->text().isEmpty() && caption != dialog.sourceLabel())
            controls.append({ caption->text(), caption });
    EXPECT_EQ(problems(&dialog, controls), QStringList());
    EXPECT_EQ(tabOrderFaults(&dialog, tabbed), QStringList());

    // Wider, the field and the source line take the room, and the folder
    // shows whole once it fits.
    const QString line = dialog.sourceLabel()->toolTip();
    EXPECT_NE(dialog.sourceLabel()->text(), line);
    const int field = dialog.targetFolderEdit()->width();
    dialog.resize(dialog.width() + 400, dialog.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.sourceLabel()->text() == line; }, Guard));
    EXPECT_EQ(dialog.targetFolderEdit()->width(), field + 400);

    // The progress row shows whole as well, with Cancel in the tab order
    // in place of Go, which is hidden.
    QStringList running;
    actWhenReported(dialog, 1, [&] {
        tabbed[2] = { "Cancel", dialog.cancelButton() };
        running = problems(&dialog, controls) + tabOrderFaults(&dialog, tabbed);
        dialog.cancelButton()->click();
    });
    run(dialog);
    EXPECT_EQ(running, QStringList());
}
