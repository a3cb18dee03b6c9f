#include "files/mMain.h"

#include "files/IniFile.h"
#include "files/mFileIni.h"
#include "platform/AppLocations.h"
#include "platform/AtomicFile.h"
#include "platform/ClockShift.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

template <typename T> QString shortestText(T value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

// Reads the key and stores its conversion into the field; a value that does
// not convert leaves the field alone.
template <typename T, typename Convert>
void readInto(
    const IniFile& cFile, const char* sSection, const char* sKey, const QString& sDefault, Convert convert, T& field)
{
    if (const auto value = convert(mFileIni::ReadIni(cFile, QLatin1String(sSection), QLatin1String(sKey), sDefault)))
        field = *value;
}

// The number of the key when it lies in [low, high]; 0 (off) when it is
// missing, no number, or outside.
double percentIn(const IniFile& cFile, const char* sSection, const char* sKey, double low, double high)
{
    const auto value
        = mMain::TextToDouble(cFile.value(QLatin1String(sSection), QLatin1String(sKey)).value_or(QString()));
    return value && *value >= low && *value <= high ? *value : 0;
}

void readStampOptions(const IniFile& cFile, SettingsRecord& cRecord)
{
    cRecord.StampHeightPercent
        = percentIn(cFile, "STAMP", "size_percent", mMain::MinStampHeightPercent, mMain::MaxStampHeightPercent);
    StampAnchoring anchoring;
    const auto place = StampAnchoring::placeNamed(
        cFile.value(QStringLiteral("STAMP"), QStringLiteral("anchor")).value_or(QString()));
    if (place) {
        const double limit = mMain::MaxAnchorPercent;
        anchoring.place = *place;
        anchoring.marginPercent = percentIn(cFile, "STAMP", "margin_percent", 0, limit);
        anchoring.offsetXPercent = percentIn(cFile, "STAMP", "offset_x_percent", -limit, limit);
        anchoring.offsetYPercent = percentIn(cFile, "STAMP", "offset_y_percent", -limit, limit);
    }
    cRecord.Anchoring = anchoring;
    const auto shift
        = mMain::TextToLong(cFile.value(QStringLiteral("DATE"), QStringLiteral("shift_minutes")).value_or(QString()));
    cRecord.ShiftMinutes = shift && std::abs(*shift) <= ClockShift::MaxMinutes ? *shift : 0;
    cRecord.FileDateFallback = cFile.value(QStringLiteral("DATE"), QStringLiteral("fallback_date"))
                                   .value_or(QString())
                                   .trimmed()
                                   .compare(QLatin1String("file"), Qt::CaseInsensitive)
        == 0;
}

} // namespace

QString mMain::DefaultIniPath()
{
    return AppLocations::current().settingsFile();
}

QString mMain::DefaultOutputRoot()
{
    return AppLocations::current().outputRoot();
}

