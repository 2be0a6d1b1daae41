#pragma once

#include <QObject>
#include <QString>

// The serial-port control the window talks to the pump through. One implementation drives a
// real QSerialPort; tests put a fake in its place.
class CommControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The device the next setPortOpen(true) opens.
    virtual void setCommPort(const QString &deviceName) = 0;
    virtual QString commPort() const = 0;

    virtual bool isPortOpen() const = 0;
    // True opens the selected device and returns false if it cannot (errorString() says why);
    // false closes it. Closing a port that is not open is no change and never fails.
    virtual bool setPortOpen(bool open) = 0;
    virtual QString errorString() const = 0;
};
