#include "ui/Form1.h"

#include "controls/BarColor.h"
#include "files/mFileIni.h"
#include "platform/AppLocations.h"
#include "platform/ExecutableInfo.h"
#include "platform/MessageBox.h"
#include "support/TestSupport.h"
#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Form1Design.h"
#include "ui/MainMenuBar.h"
#include "ui/PictureView.h"
#include "ui/PreviewViewport.h"
#include "ui/StampLabelView.h"
#include "ui/cOpen.h"
#include "ui/frmBatch.h"
#include "ui/frmDate.h"
#include "ui/frmExif.h"

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
class TestForm : public Form1 {
public:
    using Form1::Form1;

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
        if (realDateStyle) Form1::showDateStyleDialog();
    }
    void showAboutBox() override { ++aboutShown; }
};

QByteArray bits(const cDIBSection& dib)
{
    return QByteArray(reinterpret_cast<const char*>(dib.DIBSectionBitsPtr()), dib.BytesPerScanLine() * dib.Height());
}

class Form1Test : public ::testing::Test {
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
        ASSERT_TRUE(form->TheDir->setPath(folder));
        const auto found = form->TheFile->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        const QRect cell = form->TheFile->visualItemRect(found.first());
        QTest::mouseClick(form->TheFile->viewport(), Qt::LeftButton, {}, cell.center());
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
        send(widget, QEvent::MouseMove, widget->mapFrom(form->picScroll->client(), inViewport), Qt::NoButton, held);
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
        QTest::mousePress(form->Image1, Qt::LeftButton, {}, from);
        moveOver(form->Image1, to, Qt::LeftButton);
        QTest::mouseRelease(form->Image1, Qt::LeftButton);
    }
    // How many of the two stamp labels are shown.
    int stampLabelsShown() const { return int(form->Label1->isVisible()) + int(form->Label2->isVisible()); }

    QSize innerSize() const { return form->picScroll->client()->size(); }
    // How far the photo is panned, in pixels.
    QPoint image() const { return form->Image1->pos(); }
};

} // namespace

TEST_F(Form1Test, FirstStartWithoutSettingsFile)
{
    TestForm& f = start();
    EXPECT_EQ(f.windowTitle(), "Quillon");

    // The stamp: the upper label two pixels left of and below the lower one.
    EXPECT_EQ(f.Label2->pos() - f.Label1->pos(), QPoint(-2, 2));
    // 16 points on a screen of 96 dots per inch.
    for (const StampLabelView* label : { f.Label1, f.Label2 }) {
        EXPECT_EQ(label->stampFont().family(), "Arial");
        EXPECT_EQ(label->stampFont().pixelSize(), 21);
    }

    // No photo yet: nothing shown, effects off.
    EXPECT_FALSE(f.picScroll->isVisible());
    EXPECT_FALSE(f.Picture1->isVisible());
    for (QAction* effect : { f.mnuAply, f.mnuLight, f.mnuDarken, f.mnuRevert })
        EXPECT_FALSE(effect->isEnabled());
}

