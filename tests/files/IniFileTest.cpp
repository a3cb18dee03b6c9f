#include "files/IniFile.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

QString read(const QString& ini, const char* section, const char* key, const QString& fallback = QStringLiteral("?"))
{
    return IniFile::readValue(ini, QString::fromUtf8(section), QString::fromUtf8(key), fallback);
}

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("config.ini"));
};

TEST_F(IniFileTest, OddLineEndingsSettleAfterOneLoad)
{
    // What one load makes of the text; loading that again changes nothing.
    const struct {
        const char* text;
        const char* settled;
    } cases[] = {
        { "", "" }, { "[S]\nk=v", "[S]\nk=v\n" },
        { "[S]\nk=v\r\r", "[S]\nk=v\n\n" }, // two CRs and no LF at the very end
        { "[S]\r\nk=v\r\r", "[S]\r\nk=v\r\n\r\n" }, { "[S]\r\r\nk=v\r\n", "[S]\r\n\r\nk=v\r\n" },
        { "[S]\nk=v\r", "[S]\nk=v\n" }, { "[S]\r\nk=v\n", "[S]\r\nk=v\r\n" }, // mixed: one CR LF makes them all CR LF
        { "a=1\rb=2\n", "a=1\nb=2\n" }, // a lone CR ends a line too
        { "\r", "\n" }, { "\n\r", "\n\n" }, { "\xEF\xBB\xBF[S]\nk=v\n", "[S]\nk=v\n" }, // the byte order mark goes
        { "\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF[S]", "[S]\n" }, // all of them
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QByteArray(c.text).toPercentEncoding().constData());
        IniFile file;
        file.setText(QString::fromUtf8(c.text));
        const QByteArray once = file.text().toUtf8();
        EXPECT_EQ(once, c.settled);
        file.setText(QString::fromUtf8(once));
        EXPECT_EQ(file.text().toUtf8(), once);
    }
}

TEST_F(IniFileTest, AValueReadIsWrittenBackUnchanged)
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

TEST_F(IniFileTest, OddValuesReadBackAsWritten)
{
    for (const QString& value : { QString(), QStringLiteral("a=b;c ; d=e"), QStringLiteral("   leading blanks"),
             QStringLiteral("trailing "), QStringLiteral("\"quoted\""), QStringLiteral("Été 日本 \U0001F600") }) {
        ASSERT_TRUE(IniFile::writeValue(ini, QStringLiteral("Date"), QStringLiteral("Format"), value));
        EXPECT_EQ(read(ini, "DATE", "format"), value);
    }
    // Every write replaced the one key.
    EXPECT_EQ(readFile(ini).count("ormat="), 1);
}

