#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include <memory>
#include <vector>

namespace {

// The translations in use, owned by the application.
std::vector<QPointer<QTranslator>>& current()
{
    static std::vector<QPointer<QTranslator>> translators;
    return translators;
}

std::unique_ptr<QTranslator> loaded(const QString& file)
{
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(file)) return nullptr;
    return translator;
}

bool putInPlace(std::unique_ptr<QTranslator> translator)
{
    if (!translator || !QCoreApplication::installTranslator(translator.get())) return false;
    current().emplace_back(translator.release());
    return true;
}

} // namespace

bool Translations::install(const QLocale& locale)
{
    for (const QPointer<QTranslator>& translator : current()) {
        if (!translator) continue;
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    current().clear();
    // One file per language: the captions do not change between the
    // countries that speak it. The user's languages in the order of their
    // choice (LANGUAGE, else LC_MESSAGES or LANG for the system's locale):
    // the first one the program speaks, English (the code's) included.
    for (const QString& name : locale.uiLanguages()) {
        const QLocale::Language spoken = QLocale(name).language();
        if (spoken == QLocale::English || spoken == QLocale::C) break;
        const QString language = QLocale::languageToCode(spoken);
        std::unique_ptr<QTranslator> own = loaded(QStringLiteral(":/i18n/quillon_%1.qm").arg(language));
        if (!own) continue;
        // Qt's dialogs speak the program's language, never one of their own
        // beside English captions. The translator installed last is asked
        // first: the program's captions win over Qt's where both know a text.
        putInPlace(
            loaded(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_%1.qm").arg(language)));
        return putInPlace(std::move(own));
    }
    return false;
}
