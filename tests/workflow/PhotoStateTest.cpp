#include "workflow/PhotoState.h"

#include "files/SettingsFile.h"
#include "platform/ExifReader.h"
#include "platform/JpegMetadata.h"
#include "platform/OutputMark.h"
#include "platform/PixelMemory.h"
#include "platform/PixelSurface.h"
#include "platform/RuntimeError.h"
#include "support/PhotoFormats.h"
#include "support/TestSupport.h"
#include "workflow/BatchPlan.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

namespace {

Settings withThumbnails()
{
    Settings settings;
    SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
    settings.thumbShow = true;
    return settings;
}

// Opens the photo and renders it at the preview scale, its outputs below root.
void prepare(PhotoState& state, const QString& photo, const QString& root, const Settings& settings)
{
    state.setPaths(photo, root);
    state.open();
    state.buildWorkingImage(PhotoState::workingSize(state.photoSize(), settings.previewScale));
    state.render();
}

// Blue grows to the right and green downwards, red stays at 128: a mirrored,
// flipped or channel-swapped copy cannot pass for it.
std::unique_ptr<PixelSurface> gradient(QSize size)
{
    auto surface = PixelSurface::create(size.width(), size.height());
    for (int y = 0; y < size.height(); ++y) {
        uint8_t* row = surface->scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 255 / (size.width() - 1));
            row[3 * x + 1] = static_cast<uint8_t>(y * 255 / (size.height() - 1));
            row[3 * x + 2] = 128;
        }
    }
    return surface;
}

// What the RuntimeError that act raises tells the user; "" when it raises none.
template <typename Act> QString failureOf(Act act)
{
    try {
        act();
        return QString();
    } catch (const RuntimeError& error) {
        return error.userText();
    }
}

// The reason a working image of size fails with, or "" when it is made.
QString failureBuilding(std::unique_ptr<PixelSurface> photo, QSize size)
{
    PhotoState state;
    return failureOf([&] { state.buildWorkingImage(std::move(photo), size); });
}

} // namespace

TEST(PhotoStateTest, TheWorkingSizeIsThePreviewInWholePixelsAndASizeWithoutPixelsFailsSayingWhy)
{
    // Halves go to the even neighbour.
    const struct {
        QSize photo;
        double scale;
        QSize working;
        const char* failure;
    } cases[] = {
        { { 2048, 1536 }, 0.375, { 768, 576 }, "" },
        { { 45, 47 }, 0.5, { 22, 24 }, "" }, // 22.5 and 23.5
        { { 3001, 1999 }, 0.8, { 2401, 1599 }, "" }, // 2400.8 and 1599.2
        { { 800, 600 }, 0.001, { 1, 1 }, "" }, // 0.8 and 0.6
        { { 1, 1 }, 0.5, { 0, 0 }, "the photo is too small for the preview scale: 1 x 1 pixels give 0 x 0" },
        { { 1000, 1 }, 0.25, { 250, 0 }, "the photo is too small for the preview scale: 1000 x 1 pixels give 250 x 0" },
        { { 400, 300 }, 0.001, { 0, 0 }, "the photo is too small for the preview scale: 400 x 300 pixels give 0 x 0" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.photo.width() << " at " << c.scale);
        const QSize size = PhotoState::workingSize(c.photo, c.scale);
        EXPECT_EQ(size, c.working);
        EXPECT_EQ(
            failureBuilding(PixelSurface::create(c.photo.width(), c.photo.height()), size), QLatin1String(c.failure));
    }
}

