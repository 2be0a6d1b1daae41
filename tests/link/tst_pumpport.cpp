#include "fakepumpport.h"
#include "qtpumpport.h"

#ifndef Q_OS_WIN
#include "pseudoterminal.h"

#include <termios.h>
#endif

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

enum class Implementation { Fake, Pty };

Q_DECLARE_METATYPE(Implementation)
Q_DECLARE_METATYPE(LineSettings)
Q_DECLARE_METATYPE(OpenFailure::Kind)

namespace {

// The device side of a port under test: devices the port can open, whose far end the test
// plays. Each implementation of PumpPort comes with one, and every case runs against each.
class FarEnd
{
public:
    virtual ~FarEnd() = default;

    virtual PumpPort &port() = 0;
    // A device the port can open.
    virtual QString addDevice() = 0;
    // A device name that names nothing.
    virtual QString missingDevice() = 0;
    // Line settings the devices refuse.
    virtual LineSettings refusedSettings() = 0;

    // Opens through the port; every case opens this way, so that the harness knows which
    // device each write went to.
    OpenFailure open(const QString &device, const LineSettings &settings = LineSettings())
    {
        beforeOpen();
        return port().open(device, settings);
    }

    // A new device, opened; empty if it did not open.
    QString openNewDevice()
    {
        const QString device = addDevice();
        return open(device).failed() ? QString() : device;
    }

    // The line settings the device was set to.
    virtual LineSettings lineOf(const QString &device) = 0;
    // The far end of the device sends bytes towards the port.
    virtual bool send(const QString &device, const QByteArray &bytes) = 0;
    // The writes that reached the far end of the device since the last call; waits until at
    // least `expected` bytes are there, and a moment longer for any more.
    virtual QList<QByteArray> written(const QString &device, qsizetype expected) = 0;
    // The far end of the device goes away.
    virtual void hangUp(const QString &device) = 0;
    // Lets whatever is under way happen: bytes in transit, queued notifications.
    virtual void settle() = 0;

protected:
    virtual void beforeOpen() {}
};

// FakePumpPort has one line: bytes it writes go to the device it has open, and only that
// device's far end reaches it.
class FakeFarEnd final : public FarEnd
{
public:
    PumpPort &port() override { return m_port; }
    QString addDevice() override { return QStringLiteral("/dev/fake%1").arg(m_devices++); }
    QString missingDevice() override
    {
        const QString device = QStringLiteral("/dev/missing");
        m_port.absent << device;
        return device;
    }
    LineSettings refusedSettings() override
    {
        m_port.settingsAccepted = false;
        m_port.failureReason = QStringLiteral("Invalid argument");
        return {9600, LineSettings::Parity::Even, 8, LineSettings::StopBits::One};
    }
    LineSettings lineOf(const QString &device) override
    {
        // The fake keeps the settings of its last opening only.
        return device == m_port.device() ? m_port.lineSettings : LineSettings{0, {}, 0, {}};
    }
    bool send(const QString &device, const QByteArray &bytes) override
    {
        if (m_port.isOpen() && m_port.device() == device)
            m_port.deliver(bytes);
        return true;
    }
    QList<QByteArray> written(const QString &device, qsizetype) override
    {
        collect();
        return m_writes.take(device);
    }
    void hangUp(const QString &device) override
    {
        if (m_port.device() == device)
            m_port.loseDevice(QStringLiteral("Input/output error"));
    }
    void settle() override { QCoreApplication::processEvents(); }

private:
    void beforeOpen() override { collect(); }
    void collect()
    {
        for (; m_collected < m_port.written.size(); ++m_collected)
            m_writes[m_port.device()] << m_port.written[m_collected];
    }

