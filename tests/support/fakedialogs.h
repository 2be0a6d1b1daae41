#pragma once

#include "dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

// Answers input boxes from a script and records every dialog shown.
class FakeDialogs final : public Dialogs
{
public:
    struct Shown
    {
        QString text; // prompt or message
        QString title;
        QString preset; // input boxes only
    };

    QString inputBox(const QString &prompt, const QString &title, const QString &preset) override
    {
        inputs.append({prompt, title, preset});
        // An unscripted box is cancelled, as an operator closing it would.
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void messageBox(const QString &text, const QString &title) override
    {
        messages.append({text, title, QString()});
        if (onMessage)
            onMessage();
    }

    void beep() override { ++beeps; }

    QStringList answers; // one per input box, in order; empty text is Cancel
    QList<Shown> inputs;
    QList<Shown> messages;
    std::function<void()> onMessage; // runs while a message box would be open
    int beeps = 0;
};