TEST(PhotoStateTest, SavesTheDisplayAndAThumbnailOfItsProportionsOrSaysWhyNot)
{
    struct Case {
        QSize output;
        int32_t height, width;
        QSize thumbnail;
    } cases[] = {
        { { 768, 576 }, 90, 0, { 120, 90 } }, { { 576, 768 }, 90, 0, { 68, 90 } }, // 67.5 to the even 68
        { { 1024, 768 }, 0, 160, { 160, 120 } },
        { { 300, 200 }, 90, 200, { 135, 90 } }, // both set: the height rule wins
    };
    Settings settings = withThumbnails();
    QTemporaryDir out;
    const QString output = out.filePath("Images/IMG_0001.JPG");
    const QString thumbnail = out.filePath("Miniatures/IMG_0001.JPG");
    PhotoState photo;
    photo.setPaths(QStringLiteral("/nowhere/IMG_0001.JPG"), out.path());
    for (const Case& c : cases) {
        photo.buildWorkingImage(gradient(c.output), c.output);
        photo.render();
        settings.thumbHeight = c.height;
        settings.thumbWidth = c.width;
        EXPECT_TRUE(photo.saveOutputs(settings).isEmpty());
        EXPECT_EQ(QImageReader(output).size(), c.output);
        EXPECT_EQ(QImageReader(thumbnail).size(), c.thumbnail);
    }

    // The JPEG holds the display's pixels, the right way up.
    const QImage saved(output);
    const QImage shown = photo.displayPicture()->toImage();
    for (QPoint p : { QPoint(4, 4), QPoint(295, 4), QPoint(4, 195), QPoint(150, 100) })
        EXPECT_NEAR(qGray(saved.pixel(p)), qGray(shown.pixel(p)), 8) << p.x() << "," << p.y();

    // A rule that gives no size writes no thumbnail and says why.
    QFile::remove(thumbnail);
    settings.thumbHeight = 0;
    settings.thumbWidth = -5;
    EXPECT_TRUE(photo.saveOutputs(settings).value(0).startsWith("No thumbnail"));
    EXPECT_FALSE(QFile::exists(thumbnail));

    // A file where the output's folder, then the thumbnail's, should be:
    // the save fails with the system's reason.
    settings.thumbHeight = 90;
    for (const char* blocked : { "Images", "Miniatures" }) {
        QTemporaryDir root;
        ASSERT_TRUE(writeFile(root.filePath(blocked), "a file"));
        photo.setPaths(QStringLiteral("/nowhere/IMG_0001.JPG"), root.path());
        EXPECT_EQ(failureOf([&] { photo.saveOutputs(settings); }),
            root.filePath(QStringLiteral("%1/IMG_0001.JPG").arg(blocked)) + ": Not a directory");
    }
}

TEST(PhotoStateTest, PhotosOfEveryKindAreSavedUprightWithTheirExifDateAndProfile)
{
    // Each stored as quarters red, green; blue, yellow with orientation 6
    // (a HEIF image as its own rotation too, whose EXIF must not turn it a
    // second time): the output shows blue, red; yellow, green, says
    // orientation 1 and keeps the date, the profile and the XMP packet.
    const Settings settings = withThumbnails();
    const QByteArray profile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    const QByteArray xmp = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
                           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
                           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" dc:format=\"image/heic\"/></rdf:RDF>"
                           "</x:xmpmeta>";
    const QImage stored = quarters(64, 48);
    const QList<QColor> colours = quarterColours(stored);
    QTemporaryDir dir;
    for (PhotoKind kind : { PhotoKind::Heic, PhotoKind::Png, PhotoKind::Webp, PhotoKind::Tiff }) {
        const QString photo = dir.filePath(QStringLiteral("IMG_0001.%1").arg(extensionOf(kind)));
        SCOPED_TRACE(photo.toStdString());
        ASSERT_TRUE(writeFile(photo,
            photoBytes(kind, { stored, 6, "2021:03:14 18:22:05", profile, kind == PhotoKind::Heic ? xmp : "" })));
        PhotoState state;
        prepare(state, photo, dir.filePath("out"), settings);
        EXPECT_EQ(state.photoSize(), QSize(48, 64));
        EXPECT_EQ(state.exifRecord().text("DateTimeOriginal"), "2021:03:14 18:22:05");
        ASSERT_NO_THROW(state.saveOutputs(settings));

        const QImage output(state.outputPath(), "JPG");
        EXPECT_EQ(output.width() * 64, output.height() * 48);
        const QList<QColor> shown = quarterColours(output);
        const QList<QColor> expected = { colours[2], colours[0], colours[3], colours[1] };
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(alike(shown[i], expected[i], 24)) << i << ": " << shown[i].name().toStdString();
        const ExifRecord exif = ExifReader::read(state.outputPath());
        EXPECT_EQ(exif.text("Orientation"), "1");
        EXPECT_EQ(exif.text("DateTimeOriginal"), "2021:03:14 18:22:05");
        const JpegMetadata records = JpegMetadata::read(state.outputPath());
        EXPECT_EQ(records.iccProfile, profile);
        EXPECT_EQ(records.xmp.contains("dc:format=\"image/heic\""), kind == PhotoKind::Heic);
    }
}

