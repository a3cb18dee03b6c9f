#include "ui/DesktopLauncher.h"

#include "platform/MessageBox.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <utility>

namespace {

DesktopLauncher::Opener& currentOpener()
{
    static DesktopLauncher::Opener opener;
    return opener;
}

constexpr int32_t Accepted = 42;
constexpr int32_t FileNotFound = 2;
constexpr int32_t PathNotFound = 3;
constexpr int32_t AccessDenied = 5;
constexpr int32_t NoAssociation = 31;

// The shell's answer for a local file that cannot be used.
int32_t missingFileResult(const QString& path)
{
    if (!QFileInfo(path).absoluteDir().exists()) return PathNotFound;
    return QFileInfo::exists(path) ? AccessDenied : FileNotFound;
}

} // namespace

int32_t DesktopLauncher::desktopOpen(const Request& request)
{
    if (!request.parameters.isEmpty() || !request.folder.isEmpty()) {
        if (!request.folder.isEmpty() && !QDir(request.folder).exists()) return PathNotFound;
        if (QProcess::startDetached(request.file, QProcess::splitCommand(request.parameters), request.folder))
            return Accepted;
        return missingFileResult(request.file);
    }

    // A scheme of two letters or more makes a link; anything else is a path.
    const QUrl link(request.file);
    const bool isLink = link.isValid() && link.scheme().size() > 1;
    const QUrl url = isLink ? link : QUrl::fromLocalFile(QFileInfo(request.file).absoluteFilePath());
    if (!isLink && !QFileInfo::exists(request.file)) return missingFileResult(request.file);
    return QDesktopServices::openUrl(url) ? Accepted : NoAssociation;
}

bool DesktopLauncher::open(
    const QString& file, int32_t show, const QString& parameters, const QString& folder, const QString& verb, int32_t)
{
    if (file.toUpper().contains(QStringLiteral(".EXE"))) show = 0;
    Request request { verb, file, parameters, folder, show };
    if (parameters.isEmpty() && folder.isEmpty()) {
        request.parameters.clear();
        request.folder.clear();
        request.show = 1;
    }

    const int32_t result = currentOpener() ? currentOpener()(request) : desktopOpen(request);
    if (result > 32 || result < 0) return true;
    MessageBox::show(failureText(result));
    return false;
}

QString DesktopLauncher::failureText(int32_t shellResult)
{
    // Codes without a number of their own are counted from this base.
    constexpr int32_t Base = -2147220456;
    int32_t code = Base + shellResult;
    QString message = tr("An error occurred whilst trying to open or print the selected file.");
    switch (shellResult) {
    case 0:
    case 8:
        code = 7;
        message = tr("Out of memory");
        break;
    case 2:
        code = 53;
        message = tr("File not found");
        break;
    case 3:
        code = 76;
        message = tr("Path not found");
        break;
    case 5:
        code = 75;
        message = tr("Path/file access error");
        break;
    case 11:
        message = tr("The executable file is invalid or corrupt");
        break;
    case 26:
        code = 75;
        message = tr("A sharing violation occurred.");
        break;
    case 27:
        message = tr("This file type does not have a valid file association.");
        break;
    case 28:
        code = 286;
        message = tr("The file could not be opened due to time out.  Please try again in a moment.");
        break;
    case 29:
        code = 285;
        message = tr("The file could not be opened because the DDE transaction failed.  Please try again in a moment.");
        break;
    case 30:
        code = 285;
        message
            = tr("The file could not be opened because the target application is busy.  Please try again in a moment.");
        break;
    case 31:
        message = tr("No application is associated with this file type.");
        break;
    case 32:
        code = 48;
        message = tr("The specified dynamic-link library was not found.");
        break;
    default:
        break;
    }
    return tr("Error %1\r\n%2").arg(code).arg(message);
}

DesktopLauncher::Opener DesktopLauncher::setOpener(Opener opener)
{
    return std::exchange(currentOpener(), std::move(opener));
}
