#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

// How the line is driven. The pump speaks 9600 baud, no parity, 8 data bits and 1 stop bit, which
// is what a default LineSettings holds.
struct LineSettings
{
    enum class Parity { None, Even, Odd };
    enum class StopBits { One, Two };

    qint32 baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};

// Why a port did not open; kind None when it did.
struct OpenFailure
{
    enum class Kind { None, NotFound, Busy, NoPermission, SettingsRefused, Other };

    Kind kind = Kind::None;
    QString reason; // the system's own words
    // After NoPermission: the group whose members may use the device, where the system has one.
    QString accessGroup;

    bool failed() const { return kind != Kind::None; }
};

// The serial port the panel talks to the pump through. One implementation drives a real
// QSerialPort; tests put a fake in its place, and one conformance test holds both to this text.
class PumpPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens `device` with the line settings. A port that is already open stays open until the
    // new one has opened and taken the settings; only then is it closed and replaced. On failure
    // everything is left as it was. An open device stays locked, so opening the device of the
    // open port again fails: close it first.
    virtual OpenFailure open(const QString &device, const LineSettings &settings) = 0;
    // Closing a port that is not open is no change.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The device of the port last opened, as it was given (kept after a close or a loss).
    virtual QString device() const = 0;
    // What a device name stands for: names of one device (a link and its target, COM3 and
    // \\.\COM3) give the same identity.
    virtual QString identity(const QString &device) const = 0;
    // The name to open `device` through again after it was lost: a name the system keeps for
    // the adapter itself where it has one (a USB adapter that comes back may get another
    // number), or the name as it was given.
    virtual QString reopenName(const QString &device) const = 0;
    // Queues the bytes for sending in one write and returns at once; false if the port is not
    // open or the write is refused.
    virtual bool write(const QByteArray &bytes) = 0;
    // The serial ports the system knows of, to name when opening fails.
    virtual QStringList availablePorts() const = 0;

signals:
    // Bytes from the pump, in pieces of any size, as the system hands them over.
    void received(const QByteArray &bytes);
    // The device failed under the open port (unplugged, hung up). The port is already closed;
    // this comes once per loss.
    void deviceLost(const QString &reason);
};
