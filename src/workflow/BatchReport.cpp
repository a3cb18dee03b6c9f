#include "workflow/BatchReport.h"

#include <QDir>

QString BatchReport::countText() const
{
    QString text = QStringLiteral("%1 of %2 photos treated").arg(treated).arg(total);
    if (skipped > 0) text += QStringLiteral(", %1 skipped").arg(skipped);
    if (!failures.isEmpty()) text += QStringLiteral(", %1 failed").arg(failures.size());
    if (cancelled) text += QStringLiteral("; stopped before the end");
    return text + QLatin1Char('.');
}

QStringList BatchReport::failureLines() const
{
    QStringList lines;
    for (const Failure& failure : failures)
        lines << photoNote(failure.path, failure.reason);
    return lines;
}

QStringList BatchReport::problemLines() const
{
    return failureLines() + notes;
}

QString BatchReport::photoNote(const QString& path, const QString& note)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), note);
}

QString BatchReport::summaryText() const
{
    return (QStringList { countText() } + problemLines()).join(QLatin1Char('\n'));
}
