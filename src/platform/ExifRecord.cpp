#include "platform/ExifRecord.h"

#include <utility>

QStringList ExifRecord::names() const
{
    QStringList result;
    result.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        result.append(entry.name);
    return result;
}

const ExifRecord::Entry* ExifRecord::find(const QString& name) const
{
    const auto it = m_index.constFind(name);
    return it == m_index.constEnd() ? nullptr : &m_entries[*it];
}

QString ExifRecord::text(const QString& name) const
{
    const Entry* entry = find(name);
    return entry ? entry->values.join(QLatin1Char(' ')) : QString();
}

bool ExifRecord::insert(const QString& name, const QString& value)
{
    return add(Entry { name, QStringList { value }, false });
}

bool ExifRecord::insertList(const QString& name, const QStringList& values)
{
    return add(Entry { name, values, true });
}

bool ExifRecord::add(Entry entry)
{
    if (m_index.contains(entry.name)) return false;
    m_index.insert(entry.name, m_entries.size());
    m_entries.append(std::move(entry));
    return true;
}

QString ExifRecord::exifText() const
{
    static const QString lineEnd = QStringLiteral("\r\n");
    QString result;
    for (const Entry& entry : m_entries) {
        result += entry.name;
        result += QLatin1String(": ");
        if (entry.isList) {
            for (const QString& element : entry.values) {
                result += element;
                result += QLatin1Char(' ');
            }
        } else {
            result += entry.values.value(0);
        }
        result += lineEnd;
    }
    return result;
}

bool ExifRecord::operator==(const ExifRecord& other) const
{
    if (m_entries.size() != other.m_entries.size()) return false;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Entry& a = m_entries[i];
        const Entry& b = other.m_entries[i];
        if (a.name != b.name || a.isList != b.isList || a.values != b.values) return false;
    }
    return true;
}
