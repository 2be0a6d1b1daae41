#pragma once

#include "keepawake.h"

#include <QStringList>

// Keeps nothing awake; says what it was asked, and fails when told to.
class FakeKeepAwake final : public KeepAwake
{
public:
    bool hold(const QString &reason) override
    {
        if (m_held)
            return true;
        reasons << reason;
        m_held = works;
        m_failure = works ? QString() : QStringLiteral("stand-in refuses");
        return m_held;
    }
    void release() override
    {
        if (m_held)
            ++releases;
        m_held = false;
    }
    bool isHeld() const override { return m_held; }
    QString failure() const override { return m_failure; }

    bool works = true;
    QStringList reasons; // of each hold asked for
    int releases = 0;

private:
    bool m_held = false;
    QString m_failure;
};
