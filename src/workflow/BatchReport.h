#pragma once

#include <QList>
#include <QString>

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
    // A few lines for the user: counts first, then each failure.
    QString summaryText() const;
};
