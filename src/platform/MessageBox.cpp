#include "platform/MessageBox.h"

#include <cstdio>
#include <utility>

namespace {
MessageBox::Hook& currentHook()
{
    static MessageBox::Hook hook;
    return hook;
}

MessageBox::QuestionHook& currentQuestionHook()
{
    static MessageBox::QuestionHook hook;
    return hook;
}

void showAs(MessageBox::Kind kind, const QString& text, const QString& title)
{
    if (currentHook()) {
        currentHook()(text, title, kind);
        return;
    }
    const QByteArray line = (title.isEmpty() ? text : title + QStringLiteral(": ") + text).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
}
} // namespace

void MessageBox::show(const QString& text, const QString& title)
{
    showAs(Kind::Information, text, title);
}

void MessageBox::warn(const QString& text, const QString& title)
{
    showAs(Kind::Warning, text, title);
}

MessageBox::Hook MessageBox::setHook(Hook hook)
{
    return std::exchange(currentHook(), std::move(hook));
}

int MessageBox::ask(const QString& text, const QStringList& buttons, int defaultButton, const QString& title)
{
    return currentQuestionHook() ? currentQuestionHook()(text, buttons, defaultButton, title) : -1;
}

MessageBox::QuestionHook MessageBox::setQuestionHook(QuestionHook hook)
{
    return std::exchange(currentQuestionHook(), std::move(hook));
}