std::optional<double> mMain::TextToDouble(const QString& sText)
{
    QString text = sText.trimmed();
    if (text.count(u',') + text.count(u'.') > 1) return std::nullopt;
    text.replace(u',', u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<float> mMain::TextToSingle(const QString& sText)
{
    const auto value = TextToDouble(sText);
    if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) return std::nullopt;
    return static_cast<float>(*value);
}

std::optional<int32_t> mMain::TextToLong(const QString& sText)
{
    const auto value = TextToDouble(sText);
    if (!value) return std::nullopt;
    // nearbyint rounds in the default mode: to nearest, ties to even.
    const double rounded = std::nearbyint(*value);
    if (rounded < std::numeric_limits<int32_t>::min() || rounded > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(rounded);
}

std::optional<bool> mMain::TextToBoolean(const QString& sText)
{
    const QString text = sText.trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    const auto number = TextToDouble(text);
    if (!number) return std::nullopt;
    return *number != 0;
}

QString mMain::DoubleToText(double dValue)
{
    return shortestText(dValue);
}

QString mMain::SingleToText(float fValue)
{
    return shortestText(fValue);
}

QString mMain::BooleanToText(bool bValue)
{
    return bValue ? QStringLiteral("True") : QStringLiteral("False");
}

float mMain::ReadIniSingle(const QString& sIniPath, const QString& sSection, const QString& sKey, float fCurrent)
{
    return TextToSingle(mFileIni::ReadIni(sIniPath, sSection, sKey, SingleToText(fCurrent))).value_or(fCurrent);
}

void mMain::LoadSettingsRecord(const QString& sIniPath, SettingsRecord& cRecord, const QString& sDefaultTarget)
{
    // An unreadable file counts as a missing one: every key takes its default.
    IniFile file;
    file.load(sIniPath);

    cRecord.CurrentFilter = 5;
    const auto toLong = &mMain::TextToLong;
    const auto asText = [](const QString& s) { return std::optional<QString>(s); };
    readInto(file, "COEF", "preview", QStringLiteral("0,5"), &mMain::TextToDouble, cRecord.PreviewScale);
    readInto(file, "COEF", "JPG", QStringLiteral("80"), toLong, cRecord.JpegQuality);
    readInto(file, "VIGNET", "show", QStringLiteral("-1"), &mMain::TextToBoolean, cRecord.ThumbShow);
    readInto(file, "VIGNET", "Height", QStringLiteral("90"), toLong, cRecord.ThumbHeight);
    readInto(file, "VIGNET", "Width", QStringLiteral("0"), toLong, cRecord.ThumbWidth);
    readInto(file, "DIFF", "left", QStringLiteral("-30"), toLong, cRecord.DiffLeft);
    readInto(file, "DIFF", "top", QStringLiteral("30"), toLong, cRecord.DiffTop);
    readInto(file, "DATE", "color01", QStringLiteral("0"), toLong, cRecord.DateColor1);
    // White, 0x00FFFFFF.
    readInto(file, "DATE", "color02", QString::number(255 + 255 * 256 + 255 * 65536), toLong, cRecord.DateColor2);
    readInto(file, "DATE", "format", QStringLiteral("DD/MM/YYYY HH:MM"), asText, cRecord.DateFormat);
    readInto(file, "DATE", "font", QStringLiteral("Arial"), asText, cRecord.DateFont);
    readInto(file, "DATE", "size", QStringLiteral("16"), toLong, cRecord.DateSize);
    readInto(file, "REP", "cible", sDefaultTarget, asText, cRecord.TargetFolder);
    readStampOptions(file, cRecord);
}

FileResult mMain::SaveSettingsRecord(const QString& sIniPath, const SettingsRecord& cRecord, const QString& sDrive,
    const QString& sFolder, float fLabelTop, float fLabelLeft)
{
    IniFile file;
    // Replacing an existing file that cannot be read would lose what it holds.
    if (const FileResult read = file.load(sIniPath); !read) return read;
    // The user's configuration folder may not exist before the first save.
    if (const int error = AtomicFile::makeFolderFor(sIniPath)) return FileResult(error);

    const auto set = [&file](const char* sSection, const char* sKey, const QString& sValue) {
        file.setValue(QLatin1String(sSection), QLatin1String(sKey), sValue);
    };
    set("PATH", "drive", sDrive);
    set("PATH", "folder", sFolder);
    set("LABEL", "top", SingleToText(fLabelTop));
    set("LABEL", "left", SingleToText(fLabelLeft));
    set("COEF", "preview", DoubleToText(cRecord.PreviewScale));
    set("COEF", "JPG", QString::number(cRecord.JpegQuality));
    set("VIGNET", "show", BooleanToText(cRecord.ThumbShow));
    set("VIGNET", "Height", QString::number(cRecord.ThumbHeight));
    set("VIGNET", "Width", QString::number(cRecord.ThumbWidth));
    set("DIFF", "left", QString::number(cRecord.DiffLeft));
    set("DIFF", "top", QString::number(cRecord.DiffTop));
    set("DATE", "color01", QString::number(cRecord.DateColor1));
    set("DATE", "color02", QString::number(cRecord.DateColor2));
    set("DATE", "format", cRecord.DateFormat);
    set("DATE", "font", cRecord.DateFont);
    set("DATE", "size", QString::number(cRecord.DateSize));
    set("DATE", "shift_minutes", QString::number(cRecord.ShiftMinutes));
    set("DATE", "fallback_date", cRecord.FileDateFallback ? QStringLiteral("file") : QStringLiteral("none"));
    set("REP", "cible", cRecord.TargetFolder);
    set("STAMP", "size_percent", DoubleToText(cRecord.StampHeightPercent));
    set("STAMP", "anchor", StampAnchoring::nameOf(cRecord.Anchoring.place));
    set("STAMP", "margin_percent", DoubleToText(cRecord.Anchoring.marginPercent));
    set("STAMP", "offset_x_percent", DoubleToText(cRecord.Anchoring.offsetXPercent));
    set("STAMP", "offset_y_percent", DoubleToText(cRecord.Anchoring.offsetYPercent));
    return file.save(sIniPath);
}
