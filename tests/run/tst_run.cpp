#include "fakedialogs.h"
#include "fakesender.h"
#include "readouts.h"
#include "runcontrol.h"
#include "testsupport.h"
#include "timedrun.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>

namespace {

const QString run = QStringLiteral("Q00R0000Y");
const QString stop = QStringLiteral("Q00S0000Y");

} // namespace

class TestRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void runAndStop_data();
    void runAndStop();
    void timedRun_data();
    void timedRun();
    void durationDialog_data();
    void durationDialog();
    void longestRun_data();
    void longestRun();
    void tickInterval();

private:
    // Space-separated commands: set:<answer>, start, pause, continue, end, tick[*n].
    void perform(const QString &script);
    QString shownTime() const;

    ReadoutView *m_readouts = nullptr;
    std::array<QLabel *, 6> m_display{}; // lhour, lmin, lsed, Label1, Label2, Label3
    QTimer *m_Timer1 = nullptr;          // the timed run's
    FakeSender *m_sender = nullptr;
    FakeDialogs *m_dialogs = nullptr;
    RunControl *m_runControl = nullptr;
    TimedRun *m_timedRun = nullptr;
};

void TestRun::init()
{
    m_readouts = new ReadoutView;
    const char *const texts[] = {"00", "00", "00", "时", "分", "秒"};
    for (int i = 0; i < 6; ++i) {
        m_display[i] = new QLabel(QString::fromUtf8(texts[i]));
        m_display[i]->hide();
    }
    m_sender = new FakeSender;
    m_dialogs = new FakeDialogs;
    m_runControl = new RunControl(*m_readouts, *m_sender);
    m_timedRun = new TimedRun(
        {m_display[0], m_display[1], m_display[2], m_display[3], m_display[4], m_display[5]},
        *m_sender, *m_dialogs);
    m_Timer1 = m_timedRun->Timer1();
}

void TestRun::cleanup()
{
    delete m_timedRun;
    delete m_runControl;
    delete m_dialogs;
    delete m_sender;
    qDeleteAll(m_display);
    delete m_readouts;
}

void TestRun::perform(const QString &script)
{
    for (const QString &command : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (command.startsWith(QLatin1String("set:"))) {
            m_dialogs->answers << command.mid(4);
            m_timedRun->stset_Click();
        } else if (command == QLatin1String("start")) {
            m_timedRun->ststart_Click();
        } else if (command == QLatin1String("pause")) {
            m_timedRun->stzanting_Click();
        } else if (command == QLatin1String("continue")) {
            m_timedRun->stcontiune_Click();
        } else if (command == QLatin1String("end")) {
            m_timedRun->stend_Click();
        } else if (command.startsWith(QLatin1String("tick"))) {
            const int times = command.contains(QLatin1Char('*')) ? command.mid(5).toInt() : 1;
            for (int i = 0; i < times; ++i) {
                // Only a running timer ticks.
                if (m_Timer1->isActive())
                    m_timedRun->Timer1_Timer();
            }
        } else if (command == QLatin1String("close")) {
            m_sender->open = false; // the port is lost: every send fails
        } else if (command == QLatin1String("reopen")) {
            m_sender->open = true;
        } else if (command == QLatin1String("RUN")) {
            m_runControl->Cmdr_Click();
        } else if (command == QLatin1String("STOP")) {
            m_runControl->Cmds_Click();
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown command ") + command));
        }
    }
}

QString TestRun::shownTime() const
{
    return m_display[0]->text() + QLatin1Char(':') + m_display[1]->text() + QLatin1Char(':') +
           m_display[2]->text();
}

void TestRun::runAndStop_data()
{
    QTest::addColumn<QString>("actions");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("Lstate");
    QTest::newRow("RUN key") << "Cmdr" << true << QStringList{run} << "     RUN ";
    QTest::newRow("STOP key") << "Cmds" << true << QStringList{stop} << "     STOP";
    QTest::newRow("RUN twice") << "Cmdr Cmdr" << true << QStringList{run, run} << "     RUN ";
    QTest::newRow("RUN, then menu stop")
        << "Cmdr stop" << true << QStringList{run, stop} << "     RUN ";
    QTest::newRow("menu run") << "run" << true << QStringList{run} << "     STOP";
    QTest::newRow("popup run") << "rrun" << true << QStringList{run} << "     STOP";
    QTest::newRow("popup stop after RUN")
        << "Cmdr rstop" << true << QStringList{run, stop} << "     RUN ";
    QTest::newRow("RUN before the port is open") << "Cmdr" << false << QStringList{} << "     STOP";
}

void TestRun::runAndStop()
{
    QFETCH(QString, actions);
    QFETCH(bool, portOpen);
    QFETCH(QStringList, sent);
    QFETCH(QString, Lstate);
    m_sender->open = portOpen;
    for (const QString &action : actions.split(QLatin1Char(' '))) {
        if (action == QLatin1String("Cmdr"))
            m_runControl->Cmdr_Click();
        else if (action == QLatin1String("Cmds"))
            m_runControl->Cmds_Click();
        else if (action == QLatin1String("run"))
            m_runControl->run_Click();
        else if (action == QLatin1String("stop"))
            m_runControl->stop_Click();
        else if (action == QLatin1String("rrun"))
            m_runControl->rrun_Click();
        else if (action == QLatin1String("rstop"))
            m_runControl->rstop_Click();
    }
    QCOMPARE(m_sender->sent, sent);
    const QString shown = m_readouts->caption(Readout::RunState);
    QCOMPARE(shown, Lstate);
    QCOMPARE(shown.size(), 9);
}

