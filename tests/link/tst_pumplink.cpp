#include "fakepumpport.h"
#include "portname.h"
#include "pumplink.h"
#include "setpointwatch.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(OpenFailure::Kind)

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
    void repliesFromPieces_data();
    void repliesFromPieces();
    void lossStopsThePoll();
    void statusCountsAndSilence();
    void silenceComesOnceAndEndsWithAReply();
    void reconnectsEveryTwoSeconds_data();
    void reconnectsEveryTwoSeconds();
    void operatorEndsTheReconnecting();
    void runStateAndReportedFlow();
    void setpointWatch_data();
    void setpointWatch();
    void stateBeforeAnyoneIsTold_data();
    void stateBeforeAnyoneIsTold();
    void owedStop_data();
    void owedStop();

private:
    FakePumpPort *m_port = nullptr;
    PumpLink *m_link = nullptr;
};

void TestPumpLink::init()
{
    m_port = new FakePumpPort;
    m_link = new PumpLink(m_port);
}

void TestPumpLink::cleanup()
{
    delete m_link;
    delete m_port;
}

void TestPumpLink::openSetsUpThePort()
{
    const PumpLink::OpenResult result = m_link->open(QStringLiteral("2"));
    QCOMPARE(result.outcome, PumpLink::OpenOutcome::Opened);
    QCOMPARE(result.device, portNumbered(2));
    QCOMPARE(m_port->openedDevices, QStringList{portNumbered(2)});
    QCOMPARE(m_link->device(), portNumbered(2));
    // The pump's line: 9600 baud, no parity, 8 data bits, 1 stop bit.
    QCOMPARE(m_port->lineSettings.baudRate, 9600);
    QCOMPARE(m_port->lineSettings.parity, LineSettings::Parity::None);
    QCOMPARE(m_port->lineSettings.dataBits, 8);
    QCOMPARE(m_port->lineSettings.stopBits, LineSettings::StopBits::One);
    QTimer *poll = m_link->Timer2();
    QCOMPARE(poll->objectName(), QStringLiteral("Timer2"));
    QVERIFY(!poll->isActive()); // the caller enables the menus first, then the poll
    m_link->startPoll();
    QVERIFY(poll->isActive());
    QCOMPARE(poll->interval(), 1500);
    QVERIFY(m_port->written.isEmpty()); // the first poll goes out one interval later
    QVERIFY(fire(poll));
    QCOMPARE(m_port->written, QList<QByteArray>{"Q00F0000Y"});
}

void TestPumpLink::openRefusals_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<OpenFailure::Kind>("failure");
    QTest::addColumn<bool>("settingsAccepted");
    QTest::addColumn<int>("outcome");
    using O = PumpLink::OpenOutcome;
    using F = OpenFailure::Kind;
    QTest::newRow("cancel") << "" << F::None << true << int(O::Cancelled);
    QTest::newRow("abc") << "abc" << F::None << true << int(O::InvalidPort);
    QTest::newRow("40000") << "40000" << F::None << true << int(O::InvalidPort);
    QTest::newRow("0") << "0" << F::None << true << int(O::InvalidPort);
    QTest::newRow("absent") << "5" << F::NotFound << true << int(O::OpenFailed);
    QTest::newRow("busy") << "5" << F::Busy << true << int(O::OpenFailed);
    QTest::newRow("no permission") << "5" << F::NoPermission << true << int(O::OpenFailed);
    QTest::newRow("settings refused") << "5" << F::None << false << int(O::SettingsRefused);
}

void TestPumpLink::openRefusals()
{
    QFETCH(QString, answer);
    QFETCH(OpenFailure::Kind, failure);
    QFETCH(bool, settingsAccepted);
    QFETCH(int, outcome);
    m_port->failure = failure;
    m_port->failureReason = QStringLiteral("what the system said");
    m_port->group =
        failure == OpenFailure::Kind::NoPermission ? QStringLiteral("dialout") : QString();
    m_port->settingsAccepted = settingsAccepted;
    m_port->ports = QStringList{"/dev/ttyS0", "/dev/ttyUSB0"};
    QSignalSpy changed(m_link, &PumpLink::stateChanged);

    const PumpLink::OpenResult result = m_link->open(answer);
    QCOMPARE(int(result.outcome), outcome);
    QVERIFY(!m_port->isOpen());
    QVERIFY(!m_link->Timer2()->isActive());
    QCOMPARE(m_link->status().state, LinkStatus::State::Closed);
    if (result.outcome == PumpLink::OpenOutcome::OpenFailed ||
        result.outcome == PumpLink::OpenOutcome::SettingsRefused) {
        QCOMPARE(result.device, portNumbered(5));
        QCOMPARE(result.failure.kind,
                 settingsAccepted ? failure : OpenFailure::Kind::SettingsRefused);
        QCOMPARE(result.failure.reason, m_port->failureReason);
        QCOMPARE(result.failure.accessGroup, m_port->group);
        QCOMPARE(result.availablePorts, m_port->ports);
        QCOMPARE(m_port->opens, QStringList{portNumbered(5)});
    } else {
        QVERIFY(m_port->opens.isEmpty()); // no port is touched
        QCOMPARE(changed.count(), 0);
    }
}

