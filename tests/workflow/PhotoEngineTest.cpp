#include "workflow/PhotoEngine.h"

#include "platform/ExifReader.h"
#include "platform/JpegMetadata.h"
#include "platform/OutputMark.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>

namespace {

// Counts what the engine asks of its window.
class CountingHost : public PhotoEngineHost {
public:
    void LayoutPreview() override { ++layouts; }
    void RefreshDisplay() override { ++refreshes; }
    int layouts = 0;
    int refreshes = 0;
};

// Hears the batch's photos.
class SeeingListener : public BatchListener {
public:
    bool photoDone(const BatchPlan::Photo& photo, const BatchOutcome&, int, int) override
    {
        seen << QFileInfo(photo.path).fileName();
        return true;
    }
    QStringList seen;
};

SettingsRecord defaults()
{
    SettingsRecord settings;
    mMain::LoadSettingsRecord(QStringLiteral("/nonexistent/config.ini"), settings);
    return settings;
}

QByteArray pixels(const cDIBSection& dib)
{
    return QByteArray(reinterpret_cast<const char*>(dib.DIBSectionBitsPtr()), dib.BytesPerScanLine() * dib.Height());
}

void copyFile(const QString& from, const QString& to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    ASSERT_TRUE(QFile::copy(from, to)) << to.toStdString();
}

class PhotoEngineTest : public ::testing::Test {
protected:
    SettingsRecord settings = defaults();
    CountingHost host;
    PhotoEngine engine { settings, &host };
    QTemporaryDir out;

    void open(const QString& photo)
    {
        engine.SetPhotoPaths(photo, out.path());
        engine.OpenPhoto();
    }
};

} // namespace

TEST_F(PhotoEngineTest, WorkingImageHasThePreviewSize)
{
    settings.PreviewScale = 0.375;
    open(testPhoto("cameras/Reconyx_HC500_Hyperfire.jpg"));
    EXPECT_EQ(engine.previewSize(), QSize(768, 576));
    EXPECT_FALSE(engine.Photo().WorkReady());
    EXPECT_EQ(host.layouts, 1);
    engine.BuildWorkingImage();
    EXPECT_TRUE(engine.Photo().WorkReady());
    EXPECT_EQ(engine.Photo().WorkImage().Width(), 768);
    EXPECT_EQ(engine.Photo().WorkImage().Height(), 576);
    EXPECT_EQ(engine.Photo().ScratchImage().Width(), 768);
    EXPECT_EQ(engine.Photo().Picture1().Width(), 768);
    EXPECT_EQ(host.refreshes, 1); // built and shown once

    // At 100 % the working image is the decoded photo itself.
    settings.PreviewScale = 1.0;
    engine.OpenPhoto();
    engine.BuildWorkingImage();
    cDIBSection decoded;
    decoded.CreateFromPicture(PictureLoader::load(engine.Photo().PhotoPath()));
    EXPECT_EQ(pixels(engine.Photo().WorkImage()), pixels(decoded));
}

TEST_F(PhotoEngineTest, EffectsAccumulateUntilThePhotoIsOpenedAgain)
{
    settings.PreviewScale = 0.25;
    open(testPhoto("cameras/Canon_40D.jpg"));
    engine.BuildWorkingImage();
    const QByteArray plain = pixels(engine.Photo().WorkImage());

    engine.Lighten();
    const QByteArray once = pixels(engine.Photo().WorkImage());
    engine.BuildWorkingImage(); // already built: changes nothing
    EXPECT_EQ(pixels(engine.Photo().WorkImage()), once);
    engine.Lighten();
    EXPECT_NE(pixels(engine.Photo().WorkImage()), once);
    engine.ProcessImage(1);
    EXPECT_NE(pixels(engine.Photo().WorkImage()), once);

    engine.OpenPhoto();
    engine.BuildWorkingImage();
    EXPECT_EQ(pixels(engine.Photo().WorkImage()), plain);

    // Resampling to the current size does nothing, not even a render.
    const int refreshes = host.refreshes;
    engine.Resample(engine.Photo().WorkImage().Width(), engine.Photo().WorkImage().Height());
    EXPECT_EQ(host.refreshes, refreshes);
}

