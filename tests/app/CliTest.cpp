#include "platform/ExifReader.h"
#include "platform/JpegMetadata.h"
#include "platform/OutputMark.h"
#include "support/PhotoFormats.h"
#include "support/TestSupport.h"

#include <QColorSpace>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

// The MD5 of a photo's output followed by its thumbnail, in hexadecimal.
std::string digestOf(const QTemporaryDir& target, const QString& photo)
{
    const QByteArray bytes
        = readFile(target.filePath("Images/" + photo)) + readFile(target.filePath("Miniatures/" + photo));
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toStdString();
}

// The photo paths of the "[n/N] PATH" lines, in their order.
QStringList photoLines(const QString& out)
{
    QStringList paths;
    static const QRegularExpression line(QStringLiteral("^\\[\\d+/\\d+\\] (.*)$"), QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch& match : line.globalMatch(out))
        paths << match.captured(1);
    return paths;
}

} // namespace

TEST(CliTest, DatePrintsWhenThePhotoWasTakenAndShiftMovesTheOutputsDatesToo)
{
    const QString canon = testPhoto("cameras/Canon_40D.jpg");
    const struct {
        QStringList args;
        const char* out;
    } cases[] = {
        { { canon }, "30/05/2008 15:56\n" }, // the default format
        { { canon, "--format", "YYYY-MM-DD HH:MM:SS" }, "2008-05-30 15:56:01\n" }, // DateTime holds a later edit
        { { testPhoto("cameras/no_exif.jpg"), "--format", "YYYY-MM-DD" }, "2014-09-22\n" }, // only a DateTime
        { { canon, "--format", "-YYYY-" }, "-2008-\n" }, // a value may begin with a dash
        { { canon, "--shift", "+10:00" }, "31/05/2008 01:56\n" },
        // A template prints the stamp's lines; the Canon's ISO is in its
        // maker note only, and a stored format stands beside another.
        { { testPhoto("cameras/canon-ixus.jpg"), "--template",
              "{date:DD/MM/YYYY HH:MM}\\n{camera}[ · ISO {iso}] · {exposure}\\nISO {iso}\\n{lens|no lens}" },
            "09/06/2001 15:17\nCanon DIGITAL IXUS · 1/350\nno lens\n" },
        { { testPhoto("cameras/PaintTool_sample.jpg"), "--template", "{date}\\n{file}" }, "PaintTool_sample.jpg\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun r = cli(QStringList { "date" } + c.args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
    EXPECT_TRUE(cli({ "exif", canon }).out.contains("Model: Canon EOS 40D\r\n"));
    // A photo without a date: no date printed, the reason said, exit 1.
    const QString undated = testPhoto("cameras/PaintTool_sample.jpg");
    const CliRun none = cli({ "date", undated });
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "quillon-cli: " + QDir::toNativeSeparators(undated) + ": no date in the photo\n");

    // The batch's outputs carry the shifted dates.
    QTemporaryDir source, target;
    ASSERT_TRUE(writeFile(source.filePath("2008/IMG.jpg"), readFile(canon)));
    ASSERT_EQ(cli({ "batch", source.path(), "--target", target.path(), "--shift", "+10:00" }).exitCode, 0);
    const ExifRecord carried = ExifReader::read(target.filePath("Images/2008/IMG.jpg"));
    EXPECT_EQ(carried.text("DateTimeOriginal"), "2008:05:31 01:56:01");
    EXPECT_EQ(carried.text("DateTimeDigitized"), "2008:05:31 01:56:01");
}

TEST(CliTest, HelpGoesToStandardOutputAndBadArgumentsAreNamedWithAPointerToIt)
{
    const QString usage = "Usage: quillon-cli COMMAND ARGUMENT [OPTIONS]\n";
    const QString batchUsage = "Usage: quillon-cli batch FOLDER [--target DIR] [--filter TYPE]\n";
    const struct {
        QStringList args;
        QString text; // how standard output starts, or what standard error names
        int exitCode = 2;
    } cases[] = {
        { { "--help" }, usage, 0 },
        { { "help" }, usage, 0 },
        { { "help", "batch" }, batchUsage, 0 },
        { { "batch", "--help" }, batchUsage, 0 },
        { { "help", "date" },
            "Usage: quillon-cli date PHOTO [--format FMT] [--template TEXT]\n"
            "                        [--shift (+|-)HH:MM]\n"
            "                        [--fallback-date none|name|file|name,file]\n"
            "                        [--config FILE]\n",
            0 }, // wrapped at 79 columns
        { { "--version" }, "quillon-cli " QUILLON_VERSION "\n", 0 },
        { {}, "a command is needed" },
        { { "resize", "x.jpg" }, "unknown command \"resize\"" },
        { { "--bogus" }, "unknown option \"--bogus\"" },
        { { "batch", "/tmp", "--bogus" }, "unknown option \"--bogus\"" },
        { { "date", "x.jpg", "--target", "/tmp" }, "unknown option \"--target\"" }, // another command's
        { { "batch", "/tmp", "--filter", "9" }, "--filter takes a filter type from 1 to 8" },
        { { "batch", "/tmp", "--target" }, "--target" }, // no value
        { { "batch", "/tmp", "--effect", "grey,blur" }, "\"blur\" is no effect: --effect takes grey, sepia, grain" },
        { { "batch", "/tmp", "--jobs", "0" }, "--jobs takes a number of photos from 1 to 64" },
        { { "batch", "/tmp", "--shard", "4/3" }, "--shard takes K/N with 1 <= K <= N" },
        { { "batch", "/tmp", "--shard", "0/3" }, "--shard takes K/N with 1 <= K <= N" },
        { { "batch", "/tmp", "--shard", "2" }, "--shard takes K/N with 1 <= K <= N" },
        { { "batch", "/tmp", "--verbose", "--quiet" }, "--verbose and --quiet exclude each other" },
        { { "batch", "/nonexistent/folder" }, "\"/nonexistent/folder\" is not a folder" },
        // Shown as the photos' paths are: this one would turn the line round.
        { { "batch", "/nonexistent/a\u202Egpj.jpg" }, "\"/nonexistent/a\\u202egpj.jpg\" is not a folder" },
        { { "batch", "/tmp", "--stamp-height", "4,5" }, "--stamp-height takes a percentage from 0.5 to 25" },
        { { "batch", "/tmp", "--anchor", "middle" }, "--anchor takes one of top-left, top, top-right, left" },
        { { "date", "x.jpg", "--shift", "+1:75" }, "--shift takes +HH:MM or -HH:MM" },
        { { "batch", "/tmp", "--fallback-date", "exif" }, "--fallback-date takes none, name, file or name,file" },
        { { "date", "x.jpg", "--fallback-date", "file,name" }, "--fallback-date takes none, name, file or name," },
        { { "date" }, "date needs a PHOTO" },
        { { "date", "x.jpg", "--template", "{date}\\n{model}" }, "--template: {model} is no field" },
        { { "date", "a.jpg", "b.jpg" }, "unexpected argument \"b.jpg\"" },
        { { "help", "resize" }, "no help for \"resize\"" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        if (c.exitCode == 0) {
            EXPECT_TRUE(r.out.startsWith(c.text)) << r.out.toStdString();
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_EQ(r.out, "");
            EXPECT_TRUE(r.err.startsWith("quillon-cli: ")) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(c.text)) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains("\nUsage: quillon-cli "));
            EXPECT_TRUE(r.err.contains("--help"));
        }
    }

    // As text, an argument that is not UTF-8 would name another file, or
    // none. QProcess passes text: a shell writes the byte.
    const CliRun latin1
        = run({ "-c", R"sh(exec "$0" batch "$(printf '/photos/caf\351')")sh", QStringLiteral(QUILLON_CLI) }, "/bin/sh");
    EXPECT_EQ(latin1.exitCode, 2);
    EXPECT_TRUE(latin1.err.startsWith("quillon-cli: \"/photos/caf\\xe9\" is not valid UTF-8\n"))
        << latin1.err.toStdString();
    // A photo that is not there is a photo that failed, not a bad argument.
    const CliRun missing = cli({ "date", "/nonexistent/line\nbreak.jpg" });
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "quillon-cli: \"/nonexistent/line\\nbreak.jpg\" is not a file\n");
}