void TestPumpLink::reopenWhileOpen_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<OpenFailure::Kind>("failure");
    QTest::addColumn<bool>("settingsAccepted");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("openAfter"); // empty: no port is open afterwards
    QTest::addColumn<QStringList>("opens"); // the devices asked for after the first opening
    QTest::addColumn<int>("closes");        // how often the working port was closed on the way
    QTest::addColumn<QString>("keptDevice");
    QTest::addColumn<QString>("closedDevice");
    using O = PumpLink::OpenOutcome;
    using F = OpenFailure::Kind;
    const QString open = QStringLiteral("/dev/pts/7");

    // The same device is closed first, whatever name it is given: the port refuses to open a
    // device it holds.
    QTest::newRow("same name") << open << F::None << true << int(O::Opened) << open
                               << QStringList{open} << 1 << ""
                               << "";
    QTest::newRow("a link to it") << "/tmp/pump" << F::None << true << int(O::Opened) << "/tmp/pump"
                                  << QStringList{"/tmp/pump"} << 1 << ""
                                  << "";
    QTest::newRow("same device, gone meanwhile")
        << open << F::NotFound << true << int(O::OpenFailed) << "" << QStringList{open} << 1 << ""
        << open;
    // Another device replaces the open one only once it works.
    QTest::newRow("another device") << "/dev/ttyUSB0" << F::None << true << int(O::Opened)
                                    << "/dev/ttyUSB0" << QStringList{"/dev/ttyUSB0"} << 0 << ""
                                    << "";
    QTest::newRow("mistyped device") << "/dev/ttyNOPE" << F::NotFound << true << int(O::OpenFailed)
                                     << open << QStringList{"/dev/ttyNOPE"} << 0 << open << "";
    QTest::newRow("busy device") << "3" << F::Busy << true << int(O::OpenFailed) << open
                                 << QStringList{portNumbered(3)} << 0 << open << "";
    QTest::newRow("no permission") << "COM3" << F::NoPermission << true << int(O::OpenFailed)
                                   << open << QStringList{"COM3"} << 0 << open << "";
    QTest::newRow("settings refused")
        << "/dev/ttyUSB1" << F::None << false << int(O::SettingsRefused) << open
        << QStringList{"/dev/ttyUSB1"} << 0 << open << "";
    // Cancel and an answer that names no port touch nothing.
    QTest::newRow("cancel") << "" << F::None << true << int(O::Cancelled) << open << QStringList{}
                            << 0 << ""
                            << "";
    QTest::newRow("not a port") << "<b>3" << F::None << true << int(O::InvalidPort) << open
                                << QStringList{} << 0 << ""
                                << "";
}

void TestPumpLink::reopenWhileOpen()
{
    QFETCH(QString, answer);
    QFETCH(OpenFailure::Kind, failure);
    QFETCH(bool, settingsAccepted);
    QFETCH(int, outcome);
    QFETCH(QString, openAfter);
    QFETCH(QStringList, opens);
    QFETCH(int, closes);
    QFETCH(QString, keptDevice);
    QFETCH(QString, closedDevice);
    m_port->identities.insert(QStringLiteral("/tmp/pump"), QStringLiteral("/dev/pts/7"));
    QCOMPARE(m_link->open(QStringLiteral("/dev/pts/7")).outcome, PumpLink::OpenOutcome::Opened);
    m_link->startPoll();
    m_port->deliver("Q00N0");
    QSignalSpy replies(m_link, &PumpLink::replyAccepted);
    const QStringList before = m_port->opens;

    m_port->failure = failure;
    m_port->settingsAccepted = settingsAccepted;
    QSignalSpy changed(m_link, &PumpLink::stateChanged);
    const PumpLink::OpenResult result = m_link->open(answer);
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(m_port->opens.mid(before.size()), opens);
    QCOMPARE(m_port->closes, closes);
    QCOMPARE(result.keptDevice, keptDevice);
    QCOMPARE(result.closedDevice, closedDevice);
    QCOMPARE(m_port->isOpen(), !openAfter.isEmpty());
    QCOMPARE(m_link->device(), openAfter.isEmpty() ? closedDevice : openAfter);
    if (openAfter.isEmpty()) {
        QCOMPARE(m_link->status().state, LinkStatus::State::Closed);
        QVERIFY(!m_link->Timer2()->isActive());
        QVERIFY(changed.count() > 0);
        return;
    }
    QCOMPARE(m_link->status().state, LinkStatus::State::Open);
    QCOMPARE(m_link->status().device, openAfter);
    if (result.outcome != PumpLink::OpenOutcome::Opened) {
        // The working link goes on as it was: polled, and the frame it had begun completes.
        QVERIFY(m_link->Timer2()->isActive());
        QCOMPARE(m_link->Timer2()->interval(), 1500);
        m_port->deliver("1.5Y");
        QCOMPARE(replies.count(), 1);
        m_link->pollNow();
        QCOMPARE(m_port->written.last(), QByteArray("Q00F0000Y"));
    } else {
        // A new port starts with nothing of the old one's bytes.
        QCOMPARE(m_port->lineSettings, LineSettings());
        m_port->deliver("1.5Y");
        QCOMPARE(replies.count(), 0);
        m_port->deliver("Q00N01.5Y");
        QCOMPARE(replies.count(), 1);
    }
}