    FakePumpPort m_port;
    int m_devices = 0;
    qsizetype m_collected = 0;
    QMap<QString, QList<QByteArray>> m_writes;
};

#ifndef Q_OS_WIN
// QtPumpPort on pseudo-terminals: the slave side is the device, the test reads and writes the
// master side.
class PtyFarEnd final : public FarEnd
{
public:
    PumpPort &port() override { return m_port; }
    QString addDevice() override
    {
        auto terminal = std::make_unique<PseudoTerminal>();
        if (!terminal->isValid())
            return QString();
        m_terminals.push_back(std::move(terminal));
        return m_terminals.back()->slavePath();
    }
    QString missingDevice() override { return m_directory.filePath(QStringLiteral("ttyNOPE")); }
    // A pseudo-terminal is always 8 bits without parity.
    LineSettings refusedSettings() override
    {
        return {9600, LineSettings::Parity::Even, 8, LineSettings::StopBits::One};
    }
    LineSettings lineOf(const QString &device) override
    {
        termios line{};
        if (tcgetattr(terminal(device).masterFd(), &line) != 0)
            return {0, {}, 0, {}};
        LineSettings settings;
        settings.baudRate = cfgetispeed(&line) == cfgetospeed(&line)
                                ? baudRate(cfgetospeed(&line))
                                : -1; // the two directions differ
        switch (line.c_cflag & CSIZE) {
        case CS5:
            settings.dataBits = 5;
            break;
        case CS6:
            settings.dataBits = 6;
            break;
        case CS7:
            settings.dataBits = 7;
            break;
        default:
            settings.dataBits = 8;
            break;
        }
        settings.parity = !(line.c_cflag & PARENB)  ? LineSettings::Parity::None
                          : (line.c_cflag & PARODD) ? LineSettings::Parity::Odd
                                                    : LineSettings::Parity::Even;
        settings.stopBits =
            line.c_cflag & CSTOPB ? LineSettings::StopBits::Two : LineSettings::StopBits::One;
        return settings;
    }
    bool send(const QString &device, const QByteArray &bytes) override
    {
        return terminal(device).write(bytes);
    }
    QList<QByteArray> written(const QString &device, qsizetype expected) override
    {
        PseudoTerminal &far = terminal(device);
        // The port writes from the event loop, so it has to run meanwhile.
        QByteArray all;
        const QDeadlineTimer deadline(2000);
        while (all.size() < expected && !deadline.hasExpired()) {
            QTest::qWait(5);
            all += far.readAvailable();
        }
        QTest::qWait(expected > 0 ? 20 : 100);
        all += far.readAvailable();
        return all.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{all};
    }
    // The far end is gone for good; its number may come back as a new pseudo-terminal's.
    void hangUp(const QString &device) override
    {
        std::erase_if(m_terminals, [&device](const std::unique_ptr<PseudoTerminal> &terminal) {
            return terminal->slavePath() == device;
        });
    }
    void settle() override { QTest::qWait(200); }

private:
    static qint32 baudRate(speed_t speed)
    {
        switch (speed) {
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B115200:
            return 115200;
        default:
            return 0;
        }
    }
    PseudoTerminal &terminal(const QString &device)
    {
        for (const std::unique_ptr<PseudoTerminal> &terminal : m_terminals) {
            if (terminal->slavePath() == device)
                return *terminal;
        }
        qFatal("no pseudo-terminal %s", qPrintable(device));
    }

    // Declared before the port, so that the port is gone before its devices are.
    std::vector<std::unique_ptr<PseudoTerminal>> m_terminals;
    QTemporaryDir m_directory;
    QtPumpPort m_port;
};
#endif

QList<Implementation> implementations()
{
#ifdef Q_OS_WIN
    return {Implementation::Fake};
#else
    return {Implementation::Fake, Implementation::Pty};
#endif
}

std::unique_ptr<FarEnd> makeFarEnd(Implementation implementation)
{
#ifndef Q_OS_WIN
    if (implementation == Implementation::Pty)
        return std::make_unique<PtyFarEnd>();
#endif
    Q_UNUSED(implementation);
    return std::make_unique<FakeFarEnd>();
}

// A row of a case for one implementation; the first column of every table is the
// implementation.
QTestData &row(Implementation implementation, const char *name)
{
    return QTest::addRow("%s: %s", implementation == Implementation::Fake ? "fake" : "pty", name)
           << implementation;
}

// The far end of the implementation the current row names.
std::unique_ptr<FarEnd> farEndOfRow()
{
    QFETCH(Implementation, implementation);
    return makeFarEnd(implementation);
}

// A table with the implementation column only, one row per implementation.
void implementationRows(const char *name)
{
    QTest::addColumn<Implementation>("implementation");
    for (Implementation implementation : implementations())
        row(implementation, name);
}

QByteArray arrived(const QSignalSpy &received)
{
    QByteArray all;
    for (const QList<QVariant> &arguments : received)
        all += arguments.first().toByteArray();
    return all;
}

QByteArray everyByteValue()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

} // namespace

