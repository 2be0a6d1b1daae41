#include "fakecommcontrol.h"
#include "portname.h"
#include "pumplink.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

// The device a port number names on this platform (COM5 on Windows, /dev/ttyS4 elsewhere).
QString portNumbered(int number)
{
    return portDeviceName(QString::number(number)).value();
}

} // namespace

class TestPumpLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openSetsUpThePort();
    void openRefusals_data();
    void openRefusals();
    void reopenWhileOpen_data();
    void reopenWhileOpen();
    void pollWritesTheStatusRequest();
    void sendGuards_data();
    void sendGuards();
    void repliesInArrivalOrder();
    void otherEventsReadNothing();
    void partialFrameLowersThreshold();
    void lossStopsThePoll();
    void statusCountsAndSilence();

private:
    FakeCommControl *m_port = nullptr;
    QTimer *m_timer = nullptr;
    PumpLink *m_link = nullptr;
};

void TestPumpLink::init()
{
    m_port = new FakeCommControl;
    m_timer = new QTimer;
    m_link = new PumpLink(m_port, m_timer);
}

void TestPumpLink::cleanup()
{
    delete m_link;
    delete m_timer;
    delete m_port;
}

void TestPumpLink::openSetsUpThePort()
{
    const PumpLink::OpenResult result = m_link->open(QStringLiteral("2"));
    QCOMPARE(result.outcome, PumpLink::OpenOutcome::Opened);
    QCOMPARE(m_port->openedDevices, QStringList{portNumbered(2)});
    QCOMPARE(m_port->settings, QStringLiteral("9600,n,8,1"));
    QCOMPARE(m_port->inputLen, 0);
    QCOMPARE(m_port->rThreshold(), 9);
    QVERIFY(!m_timer->isActive()); // the caller enables the menus first, then the poll
    m_link->startPoll();
    QVERIFY(m_timer->isActive());
    QCOMPARE(m_timer->interval(), 1500);
    QVERIFY(m_port->written.isEmpty()); // the first poll goes out one interval later
}

void TestPumpLink::openRefusals_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("failure");
    QTest::addColumn<bool>("settingsAccepted");
    QTest::addColumn<int>("outcome");
    using O = PumpLink::OpenOutcome;
    using F = CommControl::OpenFailure;
    QTest::newRow("cancel") << "" << int(F::None) << true << int(O::Cancelled);
    QTest::newRow("abc") << "abc" << int(F::None) << true << int(O::InvalidPort);
    QTest::newRow("40000") << "40000" << int(F::None) << true << int(O::InvalidPort);
    QTest::newRow("0") << "0" << int(F::None) << true << int(O::InvalidPort);
    QTest::newRow("absent") << "5" << int(F::NotFound) << true << int(O::OpenFailed);
    QTest::newRow("busy") << "5" << int(F::Busy) << true << int(O::OpenFailed);
    QTest::newRow("settings refused") << "5" << int(F::None) << false << int(O::SettingsRefused);
}

void TestPumpLink::openRefusals()
{
    QFETCH(QString, answer);
    QFETCH(int, failure);
    QFETCH(bool, settingsAccepted);
    QFETCH(int, outcome);
    m_port->failure = CommControl::OpenFailure(failure);
    m_port->settingsAccepted = settingsAccepted;
    m_port->ports = QStringList{"/dev/ttyS0", "/dev/ttyUSB0"};

    const PumpLink::OpenResult result = m_link->open(answer);
    QCOMPARE(int(result.outcome), outcome);
    QVERIFY(!m_port->isPortOpen());
    QVERIFY(!m_timer->isActive());
    if (result.outcome == PumpLink::OpenOutcome::OpenFailed) {
        QCOMPARE(result.device, portNumbered(5));
        QCOMPARE(int(result.failure), failure);
        QCOMPARE(result.availablePorts, m_port->ports);
    }
    if (result.outcome == PumpLink::OpenOutcome::Cancelled ||
        result.outcome == PumpLink::OpenOutcome::InvalidPort)
        QVERIFY(m_port->portOpenCalls.isEmpty()); // no port is touched
}