TEST_F(Form1Test, BrowsingOpensThePhotoClickedOrReachedByKeyboard)
{
    TestForm& f = start();
    ASSERT_TRUE(f.TheDir->setPath(testPhoto(QString())));
    int broken = -1;
    for (int row = 0; row < f.TheDir->count(); ++row)
        if (f.TheDir->entryPath(row).endsWith(QLatin1String("/broken"))) broken = row;
    ASSERT_GE(broken, 0);
    const QRect cell = f.TheDir->visualItemRect(f.TheDir->item(broken));
    // A click or the first letter of a name only selects the entry; Enter
    // opens it. The search for a letter starts below the selected entry, so
    // the folders above the photos do not get in the way.
    QTest::mouseClick(f.TheDir->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(f.TheDir->currentRow(), broken);
    QTest::keyClick(f.TheDir, Qt::Key_C);
    ASSERT_TRUE(f.TheDir->entryPath(f.TheDir->currentRow()).endsWith(QLatin1String("/cameras")));
    EXPECT_EQ(f.TheDir->path(), QDir::cleanPath(testPhoto(QString())));
    QTest::keyClick(f.TheDir, Qt::Key_Return);
    EXPECT_EQ(f.TheFile->path(), QDir::cleanPath(testPhoto(QStringLiteral("cameras"))));
    ASSERT_EQ(f.TheFile->count(), 13); // the .jpeg one included
    EXPECT_EQ(f.TheFile->item(0)->text(), "32-lens_data.jpeg");

    openCamera(QStringLiteral("Canon_40D.jpg"));
    EXPECT_EQ(f.engine().Photo().PhotoPath(), QDir::cleanPath(testPhoto(QStringLiteral("cameras/Canon_40D.jpg"))));
    EXPECT_EQ(f.engine().Photo().OutputPath(), ExecutableInfo::folder() + QStringLiteral("/Images/Canon_40D.jpg"));
    EXPECT_TRUE(f.picScroll->isVisible());
    EXPECT_FALSE(f.Image1->picture().isNull());
    EXPECT_EQ(f.lblori->text(), "100x68");
    EXPECT_EQ(f.lblfin->text(), "50x34");
    EXPECT_FALSE(f.Label1->text().isEmpty());
    EXPECT_EQ(f.Label1->text(), f.Label2->text());
    EXPECT_TRUE(f.mnuAply->isEnabled());

    QTest::keyClick(f.TheFile, Qt::Key_Down);
    EXPECT_EQ(
        f.engine().Photo().PhotoPath(), QDir::cleanPath(testPhoto(QStringLiteral("cameras/Canon_PowerShot_S40.jpg"))));
    EXPECT_EQ(f.lblori->text(), "480x360");
    QTest::keyClick(f.TheFile, Qt::Key_N);
    EXPECT_EQ(f.engine().Photo().PhotoPath(), QDir::cleanPath(testPhoto(QStringLiteral("cameras/nikon-e950.jpg"))));

    // Enter opens the selected photo again, as a click on it does.
    f.mnuLight->trigger();
    ASSERT_TRUE(f.engine().Photo().WorkReady());
    QTest::keyClick(f.TheFile, Qt::Key_Return);
    EXPECT_FALSE(f.engine().Photo().WorkReady());
    EXPECT_TRUE(f.picScroll->isVisible());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(Form1Test, EveryMenuHasMnemonicsAndTheUsualShortcuts)
{
    TestForm& f = start();
    // Each menu and item has its own mnemonic within its menu.
    const auto mnemonic = [](const QString& caption) {
        const qsizetype at = caption.indexOf(QLatin1Char('&'));
        return at >= 0 && at + 1 < caption.size() ? caption[at + 1].toLower() : QChar();
    };
    const MainMenuBar& bar = *qobject_cast<MainMenuBar*>(f.menuBar());
    QList<QMenu*> menus { f.mnufile, bar.editMenu, f.mnuSize, f.mnuEffect, f.mnuSelect, f.mnuOption };
    QList<QChar> barKeys;
    for (QMenu* menu : menus) {
        if (menu != f.mnuSelect) barKeys << mnemonic(menu->title());
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
        { QKeySequence(Qt::CTRL | Qt::Key_S), f.mnSaveJpg },
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), f.mnSaveBMP },
        { QKeySequence(Qt::CTRL | Qt::Key_B), f.mnubatch },
        { QKeySequence(Qt::CTRL | Qt::Key_C), bar.copyItem },
        { QKeySequence(Qt::CTRL | Qt::Key_I), f.mnuExif },
        { QKeySequence(Qt::CTRL | Qt::Key_D), f.mnFormat },
        { QKeySequence(Qt::CTRL | Qt::Key_F), f.mnuAply },
        { QKeySequence(Qt::CTRL | Qt::Key_Plus), f.mnuLight },
        { QKeySequence(Qt::CTRL | Qt::Key_Equal), f.mnuLight },
        { QKeySequence(Qt::CTRL | Qt::Key_Minus), f.mnuDarken },
        { QKeySequence(Qt::Key_F1), f.mnuAb },
        { QKeySequence(Qt::CTRL | Qt::Key_Q), f.mnExit },
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

TEST_F(Form1Test, DroppingAPhotoOpensItAndAFolderShowsIt)
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
    EXPECT_EQ(f.engine().Photo().PhotoPath(), QDir::cleanPath(dir.filePath(QStringLiteral("IMG_0001.JPG"))));
    EXPECT_EQ(f.lblori->text(), "100x68");
    EXPECT_EQ(f.TheDir->path(), QDir::cleanPath(dir.path()));
    EXPECT_EQ(f.TheFile->fileName(), "IMG_0001.JPG");
    EXPECT_EQ(f.windowTitle(), QStringLiteral("IMG_0001.JPG — Quillon"));

    // A folder is shown; the photo stays open.
    const QString cameras = QDir::cleanPath(testPhoto(QStringLiteral("cameras")));
    ASSERT_TRUE(drop(cameras));
    EXPECT_EQ(f.TheDir->path(), cameras);
    EXPECT_EQ(f.TheFile->path(), cameras);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("IMG_0001.JPG — Quillon"));

    // Neither a photo nor a folder: the drag is refused, and so is the path.
    EXPECT_FALSE(drop(dir.filePath(QStringLiteral("notes.txt"))));
    EXPECT_FALSE(drop(dir.filePath(QStringLiteral("missing.jpg"))));
    EXPECT_FALSE(f.openPath(dir.filePath(QStringLiteral("notes.txt"))));
    EXPECT_EQ(f.TheDir->path(), cameras);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(Form1Test, DrivesThatCannotBeReadHideTheLists)
{
    TestForm& f = start();
    f.TheDrive->setDrives({ QStringLiteral("/"), dir.filePath(QStringLiteral("no-medium")) });
    f.TheDrive->setCurrentIndex(1);
    EXPECT_FALSE(f.TheDir->isVisible());
    EXPECT_FALSE(f.TheFile->isVisible());
    f.TheDrive->setCurrentIndex(0);
    EXPECT_TRUE(f.TheDir->isVisible());
    EXPECT_TRUE(f.TheFile->isVisible());
    EXPECT_TRUE(f.TheDir->path().startsWith(QLatin1Char('/')));
}

TEST_F(Form1Test, ViewportFitsTheWindowButNeverExceedsThePhoto)
{
    TestForm& f = start();
    openCamera(QStringLiteral("DSCN0010.jpg")); // 320 x 240 at one half
    EXPECT_EQ(innerSize(), QSize(320, 240));
    f.resize(f.width() + 100, f.height() + 100);
    QApplication::processEvents();
    EXPECT_EQ(innerSize(), QSize(320, 240));

    // A larger photo fills the area right of the column, less the margins.
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg")); // 1024 x 768
    const QWidget* area = f.picScroll->parentWidget();
    EXPECT_EQ(area->x(), f.TheFile->width() + f.columnSplitter()->handleWidth());
    EXPECT_EQ(f.picScroll->size(), area->size() - QSize(8, 12));
}

TEST_F(Form1Test, TheColumnWidensWithTheSplitterAndTheFileListGrowsWithTheWindow)
{
    TestForm& f = start();
    // The design's sizes are the least the controls get.
    const std::pair<QWidget*, TwipsRect> designed[]
        = { { f.TheDrive, Form1Design::TheDrive }, { f.TheDir, Form1Design::TheDir },
              { f.TheFile, Form1Design::TheFile }, { f.frJPG, Form1Design::frJPG }, { f.lblori, Form1Design::lblori } };
    for (const auto& [widget, design] : designed) {
        EXPECT_GE(widget->width(), design.pixelSize().width()) << widget->metaObject()->className();
        EXPECT_GE(widget->height(), design.pixelSize().height()) << widget->metaObject()->className();
    }

    // A taller window shows more files; the options keep their height.
    const int files = f.TheFile->height();
    const int folders = f.TheDir->height();
    const int options = f.frJPG->height();
    f.resize(f.width(), f.height() + 300);
    QApplication::processEvents();
    EXPECT_GT(f.TheFile->height(), files + 150);
    EXPECT_GT(f.TheFile->height() - files, f.TheDir->height() - folders);
    EXPECT_EQ(f.frJPG->height(), options);

    // Dragging the splitter hands the column room from the picture area; the
    // viewport follows the area.
    const int quality = f.slQuality->width();
    dragSplitter(100);
    EXPECT_EQ(f.TheFile->width(), 325);
    EXPECT_EQ(f.slQuality->width(), quality + 100);
    EXPECT_EQ(f.picScroll->parentWidget()->x(), 325 + 7);
    EXPECT_EQ(f.picScroll->width(), f.picScroll->parentWidget()->width() - 8);

    // The window does not shrink below what the column and the viewport need.
    f.resize(150, 100);
    QApplication::processEvents();
    EXPECT_GE(f.TheFile->height(), Form1Design::TheFile.pixelSize().height());
    EXPECT_GE(f.picScroll->width(), Form1Design::picScroll.pixelSize().width());
}

TEST_F(Form1Test, PanningKeepsThePhotoOverTheViewport)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg"));
    const QSize inner = innerSize();
    ASSERT_LT(inner.width(), 1024);
    ASSERT_LT(inner.height(), 768);

    // The grabbed point follows the cursor.
    QTest::mousePress(f.Image1, Qt::LeftButton, {}, QPoint(100, 100));
    moveOver(f.Image1, QPoint(60, 70), Qt::LeftButton);
    EXPECT_EQ(image(), QPoint(-40, -30));

    // Dragging down past the top stops at 0; a fast drag up stops with the
    // lower edge on the viewport's lower edge.
    moveOver(f.Image1, QPoint(60, 300), Qt::LeftButton);
    EXPECT_EQ(image(), QPoint(-40, 0));
    moveOver(f.Image1, QPoint(60, -2000), Qt::LeftButton);
    EXPECT_EQ(image().y(), inner.height() - 768);
    // (Above and left of the photo's corner both X and Y are below 2.)
    moveOver(f.Image1, QPoint(-5000, 100), Qt::LeftButton);
    EXPECT_EQ(image().x(), inner.width() - 1024);
    QTest::mouseRelease(f.Image1, Qt::LeftButton);

    // Right, or both buttons, neither pan nor drag the stamp.
    const QPoint placed = f.Image1->pos();
    const QPoint stamp = f.Label2->pos();
    for (Qt::MouseButtons held : { Qt::MouseButtons(Qt::RightButton), Qt::LeftButton | Qt::RightButton }) {
        send(f.Image1, QEvent::MouseButtonPress, QPoint(300, 300), Qt::RightButton, held);
        moveOver(f.Image1, QPoint(400, 300), held);
        send(f.Label2, QEvent::MouseButtonPress, QPoint(3, 3), Qt::RightButton, held);
        send(f.Label2, QEvent::MouseMove, QPoint(40, 40), Qt::NoButton, held);
    }
    EXPECT_EQ(f.Image1->pos(), placed);
    EXPECT_EQ(f.Label2->pos(), stamp);
}

