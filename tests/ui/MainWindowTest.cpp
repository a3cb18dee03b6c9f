#include "ui/MainWindow.h"

#include "controls/ValueBar.h"
#include "files/IniFile.h"
#include "platform/AppLocations.h"
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
#include "ui/MainWindowDesign.h"
#include "ui/PictureView.h"
#include "ui/PreviewViewport.h"
#include "ui/StampLabelView.h"
#include "ui/StandardDialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
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
#include <QSet>
#include <QSignalSpy>
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
#include <sys/inotify.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

    QString saveAnswer;
    int dateStyleShown = 0;
    int aboutShown = 0;
    // Opens the real date style dialog instead of counting.
    bool realDateStyle = false;

protected:
    QString askSaveFileName(const QString&, const QString&) override { return saveAnswer; }
    void showDateStyleDialog() override
    {
        ++dateStyleShown;
        if (realDateStyle) MainWindow::showDateStyleDialog();
    }
    void showAboutBox() override { ++aboutShown; }
};

QByteArray bits(const PixelSurface* surface)
{
    if (!surface) return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(surface->bits()), surface->stride() * surface->height());
}

class MainWindowTest : public ::testing::Test {
protected:
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

    QString iniPath() const { return dir.filePath(QStringLiteral("config.ini")); }

