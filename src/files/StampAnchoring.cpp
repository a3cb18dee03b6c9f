#include "files/StampAnchoring.h"

#include <array>

namespace {

using Place = StampAnchoring::Place;

// By rows, as the sides make them: row = vertical side, column = horizontal.
constexpr std::array<Place, 9> placesByRow = { Place::TopLeft, Place::Top, Place::TopRight, Place::Left, Place::Centre,
    Place::Right, Place::BottomLeft, Place::Bottom, Place::BottomRight };
// The names are also what the window shows, in the user's language.
constexpr std::array<const char*, 9> namesByRow = { QT_TRANSLATE_NOOP("StampAnchoring", "top-left"),
    QT_TRANSLATE_NOOP("StampAnchoring", "top"), QT_TRANSLATE_NOOP("StampAnchoring", "top-right"),
    QT_TRANSLATE_NOOP("StampAnchoring", "left"), QT_TRANSLATE_NOOP("StampAnchoring", "centre"),
    QT_TRANSLATE_NOOP("StampAnchoring", "right"), QT_TRANSLATE_NOOP("StampAnchoring", "bottom-left"),
    QT_TRANSLATE_NOOP("StampAnchoring", "bottom"), QT_TRANSLATE_NOOP("StampAnchoring", "bottom-right") };

int indexOf(Place place)
{
    for (int i = 0; i < 9; ++i)
        if (placesByRow[i] == place) return i;
    return -1;
}

} // namespace

QString StampAnchoring::nameOf(Place place)
{
    const int i = indexOf(place);
    return i < 0 ? QStringLiteral("none") : QLatin1String(namesByRow[i]);
}

std::optional<StampAnchoring::Place> StampAnchoring::placeNamed(const QString& name)
{
    const QString wanted = name.trimmed();
    for (int i = 0; i < 9; ++i)
        if (wanted.compare(QLatin1String(namesByRow[i]), Qt::CaseInsensitive) == 0) return placesByRow[i];
    return std::nullopt;
}

QStringList StampAnchoring::placeNames()
{
    QStringList names;
    for (const char* name : namesByRow)
        names << QLatin1String(name);
    return names;
}

StampAnchoring::Side StampAnchoring::horizontalSide(Place place)
{
    const int i = indexOf(place);
    return i < 0 ? Side::Start : static_cast<Side>(i % 3);
}

StampAnchoring::Side StampAnchoring::verticalSide(Place place)
{
    const int i = indexOf(place);
    return i < 0 ? Side::Start : static_cast<Side>(i / 3);
}

StampAnchoring::Place StampAnchoring::placeAt(Side horizontal, Side vertical)
{
    return placesByRow[static_cast<size_t>(static_cast<int>(vertical) * 3 + static_cast<int>(horizontal))];
}
