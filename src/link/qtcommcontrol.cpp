#include "qtcommcontrol.h"

#include <QSerialPort>

QtCommControl::QtCommControl(QObject *parent)
    : CommControl(parent)
    , m_port(new QSerialPort(this))
{}

QtCommControl::~QtCommControl() = default;

void QtCommControl::setCommPort(const QString &deviceName)
{
    m_port->setPortName(deviceName);
}

QString QtCommControl::commPort() const
{
    return m_port->portName();
}

bool QtCommControl::isPortOpen() const
{
    return m_port->isOpen();
}

bool QtCommControl::setPortOpen(bool open)
{
    if (!open) {
        if (m_port->isOpen())
            m_port->close();
        return true;
    }
    if (m_port->isOpen())
        return true;
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_errorString = m_port->errorString();
        return false;
    }
    m_errorString.clear();
    return true;
}

QString QtCommControl::errorString() const
{
    return m_errorString;
}
