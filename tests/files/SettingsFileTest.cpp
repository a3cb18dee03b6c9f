#include "files/SettingsFile.h"

#include <QDir>
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
    // The record the file gives over one holding other values, so that
    // nothing of a previous load can linger; notes receives what load and
    // readStampPosition say about it.
    Settings load(QStringList* notes = nullptr)
    {
        Settings record { .previewScale = 0.25,
            .jpegQuality = 95,
            .thumbShow = false,
            .diffLeft = 7,
            .stampHeightPercent = 8,
            .anchoring = { StampAnchoring::Place::Right, 1, 1, 1 },
            .shiftMinutes = 5,
            .fileDateFallback = true };
        SettingsFile::load(ini, record, QStringLiteral("/outputs"), notes);
        SettingsFile::readStampPosition(ini, notes);
        return record;
    }
    // What a first run, without config.ini, takes.
    static Settings defaults()
    {
        Settings record;
        SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), record, QStringLiteral("/outputs"));
        return record;
    }
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("config.ini"));
};

TEST_F(SettingsFileTest, SaveWritesEveryKeyUnderItsOwnName)
{
    // Renaming a key would lose the value of every config.ini written before.
    ASSERT_TRUE(SettingsFile::save(ini, defaults(), QStringLiteral("c:"), QStringLiteral("/photos"), {}));
    const std::vector<std::string> order = { "PATH/drive", "PATH/folder", "LABEL/top", "LABEL/left", "COEF/preview",
        "COEF/JPG", "COEF/lossless", "VIGNET/show", "VIGNET/Height", "VIGNET/Width", "DIFF/left", "DIFF/top",
        "DATE/color01", "DATE/color02", "DATE/format", "DATE/font", "DATE/size", "DATE/weight", "DATE/italic",
        "DATE/underline", "DATE/strikeout", "DATE/shift_minutes", "DATE/fallback_date", "DATE/fallback_name",
        "DATE/template", "DATE/look", "DATE/auto_contrast", "REP/cible", "STAMP/size_percent", "STAMP/anchor",
        "STAMP/margin_percent", "STAMP/offset_x_percent", "STAMP/offset_y_percent", "STRIP/enabled",
        "STRIP/height_percent", "STRIP/color" };
    EXPECT_EQ(keysInOrder(ini), order);
}

TEST_F(SettingsFileTest, SaveKeepsForeignContentAndRoundTripsWithoutANote)
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
        .stampLook = StampLook::Glow,
        .autoContrast = true,
        .strip = { true, 12.5, 0x00123456 },
        .stampTemplate = QStringLiteral("{date}\\n{lens|no lens} \\{x\\}"),
        .currentFilter = 5 };
    ASSERT_TRUE(SettingsFile::save(ini, record, {}, {}, { 7.5, -3 }));
    QStringList notes;
    EXPECT_EQ(load(&notes), record);
    EXPECT_EQ(notes, QStringList());
    const QByteArray text = readFile(ini);
    EXPECT_TRUE(text.startsWith("; kept\n[USER]\ncustom = 1\n\n[date]\nextra=yes\nformat=\" YYYY-MM-DD \"\n"));
    EXPECT_TRUE(text.contains("\nshow=False\n"));
    EXPECT_TRUE(text.contains("\nshift_minutes=-1575\nfallback_date=file\nfallback_name=True\n"));
    EXPECT_TRUE(text.contains("\nsize=24\nweight=600\nitalic=True\nunderline=True\nstrikeout=False\n"));
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
    // folder named like the file.
    const QString notAFolder = dir.filePath(QStringLiteral("file.txt"));
    writeFile(notAFolder, "content\n");
    EXPECT_EQ(SettingsFile::save(notAFolder + QStringLiteral("/quillon/config.ini"), {}, {}, {}, {}).reason(),
        "Not a directory");
    EXPECT_EQ(readFile(notAFolder), "content\n");
    ASSERT_TRUE(QDir().mkpath(ini));
    EXPECT_EQ(SettingsFile::save(ini, {}, {}, {}, {}).reason(), "Is a directory");
}

