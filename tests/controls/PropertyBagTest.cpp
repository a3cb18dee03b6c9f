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

TEST(PropertyBagTest, NumbersEqualTheirDefaultWhateverTheirType)
{
    // A 32-bit or double 50 against the 16-bit default 50 is not stored; a
    // text is, even when it reads as the default.
    PropertyBag bag;
    bag.WriteProperty("Value", 50, QVariant::fromValue<qint16>(50));
    bag.WriteProperty("Value", 50.0, QVariant::fromValue<qint16>(50));
    bag.WriteProperty("Max", "100", QVariant::fromValue<qint16>(100));
    EXPECT_EQ(bag.keys(), (QStringList { "Max" }));
}
