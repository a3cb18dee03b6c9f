#include "platform/AtomicFile.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t modeOf(const QString& path)
{
    struct stat info { };
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

} // namespace

TEST(AtomicFileTest, ReplacesAFileWholeAndHandsOnWhatItKeeps)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.ini");
    const mode_t mask = ::umask(027);
    EXPECT_EQ(AtomicFile::write(path, "new", AtomicFile::Keep::Permissions), 0);
    ::umask(mask);
    EXPECT_EQ(readFile(path), "new");
    EXPECT_EQ(modeOf(path), 0640u) << "a new file gets what the umask leaves of 0666";

    const timespec past[2] = { { 1'000'000'000, 0 }, { 1'100'000'000, 0 } };
    for (AtomicFile::Keep keep : { AtomicFile::Keep::Permissions, AtomicFile::Keep::TimesAndPermissions }) {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0604), 0);
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), past, 0), 0);
        ASSERT_EQ(AtomicFile::write(path, "replaced", keep), 0);
        EXPECT_EQ(readFile(path), "replaced");
        EXPECT_EQ(modeOf(path), 0604u);
        struct stat info { };
        ::stat(QFile::encodeName(path).constData(), &info);
        EXPECT_EQ(info.st_mtim.tv_sec == past[1].tv_sec, keep == AtomicFile::Keep::TimesAndPermissions);
    }
    EXPECT_EQ(entries(dir.path()), QStringList { "config.ini" });
}

TEST(AtomicFileTest, AFailedWriteLeavesTheTargetAndNoTemporary)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg");
    ASSERT_TRUE(writeFile(path, "precious"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));

    // Paths that cannot be written are the JPEG writer test's; a folder is
    // never replaced.
    EXPECT_EQ(AtomicFile::write(dir.filePath("folder"), "x", AtomicFile::Keep::Permissions), EISDIR);

    // A full disk, or here the file-size limit: the write fails part-way
    // (the process ignores SIGXFSZ, so it is not killed) and is undone.
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit { 4096, 4096 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(AtomicFile::write(path, QByteArray(100'000, 'j'), AtomicFile::Keep::TimesAndPermissions));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), EFBIG);

    EXPECT_EQ(readFile(path), "precious");
    EXPECT_EQ(entries(dir.path()), (QStringList { "folder", "photo.jpg" }));
}

TEST(AtomicFileTest, TheNextWriteRemovesOnlyTheTemporariesOfDeadWriters)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg");
    ASSERT_TRUE(writeFile(path, "precious"));
    // A writer killed in mid-save leaves its temporary unlocked (the batch
    // plan's test kills one). A writer at work holds the lock of its
    // temporary; locks belong to open files, so one held here stands for
    // another process's.
    const QString dead = dir.filePath(".photo.jpg.quillon-Ab12Cd");
    const QString live = dir.filePath(".other.jpg.quillon-Ab12Cd");
    ASSERT_TRUE(writeFile(dead, "half") && writeFile(live, "half"));
    QFile liveFile(live);
    ASSERT_TRUE(liveFile.open(QIODevice::ReadOnly));
    ASSERT_EQ(::flock(liveFile.handle(), LOCK_EX | LOCK_NB), 0);

    // Names that are not quite a temporary's, and a temporary's name that
    // is no regular file, or lies in another folder.
    for (const char* name : { ".photo.jpg.Ab12Cd", ".a.quillon-Ab12C", ".a.quillon-Ab12Cde", "a.quillon-Ab12Cd",
             "..quillon-Ab12Cd", ".a.quillon-Ab_2Cd", ".a.quillon-Ab12Cd~" })
        ASSERT_TRUE(writeFile(dir.filePath(name), "keep"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(".folder.quillon-Ab12Cd"));
    ASSERT_TRUE(QFile::link(path, dir.filePath(".link.quillon-Ab12Cd")));
    ASSERT_TRUE(writeFile(dir.filePath("sub/.deep.jpg.quillon-Ab12Cd"), "elsewhere"));

    QStringList expected = entries(dir.path());
    ASSERT_EQ(AtomicFile::write(dir.filePath("next.jpg"), "next", AtomicFile::Keep::TimesAndPermissions), 0);
    expected.removeOne(QFileInfo(dead).fileName());
    expected << "next.jpg";
    expected.sort();
    EXPECT_EQ(entries(dir.path()), expected);
    EXPECT_EQ(readFile(path), "precious");
    EXPECT_EQ(readFile(live), "half");
    EXPECT_TRUE(QFile::exists(dir.filePath("sub/.deep.jpg.quillon-Ab12Cd")));
}
