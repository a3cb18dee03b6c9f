#include "workflow/PhotoFolder.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace {

const QStringList JpegPatterns { QStringLiteral("*.jpg"), QStringLiteral("*.jpeg") };
const QStringList PhotoPatterns = JpegPatterns
    + QStringList { QStringLiteral("*.heic"), QStringLiteral("*.heif"), QStringLiteral("*.hif"),
          QStringLiteral("*.png"), QStringLiteral("*.webp"), QStringLiteral("*.tif"), QStringLiteral("*.tiff") };

// The output name of a photo that is no JPEG when no other output takes it.
QString stemOutputName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot > 0 ? name.left(dot) : name) + QStringLiteral(".jpg");
}

// What a special file is, in words.
QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode)) return QStringLiteral("a named pipe");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
    return QStringLiteral("a special file");
}

// Why a link leads nowhere that can be read, from the error of following it.
QString brokenLink(int error)
{
    if (error == ENOENT) return QStringLiteral("a link to nothing: what it names does not exist");
    if (error == ELOOP) return QStringLiteral("a link that leads round in a loop");
    return QStringLiteral("a link that cannot be followed (%1)").arg(FileResult(error).reason());
}

// How many bytes a UTF-8 sequence has that begins with lead; 0 for a byte
// that begins none.
int sequenceLength(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if (lead >= 0xc2 && lead <= 0xdf) return 2;
    if (lead >= 0xe0 && lead <= 0xef) return 3;
    if (lead >= 0xf0 && lead <= 0xf4) return 4;
    return 0;
}

// UTF-8 decoded as far as it is valid: the shortest form of a code point up
// to U+10FFFF that is no surrogate; every other byte alone, as a lone
// surrogate.
QString withBytesKept(const QByteArray& bytes)
{
    QString text;
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    for (qsizetype i = 0; i < bytes.size();) {
        const unsigned char lead = byte(i);
        const int length = sequenceLength(lead);
        // The lead byte's bits, then six from each byte that follows.
        char32_t code = length == 1 ? lead : lead & (0x7f >> length);
        bool valid = length > 0 && i + length <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            valid = (byte(i + k) & 0xc0) == 0x80;
            code = code << 6 | (byte(i + k) & 0x3f);
        }
        // C0 and C1 leads are already refused: they could only be too long
        // a form of a code point below 0x80 or 0x800.
        const char32_t shortest = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0;
        if (valid && code >= shortest && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff)) {
            text += QString::fromUcs4(&code, 1);
            i += length;
        } else {
            text += QChar(static_cast<char16_t>(0xdc00 + lead));
            ++i;
        }
    }
    return text;
}

// A name as the folder holds it, and as text.
struct Name {
    QString text;
    QByteArray bytes;
    bool valid = true;

    static Name of(const char* stored)
    {
        Name name { QString(), QByteArray(stored), true };
        name.text = PhotoFolder::textOf(name.bytes, &name.valid);
        return name;
    }
};

} // namespace

PhotoFolder::Contents PhotoFolder::read(const QString& folder)
{
    Contents contents;
    const QByteArray encoded = QFile::encodeName(folder);
    DIR* dir = ::opendir(encoded.constData());
    if (dir == nullptr) {
        contents.read = FileResult(errno);
        return contents;
    }
    QList<Name> names;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.') names.append(Name::of(entry->d_name));
    ::closedir(dir);
    std::sort(names.begin(), names.end(), [](const Name& a, const Name& b) { return comesBefore(a.text, b.text); });

    const QDir base(folder);
    const QByteArray prefix = encoded.endsWith('/') ? encoded : encoded + '/';
    const QString notUtf8 = QStringLiteral("the name is not valid UTF-8");
    for (const Name& name : names) {
        const QString path = base.filePath(name.text);
        const QByteArray file = prefix + name.bytes;
        struct stat entry {
        }, target {};
        if (::lstat(file.constData(), &entry) != 0) {
            // Gone since the folder was read: nothing to say.
            if (errno != ENOENT) contents.passedOver.append({ path, FileResult(errno).reason() });
            continue;
        }
        const bool link = S_ISLNK(entry.st_mode);
        if (link && ::stat(file.constData(), &target) != 0) {
            contents.passedOver.append({ path, brokenLink(errno) });
            continue;
        }
        const mode_t mode = link ? target.st_mode : entry.st_mode;
        if (S_ISDIR(mode)) {
            if (name.valid)
                contents.folders << path;
            else
                contents.passedOver.append({ path, notUtf8 });
        } else if (S_ISREG(mode)) {
            // Pattern matching takes valid text; the ending decodes alike.
            if (!isPhotoName(name.valid ? name.text : QFile::decodeName(name.bytes))) continue;
            if (name.valid)
                contents.photos << name.text;
            else
                contents.passedOver.append({ path, notUtf8 });
        } else {
            contents.passedOver.append({ path,
                (link ? QStringLiteral("a link to ") + kindOf(mode) : kindOf(mode))
                    + QStringLiteral(", neither a photo nor a folder") });
        }
    }
    return contents;
}

QString PhotoFolder::textOf(const QByteArray& stored, bool* valid)
{
    QString text = QFile::decodeName(stored);
    const bool decodes = QFile::encodeName(text) == stored;
    if (!decodes) text = withBytesKept(stored);
    if (valid) *valid = decodes;
    return text;
}

QStringList PhotoFolder::photoNames(const QString& folder)
{
    return read(folder).photos;
}

bool PhotoFolder::isPhotoName(const QString& name)
{
    return QDir::match(PhotoPatterns, name);
}

QStringList PhotoFolder::namePatterns()
{
    return PhotoPatterns;
}

bool PhotoFolder::isJpegName(const QString& name)
{
    return QDir::match(JpegPatterns, name);
}

QStringList PhotoFolder::outputNames(const QStringList& photos)
{
    // Each photo's output name when every one that is no JPEG takes its
    // stem, and how many photos of the folder would share it.
    QStringList names;
    names.reserve(photos.size());
    QHash<QString, int> taken;
    for (const QString& photo : photos) {
        names << (isJpegName(photo) ? photo : stemOutputName(photo));
        ++taken[names.back().toCaseFolded()];
    }
    for (qsizetype i = 0; i < photos.size(); ++i)
        if (!isJpegName(photos[i]) && taken.value(names[i].toCaseFolded()) > 1)
            names[i] = photos[i] + QStringLiteral(".jpg");
    return names;
}

QStringList PhotoFolder::subFolders(const QString& folder)
{
    return read(folder).folders;
}

bool PhotoFolder::comesBefore(const QString& a, const QString& b)
{
    // QString's case-insensitive comparison folds case by the Unicode
    // tables alone; no locale takes part.
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a.compare(b, Qt::CaseSensitive) < 0;
}

QString PhotoFolder::folderName(const QString& filePath, const QString& separator)
{
    const qsizetype at = filePath.lastIndexOf(separator);
    return at < 0 ? filePath : filePath.mid(at + separator.size());
}

FileResult PhotoFolder::ensureFolder(const QString& filePath)
{
    return AtomicFile::makeFolder(filePath);
}
