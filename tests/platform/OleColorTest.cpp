#include "platform/OleColor.h"

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

TEST(OleColorTest, PlainColoursHoldRedInTheLowByte)
{
    EXPECT_EQ(OleColor::toQColor(255), QColor(255, 0, 0));
    EXPECT_EQ(OleColor::toQColor(0xFFFF), QColor(255, 255, 0));
    for (quint32 value : { 0x00000000u, 0x00804020u, 0x00FFFFFFu, 0x0012AB34u })
        EXPECT_EQ(OleColor::fromQColor(OleColor::toQColor(value)), value) << std::hex << value;
}

TEST(OleColorTest, SystemColoursFollowTheDesktopPalette)
{
    // A palette change shows in every system colour at once, and in no plain one.
    const QPalette before = QGuiApplication::palette();
    QPalette changed = before;
    changed.setColor(QPalette::Button, QColor(1, 2, 3));
    changed.setColor(QPalette::ButtonText, QColor(4, 5, 6));
    QGuiApplication::setPalette(changed);
    EXPECT_EQ(OleColor::toQColor(OleColor::ButtonFace), QColor(1, 2, 3));
    EXPECT_EQ(OleColor::toQColor(OleColor::ButtonText), QColor(4, 5, 6));
    EXPECT_EQ(OleColor::toQColor(0x0F), QColor(15, 0, 0));
    QGuiApplication::setPalette(before);
    EXPECT_NE(OleColor::toQColor(OleColor::ButtonFace), QColor(1, 2, 3));
    EXPECT_TRUE(OleColor::isSystemColor(0x800000FFu));
    EXPECT_FALSE(OleColor::isSystemColor(0x00FFFFFFu));
}
