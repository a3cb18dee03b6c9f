// INI text of any bytes: what one load makes of it stays the same through
// further loads and saves, and the settings record read from it is read
// back unchanged after it was saved into it.
#include "FuzzSupport.h"

#include "files/IniFile.h"
#include "files/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>

namespace {

// In memory where the system offers a folder there: a save syncs the file
// to its disk, three times per input.
const QString& configPath()
{
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
            ? QStringLiteral("/dev/shm/quillon-fuzz-XXXXXX")
            : QDir::tempPath() + QStringLiteral("/quillon-fuzz-XXXXXX"));
    static const QString path = folder.filePath(QStringLiteral("config.ini"));
    return path;
}

// Equal fields; NaN never comes out of a load, but compare it as equal to
// itself all the same so that a report names a real difference.
bool sameRecord(const Settings& a, const Settings& b)
{
    Settings x = a, y = b;
    if (std::isnan(x.previewScale) && std::isnan(y.previewScale)) x.previewScale = y.previewScale = 0;
    return x == y;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    IniFile file;
    file.setText(text);
    const QString once = file.text();
    file.setText(once);
    fuzz::require(file.text() == once, "setText, text, setText, text is stable");

    // Through the disk, as the program reads and writes config.ini.
    const QString& path = configPath();
    {
        QFile out(path);
        fuzz::require(out.open(QIODevice::WriteOnly | QIODevice::Truncate), "the scratch file opens");
        out.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    IniFile loaded;
    fuzz::require(bool(loaded.load(path)), "the file loads");
    fuzz::require(bool(loaded.save(path)), "the file saves");
    IniFile reloaded;
    fuzz::require(bool(reloaded.load(path)), "the saved file loads");
    fuzz::require(reloaded.text() == loaded.text(), "load, save, load gives the same text");

    Settings first;
    SettingsFile::load(path, first);
    fuzz::require(bool(SettingsFile::save(path, first, QStringLiteral("/"), QStringLiteral("/tmp"), { 4, 120.5 / 15 })),
        "the record saves");
    Settings second;
    SettingsFile::load(path, second);
    fuzz::require(sameRecord(first, second), "load, save, load gives the same record");
    return 0;
}