TEST(PhotoStateTest, OutputsCarryTheMarkOfTheirPhotoAndReplaceNeitherThePhotoNorFilesWithoutOne)
{
    const Settings settings = withThumbnails();
    QTemporaryDir dir;
    const QString photo = dir.filePath("card/IMG_0001.JPG");
    ASSERT_TRUE(writeFile(photo, readFile(testPhoto("cameras/Canon_40D.jpg"))));
    PhotoState state;
    const auto saveFrom = [&](const QString& source, const ForeignFiles& foreign = {}) {
        prepare(state, source, dir.filePath("out"), settings);
        state.saveOutputs(settings, {}, foreign);
    };
    const QString output = dir.filePath("out/Images/IMG_0001.JPG");
    const QString thumbnail = dir.filePath("out/Miniatures/IMG_0001.JPG");

    // Both files name the photo by its bytes; an output saved again is
    // replaced unasked.
    const OutputMark mark = OutputMark::forBytes(readFile(photo));
    for (int time = 0; time < 2; ++time) {
        ASSERT_NO_THROW(saveFrom(photo));
        EXPECT_EQ(OutputMark::of(output), mark);
        EXPECT_EQ(OutputMark::of(thumbnail), mark);
    }

    // Never the photo it reads, not even when told to replace what is
    // there: here the first save's output, named through "..".
    const QByteArray saved = readFile(output);
    prepare(state, output, dir.filePath("out/Images/.."), settings);
    const ForeignFiles replace { true, QString() };
    EXPECT_EQ(
        failureOf([&] { state.saveOutputs(settings, {}, replace); }), "The output would replace the photo itself");
    EXPECT_EQ(readFile(output), saved);
    EXPECT_EQ(OutputMark::of(thumbnail), mark); // nothing at all is written

    // Anybody else's file at either path: nothing at all is written, and
    // the reason names it and says how to allow it. A link that leads
    // nowhere counts as such a file; a folder is left to the write.
    const ForeignFiles refuse { false, QStringLiteral("use --overwrite to replace it") };
    for (const QString& taken : { output, thumbnail }) {
        SCOPED_TRACE(taken.toStdString());
        QFile::remove(output);
        QFile::remove(thumbnail);
        ASSERT_TRUE(writeFile(taken, "the user's own photo"));
        EXPECT_EQ(failureOf([&] { saveFrom(photo, refuse); }),
            taken + " exists and was not written by Quillon; use --overwrite to replace it");
        EXPECT_EQ(readFile(taken), "the user's own photo");
        EXPECT_EQ(QFile::exists(output) + QFile::exists(thumbnail), 1);
        ASSERT_NO_THROW(saveFrom(photo, replace));
        EXPECT_EQ(OutputMark::of(taken), mark);
    }
    QFile::remove(output);
    ASSERT_TRUE(QFile::link(dir.filePath("nowhere.jpg"), output));
    EXPECT_THROW(saveFrom(photo, refuse), RuntimeError);
    EXPECT_TRUE(QFileInfo(output).isSymLink());
    QFile::remove(output);
    ASSERT_TRUE(QDir().mkpath(output));
    EXPECT_EQ(failureOf([&] { saveFrom(photo, refuse); }), output + ": a folder has this name");
}

// AddressSanitizer reserves terabytes of address space: no limit leaves
// room for it (gcc says so with a macro, clang with a feature).
#if defined(__SANITIZE_ADDRESS__)
#define QUILLON_NO_ADDRESS_LIMIT
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLON_NO_ADDRESS_LIMIT
#endif
#endif

