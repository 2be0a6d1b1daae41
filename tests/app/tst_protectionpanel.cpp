#include "alarmbanner.h"
#include "alarmwindow.h"
#include "fakepumpport.h"
#include "form1.h"
#include "paneldriver.h"
#include "pressureguard.h"
#include "protectionwindow.h"
#include "pumplink.h"
#include "runjournal.h"
#include "runlogformat.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

// The pressure limits as the operator meets them: 保护设定, a trip in the reply that causes it,
// the latch refusing every RUN, 复位 and the timed run.
class TestProtectionPanel : public QObject, PanelBench
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void settingsAreCheckedKeptAndLogged();
    void tripStopsInTheSameEvent();
    void latchRefusesEveryRun_data();
    void latchRefusesEveryRun();
    void resetOnlyBackWithinTheLimits();
    void tripWhileTheStopCannotGoOutIsOwed();
    void tripPausesATimedRun_data();
    void tripPausesATimedRun();

private:
    void reply(const char *pressure);
};

void TestProtectionPanel::init()
{
    makePanel();
}

void TestProtectionPanel::cleanup()
{
    dropPanel();
}

void TestProtectionPanel::reply(const char *pressure)
{
    m_now += PumpLink::pollInterval;
    m_form->link()->pollNow();
    m_port->deliver(QByteArray("Q00N") + pressure + "YQ00P02.0YQ00L0100Y");
}

void TestProtectionPanel::settingsAreCheckedKeptAndLogged()
{
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    auto *button = m_form->findChild<QToolButton *>(QStringLiteral("protectionButton"));
    QCOMPARE(button->text(), utf8("保护"));
    button->click();
    ProtectionWindow *window = m_form->protectionWindow();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), utf8("保护设定"));
    QCOMPARE(window->highField()->accessibleName(), utf8("压力上限"));
    QCOMPARE(window->lowField()->accessibleName(), utf8("压力下限"));
    QCOMPARE(window->delayField()->accessibleName(), utf8("下限生效延时"));
    // Off by default: nothing to take yet.
    QVERIFY(window->highField()->text().isEmpty());
    QVERIFY(!window->applyButton()->isEnabled());

    // Each keystroke is checked: the reason shows, and 应用 takes nothing invalid.
    QTest::keyClicks(window->highField(), QStringLiteral("2.6"));
    auto *problem = window->findChild<QLabel *>(QStringLiteral("highProblem"));
    QVERIFY(problem->text().contains(utf8("0.05 到 2.50")));
    QVERIFY(!window->applyButton()->isEnabled());
    QVERIFY(!m_panel->setLimits(QStringLiteral("1.80"), QStringLiteral("1.78")));
    QVERIFY(window->findChild<QLabel *>(QStringLiteral("lowProblem"))
                ->text()
                .contains(utf8("至少低 0.05")));
    QVERIFY(m_form->guard().limits() == Limits());

    QVERIFY(
        m_panel->setLimits(QStringLiteral("1.80"), QStringLiteral("0.20"), QStringLiteral("30")));
    QCOMPARE(m_panel->logDetails(QStringLiteral("limits")),
             QStringList{"high=1.80 low=0.20 arm=30s pause=yes was high=off low=off arm=60s "
                         "pause=yes"});
    QCOMPARE(*m_form->guard().limits().high, 1.8);
    QVERIFY(!window->applyButton()->isEnabled()); // nothing changed since

    // Kept in the settings file and read at the next start; a new log states them.
    FakePumpPort port;
    PanelDriver next(port, {nullptr, nullptr, QString(), nullptr, m_panel->settingsFile()});
    QCOMPARE(next.form().guard().limits(), m_form->guard().limits());
    QVERIFY(next.openPort(QStringLiteral("/dev/ttyUSB1"), PanelDriver::Polling::ByTest));
    const QList<QStringList> written =
        RunLogFormat::rows(readAll(next.form().runJournal().log().currentFile()));
    QCOMPARE(written.value(1).value(RunLogFormat::Event), QStringLiteral("limits"));
    QCOMPARE(written.value(1).value(RunLogFormat::Detail),
             QStringLiteral("high=1.80 low=0.20 arm=30s pause=yes"));
}