void TestRun::timedRun_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("shown"); // hours:minutes:seconds
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("counting");
    QTest::addColumn<int>("tset");
    QTest::addColumn<double>("timeset");

    QTest::newRow("start without a duration")
        << "start tick" << QStringList{run, stop} << "0:0:1" << true << false << 0 << 0.0;
    QTest::newRow("before the first tick")
        << "start" << QStringList{run} << "00:00:00" << true << true << 0 << 0.0;
    QTest::newRow("1.5 minutes, one tick short")
        << "set:1.5 start tick*89" << QStringList{run} << "0:1:29" << true << true << 89 << 1.5;
    QTest::newRow("1.5 minutes") << "set:1.5 start tick*90" << QStringList{run, stop} << "0:1:30"
                                 << true << false << 0 << 1.5;
    QTest::newRow("0.01 minutes") << "set:0.01 start tick" << QStringList{run, stop} << "0:0:1"
                                  << true << false << 0 << 0.01;
    QTest::newRow("negative") << "set:-3 start tick" << QStringList{run, stop} << "0:0:1" << true
                              << false << 0 << -3.0;
    QTest::newRow("65 ticks") << "set:100 start tick*65" << QStringList{run} << "0:1:5" << true
                              << true << 65 << 100.0;
    QTest::newRow("3600 ticks") << "set:100 start tick*3600" << QStringList{run} << "1:0:0" << true
                                << true << 3600 << 100.0;
    QTest::newRow("pause and continue")
        << "set:1 start tick*10 pause tick*5 continue tick*49" << QStringList{run, stop, run}
        << "0:0:59" << true << true << 59 << 1.0;
    QTest::newRow("pause and continue, ends after 60 in all")
        << "set:1 start tick*10 pause continue tick*50" << QStringList{run, stop, run, stop}
        << "0:1:0" << true << false << 0 << 1.0;
    QTest::newRow("set during a run") << "set:2 start tick*90 set:1 tick" << QStringList{run, stop}
                                      << "0:1:31" << true << false << 0 << 1.0;
    QTest::newRow("end") << "set:1 start tick*5 end" << QStringList{run, stop} << "0:0:5" << false
                         << false << 5 << 0.0;
    QTest::newRow("end, then continue ends on the next tick")
        << "set:1 start tick*5 end continue tick" << QStringList{run, stop, run, stop} << "0:0:6"
        << false << false << 0 << 0.0;
    QTest::newRow("start again shows the last run until its first tick")
        << "set:0.05 start tick*3 start" << QStringList{run, stop, run} << "0:0:3" << true << true
        << 0 << 0.05;
    QTest::newRow("start again, first tick")
        << "set:0.05 start tick*3 start tick" << QStringList{run, stop, run} << "0:0:1" << true
        << true << 1 << 0.05;
    QTest::newRow("start during a run restarts the count")
        << "set:1 start tick*20 start tick" << QStringList{run, run} << "0:0:1" << true << true << 1
        << 1.0;
    QTest::newRow("pause while stopped sends stop again")
        << "pause pause" << QStringList{stop, stop} << "00:00:00" << false << false << 0 << 0.0;
    // A run frame that did not go out starts nothing: no count, no display, no later stop.
    QTest::newRow("start on a closed port")
        << "set:1 close start tick" << QStringList{} << "00:00:00" << false << false << 0 << 1.0;
    QTest::newRow("continue on a closed port")
        << "set:1 start tick*10 pause close continue tick" << QStringList{run, stop} << "0:0:10"
        << true << false << 10 << 1.0;
    QTest::newRow("start on a closed port leaves the counting run alone")
        << "set:1 start tick*10 close start tick" << QStringList{run} << "0:0:11" << true << true
        << 11 << 1.0;
    // A run that was going when the port was lost counts on; its stop goes out if the port is
    // back in time, and is tried once if not.
    QTest::newRow("lost during a run, back before its end")
        << "set:1 start tick*10 close tick*20 reopen tick*30" << QStringList{run, stop} << "0:1:0"
        << true << false << 0 << 1.0;
    QTest::newRow("lost during a run, ends while lost")
        << "set:0.5 start tick*10 close tick*20 tick*5" << QStringList{run} << "0:0:30" << true
        << false << 0 << 0.5;
    QTest::newRow("RUN and STOP keys leave the timed run alone")
        << "set:1 start tick*10 STOP RUN tick*50" << QStringList{run, stop, run, stop} << "0:1:0"
        << true << false << 0 << 1.0;
}

