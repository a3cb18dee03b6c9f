#include "platform/BgrColor.h"

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

TEST(BgrColorTest, PlainColoursHoldRedInTheLowByte)
{
    EXPECT_EQ(BgrColor::toQColor(255), QColor(255, 0, 0));
    EXPECT_EQ(BgrColor::toQColor(0xFFFF), QColor(255, 255, 0));
    for (quint32 value : { 0x00000000u, 0x00804020u, 0x00FFFFFFu, 0x0012AB34u })
        EXPECT_EQ(BgrColor::fromQColor(BgrColor::toQColor(value)), value) << std::hex << value;
}

TEST(BgrColorTest, SystemColoursFollowTheDesktopPalette)
{
    // A palette change shows in every system colour at once, and in no plain one.
    const QPalette before = QGuiApplication::palette();
    QPalette changed = before;
    changed.setColor(QPalette::Button, QColor(1, 2, 3));
    changed.setColor(QPalette::ButtonText, QColor(4, 5, 6));
    QGuiApplication::setPalette(changed);
    EXPECT_EQ(BgrColor::toQColor(BgrColor::ButtonFace), QColor(1, 2, 3));
    EXPECT_EQ(BgrColor::toQColor(BgrColor::ButtonText), QColor(4, 5, 6));
    EXPECT_EQ(BgrColor::toQColor(0x0F), QColor(15, 0, 0));
    QGuiApplication::setPalette(before);
    EXPECT_NE(BgrColor::toQColor(BgrColor::ButtonFace), QColor(1, 2, 3));
    EXPECT_TRUE(BgrColor::isSystemColor(0x800000FFu));
    EXPECT_FALSE(BgrColor::isSystemColor(0x00FFFFFFu));
}
