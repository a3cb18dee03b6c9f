#include "platform/ExifReader.h"
#include "platform/OutputMark.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFont>
#include <QFontInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun run(const QStringList& args, const QString& program = QStringLiteral(QUILLON_CLI),
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    process.waitForFinished(120'000);
    return { process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
        QString::fromLocal8Bit(process.readAllStandardError()) };
}

// A command with a settings file that does not exist: every default.
CliRun cli(QStringList args)
{
    return run(args << "--config"
                    << "/nonexistent/quillon-test/config.ini");
}

// Copies of quillon-cli laid out as a user would find them, run with a home
// folder of their own (so their user folders are <home>/.config and
// <home>/Pictures), as the user nobody when the tests run as root.
class CopiedCliTest : public ::testing::Test {
protected:
    static constexpr uid_t Nobody = 65534;
    QTemporaryDir dir;
    QString home = dir.filePath(QStringLiteral("home"));
    QString userSettings = home + QStringLiteral("/.config/quillon/config.ini");
    bool asNobody = ::geteuid() == 0;

    void SetUp() override
    {
        if (asNobody && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            GTEST_SKIP() << "running as root without setpriv: there is no other user to run the copies as";
        // Every user may pass through, as through /usr or /opt.
        QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther | QFile::ReadOther);
        ASSERT_TRUE(QDir().mkpath(home));
    }

    // Copies quillon-cli into folder (made when missing) and returns the copy.
    QString copyTo(const QString& folder)
    {
        QDir().mkpath(folder);
        const QString copy = folder + QStringLiteral("/quillon-cli");
        EXPECT_TRUE(QFile::copy(QStringLiteral(QUILLON_CLI), copy));
        return copy;
    }

    // The files below home become the running user's.
    void handHomeOver()
    {
        if (!asNobody) return;
        ::chown(QFile::encodeName(home).constData(), Nobody, Nobody);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(QFile::encodeName(home).toStdString()))
            ::chown(entry.path().c_str(), Nobody, Nobody);
    }

    CliRun runCopy(const QString& copy, const QStringList& args)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR" })
            environment.remove(QLatin1String(name));
        environment.insert(QStringLiteral("HOME"), home);
        if (!asNobody) return run(args, copy, environment);
        return run(QStringList { QStringLiteral("--reuid=%1").arg(Nobody), QStringLiteral("--regid=%1").arg(Nobody),
                       QStringLiteral("--clear-groups"), copy }
                + args,
            QStringLiteral("setpriv"), environment);
    }
};
// The sample photos of some folders, copied below root under their
// folders' names; the number copied.
int copyPhotos(const QString& root, const QStringList& folders)
{
    int photos = 0;
    for (const QString& folder : folders) {
        QDirIterator it(testPhoto(folder), QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            photos += writeFile(QDir(root).filePath(folder + '/' + QFileInfo(path).fileName()), readFile(path));
        }
    }
    return photos;
}

// Every output JPEG below target's Images folder, by its path from there.
QStringList outputsOf(const QString& target)
{
    QStringList outputs;
    QDirIterator it(QDir(target).filePath("Images"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        outputs << QDir(QDir(target).filePath("Images")).relativeFilePath(it.next());
    outputs.sort();
    return outputs;
}

// Where the stamp was printed: the pixels whose brightness differs from
// the same output made without a date, in either of two outputs stamped in
// black and in white (black ink does not show on black). Outputs of the best
// quality keep the brightness of every pixel within a step or two; the
// colours are shared by blocks of 2 x 2 pixels and would blur the box.
QRect stampBox(const QStringList& stamped, const QString& plain)
{
    const QImage b = QImage(plain).convertToFormat(QImage::Format_RGB32);
    QRect box;
    for (const QString& path : stamped) {
        const QImage a = QImage(path).convertToFormat(QImage::Format_RGB32);
        if (a.size() != b.size()) return QRect();
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 24) box |= QRect(x, y, 1, 1);
    }
    return box;
}

} // namespace

TEST(CliTest, DatePrintsWhenEachCameraPhotoWasTaken)
{
    const struct {
        const char* photo;
        const char* date;
    } cases[] = {
        { "32-lens_data.jpeg", "2012-07-14 16:30:12" },
        { "Canon_40D.jpg", "2008-05-30 15:56:01" }, // DateTime holds a later edit
        { "Canon_PowerShot_S40.jpg", "2003-12-14 12:01:44" },
        { "DSCN0010.jpg", "2008-10-22 16:28:39" },
        { "Fujifilm_FinePix_E500.jpg", "2006-08-17 09:24:48" },
        { "Nikon_D70.jpg", "2008-03-15 09:52:01" },
        { "PaintTool_sample.jpg", "" },
        { "Reconyx_HC500_Hyperfire.jpg", "2020-03-16 10:00:00" },
        { "canon-ixus.jpg", "2001-06-09 15:17:32" },
        { "kodak-dc210.jpg", "2000-10-26 16:46:51" },
        { "nikon-e950.jpg", "2001-04-06 11:51:40" },
        { "no_exif.jpg", "2014-09-22 10:56:35" }, // only a DateTime, from an editor
        { "sony-d700.jpg", "1998-12-01 14:22:36" },
    };
    for (const auto& c : cases) {
        const CliRun run
            = cli({ "date", testPhoto(QStringLiteral("cameras/") + c.photo), "--format", "YYYY-MM-DD HH:MM:SS" });
        EXPECT_EQ(run.exitCode, 0) << c.photo;
        EXPECT_EQ(run.out, QString::fromLatin1(c.date) + '\n') << c.photo;
    }
    EXPECT_EQ(cli({ "date", testPhoto("cameras/Canon_40D.jpg") }).out, "30/05/2008 15:56\n"); // the default format
    EXPECT_TRUE(cli({ "exif", testPhoto("cameras/Canon_40D.jpg") }).out.contains("Model: Canon EOS 40D\r\n"));
}

