#include "fakesender.h"
#include "journal.h"
#include "method.h"
#include "methodsteps.h"
#include "programrunner.h"
#include "testsupport.h"

#include <QtTest>

namespace {

MethodStep stopStep()
{
    MethodStep made;
    made.name = QStringLiteral("stop");
    made.stop = true;
    made.duration.reset();
    return made;
}

struct Rows final : Journal
{
    void note(const QString &event, const QString &detail) override
    {
        events << event;
        details << detail;
    }
    QStringList events;
    QStringList details;
};

// A runner on a fake clock: both senders record into one list, with the time each frame went.
struct Bench
{
    FakeSender link;
    qint64 now = 0;
    bool open = true;
    Rows rows;
    ProgramRunner runner{link, link};
    QStringList timed; // "12.0 Q00L0050Y"

    Bench()
    {
        runner.setClock([this] { return now; });
        runner.setLinkOpen([this] { return open; });
        runner.setJournal(&rows);
    }
    // Moves the clock on in steps of `step` ms to `until`, as the runner's timer would.
    void runTo(qint64 until, qint64 step = 100)
    {
        while (now < until) {
            now = std::min(until, now + step);
            const qsizetype before = link.sent.size();
            runner.advance();
            for (qsizetype i = before; i < link.sent.size(); ++i)
                timed << QStringLiteral("%1 %2").arg(now / 1000.0, 0, 'f', 1).arg(link.sent[i]);
        }
    }
};

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void faults_data();
    void faults();
    void fileRoundTrip();
    void fileRefused_data();
    void fileRefused();
    void repeatsExpand();
    void startsWithSetpointsThenRun();
    void stepStartsPastADayAreOneWord();
    void rampsByResolutionAtMostOnceAPoll();
    void pauseHoldsTheClock();
    void stepOwedAcrossAnOutage();
    void endInAnOutageIsAStopForTheLink();
};

void TestProgram::faults_data()
{
    QTest::addColumn<Method>("method");
    QTest::addColumn<QStringList>("expected"); // "step: words in the reason"

    Method sound = methodOf({timedStep(10, 50, 1.0), timedStep(60, 100, 1.5, true), stopStep()});
    QTest::newRow("sound") << sound << QStringList();

    Method values = sound;
    values.steps[0].flow = 201;
    values.steps[1].pressure = 2.1;
    QTest::newRow("values above their limits")
        << values
        << QStringList{utf8("1: 超出 0 到 200 ml/min"), utf8("2: 超出 0 到 2.0 MPa"),
                       utf8("2: 高于本步的压力上限 1.80 MPa")};

    Method looser = sound;
    looser.steps[0].high = 1.9;
    looser.steps[1].low = 0.1;
    QTest::newRow("step limits looser than the panel's")
        << looser
        << QStringList{utf8("1: 比面板的上限 1.80 MPa 宽"), utf8("2: 比面板的下限 0.20 MPa 宽")};

    Method aboveHigh = sound;
    aboveHigh.steps[1].high = 1.2;
    QTest::newRow("set pressure above the step's high limit")
        << aboveHigh << QStringList{utf8("2: 设定压力 1.5 MPa 高于本步的压力上限 1.20 MPa")};

    Method empty = sound;
    empty.steps[0].duration.reset();
    empty.steps[1].duration = 0.5;
    QTest::newRow("durations") << empty
                               << QStringList{utf8("1: 时长为空"), utf8("2: 1 秒到 9999 分")};

    Method missing = sound;
    missing.repeats = {{2, 5, 3}};
    QTest::newRow("repeat of a missing step")
        << missing << QStringList{utf8("2: 重复 2–5 指向不存在的步骤")};

    Method overlapping = sound;
    overlapping.steps.insert(1, timedStep(10, 10, 1.0));
    overlapping.repeats = {{1, 2, 2}, {2, 3, 2}, {4, 4, 2}};
    QTest::newRow("overlapping repeats, a stop inside one")
        << overlapping << QStringList{utf8("2: 与重复 1–2 重叠"), utf8("4: 含有停止步骤")};

    Method long30 = sound;
    long30.steps[1].duration = 9999;
    long30.steps[1].unit = MethodStep::Unit::Minutes;
    long30.repeats = {{2, 2, 5}};
    QTest::newRow("longer than 30 days") << long30 << QStringList{utf8("0: 超过 30 天")};

    Method stopFirst = methodOf({stopStep(), timedStep(10, 1, 1)});
    QTest::newRow("stop not last")
        << stopFirst << QStringList{utf8("1: 程序没有可运行的步骤"), utf8("1: 之后还有步骤")};

    Method many = methodOf(QList<MethodStep>(201, timedStep(1, 1, 1)));
    QTest::newRow("too many steps") << many << QStringList{utf8("0: 最多 200 步")};
}