void TestPumpLink::pollWritesTheStatusRequest()
{
    m_link->open(QStringLiteral("1"));
    m_link->startPoll();
    m_link->pollNow();
    m_link->pollNow();
    QCOMPARE(m_port->written, QList<QByteArray>({"Q00F0000Y", "Q00F0000Y"}));
}

void TestPumpLink::sendGuards_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("refuseWrites");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("failure");
    using F = FrameSender::Failure;
    QTest::newRow("sent") << true << false << "Q00R0000Y" << int(F::None);
    QTest::newRow("port closed") << false << false << "Q00R0000Y" << int(F::PortClosed);
    QTest::newRow("write refused") << true << true << "Q00R0000Y" << int(F::WriteFailed);
    QTest::newRow("10 characters") << true << false << "Q100L0050Y" << int(F::Malformed);
    QTest::newRow("8 characters") << true << false << "Q00L050Y" << int(F::Malformed);
    QTest::newRow("not ASCII") << true << false << QString::fromUtf8("Q00L０50Y")
                               << int(F::Malformed);
}

void TestPumpLink::sendGuards()
{
    QFETCH(bool, open);
    QFETCH(bool, refuseWrites);
    QFETCH(QString, frame);
    QFETCH(int, failure);
    if (open)
        m_link->open(QStringLiteral("1"));
    m_port->refuseWrites = refuseWrites;
    const bool sent = failure == int(FrameSender::Failure::None);
    QCOMPARE(m_link->send(frame), sent);
    QCOMPARE(int(m_link->lastFailure()), failure);
    QCOMPARE(m_port->written, sent ? QList<QByteArray>{frame.toLatin1()} : QList<QByteArray>{});
    QCOMPARE(m_link->status().framesSent, sent ? 1 : 0);
}

void TestPumpLink::repliesFromPieces_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QList<QStringList>>("after"); // the replies each piece completes
    using Pieces = QList<QByteArray>;
    using After = QList<QStringList>;
    QTest::newRow("in arrival order") << Pieces{"Q00N01.2YQ00P02.0YQ00L0150Y", "\x07Q00N01.", "3Y"}
                                      << After{{"N01.2", "P02.0", "L0150"}, {}, {"N01.3"}};
    // Nine bytes, but not a frame yet: the two missing bytes complete it.
    QTest::newRow("garbage, then a partial frame")
        << Pieces{"xxQ00N01.", "5Y"} << After{{}, {"N01.5"}};
    QTest::newRow("byte by byte") << Pieces{"Q", "0", "0", "P", "0", "2", ".", "0", "Y"}
                                  << After{{}, {}, {}, {}, {}, {}, {}, {}, {"P02.0"}};
    QTest::newRow("a frame's end and the next one's start")
        << Pieces{"Q00N0", "1.5YQ00L", "0100Y"} << After{{}, {"N01.5"}, {"L0100"}};
}

void TestPumpLink::repliesFromPieces()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<QStringList>, after);
    m_link->open(QStringLiteral("1"));
    QStringList seen;
    connect(m_link, &PumpLink::replyAccepted, this,
            [&seen](const Reply &reply) { seen << reply.letter + reply.data; });
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        seen.clear();
        m_port->deliver(pieces[i]);
        QCOMPARE(seen, after[i]);
    }
}

