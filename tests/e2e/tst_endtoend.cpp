#include "alarmbanner.h"
#include "alarmwatch.h"
#include "endtoendcases.h"
#include "form1.h"
#include "linkwatch.h"
#include "methodsteps.h"
#include "paneldriver.h"
#include "pressureguard.h"
#include "pressuretrend.h"
#include "programrunner.h"
#include "pseudoterminal.h"
#include "pumplink.h"
#include "qtpumpport.h"
#include "runjournal.h"
#include "runlogformat.h"
#include "simulatedpump.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <vector>

// The real window and serial link against the simulated pump on a pseudo-terminal, opened by
// the path of the link the pump makes.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readoutFollowsThePump();
    void setpointsReachThePump();
    void runAndStop();
    void faultModes_data();
    void faultModes();
    void hangUpAndComeBack();
    void timedRunEndInAnOutage();
    void silenceAndRecovery();
    void setpointNotTaken();
    void reconnectThroughTheStableName();
    void mistypedAnswerKeepsTheLink_data();
    void mistypedAnswerKeepsTheLink();
    void commandsAfterHangUpAreTold();
    void blockageTripsTheHighLimit();
    void dryRunTripsTheLowLimitAfterItsDelay();
    void tripPausesTheTimedRunUntilReset();
    void spikesNeverTrip();
    void fiveStepProgramOnTime();

private:
    QStringList received() const { return m_pump->logged(QStringLiteral("recv")); }
    // Starts the pump with `options`, sets the limits and opens the panel on the link's clock
    // m_now; false when one of them failed.
    bool openWithLimits(const QStringList &options, const QString &high, const QString &low,
                        const QString &delay = QStringLiteral("60"));
    // Polls, a poll interval apart on the link's clock, until the pressure limit trips; false
    // after `most` polls without a trip.
    bool pollUntilTrip(int most);
    bool tripped() const { return m_form->alarms().isActive(PressureGuard::tripAlarm); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_link;
    std::unique_ptr<SimulatedPump> m_pump;
    std::unique_ptr<QtPumpPort> m_port;
    std::unique_ptr<PanelDriver> m_panel;
    std::unique_ptr<EndToEndCases> m_cases;
    Form1 *m_form = nullptr;
    FakeDialogs *m_dialogs = nullptr;
    qint64 m_now = 0;
};

void TestEndToEnd::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_link = m_dir->filePath(QStringLiteral("pump"));
    // The simulated pump built here, or an installed one.
    const QString pumpsim = qEnvironmentVariable("PUMPPANEL_PUMPSIM", QStringLiteral(PUMPSIM_PATH));
    m_pump = std::make_unique<SimulatedPump>(pumpsim, m_link,
                                             m_dir->filePath(QStringLiteral("pump.log")));
    m_port = std::make_unique<QtPumpPort>();
    m_panel = std::make_unique<PanelDriver>(*m_port);
    m_cases = std::make_unique<EndToEndCases>(*m_panel, m_link, m_link);
    m_form = &m_panel->form();
    m_dialogs = &m_panel->dialogs();
}

void TestEndToEnd::cleanup()
{
    m_cases.reset();
    m_panel.reset();
    m_port.reset();
    m_pump.reset();
    m_dir.reset();
}

bool TestEndToEnd::openWithLimits(const QStringList &options, const QString &high,
                                  const QString &low, const QString &delay)
{
    if (!m_pump->start(options))
        return false;
    m_now = 0;
    m_form->link()->setClock([this] { return m_now; });
    if (!m_panel->setLimits(high, low, delay))
        return false;
    m_cases->openPanel();
    return !QTest::currentTestFailed();
}

bool TestEndToEnd::pollUntilTrip(int most)
{
    for (int i = 0; i < most && !tripped(); ++i) {
        m_now += PumpLink::pollInterval;
        if (!m_cases->pollOnce())
            return false;
    }
    return tripped();
}

void TestEndToEnd::readoutFollowsThePump()
{
    QVERIFY(m_pump->start());
    m_cases->opensAndShowsThePump();
    if (QTest::currentTestFailed())
        return;
    // What a pump that has just started reports.
    QCOMPARE(m_panel->caption(QStringLiteral("LcurrP")), QStringLiteral("00.0"));
    QCOMPARE(m_panel->caption(QStringLiteral("LsetP")), QStringLiteral("02.0"));
    QCOMPARE(m_panel->caption(QStringLiteral("LsetF")), QStringLiteral("0000"));
    QCOMPARE(m_form->trend().itime(), qint16(3));
    QTRY_COMPARE(received(), QStringList{"Q00F0000Y"});
}

