#include "ui/DialogFont.h"

#include <QStringList>

QFont DialogFont::sansSerif()
{
    // DejaVu Sans, the usual default, is a good tenth wider than the font
    // the layouts were made with; Liberation Sans has nearly its widths.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
        QStringLiteral("DejaVu Sans") });
    font.setPointSizeF(8.25);
    return font;
}