TEST_F(Form1Test, MovesNearThePhotosCornerDoNotPan)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg"));
    QTest::mousePress(f.Image1, Qt::LeftButton, {}, QPoint(50, 50));
    // Two pixels: inside the dead zone on both axes.
    send(f.Image1, QEvent::MouseMove, QPoint(2, 2), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(image(), QPoint(0, 0));
    // Three pixels across is outside it: the photo moves up and left.
    send(f.Image1, QEvent::MouseMove, QPoint(3, 2), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(image(), QPoint(-(50 - 3), -(50 - 2)));
}

TEST_F(Form1Test, DraggingTheStampMovesBothLabelsAndSurvivesARestart)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg"));
    // Pan first, so that the tool tip counts from the photo's corner.
    pan(QPoint(200, 200), QPoint(190, 180));
    ASSERT_EQ(image(), QPoint(-10, -20));

    const QPoint before = f.Label2->pos();
    QTest::mousePress(f.Label2, Qt::LeftButton, {}, QPoint(5, 5));
    moveOver(f.Label2, f.Label2->pos() + QPoint(25, 15), Qt::LeftButton);
    moveOver(f.Label2, f.Label2->pos() + QPoint(45, 45), Qt::LeftButton);
    QTest::mouseRelease(f.Label2, Qt::LeftButton);
    EXPECT_EQ(f.Label2->pos(), before + QPoint(60, 50));
    EXPECT_EQ(f.Label1->pos(), f.Label2->pos() + QPoint(2, -2));
    // The tool tip and the stamp's position count on the photo.
    const QPoint upper = f.Label2->pos() - image();
    EXPECT_EQ(f.Label2->toolTip(), QStringLiteral("position : %1 - %2").arg(upper.x()).arg(upper.y()));
    EXPECT_EQ(f.engine().stampPosition(), QPointF(upper + QPoint(2, -2)));

    // The next start shows the stamp where it was printed, on the photo at
    // the viewport's corner.
    const QPointF stored = f.engine().stampPosition();
    f.close();
    TestForm& again = start();
    EXPECT_EQ(again.engine().stampPosition(), stored);
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg"));
    EXPECT_EQ(again.Label2->pos(), upper);
}

TEST_F(Form1Test, SizeItemsCheckThemselvesAndReopenThePhoto)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Reconyx_HC500_Hyperfire.jpg"));
    pan(QPoint(200, 200), QPoint(100, 100));
    f.mnuLight->trigger();
    ASSERT_TRUE(f.Picture1->isVisible());

    // The same scale again still drops the effects and returns to the corner.
    f.mn50->trigger();
    EXPECT_EQ(image(), QPoint(0, 0));
    EXPECT_FALSE(f.Picture1->isVisible());
    EXPECT_TRUE(f.picScroll->isVisible());
    EXPECT_FALSE(f.engine().Photo().WorkReady());

    f.mn37->trigger();
    f.mn37->trigger();
    EXPECT_EQ(f.lblfin->text(), "768x576");
    for (QAction* size : { f.mnu25, f.mn37, f.mn50, f.mnu62, f.mnu80, f.mn100 })
        EXPECT_EQ(size->isChecked(), size == f.mn37);
    EXPECT_EQ(f.Image1->size(), QSize(768, 576));
}

