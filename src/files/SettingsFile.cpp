#include "files/SettingsFile.h"

#include "files/IniFile.h"
#include "platform/AppLocations.h"
#include "platform/AtomicFile.h"
#include "platform/ClockShift.h"
#include "platform/StampTemplate.h"
#include "platform/Twips.h"

#include <QDir>
#include <QLocale>

#include <algorithm>
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

// The defaults of the options that have a range.
constexpr double DefaultPreviewScale = 0.5;
constexpr int32_t DefaultJpegQuality = 80;
constexpr int32_t DefaultThumbHeight = 90;
constexpr int32_t DefaultDateSize = 16;

// A stored text as a value, or why it is none ("not a number").
template <typename T> struct Reading {
    std::optional<T> value;
    QString problem;
};

// A number as a note shows it: 15000000, 0.5.
QString shortNumber(double value)
{
    return QString::number(value, 'g', 12);
}

QString outside(double low, double high)
{
    return QStringLiteral("outside %1 to %2").arg(shortNumber(low), shortNumber(high));
}

Reading<double> numberIn(const QString& text, double low, double high)
{
    const auto value = SettingsFile::textToDouble(text);
    if (!value) return { {}, QStringLiteral("not a number") };
    if (*value < low || *value > high) return { {}, outside(low, high) };
    return { value, {} };
}

// Rounded to the nearest integer, ties to even, before the range is checked.
Reading<int32_t> integerIn(const QString& text, int32_t low, int32_t high)
{
    const auto value = SettingsFile::textToDouble(text);
    if (!value) return { {}, QStringLiteral("not a number") };
    const double rounded = std::nearbyint(*value);
    if (rounded < low || rounded > high) return { {}, outside(low, high) };
    return { static_cast<int32_t>(rounded), {} };
}

// The keys of config.ini as the record takes them: a missing key gives its
// default quietly; a value that is not understood gives it too, with a note
// for the user that names the key, the value and what is used instead
// ("JPG=0 is outside 1 to 100; 80 is used"). Keys that two sections share
// are named with their section ("[DIFF] left=").
class KeyReader {
public:
    KeyReader(const IniFile& file, QStringList* notes)
        : m_file(file)
        , m_notes(notes)
    {
    }

    // The key's value as IniFile reads it; nothing when it is missing.
    std::optional<QString> text(const char* section, const char* key) const
    {
        const auto value = m_file.value(QLatin1String(section), QLatin1String(key));
        if (!value) return std::nullopt;
        return value->left(IniFile::MaxValueLength);
    }

    void note(const char* section, const char* key, const QString& problem, const QString& used) const
    {
        if (!m_notes) return;
        const QString name = shared(key) ? QStringLiteral("[%1] %2").arg(QLatin1String(section), QLatin1String(key))
                                         : QLatin1String(key);
        *m_notes << QStringLiteral("%1=%2 is %3; %4 is used")
                        .arg(name, text(section, key).value_or(QString()), problem, used);
    }

    // read turns the text into a Reading<T>.
    template <typename T, typename Read>
    T value(const char* section, const char* key, T fallback, const QString& used, Read read) const
    {
        const std::optional<QString> stored = text(section, key);
        if (!stored) return fallback;
        const Reading<T> reading = read(*stored);
        if (reading.value) return *reading.value;
        note(section, key, reading.problem, used);
        return fallback;
    }

    int32_t integer(const char* section, const char* key, int32_t fallback,
        int32_t low = std::numeric_limits<int32_t>::min(), int32_t high = std::numeric_limits<int32_t>::max()) const
    {
        return value(section, key, fallback, QString::number(fallback),
            [low, high](const QString& text) { return integerIn(text, low, high); });
    }

    bool boolean(const char* section, const char* key, bool fallback) const
    {
        return value(section, key, fallback, SettingsFile::booleanToText(fallback), [](const QString& text) {
            return Reading<bool> { SettingsFile::textToBoolean(text), QStringLiteral("neither true nor false") };
        });
    }

private:
    static bool shared(const char* key) { return qstrcmp(key, "left") == 0 || qstrcmp(key, "top") == 0; }

    const IniFile& m_file;
    QStringList* m_notes;
};

// The thumbnail size of the rule in use must lie in its range: the height
// when one is set, else the width. One that does not gives the default rule.
void keepThumbnailInRange(const KeyReader& keys, Settings& settings)
{
    const bool byHeight = settings.thumbHeight != 0;
    const int32_t size = byHeight ? settings.thumbHeight : settings.thumbWidth;
    if (size >= SettingsFile::MinThumbnailSize && size <= SettingsFile::MaxThumbnailSize) return;
    settings.thumbHeight = DefaultThumbHeight;
    settings.thumbWidth = 0;
    keys.note("VIGNET", byHeight ? "Height" : "Width",
        outside(SettingsFile::MinThumbnailSize, SettingsFile::MaxThumbnailSize),
        QStringLiteral("Height=%1").arg(DefaultThumbHeight));
}