TEST_F(PhotoEngineTest, RevertToOriginalUndoesEveryEffect)
{
    settings.PreviewScale = 0.5;
    open(testPhoto("cameras/Canon_PowerShot_S40.jpg"));
    // Nothing to undo while the preview shows the photo as it is.
    engine.RevertToOriginal();
    EXPECT_FALSE(engine.Photo().WorkReady());
    EXPECT_EQ(host.refreshes, 0);

    engine.BuildWorkingImage();
    const QByteArray plain = pixels(engine.Photo().WorkImage());
    const QByteArray shown = pixels(engine.Photo().Picture1());
    engine.Lighten();
    engine.ProcessImage(8);
    engine.Fade();
    ASSERT_NE(pixels(engine.Photo().WorkImage()), plain);

    const int refreshes = host.refreshes;
    engine.RevertToOriginal();
    EXPECT_TRUE(engine.Photo().WorkReady());
    EXPECT_EQ(pixels(engine.Photo().WorkImage()), plain);
    EXPECT_EQ(engine.Photo().ScratchImage().Width(), engine.Photo().WorkImage().Width());
    // Shown again, with its stamp.
    EXPECT_EQ(pixels(engine.Photo().Picture1()), shown);
    EXPECT_EQ(host.refreshes, refreshes + 1);
    // Effects start again from the photo.
    engine.Lighten();
    engine.RevertToOriginal();
    EXPECT_EQ(pixels(engine.Photo().WorkImage()), plain);
}

TEST_F(PhotoEngineTest, PhotosAreShownUprightAndTheirExifReadOnce)
{
    settings.PreviewScale = 1.0;
    open(testPhoto("orientation/landscape_1.jpg"));
    engine.BuildWorkingImage();
    const QImage upright = engine.Photo().Picture1().hdc()->toImage();
    for (const char* name :
        { "orientation/landscape_3.jpg", "orientation/landscape_6.jpg", "orientation/landscape_8.jpg" }) {
        open(testPhoto(name));
        EXPECT_EQ(engine.Photo().PhotoSize(), upright.size()) << name;
        engine.BuildWorkingImage();
        const QImage shown = engine.Photo().Picture1().hdc()->toImage();
        ASSERT_EQ(shown.size(), upright.size()) << name;
        // Same picture up to the encoder's noise: compare a few points.
        for (QPoint p : { QPoint(5, 5), QPoint(upright.width() - 6, 5), QPoint(5, upright.height() - 6) })
            EXPECT_LT(std::abs(qGray(shown.pixel(p)) - qGray(upright.pixel(p))), 40) << name;
    }

    // The record is read once per path: a second read does not touch the
    // file, until the engine is told to forget it.
    QTemporaryDir dir;
    const QString copy = dir.filePath("copy.jpg");
    copyFile(testPhoto("cameras/Canon_40D.jpg"), copy);
    engine.SetPhotoPaths(copy, out.path());
    engine.ReadExif();
    QFile::remove(copy);
    engine.ReadExif();
    EXPECT_TRUE(engine.Photo().ExifText().contains("Make: Canon\r\n"));
    // The date is when the photo was taken, not when the file was changed.
    settings.DateFormat = "YYYY-MM-DD HH:MM:SS";
    EXPECT_EQ(engine.ComputeDateText(), "2008-05-30 15:56:01");
    // A file that is gone is not one without EXIF: reading it fails, and
    // nothing of the record read before stays.
    engine.ForgetExif();
    EXPECT_THROW(engine.ReadExif(), RuntimeError);
    EXPECT_EQ(engine.Photo().ExifText(), "");
}

