#pragma once

#include <QWidget>

class TextEdit;

// The gutter left of an editor page with the number of every visible line.
// The editor lays it out and paints it, since only the editor knows where
// its blocks are.
class LineNumberArea : public QWidget {
    Q_OBJECT
public:
    explicit LineNumberArea(TextEdit *editor);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TextEdit *_editor;
};