TEST(CliTest, RecursionShardsAndResumingGiveOneSetOfOutputs)
{
    // A tree three folders deep, in batch order.
    QTemporaryDir source, target;
    const char* const paths[] = { "2019/a.jpg", "2019/spring/b.jpg", "2019/spring/day 1/c.jpg",
        "2019/spring/day 1/d.JPG", "2020/e.jpg", "2020/f.jpeg" };
    QStringList all;
    for (const char* path : paths) {
        ASSERT_TRUE(writeFile(source.filePath(path), smallJpeg(64, 48)));
        all << source.filePath(path);
    }
    const auto batch = [&](QStringList more) {
        return cli(
            QStringList { "batch", source.path(), "--target", target.path(), "--recursive", "--no-date" } << more);
    };

    // Without --recursive, the photos of a folder beside its sub-folders are
    // named, not treated.
    QTemporaryDir flat;
    const CliRun single = cli({ "batch", source.filePath("2019"), "--target", flat.path(), "--no-date" });
    EXPECT_TRUE(single.out.endsWith("\n1 of 1 photos treated.\n")) << single.out.toStdString();
    EXPECT_EQ(single.err,
        "quillon-cli: 1 photo in " + source.filePath("2019")
            + " itself is not treated because it has sub-folders; use --recursive\n");

    // Three shards, each its own run: together the batch, each photo once.
    QStringList together;
    for (const char* shard : { "2/3", "3/3", "1/3" }) {
        const CliRun run = batch({ "--shard", shard });
        const QStringList lines = photoLines(run.out);
        EXPECT_EQ(run.exitCode, 0) << shard;
        EXPECT_TRUE(run.out.endsWith(QStringLiteral("%1 of %1 photos treated.\n").arg(lines.size())))
            << shard << run.out.toStdString();
        together << lines;
    }
    together.sort();
    EXPECT_EQ(together, all);
    const std::map<QString, QByteArray> outputs = filesBelow(target.path());
    for (const char* path : paths)
        for (const char* kind : { "Images/", "Miniatures/" })
            EXPECT_EQ(outputs.count(QLatin1String(kind) + QLatin1String(path)), 1u) << kind << path;

    // Run again with --skip-existing: nothing is left to do.
    const CliRun again = batch({ "--skip-existing" });
    EXPECT_TRUE(again.out.startsWith("[1/6] " + all[0] + " (skipped)\n")) << again.out.toStdString();
    EXPECT_TRUE(again.out.endsWith("\n0 of 6 photos treated, 6 skipped.\n"));
}

