#include "platform/OutputMark.h"

#include "platform/JpegMetadata.h"

#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

const QString Namespace = QStringLiteral("https://quillon.example.org/ns/output/");
const QString Rdf = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");

// What an XML reader that knows namespaces finds in a packet: the values of
// quillon:SourceDigest on rdf:Description elements, in order; "broken" when
// the packet is not well-formed.
QStringList digestsRead(const QByteArray& packet)
{
    QStringList digests;
    QXmlStreamReader xml(packet);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.namespaceUri() == Rdf
            && xml.name() == QLatin1String("Description") && xml.attributes().hasAttribute(Namespace, "WrittenBy")) {
            EXPECT_EQ(xml.attributes().value(Namespace, "WrittenBy").toString(), "Quillon");
            digests << xml.attributes().value(Namespace, "SourceDigest").toString();
        }
    }
    if (xml.hasError()) return { QStringLiteral("broken: ") + xml.errorString() };
    return digests;
}

QByteArray cameraPacket(const QByteArray& rdfPrefix, const QByteArray& inside = {})
{
    const QByteArray p = rdfPrefix;
    return "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>\n<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n <"
        + p + ":RDF xmlns:" + p + "='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n  <" + p + ":Description " + p
        + ":about='' xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmp:Rating='4'/>\n" + inside + " </" + p
        + ":RDF>\n</x:xmpmeta>\n" + QByteArray(100, ' ') + "\n<?xpacket end='w'?>";
}

} // namespace

TEST(OutputMarkTest, TheDigestIsTheSourcesBlake2b)
{
    // What `b2sum -l 256` prints for "abc".
    EXPECT_EQ(OutputMark::forBytes("abc").sourceDigest(),
        "blake2b-256:bddd813c634239723171ef3fee98579b94964e3bb1cb3e427262c8c068d52319");
    // A photo's mark is its bytes' (the photo state test's); one that
    // cannot be read still gives a mark, without a digest.
    QTemporaryDir dir;
    const OutputMark unread = OutputMark::forPhoto(dir.filePath("gone.jpg"));
    EXPECT_TRUE(unread.sourceDigest().isEmpty());
    EXPECT_FALSE(unread.element().contains("SourceDigest"));
    EXPECT_EQ(OutputMark::inPacket(*unread.markedPacket({})), unread);
}

TEST(OutputMarkTest, TheMarkGoesIntoAnyPacketReplacingEveryMarkItHeld)
{
    const OutputMark mark = OutputMark::forBytes("this photo");
    const QByteArray earlier = OutputMark::forBytes("an earlier source").element();
    const QByteArray forged = OutputMark::forBytes("a forged source").element();
    const struct {
        const char* what;
        QByteArray packet;
        QByteArray kept; // the packet as it must come out, the mark aside
    } cases[] = {
        { "none", QByteArray(), QByteArray() },
        { "a camera's", cameraPacket("rdf"), cameraPacket("rdf") },
        { "another prefix for RDF", cameraPacket("r"), cameraPacket("r") },
        // An output used as a source names its own source, never the one
        // before: the earlier marks go, wherever they were.
        { "an output's", cameraPacket("rdf", earlier), cameraPacket("rdf") },
        { "two marks", cameraPacket("rdf", earlier + "\n" + earlier), cameraPacket("rdf", "\n") },
        { "a mark that taking another out makes", cameraPacket("rdf", forged.left(20) + earlier + forged.mid(20)),
            cameraPacket("rdf") },
    };
    for (const auto& c : cases) {
        const std::optional<QByteArray> marked = mark.markedPacket(c.packet);
        ASSERT_TRUE(marked) << c.what;
        EXPECT_EQ(digestsRead(*marked), QStringList { QString::fromLatin1(mark.sourceDigest()) }) << c.what;
        EXPECT_EQ(OutputMark::inPacket(*marked), mark) << c.what;
        if (!c.kept.isEmpty()) {
            QByteArray rest = *marked;
            EXPECT_EQ(rest.replace(mark.element(), ""), c.kept) << c.what;
        }
        // Marking again changes nothing.
        EXPECT_EQ(mark.markedPacket(*marked), marked) << c.what;
    }

    // Only the exact form counts: attributes in another order are no mark.
    QByteArray reordered = mark.element();
    reordered.replace("rdf:about=\"\" ", "").replace("/>", " rdf:about=\"\"/>");
    EXPECT_FALSE(OutputMark::inPacket(cameraPacket("rdf", reordered)));
    // A packet without an RDF element has nowhere to hold a mark.
    EXPECT_FALSE(mark.markedPacket("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>"));
}

TEST(OutputMarkTest, APacketThatCannotHoldTheMarkGivesWayWithANote)
{
    const OutputMark mark = OutputMark::forBytes("this photo");
    const qsizetype room = JpegMetadata::MaxXmpPacket - mark.element().size();
    // Full up to its padding: the mark takes the padding's place, the
    // packet keeps its size.
    const QByteArray padded = cameraPacket("rdf");
    JpegMetadata metadata;
    metadata.xmp = cameraPacket("rdf", QByteArray(room - padded.size() + 50, ' '));
    metadata.xmpExtension = { "part" };
    mark.applyTo(metadata, QStringLiteral("/photos/a.jpg"));
    EXPECT_EQ(metadata.xmp.size(), JpegMetadata::MaxXmpPacket);
    EXPECT_EQ(OutputMark::inPacket(metadata.xmp), mark);
    EXPECT_TRUE(metadata.notes.isEmpty());
    EXPECT_EQ(metadata.xmpExtension.size(), 1);

    // No padding to give, or no RDF element: a packet of the mark alone, and
    // the extension that the old packet named goes with it.
    for (const QByteArray& packet : { QByteArray(cameraPacket("rdf", QByteArray(room, 'x'))),
             QByteArray("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>") }) {
        metadata = JpegMetadata();
        metadata.xmp = packet;
        metadata.xmpExtension = { "part" };
        mark.applyTo(metadata, QStringLiteral("/photos/a.jpg"));
        EXPECT_EQ(metadata.xmp, mark.markedPacket({}));
        EXPECT_TRUE(metadata.xmpExtension.isEmpty());
        ASSERT_EQ(metadata.notes.size(), 1);
        EXPECT_TRUE(metadata.notes[0].startsWith("The XMP packet of /photos/a.jpg was not carried into the outputs: "));
    }
}
