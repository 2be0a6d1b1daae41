#include "fakedialogs.h"
#include "fakesender.h"
#include "keypadentry.h"
#include "pumpnumber.h"
#include "pumpstate.h"
#include "readouts.h"
#include "setpointdialogs.h"
#include "testsupport.h"

#include <QtTest>

#include <memory>

class TestSetpoint : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void keypad_data();
    void keypad();
    void fieldAfterEachKey_data();
    void fieldAfterEachKey();
    void refusedThenNextKeys();
    void replyDuringEntryIsHeldBack_data();
    void replyDuringEntryIsHeldBack();
    void sendingBeforeThePortIsOpen();
    void dialogs_data();
    void dialogs();
    void dialogPrompts_data();
    void dialogPrompts();
    void pumpNumber_data();
    void pumpNumber();
    void pumpNumberReachesKeypadButNotDialogs();
    void dialogDuringEntryLeavesItAlone();

private:
    // Keys: L, P, digits, and u / d for the two arrow keys.
    void press(const QString &keys);
    QString caption(Readout readout) const { return m_setup->readouts.caption(readout); }

    // What a case works on, made anew for each.
    struct Setup
    {
        ReadoutView readouts;
        PumpNumber pumpNumber;
        FakeSender sender;
        FakeDialogs dialogs;
        KeypadEntry keypad{readouts, pumpNumber, sender, dialogs};
        SetpointDialogs setpoints{pumpNumber, sender, dialogs};
    };
    std::unique_ptr<Setup> m_setup;
};

void TestSetpoint::init()
{
    m_setup = std::make_unique<Setup>();
}

void TestSetpoint::cleanup()
{
    m_setup.reset();
}

void TestSetpoint::press(const QString &keys)
{
    for (QChar key : keys) {
        switch (key.unicode()) {
        case 'L':
            m_setup->keypad.Cmdl_Click();
            break;
        case 'P':
            m_setup->keypad.Cmdp_Click();
            break;
        case 'u':
        case 'd':
            // The arrows type "0" as the key 0 does.
            m_setup->keypad.typeDigit('0');
            break;
        default:
            m_setup->keypad.typeDigit(key.toLatin1());
            break;
        }
    }
}

void TestSetpoint::keypad_data()
{
    QTest::addColumn<int>("pumpNumber");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("LsetF");
    QTest::addColumn<QString>("LsetP");
    QTest::addColumn<QString>("LSetState");
    QTest::addColumn<QString>("message"); // empty: none

    auto row = [](const char *tag, int pump, const char *keys, QStringList sent, const char *flow,
                  const char *pressure, const char *mode, const char *message) {
        QTest::newRow(tag) << pump << QString::fromLatin1(keys) << sent << QString::fromLatin1(flow)
                           << QString::fromLatin1(pressure) << QString::fromLatin1(mode)
                           << utf8(message);
    };
    row("flow 150", 0, "L150", {"Q00L0150Y"}, "150", "02.0", "", "");
    row("flow 007", 0, "L007", {"Q00L0007Y"}, "007", "02.0", "", "");
    row("flow 000", 0, "L000", {"Q00L0000Y"}, "000", "02.0", "", "");
    row("flow at the limit", 0, "L200", {"Q00L0200Y"}, "200", "02.0", "", "");
    row("flow above the limit", 0, "L201", {}, "201", "02.0", "Lset", "流量设定错误");
    row("flow 999", 0, "L999", {}, "999", "02.0", "Lset", "流量设定错误");
    row("pressure 01.5", 0, "P015", {"Q00P01.5Y"}, "000", "01.5", "", "");
    row("pressure at the limit", 0, "P020", {"Q00P02.0Y"}, "000", "02.0", "", "");
    row("pressure 00.0", 0, "P000", {"Q00P00.0Y"}, "000", "00.0", "", "");
    row("pressure above the limit", 0, "P021", {}, "000", "02.1", "Pset", "压力设定错误");
    row("pressure 10.0", 0, "P100", {}, "000", "10.0", "Pset", "压力设定错误");
    row("pump 7 flow", 7, "L120", {"Q07L0120Y"}, "120", "02.0", "", "");
    row("pump 7 pressure", 7, "P005", {"Q07P00.5Y"}, "000", "00.5", "", "");
    row("pump 99", 99, "L050", {"Q99L0050Y"}, "050", "02.0", "", "");
    row("arrows type 0", 0, "Lu1d", {"Q00L0010Y"}, "010", "02.0", "", "");
    row("P during a flow entry", 0, "LP", {}, "", "02.0", "Lset", "");
    row("L during a flow entry", 0, "L1L", {}, "1", "02.0", "Lset", "");
    row("L during a pressure entry", 0, "P1L", {}, "000", "1", "Pset", "");
    row("digit while idle", 0, "5", {}, "000", "02.0", "", "");
    row("two entries", 0, "L100P015", {"Q00L0100Y", "Q00P01.5Y"}, "100", "01.5", "", "");
    row("digits after an entry", 0, "L1505", {"Q00L0150Y"}, "150", "02.0", "", "");
}

