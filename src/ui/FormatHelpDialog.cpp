#include "ui/FormatHelpDialog.h"

#include "platform/DateFormatter.h"
#include "platform/StampTemplate.h"
#include "ui/DialogFont.h"
#include "ui/ScreenFit.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <functional>

namespace {

// A table of entries under its headings, the tokens in a fixed-width font;
// example gives the third column, or nothing for a table of two.
QString tableOf(const QStringList& headings, const QList<FormatHelpDialog::Entry>& entries,
    const std::function<QString(const QString&)>& example)
{
    QString rows = QStringLiteral("<tr>");
    for (const QString& heading : headings)
        rows += QStringLiteral("<th align=\"left\">%1</th>").arg(heading.toHtmlEscaped());
    rows += QStringLiteral("</tr>");
    for (const FormatHelpDialog::Entry& entry : entries) {
        rows += QStringLiteral("<tr><td><code>%1</code></td><td>%2</td>")
                    .arg(entry.token.toHtmlEscaped(), entry.meaning.toHtmlEscaped());
        if (example) rows += QStringLiteral("<td>%1</td>").arg(example(entry.token).toHtmlEscaped());
        rows += QStringLiteral("</tr>");
    }
    return QStringLiteral("<table cellspacing=\"0\" cellpadding=\"3\">%1</table>").arg(rows);
}

} // namespace

FormatHelpDialog::FormatHelpDialog(QWidget* owner, const QDateTime& moment)
    : QDialog(owner)
{
    setWindowTitle(tr("Format help"));
    setFont(DialogFont::sansSerif());

    QString html
        = QStringLiteral("<p>%1</p>")
              .arg(
                  tr("The date format is typed with these letters, in either case; any other character "
                     "is printed as it is. Examples are for %1.")
                      .arg(DateFormatter::format(moment, QStringLiteral("dddd d mmmm yyyy hh:nn:ss")).toHtmlEscaped()));
    html += tableOf({ tr("Write"), tr("Meaning"), tr("Example") }, dateTokens(),
        [&moment](const QString& token) { return DateFormatter::format(moment, token); });
    if (const QList<Entry> fields = templateFields(); !fields.isEmpty()) {
        html += QStringLiteral("<h3>%1</h3>").arg(tr("Template fields"));
        html += tableOf({ tr("Write"), tr("Meaning") }, fields, {});
    }

    m_page = new QTextBrowser(this);
    m_page->setHtml(html);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_page, 1);
    layout->addWidget(buttons);
    resize(520, 560);
}

FormatHelpDialog* FormatHelpDialog::showFor(QWidget* owner)
{
    FormatHelpDialog* help
        = owner ? owner->findChild<FormatHelpDialog*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!help) {
        help = new FormatHelpDialog(owner);
        help->setAttribute(Qt::WA_DeleteOnClose);
        ScreenFit::keepOnScreen(help);
    }
    help->show();
    help->raise();
    help->activateWindow();
    return help;
}

QList<FormatHelpDialog::Entry> FormatHelpDialog::dateTokens()
{
    return {
        { QStringLiteral("d"), tr("day of the month") },
        { QStringLiteral("dd"), tr("day of the month, two digits") },
        { QStringLiteral("ddd"), tr("day of the week, short") },
        { QStringLiteral("dddd"), tr("day of the week") },
        { QStringLiteral("ddddd"), tr("the date, short") },
        { QStringLiteral("dddddd"), tr("the date, long") },
        { QStringLiteral("w"), tr("day of the week as a number, Sunday 1") },
        { QStringLiteral("ww"), tr("week of the year, the one holding 1 January first") },
        { QStringLiteral("m"), tr("month") },
        { QStringLiteral("mm"), tr("month, two digits") },
        { QStringLiteral("mmm"), tr("month's name, short") },
        { QStringLiteral("mmmm"), tr("month's name") },
        { QStringLiteral("q"), tr("quarter of the year") },
        { QStringLiteral("y"), tr("day of the year") },
        { QStringLiteral("yy"), tr("year, two digits") },
        { QStringLiteral("yyyy"), tr("year") },
        { QStringLiteral("h"), tr("hour") },
        { QStringLiteral("hh"), tr("hour, two digits") },
        { QStringLiteral("n"), tr("minute") },
        { QStringLiteral("nn"), tr("minute, two digits") },
        { QStringLiteral("hh:mm"), tr("m or mm right after an hour is minutes") },
        { QStringLiteral("s"), tr("second") },
        { QStringLiteral("ss"), tr("second, two digits") },
        { QStringLiteral("ttttt"), tr("the time") },
        { QStringLiteral("c"), tr("the date and the time") },
        { QStringLiteral("h AM/PM"), tr("12-hour clock, AM or PM in the case typed; also a/p") },
        { QStringLiteral("h AMPM"), tr("12-hour clock, the language's own AM and PM") },
        { QStringLiteral("/"), tr("the language's date separator") },
        { QStringLiteral(":"), tr("the language's time separator") },
        { QStringLiteral("\\d"), tr("the character after \\, as it is") },
        { QStringLiteral("\"day\""), tr("text in double quotes, as it is") },
    };
}

// The stamp's template fields and the rest of its syntax, listed after the
// date's tokens. Their list lives with the template's expansion.
QList<FormatHelpDialog::Entry> FormatHelpDialog::templateFields()
{
    QList<Entry> entries;
    for (const StampTemplate::FieldInfo& field : StampTemplate::fields())
        entries.append({ QLatin1Char('{') + field.name + QLatin1Char('}'), field.description });
    for (const StampTemplate::SyntaxInfo& item : StampTemplate::syntax())
        entries.append({ item.example, item.description });
    return entries;
}
