#include "ui/MainWindow.h"

#include "controls/ValueBar.h"
#include "platform/ExecutableInfo.h"
#include "platform/MessageBox.h"
#include "support/TestSupport.h"
#include "ui/BatchDialog.h"
#include "ui/DateStyleDialog.h"
#include "ui/DriveList.h"
#include "ui/ExifWindow.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/MainMenuBar.h"
#include "ui/OutputOptionsBox.h"
#include "ui/PictureView.h"
#include "ui/PreviewViewport.h"
#include "ui/StampLabelView.h"
#include "ui/StandardDialogs.h"
#include "workflow/StampPreset.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failures for texts.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

// The window with its dialogs replaced by answers the test sets.
class TestForm : public MainWindow {
public:
    using MainWindow::MainWindow;

    // What Open ... and Open Folder ... are answered.
    QString openAnswer;
    // Open the real date style and batch dialogs instead of none.
    bool realDateStyle = false;
    bool realBatch = false;

protected:
    void showDateStyleDialog() override
    {
        if (realDateStyle) MainWindow::showDateStyleDialog();
    }
    void showAboutBox() override { }
    void showDateFormatHelp() override { }
    QString askPhotoToOpen() override { return openAnswer; }
    QString askFolderToOpen() override { return openAnswer; }
    void showBatchDialog() override
    {
        batchFolders << folderList->path();
        if (realBatch) MainWindow::showBatchDialog();
    }

public:
    // The folder each Batch Save opened its dialog on.
    QStringList batchFolders;
};