void TestProtectionPanel::tripStopsInTheSameEvent()
{
    QVERIFY(m_panel->setLimits(QStringLiteral("1.80"), QString()));
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    QVERIFY(m_panel->press({"RUN"}));
    reply("01.7");
    reply("01.9");
    QVERIFY(!m_form->alarms().isActive(PressureGuard::tripAlarm));
    m_port->written.clear();
    m_port->deliver("Q00N01.9Y"); // the second reading above: the STOP follows it at once
    QCOMPARE(m_port->writtenFrames(), QStringList{"Q00S0000Y"});
    const AlarmList::Alarm *alarm = m_form->alarms().current(PressureGuard::tripAlarm);
    QVERIFY(alarm && alarm->active() && alarm->latched);
    QCOMPARE(alarm->priority, AlarmList::Priority::High);
    QCOMPARE(alarm->text, utf8("压力超过上限 1.80 MPa：读数 1.90 MPa，泵已停止"));
    QCOMPARE(m_form->alarmBanner().shownAlarm(), PressureGuard::tripAlarm);
    QVERIFY(m_form->alarmBanner().text().contains(utf8("压力回到限值以内后才能复位")));
    QCOMPARE(m_panel->logDetails(QStringLiteral("limit-trip")),
             QStringList{utf8("high 压力超过上限 1.80 MPa：读数 1.90 MPa，泵已停止")});
    // Acknowledging silences it; the latch holds.
    QVERIFY(m_form->alarms().acknowledge(PressureGuard::tripAlarm));
    QVERIFY(m_form->alarms().isActive(PressureGuard::tripAlarm));
    QVERIFY(!m_form->guard().latchedText().isEmpty());
}

void TestProtectionPanel::latchRefusesEveryRun_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"RUN", "run", "rrun", "ststart", "stcontiune"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void TestProtectionPanel::latchRefusesEveryRun()
{
    QFETCH(QString, how);
    QVERIFY(m_panel->setLimits(QStringLiteral("1.80"), QString()));
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    reply("02.0"); // well above: at once
    QVERIFY(m_form->alarms().isActive(PressureGuard::tripAlarm));
    const QString state = m_panel->caption(QStringLiteral("Lstate"));
    m_port->written.clear();
    const qsizetype shown = m_panel->dialogs().messages.size();

    QVERIFY(how == QLatin1String("RUN") ? m_panel->press({how}) : m_panel->trigger(how));
    QVERIFY(!m_port->writtenFrames().contains(QStringLiteral("Q00R0000Y")));
    QCOMPARE(m_panel->dialogs().messages.size(), shown + 1);
    const FakeDialogs::Shown &told = m_panel->dialogs().messages.constLast();
    QCOMPARE(told.title, utf8("压力保护"));
    QVERIFY(told.text.contains(utf8("压力超过上限 1.80 MPa：读数 2.00 MPa")));
    QCOMPARE(m_panel->caption(QStringLiteral("Lstate")), state);
    QVERIFY(!m_form->Timer1()->isActive());
    QCOMPARE(m_panel->logDetails(QStringLiteral("refused")).size(), 1);
    // STOP is never held back.
    QVERIFY(m_panel->press({"STOP"}));
    QCOMPARE(m_port->writtenFrames(), QStringList{"Q00S0000Y"});
}

void TestProtectionPanel::resetOnlyBackWithinTheLimits()
{
    QVERIFY(m_panel->setLimits(QStringLiteral("1.80"), QString()));
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    m_form->show();
    reply("02.5");
    auto *reset = m_form->alarmBanner().findChild<QPushButton *>(QStringLiteral("alarmReset"));
    QVERIFY(reset->isVisible());
    QVERIFY(!reset->isEnabled());
    reply("01.8"); // within, but not by the hysteresis
    QVERIFY(!reset->isEnabled());
    // Asked for anyway: refused in words, and the latch holds.
    m_form->alarms().requestReset(PressureGuard::tripAlarm);
    QVERIFY(m_panel->lastMessage().contains(utf8("不能复位")));
    QVERIFY(!m_form->guard().latchedText().isEmpty());

    reply("01.5");
    QVERIFY(reset->isEnabled());
    m_form->openAlarms();
    auto *windowReset = m_form->alarmWindow()->findChild<QPushButton *>("resetLatched");
    QVERIFY(windowReset->isEnabled());
    windowReset->click();
    QVERIFY(m_form->guard().latchedText().isEmpty());
    QVERIFY(!m_form->alarms().current(PressureGuard::tripAlarm)); // cleared and acknowledged
    QCOMPARE(m_panel->logDetails(QStringLiteral("limit-reset")).size(), 1);
    QVERIFY(!reset->isVisible());
    m_port->written.clear();
    QVERIFY(m_panel->press({"RUN"}));
    QCOMPARE(m_port->writtenFrames(), QStringList{"Q00R0000Y"});
}

