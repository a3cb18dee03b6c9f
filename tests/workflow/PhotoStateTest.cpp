#include "workflow/PhotoState.h"

#include "files/SettingsFile.h"
#include "platform/OutputMark.h"
#include "platform/PixelMemory.h"
#include "platform/PixelSurface.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"
#include "workflow/PhotoEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

namespace {

Settings defaults()
{
    Settings settings;
    SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
    return settings;
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

} // namespace

TEST(PhotoStateTest, WorkingSizeIsThePreviewInWholePixelsHalvesToEven)
{
    const struct {
        QSize photo;
        double scale;
        QSize working;
    } cases[] = {
        { { 2048, 1536 }, 0.375, { 768, 576 } }, { { 45, 47 }, 0.5, { 22, 24 } }, // 22.5 and 23.5
        { { 100, 68 }, 1.0, { 100, 68 } }, { { 3001, 1999 }, 0.8, { 2401, 1599 } }, // 2400.8 and 1599.2
    };
    for (const auto& c : cases)
        EXPECT_EQ(PhotoState::workingSize(c.photo, c.scale), c.working) << c.photo.width() << " at " << c.scale;
}

TEST(PhotoStateTest, SavesTheDisplayAndAThumbnailOfItsProportions)
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
    Settings settings = defaults();
    settings.thumbShow = true;
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
    for (QPoint p : { QPoint(4, 4), QPoint(295, 4), QPoint(4, 195), QPoint(150, 100) }) {
        const QColor a = saved.pixelColor(p);
        const QColor b = shown.pixelColor(p);
        EXPECT_LT(std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()), 24)
            << p.x() << "," << p.y();
    }

    // A rule that gives no size writes no thumbnail and says why.
    QFile::remove(thumbnail);
    settings.thumbHeight = 0;
    settings.thumbWidth = -5;
    EXPECT_TRUE(photo.saveOutputs(settings).value(0).startsWith("No thumbnail"));
    EXPECT_FALSE(QFile::exists(thumbnail));
}

TEST(PhotoStateTest, ASaveNeverReplacesThePhotoItReads)
{
    // The open photo is itself an output: Images/IMG.JPG below the root
    // the save writes to, named here through "..".
    Settings settings = defaults();
    settings.thumbShow = true;
    QTemporaryDir dir;
    const QString photo = dir.filePath("Images/IMG.JPG");
    const QByteArray bytes = readFile(testPhoto("cameras/Canon_40D.jpg"));
    ASSERT_TRUE(writeFile(photo, bytes));
    PhotoState state;
    state.setPaths(photo, dir.filePath("Images/.."));
    state.open();
    state.buildWorkingImage(PhotoState::workingSize(state.photoSize(), settings.previewScale));
    state.render();
    try {
        state.saveOutputs(settings);
        ADD_FAILURE() << "the photo was saved over";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.fullText(), "The output would replace the photo itself");
    }
    EXPECT_EQ(readFile(photo), bytes);
    EXPECT_FALSE(QFile::exists(dir.filePath("Miniatures/IMG.JPG"))); // nothing at all is written
}

TEST(PhotoStateTest, APhotoOnItsSideIsBuiltWithNoPictureBesideTheDecodedOne)
{
    // The most pixel memory a build holds is the decoded photo, as stored,
    // and the working image, whatever the orientation, at half size and at
    // the photo's own; the batch reserves just that.
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
            EXPECT_EQ(peak, bytes(stored) + bytes(working));
            EXPECT_EQ(PhotoState::pixelBytesFor(state.photoSize(), working, state.orientation()), peak);
        }
}

TEST(PhotoStateTest, AnOutputFolderThatCannotBeMadeFailsWithTheSystemsReason)
{
    // A file stands where the output's folder, then the thumbnail's, should be.
    for (const char* blocked : { "Images", "Miniatures" }) {
        Settings settings = defaults();
        settings.thumbShow = true;
        QTemporaryDir out;
        ASSERT_TRUE(writeFile(out.filePath(blocked), "a file"));
        PhotoState photo;
        photo.setPaths(QStringLiteral("/nowhere/IMG.JPG"), out.path());
        photo.buildWorkingImage(gradient({ 64, 48 }), { 64, 48 });
        photo.render();
        try {
            photo.saveOutputs(settings);
            ADD_FAILURE() << blocked << " was written into";
        } catch (const RuntimeError& error) {
            // The number is for callers; the user reads the file and the reason.
            EXPECT_EQ(error.number(), 26001);
            EXPECT_EQ(error.description(), QStringLiteral("Failed to save to JPG %1").arg(ENOTDIR));
            EXPECT_EQ(error.userText(), out.filePath(QStringLiteral("%1/IMG.JPG").arg(blocked)) + ": Not a directory");
        }
    }
}