void TestSetpoint::keypad()
{
    QFETCH(int, pumpNumber);
    QFETCH(QString, keys);
    QFETCH(QStringList, sent);
    QFETCH(QString, LsetF);
    QFETCH(QString, LsetP);
    QFETCH(QString, LSetState);
    QFETCH(QString, message);

    m_setup->pumpNumber.set(qint16(pumpNumber));
    press(keys);
    QCOMPARE(m_setup->sender.sent, sent);
    QCOMPARE(caption(Readout::SetFlow), LsetF);
    QCOMPARE(caption(Readout::SetPressure), LsetP);
    QCOMPARE(caption(Readout::EntryState), LSetState);
    // The keypad touches only its own three captions.
    QCOMPARE(caption(Readout::CurrentPressure), QStringLiteral("00.0"));
    QCOMPARE(caption(Readout::RunState), QStringLiteral("     STOP"));
    if (message.isEmpty()) {
        QVERIFY(m_setup->dialogs.messages.isEmpty());
    } else {
        QCOMPARE(m_setup->dialogs.messages.size(), 1);
        QCOMPARE(m_setup->dialogs.messages[0].text, message);
        QCOMPARE(m_setup->dialogs.messages[0].title, utf8("设定错误"));
    }
    QVERIFY(!(m_setup->keypad.lq() == 1 && m_setup->keypad.pr() == 1));
}

void TestSetpoint::fieldAfterEachKey_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("field"); // the field being typed, after each key
    QTest::newRow("flow") << "L150" << QStringList{"", "1", "15", "150"};
    QTest::newRow("pressure") << "P015" << QStringList{"", "0", "01.", "01.5"};
}

void TestSetpoint::fieldAfterEachKey()
{
    QFETCH(QString, keys);
    QFETCH(QStringList, field);
    const bool flow = keys.startsWith(QLatin1Char('L'));
    const Readout typed = flow ? Readout::SetFlow : Readout::SetPressure;
    for (int i = 0; i < keys.size(); ++i) {
        press(keys.mid(i, 1));
        QCOMPARE(caption(typed), field[i]);
        const bool typing = i + 1 < keys.size();
        QCOMPARE(caption(Readout::EntryState), typing ? (flow ? "Lset" : "Pset") : "");
        QCOMPARE(m_setup->keypad.entryField(),
                 typing ? std::optional<Readout>(typed) : std::nullopt);
    }
}