TEST(CliTest, OnATerminalOneLineOfProgressStandsForThePhotoLines)
{
    QTemporaryDir source, target;
    const QString trip = source.filePath("trip");
    ASSERT_TRUE(writeFile(trip + "/a.jpg", readFile(testPhoto("cameras/Canon_40D.jpg"))));
    ASSERT_TRUE(writeFile(trip + "/b.jpg", readFile(testPhoto("cameras/Canon_40D.jpg"))));
    ASSERT_TRUE(writeFile(trip + "/broken.jpg", "no photo"));
    // With --quiet, only the failure and the summary.
    const CliRun quiet = cli({ "batch", trip, "--target", target.path(), "--quiet" });
    EXPECT_EQ(quiet.out, "2 of 3 photos treated, 1 failed.\n");
    EXPECT_TRUE(quiet.err.startsWith("quillon-cli: " + trip + "/broken.jpg: ")) << quiet.err.toStdString();
    EXPECT_EQ(quiet.err.count('\n'), 1);

    // On a terminal (script gives the program one): the progress line is
    // rewritten in place and cleared before the failure and the summary.
    if (QStandardPaths::findExecutable("script").isEmpty()) GTEST_SKIP() << "no script(1) to make a terminal";
    QProcess terminal;
    terminal.start("script",
        { "-qec",
            QStringLiteral("%1 batch %2 --target %3 --config /nonexistent/config.ini")
                .arg(QStringLiteral(QUILLON_CLI), trip, target.path()),
            "/dev/null" });
    ASSERT_TRUE(terminal.waitForFinished(120'000));
    const QString shown = QString::fromLocal8Bit(terminal.readAllStandardOutput());
    SCOPED_TRACE(shown.toStdString());
    EXPECT_TRUE(shown.startsWith("\r[0/3]\033[K"));
    EXPECT_TRUE(shown.contains("\r[3/3] "));
    EXPECT_TRUE(shown.contains(" photos/s, 0:00 left\033[K"));
    EXPECT_TRUE(photoLines(shown).isEmpty());
    EXPECT_TRUE(shown.contains("\r\033[Kquillon-cli: " + trip + "/broken.jpg"));
    EXPECT_TRUE(shown.endsWith("2 of 3 photos treated, 1 failed.\r\n"));
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
            for (const auto& c : cases)
                if (qstrcmp(c.scale, scale) == 0) writeFile(source.filePath(c.photo), readFile(testPhoto(c.photo)));
            // The stamp is left out: its pixels depend on the fonts installed.
            const QString config = source.filePath("config.ini");
            ASSERT_TRUE(writeFile(config, QByteArray("[COEF]\npreview=") + scale + "\n"));
            run({ "batch", source.path(), "--target", target.path(), "--filter", "5", "--no-date", "--config", config,
                "--jobs", jobs });
            for (const auto& c : cases) {
                if (qstrcmp(c.scale, scale) != 0) continue;
                EXPECT_EQ(digestOf(target, c.photo), c.md5)
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
        for (const auto& c : cases)
            EXPECT_EQ(digestOf(target, QStringLiteral("cameras/") + c.photo), c.md5) << c.photo << ", jobs " << jobs;
    }
}

// A copy of quillon-cli laid out as installed (bin beside share/quillon),
// run with a home folder of its own: its user folders are <home>/.config
// and <home>/Pictures.
TEST(CliTest, AnInstalledCopyReadsAndWritesInTheUsersFolders)
{
    QTemporaryDir dir;
    const QString bin = dir.filePath("bin");
    const QString home = dir.filePath("home");
    const QString userSettings = home + "/.config/quillon/config.ini";
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(dir.filePath("share/quillon")));
    ASSERT_TRUE(QFile::copy(QUILLON_CLI, bin + "/quillon-cli"));
    ASSERT_TRUE(writeFile(bin + "/config.ini", "[DATE]\nformat=MM\n"));
    ASSERT_TRUE(writeFile(userSettings, "[DATE]\nformat=YYYY\n"));
    const QString photo = dir.filePath("photos/trip/Canon_40D.jpg");
    ASSERT_TRUE(writeFile(photo, readFile(testPhoto("cameras/Canon_40D.jpg"))));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR" })
        environment.remove(QLatin1String(name));
    environment.insert("HOME", home);
    const auto runCopy = [&](const QStringList& args) { return run(args, bin + "/quillon-cli", environment); };

    const CliRun date = runCopy({ "date", photo });
    EXPECT_EQ(date.out, "2008\n") << date.err.toStdString();
    // The batch target's default is below the user's pictures.
    const CliRun batch = runCopy({ "batch", dir.filePath("photos/trip") });
    EXPECT_EQ(batch.exitCode, 0) << batch.err.toStdString();
    EXPECT_TRUE(QFile::exists(home + "/Pictures/Quillon/Images/trip/Canon_40D.jpg"));
    EXPECT_TRUE(QFile::exists(home + "/Pictures/Quillon/Miniatures/trip/Canon_40D.jpg"));

    // Before the window's first start the config.ini beside the copy counts,
    // and the tool does not copy it.
    ASSERT_TRUE(QFile::remove(userSettings));
    EXPECT_EQ(runCopy({ "date", photo }).out, "05\n");
    EXPECT_FALSE(QFile::exists(userSettings));
    EXPECT_EQ(QDir(bin).entryList(QDir::Files | QDir::Hidden), QStringList({ "config.ini", "quillon-cli" }));
}

TEST(CliTest, AnchoredStampsKeepTheirMarginInTheSameCornerOfEveryPhoto)
{
    // Black photos without a date, stamped in white with their files' times
    // at their own sizes.
    QTemporaryDir source, target;
    const QSize sizes[] = { { 59, 100 }, { 640, 480 }, { 2048, 1536 } };
    ASSERT_TRUE(QDir().mkpath(source.filePath("a")));
    for (const QSize& size : sizes) {
        QImage photo(size, QImage::Format_RGB32);
        photo.fill(Qt::black);
        ASSERT_TRUE(photo.save(source.filePath(QStringLiteral("a/%1.jpg").arg(size.width())), "JPG"));
    }
    const QString config = source.filePath("white.ini");
    ASSERT_TRUE(writeFile(config, "[COEF]\npreview=1\nJPG=100\n[DATE]\ncolor01=16777215\ncolor02=16777215\n"));
    const CliRun r = run({ "batch", source.path(), "--target", target.path(), "--config", config, "--fallback-date",
        "file", "--stamp-height", "4", "--anchor", "bottom-right", "--margin", "2" });
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    for (const QSize& size : sizes) {
        SCOPED_TRACE(size.width());
        const QImage output(target.filePath(QStringLiteral("Images/a/%1.jpg").arg(size.width())));
        ASSERT_EQ(output.size(), size);
        // Where the stamp was printed: the pixels that are not black.
        QRect box;
        for (int y = 0; y < output.height(); ++y)
            for (int x = 0; x < output.width(); ++x)
                if (qGray(output.pixel(x, y)) > 24) box |= QRect(x, y, 1, 1);
        ASSERT_FALSE(box.isEmpty());
        const int margin = qRound(std::min(size.width(), size.height()) * 0.02);
        EXPECT_NEAR(box.right() + 1, size.width() - margin, 2);
        EXPECT_NEAR(box.bottom() + 1, size.height() - margin, 2);
    }
}

TEST(CliTest, EffectsComeFromThePhotoAloneAndTheStampIsPrintedOverThem)
{
    // Dated photos at their own sizes, stamped in red and yellow.
    QTemporaryDir source, plain, grained, grainedAlone;
    copyPhotos(source.path(), { "cameras" });
    const QString config = source.filePath("colours.ini");
    ASSERT_TRUE(writeFile(config, "[COEF]\npreview=1\n[DATE]\ncolor01=255\ncolor02=65535\n"));
    for (const auto& [target, extra] :
        { std::pair { &plain, QStringList {} }, { &grained, QStringList { "--effect", "grey,GRAIN", "--jobs", "8" } },
            { &grainedAlone, QStringList { "--effect", "grey", "--effect", "grain", "--jobs", "1" } } }) {
        const CliRun r
            = run(QStringList { "batch", source.path(), "--target", target->path(), "--config", config } + extra);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    // The grain is drawn from the photo alone: one job or eight, in one
    // option or two, the same bytes.
    const QStringList photos = outputsOf(plain.path());
    ASSERT_EQ(photos.size(), 13);
    for (const QString& photo : photos) {
        SCOPED_TRACE(photo.toStdString());
        const QByteArray bytes = readFile(grained.filePath("Images/" + photo));
        EXPECT_EQ(bytes, readFile(grainedAlone.filePath("Images/" + photo)));
        EXPECT_NE(bytes, readFile(plain.filePath("Images/" + photo)));
    }

    // The stamp is printed after the effects: a red and yellow date stays
    // red and yellow on a grey photo, the only colour left on it (the stamp
    // covers a small part of a 640 x 480 output).
    const QImage image = QImage(grained.filePath("Images/cameras/DSCN0010.jpg")).convertToFormat(QImage::Format_RGB32);
    int red = 0, colourful = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            red += qRed(pixel) > qBlue(pixel) + 100;
            colourful += std::max({ qRed(pixel), qGreen(pixel), qBlue(pixel) })
                    - std::min({ qRed(pixel), qGreen(pixel), qBlue(pixel) })
                > 2;
        }
    EXPECT_GT(red, 20);
    EXPECT_LT(colourful, image.width() * image.height() / 20);
}

TEST(CliTest, APhotoWithoutAUsableDateIsSavedUnstampedOrTakesTheFallbackRule)
{
    // The camera photos, and one whose camera clock said 30 February (its
    // later edit date is zeros).
    QTemporaryDir source, stamped, plain, fallback;
    copyPhotos(source.path(), { "cameras" });
    QByteArray photo = readFile(testPhoto("cameras/Canon_40D.jpg"));
    ASSERT_EQ(photo.count("2008:05:30 15:56:01"), 2);
    photo.replace("2008:05:30 15:56:01", "2008:02:30 15:56:01").replace("2008:07:31 20:38:11", "0000:00:00 00:00:00");
    ASSERT_TRUE(writeFile(source.filePath("card/IMG.JPG"), photo));
    const auto batch = [&](const QTemporaryDir& target, const QStringList& more) {
        return cli(QStringList { "batch", source.path(), "--target", target.path() } + more);
    };
    const CliRun r = batch(stamped, {});
    EXPECT_EQ(r.exitCode, 0);
    batch(plain, { "--no-date" });
    const CliRun dated = batch(fallback, { "--fallback-date", "file" });

    const QString undated = source.filePath("cameras/PaintTool_sample.jpg");
    const QString invalid = source.filePath("card/IMG.JPG");
    const QString invalidNote = invalid + ": the photo's date is not valid: \"2008:02:30 15:56:01\"";
    EXPECT_TRUE(r.err.contains(undated + ": no date in the photo: saved without a stamp\n")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(invalidNote + "; saved without a stamp\n")) << r.err.toStdString();
    EXPECT_TRUE(dated.err.contains(undated + ": date from the file's modification time\n")) << dated.err.toStdString();
    EXPECT_TRUE(
        dated.err.contains(invalidNote + "\nquillon-cli: " + invalid + ": date from the file's modification time\n"))
        << dated.err.toStdString();
    const QStringList outputs = outputsOf(stamped.path());
    ASSERT_EQ(outputs.size(), 14);
    for (const QString& output : outputs) {
        SCOPED_TRACE(output.toStdString());
        const QByteArray unstamped = readFile(plain.filePath("Images/" + output));
        const bool hasDate = !output.endsWith("PaintTool_sample.jpg") && output != "card/IMG.JPG";
        EXPECT_EQ(readFile(stamped.filePath("Images/" + output)) != unstamped, hasDate);
        EXPECT_NE(readFile(fallback.filePath("Images/" + output)), unstamped);
    }

    // The date command names the date that is no date, and prints none.
    const CliRun date = cli({ "date", invalid, "--shift", "+1:00" });
    EXPECT_EQ(date.exitCode, 1);
    EXPECT_EQ(date.out, "");
    EXPECT_EQ(date.err, "quillon-cli: " + invalidNote + "\n");
}

TEST(CliTest, WhatABatchPassesOverIsNamedAndTheProgressCountsEveryPhoto)
{
    QTemporaryDir source, target;
    const QByteArray photo = readFile(testPhoto("cameras/Canon_40D.jpg"));
    // A photo that fails comes first, a damaged one still gives an output;
    // a name holds a line break.
    ASSERT_TRUE(writeFile(source.filePath("a/0broken.jpg"), QByteArray()));
    ASSERT_TRUE(writeFile(source.filePath("a/Canon_40D.jpg"), photo));
    ASSERT_TRUE(writeFile(source.filePath("a/corrupted.jpg"), readFile(testPhoto("broken/corrupted.jpg"))));
    ASSERT_TRUE(writeFile(source.filePath("a/line\nbreak.jpg"), photo));
    ASSERT_TRUE(writeFile(source.filePath("b/photo.jpg"), photo));
    ASSERT_EQ(::mkfifo(QFile::encodeName(source.filePath("a/pipe.jpg")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(source.filePath("a/nothing"), source.filePath("a/gone.jpg")));
    ASSERT_TRUE(QFile::link(source.filePath("a/loop.jpg"), source.filePath("a/loop.jpg")));
    // A link to a device among the sub-folders.
    ASSERT_TRUE(QFile::link("/dev/null", source.filePath("dev")));

    const CliRun r = cli({ "batch", source.path(), "--target", target.path(), "--jobs", "2", "--no-date" });
    EXPECT_EQ(r.exitCode, 1);
    const QString a = source.filePath("a/");
    EXPECT_EQ(r.out.split('\n'),
        QStringList({ "[1/5] " + a + "0broken.jpg", "[2/5] " + a + "Canon_40D.jpg", "[3/5] " + a + "corrupted.jpg",
            "[4/5] \"" + a + "line\\nbreak.jpg\"", "[5/5] " + source.filePath("b/photo.jpg"),
            "4 of 5 photos treated, 1 failed; 4 entries passed over.", "" }));
    const auto passedOver = [&](const char* name, const char* reason) {
        return QStringLiteral("quillon-cli: %1: passed over: %2").arg(source.filePath(name), reason);
    };
    const QStringList err = r.err.split('\n');
    ASSERT_EQ(err.size(), 7) << r.err.toStdString();
    EXPECT_EQ(err[0],
        "quillon-cli: " + a + "0broken.jpg: Cannot open the picture \"" + a + "0broken.jpg\": the file is empty.");
    EXPECT_EQ(err.mid(1, 4),
        QStringList({ passedOver("dev", "a link to a device, neither a photo nor a folder"),
            passedOver("a/gone.jpg", "a link to nothing: what it names does not exist"),
            passedOver("a/loop.jpg", "a link that leads round in a loop"),
            passedOver("a/pipe.jpg", "a named pipe, neither a photo nor a folder") }));
    EXPECT_TRUE(err[5].startsWith("quillon-cli: \"" + a + "corrupted.jpg\" is damaged (")) << err[5].toStdString();
    EXPECT_TRUE(QFile::exists(target.filePath("Images/a/line\nbreak.jpg")));

    // A folder that cannot be read is named too (root reads every folder).
    if (::geteuid() == 0) return;
    QTemporaryDir locked;
    ASSERT_TRUE(writeFile(locked.filePath("d/photo.jpg"), photo));
    ASSERT_TRUE(QDir().mkpath(locked.filePath("c")));
    QFile::setPermissions(locked.filePath("c"), QFileDevice::Permissions());
    const CliRun l = cli({ "batch", locked.path(), "--target", target.path() });
    EXPECT_TRUE(l.err.contains(locked.filePath("c") + ": passed over: the folder cannot be read (Permission denied)\n"))
        << l.err.toStdString();
    EXPECT_TRUE(l.out.endsWith("1 of 1 photos treated; 1 entry passed over.\n")) << l.out.toStdString();
}

TEST(CliTest, AnOutputFolderThatCannotBeWrittenStopsTheBatchWithOneLine)
{
    QTemporaryDir source;
    ASSERT_TRUE(writeFile(source.filePath("a/photo.jpg"), readFile(testPhoto("cameras/Canon_40D.jpg"))));
    // A file where the thumbnails' folder should be: the same for root as
    // for anyone. The outputs' folder could be made, but no photo is saved.
    QTemporaryDir target;
    ASSERT_TRUE(writeFile(target.filePath("Miniatures/a"), "a file"));
    const CliRun r = cli({ "batch", source.path(), "--target", target.path() });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "quillon-cli: Cannot write into " + target.filePath("Miniatures/a") + ": Not a directory\n");
    EXPECT_FALSE(QFile::exists(target.filePath("Images/a/photo.jpg")));
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

    // Nothing of the photo is written, its thumbnail neither.
    const CliRun refused = cli({ "batch", card.path(), "--target", home.path(), "--no-date" });
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
        "quillon-cli: " + newPhoto + ": " + mine
            + " exists and was not written by Quillon; use --overwrite to replace it\n");
    EXPECT_TRUE(refused.out.endsWith("\n0 of 1 photos treated, 1 failed.\n")) << refused.out.toStdString();
    EXPECT_EQ(readFile(mine), myPhoto);
    EXPECT_FALSE(QFile::exists(home.filePath("Miniatures/2019/IMG_0001.JPG")));
    // Told to, it replaces it, and marks it as its own.
    const CliRun overwrite = cli({ "batch", card.path(), "--target", home.path(), "--no-date", "--overwrite" });
    EXPECT_EQ(overwrite.exitCode, 0) << overwrite.err.toStdString();
    EXPECT_EQ(OutputMark::of(mine), OutputMark::forPhoto(newPhoto));
}

TEST(CliTest, AFolderOfEveryKindOfPhotoGivesUprightDatedJpegsNamedWithoutClashes)
{
    // Quarters red, green; blue, yellow stored with orientation 6 (the HEIC
    // as its own rotation too), a profile and a date; beside the HEIC, a
    // JPEG of the same stem.
    const QByteArray profile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    const QImage stored = quarters(320, 240);
    const QList<QColor> colours = quarterColours(stored);
    const QList<QColor> upright = { colours[2], colours[0], colours[3], colours[1] };
    QTemporaryDir source, stamped, plain;
    const struct {
        const char* photo;
        const char* output;
        PhotoKind kind;
    } photos[] = {
        { "IMG_0001.HEIC", "IMG_0001.HEIC.jpg", PhotoKind::Heic },
        { "IMG_0002.png", "IMG_0002.jpg", PhotoKind::Png },
        { "IMG_0003.webp", "IMG_0003.jpg", PhotoKind::Webp },
        { "IMG_0004.tif", "IMG_0004.jpg", PhotoKind::Tiff },
    };
    for (const auto& p : photos)
        ASSERT_TRUE(writeFile(source.filePath(QStringLiteral("card/") + p.photo),
            photoBytes(p.kind, { stored, 6, "2021:03:14 18:22:05", profile })));
    ASSERT_TRUE(writeFile(source.filePath("card/img_0001.jpg"), readFile(testPhoto("cameras/Canon_40D.jpg"))));

    const CliRun r = cli({ "batch", source.path(), "--target", stamped.path() });
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(outputsOf(stamped.path()),
        QStringList({ "card/IMG_0001.HEIC.jpg", "card/IMG_0002.jpg", "card/IMG_0003.jpg", "card/IMG_0004.jpg",
            "card/img_0001.jpg" }));
    ASSERT_EQ(cli({ "batch", source.path(), "--target", plain.path(), "--no-date" }).exitCode, 0);
    for (const auto& p : photos) {
        SCOPED_TRACE(p.photo);
        const QString output = QStringLiteral("card/") + p.output;
        const QByteArray bytes = readFile(stamped.filePath("Images/" + output));
        const QImage shown = QImage::fromData(readFile(plain.filePath("Images/" + output)), "JPG");
        EXPECT_EQ(shown.size(), QSize(120, 160));
        const QList<QColor> found = quarterColours(shown);
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(alike(found[i], upright[i], 24)) << i << ": " << found[i].name().toStdString();
        EXPECT_NE(bytes, readFile(plain.filePath("Images/" + output))); // stamped
        const ExifRecord exif = ExifReader::read(stamped.filePath("Images/" + output));
        EXPECT_EQ(exif.text("Orientation"), "1");
        EXPECT_EQ(exif.text("DateTimeOriginal"), "2021:03:14 18:22:05");
        EXPECT_EQ(JpegMetadata::read(stamped.filePath("Images/" + output)).iccProfile, profile);
        EXPECT_TRUE(QFile::exists(stamped.filePath("Miniatures/" + output)));
    }
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
        EXPECT_EQ(date.exitCode, *c.date ? 0 : 1);
        EXPECT_EQ(date.out, *c.date ? QString::fromLatin1(c.date) + '\n' : QString());
        if (*c.date) {
            EXPECT_EQ(date.err, "quillon-cli: " + shown + ": date from the file name\n");
            EXPECT_TRUE(r.err.contains(shown + ": date from the file name\n")) << r.err.toStdString();
            EXPECT_NE(readFile(named.filePath(output)), readFile(plain.filePath(output)));
        } else {
            EXPECT_EQ(date.err, "quillon-cli: " + shown + ": no date in the photo\n");
            EXPECT_TRUE(r.err.contains(shown + ": no date in the photo: saved without a stamp\n"));
            EXPECT_EQ(readFile(named.filePath(output)), readFile(plain.filePath(output)));
        }
    }
}

