#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A photo's EXIF tags as the EXIF reader hands them out: tag names in the
// reader's order, each with a value that is either one text or a list of
// texts (one per component of a numeric tag). Names are the plain EXIF tag
// names ("DateTimeOriginal", "Orientation", ...) and are matched exactly.
class ExifRecord {
public:
    struct Entry {
        QString name;
        QStringList values; // one element when !isList
        bool isList = false;
    };

    bool isEmpty() const { return m_entries.isEmpty(); }
    qsizetype size() const { return m_entries.size(); }
    const QList<Entry>& entries() const { return m_entries; }
    QStringList names() const;

    bool contains(const QString& name) const { return m_index.contains(name); }
    // Null when the record has no such tag.
    const Entry* find(const QString& name) const;
    // The value as one text: a list reads as its elements joined by blanks;
    // a missing tag reads as an empty text.
    QString text(const QString& name) const;

    // A name already present keeps its first value; these then return false.
    bool insert(const QString& name, const QString& value);
    bool insertList(const QString& name, const QStringList& values);

    // The record as the EXIF window shows it: one "name: value" line per tag,
    // each ended by CR LF; a list prints each element followed by a blank.
    QString exifText() const;

    bool operator==(const ExifRecord& other) const;

private:
    bool add(Entry entry);

    QList<Entry> m_entries;
    QHash<QString, qsizetype> m_index;
};