void TestEndToEnd::setpointsReachThePump()
{
    QVERIFY(m_pump->start());
    m_cases->setpointsReachThePump();
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE(received(), QStringList({"Q00L0120Y", "Q00P01.5Y", "Q00F0000Y", "Q00L0150Y",
                                          "Q00P02.0Y", "Q00F0000Y"}));
}

void TestEndToEnd::runAndStop()
{
    QVERIFY(m_pump->start());
    m_cases->runAndStop();
    if (QTest::currentTestFailed())
        return;
    QStringList expected{"Q00L0150Y", "Q00P01.5Y", "Q00R0000Y"};
    expected << QStringList(6, QStringLiteral("Q00F0000Y")) << QStringLiteral("Q00S0000Y")
             << QStringList(6, QStringLiteral("Q00F0000Y"));
    QTRY_COMPARE(received(), expected);
    QCOMPARE(m_form->records().saveprcout(), 12);
}

void TestEndToEnd::faultModes_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("dropEvery"); // 0: every poll is answered
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("rejects");
    QTest::newRow("every 2nd reply dropped")
        << QStringList{"--drop-every", "2"} << 2 << false << false;
    QTest::newRow("garbage before replies") << QStringList{"--garbage", "5"} << 0 << false << true;
    QTest::newRow("replies in small pieces")
        << QStringList{"--pieces", "2", "--piece-gap", "2"} << 0 << false << false;
    QTest::newRow("delayed replies") << QStringList{"--delay", "300"} << 0 << false << false;
    QTest::newRow("no answer") << QStringList{"--silent"} << 0 << true << false;
}

void TestEndToEnd::faultModes()
{
    QFETCH(QStringList, options);
    QFETCH(int, dropEvery);
    QFETCH(bool, silent);
    QFETCH(bool, rejects);
    QVERIFY(m_pump->start(options));
    qint64 now = 0;
    m_form->link()->setClock([&now] { return now; });
    m_cases->openPanel();
    if (QTest::currentTestFailed())
        return;

    const int polls = 4;
    int answered = 0;
    for (int i = 1; i <= polls; ++i) {
        m_form->link()->pollNow();
        now += 1500;
        if (!silent && !(dropEvery > 0 && i % dropEvery == 0))
            ++answered;
        // The pump has the poll; then every frame it answered is shown, none lost or doubled.
        QTRY_COMPARE_WITH_TIMEOUT(received().size(), i, 5000);
        QVERIFY(m_panel->waitForAccepted(3 * answered));
    }
    QTest::qWait(100); // nothing more arrives
    const LinkStatus status = m_form->link()->status();
    QCOMPARE(int(status.repliesAccepted), 3 * answered);
    QCOMPARE(m_pump->logged(QStringLiteral("send")).size(), answered);
    QCOMPARE(status.framesSent, qint64(polls));
    QCOMPARE(status.repliesRejected > 0, rejects);
    QCOMPARE(m_form->trend().itime(), qint16(3 * answered));
    if (answered > 0)
        QCOMPARE(m_panel->caption(QStringLiteral("LsetP")), QStringLiteral("02.0"));

    m_form->link()->checkSilence(); // 6 s on the clock
    m_form->refreshStatus();
    const QString line = m_panel->caption(QStringLiteral("linkStatus"));
    QVERIFY2(line.contains(utf8(silent ? "泵无应答" : "上次应答")), qPrintable(line));
    QVERIFY(m_dialogs->messages.isEmpty()); // repeated conditions never become message boxes
    QVERIFY(m_port->isOpen());
}

