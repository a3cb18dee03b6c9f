#pragma once

#include <QColor>
#include <QtGlobal>

// A colour as the controls store it: 0x00BBGGRR for a plain colour (red in
// the low byte), or 0x800000nn for system colour nn, which follows the
// desktop's current palette.
class BgrColor {
public:
    static constexpr quint32 SystemFlag = 0x80000000u;
    static constexpr quint32 ButtonFace = 0x8000000Fu; // system colour 15
    static constexpr quint32 ButtonText = 0x80000012u; // system colour 18

    static bool isSystemColor(quint32 value) { return (value & SystemFlag) != 0; }

    // The colour to paint with: plain colours directly, system colours from
    // the application palette. Unknown system colours give the window colour.
    static QColor toQColor(quint32 value);

    // The plain 0x00BBGGRR value of an opaque colour.
    static quint32 fromQColor(const QColor& color);
};
