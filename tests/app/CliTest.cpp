#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun run(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(QUILLON_CLI), args);
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
    const QString batchUsage = "Usage: quillon-cli batch FOLDER [--target DIR] [--filter TYPE] [--no-date]\n"
                               "                         [--jobs N] [--recursive] [--skip-existing]\n"
                               "                         [--shard K/N] [--verbose] [--quiet] [--config FILE]\n";
    const struct {
        QStringList args;
        QString start;
    } cases[] = {
        { { "--help" }, "Usage: quillon-cli COMMAND ARGUMENT [OPTIONS]\n" },
        { { "-h" }, "Usage: quillon-cli COMMAND ARGUMENT [OPTIONS]\n" },
        { { "help" }, "Usage: quillon-cli COMMAND ARGUMENT [OPTIONS]\n" },
        { { "help", "batch" }, batchUsage },
        { { "batch", "--help" }, batchUsage },
        { { "--help", "batch" }, batchUsage },
        { { "exif", "-h" }, "Usage: quillon-cli exif PHOTO [--config FILE]\n" },
        { { "help", "date" }, "Usage: quillon-cli date PHOTO [--format FMT] [--config FILE]\n" },
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
        { { "batch", "/tmp", "--jobs", "0" }, "--jobs takes a number of photos from 1 to 64" },
        { { "batch", "/tmp", "--jobs", "two" }, "--jobs takes a number of photos from 1 to 64" },
        { { "batch", "/tmp", "--shard", "4/3" }, "--shard takes K/N with 1 <= K <= N" },
        { { "batch", "/tmp", "--shard", "0/3" }, "--shard takes K/N with 1 <= K <= N" },
        { { "batch", "/tmp", "--shard", "2" }, "--shard takes K/N with 1 <= K <= N" },
        { { "batch", "/tmp", "--verbose", "--quiet" }, "--verbose and --quiet exclude each other" },
        { { "batch", "/nonexistent/folder" }, "\"/nonexistent/folder\" is not a folder" },
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

    // At the default half scale with the default thumbnail height of 90.
    const QSize output = QImageReader(target.filePath("Images/cameras/Reconyx_HC500_Hyperfire.jpg")).size();
    EXPECT_EQ(output, QSize(1024, 768));
    EXPECT_EQ(QImageReader(target.filePath("Miniatures/cameras/Reconyx_HC500_Hyperfire.jpg")).size(), QSize(120, 90));
    EXPECT_EQ(QImageReader(target.filePath("Miniatures/orientation/portrait_6.jpg")).size().height(), 90);
    EXPECT_TRUE(QFile::exists(target.filePath("Images/cameras/32-lens_data.jpeg")));
    EXPECT_FALSE(QFile::exists(target.filePath("Images/broken/empty.JPG")));
}

namespace {

// Every file below root with its bytes, by relative path.
std::map<QString, QByteArray> filesBelow(const QString& root)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(root).relativeFilePath(path)] = readFile(path);
    }
    return files;
}

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

    for (const char* jobs : { "2", "8" }) {
        const CliRun run = batch(jobs, { "--jobs", jobs });
        EXPECT_EQ(photoLines(run.out), all) << jobs; // in batch order all the same
        EXPECT_TRUE(filesBelow(target.filePath(jobs)) == expected) << jobs << " jobs wrote other bytes";
    }

    // Three shards, each its own run: disjoint, and together the batch.
    QStringList together;
    for (const char* shard : { "2/3", "3/3", "1/3" }) {
        const CliRun run = batch("shards", { "--shard", shard });
        EXPECT_EQ(run.exitCode, 0) << shard;
        EXPECT_TRUE(run.out.endsWith("\n2 of 2 photos treated.\n")) << shard << run.out.toStdString();
        for (const QString& path : photoLines(run.out))
            EXPECT_FALSE(together.contains(path)) << shard << path.toStdString();
        together << photoLines(run.out);
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
    const CliRun listed = batch("shards", { "--skip-existing", "--verbose", "--shard", "1/3" });
    EXPECT_EQ(listed.out,
        "[1/2] " + all[0] + " (skipped)\n[2/2] " + all[3] + " (skipped)\n0 of 2 photos treated, 2 skipped.\n");
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
    // and at full scale. A change here means the printed pixels changed: only
    // a change meant to do that may refresh these values.
    const struct {
        const char* scale;
        const char* photo;
        const char* md5; // of the output followed by its thumbnail
    } cases[] = {
        { "0,5", "orientation/landscape_1.jpg", "afd52fc1171c3096a7100fa57d45cf94" },
        { "0,5", "orientation/landscape_3.jpg", "bae8e33c80277035958d5f4adc914bd3" },
        { "0,5", "orientation/landscape_6.jpg", "5be754c5d4c4781a3878e9d21aa6d2ec" },
        { "0,5", "orientation/landscape_8.jpg", "175c0b5546ecac17a98e4a018bc88ff1" },
        { "0,5", "orientation/portrait_6.jpg", "9888d3eca4e10d605ccb92d461f7e24d" },
        { "0,5", "broken/corrupted.jpg", "998ea25d22ab56bfb904e268e29071af" },
        { "0,5", "cameras/Fujifilm_FinePix_E500.jpg", "7971f4c4ba582206c00b59d6ec3ba4dc" },
        { "1", "orientation/landscape_3.jpg", "60beb236c9d8aa409c0c7402827853f0" },
        { "1", "orientation/landscape_6.jpg", "b7efa639946a91690a742e0c8ffe4103" },
        { "1", "orientation/landscape_8.jpg", "2879bcbe16b1952dbb3338b2fd6e5363" },
        { "1", "orientation/portrait_6.jpg", "6f9b78ebd04fe3d890458e6af7acf325" },
        { "1", "broken/corrupted.jpg", "99c36d027abe90c3813c7ec2e5f0be8f" },
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
