#pragma once

#include <QCoreApplication>
#include <QString>

#include <cstdint>
#include <functional>

// Hands a document, a web address or an e-mail link to the desktop, and
// tells the user in a message box when that fails.
class DesktopLauncher {
    Q_DECLARE_TR_FUNCTIONS(DesktopLauncher)

public:
    // What the desktop is asked to do; show is the window state asked for
    // the started program (0 hidden, 1 normal, 10 the program's default).
    struct Request {
        QString verb;
        QString file;
        QString parameters;
        QString folder;
        int32_t show = 1;
    };
    // Returns the shell's result: above 32 (or negative) when the request
    // was accepted, else the reason (2 file not found, 3 path not found,
    // 5 access denied, 31 no application for the link, ...).
    using Opener = std::function<int32_t(const Request&)>;

    // True when the desktop accepted the request. A file name holding ".EXE"
    // in any case is started hidden. Without parameters and folder the show
    // argument is not used: the program shows normally.
    static bool open(const QString& file, int32_t show = 10, const QString& parameters = QString(),
        const QString& folder = QString(), const QString& verb = QStringLiteral("open"), int32_t owner = 0);

    // "Erreur <code>" and the message for a failing shell result (0 to 32).
    static QString failureText(int32_t shellResult);

    // Installs an opener and returns the one it replaces; an empty one
    // restores the desktop's.
    static Opener setOpener(Opener opener);
    // The desktop's: links through the desktop's handlers, programs with
    // parameters or a folder started directly.
    static int32_t desktopOpen(const Request& request);
};