// The stamp's newer options; 0 and none are off.
void readStampOptions(const KeyReader& keys, Settings& settings)
{
    settings.stampHeightPercent
        = keys.value("STAMP", "size_percent", 0.0, QStringLiteral("0"), [](const QString& text) -> Reading<double> {
              const Reading<double> reading
                  = numberIn(text, SettingsFile::MinStampHeightPercent, SettingsFile::MaxStampHeightPercent);
              return SettingsFile::textToDouble(text) == 0.0 ? Reading<double> { 0.0, {} } : reading;
          });
    StampAnchoring anchoring;
    anchoring.place = keys.value("STAMP", "anchor", StampAnchoring::Place::None, QStringLiteral("none"),
        [](const QString& text) -> Reading<StampAnchoring::Place> {
            if (text.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
                return { StampAnchoring::Place::None, {} };
            if (const auto place = StampAnchoring::placeNamed(text)) return { *place, {} };
            return { {}, QStringLiteral("not none, %1").arg(StampAnchoring::placeNames().join(QStringLiteral(", "))) };
        });
    const double limit = SettingsFile::MaxAnchorPercent;
    const auto percent = [&keys](const char* key, double low, double high) {
        return keys.value("STAMP", key, 0.0, QStringLiteral("0"),
            [low, high](const QString& text) { return numberIn(text, low, high); });
    };
    const double margin = percent("margin_percent", 0, limit);
    const double offsetX = percent("offset_x_percent", -limit, limit);
    const double offsetY = percent("offset_y_percent", -limit, limit);
    // A margin or offsets without a place mean nothing.
    if (anchoring.place != StampAnchoring::Place::None) {
        anchoring.marginPercent = margin;
        anchoring.offsetXPercent = offsetX;
        anchoring.offsetYPercent = offsetY;
    }
    settings.anchoring = anchoring;
    settings.shiftMinutes = keys.integer("DATE", "shift_minutes", 0, -ClockShift::MaxMinutes, ClockShift::MaxMinutes);
    settings.nameDateFallback = keys.boolean("DATE", "fallback_name", false);
    settings.fileDateFallback
        = keys.value("DATE", "fallback_date", false, QStringLiteral("none"), [](const QString& text) -> Reading<bool> {
              if (text.compare(QLatin1String("file"), Qt::CaseInsensitive) == 0) return { true, {} };
              if (text.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) return { false, {} };
              return { {}, QStringLiteral("not none or file") };
          });
}

// The stamp's look, auto-contrast and caption strip; without their keys the
// stamp is the two-colour shadow on the photo itself.
void readLookOptions(const KeyReader& keys, Settings& settings)
{
    settings.stampLook = keys.value(
        "DATE", "look", StampLook::Shadow, QStringLiteral("shadow"), [](const QString& text) -> Reading<StampLook> {
            if (const auto look = StampLooks::named(text)) return { *look, {} };
            return { {}, QStringLiteral("not %1").arg(StampLooks::names().join(QStringLiteral(", "))) };
        });
    settings.autoContrast = keys.boolean("DATE", "auto_contrast", false);
    CaptionStrip strip;
    strip.show = keys.boolean("STRIP", "enabled", false);
    strip.heightPercent = keys.value("STRIP", "height_percent", CaptionStrip::DefaultHeightPercent,
        shortNumber(CaptionStrip::DefaultHeightPercent), [](const QString& text) {
            return numberIn(text, CaptionStrip::MinHeightPercent, CaptionStrip::MaxHeightPercent);
        });
    strip.color = keys.integer("STRIP", "color", strip.color, 0, 0x00FFFFFF);
    settings.strip = strip;
}

} // namespace

QString SettingsFile::defaultIniPath()
{
    return AppLocations::current().settingsFile();
}

QString SettingsFile::defaultOutputRoot()
{
    return AppLocations::current().outputRoot();
}