class TestPumpPort : public QObject
{
    Q_OBJECT

private slots:
    void opening_data();
    void opening();
    void writing_data();
    void writing();
    void receiving_data();
    void receiving();
    void closedPort_data();
    void closedPort();
    void openFailures_data();
    void openFailures();
    void switching_data();
    void switching();
    void hangUp_data();
    void hangUp();
    void identity_data();
    void identity();

    void realIdentity_data();
    void realIdentity();
    void realReopenName_data();
    void realReopenName();
};

void TestPumpPort::opening_data()
{
    QTest::addColumn<Implementation>("implementation");
    QTest::addColumn<LineSettings>("settings");
    for (Implementation implementation : implementations()) {
        row(implementation, "the pump's line, 9600,n,8,1") << LineSettings();
        row(implementation, "19200,n,8,2")
            << LineSettings{19200, LineSettings::Parity::None, 8, LineSettings::StopBits::Two};
    }
}

void TestPumpPort::opening()
{
    QFETCH(LineSettings, settings);
    const std::unique_ptr<FarEnd> far = farEndOfRow();
    PumpPort &port = far->port();
    const QString device = far->addDevice();
    QVERIFY(!device.isEmpty());
    QVERIFY(!port.isOpen());
    QCOMPARE(port.device(), QString());

    const OpenFailure failure = far->open(device, settings);
    QCOMPARE(failure.kind, OpenFailure::Kind::None);
    QVERIFY(!failure.failed());
    QVERIFY(port.isOpen());
    QCOMPARE(port.device(), device);
    const LineSettings line = far->lineOf(device);
    QCOMPARE(line.baudRate, settings.baudRate);
    QCOMPARE(line.parity, settings.parity);
    QCOMPARE(line.dataBits, settings.dataBits);
    QCOMPARE(line.stopBits, settings.stopBits);
}

void TestPumpPort::writing_data()
{
    QTest::addColumn<Implementation>("implementation");
    QTest::addColumn<QByteArray>("bytes");
    for (Implementation implementation : implementations()) {
        row(implementation, "a frame") << QByteArray("Q00F0000Y");
        row(implementation, "every byte value") << everyByteValue();
        row(implementation, "a long block") << everyByteValue().repeated(8);
    }
}

void TestPumpPort::writing()
{
    QFETCH(QByteArray, bytes);
    const std::unique_ptr<FarEnd> far = farEndOfRow();
    const QString device = far->openNewDevice();
    QVERIFY(!device.isEmpty());

    QVERIFY(far->port().write(bytes));
    QCOMPARE(far->written(device, bytes.size()), QList<QByteArray>{bytes});
}

void TestPumpPort::receiving_data()
{
    QTest::addColumn<Implementation>("implementation");
    QTest::addColumn<QList<QByteArray>>("pieces");
    using Pieces = QList<QByteArray>;
    for (Implementation implementation : implementations()) {
        row(implementation, "one frame") << Pieces{"Q00N01.5Y"};
        row(implementation, "a frame in several pieces") << Pieces{"Q0", "0N0", "1.", "5Y"};
        row(implementation, "three frames at once") << Pieces{"Q00N01.2YQ00P02.0YQ00L0150Y"};
        row(implementation, "every byte value") << Pieces{everyByteValue()};
        row(implementation, "noise in pieces") << Pieces{QByteArray("\xff\0zz", 4), "Q", "\r\n"};
    }
}

void TestPumpPort::receiving()
{
    QFETCH(QList<QByteArray>, pieces);
    const std::unique_ptr<FarEnd> far = farEndOfRow();
    const QString device = far->openNewDevice();
    QVERIFY(!device.isEmpty());
    QSignalSpy received(&far->port(), &PumpPort::received);

    QByteArray sent;
    for (const QByteArray &piece : pieces) {
        QVERIFY(far->send(device, piece));
        sent += piece;
        QTest::qWait(20); // so that each piece can arrive on its own
    }
    // However the system cuts them, all the bytes arrive, in order, and nothing else.
    QTRY_COMPARE_WITH_TIMEOUT(arrived(received), sent, 2000);
    far->settle();
    QCOMPARE(arrived(received), sent);
    for (const QList<QVariant> &arguments : received)
        QVERIFY(!arguments.first().toByteArray().isEmpty());
}