void TestEndToEnd::hangUpAndComeBack()
{
    QVERIFY(m_pump->start({QStringLiteral("--hang-up-after"), QStringLiteral("0.5")}));
    m_cases->openPanel();
    if (QTest::currentTestFailed())
        return;
    m_dialogs->answers << QStringLiteral("150");
    QVERIFY(m_panel->trigger(QStringLiteral("liquid")));
    QVERIFY(m_panel->poll(3));
    QCOMPARE(m_panel->caption(QStringLiteral("LsetF")), QStringLiteral("0150"));
    m_form->Timer2()->start(); // polling when the pump hangs up
    QTRY_VERIFY_WITH_TIMEOUT(!m_port->isOpen(), 5000);
    QVERIFY(!m_form->Timer2()->isActive());
    QTRY_COMPARE(m_dialogs->messages.size(), 1);
    QVERIFY(m_dialogs->messages[0].text.contains(utf8("断开")));
    QVERIFY(m_form->link()->reconnectTimer()->isActive());

    // Tries while the pump is away fail and are tried again, with nothing told.
    QVERIFY(m_pump->waitForExit());
    m_form->link()->reconnectNow();
    QVERIFY(!m_port->isOpen());
    m_form->refreshStatus();
    const QString line = m_panel->caption(QStringLiteral("linkStatus"));
    QVERIFY2(line.contains(utf8("正在重新连接 %1（").arg(m_link)), qPrintable(line));
    QCOMPARE(m_panel->label(QStringLiteral("linkIndicator"))->property("light").toString(),
             QStringLiteral("red"));

    // The pump comes back at the same link, restarted with other setpoints: the panel opens
    // it by itself, polls at once, and says once that the setpoints differ, resending nothing.
    const qsizetype before = received().size();
    QVERIFY(m_pump->start({QStringLiteral("--set-flow"), QStringLiteral("80")}));
    m_form->link()->reconnectNow();
    QVERIFY(m_port->isOpen());
    QCOMPARE(m_port->device(), m_link);
    m_panel->stopPolling();
    QVERIFY(m_panel->waitForAccepted(6));
    QCOMPARE(m_panel->caption(QStringLiteral("LsetF")), QStringLiteral("0080"));
    QVERIFY2(m_form->linkWatch().news().startsWith(utf8("已重新连接 %1").arg(m_link)),
             qPrintable(m_form->linkWatch().news()));
    QTRY_COMPARE(m_dialogs->messages.size(), 2);
    QVERIFY2(m_dialogs->messages[1].text.contains(utf8("设定流量 上次发送 0150，泵报告 0080")),
             qPrintable(m_dialogs->messages[1].text));
    QVERIFY(m_panel->poll(9));
    QCOMPARE(received().mid(before), QStringList(2, QStringLiteral("Q00F0000Y")));
}

void TestEndToEnd::timedRunEndInAnOutage()
{
    // A timed run of 0.1 minutes whose end falls while the pump's link is gone: the STOP is
    // owed, and it is the first thing the pump hears when the link is back.
    QVERIFY(m_pump->start({QStringLiteral("--hang-up-after"), QStringLiteral("1")}));
    m_cases->openPanel();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(m_panel->poll(3));
    m_dialogs->answers << QStringLiteral("0.1");
    QVERIFY(m_panel->trigger(QStringLiteral("stset")));
    QVERIFY(m_panel->trigger(QStringLiteral("ststart")));
    QTRY_VERIFY(received().contains(QStringLiteral("Q00R0000Y")));
    m_form->Timer2()->start();
    QTRY_VERIFY_WITH_TIMEOUT(!m_port->isOpen(), 5000);
    QVERIFY(m_pump->waitForExit());
    m_form->Timer1()->stop(); // the test counts the seconds itself
    for (int second = 0; second < 6; ++second)
        QVERIFY(fire(m_form->Timer1()));
    QVERIFY(m_form->alarms().isActive(AlarmWatch::stopOwed));
    QVERIFY(m_form->alarmBanner().text().startsWith(utf8("停止命令未送达：泵可能仍在运行")));

    const qsizetype before = received().size();
    QVERIFY(m_pump->start({}));
    m_form->link()->reconnectNow();
    QVERIFY(m_port->isOpen());
    m_panel->stopPolling();
    QTRY_COMPARE(received().mid(before).size(), 2);
    QCOMPARE(received().mid(before), (QStringList{"Q00S0000Y", "Q00F0000Y"}));
    QVERIFY(!m_form->alarms().isActive(AlarmWatch::stopOwed));
}

