#pragma once

#include <QApplication>
#include <QTimer>
#include <QtTest>

#include <functional>

// Runs `answer` on the modal dialog once it is up: what a test does while a modal box's exec()
// waits.
inline void whenModal(std::function<void(QWidget *)> answer)
{
    QTimer::singleShot(0, qApp, [answer] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        answer(modal);
    });
}