    void writeIni(const QString& text)
    {
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

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
        if (form) {
            MessageBox::setHook(outerHook);
            MessageBox::setQuestionHook(outerQuestionHook);
            form.reset();
        }
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

    void openCamera(const QString& name) { openPhoto(testPhoto(QStringLiteral("cameras")), name); }

    // A mouse event with exactly the given buttons held; pos is in the
    // widget's coordinates at the time of the event.
    static void send(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    // Moves the cursor to a point of the viewport's inner area over a widget
    // that may have moved since the button went down.
    void moveOver(QWidget* widget, QPoint inViewport, Qt::MouseButtons held)
    {
        send(widget, QEvent::MouseMove, widget->mapFrom(form->previewViewport->client(), inViewport), Qt::NoButton,
            held);
    }

    // Drags the splitter's handle dx pixels to the right.
    void dragSplitter(int dx)
    {
        QWidget* handle = form->columnSplitter()->handle(1);
        send(handle, QEvent::MouseButtonPress, QPoint(2, 50), Qt::LeftButton, Qt::LeftButton);
        send(handle, QEvent::MouseMove, QPoint(2 + dx, 50), Qt::NoButton, Qt::LeftButton);
        send(handle, QEvent::MouseButtonRelease, QPoint(2 + dx, 50), Qt::LeftButton, Qt::NoButton);
    }
    // Pans the photo by dragging it from one point of the viewport to another.
    void pan(QPoint from, QPoint to)
    {
        QTest::mousePress(form->previewImage, Qt::LeftButton, {}, from);
        moveOver(form->previewImage, to, Qt::LeftButton);
        QTest::mouseRelease(form->previewImage, Qt::LeftButton);
    }
    // How many of the two stamp labels are shown.
    int stampLabelsShown() const
    {
        return int(form->stampLowerLabel->isVisible()) + int(form->stampUpperLabel->isVisible());
    }

    QSize innerSize() const { return form->previewViewport->client()->size(); }
    // How far the photo is panned, in pixels.
    QPoint image() const { return form->previewImage->pos(); }
};

} // namespace

TEST_F(MainWindowTest, FirstStartWithoutSettingsFile)
{
    TestForm& f = start();
    EXPECT_EQ(f.windowTitle(), "Quillon");

    // The stamp: the upper label two pixels left of and below the lower one.
    EXPECT_EQ(f.stampUpperLabel->pos() - f.stampLowerLabel->pos(), QPoint(-2, 2));
    // 16 points on a screen of 96 dots per inch.
    for (const StampLabelView* label : { f.stampLowerLabel, f.stampUpperLabel }) {
        EXPECT_EQ(label->stampFont().family(), "Arial");
        EXPECT_EQ(label->stampFont().pixelSize(), 21);
    }

    // No photo yet: nothing shown, effects off.
    EXPECT_FALSE(f.previewViewport->isVisible());
    EXPECT_FALSE(f.displayView->isVisible());
    for (QAction* effect : { f.applyFilterAction, f.lightenAction, f.darkenAction, f.revertAction })
        EXPECT_FALSE(effect->isEnabled());
}

TEST_F(MainWindowTest, BrowsingOpensThePhotoClickedOrReachedByKeyboard)
{
    TestForm& f = start();
    ASSERT_TRUE(f.folderList->setPath(testPhoto(QString())));
    int broken = -1;
    for (int row = 0; row < f.folderList->count(); ++row)
        if (f.folderList->entryPath(row).endsWith(QLatin1String("/broken"))) broken = row;
    ASSERT_GE(broken, 0);
    const QRect cell = f.folderList->visualItemRect(f.folderList->item(broken));
    // A click or the first letter of a name only selects the entry; Enter
    // opens it. The search for a letter starts below the selected entry, so
    // the folders above the photos do not get in the way.
    QTest::mouseClick(f.folderList->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(f.folderList->currentRow(), broken);
    QTest::keyClick(f.folderList, Qt::Key_C);
    ASSERT_TRUE(f.folderList->entryPath(f.folderList->currentRow()).endsWith(QLatin1String("/cameras")));
    EXPECT_EQ(f.folderList->path(), QDir::cleanPath(testPhoto(QString())));
    QTest::keyClick(f.folderList, Qt::Key_Return);
    EXPECT_EQ(f.fileList->path(), QDir::cleanPath(testPhoto(QStringLiteral("cameras"))));
    ASSERT_EQ(f.fileList->count(), 13); // the .jpeg one included
    EXPECT_EQ(f.fileList->item(0)->text(), "32-lens_data.jpeg");

    openCamera(QStringLiteral("Canon_40D.jpg"));
    EXPECT_EQ(f.engine().photo().photoPath(), QDir::cleanPath(testPhoto(QStringLiteral("cameras/Canon_40D.jpg"))));
    EXPECT_EQ(f.engine().photo().outputPath(), ExecutableInfo::folder() + QStringLiteral("/Images/Canon_40D.jpg"));
    EXPECT_TRUE(f.previewViewport->isVisible());
    EXPECT_FALSE(f.previewImage->picture().isNull());
    EXPECT_EQ(f.photoSizeLabel->text(), "100x68");
    EXPECT_EQ(f.outputSizeLabel->text(), "50x34");
    EXPECT_FALSE(f.stampLowerLabel->text().isEmpty());
    EXPECT_EQ(f.stampLowerLabel->text(), f.stampUpperLabel->text());
    EXPECT_TRUE(f.applyFilterAction->isEnabled());

    QTest::keyClick(f.fileList, Qt::Key_Down);
    EXPECT_EQ(
        f.engine().photo().photoPath(), QDir::cleanPath(testPhoto(QStringLiteral("cameras/Canon_PowerShot_S40.jpg"))));
    EXPECT_EQ(f.photoSizeLabel->text(), "480x360");
    QTest::keyClick(f.fileList, Qt::Key_N);
    EXPECT_EQ(f.engine().photo().photoPath(), QDir::cleanPath(testPhoto(QStringLiteral("cameras/nikon-e950.jpg"))));

    // Enter opens the selected photo again, as a click on it does.
    f.lightenAction->trigger();
    ASSERT_TRUE(f.engine().photo().workReady());
    QTest::keyClick(f.fileList, Qt::Key_Return);
    EXPECT_FALSE(f.engine().photo().workReady());
    EXPECT_TRUE(f.previewViewport->isVisible());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(MainWindowTest, EveryMenuHasMnemonicsAndTheUsualShortcuts)
{
    TestForm& f = start();
    // Each menu and item has its own mnemonic within its menu.
    const auto mnemonic = [](const QString& caption) {
        const qsizetype at = caption.indexOf(QLatin1Char('&'));
        return at >= 0 && at + 1 < caption.size() ? caption[at + 1].toLower() : QChar();
    };
    const MainMenuBar& bar = *qobject_cast<MainMenuBar*>(f.menuBar());
    QList<QMenu*> menus { f.fileMenu, bar.editMenu, f.sizeMenu, f.effectMenu, f.filterMenu, f.optionsMenu };
    QList<QChar> barKeys;
    for (QMenu* menu : menus) {
        if (menu != f.filterMenu) barKeys << mnemonic(menu->title());
        QList<QChar> keys;
        for (QAction* item : menu->actions()) {
            if (item->isSeparator()) continue;
            keys << mnemonic(item->text());
            EXPECT_FALSE(keys.last().isNull()) << item->text().toStdString();
            EXPECT_EQ(keys.count(keys.last()), 1) << item->text().toStdString();
        }
    }
    EXPECT_EQ(QSet<QChar>(barKeys.begin(), barKeys.end()).size(), 5);

    // Each key reaches its own item and no other. Without a photo the
    // commands only ask for one, so every item is enabled for the round.
    struct Case {
        QKeySequence keys;
        QAction* item;
    };
    const Case cases[] = {
        { QKeySequence(Qt::CTRL | Qt::Key_S), f.saveJpgAction },
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), f.saveBmpAction },
        { QKeySequence(Qt::CTRL | Qt::Key_B), f.batchSaveAction },
        { QKeySequence(Qt::CTRL | Qt::Key_C), bar.copyItem },
        { QKeySequence(Qt::CTRL | Qt::Key_I), f.exifAction },
        { QKeySequence(Qt::CTRL | Qt::Key_D), f.dateStyleAction },
        { QKeySequence(Qt::CTRL | Qt::Key_F), f.applyFilterAction },
        { QKeySequence(Qt::CTRL | Qt::Key_Plus), f.lightenAction },
        { QKeySequence(Qt::CTRL | Qt::Key_Equal), f.lightenAction },
        { QKeySequence(Qt::CTRL | Qt::Key_Minus), f.darkenAction },
        { QKeySequence(Qt::Key_F1), f.aboutAction },
        { QKeySequence(Qt::CTRL | Qt::Key_Q), f.exitAction },
    };
    QList<QAction*> items;
    for (QMenu* menu : menus)
        for (QAction* item : menu->actions())
            if (!item->isSeparator() && !item->menu()) items << item;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.keys.toString().toStdString());
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (QAction* item : items) {
            item->setEnabled(true);
            spies.push_back(std::make_unique<QSignalSpy>(item, &QAction::triggered));
        }
        QTest::keySequence(&f, test.keys);
        for (qsizetype i = 0; i < items.size(); ++i)
            EXPECT_EQ(spies[i]->count(), items[i] == test.item ? 1 : 0) << items[i]->text().toStdString();
    }
    EXPECT_EQ(f.dateStyleShown, 1);
    EXPECT_EQ(f.aboutShown, 1);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(MainWindowTest, DroppingAPhotoOpensItAndAFolderShowsIt)
{
    QFile::copy(testPhoto(QStringLiteral("cameras/Canon_40D.jpg")), dir.filePath(QStringLiteral("IMG_0001.JPG")));
    QFile::copy(testPhoto(QStringLiteral("cameras/Canon_40D.jpg")), dir.filePath(QStringLiteral("notes.txt")));
    TestForm& f = start();
    EXPECT_EQ(f.windowTitle(), "Quillon");

    // A drag is taken only when it brings a folder or a photo; a drop
    // opens what the drag brought.
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
    ASSERT_TRUE(drop(dir.filePath(QStringLiteral("IMG_0001.JPG"))));
    EXPECT_EQ(f.engine().photo().photoPath(), QDir::cleanPath(dir.filePath(QStringLiteral("IMG_0001.JPG"))));
    EXPECT_EQ(f.photoSizeLabel->text(), "100x68");
    EXPECT_EQ(f.folderList->path(), QDir::cleanPath(dir.path()));
    EXPECT_EQ(f.fileList->fileName(), "IMG_0001.JPG");
    EXPECT_EQ(f.windowTitle(), QStringLiteral("IMG_0001.JPG — Quillon"));

    // A folder is shown; the photo stays open.
    const QString cameras = QDir::cleanPath(testPhoto(QStringLiteral("cameras")));
    ASSERT_TRUE(drop(cameras));
    EXPECT_EQ(f.folderList->path(), cameras);
    EXPECT_EQ(f.fileList->path(), cameras);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("IMG_0001.JPG — Quillon"));

    // Neither a photo nor a folder: the drag is refused, and so is the path.
    EXPECT_FALSE(drop(dir.filePath(QStringLiteral("notes.txt"))));
    EXPECT_FALSE(drop(dir.filePath(QStringLiteral("missing.jpg"))));
    EXPECT_FALSE(f.openPath(dir.filePath(QStringLiteral("notes.txt"))));
    EXPECT_EQ(f.folderList->path(), cameras);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(MainWindowTest, DrivesThatCannotBeReadHideTheLists)
{
    TestForm& f = start();
    f.driveList->setDrives({ QStringLiteral("/"), dir.filePath(QStringLiteral("no-medium")) });
    f.driveList->setCurrentIndex(1);
    EXPECT_FALSE(f.folderList->isVisible());
    EXPECT_FALSE(f.fileList->isVisible());
    f.driveList->setCurrentIndex(0);
    EXPECT_TRUE(f.folderList->isVisible());
    EXPECT_TRUE(f.fileList->isVisible());
    EXPECT_TRUE(f.folderList->path().startsWith(QLatin1Char('/')));
}

TEST_F(MainWindowTest, ViewportFitsTheWindowButNeverExceedsThePhoto)
{
    TestForm& f = start();
    openCamera(QStringLiteral("DSCN0010.jpg")); // 320 x 240 at one half
    EXPECT_EQ(innerSize(), QSize(320, 240));
    f.resize(f.width() + 100, f.height() + 100);
    QApplication::processEvents();
    EXPECT_EQ(innerSize(), QSize(320, 240));

    // A larger photo fills the area right of the column, less the margins.
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg")); // 1024 x 768
    const QWidget* area = f.previewViewport->parentWidget();
    EXPECT_EQ(area->x(), f.fileList->width() + f.columnSplitter()->handleWidth());
    EXPECT_EQ(f.previewViewport->size(), area->size() - QSize(8, 12));
}

