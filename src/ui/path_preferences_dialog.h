#pragma once

#include <QStringList>
#include <QWidget>

class QListView;
class QPushButton;
class QStringListModel;

// The "Path" page of the preferences: the directories searched for script
// functions, in search order, as kept in the path file.
class PathPreferencesDialog : public QWidget {
    Q_OBJECT
public:
    // Reads the path file; without one the list shows the search path used
    // in its absence.
    explicit PathPreferencesDialog(QWidget *parent = nullptr);

    QStringList directories() const;
    // Appends a directory the chooser gave; one already listed is selected
    // instead, after the message "Path already added".
    void addDirectory(const QString &directory);
    // Appends a directory and everything below it, without that check.
    void addDirectoryTree(const QString &directory);
    // Writes the path file; false after a message when it cannot be written.
    bool save();

public slots:
    void addPath();
    void addWithSubfolders();
    void moveUp();
    void moveToTop();
    void moveDown();
    void moveToBottom();
    void removePath();
    void updateEnabledState();

private:
    int currentRow() const;
    void selectRow(int row);
    void moveCurrentTo(int row);
    QString chooseDirectory();

    QStringListModel *_model;
    QListView *_listView;
    QPushButton *_moveToTopButton;
    QPushButton *_moveUpButton;
    QPushButton *_moveDownButton;
    QPushButton *_moveToBottomButton;
    QPushButton *_removeButton;
};