void TestEndToEnd::silenceAndRecovery()
{
    // Answers the first poll, leaves the next two unanswered, then answers again.
    QVERIFY(m_pump->start({QStringLiteral("--mute-after"), QStringLiteral("1"),
                           QStringLiteral("--mute-for"), QStringLiteral("2")}));
    qint64 now = 0;
    m_form->link()->setClock([&now] { return now; });
    m_cases->openPanel();
    if (QTest::currentTestFailed())
        return;
    QLabel *light = m_panel->label(QStringLiteral("linkIndicator"));
    QVERIFY(m_panel->poll(3));
    for (int poll = 2; poll <= 3; ++poll) {
        now += 1500;
        m_form->link()->pollNow();
        QTRY_COMPARE(received().size(), poll);
        m_form->link()->checkSilence();
    }
    QCOMPARE(light->property("light").toString(), QStringLiteral("red"));
    QCOMPARE(m_dialogs->beeps, 1);
    QVERIFY(m_panel->caption(QStringLiteral("linkStatus")).contains(utf8("泵无应答")));

    now += 1500;
    QVERIFY(m_panel->poll(6));
    QCOMPARE(light->property("light").toString(), QStringLiteral("green"));
    QCOMPARE(m_form->linkWatch().news(), utf8("泵恢复应答（4.5 秒没有应答）"));
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestEndToEnd::setpointNotTaken()
{
    QVERIFY(m_pump->start({QStringLiteral("--ignore-setpoints")}));
    m_cases->openPanel();
    if (QTest::currentTestFailed())
        return;
    m_dialogs->answers << QStringLiteral("150");
    QVERIFY(m_panel->trigger(QStringLiteral("liquid")));
    QLabel *light = m_panel->label(QStringLiteral("linkIndicator"));
    QVERIFY(m_panel->poll(3));
    QCOMPARE(light->property("light").toString(), QStringLiteral("green"));
    QVERIFY(m_panel->poll(6));
    QCOMPARE(light->property("light").toString(), QStringLiteral("amber"));
    const QString line = m_panel->caption(QStringLiteral("linkStatus"));
    QVERIFY2(line.contains(utf8("设定未确认")), qPrintable(line));
    const QString banner = m_form->alarmBanner().text();
    QVERIFY2(banner.contains(utf8("设定流量 0150 未被泵确认（泵报告 0000）")), qPrintable(banner));
    QCOMPARE(m_pump->logged(QStringLiteral("ignored")).size(), 1);
}

void TestEndToEnd::reconnectThroughTheStableName()
{
    // The operator types the device itself; a folder of stable links, as /dev/serial/by-id
    // is, has one that leads to it. The pump comes back on another pseudo-terminal, and only
    // the stable link follows it.
    const QString byId = m_dir->filePath(QStringLiteral("by-id"));
    QVERIFY(QDir().mkpath(byId));
    const QString stable = byId + QStringLiteral("/usb-Pump_Simulator-if00-port0");
    m_cases.reset();
    m_panel.reset();
    m_port = std::make_unique<QtPumpPort>(byId);
    m_panel = std::make_unique<PanelDriver>(*m_port);
    m_form = &m_panel->form();
    m_dialogs = &m_panel->dialogs();

    QVERIFY(m_pump->start({QStringLiteral("--hang-up-after"), QStringLiteral("0.5")}));
    const QString first = QFileInfo(m_link).canonicalFilePath();
    QVERIFY(QFile::link(first, stable));
    QVERIFY(m_panel->openPort(first, PanelDriver::Polling::ByTest));
    QVERIFY(m_panel->poll(3));
    QTRY_VERIFY_WITH_TIMEOUT(!m_port->isOpen(), 5000);
    m_form->link()->reconnectTimer()->stop(); // the test makes each attempt
    QVERIFY(m_pump->waitForExit());

    // Another pseudo-terminal number: ours are opened until one has the first number (unless
    // another program took it meanwhile), so the pump's new one cannot reuse it.
    std::vector<std::unique_ptr<PseudoTerminal>> holders;
    while (holders.size() < 64 && (holders.empty() || holders.back()->slavePath() != first)) {
        holders.push_back(std::make_unique<PseudoTerminal>());
        QVERIFY(holders.back()->isValid());
    }
    QVERIFY(m_pump->start());
    const QString second = QFileInfo(m_link).canonicalFilePath();
    QVERIFY(second != first);
    QVERIFY(QFile::remove(stable));
    QVERIFY(QFile::link(second, stable));
    m_form->link()->reconnectNow();
    QVERIFY(m_port->isOpen());
    QCOMPARE(m_port->device(), stable);
    m_panel->stopPolling();
    QVERIFY(m_panel->waitForAccepted(6));
}

void TestEndToEnd::mistypedAnswerKeepsTheLink_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("reopened");
    QTest::newRow("missing device") << "/dev/ttyNOPE" << false;
    QTest::newRow("Windows name") << "COM3" << false;
    QTest::newRow("port number of an absent port") << "200" << false;
    // The pump's stable path is a link to /dev/pts/N: typing either reopens the same device.
    QTest::newRow("same device, real name") << "<real>" << true;
}

