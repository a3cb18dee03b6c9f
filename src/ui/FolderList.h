#pragma once

#include <QListWidget>

// The folder list of the main window: the current folder's ancestors from
// the root down, the current folder itself (selected) and its immediate
// sub-folders. A double click or Enter on an entry makes it the current
// folder; a single click, or typing the first letters of its name, only
// selects it.
//
// Change is raised whenever the current folder becomes another one.
class FolderList : public QListWidget {
    Q_OBJECT

public:
    explicit FolderList(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Makes path the current folder and lists it again; false, and nothing
    // changes, when it is not a folder that can be read.
    bool setPath(const QString& path);
    // The full path of the entry at row.
    QString entryPath(int row) const;

signals:
    void valueChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();

    QString m_path;
};