TEST(PhotoStateTest, APhotoIsBuiltInNoMoreMemoryThanTheBatchReserves)
{
    // A JPEG to be scaled takes only its working image and the scratch
    // buffer, whatever the orientation: no picture at full size. At its own
    // size, the decoded photo, as stored, and the working image. The batch
    // reserves the larger.
    const auto bytes = [](QSize size) { return int64_t(PixelSurface::strideFor(size.width())) * size.height(); };
    for (const char* name : { "orientation/landscape_1.jpg", "orientation/landscape_3.jpg",
             "orientation/landscape_6.jpg", "orientation/landscape_8.jpg" })
        for (const double scale : { 0.5, 1.0 }) {
            SCOPED_TRACE(testing::Message() << name << " at " << scale);
            PhotoState state;
            state.setPaths(testPhoto(QString::fromLatin1(name)), QDir::tempPath());
            state.open();
            const QSize working = PhotoState::workingSize(state.photoSize(), scale);
            const QSize stored = state.orientation() >= 5 ? state.photoSize().transposed() : state.photoSize();
            const size_t before = PixelMemory::bytesInUse();
            PixelMemory::resetPeak();
            state.buildWorkingImage(working, PhotoState::Scratch::FromPhoto);
            const int64_t peak = int64_t(PixelMemory::peakBytesInUse() - before);
            EXPECT_EQ(peak, scale == 1.0 ? bytes(stored) + bytes(working) : 2 * bytes(working));
            EXPECT_LE(peak, PhotoState::pixelBytesFor(state.photoSize(), working, state.orientation()));
        }
}

TEST(PhotoStateTest, AResampleWithoutMemoryFailsSayingWhy)
{
#ifdef QUILLON_NO_ADDRESS_LIMIT
    GTEST_SKIP() << "AddressSanitizer needs more address space than any limit leaves";
#else
    // In a child process whose address space holds the photo and a little
    // more, but not the working image.
    EXPECT_EXIT(
        {
            // A kept block of the working image's size would need no memory.
            PixelMemory::emptyCache();
            auto photo = PixelSurface::create(4000, 3000);
            rlimit limit {};
            ::getrlimit(RLIMIT_AS, &limit);
            long pages = 0;
            std::FILE* statm = std::fopen("/proc/self/statm", "r");
            if (!statm || std::fscanf(statm, "%ld", &pages) != 1) std::_Exit(2);
            std::fclose(statm);
            limit.rlim_cur = static_cast<rlim_t>(pages) * ::sysconf(_SC_PAGESIZE) + 4 * 1024 * 1024;
            if (::setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(3);
            const QString reason = failureBuilding(std::move(photo), { 3600, 2700 });
            std::fputs(reason.toUtf8().constData(), stderr);
            std::_Exit(reason == "not enough memory to resize the photo to 3600 x 2700 pixels" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
#endif
}

TEST(PhotoStateTest, TheWindowNamesAPhotosOutputsByItsFolderAsTheBatchDoes)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("Trip");
    const QString heic = folder + "/IMG_0001.HEIC";
    ASSERT_TRUE(writeFile(heic, "not decoded here"));
    Settings settings = withThumbnails();
    settings.targetFolder = dir.filePath("out");
    PhotoState state;
    for (const char* jpeg : { "", "img_0001.jpg" }) {
        SCOPED_TRACE(jpeg);
        if (*jpeg) {
            ASSERT_TRUE(writeFile(folder + '/' + jpeg, smallJpeg(8, 8)));
        }
        const BatchPlan plan = BatchPlan::make(folder, settings, {});
        ASSERT_EQ(plan.photos().first().path, heic);
        state.setPaths(heic, settings.targetFolder, "Trip");
        EXPECT_EQ(state.outputPath(), plan.photos().first().outputPath);
        EXPECT_EQ(state.thumbnailPath(), plan.photos().first().thumbnailPath);
        EXPECT_TRUE(state.outputPath().endsWith(*jpeg ? "/Trip/IMG_0001.HEIC.jpg" : "/Trip/IMG_0001.jpg"));
    }
}
