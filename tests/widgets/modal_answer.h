#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

// Answers the next modal dialog from a timer, so that a test never blocks on
// it; after `deadline` milliseconds without a dialog the timer gives up.
inline void answerNextModal(std::function<void(QWidget *)> answer, int deadline = 5000)
{
    auto *timer = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, answer, deadline] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog && clock->elapsed() < deadline)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (dialog)
            answer(dialog);
    });
    timer->start(10);
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
