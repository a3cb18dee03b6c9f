#include "ui/DriveList.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStorageInfo>

#include <algorithm>

namespace {

// Kernel and service file systems that hold no user files.
bool isPseudoFileSystem(const QByteArray& type)
{
    static const QSet<QByteArray> pseudo = { "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs",
        "pstore", "debugfs", "tracefs", "mqueue", "hugetlbfs", "fusectl", "configfs", "bpf", "autofs", "binfmt_misc",
        "rpc_pipefs", "nsfs", "efivarfs", "ramfs", "squashfs", "fuse.gvfsd-fuse", "fuse.portal" };
    return pseudo.contains(type);
}

// Places the system keeps for itself, even when a real file system is
// mounted there.
bool isSystemPlace(const QString& root)
{
    for (const char* prefix : { "/proc", "/sys", "/dev", "/run", "/snap", "/boot/efi" }) {
        const QString p = QLatin1String(prefix);
        if (root == p || root.startsWith(p + QLatin1Char('/'))) return true;
    }
    return false;
}

} // namespace

DriveList::DriveList(QWidget* parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, [this](int) {
        if (!m_quiet) emit valueChanged();
    });
}

QStringList DriveList::mountedDrives()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || isPseudoFileSystem(volume.fileSystemType()) || isSystemPlace(root)) continue;
        // Containers bind single files (/etc/hosts) as mounts.
        if (!QFileInfo(root).isDir() || roots.contains(root)) continue;
        roots << root;
    }
    std::sort(roots.begin(), roots.end(), [](const QString& a, const QString& b) {
        if (a == QLatin1String("/") || b == QLatin1String("/"))
            return a == QLatin1String("/") && b != QLatin1String("/");
        return a < b;
    });
    return roots;
}

QStringList DriveList::userPlaces()
{
    QStringList places;
    for (const auto location : { QStandardPaths::HomeLocation, QStandardPaths::PicturesLocation }) {
        const QString folder = QDir::cleanPath(QStandardPaths::writableLocation(location));
        if (!folder.isEmpty() && QFileInfo(folder).isDir() && !places.contains(folder)) places << folder;
    }
    return places;
}

QStringList DriveList::places()
{
    QStringList all = userPlaces();
    for (const QString& drive : mountedDrives())
        if (!all.contains(drive)) all << drive;
    return all;
}

QString DriveList::driveOf(const QString& path, const QStringList& drives)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString best;
    for (const QString& drive : drives) {
        const bool holds = clean == drive || drive == QLatin1String("/")
            || clean.startsWith(drive.endsWith(QLatin1Char('/')) ? drive : drive + QLatin1Char('/'));
        if (holds && drive.size() > best.size()) best = drive;
    }
    return best;
}

void DriveList::setDrives(const QStringList& drives)
{
    const QString chosen = drive();
    m_quiet = true;
    clear();
    const QString home = QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
    const QString pictures = QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    for (const QString& root : drives) {
        if (root == home || root == pictures) {
            addItem(root == home ? tr("Home") : tr("Pictures"), root);
            setItemData(count() - 1, QDir::toNativeSeparators(root), Qt::ToolTipRole);
            continue;
        }
        const QString name = QStorageInfo(root).name();
        addItem(name.isEmpty() ? root : QStringLiteral("%1 [%2]").arg(root, name), root);
    }
    const int at = findData(chosen);
    setCurrentIndex(at >= 0 ? at : (count() > 0 ? 0 : -1));
    m_quiet = false;
}

QStringList DriveList::drives() const
{
    QStringList result;
    for (int i = 0; i < count(); ++i)
        result << itemData(i).toString();
    return result;
}

QString DriveList::drive() const
{
    return currentData().toString();
}

bool DriveList::setDrive(const QString& drive)
{
    const int at = findData(drive);
    if (at < 0) return false;
    setCurrentIndex(at);
    return true;
}

void DriveList::showDriveOf(const QString& path)
{
    const int at = findData(driveOf(path, drives()));
    if (at < 0) return;
    m_quiet = true;
    setCurrentIndex(at);
    m_quiet = false;
}
