#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class PixelSurface;
class ImageFilters;

// The looks the Effect menu and `quillon-cli batch --effect` offer beside
// the filters and the tone operations, each known to the user by a short
// name.
enum class PhotoEffect {
    Grey, // "grey": the grey value of each pixel
    Sepia, // "sepia": grey, then coloured the brown of old prints
    Grain, // "grain": film grain, the same for a photo on every run
};

namespace PhotoEffects {

// "grey", "sepia", "grain", in this order.
QStringList names();
QString nameOf(PhotoEffect effect);
// The effect of a name as names() gives it (case does not matter), or none.
std::optional<PhotoEffect> named(const QString& name);
// Applies the effect to picture in place. The grain's draws are seeded by
// the picture's size, so that a photo gets the same grain whichever job
// of a batch treats it and however often it is saved.
void apply(PhotoEffect effect, ImageFilters& process, PixelSurface& picture);

} // namespace PhotoEffects