TEST(CliTest, StoredValuesNotUnderstoodAreNamedBeforeThePhotosWithWhatIsUsedInstead)
{
    QTemporaryDir source, target;
    ASSERT_TRUE(writeFile(source.filePath("card/IMG_0001.JPG"), readFile(testPhoto("cameras/DSCN0010.jpg"))));
    const QString config = source.filePath("settings.ini");
    ASSERT_TRUE(writeFile(config, "[COEF]\npreview=0\n[LABEL]\ntop=3e38\n"));
    const CliRun r = run({ "batch", source.path(), "--target", target.path(), "--config", config });
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    // One line a value, the stamp's position among them.
    const QString prefix = "quillon-cli: settings.ini: ";
    EXPECT_TRUE(r.err.startsWith(prefix + "preview=0 is not above 0 and at most 1; 0.5 is used\n" + prefix
        + "[LABEL] top=3e38 is outside -15000000 to 15000000; 15000000 is used\n"))
        << r.err.toStdString();
    // The photo is saved with what is used; the stamp, stored far beyond
    // the photo, is moved inside it.
    EXPECT_EQ(QImage(target.filePath("Images/card/IMG_0001.JPG")).size(), QSize(320, 240));
    EXPECT_TRUE(r.err.contains("IMG_0001.JPG: stamp moved inside the photo\n")) << r.err.toStdString();
}