std::optional<double> SettingsFile::textToDouble(const QString& input)
{
    QString text = input.trimmed();
    if (text.count(u',') + text.count(u'.') > 1) return std::nullopt;
    text.replace(u',', u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int32_t> SettingsFile::textToLong(const QString& input)
{
    const auto value = textToDouble(input);
    if (!value) return std::nullopt;
    // nearbyint rounds in the default mode: to nearest, ties to even.
    const double rounded = std::nearbyint(*value);
    if (rounded < std::numeric_limits<int32_t>::min() || rounded > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(rounded);
}

std::optional<bool> SettingsFile::textToBoolean(const QString& input)
{
    const QString text = input.trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    for (const char* yes : { "yes", "on" })
        if (text.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0) return true;
    for (const char* no : { "no", "off" })
        if (text.compare(QLatin1String(no), Qt::CaseInsensitive) == 0) return false;
    const auto number = textToDouble(text);
    if (!number) return std::nullopt;
    return *number != 0;
}

QString SettingsFile::doubleToText(double newValue)
{
    return shortestText(newValue);
}

QString SettingsFile::singleToText(float newValue)
{
    return shortestText(newValue);
}

QString SettingsFile::booleanToText(bool newValue)
{
    return newValue ? QStringLiteral("True") : QStringLiteral("False");
}

float SettingsFile::readLabelPosition(
    const QString& settingsPath, const QString& keyName, float current, QStringList* notes)
{
    IniFile file;
    file.load(settingsPath);
    const KeyReader keys(file, notes);
    const QByteArray key = keyName.toLatin1();
    const std::optional<QString> stored = keys.text("LABEL", key.constData());
    if (!stored) return current;
    const auto position = textToDouble(*stored);
    if (!position) {
        keys.note("LABEL", key.constData(), QStringLiteral("not a number"), shortNumber(current));
        return current;
    }
    // Far beyond any picture's edge, a stamp is moved inside all the same;
    // the bound keeps the pixel arithmetic within its integers.
    const double clamped = std::clamp(*position, double(-MaxLabelTwips), double(MaxLabelTwips));
    if (clamped != *position)
        keys.note("LABEL", key.constData(), outside(-MaxLabelTwips, MaxLabelTwips), shortNumber(clamped));
    return static_cast<float>(clamped);
}

QPointF SettingsFile::readStampPosition(const QString& iniPath, QStringList* notes)
{
    const float top = readLabelPosition(iniPath, QStringLiteral("top"), 0, notes);
    const float left = readLabelPosition(iniPath, QStringLiteral("left"), 0, notes);
    return QPointF(double(left) / Twips::PerPixel, double(top) / Twips::PerPixel);
}

QPointF SettingsFile::stampOffset(const Settings& record)
{
    return QPointF(double(record.diffLeft) / Twips::PerPixel, double(record.diffTop) / Twips::PerPixel);
}

void SettingsFile::load(
    const QString& settingsPath, Settings& settings, const QString& defaultTarget, QStringList* notes)
{
    // An unreadable file counts as a missing one: every key takes its default.
    IniFile file;
    file.load(settingsPath);

    settings.currentFilter = 5;
    const KeyReader keys(file, notes);
    settings.previewScale = keys.value("COEF", "preview", DefaultPreviewScale, doubleToText(DefaultPreviewScale),
        [](const QString& text) -> Reading<double> {
            const auto scale = textToDouble(text);
            if (scale && *scale > 0 && *scale <= 1) return { scale, {} };
            return { {}, scale ? QStringLiteral("not above 0 and at most 1") : QStringLiteral("not a number") };
        });
    settings.jpegQuality = keys.integer("COEF", "JPG", DefaultJpegQuality, MinJpegQuality, MaxJpegQuality);
    settings.losslessStamp = keys.boolean("COEF", "lossless", false);
    settings.thumbShow = keys.boolean("VIGNET", "show", true);
    settings.thumbHeight = keys.integer("VIGNET", "Height", DefaultThumbHeight);
    settings.thumbWidth = keys.integer("VIGNET", "Width", 0);
    keepThumbnailInRange(keys, settings);
    settings.diffLeft = keys.integer("DIFF", "left", -30, -MaxDiffTwips, MaxDiffTwips);
    settings.diffTop = keys.integer("DIFF", "top", 30, -MaxDiffTwips, MaxDiffTwips);
    settings.dateColor1 = keys.integer("DATE", "color01", 0);
    // White, 0x00FFFFFF.
    settings.dateColor2 = keys.integer("DATE", "color02", 255 + 255 * 256 + 255 * 65536);
    settings.dateFormat = keys.text("DATE", "format").value_or(QStringLiteral("DD/MM/YYYY HH:MM"));
    settings.dateFont = keys.text("DATE", "font").value_or(QStringLiteral("Arial"));
    settings.dateSize = keys.integer("DATE", "size", DefaultDateSize, MinDateSize, MaxDateSize);
    // What the font picker chose besides name and size; regular without them.
    const StampFontStyle regular;
    settings.dateStyle.weight
        = keys.integer("DATE", "weight", regular.weight, StampFontStyle::MinWeight, StampFontStyle::MaxWeight);
    settings.dateStyle.italic = keys.boolean("DATE", "italic", regular.italic);
    settings.dateStyle.underline = keys.boolean("DATE", "underline", regular.underline);
    settings.dateStyle.strikeOut = keys.boolean("DATE", "strikeout", regular.strikeOut);
    // Outputs go nowhere but below a folder named in full.
    settings.targetFolder = keys.value("REP", "cible", defaultTarget, QDir::toNativeSeparators(defaultTarget),
        [](const QString& text) -> Reading<QString> {
            if (text.isEmpty()) return { {}, QStringLiteral("empty") };
            if (QDir::isRelativePath(text)) return { {}, QStringLiteral("not a full path") };
            return { text, {} };
        });
    readStampOptions(keys, settings);
    readLookOptions(keys, settings);
    settings.stampTemplate = keys.value("DATE", "template", StampTemplate::defaultText(), StampTemplate::defaultText(),
        [](const QString& text) -> Reading<QString> {
            QString problem;
            if (text.isEmpty()) return { StampTemplate::defaultText(), {} };
            if (StampTemplate::parse(text, &problem)) return { text, {} };
            return { {}, QStringLiteral("not a template (%1)").arg(problem) };
        });
}

FileResult SettingsFile::save(const QString& settingsPath, const Settings& settings, const QString& drive,
    const QString& folder, QPointF stampPosition, const std::function<void(IniFile&)>& addMore)
{
    IniFile file;
    // Replacing an existing file that cannot be read would lose what it holds.
    if (const FileResult read = file.load(settingsPath); !read) return read;
    // The user's configuration folder may not exist before the first save.
    if (const FileResult made = AtomicFile::makeFolderFor(settingsPath); !made) return made;

    const auto set = [&file](const char* sectionName, const char* keyName, const QString& newValue) {
        file.setValue(QLatin1String(sectionName), QLatin1String(keyName), newValue);
    };
    set("PATH", "drive", drive);
    set("PATH", "folder", folder);
    // Single precision, as the position was read: a position that was not
    // moved goes back as it came.
    set("LABEL", "top", singleToText(static_cast<float>(stampPosition.y() * Twips::PerPixel)));
    set("LABEL", "left", singleToText(static_cast<float>(stampPosition.x() * Twips::PerPixel)));
    set("COEF", "preview", doubleToText(settings.previewScale));
    set("COEF", "JPG", QString::number(settings.jpegQuality));
    set("COEF", "lossless", booleanToText(settings.losslessStamp));
    set("VIGNET", "show", booleanToText(settings.thumbShow));
    set("VIGNET", "Height", QString::number(settings.thumbHeight));
    set("VIGNET", "Width", QString::number(settings.thumbWidth));
    set("DIFF", "left", QString::number(settings.diffLeft));
    set("DIFF", "top", QString::number(settings.diffTop));
    set("DATE", "color01", QString::number(settings.dateColor1));
    set("DATE", "color02", QString::number(settings.dateColor2));
    set("DATE", "format", settings.dateFormat);
    set("DATE", "font", settings.dateFont);
    set("DATE", "size", QString::number(settings.dateSize));
    set("DATE", "weight", QString::number(settings.dateStyle.weight));
    set("DATE", "italic", booleanToText(settings.dateStyle.italic));
    set("DATE", "underline", booleanToText(settings.dateStyle.underline));
    set("DATE", "strikeout", booleanToText(settings.dateStyle.strikeOut));
    set("DATE", "shift_minutes", QString::number(settings.shiftMinutes));
    set("DATE", "fallback_date", settings.fileDateFallback ? QStringLiteral("file") : QStringLiteral("none"));
    set("DATE", "fallback_name", booleanToText(settings.nameDateFallback));
    set("DATE", "template", settings.stampTemplate);
    set("REP", "cible", settings.targetFolder);
    set("STAMP", "size_percent", doubleToText(settings.stampHeightPercent));
    set("STAMP", "anchor", StampAnchoring::nameOf(settings.anchoring.place));
    set("STAMP", "margin_percent", doubleToText(settings.anchoring.marginPercent));
    set("STAMP", "offset_x_percent", doubleToText(settings.anchoring.offsetXPercent));
    set("STAMP", "offset_y_percent", doubleToText(settings.anchoring.offsetYPercent));
    set("DATE", "look", StampLooks::nameOf(settings.stampLook));
    set("DATE", "auto_contrast", booleanToText(settings.autoContrast));
    set("STRIP", "enabled", booleanToText(settings.strip.show));
    set("STRIP", "height_percent", doubleToText(settings.strip.heightPercent));
    set("STRIP", "color", QString::number(settings.strip.color));
    if (addMore) addMore(file);
    return file.save(settingsPath);
}
