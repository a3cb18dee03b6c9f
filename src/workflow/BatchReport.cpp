#include "workflow/BatchReport.h"

#include <QCoreApplication>
#include <QDir>

namespace {

// Characters that would break a line, hide in it or turn it round: C0 and
// C1 controls, DEL, Unicode's line and paragraph separators, and its
// invisible format characters (the marks and overrides of writing
// direction, zero-width spaces and joiners).
bool isHidden(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// Calls visit(c, lone) for each character of text: a code point, or, with
// lone, a surrogate that stands alone (such as a byte kept from a name that
// is not UTF-8, see PhotoFolder::PassedOver).
template <typename Visit> void forEachCharacter(const QString& text, Visit visit)
{
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            visit(QChar::surrogateToUcs4(c, text[i + 1]), false);
            i += 2;
        } else {
            visit(c.unicode(), c.isSurrogate());
            ++i;
        }
    }
}

bool needsEscapes(const QString& text)
{
    bool found = false;
    forEachCharacter(text, [&](char32_t c, bool lone) { found = found || lone || isHidden(c); });
    return found;
}

// Each hidden character as C writes it: \n, \r, \t, \xNN below 0x80,
// \uNNNN and \UNNNNNNNN above; a byte kept from a name that is not UTF-8
// as \xNN. With quoted, the quote and the backslash too.
QString escaped(const QString& text, bool quoted)
{
    QString out;
    out.reserve(text.size());
    const auto hex = [&](const char* prefix, char32_t value, int digits) {
        out += QLatin1String(prefix) + QStringLiteral("%1").arg(static_cast<uint>(value), digits, 16, QLatin1Char('0'));
    };
    forEachCharacter(text, [&](char32_t c, bool lone) {
        if (lone) {
            if (c >= 0xdc80 && c <= 0xdcff)
                hex("\\x", c - 0xdc00, 2);
            else
                hex("\\u", c, 4);
        } else if (c == '\n') {
            out += QLatin1String("\\n");
        } else if (c == '\r') {
            out += QLatin1String("\\r");
        } else if (c == '\t') {
            out += QLatin1String("\\t");
        } else if (c == '"' || c == '\\') {
            if (quoted) out += QLatin1Char('\\');
            out += QChar(c);
        } else if (!isHidden(c)) {
            out += QString::fromUcs4(&c, 1);
        } else if (c < 0x80) {
            hex("\\x", c, 2);
        } else if (c <= 0xffff) {
            hex("\\u", c, 4);
        } else {
            hex("\\U", c, 8);
        }
    });
    return out;
}

} // namespace

// In the window's language where it installs a translation; the command
// line installs none, so its contract stays English.
QString BatchReport::countText() const
{
    QString text = QCoreApplication::translate("BatchReport", "%1 of %2 photos treated").arg(treated).arg(total);
    if (skipped > 0) text += QCoreApplication::translate("BatchReport", ", %1 skipped").arg(skipped);
    if (!failures.isEmpty()) text += QCoreApplication::translate("BatchReport", ", %1 failed").arg(failures.size());
    if (!passedOver.isEmpty())
        text += passedOver.size() == 1
            ? QCoreApplication::translate("BatchReport", "; 1 entry passed over")
            : QCoreApplication::translate("BatchReport", "; %1 entries passed over").arg(passedOver.size());
    if (cancelled) text += QCoreApplication::translate("BatchReport", "; stopped before the end");
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
    return needsEscapes(native) ? quoted(native) : native;
}

QString BatchReport::quoted(const QString& text)
{
    return QLatin1Char('"') + escaped(text, true) + QLatin1Char('"');
}

QString BatchReport::oneLine(const QString& text)
{
    return escaped(text, false);
}
