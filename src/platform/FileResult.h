#pragma once

#include <QString>

#include <system_error>

// How a file operation went: done, or the system's error number, whose text
// is the reason a message gives the user. Tests as true when done.
class FileResult {
public:
    FileResult() = default;
    // errorNumber is an errno value; 0 means done.
    explicit FileResult(int errorNumber)
        : m_error(errorNumber)
    {
    }

    explicit operator bool() const { return m_error == 0; }
    int error() const { return m_error; }
    // The system's text for the error ("Permission denied"); empty when done.
    QString reason() const
    {
        return m_error == 0 ? QString() : QString::fromStdString(std::generic_category().message(m_error));
    }

private:
    int m_error = 0;
};