TEST(CliTest, HelpAndVersionGoToStandardOutput)
{
    const QString batchUsage = "Usage: quillon-cli batch FOLDER [--target DIR] [--filter TYPE]\n"
                               "                         [--effect NAME[,NAME...]] [--no-date]\n"
                               "                         [--stamp-height PCT] [--anchor PLACE] [--margin PCT]\n"
                               "                         [--shift (+|-)HH:MM]\n"
                               "                         [--fallback-date none|name|file|name,file] [--jobs N]\n"
                               "                         [--recursive] [--skip-existing] [--overwrite]\n"
                               "                         [--shard K/N] [--verbose] [--quiet] [--config FILE]\n";
    const struct {
        QStringList args;
        QString start;
    } cases[] = {
        { { "--help" }, "Usage: quillon-cli COMMAND ARGUMENT [OPTIONS]\n" },
        { { "-h" }, "Usage: quillon-cli COMMAND ARGUMENT [OPTIONS]\n" },
        { { "help" }, "Usage: quillon-cli COMMAND ARGUMENT [OPTIONS]\n" }, { { "help", "batch" }, batchUsage },
        { { "batch", "--help" }, batchUsage }, { { "--help", "batch" }, batchUsage },
        { { "exif", "-h" }, "Usage: quillon-cli exif PHOTO [--config FILE]\n" },
        { { "help", "date" },
            "Usage: quillon-cli date PHOTO [--format FMT] [--shift (+|-)HH:MM]\n"
            "                        [--fallback-date none|name|file|name,file]\n"
            "                        [--config FILE]\n" }, // wrapped at 79 columns
    };
    for (const auto& c : cases) {
        const CliRun r = run(c.args);
        const std::string trace = c.args.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, 0) << trace;
        EXPECT_TRUE(r.out.startsWith(c.start)) << trace << "\n" << r.out.toStdString();
        EXPECT_EQ(r.err, "") << trace;
    }
    const CliRun version = run({ "--version" });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "quillon-cli " QUILLON_VERSION "\n");
    // Every command is listed with its argument.
    const QString help = run({ "help" }).out;
    for (const char* command : { "\n  batch FOLDER ", "\n  exif PHOTO ", "\n  date PHOTO " })
        EXPECT_TRUE(help.contains(command)) << command;
}

TEST(CliTest, BadArgumentsAreNamedWithAPointerToHelp)
{
    const struct {
        QStringList args;
        const char* named;
    } cases[] = {
        { {}, "a command is needed" },
        { { "resize", "x.jpg" }, "unknown command \"resize\"" },
        { { "--bogus" }, "unknown option \"--bogus\"" },
        { { "batch", "/tmp", "--bogus" }, "unknown option \"--bogus\"" },
        { { "date", "x.jpg", "--target", "/tmp" }, "unknown option \"--target\"" }, // another command's
        { { "batch", "/tmp", "--filter", "9" }, "--filter takes a filter type from 1 to 8" },
        { { "batch", "/tmp", "--target" }, "--target" }, // no value
        { { "batch", "/tmp", "--effect", "grey,blur" }, "\"blur\" is no effect: --effect takes grey, sepia, grain" },
        { { "batch", "/tmp", "--effect", "grey," }, "\"\" is no effect" },
        { { "batch", "/tmp", "--jobs", "0" }, "--jobs takes a number of photos from 1 to 64" },
        { { "batch", "/tmp", "--jobs", "two" }, "--jobs takes a number of photos from 1 to 64" },
        { { "batch", "/tmp", "--shard", "4/3" }, "--shard takes K/N with 1 <= K <= N" },
        { { "batch", "/tmp", "--shard", "0/3" }, "--shard takes K/N with 1 <= K <= N" },
        { { "batch", "/tmp", "--shard", "2" }, "--shard takes K/N with 1 <= K <= N" },
        { { "batch", "/tmp", "--verbose", "--quiet" }, "--verbose and --quiet exclude each other" },
        { { "batch", "/nonexistent/folder" }, "\"/nonexistent/folder\" is not a folder" },
        { { "batch", "/tmp", "--stamp-height", "4,5" }, "--stamp-height takes a percentage from 0.5 to 25" },
        { { "batch", "/tmp", "--anchor", "middle" }, "--anchor takes one of top-left, top, top-right, left" },
        { { "date", "x.jpg", "--shift", "+1:75" }, "--shift takes +HH:MM or -HH:MM" },
        { { "batch", "/tmp", "--fallback-date", "exif" }, "--fallback-date takes none, name, file or name,file" },
        { { "date", "x.jpg", "--fallback-date", "file,name" }, "--fallback-date takes none, name, file or name," },
        { { "date" }, "date needs a PHOTO" },
        { { "date", "a.jpg", "b.jpg" }, "unexpected argument \"b.jpg\"" },
        { { "help", "resize" }, "no help for \"resize\"" },
    };
    for (const auto& c : cases) {
        const CliRun r = run(c.args);
        const std::string trace = c.args.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, 2) << trace;
        EXPECT_TRUE(r.err.startsWith("quillon-cli: ")) << trace << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.named)) << trace << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("\nUsage: quillon-cli ")) << trace;
        EXPECT_TRUE(r.err.contains("--help")) << trace;
        EXPECT_EQ(r.out, "") << trace;
    }

    // A value may begin with a dash.
    EXPECT_EQ(cli({ "date", testPhoto("cameras/Canon_40D.jpg"), "--format", "-YYYY-" }).out, "-2008-\n");
    // A photo that is not there is a photo that failed, not a bad argument.
    const CliRun missing = cli({ "date", "/nonexistent/photo.jpg" });
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "quillon-cli: \"/nonexistent/photo.jpg\" is not a file\n");
}

TEST(CliTest, BatchWritesEveryOutputAndReportsBrokenFiles)
{
    QTemporaryDir source, target;
    QDirIterator it(testPhoto(QString()), QDir::Files, QDirIterator::Subdirectories);
    int photos = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        ASSERT_TRUE(writeFile(source.filePath(QDir(testPhoto(QString())).relativeFilePath(path)), readFile(path)));
        ++photos;
    }
    ASSERT_TRUE(writeFile(source.filePath("broken/empty.JPG"), QByteArray()));

    const CliRun r = cli({ "batch", source.path(), "--target", target.path(), "--filter", "5" });
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    // Standard output: a line as each photo starts, then the summary.
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), photos + 2) << r.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("[1/%1] ").arg(photos + 1))) << lines[0].toStdString();
    EXPECT_EQ(lines.last(), QStringLiteral("%1 of %2 photos treated, 1 failed.").arg(photos).arg(photos + 1));
    // Standard error: the failure with its reason, and the warning about a
    // damaged photo that still gave an output.
    EXPECT_TRUE(r.err.contains("empty.JPG: Cannot open the picture")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("corrupted.jpg\" is damaged")) << r.err.toStdString();

    EXPECT_TRUE(QFile::exists(target.filePath("Images/cameras/32-lens_data.jpeg")));
    EXPECT_FALSE(QFile::exists(target.filePath("Images/broken/empty.JPG")));
}

namespace {

// The photo paths of the "[n/N] PATH" lines, in their order.
QStringList photoLines(const QString& out)
{
    QStringList paths;
    static const QRegularExpression line(QStringLiteral("^\\[\\d+/\\d+\\] (.*)$"));
    for (const QString& text : out.split('\n')) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch()) paths << match.captured(1);
    }
    return paths;
}

} // namespace

