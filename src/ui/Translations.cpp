#include "ui/Translations.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

#include <memory>

namespace {

// The translation in use, owned by the application.
QPointer<QTranslator>& current()
{
    static QPointer<QTranslator> translator;
    return translator;
}

} // namespace

bool Translations::install(const QLocale& locale)
{
    if (current()) {
        QCoreApplication::removeTranslator(current());
        delete current();
    }
    // One file per language: the captions do not change between the
    // countries that speak it.
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    const QString file = QStringLiteral(":/i18n/quillon_%1.qm").arg(QLocale::languageToCode(locale.language()));
    if (!translator->load(file) || !QCoreApplication::installTranslator(translator.get())) return false;
    current() = translator.release();
    return true;
}