void TestSetpoint::refusedThenNextKeys()
{
    press(QStringLiteral("L201"));
    press(QStringLiteral("7")); // the entry is over: a digit changes nothing
    QCOMPARE(caption(Readout::SetFlow), QStringLiteral("201"));
    press(QStringLiteral("L"));
    QCOMPARE(caption(Readout::SetFlow), QString());
    QCOMPARE(caption(Readout::EntryState), QStringLiteral("Lset"));
    press(QStringLiteral("199"));
    QCOMPARE(m_setup->sender.sent, QStringList{"Q00L0199Y"});
    QCOMPARE(caption(Readout::EntryState), QString());
}

void TestSetpoint::replyDuringEntryIsHeldBack_data()
{
    QTest::addColumn<QString>("keys");      // typed before the reply comes
    QTest::addColumn<QString>("reply");     // letter and data
    QTest::addColumn<int>("readout");       // where the reply would show
    QTest::addColumn<QString>("shown");     // what that caption shows afterwards
    QTest::addColumn<QString>("keysAfter"); // typed after the reply
    QTest::addColumn<QStringList>("sent");
    const int flow = int(Readout::SetFlow);
    const int pressure = int(Readout::SetPressure);
    const int current = int(Readout::CurrentPressure);
    QTest::newRow("flow entry holds back the set flow") << "L1"
                                                        << "L0999" << flow << "1"
                                                        << "50" << QStringList{"Q00L0150Y"};
    QTest::newRow("flow entry lets the set pressure through") << "L1"
                                                              << "P01.5" << pressure << "01.5"
                                                              << "" << QStringList{};
    QTest::newRow("flow entry lets the current pressure through") << "L1"
                                                                  << "N01.5" << current << "01.5"
                                                                  << "" << QStringList{};
    QTest::newRow("pressure entry holds back the set pressure") << "P0"
                                                                << "P02.0" << pressure << "0"
                                                                << "15" << QStringList{"Q00P01.5Y"};
    QTest::newRow("pressure entry lets the set flow through") << "P0"
                                                              << "L0150" << flow << "0150"
                                                              << "" << QStringList{};
    QTest::newRow("after the entry the set flow shows") << "L150"
                                                        << "L0120" << flow << "0120"
                                                        << "" << QStringList{"Q00L0150Y"};
    QTest::newRow("a refused entry is over too") << "L201"
                                                 << "L0120" << flow << "0120"
                                                 << "" << QStringList{};
}

void TestSetpoint::replyDuringEntryIsHeldBack()
{
    QFETCH(QString, keys);
    QFETCH(QString, reply);
    QFETCH(int, readout);
    QFETCH(QString, shown);
    QFETCH(QString, keysAfter);
    QFETCH(QStringList, sent);
    press(keys);
    const Reply arrived{reply.at(0), reply.mid(1)};
    PumpState state;
    state.replied(arrived, 0);
    m_setup->readouts.showReported(arrived.target(), state, m_setup->keypad.entryField());
    QCOMPARE(caption(Readout(readout)), shown);
    press(keysAfter);
    QCOMPARE(m_setup->sender.sent, sent);
}

void TestSetpoint::sendingBeforeThePortIsOpen()
{
    m_setup->sender.open = false;
    press(QStringLiteral("L150"));
    QCOMPARE(m_setup->sender.attempts, QStringList{"Q00L0150Y"});
    QVERIFY(m_setup->sender.sent.isEmpty());
    QCOMPARE(caption(Readout::EntryState), QStringLiteral("Lset")); // stopped at the failed write
    QCOMPARE(m_setup->keypad.lq(), qint16(0));                      // but the entry is over
    QCOMPARE(m_setup->keypad.mode(), KeypadEntry::Mode::Idle);
    press(QStringLiteral("P"));
    QCOMPARE(caption(Readout::EntryState), QStringLiteral("Pset"));
}

