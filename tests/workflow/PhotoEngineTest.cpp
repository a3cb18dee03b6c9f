#include "workflow/PhotoEngine.h"

#include "platform/ExifReader.h"
#include "platform/JpegMetadata.h"
#include "platform/OutputMark.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

Settings defaults()
{
    Settings settings;
    SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
    return settings;
}

QByteArray pixels(const PixelSurface* surface)
{
    if (!surface) return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(surface->bits()), surface->stride() * surface->height());
}

class PhotoEngineTest : public ::testing::Test {
protected:
    Settings settings = defaults();
    PhotoEngine engine { settings };
    QTemporaryDir out;

    void open(const QString& photo)
    {
        engine.setPhotoPaths(photo, out.path());
        engine.openPhoto();
    }
    QByteArray working() const { return pixels(engine.photo().workImage()); }
    QByteArray shown() const { return pixels(engine.photo().displayPicture()); }
};

} // namespace

TEST_F(PhotoEngineTest, EffectsAddUpUntilRevertedOrThePhotoIsOpenedAgain)
{
    settings.previewScale = 0.5;
    open(testPhoto("cameras/Canon_PowerShot_S40.jpg"));
    // Nothing to undo while the preview shows the photo as it is.
    engine.revertToOriginal();
    EXPECT_FALSE(engine.photo().workReady());

    engine.buildWorkingImage();
    const QByteArray plain = working();
    const QByteArray stamped = shown();
    engine.lighten();
    const QByteArray once = working();
    engine.buildWorkingImage(); // already built: changes nothing
    EXPECT_EQ(working(), once);
    engine.lighten();
    EXPECT_NE(working(), once);
    engine.processImage(8);
    engine.fade();

    // Reverting shows the photo again, with its stamp, and effects start
    // again from it.
    engine.revertToOriginal();
    EXPECT_EQ(working(), plain);
    EXPECT_EQ(engine.photo().scratchImage()->width(), engine.photo().workImage()->width());
    EXPECT_EQ(shown(), stamped);
    engine.lighten();
    engine.revertToOriginal();
    EXPECT_EQ(working(), plain);

    engine.lighten();
    engine.openPhoto();
    engine.buildWorkingImage();
    EXPECT_EQ(working(), plain);
}

TEST_F(PhotoEngineTest, TheExifRecordIsReadOncePerPath)
{
    // A second read does not touch the file, until the engine is told to
    // forget it.
    const QString copy = out.filePath("copy.jpg");
    ASSERT_TRUE(writeFile(copy, readFile(testPhoto("cameras/Canon_40D.jpg"))));
    engine.setPhotoPaths(copy, out.path());
    engine.readExif();
    QFile::remove(copy);
    engine.readExif();
    EXPECT_TRUE(engine.photo().exifText().contains("Make: Canon\r\n"));
    // A file that is gone is not one without EXIF: reading it fails, and
    // nothing of the record read before stays.
    engine.forgetExif();
    EXPECT_THROW(engine.readExif(), RuntimeError);
    EXPECT_EQ(engine.photo().exifText(), "");
}

