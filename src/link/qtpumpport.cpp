#include "qtpumpport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#ifndef Q_OS_WIN
#include <grp.h>
#include <sys/stat.h>
#endif

namespace {

bool applySettings(QSerialPort *port, const LineSettings &settings)
{
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (settings.parity) {
    case LineSettings::Parity::None:
        break;
    case LineSettings::Parity::Even:
        parity = QSerialPort::EvenParity;
        break;
    case LineSettings::Parity::Odd:
        parity = QSerialPort::OddParity;
        break;
    }
    const QSerialPort::StopBits stopBits = settings.stopBits == LineSettings::StopBits::Two
                                               ? QSerialPort::TwoStop
                                               : QSerialPort::OneStop;
    return port->setBaudRate(settings.baudRate) && port->setParity(parity) &&
           port->setDataBits(QSerialPort::DataBits(settings.dataBits)) &&
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

OpenFailure openDevice(QSerialPort *port, const QString &deviceName)
{
    if (port->open(QIODevice::ReadWrite))
        return {};
    OpenFailure failure{OpenFailure::Kind::Other, port->errorString(), QString()};
    switch (port->error()) {
    case QSerialPort::DeviceNotFoundError:
        failure.kind = OpenFailure::Kind::NotFound;
        break;
    case QSerialPort::PermissionError: {
        // Qt reports a port held by another program and a device we may not use alike.
#ifdef Q_OS_WIN
        Q_UNUSED(deviceName);
        failure.kind = OpenFailure::Kind::Busy;
#else
        const QFileInfo device(devicePath(deviceName));
        if (device.isReadable() && device.isWritable()) {
            failure.kind = OpenFailure::Kind::Busy;
        } else {
            failure.kind = OpenFailure::Kind::NoPermission;
            failure.accessGroup = owningGroup(device.filePath());
        }
#endif
        break;
    }
    default:
        break;
    }
    return failure;
}

} // namespace

QString QtPumpPort::defaultByIdFolder()
{
#ifdef Q_OS_WIN
    return QString(); // a COM name stays the name of its port
#else
    return QStringLiteral("/dev/serial/by-id");
#endif
}

QtPumpPort::QtPumpPort(QObject *parent)
    : QtPumpPort(defaultByIdFolder(), parent)
{}

QtPumpPort::QtPumpPort(const QString &byIdFolder, QObject *parent)
    : PumpPort(parent)
    , m_byIdFolder(byIdFolder)
{}

QtPumpPort::~QtPumpPort() = default;

OpenFailure QtPumpPort::open(const QString &device, const LineSettings &settings)
{
    auto *next = new QSerialPort(this);
    next->setPortName(device);
    OpenFailure failure = openDevice(next, device);
    if (!failure.failed() && !applySettings(next, settings))
        failure = {OpenFailure::Kind::SettingsRefused, next->errorString(), QString()};
    if (failure.failed()) {
        delete next; // closes it
        return failure;
    }
    // The new port works; only now is the old one let go.
    delete m_port;
    m_port = next;
    connect(m_port, &QSerialPort::readyRead, this, &QtPumpPort::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onError(error); });
    m_device = device;
    m_losing = false;
    ++m_openings;
    return {};
}

void QtPumpPort::close()
{
    if (m_port && m_port->isOpen())
        m_port->close();
}

bool QtPumpPort::isOpen() const
{
    return m_port && m_port->isOpen();
}

QString QtPumpPort::device() const
{
    return m_device;
}

QString QtPumpPort::identity(const QString &device) const
{
#ifdef Q_OS_WIN
    // "\\.\COM12" is how COM ports past 9 must be opened; it names the same port as "COM12".
    QString name = device.trimmed().toUpper();
    if (name.startsWith(QLatin1String("\\\\.\\")))
        name = name.mid(4);
    return name;
#else
    // The simulated pump's stable path is a link to /dev/pts/N, /dev/serial/by-id/... links to
    // /dev/ttyUSB0: compare what they lead to.
    const QString path = devicePath(device);
    const QString target = QFileInfo(path).canonicalFilePath();
    return target.isEmpty() ? QDir::cleanPath(path) : target;
#endif
}

QString QtPumpPort::reopenName(const QString &device) const
{
#ifdef Q_OS_WIN
    return device;
#else
    // A link the operator typed (the simulated pump's --link path, a by-id name) is what
    // comes back: keep to it.
    const QFileInfo typed(devicePath(device));
    if (typed.isSymLink() || m_byIdFolder.isEmpty())
        return device;
    const QString target = typed.canonicalFilePath();
    if (target.isEmpty())
        return device;
    const QFileInfoList links =
        QDir(m_byIdFolder)
            .entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        if (link.isSymLink() && link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    }
    return device;
#endif
}

bool QtPumpPort::write(const QByteArray &bytes)
{
    if (!isOpen())
        return false;
    return m_port->write(bytes) == bytes.size();
}

QStringList QtPumpPort::availablePorts() const
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

void QtPumpPort::onReadyRead()
{
    if (!isOpen())
        return;
    const QByteArray bytes = m_port->readAll();
    if (!bytes.isEmpty())
        emit received(bytes);
}

void QtPumpPort::onError(int error)
{
    // Control-line calls fail on a pseudo-terminal, and a timeout only means nothing came.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError ||
        error == QSerialPort::UnsupportedOperationError)
        return;
    if (!isOpen() || m_losing)
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
            if (opening != m_openings || !isOpen())
                return;
            m_port->close();
            emit deviceLost(reason);
        },
        Qt::QueuedConnection);
}
