#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The correction for a camera whose clock was wrong: a signed number of
// minutes added to the dates the camera wrote (+9:00 for a camera left on
// another time zone, -26:15 for a clock a day and a bit slow).
class ClockShift {
public:
    // "+HH:MM" or "-HH:MM" (the minus sign U+2212 too; no sign means +),
    // hours from 0 to MaxHours, minutes 00 to 59. Nothing for any other text.
    static std::optional<int32_t> fromText(const QString& text);

    // An EXIF date text ("2008:05:30 15:56:01") moved by minutes, in the
    // EXIF form. A text that names no moment (a day without a time among
    // them), or one moved outside the years 100 to 9999, stays as it was;
    // so does every text when minutes is 0.
    static QString exifDate(const QString& exifText, int32_t minutes);

    static constexpr int32_t MaxHours = 999999;
    static constexpr int32_t MaxMinutes = MaxHours * 60 + 59;
};
