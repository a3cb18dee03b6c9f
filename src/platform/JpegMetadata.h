#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

// The metadata records an output carries over from its source photo, and
// the JPEG segments that hold them. The EXIF block changes with the picture
// and is made by the EXIF reader; the colour profile, the XMP packet and the
// IPTC record are carried exactly as the source holds them.
//
// Reading takes what the segments before the picture data hold: the ICC
// profile from its numbered APP2 parts, the standard XMP packet and the
// parts of its extension from APP1, and the IPTC record (Photoshop resource
// 0x0404, with its digest 0x0425) from the APP13 resource blocks. Other
// Photoshop resources (among them a thumbnail of the source) are left out.
// A record that is damaged (parts missing or repeated, blocks that overrun)
// is left out, with a note saying so, so that no output holds it corrupt.
struct JpegMetadata {
    // The body of the EXIF APP1 segment: "Exif\0\0" and the TIFF data.
    QByteArray exif;
    // The standard XMP packet.
    QByteArray xmp;
    // The extended XMP, when the packet names one: the bodies of its APP1
    // segments after their name (its GUID, full length, offset and part),
    // in the order of their offsets.
    QList<QByteArray> xmpExtension;
    // The whole ICC profile.
    QByteArray iccProfile;
    // Photoshop resource blocks ("8BIM"): the IPTC record and its digest.
    QByteArray iptc;
    // What the source held that was left out, and why; for the user.
    QStringList notes;

    // The records of the JPEG file at path (the EXIF block excepted); a file
    // that is no JPEG, or is gone, has none. One that is there but cannot be
    // opened (not a regular file, the system's error) raises PhotoFile's
    // RuntimeError.
    static JpegMetadata read(const QString& path);
    // The same from device, read up to the picture data; shownName names the
    // source in the notes.
    static JpegMetadata read(QIODevice& device, const QString& shownName);

    // What a thumbnail keeps: the colour profile alone.
    JpegMetadata profileOnly() const;

    // jpegData with the records' segments inserted right after its
    // start-of-image marker, in the usual order: APP1 EXIF, APP1 XMP (and
    // its extension), APP2 ICC, APP13 IPTC. A profile longer than one
    // segment is split into numbered parts of at most MaxIccPart bytes.
    // jpegData unchanged when it is no JPEG stream.
    QByteArray insertedInto(const QByteArray& jpegData) const;

    // Whether profile is an ICC profile as readers take one: its signature
    // "acsp" and, first, its own size. (exiv2 refuses to read any metadata
    // of a JPEG whose profile states another size.)
    static bool isIccProfile(const QByteArray& profile);

    // The note that record of the source shownName was not carried into
    // the outputs, for reason.
    static QString leftOut(const QString& record, const QString& shownName, const QString& reason);

    // A segment's length field counts itself and holds at most 65535.
    static constexpr int MaxPayload = 65533;
    // The standard packet follows the 29 bytes of its name.
    static constexpr int MaxXmpPacket = MaxPayload - 29;
    // "ICC_PROFILE\0", the part's number and the number of parts come first.
    static constexpr int MaxIccPart = MaxPayload - 14;
    static constexpr int MaxIccParts = 255;
};