TEST_F(SettingsFileTest, TextConversionsRoundTiesToEvenAndRefuseWhatIsNoNumber)
{
    const struct {
        const char* text;
        std::optional<int32_t> asLong;
        std::optional<bool> asBoolean;
    } cases[] = {
        { " 80 ", 80, true },
        { "2.5", 2, true },
        { "3,5", 4, true },
        { "0.4", 0, true }, // a Boolean looks at the number before rounding
        { "-2147483648", INT32_MIN, true },
        { "2147483648", std::nullopt, true },
        { "FALSE", std::nullopt, false },
        { "Yes", std::nullopt, true },
        { "off", std::nullopt, false },
        { "maybe", std::nullopt, std::nullopt },
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

TEST_F(SettingsFileTest, ValuesAtTheEdgesOfTheirRangesAndOtherSpellingsAreTaken)
{
    writeFile(ini,
        "[COEF]\npreview=1\nJPG=100\n[VIGNET]\nshow=off\nHeight=0\nWidth=10000\n[DATE]\nsize=500\n"
        "shift_minutes=-59999999\nfallback_date=FILE\n[REP]\ncible=/srv/out\n"
        "[STAMP]\nsize_percent=0,5\nanchor=Top-Left\nmargin_percent=1000\n");
    Settings expected = defaults();
    expected.previewScale = 1;
    expected.jpegQuality = 100;
    expected.thumbShow = false;
    expected.thumbHeight = 0;
    expected.thumbWidth = 10000;
    expected.dateSize = 500;
    expected.shiftMinutes = -59999999;
    expected.fileDateFallback = true;
    expected.targetFolder = QStringLiteral("/srv/out");
    expected.stampHeightPercent = 0.5;
    expected.anchoring = { StampAnchoring::Place::TopLeft, 1000, 0, 0 };
    QStringList notes;
    EXPECT_EQ(load(&notes), expected);

    // A margin or offsets without a place mean nothing.
    writeFile(ini, "[COEF]\nJPG=1\n[VIGNET]\nHeight=1\n[DATE]\nsize=1\n[STAMP]\nsize_percent=25\nmargin_percent=3\n");
    expected = defaults();
    expected.jpegQuality = 1;
    expected.thumbHeight = 1;
    expected.dateSize = 1;
    expected.stampHeightPercent = 25;
    EXPECT_EQ(load(&notes), expected);
    EXPECT_EQ(notes, QStringList());
}

TEST_F(SettingsFileTest, AValueNotUnderstoodTakesTheDefaultWithANote)
{
    const struct {
        const char* lines;
        const char* note;
    } cases[] = {
        { "[COEF]\nJPG=0", "JPG=0 is outside 1 to 100; 80 is used" },
        { "[COEF]\npreview=1,5", "preview=1,5 is not above 0 and at most 1; 0.5 is used" },
        { "[COEF]\npreview=half", "preview=half is not a number; 0.5 is used" },
        { "[VIGNET]\nshow=maybe", "show=maybe is neither true nor false; True is used" },
        // The width is ignored with a height out of range, and only the rule
        // in use counts: the width when the height is 0.
        { "[VIGNET]\nHeight=20000\nWidth=5", "Height=20000 is outside 1 to 10000; Height=90 is used" },
        { "[VIGNET]\nHeight=0\nWidth=0", "Width=0 is outside 1 to 10000; Height=90 is used" },
        { "[DIFF]\ntop=99999", "[DIFF] top=99999 is outside -15000 to 15000; 30 is used" },
        { "[DATE]\nsize=0", "size=0 is outside 1 to 500; 16 is used" },
        { "[DATE]\ncolor01=red", "color01=red is not a number; 0 is used" },
        { "[DATE]\nshift_minutes=1e12", "shift_minutes=1e12 is outside -59999999 to 59999999; 0 is used" },
        { "[DATE]\nfallback_date=yes", "fallback_date=yes is not none or file; none is used" },
        { "[DATE]\ntemplate={date}\\n{model}",
            "template={date}\\n{model} is not a template ({model} is no field); "
            "{date} is used" },
        { "[REP]\ncible=  ", "cible= is empty; /outputs is used" },
        { "[REP]\ncible=Images", "cible=Images is not a full path; /outputs is used" },
        { "[STAMP]\nsize_percent=0.2", "size_percent=0.2 is outside 0.5 to 25; 0 is used" },
        { "[STAMP]\nanchor=middle",
            "anchor=middle is not none, top-left, top, top-right, left, centre, right, bottom-left, bottom, "
            "bottom-right; none is used" },
        { "[STAMP]\nmargin_percent=-1", "margin_percent=-1 is outside 0 to 1000; 0 is used" },
        { "[DATE]\nlook=emboss", "look=emboss is not shadow, outline, glow; shadow is used" },
        { "[STRIP]\nheight_percent=60", "height_percent=60 is outside 1 to 50; 8 is used" },
        { "[STRIP]\ncolor=-1", "color=-1 is outside 0 to 16777215; 16777215 is used" },
        { "[LABEL]\ntop=3e38", "[LABEL] top=3e38 is outside -15000000 to 15000000; 15000000 is used" },
        { "[LABEL]\nleft=-1e20", "[LABEL] left=-1e20 is outside -15000000 to 15000000; -15000000 is used" },
        { "[LABEL]\ntop=high", "[LABEL] top=high is not a number; 0 is used" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        writeFile(ini, QByteArray(c.lines) + "\n");
        QStringList notes;
        EXPECT_EQ(load(&notes), defaults());
        EXPECT_EQ(notes, QStringList { QString::fromUtf8(c.note) });
    }
}

TEST_F(SettingsFileTest, TheStampsPositionIsReadInPixelsAndWrittenBackAsItCame)
{
    // Twips in the file, pixels in the program: a position that was not
    // moved keeps its text, fractions of a pixel included.
    for (const char* stored : { "1500", "-45.5", "37.5", "300.25", "-14999999" }) {
        writeFile(ini, QByteArray("[LABEL]\ntop=") + stored + "\nleft=7\n");
        const QPointF position = SettingsFile::readStampPosition(ini);
        EXPECT_EQ(position, QPointF(7.0 / 15, QByteArray(stored).toDouble() / 15)) << stored;
        ASSERT_TRUE(SettingsFile::save(ini, {}, {}, {}, position));
        EXPECT_TRUE(readFile(ini).contains(QByteArray("\ntop=") + stored + "\nleft=7\n")) << stored;
    }
    EXPECT_EQ(SettingsFile::stampOffset({ .diffLeft = -30, .diffTop = 45 }), QPointF(-2, 3));
}

} // namespace
