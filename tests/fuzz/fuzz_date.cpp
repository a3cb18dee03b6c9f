// The date formatter on any format and EXIF date text: no crash, and an
// output bounded by the format's length.
//
// Input: one byte choosing the locale, seven giving the moment (year in
// two, then month, day, hours, minutes, seconds, each taken modulo its
// range, so that some days do not exist), then the EXIF date text and the
// format, separated by the first line feed.
#include "FuzzSupport.h"

#include "platform/DateFormatter.h"

#include <QDateTime>
#include <QLocale>

#include <optional>

namespace {

// The longest any single token prints (a long date, a month or day name)
// stays well below this.
constexpr qsizetype MaxPerCharacter = 64;

const QLocale& locale(uint8_t choice)
{
    static const QLocale locales[] = { QLocale::c(), QLocale(QLocale::English, QLocale::UnitedKingdom),
        QLocale(QLocale::French, QLocale::France), QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Japanese, QLocale::Japan),
        QLocale(QLocale::Arabic, QLocale::Egypt), QLocale(QLocale::Finnish, QLocale::Finland) };
    return locales[choice % (sizeof locales / sizeof locales[0])];
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8) return 0;
    const QLocale& where = locale(data[0]);
    const int year = 1 + (data[1] | data[2] << 8) % 9999;
    const QDate date(year, 1 + data[3] % 12, 1 + data[4] % 31);
    const QDateTime moment(date, QTime(data[5] % 24, data[6] % 60, data[7] % 60), Qt::UTC);

    const QString rest = QString::fromUtf8(reinterpret_cast<const char*>(data + 8), qsizetype(size - 8));
    const qsizetype split = rest.indexOf(u'\n');
    const QString exifText = split < 0 ? QString() : rest.left(split);
    const QString format = split < 0 ? rest : rest.mid(split + 1);
    const qsizetype bound = MaxPerCharacter * (format.size() + 1);

    fuzz::require(DateFormatter::format(moment, format, where).size() <= bound, "format output is bounded");
    const std::optional<QString> text = DateFormatter::dateText(exifText, format, where);
    fuzz::require(!text || text->size() <= bound, "date text is bounded");
    const std::optional<QDateTime> parsed = DateFormatter::parseExifDate(exifText);
    fuzz::require(parsed.has_value() == text.has_value(), "a text exactly for a date");
    if (parsed) {
        fuzz::require(parsed->isValid() && parsed->date().year() >= 100, "parsed is a real moment");
        // The date read back from the EXIF form it names is the same moment.
        const QString exifForm = parsed->toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
        fuzz::require(DateFormatter::parseExifDate(exifForm) == parsed, "the EXIF form reads back");
    }
    return 0;
}