TEST(PhotoStateTest, OutputsCarryTheMarkOfTheirPhotoAndReplaceOnlyFilesThatCarryOne)
{
    Settings settings = defaults();
    settings.thumbShow = true;
    QTemporaryDir dir;
    const QString photo = dir.filePath("card/IMG_0001.JPG");
    ASSERT_TRUE(writeFile(photo, readFile(testPhoto("cameras/Canon_40D.jpg"))));
    PhotoState state;
    const auto saveFrom = [&](const QString& source, const ForeignFiles& foreign = {}) {
        state.setPaths(source, dir.filePath("out"));
        state.open();
        state.buildWorkingImage(PhotoState::workingSize(state.photoSize(), settings.previewScale));
        state.render();
        state.saveOutputs(settings, {}, foreign);
    };
    const QString output = dir.filePath("out/Images/IMG_0001.JPG");
    const QString thumbnail = dir.filePath("out/Miniatures/IMG_0001.JPG");

    // Both files name the photo; an output saved again is replaced unasked.
    for (int time = 0; time < 2; ++time) {
        ASSERT_NO_THROW(saveFrom(photo));
        EXPECT_EQ(OutputMark::of(output), OutputMark::forPhoto(photo));
        EXPECT_EQ(OutputMark::of(thumbnail), OutputMark::forPhoto(photo));
    }
    // An output treated again names the output it came from.
    ASSERT_TRUE(writeFile(dir.filePath("again/IMG_0001.JPG"), readFile(output)));
    ASSERT_NO_THROW(saveFrom(dir.filePath("again/IMG_0001.JPG")));
    EXPECT_EQ(OutputMark::of(output), OutputMark::forBytes(readFile(dir.filePath("again/IMG_0001.JPG"))));

    // Anybody else's file at either path: nothing at all is written, and
    // the reason names it and says how to allow it. A link that leads
    // nowhere counts as such a file; a folder is left to the write.
    const ForeignFiles refuse { false, QStringLiteral("use --overwrite to replace it") };
    for (const QString& taken : { output, thumbnail }) {
        SCOPED_TRACE(taken.toStdString());
        QFile::remove(output);
        QFile::remove(thumbnail);
        ASSERT_TRUE(writeFile(taken, "the user's own photo"));
        try {
            saveFrom(photo, refuse);
            ADD_FAILURE() << "saved over another's file";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(
                error.userText(), taken + " exists and was not written by Quillon; use --overwrite to replace it");
        }
        EXPECT_EQ(readFile(taken), "the user's own photo");
        EXPECT_EQ(QFile::exists(output) + QFile::exists(thumbnail), 1);
        ASSERT_NO_THROW(saveFrom(photo, { true, QString() }));
        EXPECT_EQ(OutputMark::of(taken), OutputMark::forPhoto(photo));
    }
    QFile::remove(output);
    ASSERT_TRUE(QFile::link(dir.filePath("nowhere.jpg"), output));
    EXPECT_THROW(saveFrom(photo, refuse), RuntimeError);
    EXPECT_TRUE(QFileInfo(output).isSymLink());
    QFile::remove(output);
    ASSERT_TRUE(QDir().mkpath(output));
    try {
        saveFrom(photo, refuse);
        ADD_FAILURE() << "saved over a folder";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.userText(), output + ": a folder has this name");
    }
}

namespace {

// The reason a working image of size fails with, or "" when it is made.
QString failureBuilding(std::unique_ptr<PixelSurface> photo, QSize size)
{
    try {
        PhotoState state;
        state.buildWorkingImage(std::move(photo), size);
        return QString();
    } catch (const RuntimeError& error) {
        return error.userText();
    }
}

} // namespace

TEST(PhotoStateTest, AWorkingSizeWithoutPixelsFailsSayingWhy)
{
    const struct {
        QSize photo;
        double scale;
        const char* reason;
    } cases[] = {
        { { 1, 1 }, 0.5, "the photo is too small for the preview scale: 1 x 1 pixels give 0 x 0" },
        { { 1000, 1 }, 0.25, "the photo is too small for the preview scale: 1000 x 1 pixels give 250 x 0" },
        { { 800, 600 }, 0.001, "" }, // 0.8 x 0.6 pixels round to 1 x 1
        { { 400, 300 }, 0.001, "the photo is too small for the preview scale: 400 x 300 pixels give 0 x 0" },
        { { 3, 3 }, 0.5, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scale);
        const QSize size = PhotoState::workingSize(c.photo, c.scale);
        EXPECT_EQ(
            failureBuilding(PixelSurface::create(c.photo.width(), c.photo.height()), size), QLatin1String(c.reason));
    }

    // The window's way, from a file: the build fails, not the save after it.
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("dot.jpg"), smallJpeg(1, 1)));
    Settings settings = defaults();
    PhotoEngine engine(settings);
    engine.setPhotoPaths(dir.filePath("dot.jpg"), dir.path());
    engine.openPhoto();
    try {
        engine.buildWorkingImage();
        ADD_FAILURE() << "a working image without pixels was built";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.userText(), "the photo is too small for the preview scale: 1 x 1 pixels give 0 x 0");
    }
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
