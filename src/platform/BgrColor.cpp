#include "platform/BgrColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// System colour numbers 0..24 of the desktop, each with the palette entry
// that plays the same part on this desktop.
SystemRole roleForSystemColor(quint32 index)
{
    switch (index) {
    case 0:
        return { QPalette::Active, QPalette::Button }; // scroll bar
    case 1:
        return { QPalette::Active, QPalette::Dark }; // desktop
    case 2:
        return { QPalette::Active, QPalette::Highlight }; // active caption
    case 3:
        return { QPalette::Inactive, QPalette::Highlight }; // inactive caption
    case 4:
        return { QPalette::Active, QPalette::Window }; // menu
    case 5:
        return { QPalette::Active, QPalette::Base }; // window
    case 6:
        return { QPalette::Active, QPalette::Shadow }; // window frame
    case 7:
        return { QPalette::Active, QPalette::WindowText }; // menu text
    case 8:
        return { QPalette::Active, QPalette::Text }; // window text
    case 9:
        return { QPalette::Active, QPalette::HighlightedText }; // caption text
    case 10:
        return { QPalette::Active, QPalette::Window }; // active border
    case 11:
        return { QPalette::Inactive, QPalette::Window }; // inactive border
    case 12:
        return { QPalette::Active, QPalette::Mid }; // application workspace
    case 13:
        return { QPalette::Active, QPalette::Highlight };
    case 14:
        return { QPalette::Active, QPalette::HighlightedText };
    case 15:
        return { QPalette::Active, QPalette::Button }; // button face
    case 16:
        return { QPalette::Active, QPalette::Dark }; // button shadow
    case 17:
        return { QPalette::Disabled, QPalette::Text }; // grey text
    case 18:
        return { QPalette::Active, QPalette::ButtonText };
    case 19:
        return { QPalette::Inactive, QPalette::HighlightedText }; // inactive caption text
    case 20:
        return { QPalette::Active, QPalette::Light }; // button highlight
    case 21:
        return { QPalette::Active, QPalette::Shadow }; // dark 3-D shadow
    case 22:
        return { QPalette::Active, QPalette::Midlight }; // 3-D light
    case 23:
        return { QPalette::Active, QPalette::ToolTipText };
    case 24:
        return { QPalette::Active, QPalette::ToolTipBase };
    default:
        return { QPalette::Active, QPalette::Window };
    }
}

} // namespace

QColor BgrColor::toQColor(quint32 value)
{
    if (isSystemColor(value)) {
        const SystemRole entry = roleForSystemColor(value & ~SystemFlag);
        return QGuiApplication::palette().color(entry.group, entry.role);
    }
    return QColor(int(value & 0xFFu), int((value >> 8) & 0xFFu), int((value >> 16) & 0xFFu));
}

quint32 BgrColor::fromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}
