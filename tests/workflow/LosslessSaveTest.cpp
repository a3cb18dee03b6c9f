#include "workflow/LosslessSave.h"

#include "files/SettingsFile.h"
#include "imaging/PictureOrientation.h"
#include "platform/PictureLoader.h"
#include "support/PhotoFormats.h"
#include "support/TestSupport.h"
#include "workflow/BatchRunner.h"
#include "workflow/PhotoEngine.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class LosslessSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
        settings.thumbShow = true;
        settings.previewScale = 1;
        settings.anchoring = { StampAnchoring::Place::BottomRight, 3, 0, 0 };
        settings.stampHeightPercent = 6;
        settings.fileDateFallback = true; // the orientation photos hold no date
        engine.applyDateStyle();
        stamp = engine.stampPlacement();
    }

    QTemporaryDir out;
    Settings settings;
    PhotoEngine engine { settings };
    StampPlacement stamp;
};

} // namespace

TEST_F(LosslessSaveTest, TheStampLandsWhereAndAsTheUsualSavePrintsItAtScaleOne)
{
    for (const char* photo : { "orientation/landscape_1.jpg", "orientation/landscape_3.jpg",
             "orientation/landscape_6.jpg", "orientation/landscape_8.jpg", "orientation/portrait_6.jpg" }) {
        SCOPED_TRACE(photo);
        const QString path = testPhoto(photo);
        PhotoState state;
        state.setPaths(path, out.path());
        state.open();
        const QRect ink = stamp.layoutOn(state.photoSize(), stamp.dateFor(state.exifRecord(), path).text).inkBox;
        ASSERT_FALSE(ink.isEmpty());
        state.buildWorkingImage(state.photoSize());
        state.renderFinal();
        state.printDateStamp(stamp);
        ASSERT_TRUE(LosslessSave::save(state, settings, &stamp).saved);
        const PixelSurface& usual = *state.displayPicture();
        const auto lossless = PictureOrientation::upright(PictureLoader::load(state.outputPath()), state.orientation());
        const auto original = PictureOrientation::upright(PictureLoader::load(path), state.orientation());
        ASSERT_EQ(QSize(lossless->width(), lossless->height()), QSize(usual.width(), usual.height()));
        // Over the stamp's ink box the two agree but for the JPEG coding of
        // the stamp's blocks (the photo's own quality): on average within
        // 6 levels, where the stamp itself moves them by far more.
        double stampDifference = 0;
        double codingDifference = 0;
        for (int y = ink.top(); y <= ink.bottom(); ++y) {
            for (int x = 3 * ink.left(); x < 3 * (ink.right() + 1); ++x) {
                codingDifference += std::abs(usual.scanLine(y)[x] - lossless->scanLine(y)[x]);
                stampDifference += std::abs(usual.scanLine(y)[x] - original->scanLine(y)[x]);
            }
        }
        const double samples = 3.0 * ink.width() * ink.height();
        EXPECT_LT(codingDifference / samples, 6.0);
        EXPECT_GT(stampDifference / samples, 4 * codingDifference / samples);
    }
}

TEST_F(LosslessSaveTest, APhotoThatIsNoJpegIsSavedTheUsualWayWithANote)
{
    QTemporaryDir source;
    const QString png = source.filePath("photos/picture.png");
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(writeFile(png, photoBytes(PhotoKind::Png, { picture, 1, QStringLiteral("2020:01:02 03:04:05") })));
    settings.losslessStamp = true;
    settings.previewScale = 0.5; // set aside
    settings.targetFolder = out.path();
    const BatchPlan plan = BatchPlan::make(source.path(), settings, {});
    ASSERT_EQ(plan.prepareFolders(), QString());
    const BatchReport report = BatchRunner(settings, stamp, 1).run(plan);
    ASSERT_EQ(report.treated, 1);
    ASSERT_FALSE(report.notes.isEmpty());
    EXPECT_TRUE(report.notes.first().text.contains("saved the usual way")) << report.notes.first().text.toStdString();
    EXPECT_EQ(PictureLoader::readHeader(out.filePath("Images/photos/picture.jpg")).size, QSize(64, 48));
}
