#include "ui/BatchDialog.h"
#include "DialogLayoutCheck.h"
#include "support/TestSupport.h"
#include "ui/StandardDialogs.h"
#include "workflow/PhotoEngine.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
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
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Only keeps a broken build from hanging: no test waits this long.
constexpr int Guard = 120'000;

class BatchDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedPickers = StandardDialogs::shared().pickers;
        m_savedHook = BatchDialog::setSummaryHook([this](QMessageBox& box) {
            messages << box.text();
            titles << box.windowTitle();
            details << box.detailedText();
            icons << box.icon();
            boxHeight = box.sizeHint().height();
            // The box is shown with the normal pointer.
            cursorDuringMessage = QApplication::overrideCursor() != nullptr;
        });
        SettingsFile::load(m_dir.filePath("config.ini"), settings);
        settings.targetFolder = m_dir.filePath("out");
        engine.applyDateStyle();

        // One sound photo and one that is no photo at all.
        source = m_dir.filePath("photos");
        QDir().mkpath(source);
        QFile::copy(testPhoto("cameras/Canon_40D.jpg"), source + "/Canon_40D.jpg");
        QFile broken(source + "/broken.jpg");
        broken.open(QIODevice::WriteOnly);
        broken.write("this is text, not a JPEG\n");
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
            stopping->tryAcquire(1, Guard);
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
    QStringList messages;
    QStringList titles;
    QStringList details;
    QList<QMessageBox::Icon> icons;
    int boxHeight = 0;
    bool cursorDuringMessage = true;

private:
    QTemporaryDir m_dir;
    StandardDialogs::Pickers m_savedPickers;
    BatchDialog::SummaryHook m_savedHook;
};

} // namespace

TEST_F(BatchDialogTest, ABatchWithABrokenPhotoReportsItAndGivesThePointerBack)
{
    BatchDialog dialog(engine, source);
    QList<bool> running;
    QObject::connect(&dialog, &BatchDialog::batchRunning, [&](bool on) { running << on; });
    dialog.show();
    EXPECT_EQ(dialog.targetFolderEdit()->text(), settings.targetFolder);
    const QString target = settings.targetFolder + "2";
    dialog.targetFolderEdit()->setText(target);

    bool cursorDuringBatch = false;
    int progressMaximum = 0;
    // Looks at the dialog while the batch is between two photos.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        cursorDuringBatch = cursorDuringBatch || QApplication::overrideCursor() != nullptr;
        progressMaximum = std::max(progressMaximum, dialog.progressBar()->maximum());
    });
    probe.start(0);
    QSignalSpy ended(&dialog, &QDialog::finished);
    dialog.goButton()->click();
    ASSERT_TRUE(ended.wait(Guard));
    probe.stop();

    EXPECT_EQ(settings.targetFolder, target);
    EXPECT_TRUE(cursorDuringBatch);
    EXPECT_EQ(progressMaximum, 2);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(cursorDuringMessage);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());

    EXPECT_EQ(dialog.report().treated, 1);
    ASSERT_EQ(dialog.report().failures.size(), 1);
    EXPECT_TRUE(QFile::exists(target + "/Images/photos/Canon_40D.jpg"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("1 of 2 photos treated, 1 failed.")) << messages[0].toStdString();
    // The counts come first; each photo's line is in the details.
    EXPECT_TRUE(details[0].contains("broken.jpg: ")) << details[0].toStdString();
    EXPECT_EQ(icons[0], QMessageBox::Warning);
    EXPECT_EQ(titles[0], "Batch Transform");

    // The window heard when to lock its photo commands and when to give
    // them back.
    EXPECT_EQ(running, QList<bool>({ true, false }));
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
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains("stopped before the end"));
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
    EXPECT_EQ(messages.size(), 2);
}