TEST_F(PhotoEngineTest, PhotosAndTheirPreviewsAreShownUprightAndThePreviewAtLeastAsLarge)
{
    settings.previewScale = 0.5;
    QImage upright; // the first photo's, which the others show once turned
    for (const char* name : { "orientation/landscape_1.jpg", "orientation/landscape_3.jpg",
             "orientation/landscape_6.jpg", "orientation/landscape_8.jpg", "orientation/portrait_6.jpg" }) {
        open(testPhoto(name));
        const QSize wanted = PhotoState::workingSize(engine.photo().photoSize(), settings.previewScale);
        const QImage preview = engine.previewPicture(wanted);
        // Reduced while decoding, but never below what is shown, nor by
        // more than the decoder had to.
        EXPECT_GE(preview.width(), wanted.width()) << name;
        EXPECT_GE(preview.height(), wanted.height()) << name;
        EXPECT_LT(preview.width(), 2 * wanted.width()) << name;
        EXPECT_LT(preview.height(), 2 * wanted.height()) << name;

        // The same picture as the working image, turned the same way: the
        // same brightness in each cell of a 4 x 4 grid.
        engine.buildWorkingImage();
        const QImage want
            = engine.photo().workImage()->toImage().scaled(4, 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage got = preview.scaled(4, 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (upright.isNull()) upright = want;
        int drift = 0; // from the first photo's grid
        for (int cell = 0; cell < 16; ++cell) {
            const QPoint p(cell % 4, cell / 4);
            EXPECT_NEAR(qGray(got.pixel(p)), qGray(want.pixel(p)), 6) << name << " cell " << cell;
            drift += std::abs(qGray(want.pixel(p)) - qGray(upright.pixel(p)));
        }
        // The landscapes are one picture, encoded alike to some 12 a cell;
        // turned the wrong way, it would drift by some 50.
        if (QByteArray(name).contains("landscape")) {
            EXPECT_LT(drift, 16 * 25) << name;
        }
    }
}

TEST_F(PhotoEngineTest, AtFullScaleTheWorkingImageIsThePhotoAndTheStampIsPrintedOnACopy)
{
    settings.previewScale = 1.0;
    engine.setStampPosition(QPointF(30, 15));
    engine.applyDateStyle();
    open(testPhoto("cameras/Canon_40D.jpg"));
    engine.buildWorkingImage();
    EXPECT_EQ(working(), pixels(PictureLoader::load(engine.photo().photoPath()).get()));
    EXPECT_NE(shown(), working());
    // The working image never carries the stamp.
    engine.setShowDate(false);
    engine.render();
    EXPECT_EQ(shown(), working());
}

TEST_F(PhotoEngineTest, OutputsKeepTheSourcesMetadataUprightAndThumbnailsItsProfile)
{
    settings.previewScale = 0.5;
    settings.thumbShow = true;
    settings.thumbHeight = 90;
    open(testPhoto("orientation/portrait_6.jpg"));
    engine.buildWorkingImage();
    EXPECT_TRUE(engine.saveOutputs().isEmpty());
    const ExifRecord saved = ExifReader::read(engine.photo().outputPath());
    EXPECT_EQ(saved.text("Orientation"), "1");
    EXPECT_EQ(saved.text("PixelXDimension"), QString::number(engine.photo().workImage()->width()));
    EXPECT_TRUE(ExifReader::read(engine.photo().thumbnailPath()).isEmpty());

    open(testPhoto("cameras/no_exif.jpg"));
    engine.buildWorkingImage();
    EXPECT_EQ(engine.saveOutputs(), QString());
    const JpegMetadata source = JpegMetadata::read(engine.photo().photoPath());
    ASSERT_FALSE(source.iccProfile.isEmpty() || source.xmp.isEmpty() || source.iptc.isEmpty());
    const JpegMetadata output = JpegMetadata::read(engine.photo().outputPath());
    EXPECT_EQ(output.iccProfile, source.iccProfile);
    // The packet as it was, with the mark of the photo's outputs.
    const OutputMark mark = OutputMark::forPhoto(engine.photo().photoPath());
    EXPECT_EQ(output.xmp, mark.markedPacket(source.xmp));
    EXPECT_EQ(output.iptc, source.iptc);
    const JpegMetadata thumbnail = JpegMetadata::read(engine.photo().thumbnailPath());
    EXPECT_EQ(thumbnail.iccProfile, source.iccProfile);
    EXPECT_EQ(thumbnail.xmp, mark.markedPacket({}));

    // The same photo with the one part of its profile numbered 1 of 2: the
    // outputs go without a profile, and the save says so.
    QByteArray bytes = readFile(engine.photo().photoPath());
    bytes[bytes.indexOf(QByteArray("ICC_PROFILE\0\x01\x01", 14)) + 13] = 2;
    const QString damaged = out.filePath("in/damaged.jpg");
    ASSERT_TRUE(writeFile(damaged, bytes));
    open(damaged);
    engine.buildWorkingImage();
    EXPECT_TRUE(engine.saveOutputs().startsWith("The colour profile of " + QDir::toNativeSeparators(damaged)));
    EXPECT_TRUE(JpegMetadata::read(engine.photo().outputPath()).iccProfile.isEmpty());
    EXPECT_TRUE(JpegMetadata::read(engine.photo().thumbnailPath()).iccProfile.isEmpty());
}
