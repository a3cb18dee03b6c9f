#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    const QString batchUsage
        = "Usage: quillon-cli batch FOLDER [--target DIR] [--filter TYPE] [--no-date] [--config FILE]\n";
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
            { "batch", source.path(), "--target", target.path(), "--filter", "5", "--no-date", "--config", config });
        ASSERT_TRUE(process.waitForFinished(120'000));
        for (const auto& c : cases) {
            if (qstrcmp(c.scale, scale) != 0) continue;
            const QByteArray bytes = readFile(target.filePath(QStringLiteral("Images/") + c.photo))
                + readFile(target.filePath(QStringLiteral("Miniatures/") + c.photo));
            EXPECT_EQ(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toStdString(), c.md5)
                << "scale " << scale << ", " << c.photo;
        }
    }
}
