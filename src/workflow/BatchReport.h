#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What a batch did: the photos treated, and each one that failed with why.
struct BatchReport {
    struct Failure {
        QString path;
        QString reason;
    };

    int total = 0; // photos found
    int treated = 0; // photos written
    int skipped = 0; // photos left out as saved already
    QList<Failure> failures;
    QList<QString> notes; // things worth knowing that are not failures
    bool cancelled = false;

    bool succeeded() const { return failures.isEmpty() && !cancelled; }
    // "n of N photos treated", the skipped and failed photos' counts,
    // whether it stopped early.
    QString countText() const;
    // Each failure as "path: reason".
    QStringList failureLines() const;
    // The failures' lines, then the notes.
    QStringList problemLines() const;
    // A few lines for the user: the counts first, then the problems.
    QString summaryText() const;

    // A note about one photo, as "path: note".
    static QString photoNote(const QString& path, const QString& note);
};
