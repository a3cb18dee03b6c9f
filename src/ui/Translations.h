#pragma once

#include <QLocale>

// The window's captions in the user's language, one language at a time. The
// captions written in the code are English; a translation built into the
// program (:/i18n/quillon_<language>.qm, French for now) replaces them for
// the language it covers, together with Qt's own translation of its dialogs
// and buttons (qtbase_<language>.qm from Qt's translations folder). Any
// other language reads English throughout, Qt's dialogs included.
class Translations {
public:
    // Puts the translations for the first of locale's languages
    // (uiLanguages: LANGUAGE, LC_MESSAGES or LANG for the system's) that the
    // program speaks in place of those installed before, or takes those away
    // when that language is English or none is spoken.
    // Windows made afterwards show its captions. True when a translation of
    // the program's own captions is in use; Qt's is added when it is
    // installed on the machine. Needs the application object.
    static bool install(const QLocale& locale);
};
