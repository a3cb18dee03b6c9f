#include "ui/MainWindow.h"

#include "platform/MessageBox.h"
#include "support/TestSupport.h"
#include "ui/DateStyleDialog.h"
#include "ui/ExifWindow.h"
#include "ui/FolderList.h"
#include "ui/PictureView.h"
#include "ui/PreviewViewport.h"
#include "ui/StandardDialogs.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The main window's behaviour around its dialogs, menus and status bar, as a
// user meets it.
namespace {

class FaultsForm : public MainWindow {
public:
    using MainWindow::MainWindow;

    // The folder each Batch Save opened its dialog on.
    QStringList batchFolders;

protected:
    void showBatchDialog() override { batchFolders << folderList->path(); }
};

class WindowFaultsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QStringList messages;
    QStringList questions;
    QList<int> answers;
    std::unique_ptr<FaultsForm> form;
    MessageBox::Hook outerHook;
    MessageBox::QuestionHook outerQuestionHook;

    QString iniPath() const { return dir.filePath(QStringLiteral("config.ini")); }
    QString out() const { return dir.filePath(QStringLiteral("out")); }

    FaultsForm& start()
    {
        form.reset();
        form = std::make_unique<FaultsForm>(iniPath(), out());
        outerHook
            = MessageBox::setHook([this](const QString& text, const QString&, MessageBox::Kind) { messages << text; });
        outerQuestionHook
            = MessageBox::setQuestionHook([this](const QString& text, const QStringList&, int, const QString&) {
                  questions << text;
                  return answers.isEmpty() ? -1 : answers.takeFirst();
              });
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return *form;
    }

    void TearDown() override
    {
        if (!form) return;
        MessageBox::setHook(outerHook);
        MessageBox::setQuestionHook(outerQuestionHook);
        form.reset();
    }

    void openPhoto(const QString& path)
    {
        ASSERT_TRUE(form->openPath(path));
        ASSERT_EQ(form->windowTitle(), QFileInfo(path).fileName() + QStringLiteral(" — Quillon"));
    }

    QList<QAction*> ticked() const
    {
        QList<QAction*> items;
        for (QAction* item : form->sizeMenu->actions())
            if (item->isChecked()) items << item;
        return items;
    }
};

} // namespace

TEST_F(WindowFaultsTest, TheSizeMenuTicksTheSizeInUse)
{
    ASSERT_TRUE(writeFile(iniPath(), "[COEF]\npreview=0.5\n"));
    FaultsForm& f = start();
    EXPECT_EQ(ticked(), QList<QAction*> { f.size50Action });
    // Chosen twice, an item stays ticked; before any photo as with one.
    f.size80Action->trigger();
    f.size80Action->trigger();
    EXPECT_EQ(ticked(), QList<QAction*> { f.size80Action });
    openPhoto(testPhoto(QStringLiteral("cameras/Canon_PowerShot_S40.jpg")));
    f.size25Action->trigger();
    EXPECT_EQ(ticked(), QList<QAction*> { f.size25Action });

    // The preview keeps its frame once effects show the working image.
    f.lightenAction->trigger();
    ASSERT_TRUE(f.displayView->isVisible());
    EXPECT_TRUE(f.previewViewport->isVisible());
    EXPECT_TRUE(f.previewViewport->client()->isAncestorOf(f.displayView));
    EXPECT_EQ(f.displayView->geometry(), f.previewImage->geometry());
}

TEST_F(WindowFaultsTest, SaveAsBmpOpensBesideThePhotoUnderItsName)
{
    const QString photo = dir.filePath(QStringLiteral("card/IMG_0001.JPG"));
    ASSERT_TRUE(writeFile(photo, readFile(testPhoto(QStringLiteral("cameras/Canon_PowerShot_S40.jpg")))));
    StandardDialogs& dialogs = StandardDialogs::shared();
    const auto pickers = dialogs.pickers;
    const auto restore = qScopeGuard([&] { dialogs.pickers = pickers; });
    StandardDialogs::FileRequest asked;
    // The user types a name without an extension.
    dialogs.pickers.file = [&](const StandardDialogs::FileRequest& request) {
        asked = request;
        return std::optional(StandardDialogs::FileAnswer { dir.filePath(QStringLiteral("card/stamped")), 1 });
    };
    FaultsForm& f = start();
    openPhoto(photo);
    f.saveBmpAction->trigger();

    EXPECT_EQ(asked.folder.toStdString(), dir.filePath(QStringLiteral("card/IMG_0001.bmp")).toStdString());
    ASSERT_EQ(asked.filters.size(), 1);
    EXPECT_TRUE(asked.filters[0].endsWith(QLatin1String("(*.bmp)"))) << asked.filters[0].toStdString();
    EXPECT_EQ(QImageReader(dir.filePath(QStringLiteral("card/stamped.bmp"))).format(), "bmp");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("card/stamped"))));
}

