#include "platform/OleColor.h"

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

TEST(OleColorTest, PlainColoursHoldRedInTheLowByte)
{
    EXPECT_EQ(OleColor::toQColor(255), QColor(255, 0, 0));
    EXPECT_EQ(OleColor::toQColor(0xFFFF), QColor(255, 255, 0));
    EXPECT_EQ(OleColor::toQColor(0x00804020), QColor(0x20, 0x40, 0x80));
    EXPECT_EQ(OleColor::fromQColor(QColor(0x20, 0x40, 0x80)), 0x00804020u);
}

TEST(OleColorTest, SystemColoursFollowThePalette)
{
    const QPalette palette = QGuiApplication::palette();
    EXPECT_EQ(OleColor::toQColor(OleColor::ButtonFace), palette.color(QPalette::Active, QPalette::Button));
    EXPECT_EQ(OleColor::toQColor(OleColor::ButtonText), palette.color(QPalette::Active, QPalette::ButtonText));
    EXPECT_EQ(OleColor::toQColor(0x800000FFu), palette.color(QPalette::Active, QPalette::Window));
}
