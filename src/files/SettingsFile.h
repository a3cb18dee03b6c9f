#pragma once

#include "files/Settings.h"

#include "files/StampAnchoring.h"
#include "files/StampFontStyle.h"
#include "imaging/PhotoEffect.h"
#include "platform/FileResult.h"

#include <QPointF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class IniFile;

// The settings record's reading from and writing to config.ini. The keys that belong to the main window (PATH/folder,
// PATH/drive) and the stamp's position (LABEL/top, LABEL/left) are read by their users with readValue and
// readStampPosition, and written together with the record.
//
// config.ini keeps the stamp's position and offset in twips, 15 to a pixel; they are converted to and from pixels
// here, and nowhere else below the windows.
class SettingsFile {
public:
    // The config.ini this copy of the program keeps (AppLocations).
    static QString defaultIniPath();
    // Where outputs go unless told otherwise: the batch target's default.
    static QString defaultOutputRoot();

    // Fills the record's fields from the file, each from its key or, when
    // the key is missing, its default. A value that is not understood (no
    // number, a number outside its range below, a word that is not one of
    // the key's, an empty or relative target) takes the default too, and
    // notes, when given, receives a line for the user on it that names the
    // key, the value and what is used instead ("JPG=0 is outside 1 to 100;
    // 80 is used", "[DIFF] left=x is not a number; -30 is used"). Booleans
    // read true, false, yes, no, on, off in any case, or a number.
    // currentFilter is set to 5: the filter choice is not persisted.
    static void load(const QString& settingsPath, Settings& settings,
        const QString& defaultTarget = defaultOutputRoot(), QStringList* notes = nullptr);
    // Writes every key in one replacement of the file, keeping what else it
    // holds, and makes the file's folder when it is missing; addMore puts
    // the caller's own keys into the same write. A failure with the
    // system's reason when the file cannot be written; the old one then
    // stays as it was.
    // stampPosition is in pixels, as readStampPosition gives it.
    static FileResult save(const QString& settingsPath, const Settings& settings, const QString& drive,
        const QString& folder, QPointF stampPosition, const std::function<void(IniFile&)>& addMore = nullptr);

    // The stamp's stored position (its lower text's top-left corner on the
    // working image) in pixels, from LABEL/left and LABEL/top as
    // readLabelPosition reads them; 0 for a missing key.
    static QPointF readStampPosition(const QString& iniPath, QStringList* notes = nullptr);
    // The upper text's offset from the lower one, in pixels: diffLeft and
    // diffTop.
    static QPointF stampOffset(const Settings& record);

    // A stamp label's stored position, LABEL/top or LABEL/left (key), in
    // twips: current when the key is missing; current with a note when it
    // is no number; clamped into +-MaxLabelTwips, with a note, when it lies
    // outside.
    static float readLabelPosition(
        const QString& settingsPath, const QString& key, float current, QStringList* notes = nullptr);
    // Conversions of INI text. Blanks around the text are ignored; both ','
    // and '.' are decimal separators whatever the locale. Nothing when the
    // text is no number or lies outside the type's range.
    static std::optional<double> textToDouble(const QString& text);
    // A fractional number goes to the nearest integer, ties to even.
    static std::optional<int32_t> textToLong(const QString& text);
    // "True" or "False", "yes" or "no", "on" or "off", in any case, or a
    // number: 0 is false, any other true.
    static std::optional<bool> textToBoolean(const QString& text);

    // The shortest text that reads back as the same number, with '.'.
    static QString doubleToText(double value);
    static QString singleToText(float value);
    static QString booleanToText(bool value);

    // The ranges of the options that a photo cannot be saved without. The
    // scale lies in 0 < s <= 1.
    static constexpr int32_t MinJpegQuality = 1;
    static constexpr int32_t MaxJpegQuality = 100;
    static constexpr int32_t MinThumbnailSize = 1;
    static constexpr int32_t MaxThumbnailSize = 10000;
    static constexpr int32_t MinDateSize = 1;
    static constexpr int32_t MaxDateSize = 500;

    // The ranges of the stamp's newer options; values outside them are off.
    static constexpr double MinStampHeightPercent = 0.5;
    static constexpr double MaxStampHeightPercent = 25;
    // A drag may leave the stamp far from its place on a long panorama.
    static constexpr double MaxAnchorPercent = 1000;

    // The stamp labels' stored positions lie within a million pixels of
    // the corner, the offset between the two texts within a thousand (in
    // twips), so that the stamp's pixel arithmetic stays within integers.
    static constexpr float MaxLabelTwips = 15'000'000;
    static constexpr int32_t MaxDiffTwips = 15'000;
};
