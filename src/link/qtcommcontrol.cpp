#include "qtcommcontrol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSerialPortInfo>

#ifndef Q_OS_WIN
#include <grp.h>
#include <sys/stat.h>
#endif

namespace {

// "baud,parity,data bits,stop bits", as in "9600,n,8,1".
bool applySettings(QSerialPort *port, const QString &settings)
{
    static const QRegularExpression format(
        QStringLiteral("^\\s*(\\d+)\\s*,\\s*([noems])\\s*,\\s*([5-8])\\s*,\\s*(1|1\\.5|2)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch fields = format.match(settings);
    if (!fields.hasMatch())
        return false;

    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (fields.captured(2).toLower().at(0).unicode()) {
    case 'e':
        parity = QSerialPort::EvenParity;
        break;
    case 'o':
        parity = QSerialPort::OddParity;
        break;
    case 'm':
        parity = QSerialPort::MarkParity;
        break;
    case 's':
        parity = QSerialPort::SpaceParity;
        break;
    default:
        break;
    }
    const QString stop = fields.captured(4);
    const QSerialPort::StopBits stopBits = stop == QLatin1String("2") ? QSerialPort::TwoStop
                                           : stop == QLatin1String("1.5")
                                               ? QSerialPort::OneAndHalfStop
                                               : QSerialPort::OneStop;
    return port->setBaudRate(fields.captured(1).toInt()) && port->setParity(parity) &&
           port->setDataBits(QSerialPort::DataBits(fields.captured(3).toInt())) &&
           port->setStopBits(stopBits);
}

#ifndef Q_OS_WIN
QString devicePath(const QString &deviceName)
{
    return deviceName.startsWith(QLatin1Char('/')) ? deviceName
                                                   : QStringLiteral("/dev/") + deviceName;
}

// The group that owns the device node: on Linux serial ports belong to "dialout" or "uucp",
// and being a member of it is what lets an operator use them.
QString owningGroup(const QString &path)
{
    struct stat node = {};
    if (::stat(QFile::encodeName(path).constData(), &node) != 0)
        return QString();
    if (const struct group *owner = ::getgrgid(node.st_gid))
        return QString::fromLocal8Bit(owner->gr_name);
    return QString::number(node.st_gid);
}
#endif

} // namespace

QtCommControl::QtCommControl(QObject *parent)
    : CommControl(parent)
{
    attach(new QSerialPort(this));
}

QtCommControl::~QtCommControl() = default;

void QtCommControl::attach(QSerialPort *port)
{
    m_port = port;
    connect(m_port, &QSerialPort::readyRead, this, &QtCommControl::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onError(error); });
}

void QtCommControl::setCommPort(const QString &deviceName)
{
    m_deviceName = deviceName;
    m_port->setPortName(deviceName);
}

QString QtCommControl::commPort() const
{
    return m_deviceName;
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
        m_commEvent = 0;
        return true;
    }
    if (m_port->isOpen())
        return true;
    if (!openDevice(m_port, m_deviceName))
        return false;
    m_losing = false;
    ++m_openings;
    return true;
}

bool QtCommControl::openDevice(QSerialPort *port, const QString &deviceName)
{
    m_accessGroup.clear();
    if (!port->open(QIODevice::ReadWrite)) {
        m_errorString = port->errorString();
        switch (port->error()) {
        case QSerialPort::DeviceNotFoundError:
            m_openFailure = OpenFailure::NotFound;
            break;
        case QSerialPort::PermissionError: {
            // Qt reports a port held by another program and a device we may not use alike.
#ifdef Q_OS_WIN
            Q_UNUSED(deviceName);
            m_openFailure = OpenFailure::Busy;
#else
            const QFileInfo device(devicePath(deviceName));
            if (device.isReadable() && device.isWritable()) {
                m_openFailure = OpenFailure::Busy;
            } else {
                m_openFailure = OpenFailure::NoPermission;
                m_accessGroup = owningGroup(device.filePath());
            }
#endif
            break;
        }
        default:
            m_openFailure = OpenFailure::Other;
            break;
        }
        return false;
    }
    m_openFailure = OpenFailure::None;
    m_errorString.clear();
    return true;
}

