#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <utility>

// Checks of how a dialog places its controls, in the dialog's coordinates:
// what the user sees, whatever the layout that put them there.
namespace DialogLayoutCheck {

using Controls = QList<std::pair<QString, const QWidget*>>;

inline QRect placeIn(const QWidget* dialog, const QWidget* control)
{
    return QRect(control->mapTo(dialog, QPoint(0, 0)), control->size());
}

// Controls that reach outside the dialog, show less than their text needs,
// or overlap another, by name; empty when every one shows whole.
inline QStringList problems(const QWidget* dialog, const Controls& controls)
{
    QStringList found;
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const auto& [name, control] = controls[i];
        if (control->isHidden()) continue;
        const QRect place = placeIn(dialog, control);
        if (!dialog->rect().contains(place)) found << name + QStringLiteral(" reaches outside");
        if (place.width() < control->minimumSizeHint().width())
            found << name
                    + QStringLiteral(" is cut (%1 < %2)").arg(place.width()).arg(control->minimumSizeHint().width());
        for (qsizetype j = i + 1; j < controls.size(); ++j)
            if (!controls[j].second->isHidden() && place.intersects(placeIn(dialog, controls[j].second)))
                found << name + QStringLiteral(" overlaps ") + controls[j].first;
    }
    return found;
}

// a is seen before b: on an earlier row, or on the same row (they share
// some height) further left.
inline bool seenBefore(QRect a, QRect b)
{
    if (a.top() < b.bottom() && b.top() < a.bottom()) return a.left() < b.left();
    return a.center().y() < b.center().y();
}

// Where Tab goes out of order, starting from the control seen first and
// going once round; empty when it follows the order they are seen in.
inline QStringList tabOrderFaults(const QWidget* dialog, const Controls& controls)
{
    const auto first = std::min_element(controls.begin(), controls.end(), [dialog](const auto& a, const auto& b) {
        return seenBefore(placeIn(dialog, a.second), placeIn(dialog, b.second));
    });
    Controls visited { *first };
    for (const QWidget* next = first->second->nextInFocusChain(); next != first->second;
         next = next->nextInFocusChain())
        for (const auto& control : controls)
            if (control.second == next) visited << control;
    QStringList faults;
    for (qsizetype i = 1; i < visited.size(); ++i)
        if (!seenBefore(placeIn(dialog, visited[i - 1].second), placeIn(dialog, visited[i].second)))
            faults << visited[i - 1].first + QStringLiteral(" then ") + visited[i].first;
    if (visited.size() != controls.size())
        faults << QStringLiteral("Tab visits %1 of %2").arg(visited.size()).arg(controls.size());
    return faults;
}

} // namespace DialogLayoutCheck