void TestPumpLink::lossStopsThePoll()
{
    m_link->open(QStringLiteral("1"));
    m_link->startPoll();
    QSignalSpy lost(m_link, &PumpLink::linkLost);
    QSignalSpy replies(m_link, &PumpLink::replyAccepted);
    m_port->deliver("Q00N0");
    m_port->loseDevice(QStringLiteral("Input/output error"));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.first().first().toString(), QStringLiteral("Input/output error"));
    QVERIFY(!m_link->Timer2()->isActive());
    QVERIFY(!m_link->send(Frames::runFrame));
    QCOMPARE(m_link->lastFailure(), FrameSender::Failure::PortClosed);
    QCOMPARE(m_link->device(), portNumbered(1)); // the status line still names it
    QCOMPARE(m_link->open(QStringLiteral("1")).outcome, PumpLink::OpenOutcome::Opened);
    // The half frame from before the loss is not completed by the new opening's bytes.
    m_port->deliver("1.5Y");
    QCOMPARE(replies.count(), 0);
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

    m_link->pollNow();
    m_link->send(Frames::runFrame);
    m_port->deliver("Q00N01.2YQ00P02.0Yjunk");
    m_port->deliver("Q00L0150Yq00N0000Y");
    now += 1200;
    status = m_link->status();
    QCOMPARE(status.framesSent, 2);
    QCOMPARE(status.repliesAccepted, 3);
    QCOMPARE(status.repliesRejected, 2);
    QCOMPARE(status.sinceLastReply, std::optional<qint64>(1200));

    now += 1799;
    m_link->checkSilence();
    QVERIFY(!m_link->status().pumpSilent());
    now += 1; // three seconds without an accepted reply
    m_link->checkSilence();
    QVERIFY(m_link->status().pumpSilent());
    m_port->deliver("Q00N01.3Y");
    QVERIFY(!m_link->status().pumpSilent());

    m_port->loseDevice(QStringLiteral("Input/output error"));
    status = m_link->status();
    QCOMPARE(status.state, LinkStatus::State::Reconnecting);
    QCOMPARE(status.device, QStringLiteral("/dev/pts/4"));
    QVERIFY(!status.pumpSilent());

    // Counts run on across a reopen; silence is measured from the new opening.
    m_link->open(QStringLiteral("/dev/pts/4"));
    now += 2999;
    m_link->checkSilence();
    status = m_link->status();
    QCOMPARE(status.state, LinkStatus::State::Open);
    QCOMPARE(status.repliesAccepted, 4);
    QCOMPARE(status.repliesRejected, 2);
    QVERIFY(!status.sinceLastReply);
    QVERIFY(!status.pumpSilent());
    now += 1;
    m_link->checkSilence();
    QVERIFY(m_link->status().pumpSilent());
}

void TestPumpLink::silenceComesOnceAndEndsWithAReply()
{
    qint64 now = 0;
    m_link->setClock([&now] { return now; });
    QSignalSpy started(m_link, &PumpLink::silenceStarted);
    QSignalSpy ended(m_link, &PumpLink::silenceEnded);
    m_link->open(QStringLiteral("1"));
    QTimer *silence = m_link->silenceTimer();
    QVERIFY(silence->isActive());
    QCOMPARE(silence->interval(), 3000);
    QCOMPARE(silence->timerType(), Qt::PreciseTimer);

    // A timer that fires a little early waits for the rest, and does not call silence.
    now = 2990;
    m_link->checkSilence();
    QCOMPARE(started.count(), 0);
    QVERIFY(silence->isActive());
    QCOMPARE(silence->interval(), 10);
    now = 3000;
    m_link->checkSilence();
    m_link->checkSilence();
    QCOMPARE(started.count(), 1); // once, however often it is asked

    // Each reply starts the three seconds again.
    now = 7400;
    m_port->deliver("Q00N01.0Y");
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().toLongLong(), 7400);
    QCOMPARE(silence->interval(), 3000);
    now = 10399;
    m_link->checkSilence();
    QCOMPARE(started.count(), 1);
    now = 10400;
    m_link->checkSilence();
    QCOMPARE(started.count(), 2);

    // A lost port is not silent: the loss is the message.
    m_port->loseDevice(QStringLiteral("gone"));
    QVERIFY(!silence->isActive());
    now = 20000;
    m_link->checkSilence();
    QCOMPARE(started.count(), 2);
    QVERIFY(!m_link->status().pumpSilent());
}

void TestPumpLink::reconnectsEveryTwoSeconds_data()
{
    QTest::addColumn<QStringList>("typed");  // what the operator opened
    QTest::addColumn<QString>("stableName"); // what the system knows it by, if anything
    QTest::addColumn<QString>("reopened");
    QTest::newRow("device as typed") << QStringList{"/dev/ttyUSB0"} << QString() << "/dev/ttyUSB0";
    QTest::newRow("through its stable name")
        << QStringList{"/dev/ttyUSB0"} << "/dev/serial/by-id/usb-FTDI-if00-port0"
        << "/dev/serial/by-id/usb-FTDI-if00-port0";
    QTest::newRow("COM port") << QStringList{"COM3"} << QString() << "COM3";
}

