#pragma once

#include <QString>
#include <QVariant>

#include <initializer_list>
#include <utility>
#include <vector>

// The named settings a host window keeps for one control instance, as it
// hands them to the control to read. Keys are matched without regard to case
// ("Caption" finds "caption").
class PropertyBag {
public:
    PropertyBag() = default;
    PropertyBag(std::initializer_list<std::pair<QString, QVariant>> entries);

    // The stored value of the key, or the default when the key is absent.
    QVariant readProperty(const QString& name, const QVariant& defaultValue = QVariant()) const;

    // Whether the variant holds a number: an integer of any width, a
    // character code, a float or a double (not a Boolean, not a text).
    static bool isNumber(const QVariant& value);

private:
    std::vector<std::pair<QString, QVariant>> m_entries;
};
