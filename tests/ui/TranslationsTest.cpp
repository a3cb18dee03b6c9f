#include "ui/Translations.h"

#include "support/TestSupport.h"
#include "ui/AboutDialog.h"
#include "ui/DateStyleDialog.h"
#include "ui/DesktopLauncher.h"
#include "ui/MainWindow.h"
#include "ui/StandardDialogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <utility>

// Readable failures for texts.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

class TranslationsTest : public ::testing::Test {
protected:
    void SetUp() override { m_pickers = StandardDialogs::shared().pickers; }
    void TearDown() override
    {
        StandardDialogs::shared().pickers = m_pickers;
        // The other tests read the program's own captions.
        Translations::install(QLocale::c());
    }

    // Captions that differ between the program's own texts and English, as
    // the windows made now show them: the title of Save as BMP's file
    // dialog, a menu item, the date dialog's offset bars, the About box's
    // captions and the shell's failure message.
    QStringList shownCaptions()
    {
        QStringList shown;
        QTemporaryDir dir;
        {
            MainWindow window(dir.filePath(QStringLiteral("config.ini")), dir.path());
            StandardDialogs::shared().pickers.file = [&shown](const StandardDialogs::FileRequest& request) {
                shown << request.title;
                return std::optional<StandardDialogs::FileAnswer>();
            };
            EXPECT_TRUE(window.openPath(testPhoto(QStringLiteral("cameras/Canon_PowerShot_S40.jpg"))));
            window.saveBmpAction->trigger();
            shown << window.applyFilterAction->text();
        }
        Settings settings;
        DateStyleDialog dialog(nullptr, settings);
        shown << dialog.horizontalCaption()->text() << dialog.verticalCaption()->text();
        AboutDialog about;
        for (const QLabel* label : about.findChildren<QLabel*>())
            if (label->text().endsWith(QLatin1Char(':'))) shown << label->text();
        shown << DesktopLauncher::failureText(1);
        return shown;
    }

private:
    StandardDialogs::Pickers m_pickers;
};

} // namespace

TEST_F(TranslationsTest, AnEnglishDesktopReadsEnglishAndOtherLocalesTheProgramsOwnCaptions)
{
    const QStringList english { "Save", "&Apply filter", "Horizontal", "Vertical",
        "Application   :", "Version         :", "Executable   :", "Copyright    :", "Organisation :",
        "Error -2147220455\r\nAn error occurred whilst trying to open or print the selected file." };
    // Typos are mended in English only.
    const QStringList own { "Sauvegarder", "&Aply filter", "Horizontale", "Verticale",
        "Application   :", "Version         :", QStringLiteral("Exécutable   :"), "CopyRight    :", "Organisation :",
        "Erreur -2147220455\r\nAn error occurred occurred whilst trying to open or print the selected file." };
    const std::pair<const char*, bool> locales[] = { { "en_US.UTF-8", true }, { "en_GB", true }, { "en", true },
        { "C", false }, { "POSIX", false }, { "fr_FR.UTF-8", false }, { "de_DE", false } };
    for (const auto& [name, isEnglish] : locales) {
        SCOPED_TRACE(name);
        // English before takes nothing with it into the next language.
        ASSERT_TRUE(Translations::install(QLocale(QStringLiteral("en_US"))));
        // The locale as LANG names it.
        EXPECT_EQ(Translations::install(QLocale(QString::fromLatin1(name))), isEnglish);
        EXPECT_EQ(shownCaptions(), isEnglish ? english : own);
    }
}

// A translation keeps what the code relies on: the places of the values
// (%1, %2, ...), as many mnemonics as the source (one or none), and the
// blanks at either end ("JPG Quality : " joins a value).
TEST_F(TranslationsTest, EveryTranslationKeepsPlaceholdersMnemonicsAndOuterBlanks)
{
    const QStringList files = QDir(QStringLiteral(QUILLON_TRANSLATIONS))
                                  .entryList({ QStringLiteral("quillon_*.ts") }, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    const QRegularExpression placeholder(QStringLiteral("%\\d+"));
    const auto placeholders = [&placeholder](const QString& text) {
        QStringList found;
        for (const QRegularExpressionMatch& match : placeholder.globalMatch(text))
            found << match.captured();
        found.sort();
        return found;
    };
    // "&&" is a plain ampersand.
    const auto mnemonics = [](QString text) { return text.remove(QStringLiteral("&&")).count(QLatin1Char('&')); };
    const QRegularExpression blanks(
        QStringLiteral("^(\\s*).*?(\\s*)$"), QRegularExpression::DotMatchesEverythingOption);
    const auto outerBlanks = [&blanks](const QString& text) { return blanks.match(text).capturedTexts().mid(1); };

    for (const QString& name : files) {
        QFile file(QDir(QStringLiteral(QUILLON_TRANSLATIONS)).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        QXmlStreamReader xml(&file);
        QString context;
        QString source;
        int checked = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement()) continue;
            if (xml.name() == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (xml.name() == QLatin1String("source")) {
                // A carriage return is written as a <byte> element of its own.
                source = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            } else if (xml.name() == QLatin1String("translation")) {
                const bool unfinished = xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
                const QString translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (unfinished || translation.isEmpty()) continue;
                SCOPED_TRACE((name + QLatin1Char(' ') + context + QStringLiteral(": ") + source).toStdString());
                EXPECT_EQ(placeholders(translation), placeholders(source));
                EXPECT_EQ(mnemonics(translation), mnemonics(source));
                EXPECT_EQ(outerBlanks(translation), outerBlanks(source));
                ++checked;
            }
        }
        EXPECT_FALSE(xml.hasError()) << name.toStdString() << ": " << xml.errorString().toStdString();
        EXPECT_GT(checked, 0) << name.toStdString();
    }
}