class MainWindowTest : public ::testing::Test {
protected:
    static QByteArray bits(const PixelSurface* surface)
    {
        if (!surface) return QByteArray();
        return QByteArray(reinterpret_cast<const char*>(surface->bits()), surface->stride() * surface->height());
    }
    static QImage rgb32(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

    QTemporaryDir dir;
    QStringList messages;
    QStringList warned; // the messages shown as warnings
    // The questions asked, and the answers to give them in turn (-1 when
    // there are none left: the box was closed).
    QStringList questions;
    QList<int> answers;
    std::unique_ptr<TestForm> form;
    MessageBox::Hook outerHook;
    MessageBox::QuestionHook outerQuestionHook;
    // What the file dialog was asked, and the path it answers (none: Cancel);
    // TearDown puts back every picker a test replaced.
    StandardDialogs::FileRequest saveAsked;
    QString saveAnswer;
    const StandardDialogs::Pickers outerPickers = StandardDialogs::shared().pickers;

    void SetUp() override
    {
        StandardDialogs::shared().pickers.file = [this](const StandardDialogs::FileRequest& request) {
            saveAsked = request;
            return saveAnswer.isEmpty() ? std::nullopt : std::optional(StandardDialogs::FileAnswer { saveAnswer });
        };
    }

    QString iniPath() const { return dir.filePath(QStringLiteral("config.ini")); }

    void writeIni(const QString& text) { ASSERT_TRUE(writeFile(iniPath(), text.toUtf8())); }

    TestForm& start() { return start(iniPath(), ExecutableInfo::folder()); }
    TestForm& start(const QString& settingsFile, const QString& outputRoot)
    {
        form.reset();
        form = std::make_unique<TestForm>(settingsFile, outputRoot);
        // Installed after the window's own hooks, so that messages are kept
        // and questions answered.
        outerHook = MessageBox::setHook([this](const QString& text, const QString&, MessageBox::Kind kind) {
            messages << text;
            if (kind == MessageBox::Kind::Warning) warned << text;
        });
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
        StandardDialogs::shared().pickers = outerPickers;
        if (!form) return;
        MessageBox::setHook(outerHook);
        MessageBox::setQuestionHook(outerQuestionHook);
        form.reset();
    }

    // Clicks the named photo of the folder in the file list.
    void openPhoto(const QString& folder, const QString& name)
    {
        ASSERT_TRUE(form->folderList->setPath(folder));
        const auto found = form->fileList->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        const QRect cell = form->fileList->visualItemRect(found.first());
        QTest::mouseClick(form->fileList->viewport(), Qt::LeftButton, {}, cell.center());
    }

    void openCamera(const QString& name) { openPhoto(testPhoto("cameras"), name); }
    // Opens a photo by its path, as `quillon PATH` does.
    void openPath(const QString& path)
    {
        ASSERT_TRUE(form->openPath(path));
        ASSERT_EQ(form->windowTitle(), QFileInfo(path).fileName() + QStringLiteral(" — Quillon"));
    }
    QString outputRoot() const { return dir.filePath(QStringLiteral("out")); }
    QList<QAction*> tickedSizes() const
    {
        QList<QAction*> items;
        for (QAction* item : form->sizeMenu->actions())
            if (item->isChecked()) items << item;
        return items;
    }
    static QString camera(const QString& name) { return QDir::cleanPath(testPhoto("cameras/" + name)); }

    // A folder "card" holding the sample camera photo as IMG_0001.JPG.
    QString cardWith(const QString& camera)
    {
        const QString card = dir.filePath("card");
        EXPECT_TRUE(writeFile(card + "/IMG_0001.JPG", readFile(testPhoto("cameras/" + camera))));
        return card;
    }

    QString window() const { return dir.filePath(QStringLiteral("window")); }
    // quillon-cli's batch of the card, with the window's settings file, writes
    // the bytes the window saved below window().
    void expectPrintedAlikeByCli(const QString& card)
    {
        QProcess cli;
        const QString target = dir.filePath("cli");
        cli.start(QStringLiteral(QUILLON_CLI), { "batch", card, "--target", target, "--config", iniPath() });
        ASSERT_TRUE(cli.waitForFinished(120'000));
        for (const QString folder : { "/Images/", "/Miniatures/" }) {
            const QByteArray saved = readFile(window() + folder + "IMG_0001.JPG");
            ASSERT_FALSE(saved.isEmpty()) << folder.toStdString();
            EXPECT_TRUE(saved == readFile(target + folder + "card/IMG_0001.JPG")) << folder.toStdString();
        }
    }

    // A move with the left button held to a point of the viewport's inner
    // area, over a widget that may have moved since the button went down.
    void moveOver(QWidget* widget, QPoint inViewport)
    {
        const QPoint pos = widget->mapFrom(form->previewViewport->client(), inViewport);
        QMouseEvent event(QEvent::MouseMove, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::NoButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    // Pans the photo by dragging it from one point of the viewport to another.
    void pan(QPoint from, QPoint to)
    {
        QTest::mousePress(form->previewImage, Qt::LeftButton, {}, from);
        moveOver(form->previewImage, to);
        QTest::mouseRelease(form->previewImage, Qt::LeftButton);
    }
    // How many of the two stamp labels are shown.
    int stampLabelsShown() const { return form->stampLowerLabel->isVisible() + form->stampUpperLabel->isVisible(); }
    // How far the photo is panned, in pixels.
    QPoint image() const { return form->previewImage->pos(); }
    // View, 100 % (the preview opens fitted), scrolled to the photo's corner.
    void actualSize() const
    {
        qobject_cast<MainMenuBar*>(form->menuBar())->actualSizeAction->trigger();
        form->previewViewport->horizontalBar()->setValue(0);
        form->previewViewport->verticalBar()->setValue(0);
    }
};

} // namespace

TEST_F(MainWindowTest, BrowsingOpensThePhotoClickedOrReachedByKeyboardOnADriveThatCanBeRead)
{
    TestForm& f = start();
    ASSERT_TRUE(f.folderList->setPath(testPhoto(QString())));
    int broken = -1;
    for (int row = 0; row < f.folderList->count(); ++row)
        if (f.folderList->entryPath(row).endsWith("/broken")) broken = row;
    ASSERT_GE(broken, 0);
    const QRect cell = f.folderList->visualItemRect(f.folderList->item(broken));
    // A click or the first letter of a name only selects the entry; Enter
    // opens it. The search for a letter starts below the selected entry, so
    // the folders above the photos do not get in the way.
    QTest::mouseClick(f.folderList->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(f.folderList->currentRow(), broken);
    QTest::keyClick(f.folderList, Qt::Key_C);
    ASSERT_TRUE(f.folderList->entryPath(f.folderList->currentRow()).endsWith("/cameras"));
    EXPECT_EQ(f.folderList->path(), QDir::cleanPath(testPhoto(QString())));
    QTest::keyClick(f.folderList, Qt::Key_Return);
    EXPECT_EQ(f.fileList->count(), 13); // the .jpeg one included

    openCamera("Canon_40D.jpg");
    EXPECT_EQ(f.engine().photo().photoPath(), camera("Canon_40D.jpg"));
    EXPECT_EQ(f.photoSizeLabel->text(), "100x68");
    // The output's size in the whole pixels it is saved with, not 37.5x25.5.
    f.size37Action->trigger();
    EXPECT_EQ(f.outputSizeLabel->text(), "38x26");
    f.size50Action->trigger();
    QTest::keyClick(f.fileList, Qt::Key_Down);
    EXPECT_EQ(f.engine().photo().photoPath(), camera("Canon_PowerShot_S40.jpg"));
    QTest::keyClick(f.fileList, Qt::Key_N);
    EXPECT_EQ(f.engine().photo().photoPath(), camera("nikon-e950.jpg"));

    // Enter opens the selected photo again, as a click on it does.
    f.lightenAction->trigger();
    ASSERT_TRUE(f.engine().photo().workReady());
    QTest::keyClick(f.fileList, Qt::Key_Return);
    EXPECT_FALSE(f.engine().photo().workReady());
    EXPECT_EQ(messages, QStringList());

    // A drive that cannot be read (no medium) hides the lists.
    f.driveList->setDrives({ "/", dir.filePath("no-medium") });
    f.driveList->setCurrentIndex(1);
    EXPECT_FALSE(f.folderList->isVisible());
    EXPECT_FALSE(f.fileList->isVisible());
    f.driveList->setCurrentIndex(0);
    EXPECT_TRUE(f.folderList->isVisible());
    EXPECT_TRUE(f.fileList->isVisible());
}

TEST_F(MainWindowTest, APhotoDroppedOrOpenedOpensInItsFolderAndAFolderIsShown)
{
    const QString photo = cardWith("Canon_40D.jpg") + "/IMG_0001.JPG";
    const QString card = QDir::cleanPath(dir.filePath("card"));
    const QString cameras = QDir::cleanPath(testPhoto("cameras"));
    const QString title = QStringLiteral("IMG_0001.JPG — Quillon");
    ASSERT_TRUE(writeFile(dir.filePath("notes.txt"), readFile(photo)));
    TestForm& f = start();
    // Help is the last menu, with Date Format and About.
    const auto* menus = qobject_cast<MainMenuBar*>(f.menuBar());
    EXPECT_EQ(menus->actions().last()->menu()->actions(),
        QList<QAction*>({ f.dateFormatHelpAction, menus->helpMenu->actions()[1], f.aboutAction }));

    // A drag is taken only when it brings a folder or a photo; a drop
    // opens what the drag brought, a folder without the other's photo.
    const auto drop = [&f](const QString& path) {
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        QDragEnterEvent enter(QPoint(400, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&f, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(QPointF(400, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&f, &dropped);
        return dropped.isAccepted();
    };
    ASSERT_TRUE(drop(photo));
    EXPECT_EQ(f.engine().photo().photoPath(), QDir::cleanPath(photo));
    EXPECT_EQ(f.fileList->path(), card);
    ASSERT_TRUE(drop(cameras));
    EXPECT_EQ(f.fileList->path(), cameras);
    EXPECT_EQ(f.windowTitle(), "Quillon");
    EXPECT_FALSE(drop(dir.filePath("notes.txt")));
    EXPECT_FALSE(f.openPath(dir.filePath("notes.txt")));
    EXPECT_EQ(f.fileList->path(), cameras);

    // Open ... alike. A cancel does nothing; what is neither a photo nor a
    // folder is named, and nothing changes.
    f.openAnswer = photo;
    f.openAction->trigger();
    EXPECT_EQ(f.windowTitle(), title);
    EXPECT_EQ(f.fileList->path(), card);
    EXPECT_EQ(f.fileList->fileName(), "IMG_0001.JPG");
    f.openAnswer.clear();
    f.openAction->trigger();
    f.openFolderAction->trigger();
    EXPECT_EQ(messages, QStringList());
    f.openAnswer = dir.filePath("notes.txt");
    f.openAction->trigger();
    f.openAnswer = dir.filePath("gone");
    f.openFolderAction->trigger();
    ASSERT_EQ(warned.size(), 2);
    EXPECT_TRUE(warned[0].contains("notes.txt"));
    EXPECT_TRUE(warned[1].contains("gone"));
    EXPECT_EQ(f.fileList->path(), card);
    EXPECT_EQ(f.windowTitle(), title);
    f.openAnswer = cameras;
    f.openFolderAction->trigger();
    EXPECT_EQ(f.fileList->path(), cameras);
}

TEST_F(MainWindowTest, EachShortcutReachesItsOwnItemOnly)
{
    TestForm& f = start();
    QList<QAction*> items;
    QList<QAction*> triggered;
    for (QMenu* menu : f.menuBar()->findChildren<QMenu*>())
        for (QAction* item : menu->actions())
            if (!item->isSeparator() && !item->menu()) {
                items << item;
                QObject::connect(item, &QAction::triggered, [&triggered, item] { triggered << item; });
            }
    // Two items sharing a key would leave both silent. Without a photo the
    // commands only ask for one, so every item is enabled for the round.
    for (QAction* owner : items)
        for (const QKeySequence& keys : owner->shortcuts()) {
            SCOPED_TRACE(keys.toString().toStdString() + " for " + owner->text().toStdString());
            f.show(); // again after Exit
            f.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
            for (QAction* item : items)
                item->setEnabled(true);
            triggered.clear();
            QTest::keySequence(&f, keys);
            EXPECT_EQ(triggered, QList<QAction*> { owner });
        }
}

TEST_F(MainWindowTest, DraggingTheStampMovesBothLabelsAndSurvivesARestart)
{
    TestForm& f = start();
    openCamera("Reconyx_HC500_Hyperfire.jpg");
    actualSize();
    // Pan first, so that the tool tip counts from the photo's corner.
    pan(QPoint(200, 200), QPoint(190, 180));
    ASSERT_EQ(image(), QPoint(-10, -20));

    const QPoint before = f.stampUpperLabel->pos();
    QTest::mousePress(f.stampUpperLabel, Qt::LeftButton, {}, QPoint(5, 5));
    moveOver(f.stampUpperLabel, f.stampUpperLabel->pos() + QPoint(25, 15));
    moveOver(f.stampUpperLabel, f.stampUpperLabel->pos() + QPoint(45, 45));
    QTest::mouseRelease(f.stampUpperLabel, Qt::LeftButton);
    EXPECT_EQ(f.stampUpperLabel->pos(), before + QPoint(60, 50));
    EXPECT_EQ(f.stampLowerLabel->pos(), f.stampUpperLabel->pos() + QPoint(2, -2));
    // The tool tip and the stamp's position count on the photo.
    const QPoint upper = f.stampUpperLabel->pos() - image();
    EXPECT_EQ(f.stampUpperLabel->toolTip(), QStringLiteral("position : %1 - %2").arg(upper.x()).arg(upper.y()));
    EXPECT_EQ(f.engine().stampPosition(), QPointF(upper + QPoint(2, -2)));

    // The next start shows the stamp where it was printed, on the photo at
    // the viewport's corner.
    f.close();
    TestForm& again = start();
    openCamera("Reconyx_HC500_Hyperfire.jpg");
    actualSize();
    EXPECT_EQ(again.engine().stampPosition(), QPointF(upper + QPoint(2, -2)));
    EXPECT_EQ(again.stampUpperLabel->pos(), upper);
}

TEST_F(MainWindowTest, TheMenusTreatThePhotoAsTheEngineAloneAndRevertUndoesAll)
{
    TestForm& f = start();
    openCamera("Canon_PowerShot_S40.jpg");
    // Choosing a filter builds the working image but applies nothing until
    // Apply Filter; the looks of the Effect menu add up.
    f.filterActions[1]->trigger(); // Blur More
    const QByteArray built = bits(f.engine().photo().workImage());
    f.applyFilterAction->trigger();
    f.applyFilterAction->trigger();
    f.filterActions[7]->trigger(); // Emboss, chosen only
    const MainMenuBar& bar = *qobject_cast<MainMenuBar*>(f.menuBar());
    bar.effectItems[0].first->trigger(); // grey
    bar.effectItems[2].first->trigger(); // grain

    Settings settings = f.settings();
    PhotoEngine reference(settings);
    reference.setStampPosition(f.engine().stampPosition());
    reference.setPhotoPaths(f.engine().photo().photoPath(), dir.path());
    reference.openPhoto();
    reference.buildWorkingImage();
    EXPECT_EQ(bits(reference.photo().workImage()), built);
    reference.processImage(2);
    reference.processImage(2);
    reference.applyEffect(PhotoEffect::Grey);
    reference.applyEffect(PhotoEffect::Grain);
    EXPECT_EQ(bits(f.engine().photo().workImage()), bits(reference.photo().workImage()));

    // Revert to original undoes them all; the working image stays shown.
    f.lightenAction->trigger();
    f.revertAction->trigger();
    EXPECT_EQ(bits(f.engine().photo().workImage()), built);
    EXPECT_TRUE(f.displayView->isVisible());
    EXPECT_EQ(messages, QStringList());
}

TEST_F(MainWindowTest, TheThumbnailBoxesShowTheCompanionSizeAndStoreOnlyTheSelectedOne)
{
    struct Stored {
        const char* vignet;
        const char* shown; // width x height in the boxes
        QSize used;
    };
    const Stored stored[] = {
        { "Height=100\nWidth=0", "133x100", QSize(0, 100) }, // 133.33
        { "Height=0\nWidth=150", "150x112", QSize(150, 0) }, // 112.5 to the even 112
        { "Height=90\nWidth=200", "120x90", QSize(0, 90) }, // the height rule wins
        { "Height=10000\nWidth=0", "10000x10000", QSize(0, 10000) }, // a companion the box takes
    };
    for (const Stored& test : stored) {
        SCOPED_TRACE(test.vignet);
        writeIni(QStringLiteral("[VIGNET]\n%1\n").arg(test.vignet));
        TestForm& f = start();
        EXPECT_EQ(f.thumbnailWidthEdit->text() + "x" + f.thumbnailHeightEdit->text(), test.shown);
        EXPECT_EQ(f.thumbnailWidthOption->isChecked(), test.used.width() > 0);
        EXPECT_EQ(QSize(f.settings().thumbWidth, f.settings().thumbHeight), test.used);
    }

    // The other box is a companion only, until its option is chosen.
    Settings& s = form->settings();
    form->thumbnailWidthEdit->clear();
    QTest::keyClicks(form->thumbnailWidthEdit, "150");
    EXPECT_EQ(QSize(s.thumbWidth, s.thumbHeight), QSize(0, 10000));
    QTest::mouseClick(form->thumbnailWidthOption, Qt::LeftButton);
    EXPECT_EQ(QSize(s.thumbWidth, s.thumbHeight), QSize(150, 0));
    QTest::mouseClick(form->thumbnailHeightOption, Qt::LeftButton);

    // The box refuses letters; a number on its way to a size is not used,
    // and a box left with it shows the size in use again.
    struct Typed {
        const char* typed;
        int32_t used;
        const char* shown;
    };
    const Typed typed[] = { { "20000", 2000, "2000" }, { "0", 2000, "2000" }, { "10000", 10000, "10000" },
        { "", 10000, "10000" }, { "7abc", 7, "7" } };
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    for (const Typed& test : typed) {
        SCOPED_TRACE(test.typed);
        form->thumbnailHeightEdit->clear();
        QTest::keyClicks(form->thumbnailHeightEdit, test.typed);
        EXPECT_EQ(s.thumbHeight, test.used);
        QApplication::sendEvent(form->thumbnailHeightEdit, &leave);
        EXPECT_EQ(form->thumbnailHeightEdit->text(), test.shown);
    }
}

TEST_F(MainWindowTest, WithTheDateOffAnotherPhotoBringsItsOwnDateAndExifOnceItIsOn)
{
    TestForm& f = start();
    openCamera("Canon_40D.jpg");
    const QString canonDate = f.stampLowerLabel->text();
    ASSERT_FALSE(canonDate.isEmpty());
    f.exifAction->trigger();
    ASSERT_NE(ExifWindow::instance(), nullptr);
    EXPECT_TRUE(ExifWindow::instance()->textEdit()->toPlainText().contains("FNumber: f/7.1\n"));
    f.showDateAction->trigger();
    EXPECT_EQ(stampLabelsShown(), 0);

    // The EXIF window follows at once; the date once it is on again.
    openCamera("Nikon_D70.jpg");
    ASSERT_NE(ExifWindow::instance(), nullptr);
    EXPECT_TRUE(ExifWindow::instance()->textEdit()->toPlainText().contains("NIKON D70"));
    EXPECT_FALSE(ExifWindow::instance()->dateSource()->isVisibleTo(ExifWindow::instance()));
    EXPECT_EQ(stampLabelsShown(), 0);
    f.showDateAction->trigger();
    EXPECT_EQ(stampLabelsShown(), 2);
    EXPECT_EQ(f.stampLowerLabel->text(), f.engine().computeDateText());
    EXPECT_NE(f.stampLowerLabel->text(), canonDate);

    // The date style dialog refreshes the labels' text, but a stamp that
    // will not be printed is not shown.
    f.showDateAction->trigger();
    f.dateStyleAction->trigger();
    EXPECT_EQ(stampLabelsShown(), 0);
    f.showDateAction->trigger();
    f.dateStyleAction->trigger();
    EXPECT_EQ(stampLabelsShown(), 2);

    // A date that is not EXIF's is named with where it came from.
    f.settings().nameDateFallback = true;
    f.settings().dateFormat = QStringLiteral("YYYY-MM-DD HH:MM");
    ASSERT_TRUE(writeFile(dir.filePath("phone/IMG_20190712_153045.jpg"), smallJpeg(64, 48)));
    openPhoto(dir.filePath("phone"), QStringLiteral("IMG_20190712_153045.jpg"));
    ASSERT_NE(ExifWindow::instance(), nullptr);
    EXPECT_TRUE(ExifWindow::instance()->dateSource()->isVisibleTo(ExifWindow::instance()));
    EXPECT_EQ(ExifWindow::instance()->dateSource()->text(), "Stamp: 2019-07-12 15:30 (date from the file name)");

    // Escape and Ctrl+W close the EXIF window, for the next start too.
    for (const QKeySequence& key : { QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W) }) {
        SCOPED_TRACE(key.toString().toStdString());
        f.exifAction->trigger();
        ASSERT_TRUE(QTest::qWaitForWindowActive(ExifWindow::instance()));
        QTest::keySequence(ExifWindow::instance()->textEdit(), key);
        EXPECT_EQ(ExifWindow::instance(), nullptr);
        EXPECT_FALSE(f.settings().exifShown);
    }
}

TEST_F(MainWindowTest, ABatchLocksThePhotoCommandsAndLeavesTheOpenPhotoAsItWas)
{
    TestForm& f = start();
    f.realBatch = true;
    for (const char* name : { "trip/a.jpg", "trip/b.jpg" })
        ASSERT_TRUE(writeFile(dir.filePath(name), readFile(camera("Nikon_D70.jpg"))));
    openPhoto(dir.filePath("trip"), "a.jpg");
    f.lightenAction->trigger();
    const QString open = f.engine().photo().photoPath();

    const auto photoCommands = [&f] {
        QList<bool> states;
        const MainMenuBar& bar = *qobject_cast<MainMenuBar*>(f.menuBar());
        for (QAction* item : { f.saveBmpAction, f.saveJpgAction, f.batchSaveAction, f.exifAction, bar.copyItem,
                 f.sizeMenu->menuAction(), f.effectMenu->menuAction(), f.optionsMenu->menuAction() })
            states << item->isEnabled();
        return states << f.fileList->isEnabled();
    };
    QList<bool> during;
    const BatchDialog::SummaryHook saved
        = BatchDialog::setSummaryHook([this](QMessageBox& box) { messages << box.text(); });
    const auto restore = qScopeGuard([&saved] { BatchDialog::setSummaryHook(saved); });
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<BatchDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->targetFolderEdit()->setText(dir.filePath("out"));
        QObject::connect(dialog->progressBar(), &QProgressBar::valueChanged, [&](int done) {
            if (done == 1) during = photoCommands();
        });
        dialog->goButton()->click();
    });
    f.batchSaveAction->trigger();

    EXPECT_EQ(during, QList<bool>(9, false));
    EXPECT_EQ(photoCommands(), QList<bool>(9, true));
    EXPECT_EQ(messages.size(), 1); // the summary
    // The window still shows the photo it had open, and can save it.
    EXPECT_EQ(f.engine().photo().photoPath(), open);
    EXPECT_TRUE(f.engine().photo().workReady());
}

TEST_F(MainWindowTest, AFailedOpenShowsNoPhotoAndAPartlyDecodedOneWarnsOnce)
{
    const QString photos = dir.filePath("photos");
    const QByteArray jpeg = readFile(camera("DSCN0010.jpg"));
    ASSERT_TRUE(writeFile(photos + "/good.jpg", jpeg));
    ASSERT_TRUE(writeFile(photos + "/empty.jpg", QByteArray()));
    ASSERT_TRUE(writeFile(photos + "/text.jpg", "not a picture"));
    ASSERT_TRUE(writeFile(photos + "/cut.jpg", jpeg.left(jpeg.size() * 2 / 3)));
    TestForm& f = start();
    for (const QString bad : { "empty.jpg", "text.jpg" }) {
        // After the previous photo's preview, and after its working image.
        for (const bool built : { false, true }) {
            SCOPED_TRACE(bad.toStdString() + (built ? " after an effect" : ""));
            openPhoto(photos, "good.jpg");
            if (built) f.lightenAction->trigger();
            messages.clear();
            openPhoto(photos, bad);
            ASSERT_EQ(messages.size(), 1);
            EXPECT_TRUE(messages[0].contains(bad)) << messages[0].toStdString();
            EXPECT_TRUE(warned.contains(messages[0]));
            // As at start-up: no picture, and nothing to treat or save.
            EXPECT_EQ(f.windowTitle(), "Quillon");
            EXPECT_FALSE(f.previewViewport->isVisible());
            EXPECT_FALSE(f.displayView->isVisible());
            EXPECT_FALSE(f.lightenAction->isEnabled());
            f.saveJpgAction->trigger();
            EXPECT_EQ(messages.last(), "Open a photo first.");
            // A size is only kept for the next photo.
            f.size50Action->trigger();
            EXPECT_EQ(messages.size(), 2);
            EXPECT_FALSE(f.previewViewport->isVisible());
        }
    }

    // A photo cut short opens, grey where the data ends, with the batch's
    // warning; its working image and another size do not repeat it.
    messages.clear();
    warned.clear();
    openPhoto(photos, "cut.jpg");
    EXPECT_TRUE(f.previewViewport->isVisible());
    f.lightenAction->trigger();
    f.size37Action->trigger();
    f.darkenAction->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("cut.jpg\" is damaged")) << messages[0].toStdString();
    EXPECT_EQ(warned, messages);
    EXPECT_TRUE(f.displayView->isVisible());
}

TEST_F(MainWindowTest, SavesSayWhatWasWrittenAndWhereUntilTheNextCommand)
{
    const QString out = dir.filePath("out");
    TestForm& f = start(iniPath(), out);
    openCamera("Canon_PowerShot_S40.jpg");
    f.saveJpgAction->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(),
        QStringLiteral("Saved Canon_PowerShot_S40.jpg to %1/Images and its thumbnail to %1/Miniatures").arg(out));
    // The menus passing over their items leave it; the next command clears it.
    QStatusTipEvent tip { QString() };
    QApplication::sendEvent(&f, &tip);
    EXPECT_NE(f.statusBar()->currentMessage(), "");
    f.lightenAction->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(), "");

    // Without a thumbnail only the photo is written.
    const QString thumbnail = out + "/Miniatures/Canon_PowerShot_S40.jpg";
    ASSERT_TRUE(QFile::remove(thumbnail));
    QTest::mouseClick(f.thumbnailCheck, Qt::LeftButton);
    f.saveJpgAction->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(), QStringLiteral("Saved Canon_PowerShot_S40.jpg to %1/Images").arg(out));
    EXPECT_FALSE(QFile::exists(thumbnail));
    openCamera("DSCN0010.jpg");
    EXPECT_EQ(f.statusBar()->currentMessage(), "");

    // Save as BMP asks beside the photo under its name: cancelled, nothing;
    // else the display, stamp included, a name without an ending taking
    // .bmp. Copy takes the same.
    f.saveBmpAction->trigger();
    EXPECT_EQ(saveAsked.folder, QDir::cleanPath(testPhoto("cameras/DSCN0010.bmp")));
    ASSERT_EQ(saveAsked.filters.size(), 1);
    EXPECT_TRUE(saveAsked.filters[0].endsWith("(*.bmp)")) << saveAsked.filters[0].toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
    saveAnswer = dir.filePath("stamped");
    f.saveBmpAction->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(), QStringLiteral("Saved stamped.bmp to %1").arg(dir.path()));
    EXPECT_FALSE(QFileInfo::exists(saveAnswer));
    QImageReader reader(saveAnswer + ".bmp");
    EXPECT_EQ(reader.format(), "bmp");
    const QImage display = rgb32(f.engine().photo().displayPicture()->toImage());
    EXPECT_EQ(rgb32(reader.read()), display);
    EXPECT_NE(rgb32(f.engine().photo().workImage()->toImage()), display);
    qobject_cast<MainMenuBar*>(f.menuBar())->copyItem->trigger();
    EXPECT_EQ(rgb32(QGuiApplication::clipboard()->image()), display);
    EXPECT_EQ(messages, QStringList());

