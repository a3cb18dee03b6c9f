#include "workflow/BatchReport.h"

#include <QDir>

QString BatchReport::summaryText() const
{
    QString text = QStringLiteral("%1 of %2 photos treated").arg(treated).arg(total);
    if (!failures.isEmpty()) text += QStringLiteral(", %1 failed").arg(failures.size());
    if (cancelled) text += QStringLiteral("; stopped before the end");
    text += QLatin1Char('.');
    for (const Failure& failure : failures)
        text += QStringLiteral("\n%1: %2").arg(QDir::toNativeSeparators(failure.path), failure.reason);
    for (const QString& note : notes)
        text += QLatin1Char('\n') + note;
    return text;
}
