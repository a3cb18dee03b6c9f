#include "ui/PreviewPane.h"

#include "platform/MessageBox.h"
#include "support/TestSupport.h"
#include "ui/MainMenuBar.h"
#include "ui/MainWindow.h"
#include "ui/PictureView.h"
#include "ui/PreviewViewport.h"
#include "ui/StampLabelView.h"

#include <QApplication>
#include <QLabel>
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
    void TearDown() override
    {
        if (form) MessageBox::setHook(outerHook);
        form.reset();
    }

    MainWindow& start(const QString& ini, const QString& outputRoot)
    {
        if (form) MessageBox::setHook(outerHook);
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
    QScrollBar* bar(Qt::Orientation across) const
    {
        return across == Qt::Horizontal ? form->previewViewport->horizontalBar() : form->previewViewport->verticalBar();
    }

    // Drags the upper stamp label, grabbed at (4, 4), until its corner lies
    // on place of the viewport's inner area, and drops it there.
    void dragStampTo(QPoint place)
    {
        StampLabelView* label = form->stampUpperLabel;
        const QPoint grab(4, 4);
        QTest::mousePress(label, Qt::LeftButton, {}, grab);
        const QPoint to = label->mapFrom(client(), place + grab);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(label->mapToGlobal(to)), Qt::NoButton, Qt::LeftButton,
            Qt::NoModifier);
        QApplication::sendEvent(label, &move);
        QTest::mouseRelease(label, Qt::LeftButton, {}, label->mapFrom(client(), place + grab));
    }
};

} // namespace

TEST_F(PreviewPaneTest, APhotoOpensFittedAndTheZoomStepsKeepThePointInView)
{
    MainWindow& f = start();
    const QSize inner = client()->size();
    // The whole photo, at its aspect, no scroll bars, the stamp on it.
    EXPECT_TRUE(pane().fitsWindow());
    EXPECT_TRUE(menus().fitAction->isChecked());
    const QRect picture = f.previewImage->geometry();
    EXPECT_EQ(picture.topLeft(), QPoint(0, 0));
    EXPECT_TRUE(QRect(QPoint(), inner).contains(picture));
    EXPECT_TRUE(picture.width() == inner.width() || picture.height() == inner.height());
    EXPECT_NEAR(double(picture.width()) / picture.height(), 4.0 / 3.0, 0.01);
    EXPECT_FALSE(bar(Qt::Horizontal)->isVisible() || bar(Qt::Vertical)->isVisible());
    EXPECT_FALSE(f.previewImage->testAttribute(Qt::WA_SetCursor)); // no hand: nothing to pan
    // The labels where the stamp is printed, at the zoom.
    const double fit = pane().zoom();
    const QPoint upper = f.engine().shownStamp().second;
    EXPECT_EQ(f.stampUpperLabel->pos(), QPoint(std::lround(upper.x() * fit), std::lround(upper.y() * fit)));
    EXPECT_LT(f.stampUpperLabel->zoom(), 1.0);
    EXPECT_EQ(f.zoomLabel->text(), QStringLiteral("Fit: %1 %").arg(std::lround(fit * 100)));

    // 100 %: the working image's pixels, scroll bars to reach all of it,
    // the labels at the printed stamp's place and size.
    menus().actualSizeAction->trigger();
    EXPECT_FALSE(menus().fitAction->isChecked());
    EXPECT_EQ(f.previewImage->size(), QSize(1024, 768));
    EXPECT_EQ(f.stampUpperLabel->zoom(), 1.0);
    EXPECT_EQ(f.stampUpperLabel->pos() - f.previewImage->pos(), f.engine().shownStamp().second);
    const QSize scrolled = client()->size();
    EXPECT_EQ(bar(Qt::Horizontal)->maximum(), 1024 - scrolled.width());
    EXPECT_EQ(bar(Qt::Vertical)->maximum(), 768 - scrolled.height());
    EXPECT_EQ(f.zoomLabel->text(), "100 %");
    EXPECT_TRUE(f.previewImage->testAttribute(Qt::WA_SetCursor));

    // Zoomed in and out by steps about the area's centre: the photo's point
    // there stays there (to the pixel the rounding allows).
    const QPointF centre(scrolled.width() / 2.0, scrolled.height() / 2.0);
    const auto onPhoto = [&](QPointF at) { return (at - QPointF(f.previewImage->pos())) / pane().zoom(); };
    bar(Qt::Horizontal)->setValue(200);
    const QPointF spot = onPhoto(centre);
    menus().zoomInAction->trigger();
    EXPECT_EQ(pane().zoom(), 1.5);
    EXPECT_EQ(f.previewImage->size(), QSize(1536, 1152));
    EXPECT_NEAR(onPhoto(centre).x(), spot.x(), 1.0);
    EXPECT_NEAR(onPhoto(centre).y(), spot.y(), 1.0);
    menus().zoomOutAction->trigger();
    menus().zoomOutAction->trigger();
    EXPECT_DOUBLE_EQ(pane().zoom(), 2.0 / 3.0);
    EXPECT_EQ(f.previewImage->size(), QSize(683, 512));

    // Ctrl and the wheel zoom about the cursor; a touchpad's small turns
    // add up to a step.
    const QPoint cursor(100, 80);
    const QPointF under = onPhoto(cursor);
    const auto turn = [&](int angle) {
        const QPoint at = f.previewImage->mapFrom(client(), cursor);
        QWheelEvent wheel(QPointF(at), QPointF(f.previewImage->mapToGlobal(at)), QPoint(), QPoint(0, angle),
            Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.previewImage, &wheel);
    };
    turn(60);
    EXPECT_DOUBLE_EQ(pane().zoom(), 2.0 / 3.0);
    turn(60);
    EXPECT_EQ(pane().zoom(), 1.0);
    EXPECT_NEAR(onPhoto(cursor).x(), under.x(), 1.0);
    EXPECT_NEAR(onPhoto(cursor).y(), under.y(), 1.0);
    for (int i = 0; i < 20; ++i)
        turn(-120);
    EXPECT_EQ(pane().zoom(), PreviewPane::ZoomSteps.front());

    // Fit again; another photo opens fitted whatever the zoom was.
    menus().fitAction->trigger();
    EXPECT_EQ(f.previewImage->geometry(), picture);
    menus().actualSizeAction->trigger();
    ASSERT_TRUE(f.openPath(testPhoto("cameras/DSCN0010.jpg")));
    EXPECT_TRUE(pane().fitsWindow());
    EXPECT_EQ(f.previewImage->geometry(), QRect(0, 0, 320, 240)); // small enough: never enlarged
    // At 100 % of the large photo, it is decoded no larger than it is shown.
    ASSERT_TRUE(f.openPath(photo()));
    f.size100Action->trigger();
    EXPECT_LE(f.previewImage->picture().width(), 1024);
    EXPECT_EQ(f.previewImage->width(), std::lround(2048 * pane().zoom()));
    EXPECT_EQ(messages, QStringList());
}

