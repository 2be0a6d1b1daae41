#include "alarmbanner.h"
#include "alarmwatch.h"
#include "alarmwindow.h"
#include "bannercheck.h"
#include "fakepumpport.h"
#include "form1.h"
#include "historywindow.h"
#include "linkwatch.h"
#include "paneldriver.h"
#include "picturebutton.h"
#include "pumplink.h"
#include "runjournal.h"
#include "runlog.h"
#include "runlogformat.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

// The alarms as the operator meets them in the panel: the banner and the status bar, the owed
// STOP, the loss box, the computer kept awake, the last run's end and F12.
class TestAlarmPanel : public QObject, PanelBench
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void timedRunEndInAnOutageStopsOnReturn();
    void repeatedLossesLeaveOneBox();
    void theLightIsRedWhenTheSilenceIsTold();
    void bannerKeepsTheClientArea();
    void statusBarTextsAreNotCut_data();
    void statusBarTextsAreNotCut();
    void keptAwakeWhileThePumpMayRun_data();
    void keptAwakeWhileThePumpMayRun();
    void lastRunThatDidNotEnd_data();
    void lastRunThatDidNotEnd();
    void f12StopsFromEveryWindow();
};

void TestAlarmPanel::init()
{
    makePanel();
}

void TestAlarmPanel::cleanup()
{
    dropPanel();
}

void TestAlarmPanel::timedRunEndInAnOutageStopsOnReturn()
{
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    m_form->link()->pollNow();
    m_port->deliver("Q00N01.2YQ00P02.0YQ00L0250Y");
    m_panel->dialogs().answers << QStringLiteral("0.1");
    QVERIFY(m_panel->trigger(QStringLiteral("stset")));
    QVERIFY(m_panel->trigger(QStringLiteral("ststart")));
    // The link goes at second 2; the run's end at second 6 falls in the outage.
    for (int second = 1; second <= 6; ++second) {
        m_now = second * 1000;
        if (second == 2)
            m_port->loseDevice(QStringLiteral("Input/output error"));
        QVERIFY(fire(m_form->Timer1()));
    }
    QVERIFY(!m_form->Timer1()->isActive());
    AlarmList &alarms = m_form->alarms();
    QVERIFY(alarms.isActive(AlarmWatch::stopOwed));
    QVERIFY(alarms.current(AlarmWatch::stopOwed)
                ->text.startsWith(utf8("停止命令未送达：泵可能仍在运行（设定流量 0250 ml/min）")));
    QCOMPARE(m_form->alarmBanner().shownAlarm(), AlarmWatch::stopOwed);
    QVERIFY(m_panel->caption(QStringLiteral("linkStatus")).contains(utf8("泵可能仍在运行")));
    QTRY_VERIFY(!m_panel->dialogs().messages.isEmpty());
    bool toldOwed = false;
    for (const FakeDialogs::Shown &shown : std::as_const(m_panel->dialogs().messages))
        toldOwed = toldOwed || shown.text.contains(utf8("停止命令会在串口再次打开时立即发送"));
    QVERIFY(toldOwed);

    // Back at second 12: the STOP goes out before the poll, and the alarm clears.
    m_now = 12000;
    const qsizetype before = m_port->written.size();
    m_form->link()->reconnectNow();
    QCOMPARE(m_port->writtenFrames().mid(before), (QStringList{"Q00S0000Y", "Q00F0000Y"}));
    QVERIFY(!alarms.isActive(AlarmWatch::stopOwed));
    QVERIFY(!m_panel->caption(QStringLiteral("linkStatus")).contains(utf8("泵可能仍在运行")));
    QCOMPARE(m_form->link()->pumpState().run(), PumpState::Run::Stop);
    // The operator still sees that it was owed until it is acknowledged.
    QCOMPARE(alarms.current(AlarmWatch::stopOwed)->state, AlarmList::State::ClearedUnacknowledged);
}

