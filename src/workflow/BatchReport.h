#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What a batch did: the photos treated, each one that failed with why, the
// entries of the source folders it passed over with why, and what is worth
// knowing about the photos written.
struct BatchReport {
    // A photo or an entry of a folder, and what there is to say about it;
    // a text that names its file itself has no path.
    struct Entry {
        QString path;
        QString text;
    };

    int total = 0; // photos found
    int treated = 0; // photos written
    int skipped = 0; // photos left out as saved already
    QList<Entry> failures;
    QList<Entry> passedOver; // neither photos nor folders, folders that cannot be read
    QList<Entry> notes; // things worth knowing about photos written
    // Why the batch stopped before its first photo (an output folder that
    // cannot be written); nothing was written then.
    QString blocked;
    bool cancelled = false;

    bool succeeded() const { return failures.isEmpty() && blocked.isEmpty() && !cancelled; }
    // "n of N photos treated", the skipped and failed photos' counts, the
    // entries passed over, whether it stopped early.
    QString countText() const;
    // Each failure as "path: reason".
    QStringList failureLines() const;
    // The failures' lines, then the entries passed over, then the notes.
    QStringList problemLines() const;

    // "path: text", or the text alone; on one line whatever the path holds.
    static QString line(const Entry& entry);
    // A path as a message shows it: as it is, or, when it holds a line break
    // or another character that hides or turns text round (a control, an
    // invisible format character such as U+202E), or a byte of a name that
    // is not UTF-8, as quoted gives it, so that the message stays on one
    // line and the name can be told exactly.
    static QString shownName(const QString& path);
    // Text in double quotes, each such character written as in C ("a\nb.jpg"
    // with a backslash and an n, \xNN for a byte and below 0x80, \uNNNN
    // above), and the quote and the backslash after a backslash.
    static QString quoted(const QString& text);
    // Text with those characters written as in C, on one line.
    static QString oneLine(const QString& text);
};