    // Qt's writer leaves a photo without EXIF, and so without a date.
    ASSERT_TRUE(writeFile(dir.filePath("card/undated.jpg"), smallJpeg(160, 120)));
    openPath(dir.filePath("card/undated.jpg"));
    f.saveJpgAction->trigger();
    EXPECT_TRUE(QFileInfo::exists(out + "/Images/undated.jpg"));
    EXPECT_EQ(messages, QStringList { "undated.jpg: no date in the photo: saved without a stamp." });
}

TEST_F(MainWindowTest, WhatCannotBeSavedIsNamedOnceWithTheReasonInWords)
{
    // Root may write anywhere: files where the folders should be stop it.
    ASSERT_TRUE(writeFile(dir.filePath("blocked/Images"), "not a folder"));
    ASSERT_TRUE(writeFile(dir.filePath("home"), "not a folder"));
    const QString settingsFile = dir.filePath("home/quillon/config.ini");
    TestForm& f = start(settingsFile, dir.filePath("blocked"));
    openCamera("DSCN0010.jpg");
    f.saveJpgAction->trigger();
    saveAnswer = dir.filePath("missing/folder/x.bmp");
    f.saveBmpAction->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(), "");
    f.saveSettings();
    f.exitAction->trigger();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(messages[0],
        QStringLiteral("DSCN0010.jpg was not saved: %1/Images/DSCN0010.jpg: Not a directory.")
            .arg(dir.filePath("blocked")));
    EXPECT_TRUE(messages[1].contains("x.bmp")) << messages[1].toStdString();
    EXPECT_EQ(messages[2], QStringLiteral("The settings could not be saved in %1: Not a directory.").arg(settingsFile));
}

