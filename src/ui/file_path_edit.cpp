#include "ui/file_path_edit.h"

#include <QCompleter>
#include <QDir>
#include <QFileSystemModel>
#include <QKeyEvent>

FilePathEdit::FilePathEdit(QWidget *parent)
    : QLineEdit(parent)
{
    // Directories complete as they are typed.
    auto *completer = new QCompleter(this);
    auto *directories = new QFileSystemModel(completer);
    directories->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    directories->setRootPath(QString());
    completer->setModel(directories);
    setCompleter(completer);

    connect(this, &QLineEdit::returnPressed, this, [this] {
        const QString typed = QDir::fromNativeSeparators(text().trimmed());
        if (typed != _path)
            emit pathChanged(typed);
        // A refused path leaves the field as it was.
        setText(QDir::toNativeSeparators(_path));
    });
}

void FilePathEdit::setPath(const QString &path)
{
    _path = path;
    setText(QDir::toNativeSeparators(path));
}

void FilePathEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        setText(QDir::toNativeSeparators(_path));
        return;
    }
    QLineEdit::keyPressEvent(event);
}
