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
    QList<Failure> failures;
    QList<QString> notes; // things worth knowing that are not failures
    bool cancelled = false;

    bool succeeded() const { return failures.isEmpty() && !cancelled; }
    // "n of N photos treated", the failures' count, whether it stopped early.
    QString countText() const;
    // Each failure as "path: reason", then the notes.
    QStringList problemLines() const;
    // A few lines for the user: the counts first, then the problems.
    QString summaryText() const;
};