TEST(CliTest, JobsShardsAndResumingGiveOneSetOfOutputs)
{
    // A tree three folders deep.
    QTemporaryDir source, target;
    const struct {
        const char* path;
        const char* photo;
    } photos[] = {
        { "2019/a.jpg", "cameras/Canon_40D.jpg" },
        { "2019/spring/b.jpg", "cameras/Fujifilm_FinePix_E500.jpg" },
        { "2019/spring/day 1/c.jpg", "cameras/Nikon_D70.jpg" },
        { "2019/spring/day 1/d.JPG", "orientation/landscape_6.jpg" },
        { "2020/e.jpg", "cameras/PaintTool_sample.jpg" },
        { "2020/f.jpeg", "orientation/portrait_6.jpg" },
    };
    QStringList all;
    for (const auto& p : photos) {
        ASSERT_TRUE(writeFile(source.filePath(p.path), readFile(testPhoto(p.photo))));
        all << source.filePath(p.path);
    }
    const auto batch = [&](const QString& into, QStringList more) {
        return cli(
            QStringList { "batch", source.path(), "--target", target.filePath(into), "--recursive", "--filter", "5" }
            << more);
    };

    const CliRun one = batch("one", { "--jobs", "1" });
    EXPECT_EQ(one.exitCode, 0) << one.err.toStdString();
    EXPECT_EQ(photoLines(one.out), all);
    EXPECT_TRUE(one.out.startsWith("[1/6] " + all[0] + "\n"));
    EXPECT_TRUE(one.out.endsWith("\n6 of 6 photos treated.\n"));
    const std::map<QString, QByteArray> expected = filesBelow(target.filePath("one"));
    for (const auto& p : photos)
        for (const char* kind : { "Images/", "Miniatures/" })
            EXPECT_EQ(expected.count(QLatin1String(kind) + QLatin1String(p.path)), 1u) << kind << p.path;
    EXPECT_EQ(expected.size(), 12u);

    // Three shards, each its own run: disjoint, and together the batch.
    QStringList together;
    std::map<QString, QStringList> shards;
    for (const char* shard : { "2/3", "3/3", "1/3" }) {
        const CliRun run = batch("shards", { "--shard", shard });
        const QStringList lines = photoLines(run.out);
        EXPECT_EQ(run.exitCode, 0) << shard;
        EXPECT_TRUE(run.out.endsWith(QStringLiteral("%1 of %1 photos treated.\n").arg(lines.size())))
            << shard << run.out.toStdString();
        for (const QString& path : lines)
            EXPECT_FALSE(together.contains(path)) << shard << path.toStdString();
        together << lines;
        shards[shard] = lines;
    }
    together.sort();
    QStringList sorted = all;
    sorted.sort();
    EXPECT_EQ(together, sorted);
    EXPECT_TRUE(filesBelow(target.filePath("shards")) == expected);

    // Run again with --skip-existing: nothing is left to do.
    const CliRun again = batch("shards", { "--skip-existing", "--quiet" });
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, "0 of 6 photos treated, 6 skipped.\n");
    // A shard is the same photos in every run.
    const CliRun listed = batch("shards", { "--skip-existing", "--verbose", "--shard", "2/3" });
    QString expectedLines;
    const QStringList& second = shards["2/3"];
    for (qsizetype i = 0; i < second.size(); ++i)
        expectedLines += QStringLiteral("[%1/%2] %3 (skipped)\n").arg(i + 1).arg(second.size()).arg(second[i]);
    EXPECT_EQ(listed.out, expectedLines + QStringLiteral("0 of %1 photos treated, %1 skipped.\n").arg(second.size()));
}

TEST(CliTest, ABatchOverItsOwnOutputsRefusesEachPhotoAndKeepsItWhole)
{
    QTemporaryDir source, target;
    for (const char* name : { "trip/a.jpg", "trip/b.jpg" })
        ASSERT_TRUE(writeFile(source.filePath(name), readFile(testPhoto("cameras/Canon_40D.jpg"))));
    ASSERT_EQ(cli({ "batch", source.filePath("trip"), "--target", target.path() }).exitCode, 0);
    const std::map<QString, QByteArray> before = filesBelow(target.path());

    // The earlier output folder, and the Images folder above it, with the
    // same target; the second by a path through "..".
    for (const QString& folder : { target.filePath("Images/trip"), target.filePath("Miniatures/../Images") }) {
        const CliRun run = cli({ "batch", folder, "--target", target.path() });
        EXPECT_EQ(run.exitCode, 1) << folder.toStdString();
        EXPECT_TRUE(run.out.endsWith("\n0 of 2 photos treated, 2 failed.\n")) << run.out.toStdString();
        for (const char* name : { "a.jpg", "b.jpg" })
            EXPECT_TRUE(
                run.err.contains(QStringLiteral("/trip/%1: The output would replace the photo itself\n").arg(name)))
                << run.err.toStdString();
        EXPECT_TRUE(filesBelow(target.path()) == before) << folder.toStdString();
    }
}

