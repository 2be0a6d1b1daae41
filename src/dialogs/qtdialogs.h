#pragma once

#include "dialogs.h"

#include <QPointer>
#include <QWidget>

class QtDialogs final : public Dialogs
{
public:
    explicit QtDialogs(QWidget *parent = nullptr);

    void setParent(QWidget *parent);

    QString inputBox(const QString &prompt, const QString &title, const QString &preset) override;
    void messageBox(const QString &text, const QString &title) override;
    void beep() override;

private:
    QPointer<QWidget> m_parent;
};
