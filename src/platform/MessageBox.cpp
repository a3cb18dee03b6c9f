#include "platform/MessageBox.h"

#include <cstdio>

namespace {
MessageBox::Hook& currentHook()
{
    static MessageBox::Hook hook;
    return hook;
}
} // namespace

void MessageBox::show(const QString& text, const QString& title)
{
    if (currentHook()) {
        currentHook()(text, title);
        return;
    }
    const QByteArray line = (title.isEmpty() ? text : title + QStringLiteral(": ") + text).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
}

MessageBox::Hook MessageBox::setHook(Hook hook)
{
    return std::exchange(currentHook(), std::move(hook));
}