TEST_F(Form1Test, ChoosingAFilterAppliesNothingUntilAplyFilterAndRevertUndoesAll)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Canon_PowerShot_S40.jpg"));
    f.mnuFiltre[1]->trigger(); // Blur More
    EXPECT_TRUE(f.Picture1->isVisible());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(f.mnuFiltre[i]->isChecked(), i == 1);
    const QByteArray built = bits(f.engine().Photo().WorkImage());

    f.mnuAply->trigger();
    f.mnuAply->trigger();
    f.mnuFiltre[7]->trigger(); // Emboss, chosen only
    const QByteArray treated = bits(f.engine().Photo().WorkImage());
    EXPECT_NE(treated, built);

    // The same photo through the engine alone: Blur More twice.
    SettingsRecord settings = f.settings();
    PhotoEngine reference(settings);
    reference.SetPhotoPaths(f.engine().Photo().PhotoPath(), dir.path());
    reference.OpenPhoto();
    reference.BuildWorkingImage();
    EXPECT_EQ(bits(reference.Photo().WorkImage()), built);
    reference.ProcessImage(2);
    reference.ProcessImage(2);
    EXPECT_EQ(bits(reference.Photo().WorkImage()), treated);
    // Revert to original undoes them all; the working image stays shown.
    f.mnuLight->trigger();
    f.mnuRevert->trigger();
    EXPECT_EQ(bits(f.engine().Photo().WorkImage()), built);
    EXPECT_TRUE(f.Picture1->isVisible());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(Form1Test, FillOutputOptionsShowsTheCompanionSize)
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
        EXPECT_EQ(f.txtWidth->text(), test.width);
        EXPECT_EQ(f.txtHeight->text(), test.height);
        EXPECT_EQ(f.opHeigth->isChecked(), test.heightSelected);
        EXPECT_EQ(f.settings().ThumbHeight, test.storedHeight);
        EXPECT_EQ(f.settings().ThumbWidth, test.storedWidth);
        EXPECT_FALSE(f.settings().ThumbShow);
        EXPECT_EQ(f.settings().JpegQuality, 64);
    }
}

TEST_F(Form1Test, StoreOutputOptionsKeepsOnlyTheSelectedBox)
{
    TestForm& f = start();
    SettingsRecord& s = f.settings();
    QTest::mouseClick(f.opWidth, Qt::LeftButton);
    EXPECT_EQ(s.ThumbHeight, 0);
    EXPECT_EQ(s.ThumbWidth, 120);

    // The other box is a companion only.
    f.txtHeight->clear();
    QTest::keyClicks(f.txtHeight, QStringLiteral("77"));
    EXPECT_EQ(s.ThumbHeight, 0);
    EXPECT_EQ(s.ThumbWidth, 120);

    QTest::mouseClick(f.opHeigth, Qt::LeftButton);
    EXPECT_EQ(s.ThumbHeight, 77);
    EXPECT_EQ(s.ThumbWidth, 0);

    // Emptied while retyped: the last number stays.
    f.txtHeight->clear();
    EXPECT_EQ(s.ThumbHeight, 77);
    QTest::keyClicks(f.txtHeight, QStringLiteral("62"));
    EXPECT_EQ(s.ThumbHeight, 62);

    QTest::mouseClick(f.chkMiniature, Qt::LeftButton);
    EXPECT_FALSE(s.ThumbShow);
    f.slQuality->setValue(40.5);
    EXPECT_EQ(s.JpegQuality, 40);
}

TEST_F(Form1Test, ShowDateHidesTheStampAndDateStyleKeepsItHidden)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Canon_40D.jpg"));
    const QString canonDate = f.Label1->text();
    ASSERT_FALSE(canonDate.isEmpty());

    f.mnDate->trigger();
    EXPECT_FALSE(f.mnDate->isChecked());
    EXPECT_EQ(stampLabelsShown(), 0);

    // A photo opened while the date is off shows its own date once it is on.
    openCamera(QStringLiteral("Nikon_D70.jpg"));
    EXPECT_EQ(stampLabelsShown(), 0);
    f.mnDate->trigger();
    EXPECT_TRUE(f.mnDate->isChecked());
    EXPECT_EQ(stampLabelsShown(), 2);
    EXPECT_EQ(f.Label1->text(), f.engine().ComputeDateText());
    EXPECT_NE(f.Label1->text(), canonDate);

    // The date style dialog refreshes the labels' text, but a stamp that
    // will not be printed is not shown.
    f.mnDate->trigger();
    f.mnFormat->trigger();
    EXPECT_EQ(f.dateStyleShown, 1);
    EXPECT_EQ(stampLabelsShown(), 0);
    EXPECT_FALSE(f.mnDate->isChecked());
    f.mnDate->trigger();
    f.mnFormat->trigger();
    EXPECT_EQ(stampLabelsShown(), 2);
}

