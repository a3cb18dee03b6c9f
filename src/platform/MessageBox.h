#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Message boxes shown by the parts below the windows. The main window
// installs a hook that shows a real box; tests install one that records the
// text; with no hook the message goes to standard error.
//
// A question works the same way: the window's hook shows a box with the
// given buttons, a test's hook answers it; with no hook nothing is chosen.
class MessageBox {
public:
    // A warning says that something the user asked for did not happen, or
    // not whole; anything else is information.
    enum class Kind { Information, Warning };
    using Hook = std::function<void(const QString& text, const QString& title, Kind kind)>;
    // The index of the button chosen; -1 when the box was closed without one.
    using QuestionHook
        = std::function<int(const QString& text, const QStringList& buttons, int defaultButton, const QString& title)>;

    static void show(const QString& text, const QString& title = QString());
    static void warn(const QString& text, const QString& title = QString());
    // Installs a hook and returns the one it replaces.
    static Hook setHook(Hook hook);

    // Asks text with buttons (their captions; the last one turns the
    // question down) and returns the index of the one chosen, or -1.
    static int ask(
        const QString& text, const QStringList& buttons, int defaultButton = 0, const QString& title = QString());
    static QuestionHook setQuestionHook(QuestionHook hook);
};
