#include "controls/PropertyBag.h"

#include <algorithm>

PropertyBag::PropertyBag(std::initializer_list<std::pair<QString, QVariant>> entries)
    : m_entries(entries)
{
}

QVariant PropertyBag::readProperty(const QString& name, const QVariant& defaultValue) const
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
        [&name](const auto& entry) { return entry.first.compare(name, Qt::CaseInsensitive) == 0; });
    return it == m_entries.end() ? defaultValue : it->second;
}

bool PropertyBag::isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}