void TestPumpLink::reconnectsEveryTwoSeconds()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, stableName);
    QFETCH(QString, reopened);
    qint64 now = 0;
    m_link->setClock([&now] { return now; });
    if (!stableName.isEmpty())
        m_port->reopenNames.insert(typed.first(), stableName);
    QSignalSpy back(m_link, &PumpLink::reconnected);
    QCOMPARE(m_link->open(typed.first()).outcome, PumpLink::OpenOutcome::Opened);
    m_link->startPoll();

    m_port->loseDevice(QStringLiteral("Input/output error"));
    QTimer *retry = m_link->reconnectTimer();
    QVERIFY(retry->isActive());
    QCOMPARE(retry->interval(), 2000);
    QVERIFY(!retry->isSingleShot());
    QVERIFY(!m_link->Timer2()->isActive());

    // Gone, then back but busy, then back: every failure is tried again.
    m_port->absent << reopened;
    const QStringList before = m_port->opens;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        now += 2000;
        m_link->reconnectNow();
        QCOMPARE(m_link->status().reconnectTries, attempt);
        QCOMPARE(m_link->status().sinceLost, now);
    }
    m_port->absent.clear();
    m_port->failure = OpenFailure::Kind::Busy;
    now += 2000;
    m_link->reconnectNow();
    QVERIFY(retry->isActive());
    QCOMPARE(m_link->status().state, LinkStatus::State::Reconnecting);
    m_port->failure = OpenFailure::Kind::None;
    now += 2000;
    m_port->written.clear();
    m_link->reconnectNow();
    QCOMPARE(m_port->opens.mid(before.size()), QStringList(5, reopened));
    QCOMPARE(m_port->lineSettings, PumpLink::pumpLine);

    QCOMPARE(m_link->status().state, LinkStatus::State::Open);
    QVERIFY(!retry->isActive());
    QCOMPARE(back.count(), 1);
    QCOMPARE(back.first().first().toLongLong(), 10000);
    // Polling resumes at once, and goes on at its interval.
    QCOMPARE(m_port->written, QList<QByteArray>{"Q00F0000Y"});
    QVERIFY(m_link->Timer2()->isActive());
    QVERIFY(m_link->silenceTimer()->isActive());
    m_link->reconnectNow(); // a late tick does nothing
    QCOMPARE(m_port->opens.size(), before.size() + 5);
}

void TestPumpLink::operatorEndsTheReconnecting()
{
    m_link->open(QStringLiteral("/dev/ttyUSB0"));
    m_port->loseDevice(QStringLiteral("gone"));
    QVERIFY(m_link->reconnectTimer()->isActive());
    // Cancel changes nothing.
    QCOMPARE(m_link->open(QString()).outcome, PumpLink::OpenOutcome::Cancelled);
    QVERIFY(m_link->reconnectTimer()->isActive());
    // A port that does not open: the lost one is no longer waited for, and the result says so.
    m_port->absent << QStringLiteral("/dev/ttyUSB1");
    const PumpLink::OpenResult result = m_link->open(QStringLiteral("/dev/ttyUSB1"));
    QCOMPARE(result.outcome, PumpLink::OpenOutcome::OpenFailed);
    QCOMPARE(result.abandonedDevice, QStringLiteral("/dev/ttyUSB0"));
    QVERIFY(!m_link->reconnectTimer()->isActive());
    QCOMPARE(m_link->status().state, LinkStatus::State::Closed);
}

void TestPumpLink::runStateAndReportedFlow()
{
    m_link->open(QStringLiteral("1"));
    QSignalSpy sent(m_link, &PumpLink::frameSent);
    QVERIFY(!m_link->status().runCommanded);
    m_link->send(Frames::runFrame);
    m_link->pollNow();
    m_port->deliver("Q00N01.2YQ00P02.0YQ00L0150Y");
    QVERIFY(m_link->status().runCommanded);
    QCOMPARE(m_link->status().reportedFlow, QStringLiteral("0150"));
    m_port->loseDevice(QStringLiteral("gone")); // a lost link forgets neither
    QVERIFY(m_link->status().runCommanded);
    m_link->reconnectNow();
    m_link->send(Frames::stopFrame);
    QVERIFY(!m_link->status().runCommanded);
    QCOMPARE(sent.count(), 4); // run, poll, the poll on reconnecting, stop
    QCOMPARE(sent.last().first().toString(), Frames::stopFrame);
}