void TestPumpPort::closedPort_data()
{
    QTest::addColumn<Implementation>("implementation");
    QTest::addColumn<bool>("used"); // opened and closed before
    for (Implementation implementation : implementations()) {
        row(implementation, "never opened") << false;
        row(implementation, "closed after use") << true;
    }
}

void TestPumpPort::closedPort()
{
    QFETCH(bool, used);
    const std::unique_ptr<FarEnd> far = farEndOfRow();
    PumpPort &port = far->port();
    const QString device = far->addDevice();
    QVERIFY(!device.isEmpty());
    if (used) {
        QCOMPARE(far->open(device).kind, OpenFailure::Kind::None);
        QVERIFY(port.write("Q00F0000Y"));
        QCOMPARE(far->written(device, 9), QList<QByteArray>{"Q00F0000Y"});
        port.close();
    }
    QSignalSpy received(&port, &PumpPort::received);
    QSignalSpy lost(&port, &PumpPort::deviceLost);

    port.close(); // no change
    QVERIFY(!port.isOpen());
    QCOMPARE(port.device(), used ? device : QString());
    QVERIFY(!port.write("Q00R0000Y"));
    if (used) {
        QCOMPARE(far->written(device, 0), QList<QByteArray>());
        QVERIFY(far->send(device, "Q00N01.5Y"));
    }
    far->settle();
    QCOMPARE(received.count(), 0);
    QCOMPARE(lost.count(), 0);
}

namespace {

enum class Refused { MissingDevice, OpenDevice, Settings };

} // namespace

void TestPumpPort::openFailures_data()
{
    QTest::addColumn<Implementation>("implementation");
    QTest::addColumn<bool>("whileOpen");
    QTest::addColumn<int>("refused");
    QTest::addColumn<OpenFailure::Kind>("kind");
    using F = OpenFailure::Kind;
    for (Implementation implementation : implementations()) {
        row(implementation, "a missing device")
            << false << int(Refused::MissingDevice) << F::NotFound;
        row(implementation, "refused settings")
            << false << int(Refused::Settings) << F::SettingsRefused;
        // Failed switches: the working port stays.
        row(implementation, "a missing device while one is open")
            << true << int(Refused::MissingDevice) << F::NotFound;
        row(implementation, "refused settings while one is open")
            << true << int(Refused::Settings) << F::SettingsRefused;
        // An open device stays locked.
        row(implementation, "the open device again") << true << int(Refused::OpenDevice) << F::Busy;
    }
}

void TestPumpPort::openFailures()
{
    QFETCH(bool, whileOpen);
    QFETCH(int, refused);
    QFETCH(OpenFailure::Kind, kind);
    const std::unique_ptr<FarEnd> far = farEndOfRow();
    PumpPort &port = far->port();
    QString current;
    if (whileOpen) {
        current = far->addDevice();
        QVERIFY(!current.isEmpty());
        QCOMPARE(far->open(current).kind, OpenFailure::Kind::None);
    }
    QSignalSpy received(&port, &PumpPort::received);
    QSignalSpy lost(&port, &PumpPort::deviceLost);

    OpenFailure failure;
    switch (Refused(refused)) {
    case Refused::MissingDevice:
        failure = far->open(far->missingDevice());
        break;
    case Refused::OpenDevice:
        failure = far->open(current);
        break;
    case Refused::Settings: {
        const QString other = far->addDevice();
        QVERIFY(!other.isEmpty());
        failure = far->open(other, far->refusedSettings());
        break;
    }
    }
    QCOMPARE(failure.kind, kind);
    QVERIFY(failure.failed());
    QVERIFY2(!failure.reason.isEmpty(), "the system's words are shown to the operator");
    QCOMPARE(port.isOpen(), whileOpen);
    QCOMPARE(port.device(), current);
    far->settle();
    QCOMPARE(lost.count(), 0);
    if (!whileOpen)
        return;
    // The port that was open works as before, both ways.
    QVERIFY(port.write("Q00F0000Y"));
    QCOMPARE(far->written(current, 9), QList<QByteArray>{"Q00F0000Y"});
    QVERIFY(far->send(current, "Q00L0050Y"));
    QTRY_COMPARE_WITH_TIMEOUT(arrived(received), QByteArray("Q00L0050Y"), 2000);
}