TEST_F(WindowFaultsTest, AChangeOfFolderClearsThePreviewAndBatchSaveTreatsTheFolderShown)
{
    FaultsForm& f = start();
    const QString cameras = testPhoto(QStringLiteral("cameras"));
    const QString orientation = testPhoto(QStringLiteral("orientation"));

    // No photo yet: the batch starts all the same.
    ASSERT_TRUE(f.folderList->setPath(cameras));
    f.batchSaveAction->trigger();
    openPhoto(cameras + QStringLiteral("/DSCN0010.jpg"));
    f.lightenAction->trigger();

    ASSERT_TRUE(f.folderList->setPath(orientation));
    EXPECT_EQ(f.windowTitle().toStdString(), "Quillon");
    EXPECT_FALSE(f.previewViewport->isVisible());
    EXPECT_FALSE(f.displayView->isVisible());
    EXPECT_EQ(f.photoSizeLabel->text().toStdString(), "");
    f.batchSaveAction->trigger();
    const auto canonical = [](const QString& folder) { return QFileInfo(folder).canonicalFilePath().toStdString(); };
    ASSERT_EQ(f.batchFolders.size(), 2);
    EXPECT_EQ(canonical(f.batchFolders[0]), canonical(cameras));
    EXPECT_EQ(canonical(f.batchFolders[1]), canonical(orientation));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(WindowFaultsTest, SavesNameBothFoldersAndAMissingDate)
{
    // Qt's writer leaves a photo without EXIF, and so without a date.
    const QString photo = dir.filePath(QStringLiteral("card/undated.jpg"));
    ASSERT_TRUE(writeFile(photo, smallJpeg(160, 120)));
    FaultsForm& f = start();
    openPhoto(photo);
    f.saveJpgAction->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage().toStdString(),
        QStringLiteral("Saved undated.jpg to %1/Images and its thumbnail to %1/Miniatures").arg(out()).toStdString());
    EXPECT_EQ(messages.join('|').toStdString(), "undated.jpg: no date in the photo: saved without a stamp.");
}

TEST_F(WindowFaultsTest, TheReplaceQuestionSaysWhoWroteTheFileInTheWay)
{
    const QString name = QStringLiteral("IMG_0001.JPG");
    const QString card1 = dir.filePath(QStringLiteral("card1/") + name);
    const QString card2 = dir.filePath(QStringLiteral("card2/") + name);
    ASSERT_TRUE(writeFile(card1, readFile(testPhoto(QStringLiteral("cameras/Canon_PowerShot_S40.jpg")))));
    ASSERT_TRUE(writeFile(card2, readFile(testPhoto(QStringLiteral("cameras/DSCN0010.jpg")))));
    ASSERT_TRUE(writeFile(out() + QStringLiteral("/Images/IMG_0002.JPG"), "someone else's file"));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("card1/IMG_0002.JPG")), readFile(card1)));

    start();
    openPhoto(card1);
    form->saveJpgAction->trigger();
    // A later run replaces its own output of the same photo unasked.
    FaultsForm& f = start();
    openPhoto(card1);
    f.saveJpgAction->trigger();
    EXPECT_TRUE(questions.isEmpty()) << questions.join('\n').toStdString();

    const struct {
        QString photo;
        const char* says;
    } cases[] = {
        { card2, "an output Quillon saved from another photo" },
        { dir.filePath(QStringLiteral("card1/IMG_0002.JPG")), "a file Quillon did not write" },
    };
    for (const auto& c : cases) {
        questions.clear();
        openPhoto(c.photo);
        answers = { 2 }; // Cancel
        f.saveJpgAction->trigger();
        ASSERT_EQ(questions.size(), 1) << c.says;
        EXPECT_TRUE(questions[0].contains(QLatin1String(c.says))) << questions[0].toStdString();
    }
}

TEST_F(WindowFaultsTest, TheExifWindowClosesOnEscapeAndCtrlW)
{
    FaultsForm& f = start();
    openPhoto(testPhoto(QStringLiteral("cameras/Canon_40D.jpg")));
    for (const QKeySequence& key : { QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W) }) {
        SCOPED_TRACE(key.toString().toStdString());
        f.exifAction->trigger();
        ExifWindow* exif = ExifWindow::instance();
        ASSERT_NE(exif, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(exif));
        QTest::keySequence(exif->textEdit(), key);
        EXPECT_EQ(ExifWindow::instance(), nullptr);
        EXPECT_FALSE(f.settings().exifShown);
    }
}

TEST_F(WindowFaultsTest, TheWindowAndTheDateDialogStayWithinTheScreen)
{
    // The tests' second screen is smaller than the window's design, as a
    // laptop's is at twice the scale.
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2) GTEST_SKIP() << "one screen only";
    const QRect screen = screens[1]->availableGeometry();
    FaultsForm& first = start();
    first.move(screen.topLeft());
    first.close();
    FaultsForm& f = start();
    EXPECT_EQ(f.screen(), screens[1]);
    EXPECT_TRUE(screen.contains(f.frameGeometry())) << f.frameGeometry().width();

    openPhoto(testPhoto(QStringLiteral("cameras/DSCN0010.jpg")));
    DateStyleDialog dialog(&f, f.settings(), &f.engine());
    dialog.show();
    EXPECT_TRUE(screen.contains(dialog.frameGeometry())) << dialog.frameGeometry().width();
}