TEST_F(MainWindowTest, TheColumnWidensWithTheSplitterAndTheFileListGrowsWithTheWindow)
{
    TestForm& f = start();
    // The design's sizes are the least the controls get.
    const std::pair<QWidget*, TwipsRect> designed[]
        = { { f.driveList, MainWindowDesign::driveList }, { f.folderList, MainWindowDesign::folderList },
              { f.fileList, MainWindowDesign::fileList }, { f.jpegOptionsBox, MainWindowDesign::jpegOptionsBox },
              { f.photoSizeLabel, MainWindowDesign::photoSizeLabel } };
    for (const auto& [widget, design] : designed) {
        EXPECT_GE(widget->width(), design.pixelSize().width()) << widget->metaObject()->className();
        EXPECT_GE(widget->height(), design.pixelSize().height()) << widget->metaObject()->className();
    }

    // A taller window shows more files; the options keep their height.
    const int files = f.fileList->height();
    const int folders = f.folderList->height();
    const int options = f.jpegOptionsBox->height();
    f.resize(f.width(), f.height() + 300);
    QApplication::processEvents();
    EXPECT_GT(f.fileList->height(), files + 150);
    EXPECT_GT(f.fileList->height() - files, f.folderList->height() - folders);
    EXPECT_EQ(f.jpegOptionsBox->height(), options);

    // Dragging the splitter hands the column room from the picture area; the
    // viewport follows the area.
    const int quality = f.qualityBar->width();
    dragSplitter(100);
    EXPECT_EQ(f.fileList->width(), 325);
    EXPECT_EQ(f.qualityBar->width(), quality + 100);
    EXPECT_EQ(f.previewViewport->parentWidget()->x(), 325 + 7);
    EXPECT_EQ(f.previewViewport->width(), f.previewViewport->parentWidget()->width() - 8);

    // The window does not shrink below what the column and the viewport need.
    f.resize(150, 100);
    QApplication::processEvents();
    EXPECT_GE(f.fileList->height(), MainWindowDesign::fileList.pixelSize().height());
    EXPECT_GE(f.previewViewport->width(), MainWindowDesign::previewViewport.pixelSize().width());
}

TEST_F(MainWindowTest, PanningKeepsThePhotoOverTheViewport)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg"));
    const QSize inner = innerSize();
    ASSERT_LT(inner.width(), 1024);
    ASSERT_LT(inner.height(), 768);

    // The grabbed point follows the cursor.
    QTest::mousePress(f.previewImage, Qt::LeftButton, {}, QPoint(100, 100));
    moveOver(f.previewImage, QPoint(60, 70), Qt::LeftButton);
    EXPECT_EQ(image(), QPoint(-40, -30));

    // Dragging down past the top stops at 0; a fast drag up stops with the
    // lower edge on the viewport's lower edge.
    moveOver(f.previewImage, QPoint(60, 300), Qt::LeftButton);
    EXPECT_EQ(image(), QPoint(-40, 0));
    moveOver(f.previewImage, QPoint(60, -2000), Qt::LeftButton);
    EXPECT_EQ(image().y(), inner.height() - 768);
    // (Above and left of the photo's corner both X and Y are below 2.)
    moveOver(f.previewImage, QPoint(-5000, 100), Qt::LeftButton);
    EXPECT_EQ(image().x(), inner.width() - 1024);
    QTest::mouseRelease(f.previewImage, Qt::LeftButton);

    // Right, or both buttons, neither pan nor drag the stamp.
    const QPoint placed = f.previewImage->pos();
    const QPoint stamp = f.stampUpperLabel->pos();
    for (Qt::MouseButtons held : { Qt::MouseButtons(Qt::RightButton), Qt::LeftButton | Qt::RightButton }) {
        send(f.previewImage, QEvent::MouseButtonPress, QPoint(300, 300), Qt::RightButton, held);
        moveOver(f.previewImage, QPoint(400, 300), held);
        send(f.stampUpperLabel, QEvent::MouseButtonPress, QPoint(3, 3), Qt::RightButton, held);
        send(f.stampUpperLabel, QEvent::MouseMove, QPoint(40, 40), Qt::NoButton, held);
    }
    EXPECT_EQ(f.previewImage->pos(), placed);
    EXPECT_EQ(f.stampUpperLabel->pos(), stamp);
}

TEST_F(MainWindowTest, MovesNearThePhotosCornerDoNotPan)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg"));
    QTest::mousePress(f.previewImage, Qt::LeftButton, {}, QPoint(50, 50));
    // Two pixels: inside the dead zone on both axes.
    send(f.previewImage, QEvent::MouseMove, QPoint(2, 2), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(image(), QPoint(0, 0));
    // Three pixels across is outside it: the photo moves up and left.
    send(f.previewImage, QEvent::MouseMove, QPoint(3, 2), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(image(), QPoint(-(50 - 3), -(50 - 2)));
}

TEST_F(MainWindowTest, DraggingTheStampMovesBothLabelsAndSurvivesARestart)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg"));
    // Pan first, so that the tool tip counts from the photo's corner.
    pan(QPoint(200, 200), QPoint(190, 180));
    ASSERT_EQ(image(), QPoint(-10, -20));

    const QPoint before = f.stampUpperLabel->pos();
    QTest::mousePress(f.stampUpperLabel, Qt::LeftButton, {}, QPoint(5, 5));
    moveOver(f.stampUpperLabel, f.stampUpperLabel->pos() + QPoint(25, 15), Qt::LeftButton);
    moveOver(f.stampUpperLabel, f.stampUpperLabel->pos() + QPoint(45, 45), Qt::LeftButton);
    QTest::mouseRelease(f.stampUpperLabel, Qt::LeftButton);
    EXPECT_EQ(f.stampUpperLabel->pos(), before + QPoint(60, 50));
    EXPECT_EQ(f.stampLowerLabel->pos(), f.stampUpperLabel->pos() + QPoint(2, -2));
    // The tool tip and the stamp's position count on the photo.
    const QPoint upper = f.stampUpperLabel->pos() - image();
    EXPECT_EQ(f.stampUpperLabel->toolTip(), QStringLiteral("position : %1 - %2").arg(upper.x()).arg(upper.y()));
    EXPECT_EQ(f.engine().stampPosition(), QPointF(upper + QPoint(2, -2)));

    // The next start shows the stamp where it was printed, on the photo at
    // the viewport's corner.
    const QPointF stored = f.engine().stampPosition();
    f.close();
    TestForm& again = start();
    EXPECT_EQ(again.engine().stampPosition(), stored);
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg"));
    EXPECT_EQ(again.stampUpperLabel->pos(), upper);
}

