#include "workflow/BatchReport.h"

#include <gtest/gtest.h>

TEST(BatchReportTest, NamesThatHideOrTurnTextRoundAreQuotedAndEscapedAsInC)
{
    const struct {
        QString path;
        const char* shown;
    } cases[] = {
        { QString::fromUtf8("/p/été 😀.jpg"), "/p/été 😀.jpg" }, // letters and symbols stay
        { "/p/line\nbreak.jpg", R"("/p/line\nbreak.jpg")" },
        { "/p/tab\t\"q\"\\.jpg", R"("/p/tab\t\"q\"\\.jpg")" },
        { "/p/\x1b[2J\x7f.jpg", R"("/p/\x1b[2J\x7f.jpg")" },
        // Turned round, it would read "/p/ajpg.exe".
        { QString::fromUtf8("/p/a\u202Egpj.exe"), R"("/p/a\u202egpj.exe")" },
        { QString::fromUtf8("/p/\u0085\u2028\u200b\u00ad.jpg"), R"("/p/\u0085\u2028\u200b\u00ad.jpg")" },
        { QString::fromUtf8("/p/\U000E0001.jpg"), R"("/p/\U000e0001.jpg")" },
        // Bytes kept from a name that is not UTF-8, and a surrogate alone.
        { "/p/a" + QString(QChar(0xDCFF)) + QChar(0xDC80) + ".jpg", R"("/p/a\xff\x80.jpg")" },
        { "/p/" + QString(QChar(0xD800)) + ".jpg", R"("/p/\ud800.jpg")" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(BatchReport::shownName(c.path), QString::fromUtf8(c.shown)) << c.shown;

    // A line names its photo as shownName does; its text gets its
    // characters written out, without quotes.
    EXPECT_EQ(BatchReport::line({ QString::fromUtf8("/p/\u202Ea.jpg"), QString::fromUtf8("as \"/q/\u202Eb\"\n") }),
        R"("/p/\u202ea.jpg": as "/q/\u202eb"\n)");
}
