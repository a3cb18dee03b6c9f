#include "files/SettingsFile.h"

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

class SettingsFileTest : public ::testing::Test {
protected:
    Settings load()
    {
        Settings record;
        SettingsFile::load(ini, record, QStringLiteral("/outputs"));
        return record;
    }
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("config.ini"));
};

TEST_F(SettingsFileTest, FirstRunTakesEveryDefaultAndSaveWritesEveryKey)
{
    const Settings defaults { .previewScale = 0.5,
        .jpegQuality = 80,
        .thumbShow = true,
        .thumbHeight = 90,
        .thumbWidth = 0,
        .diffLeft = -30,
        .diffTop = 30,
        .dateColor1 = 0,
        .dateColor2 = 0xFFFFFF,
        .dateFormat = QStringLiteral("DD/MM/YYYY HH:MM"),
        .dateFont = QStringLiteral("Arial"),
        .dateSize = 16,
        .targetFolder = QStringLiteral("/outputs"), // the caller's default
        .currentFilter = 5 };
    EXPECT_EQ(load(), defaults);

    ASSERT_TRUE(
        SettingsFile::save(ini, defaults, QStringLiteral("c:"), QStringLiteral("/photos"), { -45.5 / 15, 100 }));
    const std::vector<std::string> order
        = { "PATH/drive", "PATH/folder", "LABEL/top", "LABEL/left", "COEF/preview", "COEF/JPG", "VIGNET/show",
              "VIGNET/Height", "VIGNET/Width", "DIFF/left", "DIFF/top", "DATE/color01", "DATE/color02", "DATE/format",
              "DATE/font", "DATE/size", "DATE/weight", "DATE/italic", "DATE/underline", "DATE/strikeout",
              "DATE/shift_minutes", "DATE/fallback_date", "DATE/fallback_name", "REP/cible", "STAMP/size_percent",
              "STAMP/anchor", "STAMP/margin_percent", "STAMP/offset_x_percent", "STAMP/offset_y_percent" };
    EXPECT_EQ(keysInOrder(ini), order);
    EXPECT_EQ(load(), defaults);
    EXPECT_TRUE(readFile(ini).contains("\nshow=True\n"));
    EXPECT_EQ(SettingsFile::readLabelPosition(ini, QStringLiteral("left"), 0), -45.5f);
    EXPECT_EQ(SettingsFile::readLabelPosition(ini, QStringLiteral("gone"), 720), 720.0f);
}

TEST_F(SettingsFileTest, SaveMakesTheFoldersOrGivesTheSystemsReason)
{
    // The user's configuration folder is made at the first save.
    const QString nested = dir.filePath(QStringLiteral("home/.config/quillon/config.ini"));
    const FileResult made = SettingsFile::save(nested, { .jpegQuality = 70 }, {}, {}, {});
    ASSERT_TRUE(made) << made.reason().toStdString();
    Settings record;
    SettingsFile::load(nested, record);
    EXPECT_EQ(record.jpegQuality, 70);

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
        const FileResult saved = SettingsFile::save(c.path, {}, {}, {}, {});
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
        { "Yes", std::nullopt, true },
        { "no", std::nullopt, false },
        { "ON", std::nullopt, true },
        { "off", std::nullopt, false },
        { "maybe", std::nullopt, std::nullopt },
        { "8a", std::nullopt, std::nullopt },
        { "", std::nullopt, std::nullopt },
        { "1,000.5", std::nullopt, std::nullopt },
        { "inf", std::nullopt, std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SettingsFile::textToLong(QString::fromUtf8(c.text)), c.asLong);
        EXPECT_EQ(SettingsFile::textToBoolean(QString::fromUtf8(c.text)), c.asBoolean);
    }
}

TEST_F(SettingsFileTest, PreviewScaleIgnoresTheLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::French));
    for (const char* text : { "0,5", "0.5" }) {
        writeFile(ini, QByteArray("[COEF]\npreview=") + text + "\n");
        EXPECT_EQ(load().previewScale, 0.5) << text;
    }
    for (double scale : { 0.625, 0.1 + 0.2, 1.0 }) {
        ASSERT_TRUE(SettingsFile::save(ini, { .previewScale = scale }, {}, {}, {}));
        EXPECT_EQ(load().previewScale, scale);
    }
    EXPECT_TRUE(readFile(ini).contains("\npreview=1\n"));
    QLocale::setDefault(previous);
}

