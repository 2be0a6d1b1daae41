#include "fakepumpport.h"
#include "portname.h"
#include "pumplink.h"

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

// What the timer does when its interval is up, without waiting for it.
void fire(QTimer *timer)
{
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
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
    fire(poll);
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

    now += 3799;
    QVERIFY(!m_link->status().pumpSilent());
    now += 1; // five seconds without an accepted reply
    QVERIFY(m_link->status().pumpSilent());
    m_port->deliver("Q00N01.3Y");
    QVERIFY(!m_link->status().pumpSilent());

    m_port->loseDevice(QStringLiteral("Input/output error"));
    QCOMPARE(changed.count(), 2);
    status = m_link->status();
    QCOMPARE(status.state, LinkStatus::State::Lost);
    QCOMPARE(status.device, QStringLiteral("/dev/pts/4"));
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
