#pragma once

#include <QString>

// The window's modal dialogs. Handlers ask through this so tests can script the answers.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // Shows a modal input box; returns the edited text on OK and the empty text on Cancel.
    virtual QString inputBox(const QString &prompt, const QString &title,
                             const QString &preset) = 0;
    // Shows a modal message box with an OK button only and no icon.
    virtual void messageBox(const QString &text, const QString &title) = 0;
    // Sounds the system's alert once, without a dialog.
    virtual void beep() = 0;
};
