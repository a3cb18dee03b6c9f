#include "files/mMain.h"

#include <QDir>

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// "section/key" of every key line, in file order.
std::vector<std::string> keysInOrder(const QString& path)
{
    std::vector<std::string> keys;
    std::string section;
    for (const QByteArray& line : readFile(path).split('\n')) {
        if (line.startsWith('['))
            section = line.mid(1, line.indexOf(']') - 1).toStdString();
        else if (line.contains('='))
            keys.push_back(section + "/" + line.left(line.indexOf('=')).toStdString());
    }
    return keys;
}

class mMainTest : public ::testing::Test {
protected:
    SettingsRecord load()
    {
        SettingsRecord record;
        mMain::LoadSettingsRecord(ini, record, QStringLiteral("/outputs"));
        return record;
    }
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("config.ini"));
};

TEST_F(mMainTest, FirstRunTakesEveryDefaultAndSaveWritesEveryKey)
{
    const SettingsRecord defaults { .PreviewScale = 0.5,
        .JpegQuality = 80,
        .ThumbShow = true,
        .ThumbHeight = 90,
        .ThumbWidth = 0,
        .DiffLeft = -30,
        .DiffTop = 30,
        .DateColor1 = 0,
        .DateColor2 = 0xFFFFFF,
        .DateFormat = QStringLiteral("DD/MM/YYYY HH:MM"),
        .DateFont = QStringLiteral("Arial"),
        .DateSize = 16,
        .TargetFolder = QStringLiteral("/outputs"), // the caller's default
        .CurrentFilter = 5 };
    EXPECT_EQ(load(), defaults);

    ASSERT_TRUE(
        mMain::SaveSettingsRecord(ini, defaults, QStringLiteral("c:"), QStringLiteral("/photos"), 1500, -45.5f));
    const std::vector<std::string> order
        = { "PATH/drive", "PATH/folder", "LABEL/top", "LABEL/left", "COEF/preview", "COEF/JPG", "VIGNET/show",
              "VIGNET/Height", "VIGNET/Width", "DIFF/left", "DIFF/top", "DATE/color01", "DATE/color02", "DATE/format",
              "DATE/font", "DATE/size", "DATE/shift_minutes", "DATE/fallback_date", "REP/cible", "STAMP/size_percent",
              "STAMP/anchor", "STAMP/margin_percent", "STAMP/offset_x_percent", "STAMP/offset_y_percent" };
    EXPECT_EQ(keysInOrder(ini), order);
    EXPECT_EQ(load(), defaults);
    EXPECT_TRUE(readFile(ini).contains("\nshow=True\n"));
    EXPECT_EQ(mMain::ReadIniSingle(ini, QStringLiteral("LABEL"), QStringLiteral("left"), 0), -45.5f);
    EXPECT_EQ(mMain::ReadIniSingle(ini, QStringLiteral("LABEL"), QStringLiteral("gone"), 720), 720.0f);
}

TEST_F(mMainTest, SaveMakesTheFoldersOrGivesTheSystemsReason)
{
    // The user's configuration folder is made at the first save.
    const QString nested = dir.filePath(QStringLiteral("home/.config/quillon/config.ini"));
    const FileResult made = mMain::SaveSettingsRecord(nested, { .JpegQuality = 70 }, {}, {}, 0, 0);
    ASSERT_TRUE(made) << made.reason().toStdString();
    SettingsRecord record;
    mMain::LoadSettingsRecord(nested, record);
    EXPECT_EQ(record.JpegQuality, 70);

    // Tests run as root, so a read-only folder would not stop the write; a
    // regular file standing where the folder should be does, and so does a
    // folder named like the file (which cannot be read as one).
    const QString notAFolder = dir.filePath(QStringLiteral("file.txt"));
    writeFile(notAFolder, "content\n");
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("folder.ini"))));
    const struct {
        QString path;
        const char* reason;
    } cases[] = {
        { notAFolder + QStringLiteral("/config.ini"), "Not a directory" },
        { notAFolder + QStringLiteral("/quillon/config.ini"), "Not a directory" },
        { dir.filePath(QStringLiteral("folder.ini")), "Is a directory" },
    };
    for (const auto& c : cases) {
        const FileResult saved = mMain::SaveSettingsRecord(c.path, {}, {}, {}, 0, 0);
        EXPECT_FALSE(saved) << c.path.toStdString();
        EXPECT_EQ(saved.reason(), c.reason) << c.path.toStdString();
    }
    EXPECT_EQ(readFile(notAFolder), "content\n");
}