void TestAlarmPanel::repeatedLossesLeaveOneBox()
{
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    FakeDialogs &dialogs = m_panel->dialogs();
    int losses = 0;
    // While the first box is open the adapter comes back and drops out twice more.
    dialogs.onMessage = [&] {
        if (losses >= 3)
            return;
        for (; losses < 3; ++losses) {
            m_form->link()->reconnectNow();
            m_port->loseDevice(QStringLiteral("Input/output error"));
            QCoreApplication::processEvents();
        }
    };
    m_port->loseDevice(QStringLiteral("Input/output error"));
    ++losses;
    QTRY_COMPARE(dialogs.messages.size(), 1);
    QTest::qWait(20);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(losses, 3);
    // Its advice: the panel reconnects by itself, and 通信 opens another port.
    const QString text = dialogs.messages.first().text;
    QVERIFY(
        text.startsWith(utf8("与泵的连接已断开：串口 /dev/ttyUSB0 的设备已断开，串口已关闭。")));
    QVERIFY(text.contains(utf8("面板正在自动重新连接")));
    QVERIFY(text.contains(utf8("要改用其他串口，请用“通信”打开")));
    QVERIFY(text.contains(utf8("（系统信息：Input/output error）")));
    // The alarm knows of every loss.
    int lossAlarms = 0;
    for (const AlarmList::Alarm &alarm : m_form->alarms().alarms())
        lossAlarms += alarm.name == AlarmWatch::linkLost;
    QCOMPARE(lossAlarms, 1); // raised again while unacknowledged: the same occurrence
    QVERIFY(m_form->alarms().isActive(AlarmWatch::linkLost));
}

void TestAlarmPanel::theLightIsRedWhenTheSilenceIsTold()
{
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    // Whoever hears of the silence or the loss after the window finds the light already red.
    QStringList seen;
    auto light = [this] {
        return m_panel->label(QStringLiteral("linkIndicator"))->property("light").toString();
    };
    connect(m_form->link(), &PumpLink::silenceStarted, this, [&] { seen << light(); });
    connect(m_form->link(), &PumpLink::linkLost, this, [&] { seen << light(); });
    m_now = 3000;
    m_form->link()->checkSilence();
    m_port->loseDevice(QStringLiteral("gone"));
    QCOMPARE(seen, (QStringList{"red", "red"}));
}

void TestAlarmPanel::bannerKeepsTheClientArea()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    QWidget *client = m_form->clientArea();
    const QRect clientBefore(client->mapToGlobal(QPoint(0, 0)), client->size());
    QCOMPARE(clientBefore, QRect(Form1::clientPosition(), Form1::clientSize()));
    const int heightBefore = m_form->height();

    m_form->alarms().raise(QStringLiteral("pump-silent"), AlarmList::Priority::High,
                           utf8("泵无应答：串口 /dev/ttyUSB0 已打开，但泵 3 秒没有应答，"
                                "泵可能仍在运行（设定流量 0250 ml/min）"));
    const AlarmBanner &banner = m_form->alarmBanner();
    QTRY_VERIFY(banner.isVisible());
    QTRY_COMPARE(QRect(client->mapToGlobal(QPoint(0, 0)), client->size()), clientBefore);
    QCOMPARE(m_form->height(), heightBefore + banner.height());
    // Between the client area and the status bar, as wide as the window.
    const QPoint bannerTop = banner.mapTo(m_form, QPoint(0, 0));
    QCOMPARE(bannerTop.y(), client->mapTo(m_form, QPoint(0, client->height())).y());
    QVERIFY(m_form->statusBar()->geometry().top() >= bannerTop.y() + banner.height());
    QCOMPARE(banner.width(), m_form->width());
    QTRY_VERIFY(bannerShowsWhole(banner, QColor(0xd8, 0x1e, 0x1e))); // at 100 %
    QLabel *label = banner.textLabel();
    QTRY_VERIFY2(label->height() >= label->heightForWidth(label->width()),
                 qPrintable(QStringLiteral("%1 < %2 at %3 px, banner %4")
                                .arg(label->height())
                                .arg(label->heightForWidth(label->width()))
                                .arg(label->width())
                                .arg(banner.height())));

    m_form->alarms().acknowledgeAll();
    m_form->alarms().clear(QStringLiteral("pump-silent"));
    QTRY_VERIFY(!banner.isVisible());
    QTRY_COMPARE(m_form->height(), heightBefore);
    QCOMPARE(QRect(client->mapToGlobal(QPoint(0, 0)), client->size()), clientBefore);
}

void TestAlarmPanel::statusBarTextsAreNotCut_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("condition");
    for (const char *device : {"/dev/ttyUSB0", "COM12"}) {
        for (const char *condition : {"closed", "waiting", "answering", "silent, running",
                                      "reconnecting, running", "unconfirmed"})
            QTest::addRow("%s %s", device, condition) << device << condition;
    }
}

