#pragma once

#include "files/StampAnchoring.h"
#include "imaging/PhotoEffect.h"
#include "files/StampFontStyle.h"
#include "platform/FileResult.h"

#include <QPointF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class IniFile;

// The options every window shares, persisted in config.ini, and the run-time
// flags beside them. All zero or empty until LoadSettingsRecord fills them.
// There is no record of the process: its owner (the main window, the
// command-line tool, a test) hands it to the engine and the dialogs.
struct SettingsRecord {
    double PreviewScale = 0; // COEF/preview
    int32_t JpegQuality = 0; // COEF/JPG
    bool ThumbShow = false; // VIGNET/show
    int32_t ThumbHeight = 0; // VIGNET/Height
    int32_t ThumbWidth = 0; // VIGNET/Width
    int32_t DiffLeft = 0; // DIFF/left, twips
    int32_t DiffTop = 0; // DIFF/top, twips
    int32_t DateColor1 = 0; // DATE/color01, 0x00BBGGRR
    int32_t DateColor2 = 0; // DATE/color02
    QString DateFormat {}; // DATE/format
    QString DateFont {}; // DATE/font
    int32_t DateSize = 0; // DATE/size, points
    StampFontStyle dateStyle {}; // DATE/weight, italic, underline, strikeout
    QString TargetFolder {}; // REP/cible

    // The stamp that fits every photo. Each is off by default, and a file
    // without these keys keeps the stamp of the fixed size and position.
    double StampHeightPercent = 0; // STAMP/size_percent, 0.5 to 25; 0: DateSize rules
    StampAnchoring Anchoring {}; // STAMP/anchor, margin_percent, offset_x_percent, offset_y_percent
    int32_t ShiftMinutes = 0; // DATE/shift_minutes, the camera clock's correction
    bool FileDateFallback = false; // DATE/fallback_date "file": undated photos take the file's time

    // Not persisted.
    int32_t CurrentFilter = 0;
    bool BatchFilter = false;
    std::vector<PhotoEffect> Effects {}; // applied by the batch in this order, after the filter
    bool ExifShown = false;

    bool operator==(const SettingsRecord&) const = default;
};

// The settings record's reading from and writing to config.ini. The keys that belong to the main window (PATH/folder,
// PATH/drive) and the stamp's position (LABEL/top, LABEL/left) are read by their users with ReadIni and
// readStampPosition, and written together with the record.
//
// config.ini keeps the stamp's position and offset in twips, 15 to a pixel; they are converted to and from pixels
// here, and nowhere else below the windows.
class mMain {
public:
    // The config.ini this copy of the program keeps (AppLocations).
    static QString DefaultIniPath();
    // Where outputs go unless told otherwise: the batch target's default.
    static QString DefaultOutputRoot();

    // Fills the record's fields from the file, each from its key or, when
    // the key is missing, its default. A value that is not understood (no
    // number, a number outside its range below, a word that is not one of
    // the key's, an empty or relative target) takes the default too, and
    // notes, when given, receives a line for the user on it that names the
    // key, the value and what is used instead ("JPG=0 is outside 1 to 100;
    // 80 is used", "[DIFF] left=x is not a number; -30 is used"). Booleans
    // read true, false, yes, no, on, off in any case, or a number.
    // CurrentFilter is set to 5: the filter choice is not persisted.
    static void LoadSettingsRecord(const QString& sIniPath, SettingsRecord& cRecord,
        const QString& sDefaultTarget = DefaultOutputRoot(), QStringList* notes = nullptr);
    // Writes every key in one replacement of the file, keeping what else it
    // holds, and makes the file's folder when it is missing; addMore puts
    // the caller's own keys into the same write. A failure with the
    // system's reason when the file cannot be written; the old one then
    // stays as it was.
    // stampPosition is in pixels, as readStampPosition gives it.
    static FileResult SaveSettingsRecord(const QString& sIniPath, const SettingsRecord& cRecord, const QString& sDrive,
        const QString& sFolder, QPointF stampPosition, const std::function<void(IniFile&)>& addMore = nullptr);

    // The stamp's stored position (its lower text's top-left corner on the
    // working image) in pixels, from LABEL/left and LABEL/top as
    // ReadLabelPosition reads them; 0 for a missing key.
    static QPointF readStampPosition(const QString& iniPath, QStringList* notes = nullptr);
    // The upper text's offset from the lower one, in pixels: DiffLeft and
    // DiffTop.
    static QPointF stampOffset(const SettingsRecord& record);

    // A stamp label's stored position, LABEL/top or LABEL/left (sKey), in
    // twips: fCurrent when the key is missing; fCurrent with a note when it
    // is no number; clamped into +-MaxLabelTwips, with a note, when it lies
    // outside.
    static float ReadLabelPosition(
        const QString& sIniPath, const QString& sKey, float fCurrent, QStringList* notes = nullptr);
    // Conversions of INI text. Blanks around the text are ignored; both ','
    // and '.' are decimal separators whatever the locale. Nothing when the
    // text is no number or lies outside the type's range.
    static std::optional<double> TextToDouble(const QString& sText);
    // A fractional number goes to the nearest integer, ties to even.
    static std::optional<int32_t> TextToLong(const QString& sText);
    // "True" or "False", "yes" or "no", "on" or "off", in any case, or a
    // number: 0 is false, any other true.
    static std::optional<bool> TextToBoolean(const QString& sText);

    // The shortest text that reads back as the same number, with '.'.
    static QString DoubleToText(double dValue);
    static QString SingleToText(float fValue);
    static QString BooleanToText(bool bValue);

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