TEST_F(BatchDialogTest, TheWindowAnswersWhileTheBatchRunsAndCannotStartASecondOne)
{
    BatchDialog dialog(engine, source);
    QList<int> progress;
    QObject::connect(dialog.progressBar(), &QProgressBar::valueChanged, [&](int done) { progress << done; });
    QSignalSpy ended(&dialog, &QDialog::finished);
    dialog.goButton()->click();
    // Go has returned with the batch under way.
    EXPECT_TRUE(dialog.isRunning());
    EXPECT_TRUE(dialog.goButton()->isHidden());
    EXPECT_FALSE(dialog.filterCheck()->isEnabled());
    dialog.start();
    ASSERT_TRUE(ended.wait(Guard));
    EXPECT_FALSE(dialog.isRunning());
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    // One batch, reported photo by photo, then summed up once.
    EXPECT_EQ(dialog.report().total, 2);
    EXPECT_EQ(progress.last(), 2);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("1 of 2 photos treated, 1 failed.")) << messages[0].toStdString();
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
    QList<bool> running;
    QObject::connect(dialog, &BatchDialog::batchRunning, [&](bool on) { running << on; });
    bool endedWithTheClose = false;
    actWhenReported(*dialog, 1, [&] {
        window.close();
        endedWithTheClose = !dialog->isRunning();
    });
    run(*dialog);
    EXPECT_TRUE(endedWithTheClose);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(dialog->report().cancelled);
    EXPECT_EQ(dialog->report().treated, 1);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(running, QList<bool>({ true, false }));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A dialog destroyed in the middle of a batch waits for it first.
    {
        BatchDialog doomed(engine, source);
        doomed.start();
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(BatchDialogTest, TheFolderIconBrowsesAndTheBoxShowsAndSetsTheFilterFlag)
{
    QString chosen;
    QString title;
    StandardDialogs::shared().pickers.folder = [&](const QString& t) {
        title = t;
        return chosen;
    };
    settings.batchFilter = true;
    BatchDialog dialog(engine, source);
    dialog.show();
    EXPECT_TRUE(dialog.filterCheck()->isChecked());
    dialog.filterCheck()->click();
    EXPECT_FALSE(settings.batchFilter);

    const QString before = dialog.targetFolderEdit()->text();
    QTest::mouseClick(dialog.folderIcon(), Qt::LeftButton);
    EXPECT_EQ(title, "Choose a folder");
    EXPECT_EQ(dialog.targetFolderEdit()->text(), before);
    chosen = "/tmp/batch-out";
    QTest::mouseClick(dialog.folderIcon(), Qt::LeftButton);
    EXPECT_EQ(dialog.targetFolderEdit()->text(), "/tmp/batch-out");
    // Nothing is stored before Go.
    EXPECT_NE(settings.targetFolder, "/tmp/batch-out");
}

TEST_F(BatchDialogTest, TheSummaryFitsTheScreenWithItsLinesInDetailsAndSaysWhatHappenedToEachPhoto)
{
    // Sixty failures: the box keeps its size, the lines scroll in its details.
    for (int i = 0; i < 59; ++i)
        writeFile(source + QStringLiteral("/broken%1.jpg").arg(i, 2, 10, QLatin1Char('0')), "not a JPEG");
    BatchDialog many(engine, source);
    run(many);
    ASSERT_EQ(messages.size(), 1);
    // The counts first: the one photo written needs a word (its stamp).
    EXPECT_EQ(messages[0].toStdString(), "1 of 61 photos treated, 60 failed.\n1 note on the photos written.");
    EXPECT_EQ(details[0].count(".jpg: Cannot open the picture"), 60) << details[0].toStdString();
    EXPECT_EQ(icons[0], QMessageBox::Warning);
    EXPECT_LE(boxHeight, QGuiApplication::primaryScreen()->availableGeometry().height());

    // A photo without a date is written without a stamp and named, through
    // the parallel runner as well: a note, not a failure.
    const QString undated = root() + "/undated";
    QDir().mkpath(undated);
    for (const char* name : { "Canon_40D.jpg", "PaintTool_sample.jpg", "Nikon_D70.jpg" })
        QFile::copy(testPhoto(QStringLiteral("cameras/") + name), undated + '/' + name);
    BatchDialog notes(engine, undated);
    notes.setJobs(2);
    run(notes);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].startsWith("3 of 3 photos treated.\n")) << messages[1].toStdString();
    EXPECT_TRUE(details[1].contains(
        QDir::toNativeSeparators(undated + "/PaintTool_sample.jpg") + ": no date in the photo: saved without a stamp"))
        << details[1].toStdString();
    EXPECT_EQ(icons[1], QMessageBox::Information);
}

TEST_F(BatchDialogTest, AnOutputFolderThatCannotBeWrittenStopsTheBatchBeforeItsFirstPhoto)
{
    // A file stands where the target's Images folder should be.
    writeFile(settings.targetFolder + "/Images", "a file");
    BatchDialog dialog(engine, source);
    run(dialog);
    EXPECT_EQ(dialog.report().treated, 0);
    EXPECT_TRUE(dialog.report().failures.isEmpty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0],
        "Cannot write into " + QDir::toNativeSeparators(settings.targetFolder + "/Images/photos")
            + ": Not a directory\nNo photo was treated.");
    EXPECT_EQ(icons[0], QMessageBox::Warning);
    EXPECT_FALSE(QFile::exists(settings.targetFolder + "/Miniatures/photos/Canon_40D.jpg"));
}