void TestPumpLink::owedStop_data()
{
    // Steps: "open DEVICE" is 通信 with the poll started, "lose" the device going away, "back"
    // a reconnection, "poll", "run", "stop", "refuse"/"accept" writes, "forgive" the operator
    // acknowledging a STOP that cannot reach its pump. `written` is every frame on the line.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<bool>("owedAtEnd");
    QTest::addColumn<int>("withheld"); // how often an opened port was not the one owed
    QTest::addColumn<int>("debts");    // STOPs owed, however often each failed
    const QString s = Frames::stopFrame, r = Frames::runFrame, f = Frames::pollFrame;
    QTest::newRow("STOP before any port: the first port opened gets it")
        << QStringList{"stop", "open /dev/ttyUSB0", "poll"} << QStringList{s, f} << false << 0 << 1;
    QTest::newRow("STOP in an outage: sent on reconnection, before the poll")
        << QStringList{"open /dev/ttyUSB0", "run", "lose", "stop", "stop", "back"}
        << QStringList{r, s, f} << false << 0 << 1;
    QTest::newRow("STOP whose write failed: sent before the next poll")
        << QStringList{"open /dev/ttyUSB0", "run", "refuse", "stop", "accept", "poll", "poll"}
        << QStringList{r, s, f, f} << false << 0 << 1;
    QTest::newRow("a RUN later supersedes it")
        << QStringList{"open /dev/ttyUSB0", "refuse", "stop", "accept", "run", "poll"}
        << QStringList{r, f} << false << 0 << 1;
    QTest::newRow("the same device again through 通信")
        << QStringList{"open /dev/ttyUSB0", "run", "lose", "stop", "open /dev/ttyUSB0"}
        << QStringList{r, s} << false << 0 << 1;
    QTest::newRow("another device gets nothing; the debt stays for the first")
        << QStringList{"open /dev/ttyUSB0", "run", "lose", "stop", "open /dev/ttyUSB1", "poll"}
        << QStringList{r, f} << true << 1 << 1;
    QTest::newRow("given up by the operator, it is not sent later")
        << QStringList{"open /dev/ttyUSB0", "run", "lose", "stop", "open /dev/ttyUSB1", "forgive",
                       "open /dev/ttyUSB0"}
        << QStringList{r} << false << 1 << 1;
    QTest::newRow("a STOP that goes out owes nothing")
        << QStringList{"open /dev/ttyUSB0", "run", "stop", "lose", "back"} << QStringList{r, s, f}
        << false << 0 << 0;
}

void TestPumpLink::owedStop()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, written);
    QFETCH(bool, owedAtEnd);
    QFETCH(int, withheld);
    QFETCH(int, debts);
    QSignalSpy owed(m_link, &PumpLink::stopOwed);
    QSignalSpy settled(m_link, &PumpLink::owedStopSettled);
    QSignalSpy withheldSpy(m_link, &PumpLink::owedStopWithheld);
    QStringList recorded; // the rows a journal would write for each frame, owed or not
    connect(m_link, &PumpLink::frameSent, this, [&](const QString &frame) {
        recorded << (m_link->paying() ? QStringLiteral("owed ") + frame : frame);
    });
    for (const QString &step : std::as_const(steps)) {
        if (step.startsWith(QLatin1String("open "))) {
            QCOMPARE(m_link->open(step.mid(5)).outcome, PumpLink::OpenOutcome::Opened);
            m_link->startPoll();
            m_link->Timer2()->stop(); // the test polls by itself
        } else if (step == QLatin1String("lose")) {
            m_port->loseDevice(QStringLiteral("gone"));
        } else if (step == QLatin1String("back")) {
            m_link->reconnectNow();
            m_link->Timer2()->stop();
        } else if (step == QLatin1String("poll")) {
            m_link->pollNow();
        } else if (step == QLatin1String("run")) {
            m_link->send(Frames::runFrame);
        } else if (step == QLatin1String("stop")) {
            m_link->send(Frames::stopFrame);
        } else if (step == QLatin1String("refuse") || step == QLatin1String("accept")) {
            m_port->refuseWrites = step == QLatin1String("refuse");
        } else if (step == QLatin1String("forgive")) {
            m_link->forgiveOwedStop();
        } else {
            QFAIL(qPrintable(step));
        }
    }
    QStringList onTheLine;
    for (const QByteArray &frame : std::as_const(m_port->written))
        onTheLine << QString::fromLatin1(frame);
    QCOMPARE(onTheLine, written);
    QCOMPARE(m_link->pumpState().owedStop().owed, owedAtEnd);
    QCOMPARE(withheldSpy.count(), withheld);
    // Told once per debt, however many STOPs failed, and settled once unless it is still owed.
    QCOMPARE(owed.count(), debts);
    QCOMPARE(settled.count(), debts - (owedAtEnd ? 1 : 0));
    // The STOP that pays a debt is recorded as such; the pump may run while one is owed.
    QCOMPARE(recorded.count(QStringLiteral("owed ") + Frames::stopFrame),
             written.contains(Frames::stopFrame) && owed.count() ? 1 : 0);
    QCOMPARE(m_link->pumpState().mayRun(),
             owedAtEnd || m_link->pumpState().run() == PumpState::Run::Run);
    // No frame is put on the line by itself beyond the owed STOP and the polls asked for.
    QVERIFY(onTheLine.count(Frames::runFrame) <= steps.count(QStringLiteral("run")));
}

