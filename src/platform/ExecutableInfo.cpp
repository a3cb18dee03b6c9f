#include "platform/ExecutableInfo.h"

#include <QFileInfo>

#include <filesystem>
#include <system_error>

QString ExecutableInfo::filePath()
{
    // Works without a QCoreApplication, so the tools and tests can ask too.
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? QString() : QString::fromStdString(path.string());
}

QString ExecutableInfo::folder()
{
    return QFileInfo(filePath()).absolutePath();
}

QString ExecutableInfo::baseName()
{
    return QFileInfo(filePath()).completeBaseName();
}

QString ExecutableInfo::version()
{
    return QStringLiteral(QUILLON_VERSION);
}