TEST(mMainConversions, FollowTheRuntimeRules)
{
    const struct {
        const char* text;
        std::optional<int32_t> asLong;
        std::optional<bool> asBoolean;
    } cases[] = {
        { " 80 ", 80, true },
        { "0", 0, false },
        { "2.5", 2, true }, // ties go to the even neighbour
        { "3,5", 4, true },
        { "-2.5", -2, true },
        { "0.4", 0, true }, // a Boolean looks at the number before rounding
        { "-2147483648", INT32_MIN, true },
        { "2147483648", std::nullopt, true },
        { "FALSE", std::nullopt, false },
        { "8a", std::nullopt, std::nullopt },
        { "", std::nullopt, std::nullopt },
        { "1,000.5", std::nullopt, std::nullopt },
        { "inf", std::nullopt, std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(mMain::TextToLong(QString::fromUtf8(c.text)), c.asLong);
        EXPECT_EQ(mMain::TextToBoolean(QString::fromUtf8(c.text)), c.asBoolean);
    }
}

TEST_F(mMainTest, PreviewScaleIgnoresTheLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::French));
    for (const char* text : { "0,5", "0.5" }) {
        writeFile(ini, QByteArray("[COEF]\npreview=") + text + "\n");
        EXPECT_EQ(load().PreviewScale, 0.5) << text;
    }
    for (double scale : { 0.625, 0.1 + 0.2, 1.0 }) {
        ASSERT_TRUE(mMain::SaveSettingsRecord(ini, { .PreviewScale = scale }, {}, {}, 0, 0));
        EXPECT_EQ(load().PreviewScale, scale);
    }
    EXPECT_TRUE(readFile(ini).contains("\npreview=1\n"));
    QLocale::setDefault(previous);
}

TEST_F(mMainTest, UnconvertibleValuesKeepTheFieldAsItWas)
{
    const struct {
        const char* show;
        bool before, after;
        const char* jpg;
        int32_t jpgAfter;
    } cases[] = {
        { "0", true, false, "70", 70 },
        { "-1", false, true, "8O", 95 },
        { "5", false, true, "99999999999", 95 },
        { "maybe", true, true, "", 95 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.show);
        writeFile(ini, QByteArray("[VIGNET]\nshow=") + c.show + "\n[COEF]\nJPG=" + c.jpg + "\n");
        SettingsRecord record { .JpegQuality = 95, .ThumbShow = c.before };
        mMain::LoadSettingsRecord(ini, record);
        EXPECT_EQ(record.ThumbShow, c.after);
        EXPECT_EQ(record.JpegQuality, c.jpgAfter);
        EXPECT_EQ(record.ThumbHeight, 90);
    }
}

TEST_F(mMainTest, SaveKeepsForeignContentAndRoundTrips)
{
    writeFile(ini, "; kept\n[USER]\ncustom = 1\n\n[date]\nextra=yes\nformat=old\n");
    const SettingsRecord record { .PreviewScale = 0.375,
        .JpegQuality = 55,
        .ThumbShow = false,
        .ThumbHeight = 0,
        .ThumbWidth = 150,
        .DiffLeft = 45,
        .DiffTop = -15,
        .DateColor1 = 0xFF,
        .DateColor2 = static_cast<int32_t>(0x80000005),
        .DateFormat = QStringLiteral(" YYYY-MM-DD "),
        .DateFont = QStringLiteral("Noto Sans"),
        .DateSize = 24,
        .TargetFolder = QStringLiteral("/home/été/sortie"),
        .StampHeightPercent = 3.125,
        .Anchoring = { StampAnchoring::Place::BottomRight, 2.5, -0.125, 12 },
        .ShiftMinutes = -1575,
        .FileDateFallback = true,
        .CurrentFilter = 5 };
    ASSERT_TRUE(mMain::SaveSettingsRecord(ini, record, {}, {}, 0, 0));
    EXPECT_EQ(load(), record);
    const QByteArray text = readFile(ini);
    EXPECT_TRUE(text.startsWith("; kept\n[USER]\ncustom = 1\n\n[date]\nextra=yes\nformat=\" YYYY-MM-DD \"\n"));
    EXPECT_TRUE(text.contains("\nshow=False\n"));
    EXPECT_TRUE(text.contains("\n[STAMP]\nsize_percent=3.125\nanchor=bottom-right\nmargin_percent=2.5\n"));
    EXPECT_TRUE(text.contains("\nshift_minutes=-1575\nfallback_date=file\n"));
}

TEST_F(mMainTest, OddStampOptionsAreOff)
{
    const struct {
        const char* lines;
        double height;
        StampAnchoring anchoring;
        int32_t shift;
        bool fileDate;
    } cases[] = {
        { "[STAMP]\nsize_percent=4\nanchor=Top-Left\nmargin_percent=2,5\n[DATE]\nshift_minutes=600\nfallback_date=FILE",
            4, { StampAnchoring::Place::TopLeft, 2.5, 0, 0 }, 600, true },
        // A margin or offsets without a place mean nothing.
        { "[STAMP]\nmargin_percent=3\noffset_x_percent=1", 0, {}, 0, false },
        { "[STAMP]\nsize_percent=0.4\nanchor=middle\n[DATE]\nshift_minutes=ten\nfallback_date=yes", 0, {}, 0, false },
        { "[STAMP]\nsize_percent=26\nanchor=centre\nmargin_percent=-1\noffset_y_percent=1e9\n[DATE]\nshift_"
          "minutes=99999999999",
            0, { StampAnchoring::Place::Centre, 0, 0, 0 }, 0, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        writeFile(ini, QByteArray(c.lines) + "\n");
        // The stored options of a previous file do not linger.
        SettingsRecord record { .StampHeightPercent = 8,
            .Anchoring = { StampAnchoring::Place::Right, 1, 1, 1 },
            .ShiftMinutes = 5,
            .FileDateFallback = true };
        mMain::LoadSettingsRecord(ini, record);
        EXPECT_EQ(record.StampHeightPercent, c.height);
        EXPECT_EQ(record.Anchoring, c.anchoring);
        EXPECT_EQ(record.ShiftMinutes, c.shift);
        EXPECT_EQ(record.FileDateFallback, c.fileDate);
    }
}

} // namespace
