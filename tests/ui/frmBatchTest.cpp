#include "ui/frmBatch.h"
#include "platform/MessageBox.h"
#include "support/TestSupport.h"
#include "ui/cOpen.h"
#include "workflow/PhotoEngine.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
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
        m_savedHook = MessageBox::setHook([this](const QString& text, const QString& title) {
            messages << text;
            titles << title;
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
        MessageBox::setHook(m_savedHook);
        cOpen::shared().pickers = m_savedPickers;
    }

    // The folder that holds the photos' folder and the target.
    QString root() const { return m_dir.path(); }

    SettingsRecord settings;
    PhotoEngine engine { settings };
    QString source;
    QStringList messages;
    QStringList titles;
    bool cursorDuringMessage = true;

private:
    QTemporaryDir m_dir;
    cOpen::Pickers m_savedPickers;
    MessageBox::Hook m_savedHook;
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
    EXPECT_TRUE(messages[0].contains("broken.jpg"));
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

TEST_F(frmBatchTest, SkipAndSubFolderChoicesReachTheBatch)
{
    QDir().mkpath(source + "/deeper");
    QFile::copy(testPhoto("cameras/Canon_40D.jpg"), source + "/deeper/b.jpg");
    frmBatch first(engine, root());
    EXPECT_FALSE(first.chkRecursive()->isChecked());
    EXPECT_FALSE(first.chkSkipExisting()->isChecked());
    EXPECT_EQ(first.chkRecursive()->text(), "Include all sub-folders");
    EXPECT_EQ(first.chkSkipExisting()->text(), "Skip photos already saved");
    first.chkRecursive()->click();
    first.Go();
    EXPECT_EQ(first.report().total, 3); // photos/Canon_40D, photos/broken, photos/deeper/b
    EXPECT_TRUE(QFile::exists(settings.TargetFolder + "/Images/photos/deeper/b.jpg"));

    frmBatch again(engine, root());
    again.chkRecursive()->click();
    again.chkSkipExisting()->click();
    again.Go();
    EXPECT_EQ(again.report().skipped, 2);
    EXPECT_EQ(again.report().treated, 0);
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
