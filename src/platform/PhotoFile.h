#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Opens photos for reading. A photo's path was found when its folder was
// read, and what lies there by the time it is opened may be a named pipe or
// a device put in its place: the file is opened without waiting (opening a
// pipe would wait for a writer, for ever) and refused unless it is a
// regular file.
//
// A file that cannot be opened or read raises a RuntimeError whose
// description names the file and the reason in words: FileNotFound when it
// does not exist, InvalidPicture otherwise (a folder, not a regular file,
// or the system's reason, such as "Too many open files").
class PhotoFile {
public:
    // Opens path into file, which owns the descriptor, for reading.
    static void open(const QString& path, QFile& file);
    // The whole file.
    static QByteArray readAll(const QString& path);

    // While one lives on a thread, readAll there keeps the bytes of the last
    // file it read and gives them again, without reading, for as long as
    // the file at that path is the same one, unchanged (device, inode, size,
    // modification and change times). A batch job holds one while it treats
    // a photo, which several steps read whole.
    class ReadOnce {
    public:
        ReadOnce();
        ~ReadOnce();
        ReadOnce(const ReadOnce&) = delete;
        ReadOnce& operator=(const ReadOnce&) = delete;
    };

    // "Cannot open the picture "path": reason" as a RuntimeError of number.
    [[noreturn]] static void fail(long number, const QString& path, const QString& reason);

    // Error numbers, as the platform's picture loader reports them.
    static constexpr long FileNotFound = 53;
    static constexpr long InvalidPicture = 481;
};