void TestProgram::faults()
{
    QFETCH(Method, method);
    QFETCH(QStringList, expected);
    Limits panel;
    panel.high = 1.8;
    panel.low = 0.2;
    const QList<Method::Fault> found = method.faults(panel);
    QStringList told;
    for (const Method::Fault &fault : found)
        told << QStringLiteral("%1: %2").arg(fault.step).arg(fault.reason);
    QCOMPARE(told.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QString where = expected[i].section(QStringLiteral(": "), 0, 0);
        const QString words = expected[i].section(QStringLiteral(": "), 1);
        QVERIFY2(told[i].startsWith(where + QStringLiteral(": ")) && told[i].contains(words),
                 qPrintable(told.join(QLatin1Char('\n'))));
    }
}

void TestProgram::fileRoundTrip()
{
    Method method =
        methodOf({timedStep(30, 50, 1.0), timedStep(90, 120, 1.6, true, true), stopStep()});
    method.steps[0].name = utf8("平衡 \"1\"");
    method.steps[1].unit = MethodStep::Unit::Minutes;
    method.steps[1].high = 1.75;
    method.repeats = {{1, 2, 3}};
    const QByteArray saved = method.toJson();
    QVERIFY(saved.contains("\"format\": \"pumppanel-method\""));
    QVERIFY(saved.contains("\"flow\": \"ml/min\""));
    QString problem;
    const std::optional<Method> opened = Method::fromJson(saved, &problem);
    QVERIFY2(opened, qPrintable(problem));
    QCOMPARE(*opened, method);
    QCOMPARE(opened->toJson(), saved);
}

void TestProgram::fileRefused_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("reason");
    Method method = methodOf({timedStep(30, 50, 1.0)});
    const QByteArray good = method.toJson();
    QTest::newRow("newer version") << QByteArray(good).replace("\"version\": 1", "\"version\": 2")
                                   << utf8("更新的版本（格式版本 2）");
    QTest::newRow("does not parse") << good.left(good.size() / 2) << utf8("不是有效的 JSON");
    QTest::newRow("another format")
        << QByteArray("{\"format\": \"other\", \"version\": 1}") << utf8("不是泵面板的程序");
    QTest::newRow("other units") << QByteArray(good).replace("\"MPa\"", "\"bar\"") << utf8("单位");
    QTest::newRow("a step without its flow")
        << QByteArray(good).replace("\"flow\": 50", "\"flow\": \"fifty\"")
        << utf8("第 1 步的内容不完整");
}

void TestProgram::fileRefused()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, reason);
    QString problem;
    QVERIFY(!Method::fromJson(json, &problem));
    QVERIFY2(problem.contains(reason), qPrintable(problem));
}

void TestProgram::repeatsExpand()
{
    Method method =
        methodOf({timedStep(10, 10, 1), timedStep(20, 20, 1), timedStep(30, 30, 1), stopStep()});
    method.repeats = {{2, 3, 3}};
    QStringList order;
    for (const PlannedStep &planned : method.plan(0, 0))
        order << QStringLiteral("%1@%2").arg(planned.step + 1).arg(planned.start / 1000);
    QCOMPARE(order,
             (QStringList{"1@0", "2@10", "3@30", "2@60", "3@80", "2@110", "3@130", "4@160"}));
}

void TestProgram::startsWithSetpointsThenRun()
{
    Bench bench;
    Method method = methodOf({timedStep(10, 50, 1.0), timedStep(10, 80, 1.2), stopStep()});
    QVERIFY(bench.runner.start(method, QStringLiteral("a.json"), "{}", 0, 2.0));
    QCOMPARE(bench.link.sent, (QStringList{"Q00L0050Y", "Q00P01.0Y", "Q00R0000Y"}));
    bench.runTo(25000);
    QCOMPARE(bench.timed, (QStringList{"10.0 Q00L0080Y", "10.0 Q00P01.2Y", "20.0 Q00S0000Y"}));
    QVERIFY(!bench.runner.isActive());
    QCOMPARE(bench.rows.events, (QStringList{"method-start", "method-step", "method-step",
                                             "method-step", "method-end"}));
    // sha256 of "{}"
    QVERIFY(bench.rows.details[0].contains(
        "sha256=44136fa355b3678a1146ad16f7e8649e94fb4fc21fe77e8310c060f61caaff8a"));
    // 10 s at 50 ml/min and 10 s at 80: about 21.7 ml.
    QVERIFY(bench.rows.details.last().contains(utf8("估计泵送 21.7 ml")));
}

