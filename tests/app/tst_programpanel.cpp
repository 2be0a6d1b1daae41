#include "alarmlist.h"
#include "fakepumpport.h"
#include "form1.h"
#include "methodsteps.h"
#include "paneldriver.h"
#include "pressureguard.h"
#include "programrunner.h"
#include "programwindow.h"
#include "pumplink.h"
#include "runjournal.h"
#include "runlogformat.h"
#include "testsupport.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

// Programs as the operator meets them: the 程序 window's editing and checking, its file, and a
// program running on the link with the timed run, the pressure limits and an outage.
class TestProgramPanel : public QObject, PanelBench
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void editingIsCheckedAndUndone();
    void fileSavedAndOpened();
    void startSendsSetpointsThenRun();
    void programAndTimedRunExcludeEachOther();
    void tripEndsTheProgram();
    void stepInAnOutageGoesOutAfterTheOwedStop();
    void startOnAClosedPortIsToldOnce();

private:
    ProgramWindow *window();
    // Starts `steps` from the window; the port is open and the poll stopped.
    bool startProgram(const QList<MethodStep> &steps);
};

void TestProgramPanel::init()
{
    makePanel();
}

void TestProgramPanel::cleanup()
{
    dropPanel();
}

ProgramWindow *TestProgramPanel::window()
{
    m_form->findChild<QToolButton *>(QStringLiteral("programButton"))->click();
    return m_form->programWindow();
}

bool TestProgramPanel::startProgram(const QList<MethodStep> &steps)
{
    if (!m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest))
        return false;
    Method method = methodOf(steps);
    window()->setMethod(method);
    m_port->written.clear();
    window()->button("startProgram")->click();
    return m_form->program().isActive();
}

void TestProgramPanel::editingIsCheckedAndUndone()
{
    ProgramWindow *shown = window();
    QVERIFY(shown && shown->isVisible());
    QCOMPARE(shown->windowTitle(), utf8("程序"));
    // A new program: one step and the stop step offered by default.
    QCOMPARE(shown->method().steps.size(), 2);
    QVERIFY(shown->method().steps.last().stop);
    QVERIFY(shown->canStart());

    QTableWidget *table = shown->stepTable();
    table->setCurrentCell(0, ProgramWindow::Name);
    shown->copyStep();
    shown->insertStep();
    QCOMPARE(shown->method().steps.size(), 4);
    table->item(1, ProgramWindow::Flow)->setText(QStringLiteral("abc"));
    table->item(2, ProgramWindow::Pressure)->setText(QStringLiteral("2.5"));
    table->item(0, ProgramWindow::Duration)->setText(QString());
    const QStringList faults = shown->faultTexts();
    QVERIFY2(faults.contains(utf8("第 2 步：流量 ml/min“abc”不是数")),
             qPrintable(faults.join('\n')));
    QVERIFY(faults.contains(utf8("第 1 步：时长为空")));
    QVERIFY(faults.contains(utf8("第 3 步：设定压力 2.5 MPa 超出 0 到 2.0 MPa")));
    QCOMPARE(shown->faultList()->count(), faults.size());
    QVERIFY(!shown->button("startProgram")->isEnabled());
    QCOMPARE(table->item(1, ProgramWindow::Flow)->text(), QStringLiteral("abc")); // kept

    // Undo takes the edits back one at a time: the pressure, then the duration.
    shown->undo();
    shown->undo();
    QCOMPARE(shown->method().steps.at(0).duration, std::optional(10.0));
    table->item(1, ProgramWindow::Flow)->setText(QStringLiteral("20"));
    QVERIFY(shown->canStart());
    table->setCurrentCell(1, ProgramWindow::Name);
    shown->moveStep(-1);
    QCOMPARE(shown->method().steps.at(0).flow, 20.0);
    shown->deleteStep();
    QCOMPARE(shown->method().steps.size(), 3);
    // The unit of a duration, from its box: 10 min become 10 s.
    QCOMPARE(shown->method().steps.at(0).lengthMs(), 600000);
    auto *unit = qobject_cast<QComboBox *>(table->cellWidget(0, ProgramWindow::Unit));
    QVERIFY(unit);
    unit->setCurrentIndex(int(MethodStep::Unit::Seconds));
    QTRY_COMPARE(shown->method().steps.at(0).lengthMs(), 10000);
    // A repeat that names a step that is not there.
    QTableWidget *repeats = shown->repeatTable();
    shown->button("addRepeat")->click();
    repeats->item(0, 1)->setText(QStringLiteral("7"));
    QVERIFY(shown->faultTexts().join('\n').contains(utf8("指向不存在的步骤")));
}