void TestAlarmPanel::statusBarTextsAreNotCut()
{
    QFETCH(QString, device);
    QFETCH(QString, condition);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    PumpLink *link = m_form->link();
    if (condition != QLatin1String("closed")) {
        QVERIFY(m_panel->openPort(device, PanelDriver::Polling::ByTest));
    }
    auto answer = [&](const QByteArray &setFlow) {
        link->pollNow();
        m_port->deliver("Q00N01.2YQ00P02.0YQ00L" + setFlow + 'Y');
    };
    if (condition.endsWith(QLatin1String("running"))) {
        answer("0250");
        QVERIFY(m_panel->press({"RUN"}));
    }
    if (condition == QLatin1String("answering")) {
        answer("0250");
        m_now = 1234;
    } else if (condition.startsWith(QLatin1String("silent"))) {
        m_now = 123400;
        link->checkSilence();
    } else if (condition.startsWith(QLatin1String("reconnecting"))) {
        m_port->loseDevice(QStringLiteral("gone"));
        m_port->absent << device;
        for (int attempt = 0; attempt < 12; ++attempt)
            link->reconnectNow();
        m_now = 123400;
    } else if (condition == QLatin1String("unconfirmed")) {
        m_panel->dialogs().answers << QStringLiteral("120");
        QVERIFY(m_panel->trigger(QStringLiteral("liquid")));
        for (int poll = 0; poll < 3; ++poll)
            answer("0250");
    }
    m_form->refreshStatus();
    QCoreApplication::processEvents(); // the bar lays itself out

    QCOMPARE(m_form->width(), Form1::clientSize().width());
    QLabel *state = m_panel->label(QStringLiteral("linkStatus"));
    QVERIFY2(state->width() >= state->sizeHint().width(),
             qPrintable(QStringLiteral("%1: %2 of %3 px")
                            .arg(state->text())
                            .arg(state->width())
                            .arg(state->sizeHint().width())));
    QVERIFY(
        state->text().contains(condition == QLatin1String("closed") ? utf8("串口未打开") : device));
    if (condition.endsWith(QLatin1String("running")))
        QVERIFY(state->text().contains(utf8("泵可能仍在运行")));
    // News shows only whole; the buttons are whole.
    QLabel *news = m_panel->label(QStringLiteral("linkNews"));
    if (!news->text().isEmpty())
        QVERIFY(news->contentsRect().width() >=
                news->fontMetrics().horizontalAdvance(news->text()));
    for (const char *name : {"alarmButton", "historyButton"}) {
        auto *button = m_form->findChild<QToolButton *>(QLatin1String(name));
        QVERIFY(button->isVisible());
        QVERIFY2(button->width() >= button->sizeHint().width(), name);
        QVERIFY(m_form->statusBar()->rect().contains(button->geometry()));
    }
    QVERIFY(state->geometry().right() < m_form->findChild<QToolButton *>("alarmButton")->x());
    // What does not fit is in the tooltip: the counts and the full line.
    QVERIFY(state->toolTip().contains(utf8("发送 ")));
}

void TestAlarmPanel::keptAwakeWhileThePumpMayRun_data()
{
    QTest::addColumn<bool>("works");
    QTest::newRow("held") << true;
    QTest::newRow("refused by the system") << false;
}

void TestAlarmPanel::keptAwakeWhileThePumpMayRun()
{
    QFETCH(bool, works);
    FakeKeepAwake &awake = m_panel->awake();
    awake.works = works;
    AlarmList &alarms = m_form->alarms();
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    QVERIFY(!awake.isHeld());
    QVERIFY(awake.reasons.isEmpty()); // nothing asked while nothing runs

    QVERIFY(m_panel->press({"RUN"}));
    QCOMPARE(awake.reasons, QStringList{utf8("泵运行中")});
    QCOMPARE(awake.isHeld(), works);
    QCOMPARE(alarms.isActive(AlarmWatch::notAwake), !works);
    if (!works) {
        QCOMPARE(alarms.current(AlarmWatch::notAwake)->priority, AlarmList::Priority::Low);
        QVERIFY(alarms.current(AlarmWatch::notAwake)->text.contains(awake.failure()));
    }
    // The polls of a long run do not ask again.
    for (int poll = 0; poll < 5; ++poll) {
        m_form->link()->pollNow();
        m_form->refreshStatus();
    }
    QCOMPARE(awake.reasons.size(), 1);

    // A STOP owed keeps it; the STOP sent releases it.
    m_port->loseDevice(QStringLiteral("gone"));
    QVERIFY(m_panel->press({"STOP"}));
    QCOMPARE(awake.isHeld(), works);
    m_form->link()->reconnectNow();
    QVERIFY(!awake.isHeld());
    QCOMPARE(awake.releases, works ? 1 : 0);
    QVERIFY(!alarms.isActive(AlarmWatch::notAwake));
}

