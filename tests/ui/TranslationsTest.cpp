#include "ui/Translations.h"

#include "support/TestSupport.h"
#include "ui/AboutDialog.h"
#include "ui/DateStyleDialog.h"
#include "ui/DesktopLauncher.h"
#include "ui/MainWindow.h"
#include "ui/StandardDialogs.h"
#include "workflow/BatchReport.h"
#include "workflow/StampPlacement.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
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
        // The other tests read the captions as the code writes them.
        Translations::install(QLocale::c());
    }

    // Captions as the windows made now show them: the title of Save as BMP's
    // file dialog, the main window's menus and one of their items, the date
    // dialog's offset bars, the About box's captions, the shell's failure
    // message, two from the engine (the batch's count, where a date came
    // from) and one of Qt's own in its file dialog.
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
            for (const QMenu* menu : { window.fileMenu, window.sizeMenu, window.effectMenu })
                shown << menu->title();
            shown << window.applyFilterAction->text();
        }
        Settings settings;
        DateStyleDialog dialog(nullptr, settings);
        shown << dialog.horizontalCaption()->text() << dialog.verticalCaption()->text();
        AboutDialog about;
        for (const QLabel* label : about.findChildren<QLabel*>())
            if (label->text().endsWith(QLatin1Char(':'))) shown << label->text();
        shown << DesktopLauncher::failureText(1);
        BatchReport batch;
        batch.total = 2;
        batch.treated = 1;
        shown << batch.countText();
        StampPlacement::Date date;
        date.source = StampPlacement::Date::Source::Name;
        shown << date.sourceNote();
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        shown << files.labelText(QFileDialog::LookIn);
        return shown;
    }

private:
    StandardDialogs::Pickers m_pickers;
};

} // namespace

TEST_F(TranslationsTest, AFrenchDesktopReadsFrenchAndEveryOtherLocaleEnglish)
{
    const QStringList english { "Save", "&File", "&Size", "&Effect", "&Apply filter", "Horizontal", "Vertical",
        "Application   :", "Version         :", "Executable   :", "Copyright    :", "Organisation :",
        "Error -2147220455\r\nAn error occurred whilst trying to open or print the selected file.",
        "1 of 2 photos treated.", "date from the file name", "Look in:" };
    const QStringList french { "Sauvegarder", "&Fichier", "&Taille", "&Effet", "&Appliquer le filtre", "Horizontale",
        "Verticale", "Application   :", "Version         :", QStringLiteral("Exécutable   :"),
        "Copyright    :", "Organisation :",
        QStringLiteral("Erreur -2147220455\r\nUne erreur s'est produite lors de l'ouverture ou de l'impression du "
                       "fichier sélectionné."),
        QStringLiteral("1 sur 2 photos traitées."), "date du nom de fichier", QStringLiteral("Voir dans :") };
    const std::pair<const char*, bool> locales[]
        = { { "fr_FR.UTF-8", true }, { "fr_CA", true }, { "en_US.UTF-8", false }, { "en_GB", false },
              { "de_DE", false }, { "es_ES.UTF-8", false }, { "C", false }, { "POSIX", false } };
    for (const auto& [name, isFrench] : locales) {
        SCOPED_TRACE(name);
        // French before takes nothing with it into the next language, Qt's
        // own captions included.
        ASSERT_TRUE(Translations::install(QLocale(QStringLiteral("fr_FR"))));
        // The locale as LANG names it.
        EXPECT_EQ(Translations::install(QLocale(QString::fromLatin1(name))), isFrench);
        // One caption a line, for a readable difference.
        EXPECT_EQ(shownCaptions().join(QLatin1Char('\n')).toStdString(),
            (isFrench ? french : english).join(QLatin1Char('\n')).toStdString());
    }
}

// Every text of the French file is translated: none left unfinished or
// empty, none kept only as an obsolete or vanished entry. Every
// translation keeps what the code relies on: the places of the values
// (%1, %2, ...), as many mnemonics as the source (one or none), and the
// blanks at either end ("JPG Quality : " joins a value).
TEST_F(TranslationsTest, TheFrenchIsCompleteAndEveryTranslationKeepsPlaceholdersMnemonicsAndOuterBlanks)
{
    const QStringList files = QDir(QStringLiteral(QUILLON_TRANSLATIONS))
                                  .entryList({ QStringLiteral("quillon_*.ts") }, QDir::Files, QDir::Name);
    ASSERT_TRUE(files.contains(QStringLiteral("quillon_fr.ts")));
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

    QStringList untranslatedFrench;
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
                const QString type = xml.attributes().value(QLatin1String("type")).toString();
                const QString translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (name == QLatin1String("quillon_fr.ts") && (!type.isEmpty() || translation.isEmpty()))
                    untranslatedFrench << source;
                if (type == QLatin1String("unfinished") || translation.isEmpty()) continue;
                SCOPED_TRACE((name + QLatin1Char(' ') + context + QStringLiteral(": ") + source).toStdString());
                EXPECT_EQ(placeholders(translation), placeholders(source));
                EXPECT_EQ(mnemonics(translation), mnemonics(source));
                EXPECT_EQ(outerBlanks(translation), outerBlanks(source));
                ++checked;
            }
        }
        EXPECT_FALSE(xml.hasError()) << name.toStdString() << ": " << xml.errorString().toStdString();
        EXPECT_GT(checked, 100) << name.toStdString();
    }
    EXPECT_EQ(untranslatedFrench.join(QLatin1Char('\n')).toStdString(), "");
}
