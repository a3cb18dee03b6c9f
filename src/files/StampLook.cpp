#include "files/StampLook.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<StampLook, const char*>, 3> lookNames
    = { { { StampLook::Shadow, "shadow" }, { StampLook::Outline, "outline" }, { StampLook::Glow, "glow" } } };

} // namespace

QString StampLooks::nameOf(StampLook look)
{
    for (const auto& entry : lookNames)
        if (entry.first == look) return QLatin1String(entry.second);
    return QStringLiteral("shadow");
}

std::optional<StampLook> StampLooks::named(const QString& name)
{
    const QString wanted = name.trimmed();
    for (const auto& entry : lookNames)
        if (wanted.compare(QLatin1String(entry.second), Qt::CaseInsensitive) == 0) return entry.first;
    return std::nullopt;
}

QStringList StampLooks::names()
{
    QStringList list;
    for (const auto& entry : lookNames)
        list << QLatin1String(entry.second);
    return list;
}