void TestEndToEnd::mistypedAnswerKeepsTheLink()
{
    QFETCH(QString, answer);
    QFETCH(bool, reopened);
    QVERIFY(m_pump->start());
    m_cases->openPanel();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(m_panel->poll(3));
    answer.replace(QLatin1String("<real>"), QFileInfo(m_link).canonicalFilePath());
    m_form->Timer2()->start();
    m_dialogs->answers << answer;
    QVERIFY(m_panel->trigger(QStringLiteral("Communication")));

    QVERIFY(m_port->isOpen());
    QVERIFY(m_form->Timer2()->isActive());
    QCOMPARE(m_form->Timer2()->interval(), 1500);
    QCOMPARE(m_port->device(), reopened ? answer : m_link);
    if (reopened) {
        QVERIFY(m_dialogs->messages.isEmpty());
    } else {
        QCOMPARE(m_dialogs->messages.size(), 1);
        const QString text = m_dialogs->messages[0].text;
        QVERIFY2(text.contains(utf8("无法打开串口")) &&
                     text.contains(utf8("串口 %1 仍然打开").arg(m_link)),
                 qPrintable(text));
    }
    m_panel->stopPolling();
    QVERIFY(m_panel->poll(6)); // still polled, replies still shown
    QTRY_COMPARE(received().size(), 2);
}

void TestEndToEnd::commandsAfterHangUpAreTold()
{
    QVERIFY(m_pump->start({QStringLiteral("--hang-up-after"), QStringLiteral("0.3")}));
    m_cases->openPanel();
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(!m_port->isOpen(), 5000);
    QTRY_COMPARE(m_dialogs->messages.size(), 1);
    QVERIFY2(m_dialogs->messages[0].text.contains(utf8("串口 %1 的设备已断开").arg(m_link)),
             qPrintable(m_dialogs->messages[0].text));
    m_dialogs->messages.clear();

    // Menus stay enabled; what they cannot send is told, never dropped silently.
    m_dialogs->answers << QStringLiteral("120") << QStringLiteral("1.2");
    QVERIFY(m_panel->trigger(QStringLiteral("liquid")));
    QVERIFY(m_panel->trigger(QStringLiteral("pressure")));
    QVERIFY(m_panel->trigger(QStringLiteral("ststart")));
    QCOMPARE(m_dialogs->messages.size(), 3);
    for (const FakeDialogs::Shown &message : std::as_const(m_dialogs->messages))
        QVERIFY(message.text.contains(utf8("命令没有发送")));
    // The timed run did not start: nothing counts, nothing will send a stop later.
    QVERIFY(!m_form->Timer1()->isActive());
    QVERIFY(m_panel->label(QStringLiteral("lhour"))->isHidden());

    // The pump comes back and the panel reconnects; no stop reaches it that nobody asked for.
    QVERIFY(m_pump->waitForExit());
    QVERIFY(m_pump->start());
    m_form->link()->reconnectNow();
    QVERIFY(m_port->isOpen());
    m_panel->stopPolling();
    QVERIFY(m_panel->waitForAccepted(3));
    QCOMPARE(m_dialogs->messages.size(), 3);
    QCOMPARE(received(), QStringList{"Q00F0000Y"});
}

