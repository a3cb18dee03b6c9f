#include "ui/StampTemplateBox.h"

#include "platform/StampTemplate.h"
#include "ui/DialogFont.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr int EditorLines = 3;

} // namespace

StampTemplateBox::StampTemplateBox(const QString& stored, QWidget* parent)
    : QWidget(parent)
    , m_stored(stored.isEmpty() ? StampTemplate::defaultText() : stored)
{
    setFont(DialogFont::sansSerif());
    auto* caption = new QLabel(tr("Text"), this);
    m_editor = new QPlainTextEdit(this);
    m_editor->setObjectName(QStringLiteral("templateEditor"));
    m_editor->setTabChangesFocus(true);
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setPlainText(StampTemplate::editedText(m_stored));
    const QFontMetrics metrics(m_editor->font());
    m_editor->setFixedHeight(metrics.lineSpacing() * EditorLines + 2 * (m_editor->frameWidth() + 4));
    caption->setBuddy(m_editor);

    // The picker: each field with what it prints; choosing one writes it
    // where the cursor is.
    m_fieldButton = new QPushButton(tr("Insert field"), this);
    m_fieldButton->setAutoDefault(false);
    auto* menu = new QMenu(m_fieldButton);
    for (const StampTemplate::FieldInfo& info : StampTemplate::fields()) {
        const QString field = QLatin1Char('{') + info.name + QLatin1Char('}');
        menu->addAction(
            QStringLiteral("%1\t%2").arg(field, info.description), [this, field] { m_editor->insertPlainText(field); });
    }
    m_fieldButton->setMenu(menu);

    // The legend: the syntax by its examples in one line, what each does
    // when the mouse rests on it.
    QStringList examples { QStringLiteral("{camera}") };
    QStringList explained { tr("{camera}: a field, from Insert field") };
    for (const StampTemplate::SyntaxInfo& info : StampTemplate::syntax()) {
        examples << info.example;
        explained << QStringLiteral("%1: %2").arg(info.example, info.description);
    }
    m_syntaxLine = examples.join(QStringLiteral("   "));
    m_legend = new QLabel(this);
    m_legend->setWordWrap(true);
    m_legend->setToolTip(explained.join(QLatin1Char('\n')));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(caption, 0, 0, Qt::AlignTop);
    grid->addWidget(m_editor, 0, 1);
    grid->addWidget(m_fieldButton, 0, 2, Qt::AlignTop);
    grid->addWidget(m_legend, 1, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(m_editor, &QPlainTextEdit::textChanged, this, &StampTemplateBox::onTextChanged);
    onTextChanged();
}

void StampTemplateBox::onTextChanged()
{
    const QString stored = StampTemplate::storedText(m_editor->toPlainText());
    QString problem;
    m_valid = StampTemplate::parse(stored, &problem).has_value();
    if (m_valid) {
        m_legend->setStyleSheet(QString());
        m_legend->setText(m_syntaxLine);
    } else {
        m_legend->setStyleSheet(QStringLiteral("color: #b00000"));
        m_legend->setText(tr("Not a template: %1").arg(problem));
    }
    if (!m_valid || stored == m_stored) return;
    m_stored = stored.isEmpty() ? StampTemplate::defaultText() : stored;
    emit templateChanged(m_stored);
}