TEST_F(SettingsFileTest, ValuesOutsideTheirRangeTakeTheirDefaultsWithANote)
{
    const struct {
        const char* lines;
        const char* note; // empty: none
        double scale;
        int32_t quality, height, width, dateSize;
    } cases[] = {
        { "[COEF]\npreview=1\nJPG=1\n[VIGNET]\nHeight=10000\n[DATE]\nsize=500", "", 1, 1, 10000, 0, 500 },
        { "[COEF]\nJPG=100\n[VIGNET]\nHeight=0\nWidth=1\n[DATE]\nsize=1", "", 0.5, 100, 0, 1, 1 },
        { "[COEF]\nJPG=0", "JPG=0 is outside 1 to 100; 80 is used", 0.5, 80, 90, 0, 16 },
        { "[COEF]\nJPG=101", "JPG=101 is outside 1 to 100; 80 is used", 0.5, 80, 90, 0, 16 },
        { "[COEF]\npreview=0", "preview=0 is not above 0 and at most 1; 0.5 is used", 0.5, 80, 90, 0, 16 },
        { "[COEF]\npreview=1,5", "preview=1,5 is not above 0 and at most 1; 0.5 is used", 0.5, 80, 90, 0, 16 },
        // Text that is no number would leave the empty record's 0.
        { "[COEF]\npreview=half", "preview=half is not a number; 0.5 is used", 0.5, 80, 90, 0, 16 },
        { "[VIGNET]\nHeight=20000\nWidth=5", "Height=20000 is outside 1 to 10000; Height=90 is used", 0.5, 80, 90, 0,
            16 },
        { "[VIGNET]\nHeight=-5", "Height=-5 is outside 1 to 10000; Height=90 is used", 0.5, 80, 90, 0, 16 },
        // Only the rule in use counts: the width when the height is 0.
        { "[VIGNET]\nHeight=0\nWidth=0", "Width=0 is outside 1 to 10000; Height=90 is used", 0.5, 80, 90, 0, 16 },
        { "[DATE]\nsize=0", "size=0 is outside 1 to 500; 16 is used", 0.5, 80, 90, 0, 16 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        writeFile(ini, QByteArray(c.lines) + "\n");
        Settings record;
        QStringList notes;
        SettingsFile::load(ini, record, QString(), &notes);
        EXPECT_EQ(notes, *c.note ? QStringList { QString::fromUtf8(c.note) } : QStringList());
        EXPECT_EQ(record.previewScale, c.scale);
        EXPECT_EQ(record.jpegQuality, c.quality);
        EXPECT_EQ(record.thumbHeight, c.height);
        EXPECT_EQ(record.thumbWidth, c.width);
        EXPECT_EQ(record.dateSize, c.dateSize);
    }
}

TEST_F(SettingsFileTest, SaveKeepsForeignContentAndRoundTrips)
{
    writeFile(ini, "; kept\n[USER]\ncustom = 1\n\n[date]\nextra=yes\nformat=old\n");
    const Settings record { .previewScale = 0.375,
        .jpegQuality = 55,
        .thumbShow = false,
        .thumbHeight = 0,
        .thumbWidth = 150,
        .diffLeft = 45,
        .diffTop = -15,
        .dateColor1 = 0xFF,
        .dateColor2 = static_cast<int32_t>(0x80000005),
        .dateFormat = QStringLiteral(" YYYY-MM-DD "),
        .dateFont = QStringLiteral("Noto Sans"),
        .dateSize = 24,
        .dateStyle = { QFont::DemiBold, true, true, false },
        .targetFolder = QStringLiteral("/home/été/sortie"),
        .stampHeightPercent = 3.125,
        .anchoring = { StampAnchoring::Place::BottomRight, 2.5, -0.125, 12 },
        .shiftMinutes = -1575,
        .nameDateFallback = true,
        .fileDateFallback = true,
        .currentFilter = 5 };
    ASSERT_TRUE(SettingsFile::save(ini, record, {}, {}, {}));
    EXPECT_EQ(load(), record);
    const QByteArray text = readFile(ini);
    EXPECT_TRUE(text.startsWith("; kept\n[USER]\ncustom = 1\n\n[date]\nextra=yes\nformat=\" YYYY-MM-DD \"\n"));
    EXPECT_TRUE(text.contains("\nshow=False\n"));
    EXPECT_TRUE(text.contains("\n[STAMP]\nsize_percent=3.125\nanchor=bottom-right\nmargin_percent=2.5\n"));
    EXPECT_TRUE(text.contains("\nshift_minutes=-1575\nfallback_date=file\nfallback_name=True\n"));
    EXPECT_TRUE(text.contains("\nsize=24\nweight=600\nitalic=True\nunderline=True\nstrikeout=False\n"));
}

TEST_F(SettingsFileTest, OddStampOptionsAreOff)
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
        Settings record { .stampHeightPercent = 8,
            .anchoring = { StampAnchoring::Place::Right, 1, 1, 1 },
            .shiftMinutes = 5,
            .fileDateFallback = true };
        SettingsFile::load(ini, record);
        EXPECT_EQ(record.stampHeightPercent, c.height);
        EXPECT_EQ(record.anchoring, c.anchoring);
        EXPECT_EQ(record.shiftMinutes, c.shift);
        EXPECT_EQ(record.fileDateFallback, c.fileDate);
    }
}

