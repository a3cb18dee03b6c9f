#include "ui/ScreenFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

ScreenFit::ScreenFit(QWidget* window)
    : QObject(window)
{
    window->installEventFilter(this);
}

void ScreenFit::keepOnScreen(QWidget* window)
{
    fit(window);
    new ScreenFit(window);
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        fit(static_cast<QWidget*>(watched));
        deleteLater();
    }
    return false;
}

void ScreenFit::fit(QWidget* window)
{
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    // A dialog opens over its owner, on the owner's screen.
    const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::screenAt(window->geometry().center());
    if (!screen) screen = window->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // The frame the system adds, as far as it is known: none before the
    // window first exists.
    const QSize frame = window->frameGeometry().size() - window->size();
    const QSize room = area.size() - frame;
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
    // A dialog not placed yet is centred over its owner, and kept on its
    // screen, as it is shown.
    if (owner && !window->testAttribute(Qt::WA_Moved)) return;
    const QRect placed = window->frameGeometry();
    const int x = std::max(area.left(), std::min(placed.left(), area.right() + 1 - placed.width()));
    const int y = std::max(area.top(), std::min(placed.top(), area.bottom() + 1 - placed.height()));
    if (x != placed.left() || y != placed.top()) window->move(x, y);
}
