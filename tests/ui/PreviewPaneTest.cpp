#include "ui/PreviewPane.h"

#include "platform/MessageBox.h"
#include "support/TestSupport.h"
#include "ui/MainMenuBar.h"
#include "ui/MainWindow.h"
#include "ui/PictureView.h"
#include "ui/PreviewViewport.h"
#include "ui/StampLabelView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A window on a photo 2048x1536, 1024x768 at the default size: larger than
// the viewport at 100 %.
class PreviewPaneTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> form;
    MessageBox::Hook outerHook;
    QStringList messages;

    QString photo() const { return dir.filePath(QStringLiteral("card/IMG_0001.JPG")); }

    void SetUp() override
    {
        ASSERT_TRUE(writeFile(photo(), readFile(testPhoto("cameras/Reconyx_HC500_Hyperfire.jpg"))));
    }
    void TearDown() override { close(); }
    void close()
    {
        if (form) MessageBox::setHook(outerHook);
        form.reset();
    }

    // A new window on the photo.
    MainWindow& start(const QString& ini, const QString& outputRoot)
    {
        close();
        form = std::make_unique<MainWindow>(ini, outputRoot);
        outerHook
            = MessageBox::setHook([this](const QString& text, const QString&, MessageBox::Kind) { messages << text; });
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        EXPECT_TRUE(form->openPath(photo()));
        return *form;
    }
    MainWindow& start() { return start(dir.filePath("config.ini"), dir.filePath("out")); }

    MainMenuBar& menus() const { return *qobject_cast<MainMenuBar*>(form->menuBar()); }
    PreviewPane& pane() const { return *form->findChild<PreviewPane*>(); }
    QWidget* client() const { return form->previewViewport->client(); }
    QScrollBar* across() const { return form->previewViewport->horizontalBar(); }
    QScrollBar* down() const { return form->previewViewport->verticalBar(); }

    // Drags widget with the left button from one of its points to another.
    static void drag(QWidget* widget, QPoint from, QPoint to)
    {
        QTest::mousePress(widget, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(widget->mapToGlobal(to)), Qt::NoButton, Qt::LeftButton,
            Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
    }
    // Drags the upper stamp label, grabbed at (4, 4), until its corner lies
    // on place of the viewport's inner area.
    void dragStampTo(QPoint place)
    {
        StampLabelView* label = form->stampUpperLabel;
        drag(label, QPoint(4, 4), label->mapFrom(client(), place + QPoint(4, 4)));
    }
};

} // namespace

TEST_F(PreviewPaneTest, APhotoOpensFittedAndTheZoomStepsKeepThePointInView)
{
    MainWindow& f = start();
    // The whole photo, no scroll bars, the labels where the stamp is
    // printed at the zoom.
    const QRect picture = f.previewImage->geometry();
    EXPECT_TRUE(QRect(QPoint(), client()->size()).contains(picture));
    EXPECT_TRUE(picture.width() == client()->width() || picture.height() == client()->height());
    EXPECT_FALSE(across()->isVisible() || down()->isVisible());
    const double fit = pane().zoom();
    const QPoint upper = f.engine().shownStamp().second;
    EXPECT_EQ(f.stampUpperLabel->pos(), QPoint(std::lround(upper.x() * fit), std::lround(upper.y() * fit)));

    // 100 %: the working image's pixels, scroll bars that reach all of it.
    menus().actualSizeAction->trigger();
    EXPECT_EQ(f.previewImage->size(), QSize(1024, 768));
    EXPECT_EQ(f.stampUpperLabel->pos() - f.previewImage->pos(), upper);
    const QSize inner = client()->size();
    EXPECT_EQ(across()->maximum(), 1024 - inner.width());
    EXPECT_EQ(down()->maximum(), 768 - inner.height());

    // The steps keep the photo's point at the area's centre, Ctrl and the
    // wheel the one under the cursor.
    const auto onPhoto = [&](QPointF at) { return (at - QPointF(f.previewImage->pos())) / pane().zoom(); };
    const QPointF centre(inner.width() / 2.0, inner.height() / 2.0);
    across()->setValue(200);
    const QPointF spot = onPhoto(centre);
    menus().zoomInAction->trigger();
    EXPECT_EQ(f.previewImage->size(), QSize(1536, 1152));
    EXPECT_LE((onPhoto(centre) - spot).manhattanLength(), 1.0);

    const QPoint cursor = f.previewImage->mapFrom(client(), QPoint(100, 80));
    const QPointF under = onPhoto(QPoint(100, 80));
    QWheelEvent wheel(QPointF(cursor), QPointF(f.previewImage->mapToGlobal(cursor)), QPoint(), QPoint(0, -120),
        Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.previewImage, &wheel);
    EXPECT_EQ(pane().zoom(), 1.0);
    EXPECT_LE((onPhoto(QPoint(100, 80)) - under).manhattanLength(), 1.0);

    // Fit again, and again as the window grows; a step in from there
    // passes over 2/3, too near the fit.
    menus().fitAction->trigger();
    EXPECT_EQ(f.previewImage->geometry(), picture);
    f.resize(f.size() + QSize(60, 60));
    QApplication::processEvents();
    EXPECT_GT(f.previewImage->height(), picture.height());
    EXPECT_TRUE(QRect(QPoint(), client()->size()).contains(f.previewImage->geometry()));
    f.resize(f.size() - QSize(60, 60));
    QApplication::processEvents();
    ASSERT_GT(fit * 1.1, 2.0 / 3);
    menus().zoomInAction->trigger();
    EXPECT_EQ(pane().zoom(), 1.0);
    // Another photo opens fitted, a small one never enlarged.
    ASSERT_TRUE(f.openPath(testPhoto("cameras/DSCN0010.jpg")));
    EXPECT_EQ(f.previewImage->geometry(), QRect(0, 0, 320, 240));
    // Fitted at 100 % of the large photo, it is decoded at half its size.
    ASSERT_TRUE(f.openPath(photo()));
    f.size100Action->trigger();
    EXPECT_LE(f.previewImage->picture().width(), 1024);
    EXPECT_EQ(messages, QStringList());
}

