#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

// The standard dialogs the windows share: a colour, a file to open or to
// save, a folder and a font. One instance serves the whole program
// (shared()); only the file dialogs keep something between calls, the
// filter chosen last, so that the next file dialog opens on it.
//
// Each dialog is shown through a replaceable picker, so that tests (and a
// future owner window) can answer it; the defaults are Qt's own dialogs.
class StandardDialogs {
    Q_DECLARE_TR_FUNCTIONS(StandardDialogs)

public:
    // What a file dialog is asked to show. Filters are in Qt's form,
    // "description (pattern)"; filterIndex counts from 1 (0: none chosen yet).
    struct FileRequest {
        bool save = false;
        // The dialog asks before it gives the name of an existing file.
        bool confirmReplace = false;
        QString title; // empty: the dialog's own
        QString folder;
        QStringList filters;
        int filterIndex = 0;
    };
    struct FileAnswer {
        QString path;
        int filterIndex = 1; // the filter in use when the user confirmed
    };

    struct Pickers {
        // The chosen colour; nothing when the user cancels.
        std::function<std::optional<QColor>()> color;
        std::function<std::optional<FileAnswer>(const FileRequest&)> file;
        // The chosen folder; an empty text when the user cancels.
        std::function<QString(const QString& title)> folder;
        // The chosen font, starting from initial; nothing when cancelled.
        std::function<std::optional<QFont>(const QFont& initial)> font;
        // Whether the existing file at path may be replaced: asked for a
        // name the file dialog did not see (an extension added after it).
        std::function<bool(const QString& path)> replace;
    };

    StandardDialogs();

    static StandardDialogs& shared();

    // 0x00BBGGRR, or -1 when the user cancels.
    int32_t chooseColor();
    // Filters are texts of pairs "description|pattern|"; an empty one offers
    // all files. An empty iniPath opens in the program's own folder.
    QString openFileName(
        const QString& filter = QString(), const QString& caption = QString(), const QString& iniPath = QString());
    // As openFileName, but "*.*" is the filter that offers all files, and the
    // chosen filter's extension is appended when the name does not end with
    // it exactly (case included). The name of an existing file is given
    // only when the user agreed to replace it; otherwise the empty text, as
    // for a cancel.
    QString saveFileName(
        const QString& filter = QString(), const QString& caption = QString(), const QString& iniPath = QString());
    QString chooseFolder(const QString& caption = QString());
    // Changes font in place when the user confirms: italic, strike-out,
    // underline, weight (which alone decides boldness), size to a tenth of a
    // point, and name. A cancel leaves it exactly as it was.
    bool chooseFont(QFont& font);

    // The filter chosen in the last file dialog, from 1; 0 before the first.
    int filterIndex() const { return m_filterIndex; }

    Pickers pickers;

    // "All Files (*.*)|*.*|", its description in the user's language.
    static QString allFilesFilter();

private:
    QString showFile(bool save, const QString& filterText, const QString& caption, const QString& iniPath);

    int m_filterIndex = 0;
};