void TestProgramPanel::fileSavedAndOpened()
{
    QTemporaryDir folder;
    ProgramWindow *shown = window();
    Method method = methodOf({timedStep(30, 50, 1.0), timedStep(60, 80, 1.5)});
    method.steps[1].flowRamp = true;
    shown->setMethod(method);
    QString problem;
    const QString path = folder.filePath(QStringLiteral("flush.json"));
    QVERIFY2(shown->saveFile(path, &problem), qPrintable(problem));
    QCOMPARE(readAll(path), method.toJson());
    shown->setMethod(Method::fresh());

    // A file from a newer version: refused with the reason, and nothing of it is taken.
    const QString newer = folder.filePath(QStringLiteral("newer.json"));
    QVERIFY(writeAll(newer, method.toJson().replace("\"version\": 1", "\"version\": 3")));
    QVERIFY(!shown->openFile(newer, &problem));
    QVERIFY(problem.contains(utf8("更新的版本")));
    QCOMPARE(shown->method(), Method::fresh());

    QVERIFY2(shown->openFile(path, &problem), qPrintable(problem));
    QCOMPARE(shown->method(), method);
    QCOMPARE(shown->fileName(), QStringLiteral("flush.json"));
}

void TestProgramPanel::startSendsSetpointsThenRun()
{
    QVERIFY(startProgram({timedStep(10, 50, 1.0), timedStep(10, 60, 1.2)}));
    QCOMPARE(m_port->writtenFrames(), (QStringList{"Q00L0050Y", "Q00P01.0Y", "Q00R0000Y"}));
    const QStringList started = m_panel->logDetails(QStringLiteral("method-start"));
    QCOMPARE(started.size(), 1);
    QVERIFY(started[0].startsWith(utf8("（未保存） sha256=")));
    QVERIFY(m_form->findChild<QToolButton *>(QStringLiteral("programButton"))
                ->text()
                .startsWith(utf8("程序 1/2")));
    m_now = 10000;
    m_form->program().advance();
    QCOMPARE(m_port->writtenFrames().mid(3), (QStringList{"Q00L0060Y", "Q00P01.2Y"}));
    m_now = 20000;
    m_form->program().advance();
    QCOMPARE(m_port->writtenFrames().constLast(), QStringLiteral("Q00S0000Y"));
    QCOMPARE(m_panel->logDetails(QStringLiteral("method-step")).size(), 2);
    QVERIFY(
        m_panel->logDetails(QStringLiteral("method-end")).value(0).startsWith(utf8("程序完成")));
}

void TestProgramPanel::programAndTimedRunExcludeEachOther()
{
    QVERIFY(startProgram({timedStep(60, 50, 1.0)}));
    const qsizetype shown = m_panel->dialogs().messages.size();
    m_port->written.clear();
    QVERIFY(m_panel->trigger(QStringLiteral("ststart")));
    QVERIFY(m_port->written.isEmpty());
    QVERIFY(!m_form->Timer1()->isActive());
    QCOMPARE(m_panel->dialogs().messages.size(), shown + 1);
    QVERIFY(m_panel->lastMessage().contains(utf8("程序正在运行")));

    window()->button("stopProgram")->click();
    QCOMPARE(m_port->writtenFrames(), QStringList{"Q00S0000Y"});
    QVERIFY(m_panel->trigger(QStringLiteral("ststart")));
    QVERIFY(m_form->Timer1()->isActive());
    window()->button("startProgram")->click();
    QVERIFY(!m_form->program().isActive());
    QVERIFY(m_panel->lastMessage().contains(utf8("定时运行正在计时")));
    QCOMPARE(m_panel->logDetails(QStringLiteral("refused")).size(), 2);
}

