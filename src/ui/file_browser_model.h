#pragma once

#include <QFileSystemModel>

// The file browser's list: one directory at a time (the root path), with
// moves up and into directories and removal of entries.
class FileBrowserModel : public QFileSystemModel {
    Q_OBJECT
public:
    explicit FileBrowserModel(QObject *parent = nullptr);

    QString path() const { return rootPath(); }

signals:
    void canMoveUp(bool possible);

public slots:
    void moveUp();
    // An existing directory becomes the list; anything else is refused with
    // "Can't change path to "%1"" and the list stays as it was.
    bool setPath(const QString &path);
    void itemExpanded(const QModelIndex &index);
    void removeItemSlot(const QModelIndex &index);
};
