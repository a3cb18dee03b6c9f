#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

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
    qsizetype first = 0;
    for (qsizetype i = 1; i < controls.size(); ++i)
        if (seenBefore(placeIn(dialog, controls[i].second), placeIn(dialog, controls[first].second))) first = i;
    QStringList faults;
    const QWidget* at = controls[first].second;
    QString atName = controls[first].first;
    qsizetype visited = 1;
    for (QWidget* next = at->nextInFocusChain(); next != controls[first].second && visited < controls.size();
         next = next->nextInFocusChain()) {
        for (const auto& [name, control] : controls) {
            if (control != next) continue;
            if (!seenBefore(placeIn(dialog, at), placeIn(dialog, control)))
                faults << atName + QStringLiteral(" then ") + name;
            at = control;
            atName = name;
            ++visited;
        }
    }
    if (visited != controls.size()) faults << QStringLiteral("Tab visits %1 of %2").arg(visited).arg(controls.size());
    return faults;
}

} // namespace DialogLayoutCheck
