#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

// The date part of the classic Format function, as the date stamp uses it.
//
// Tokens, letters in either case: d dd ddd dddd ddddd dddddd, w ww, m mm mmm
// mmmm (m and mm after h or hh mean minutes, also across separators as in
// "hh:mm"), q, y yy yyyy, h hh, n nn, s ss, ttttt, c; the 12-hour forms
// AM/PM am/pm A/P a/p (printed in the case written) and AMPM (the locale's
// designators); "/" and ":" give the locale's date and time separators; \x
// and "text" are copied literally, and so is any other character. Weeks
// start on Sunday and week 1 is the one holding 1 January. Names of days and
// months are in the locale's language. An empty format gives the general
// date: the short date, a blank and the time, the date alone at midnight.
class DateFormatter {
public:
    static QString format(const QDateTime& value, const QString& format, const QLocale& locale = QLocale::system());
    // A day without a time, in the date part of the format: each run of
    // time fields (hours, minutes, seconds, ttttt, AM/PM) goes with the
    // text between it and the field before it; a run that opens the format
    // goes with the text before it and up to the next field, one that ends
    // it with the text after it too. "DD/MM/YYYY HH:MM" prints as
    // "DD/MM/YYYY", "hh:nn, dddd d mmmm" as "dddd d mmmm". c prints the
    // short date; a format with no date field left, or an empty one, the
    // short date too.
    static QString formatDate(const QDate& day, const QString& format, const QLocale& locale = QLocale::system());

    // The stamp's text for an EXIF date text ("2005:12:25 14:30:07"):
    // the moment formatted; a text with a day and no time ("2005:12:25") in
    // the format's date part alone (formatDate); nothing when the text
    // names no day (see parseExifDate).
    static std::optional<QString> dateText(
        const QString& exifDateText, const QString& format, const QLocale& locale = QLocale::system());

    // An EXIF date text as a date and time (UTC, so that no clock change
    // moves it): "YYYY:MM:DD HH:MM:SS", also with '-' or '/' between the
    // parts of the date, a 'T' before the time, the time or its seconds left out, a
    // fraction of a second and a time zone ("Z", "+02:00"), which are
    // dropped: the camera wrote its own wall-clock time. Nothing for a
    // text that names no real moment: zeros and blanks (what a camera
    // with an unset clock writes), 30 February, 24:00, years before 100.
    static std::optional<QDateTime> parseExifDate(const QString& exifDateText);
    // Whether the text names a time of day as well as a day.
    static bool hasTime(const QString& exifDateText);

    static QString dateSeparator(const QLocale& locale);
    static QString timeSeparator(const QLocale& locale);
};
