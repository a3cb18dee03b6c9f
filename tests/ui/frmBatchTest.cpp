#include "ui/frmBatch.h"
#include "support/TestSupport.h"
#include "ui/cOpen.h"
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
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class frmBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedPickers = cOpen::shared().pickers;
        m_savedHook = frmBatch::setSummaryHook([this](QMessageBox& box) {
            messages << box.text();
            titles << box.windowTitle();
            details << box.detailedText();
            icons << box.icon();
            boxHeight = box.sizeHint().height();
            // The box is shown with the normal pointer.
            cursorDuringMessage = QApplication::overrideCursor() != nullptr;
        });
        mMain::LoadSettingsRecord(m_dir.filePath("config.ini"), settings);
        settings.TargetFolder = m_dir.filePath("out");
        engine.ApplyDateStyle();

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
        frmBatch::setSummaryHook(m_savedHook);
        cOpen::shared().pickers = m_savedPickers;
    }

    // The folder that holds the photos' folder and the target.
    QString root() const { return m_dir.path(); }

    SettingsRecord settings;
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
    cOpen::Pickers m_savedPickers;
    frmBatch::SummaryHook m_savedHook;
};

} // namespace

TEST_F(frmBatchTest, ABatchWithABrokenPhotoReportsItAndGivesThePointerBack)
{
    frmBatch dialog(engine, source);
    QList<bool> running;
    QObject::connect(&dialog, &frmBatch::batchRunning, [&](bool on) { running << on; });
    dialog.show();
    EXPECT_EQ(dialog.txtCible()->text(), settings.TargetFolder);
    const QString target = settings.TargetFolder + "2";
    dialog.txtCible()->setText(target);

    bool cursorDuringBatch = false;
    int progressMaximum = 0;
    // Looks at the dialog while the batch is between two photos.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        cursorDuringBatch = cursorDuringBatch || QApplication::overrideCursor() != nullptr;
        progressMaximum = std::max(progressMaximum, dialog.progressBar()->maximum());
    });
    probe.start(0);
    dialog.Command1()->click();
    probe.stop();

    EXPECT_EQ(settings.TargetFolder, target);
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

TEST_F(frmBatchTest, CancelStopsTheBatchWithNoPhotoStartedAfterIt)
{
    // Cancel is pressed as soon as the batch lets the window run: before
    // the first photo.
    {
        frmBatch dialog(engine, source);
        QTimer::singleShot(0, dialog.cmdCancel(), &QPushButton::click);
        dialog.Go();
        EXPECT_TRUE(dialog.report().cancelled);
        EXPECT_EQ(dialog.report().treated, 0);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains("stopped before the end"));
    }

    // Pressed while the first photo is reported, one photo at a time: that
    // photo is the last.
    for (const char* name : { "a.jpg", "c.jpg", "d.jpg" })
        QFile::copy(testPhoto("cameras/Canon_40D.jpg"), source + "/" + name);
    frmBatch dialog(engine, source);
    dialog.setJobs(1);
    QObject::connect(dialog.progressBar(), &QProgressBar::valueChanged, [&](int done) {
        if (done == 1) dialog.cmdCancel()->click();
    });
    dialog.Go();
    EXPECT_TRUE(dialog.report().cancelled);
    EXPECT_EQ(dialog.report().treated, 1);
    EXPECT_EQ(QDir(settings.TargetFolder + "/Images/photos").entryList(QDir::Files), QStringList({ "a.jpg" }));
}

TEST_F(frmBatchTest, TheFolderIconBrowsesAndTheBoxShowsAndSetsTheFilterFlag)
{
    QString chosen;
    QString title;
    cOpen::shared().pickers.folder = [&](const QString& t) {
        title = t;
        return chosen;
    };
    settings.BatchFilter = true;
    frmBatch dialog(engine, source);
    dialog.show();
    EXPECT_TRUE(dialog.Check1()->isChecked());
    dialog.Check1()->click();
    EXPECT_FALSE(settings.BatchFilter);

    const QString before = dialog.txtCible()->text();
    QTest::mouseClick(dialog.Image1(), Qt::LeftButton);
    EXPECT_EQ(title, "Choose a folder");
    EXPECT_EQ(dialog.txtCible()->text(), before);
    chosen = "/tmp/batch-out";
    QTest::mouseClick(dialog.Image1(), Qt::LeftButton);
    EXPECT_EQ(dialog.txtCible()->text(), "/tmp/batch-out");
    // Nothing is stored before Go.
    EXPECT_NE(settings.TargetFolder, "/tmp/batch-out");
}

TEST_F(frmBatchTest, TheSummaryFitsTheScreenWithItsLinesInDetailsAndSaysWhatHappenedToEachPhoto)
{
    // Sixty failures: the box keeps its size, the lines scroll in its details.
    for (int i = 0; i < 59; ++i)
        writeFile(source + QStringLiteral("/broken%1.jpg").arg(i, 2, 10, QLatin1Char('0')), "not a JPEG");
    frmBatch many(engine, source);
    many.Go();
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
    frmBatch notes(engine, undated);
    notes.setJobs(2);
    notes.Go();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].startsWith("3 of 3 photos treated.\n")) << messages[1].toStdString();
    EXPECT_TRUE(details[1].contains(
        QDir::toNativeSeparators(undated + "/PaintTool_sample.jpg") + ": no date in the photo: saved without a stamp"))
        << details[1].toStdString();
    EXPECT_EQ(icons[1], QMessageBox::Information);
}

