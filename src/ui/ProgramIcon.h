#pragma once

#include <QIcon>
#include <QString>

// The program's identity on the desktop: the name of its desktop entry and
// icon, and the icon itself, the installed theme's where there is one and
// otherwise the copy built into the program (the same rendering in every
// size of the theme).
class ProgramIcon {
public:
    static const QString AppId;

    static QIcon icon();
};
