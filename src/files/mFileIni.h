#pragma once

#include <QString>

class IniFile;

// Access to single keys of an INI file with the private-profile semantics
// described in IniFile: a value is read back at most 1023 characters long, and
// the default stands in when the file, the section or the key is missing.
class mFileIni {
public:
    static constexpr qsizetype MaxValueLength = 1023;

    static QString ReadIni(const QString& sFile, const QString& sSection, const QString& sKey, const QString& sDefault);
    // The same look-up in a file already read, for callers reading many keys.
    static QString ReadIni(const IniFile& cFile, const QString& sSection, const QString& sKey, const QString& sDefault);

    // Replaces the key's value, adding section and key when missing and
    // creating the file when it does not exist. The file is rewritten whole
    // through a temporary file and a rename; false when it cannot be written
    // (the old file then stays as it was) or exists but cannot be read.
    static bool WriteIni(const QString& sFile, const QString& sSection, const QString& sKey, const QString& sValue);
};