void TestProtectionPanel::tripWhileTheStopCannotGoOutIsOwed()
{
    QVERIFY(m_panel->setLimits(QStringLiteral("1.80"), QString()));
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    QVERIFY(m_panel->press({"RUN"}));
    m_form->link()->pollNow();
    m_port->refuseWrites = true;
    const qsizetype shown = m_panel->dialogs().messages.size();
    m_port->deliver("Q00N02.2YQ00P02.0YQ00L0100Y");
    QVERIFY(m_form->link()->pumpState().owedStop().owed);
    QVERIFY(m_form->alarms()
                .current(PressureGuard::tripAlarm)
                ->text.contains(utf8("停止命令未能发出，串口再次打开时发送")));
    QVERIFY(m_form->alarms().isActive(QStringLiteral("stop-owed")));
    QCOMPARE(m_panel->dialogs().messages.size(), shown); // no box inside the reply
    // The write works again: the owed STOP goes before the next poll.
    m_port->refuseWrites = false;
    m_port->written.clear();
    m_form->link()->pollNow();
    QCOMPARE(m_port->writtenFrames().value(0), QStringLiteral("Q00S0000Y"));
}

void TestProtectionPanel::tripPausesATimedRun_data()
{
    QTest::addColumn<bool>("pause");
    QTest::newRow("paused") << true;
    QTest::newRow("counts on") << false;
}

void TestProtectionPanel::tripPausesATimedRun()
{
    QFETCH(bool, pause);
    QVERIFY(m_panel->setLimits(QString(), QStringLiteral("0.20"), QStringLiteral("10"), pause));
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    m_panel->dialogs().answers << QStringLiteral("5");
    QVERIFY(m_panel->trigger(QStringLiteral("stset")));
    QVERIFY(m_panel->trigger(QStringLiteral("ststart")));
    // Low only after the 10 s delay: four readings below it then trip.
    for (int i = 0; i < 6; ++i)
        reply("00.5");
    QVERIFY(m_panel->logDetails(QStringLiteral("limit-armed")).isEmpty());
    for (int i = 0; i < 3; ++i)
        reply("00.1");
    QVERIFY(!m_form->alarms().isActive(PressureGuard::tripAlarm));
    reply("00.1");
    QVERIFY(m_form->alarms().isActive(PressureGuard::tripAlarm));
    QCOMPARE(m_panel->logDetails(QStringLiteral("limit-armed")).size(), 1);
    QCOMPARE(m_form->alarms().current(PressureGuard::tripAlarm)->text,
             utf8("压力低于下限 0.20 MPa：读数 0.10 MPa，泵已停止"));
    QCOMPARE(m_form->Timer1()->isActive(), !pause);
    if (!pause)
        return;
    QCOMPARE(m_panel->logDetails(QStringLiteral("timed-pause")).size(), 1);

    // Stopped, the low limit no longer counts: reset, then 继续 goes on.
    reply("00.0");
    m_form->alarms().requestReset(PressureGuard::tripAlarm);
    QVERIFY(m_form->guard().latchedText().isEmpty());
    m_port->written.clear();
    QVERIFY(m_panel->trigger(QStringLiteral("stcontiune")));
    QCOMPARE(m_port->writtenFrames(), QStringList{"Q00R0000Y"});
    QVERIFY(m_form->Timer1()->isActive());
}

QTEST_MAIN(TestProtectionPanel)
#include "tst_protectionpanel.moc"
