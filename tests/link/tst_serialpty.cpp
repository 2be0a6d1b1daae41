#include "pseudoterminal.h"
#include "pumplink.h"
#include "qtpumpport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <termios.h>
#include <unistd.h>

// The link on the real serial port against a pseudo-terminal, the test playing the pump. What
// the port itself does is held to the same cases as the fake in tst_pumpport.
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
    void lossOfAnOldOpeningSparesTheNewOne();
    void switchToAnotherPort();
    void failedSwitchKeepsTheLink();
    void sameDeviceUnderAnotherName();
    void frameSplitAtEveryPosition_data();
    void frameSplitAtEveryPosition();
    void garbageStorm();
    void hangUpInMidFrame();
    void missingDeviceFails();

private:
    QStringList received() const;

    QtPumpPort *m_port = nullptr;
    PumpLink *m_link = nullptr;
    QSignalSpy *m_replies = nullptr;
};

void TestSerialPty::init()
{
    m_port = new QtPumpPort;
    m_link = new PumpLink(m_port);
    m_replies = new QSignalSpy(m_link, &PumpLink::replyAccepted);
}

void TestSerialPty::cleanup()
{
    delete m_replies;
    delete m_link;
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
    QVERIFY(m_port->isOpen());

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
    QCOMPARE(m_link->Timer2()->interval(), 1500);
    QVERIFY(m_link->Timer2()->isActive());
    m_link->pollNow(); // one tick, rather than waiting 1.5 s for it
    m_link->pollNow();
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
    QTRY_VERIFY_WITH_TIMEOUT(!m_port->isOpen(), 100);
    QCOMPARE(lost.count(), 1);
    QVERIFY(!m_link->Timer2()->isActive());
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
        QTRY_VERIFY_WITH_TIMEOUT(!m_port->isOpen(), 1000);
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

void TestSerialPty::lossOfAnOldOpeningSparesTheNewOne()
{
    PseudoTerminal first;
    QCOMPARE(m_link->open(first.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QSignalSpy lost(m_link, &PumpLink::linkLost);
    first.closeMaster();
    // The far end goes away and, before the panel has handled that, 通信 opens another port.
    QCoreApplication::processEvents(); // the error arrives; its handling waits in the queue
    PseudoTerminal second;
    QCOMPARE(m_link->open(second.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QTest::qWait(50);
    QVERIFY(m_port->isOpen());
    QCOMPARE(lost.count(), 0);
    QVERIFY(second.write("Q00N01.1Y"));
    QTRY_COMPARE_WITH_TIMEOUT(m_replies->count(), 1, 2000);
}

void TestSerialPty::switchToAnotherPort()
{
    PseudoTerminal first;
    PseudoTerminal second;
    QCOMPARE(m_link->open(first.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QVERIFY(first.write("Q00N0")); // half a frame from the old port is not carried over
    QTest::qWait(20);
    QCOMPARE(m_link->open(second.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QCOMPARE(m_link->device(), second.slavePath());
    m_link->pollNow();
    QByteArray written;
    QTRY_VERIFY_WITH_TIMEOUT((written += second.readAvailable()).size() >= 9, 2000);
    QCOMPARE(written, QByteArray("Q00F0000Y"));
    QCOMPARE(first.readAvailable(), QByteArray());
    QVERIFY(second.write("1.5YQ00N01.2Y"));
    QTRY_COMPARE_WITH_TIMEOUT(m_replies->count(), 1, 2000);
    QCOMPARE(received(), QStringList{"N01.2"});
}

void TestSerialPty::failedSwitchKeepsTheLink()
{
    PseudoTerminal pump;
    QCOMPARE(m_link->open(pump.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    for (const char *answer : {"/dev/ttyNOPE", "COM3"}) {
        const PumpLink::OpenResult result = m_link->open(QLatin1String(answer));
        QCOMPARE(result.outcome, PumpLink::OpenOutcome::OpenFailed);
        QCOMPARE(result.keptDevice, pump.slavePath());
    }
    QVERIFY(m_port->isOpen());
    m_link->pollNow();
    QByteArray written;
    QTRY_VERIFY_WITH_TIMEOUT((written += pump.readAvailable()).size() >= 9, 2000);
    QCOMPARE(written, QByteArray("Q00F0000Y"));
    QVERIFY(pump.write("Q00L0050Y"));
    QTRY_COMPARE_WITH_TIMEOUT(m_replies->count(), 1, 2000);
}

void TestSerialPty::sameDeviceUnderAnotherName()
{
    PseudoTerminal pump;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("pump"));
    QVERIFY(QFile::link(pump.slavePath(), link));
    QCOMPARE(m_link->open(link).outcome, PumpLink::OpenOutcome::Opened);
    QCOMPARE(m_link->device(), link); // as typed, not shortened
    QCOMPARE(m_port->identity(link), m_port->identity(pump.slavePath()));
    QCOMPARE(m_link->open(pump.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QCOMPARE(m_link->device(), pump.slavePath());
    QVERIFY(pump.write("Q00N01.2YQ00N01.3Y"));
    QTRY_COMPARE_WITH_TIMEOUT(m_replies->count(), 2, 2000);
    QCOMPARE(received(), QStringList({"N01.2", "N01.3"}));
}

void TestSerialPty::frameSplitAtEveryPosition_data()
{
    QTest::addColumn<int>("at");
    for (int at = 1; at < 9; ++at)
        QTest::addRow("after byte %d", at) << at;
}

void TestSerialPty::frameSplitAtEveryPosition()
{
    QFETCH(int, at);
    PseudoTerminal pump;
    QCOMPARE(m_link->open(pump.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    const QByteArray frames = "Q00N01.5YQ00P02.0Y";
    // The cut falls inside the first frame, and again at the same place in the second.
    QVERIFY(pump.write(frames.left(at)));
    QTest::qWait(15);
    QVERIFY(pump.write(frames.mid(at, 9)));
    QTest::qWait(15);
    QVERIFY(pump.write(frames.mid(at + 9)));
    QTRY_COMPARE_WITH_TIMEOUT(m_replies->count(), 2, 2000);
    QCOMPARE(received(), QStringList({"N01.5", "P02.0"}));
}

void TestSerialPty::garbageStorm()
{
    PseudoTerminal pump;
    QCOMPARE(m_link->open(pump.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QByteArray storm;
    quint32 noise = 7;
    for (int i = 0; i < 64 * 1024; ++i) {
        noise = noise * 1103515245u + 12345u;
        storm.append(char(noise >> 16)); // any byte, "Q" and "Y" among them
    }
    // The terminal holds a few kilobytes; the panel drains it as the storm goes on.
    qsizetype at = 0;
    QElapsedTimer clock;
    clock.start();
    while (at < storm.size() && clock.elapsed() < 20000) {
        const ssize_t written = ::write(pump.masterFd(), storm.constData() + at, storm.size() - at);
        if (written > 0)
            at += written;
        else
            QTest::qWait(1);
    }
    QCOMPARE(at, storm.size());
    QVERIFY(pump.write("Q00L0123Y"));
    QTRY_VERIFY_WITH_TIMEOUT(!received().isEmpty() && received().last() == QLatin1String("L0123"),
                             5000);
    QVERIFY(m_port->isOpen());
    QVERIFY(m_link->status().repliesRejected > 0);
    // Afterwards the link is in step again.
    const int before = int(m_replies->count());
    QVERIFY(pump.write("Q00N00.4Y"));
    QTRY_COMPARE_WITH_TIMEOUT(int(m_replies->count()), before + 1, 2000);
    QCOMPARE(received().last(), QStringLiteral("N00.4"));
}

void TestSerialPty::hangUpInMidFrame()
{
    PseudoTerminal pump;
    QCOMPARE(m_link->open(pump.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QSignalSpy lost(m_link, &PumpLink::linkLost);
    QVERIFY(pump.write("Q00N01.5YQ00P0"));
    QTRY_COMPARE_WITH_TIMEOUT(m_replies->count(), 1, 2000);
    pump.closeMaster();
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 1000);
    QVERIFY(!m_port->isOpen());
    // The half frame is not kept for the next opening.
    PseudoTerminal again;
    QCOMPARE(m_link->open(again.slavePath()).outcome, PumpLink::OpenOutcome::Opened);
    QVERIFY(again.write("2.0YQ00L0100Y"));
    QTRY_COMPARE_WITH_TIMEOUT(m_replies->count(), 2, 2000);
    QCOMPARE(received(), QStringList({"N01.5", "L0100"}));
}

void TestSerialPty::missingDeviceFails()
{
    const PumpLink::OpenResult result = m_link->open(QStringLiteral("/dev/nonexistent-tty"));
    QCOMPARE(result.outcome, PumpLink::OpenOutcome::OpenFailed);
    QCOMPARE(result.failure.kind, OpenFailure::Kind::NotFound);
    QVERIFY(!result.failure.reason.isEmpty());
    QVERIFY(!m_port->isOpen());
    QCOMPARE(m_link->status().state, LinkStatus::State::Closed);
}

QTEST_GUILESS_MAIN(TestSerialPty)
#include "tst_serialpty.moc"
