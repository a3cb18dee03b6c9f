// The stamp's template on any text: no crash; the stored text reads the
// same through the editor's form; a text that parses expands to no more
// lines than it has, and to a text bounded by its length.
//
// Input: the template as UTF-8.
#include "FuzzSupport.h"

#include "platform/ExifRecord.h"
#include "platform/StampTemplate.h"

#include <QSize>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto parsed = StampTemplate::parse(text);

    // The editor's form and back gives the stored text, line breaks aside.
    if (!text.contains(u'\n') && !text.contains(u'\r')) {
        const QString back = StampTemplate::storedText(StampTemplate::editedText(text));
        fuzz::require(back == text, "the stored text reads back through the editor's form");
    }
    if (!parsed) return 0;

    ExifRecord record;
    record.insert(QStringLiteral("Make"), QStringLiteral("Canon"));
    record.insert(QStringLiteral("Model"), QStringLiteral("Canon EOS 40D"));
    record.insert(QStringLiteral("ExposureTime"), QStringLiteral("1/160"));
    record.insert(QStringLiteral("FNumber"), QStringLiteral("71/10"));
    const StampTemplate::Photo photo { record, QStringLiteral("/photos/trip/IMG_1.jpg"), QSize(4000, 3000),
        QStringLiteral("30/05/2008 15:56"), QStringLiteral("2008:05:30 15:56:01") };
    const QString out = parsed->expand(photo);
    // Every line break of the output was one of the template's.
    const qsizetype breaks = text.count(u'\n') + text.count(u'\r') + text.count(QLatin1String("\\n"));
    fuzz::require(out.count(u'\n') <= breaks, "no more lines than the template has");
    // Literal text is copied once; a field prints at most a bounded value
    // (a date format at most 64 characters per character of the format).
    fuzz::require(out.size() <= 64 * (text.size() + 1), "the output is bounded by the template");
    return 0;
}