void TestProgramPanel::tripEndsTheProgram()
{
    QVERIFY(m_panel->setLimits(QStringLiteral("1.80"), QString()));
    MethodStep tight = timedStep(60, 50, 1.0);
    tight.high = 1.2; // this step's own, tighter limit
    QVERIFY(startProgram({tight, timedStep(60, 50, 1.0)}));
    QCOMPARE(*m_form->guard().limits().high, 1.2);
    m_port->written.clear();
    m_form->link()->pollNow();
    m_port->deliver("Q00N01.5YQ00P01.0YQ00L0050Y"); // at once 0.2 above the step's limit
    QCOMPARE(m_port->writtenFrames(), (QStringList{"Q00F0000Y", "Q00S0000Y"}));
    QVERIFY(!m_form->program().isActive());
    QCOMPARE(m_panel->logDetails(QStringLiteral("method-end")).size(), 1);
    QVERIFY(m_panel->logDetails(QStringLiteral("method-end"))[0].startsWith(utf8("压力保护跳闸")));
    // The program's end gives the panel's own limit back.
    QCOMPARE(*m_form->guard().limits().high, 1.8);
    // And while the trip holds, a program cannot start either: nothing is sent.
    m_port->written.clear();
    window()->button("startProgram")->click();
    QVERIFY(m_port->written.isEmpty());
    QVERIFY(m_panel->lastMessage().contains(utf8("压力保护已跳闸")));
}

void TestProgramPanel::stepInAnOutageGoesOutAfterTheOwedStop()
{
    QVERIFY(startProgram({timedStep(10, 50, 1.0), timedStep(60, 70, 1.2)}));
    m_now = 5000;
    m_port->loseDevice(QStringLiteral("Input/output error"));
    QVERIFY(m_panel->press({"STOP"})); // not sent on the lost port: owed
    QVERIFY(m_form->link()->pumpState().owedStop().owed);
    m_now = 12500;
    m_form->program().advance(); // step 2 is due in the outage
    m_port->written.clear();
    m_form->link()->reconnectNow();
    QTRY_COMPARE(m_port->writtenFrames().size(), 4);
    QCOMPARE(m_port->writtenFrames(),
             (QStringList{"Q00S0000Y", "Q00F0000Y", "Q00L0070Y", "Q00P01.2Y"}));
    const QStringList commands = m_panel->logDetails(QStringLiteral("command"));
    QVERIFY(commands.constLast().endsWith(utf8("程序第 2 步晚了 2.5 秒")));
    const AlarmList::Alarm *late = m_form->alarms().current(QStringLiteral("program-late"));
    QVERIFY(late);
    QCOMPARE(late->priority, AlarmList::Priority::Medium);
    QCOMPARE(late->text, utf8("程序第 2 步晚了 2.5 秒开始"));
}

void TestProgramPanel::startOnAClosedPortIsToldOnce()
{
    Method method = methodOf({timedStep(10, 50, 1.0)});
    window()->setMethod(method);
    window()->button("startProgram")->click();
    QVERIFY(!m_form->program().isActive());
    QCOMPARE(m_panel->dialogs().messages.size(), 1);
    QVERIFY(m_port->written.isEmpty());
    QVERIFY(m_panel->lastMessage().contains(utf8("串口")));
}

QTEST_MAIN(TestProgramPanel)
#include "tst_programpanel.moc"
