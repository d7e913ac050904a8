#pragma once

// Answers the modal dialogs a slot opens, in order, from a timer: each answer
// gets the next dialog that becomes modal. A dialog nobody expected, or one
// left open for ten seconds, is rejected and recorded, so a test never hangs.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
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

    // Answers only the dialogs it was given, then deletes itself; after
    // `deadline` milliseconds without one it gives up (the dialog stays, so
    // a test that misses it runs into its own timeout).
    void deleteWhenAnswered(int deadline)
    {
        _deadline = deadline;
    }

    // Every answer was used and no other dialog came up.
    bool done() const { return _answers.isEmpty() && _unexpected.isEmpty(); }
    const QStringList &unexpected() const { return _unexpected; }

private:
    void poll()
    {
        if (_deadline >= 0 && _clock.elapsed() >= _deadline) {
            finish();
            return;
        }
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        if (!dialog->property("answered").toBool()) {
            dialog->setProperty("answered", true);
            _clock.restart();
            // A dialog object shown again (exec() after exec()) is a new one.
            if (auto *d = qobject_cast<QDialog *>(dialog))
                connect(d, &QDialog::finished, d, [d] { d->setProperty("answered", false); },
                        Qt::SingleShotConnection);
            if (!_answers.isEmpty()) {
                _answers.takeFirst()(dialog);
                if (_deadline >= 0 && _answers.isEmpty())
                    finish();
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

    void finish()
    {
        _timer.stop();
        deleteLater();
    }

    QList<Answer> _answers;
    int _deadline = -1; // one-shot mode when set
    QStringList _unexpected;
    QTimer _timer;
    QElapsedTimer _clock;
};

// Answers the next modal dialog from a timer, so that a test never blocks on it.
inline void answerNextModal(DialogAnswers::Answer answer, int deadline = 5000)
{
    (new DialogAnswers({std::move(answer)}))->deleteWhenAnswered(deadline);
}

// Clicks `button` of the next message box and records its text.
inline void answerNextMessage(QMessageBox::StandardButton button, QString *text = nullptr)
{
    answerNextModal([button, text](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        if (!box)
            return;
        if (text)
            *text = box->text();
        box->button(button)->click();
    });
}
