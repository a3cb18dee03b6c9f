// The batch's options for the values config.ini stores: each one's effect,
// its bad values, and the same outputs as the stored values give; what the
// presets, looks, caption strip and auto-contrast print on real and plain
// photos.
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString err;
};

CliRun batch(const QString& source, const QString& target, const QStringList& options,
    const QString& config = QStringLiteral("/nonexistent/quillon-test/config.ini"))
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

TEST(CliSettingsTest, EachOptionChangesTheOutputsForTheRun)
{
    // A photo without a date, stamped large in its middle with its file's time,
    // fixed so that the stamp's glyphs, and where its shadow shows, are the same on every run.
    QTemporaryDir source;
    ASSERT_TRUE(writeFile(source.filePath("a/p.jpg"), smallJpeg(400, 300)));
    {
        QFile photo(source.filePath("a/p.jpg"));
        ASSERT_TRUE(photo.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            photo.setFileTime(QDateTime(QDate(2021, 6, 15), QTime(12, 34, 56)), QFileDevice::FileModificationTime));
    }
    const QStringList stamp { "--fallback-date", "file", "--stamp-height", "10", "--anchor", "centre" };
    const QStringList colours { "--scale", "1", "--colour", "red", "--shadow-colour", "#0000FF" };
    const struct {
        QStringList options;
        QSize output;
        QSize thumbnail; // 0 x 0: none
        int sizeOrder = 0; // the output's bytes against the defaults': -1 fewer, 1 more
        QPoint shadowSide {}; // where the shadow lies from the text, when not null
    } cases[] = {
        { {}, { 200, 150 }, { 120, 90 } }, // the defaults
        { { "--scale", "0.25" }, { 100, 75 }, { 120, 90 } },
        { { "--thumbnail-width", "40" }, { 200, 150 }, { 40, 30 } },
        { { "--thumbnail-height", "30" }, { 200, 150 }, { 40, 30 } },
        { { "--no-thumbnail" }, { 200, 150 }, { 0, 0 } },
        { { "--quality", "20" }, { 200, 150 }, { 120, 90 }, -1 },
        { { "--quality", "100" }, { 200, 150 }, { 120, 90 }, 1 },
        { colours + QStringList { "--offset", "6,0" }, { 400, 300 }, { 120, 90 }, 0, { 1, 0 } },
        { colours + QStringList { "--offset", "0,-6" }, { 400, 300 }, { 120, 90 }, 0, { 0, -1 } },
    };
    qint64 defaultBytes = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        QTemporaryDir target;
        const CliRun r = batch(source.path(), target.path(), stamp + c.options);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QString outputPath = target.filePath("Images/a/p.jpg");
        const QImage output(outputPath);
        EXPECT_EQ(output.size(), c.output);
        EXPECT_EQ(QImage(target.filePath("Miniatures/a/p.jpg")).size(), c.thumbnail);
        const qint64 bytes = QFileInfo(outputPath).size();
        if (c.options.isEmpty()) defaultBytes = bytes;
        if (c.sizeOrder != 0) {
            EXPECT_EQ(bytes < defaultBytes ? -1 : 1, c.sizeOrder) << bytes << " " << defaultBytes;
        }
        if (c.shadowSide.isNull()) continue;
        // The shadow's visible part lies off the red text mostly along the offset.
        const auto [red, text]
            = inkOf(output, [](QColor c) { return c.red() > 160 && c.green() < 80 && c.blue() < 80; });
        const auto [blue, shadow]
            = inkOf(output, [](QColor c) { return c.blue() > 180 && c.red() < 80 && c.green() < 80; });
        ASSERT_GT(red, 0);
        ASSERT_GT(blue, 0);
        const QPointF side = shadow - text;
        const double along = side.x() * c.shadowSide.x() + side.y() * c.shadowSide.y();
        const double across = side.x() * c.shadowSide.y() + side.y() * c.shadowSide.x();
        EXPECT_GT(along, 4);
        EXPECT_LT(std::abs(across), along / 2) << side.x() << "," << side.y();
    }
}

TEST(CliSettingsTest, ABadValueIsAUsageErrorThatNamesTheOptionAndWhatItTakes)
{
    const struct {
        QStringList options;
        const char* problem;
    } cases[] = {
        { { "--scale", "0" }, "--scale takes a scale above 0 and at most 1, such as 0.5" },
        { { "--scale", "1.5" }, "--scale takes a scale above 0 and at most 1" },
        { { "--quality", "101" }, "--quality takes a JPEG quality from 1 to 100" },
        { { "--quality", "8.5" }, "--quality takes a JPEG quality from 1 to 100" },
        { { "--thumbnail-height", "0" }, "--thumbnail-height takes a number of pixels from 1 to 10000" },
        { { "--thumbnail-width", "wide" }, "--thumbnail-width takes a number of pixels from 1 to 10000" },
        { { "--thumbnail-height", "90", "--no-thumbnail" },
            "--thumbnail-height, --thumbnail-width and --no-thumbnail exclude each other" },
        { { "--font", " " }, "--font takes the name of a font" },
        { { "--font-size", "501" }, "--font-size takes a size in points from 1 to 500" },
        { { "--colour", "#12345" }, "--colour takes #RRGGBB or the name of a colour, such as orange" },
        { { "--colour", "nosuchcolour" }, "--colour takes #RRGGBB or the name of a colour" },
        { { "--shadow-colour", "transparent" }, "--shadow-colour takes #RRGGBB or the name of a colour" },
        { { "--offset", "2" }, "--offset takes X,Y in pixels, each from -1000 to 1000, such as 2,2" },
        { { "--offset", "2,-1001" }, "--offset takes X,Y in pixels, each from -1000 to 1000" },
        { { "--preset", "sepia" }, "--preset takes one of classic, film, outline, strip" },
        { { "--look", "emboss" }, "--look takes one of shadow, outline, glow" },
        { { "--strip-height", "0.5" }, "--strip-height takes a percentage from 1 to 50" },
        { { "--strip-colour", "#12" }, "--strip-colour takes #RRGGBB or the name of a colour" },
        { { "--strip", "--no-strip" }, "--strip and --no-strip exclude each other" },
    };
    QTemporaryDir source, target;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        const CliRun r = batch(source.path(), target.path(), c.options);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("quillon-cli: ") + c.problem)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("\nUsage: quillon-cli batch "));
    }
}

