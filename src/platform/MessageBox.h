#pragma once

#include <QString>

#include <functional>

// Message boxes shown by the parts below the windows. The main window
// installs a hook that shows a real box; tests install one that records the
// text; with no hook the message goes to standard error.
class MessageBox {
public:
    using Hook = std::function<void(const QString& text, const QString& title)>;

    static void show(const QString& text, const QString& title = QString());
    // Installs a hook and returns the one it replaces.
    static Hook setHook(Hook hook);
};