void TestPumpLink::setpointWatch_data()
{
    // Steps: "> frame" goes out, "< letter data" is an accepted reply, "quiet" is silence or a
    // loss, "back" a reconnection. Each event reads "kind sent reported".
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("open"); // unconfirmed at the end
    const QString poll = QStringLiteral("> Q00F0000Y");

    QTest::newRow("flow shown at the next poll")
        << QStringList{"> Q00L0150Y", poll, "< L0150"} << QStringList{"confirmed 0150 0150"}
        << QStringList();
    QTest::newRow("pressure shown with its point")
        << QStringList{"> Q00P01.5Y", poll, "< P01.5"} << QStringList{"confirmed 01.5 01.5"}
        << QStringList();
    QTest::newRow("old value at one poll is not yet a fault")
        << QStringList{"> Q00L0150Y", poll, "< L0000"} << QStringList() << QStringList();
    QTest::newRow("old value after two polls")
        << QStringList{"> Q00L0150Y", poll, "< L0000", poll, "< L0000", poll, "< L0000"}
        << QStringList{"unconfirmed 0150 0000"} << QStringList{"0150 0000"};
    QTest::newRow("a reply to the poll before the send judges nothing")
        << QStringList{poll, "> Q00L0150Y", "< L0000", poll, "< L0000"} << QStringList()
        << QStringList();
    QTest::newRow("taken late clears the mark")
        << QStringList{"> Q00P01.5Y", poll, poll, "< P02.0", poll, "< P01.5"}
        << QStringList{"unconfirmed 01.5 02.0", "confirmed 01.5 01.5"} << QStringList();
    QTest::newRow("a newer value replaces the older one's expectation")
        << QStringList{"> Q00L0150Y", poll, "> Q00L0120Y", poll, "< L0150", poll, "< L0120"}
        << QStringList{"confirmed 0120 0120"} << QStringList();
    QTest::newRow("flow and pressure are watched apart")
        << QStringList{"> Q00L0150Y", "> Q00P01.5Y", poll, poll, "< P01.5", "< L0000"}
        << QStringList{"confirmed 01.5 01.5", "unconfirmed 0150 0000"} << QStringList{"0150 0000"};
    QTest::newRow("another pump: told, never judged")
        << QStringList{"> Q03L0150Y", poll, "< L0000", poll, "< L0000", poll, "< L0000"}
        << QStringList{"elsewhere 0150 03"} << QStringList();
    QTest::newRow("polls before a silence do not count")
        << QStringList{"> Q00L0150Y", poll, poll, "quiet", poll, "< L0000"} << QStringList()
        << QStringList();
    QTest::newRow("reconnected with other setpoints: told once")
        << QStringList{"> Q00L0150Y", "> Q00P01.5Y", poll,     "< L0150", "< P01.5",
                       "quiet",       "back",        poll,     "< P02.0", "< L0000",
                       poll,          "< L0000",     "< P02.0"}
        << QStringList{"confirmed 0150 0150", "confirmed 01.5 01.5", "changed 0150 0000",
                       "changed 01.5 02.0"}
        << QStringList();
    QTest::newRow("reconnected with the same setpoints")
        << QStringList{"> Q00L0150Y", poll, "< L0150", "quiet", "back", poll, "< P02.0", "< L0150"}
        << QStringList{"confirmed 0150 0150"} << QStringList();
    QTest::newRow("reconnected before anything was sent")
        << QStringList{"quiet", "back", poll, "< L0000"} << QStringList() << QStringList();
    QTest::newRow("other frames are not setpoints")
        << QStringList{"> Q00R0000Y", "> Q00S0000Y", poll, "< N01.2", "< L0000"} << QStringList()
        << QStringList();
}