TEST_F(BatchDialogTest, TheSourceLineCountsWhatTheChoicesLeaveToTreatAndTheBatchTreatsThat)
{
    QDir().mkpath(source + "/deeper");
    QFile::copy(testPhoto("cameras/Canon_40D.jpg"), source + "/deeper/b.jpg");
    QDir().mkpath(root() + "/empty");
    BatchDialog dialog(engine, root());
    const auto line = [&] { return dialog.sourceLabel()->toolTip(); };
    const QString folder = QDir::toNativeSeparators(root());
    // The sub-folders photos and empty; their photos only, not deeper's.
    EXPECT_EQ(line(), "Source: " + folder + " — 2 photos in 1 folder");
    dialog.recursiveCheck()->click();
    EXPECT_EQ(line(), "Source: " + folder + " — 3 photos in 2 folders");
    EXPECT_TRUE(dialog.sourceLabel()->text().endsWith(" — 3 photos in 2 folders"));

    BatchDialog first(engine, root());
    first.recursiveCheck()->click();
    run(first);
    EXPECT_EQ(first.report().total, 3); // photos/Canon_40D, photos/broken, photos/deeper/b
    EXPECT_TRUE(QFile::exists(settings.targetFolder + "/Images/photos/deeper/b.jpg"));
    BatchDialog again(engine, root());
    again.recursiveCheck()->click();
    again.skipExistingCheck()->click();
    // The broken photo gave no output: it is the one left to treat.
    EXPECT_EQ(again.sourceLabel()->toolTip(), "Source: " + folder + " — 1 photo in 1 folder (2 saved already)");
    again.skipExistingCheck()->click();
    EXPECT_EQ(again.sourceLabel()->toolTip(), "Source: " + folder + " — 3 photos in 2 folders");
    again.skipExistingCheck()->click();
    run(again);
    EXPECT_EQ(again.report().skipped, 2);
    EXPECT_EQ(again.report().treated, 0);
}

TEST_F(BatchDialogTest, TheSourceLineCountsThePhotosBesideTheSubFoldersAsTheBatchWillTreatThem)
{
    QFile::copy(testPhoto("cameras/Canon_40D.jpg"), root() + "/top.jpg");
    BatchDialog dialog(engine, root());
    const QString folder = QDir::toNativeSeparators(root());
    EXPECT_EQ(dialog.sourceLabel()->toolTip(),
        "Source: " + folder + " — 2 photos in 1 folder, not the 1 in the folder itself");
    dialog.recursiveCheck()->click();
    EXPECT_EQ(dialog.sourceLabel()->toolTip(), "Source: " + folder + " — 3 photos in 2 folders");
    run(dialog);
    EXPECT_EQ(dialog.report().total, 3);
    EXPECT_TRUE(QFile::exists(settings.targetFolder + "/Images/" + QFileInfo(root()).fileName() + "/top.jpg"));
}

TEST_F(BatchDialogTest, TheOverwriteBoxLetsTheBatchReplaceFilesItDidNotWrite)
{
    // The user's own file where the photo's output goes.
    const QString mine = settings.targetFolder + "/Images/photos/Canon_40D.jpg";
    ASSERT_TRUE(writeFile(mine, "the user's own photo"));
    BatchDialog first(engine, root());
    EXPECT_FALSE(first.overwriteCheck()->isChecked());
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
    Controls controls { { "Destination field", dialog.targetFolderEdit() }, { "folder icon", dialog.folderIcon() },
        { "Apply Filter", dialog.filterCheck() }, { "Go", dialog.goButton() }, { "Skip", dialog.skipExistingCheck() },
        { "Sub-folders", dialog.recursiveCheck() }, { "Replace", dialog.overwriteCheck() },
        { "source line", dialog.sourceLabel() }, { "progress text", dialog.progressText() },
        { "progress bar", dialog.progressBar() }, { "Cancel", dialog.cancelButton() } };
    for (const QLabel* caption : dialog.findChildren<QLabel*>())
        if (!caption->text().isEmpty() && caption != dialog.sourceLabel())
            controls.append({ caption->text(), caption });
    EXPECT_EQ(problems(&dialog, controls), QStringList());
    EXPECT_GE(dialog.width(), 4485 / BatchDialog::TwipsPerPixel);
    Controls tabbed { { "Destination field", dialog.targetFolderEdit() }, { "Apply Filter", dialog.filterCheck() },
        { "Go", dialog.goButton() }, { "Skip", dialog.skipExistingCheck() }, { "Sub-folders", dialog.recursiveCheck() },
        { "Replace", dialog.overwriteCheck() } };
    EXPECT_EQ(tabOrderFaults(&dialog, tabbed), QStringList());

    // Wider, the field and the source line take the room, and the folder
    // shows whole once it fits.
    const QString line = dialog.sourceLabel()->toolTip();
    EXPECT_NE(dialog.sourceLabel()->text(), line);
    const int field = dialog.targetFolderEdit()->width();
    dialog.resize(dialog.width() + 400, dialog.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.sourceLabel()->text() == line; }, Guard));
    EXPECT_EQ(dialog.targetFolderEdit()->width(), field + 400);

    // The progress row shows whole as well, with Cancel in the tab order.
    QStringList running;
    QStringList runningTabs;
    actWhenReported(dialog, 1, [&] {
        running = problems(&dialog, controls);
        tabbed.removeAt(2); // Go is hidden
        tabbed.append({ "Cancel", dialog.cancelButton() });
        runningTabs = tabOrderFaults(&dialog, tabbed);
        dialog.cancelButton()->click();
    });
    run(dialog);
    EXPECT_EQ(running, QStringList());
    EXPECT_EQ(runningTabs, QStringList());
}
