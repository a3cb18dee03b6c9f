#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// A list of colours, numbered from 1, read from a plain text file, that
// ApplyPalette maps pictures onto.
class cPalette {
public:
    // The number of the entry nearest to the colour (sum of the absolute
    // differences of the three components); the first of equally near
    // entries wins. 0 for an empty palette, and 0 when every entry is at the
    // greatest distance, 765.
    int32_t ClosestIndex(int32_t red, int32_t green, int32_t blue) const;
    int32_t Count() const { return static_cast<int32_t>(m_entries.size()); }
    // Components of entry iIndex, 1 to Count; other indexes raise
    // "Subscript out of range" (9).
    uint8_t Red(int32_t iIndex) const { return entry(iIndex).red; }
    uint8_t Green(int32_t iIndex) const { return entry(iIndex).green; }
    uint8_t Blue(int32_t iIndex) const { return entry(iIndex).blue; }
    // Reads a palette file: lines separated by CR LF; a line that splits at
    // single spaces into exactly three pieces is an entry "red green blue",
    // every other line is skipped. False when the file cannot be read or a
    // piece of an entry is not a number from 0 to 255; the palette is then
    // left empty, so it never holds half a file.
    bool LoadFromFile(const QString& sFileName);

private:
    struct Entry {
        uint8_t red;
        uint8_t green;
        uint8_t blue;
    };
    const Entry& entry(int32_t iIndex) const;

    std::vector<Entry> m_entries;
};
