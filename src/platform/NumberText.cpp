#include "platform/NumberText.h"

#include <QLocale>

QString NumberText::shortText(float value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    // Seven significant digits: what a single-precision number holds.
    return locale.toString(static_cast<double>(value), 'g', 7);
}
