#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The stamp's text template (StampTemplate) as the date style dialog edits
// it: a box of a few lines, a button that inserts a field at the cursor,
// and under them a legend of one line (the syntax by example, explained in
// its tooltip), or, while the text is not a template, why.
class StampTemplateBox : public QWidget {
    Q_OBJECT

public:
    // stored: the template as config.ini keeps it (DATE/template).
    explicit StampTemplateBox(const QString& stored, QWidget* parent = nullptr);

    // The template to store: the box's lines joined by \n; while the box
    // holds no template, the last text that was one.
    const QString& storedText() const { return m_stored; }
    bool holdsTemplate() const { return m_valid; }

    QPlainTextEdit* editor() const { return m_editor; }
    QPushButton* fieldButton() const { return m_fieldButton; }
    QLabel* legend() const { return m_legend; }

signals:
    // The template to store changed.
    void templateChanged(const QString& stored);

private:
    void onTextChanged();

    QPlainTextEdit* m_editor;
    QPushButton* m_fieldButton;
    QLabel* m_legend;
    QString m_syntaxLine;
    QString m_stored;
    bool m_valid = true;
};
