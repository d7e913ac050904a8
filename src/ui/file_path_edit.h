#pragma once

#include <QLineEdit>

// The file browser's path field. Return asks for the typed directory
// (pathChanged); Escape, or a refused path, shows the current one again.
class FilePathEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit FilePathEdit(QWidget *parent = nullptr);

    const QString &path() const { return _path; }

signals:
    void pathChanged(const QString &path);

public slots:
    // The directory the list shows.
    void setPath(const QString &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString _path;
};
