#pragma once

#include "files/StampAnchoring.h"
#include "files/StampLook.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

struct Settings;

// A named look of the stamp that sets the style's fields at once: format,
// font, colours, offset, look, size, place and the caption strip. The user
// may change any of them afterwards; nothing remembers that a preset was
// chosen. Auto-contrast, the clock correction and the fallbacks for undated
// photos are left as they are.
struct StampPreset {
    enum class Id { Classic, Film, Outline, Strip };

    Id id;
    const char* name; // what --preset takes
    const char* format;
    const char* font;
    int32_t weight;
    int32_t shadowColor; // DATE/color01, 0x00BBGGRR: shadow, outline or glow
    int32_t textColor; // DATE/color02
    int32_t diffTwips; // DIFF/left = -diffTwips, DIFF/top = diffTwips
    StampLook look;
    double heightPercent; // 0: the font's size
    StampAnchoring::Place place;
    double marginPercent;
    bool strip;

    // The four presets, in the order the dialog lists them.
    static const StampPreset* all();
    static constexpr int Count = 4;
    static const StampPreset& of(Id id);
    // "classic", "film", "outline", "strip".
    static QStringList names();
    // The preset of one of those names, in any case; nothing for another.
    static std::optional<Id> named(const QString& name);

    // Sets the record's style fields to the preset's. When the preset's font
    // is not installed the record keeps the default font, and the note says
    // so (empty otherwise).
    QString applyTo(Settings& settings) const;

    // The seven-segment family of the film preset (the fonts-dseg package).
    static inline const QString SegmentFont = QStringLiteral("DSEG7 Classic");
    // The font of a record without DATE/font.
    static inline const QString DefaultFont = QStringLiteral("Arial");
    // Whether fontconfig knows a family of that name.
    static bool fontInstalled(const QString& family);
};