TEST_F(MainWindowTest, SaveAsJpgAsksBeforeReplacingAnotherPhotosOutputAndSaysWhoWroteIt)
{
    // Two cards, one file name.
    const QString card1 = dir.filePath("card1");
    const QString card2 = dir.filePath("card2");
    ASSERT_TRUE(writeFile(card1 + "/IMG_0001.JPG", readFile(camera("Canon_PowerShot_S40.jpg"))));
    ASSERT_TRUE(writeFile(card2 + "/IMG_0001.JPG", readFile(camera("DSCN0010.jpg"))));
    const QString out = dir.filePath("out");
    const QString image = out + "/Images/IMG_0001.JPG";
    const QString kept = out + "/Images/IMG_0001 (2).JPG";

    // The first card's photo, saved, then saved and treated and saved again
    // by a later run: its own output is replaced without a question.
    start(iniPath(), out);
    openPhoto(card1, "IMG_0001.JPG");
    form->saveJpgAction->trigger();
    TestForm& f = start(iniPath(), out);
    openPhoto(card1, "IMG_0001.JPG");
    f.saveJpgAction->trigger();
    f.lightenAction->trigger();
    f.saveJpgAction->trigger();
    EXPECT_TRUE(questions.isEmpty());
    const QByteArray first = readFile(image);

    // The second card's: asked; Cancel writes nothing.
    openPhoto(card2, "IMG_0001.JPG");
    answers = { 2 };
    f.saveJpgAction->trigger();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains("IMG_0001 (2).JPG")) << questions[0].toStdString();
    EXPECT_TRUE(questions[0].contains("an output Quillon saved from another photo")) << questions[0].toStdString();
    EXPECT_EQ(readFile(image), first);
    EXPECT_FALSE(QFile::exists(kept));

    // Keep both: the new output under the first free name.
    answers = { 1 };
    f.saveJpgAction->trigger();
    EXPECT_EQ(readFile(image), first);
    EXPECT_EQ(QImageReader(kept).size(), QSize(320, 240));
    EXPECT_EQ(f.statusBar()->currentMessage(),
        QStringLiteral("Saved IMG_0001 (2).JPG to %1/Images and its thumbnail to %1/Miniatures").arg(out));

    // A file Quillon did not write: Replace replaces it.
    ASSERT_TRUE(writeFile(out + "/Images/IMG_0002.JPG", "yesterday's output"));
    ASSERT_TRUE(writeFile(card1 + "/IMG_0002.JPG", readFile(card1 + "/IMG_0001.JPG")));
    openPhoto(card1, "IMG_0002.JPG");
    answers = { 0 };
    f.saveJpgAction->trigger();
    ASSERT_EQ(questions.size(), 3);
    EXPECT_TRUE(questions[2].contains("a file Quillon did not write")) << questions[2].toStdString();
    EXPECT_EQ(QImageReader(out + "/Images/IMG_0002.JPG").size(), QSize(240, 180));
    EXPECT_FALSE(QFile::exists(out + "/Images/IMG_0002 (2).JPG"));
    EXPECT_EQ(messages, QStringList());
}