TEST_F(IniFileTest, ReadsTextWrittenByHand)
{
    writeFile(ini,
        "top=outside any section\r\n; comment=not a key\r\n"
        " [ Coef ] trailing\r\n  JPG  =  75  \r\npreview\r\npreview='0,5'\r\njpg=60\r\n"
        "[other]\r\nquote=\"a'\r\nempty=\r\n"
        "[COEF]\r\nsize=12\n");
    const struct {
        const char *section, *key, *expected;
    } cases[] = {
        { "coef", "jpg", "75" }, // blanks trimmed, the first key counts
        { "COEF", "preview", "0,5" }, // quotes removed, a line without '=' skipped
        { "COEF", "size", "?" }, // only the first matching section counts
        { "other", "quote", "\"a'" }, // quotes must match to be removed
        { "other", "empty", "" }, // an empty value is not the default
        { "", "top", "?" }, // keys before any section belong to none
        { "COEF", "; comment", "?" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(read(ini, c.section, c.key), QString::fromUtf8(c.expected)) << c.section << "/" << c.key;
}

TEST_F(IniFileTest, ValuesAreCutTo1023Characters)
{
    QString value(1500, u'v');
    ASSERT_TRUE(IniFile::writeValue(ini, QStringLiteral("REP"), QStringLiteral("cible"), value));
    EXPECT_EQ(read(ini, "REP", "cible"), value.left(1023));
    // A character outside the basic plane is not cut in half.
    value = QString(1022, u'x') + QStringLiteral("\U0001F600");
    ASSERT_TRUE(IniFile::writeValue(ini, QStringLiteral("REP"), QStringLiteral("cible"), value));
    EXPECT_EQ(read(ini, "REP", "cible"), value.left(1022));
}

TEST_F(IniFileTest, WriteChangesOnlyItsLine)
{
    // A new file ends its lines with LF.
    ASSERT_TRUE(IniFile::writeValue(ini, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_EQ(readFile(ini), "[S]\nk=v\n");

    writeFile(ini, "; by hand\r\n[PATH]\r\ndrive=c:\r\n\r\n; not ours\r\n[Other]\r\nx = 1\r\n");
    ASSERT_TRUE(IniFile::writeValue(ini, QStringLiteral("path"), QStringLiteral("DRIVE"), QStringLiteral("d:")));
    ASSERT_TRUE(IniFile::writeValue(ini, QStringLiteral("PATH"), QStringLiteral("folder"), QStringLiteral("/home")));
    ASSERT_TRUE(IniFile::writeValue(ini, QStringLiteral("REP"), QStringLiteral("cible"), QStringLiteral("/out")));
    EXPECT_EQ(readFile(ini),
        "; by hand\r\n[PATH]\r\nDRIVE=d:\r\nfolder=/home\r\n\r\n; not ours\r\n[Other]\r\nx = 1\r\n"
        "\r\n[REP]\r\ncible=/out\r\n");
}

TEST_F(IniFileTest, AWriteKeepsTheFilePermissionsAndLinkButTakesANewTime)
{
    // The settings live elsewhere, config.ini is a link to them.
    const QString real = dir.filePath(QStringLiteral("dotfiles/quillon.ini"));
    ASSERT_TRUE(writeFile(real, "[COEF]\nJPG=80\n"));
    ASSERT_TRUE(QFile::link(real, ini));
    const QByteArray name = QFile::encodeName(real);
    ASSERT_EQ(::chmod(name.constData(), 0600), 0);
    const timespec past[2] = { { 1'000'000'000, 0 }, { 1'000'000'000, 0 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, name.constData(), past, 0), 0);

    ASSERT_TRUE(IniFile::writeValue(ini, QStringLiteral("COEF"), QStringLiteral("JPG"), QStringLiteral("95")));
    EXPECT_TRUE(QFileInfo(ini).isSymLink());
    EXPECT_EQ(readFile(real), "[COEF]\nJPG=95\n");
    struct stat info { };
    ASSERT_EQ(::stat(name.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_GT(info.st_mtim.tv_sec, past[1].tv_sec);
}

TEST_F(IniFileTest, FailedWriteLeavesFilesAsTheyWere)
{
    // Tests run as root, so a read-only folder would not stop the write; a
    // regular file standing where the folder should be does.
    const QString notAFolder = dir.filePath(QStringLiteral("file.txt"));
    writeFile(notAFolder, "content\n");
    EXPECT_FALSE(IniFile::writeValue(notAFolder + QStringLiteral("/config.ini"), QStringLiteral("COEF"),
        QStringLiteral("JPG"), QStringLiteral("80")));
    EXPECT_EQ(readFile(notAFolder), "content\n");

    // A config.ini that cannot be read is not replaced by one holding one key.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("config.ini")));
    EXPECT_FALSE(IniFile::writeValue(ini, QStringLiteral("COEF"), QStringLiteral("JPG"), QStringLiteral("80")));
    EXPECT_TRUE(QFileInfo(ini).isDir());

    // Names that could not be read back are refused.
    const QString other = dir.filePath(QStringLiteral("other.ini"));
    EXPECT_FALSE(IniFile::writeValue(other, QStringLiteral("A"), QStringLiteral("k=v"), QStringLiteral("1")));
    EXPECT_FALSE(IniFile::writeValue(other, QStringLiteral("A]"), QStringLiteral("k"), QStringLiteral("1")));
    // Nothing else appeared: no other.ini, no temporary file.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 2);
}

} // namespace
