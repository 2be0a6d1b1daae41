#include "pseudoterminal.h"
#include "pumplink.h"
#include "qtcommcontrol.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <termios.h>

// The real serial-port control and link against a pseudo-terminal, the test playing the pump.
class TestSerialPty : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openAppliesLineSettings();
    void pollReachesThePump();
    void replies_data();
    void replies();
    void hangUpClosesThePortOnce();
    void reopenAfterHangUp();
    void reopenTheSamePortWhileOpen();
    void missingDeviceFails();

private:
    QStringList received() const;

    QtCommControl *m_port = nullptr;
    QTimer *m_timer = nullptr;
    PumpLink *m_link = nullptr;
    QSignalSpy *m_replies = nullptr;
};

void TestSerialPty::init()
{
    m_port = new QtCommControl;
    m_timer = new QTimer;
    m_link = new PumpLink(m_port, m_timer);
    m_replies = new QSignalSpy(m_link, &PumpLink::replyAccepted);
}

void TestSerialPty::cleanup()
{
    delete m_replies;
    delete m_link;
    delete m_timer;
    delete m_port;
}

QStringList TestSerialPty::received() const
{
    QStringList frames;
    for (const QList<QVariant> &arguments : *m_replies) {
        const Reply reply = arguments.first().value<Reply>();
        frames << reply.letter + reply.data;
    }
    return frames;
}

void TestSerialPty::openAppliesLineSettings()
{
    PseudoTerminal pump;
    QVERIFY(pump.isValid());
    QCOMPARE(m_link->open(pump.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QVERIFY(m_port->isPortOpen());

    termios line{};
    QCOMPARE(tcgetattr(pump.masterFd(), &line), 0);
    QCOMPARE(cfgetospeed(&line), speed_t(B9600));
    QCOMPARE(cfgetispeed(&line), speed_t(B9600));
    QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
    QVERIFY(!(line.c_cflag & PARENB));
    QVERIFY(!(line.c_cflag & CSTOPB));
}

void TestSerialPty::pollReachesThePump()
{
    PseudoTerminal pump;
    QCOMPARE(m_link->open(pump.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    m_link->startPoll();
    QCOMPARE(m_timer->interval(), 1500);
    QVERIFY(m_timer->isActive());
    m_link->Timer2_Timer(); // one tick, rather than waiting 1.5 s for it
    m_link->Timer2_Timer();
    QByteArray written;
    QTRY_VERIFY_WITH_TIMEOUT((written += pump.readAvailable()).size() >= 18, 2000);
    QCOMPARE(written, QByteArray("Q00F0000YQ00F0000Y"));
}

void TestSerialPty::replies_data()
{
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<QStringList>("expected");
    using Writes = QList<QByteArray>;
    QTest::newRow("one frame") << Writes{"Q00N01.5Y"} << QStringList{"N01.5"};
    QTest::newRow("in several pieces") << Writes{"Q0", "0N0", "1.", "5Y"} << QStringList{"N01.5"};
    QTest::newRow("three frames in one write")
        << Writes{"Q00N01.2YQ00P02.0YQ00L0150Y"} << QStringList{"N01.2", "P02.0", "L0150"};
    QTest::newRow("garbage before a frame")
        << Writes{QByteArray("\xff\0zzQ00L0100Y", 13)} << QStringList{"L0100"};
    QTest::newRow("garbage, then the frame in pieces")
        << Writes{"abQ00N0", "0.9Y"} << QStringList{"N00.9"};
}

void TestSerialPty::replies()
{
    QFETCH(QList<QByteArray>, writes);
    QFETCH(QStringList, expected);
    PseudoTerminal pump;
    QCOMPARE(m_link->open(pump.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    for (const QByteArray &piece : writes) {
        QVERIFY(pump.write(piece));
        QTest::qWait(20); // let each piece arrive on its own
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_replies->count(), expected.size(), 2000);
    QTest::qWait(50);
    QCOMPARE(received(), expected);
}

void TestSerialPty::hangUpClosesThePortOnce()
{
    PseudoTerminal pump;
    QCOMPARE(m_link->open(pump.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    m_link->startPoll();
    QSignalSpy lost(m_link, &PumpLink::linkLost);
    QObject *serialPort = nullptr;
    for (QObject *child : m_port->children()) {
        if (QLatin1String(child->metaObject()->className()) == QLatin1String("QSerialPort"))
            serialPort = child;
    }
    QVERIFY(serialPort);
    QSignalSpy errors(serialPort, SIGNAL(errorOccurred(QSerialPort::SerialPortError)));

    pump.closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(!m_port->isPortOpen(), 100);
    QCOMPARE(lost.count(), 1);
    QVERIFY(!m_timer->isActive());
    QTest::qWait(200);
    QCOMPARE(lost.count(), 1);
    // A handful of errors before the close, not hundreds of thousands a second.
    QVERIFY2(errors.count() < 20, qPrintable(QString::number(errors.count())));
}

void TestSerialPty::reopenAfterHangUp()
{
    {
        PseudoTerminal first;
        QCOMPARE(m_link->open(first.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
        first.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!m_port->isPortOpen(), 1000);
    }
    PseudoTerminal second;
    QCOMPARE(m_link->open(second.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QVERIFY(second.write("Q00N01.7Y"));
    QTRY_COMPARE_WITH_TIMEOUT(m_replies->count(), 1, 2000);
    QCOMPARE(received(), QStringList{"N01.7"});
}

void TestSerialPty::reopenTheSamePortWhileOpen()
{
    PseudoTerminal pump;
    QCOMPARE(m_link->open(pump.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QCOMPARE(m_link->open(pump.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QVERIFY(pump.write("Q00L0050Y"));
    QTRY_COMPARE_WITH_TIMEOUT(m_replies->count(), 1, 2000);
}

void TestSerialPty::missingDeviceFails()
{
    const PumpLink::OpenResult result = m_link->open(QStringLiteral("/dev/nonexistent-tty"));
    QCOMPARE(result.outcome, PumpLink::OpenOutcome::OpenFailed);
    QCOMPARE(result.failure, CommControl::OpenFailure::NotFound);
    QVERIFY(!m_port->isPortOpen());
}

QTEST_GUILESS_MAIN(TestSerialPty)
#include "tst_serialpty.moc"
