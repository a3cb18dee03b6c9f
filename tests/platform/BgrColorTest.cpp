#include "platform/BgrColor.h"

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

TEST(BgrColorTest, PlainColoursHoldRedInTheLowByteAndSystemColoursFollowThePalette)
{
    EXPECT_EQ(BgrColor::toQColor(0x0012AB34u), QColor(0x34, 0xAB, 0x12));
    EXPECT_EQ(BgrColor::fromQColor(QColor(0x34, 0xAB, 0x12)), 0x0012AB34u);

    // A palette change shows in the system colours, and in no plain one.
    const QPalette before = QGuiApplication::palette();
    QPalette changed = before;
    changed.setColor(QPalette::Button, QColor(1, 2, 3));
    changed.setColor(QPalette::ButtonText, QColor(4, 5, 6));
    QGuiApplication::setPalette(changed);
    EXPECT_EQ(BgrColor::toQColor(BgrColor::ButtonFace), QColor(1, 2, 3));
    EXPECT_EQ(BgrColor::toQColor(BgrColor::ButtonText), QColor(4, 5, 6));
    EXPECT_EQ(BgrColor::toQColor(0x0F), QColor(15, 0, 0));
    QGuiApplication::setPalette(before);
}
