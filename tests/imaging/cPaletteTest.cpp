#include "imaging/cPalette.h"

#include "platform/RuntimeError.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class cPaletteTest : public ::testing::Test {
protected:
    // Loads a palette file holding the text.
    bool load(const QByteArray& text)
    {
        const QString path = dir.filePath(QStringLiteral("palette.txt"));
        return writeFile(path, text) && palette.LoadFromFile(path);
    }

    QTemporaryDir dir;
    cPalette palette;
};

} // namespace

TEST_F(cPaletteTest, LoadsEntryLinesAndSkipsTheRest)
{
    // A header, a count, a doubled space and the empty line after the final
    // CR LF are no entries.
    ASSERT_TRUE(load("JASC-PAL\r\n3\r\n255 0 7\r\n0  255 0\r\n1 2 255\r\n"));
    ASSERT_EQ(palette.Count(), 2);
    EXPECT_EQ(palette.Red(1), 255);
    EXPECT_EQ(palette.Green(1), 0);
    EXPECT_EQ(palette.Blue(1), 7);
    EXPECT_EQ(palette.Red(2), 1);
    EXPECT_EQ(palette.Blue(2), 255);
    for (int32_t index : { 0, 3, -1 }) {
        try {
            palette.Green(index);
            ADD_FAILURE() << index;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), 9);
            EXPECT_EQ(error.description(), QStringLiteral("Subscript out of range"));
        }
    }
}

TEST_F(cPaletteTest, FailedLoadLeavesThePaletteEmpty)
{
    ASSERT_TRUE(load("1 2 3\r\n"));
    for (const QByteArray& bad : { QByteArray("1 2 3\r\n4 5 256\r\n"), QByteArray("1 2 x\r\n"), QByteArray("1 2 \r\n"),
             QByteArray("1 2 3\n") }) {
        EXPECT_FALSE(load(bad)) << bad.constData();
        EXPECT_EQ(palette.Count(), 0);
    }
    ASSERT_TRUE(load("1 2 3"));
    EXPECT_FALSE(palette.LoadFromFile(dir.filePath(QStringLiteral("missing.txt"))));
    EXPECT_EQ(palette.Count(), 0);
}

TEST_F(cPaletteTest, ClosestIndex)
{
    EXPECT_EQ(palette.ClosestIndex(1, 2, 3), 0);
    ASSERT_TRUE(load("10 10 10\r\n0 0 0\r\n20 20 20\r\n10 10 10\r\n0 0 30\r\n"));
    const struct {
        int32_t red, green, blue, expected;
    } cases[] = {
        { 10, 10, 10, 1 }, // exact match, first of two
        { 0, 0, 0, 2 }, // exact match beats the earlier near one
        { 5, 5, 5, 1 }, // distance 15 to entries 1 and 2: the first
        { 0, 0, 20, 5 }, // 10 (entry 5) against 20 (entries 1, 2)
        { 200, 0, 20, 3 }, // sums of absolute differences: 200 (entry 3) against 210 (entries 1, 5)
    };
    for (const auto& c : cases)
        EXPECT_EQ(palette.ClosestIndex(c.red, c.green, c.blue), c.expected) << c.red << ' ' << c.green << ' ' << c.blue;

    ASSERT_TRUE(load("255 255 255\r\n"));
    EXPECT_EQ(palette.ClosestIndex(0, 0, 0), 0); // 765 is never chosen
    EXPECT_EQ(palette.ClosestIndex(1, 0, 0), 1);
}
