#pragma once

#include "pumpport.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>

// Stands in for the serial port: records what the link asks of it, delivers bytes as a device
// would, and fails the way the real port does. The port conformance test holds it to the same
// cases as the real one.
class FakePumpPort final : public PumpPort
{
    Q_OBJECT
public:
    using PumpPort::PumpPort;

    OpenFailure open(const QString &device, const LineSettings &settings) override
    {
        opens.append(device);
        OpenFailure refusal;
        if (absent.contains(device))
            refusal = {OpenFailure::Kind::NotFound, QStringLiteral("No such file or directory"),
                       QString()};
        else if (m_open && identity(device) == identity(m_device))
            refusal = {OpenFailure::Kind::Busy, QStringLiteral("Device or resource busy"),
                       QString()};
        else if (failure != OpenFailure::Kind::None)
            refusal = {failure, failureReason, group};
        else if (!settingsAccepted)
            refusal = {OpenFailure::Kind::SettingsRefused, failureReason, QString()};
        if (refusal.failed())
            return refusal;
        m_device = device;
        lineSettings = settings;
        openedDevices.append(device);
        m_open = true;
        return {};
    }
    void close() override
    {
        ++closes;
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    QString device() const override { return m_device; }
    QString identity(const QString &device) const override
    {
        return identities.value(device, device);
    }
    QString reopenName(const QString &device) const override
    {
        return reopenNames.value(device, device);
    }
    bool write(const QByteArray &bytes) override
    {
        if (!m_open || refuseWrites)
            return false;
        written.append(bytes);
        return true;
    }
    QStringList availablePorts() const override { return ports; }

    // What was written, as frames.
    QStringList writtenFrames() const
    {
        QStringList frames;
        for (const QByteArray &frame : written)
            frames << QString::fromLatin1(frame);
        return frames;
    }
    // Bytes arriving from the pump; nothing arrives at a closed port.
    void deliver(const QByteArray &bytes)
    {
        if (m_open)
            emit received(bytes);
    }
    // The device goes away under the open port.
    void loseDevice(const QString &reason)
    {
        if (!m_open)
            return;
        m_open = false;
        emit deviceLost(reason);
    }

    QStringList opens;         // every device open() was asked for
    QStringList openedDevices; // the ones that opened
    int closes = 0;            // calls of close(), on an open port or not
    QList<QByteArray> written;
    LineSettings lineSettings;                           // of the last opening
    QStringList absent;                                  // devices that do not exist
    OpenFailure::Kind failure = OpenFailure::Kind::None; // when set, opening fails
    bool settingsAccepted = true;
    bool refuseWrites = false;
    QString failureReason;
    QString group;
    QStringList ports;
    QMap<QString, QString> identities;  // other names of one device
    QMap<QString, QString> reopenNames; // stable names of devices

private:
    QString m_device;
    bool m_open = false;
};