void TestPumpLink::reopenWhileOpen_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("failure");
    QTest::addColumn<bool>("settingsAccepted");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("openAfter"); // empty: no port is open afterwards
    QTest::addColumn<QList<bool>>("portOpenCalls");
    QTest::addColumn<QString>("keptDevice");
    QTest::addColumn<QString>("closedDevice");
    using O = PumpLink::OpenOutcome;
    using F = CommControl::OpenFailure;
    const QString open = QStringLiteral("/dev/pts/7");
    const QList<bool> once{true};
    const QList<bool> closedAndOpened{true, false, true};

    // The same device is closed first, whatever name it is given.
    QTest::newRow("same name") << open << int(F::None) << true << int(O::Opened) << open
                               << closedAndOpened << ""
                               << "";
    QTest::newRow("a link to it") << "/tmp/pump" << int(F::None) << true << int(O::Opened)
                                  << "/tmp/pump" << closedAndOpened << ""
                                  << "";
    QTest::newRow("same device, gone meanwhile")
        << open << int(F::NotFound) << true << int(O::OpenFailed) << "" << closedAndOpened << ""
        << open;
    // Another device replaces the open one only once it works.
    QTest::newRow("another device")
        << "/dev/ttyUSB0" << int(F::None) << true << int(O::Opened) << "/dev/ttyUSB0" << once << ""
        << "";
    QTest::newRow("mistyped device") << "/dev/ttyNOPE" << int(F::NotFound) << true
                                     << int(O::OpenFailed) << open << once << open << "";
    QTest::newRow("busy device") << "3" << int(F::Busy) << true << int(O::OpenFailed) << open
                                 << once << open << "";
    QTest::newRow("no permission") << "COM3" << int(F::NoPermission) << true << int(O::OpenFailed)
                                   << open << once << open << "";
    QTest::newRow("settings refused") << "/dev/ttyUSB1" << int(F::None) << false
                                      << int(O::SettingsRefused) << open << once << open << "";
    // Cancel and an answer that names no port touch nothing.
    QTest::newRow("cancel") << "" << int(F::None) << true << int(O::Cancelled) << open << once << ""
                            << "";
    QTest::newRow("not a port") << "<b>3" << int(F::None) << true << int(O::InvalidPort) << open
                                << once << ""
                                << "";
}

void TestPumpLink::reopenWhileOpen()
{
    QFETCH(QString, answer);
    QFETCH(int, failure);
    QFETCH(bool, settingsAccepted);
    QFETCH(int, outcome);
    QFETCH(QString, openAfter);
    QFETCH(QList<bool>, portOpenCalls);
    QFETCH(QString, keptDevice);
    QFETCH(QString, closedDevice);
    m_port->identities.insert(QStringLiteral("/tmp/pump"), QStringLiteral("/dev/pts/7"));
    QCOMPARE(m_link->open(QStringLiteral("/dev/pts/7")).outcome, PumpLink::OpenOutcome::Opened);
    m_link->startPoll();
    m_port->deliver("Q00N0");
    QSignalSpy replies(m_link, &PumpLink::replyAccepted);

    m_port->failure = CommControl::OpenFailure(failure);
    m_port->settingsAccepted = settingsAccepted;
    const PumpLink::OpenResult result = m_link->open(answer);
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(m_port->portOpenCalls, portOpenCalls);
    QCOMPARE(result.keptDevice, keptDevice);
    QCOMPARE(result.closedDevice, closedDevice);
    QCOMPARE(m_port->isPortOpen(), !openAfter.isEmpty());
    if (openAfter.isEmpty()) {
        QCOMPARE(m_link->status().state, LinkStatus::State::Closed);
        QVERIFY(!m_timer->isActive());
        return;
    }
    QCOMPARE(m_link->status().state, LinkStatus::State::Open);
    QCOMPARE(m_link->status().device, openAfter);
    if (result.outcome != PumpLink::OpenOutcome::Opened) {
        // The working link goes on as it was: polled, and the frame it had begun completes.
        QVERIFY(m_timer->isActive());
        QCOMPARE(m_timer->interval(), 1500);
        m_port->deliver("1.5Y");
        QCOMPARE(replies.count(), 1);
        m_link->Timer2_Timer();
        QCOMPARE(m_port->written.last(), QByteArray("Q00F0000Y"));
    } else {
        // A new port starts with nothing of the old one's bytes.
        QCOMPARE(m_port->settings, QStringLiteral("9600,n,8,1"));
        QCOMPARE(m_port->rThreshold(), 9);
        m_port->deliver("Q00N01.5Y");
        QCOMPARE(replies.count(), 1);
    }
}

void TestPumpLink::pollWritesTheStatusRequest()
{
    m_link->open(QStringLiteral("1"));
    m_link->startPoll();
    m_link->Timer2_Timer();
    m_link->Timer2_Timer();
    QCOMPARE(m_port->written, QList<QByteArray>({"Q00F0000Y", "Q00F0000Y"}));
}

void TestPumpLink::sendGuards_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("failure");
    using F = FrameSender::Failure;
    QTest::newRow("sent") << true << "Q00R0000Y" << int(F::None);
    QTest::newRow("port closed") << false << "Q00R0000Y" << int(F::PortClosed);
    QTest::newRow("10 characters") << true << "Q100L0050Y" << int(F::Malformed);
    QTest::newRow("8 characters") << true << "Q00L050Y" << int(F::Malformed);
    QTest::newRow("not ASCII") << true << QString::fromUtf8("Q00L０50Y") << int(F::Malformed);
}

void TestPumpLink::sendGuards()
{
    QFETCH(bool, open);
    QFETCH(QString, frame);
    QFETCH(int, failure);
    if (open)
        m_link->open(QStringLiteral("1"));
    QCOMPARE(m_link->send(frame), failure == int(FrameSender::Failure::None));
    QCOMPARE(int(m_link->lastFailure()), failure);
    QCOMPARE(m_port->written.size(), failure == int(FrameSender::Failure::None) ? 1 : 0);
}