TEST_F(MainWindowTest, StoredValuesNotUnderstoodAreNamedAndWhatTheWindowLeavesIsReadBackWithoutAWord)
{
    writeIni("[LABEL]\ntop=3e38\n[VIGNET]\nshow=yes\n[DATE]\nshift_minutes=1h\n[REP]\ncible=out\n");
    TestForm& f = start();
    EXPECT_EQ(f.statusBar()->currentMessage(),
        "config.ini: [LABEL] top=3e38 is outside -15000000 to 15000000; 15000000 is used. cible=out is not a full "
        "path; "
            + QDir::toNativeSeparators(ExecutableInfo::folder())
            + " is used. shift_minutes=1h is not a number; 0 is used");
    EXPECT_EQ(f.engine().stampPosition().y(), SettingsFile::MaxLabelTwips / 15);
    ASSERT_TRUE(f.folderList->setPath(testPhoto("cameras")));
    f.size37Action->trigger();
    f.qualityBar->setValue(65);
    QTest::mouseClick(f.thumbnailWidthOption, Qt::LeftButton);
    const Settings stored = f.settings();
    f.exitAction->trigger();

    // What was used is what the file now holds, and the next start reads
    // it without a word; the size is kept, the filter is not.
    TestForm& again = start();
    EXPECT_EQ(again.statusBar()->currentMessage(), "");
    EXPECT_EQ(again.settings(), stored);
    EXPECT_EQ(again.folderList->path(), QDir::cleanPath(testPhoto("cameras")));
    EXPECT_TRUE(again.size37Action->isChecked());
    EXPECT_TRUE(again.filterActions[4]->isChecked());
}

