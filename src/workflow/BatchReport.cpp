#include "workflow/BatchReport.h"

#include <QDir>

QString BatchReport::countText() const
{
    QString text = QStringLiteral("%1 of %2 photos treated").arg(treated).arg(total);
    if (!failures.isEmpty()) text += QStringLiteral(", %1 failed").arg(failures.size());
    if (cancelled) text += QStringLiteral("; stopped before the end");
    return text + QLatin1Char('.');
}

QStringList BatchReport::problemLines() const
{
    QStringList lines;
    for (const Failure& failure : failures)
        lines << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(failure.path), failure.reason);
    return lines + notes;
}

QString BatchReport::summaryText() const
{
    return (QStringList { countText() } + problemLines()).join(QLatin1Char('\n'));
}