TEST(CliSettingsTest, OptionsWithoutConfigIniGiveTheBytesOfTheSameValuesStored)
{
    QTemporaryDir source;
    ASSERT_TRUE(writeFile(source.filePath("a/p.jpg"), readFile(testPhoto("cameras/DSCN0010.jpg"))));
    // Two sets, so that an option taken for another of its set's is seen.
    const struct {
        QStringList options;
        const char* stored;
    } cases[] = {
        { { "--scale", "0.625", "--quality", "90", "--thumbnail-width", "120", "--font", "DejaVu Serif", "--bold",
              "--underline", "--colour", "orange", "--offset", "3,2" },
            "[COEF]\npreview=0.625\nJPG=90\n[VIGNET]\nHeight=0\nWidth=120\n"
            "[DATE]\nfont=DejaVu Serif\nweight=700\nunderline=True\ncolor02=42495\n[DIFF]\nleft=-45\ntop=-30\n" },
        { { "--scale", "1", "--no-thumbnail", "--format", "DD MMMM YYYY", "--font-size", "30", "--italic",
              "--strikeout", "--shadow-colour", "#123456", "--offset", "-1,-4", "--template",
              "{date}\\n{camera}[ ISO {iso}]" },
            "[COEF]\npreview=1\n[VIGNET]\nshow=False\n"
            "[DATE]\nformat=DD MMMM YYYY\nsize=30\nitalic=True\nstrikeout=True\ncolor01=5649426\n"
            "template={date}\\n{camera}[ ISO {iso}]\n[DIFF]\nleft=15\ntop=60\n" },
        { { "--look", "outline", "--auto-contrast", "--strip-height", "12", "--strip-colour", "red" },
            "[DATE]\nlook=outline\nauto_contrast=true\n[STRIP]\nenabled=true\nheight_percent=12\ncolor=255\n" },
        // A preset is the values it sets, and options after it change them.
        { { "--preset", "film", "--colour", "#FFFF00" },
            "[DATE]\nformat=\\'YY  M  D\nfont=DSEG7 Classic\ncolor01=20735\ncolor02=65535\nlook=glow\n"
            "[DIFF]\nleft=0\ntop=0\n[STAMP]\nsize_percent=3\nanchor=bottom-right\nmargin_percent=4\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        QTemporaryDir fromOptions, fromFile, settings;
        const QString config = settings.filePath("config.ini");
        ASSERT_TRUE(writeFile(config, c.stored));
        ASSERT_EQ(batch(source.path(), fromOptions.path(), c.options).exitCode, 0);
        ASSERT_EQ(batch(source.path(), fromFile.path(), {}, config).exitCode, 0);
        const auto outputs = filesBelow(fromOptions.path());
        EXPECT_FALSE(outputs.empty());
        EXPECT_TRUE(outputs == filesBelow(fromFile.path()));
    }
}

TEST(CliSettingsTest, FilmPrintsOrangeDigitsAtTheBottomRightOfPortraitsAndLandscapes)
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

TEST(CliSettingsTest, TheStripMakesOutputsTallerAndLeavesThePhotoAboveItAsItWas)
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

TEST(CliSettingsTest, AutoContrastPrintsDarkOnABrightPhotoAndLightOnADarkOne)
{
    QTemporaryDir source, automatic, usual;
    // Photos of one grey, dated by their file's time only, fixed so that
    // the glyphs, and the ink counted, are the same on every run.
    ASSERT_TRUE(QDir(source.path()).mkdir("a"));
    for (const auto& [name, grey] : { std::pair { "a/beach.jpg", 235 }, { "a/night.jpg", 25 } }) {
        QImage photo(400, 300, QImage::Format_RGB32);
        photo.fill(QColor(grey, grey, grey));
        ASSERT_TRUE(photo.save(source.filePath(name), "JPG", 95));
        QFile file(source.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            file.setFileTime(QDateTime(QDate(2021, 6, 15), QTime(12, 34, 56)), QFileDevice::FileModificationTime));
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
    // (Some pixels ring brighter round dark glyphs in the JPEG: about an
    // eighth as many as the white glyphs have.)
    EXPECT_GT(inkOf(QImage(usual.filePath("Images/a/beach.jpg")), white).first, 4 * inkOf(beach, white).first);
    EXPECT_GT(inkOf(beach, dark).first, 100);
}