void TestEndToEnd::blockageTripsTheHighLimit()
{
    QVERIFY(openWithLimits({"--block-after", "0", "--set-flow", "100"}, QStringLiteral("1.00"),
                           QString()));
    QVERIFY(m_panel->press({"RUN"}));
    QVERIFY(pollUntilTrip(20));
    // The STOP went out with the reply that tripped: the pump has it before any further poll.
    QTRY_COMPARE(received().constLast(), QStringLiteral("Q00S0000Y"));
    const QStringList heard = received();
    QCOMPARE(heard.at(heard.size() - 2), QStringLiteral("Q00F0000Y"));
    const QString text = m_form->alarms().current(PressureGuard::tripAlarm)->text;
    QVERIFY2(text.startsWith(utf8("压力超过上限 1.00 MPa：读数 ")), qPrintable(text));
    QVERIFY(text.endsWith(utf8("泵已停止")));
    // The pump stopped: the pressure falls back, and no second STOP or RUN goes out.
    for (int i = 0; i < 3; ++i)
        QVERIFY(m_cases->pollOnce());
    QCOMPARE(received().count(QStringLiteral("Q00S0000Y")), 1);
    QCOMPARE(received().count(QStringLiteral("Q00R0000Y")), 1);
}

void TestEndToEnd::dryRunTripsTheLowLimitAfterItsDelay()
{
    QVERIFY(openWithLimits({"--leak-after", "0", "--set-flow", "100"}, QString(),
                           QStringLiteral("0.20"), QStringLiteral("6")));
    QVERIFY(m_panel->press({"RUN"}));
    const qint64 ran = m_now;
    // 0.0 MPa all along: the reading 6 s after RUN is the first that counts, the fourth trips.
    QVERIFY(pollUntilTrip(12));
    QCOMPARE(m_now - ran, 6000 + 3 * PumpLink::pollInterval);
    QTRY_COMPARE(received().constLast(), QStringLiteral("Q00S0000Y"));
    QVERIFY(m_form->alarms()
                .current(PressureGuard::tripAlarm)
                ->text.startsWith(utf8("压力低于下限 0.20 MPa：读数 0.00 MPa")));
}

void TestEndToEnd::tripPausesTheTimedRunUntilReset()
{
    QVERIFY(openWithLimits({"--block-after", "0", "--set-flow", "100"}, QStringLiteral("1.00"),
                           QString()));
    m_dialogs->answers << QStringLiteral("10");
    QVERIFY(m_panel->trigger(QStringLiteral("stset")));
    QVERIFY(m_panel->trigger(QStringLiteral("ststart")));
    m_form->Timer1()->stop(); // the test counts the seconds itself
    for (int second = 0; second < 5; ++second)
        QVERIFY(fire(m_form->Timer1()));
    m_form->Timer1()->start();
    QVERIFY(pollUntilTrip(20));
    QVERIFY(!m_form->Timer1()->isActive());
    QCOMPARE(m_form->timedRun().tset(), qint16(5));

    // Refused while latched; the pressure falls with the pump stopped, and 复位 is offered.
    const qsizetype shown = m_dialogs->messages.size();
    QVERIFY(m_panel->trigger(QStringLiteral("stcontiune")));
    QCOMPARE(m_dialogs->messages.size(), shown + 1);
    QVERIFY(!m_form->Timer1()->isActive());
    auto *reset = m_form->alarmBanner().findChild<QPushButton *>(QStringLiteral("alarmReset"));
    for (int i = 0; i < 15 && !reset->isEnabled(); ++i)
        QVERIFY(m_cases->pollOnce());
    QVERIFY(reset->isEnabled());
    reset->click();
    QVERIFY(!tripped());
    QVERIFY(m_panel->trigger(QStringLiteral("stcontiune")));
    QVERIFY(m_form->Timer1()->isActive());
    QCOMPARE(m_form->timedRun().tset(), qint16(5));
    QTRY_COMPARE(received().constLast(), QStringLiteral("Q00R0000Y"));
    QCOMPARE(received().count(QStringLiteral("Q00R0000Y")), 2);
}

void TestEndToEnd::spikesNeverTrip()
{
    // About 1.2 MPa running, every third reading 0.3 MPa higher, once.
    QVERIFY(openWithLimits({"--set-flow", "100", "--spike-every", "3", "--spike-size", "0.3"},
                           QStringLiteral("1.40"), QString()));
    QVERIFY(m_panel->press({"RUN"}));
    QVERIFY(!pollUntilTrip(30));
    QVERIFY(m_form->records().saveprcout() >= 30);
    // The spikes were there: readings above the limit, each alone.
    int above = 0;
    for (const QString &sent : m_pump->logged(QStringLiteral("send")))
        above += sent.mid(4, 4).toDouble() > 1.4 ? 1 : 0;
    QVERIFY(above >= 5);
    QCOMPARE(received().count(QStringLiteral("Q00S0000Y")), 0);
}

