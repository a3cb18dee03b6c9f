#include "files/IniFile.h"

#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct Line {
    enum Kind { Other, Section, Key } kind = Other;
    QStringView name;
    QStringView value;
};

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

Line classify(const QString& lineText)
{
    const QStringView trimmed = QStringView(lineText).trimmed();
    if (trimmed.isEmpty() || trimmed.front() == u';') return {};
    if (trimmed.front() == u'[') {
        // A header without its ']' still opens a section, named by the rest.
        QStringView name = trimmed.mid(1);
        const qsizetype close = name.indexOf(u']');
        if (close >= 0) name = name.left(close);
        return { Line::Section, name.trimmed(), {} };
    }
    const qsizetype equals = trimmed.indexOf(u'=');
    if (equals < 0) return {};
    QStringView value = trimmed.mid(equals + 1).trimmed();
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return { Line::Key, trimmed.left(equals).trimmed(), value };
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The text to store so that reading gives newValue back: blanks at either end
// or a pair of outer quotes would be taken away on reading, so such a value
// is itself wrapped in quotes. A line break cannot be stored in a line.
QString storedValue(const QString& newValue)
{
    QString value = newValue;
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
    const bool needsQuotes = value != QStringView(value).trimmed()
        || (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front());
    return needsQuotes ? u'"' + value + u'"' : value;
}

} // namespace

FileResult IniFile::load(const QString& path)
{
    m_lines.clear();
    m_crlf = false;
    if (!QFileInfo::exists(path)) return {};
    if (QFileInfo(path).isDir()) return FileResult(EISDIR);
    // Opened by the system itself, so that a refusal keeps its reason.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FileResult(errno);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return FileResult(EIO);
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return FileResult(EIO);
    setText(QString::fromUtf8(bytes));
    return {};
}

FileResult IniFile::save(const QString& path) const
{
    // A link is followed, so that the file it names gets the new text; a
    // file that may not be written is left as it is.
    QFileInfo target(path);
    for (int depth = 0; depth < 40 && target.isSymLink(); ++depth)
        target.setFile(target.symLinkTarget());
    if (target.exists() && !target.isWritable()) return FileResult(EACCES);
    return FileResult(AtomicFile::write(target.filePath(), text().toUtf8(), AtomicFile::Keep::Permissions));
}

void IniFile::setText(const QString& input)
{
    QStringView text(input);
    // Byte order marks, however many an editor left: text() writes none, so
    // taking only the first would let each load take one more.
    while (text.startsWith(QChar(0xFEFF)))
        text = text.mid(1);
    m_crlf = text.contains(u"\r\n");
    m_lines.clear();
    // A line ends with CR LF, LF or a lone CR, as in the private-profile
    // files; so no line holds a CR, and no value holds a line break that
    // could not be written back. The ending after the last line does not
    // open another one.
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        m_lines.append(text.mid(start, end - start).toString());
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ++end;
        start = end + 1;
    }
}

QString IniFile::text() const
{
    const QString eol = m_crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString result;
    for (const QString& line : m_lines)
        result += line + eol;
    return result;
}

qsizetype IniFile::findSection(const QString& sectionName) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line line = classify(m_lines[i]);
        if (line.kind == Line::Section && sameName(line.name, sectionName)) return i;
    }
    return -1;
}

std::optional<QString> IniFile::value(const QString& sectionName, const QString& keyName) const
{
    const qsizetype header = findSection(sectionName);
    if (header < 0) return std::nullopt;
    for (qsizetype i = header + 1; i < m_lines.size(); ++i) {
        const Line line = classify(m_lines[i]);
        if (line.kind == Line::Section) break;
        if (line.kind == Line::Key && sameName(line.name, keyName)) return line.value.toString();
    }
    return std::nullopt;
}

bool IniFile::setValue(const QString& sectionName, const QString& keyName, const QString& newValue)
{
    const QString section = sectionName.trimmed();
    const QString key = keyName.trimmed();
    const auto hasLineBreak = [](const QString& s) { return s.contains(u'\n') || s.contains(u'\r'); };
    if (section.isEmpty() || key.isEmpty() || hasLineBreak(section) || hasLineBreak(key) || section.contains(u']')
        || key.contains(u'=') || key.startsWith(u';') || key.startsWith(u'['))
        return false;

    const QString keyLine = key + u'=' + storedValue(newValue);
    const qsizetype header = findSection(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty()) m_lines.append(QString());
        m_lines.append(u'[' + section + u']');
        m_lines.append(keyLine);
        return true;
    }
    // A new key goes right after the section's last key, ahead of the blank
    // lines and comments that lead into the next section.
    qsizetype insertAt = header + 1;
    for (qsizetype i = header + 1; i < m_lines.size(); ++i) {
        const Line line = classify(m_lines[i]);
        if (line.kind == Line::Section) break;
        if (line.kind != Line::Key) continue;
        if (sameName(line.name, key)) {
            m_lines[i] = keyLine;
            return true;
        }
        insertAt = i + 1;
    }
    m_lines.insert(insertAt, keyLine);
    return true;
}

namespace {

// The look-up returns what fits a buffer of 1024 characters with its
// terminating NUL; a surrogate pair is not split in two.
QString cutToBuffer(const QString& newValue)
{
    if (newValue.size() <= IniFile::MaxValueLength) return newValue;
    qsizetype length = IniFile::MaxValueLength;
    if (newValue.at(length - 1).isHighSurrogate()) --length;
    return newValue.left(length);
}

} // namespace

QString IniFile::readValue(
    const QString& filePath, const QString& sectionName, const QString& keyName, const QString& defaultValue)
{
    IniFile file;
    if (!file.load(filePath)) return cutToBuffer(defaultValue);
    return readValue(file, sectionName, keyName, defaultValue);
}

QString IniFile::readValue(
    const IniFile& filePath, const QString& sectionName, const QString& keyName, const QString& defaultValue)
{
    return cutToBuffer(filePath.value(sectionName, keyName).value_or(defaultValue));
}

bool IniFile::writeValue(
    const QString& filePath, const QString& sectionName, const QString& keyName, const QString& newValue)
{
    IniFile file;
    // An unreadable file is not replaced by one holding only this key.
    if (!file.load(filePath)) return false;
    return file.setValue(sectionName, keyName, newValue) && file.save(filePath);
}