void TestAlarmPanel::lastRunThatDidNotEnd_data()
{
    QTest::addColumn<QString>("lastRun"); // the run column of the last row
    QTest::addColumn<bool>("closed");     // the file ends with its closing row
    QTest::addColumn<bool>("beingWritten");
    QTest::addColumn<bool>("alarm");
    QTest::newRow("ended while running") << "RUN" << false << false << true;
    QTest::newRow("ended stopped") << "STOP" << false << false << false;
    QTest::newRow("closed as the panel closes it") << "RUN" << true << false << false;
    QTest::newRow("another panel is writing it") << "RUN" << false << true << false;
}

void TestAlarmPanel::lastRunThatDidNotEnd()
{
    QFETCH(QString, lastRun);
    QFETCH(bool, closed);
    QFETCH(bool, beingWritten);
    QFETCH(bool, alarm);
    m_panel.reset();
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("runs"));
    RunLog earlier(folder);
    earlier.start();
    earlier.record(
        QStringLiteral("reply"), QStringLiteral("Q00L0250Y"),
        {QStringLiteral("01.2"), QStringLiteral("02.0"), QStringLiteral("0250"), lastRun});
    const QString path = earlier.currentFile();
    if (!beingWritten) {
        earlier.stop(QString::fromUtf8("程序结束"));
        if (!closed) { // the closing row never got written: a crash, a power cut
            QByteArray bytes = readAll(path);
            bytes.chop(bytes.size() - bytes.lastIndexOf("\r\n", bytes.size() - 3) - 2);
            QVERIFY(writeAll(path, bytes));
        }
    }

    PanelDriver::Given given;
    given.runLogFolder = folder;
    m_panel = std::make_unique<PanelDriver>(*m_port, given);
    m_form = &m_panel->form();
    AlarmList &alarms = m_panel->form().alarms();
    QCOMPARE(alarms.isActive(AlarmWatch::uncleanEnd), alarm);
    if (!alarm)
        return;
    const QString text = alarms.current(AlarmWatch::uncleanEnd)->text;
    QVERIFY2(text.startsWith(utf8("上次运行没有正常结束：%1").arg(QDir::toNativeSeparators(path))),
             qPrintable(text));
    QVERIFY(text.contains(utf8("设定流量 0250 ml/min")));
    QVERIFY(text.endsWith(utf8("当时泵可能在运行")));
    QCOMPARE(alarms.current(AlarmWatch::uncleanEnd)->priority, AlarmList::Priority::High);

    // Nothing is sent by itself; the next log says it once a port is open.
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    QVERIFY(m_port->written.isEmpty());
    const QByteArray log = readAll(m_form->runJournal().log().currentFile());
    QVERIFY(QString::fromUtf8(log).contains(utf8("unclean-end 上次运行没有正常结束")));
    // Telling the pump to stop (or run) settles it.
    QVERIFY(m_panel->press({"STOP"}));
    QVERIFY(!alarms.isActive(AlarmWatch::uncleanEnd));
}

void TestAlarmPanel::f12StopsFromEveryWindow()
{
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    m_form->show();
    m_form->openHistory();
    m_form->openAlarms();
    QVERIFY(m_form->findChild<QObject *>(QStringLiteral("stopShortcut")));
    QVERIFY(m_panel->key(QStringLiteral("STOP"))->toolTip().contains(QStringLiteral("F12")));
    const qsizetype asked = m_panel->dialogs().inputs.size();
    const QList<QWidget *> windows{m_form, m_form->historyWindow(), m_form->alarmWindow()};
    for (QWidget *window : windows) {
        QVERIFY(window);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        m_port->written.clear();
        m_panel->label(QStringLiteral("Lstate"))->clear();
        QTest::keyClick(window, Qt::Key_F12);
        QCOMPARE(m_port->writtenFrames(), QStringList{"Q00S0000Y"});
        QCOMPARE(m_panel->caption(QStringLiteral("Lstate")), QStringLiteral("     STOP"));
    }
    QCOMPARE(m_panel->dialogs().inputs.size(), asked); // and no question asked
}

QTEST_MAIN(TestAlarmPanel)
#include "tst_alarmpanel.moc"