void TestSetpoint::dialogs_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("sent"); // empty: nothing
    QTest::addColumn<QString>("message");
    QTest::addColumn<double>("stored"); // the value kept afterwards; it starts at 42

    auto row = [](const char *tag, const char *dialog, const char *answer, const char *sent,
                  const char *message, double stored) {
        QTest::newRow(tag) << QString::fromLatin1(dialog) << QString::fromLatin1(answer)
                           << QString::fromLatin1(sent) << utf8(message) << stored;
    };
    row("flow 150", "liquid", "150", "Q00L0150Y", "", 150);
    row("flow 200", "liquid", "200", "Q00L0200Y", "", 200);
    row("flow 12.5", "liquid", "12.5", "Q00L0013Y", "", 12.5);
    row("flow preset 0", "liquid", "0", "Q00L0000Y", "", 0);
    row("flow 0.4", "liquid", "0.4", "Q00L0000Y", "", 0.4);
    row("flow 201", "liquid", "201", "", "流量设定错误!", 201);
    row("flow 200.4", "liquid", "200.4", "", "流量设定错误!", 200.4);
    row("flow -5", "liquid", "-5", "", "流量设定错误!", -5);
    row("flow cancel", "liquid", "", "", "", 42);
    row("flow abc", "liquid", "abc", "", "", 42);
    row("flow nan", "liquid", "nan", "", "", 42);
    row("flow inf", "liquid", "inf", "", "", 42);
    row("flow 1e999", "liquid", "1e999", "", "", 42);
    row("flow hex", "liquid", "0x10", "", "", 42);
    row("pressure preset 2", "pressure", "2", "Q00P02.0Y", "", 2);
    row("pressure 1.5", "pressure", "1.5", "Q00P01.5Y", "", 1.5);
    row("pressure 0.04", "pressure", "0.04", "Q00P00.0Y", "", 0.04);
    row("pressure 0.25", "pressure", "0.25", "Q00P00.3Y", "", 0.25);
    row("pressure 2.01", "pressure", "2.01", "", "压力设定错误!", 2.01);
    row("pressure 3", "pressure", "3", "", "压力设定错误!", 3);
    row("pressure -0.5", "pressure", "-0.5", "", "压力设定错误!", -0.5);
    row("pressure cancel", "pressure", "", "", "", 42);
    row("pressure abc", "pressure", "abc", "", "", 42);
}

void TestSetpoint::dialogs()
{
    QFETCH(QString, dialog);
    QFETCH(QString, answer);
    QFETCH(QString, sent);
    QFETCH(QString, message);
    QFETCH(double, stored);

    // Both dialogs keep 42 to begin with: the flow is sent, the pressure refused.
    m_setup->dialogs.answers << QStringLiteral("42") << QStringLiteral("42");
    m_setup->setpoints.liquid_Click();
    m_setup->setpoints.pressure_Click();
    QCOMPARE(m_setup->setpoints.setliq(), 42.0);
    QCOMPARE(m_setup->setpoints.setpresure(), 42.0);
    m_setup->sender.sent.clear();
    m_setup->dialogs.messages.clear();

    m_setup->pumpNumber.set(7); // the dialogs always send pump "00"
    m_setup->dialogs.answers << answer;
    const bool flow = dialog == QLatin1String("liquid");
    if (flow)
        m_setup->setpoints.liquid_Click();
    else
        m_setup->setpoints.pressure_Click();

    QCOMPARE(m_setup->sender.sent, sent.isEmpty() ? QStringList() : QStringList{sent});
    QCOMPARE(m_setup->dialogs.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(m_setup->dialogs.messages[0].text, message);
        QCOMPARE(m_setup->dialogs.messages[0].title, utf8("错误"));
    }
    QCOMPARE(flow ? m_setup->setpoints.setliq() : m_setup->setpoints.setpresure(), stored);
    QCOMPARE(flow ? m_setup->setpoints.setpresure() : m_setup->setpoints.setliq(), 42.0);
}