void TestPumpPort::switching_data()
{
    implementationRows("to another device");
}

void TestPumpPort::switching()
{
    const std::unique_ptr<FarEnd> far = farEndOfRow();
    PumpPort &port = far->port();
    const QString first = far->addDevice();
    const QString second = far->addDevice();
    QVERIFY(!first.isEmpty() && !second.isEmpty());
    QCOMPARE(far->open(first).kind, OpenFailure::Kind::None);
    QVERIFY(port.write("Q00F0000Y"));
    QCOMPARE(far->written(first, 9), QList<QByteArray>{"Q00F0000Y"});
    QSignalSpy received(&port, &PumpPort::received);
    QSignalSpy lost(&port, &PumpPort::deviceLost);

    QCOMPARE(far->open(second).kind, OpenFailure::Kind::None);
    QVERIFY(port.isOpen());
    QCOMPARE(port.device(), second);
    QVERIFY(port.write("Q00R0000Y"));
    QCOMPARE(far->written(second, 9), QList<QByteArray>{"Q00R0000Y"});
    QCOMPARE(far->written(first, 0), QList<QByteArray>());
    QVERIFY(far->send(second, "Q00N01.2Y"));
    QTRY_COMPARE_WITH_TIMEOUT(arrived(received), QByteArray("Q00N01.2Y"), 2000);
    // Letting the old port go is no loss.
    far->settle();
    QCOMPARE(lost.count(), 0);
}

void TestPumpPort::hangUp_data()
{
    implementationRows("of the open device, then a new device");
}

void TestPumpPort::hangUp()
{
    const std::unique_ptr<FarEnd> far = farEndOfRow();
    PumpPort &port = far->port();
    const QString device = far->openNewDevice();
    QVERIFY(!device.isEmpty());
    QSignalSpy lost(&port, &PumpPort::deviceLost);

    far->hangUp(device);
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 2000);
    QVERIFY(!port.isOpen()); // already closed when the signal comes
    QVERIFY(!lost.first().first().toString().isEmpty());
    far->settle();
    QCOMPARE(lost.count(), 1);
    QVERIFY(!port.isOpen());
    QCOMPARE(port.device(), device);
    QVERIFY(!port.write("Q00F0000Y"));

    // A device that is there again opens as any other.
    const QString second = far->addDevice();
    QVERIFY(!second.isEmpty());
    QSignalSpy received(&port, &PumpPort::received);
    QCOMPARE(far->open(second).kind, OpenFailure::Kind::None);
    QVERIFY(port.isOpen());
    QCOMPARE(port.device(), second);
    QVERIFY(port.write("Q00F0000Y"));
    QCOMPARE(far->written(second, 9), QList<QByteArray>{"Q00F0000Y"});
    QVERIFY(far->send(second, "Q00N01.7Y"));
    QTRY_COMPARE_WITH_TIMEOUT(arrived(received), QByteArray("Q00N01.7Y"), 2000);
    QCOMPARE(lost.count(), 1);
}

void TestPumpPort::identity_data()
{
    QTest::addColumn<Implementation>("implementation");
    QTest::addColumn<bool>("same");
    for (Implementation implementation : implementations()) {
        row(implementation, "a name equals itself") << true;
        row(implementation, "two devices differ") << false;
    }
}

void TestPumpPort::identity()
{
    QFETCH(bool, same);
    const std::unique_ptr<FarEnd> far = farEndOfRow();
    const QString first = far->addDevice();
    const QString second = same ? first : far->addDevice();
    QVERIFY(!first.isEmpty() && !second.isEmpty());
    QVERIFY(!far->port().identity(first).isEmpty());
    QCOMPARE(far->port().identity(first) == far->port().identity(second), same);
}