TEST_F(MainWindowTest, SizeItemsCheckThemselvesAndReopenThePhoto)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg"));
    pan(QPoint(200, 200), QPoint(100, 100));
    f.lightenAction->trigger();
    ASSERT_TRUE(f.displayView->isVisible());

    // The same scale again still drops the effects and returns to the corner.
    f.size50Action->trigger();
    EXPECT_EQ(image(), QPoint(0, 0));
    EXPECT_FALSE(f.displayView->isVisible());
    EXPECT_TRUE(f.previewViewport->isVisible());
    EXPECT_FALSE(f.engine().photo().workReady());

    f.size37Action->trigger();
    f.size37Action->trigger();
    EXPECT_EQ(f.outputSizeLabel->text(), "768x576");
    for (QAction* size :
        { f.size25Action, f.size37Action, f.size50Action, f.size62Action, f.size80Action, f.size100Action })
        EXPECT_EQ(size->isChecked(), size == f.size37Action);
    EXPECT_EQ(f.previewImage->size(), QSize(768, 576));
}

TEST_F(MainWindowTest, ChoosingAFilterAppliesNothingUntilAplyFilterAndRevertUndoesAll)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Canon_PowerShot_S40.jpg"));
    f.filterActions[1]->trigger(); // Blur More
    EXPECT_TRUE(f.displayView->isVisible());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(f.filterActions[i]->isChecked(), i == 1);
    const QByteArray built = bits(f.engine().photo().workImage());

    f.applyFilterAction->trigger();
    f.applyFilterAction->trigger();
    f.filterActions[7]->trigger(); // Emboss, chosen only
    const QByteArray treated = bits(f.engine().photo().workImage());
    EXPECT_NE(treated, built);

    // The same photo through the engine alone: Blur More twice.
    Settings settings = f.settings();
    PhotoEngine reference(settings);
    reference.setPhotoPaths(f.engine().photo().photoPath(), dir.path());
    reference.openPhoto();
    reference.buildWorkingImage();
    EXPECT_EQ(bits(reference.photo().workImage()), built);
    reference.processImage(2);
    reference.processImage(2);
    EXPECT_EQ(bits(reference.photo().workImage()), treated);
    // Revert to original undoes them all; the working image stays shown.
    f.lightenAction->trigger();
    f.revertAction->trigger();
    EXPECT_EQ(bits(f.engine().photo().workImage()), built);
    EXPECT_TRUE(f.displayView->isVisible());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindowTest, FillOutputOptionsShowsTheCompanionSize)
{
    struct Case {
        const char* vignet;
        const char* width;
        const char* height;
        bool heightSelected;
        int32_t storedHeight;
        int32_t storedWidth;
    };
    const Case cases[] = {
        { "Height=100\nWidth=0", "133", "100", true, 100, 0 }, // 133.33
        { "Height=0\nWidth=150", "150", "112", false, 0, 150 }, // 112.5 to the even 112
        { "Height=0\nWidth=200", "200", "150", false, 0, 200 },
        { "Height=90\nWidth=200", "120", "90", true, 90, 0 }, // the height rule wins
        { "Height=10000\nWidth=0", "10000", "10000", true, 10000, 0 }, // a companion the box takes
    };
    for (const Case& test : cases) {
        writeIni(QStringLiteral("[VIGNET]\nshow=0\n%1\n[COEF]\nJPG=64\n").arg(QLatin1String(test.vignet)));
        TestForm& f = start();
        SCOPED_TRACE(test.vignet);
        EXPECT_EQ(f.thumbnailWidthEdit->text(), test.width);
        EXPECT_EQ(f.thumbnailHeightEdit->text(), test.height);
        EXPECT_EQ(f.thumbnailHeightOption->isChecked(), test.heightSelected);
        EXPECT_EQ(f.settings().thumbHeight, test.storedHeight);
        EXPECT_EQ(f.settings().thumbWidth, test.storedWidth);
        EXPECT_FALSE(f.settings().thumbShow);
        EXPECT_EQ(f.settings().jpegQuality, 64);
    }
}

TEST_F(MainWindowTest, StoreOutputOptionsKeepsOnlyTheSelectedBox)
{
    TestForm& f = start();
    Settings& s = f.settings();
    QTest::mouseClick(f.thumbnailWidthOption, Qt::LeftButton);
    EXPECT_EQ(s.thumbHeight, 0);
    EXPECT_EQ(s.thumbWidth, 120);

    // The other box is a companion only.
    f.thumbnailHeightEdit->clear();
    QTest::keyClicks(f.thumbnailHeightEdit, QStringLiteral("77"));
    EXPECT_EQ(s.thumbHeight, 0);
    EXPECT_EQ(s.thumbWidth, 120);

    QTest::mouseClick(f.thumbnailHeightOption, Qt::LeftButton);
    EXPECT_EQ(s.thumbHeight, 77);
    EXPECT_EQ(s.thumbWidth, 0);

    // Emptied while retyped: the last number stays.
    f.thumbnailHeightEdit->clear();
    EXPECT_EQ(s.thumbHeight, 77);
    QTest::keyClicks(f.thumbnailHeightEdit, QStringLiteral("62"));
    EXPECT_EQ(s.thumbHeight, 62);

    QTest::mouseClick(f.thumbnailCheck, Qt::LeftButton);
    EXPECT_FALSE(s.thumbShow);
    f.qualityBar->setValue(40.5);
    EXPECT_EQ(s.jpegQuality, 40);
}

TEST_F(MainWindowTest, ShowDateHidesTheStampAndDateStyleKeepsItHidden)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Canon_40D.jpg"));
    const QString canonDate = f.stampLowerLabel->text();
    ASSERT_FALSE(canonDate.isEmpty());

    f.showDateAction->trigger();
    EXPECT_FALSE(f.showDateAction->isChecked());
    EXPECT_EQ(stampLabelsShown(), 0);

    // A photo opened while the date is off shows its own date once it is on.
    openCamera(QStringLiteral("Nikon_D70.jpg"));
    EXPECT_EQ(stampLabelsShown(), 0);
    f.showDateAction->trigger();
    EXPECT_TRUE(f.showDateAction->isChecked());
    EXPECT_EQ(stampLabelsShown(), 2);
    EXPECT_EQ(f.stampLowerLabel->text(), f.engine().computeDateText());
    EXPECT_NE(f.stampLowerLabel->text(), canonDate);

    // The date style dialog refreshes the labels' text, but a stamp that
    // will not be printed is not shown.
    f.showDateAction->trigger();
    f.dateStyleAction->trigger();
    EXPECT_EQ(f.dateStyleShown, 1);
    EXPECT_EQ(stampLabelsShown(), 0);
    EXPECT_FALSE(f.showDateAction->isChecked());
    f.showDateAction->trigger();
    f.dateStyleAction->trigger();
    EXPECT_EQ(stampLabelsShown(), 2);
}

