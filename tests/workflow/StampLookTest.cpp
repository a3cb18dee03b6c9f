// The stamp's looks, auto-contrast, the caption strip and the presets.
#include "workflow/StampPlacement.h"

#include "files/SettingsFile.h"
#include "platform/PixelSurface.h"
#include "support/TestSupport.h"
#include "workflow/PhotoEngine.h"
#include "workflow/PhotoState.h"
#include "workflow/StampPreset.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<PixelSurface> filled(QSize size, int grey)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(grey, grey, grey));
    auto surface = PixelSurface::create(size.width(), size.height());
    surface->copyFrom(image);
    return surface;
}

// The pixels of picture that differ from a plain grey, and how many of them
// are near colour.
struct Changed {
    QRect box;
    int near = 0;
};
Changed changedFrom(const QImage& picture, int grey, QColor colour)
{
    Changed changed;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (c != QColor(grey, grey, grey)) changed.box |= QRect(x, y, 1, 1);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green())
                    + std::abs(c.blue() - colour.blue())
                < 30)
                ++changed.near;
        }
    return changed;
}

} // namespace

TEST(StampLookTest, OutlineAndGlowRingTheTextWithTheFirstColourInsideTheirInkBox)
{
    for (StampLook look : { StampLook::Outline, StampLook::Glow }) {
        SCOPED_TRACE(StampLooks::nameOf(look).toStdString());
        const auto picture = filled({ 300, 100 }, 128);
        StampPlacement stamp;
        stamp.font = StampPlacement::screenFont(QFont(QStringLiteral("Arial"), 24));
        stamp.firstColor = Qt::red;
        stamp.secondColor = Qt::blue;
        stamp.first = stamp.second = QPoint(20, 20);
        stamp.look = look;
        const StampPlacement::Layout layout = stamp.print(*picture, QStringLiteral("12/07/1998"));
        const QImage printed = picture->toImage();
        const Changed changed = changedFrom(printed, 128, Qt::blue);
        // Every touched pixel lies in the ink box, which the halo widens.
        EXPECT_TRUE(layout.inkBox.contains(changed.box));
        EXPECT_GT(changed.near, 50);
        // The outline is the first colour itself.
        if (look == StampLook::Outline) {
            EXPECT_GT(changedFrom(printed, 128, Qt::red).near, 20);
        }
    }
}

TEST(StampLookTest, AutoContrastTakesTheInkThatStandsOutMoreOnTheLightUnderTheStamp)
{
    // The rule's edge lies between the greys 117 and 118 (sRGB).
    for (const auto& [grey, dark] : { std::pair { 0, false }, { 117, false }, { 118, true }, { 255, true } }) {
        SCOPED_TRACE(grey);
        const double luminance = StampPlacement::meanLuminance(*filled({ 8, 8 }, grey), QRect(-4, -4, 40, 40));
        EXPECT_EQ(StampPlacement::inkFor(luminance).front.lightness() < 128, dark);
    }
}