TEST_F(MainWindowTest, TheWindowComesBackAsItWasLeft)
{
    TestForm& f = start();
    f.resize(760, 540);
    f.columnSplitter()->setSizes({ 285, 760 - 285 });
    f.thumbnailsAction->trigger();
    f.close();
    TestForm& again = start();
    EXPECT_EQ(again.size(), QSize(760, 540));
    EXPECT_EQ(again.fileList->width(), 285);
    EXPECT_TRUE(again.thumbnailsAction->isChecked());
    EXPECT_TRUE(again.fileList->thumbnailsShown());
    again.showMaximized();
    again.close();
    EXPECT_TRUE(start().isMaximized());

    // Values that do not read back leave the design's size.
    form.reset();
    writeIni("[WINDOW]\ngeometry=bm90IGEgZ2VvbWV0cnk=\nsplitter=%%%\nmaximized=perhaps\n");
    TestForm& fresh = start();
    EXPECT_EQ(fresh.centralWidget()->size(), QSize(896, 500));
    EXPECT_EQ(fresh.fileList->width(), 225);
    EXPECT_FALSE(fresh.isMaximized());
}

TEST_F(MainWindowTest, TheLabelsShowTheStampWhereItIsPrintedAndADragStopsAtTheEdges)
{
    // The upper text in a colour no photo has, so that its pixels can be
    // found on the screen and in the printed picture.
    const auto upperText = [](const QImage& image) {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == qRgb(255, 0, 255)) box |= QRect(x, y, 1, 1);
        return box;
    };
    const QRect picture(0, 0, 320, 240);
    struct Case {
        const char* settings;
        StampAnchoring::Place dropped;
    };
    const Case cases[] = {
        // Stored right of the photo: shown and printed inside it.
        { "[LABEL]\nleft=9000\ntop=1500\n", StampAnchoring::Place::None },
        // A quarter of the shorter side high, at the bottom-right corner.
        { "[STAMP]\nsize_percent=25\nanchor=bottom-right\nmargin_percent=2\n", StampAnchoring::Place::BottomLeft },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.settings);
        writeIni(QStringLiteral("[DATE]\ncolor02=16711935\n") + test.settings);
        TestForm& f = start();
        openCamera("DSCN0010.jpg");
        const QRect shown = upperText(f.previewViewport->client()->grab().toImage());
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_TRUE(picture.contains(shown));
        f.filterActions[4]->trigger(); // builds the working image with its stamp
        EXPECT_EQ(upperText(f.engine().photo().displayPicture()->toImage()), shown);

        // Dragged far to the left and down, the stamp stops at the edges.
        f.size50Action->trigger();
        const QPoint grab(4, 4);
        QTest::mousePress(f.stampUpperLabel, Qt::LeftButton, {}, grab);
        moveOver(f.stampUpperLabel, f.stampUpperLabel->pos() + grab + QPoint(-400, 400));
        const QRect dragged = upperText(f.previewViewport->client()->grab().toImage());
        EXPECT_TRUE(picture.contains(dragged));
        EXPECT_GE(dragged.bottom(), 236);
        EXPECT_LE(dragged.left(), 3);
        QTest::mouseRelease(
            f.stampUpperLabel, Qt::LeftButton, {}, f.stampUpperLabel->mapFrom(f.previewViewport->client(), grab));
        EXPECT_EQ(f.settings().anchoring.place, test.dropped);
        EXPECT_EQ(upperText(f.previewViewport->client()->grab().toImage()), dragged);
        f.filterActions[4]->trigger();
        EXPECT_EQ(upperText(f.engine().photo().displayPicture()->toImage()), dragged);
    }
}