TEST_F(PreviewPaneTest, ThePanStopsAtThePhotosEdgesAndStaysThroughEffectsSavesAndDragsOfTheStamp)
{
    MainWindow& f = start();
    menus().actualSizeAction->trigger();
    const QSize inner = client()->size();
    across()->setValue(300);
    down()->setValue(250);
    // Near the photo's corner a move is taken for a slip; past it the photo
    // follows the cursor, but never so far that a gap opens beside it.
    drag(f.previewImage, QPoint(400, 400), QPoint(2, 2));
    EXPECT_EQ(f.previewImage->pos(), QPoint(-300, -250));
    drag(f.previewImage, QPoint(400, 400), QPoint(3, 2));
    EXPECT_EQ(f.previewImage->pos(),
        QPoint(std::max(-300 - 397, inner.width() - 1024), std::max(-250 - 398, inner.height() - 768)));
    drag(f.previewImage, QPoint(10, 10), QPoint(3000, 3000));
    EXPECT_EQ(f.previewImage->pos(), QPoint(0, 0));

    // Dragging the picture pans it and moves the bars; the stamp stays on
    // its place of the photo.
    across()->setValue(300);
    down()->setValue(250);
    const QPointF stamp = f.engine().stampPosition();
    drag(f.previewImage, QPoint(400, 400), QPoint(430, 420));
    const QPoint panned(-270, -230);
    EXPECT_EQ(f.previewImage->pos(), panned);
    EXPECT_EQ(across()->value(), 270);
    EXPECT_EQ(f.engine().stampPosition(), stamp);

    dragStampTo(f.stampUpperLabel->pos() + QPoint(40, 30));
    f.lightenAction->trigger();
    ASSERT_TRUE(f.displayView->isVisible());
    EXPECT_EQ(f.displayView->pos(), panned);
    f.saveJpgAction->trigger();
    ASSERT_TRUE(QFileInfo::exists(dir.filePath("out/Images/IMG_0001.JPG")));
    EXPECT_EQ(f.displayView->pos(), panned);
    // The display picture pans as the preview did.
    drag(f.displayView, QPoint(400, 400), QPoint(370, 400));
    EXPECT_EQ(f.displayView->pos(), panned - QPoint(30, 0));
    // A size, even the one in use, reopens the photo at the corner without
    // its effects.
    f.size50Action->trigger();
    EXPECT_EQ(f.previewImage->pos(), QPoint(0, 0));
    EXPECT_FALSE(f.engine().photo().workReady());
    f.size37Action->trigger();
    EXPECT_EQ(f.previewImage->size(), QSize(768, 576));
}

TEST_F(PreviewPaneTest, DropsAtEveryZoomOnTheSamePixelSaveTheSameBytes)
{
    // Placed where it is dropped, and anchored anew by the drop.
    for (const char* settings : { "", "[STAMP]\nsize_percent=10\n" }) {
        SCOPED_TRACE(settings);
        QByteArray first;
        for (const double zoom : { 1.0, 0.5, 2.0, 1.0 / 3 }) {
            SCOPED_TRACE(zoom);
            const QString ini = dir.filePath(QStringLiteral("config-%1.ini").arg(zoom));
            const QString out = dir.filePath(QStringLiteral("out-%1").arg(zoom));
            ASSERT_TRUE(writeFile(ini, settings));
            MainWindow& f = start(ini, out);
            pane().setZoom(zoom);
            // The upper text's corner to (360, 300) of the working image.
            dragStampTo(f.previewImage->pos() + QPoint(360, 300) * zoom);
            EXPECT_EQ(f.engine().shownStamp().second, QPoint(360, 300));
            f.saveJpgAction->trigger();
            const QByteArray saved = readFile(out + QStringLiteral("/Images/IMG_0001.JPG"));
            ASSERT_FALSE(saved.isEmpty());
            if (first.isEmpty()) first = saved;
            EXPECT_TRUE(saved == first);
        }
    }
    EXPECT_EQ(messages, QStringList());
}
