#include "controls/PropertyBag.h"

#include <QStringList>
#include <algorithm>

PropertyBag::PropertyBag(std::initializer_list<std::pair<QString, QVariant>> entries)
{
    for (const auto& entry : entries)
        WriteProperty(entry.first, entry.second);
}

std::vector<std::pair<QString, QVariant>>::const_iterator PropertyBag::find(const QString& name) const
{
    return std::find_if(m_entries.begin(), m_entries.end(),
        [&name](const auto& entry) { return entry.first.compare(name, Qt::CaseInsensitive) == 0; });
}

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const
{
    const auto it = find(name);
    return it == m_entries.end() ? defaultValue : it->second;
}

void PropertyBag::WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue)
{
    if (defaultValue.isValid() && sameValue(value, defaultValue)) {
        remove(name);
        return;
    }
    const auto it = find(name);
    if (it == m_entries.end())
        m_entries.emplace_back(name, value);
    else
        m_entries[std::size_t(it - m_entries.begin())].second = value;
}

bool PropertyBag::contains(const QString& name) const
{
    return find(name) != m_entries.end();
}

void PropertyBag::remove(const QString& name)
{
    const auto it = find(name);
    if (it != m_entries.end()) m_entries.erase(it);
}

QStringList PropertyBag::keys() const
{
    QStringList names;
    for (const auto& entry : m_entries)
        names << entry.first;
    return names;
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

bool PropertyBag::sameValue(const QVariant& value, const QVariant& defaultValue)
{
    if (isNumber(value) && isNumber(defaultValue)) return value.toDouble() == defaultValue.toDouble();
    if (isNumber(value) != isNumber(defaultValue)) return false;
    if (value.typeId() == QMetaType::QString || defaultValue.typeId() == QMetaType::QString)
        return value.typeId() == defaultValue.typeId() && value.toString() == defaultValue.toString();
    return value == defaultValue;
}
