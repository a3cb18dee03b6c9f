#include "imaging/PhotoEffect.h"

#include "imaging/ImageFilters.h"
#include "platform/PixelSurface.h"

#include <array>

namespace {

constexpr std::array<PhotoEffect, 3> all { PhotoEffect::Grey, PhotoEffect::Sepia, PhotoEffect::Grain };

// Sepia: hue 0.6 of a sextant (36 degrees, between red and yellow) at a
// saturation of 0.3 (a grey 128 becomes 166, 136, 90), over the grey
// picture, so that each pixel keeps its grey value as its lightness.
constexpr float sepiaHue = 0.6f;
constexpr float sepiaSaturation = 0.3f;
// Grain of 20 %: each pixel moves by up to about 12 levels either way.
constexpr int32_t grainPercent = 20;

} // namespace

QStringList PhotoEffects::names()
{
    QStringList result;
    for (PhotoEffect effect : all)
        result.append(nameOf(effect));
    return result;
}

QString PhotoEffects::nameOf(PhotoEffect effect)
{
    switch (effect) {
    case PhotoEffect::Grey:
        return QStringLiteral("grey");
    case PhotoEffect::Sepia:
        return QStringLiteral("sepia");
    case PhotoEffect::Grain:
        return QStringLiteral("grain");
    }
    return QString();
}

std::optional<PhotoEffect> PhotoEffects::named(const QString& name)
{
    for (PhotoEffect effect : all)
        if (name.compare(nameOf(effect), Qt::CaseInsensitive) == 0) return effect;
    return std::nullopt;
}

void PhotoEffects::apply(PhotoEffect effect, ImageFilters& process, PixelSurface& picture)
{
    switch (effect) {
    case PhotoEffect::Grey:
        process.grayScale(picture);
        break;
    case PhotoEffect::Sepia:
        process.grayScale(picture);
        process.colourise(picture, sepiaHue, sepiaSaturation);
        break;
    case PhotoEffect::Grain:
        process.addNoise(picture, grainPercent,
            static_cast<uint32_t>(picture.width()) * 65536u + static_cast<uint32_t>(picture.height()));
        break;
    }
}