void TestRun::timedRun()
{
    QFETCH(QString, script);
    QFETCH(QStringList, sent);
    QFETCH(QString, shown);
    QFETCH(bool, visible);
    QFETCH(bool, counting);
    QFETCH(int, tset);
    QFETCH(double, timeset);

    perform(script);
    QCOMPARE(m_sender->sent, sent);
    QCOMPARE(shownTime(), shown);
    for (QLabel *label : m_display)
        QCOMPARE(!label->isHidden(), visible);
    QCOMPARE(m_display[3]->text(), QString::fromUtf8("时"));
    QCOMPARE(m_Timer1->isActive(), counting);
    QCOMPARE(int(m_timedRun->tset()), tset);
    QCOMPARE(m_timedRun->timeset(), timeset);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestRun::durationDialog_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<double>("timeset"); // it starts at 7
    QTest::addColumn<bool>("refused");
    QTest::newRow("1.5") << "1.5" << 1.5 << false;
    QTest::newRow("0") << "0" << 0.0 << false;
    QTest::newRow("spaces and exponent") << " 1e1 " << 10.0 << false;
    QTest::newRow("the limit") << "546.1166" << 546.1166 << false;
    QTest::newRow("just above the limit") << "546.12" << 7.0 << true;
    QTest::newRow("a day") << "1440" << 7.0 << true;
    QTest::newRow("cancel") << "" << 7.0 << false;
    QTest::newRow("abc") << "abc" << 7.0 << false;
    QTest::newRow("1e999") << "1e999" << 7.0 << false;
}

void TestRun::durationDialog()
{
    QFETCH(QString, answer);
    QFETCH(double, timeset);
    QFETCH(bool, refused);
    perform(QStringLiteral("set:7 start tick*0"));
    QCOMPARE(m_timedRun->timeset(), 7.0);
    m_dialogs->inputs.clear();
    m_dialogs->answers << answer;
    m_timedRun->stset_Click();

    QCOMPARE(m_dialogs->inputs.size(), 1);
    QCOMPARE(m_dialogs->inputs[0].text, QString::fromUtf8("请输入设定时间 单位 分 "));
    QCOMPARE(m_dialogs->inputs[0].text.size(), 13);
    QCOMPARE(m_dialogs->inputs[0].title, QString::fromUtf8("时间设定"));
    QCOMPARE(m_dialogs->inputs[0].preset, QStringLiteral("0"));
    QCOMPARE(m_timedRun->timeset(), timeset);
    QCOMPARE(m_dialogs->messages.size(), refused ? 1 : 0);
    if (refused) {
        QVERIFY(m_dialogs->messages[0].text.contains(QStringLiteral("546.1")));
        QCOMPARE(m_dialogs->messages[0].title, QString::fromUtf8("错误"));
    }
    QVERIFY(m_Timer1->isActive()); // the dialog does not touch a counting run
    QCOMPARE(m_sender->sent, QStringList{run});
}

void TestRun::longestRun_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("onTheWay"); // commands between the start and the last second
    // The count holds 32767 seconds, 9:06:07; the dialog takes no duration that needs more.
    QTest::newRow("546.11666666 minutes") << "546.11666666"
                                          << "tick*32766";
    QTest::newRow("32767 seconds to the last digit")
        << QString::number(TimedRun::countLimit / 60.0, 'g', 17) << "tick*32766";
    QTest::newRow("paused on the way") << "546.11666666"
                                       << "tick*20000 pause tick*5 continue tick*12766";
}

void TestRun::longestRun()
{
    QFETCH(QString, answer);
    QFETCH(QString, onTheWay);
    perform(QStringLiteral("set:") + answer);
    QVERIFY(m_dialogs->messages.isEmpty()); // taken
    QCOMPARE(m_timedRun->timeset(), answer.toDouble());
    perform(QStringLiteral("start ") + onTheWay);
    QVERIFY(m_Timer1->isActive());
    QCOMPARE(shownTime(), QStringLiteral("9:6:6"));
    QCOMPARE(m_timedRun->tset(), qint16(32766));
    // The last count there is ends the run, with nothing past it.
    perform(QStringLiteral("tick"));
    QVERIFY(!m_Timer1->isActive());
    QCOMPARE(shownTime(), QStringLiteral("9:6:7"));
    QCOMPARE(m_sender->sent.last(), stop);
    QCOMPARE(m_timedRun->tset(), qint16(0));
    // The next run counts from the start again.
    perform(QStringLiteral("start tick"));
    QCOMPARE(shownTime(), QStringLiteral("0:0:1"));
    QVERIFY(m_Timer1->isActive());
}

void TestRun::tickInterval()
{
    QCOMPARE(m_Timer1->objectName(), QStringLiteral("Timer1"));
    perform(QStringLiteral("set:1"));
    m_timedRun->ststart_Click();
    QCOMPARE(m_Timer1->interval(), 1000);
    QVERIFY(m_Timer1->isActive());
    // Each time the timer runs out counts one second, as Timer1_Timer() does.
    QVERIFY(fire(m_Timer1));
    QVERIFY(fire(m_Timer1));
    QCOMPARE(m_timedRun->tset(), qint16(2));
    QCOMPARE(shownTime(), QStringLiteral("0:0:2"));
}

QTEST_MAIN(TestRun)
#include "tst_run.moc"
