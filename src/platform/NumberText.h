#pragma once

#include <QString>

// Numbers as the user reads them in captions and tool tips: the short way,
// with no decimal part for whole numbers and the locale's decimal separator
// otherwise, never a group separator.
class NumberText {
public:
    static QString shortText(float value);
};
