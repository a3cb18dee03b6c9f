#include "files/StampFontStyle.h"

StampFontStyle StampFontStyle::of(const QFont& font)
{
    return { font.weight(), font.italic(), font.underline(), font.strikeOut() };
}

void StampFontStyle::applyTo(QFont& font) const
{
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
}