TEST(CliTest, OnATerminalOneLineOfProgressStandsForThePhotoLines)
{
    QTemporaryDir source, target;
    for (const char* name : { "trip/a.jpg", "trip/b.jpg", "trip/broken.jpg" })
        ASSERT_TRUE(writeFile(source.filePath(name),
            qstrcmp(name, "trip/broken.jpg") == 0 ? QByteArray("no photo")
                                                  : readFile(testPhoto("cameras/Canon_40D.jpg"))));
    // Piped: a line per photo, and with --quiet only the failure and the
    // summary.
    const CliRun piped = cli({ "batch", source.filePath("trip"), "--target", target.path() });
    EXPECT_EQ(photoLines(piped.out).size(), 3);
    const CliRun quiet = cli({ "batch", source.filePath("trip"), "--target", target.path(), "--quiet" });
    EXPECT_EQ(quiet.out, "2 of 3 photos treated, 1 failed.\n");
    EXPECT_TRUE(quiet.err.startsWith("quillon-cli: " + source.filePath("trip/broken.jpg") + ": "));
    EXPECT_EQ(quiet.err.count('\n'), 1);

    // On a terminal (script gives the program one): the progress line is
    // rewritten in place and cleared before the failure and the summary.
    if (QStandardPaths::findExecutable("script").isEmpty()) GTEST_SKIP() << "no script(1) to make a terminal";
    QProcess terminal;
    terminal.start("script",
        { "-qec",
            QStringLiteral("%1 batch %2 --target %3 --config /nonexistent/config.ini")
                .arg(QStringLiteral(QUILLON_CLI), source.filePath("trip"), target.path()),
            "/dev/null" });
    ASSERT_TRUE(terminal.waitForFinished(120'000));
    const QString shown = QString::fromLocal8Bit(terminal.readAllStandardOutput());
    EXPECT_TRUE(shown.startsWith("\r[0/3]\033[K")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("\r[3/3] ")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(" photos/s, 0:00 left\033[K")) << shown.toStdString();
    EXPECT_TRUE(photoLines(shown).isEmpty()) << shown.toStdString();
    EXPECT_TRUE(shown.contains("\r\033[Kquillon-cli: " + source.filePath("trip/broken.jpg"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("2 of 3 photos treated, 1 failed.\r\n")) << shown.toStdString();
}

TEST(CliTest, BatchOutputsKeepTheirBytes)
{
    // Digests of what the batch writes today for photos of every stored
    // orientation, a truncated one and one whose rows carry padding, at half
    // and at full scale. A change here means the printed pixels or the
    // records carried changed: only a change meant to do that may refresh
    // these values.
    const struct {
        const char* scale;
        const char* photo;
        const char* md5; // of the output followed by its thumbnail
    } cases[] = {
        { "0,5", "orientation/landscape_1.jpg", "26849872bdf74dc408feb9388bd3d5c8" },
        { "0,5", "orientation/landscape_3.jpg", "ffc6b3ab4d9332a4ad2e19f53c5eec61" },
        { "0,5", "orientation/landscape_6.jpg", "1cb6f34c9ddac3db8ae1e522d1fcc595" },
        { "0,5", "orientation/landscape_8.jpg", "f97141ce02965f34db5bfa1140267218" },
        { "0,5", "orientation/portrait_6.jpg", "6de077cbcc8af1fdd7b095622901eb19" },
        { "0,5", "broken/corrupted.jpg", "365ddab4c290dc8186b3b3d9dca7de0a" },
        { "0,5", "cameras/Fujifilm_FinePix_E500.jpg", "24736d7e9eeca5f5abc3c74bfcecd463" },
        { "1", "orientation/landscape_3.jpg", "739dc6ae9726a85b32244b5eb9528632" },
        { "1", "orientation/landscape_6.jpg", "d6077b790302aa6554c8868162d69a1b" },
        { "1", "orientation/landscape_8.jpg", "b5da85f12a994af722db087aa4c7a673" },
        { "1", "orientation/portrait_6.jpg", "42314387656e1c2ebcd663336c0a9728" },
        { "1", "broken/corrupted.jpg", "2243813a2fe3f2289fc60129766a8bee" },
    };
    // One photo at a time, and several at once with the same buffers going
    // from photo to photo.
    for (const char* jobs : { "1", "3" }) {
        for (const char* scale : { "0,5", "1" }) {
            QTemporaryDir source, target;
            for (const auto& c : cases) {
                if (qstrcmp(c.scale, scale) == 0) {
                    ASSERT_TRUE(writeFile(source.filePath(c.photo), readFile(testPhoto(c.photo))));
                }
            }
            // The stamp is left out: its pixels depend on the fonts installed.
            const QString config = source.filePath("config.ini");
            ASSERT_TRUE(writeFile(config, QByteArray("[COEF]\npreview=") + scale + "\n"));
            QProcess process;
            process.start(QStringLiteral(QUILLON_CLI),
                { "batch", source.path(), "--target", target.path(), "--filter", "5", "--no-date", "--config", config,
                    "--jobs", jobs });
            ASSERT_TRUE(process.waitForFinished(120'000));
            for (const auto& c : cases) {
                if (qstrcmp(c.scale, scale) != 0) continue;
                const QByteArray bytes = readFile(target.filePath(QStringLiteral("Images/") + c.photo))
                    + readFile(target.filePath(QStringLiteral("Miniatures/") + c.photo));
                EXPECT_EQ(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toStdString(), c.md5)
                    << "scale " << scale << ", " << c.photo << ", jobs " << jobs;
            }
        }
    }
}

TEST(CliTest, StampedBatchOutputsKeepTheirBytes)
{
    // The same pin with the stamp at every default: twelve dated photos and
    // one without a date (PaintTool_sample.jpg, saved unstamped). The
    // stamp's pixels depend on the font drawn, so the default font must be
    // the one these values were taken with.
    const QString family = QFontInfo(QFont(QStringLiteral("Arial"))).family();
    ASSERT_EQ(family, QStringLiteral("Liberation Sans")) << "the stamp's font is drawn with " << family.toStdString()
                                                         << ": install fonts-liberation2 (scripts/ensure-deps.sh)";
    const struct {
        const char* photo;
        const char* md5; // of the output followed by its thumbnail
    } cases[] = {
        { "32-lens_data.jpeg", "312630aed3df3aa11fd896e3c7ebcbf6" },
        { "Canon_40D.jpg", "6ad8b8e455e1d783197534c941390279" },
        { "Canon_PowerShot_S40.jpg", "bb9caaa728b41e0cf88888857c84a500" },
        { "DSCN0010.jpg", "7b39dc5c33db7b51ce40469a13511ee4" },
        { "Fujifilm_FinePix_E500.jpg", "0f91d5c1c3e910593bc401ad5418999d" },
        { "Nikon_D70.jpg", "37a7e871f629dfae436540aa5a09d52a" },
        { "PaintTool_sample.jpg", "ba7c248d3357fe29a15924161816a635" },
        { "Reconyx_HC500_Hyperfire.jpg", "707a8ca402b4bbf3324917a0ef4640f5" },
        { "canon-ixus.jpg", "81b9eb5b19c3a1fe4e5204974aae9936" },
        { "kodak-dc210.jpg", "c493f59bfd86b4a700446eb2120b62cd" },
        { "nikon-e950.jpg", "9744da0c1f429e447abf22ab9dce9188" },
        { "no_exif.jpg", "e45f27f546e0b9577dd4728a42f184df" },
        { "sony-d700.jpg", "55820a2dd9117895886ba3de327222c9" },
    };
    QTemporaryDir source;
    ASSERT_EQ(copyPhotos(source.path(), { "cameras" }), int(std::size(cases)));
    for (const char* jobs : { "1", "3" }) {
        QTemporaryDir target;
        const CliRun batch = cli({ "batch", source.path(), "--target", target.path(), "--jobs", jobs });
        ASSERT_EQ(batch.exitCode, 0) << batch.err.toStdString();
        for (const auto& c : cases) {
            const QString photo = QStringLiteral("cameras/") + c.photo;
            const QByteArray bytes = readFile(target.filePath(QStringLiteral("Images/") + photo))
                + readFile(target.filePath(QStringLiteral("Miniatures/") + photo));
            EXPECT_EQ(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toStdString(), c.md5)
                << c.photo << ", jobs " << jobs;
        }
    }
}

TEST_F(CopiedCliTest, AReadOnlyCopyReadsAndWritesInTheUsersFolders)
{
    const QString readOnly = dir.filePath(QStringLiteral("read-only"));
    const QString copy = copyTo(readOnly);
    ASSERT_TRUE(writeFile(readOnly + QStringLiteral("/config.ini"), "[DATE]\nformat=MM\n"));
    ASSERT_TRUE(writeFile(userSettings, "[DATE]\nformat=YYYY\n"));
    const QString source = dir.filePath(QStringLiteral("photos/trip"));
    ASSERT_TRUE(writeFile(source + QStringLiteral("/Canon_40D.jpg"), readFile(testPhoto("cameras/Canon_40D.jpg"))));
    handHomeOver();
    const QFileDevice::Permissions readAndEnter
        = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(readOnly, readAndEnter));
    // Writable again at the end, so that the temporary folder can go.
    const auto reopen = qScopeGuard([&] { QFile::setPermissions(readOnly, readAndEnter | QFile::WriteOwner); });

    const QString photo = source + QStringLiteral("/Canon_40D.jpg");
    const CliRun date = runCopy(copy, { "date", photo });
    EXPECT_EQ(date.out.toStdString(), "2008\n") << date.err.toStdString();
    // The batch target's default is below the user's pictures.
    const CliRun batch = runCopy(copy, { "batch", source });
    EXPECT_EQ(batch.exitCode, 0) << batch.err.toStdString();
    EXPECT_TRUE(QFile::exists(home + QStringLiteral("/Pictures/Quillon/Images/trip/Canon_40D.jpg")));
    EXPECT_TRUE(QFile::exists(home + QStringLiteral("/Pictures/Quillon/Miniatures/trip/Canon_40D.jpg")));

    // Before the window's first start the config.ini beside the copy counts,
    // and the tool does not copy it.
    ASSERT_TRUE(QFile::remove(userSettings));
    EXPECT_EQ(runCopy(copy, { "date", photo }).out.toStdString(), "05\n");
    EXPECT_FALSE(QFile::exists(userSettings));
    EXPECT_EQ(QDir(readOnly).entryList(QDir::Files | QDir::Hidden), QStringList({ "config.ini", "quillon-cli" }));
}

TEST(CliTest, AnchoredStampsLookAlikeInTheSameCornerOfEveryPhoto)
{
    QTemporaryDir source, black, white, plain;
    copyPhotos(source.path(), { "cameras" }); // the others have no date
    // Outputs at the photos' own sizes, from 59 x 100 to 2048 x 1536.
    const QByteArray outputs = "[COEF]\npreview=1\nJPG=100\n";
    const QString blackConfig = source.filePath("black.ini"), whiteConfig = source.filePath("white.ini");
    ASSERT_TRUE(writeFile(blackConfig, outputs + "[DATE]\ncolor01=0\ncolor02=0\n"));
    ASSERT_TRUE(writeFile(whiteConfig, outputs + "[DATE]\ncolor01=16777215\ncolor02=16777215\n"));
    const QStringList options = { "--stamp-height", "4", "--anchor", "bottom-right", "--margin", "2" };
    for (const auto& [target, config] : { std::pair { &black, blackConfig }, std::pair { &white, whiteConfig } }) {
        const CliRun r
            = run(QStringList { "batch", source.path(), "--target", target->path(), "--config", config } + options);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    run({ "batch", source.path(), "--target", plain.path(), "--config", blackConfig, "--no-date" });

    const QStringList photos = outputsOf(black.path());
    ASSERT_EQ(photos.size(), 13);
    double smallest = 1, largest = 0;
    for (const QString& photo : photos) {
        const QString output = "Images/" + photo;
        const QSize size = QImageReader(black.filePath(output)).size();
        const QRect box = stampBox({ black.filePath(output), white.filePath(output) }, plain.filePath(output));
        SCOPED_TRACE(photo.toStdString());
        if (photo.endsWith("PaintTool_sample.jpg")) { // no date
            EXPECT_TRUE(box.isEmpty());
            continue;
        }
        const int shorterSide = std::min(size.width(), size.height());
        ASSERT_FALSE(box.isEmpty());
        const int margin = qRound(shorterSide * 0.02);
        EXPECT_NEAR(box.right() + 1, size.width() - margin, 2);
        EXPECT_NEAR(box.bottom() + 1, size.height() - margin, 2);
        if (shorterSide >= 200) {
            smallest = std::min(smallest, double(box.height()) / shorterSide);
            largest = std::max(largest, double(box.height()) / shorterSide);
        }
    }
    EXPECT_LT(largest / smallest, 1.2);
}

TEST(CliTest, EffectsGiveEachPhotoItsLookTheSameWhateverTheJobs)
{
    QTemporaryDir source, plain, grey, grained, grainedAlone;
    copyPhotos(source.path(), { "orientation" });
    const QStringList common = { "--no-date", "--config", "/nonexistent/quillon-test/config.ini" };
    for (const auto& [target, extra] :
        { std::pair { &plain, QStringList {} }, { &grey, QStringList { "--effect", "grey" } },
            { &grained, QStringList { "--effect", "sepia,GRAIN", "--jobs", "8" } },
            { &grainedAlone, QStringList { "--effect", "sepia", "--effect", "grain", "--jobs", "1" } } }) {
        const CliRun r = run(QStringList { "batch", source.path(), "--target", target->path() } + common + extra);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    const QStringList photos = outputsOf(plain.path());
    ASSERT_FALSE(photos.isEmpty());
    for (const QString& photo : photos) {
        SCOPED_TRACE(photo.toStdString());
        const QString output = "Images/" + photo;
        // Grey pixels carry no colour through the JPEG: red, green and blue
        // stay within a rounding step of each other.
        const QImage greyImage = QImage(grey.filePath(output)).convertToFormat(QImage::Format_RGB32);
        const QImage plainImage = QImage(plain.filePath(output)).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(greyImage.size(), plainImage.size());
        int colourful = 0, plainColourful = 0;
        for (int y = 0; y < greyImage.height(); ++y)
            for (int x = 0; x < greyImage.width(); ++x) {
                const auto spread = [](QRgb p) {
                    return std::max({ qRed(p), qGreen(p), qBlue(p) }) - std::min({ qRed(p), qGreen(p), qBlue(p) });
                };
                colourful += spread(greyImage.pixel(x, y)) > 2;
                plainColourful += spread(plainImage.pixel(x, y)) > 2;
            }
        EXPECT_EQ(colourful, 0);
        EXPECT_GT(plainColourful, 0);
        // The grain is drawn from the photo alone: one job or eight, in one
        // option or two, the same bytes.
        EXPECT_EQ(readFile(grained.filePath(output)), readFile(grainedAlone.filePath(output)));
        EXPECT_NE(readFile(grained.filePath(output)), readFile(plain.filePath(output)));
    }

    // The stamp is printed after the effects: a red and yellow date stays
    // red and yellow on a grey photo.
    QTemporaryDir dated, stamped;
    ASSERT_TRUE(writeFile(dated.filePath("a/Canon_40D.jpg"), readFile(testPhoto("cameras/Canon_40D.jpg"))));
    const QString config = dated.filePath("colours.ini");
    ASSERT_TRUE(writeFile(config, "[COEF]\npreview=1\n[DATE]\ncolor01=255\ncolor02=65535\n"));
    const CliRun r = run({ "batch", dated.path(), "--target", stamped.path(), "--effect", "grey", "--config", config });
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage image = QImage(stamped.filePath("Images/a/Canon_40D.jpg")).convertToFormat(QImage::Format_RGB32);
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            red += qRed(image.pixel(x, y)) > qBlue(image.pixel(x, y)) + 100;
    EXPECT_GT(red, 20);
}

TEST(CliTest, ClockShiftMovesTheStampedDateAndTheOutputsOwnDates)
{
    const QString photo = testPhoto("cameras/Canon_40D.jpg");
    QProcessEnvironment cLocale = QProcessEnvironment::systemEnvironment();
    cLocale.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    const CliRun date = run({ "date", photo, "--shift", "+10:00", "--config", "/nonexistent/config.ini" },
        QStringLiteral(QUILLON_CLI), cLocale);
    EXPECT_EQ(date.out, "31/05/2008 01:56\n");
    EXPECT_EQ(
        cli({ "date", photo, "--shift", "-26:15", "--format", "YYYY-MM-DD HH:MM:SS" }).out, "2008-05-29 13:41:01\n");

    QTemporaryDir source, target;
    ASSERT_TRUE(writeFile(source.filePath("2008/IMG.jpg"), readFile(photo)));
    ASSERT_EQ(cli({ "batch", source.path(), "--target", target.path(), "--shift", "+10:00" }).exitCode, 0);
    const ExifRecord carried = ExifReader::read(target.filePath("Images/2008/IMG.jpg"));
    EXPECT_EQ(carried.text("DateTimeOriginal"), "2008:05:31 01:56:01");
    EXPECT_EQ(carried.text("DateTimeDigitized"), "2008:05:31 01:56:01");
}

TEST(CliTest, EveryDatedPhotoIsStampedAndEachStampMovedOrMissingIsSaid)
{
    QTemporaryDir source, stamped, plain, fallback;
    copyPhotos(source.path(), { "cameras" });
    // The stamp stored near the bottom-right corner of a 1024 x 768 preview.
    const QString config = source.filePath("config.ini");
    ASSERT_TRUE(writeFile(config, "[LABEL]\nleft=14250\ntop=11100\n"));
    const CliRun r = run({ "batch", source.path(), "--target", stamped.path(), "--config", config });
    EXPECT_EQ(r.exitCode, 0);
    run({ "batch", source.path(), "--target", plain.path(), "--config", config, "--no-date" });

    const QStringList outputs = outputsOf(stamped.path());
    ASSERT_EQ(outputs.size(), 13);
    for (const QString& output : outputs) {
        const QString path = QDir::toNativeSeparators(source.filePath(output));
        const bool same
            = readFile(stamped.filePath("Images/" + output)) == readFile(plain.filePath("Images/" + output));
        if (output.endsWith("PaintTool_sample.jpg")) { // no date
            EXPECT_TRUE(same);
            EXPECT_TRUE(r.err.contains(path + ": no date in the photo: saved without a stamp\n"))
                << r.err.toStdString();
        } else {
            EXPECT_FALSE(same) << output.toStdString();
            // Every output is smaller than that preview but the largest, whose
            // stamp sticks out of its right edge all the same.
            EXPECT_TRUE(r.err.contains(path + ": stamp moved inside the photo\n")) << output.toStdString();
        }
    }

    // An undated photo may take its file's time instead, and says so.
    const CliRun dated
        = run({ "batch", source.path(), "--target", fallback.path(), "--config", config, "--fallback-date", "file" });
    EXPECT_TRUE(dated.err.contains(QDir::toNativeSeparators(source.filePath("cameras/PaintTool_sample.jpg"))
        + ": date from the file's modification time\n"))
        << dated.err.toStdString();
    EXPECT_NE(readFile(fallback.filePath("Images/cameras/PaintTool_sample.jpg")),
        readFile(plain.filePath("Images/cameras/PaintTool_sample.jpg")));
}

TEST(CliTest, WhatABatchPassesOverIsNamedAndTheProgressCountsEveryPhoto)
{
    QTemporaryDir source, target;
    const QByteArray photo = readFile(testPhoto("cameras/Canon_40D.jpg"));
    // A photo that fails comes first; a name holds a line break.
    ASSERT_TRUE(writeFile(source.filePath("a/0broken.jpg"), "not a JPEG"));
    ASSERT_TRUE(writeFile(source.filePath("a/Canon_40D.jpg"), photo));
    ASSERT_TRUE(writeFile(source.filePath("a/line\nbreak.jpg"), photo));
    ASSERT_TRUE(writeFile(source.filePath("b/photo.jpg"), photo));
    ASSERT_EQ(::mkfifo(QFile::encodeName(source.filePath("a/pipe.jpg")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(source.filePath("a/nothing"), source.filePath("a/gone.jpg")));
    ASSERT_TRUE(QFile::link(source.filePath("a/loop.jpg"), source.filePath("a/loop.jpg")));
    // A link to a device among the sub-folders.
    ASSERT_TRUE(QFile::link("/dev/null", source.filePath("dev")));

    const CliRun r = cli({ "batch", source.path(), "--target", target.path(), "--jobs", "2" });
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QString a = QDir::toNativeSeparators(source.filePath("a/"));
    EXPECT_EQ(r.out.split('\n'),
        QStringList({ "[1/4] " + a + "0broken.jpg", "[2/4] " + a + "Canon_40D.jpg",
            "[3/4] \"" + a + "line\\nbreak.jpg\"", "[4/4] " + QDir::toNativeSeparators(source.filePath("b/photo.jpg")),
            "3 of 4 photos treated, 1 failed; 4 entries passed over.", "" }));
    const std::pair<const char*, const char*> passedOver[] = {
        { "a/gone.jpg", "a link to nothing: what it names does not exist" },
        { "a/loop.jpg", "a link that leads round in a loop" },
        { "a/pipe.jpg", "a named pipe, neither a photo nor a folder" },
        { "dev", "a link to a device, neither a photo nor a folder" },
    };
    for (const auto& [name, reason] : passedOver)
        EXPECT_TRUE(r.err.contains(QStringLiteral("quillon-cli: %1: passed over: %2\n")
                                       .arg(QDir::toNativeSeparators(source.filePath(name)), reason)))
            << name << "\n"
            << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("quillon-cli: \"" + a + "line\\nbreak.jpg\": stamp moved inside the photo\n"))
        << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(target.filePath("Images/a/line\nbreak.jpg")));

    // A folder that cannot be read is named too (root reads every folder).
    if (::geteuid() == 0) return;
    QTemporaryDir locked;
    ASSERT_TRUE(writeFile(locked.filePath("c/photo.jpg"), photo));
    ASSERT_TRUE(writeFile(locked.filePath("d/photo.jpg"), photo));
    QFile::setPermissions(locked.filePath("c"), QFileDevice::Permissions());
    const auto unlock = qScopeGuard([&] {
        QFile::setPermissions(
            locked.filePath("c"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    });
    const CliRun l = cli({ "batch", locked.path(), "--target", target.path() });
    EXPECT_TRUE(l.err.contains(QDir::toNativeSeparators(locked.filePath("c"))
        + ": passed over: the folder cannot be read (Permission denied)\n"))
        << l.err.toStdString();
    EXPECT_TRUE(l.out.endsWith("1 of 1 photos treated; 1 entry passed over.\n")) << l.out.toStdString();
}

TEST(CliTest, AnOutputFolderThatCannotBeWrittenStopsTheBatchWithOneLine)
{
    QTemporaryDir source;
    ASSERT_TRUE(writeFile(source.filePath("a/photo.jpg"), readFile(testPhoto("cameras/Canon_40D.jpg"))));
    // A file where the folder should be: the same for root as for anyone.
    for (const char* blocked : { "Images", "Miniatures/a" }) {
        QTemporaryDir target;
        ASSERT_TRUE(writeFile(target.filePath(blocked), "a file"));
        const CliRun r = cli({ "batch", source.path(), "--target", target.path() });
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        const QString folder = QDir::toNativeSeparators(target.filePath(QString(blocked).section('/', 0, 0) + "/a"));
        EXPECT_EQ(r.err, "quillon-cli: Cannot write into " + folder + ": Not a directory\n");
        EXPECT_FALSE(QFile::exists(target.filePath("Images/a/photo.jpg")));
    }
}

TEST(CliTest, PhotosBesideSubFoldersAreNamedWithoutRecursiveAndTreatedWithIt)
{
    QTemporaryDir source, target;
    const QString trip = source.filePath("trip");
    for (const char* name : { "x.jpg", "y.jpg" })
        ASSERT_TRUE(writeFile(trip + '/' + name, smallJpeg(64, 48)));
    ASSERT_TRUE(QDir().mkpath(trip + "/empty"));

    const CliRun flat = cli({ "batch", trip, "--target", target.path(), "--no-date" });
    EXPECT_EQ(flat.exitCode, 0);
    EXPECT_EQ(flat.out, "0 of 0 photos treated.\n");
    EXPECT_EQ(flat.err,
        "quillon-cli: 2 photos in " + trip + " itself are not treated because it has sub-folders; use --recursive\n");
    EXPECT_EQ(outputsOf(target.path()), QStringList());

    const CliRun deep = cli({ "batch", trip, "--target", target.path(), "--no-date", "--recursive" });
    EXPECT_EQ(deep.exitCode, 0) << deep.err.toStdString();
    EXPECT_TRUE(deep.out.endsWith("\n2 of 2 photos treated.\n")) << deep.out.toStdString();
    EXPECT_EQ(outputsOf(target.path()), QStringList({ "trip/x.jpg", "trip/y.jpg" }));
}

TEST(CliTest, NamesThatHideCharactersOrAreNotUtf8AreShownEscaped)
{
    // Arguments are shown as the photos' paths are.
    const CliRun folder = cli({ "batch", QString::fromUtf8("/nonexistent/a\u202Egpj.jpg") });
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_TRUE(folder.err.startsWith("quillon-cli: \"/nonexistent/a\\u202egpj.jpg\" is not a folder\n"))
        << folder.err.toStdString();
    const CliRun photo = cli({ "date", "/nonexistent/line\nbreak.jpg" });
    EXPECT_EQ(photo.err, "quillon-cli: \"/nonexistent/line\\nbreak.jpg\" is not a file\n");

    // A name that turns the line round; one that is not UTF-8 beside one
    // that decodes alike, which must be treated once.
    QTemporaryDir source, target;
    const QByteArray jpeg = smallJpeg(64, 48);
    ASSERT_TRUE(writeFile(source.filePath(QString::fromUtf8("trip/a\u202Egpj.jpg")), jpeg));
    ASSERT_TRUE(writeFile(source.filePath(QString::fromUtf8("trip/b\uFFFD.jpg")), jpeg));
    const QByteArray notUtf8 = QFile::encodeName(source.filePath("trip/b")) + "\xff.jpg";
    // A name that Qt cannot name again, it cannot remove either.
    const auto remove = qScopeGuard([&] { ::unlink(notUtf8.constData()); });
    const int fd = ::open(notUtf8.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, jpeg.constData(), static_cast<size_t>(jpeg.size())), jpeg.size());
    ::close(fd);

    const CliRun r = cli({ "batch", source.path(), "--target", target.path(), "--no-date", "--jobs", "1" });
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString trip = source.filePath("trip/");
    EXPECT_EQ(r.out,
        "[1/2] \"" + trip + "a\\u202egpj.jpg\"\n[2/2] " + trip + QString::fromUtf8("b\uFFFD.jpg")
            + "\n2 of 2 photos treated; 1 entry passed over.\n");
    EXPECT_EQ(r.err, "quillon-cli: \"" + trip + "b\\xff.jpg\": passed over: the name is not valid UTF-8\n");
}

TEST(CliTest, AnArgumentThatIsNotUtf8IsABadArgumentShownWithItsBytes)
{
    // QProcess passes text: a shell writes the byte.
    const CliRun r = run({ "-c", R"sh(exec "$0" batch "$(printf '/photos/caf\351')")sh", QStringLiteral(QUILLON_CLI) },
        QStringLiteral("/bin/sh"));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith("quillon-cli: \"/photos/caf\\xe9\" is not valid UTF-8\n")) << r.err.toStdString();
    EXPECT_EQ(r.out, "");
}

TEST(CliTest, TheBatchReplacesOnlyFilesItWroteUnlessToldToOverwrite)
{
    // A target whose Images folder is the user's own pictures folder, which
    // holds a photo by the name a new card's photo brings.
    QTemporaryDir home, card;
    const QString mine = home.filePath("Images/2019/IMG_0001.JPG");
    const QByteArray myPhoto = readFile(testPhoto("cameras/Nikon_D70.jpg"));
    ASSERT_TRUE(writeFile(mine, myPhoto));
    const QString newPhoto = card.filePath("2019/IMG_0001.JPG");
    ASSERT_TRUE(writeFile(newPhoto, readFile(testPhoto("cameras/Canon_40D.jpg"))));
    ASSERT_TRUE(writeFile(card.filePath("2019/IMG_0002.JPG"), readFile(testPhoto("cameras/Canon_40D.jpg"))));
    const QString refusal = QStringLiteral("quillon-cli: %1: %2 exists and was not written by Quillon; use "
                                           "--overwrite to replace it\n")
                                .arg(newPhoto, mine);

    // Nothing of the photo is written, its thumbnail neither; --skip-existing
    // does not take the user's photo for a saved one.
    for (const QStringList& more : { QStringList(), QStringList { "--skip-existing" } }) {
        const CliRun run = cli(QStringList { "batch", card.path(), "--target", home.path(), "--no-date" } << more);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, refusal);
        EXPECT_TRUE(run.out.endsWith(more.isEmpty() ? "\n1 of 2 photos treated, 1 failed.\n"
                                                    : "\n0 of 2 photos treated, 1 skipped, 1 failed.\n"))
            << run.out.toStdString();
        EXPECT_EQ(readFile(mine), myPhoto);
        EXPECT_FALSE(QFile::exists(home.filePath("Miniatures/2019/IMG_0001.JPG")));
    }
    // Told to, it replaces it, and from then on it is its own.
    const CliRun overwrite = cli({ "batch", card.path(), "--target", home.path(), "--no-date", "--overwrite" });
    EXPECT_EQ(overwrite.exitCode, 0) << overwrite.err.toStdString();
    EXPECT_EQ(OutputMark::of(mine), OutputMark::forPhoto(newPhoto));
    const CliRun again = cli({ "batch", card.path(), "--target", home.path(), "--no-date" });
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
}

TEST(CliTest, ADateThatIsNoDateIsNamedAndTakesTheFallbackRule)
{
    // A camera whose clock said 30 February; its later edit date is zeros.
    QByteArray photo = readFile(testPhoto("cameras/Canon_40D.jpg"));
    ASSERT_EQ(photo.count("2008:05:30 15:56:01"), 2);
    photo.replace("2008:05:30 15:56:01", "2008:02:30 15:56:01").replace("2008:07:31 20:38:11", "0000:00:00 00:00:00");
    QTemporaryDir source, stamped, plain, fallback;
    ASSERT_TRUE(writeFile(source.filePath("card/IMG.JPG"), photo));
    const QString path = QDir::toNativeSeparators(source.filePath("card/IMG.JPG"));

    const CliRun r = cli({ "batch", source.path(), "--target", stamped.path() });
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(
        r.err.contains(path + ": the photo's date is not valid: \"2008:02:30 15:56:01\"; saved without a stamp\n"))
        << r.err.toStdString();
    cli({ "batch", source.path(), "--target", plain.path(), "--no-date" });
    EXPECT_EQ(readFile(stamped.filePath("Images/card/IMG.JPG")), readFile(plain.filePath("Images/card/IMG.JPG")));

    const CliRun dated = cli({ "batch", source.path(), "--target", fallback.path(), "--fallback-date", "file" });
    EXPECT_TRUE(dated.err.contains(path + ": the photo's date is not valid: \"2008:02:30 15:56:01\"\n"
        + "quillon-cli: " + path + ": date from the file's modification time\n"))
        << dated.err.toStdString();
    EXPECT_NE(readFile(fallback.filePath("Images/card/IMG.JPG")), readFile(plain.filePath("Images/card/IMG.JPG")));

    const CliRun date = cli({ "date", source.filePath("card/IMG.JPG"), "--shift", "+1:00" });
    EXPECT_EQ(date.exitCode, 0);
    EXPECT_EQ(date.out, "\n");
    EXPECT_EQ(date.err, "quillon-cli: " + path + ": the photo's date is not valid: \"2008:02:30 15:56:01\"\n");
}

TEST(CliTest, PhotosWithoutADateOfTheirOwnTakeTheOneTheirNameSaysWhenAskedAndSaySo)
{
    const struct {
        const char* name;
        const char* date; // empty: none
    } cases[] = {
        { "IMG-20220103-WA0007.jpg", "2022-01-03" },
        { "WhatsApp Image 2021-03-14 at 18.22.05.jpeg", "2021-03-14 18:22:05" },
        { "Screenshot_20230405-081512.jpg", "2023-04-05 08:15:12" },
        { "PXL_20240229_235959123.jpg", "2024-02-29 23:59:59" },
        { "IMG_20190712_153045.jpg", "2019-07-12 15:30:45" },
        { "20180812_101010.jpg", "2018-08-12 10:10:10" },
        { "IMG_20231345_101010.jpg", "" },
    };
    QTemporaryDir source, plain, named;
    for (const auto& c : cases)
        ASSERT_TRUE(writeFile(source.filePath(QStringLiteral("phone/") + c.name), smallJpeg(320, 240)));
    cli({ "batch", source.path(), "--target", plain.path() });
    const CliRun r = cli({ "batch", source.path(), "--target", named.path(), "--fallback-date", "name" });
    EXPECT_EQ(r.exitCode, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString photo = source.filePath(QStringLiteral("phone/") + c.name);
        const QString output = QStringLiteral("Images/phone/") + c.name;
        const QString shown = QDir::toNativeSeparators(photo);
        const CliRun date = cli({ "date", photo, "--fallback-date", "name", "--format", "YYYY-MM-DD HH:MM:SS" });
        EXPECT_EQ(date.exitCode, 0);
        EXPECT_EQ(date.out, QString::fromLatin1(c.date) + '\n');
        if (*c.date) {
            EXPECT_EQ(date.err, "quillon-cli: " + shown + ": date from the file name\n");
            EXPECT_TRUE(r.err.contains(shown + ": date from the file name\n")) << r.err.toStdString();
            EXPECT_NE(readFile(named.filePath(output)), readFile(plain.filePath(output)));
        } else {
            EXPECT_EQ(date.err, "");
            EXPECT_TRUE(r.err.contains(shown + ": no date in the photo: saved without a stamp\n"));
            EXPECT_EQ(readFile(named.filePath(output)), readFile(plain.filePath(output)));
        }
    }
}

TEST(CliTest, StoredValuesNotUnderstoodAreNamedWithWhatIsUsedInstead)
{
    QTemporaryDir source, target;
    ASSERT_TRUE(writeFile(source.filePath("card/IMG_0001.JPG"), readFile(testPhoto("cameras/DSCN0010.jpg"))));
    const QString config = source.filePath("settings.ini");
    ASSERT_TRUE(writeFile(config,
        "[COEF]\npreview=0\nJPG=0\n[LABEL]\ntop=3e38\nleft=-1e39\n[VIGNET]\nshow=yes\nHeight=-90\n[DATE]\nshift_"
        "minutes=1h\n[REP]\ncible=\n"));
    const CliRun r = run({ "batch", source.path(), "--target", target.path(), "--config", config });
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    // One line a value, before the photos.
    const QString prefix = "quillon-cli: settings.ini: ";
    const QStringList lines = r.err.split('\n');
    ASSERT_GE(lines.size(), 8) << r.err.toStdString();
    EXPECT_EQ(lines.mid(0, 3),
        QStringList({ prefix + "preview=0 is not above 0 and at most 1; 0.5 is used",
            prefix + "JPG=0 is outside 1 to 100; 80 is used",
            prefix + "Height=-90 is outside 1 to 10000; Height=90 is used" }));
    // The default target is the one a missing key gives.
    EXPECT_TRUE(lines[3].startsWith(prefix + "cible= is empty; /") && lines[3].endsWith(" is used"))
        << lines[3].toStdString();
    EXPECT_EQ(lines.mid(4, 3),
        QStringList({ prefix + "shift_minutes=1h is not a number; 0 is used",
            prefix + "[LABEL] top=3e38 is outside -15000000 to 15000000; 15000000 is used",
            prefix + "[LABEL] left=-1e39 is outside -15000000 to 15000000; -15000000 is used" }));
    // The photo is saved with what is used; yes is understood: thumbnails
    // stay on. The stamp, stored far beyond the photo, is moved inside it.
    EXPECT_EQ(QImageReader(target.filePath("Images/card/IMG_0001.JPG")).size(), QSize(320, 240));
    EXPECT_EQ(QImageReader(target.filePath("Miniatures/card/IMG_0001.JPG")).size(), QSize(120, 90));
    EXPECT_TRUE(r.err.contains("IMG_0001.JPG: stamp moved inside the photo\n")) << r.err.toStdString();
}
