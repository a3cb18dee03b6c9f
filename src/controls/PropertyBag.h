#pragma once

#include <QString>
#include <QVariant>

#include <initializer_list>
#include <utility>
#include <vector>

// The named settings a host window keeps for one control instance. Keys are
// matched without regard to case ("Caption" finds "caption"); entries keep
// the order in which they were first written.
class PropertyBag {
public:
    PropertyBag() = default;
    PropertyBag(std::initializer_list<std::pair<QString, QVariant>> entries);

    // The stored value of the key, or the default when the key is absent.
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = QVariant()) const;

    // Stores the value under the key, unless it equals the default: then the
    // key is left out, and an older entry of it is dropped so that reading
    // gives the default again.
    void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue = QVariant());

    bool contains(const QString& name) const;
    void remove(const QString& name);
    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    // The keys as they were written, in order.
    QStringList keys() const;

    // Whether a value equals a default: numbers by value, texts exactly,
    // anything else through QVariant. A text never equals a number, so text
    // such as "100" is kept as it was given.
    static bool sameValue(const QVariant& value, const QVariant& defaultValue);
    // Whether the variant holds a number: an integer of any width, a
    // character code, a float or a double (not a Boolean, not a text).
    static bool isNumber(const QVariant& value);

private:
    std::vector<std::pair<QString, QVariant>>::const_iterator find(const QString& name) const;

    std::vector<std::pair<QString, QVariant>> m_entries;
};