void TestSetpoint::dialogPrompts_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("preset");
    QTest::newRow("flow") << 0
                          << QString::fromUtf16(
                                 u"请输入您需要的流量 单位 ml/min \r\n流量范围为1\u2014200ml/min")
                          << utf8("流量设定") << "0";
    QTest::newRow("pressure") << 1
                              << QString::fromUtf16(
                                     u"请输入您需要保护压 单位 MPa\r\n压力设定范围为0\u20142.0MPa")
                              << utf8("压力设定") << "2";
    QTest::newRow("pump number") << 2 << utf8("请输入要控制泵的编号 ") << utf8("编号设定") << "0";
}

void TestSetpoint::dialogPrompts()
{
    QFETCH(int, which);
    QFETCH(QString, prompt);
    QFETCH(QString, title);
    QFETCH(QString, preset);
    if (which == 0)
        m_setup->setpoints.liquid_Click();
    else if (which == 1)
        m_setup->setpoints.pressure_Click();
    else
        m_setup->setpoints.Pump_NO_Click();
    QCOMPARE(m_setup->dialogs.inputs.size(), 1);
    QCOMPARE(m_setup->dialogs.inputs[0].text, prompt);
    QCOMPARE(m_setup->dialogs.inputs[0].title, title);
    QCOMPARE(m_setup->dialogs.inputs[0].preset, preset);
}

void TestSetpoint::pumpNumber_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("stored"); // it starts at 5
    QTest::addColumn<bool>("refused");
    QTest::newRow("7") << "7" << 7 << false;
    QTest::newRow("0") << "0" << 0 << false;
    QTest::newRow("99") << "99" << 99 << false;
    QTest::newRow("2.5") << "2.5" << 2 << false;
    QTest::newRow("3.5") << "3.5" << 4 << false;
    QTest::newRow("100") << "100" << 5 << true;
    QTest::newRow("-1") << "-1" << 5 << true;
    QTest::newRow("32768") << "32768" << 5 << false; // not a 16-bit number: ends silently
    QTest::newRow("cancel") << "" << 5 << false;
    QTest::newRow("abc") << "abc" << 5 << false;
}

void TestSetpoint::pumpNumber()
{
    QFETCH(QString, answer);
    QFETCH(int, stored);
    QFETCH(bool, refused);
    m_setup->pumpNumber.set(5);
    m_setup->dialogs.answers << answer;
    m_setup->setpoints.Pump_NO_Click();
    QCOMPARE(int(m_setup->pumpNumber.Set_Pump_NO()), stored);
    QCOMPARE(m_setup->dialogs.messages.size(), refused ? 1 : 0);
    if (refused) {
        QCOMPARE(m_setup->dialogs.messages[0].text, utf8("泵编号设定错误!"));
        QCOMPARE(m_setup->dialogs.messages[0].title, utf8("错误"));
    }
    QVERIFY(m_setup->sender.attempts.isEmpty());
}

void TestSetpoint::pumpNumberReachesKeypadButNotDialogs()
{
    m_setup->dialogs.answers << QStringLiteral("7") << QStringLiteral("150");
    m_setup->setpoints.Pump_NO_Click();
    press(QStringLiteral("L120"));
    m_setup->setpoints.liquid_Click();
    QCOMPARE(m_setup->sender.sent, QStringList({"Q07L0120Y", "Q00L0150Y"}));
}

void TestSetpoint::dialogDuringEntryLeavesItAlone()
{
    press(QStringLiteral("L1"));
    m_setup->dialogs.answers << QStringLiteral("1.5");
    m_setup->setpoints.pressure_Click();
    QCOMPARE(caption(Readout::EntryState), QStringLiteral("Lset"));
    QCOMPARE(caption(Readout::SetFlow), QStringLiteral("1"));
    QCOMPARE(caption(Readout::SetPressure), QStringLiteral("02.0")); // the dialog shows nothing
    press(QStringLiteral("00"));
    QCOMPARE(m_setup->sender.sent, QStringList({"Q00P01.5Y", "Q00L0100Y"}));
}

QTEST_MAIN(TestSetpoint)
#include "tst_setpoint.moc"
