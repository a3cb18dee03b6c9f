#pragma once

#include <QFont>

#include <cstdint>

// What the stamp's font has besides its name and size, as the date style
// dialog's font picker sets it: the weight, which alone decides boldness
// (400 regular, 700 bold), italic, underline and strike-out. The default
// is the regular font.
struct StampFontStyle {
    int32_t weight = QFont::Normal;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const StampFontStyle&) const = default;

    static StampFontStyle of(const QFont& font);
    // Gives font this style; its name and size stay.
    void applyTo(QFont& font) const;

    // The weights a font can have.
    static constexpr int32_t MinWeight = 1;
    static constexpr int32_t MaxWeight = 1000;
};
