#include "ui/AboutDialog.h"
#include "ui/DesktopLauncher.h"

#include <QLabel>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

TEST(AboutDialogTest, WithoutATitleBarItMovesByItsFreeAreaAndClosesByItsCross)
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

    // A press on the cross released away from it closes nothing.
    QLabel* cross = about.exitLabel();
    sendMouse(cross, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(5, 5));
    sendMouse(cross, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(40, 40));
    EXPECT_TRUE(about.isVisible());
    QSignalSpy finished(&about, &QDialog::finished);
    sendMouse(cross, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(5, 5));
    sendMouse(cross, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(5, 5));
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(finished.count(), 1);
}

TEST(AboutDialogTest, LinksOpenThroughTheShell)
{
    QStringList opened;
    DesktopLauncher::setOpener([&](const DesktopLauncher::Request& request) {
        opened << request.file;
        return 42;
    });
    const auto restore = qScopeGuard([] { DesktopLauncher::setOpener({}); });
    AboutDialog about;
    about.show();
    for (QLabel* link :
        { about.imagingCreditLabel(), about.exifCreditLabel(), about.organisationLabel(), about.copyrightLabel() })
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(opened,
        QStringList({ about.imagingCreditLabel()->text(), about.exifCreditLabel()->text(), AboutDialog::WebPage,
            "mailto:" + AboutDialog::EMail + "?subject=About Quillon 1.0.11" }));
}