TEST_F(MainWindowTest, AStampDroppedInTheWindowIsPrintedAlikeByTheCommandLine)
{
    const QString card = cardWith("DSCN0010.jpg");
    writeIni(QStringLiteral("[STAMP]\nsize_percent=10\n"));
    TestForm& f = start(iniPath(), window());
    openPhoto(card, QStringLiteral("IMG_0001.JPG"));
    // Dropped towards the top right corner.
    const QPoint grab(4, 4);
    QTest::mousePress(f.stampUpperLabel, Qt::LeftButton, {}, grab);
    moveOver(f.stampUpperLabel, f.stampUpperLabel->pos() + grab + QPoint(150, 20));
    QTest::mouseRelease(f.stampUpperLabel, Qt::LeftButton, {},
        f.stampUpperLabel->mapFrom(f.previewViewport->client(), f.stampUpperLabel->pos() + grab));
    ASSERT_EQ(f.settings().anchoring.place, StampAnchoring::Place::TopRight);
    f.saveJpgAction->trigger();
    f.close();
    expectPrintedAlikeByCli(card);
}

TEST_F(MainWindowTest, ABoldStampOverAPannedPhotoIsPrintedAlikeByTheCommandLine)
{
    const QString card = cardWith("Reconyx_HC500_Hyperfire.jpg");
    // A place and an offset that are no whole pixels.
    writeIni("[LABEL]\ntop=37.5\nleft=7\n[DIFF]\nleft=7\ntop=-8\n");
    StandardDialogs::shared().pickers.font = [](const QFont& initial) {
        QFont chosen = initial;
        chosen.setBold(true);
        return std::optional(chosen);
    };
    TestForm& f = start(iniPath(), window());
    // Bold chosen through the date style dialog's font button.
    f.realDateStyle = true;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<DateStyleDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->fontButton()->click();
        dialog->accept();
    });
    f.dateStyleAction->trigger();
    ASSERT_TRUE(f.engine().stampFont().bold());
    openPhoto(card, "IMG_0001.JPG");
    // The stamp keeps its place on the photo while the photo is panned.
    actualSize();
    pan(QPoint(200, 200), QPoint(150, 120));
    ASSERT_EQ(image(), QPoint(-50, -80));
    f.saveJpgAction->trigger();
    f.close();
    expectPrintedAlikeByCli(card);
    // The window after a restart prints it bold too.
    EXPECT_TRUE(start(iniPath(), window()).engine().stampFont().bold());
}

