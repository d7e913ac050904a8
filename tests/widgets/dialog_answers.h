#pragma once

// Answers the modal dialogs a slot opens, in order, from a timer: each answer
// gets the next dialog that becomes modal. A dialog nobody expected, or one
// left open for ten seconds, is rejected and recorded, so a test never hangs.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

class DialogAnswers : public QObject {
public:
    using Answer = std::function<void(QWidget *dialog)>;

    explicit DialogAnswers(QList<Answer> answers)
        : _answers(std::move(answers))
    {
        connect(&_timer, &QTimer::timeout, this, &DialogAnswers::poll);
        _timer.start(10);
        _clock.start();
    }

    // Every answer was used and no other dialog came up.
    bool done() const { return _answers.isEmpty() && _unexpected.isEmpty(); }
    const QStringList &unexpected() const { return _unexpected; }

private:
    void poll()
    {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        if (!dialog->property("answered").toBool()) {
            dialog->setProperty("answered", true);
            _clock.restart();
            if (!_answers.isEmpty()) {
                _answers.takeFirst()(dialog);
                return;
            }
            _unexpected << dialog->windowTitle();
        } else if (_clock.elapsed() < 10000) {
            return;
        } else {
            _unexpected << QStringLiteral("left open: ") + dialog->windowTitle();
        }
        if (auto *d = qobject_cast<QDialog *>(dialog))
            d->reject();
        else
            dialog->close();
    }

    QList<Answer> _answers;
    QStringList _unexpected;
    QTimer _timer;
    QElapsedTimer _clock;
};
