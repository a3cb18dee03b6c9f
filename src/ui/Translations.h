#pragma once

#include <QLocale>

// The window's captions in the user's language. The captions written in the
// code are the program's own, partly French ("Sauvegarder", "Horizontale");
// a translation built into the program (:/i18n/quillon_<language>.qm)
// replaces them for the language it covers, English for now. A language
// without a translation keeps the captions as they are written.
class Translations {
public:
    // Puts the translation for locale's language in place of the one
    // installed before, or takes that one away when the language has none.
    // Windows made afterwards show its captions. True when a translation is
    // in use. Needs the application object.
    static bool install(const QLocale& locale);
};