void TestEndToEnd::fiveStepProgramOnTime()
{
    // A program of two minutes on a clock eight times as fast as the wall's: 15 s to run, and
    // every setpoint at the pump within 0.2 s of its plan on the program's clock.
    constexpr double scale = 8;
    QVERIFY(m_pump->start());
    m_cases->openPanel();
    if (QTest::currentTestFailed())
        return;
    QElapsedTimer wall;
    wall.start();
    ProgramRunner &runner = m_form->program();
    runner.setClock([&wall] { return qint64(double(wall.nsecsElapsed()) * scale / 1e6); }, scale);
    Method method =
        methodOf({timedStep(20, 20, 1.0), timedStep(30, 60, 1.2), timedStep(24, 120, 1.2, true),
                  timedStep(26, 40, 1.5), timedStep(20, 10, 0.5)});
    QVERIFY(runner.start(method, QStringLiteral("five.json"), method.toJson(), 0, 2.0));
    QTRY_VERIFY_WITH_TIMEOUT(!runner.isActive(), 30000);
    QTRY_COMPARE(received().constLast(), QStringLiteral("Q00S0000Y"));

    // The pump's own clock: seconds since it started, with each frame it heard but the polls.
    QList<SimulatedPump::Logged> heard = m_pump->loggedTimes(QStringLiteral("recv"));
    heard.removeIf([](const SimulatedPump::Logged &entry) {
        return entry.frame == QLatin1String("Q00F0000Y");
    });
    QCOMPARE(heard.value(0).frame, QStringLiteral("Q00L0020Y"));
    const double origin = heard.value(0).seconds;
    // Where each step's set flow is due, on the program's clock (the ramp's end value last).
    const QList<std::pair<double, QString>> due{{0, "Q00L0020Y"},
                                                {20, "Q00L0060Y"},
                                                {74, "Q00L0040Y"},
                                                {100, "Q00L0010Y"},
                                                {120, "Q00S0000Y"}};
    double largest = 0;
    for (const auto &[planned, frame] : due) {
        const auto at = std::find_if(heard.cbegin(), heard.cend(),
                                     [&frame](const auto &entry) { return entry.frame == frame; });
        QVERIFY2(at != heard.cend(), qPrintable(frame));
        const double actual = (at->seconds - origin) * scale;
        largest = std::max(largest, std::abs(actual - planned));
        QVERIFY2(
            std::abs(actual - planned) <= 0.2,
            qPrintable(
                QStringLiteral("%1 at %2 s, planned %3 s").arg(frame).arg(actual).arg(planned)));
    }
    qInfo("largest departure from the plan: %.3f s on the program's clock", largest);
    // The ramp 60 to 120 ml/min over 24 s: values in order, never two within a poll. The pump
    // hears them with the pipe's and the scheduler's delays, eight times magnified on the
    // program's clock: a margin of 0.5 s there (60 ms of real time) still tells a ramp that
    // sends twice in one poll, 1.5 s apart, from one that waits.
    double lastRamp = -1;
    int rampFrames = 0;
    for (const auto &[time, frame] : heard) {
        const double programTime = (time - origin) * scale;
        if (frame.startsWith(QLatin1String("Q00L")) && programTime > 50.1 && programTime < 74) {
            QVERIFY2(lastRamp < 0 || programTime - lastRamp >= 1.5 - 0.5,
                     qPrintable(QStringLiteral("%1 at %2 s, the last at %3 s")
                                    .arg(frame)
                                    .arg(programTime)
                                    .arg(lastRamp)));
            lastRamp = programTime;
            ++rampFrames;
        }
    }
    QVERIFY(rampFrames >= 10);

    const QList<QStringList> rows =
        RunLogFormat::rows(readAll(m_form->runJournal().log().currentFile()));
    QStringList order;
    for (const QStringList &row : rows) {
        if (row.at(RunLogFormat::Event).startsWith(QLatin1String("method-")))
            order << row.at(RunLogFormat::Event);
    }
    QCOMPARE(order, (QStringList{"method-start", "method-step", "method-step", "method-step",
                                 "method-step", "method-step", "method-end"}));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"