TEST(StampLookTest, TheStripGrowsTheOutputAndTheStampLandsInItsColumnOnTheBand)
{
    Settings settings;
    settings.strip = { true, 10, 0x00FFFFFF };
    settings.stampHeightPercent = 4;
    StampPlacement stamp = StampPlacement::fromSettings(settings, QPointF(50, 10), QFont(QStringLiteral("Arial")));
    const QSize photo(400, 300);
    ASSERT_EQ(settings.strip.outputSize(photo), QSize(400, 330));
    const QRect band(0, 300, 400, 30);
    for (const auto& [place, column] : { std::pair { StampAnchoring::Place::BottomLeft, 0 },
             { StampAnchoring::Place::Top, 1 }, { StampAnchoring::Place::BottomRight, 2 } }) {
        stamp.anchoring = { place, 2, 5, 5 };
        const QRect ink = stamp.layoutOn(photo, QStringLiteral("12/07/1998")).inkBox;
        SCOPED_TRACE(column);
        EXPECT_TRUE(band.contains(ink));
        EXPECT_LE(std::abs(ink.center().y() - band.center().y()), 1);
        EXPECT_EQ(int(ink.center().x()) * 3 / 400, column);
        // Dropped there, it snaps to the same column without offsets.
        const StampAnchoring dropped = StampPlacement::columnAt(ink, photo);
        EXPECT_EQ(StampAnchoring::horizontalSide(dropped.place), StampAnchoring::horizontalSide(place));
        EXPECT_EQ(dropped.offsetXPercent, 0);
    }

    // The working image's pixels stay as they were above the band, in the
    // display picture and in the last render before a save.
    PhotoState state;
    const auto work = filled(photo, 90);
    state.buildWorkingImage(work->copy(), photo);
    for (bool final : { false, true }) {
        final ? state.renderFinal(settings.strip) : state.render(settings.strip);
        const QImage shown = state.displayPicture()->toImage();
        ASSERT_EQ(shown.size(), QSize(400, 330));
        EXPECT_EQ(shown.copy(QRect(QPoint(), photo)), work->toImage());
        EXPECT_EQ(shown.pixelColor(0, 329), Qt::white);
        EXPECT_EQ(state.displayedPhotoSize(), photo);
    }
}

TEST(StampLookTest, AStampDraggedAlongTheStripSnapsToTheNearestColumnWhenDropped)
{
    QTemporaryDir out;
    Settings settings;
    SettingsFile::load(out.filePath(QStringLiteral("config.ini")), settings, out.path());
    StampPreset::of(StampPreset::Id::Strip).applyTo(settings);
    PhotoEngine engine(settings);
    engine.applyDateStyle();
    engine.setPhotoPaths(testPhoto(QStringLiteral("cameras/DSCN0010.jpg")), out.path());
    engine.openPhoto();
    engine.showDateLabels();
    const QSize photo = engine.previewSize();
    const QRect band(0, photo.height(), photo.width(), settings.strip.bandHeight(photo));
    ASSERT_TRUE(band.contains(engine.shownStamp().inkBox));
    // Pulled up and to the left, it stays on the band and lands in the
    // left-hand column.
    engine.dragStamp(QPointF(-photo.width() * 0.6, -100));
    EXPECT_TRUE(band.contains(engine.shownStamp().inkBox));
    engine.dropStamp();
    EXPECT_EQ(settings.anchoring.place, StampAnchoring::Place::BottomLeft);
    EXPECT_TRUE(band.contains(engine.shownStamp().inkBox));
    EXPECT_LT(engine.shownStamp().inkBox.right(), photo.width() / 2);
}

TEST(StampLookTest, PresetsSetTheStyleAndLeaveTheRest)
{
    // Classic is the stamp of a config.ini without keys.
    Settings fresh;
    SettingsFile::load(QStringLiteral("/nonexistent/quillon-test/config.ini"), fresh, QStringLiteral("/out"));
    Settings classic = fresh;
    classic.stampLook = StampLook::Outline;
    classic.anchoring.place = StampAnchoring::Place::Top;
    StampPreset::of(StampPreset::Id::Classic).applyTo(classic);
    EXPECT_EQ(classic, fresh);

    Settings settings;
    settings.autoContrast = true;
    settings.shiftMinutes = 60;
    settings.strip.heightPercent = 12;
    // (What film and strip set is pinned by the batch's bytes in
    // CliSettingsTest.) What no preset sets stays as the user had it.
    StampPreset::of(StampPreset::Id::Film).applyTo(settings);
    StampPreset::of(StampPreset::Id::Strip).applyTo(settings);
    EXPECT_TRUE(settings.strip.show);
    EXPECT_TRUE(settings.autoContrast);
    EXPECT_EQ(settings.shiftMinutes, 60);
    EXPECT_EQ(settings.strip.heightPercent, 12);
}
