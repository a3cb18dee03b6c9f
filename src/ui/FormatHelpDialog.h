#pragma once

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QString>

class QTextBrowser;

// "Format help": a short page on what the stamp can print. Every token of
// the date format with what it means and what it gives for the moment the
// page was opened, in the user's language; then the fields of the stamp's
// template. Not modal, so that it stays open beside the date style dialog
// while a format is typed there; at most one per owner (showFor), closed and
// gone with its owner.
class FormatHelpDialog : public QDialog {
    Q_OBJECT

public:
    // One line of the page: what is typed and what it stands for.
    struct Entry {
        QString token;
        QString meaning;
    };

    explicit FormatHelpDialog(QWidget* owner = nullptr, const QDateTime& moment = QDateTime::currentDateTime());

    // owner's page, made when it has none, shown in front.
    static FormatHelpDialog* showFor(QWidget* owner);

    // The date format's tokens, in the order the page lists them (see
    // DateFormatter); letters in either case.
    static QList<Entry> dateTokens();
    // The template's fields, in the order the page lists them; the page
    // leaves out their part while there are none.
    static QList<Entry> templateFields();

    QTextBrowser* page() const { return m_page; }

private:
    QTextBrowser* m_page;
};
