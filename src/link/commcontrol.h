#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

// The serial-port control the window talks to the pump through. One implementation drives a
// real QSerialPort; tests put a fake in its place.
class CommControl : public QObject
{
    Q_OBJECT
public:
    // Values of commEvent().
    static constexpr int comEvReceive = 2;

    enum class OpenFailure { None, NotFound, Busy, NoPermission, SettingsRefused, Other };

    using QObject::QObject;

    // The device the next setPortOpen(true) opens.
    virtual void setCommPort(const QString &deviceName) = 0;
    virtual QString commPort() const = 0;

    virtual bool isPortOpen() const = 0;
    // True opens the selected device and returns false if it cannot (openFailure() and
    // errorString() say why); false closes it. Closing a port that is not open is no change.
    virtual bool setPortOpen(bool open) = 0;
    virtual OpenFailure openFailure() const = 0;
    virtual QString errorString() const = 0;
    // After a NoPermission failure: the group whose members may use the device, where the
    // system has such a thing; empty otherwise.
    virtual QString accessGroup() const = 0;

    // Opens another device with the line settings while the open port stays open; only when
    // both worked is the old port closed, and the new one takes its place. On failure the
    // open port is left exactly as it was, and openFailure() and errorString() say why.
    virtual bool switchPort(const QString &deviceName, const QString &settings) = 0;
    // What a device name stands for: names of one device (a link and its target, COM3 and
    // \\.\COM3) give the same identity.
    virtual QString deviceIdentity(const QString &deviceName) const = 0;

    // Line settings as "baud,parity,data bits,stop bits", e.g. "9600,n,8,1", applied to the open
    // port. Returns false for text it cannot read or settings the device refuses.
    virtual bool setSettings(const QString &settings) = 0;
    // How many bytes one input() returns at most; 0 returns all that are waiting.
    virtual void setInputLen(int length) = 0;
    // OnComm with commEvent() comEvReceive is raised once at least this many bytes are waiting.
    virtual void setRThreshold(int threshold) = 0;
    virtual int rThreshold() const = 0;

    // Queues the whole text for sending in one write and returns at once; false if the port is
    // not open or the write is refused.
    virtual bool output(const QByteArray &data) = 0;
    // Takes the waiting bytes out of the receive buffer.
    virtual QByteArray input() = 0;
    virtual int commEvent() const = 0;

    // The serial ports the system knows of, to name when opening fails.
    virtual QStringList availablePorts() const = 0;

signals:
    void OnComm();
    // The device failed under an open port (unplugged, hung up). The port is already closed;
    // this is raised once per loss.
    void portLost(const QString &reason);
};
