#include "platform/AppLocations.h"

#include "platform/AtomicFile.h"
#include "platform/ExecutableInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

AppLocations AppLocations::decide(const QString& executableFolder, const UserFolders& user, const WriteCheck& canWrite)
{
    const QString besideExecutable = executableFolder + QStringLiteral("/config.ini");
    AppLocations places;
    const bool installed = QFileInfo(executableFolder + QStringLiteral("/../share/quillon")).isDir();
    if (!installed && canWrite(executableFolder)) {
        places.m_settingsFile = besideExecutable;
        places.m_outputRoot = executableFolder;
    } else {
        places.m_settingsFile = user.configuration + QStringLiteral("/quillon/config.ini");
        places.m_outputRoot = user.pictures + QStringLiteral("/Quillon");
        places.m_seedFile = besideExecutable;
    }
    return places;
}

const AppLocations& AppLocations::current()
{
    static const AppLocations places = decide(ExecutableInfo::folder(), standardUserFolders(), &canCreateFileIn);
    return places;
}

AppLocations::UserFolders AppLocations::standardUserFolders()
{
    return { QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) };
}

bool AppLocations::canCreateFileIn(const QString& folder)
{
    QByteArray name = QFile::encodeName(folder) + "/.quillon-write-test-XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(name.constData());
    return true;
}

QString AppLocations::settingsToRead() const
{
    if (m_seedFile.isEmpty() || QFileInfo::exists(m_settingsFile) || !QFileInfo(m_seedFile).isFile())
        return m_settingsFile;
    return m_seedFile;
}

FileResult AppLocations::seedSettings() const
{
    const QString seed = settingsToRead();
    if (seed == m_settingsFile) return {};
    QFile source(seed);
    // The seed is known to be a file: what keeps it closed is its mode.
    if (!source.open(QIODevice::ReadOnly)) return FileResult(EACCES);
    const QByteArray text = source.readAll();
    if (source.error() != QFileDevice::NoError) return FileResult(EIO);

    if (const int error = AtomicFile::makeFolderFor(m_settingsFile)) return FileResult(error);
    return FileResult(AtomicFile::write(m_settingsFile, text, AtomicFile::Keep::Permissions));
}
