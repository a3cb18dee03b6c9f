#include "workflow/BatchReport.h"

#include <QDir>

#include <algorithm>

namespace {

// Characters that would break a line or hide in it: C0 and C1 controls,
// DEL, and Unicode's own line and paragraph separators.
bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
        || c.category() == QChar::Separator_Paragraph;
}

// Each control character as C writes it; with quoted, the quote and the
// backslash too.
QString escaped(const QString& text, bool quoted)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\n':
            out += QLatin1String("\\n");
            continue;
        case '\r':
            out += QLatin1String("\\r");
            continue;
        case '\t':
            out += QLatin1String("\\t");
            continue;
        case '"':
        case '\\':
            if (quoted) out += QLatin1Char('\\');
            out += c;
            continue;
        default:
            break;
        }
        if (!isControl(c))
            out += c;
        else if (c.unicode() < 0x100)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out;
}

} // namespace

QString BatchReport::countText() const
{
    QString text = QStringLiteral("%1 of %2 photos treated").arg(treated).arg(total);
    if (skipped > 0) text += QStringLiteral(", %1 skipped").arg(skipped);
    if (!failures.isEmpty()) text += QStringLiteral(", %1 failed").arg(failures.size());
    if (!passedOver.isEmpty())
        text += passedOver.size() == 1 ? QStringLiteral("; 1 entry passed over")
                                       : QStringLiteral("; %1 entries passed over").arg(passedOver.size());
    if (cancelled) text += QStringLiteral("; stopped before the end");
    return text + QLatin1Char('.');
}

QStringList BatchReport::failureLines() const
{
    QStringList lines;
    for (const Entry& failure : failures)
        lines << line(failure);
    return lines;
}

QStringList BatchReport::problemLines() const
{
    QStringList lines = failureLines();
    for (const QList<Entry>* entries : { &passedOver, &notes })
        for (const Entry& entry : *entries)
            lines << line(entry);
    return lines;
}

QString BatchReport::line(const Entry& entry)
{
    if (entry.path.isEmpty()) return oneLine(entry.text);
    return shownName(entry.path) + QStringLiteral(": ") + oneLine(entry.text);
}

QString BatchReport::shownName(const QString& path)
{
    const QString native = QDir::toNativeSeparators(path);
    if (std::none_of(native.begin(), native.end(), isControl)) return native;
    return QLatin1Char('"') + escaped(native, true) + QLatin1Char('"');
}

QString BatchReport::oneLine(const QString& text)
{
    return escaped(text, false);
}
