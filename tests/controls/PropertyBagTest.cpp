#include "controls/PropertyBag.h"

#include <gtest/gtest.h>

TEST(PropertyBagTest, KeysMatchWithoutRegardToCase)
{
    const PropertyBag bag { { "caption", "0 px" }, { "Max", "10" } };
    EXPECT_EQ(bag.readProperty("Caption"), QVariant("0 px"));
    EXPECT_EQ(bag.readProperty("MAX", 100), QVariant("10"));
    EXPECT_EQ(bag.readProperty("Min", 0), QVariant(0));
}
