#pragma once

#include "commcontrol.h"

#include <QStringList>

// Stands in for the serial port: records what the window asks of it.
class FakeCommControl final : public CommControl
{
    Q_OBJECT
public:
    using CommControl::CommControl;

    void setCommPort(const QString &deviceName) override { m_commPort = deviceName; }
    QString commPort() const override { return m_commPort; }
    bool isPortOpen() const override { return m_open; }
    bool setPortOpen(bool open) override
    {
        portOpenCalls.append(open);
        if (open && !openError.isEmpty())
            return false;
        m_open = open;
        return true;
    }
    QString errorString() const override { return openError; }

    QList<bool> portOpenCalls;
    QString openError; // when set, opening fails with this reason

private:
    QString m_commPort;
    bool m_open = false;
};