TEST_F(SettingsFileTest, AnEmptyOrRelativeTargetMeansTheDefaultTargetWithANote)
{
    const struct {
        const char* lines;
        const char* target;
        const char* note; // empty: none
    } cases[] = {
        { "[REP]\ncible=", "/outputs", "cible= is empty; /outputs is used" },
        { "[REP]\ncible=  ", "/outputs", "cible= is empty; /outputs is used" },
        { "[REP]\ncible=Images", "/outputs", "cible=Images is not a full path; /outputs is used" },
        { "[REP]\ncible=~/out", "/outputs", "cible=~/out is not a full path; /outputs is used" },
        { "[REP]\ncible=/srv/out", "/srv/out", "" },
        { "[REP]", "/outputs", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        writeFile(ini, QByteArray(c.lines) + "\n");
        Settings record;
        QStringList notes;
        SettingsFile::load(ini, record, QStringLiteral("/outputs"), &notes);
        EXPECT_EQ(record.targetFolder, QLatin1String(c.target));
        EXPECT_EQ(notes, *c.note ? QStringList { QString::fromUtf8(c.note) } : QStringList());
    }
}

TEST_F(SettingsFileTest, EveryStoredValueNotUnderstoodIsNotedWithWhatIsUsedInstead)
{
    const struct {
        const char* lines;
        const char* note;
    } cases[] = {
        { "[VIGNET]\nshow=maybe", "show=maybe is neither true nor false; True is used" },
        { "[VIGNET]\nHeight=abc", "Height=abc is not a number; 90 is used" },
        { "[DIFF]\nleft=x", "[DIFF] left=x is not a number; -30 is used" },
        { "[DIFF]\ntop=99999", "[DIFF] top=99999 is outside -15000 to 15000; 30 is used" },
        { "[DATE]\ncolor01=red", "color01=red is not a number; 0 is used" },
        { "[DATE]\nshift_minutes=1h", "shift_minutes=1h is not a number; 0 is used" },
        { "[DATE]\nshift_minutes=1e12", "shift_minutes=1e12 is outside -59999999 to 59999999; 0 is used" },
        { "[DATE]\nfallback_date=yes", "fallback_date=yes is not none or file; none is used" },
        { "[DATE]\nweight=bold", "weight=bold is not a number; 400 is used" },
        { "[DATE]\nweight=0", "weight=0 is outside 1 to 1000; 400 is used" },
        { "[DATE]\nstrikeout=struck", "strikeout=struck is neither true nor false; False is used" },
        { "[STAMP]\nsize_percent=26", "size_percent=26 is outside 0.5 to 25; 0 is used" },
        { "[STAMP]\nsize_percent=0.2", "size_percent=0.2 is outside 0.5 to 25; 0 is used" },
        { "[STAMP]\nanchor=middle",
            "anchor=middle is not none, top-left, top, top-right, left, centre, right, bottom-left, bottom, "
            "bottom-right; none is used" },
        { "[STAMP]\nmargin_percent=-1", "margin_percent=-1 is outside 0 to 1000; 0 is used" },
        { "[STAMP]\noffset_x_percent=far", "offset_x_percent=far is not a number; 0 is used" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        writeFile(ini, QByteArray(c.lines) + "\n");
        Settings record { .jpegQuality = 95, .thumbShow = false, .diffLeft = 7 };
        QStringList notes;
        SettingsFile::load(ini, record, QStringLiteral("/outputs"), &notes);
        EXPECT_EQ(notes, QStringList { QString::fromUtf8(c.note) });
        // What is used is what a file without the key gives, whatever the
        // record held before.
        Settings defaults;
        SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), defaults, QStringLiteral("/outputs"));
        EXPECT_EQ(record, defaults);
    }

    // Everything the program writes, it reads back without a word, and the
    // usual ways of writing a Boolean are understood.
    const Settings stored { .previewScale = 0.25,
        .jpegQuality = 90,
        .thumbShow = false,
        .thumbWidth = 120,
        .dateSize = 12,
        .targetFolder = QStringLiteral("/srv/out") };
    ASSERT_TRUE(SettingsFile::save(ini, stored, {}, {}, { -45.5 / 15, 100 }));
    QStringList notes;
    Settings record;
    SettingsFile::load(ini, record, QStringLiteral("/outputs"), &notes);
    SettingsFile::readStampPosition(ini, &notes);
    EXPECT_EQ(notes, QStringList());
    for (const char* show : { "yes", "On", "TRUE", "1", "-1" }) {
        writeFile(ini, QByteArray("[VIGNET]\nshow=") + show + "\n");
        SettingsFile::load(ini, record, QStringLiteral("/outputs"), &notes);
        EXPECT_TRUE(record.thumbShow) << show;
    }
    EXPECT_EQ(notes, QStringList());
}

