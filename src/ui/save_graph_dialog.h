#pragma once

#include <QDialog>

class QPushButton;
class QSpinBox;

// Asks for the size of a graph image before the file name is asked.
class SaveGraphDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int MAXIMUM_SIDE = 65536;

    // The spin boxes start at `size`, the graph's size on the screen.
    explicit SaveGraphDialog(const QSize &size, QWidget *parent = nullptr);

    QSize imageSize() const;

private:
    QSpinBox *_widthSpinBox;
    QSpinBox *_heightSpinBox;
    QPushButton *_okButton;
    QPushButton *_cancelButton;
};
