#include "files/mFileIni.h"

#include "files/IniFile.h"

namespace {

// The look-up returns what fits a buffer of 1024 characters with its
// terminating NUL; a surrogate pair is not split in two.
QString cutToBuffer(const QString& sValue)
{
    if (sValue.size() <= mFileIni::MaxValueLength) return sValue;
    qsizetype length = mFileIni::MaxValueLength;
    if (sValue.at(length - 1).isHighSurrogate()) --length;
    return sValue.left(length);
}

} // namespace

QString mFileIni::ReadIni(const QString& sFile, const QString& sSection, const QString& sKey, const QString& sDefault)
{
    IniFile file;
    if (!file.load(sFile)) return cutToBuffer(sDefault);
    return ReadIni(file, sSection, sKey, sDefault);
}

QString mFileIni::ReadIni(const IniFile& cFile, const QString& sSection, const QString& sKey, const QString& sDefault)
{
    return cutToBuffer(cFile.value(sSection, sKey).value_or(sDefault));
}

bool mFileIni::WriteIni(const QString& sFile, const QString& sSection, const QString& sKey, const QString& sValue)
{
    IniFile file;
    // An unreadable file is not replaced by one holding only this key.
    if (!file.load(sFile)) return false;
    return file.setValue(sSection, sKey, sValue) && file.save(sFile);
}
