#include "imaging/cPalette.h"

#include "platform/RuntimeError.h"

#include <QFile>

#include <cstdlib>
#include <optional>

namespace {

// A piece of an entry line: decimal digits only, 0 to 255.
std::optional<uint8_t> toByte(const QByteArray& piece)
{
    if (piece.isEmpty() || piece.size() > 3) return std::nullopt;
    int value = 0;
    for (char c : piece) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 255) return std::nullopt;
    return static_cast<uint8_t>(value);
}

} // namespace

int32_t cPalette::ClosestIndex(int32_t red, int32_t green, int32_t blue) const
{
    int32_t best = 0;
    int64_t bestDistance = 765;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        if (e.red == red && e.green == green && e.blue == blue) return static_cast<int32_t>(i + 1);
        const int64_t distance = std::llabs(int64_t(red) - e.red) + std::llabs(int64_t(blue) - e.blue)
            + std::llabs(int64_t(green) - e.green);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int32_t>(i + 1);
        }
    }
    return best;
}

const cPalette::Entry& cPalette::entry(int32_t iIndex) const
{
    if (iIndex < 1 || iIndex > Count())
        throw RuntimeError(
            9, RuntimeError::sourceFor(QStringLiteral("cPalette")), QStringLiteral("Subscript out of range"));
    return m_entries[static_cast<size_t>(iIndex - 1)];
}

bool cPalette::LoadFromFile(const QString& sFileName)
{
    m_entries.clear();
    QFile file(sFileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;

    std::vector<Entry> entries;
    // Lines end with CR LF; a lone LF is no line break and stays inside a
    // piece, which then is no number.
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf("\r\n", start);
        if (end < 0) end = text.size();
        const QByteArray line = text.mid(start, end - start);
        start = end + 2;
        // Splitting at every single space: two spaces in a row give an empty
        // piece, so such a line has more than three pieces and is skipped.
        const QList<QByteArray> pieces = line.split(' ');
        if (pieces.size() != 3) continue;
        const auto red = toByte(pieces[0]);
        const auto green = toByte(pieces[1]);
        const auto blue = toByte(pieces[2]);
        if (!red || !green || !blue) return false;
        entries.push_back({ *red, *green, *blue });
    }
    m_entries = std::move(entries);
    return true;
}
