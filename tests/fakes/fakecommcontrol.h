#pragma once

#include "commcontrol.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>

// Stands in for the serial port: records what the link asks of it, and delivers bytes the way
// the real control does, raising OnComm once the threshold is reached.
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
        if (!open)
            m_waiting.clear();
        if (open && failure != OpenFailure::None)
            return false;
        if (open)
            openedDevices.append(m_commPort);
        m_open = open;
        return true;
    }
    OpenFailure openFailure() const override
    {
        return failure == OpenFailure::None && !settingsAccepted ? OpenFailure::SettingsRefused
                                                                 : failure;
    }
    QString errorString() const override { return failureReason; }
    QString accessGroup() const override { return group; }
    bool switchPort(const QString &deviceName, const QString &text) override
    {
        switches.append(deviceName);
        if (failure != OpenFailure::None || !settingsAccepted)
            return false;
        m_commPort = deviceName;
        openedDevices.append(deviceName);
        settings = text;
        m_open = true;
        m_waiting.clear();
        return true;
    }
    QString deviceIdentity(const QString &deviceName) const override
    {
        return identities.value(deviceName, deviceName);
    }
    bool setSettings(const QString &text) override
    {
        settings = text;
        return settingsAccepted;
    }
    void setInputLen(int length) override { inputLen = length; }
    void setRThreshold(int threshold) override { m_threshold = threshold; }
    int rThreshold() const override { return m_threshold; }
    bool output(const QByteArray &data) override
    {
        if (!m_open)
            return false;
        written.append(data);
        return true;
    }
    QByteArray input() override
    {
        const QByteArray all = m_waiting;
        m_waiting.clear();
        return all;
    }
    int commEvent() const override { return m_commEvent; }
    QStringList availablePorts() const override { return ports; }

    // Bytes arriving from the pump.
    void deliver(const QByteArray &bytes)
    {
        m_waiting.append(bytes);
        if (m_threshold > 0 && m_waiting.size() >= m_threshold) {
            m_commEvent = comEvReceive;
            emit OnComm();
        }
    }
    // Another kind of event (a line error, a modem-line change).
    void raiseEvent(int event)
    {
        m_commEvent = event;
        emit OnComm();
    }
    void loseDevice(const QString &reason)
    {
        m_open = false;
        emit portLost(reason);
    }

    QList<bool> portOpenCalls;
    QStringList openedDevices;
    QStringList switches; // devices switchPort() was asked to open beside the open port
    QList<QByteArray> written;
    QString settings;
    int inputLen = -1;
    bool settingsAccepted = true;
    OpenFailure failure = OpenFailure::None; // when set, opening fails
    QString failureReason;
    QString group;
    QStringList ports;
    QMap<QString, QString> identities; // other names of one device

private:
    QString m_commPort;
    QByteArray m_waiting;
    bool m_open = false;
    int m_threshold = 0;
    int m_commEvent = 0;
};
