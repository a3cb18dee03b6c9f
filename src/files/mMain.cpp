#include "files/mMain.h"

#include "files/IniFile.h"
#include "files/mFileIni.h"
#include "platform/ExecutableInfo.h"

#include <QLocale>

#include <charconv>
#include <cmath>
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

} // namespace

QString mMain::DefaultIniPath()
{
    return ExecutableInfo::folder() + QStringLiteral("/config.ini");
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

void mMain::LoadSettingsRecord(const QString& sIniPath, SettingsRecord& cRecord)
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
    readInto(file, "REP", "cible", ExecutableInfo::folder(), asText, cRecord.TargetFolder);
}

bool mMain::SaveSettingsRecord(const QString& sIniPath, const SettingsRecord& cRecord, const QString& sDrive,
    const QString& sFolder, float fLabelTop, float fLabelLeft)
{
    IniFile file;
    // Replacing an existing file that cannot be read would lose what it holds.
    if (!file.load(sIniPath)) return false;

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
    set("REP", "cible", cRecord.TargetFolder);
    return file.save(sIniPath);
}