TEST_F(PreviewPaneTest, ThePanStaysThroughEffectsSavesAndDragsOfTheStamp)
{
    MainWindow& f = start();
    menus().actualSizeAction->trigger();
    bar(Qt::Horizontal)->setValue(300);
    bar(Qt::Vertical)->setValue(250);
    const QPoint panned(-300, -250);
    ASSERT_EQ(f.previewImage->pos(), panned);

    // Dragging the picture pans it and moves the bars; the stamp stays on
    // its place of the photo.
    const QPointF stamp = f.engine().stampPosition();
    QTest::mousePress(f.previewImage, Qt::LeftButton, {}, QPoint(400, 400));
    QMouseEvent move(QEvent::MouseMove, QPointF(430, 420), QPointF(f.previewImage->mapToGlobal(QPoint(430, 420))),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.previewImage, &move);
    QTest::mouseRelease(f.previewImage, Qt::LeftButton);
    const QPoint pannedAgain = panned + QPoint(30, 20);
    EXPECT_EQ(f.previewImage->pos(), pannedAgain);
    EXPECT_EQ(bar(Qt::Horizontal)->value(), 270);
    EXPECT_EQ(f.engine().stampPosition(), stamp);

    dragStampTo(f.stampUpperLabel->pos() + QPoint(40, 30));
    EXPECT_EQ(f.previewImage->pos(), pannedAgain);
    f.lightenAction->trigger();
    ASSERT_TRUE(f.displayView->isVisible());
    EXPECT_EQ(f.displayView->pos(), pannedAgain);
    f.saveJpgAction->trigger();
    ASSERT_TRUE(QFileInfo::exists(dir.filePath("out/Images/IMG_0001.JPG")));
    EXPECT_EQ(f.displayView->pos(), pannedAgain);
    EXPECT_EQ(pane().zoom(), 1.0);
    // The display picture pans as the preview did.
    QTest::mousePress(f.displayView, Qt::LeftButton, {}, QPoint(400, 400));
    QMouseEvent back(QEvent::MouseMove, QPointF(370, 400), QPointF(f.displayView->mapToGlobal(QPoint(370, 400))),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.displayView, &back);
    EXPECT_EQ(f.displayView->pos(), panned + QPoint(0, 20));
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
            if (first.isEmpty())
                first = saved;
            else
                EXPECT_TRUE(saved == first);
        }
    }
    EXPECT_EQ(messages, QStringList());
}
