#include "platform/OutputMark.h"

#include "platform/Blake2b.h"
#include "platform/JpegMetadata.h"
#include "platform/PhotoFile.h"
#include "platform/RuntimeError.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

const QByteArray Opening("<rdf:Description xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
                         "xmlns:quillon=\"https://quillon.example.org/ns/output/\" rdf:about=\"\" "
                         "quillon:WrittenBy=\"Quillon\"");
const QByteArray DigestAttribute(" quillon:SourceDigest=\"");
const QByteArray DigestName("blake2b-256:");
constexpr qsizetype DigestDigits = 64;
const QByteArray Closing("/>");

// A packet that holds nothing but what goes into its RDF element.
const QByteArray EmptyPacket("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
                             "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
                             "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"></rdf:RDF>"
                             "</x:xmpmeta><?xpacket end=\"w\"?>");

// BLAKE2b-256 reads a 12-megapixel photo in a few milliseconds, a small part
// of decoding it; its digest is what coreutils' `b2sum -l 256` prints.
constexpr int DigestBytes = 32;

bool isDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

struct Found {
    qsizetype at = 0;
    qsizetype length = 0;
    QByteArray digest;
};

// The first mark at or after from, in its exact form.
std::optional<Found> findMark(const QByteArray& packet, qsizetype from)
{
    for (qsizetype at = packet.indexOf(Opening, from); at >= 0; at = packet.indexOf(Opening, at + 1)) {
        qsizetype end = at + Opening.size();
        QByteArray digest;
        if (packet.mid(end, DigestAttribute.size() + DigestName.size()) == DigestAttribute + DigestName) {
            const qsizetype digitsAt = end + DigestAttribute.size() + DigestName.size();
            const QByteArray digits = packet.mid(digitsAt, DigestDigits);
            if (digits.size() != DigestDigits || !std::all_of(digits.begin(), digits.end(), isDigit)
                || packet.mid(digitsAt + DigestDigits, 1) != "\"")
                continue;
            digest = DigestName + digits;
            end = digitsAt + DigestDigits + 1;
        }
        if (packet.mid(end, Closing.size()) != Closing) continue;
        return Found { at, end + Closing.size() - at, digest };
    }
    return std::nullopt;
}

// Where the packet's RDF element closes (its last "</rdf:RDF>", whatever
// the prefix); -1 when it has none.
qsizetype rdfEnd(const QByteArray& packet)
{
    static const QRegularExpression closing(QStringLiteral("</(?:[A-Za-z_][-.\\w]*:)?RDF\\s*>"));
    // As Latin-1, each byte is one character: offsets stay byte offsets.
    qsizetype at = -1;
    for (QRegularExpressionMatchIterator it = closing.globalMatch(QString::fromLatin1(packet)); it.hasNext();)
        at = it.next().capturedStart();
    return at;
}

// packet with excess bytes of the padding before its trailer given up; nothing
// when its padding is smaller.
std::optional<QByteArray> withoutPadding(QByteArray packet, qsizetype excess)
{
    const qsizetype trailer = packet.lastIndexOf("<?xpacket end=");
    qsizetype start = trailer;
    while (start > 0 && QByteArrayView(" \t\r\n").contains(packet[start - 1]))
        --start;
    if (trailer < 0 || trailer - start < excess) return std::nullopt;
    return packet.remove(trailer - excess, excess);
}

} // namespace

OutputMark OutputMark::forPhoto(const QString& path)
{
    // A regular file only: opening a pipe would wait for a writer.
    try {
        return forBytes(PhotoFile::readAll(path));
    } catch (const RuntimeError&) {
        return OutputMark(QByteArray());
    }
}

OutputMark OutputMark::forBytes(QByteArrayView bytes)
{
    return OutputMark(DigestName + Blake2b::hash(bytes, DigestBytes).toHex());
}

std::optional<OutputMark> OutputMark::of(const QString& path)
{
    return inPacket(JpegMetadata::read(path).xmp);
}

std::optional<OutputMark> OutputMark::inPacket(QByteArrayView packet)
{
    const std::optional<Found> found = findMark(packet.toByteArray(), 0);
    if (!found) return std::nullopt;
    return OutputMark(found->digest);
}

QByteArray OutputMark::element() const
{
    QByteArray mark = Opening;
    if (!m_digest.isEmpty()) mark += DigestAttribute + m_digest + '"';
    return mark + Closing;
}

std::optional<QByteArray> OutputMark::markedPacket(const QByteArray& packet) const
{
    QByteArray marked = packet.isEmpty() ? EmptyPacket : packet;
    // From the start again after each: taking a mark out can join the
    // bytes around it into another.
    for (std::optional<Found> found = findMark(marked, 0); found; found = findMark(marked, 0))
        marked.remove(found->at, found->length);
    const qsizetype at = rdfEnd(marked);
    if (at < 0) return std::nullopt;
    return marked.insert(at, element());
}

void OutputMark::applyTo(JpegMetadata& metadata, const QString& shownName) const
{
    const std::optional<QByteArray> marked = markedPacket(metadata.xmp);
    std::optional<QByteArray> packet = marked;
    if (packet && packet->size() > JpegMetadata::MaxXmpPacket)
        packet = withoutPadding(*packet, packet->size() - JpegMetadata::MaxXmpPacket);
    if (packet) {
        metadata.xmp = *packet;
        return;
    }
    metadata.notes << JpegMetadata::leftOut(QStringLiteral("XMP packet"), shownName,
        marked ? QStringLiteral("it leaves no room for the mark of Quillon's outputs")
               : QStringLiteral("it has no RDF element"));
    metadata.xmp = *markedPacket(QByteArray());
    metadata.xmpExtension.clear();
}