void TestPumpLink::setpointWatch()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, events);
    QFETCH(QStringList, open);
    const auto describe = [](const SetpointWatch::Event &event) {
        static const char *const kinds[] = {"confirmed", "unconfirmed", "elsewhere", "changed"};
        const QString last =
            event.kind == SetpointWatch::Event::Kind::SentElsewhere ? event.pump : event.reported;
        return QStringLiteral("%1 %2 %3")
            .arg(QLatin1String(kinds[int(event.kind)]), event.sent, last);
    };
    // The pump's state takes each frame and reply in first, as the link does.
    PumpState state;
    SetpointWatch watch;
    QStringList seen;
    for (const QString &step : std::as_const(steps)) {
        if (step.startsWith(QLatin1Char('>'))) {
            state.sent(step.mid(2), 0);
            if (const auto event = watch.frameSent(step.mid(2), state))
                seen << describe(*event);
        } else if (step.startsWith(QLatin1Char('<'))) {
            const Reply reply{step.at(2), step.mid(3)};
            state.replied(reply, 0);
            for (const SetpointWatch::Event &event : watch.replied(reply, state))
                seen << describe(event);
        } else if (step == QLatin1String("quiet")) {
            watch.interrupted();
        } else {
            watch.reconnected(state);
        }
    }
    QCOMPARE(seen, events);
    QStringList stillOpen;
    for (const SetpointWatch::Event &event : watch.unconfirmed(state))
        stillOpen << event.sent + QLatin1Char(' ') + event.reported;
    QCOMPARE(stillOpen, open);
}

void TestPumpLink::stateBeforeAnyoneIsTold_data()
{
    // Frames sent, then what the pump answers; each notification is written down with what the
    // pump's state holds at that moment.
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("told");
    QTest::newRow("a reply, and what it confirmed after it")
        << QStringList{"Q00L0150Y", "Q00F0000Y"} << QByteArray("Q00N01.2YQ00L0150Y")
        << QStringList{"reply N 01.2 -", "reply L 01.2 0150", "setpoint confirmed 0150"};
    QTest::newRow("a set pressure as the pump sends it")
        << QStringList{"Q00F0000Y"} << QByteArray("Q00P0250Y")
        << QStringList{"reply P - - 0250 02.0"};
    QTest::newRow("to another pump: told after the frame")
        << QStringList{"Q03L0120Y"} << QByteArray()
        << QStringList{"frame Q03L0120Y 03 0120", "setpoint elsewhere 0120"};
    QTest::newRow("run and stop as commanded")
        << QStringList{"Q00R0000Y", "Q00S0000Y"} << QByteArray()
        << QStringList{"frame Q00R0000Y RUN", "frame Q00S0000Y STOP"};
}

void TestPumpLink::stateBeforeAnyoneIsTold()
{
    QFETCH(QStringList, sent);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, told);
    qint64 now = 1000;
    m_link->setClock([&now] { return now; });
    m_link->open(QStringLiteral("1"));
    QStringList seen;
    const PumpState &state = m_link->pumpState();
    auto shown = [](const PumpState::Reported &reported) {
        return reported.seen ? reported.data : QStringLiteral("-");
    };
    // Connected in the opposite order to the one they are told in.
    connect(m_link, &PumpLink::setpointEvent, this, [&](const SetpointWatch::Event &event) {
        static const char *const kinds[] = {"confirmed", "unconfirmed", "elsewhere", "changed"};
        seen << QStringLiteral("setpoint %1 %2")
                    .arg(QLatin1String(kinds[int(event.kind)]), event.sent);
    });
    connect(m_link, &PumpLink::replyAccepted, this, [&](const Reply &reply) {
        QString line = QStringLiteral("reply %1 %2 %3")
                           .arg(reply.letter)
                           .arg(shown(state.reported(PumpState::Value::CurrentPressure)),
                                shown(state.reported(PumpState::Value::SetFlow)));
        if (reply.target() == Reply::Target::SetPressure)
            line = QStringLiteral("reply P - - %1 %2")
                       .arg(state.reported(PumpState::Value::SetPressure).data,
                            state.caption(PumpState::Value::SetPressure));
        QCOMPARE(state.reported(*PumpState::valueOf(reply.target())).at, now);
        seen << line;
    });
    connect(m_link, &PumpLink::frameSent, this, [&](const QString &frame) {
        if (frame == Frames::pollFrame)
            return;
        const std::optional<Frames::Setpoint> setpoint = Frames::setpointOf(frame.at(3));
        if (setpoint) {
            QCOMPARE(state.sent(*setpoint).at, now);
            seen << QStringLiteral("frame %1 %2 %3")
                        .arg(frame, state.sent(*setpoint).pump, state.sent(*setpoint).data);
        } else {
            QCOMPARE(state.runAt(), now);
            seen << QStringLiteral("frame %1 %2").arg(frame, state.runText());
        }
    });
    for (const QString &frame : std::as_const(sent)) {
        now += 100;
        QVERIFY(m_link->send(frame));
    }
    now += 100;
    if (!answer.isEmpty())
        m_port->deliver(answer);
    for (QString &line : seen)
        line = line.trimmed();
    // Setpoint frames to pump 00 are not written down here: they are confirmed or not later.
    seen.removeIf([](const QString &line) { return line.startsWith(QLatin1String("frame Q00L")); });
    QCOMPARE(seen, told);
}

QTEST_GUILESS_MAIN(TestPumpLink)
#include "tst_pumplink.moc"
