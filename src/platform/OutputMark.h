#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

struct JpegMetadata;

// The mark that tells the files Quillon writes (every output and thumbnail)
// from anybody else's, so that a batch replaces only its own. It lives in
// the XMP packet as one rdf:Description of Quillon's own namespace:
//
//   <rdf:Description xmlns:rdf="..." xmlns:quillon="https://quillon.example.org/ns/output/"
//    rdf:about="" quillon:WrittenBy="Quillon" quillon:SourceDigest="blake2b-256:HEX"/>
//
// on one line. It names the program and the BLAKE2b-256 digest of the
// source photo's bytes (what `b2sum -l 256 PHOTO` prints), never the
// photo's path, so that a shared output tells nothing of the folders it came
// from; it holds no version and no time, so that the same photo gives the
// same bytes with every release. It declares every prefix it uses, and so
// fits into any packet whatever prefixes that packet binds.
//
// Only this exact form is a mark, and every mark a packet holds is taken
// out before the new one goes in: an output of an output names its own
// source, never the one its source named.
class OutputMark {
public:
    // The mark of an output of the photo at path: the digest of its bytes,
    // none when it cannot be read.
    static OutputMark forPhoto(const QString& path);
    // The mark of an output of a source of these bytes.
    static OutputMark forBytes(QByteArrayView bytes);
    // The mark the JPEG file at path carries in its XMP packet; nothing for
    // a file without one, or one that is no JPEG or cannot be read.
    static std::optional<OutputMark> of(const QString& path);
    // The first mark in an XMP packet.
    static std::optional<OutputMark> inPacket(QByteArrayView packet);

    // The source's digest, "blake2b-256:" and 64 lower-case hexadecimal
    // digits; empty when the source could not be read.
    const QByteArray& sourceDigest() const { return m_digest; }
    bool operator==(const OutputMark&) const = default;

    // The mark as it is written into a packet.
    QByteArray element() const;
    // packet with this mark in place of every mark it held, right before
    // its RDF element closes; a packet of the mark alone for an empty one.
    // Nothing when packet has no RDF element to hold it.
    std::optional<QByteArray> markedPacket(const QByteArray& packet) const;
    // Puts the mark into metadata's XMP packet. A packet that cannot hold it
    // (no RDF element, or too large for its segment once marked even after
    // giving up its padding) gives way to a packet of the mark alone, with
    // its extension, and a note naming shownName says so.
    void applyTo(JpegMetadata& metadata, const QString& shownName) const;

private:
    explicit OutputMark(QByteArray digest)
        : m_digest(std::move(digest))
    {
    }

    QByteArray m_digest;
};
