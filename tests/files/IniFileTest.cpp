#include "files/IniFile.h"

#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(IniFileTest, OddLineEndingsSettleAfterOneLoad)
{
    // What one load makes of the text; loading that again changes nothing.
    const struct {
        const char* text;
        const char* settled;
    } cases[] = {
        { "", "" }, { "[S]\nk=v", "[S]\nk=v\n" }, { "[S]\r\nk=v\r\n", "[S]\r\nk=v\r\n" },
        { "[S]\nk=v\r\r", "[S]\nk=v\n\n" }, // two CRs and no LF at the very end
        { "[S]\r\nk=v\r\r", "[S]\r\nk=v\r\n\r\n" }, { "[S]\r\r\nk=v\r\n", "[S]\r\n\r\nk=v\r\n" },
        { "[S]\nk=v\r", "[S]\nk=v\n" }, { "[S]\r\nk=v\n", "[S]\r\nk=v\r\n" }, // mixed: one CR LF makes them all CR LF
        { "a=1\rb=2\n", "a=1\nb=2\n" }, // a lone CR ends a line too
        { "\r", "\n" }, { "\r\n\r\n", "\r\n\r\n" }, { "\n\r", "\n\n" },
        { "\xEF\xBB\xBF[S]\nk=v\n", "[S]\nk=v\n" }, // the byte order mark goes
        { "\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF[S]", "[S]\n" }, // all of them
    };
    for (const auto& c : cases) {
        IniFile file;
        file.setText(QString::fromUtf8(c.text));
        const QByteArray once = file.text().toUtf8();
        EXPECT_EQ(once, c.settled) << QByteArray(c.text).toPercentEncoding().constData();
        file.setText(QString::fromUtf8(once));
        EXPECT_EQ(file.text().toUtf8(), once) << QByteArray(c.text).toPercentEncoding().constData();
    }
}

TEST(IniFileTest, LoadSaveLoadGivesTheSameFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    for (const QByteArray& text : { QByteArray("[COEF]\nJPG=80\r\r"), QByteArray("[COEF]\r\nJPG=80\n\r") }) {
        ASSERT_TRUE(writeFile(path, text));
        IniFile file;
        ASSERT_TRUE(file.load(path));
        ASSERT_TRUE(file.save(path));
        const QByteArray saved = readFile(path);
        ASSERT_TRUE(file.load(path));
        ASSERT_TRUE(file.save(path));
        EXPECT_EQ(readFile(path), saved) << text.toPercentEncoding().constData();
        EXPECT_EQ(file.value(QStringLiteral("coef"), QStringLiteral("jpg")), QStringLiteral("80"));
    }

    // An empty file written once holds the section and the key, LF-ended.
    ASSERT_TRUE(writeFile(path, QByteArray()));
    IniFile file;
    ASSERT_TRUE(file.load(path));
    ASSERT_TRUE(file.setValue(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
    ASSERT_TRUE(file.save(path));
    EXPECT_EQ(readFile(path), "[S]\nk=v\n");
}

TEST(IniFileTest, AValueReadIsWrittenBackUnchanged)
{
    // A lone CR inside what an editor shows as one line ends the value; it
    // once stayed in it, and could only be written back as a blank.
    IniFile file;
    file.setText(QString::fromUtf8("[DATE]\r\nformat=DD/MM/YYYY HH:MM\r\xA4"
                                   "font=Arial\r\n"));
    const QString before = file.text();
    const auto format = file.value(QStringLiteral("DATE"), QStringLiteral("format"));
    ASSERT_EQ(format, QStringLiteral("DD/MM/YYYY HH:MM"));
    ASSERT_TRUE(file.setValue(QStringLiteral("DATE"), QStringLiteral("format"), *format));
    EXPECT_EQ(file.text(), before);
}