TEST_F(MainWindowTest, TheLooksOfTheEffectMenuAddUpAndCopyTakesThePictureAsSaved)
{
    TestForm& f = start();
    const MainMenuBar& bar = *qobject_cast<MainMenuBar*>(f.menuBar());
    QGuiApplication::clipboard()->clear();
    bar.copyItem->trigger(); // no photo yet
    EXPECT_EQ(messages, QStringList { "Open a photo first." });
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());

    openCamera(QStringLiteral("Canon_PowerShot_S40.jpg"));
    ASSERT_EQ(bar.effectItems.size(), 3u);
    for (const auto& [item, effect] : bar.effectItems)
        EXPECT_TRUE(item->isEnabled());
    bar.effectItems[0].first->trigger(); // grey
    bar.effectItems[2].first->trigger(); // grain
    const QByteArray treated = bits(f.engine().photo().workImage());

    // The same photo through the engine alone.
    Settings settings = f.settings();
    PhotoEngine reference(settings);
    reference.setStampPosition(f.engine().stampPosition());
    reference.setPhotoPaths(f.engine().photo().photoPath(), dir.path());
    reference.openPhoto();
    reference.buildWorkingImage();
    reference.applyEffect(PhotoEffect::Grey);
    reference.applyEffect(PhotoEffect::Grain);
    EXPECT_EQ(bits(reference.photo().workImage()), treated);

    // Copy takes the display, stamp included, as Save as BMP writes it.
    bar.copyItem->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32),
        f.engine().photo().displayPicture()->toImage().convertToFormat(QImage::Format_RGB32));
    EXPECT_NE(copied.convertToFormat(QImage::Format_RGB32),
        f.engine().photo().workImage()->toImage().convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(f.statusBar()->currentMessage(), "The picture is on the clipboard.");
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(MainWindowTest, ABatchLocksThePhotoCommandsAndLeavesTheOpenPhotoAsItWas)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Canon_40D.jpg"));
    const QString open = f.engine().photo().photoPath();
    for (const char* name : { "trip/a.jpg", "trip/b.jpg" })
        ASSERT_TRUE(writeFile(dir.filePath(name), readFile(testPhoto("cameras/Nikon_D70.jpg"))));
    ASSERT_TRUE(f.folderList->setPath(dir.filePath("trip")));

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
    EXPECT_TRUE(QFile::exists(dir.filePath("out/Images/trip/b.jpg")));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("2 of 2 photos treated.")) << messages[0].toStdString();
    // The window still shows the photo it had open, and can save it.
    EXPECT_EQ(f.engine().photo().photoPath(), open);
    EXPECT_TRUE(f.engine().photo().workReady());
    EXPECT_TRUE(f.displayView->isVisible());
}

TEST_F(MainWindowTest, AReadOnlyCopyKeepsItsSettingsAndOutputsInTheUsersFolders)
{
    const AppLocations places = AppLocations::decide(dir.filePath(QStringLiteral("bin")),
        { dir.filePath(QStringLiteral("home/.config")), dir.filePath(QStringLiteral("home/Pictures")) },
        [](const QString&) { return false; });
    const QString pictures = dir.filePath(QStringLiteral("home/Pictures/Quillon"));

    TestForm& f = start(places.settingsFile(), places.outputRoot());
    EXPECT_EQ(f.settings().targetFolder, pictures);
    openCamera(QStringLiteral("Canon_PowerShot_S40.jpg"));
    f.saveJpgAction->trigger();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(QImageReader(pictures + QStringLiteral("/Images/Canon_PowerShot_S40.jpg")).size(), QSize(240, 180));
    EXPECT_EQ(QImageReader(pictures + QStringLiteral("/Miniatures/Canon_PowerShot_S40.jpg")).size(), QSize(120, 90));

    f.qualityBar->setValue(65);
    f.exitAction->trigger();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(start(places.settingsFile(), places.outputRoot()).settings().jpegQuality, 65);
}

TEST_F(MainWindowTest, SettingsThatCannotBeWrittenAreReportedOnceWithTheReason)
{
    // Root may write anywhere: a file where the folder should be stops it.
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("home")), "not a folder"));
    const QString settingsFile = dir.filePath(QStringLiteral("home/quillon/config.ini"));
    TestForm& f = start(settingsFile, dir.path());
    f.saveSettings();
    f.exitAction->trigger();
    ASSERT_EQ(messages.size(), 1) << messages.join('\n').toStdString();
    EXPECT_EQ(messages[0], QStringLiteral("The settings could not be saved in %1: Not a directory.").arg(settingsFile));
}

TEST_F(MainWindowTest, SaveAsBmpWritesTheDisplayUnlessCancelled)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Canon_PowerShot_S40.jpg"));
    f.saveBmpAction->trigger(); // cancelled: no answer
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());

    // Saved under exactly the name given, whatever its ending.
    f.saveAnswer = dir.filePath(QStringLiteral("stamped.picture"));
    f.saveBmpAction->trigger();
    QImageReader reader(f.saveAnswer);
    EXPECT_EQ(reader.format(), "bmp");
    const QImage written = reader.read();
    EXPECT_EQ(written.size(), QSize(240, 180));
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32),
        f.engine().photo().displayPicture()->toImage().convertToFormat(QImage::Format_RGB32));

    f.saveAnswer = dir.filePath(QStringLiteral("missing/folder/x.bmp"));
    f.saveBmpAction->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QLatin1String("x.bmp")));
}

TEST_F(MainWindowTest, ClosingWritesEveryKeyThatTheNextStartReadsBack)
{
    TestForm& f = start();
    ASSERT_TRUE(f.folderList->setPath(testPhoto(QStringLiteral("cameras"))));
    f.size37Action->trigger();
    f.qualityBar->setValue(65);
    QTest::mouseClick(f.thumbnailWidthOption, Qt::LeftButton);
    const Settings stored = f.settings();
    f.exitAction->trigger();

    EXPECT_EQ(IniFile::readValue(iniPath(), QStringLiteral("PATH"), QStringLiteral("folder"), QString()),
        QDir::cleanPath(testPhoto(QStringLiteral("cameras"))));

    TestForm& again = start();
    EXPECT_EQ(again.settings(), stored);
    EXPECT_EQ(again.folderList->path(), QDir::cleanPath(testPhoto(QStringLiteral("cameras"))));
    EXPECT_EQ(again.fileList->count(), 13);
    EXPECT_TRUE(again.thumbnailWidthOption->isChecked());
    // The choices of the menus are not kept.
    EXPECT_FALSE(again.size37Action->isChecked());
    EXPECT_TRUE(again.filterActions[4]->isChecked());
}

TEST_F(MainWindowTest, TheWindowComesBackAsItWasLeft)
{
    TestForm& f = start();
    f.resize(760, 540);
    dragSplitter(60);
    ASSERT_EQ(f.fileList->width(), 285);
    f.close();
    EXPECT_EQ(IniFile::readValue(iniPath(), QStringLiteral("WINDOW"), QStringLiteral("maximized"), QString()), "False");

    TestForm& again = start();
    EXPECT_EQ(again.size(), QSize(760, 540));
    EXPECT_EQ(again.fileList->width(), 285);
    EXPECT_FALSE(again.isMaximized());

    again.showMaximized();
    again.close();
    EXPECT_EQ(IniFile::readValue(iniPath(), QStringLiteral("WINDOW"), QStringLiteral("maximized"), QString()), "True");
    EXPECT_TRUE(start().isMaximized());

    // Values that do not read back leave the design's size.
    form.reset();
    writeIni(QStringLiteral("[WINDOW]\ngeometry=bm90IGEgZ2VvbWV0cnk=\nsplitter=%%%\nmaximized=perhaps\n"));
    TestForm& fresh = start();
    EXPECT_EQ(fresh.centralWidget()->size(), QSize(896, 500));
    EXPECT_EQ(fresh.fileList->width(), 225);
    EXPECT_FALSE(fresh.isMaximized());
}

