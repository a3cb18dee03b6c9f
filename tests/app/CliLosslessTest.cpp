#include "files/LosslessStamper.h"
#include "platform/OutputMark.h"
#include "support/JpegCoefficients.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString err;
};

CliRun cli(QStringList args)
{
    QProcess process;
    process.start(QStringLiteral(QUILLON_CLI),
        args << "--config"
             << "/nonexistent/quillon-test/config.ini");
    process.waitForFinished(120'000);
    return { process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()) };
}

// The photo with its EXIF orientation (a little-endian block holding 1) set
// to orientation.
QByteArray turned(QByteArray photo, int orientation)
{
    const QByteArray entry("\x12\x01\x03\x00\x01\x00\x00\x00\x01\x00", 10);
    const qsizetype at = photo.indexOf(entry);
    if (at >= 0) photo[at + 8] = char(orientation);
    return photo;
}

QList<QByteArray> withoutXmp(QList<QByteArray> segments)
{
    segments.removeIf([](const QByteArray& s) { return s.startsWith("\xE1http://ns.adobe.com/xap/1.0/"); });
    return segments;
}

} // namespace

TEST(CliLosslessTest, EveryBlockAwayFromTheStampAndEverySegmentButTheMarkStayAsTheSourceHasThem)
{
    QTemporaryDir source;
    QTemporaryDir target;
    // Every orientation (LosslessStamperTest has the codings), each name
    // ending with it.
    std::map<QString, QByteArray> photos;
    const QByteArray landscape = readFile(testPhoto("orientation/landscape_1.jpg"));
    for (int orientation = 1; orientation <= 8; ++orientation)
        photos[QStringLiteral("turned_%1.jpg").arg(orientation)] = turned(landscape, orientation);
    for (const char* name : { "portrait_6.jpg", "landscape_3.jpg", "landscape_8.jpg" })
        photos[name] = readFile(testPhoto(QStringLiteral("orientation/") + name));
    for (const auto& [name, bytes] : photos)
        ASSERT_TRUE(writeFile(source.filePath("photos/" + name), bytes));

    const CliRun run = cli({ "batch", source.path(), "--target", target.path(), "--lossless", "--anchor",
        "bottom-right", "--stamp-height", "5", "--fallback-date", "file", "--jobs", "2" });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    for (const auto& [name, bytes] : photos) {
        SCOPED_TRACE(name.toStdString());
        const QString outputPath = target.filePath("Images/photos/" + name);
        const JpegCoefficients before = JpegCoefficients::read(bytes);
        const JpegCoefficients after = JpegCoefficients::read(readFile(outputPath));
        // The blocks that changed lie in the bottom-right corner of the
        // upright photo, in one box of the stamp's MCUs.
        const int orientation = name.at(name.size() - 5).digitValue();
        const QSize stored(before.width, before.height);
        const QRect changed = LosslessStamper::uprightRect(before.differingMcus(after), stored, orientation);
        const QSize upright = orientation >= 5 ? stored.transposed() : stored;
        ASSERT_FALSE(changed.isEmpty());
        EXPECT_GE(changed.left(), upright.width() / 2);
        EXPECT_GE(changed.top(), upright.height() * 3 / 4);
        EXPECT_GE(changed.right(), upright.width() * 9 / 10);
        EXPECT_GE(changed.bottom(), upright.height() * 9 / 10);

        EXPECT_EQ(after.coding, before.coding);
        EXPECT_EQ(withoutXmp(after.segments), withoutXmp(before.segments));
        EXPECT_EQ(OutputMark::of(outputPath), OutputMark::forBytes(bytes));
        // The thumbnail is upright, as high as the default rule makes it.
        const QString thumbnail = target.filePath("Miniatures/photos/" + name);
        EXPECT_EQ(OutputMark::of(thumbnail), OutputMark::forBytes(bytes));
        const JpegCoefficients small = JpegCoefficients::read(readFile(thumbnail));
        EXPECT_EQ(small.height, 90);
        EXPECT_EQ(small.width < small.height, upright.width() < upright.height());
    }
}

TEST(CliLosslessTest, OptionsThatChangeMorePixelsThanTheStampAreRefused)
{
    QTemporaryDir source;
    ASSERT_TRUE(writeFile(source.filePath("photos/a.jpg"), readFile(testPhoto("orientation/landscape_1.jpg"))));
    for (const QStringList& conflict :
        { QStringList { "--scale", "0.5" }, QStringList { "--filter", "3" }, QStringList { "--effect", "grey" },
            QStringList { "--strip" }, QStringList { "--strip-height", "10" }, QStringList { "--preset", "strip" } }) {
        const CliRun run
            = cli(QStringList { "batch", source.path(), "--target", source.filePath("out"), "--lossless" } + conflict);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("--lossless") && run.err.contains(conflict.first())) << run.err.toStdString();
        EXPECT_FALSE(QDir(source.filePath("out")).exists());
    }
}
