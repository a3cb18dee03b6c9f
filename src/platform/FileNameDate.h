#pragma once

#include <QString>

// The moment a photo's file name says it was taken. Phones, messengers and
// screenshot tools name their files after it: IMG_20190712_153045.jpg,
// PXL_20240229_235959123.jpg, Screenshot_20230405-081512.png,
// 20180812_101010.jpg, IMG-20220103-WA0007.jpg (a day, no time),
// "WhatsApp Image 2021-03-14 at 18.22.05.jpeg",
// Screenshot_2023-04-05-08-15-12.png, signal-2021-03-14-182205.jpg.
//
// Two shapes are read, wherever they stand in the name and not run into
// other digits: eight digits YYYYMMDD, and YYYY-MM-DD; either may be
// followed by a time HHMMSS (milliseconds after it are dropped), after "_"
// or "-" for the first, after a blank, "_", "-" or " at " for the second,
// with its fields joined by nothing, ".", "-", ":" or "_". The first such
// date in the name that is a real one wins. A date or a time that does not
// exist (month 13, 30 February, hour 24) makes its digits no date; so does
// a year outside FirstYear to LastYear (FirstCompactYear for eight digits in
// a row, which a counter or a serial number may hold by chance).
class FileNameDate {
public:
    // The date as an EXIF date text, "2021:03:14 18:22:05", or "2021:03:14"
    // for a name with a day and no time; empty when the name holds none.
    static QString read(const QString& fileName);

    static constexpr int FirstYear = 1900;
    static constexpr int FirstCompactYear = 1990;
    static constexpr int LastYear = 2099;
};