CommControl::OpenFailure QtCommControl::openFailure() const
{
    return m_openFailure;
}

QString QtCommControl::errorString() const
{
    return m_errorString;
}

QString QtCommControl::accessGroup() const
{
    return m_accessGroup;
}

bool QtCommControl::switchPort(const QString &deviceName, const QString &settings)
{
    auto *next = new QSerialPort(this);
    next->setPortName(deviceName);
    if (!openDevice(next, deviceName)) {
        delete next;
        return false;
    }
    if (!applySettings(next, settings)) {
        m_openFailure = OpenFailure::SettingsRefused;
        m_errorString = next->errorString();
        delete next; // closes it
        return false;
    }
    // The new port works; only now is the old one let go.
    m_port->disconnect(this);
    delete m_port;
    attach(next);
    m_deviceName = deviceName;
    m_commEvent = 0;
    m_losing = false;
    ++m_openings;
    return true;
}

QString QtCommControl::deviceIdentity(const QString &deviceName) const
{
#ifdef Q_OS_WIN
    // "\\.\COM12" is how COM ports past 9 must be opened; it names the same port as "COM12".
    QString name = deviceName.trimmed().toUpper();
    if (name.startsWith(QLatin1String("\\\\.\\")))
        name = name.mid(4);
    return name;
#else
    // The simulated pump's stable path is a link to /dev/pts/N, /dev/serial/by-id/... links to
    // /dev/ttyUSB0: compare what they lead to.
    const QString path = devicePath(deviceName);
    const QString target = QFileInfo(path).canonicalFilePath();
    return target.isEmpty() ? QDir::cleanPath(path) : target;
#endif
}

bool QtCommControl::setSettings(const QString &settings)
{
    return applySettings(m_port, settings);
}

void QtCommControl::setInputLen(int length)
{
    m_inputLen = length;
}

void QtCommControl::setRThreshold(int threshold)
{
    m_threshold = threshold;
    // Bytes that already wait may now be enough.
    if (m_port->isOpen() && m_port->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &QtCommControl::onReadyRead, Qt::QueuedConnection);
}

int QtCommControl::rThreshold() const
{
    return m_threshold;
}

bool QtCommControl::output(const QByteArray &data)
{
    if (!m_port->isOpen())
        return false;
    return m_port->write(data) == data.size();
}

QByteArray QtCommControl::input()
{
    if (!m_port->isOpen())
        return QByteArray();
    return m_inputLen > 0 ? m_port->read(m_inputLen) : m_port->readAll();
}

int QtCommControl::commEvent() const
{
    return m_commEvent;
}

QStringList QtCommControl::availablePorts() const
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        names << info.portName();
#else
        names << info.systemLocation();
#endif
    }
    return names;
}

void QtCommControl::onReadyRead()
{
    // The system hands received bytes over in pieces of any size; the event waits until a
    // whole threshold's worth is there.
    if (m_threshold <= 0 || !m_port->isOpen() || m_port->bytesAvailable() < m_threshold)
        return;
    m_commEvent = comEvReceive;
    emit OnComm();
}

void QtCommControl::onError(int error)
{
    // Control-line calls fail on a pseudo-terminal, and a timeout only means nothing came.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError ||
        error == QSerialPort::UnsupportedOperationError)
        return;
    if (!m_port->isOpen() || m_losing)
        return;
    // When the far end hangs up (a USB adapter pulled, a pseudo-terminal's master closed),
    // Qt 6.4 reports ReadError on every pass of the event loop, hundreds of thousands of times
    // a second, while the port still claims to be open; ResourceError never comes. Any such
    // error is the loss of the device: close the port and say so once. The close is queued
    // because we are inside the port's own notification.
    m_losing = true;
    const QString reason = m_port->errorString();
    QMetaObject::invokeMethod(
        this,
        [this, reason, opening = m_openings] {
            // The port may have been closed and opened again before this runs; the loss was
            // of the old opening, not of the new one.
            if (opening != m_openings || !m_port->isOpen())
                return;
            m_port->close();
            m_commEvent = 0;
            emit portLost(reason);
        },
        Qt::QueuedConnection);
}
