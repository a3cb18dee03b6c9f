#pragma once

#include <QString>

#include <stdexcept>

// The numbered run-time error that the modules raise: a number, a source
// ("<executable>.<module>") and a description. One type serves the JPEG
// writer, the image processor and the picture loader alike.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(long number, QString source, QString description, QString detail = QString());

    long number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }
    // What the system said about the failure (a file name and its reason),
    // for the message the user sees; empty when there is nothing to add.
    const QString& detail() const { return m_detail; }
    // The description followed by the detail.
    QString fullText() const;
    // What a message tells the user: the detail when there is one (it names
    // the file and the reason in words), else the description. The number
    // stays in the error, for callers.
    QString userText() const { return m_detail.isEmpty() ? m_description : m_detail; }

    // The source for a module of this program: the executable's base name,
    // a dot, and the module's name.
    static QString sourceFor(const QString& module);

private:
    long m_number;
    QString m_source;
    QString m_description;
    QString m_detail;
};