TEST_F(frmBatchTest, AnOutputFolderThatCannotBeWrittenStopsTheBatchBeforeItsFirstPhoto)
{
    // A file stands where the target's Images folder should be.
    writeFile(settings.TargetFolder + "/Images", "a file");
    frmBatch dialog(engine, source);
    dialog.Go();
    EXPECT_EQ(dialog.report().treated, 0);
    EXPECT_TRUE(dialog.report().failures.isEmpty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0],
        "Cannot write into " + QDir::toNativeSeparators(settings.TargetFolder + "/Images/photos")
            + ": Not a directory\nNo photo was treated.");
    EXPECT_EQ(icons[0], QMessageBox::Warning);
    EXPECT_FALSE(QFile::exists(settings.TargetFolder + "/Miniatures/photos/Canon_40D.jpg"));
}

TEST_F(frmBatchTest, TheSourceLineCountsWhatTheChoicesLeaveToTreatAndTheBatchTreatsThat)
{
    QDir().mkpath(source + "/deeper");
    QFile::copy(testPhoto("cameras/Canon_40D.jpg"), source + "/deeper/b.jpg");
    QDir().mkpath(root() + "/empty");
    frmBatch dialog(engine, root());
    const auto line = [&] { return dialog.lblSource()->toolTip(); };
    const QString folder = QDir::toNativeSeparators(root());
    // The sub-folders photos and empty; their photos only, not deeper's.
    EXPECT_EQ(line(), "Source: " + folder + " — 2 photos in 1 folder");
    dialog.chkRecursive()->click();
    EXPECT_EQ(line(), "Source: " + folder + " — 3 photos in 2 folders");
    EXPECT_TRUE(dialog.lblSource()->text().endsWith(" — 3 photos in 2 folders"));

    frmBatch first(engine, root());
    first.chkRecursive()->click();
    first.Go();
    EXPECT_EQ(first.report().total, 3); // photos/Canon_40D, photos/broken, photos/deeper/b
    EXPECT_TRUE(QFile::exists(settings.TargetFolder + "/Images/photos/deeper/b.jpg"));
    frmBatch again(engine, root());
    again.chkRecursive()->click();
    again.chkSkipExisting()->click();
    // The broken photo gave no output: it is the one left to treat.
    EXPECT_EQ(again.lblSource()->toolTip(), "Source: " + folder + " — 1 photo in 1 folder (2 saved already)");
    again.chkSkipExisting()->click();
    EXPECT_EQ(again.lblSource()->toolTip(), "Source: " + folder + " — 3 photos in 2 folders");
    again.chkSkipExisting()->click();
    again.Go();
    EXPECT_EQ(again.report().skipped, 2);
    EXPECT_EQ(again.report().treated, 0);
}

TEST_F(frmBatchTest, TheSourceLineCountsThePhotosBesideTheSubFoldersAsTheBatchWillTreatThem)
{
    QFile::copy(testPhoto("cameras/Canon_40D.jpg"), root() + "/top.jpg");
    frmBatch dialog(engine, root());
    const QString folder = QDir::toNativeSeparators(root());
    EXPECT_EQ(
        dialog.lblSource()->toolTip(), "Source: " + folder + " — 2 photos in 1 folder, not the 1 in the folder itself");
    dialog.chkRecursive()->click();
    EXPECT_EQ(dialog.lblSource()->toolTip(), "Source: " + folder + " — 3 photos in 2 folders");
    dialog.Go();
    EXPECT_EQ(dialog.report().total, 3);
    EXPECT_TRUE(QFile::exists(settings.TargetFolder + "/Images/" + QFileInfo(root()).fileName() + "/top.jpg"));
}

TEST_F(frmBatchTest, TheOverwriteBoxLetsTheBatchReplaceFilesItDidNotWrite)
{
    // The user's own file where the photo's output goes.
    const QString mine = settings.TargetFolder + "/Images/photos/Canon_40D.jpg";
    ASSERT_TRUE(writeFile(mine, "the user's own photo"));
    frmBatch first(engine, root());
    EXPECT_FALSE(first.chkOverwrite()->isChecked());
    first.Go();
    EXPECT_EQ(readFile(mine), "the user's own photo");
    QStringList reasons; // with the broken photo's
    for (const BatchReport::Entry& failure : first.report().failures)
        reasons << failure.text;
    EXPECT_TRUE(reasons.contains(
        mine + " exists and was not written by Quillon; check \"Replace files not written by Quillon\" to replace it"))
        << reasons.join('\n').toStdString();

    // Checked for one batch; the next dialog opens with it off again.
    frmBatch second(engine, root());
    second.chkOverwrite()->click();
    second.Go();
    EXPECT_EQ(second.report().treated, 1);
    EXPECT_NE(readFile(mine), "the user's own photo");
    EXPECT_FALSE(frmBatch(engine, root()).chkOverwrite()->isChecked());
}
