// The file-name date reader on any name: no crash, and any date it gives is
// a real day (and time) in its years whose digits the name holds in a row,
// separators aside.
//
// Input: the file name as UTF-8.
#include "FuzzSupport.h"

#include "platform/DateFormatter.h"
#include "platform/FileNameDate.h"

#include <QDateTime>

#include <optional>

namespace {

QString digitsOf(const QString& text)
{
    QString digits;
    for (QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) digits += c;
    return digits;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString date = FileNameDate::read(name);
    if (date.isEmpty()) return 0;
    const std::optional<QDateTime> moment = DateFormatter::parseExifDate(date);
    fuzz::require(moment.has_value() && moment->isValid(), "a real day and time");
    const int year = moment->date().year();
    fuzz::require(year >= FileNameDate::FirstYear && year <= FileNameDate::LastYear, "a year in range");
    fuzz::require(date.size() == 10 || DateFormatter::hasTime(date), "a day, or a day and a time");
    // The name may write digits other than ASCII ones, which are never read.
    fuzz::require(digitsOf(name).contains(digitsOf(date)), "the date's digits stand in the name");
    return 0;
}