void TestProgram::stepStartsPastADayAreOneWord()
{
    // The run log's method-step row is read back by its words: a start 26 hours in is one.
    Bench bench;
    Method method = methodOf({timedStep(26 * 3600 + 300, 50, 1.0), stopStep()});
    QVERIFY(bench.runner.start(method, QString(), "{}", 0, 2.0));
    bench.runTo(26 * 3600 * 1000 + 301000, 60000);
    QCOMPARE(bench.rows.events.value(2), QStringLiteral("method-step"));
    QVERIFY2(bench.rows.details.value(2).startsWith(QLatin1String("2 planned=+26:05:00 pass=1 ")),
             qPrintable(bench.rows.details.value(2)));
}

void TestProgram::rampsByResolutionAtMostOnceAPoll()
{
    Bench bench;
    Method method;
    // 0 to 10 ml/min over 5 s: the value moves 1 ml/min every 0.5 s, faster than the polls.
    // 1.0 to 1.2 MPa over 20 s: 0.1 MPa every 10 s.
    method.steps = {timedStep(5, 0, 1.0), timedStep(5, 10, 1.0, true),
                    timedStep(20, 10, 1.2, false, true)};
    QVERIFY(bench.runner.start(method, QString(), "{}", 0, 1.0));
    bench.link.sent.clear();
    bench.runTo(31000, 50);
    QCOMPARE(bench.timed,
             (QStringList{"5.0 Q00P01.0Y", "6.5 Q00L0003Y", "8.0 Q00L0006Y", "9.5 Q00L0009Y",
                          "10.0 Q00L0010Y", "15.0 Q00P01.1Y", "25.0 Q00P01.2Y", "30.0 Q00S0000Y"}));
}

void TestProgram::pauseHoldsTheClock()
{
    Bench bench;
    Method method = methodOf({timedStep(10, 50, 1.0), timedStep(10, 60, 1.0)});
    QVERIFY(bench.runner.start(method, QString(), "{}", 0, 1.0));
    bench.runTo(4000);
    bench.runner.pause();
    bench.runTo(64000);
    QCOMPARE(bench.runner.progress().leftInStep, 6000);
    QVERIFY(bench.timed.isEmpty()); // held: nothing sent, the pump keeps its setpoints
    bench.runner.resume();
    bench.runTo(75000);
    QCOMPARE(bench.timed, (QStringList{"70.0 Q00L0060Y", "70.0 Q00P01.0Y"}));
    QCOMPARE(bench.rows.events.count(QStringLiteral("method-pause")), 1);
    QCOMPARE(bench.rows.events.count(QStringLiteral("method-resume")), 1);
}

void TestProgram::stepOwedAcrossAnOutage()
{
    Bench bench;
    QStringList notes;
    QList<qint64> lates;
    bench.runner.setCommandNote([&notes](const QString &note) { notes << note; });
    QObject::connect(&bench.runner, &ProgramRunner::stepLate,
                     [&lates](int number, qint64 late) { lates << number << late; });
    Method method =
        methodOf({timedStep(10, 50, 1.0), timedStep(10, 60, 1.1), timedStep(100, 70, 1.2)});
    QVERIFY(bench.runner.start(method, QString(), "{}", 0, 1.0));
    bench.runTo(5000);
    bench.open = false; // down from 5 s to 23.5 s: steps 2 and 3 begin in the outage
    bench.runTo(23500);
    QVERIFY(bench.timed.isEmpty());
    bench.open = true;
    bench.runner.portOpened();
    QCOMPARE(bench.link.sent.mid(3), (QStringList{"Q00L0070Y", "Q00P01.2Y"}));
    QCOMPARE(lates, (QList<qint64>{3, 3500}));
    QCOMPARE(notes, (QStringList{utf8("程序第 3 步晚了 3.5 秒"), QString()}));
    // The clock went on: the program ends at 120 s, not later.
    bench.runTo(121000);
    QCOMPARE(bench.timed.last(), QStringLiteral("120.0 Q00S0000Y"));
}

void TestProgram::endInAnOutageIsAStopForTheLink()
{
    Bench bench;
    Method method = methodOf({timedStep(10, 50, 1.0)});
    QVERIFY(bench.runner.start(method, QString(), "{}", 0, 1.0));
    bench.link.open = false;
    bench.open = false;
    bench.runTo(11000);
    // The STOP was tried when it was due: the link owes it and sends it when it can.
    QCOMPARE(bench.link.attempts.last(), QStringLiteral("Q00S0000Y"));
    QVERIFY(!bench.runner.isActive());
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