TEST_F(Form1Test, TheLooksOfTheEffectMenuAddUpAndCopyTakesThePictureAsSaved)
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
    const QByteArray treated = bits(f.engine().Photo().WorkImage());

    // The same photo through the engine alone.
    SettingsRecord settings = f.settings();
    PhotoEngine reference(settings);
    reference.setStampPosition(f.engine().stampPosition());
    reference.SetPhotoPaths(f.engine().Photo().PhotoPath(), dir.path());
    reference.OpenPhoto();
    reference.BuildWorkingImage();
    reference.ApplyEffect(PhotoEffect::Grey);
    reference.ApplyEffect(PhotoEffect::Grain);
    EXPECT_EQ(bits(reference.Photo().WorkImage()), treated);

    // Copy takes the display, stamp included, as Save as BMP writes it.
    bar.copyItem->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32),
        f.engine().Photo().Picture1().hdc()->toImage().convertToFormat(QImage::Format_RGB32));
    EXPECT_NE(copied.convertToFormat(QImage::Format_RGB32),
        f.engine().Photo().WorkImage().hdc()->toImage().convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(f.statusBar()->currentMessage(), "The picture is on the clipboard.");
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(Form1Test, ABatchLocksThePhotoCommandsAndLeavesTheOpenPhotoAsItWas)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Canon_40D.jpg"));
    const QString open = f.engine().Photo().PhotoPath();
    for (const char* name : { "trip/a.jpg", "trip/b.jpg" })
        ASSERT_TRUE(writeFile(dir.filePath(name), readFile(testPhoto("cameras/Nikon_D70.jpg"))));
    ASSERT_TRUE(f.TheDir->setPath(dir.filePath("trip")));

    const auto photoCommands = [&f] {
        QList<bool> states;
        const MainMenuBar& bar = *qobject_cast<MainMenuBar*>(f.menuBar());
        for (QAction* item : { f.mnSaveBMP, f.mnSaveJpg, f.mnubatch, f.mnuExif, bar.copyItem, f.mnuSize->menuAction(),
                 f.mnuEffect->menuAction(), f.mnuOption->menuAction() })
            states << item->isEnabled();
        return states << f.TheFile->isEnabled();
    };
    QList<bool> during;
    const frmBatch::SummaryHook saved = frmBatch::setSummaryHook([this](QMessageBox& box) { messages << box.text(); });
    const auto restore = qScopeGuard([&saved] { frmBatch::setSummaryHook(saved); });
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<frmBatch*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->txtCible()->setText(dir.filePath("out"));
        QObject::connect(dialog->progressBar(), &QProgressBar::valueChanged, [&](int done) {
            if (done == 1) during = photoCommands();
        });
        dialog->Command1()->click();
    });
    f.mnubatch->trigger();

    EXPECT_EQ(during, QList<bool>(9, false));
    EXPECT_EQ(photoCommands(), QList<bool>(9, true));
    EXPECT_TRUE(QFile::exists(dir.filePath("out/Images/trip/b.jpg")));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("2 of 2 photos treated.")) << messages[0].toStdString();
    // The window still shows the photo it had open, and can save it.
    EXPECT_EQ(f.engine().Photo().PhotoPath(), open);
    EXPECT_TRUE(f.engine().Photo().WorkReady());
    EXPECT_TRUE(f.Picture1->isVisible());
}

TEST_F(Form1Test, AReadOnlyCopyKeepsItsSettingsAndOutputsInTheUsersFolders)
{
    const AppLocations places = AppLocations::decide(dir.filePath(QStringLiteral("bin")),
        { dir.filePath(QStringLiteral("home/.config")), dir.filePath(QStringLiteral("home/Pictures")) },
        [](const QString&) { return false; });
    const QString pictures = dir.filePath(QStringLiteral("home/Pictures/Quillon"));

    TestForm& f = start(places.settingsFile(), places.outputRoot());
    EXPECT_EQ(f.settings().TargetFolder, pictures);
    openCamera(QStringLiteral("Canon_PowerShot_S40.jpg"));
    f.mnSaveJpg->trigger();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(QImageReader(pictures + QStringLiteral("/Images/Canon_PowerShot_S40.jpg")).size(), QSize(240, 180));
    EXPECT_EQ(QImageReader(pictures + QStringLiteral("/Miniatures/Canon_PowerShot_S40.jpg")).size(), QSize(120, 90));

    f.slQuality->setValue(65);
    f.mnExit->trigger();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(start(places.settingsFile(), places.outputRoot()).settings().JpegQuality, 65);
}

TEST_F(Form1Test, SettingsThatCannotBeWrittenAreReportedOnceWithTheReason)
{
    // Root may write anywhere: a file where the folder should be stops it.
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("home")), "not a folder"));
    const QString settingsFile = dir.filePath(QStringLiteral("home/quillon/config.ini"));
    TestForm& f = start(settingsFile, dir.path());
    f.SaveSettings();
    f.mnExit->trigger();
    ASSERT_EQ(messages.size(), 1) << messages.join('\n').toStdString();
    EXPECT_EQ(messages[0], QStringLiteral("The settings could not be saved in %1: Not a directory.").arg(settingsFile));
}

TEST_F(Form1Test, SaveAsBmpWritesTheDisplayUnlessCancelled)
{
    TestForm& f = start();
    openCamera(QStringLiteral("Canon_PowerShot_S40.jpg"));
    f.mnSaveBMP->trigger(); // cancelled: no answer
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());

    // Saved under exactly the name given, whatever its ending.
    f.saveAnswer = dir.filePath(QStringLiteral("stamped.picture"));
    f.mnSaveBMP->trigger();
    QImageReader reader(f.saveAnswer);
    EXPECT_EQ(reader.format(), "bmp");
    const QImage written = reader.read();
    EXPECT_EQ(written.size(), QSize(240, 180));
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32),
        f.engine().Photo().Picture1().hdc()->toImage().convertToFormat(QImage::Format_RGB32));

    f.saveAnswer = dir.filePath(QStringLiteral("missing/folder/x.bmp"));
    f.mnSaveBMP->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QLatin1String("x.bmp")));
}