TEST_F(MainWindowTest, TheSizeMenuTicksTheSizeInUseAndStampOnlySetsTheSizesAndEffectsAside)
{
    ASSERT_TRUE(writeFile(iniPath(), "[COEF]\npreview=0.5\n"));
    TestForm& f = start(iniPath(), outputRoot());
    EXPECT_EQ(tickedSizes(), QList<QAction*> { f.size50Action });
    // Chosen twice, an item stays ticked; before any photo as with one.
    f.size80Action->trigger();
    f.size80Action->trigger();
    EXPECT_EQ(tickedSizes(), QList<QAction*> { f.size80Action });
    openCamera("Canon_PowerShot_S40.jpg");
    f.size25Action->trigger();
    EXPECT_EQ(tickedSizes(), QList<QAction*> { f.size25Action });

    // The preview keeps its frame once effects show the working image.
    f.lightenAction->trigger();
    ASSERT_TRUE(f.displayView->isVisible());
    EXPECT_TRUE(f.previewViewport->isVisible());
    EXPECT_TRUE(f.previewViewport->client()->isAncestorOf(f.displayView));
    EXPECT_EQ(f.displayView->geometry(), f.previewImage->geometry());

    // Stamp only: no sizes nor effects, and the photo's own size.
    QCheckBox* stampOnly = f.findChild<OutputOptionsBox*>()->losslessCheck;
    QTest::mouseClick(stampOnly, Qt::LeftButton);
    ASSERT_TRUE(f.settings().losslessStamp);
    EXPECT_FALSE(f.lightenAction->isEnabled());
    for (QAction* item : f.sizeMenu->actions())
        EXPECT_FALSE(item->isEnabled());
    // The stamp is dropped on the photo at the size it is printed on.
    EXPECT_EQ(f.engine().previewSize(), f.engine().photo().photoSize());
    f.saveJpgAction->trigger();
    const QString output = outputRoot() + "/Images/Canon_PowerShot_S40.jpg";
    EXPECT_EQ(QImageReader(output).size(), QImageReader(camera("Canon_PowerShot_S40.jpg")).size());
    EXPECT_EQ(messages, QStringList());

    // Off again, the choices come back; the option is kept for the next start.
    QTest::mouseClick(stampOnly, Qt::LeftButton);
    EXPECT_TRUE(f.lightenAction->isEnabled());
    QTest::mouseClick(stampOnly, Qt::LeftButton);
    f.close();
    EXPECT_TRUE(start().findChild<OutputOptionsBox*>()->losslessCheck->isChecked());
}

TEST_F(MainWindowTest, AChangeOfFolderClearsThePreviewAndBatchSaveTreatsTheFolderShown)
{
    TestForm& f = start(iniPath(), outputRoot());
    const QString cameras = QDir::cleanPath(testPhoto("cameras"));
    const QString orientation = QDir::cleanPath(testPhoto("orientation"));
    // No photo yet: the batch starts all the same.
    ASSERT_TRUE(f.folderList->setPath(cameras));
    f.batchSaveAction->trigger();
    openPath(cameras + "/DSCN0010.jpg");
    f.lightenAction->trigger();

    ASSERT_TRUE(f.folderList->setPath(orientation));
    EXPECT_EQ(f.windowTitle(), "Quillon");
    EXPECT_FALSE(f.previewViewport->isVisible() || f.displayView->isVisible());
    EXPECT_EQ(f.photoSizeLabel->text(), "");
    f.batchSaveAction->trigger();
    EXPECT_EQ(f.batchFolders, QStringList({ cameras, orientation }));
    EXPECT_EQ(messages, QStringList());
}

TEST_F(MainWindowTest, TheWindowAndTheDateDialogStayWithinTheScreen)
{
    // The tests' second screen is smaller than the window's design, as a
    // laptop's is at twice the scale.
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2) GTEST_SKIP() << "one screen only";
    const QRect screen = screens[1]->availableGeometry();
    TestForm& first = start(iniPath(), outputRoot());
    first.move(screen.topLeft());
    first.close();
    TestForm& f = start(iniPath(), outputRoot());
    EXPECT_EQ(f.screen(), screens[1]);
    EXPECT_TRUE(screen.contains(f.frameGeometry())) << f.frameGeometry().width();

    openPath(testPhoto(QStringLiteral("cameras/DSCN0010.jpg")));
    DateStyleDialog dialog(&f, f.settings(), &f.engine());
    dialog.show();
    EXPECT_TRUE(screen.contains(dialog.frameGeometry())) << dialog.frameGeometry().width();
}

TEST_F(MainWindowTest, AStampOfTwoLinesIsShownAndPrintedAlikeByTheCommandLine)
{
    const QString card = cardWith("DSCN0010.jpg");
    // The film preset's, on the caption strip, with auto-contrast.
    Settings stored;
    SettingsFile::load(iniPath(), stored);
    StampPreset::of(StampPreset::Id::Film).applyTo(stored);
    stored.strip.show = true;
    stored.autoContrast = true;
    stored.stampTemplate = QStringLiteral(
        "{date:DD/MM/YYYY HH:MM}\\n{camera} \u00b7 {exposure} \u00b7 f/{aperture} \u00b7 ISO {iso}\\n{lens}");
    ASSERT_TRUE(SettingsFile::save(iniPath(), stored, {}, {}, {}));
    TestForm& f = start(iniPath(), window());
    openPhoto(card, QStringLiteral("IMG_0001.JPG"));
    // The photo has no lens: its line is left out.
    const QString text = QStringLiteral("22/10/2008 16:28\nNIKON COOLPIX P6000 \u00b7 1/75 \u00b7 f/5.9 \u00b7 ISO 64");
    EXPECT_EQ(f.stampUpperLabel->text(), text);
    // Both lines against the right margin, as the printed stamp has them.
    const StampPlacement::Layout shown = f.engine().shownStamp();
    EXPECT_EQ(f.stampUpperLabel->geometry().topLeft(), f.previewImage->pos() + shown.second);
    EXPECT_GT(f.stampUpperLabel->height(), 2 * QFontMetrics(shown.font).ascent());
    // The pictures carry the band below the photo; the glow and the ink
    // chosen by the photo show as printed, not as the labels draw them.
    const QSize preview = f.engine().previewSize();
    EXPECT_EQ(f.previewImage->size(), stored.strip.outputSize(preview));
    EXPECT_GT(f.previewImage->height(), preview.height());
    EXPECT_TRUE(f.displayView->isVisibleTo(&f));
    EXPECT_FALSE(f.stampUpperLabel->isVisibleTo(&f));
    f.saveJpgAction->trigger();
    EXPECT_EQ(f.displayView->size(), f.previewImage->size());
    f.close();
    expectPrintedAlikeByCli(card);
}
