// The batch's presets, looks, caption strip and auto-contrast: what they
// print on real and plain photos (their bad values and stored equivalents
// are with the other options' in CliSettingsTest).
#include "support/TestSupport.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString NoConfig = QStringLiteral("/nonexistent/quillon-test/config.ini");

struct CliRun {
    int exitCode = -1;
    QString err;
};

CliRun batch(const QString& source, const QString& target, const QStringList& options, const QString& config = NoConfig)
{
    QProcess process;
    process.start(
        QStringLiteral(QUILLON_CLI), QStringList { "batch", source, "--target", target, "--config", config } + options);
    process.waitForFinished(120'000);
    return { process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()) };
}

// How many pixels pass, and their centre.
template <typename Test> std::pair<int, QPointF> inkOf(const QImage& image, Test test)
{
    int count = 0;
    QPointF sum;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y))) {
                ++count;
                sum += QPointF(x, y);
            }
    return { count, count > 0 ? sum / count : QPointF() };
}

} // namespace

TEST(CliLooksTest, FilmPrintsOrangeDigitsAtTheBottomRightOfPortraitsAndLandscapes)
{
    QTemporaryDir source, target, plain;
    for (const char* name : { "portrait_1.jpg", "landscape_1.jpg", "portrait_6.jpg" })
        ASSERT_TRUE(writeFile(
            source.filePath(QStringLiteral("a/") + name), readFile(testPhoto(QStringLiteral("orientation/") + name))));
    const CliRun run = batch(source.path(), target.path(), { "--preset", "film", "--fallback-date", "file" });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("not installed"));
    ASSERT_EQ(batch(source.path(), plain.path(), { "--no-date" }).exitCode, 0);
    const auto orange = [](QColor c) { return c.red() > 200 && c.green() > 60 && c.green() < 190 && c.blue() < 90; };
    for (const char* name : { "portrait_1.jpg", "landscape_1.jpg", "portrait_6.jpg" }) {
        SCOPED_TRACE(name);
        const QImage output(target.filePath(QStringLiteral("Images/a/") + name));
        ASSERT_FALSE(output.isNull());
        // The photos' own red flowers are no stamp.
        const QImage photo(plain.filePath(QStringLiteral("Images/a/") + name));
        ASSERT_EQ(photo.size(), output.size());
        QImage stamp = output;
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                if (orange(photo.pixelColor(x, y))) stamp.setPixelColor(x, y, Qt::black);
        const auto [count, centre] = inkOf(stamp, orange);
        EXPECT_GT(count, 20);
        EXPECT_GT(centre.x(), output.width() * 0.7);
        EXPECT_GT(centre.y(), output.height() * 0.85);
    }
}

TEST(CliLooksTest, TheStripMakesOutputsTallerAndLeavesThePhotoAboveItAsItWas)
{
    QTemporaryDir source, plain, strip;
    ASSERT_TRUE(writeFile(source.filePath("a/p.jpg"), readFile(testPhoto("cameras/DSCN0010.jpg"))));
    ASSERT_EQ(batch(source.path(), plain.path(), { "--no-date" }).exitCode, 0);
    ASSERT_EQ(batch(source.path(), strip.path(), { "--preset", "strip", "--strip-colour", "#00FF00" }).exitCode, 0);
    const QImage without(plain.filePath("Images/a/p.jpg"));
    const QImage with(strip.filePath("Images/a/p.jpg"));
    const int band = static_cast<int>(std::lround(0.08 * std::min(without.width(), without.height())));
    ASSERT_EQ(with.size(), QSize(without.width(), without.height() + band));
    // Blocks of 16 rows are coded alike whatever lies below them; the last
    // ones above the band share a block with it, and the next rows' colour.
    const int untouched = (without.height() / 16 - 1) * 16;
    EXPECT_EQ(with.copy(0, 0, with.width(), untouched), without.copy(0, 0, with.width(), untouched));
    // The band is green, with the stamp's black on its right.
    const QImage bandPart = with.copy(0, without.height() + 2, with.width(), band - 4);
    const auto [dark, centre] = inkOf(bandPart, [](QColor c) { return c.lightness() < 60; });
    EXPECT_GT(dark, 20);
    EXPECT_GT(centre.x(), with.width() * 0.6);
    EXPECT_GT(inkOf(bandPart, [](QColor c) { return c.green() > 200 && c.red() < 60; }).first, bandPart.width() * 4);
    // The thumbnail is made from the output, band and all.
    const QImage thumbnail(strip.filePath("Miniatures/a/p.jpg"));
    EXPECT_NEAR(double(thumbnail.width()) / thumbnail.height(), double(with.width()) / with.height(), 0.02);
}

TEST(CliLooksTest, AutoContrastPrintsDarkOnABrightPhotoAndLightOnADarkOne)
{
    QTemporaryDir source, automatic, usual;
    // Photos of one grey, dated by their file's time only.
    ASSERT_TRUE(QDir(source.path()).mkdir("a"));
    for (const auto& [name, grey] : { std::pair { "a/beach.jpg", 235 }, { "a/night.jpg", 25 } }) {
        QImage photo(400, 300, QImage::Format_RGB32);
        photo.fill(QColor(grey, grey, grey));
        ASSERT_TRUE(photo.save(source.filePath(name), "JPG", 95));
    }
    const QStringList stamp { "--scale", "1", "--stamp-height", "8", "--anchor", "centre", "--fallback-date", "file" };
    ASSERT_EQ(batch(source.path(), automatic.path(), stamp + QStringList { "--auto-contrast" }).exitCode, 0);
    ASSERT_EQ(batch(source.path(), usual.path(), stamp).exitCode, 0);
    // The light ink is white over black, the stored colours by default:
    // the night photo comes out as without auto-contrast, the beach without
    // white text, with near-black text over a light grey instead.
    EXPECT_EQ(readFile(automatic.filePath("Images/a/night.jpg")), readFile(usual.filePath("Images/a/night.jpg")));
    const auto white = [](QColor c) { return c.lightness() > 248; };
    const auto dark = [](QColor c) { return c.lightness() < 40; };
    const QImage beach(automatic.filePath("Images/a/beach.jpg"));
    // (A few pixels ring brighter round dark glyphs in the JPEG.)
    EXPECT_GT(inkOf(QImage(usual.filePath("Images/a/beach.jpg")), white).first, 8 * inkOf(beach, white).first);
    EXPECT_GT(inkOf(beach, dark).first, 100);
}