TEST_F(MainWindowTest, TheExifWindowFollowsTheOpenedPhoto)
{
    start();
    openCamera(QStringLiteral("Canon_40D.jpg"));
    form->exifAction->trigger();
    ASSERT_NE(ExifWindow::instance(), nullptr);
    EXPECT_TRUE(form->settings().exifShown);
    EXPECT_TRUE(ExifWindow::instance()->textEdit()->toPlainText().contains("FNumber: f/7.1\n"));

    // Another photo refreshes the one window, date shown or not.
    form->showDateAction->trigger();
    openCamera(QStringLiteral("Nikon_D70.jpg"));
    ASSERT_NE(ExifWindow::instance(), nullptr);
    EXPECT_TRUE(ExifWindow::instance()->textEdit()->toPlainText().contains("NIKON D70"));

    EXPECT_FALSE(ExifWindow::instance()->dateSource()->isVisibleTo(ExifWindow::instance()));

    // A date that is not EXIF's is named with where it came from.
    form->settings().nameDateFallback = true;
    form->settings().dateFormat = QStringLiteral("YYYY-MM-DD HH:MM");
    ASSERT_TRUE(writeFile(dir.filePath("phone/IMG_20190712_153045.jpg"), smallJpeg(64, 48)));
    openPhoto(dir.filePath("phone"), QStringLiteral("IMG_20190712_153045.jpg"));
    ASSERT_NE(ExifWindow::instance(), nullptr);
    EXPECT_TRUE(ExifWindow::instance()->dateSource()->isVisibleTo(ExifWindow::instance()));
    EXPECT_EQ(ExifWindow::instance()->dateSource()->text(), "Stamp: 2019-07-12 15:30 (date from the file name)");

    // The window goes with the main window.
    form.reset();
    EXPECT_EQ(ExifWindow::instance(), nullptr);
}

TEST_F(MainWindowTest, AFailedOpenShowsNoPhotoAndAPartlyDecodedOneWarnsOnce)
{
    const QString photos = dir.filePath(QStringLiteral("photos"));
    const QByteArray jpeg = readFile(testPhoto(QStringLiteral("cameras/DSCN0010.jpg")));
    ASSERT_TRUE(writeFile(photos + QStringLiteral("/good.jpg"), jpeg));
    ASSERT_TRUE(writeFile(photos + QStringLiteral("/empty.jpg"), QByteArray()));
    ASSERT_TRUE(writeFile(photos + QStringLiteral("/text.jpg"), "not a picture"));
    ASSERT_TRUE(writeFile(photos + QStringLiteral("/cut.jpg"), jpeg.left(jpeg.size() * 2 / 3)));

    TestForm& f = start();
    // Without a photo the commands only ask for one; the filter stays.
    f.saveJpgAction->trigger();
    f.filterActions[1]->trigger();
    EXPECT_EQ(messages, QStringList({ "Open a photo first.", "Open a photo first." }));
    EXPECT_TRUE(f.filterActions[4]->isChecked());
    EXPECT_FALSE(f.filterActions[1]->isChecked());

    for (const QString& bad : { QStringLiteral("empty.jpg"), QStringLiteral("text.jpg") }) {
        // After the previous photo's preview, and after its working image.
        for (const bool built : { false, true }) {
            SCOPED_TRACE(bad.toStdString() + (built ? " after an effect" : ""));
            openPhoto(photos, QStringLiteral("good.jpg"));
            EXPECT_EQ(f.windowTitle(), QStringLiteral("good.jpg — Quillon"));
            if (built) f.lightenAction->trigger();
            messages.clear();
            openPhoto(photos, bad);
            ASSERT_EQ(messages.size(), 1);
            EXPECT_TRUE(messages[0].contains(bad)) << messages[0].toStdString();
            EXPECT_TRUE(warned.contains(messages[0]));
            EXPECT_EQ(f.windowTitle(), "Quillon");
            f.saveJpgAction->trigger();
            EXPECT_EQ(messages.last(), "Open a photo first.");
            // As at start-up: neither picture, stamp nor sizes.
            EXPECT_FALSE(f.previewViewport->isVisible());
            EXPECT_FALSE(f.displayView->isVisible());
            EXPECT_EQ(f.photoSizeLabel->text(), "");
            EXPECT_EQ(f.outputSizeLabel->text(), "");
            EXPECT_EQ(f.stampLowerLabel->text(), "");
            EXPECT_FALSE(f.lightenAction->isEnabled());
            // A size is only kept for the next photo.
            f.size50Action->trigger();
            EXPECT_EQ(messages.size(), 2);
            EXPECT_FALSE(f.previewViewport->isVisible());
        }
    }

    // A photo cut short opens, grey where the data ends, with the batch's
    // warning; its working image and another size do not repeat it.
    messages.clear();
    openPhoto(photos, QStringLiteral("cut.jpg"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QLatin1String("cut.jpg\" is damaged"))) << messages[0].toStdString();
    EXPECT_TRUE(warned.contains(messages[0]));
    EXPECT_FALSE(warned.contains(QStringLiteral("Open a photo first.")));
    EXPECT_TRUE(f.previewViewport->isVisible());
    f.lightenAction->trigger();
    f.size37Action->trigger();
    f.darkenAction->trigger();
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(f.displayView->isVisible());
}

TEST_F(MainWindowTest, SavesSayWhatWasWrittenAndWhereUntilTheNextCommand)
{
    const QString out = dir.filePath(QStringLiteral("out"));
    TestForm& f = start(iniPath(), out);
    // The bar lies below the design's client area.
    EXPECT_TRUE(f.statusBar()->isVisible());
    EXPECT_GE(f.statusBar()->y(), f.centralWidget()->geometry().bottom());
    EXPECT_EQ(f.statusBar()->currentMessage(), "");

    openCamera(QStringLiteral("Canon_PowerShot_S40.jpg"));
    f.saveJpgAction->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(),
        QStringLiteral("Saved Canon_PowerShot_S40.jpg and its thumbnail to %1/Images").arg(out));
    // The menus passing over their items leave it; the next command clears it.
    QStatusTipEvent tip { QString() };
    QApplication::sendEvent(&f, &tip);
    EXPECT_NE(f.statusBar()->currentMessage(), "");
    f.lightenAction->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(), "");

    // Without a thumbnail only the photo is written.
    const QString thumbnail = out + QStringLiteral("/Miniatures/Canon_PowerShot_S40.jpg");
    ASSERT_TRUE(QFile::remove(thumbnail));
    QTest::mouseClick(f.thumbnailCheck, Qt::LeftButton);
    f.saveJpgAction->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(), QStringLiteral("Saved Canon_PowerShot_S40.jpg to %1/Images").arg(out));
    EXPECT_FALSE(QFile::exists(thumbnail));
    openCamera(QStringLiteral("DSCN0010.jpg"));
    EXPECT_EQ(f.statusBar()->currentMessage(), "");

    f.saveAnswer = dir.filePath(QStringLiteral("stamped.bmp"));
    f.saveBmpAction->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(), QStringLiteral("Saved stamped.bmp to %1").arg(dir.path()));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    // A save that fails says which file and why, in words, and nothing more.
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("blocked/Images")), "a file where the folder should be"));
    TestForm& blocked = start(iniPath(), dir.filePath(QStringLiteral("blocked")));
    openCamera(QStringLiteral("DSCN0010.jpg"));
    blocked.saveJpgAction->trigger();
    EXPECT_EQ(messages,
        QStringList { QStringLiteral("DSCN0010.jpg was not saved: %1/Images/DSCN0010.jpg: Not a directory.")
                          .arg(dir.filePath(QStringLiteral("blocked"))) });
    EXPECT_EQ(blocked.statusBar()->currentMessage(), "");
}

