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
    // countries that speak it.
    const QString language = QLocale::languageToCode(locale.language());
    std::unique_ptr<QTranslator> own = loaded(QStringLiteral(":/i18n/quillon_%1.qm").arg(language));
    // Qt's dialogs speak the program's language, never one of their own
    // beside English captions.
    if (!own) return false;
    // The translator installed last is asked first: the program's captions
    // win over Qt's where both know a text.
    putInPlace(
        loaded(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_%1.qm").arg(language)));
    return putInPlace(std::move(own));
}
