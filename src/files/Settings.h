#pragma once

#include "files/CaptionStrip.h"
#include "files/StampAnchoring.h"
#include "files/StampFontStyle.h"
#include "files/StampLook.h"
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

// The options every window shares, persisted in config.ini, and the run-time
// flags beside them. All zero or empty until load fills them.
// There is no record of the process: its owner (the main window, the
// command-line tool, a test) hands it to the engine and the dialogs.
struct Settings {
    double previewScale = 0; // COEF/preview
    int32_t jpegQuality = 0; // COEF/JPG
    bool thumbShow = false; // VIGNET/show
    int32_t thumbHeight = 0; // VIGNET/Height
    int32_t thumbWidth = 0; // VIGNET/Width
    int32_t diffLeft = 0; // DIFF/left, twips
    int32_t diffTop = 0; // DIFF/top, twips
    int32_t dateColor1 = 0; // DATE/color01, 0x00BBGGRR
    int32_t dateColor2 = 0; // DATE/color02
    QString dateFormat {}; // DATE/format
    QString dateFont {}; // DATE/font
    int32_t dateSize = 0; // DATE/size, points
    StampFontStyle dateStyle {}; // DATE/weight, italic, underline, strikeout
    QString targetFolder {}; // REP/cible

    // The stamp that fits every photo. Each is off by default, and a file
    // without these keys keeps the stamp of the fixed size and position.
    double stampHeightPercent = 0; // STAMP/size_percent, 0.5 to 25; 0: dateSize rules
    StampAnchoring anchoring {}; // STAMP/anchor, margin_percent, offset_x_percent, offset_y_percent
    int32_t shiftMinutes = 0; // DATE/shift_minutes, the camera clock's correction
    // For a photo whose EXIF and XMP hold no date: the date its file name
    // says, when there is one, then the file's modification time.
    bool nameDateFallback = false; // DATE/fallback_name
    bool fileDateFallback = false; // DATE/fallback_date "file"
    // How the stamp looks and where it goes (StampPreset sets them at once).
    StampLook stampLook = StampLook::Shadow; // DATE/look
    // Each photo's stamp takes light or dark ink by the photo under it.
    bool autoContrast = false; // DATE/auto_contrast
    CaptionStrip strip {}; // STRIP/enabled, height_percent, color
    // Stamp only: a JPEG photo keeps its coded picture and only the blocks
    // under the stamp change (LosslessStamper); scale, filter and effects
    // are set aside.
    bool losslessStamp = false; // COEF/lossless

    // The scale the outputs are made at: the photo's own size while only
    // the stamp may change.
    double scaleInUse() const { return losslessStamp ? 1.0 : previewScale; }
    // The band the outputs get: none while only the stamp may change.
    CaptionStrip stripInUse() const
    {
        CaptionStrip inUse = strip;
        inUse.show = strip.show && !losslessStamp;
        return inUse;
    }
    // What the stamp prints (StampTemplate), line breaks written "\n";
    // empty or missing: the date alone, "{date}".
    QString stampTemplate {}; // DATE/template

    // Not persisted.
    int32_t currentFilter = 0;
    bool batchFilter = false;
    std::vector<PhotoEffect> effects {}; // applied by the batch in this order, after the filter
    bool exifShown = false;

    bool operator==(const Settings&) const = default;
};
