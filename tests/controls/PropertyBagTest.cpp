#include "controls/PropertyBag.h"

#include <QFont>

#include <gtest/gtest.h>

TEST(PropertyBagTest, KeysMatchWithoutRegardToCase)
{
    PropertyBag bag { { "caption", "0 px" }, { "Max", "10" } };
    EXPECT_EQ(bag.ReadProperty("Caption"), QVariant("0 px"));
    EXPECT_EQ(bag.ReadProperty("MAX", 100), QVariant("10"));
    EXPECT_EQ(bag.ReadProperty("Min", 0), QVariant(0));

    bag.WriteProperty("CAPTION", "5 px");
    EXPECT_EQ(bag.keys(), (QStringList { "caption", "Max" }));
    EXPECT_EQ(bag.ReadProperty("caption"), QVariant("5 px"));
}

TEST(PropertyBagTest, DefaultsAreLeftOutAndReplaceOlderEntries)
{
    PropertyBag bag;
    bag.WriteProperty("Value", QVariant::fromValue<qint16>(50), QVariant::fromValue<qint16>(50));
    bag.WriteProperty("Value", 50, QVariant::fromValue<qint16>(50)); // 32-bit 50 equals 16-bit 50
    EXPECT_TRUE(bag.isEmpty());

    bag.WriteProperty("Value", 51, QVariant::fromValue<qint16>(50));
    EXPECT_EQ(bag.ReadProperty("value"), QVariant(51));
    bag.WriteProperty("Value", 50.0, QVariant::fromValue<qint16>(50));
    EXPECT_FALSE(bag.contains("value"));

    // A text is kept even when it reads as the default number.
    bag.WriteProperty("Max", "100", QVariant::fromValue<qint16>(100));
    EXPECT_EQ(bag.ReadProperty("Max"), QVariant("100"));

    bag.WriteProperty("BackColor", 0x8000000Fu, 0x8000000Fu);
    bag.WriteProperty("Interactive", true, true);
    bag.WriteProperty("Font", QFont("DejaVu Sans", 9), QFont("DejaVu Sans", 9));
    EXPECT_EQ(bag.keys(), (QStringList { "Max" }));
    bag.WriteProperty("Interactive", false, true);
    EXPECT_EQ(bag.ReadProperty("Interactive"), QVariant(false));
}
