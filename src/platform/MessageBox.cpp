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

int MessageBox::ask(const QString& text, const QStringList& buttons, int defaultButton, const QString& title)
{
    return currentQuestionHook() ? currentQuestionHook()(text, buttons, defaultButton, title) : -1;
}

MessageBox::QuestionHook MessageBox::setQuestionHook(QuestionHook hook)
{
    return std::exchange(currentQuestionHook(), std::move(hook));
}