TEST_F(Form1Test, ClosingWritesEveryKeyThatTheNextStartReadsBack)
{
    TestForm& f = start();
    ASSERT_TRUE(f.TheDir->setPath(testPhoto(QStringLiteral("cameras"))));
    f.mn37->trigger();
    f.slQuality->setValue(65);
    QTest::mouseClick(f.opWidth, Qt::LeftButton);
    const SettingsRecord stored = f.settings();
    f.mnExit->trigger();

    EXPECT_EQ(mFileIni::ReadIni(iniPath(), QStringLiteral("PATH"), QStringLiteral("folder"), QString()),
        QDir::cleanPath(testPhoto(QStringLiteral("cameras"))));

    TestForm& again = start();
    EXPECT_EQ(again.settings(), stored);
    EXPECT_EQ(again.TheDir->path(), QDir::cleanPath(testPhoto(QStringLiteral("cameras"))));
    EXPECT_EQ(again.TheFile->count(), 13);
    EXPECT_TRUE(again.opWidth->isChecked());
    // The choices of the menus are not kept.
    EXPECT_FALSE(again.mn37->isChecked());
    EXPECT_TRUE(again.mnuFiltre[4]->isChecked());
}

TEST_F(Form1Test, TheWindowComesBackAsItWasLeft)
{
    TestForm& f = start();
    f.resize(760, 540);
    dragSplitter(60);
    ASSERT_EQ(f.TheFile->width(), 285);
    f.close();
    EXPECT_EQ(mFileIni::ReadIni(iniPath(), QStringLiteral("WINDOW"), QStringLiteral("maximized"), QString()), "False");

    TestForm& again = start();
    EXPECT_EQ(again.size(), QSize(760, 540));
    EXPECT_EQ(again.TheFile->width(), 285);
    EXPECT_FALSE(again.isMaximized());

    again.showMaximized();
    again.close();
    EXPECT_EQ(mFileIni::ReadIni(iniPath(), QStringLiteral("WINDOW"), QStringLiteral("maximized"), QString()), "True");
    EXPECT_TRUE(start().isMaximized());

    // Values that do not read back leave the design's size.
    form.reset();
    writeIni(QStringLiteral("[WINDOW]\ngeometry=bm90IGEgZ2VvbWV0cnk=\nsplitter=%%%\nmaximized=perhaps\n"));
    TestForm& fresh = start();
    EXPECT_EQ(fresh.centralWidget()->size(), QSize(896, 500));
    EXPECT_EQ(fresh.TheFile->width(), 225);
    EXPECT_FALSE(fresh.isMaximized());
}

TEST_F(Form1Test, TheExifWindowFollowsTheOpenedPhoto)
{
    start();
    openCamera(QStringLiteral("Canon_40D.jpg"));
    form->mnuExif->trigger();
    ASSERT_NE(frmExif::instance(), nullptr);
    EXPECT_TRUE(form->settings().ExifShown);
    EXPECT_TRUE(frmExif::instance()->Text1()->toPlainText().contains("FNumber: f/7.1\n"));

    // Another photo refreshes the one window, date shown or not.
    form->mnDate->trigger();
    openCamera(QStringLiteral("Nikon_D70.jpg"));
    ASSERT_NE(frmExif::instance(), nullptr);
    EXPECT_TRUE(frmExif::instance()->Text1()->toPlainText().contains("NIKON D70"));

    // The window goes with the main window.
    form.reset();
    EXPECT_EQ(frmExif::instance(), nullptr);
}

TEST_F(Form1Test, AFailedOpenShowsNoPhotoAndAPartlyDecodedOneWarnsOnce)
{
    const QString photos = dir.filePath(QStringLiteral("photos"));
    const QByteArray jpeg = readFile(testPhoto(QStringLiteral("cameras/DSCN0010.jpg")));
    ASSERT_TRUE(writeFile(photos + QStringLiteral("/good.jpg"), jpeg));
    ASSERT_TRUE(writeFile(photos + QStringLiteral("/empty.jpg"), QByteArray()));
    ASSERT_TRUE(writeFile(photos + QStringLiteral("/text.jpg"), "not a picture"));
    ASSERT_TRUE(writeFile(photos + QStringLiteral("/cut.jpg"), jpeg.left(jpeg.size() * 2 / 3)));

    TestForm& f = start();
    // Without a photo the commands only ask for one; the filter stays.
    f.mnSaveJpg->trigger();
    f.mnuFiltre[1]->trigger();
    EXPECT_EQ(messages, QStringList({ "Open a photo first.", "Open a photo first." }));
    EXPECT_TRUE(f.mnuFiltre[4]->isChecked());
    EXPECT_FALSE(f.mnuFiltre[1]->isChecked());

    for (const QString& bad : { QStringLiteral("empty.jpg"), QStringLiteral("text.jpg") }) {
        // After the previous photo's preview, and after its working image.
        for (const bool built : { false, true }) {
            SCOPED_TRACE(bad.toStdString() + (built ? " after an effect" : ""));
            openPhoto(photos, QStringLiteral("good.jpg"));
            EXPECT_EQ(f.windowTitle(), QStringLiteral("good.jpg — Quillon"));
            if (built) f.mnuLight->trigger();
            messages.clear();
            openPhoto(photos, bad);
            ASSERT_EQ(messages.size(), 1);
            EXPECT_TRUE(messages[0].contains(bad)) << messages[0].toStdString();
            EXPECT_TRUE(warned.contains(messages[0]));
            EXPECT_EQ(f.windowTitle(), "Quillon");
            f.mnSaveJpg->trigger();
            EXPECT_EQ(messages.last(), "Open a photo first.");
            // As at start-up: neither picture, stamp nor sizes.
            EXPECT_FALSE(f.picScroll->isVisible());
            EXPECT_FALSE(f.Picture1->isVisible());
            EXPECT_EQ(f.lblori->text(), "");
            EXPECT_EQ(f.lblfin->text(), "");
            EXPECT_EQ(f.Label1->text(), "");
            EXPECT_FALSE(f.mnuLight->isEnabled());
            // A size is only kept for the next photo.
            f.mn50->trigger();
            EXPECT_EQ(messages.size(), 2);
            EXPECT_FALSE(f.picScroll->isVisible());
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
    EXPECT_TRUE(f.picScroll->isVisible());
    f.mnuLight->trigger();
    f.mn37->trigger();
    f.mnuDarken->trigger();
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(f.Picture1->isVisible());
}

TEST_F(Form1Test, SavesSayWhatWasWrittenAndWhereUntilTheNextCommand)
{
    const QString out = dir.filePath(QStringLiteral("out"));
    TestForm& f = start(iniPath(), out);
    // The bar lies below the design's client area.
    EXPECT_TRUE(f.statusBar()->isVisible());
    EXPECT_GE(f.statusBar()->y(), f.centralWidget()->geometry().bottom());
    EXPECT_EQ(f.statusBar()->currentMessage(), "");

    openCamera(QStringLiteral("Canon_PowerShot_S40.jpg"));
    f.mnSaveJpg->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(),
        QStringLiteral("Saved Canon_PowerShot_S40.jpg and its thumbnail to %1/Images").arg(out));
    // The menus passing over their items leave it; the next command clears it.
    QStatusTipEvent tip { QString() };
    QApplication::sendEvent(&f, &tip);
    EXPECT_NE(f.statusBar()->currentMessage(), "");
    f.mnuLight->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(), "");

    // Without a thumbnail only the photo is written.
    const QString thumbnail = out + QStringLiteral("/Miniatures/Canon_PowerShot_S40.jpg");
    ASSERT_TRUE(QFile::remove(thumbnail));
    QTest::mouseClick(f.chkMiniature, Qt::LeftButton);
    f.mnSaveJpg->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(), QStringLiteral("Saved Canon_PowerShot_S40.jpg to %1/Images").arg(out));
    EXPECT_FALSE(QFile::exists(thumbnail));
    openCamera(QStringLiteral("DSCN0010.jpg"));
    EXPECT_EQ(f.statusBar()->currentMessage(), "");

    f.saveAnswer = dir.filePath(QStringLiteral("stamped.bmp"));
    f.mnSaveBMP->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage(), QStringLiteral("Saved stamped.bmp to %1").arg(dir.path()));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    // A save that fails says which file and why, in words, and nothing more.
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("blocked/Images")), "a file where the folder should be"));
    TestForm& blocked = start(iniPath(), dir.filePath(QStringLiteral("blocked")));
    openCamera(QStringLiteral("DSCN0010.jpg"));
    blocked.mnSaveJpg->trigger();
    EXPECT_EQ(messages,
        QStringList { QStringLiteral("DSCN0010.jpg was not saved: %1/Images/DSCN0010.jpg: Not a directory.")
                          .arg(dir.filePath(QStringLiteral("blocked"))) });
    EXPECT_EQ(blocked.statusBar()->currentMessage(), "");
}