void TestPumpLink::repliesInArrivalOrder()
{
    m_link->open(QStringLiteral("1"));
    QStringList seen;
    connect(m_link, &PumpLink::replyAccepted, this,
            [&seen](const Reply &reply) { seen << reply.letter + reply.data; });
    m_port->deliver("Q00N01.2YQ00P02.0YQ00L0150Y");
    m_port->deliver("\x07Q00N01.");
    m_port->deliver("3Y");
    QCOMPARE(seen, QStringList({"N01.2", "P02.0", "L0150", "N01.3"}));
}

void TestPumpLink::otherEventsReadNothing()
{
    m_link->open(QStringLiteral("1"));
    QSignalSpy replies(m_link, &PumpLink::replyAccepted);
    m_port->setRThreshold(100); // hold the bytes back
    m_port->deliver("Q00N01.5Y");
    m_port->raiseEvent(1004); // a framing error
    QCOMPARE(replies.count(), 0);
    m_port->raiseEvent(CommControl::comEvReceive);
    QCOMPARE(replies.count(), 1);
}

void TestPumpLink::partialFrameLowersThreshold()
{
    m_link->open(QStringLiteral("1"));
    QSignalSpy replies(m_link, &PumpLink::replyAccepted);
    m_port->deliver("xxQ00N01."); // 9 bytes: the event comes, but the frame is not complete
    QCOMPARE(replies.count(), 0);
    QCOMPARE(m_port->rThreshold(), 2); // the two missing bytes are enough for the next event
    m_port->deliver("5Y");
    QCOMPARE(replies.count(), 1);
    QCOMPARE(m_port->rThreshold(), 9);
}

void TestPumpLink::lossStopsThePoll()
{
    m_link->open(QStringLiteral("1"));
    m_link->startPoll();
    QSignalSpy lost(m_link, &PumpLink::linkLost);
    m_port->loseDevice(QStringLiteral("Input/output error"));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.first().first().toString(), QStringLiteral("Input/output error"));
    QVERIFY(!m_timer->isActive());
    QVERIFY(!m_link->send(Frames::runFrame));
    QCOMPARE(m_link->lastFailure(), FrameSender::Failure::PortClosed);
    QCOMPARE(m_link->open(QStringLiteral("1")).outcome, PumpLink::OpenOutcome::Opened);
}

void TestPumpLink::statusCountsAndSilence()
{
    qint64 now = 1000;
    m_link->setClock([&now] { return now; });
    QSignalSpy changed(m_link, &PumpLink::stateChanged);
    QCOMPARE(m_link->status().state, LinkStatus::State::Closed);

    m_link->open(QStringLiteral("/dev/pts/4"));
    QCOMPARE(changed.count(), 1);
    LinkStatus status = m_link->status();
    QCOMPARE(status.state, LinkStatus::State::Open);
    QCOMPARE(status.device, QStringLiteral("/dev/pts/4"));
    QVERIFY(!status.sinceLastReply);
    QVERIFY(!status.pumpSilent());

    m_link->Timer2_Timer();
    m_link->send(Frames::runFrame);
    m_port->deliver("Q00N01.2YQ00P02.0Yjunk");
    m_port->deliver("Q00L0150Yq00N0000Y");
    now += 1200;
    status = m_link->status();
    QCOMPARE(status.framesSent, 2);
    QCOMPARE(status.repliesAccepted, 3);
    QCOMPARE(status.repliesRejected, 2);
    QCOMPARE(status.sinceLastReply, std::optional<qint64>(1200));

    now += 3799;
    QVERIFY(!m_link->status().pumpSilent());
    now += 1; // five seconds without an accepted reply
    QVERIFY(m_link->status().pumpSilent());
    m_port->deliver("Q00N01.3Y");
    QVERIFY(!m_link->status().pumpSilent());

    m_port->loseDevice(QStringLiteral("Input/output error"));
    status = m_link->status();
    QCOMPARE(status.state, LinkStatus::State::Lost);
    QCOMPARE(status.lostReason, QStringLiteral("Input/output error"));
    QVERIFY(!status.pumpSilent());

    // Counts run on across a reopen; silence is measured from the new opening.
    m_link->open(QStringLiteral("/dev/pts/4"));
    now += 4000;
    status = m_link->status();
    QCOMPARE(status.state, LinkStatus::State::Open);
    QCOMPARE(status.repliesAccepted, 4);
    QCOMPARE(status.repliesRejected, 2);
    QVERIFY(!status.sinceLastReply);
    QVERIFY(!status.pumpSilent());
    now += 1000;
    QVERIFY(m_link->status().pumpSilent());
}

QTEST_GUILESS_MAIN(TestPumpLink)
#include "tst_pumplink.moc"
