#pragma once

#include <QListWidget>

// A file list of the main window: the photos of one folder (JPEG, HEIF,
// PNG, WebP and TIFF names, as PhotoFolder::isPhotoName takes them),
// sorted by name.
//
// Click is raised when the user picks an entry: a mouse click (also on the
// entry already selected), a move of the selection with the keyboard
// (arrows, or typing the first letters of a name), or Enter.
// Refilling the list raises nothing.
class FileList : public QListWidget {
    Q_OBJECT

public:
    explicit FileList(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Lists the photos of path; false, and the list keeps its content, when
    // the folder cannot be read.
    bool setPath(const QString& path);
    // The name of the selected entry; empty when none is.
    QString fileName() const;
    // Selects the entry of that name without raising Click; false when the
    // list holds none.
    bool selectQuietly(const QString& name);

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_path;
    bool m_filling = false;
    int m_rowAtPress = -1;
};
