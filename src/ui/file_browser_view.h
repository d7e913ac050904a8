#pragma once

#include <QTreeView>

class QAction;
class QFileSystemModel;
class QMenu;

// The file browser's list of one directory. Its requests to run, edit, view
// or import a file leave as signals with the file's absolute path.
class FileBrowserView : public QTreeView {
    Q_OBJECT
public:
    explicit FileBrowserView(QWidget *parent = nullptr);

    // The selected entry, or an invalid index.
    QModelIndex selectedItem() const;

signals:
    void keyLeftPressed();
    void removeItem(const QModelIndex &index);
    void open(const QModelIndex &index);
    void run(const QString &path);
    void view(const QString &path);
    void edit(const QString &path);
    void loadCSV(const QString &path);

public slots:
    void runSlot();
    void editSlot();
    void viewSlot();
    void loadCSVSlot();
    void deleteSlot();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    enum ViewAction { RUN_ACTION, EDIT_ACTION, VIEW_ACTION, LOAD_ACTION, DELETE_ACTION, ACTION_COUNT };
    void updateActions();
    QFileSystemModel *fileModel() const;
    bool isDirectory(const QModelIndex &index) const;
    // The selected file's absolute path; empty for a directory or nothing.
    QString selectedFile() const;

    QMenu *_menu = nullptr;
    QAction *_actions[ACTION_COUNT] = {};
};
