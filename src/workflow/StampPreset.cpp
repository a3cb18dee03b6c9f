#include "workflow/StampPreset.h"

#include "files/Settings.h"

#include <QFont>
#include <QFontDatabase>

namespace {

using Place = StampAnchoring::Place;

constexpr int32_t Black = 0;
constexpr int32_t White = 0x00FFFFFF;
// 0x00BBGGRR: a warm orange (255, 150, 40) and a deeper one (255, 80, 0)
// for its glow.
constexpr int32_t FilmOrange = 0x002896FF;
constexpr int32_t FilmGlow = 0x000050FF;
constexpr int32_t NearBlack = 0x00141414;
// The size of a record without DATE/size; the presets that size their
// stamp by the photo do not use it.
constexpr int32_t DateSize = 16;

// The classic stamp is the one a config.ini without keys prints.
constexpr StampPreset presets[StampPreset::Count] = {
    { StampPreset::Id::Classic, "classic", "DD/MM/YYYY HH:MM", "Arial", QFont::Normal, Black, White, 30,
        StampLook::Shadow, 0, Place::None, 0, false },
    // Two-digit year with an apostrophe, day and month without their
    // leading zeros: '98 7 12, small at the bottom right. The seven-segment
    // font's blank is a quarter of a digit wide: two of them keep "7 12"
    // from reading as 712.
    { StampPreset::Id::Film, "film", "\\'YY  M  D", "DSEG7 Classic", QFont::Normal, FilmGlow, FilmOrange, 0,
        StampLook::Glow, 3, Place::BottomRight, 4, false },
    { StampPreset::Id::Outline, "outline", "DD/MM/YYYY HH:MM", "Arial", QFont::Bold, NearBlack, White, 0,
        StampLook::Outline, 4, Place::BottomRight, 3, false },
    // Black text on the white band: both colours black, one over the other.
    { StampPreset::Id::Strip, "strip", "DD/MM/YYYY HH:MM", "Arial", QFont::Normal, Black, Black, 0, StampLook::Shadow,
        4, Place::BottomRight, 3, true },
};

} // namespace

const StampPreset* StampPreset::all()
{
    return presets;
}

const StampPreset& StampPreset::of(Id id)
{
    for (const StampPreset& preset : presets)
        if (preset.id == id) return preset;
    return presets[0];
}

QStringList StampPreset::names()
{
    QStringList list;
    for (const StampPreset& preset : presets)
        list << QLatin1String(preset.name);
    return list;
}

std::optional<StampPreset::Id> StampPreset::named(const QString& name)
{
    const QString wanted = name.trimmed();
    for (const StampPreset& preset : presets)
        if (wanted.compare(QLatin1String(preset.name), Qt::CaseInsensitive) == 0) return preset.id;
    return std::nullopt;
}

QString StampPreset::applyTo(Settings& settings) const
{
    QString note;
    const QString family = QLatin1String(font);
    if (family == DefaultFont || fontInstalled(family)) {
        settings.dateFont = family;
    } else {
        settings.dateFont = DefaultFont;
        note = QStringLiteral("the font %1 of the %2 preset is not installed; %3 is used")
                   .arg(family, QLatin1String(name), DefaultFont);
    }
    settings.dateFormat = QLatin1String(format);
    settings.dateSize = DateSize;
    settings.dateStyle = StampFontStyle();
    settings.dateStyle.weight = weight;
    settings.dateColor1 = shadowColor;
    settings.dateColor2 = textColor;
    settings.diffLeft = -diffTwips;
    settings.diffTop = diffTwips;
    settings.stampLook = look;
    settings.stampHeightPercent = heightPercent;
    settings.anchoring = StampAnchoring { place, place == Place::None ? 0 : marginPercent, 0, 0 };
    settings.strip.show = strip;
    return note;
}

bool StampPreset::fontInstalled(const QString& family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}