void TestPumpPort::realIdentity_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("same");
#ifdef Q_OS_WIN
    QTest::newRow("one name") << "COM3"
                              << "COM3" << true;
    QTest::newRow("case") << "com3"
                          << "COM3" << true;
    QTest::newRow("device namespace") << "\\\\.\\COM12"
                                      << "COM12" << true;
    QTest::newRow("two ports") << "COM1"
                               << "COM12" << false;
#else
    QTest::newRow("one name") << "/dev/ttyS0"
                              << "/dev/ttyS0" << true;
    QTest::newRow("two devices") << "/dev/ttyS0"
                                 << "/dev/ttyS1" << false;
    QTest::newRow("a link and its target") << "<link>"
                                           << "<target>" << true;
    QTest::newRow("a link and another device") << "<link>"
                                               << "/dev/null" << false;
    QTest::newRow("short name") << "null"
                                << "/dev/null" << true;
    QTest::newRow("missing devices by name") << "/dev/ttyNOPE"
                                             << "/dev/./ttyNOPE" << true;
#endif
}

void TestPumpPort::realIdentity()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, same);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("pts-7"));
    const QString link = dir.filePath(QStringLiteral("pump"));
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(target, link));
    for (QString *name : {&first, &second})
        name->replace(QLatin1String("<link>"), link).replace(QLatin1String("<target>"), target);
    const QtPumpPort port;
    QCOMPARE(port.identity(first) == port.identity(second), same);
}

void TestPumpPort::realReopenName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("reopened");
#ifdef Q_OS_WIN
    QTest::newRow("a COM port keeps its name") << "COM3"
                                               << "COM3";
#else
    QTest::newRow("an adapter with a stable link") << "<dev>/ttyUSB0"
                                                   << "<by-id>/usb-FTDI_FT232R_A1-if00-port0";
    QTest::newRow("a device without one") << "<dev>/ttyUSB1"
                                          << "<dev>/ttyUSB1";
    QTest::newRow("a link typed by the operator stays") << "<dev>/pump"
                                                        << "<dev>/pump";
    QTest::newRow("a stable link typed by the operator stays")
        << "<by-id>/usb-FTDI_FT232R_A1-if00-port0"
        << "<by-id>/usb-FTDI_FT232R_A1-if00-port0";
    QTest::newRow("a missing device") << "<dev>/ttyNOPE"
                                      << "<dev>/ttyNOPE";
    QTest::newRow("no folder of stable links") << "<dev>/ttyUSB0"
                                               << "<dev>/ttyUSB0";
#endif
}

void TestPumpPort::realReopenName()
{
    QFETCH(QString, typed);
    QFETCH(QString, reopened);
#ifdef Q_OS_WIN
    const QtPumpPort port(QStringLiteral("C:/nowhere"));
#else
    // A folder of devices and one of stable links, as /dev and /dev/serial/by-id are.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString dev = dir.filePath(QStringLiteral("dev"));
    const bool withFolder = QTest::currentDataTag() != QByteArray("no folder of stable links");
    const QString byId = dir.filePath(QStringLiteral("by-id"));
    QVERIFY(QDir().mkpath(dev));
    if (withFolder)
        QVERIFY(QDir().mkpath(byId));
    for (const char *name : {"ttyUSB0", "ttyUSB1"}) {
        QFile device(dev + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(device.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::link(dev + QStringLiteral("/ttyUSB0"), dev + QStringLiteral("/pump")));
    if (withFolder) {
        // A link whose adapter is gone, and one that leads to the device.
        QVERIFY(QFile::link(dev + QStringLiteral("/ttyUSB7"),
                            byId + QStringLiteral("/usb-Gone-if00-port0")));
        QVERIFY(QFile::link(QStringLiteral("../dev/ttyUSB0"),
                            byId + QStringLiteral("/usb-FTDI_FT232R_A1-if00-port0")));
    }
    for (QString *name : {&typed, &reopened})
        name->replace(QLatin1String("<dev>"), dev).replace(QLatin1String("<by-id>"), byId);
    const QtPumpPort port(byId);
#endif
    QCOMPARE(port.reopenName(typed), reopened);
}

QTEST_GUILESS_MAIN(TestPumpPort)
#include "tst_pumpport.moc"