TEST_F(MainWindowTest, SaveAsJpgAsksBeforeReplacingAnotherPhotosOutput)
{
    // Two cards, one file name.
    const QString card1 = dir.filePath(QStringLiteral("card1"));
    const QString card2 = dir.filePath(QStringLiteral("card2"));
    const QString name = QStringLiteral("IMG_0001.JPG");
    ASSERT_TRUE(writeFile(card1 + "/" + name, readFile(testPhoto(QStringLiteral("cameras/Canon_PowerShot_S40.jpg")))));
    ASSERT_TRUE(writeFile(card2 + "/" + name, readFile(testPhoto(QStringLiteral("cameras/DSCN0010.jpg")))));
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString image = out + QStringLiteral("/Images/IMG_0001.JPG");
    const QString kept = out + QStringLiteral("/Images/IMG_0001 (2).JPG");
    const QString keptThumbnail = out + QStringLiteral("/Miniatures/IMG_0001 (2).JPG");
    TestForm& f = start(iniPath(), out);

    // The first card's photo, saved, treated and saved again: its own
    // output is replaced without a question.
    openPhoto(card1, name);
    f.saveJpgAction->trigger();
    f.lightenAction->trigger();
    f.saveJpgAction->trigger();
    EXPECT_TRUE(questions.isEmpty());
    const QByteArray first = readFile(image);

    // The second card's: asked; Cancel writes nothing.
    openPhoto(card2, name);
    answers = { 2 };
    f.saveJpgAction->trigger();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains(name)) << questions[0].toStdString();
    EXPECT_TRUE(questions[0].contains(QLatin1String("IMG_0001 (2).JPG"))) << questions[0].toStdString();
    EXPECT_EQ(readFile(image), first);
    EXPECT_FALSE(QFile::exists(kept));
    EXPECT_EQ(f.statusBar()->currentMessage(), "");

    // Keep both: the new output and its thumbnail under the first free name.
    answers = { 1 };
    f.saveJpgAction->trigger();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(readFile(image), first);
    EXPECT_EQ(QImageReader(kept).size(), QSize(320, 240));
    EXPECT_EQ(QImageReader(keptThumbnail).size(), QSize(120, 90));
    EXPECT_EQ(f.statusBar()->currentMessage(),
        QStringLiteral("Saved IMG_0001 (2).JPG and its thumbnail to %1/Images").arg(out));

    // An output this run did not write: Replace replaces it.
    ASSERT_TRUE(writeFile(out + QStringLiteral("/Images/IMG_0002.JPG"), "yesterday's output"));
    ASSERT_TRUE(writeFile(card1 + QStringLiteral("/IMG_0002.JPG"), readFile(card1 + "/" + name)));
    openPhoto(card1, QStringLiteral("IMG_0002.JPG"));
    answers = { 0 };
    f.saveJpgAction->trigger();
    EXPECT_EQ(questions.size(), 3);
    EXPECT_EQ(QImageReader(out + QStringLiteral("/Images/IMG_0002.JPG")).size(), QSize(240, 180));
    EXPECT_FALSE(QFile::exists(out + QStringLiteral("/Images/IMG_0002 (2).JPG")));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(MainWindowTest, OptionValuesStayInTheirRanges)
{
    TestForm& f = start();
    // The boxes refuse letters; a number on its way to a size is not used,
    // and a box left with it shows the size in use again.
    Settings& s = f.settings();
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    f.thumbnailHeightEdit->selectAll();
    QTest::keyClicks(f.thumbnailHeightEdit, QStringLiteral("abc"));
    EXPECT_EQ(f.thumbnailHeightEdit->text(), "90");
    struct Case {
        const char* typed;
        int32_t used;
        const char* shown;
    };
    const Case cases[] = { { "20000", 2000, "2000" }, { "0", 2000, "2000" }, { "10000", 10000, "10000" },
        { "", 10000, "10000" }, { "7", 7, "7" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        f.thumbnailHeightEdit->clear();
        QTest::keyClicks(f.thumbnailHeightEdit, QString::fromLatin1(c.typed));
        EXPECT_EQ(s.thumbHeight, c.used);
        QApplication::sendEvent(f.thumbnailHeightEdit, &leave);
        EXPECT_EQ(f.thumbnailHeightEdit->text(), c.shown);
    }

    // The quality bar starts at 1: a 0 in the record reads as 1.
    EXPECT_EQ(f.qualityBar->minimum().toInt(), 1);
    s.jpegQuality = 0;
    f.fillOutputOptions();
    EXPECT_EQ(f.qualityBar->value().toInt(), 1);
    EXPECT_EQ(s.jpegQuality, 1);
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
        writeIni(QStringLiteral("[DATE]\ncolor02=16711935\n") + QLatin1String(test.settings));
        TestForm& f = start();
        openCamera(QStringLiteral("DSCN0010.jpg"));
        const QRect shown = upperText(f.previewViewport->client()->grab().toImage());
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_TRUE(picture.contains(shown));
        f.filterActions[4]->trigger(); // builds the working image with its stamp
        EXPECT_EQ(upperText(f.engine().photo().displayPicture()->toImage()), shown);

        // Dragged far to the left and down, the stamp stops at the edges.
        f.size50Action->trigger();
        const QPoint grab(4, 4);
        QTest::mousePress(f.stampUpperLabel, Qt::LeftButton, {}, grab);
        moveOver(f.stampUpperLabel, f.stampUpperLabel->pos() + grab + QPoint(-400, 400), Qt::LeftButton);
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
    const QString card = dir.filePath(QStringLiteral("card"));
    ASSERT_TRUE(
        writeFile(card + QStringLiteral("/IMG_0001.JPG"), readFile(testPhoto(QStringLiteral("cameras/DSCN0010.jpg")))));
    writeIni(QStringLiteral("[STAMP]\nsize_percent=10\n"));
    const QString window = dir.filePath(QStringLiteral("window"));
    TestForm& f = start(iniPath(), window);
    openPhoto(card, QStringLiteral("IMG_0001.JPG"));
    // Dropped towards the top right corner.
    const QPoint grab(4, 4);
    QTest::mousePress(f.stampUpperLabel, Qt::LeftButton, {}, grab);
    moveOver(f.stampUpperLabel, f.stampUpperLabel->pos() + grab + QPoint(150, 20), Qt::LeftButton);
    QTest::mouseRelease(f.stampUpperLabel, Qt::LeftButton, {},
        f.stampUpperLabel->mapFrom(f.previewViewport->client(), f.stampUpperLabel->pos() + grab));
    ASSERT_EQ(f.settings().anchoring.place, StampAnchoring::Place::TopRight);
    f.saveJpgAction->trigger();
    f.close();

    QProcess cli;
    const QString target = dir.filePath(QStringLiteral("cli"));
    cli.start(QStringLiteral(QUILLON_CLI), { "batch", card, "--target", target, "--config", iniPath() });
    ASSERT_TRUE(cli.waitForFinished(120'000));
    for (const char* folder : { "/Images/", "/Miniatures/" }) {
        SCOPED_TRACE(folder);
        const QByteArray saved = readFile(window + QLatin1String(folder) + QStringLiteral("IMG_0001.JPG"));
        ASSERT_FALSE(saved.isEmpty());
        EXPECT_TRUE(saved == readFile(target + QLatin1String(folder) + QStringLiteral("card/IMG_0001.JPG")));
    }
}

TEST_F(MainWindowTest, AStampOverAPannedPhotoIsPrintedAlikeByTheCommandLine)
{
    const QString card = dir.filePath(QStringLiteral("card"));
    ASSERT_TRUE(writeFile(card + QStringLiteral("/IMG_0001.JPG"),
        readFile(testPhoto(QStringLiteral("cameras/Reconyx_HC500_Hyperfire.jpg")))));
    // A place and an offset that are no whole pixels.
    writeIni(QStringLiteral("[LABEL]\ntop=37.5\nleft=7\n[DIFF]\nleft=7\ntop=-8\n"));
    const QString window = dir.filePath(QStringLiteral("window"));
    TestForm& f = start(iniPath(), window);
    openPhoto(card, QStringLiteral("IMG_0001.JPG"));
    // The stamp keeps its place in the viewport while the photo moves under
    // it: it is printed further right and down on the photo.
    pan(QPoint(200, 200), QPoint(150, 120));
    ASSERT_EQ(image(), QPoint(-50, -80));
    f.saveJpgAction->trigger();
    f.close();

    QProcess cli;
    const QString target = dir.filePath(QStringLiteral("cli"));
    cli.start(QStringLiteral(QUILLON_CLI), { "batch", card, "--target", target, "--config", iniPath() });
    ASSERT_TRUE(cli.waitForFinished(120'000));
    const QByteArray saved = readFile(window + QStringLiteral("/Images/IMG_0001.JPG"));
    ASSERT_FALSE(saved.isEmpty());
    EXPECT_TRUE(saved == readFile(target + QStringLiteral("/Images/card/IMG_0001.JPG")));
}

TEST_F(MainWindowTest, StoredValuesNotUnderstoodAreNamedBeforeTheirDefaultsAreWrittenBack)
{
    writeIni(QStringLiteral("[LABEL]\ntop=3e38\n[VIGNET]\nshow=yes\n[DATE]\nshift_minutes=1h\n[REP]\ncible=out\n"));
    TestForm& f = start();
    EXPECT_EQ(f.statusBar()->currentMessage(),
        "config.ini: [LABEL] top=3e38 is outside -15000000 to 15000000; 15000000 is used. cible=out is not a full "
        "path; "
            + QDir::toNativeSeparators(ExecutableInfo::folder())
            + " is used. shift_minutes=1h is not a number; 0 is used");
    EXPECT_TRUE(f.settings().thumbShow);
    EXPECT_EQ(f.engine().stampPosition().y(), SettingsFile::MaxLabelTwips / 15);
    EXPECT_EQ(f.settings().targetFolder, ExecutableInfo::folder());
    f.exitAction->trigger();

    // What was used is what the file now holds, and the next start reads
    // it without a word.
    TestForm& again = start();
    EXPECT_EQ(again.statusBar()->currentMessage(), "");
    EXPECT_EQ(again.engine().stampPosition().y(), SettingsFile::MaxLabelTwips / 15);
}

TEST_F(MainWindowTest, ABoldStampStaysBoldAfterARestartAndInTheCommandLinesPrint)
{
    const QString card = dir.filePath(QStringLiteral("card"));
    ASSERT_TRUE(
        writeFile(card + QStringLiteral("/IMG_0001.JPG"), readFile(testPhoto(QStringLiteral("cameras/DSCN0010.jpg")))));
    const StandardDialogs::Pickers pickers = StandardDialogs::shared().pickers;
    const auto restore = qScopeGuard([&pickers] { StandardDialogs::shared().pickers = pickers; });
    StandardDialogs::shared().pickers.font = [](const QFont& initial) {
        QFont chosen = initial;
        chosen.setBold(true);
        return std::optional(chosen);
    };

    // Bold chosen through the date style dialog's font button.
    TestForm& f = start(iniPath(), dir.filePath(QStringLiteral("first")));
    f.realDateStyle = true;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<DateStyleDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->fontButton()->click();
        dialog->close();
    });
    f.dateStyleAction->trigger();
    ASSERT_TRUE(f.engine().stampFont().bold());
    openPhoto(card, QStringLiteral("IMG_0001.JPG"));
    f.saveJpgAction->trigger();
    f.close();
    const QByteArray bold = readFile(dir.filePath(QStringLiteral("first/Images/IMG_0001.JPG")));
    ASSERT_FALSE(bold.isEmpty());

    TestForm& again = start(iniPath(), dir.filePath(QStringLiteral("again")));
    EXPECT_TRUE(again.engine().stampFont().bold());
    openPhoto(card, QStringLiteral("IMG_0001.JPG"));
    again.saveJpgAction->trigger();
    EXPECT_TRUE(readFile(dir.filePath(QStringLiteral("again/Images/IMG_0001.JPG"))) == bold);

    QProcess cli;
    const QString target = dir.filePath(QStringLiteral("cli"));
    cli.start(QStringLiteral(QUILLON_CLI), { "batch", card, "--target", target, "--config", iniPath() });
    ASSERT_TRUE(cli.waitForFinished(120'000));
    EXPECT_TRUE(readFile(target + QStringLiteral("/Images/card/IMG_0001.JPG")) == bold);
}

TEST_F(MainWindowTest, ClosingReplacesTheSettingsFileOnceWithTheWindowsPlaceInIt)
{
    TestForm& f = start();
    f.resize(700, 520);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    const auto closeWatch = qScopeGuard([watch] { ::close(watch); });
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_MOVED_TO | IN_CLOSE_WRITE), 0);
    f.close();

    // Every write is a temporary renamed over the file; the events are all
    // queued by the time close returns.
    int replaced = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t size; (size = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((event->mask & IN_MOVED_TO) && event->len > 0 && qstrcmp(event->name, "config.ini") == 0) ++replaced;
            at += ssize_t(sizeof(inotify_event)) + event->len;
        }
    EXPECT_EQ(replaced, 1);
    EXPECT_FALSE(
        IniFile::readValue(iniPath(), QStringLiteral("WINDOW"), QStringLiteral("geometry"), QString()).isEmpty());
    EXPECT_EQ(IniFile::readValue(iniPath(), QStringLiteral("COEF"), QStringLiteral("JPG"), QString()), "80");
}