TEST_F(SettingsFileTest, TheStampsPositionIsReadInPixelsAndWrittenBackAsItCame)
{
    // Twips in the file, pixels in the program: a position that was not
    // moved keeps its text, fractions of a pixel included.
    for (const char* stored : { "1500", "-45.5", "37.5", "300.25", "1234", "-14999999" }) {
        writeFile(ini, QByteArray("[LABEL]\ntop=") + stored + "\nleft=7\n");
        const QPointF position = SettingsFile::readStampPosition(ini);
        EXPECT_EQ(position, QPointF(7.0 / 15, QByteArray(stored).toDouble() / 15)) << stored;
        ASSERT_TRUE(SettingsFile::save(ini, {}, {}, {}, position));
        EXPECT_TRUE(readFile(ini).contains(QByteArray("\ntop=") + stored + "\nleft=7\n")) << stored;
    }
    writeFile(ini, "");
    EXPECT_EQ(SettingsFile::readStampPosition(ini), QPointF(0, 0));
    EXPECT_EQ(SettingsFile::stampOffset({ .diffLeft = -30, .diffTop = 45 }), QPointF(-2, 3));
}

TEST_F(SettingsFileTest, StoredLabelPositionsAreClampedWithANote)
{
    writeFile(ini, "[LABEL]\ntop=3e38\nleft=-1e20\n[label]\n");
    QStringList notes;
    EXPECT_EQ(SettingsFile::readLabelPosition(ini, QStringLiteral("top"), 720, &notes), SettingsFile::MaxLabelTwips);
    EXPECT_EQ(SettingsFile::readLabelPosition(ini, QStringLiteral("left"), 720, &notes), -SettingsFile::MaxLabelTwips);
    EXPECT_EQ(notes,
        QStringList({ "[LABEL] top=3e38 is outside -15000000 to 15000000; 15000000 is used",
            "[LABEL] left=-1e20 is outside -15000000 to 15000000; -15000000 is used" }));
    writeFile(ini, "[LABEL]\ntop=high\n");
    notes.clear();
    EXPECT_EQ(SettingsFile::readLabelPosition(ini, QStringLiteral("top"), 720, &notes), 720);
    EXPECT_EQ(notes, QStringList { "[LABEL] top=high is not a number; 720 is used" });
}

} // namespace