TEST_F(Form1Test, SaveAsJpgAsksBeforeReplacingAnotherPhotosOutput)
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
    f.mnSaveJpg->trigger();
    f.mnuLight->trigger();
    f.mnSaveJpg->trigger();
    EXPECT_TRUE(questions.isEmpty());
    const QByteArray first = readFile(image);

    // The second card's: asked; Cancel writes nothing.
    openPhoto(card2, name);
    answers = { 2 };
    f.mnSaveJpg->trigger();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains(name)) << questions[0].toStdString();
    EXPECT_TRUE(questions[0].contains(QLatin1String("IMG_0001 (2).JPG"))) << questions[0].toStdString();
    EXPECT_EQ(readFile(image), first);
    EXPECT_FALSE(QFile::exists(kept));
    EXPECT_EQ(f.statusBar()->currentMessage(), "");

    // Keep both: the new output and its thumbnail under the first free name.
    answers = { 1 };
    f.mnSaveJpg->trigger();
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
    f.mnSaveJpg->trigger();
    EXPECT_EQ(questions.size(), 3);
    EXPECT_EQ(QImageReader(out + QStringLiteral("/Images/IMG_0002.JPG")).size(), QSize(240, 180));
    EXPECT_FALSE(QFile::exists(out + QStringLiteral("/Images/IMG_0002 (2).JPG")));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(Form1Test, OptionValuesStayInTheirRanges)
{
    TestForm& f = start();
    // The boxes refuse letters; a number on its way to a size is not used,
    // and a box left with it shows the size in use again.
    SettingsRecord& s = f.settings();
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    f.txtHeight->selectAll();
    QTest::keyClicks(f.txtHeight, QStringLiteral("abc"));
    EXPECT_EQ(f.txtHeight->text(), "90");
    struct Case {
        const char* typed;
        int32_t used;
        const char* shown;
    };
    const Case cases[] = { { "20000", 2000, "2000" }, { "0", 2000, "2000" }, { "10000", 10000, "10000" },
        { "", 10000, "10000" }, { "7", 7, "7" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        f.txtHeight->clear();
        QTest::keyClicks(f.txtHeight, QString::fromLatin1(c.typed));
        EXPECT_EQ(s.ThumbHeight, c.used);
        QApplication::sendEvent(f.txtHeight, &leave);
        EXPECT_EQ(f.txtHeight->text(), c.shown);
    }

    // The quality bar starts at 1: a 0 in the record reads as 1.
    EXPECT_EQ(f.slQuality->Min().toInt(), 1);
    s.JpegQuality = 0;
    f.FillOutputOptions();
    EXPECT_EQ(f.slQuality->Value().toInt(), 1);
    EXPECT_EQ(s.JpegQuality, 1);
}

TEST_F(Form1Test, TheLabelsShowTheStampWhereItIsPrintedAndADragStopsAtTheEdges)
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
        const QRect shown = upperText(f.picScroll->client()->grab().toImage());
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_TRUE(picture.contains(shown));
        f.mnuFiltre[4]->trigger(); // builds the working image with its stamp
        EXPECT_EQ(upperText(f.engine().Photo().Picture1().hdc()->toImage()), shown);

        // Dragged far to the left and down, the stamp stops at the edges.
        f.mn50->trigger();
        const QPoint grab(4, 4);
        QTest::mousePress(f.Label2, Qt::LeftButton, {}, grab);
        moveOver(f.Label2, f.Label2->pos() + grab + QPoint(-400, 400), Qt::LeftButton);
        const QRect dragged = upperText(f.picScroll->client()->grab().toImage());
        EXPECT_TRUE(picture.contains(dragged));
        EXPECT_GE(dragged.bottom(), 236);
        EXPECT_LE(dragged.left(), 3);
        QTest::mouseRelease(f.Label2, Qt::LeftButton, {}, f.Label2->mapFrom(f.picScroll->client(), grab));
        EXPECT_EQ(f.settings().Anchoring.place, test.dropped);
        EXPECT_EQ(upperText(f.picScroll->client()->grab().toImage()), dragged);
        f.mnuFiltre[4]->trigger();
        EXPECT_EQ(upperText(f.engine().Photo().Picture1().hdc()->toImage()), dragged);
    }
}

