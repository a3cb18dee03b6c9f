#include "ui/AboutDialog.h"
#include "ui/AboutAnimation.h"
#include "ui/DesktopLauncher.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// What the event loop does when the timer's interval has run out, without
// waiting for it: the timer receives its timer event and emits timeout.
void expire(QTimer* timer)
{
    ASSERT_TRUE(timer->isActive());
    QTimerEvent event(timer->timerId());
    QCoreApplication::sendEvent(timer, &event);
}

} // namespace

TEST(AboutDialogTest, TheAnimationRunsRoundToItsFirstFrame)
{
    AboutDialog about;
    for (int step = 1; step <= AboutAnimation::FrameCount; ++step)
        expire(about.animationTimer());
    EXPECT_EQ(about.frameNumber(), 0);
    EXPECT_EQ(about.animationTop(), 0);
    EXPECT_TRUE(about.animationTimer()->isActive());
}

TEST(AboutDialogTest, TheMouseOnTheAnimationPausesStepsAndResumesIt)
{
    AboutDialog about;
    about.show();
    QLabel* strip = about.animationImage();
    const QPoint at(80, 40);

    sendMouse(strip, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at);
    EXPECT_FALSE(about.animationTimer()->isActive());
    // A right press while paused steps exactly one frame; while running it does nothing.
    sendMouse(strip, QEvent::MouseButtonPress, Qt::RightButton, Qt::LeftButton | Qt::RightButton, at);
    sendMouse(strip, QEvent::MouseButtonRelease, Qt::RightButton, Qt::LeftButton, at);
    EXPECT_EQ(about.frameNumber(), 1);
    EXPECT_FALSE(about.animationTimer()->isActive());
    sendMouse(strip, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at);
    EXPECT_TRUE(about.animationTimer()->isActive());
    EXPECT_EQ(about.animationTimer()->interval(), 200);

    sendMouse(strip, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, at);
    EXPECT_EQ(about.frameNumber(), 1);
}

TEST(AboutDialogTest, TheCloseButtonClosesOnAClickButNotWhenReleasedOutside)
{
    AboutDialog about;
    about.show();
    QLabel* cross = about.exitLabel();
    const QPoint home = cross->pos();

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(cross, &enter);
    EXPECT_TRUE(about.topLabel()->isVisible());
    EXPECT_TRUE(about.bottomLabel()->isVisible());

    const QImage raised = about.topLabel()->pixmap().toImage();
    sendMouse(cross, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(5, 5));
    EXPECT_EQ(cross->pos(), home + QPoint(1, 1));
    EXPECT_NE(about.topLabel()->pixmap().toImage(), raised);
    // Released away from the cross: the raised look comes back, nothing closes.
    sendMouse(cross, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(40, 40));
    EXPECT_EQ(cross->pos(), home);
    EXPECT_EQ(about.topLabel()->pixmap().toImage(), raised);
    EXPECT_TRUE(about.isVisible());

    // Moving over the free area takes the frame away.
    sendMouse(&about, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, QPoint(200, 150));
    EXPECT_FALSE(about.topLabel()->isVisible());

    QSignalSpy finished(&about, &QDialog::finished);
    sendMouse(cross, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(5, 5));
    sendMouse(cross, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(5, 5));
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(finished.count(), 1);
}

TEST(AboutDialogTest, DraggingTheFreeAreaMovesTheWindow)
{
    AboutDialog about;
    about.move(100, 100);
    about.show();
    sendMouse(&about, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(200, 150));
    sendMouse(&about, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(230, 140));
    EXPECT_EQ(about.pos(), QPoint(130, 90));
    // Without the button held the window stays.
    sendMouse(&about, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, QPoint(250, 170));
    EXPECT_EQ(about.pos(), QPoint(130, 90));
}

TEST(AboutDialogTest, LinksOpenThroughTheShell)
{
    QList<DesktopLauncher::Request> opened;
    DesktopLauncher::setOpener([&](const DesktopLauncher::Request& request) {
        opened << request;
        return 42;
    });
    {
        AboutDialog about;
        about.show();
        for (QLabel* link :
            { about.imagingCreditLabel(), about.exifCreditLabel(), about.organisationLabel(), about.copyrightLabel() })
            QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, 3));
        ASSERT_EQ(opened.size(), 4);
        EXPECT_EQ(opened[0].file, about.imagingCreditLabel()->text());
        EXPECT_EQ(opened[1].file, about.exifCreditLabel()->text());
        EXPECT_EQ(opened[2].file, AboutDialog::WebPage);
        EXPECT_EQ(opened[3].file, "mailto:" + AboutDialog::EMail + "?subject=About Quillon 1.0.11");
        EXPECT_EQ(opened[3].verb, "open");
    }
    DesktopLauncher::setOpener({});
}

TEST(AboutDialogTest, TheStripHoldsFifteenDistinctFrames)
{
    const QImage strip = AboutAnimation::strip();
    ASSERT_EQ(strip.size(), QSize(160, 1275));
    for (int k = 1; k < AboutAnimation::FrameCount; ++k)
        EXPECT_NE(strip.copy(0, k * 85, 160, 85), strip.copy(0, (k - 1) * 85, 160, 85)) << k;
}