TEST_F(PhotoEngineTest, ThePreviewPictureIsTheUprightPhotoAtLeastAsLargeAsShown)
{
    settings.PreviewScale = 0.5;
    for (const char* name : { "orientation/landscape_1.jpg", "orientation/landscape_3.jpg",
             "orientation/landscape_6.jpg", "orientation/landscape_8.jpg", "orientation/portrait_6.jpg" }) {
        open(testPhoto(name));
        const QSize wanted = PhotoState::WorkingSize(engine.Photo().PhotoSize(), settings.PreviewScale);
        const QImage preview = engine.PreviewPicture(wanted);
        // Reduced while decoding, but never below what is shown, nor by
        // more than the decoder had to.
        EXPECT_GE(preview.width(), wanted.width()) << name;
        EXPECT_GE(preview.height(), wanted.height()) << name;
        EXPECT_LT(preview.width(), 2 * wanted.width()) << name;
        EXPECT_LT(preview.height(), 2 * wanted.height()) << name;

        // The same picture as the working image, turned the same way: the
        // same brightness in each cell of a 4 x 4 grid.
        engine.BuildWorkingImage();
        const QImage work = engine.Photo().WorkImage().hdc()->toImage();
        const QImage shown = preview.scaled(work.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const auto cells = [](const QImage& picture) {
            std::array<double, 16> sums {};
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    sums[4 * (4 * y / picture.height()) + 4 * x / picture.width()] += qGray(picture.pixel(x, y));
            for (double& sum : sums)
                sum /= picture.width() * picture.height() / 16.0;
            return sums;
        };
        const std::array<double, 16> want = cells(work);
        const std::array<double, 16> got = cells(shown);
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_NEAR(got[i], want[i], 6) << name << " cell " << i;
    }
}

TEST_F(PhotoEngineTest, TheStampIsPlacedByTheLabelsAndPrintedWhileShowDateIsOn)
{
    settings.PreviewScale = 1.0;
    settings.DateColor1 = 0x0000FF; // red
    settings.DateColor2 = 0xFF0000; // blue
    engine.setStampPosition(QPointF(30, 15));
    engine.ApplyDateStyle();
    // The upper text lies the offsets (-30 and 30 twips) further.
    const StampPlacement stamp = engine.Stamp();
    EXPECT_EQ(stamp.first, QPoint(30, 15));
    EXPECT_EQ(stamp.second, QPoint(28, 17));
    EXPECT_EQ(stamp.firstColor, QColor(Qt::red));
    EXPECT_EQ(stamp.secondColor, QColor(Qt::blue));
    EXPECT_EQ(stamp.dateFormat, settings.DateFormat);

    open(testPhoto("cameras/Canon_40D.jpg"));
    engine.BuildWorkingImage();
    EXPECT_EQ(engine.DateText(), "30/05/2008 15:56");
    EXPECT_NE(pixels(engine.Photo().Picture1()), pixels(engine.Photo().WorkImage()));
    // The stamp is printed on a copy: the working image never carries it.
    engine.setShowDate(false);
    engine.Render();
    EXPECT_EQ(pixels(engine.Photo().Picture1()), pixels(engine.Photo().WorkImage()));
}

TEST_F(PhotoEngineTest, OutputKeepsTheSourceMetadataUpright)
{
    settings.PreviewScale = 0.5;
    settings.ThumbShow = true;
    settings.ThumbHeight = 90;
    open(testPhoto("orientation/portrait_6.jpg"));
    engine.BuildWorkingImage();
    EXPECT_TRUE(engine.SaveOutputs().isEmpty());
    const ExifRecord saved = ExifReader::read(engine.Photo().OutputPath());
    EXPECT_EQ(saved.text("Orientation"), "1");
    EXPECT_EQ(saved.text("PixelXDimension"), QString::number(engine.Photo().WorkImage().Width()));
    EXPECT_TRUE(ExifReader::read(engine.Photo().ThumbnailPath()).isEmpty());
}

TEST_F(PhotoEngineTest, OutputsCarryProfileXmpAndIptcAndThumbnailsTheProfile)
{
    settings.ThumbShow = true;
    settings.ThumbHeight = 90;
    open(testPhoto("cameras/no_exif.jpg"));
    engine.BuildWorkingImage();
    EXPECT_EQ(engine.SaveOutputs(), QString());
    const JpegMetadata source = JpegMetadata::read(engine.Photo().PhotoPath());
    ASSERT_FALSE(source.iccProfile.isEmpty() || source.xmp.isEmpty() || source.iptc.isEmpty());
    const JpegMetadata output = JpegMetadata::read(engine.Photo().OutputPath());
    EXPECT_EQ(output.iccProfile, source.iccProfile);
    // The packet as it was, with the mark of the photo's outputs.
    const OutputMark mark = OutputMark::forPhoto(engine.Photo().PhotoPath());
    EXPECT_EQ(output.xmp, mark.markedPacket(source.xmp));
    EXPECT_EQ(output.iptc, source.iptc);
    EXPECT_EQ(QImage(engine.Photo().OutputPath()).colorSpace(), QImage(engine.Photo().PhotoPath()).colorSpace());
    const JpegMetadata thumbnail = JpegMetadata::read(engine.Photo().ThumbnailPath());
    EXPECT_EQ(thumbnail.iccProfile, source.iccProfile);
    EXPECT_EQ(thumbnail.xmp, mark.markedPacket({}));
    EXPECT_TRUE(thumbnail.iptc.isEmpty());

    // The same photo with the one part of its profile numbered 1 of 2: the
    // outputs go without a profile, and the save says so.
    QByteArray bytes = readFile(engine.Photo().PhotoPath());
    bytes[bytes.indexOf(QByteArray("ICC_PROFILE\0\x01\x01", 14)) + 13] = 2;
    const QString damaged = out.filePath("in/damaged.jpg");
    ASSERT_TRUE(writeFile(damaged, bytes));
    open(damaged);
    engine.BuildWorkingImage();
    EXPECT_TRUE(engine.SaveOutputs().startsWith("The colour profile of " + QDir::toNativeSeparators(damaged)));
    EXPECT_TRUE(JpegMetadata::read(engine.Photo().OutputPath()).iccProfile.isEmpty());
    EXPECT_EQ(
        JpegMetadata::read(engine.Photo().OutputPath()).xmp, OutputMark::forBytes(bytes).markedPacket(source.xmp));
    EXPECT_TRUE(JpegMetadata::read(engine.Photo().ThumbnailPath()).iccProfile.isEmpty());
}

TEST_F(PhotoEngineTest, TheBatchHasPhotosOfItsOwnAndLeavesTheOpenOneAsItWas)
{
    QTemporaryDir source;
    copyFile(testPhoto("cameras/Canon_40D.jpg"), source.filePath("2004/a.jpg"));
    ASSERT_TRUE(writeFile(source.filePath("2004/broken.jpg"), "not a picture"));
    settings.TargetFolder = out.path();
    settings.BatchFilter = true;
    open(testPhoto("cameras/Fujifilm_FinePix_E500.jpg"));
    engine.BuildWorkingImage();
    const QByteArray shown = pixels(engine.Photo().Picture1());
    SeeingListener listener;
    const BatchReport report = engine.BatchTransform(source.path(), {}, &listener);
    EXPECT_EQ(report.treated, 1);
    EXPECT_EQ(listener.seen, QStringList({ "a.jpg", "broken.jpg" }));
    EXPECT_TRUE(QFile::exists(out.filePath("Images/2004/a.jpg")));
    EXPECT_TRUE(engine.Photo().PhotoPath().endsWith("Fujifilm_FinePix_E500.jpg"));
    EXPECT_TRUE(engine.Photo().WorkReady());
    EXPECT_EQ(pixels(engine.Photo().Picture1()), shown);
}
