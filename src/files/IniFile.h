#pragma once

#include "platform/FileResult.h"

#include <QString>
#include <QStringList>

#include <optional>

// An INI file held as its lines, so that a change rewrites one line and keeps
// everything else (sections and keys of other programs, comments, blank lines,
// the line ending) as it was.
//
// Reading follows the private-profile rules: section and key names compare
// without regard to case; blanks around names and values are trimmed; a value
// wrapped in matching double or single quotes loses them; the first matching
// section and, within it, the first matching key count; a line without '=' is
// no key, and a line starting with ';' is a comment. Lines end with LF,
// CR LF or a lone CR; the text is UTF-8. It is written back with CR LF when
// the file held one, else with LF, so that what a load gives, saved and
// loaded again, gives the same text.
class IniFile {
public:
    // Reads the file at path. A missing file gives an empty one; a failure
    // with the system's reason when the file exists but cannot be read (the
    // object is then left empty).
    FileResult load(const QString& path);
    // Writes the whole text in place of path (through AtomicFile), so a
    // failed or interrupted write leaves the old file as it was; a file that
    // is replaced keeps its permissions. A failure with the system's reason
    // when the file cannot be written.
    FileResult save(const QString& path) const;

    // The value of the key, whole; nothing when the section or key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // Replaces the key's value, adding the key at the end of its section or
    // the section at the end of the file when missing. False (and no change)
    // for a name that could not be read back: empty, or holding a line break,
    // '=' in a key, ']' in a section.
    bool setValue(const QString& section, const QString& key, const QString& value);

    QString text() const;
    void setText(const QString& input);

    static constexpr qsizetype MaxValueLength = 1023;

    static QString readValue(
        const QString& file, const QString& section, const QString& key, const QString& defaultValue);
    // The same look-up in a file already read, for callers reading many keys.
    static QString readValue(
        const IniFile& file, const QString& section, const QString& key, const QString& defaultValue);

    // Replaces the key's value, adding section and key when missing and
    // creating the file when it does not exist. The file is rewritten whole
    // through a temporary file and a rename; false when it cannot be written
    // (the old file then stays as it was) or exists but cannot be read.
    static bool writeValue(const QString& file, const QString& section, const QString& key, const QString& value);

private:
    // Index of the first header line of the section, or -1.
    qsizetype findSection(const QString& section) const;

    QStringList m_lines;
    bool m_crlf = false;
};