TEST_F(Form1Test, AStampDroppedInTheWindowIsPrintedAlikeByTheCommandLine)
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
    QTest::mousePress(f.Label2, Qt::LeftButton, {}, grab);
    moveOver(f.Label2, f.Label2->pos() + grab + QPoint(150, 20), Qt::LeftButton);
    QTest::mouseRelease(f.Label2, Qt::LeftButton, {}, f.Label2->mapFrom(f.picScroll->client(), f.Label2->pos() + grab));
    ASSERT_EQ(f.settings().Anchoring.place, StampAnchoring::Place::TopRight);
    f.mnSaveJpg->trigger();
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

TEST_F(Form1Test, AStampOverAPannedPhotoIsPrintedAlikeByTheCommandLine)
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
    f.mnSaveJpg->trigger();
    f.close();

    QProcess cli;
    const QString target = dir.filePath(QStringLiteral("cli"));
    cli.start(QStringLiteral(QUILLON_CLI), { "batch", card, "--target", target, "--config", iniPath() });
    ASSERT_TRUE(cli.waitForFinished(120'000));
    const QByteArray saved = readFile(window + QStringLiteral("/Images/IMG_0001.JPG"));
    ASSERT_FALSE(saved.isEmpty());
    EXPECT_TRUE(saved == readFile(target + QStringLiteral("/Images/card/IMG_0001.JPG")));
}

TEST_F(Form1Test, StoredValuesNotUnderstoodAreNamedBeforeTheirDefaultsAreWrittenBack)
{
    writeIni(QStringLiteral("[LABEL]\ntop=3e38\n[VIGNET]\nshow=yes\n[DATE]\nshift_minutes=1h\n[REP]\ncible=out\n"));
    TestForm& f = start();
    EXPECT_EQ(f.statusBar()->currentMessage(),
        "config.ini: [LABEL] top=3e38 is outside -15000000 to 15000000; 15000000 is used. cible=out is not a full "
        "path; "
            + QDir::toNativeSeparators(ExecutableInfo::folder())
            + " is used. shift_minutes=1h is not a number; 0 is used");
    EXPECT_TRUE(f.settings().ThumbShow);
    EXPECT_EQ(f.engine().stampPosition().y(), mMain::MaxLabelTwips / 15);
    EXPECT_EQ(f.settings().TargetFolder, ExecutableInfo::folder());
    f.mnExit->trigger();

    // What was used is what the file now holds, and the next start reads
    // it without a word.
    TestForm& again = start();
    EXPECT_EQ(again.statusBar()->currentMessage(), "");
    EXPECT_EQ(again.engine().stampPosition().y(), mMain::MaxLabelTwips / 15);
}

TEST_F(Form1Test, ABoldStampStaysBoldAfterARestartAndInTheCommandLinesPrint)
{
    const QString card = dir.filePath(QStringLiteral("card"));
    ASSERT_TRUE(
        writeFile(card + QStringLiteral("/IMG_0001.JPG"), readFile(testPhoto(QStringLiteral("cameras/DSCN0010.jpg")))));
    const cOpen::Pickers pickers = cOpen::shared().pickers;
    const auto restore = qScopeGuard([&pickers] { cOpen::shared().pickers = pickers; });
    cOpen::shared().pickers.font = [](const QFont& initial) {
        QFont chosen = initial;
        chosen.setBold(true);
        return std::optional(chosen);
    };

    // Bold chosen through the date style dialog's font button.
    TestForm& f = start(iniPath(), dir.filePath(QStringLiteral("first")));
    f.realDateStyle = true;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<frmDate*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->cmdFont()->click();
        dialog->close();
    });
    f.mnFormat->trigger();
    ASSERT_TRUE(f.engine().stampFont().bold());
    openPhoto(card, QStringLiteral("IMG_0001.JPG"));
    f.mnSaveJpg->trigger();
    f.close();
    const QByteArray bold = readFile(dir.filePath(QStringLiteral("first/Images/IMG_0001.JPG")));
    ASSERT_FALSE(bold.isEmpty());

    TestForm& again = start(iniPath(), dir.filePath(QStringLiteral("again")));
    EXPECT_TRUE(again.engine().stampFont().bold());
    openPhoto(card, QStringLiteral("IMG_0001.JPG"));
    again.mnSaveJpg->trigger();
    EXPECT_TRUE(readFile(dir.filePath(QStringLiteral("again/Images/IMG_0001.JPG"))) == bold);

    QProcess cli;
    const QString target = dir.filePath(QStringLiteral("cli"));
    cli.start(QStringLiteral(QUILLON_CLI), { "batch", card, "--target", target, "--config", iniPath() });
    ASSERT_TRUE(cli.waitForFinished(120'000));
    EXPECT_TRUE(readFile(target + QStringLiteral("/Images/card/IMG_0001.JPG")) == bold);
}

TEST_F(Form1Test, ClosingReplacesTheSettingsFileOnceWithTheWindowsPlaceInIt)
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
        mFileIni::ReadIni(iniPath(), QStringLiteral("WINDOW"), QStringLiteral("geometry"), QString()).isEmpty());
    EXPECT_EQ(mFileIni::ReadIni(iniPath(), QStringLiteral("COEF"), QStringLiteral("JPG"), QString()), "80");
}
