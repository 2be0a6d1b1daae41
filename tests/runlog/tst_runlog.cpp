#include "commandline.h"
#include "fakepumpport.h"
#include "form1.h"
#include "paneldriver.h"
#include "pumplink.h"
#include "runjournal.h"
#include "runlog.h"
#include "runlogformat.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <memory>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The lines of a file after the byte-order mark, each with its CR LF.
QList<QByteArray> linesOf(const QByteArray &file)
{
    QList<QByteArray> lines;
    qsizetype at = 3;
    while (at < file.size()) {
        const qsizetype end = file.indexOf("\r\n", at);
        const qsizetype next = end < 0 ? file.size() : end + 2;
        lines << file.mid(at, next - at);
        at = next;
    }
    return lines;
}

// A run log with clocks the test moves.
struct Log
{
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("runs"));
    QDateTime now{QDate(2026, 12, 10), QTime(9, 15, 2, 125), QTimeZone(8 * 3600)};
    qint64 monotonic = 50000;
    RunLog log{folder};

    Log()
    {
        log.setClocks([this] { return now; }, [this] { return monotonic; });
    }
    void advance(qint64 ms)
    {
        now = now.addMSecs(ms);
        monotonic += ms;
    }
    QStringList files() const
    {
        return QDir(folder).entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
    }
};

const RunLog::Readings shown{QStringLiteral("01.2"), QStringLiteral("02.0"), QStringLiteral("0150"),
                             QStringLiteral("RUN")};

} // namespace

class TestRunLog : public QObject
{
    Q_OBJECT

private slots:
    void fields_data();
    void fields();
    void times_data();
    void times();
    void fileAndFirstRow();
    void tampering_data();
    void tampering();
    void notARunLog_data();
    void notARunLog();
    void existingNames();
    void midnight();
    void unwritableFolder();
    void commandLine_data();
    void commandLine();
    void eventsThroughTheWindow();
    void unwritableFolderThroughTheWindow();
};

void TestRunLog::fields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("plain") << "Q00N01.2Y" << QByteArray("Q00N01.2Y");
    QTest::newRow("empty") << "" << QByteArray("");
    QTest::newRow("comma") << "a,b" << QByteArray("\"a,b\"");
    QTest::newRow("quote") << "say \"hi\"" << QByteArray("\"say \"\"hi\"\"\"");
    QTest::newRow("line end") << "a\r\nb" << QByteArray("\"a\r\nb\"");
    QTest::newRow("Chinese") << utf8("设定流量") << utf8("设定流量").toUtf8();
}

void TestRunLog::fields()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    QCOMPARE(RunLogFormat::field(text), written);
}

void TestRunLog::times_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("text");
    const QDate day(2026, 12, 10);
    QTest::newRow("east") << QDateTime(day, QTime(9, 15, 2, 125), QTimeZone(8 * 3600))
                          << "2026-12-10T09:15:02.125+08:00";
    QTest::newRow("west, half hour")
        << QDateTime(day, QTime(23, 0, 0, 5), QTimeZone(-(5 * 3600 + 1800)))
        << "2026-12-10T23:00:00.005-05:30";
    QTest::newRow("UTC") << QDateTime(day, QTime(0, 0), QTimeZone::utc())
                         << "2026-12-10T00:00:00.000+00:00";
}

void TestRunLog::times()
{
    QFETCH(QDateTime, time);
    QFETCH(QString, text);
    QCOMPARE(RunLogFormat::timeText(time), text);
    QCOMPARE(RunLogFormat::secondsText(0), QStringLiteral("0.000"));
    QCOMPARE(RunLogFormat::secondsText(61005), QStringLiteral("61.005"));
}

void TestRunLog::fileAndFirstRow()
{
    Log t;
    QSignalSpy started(&t.log, &RunLog::fileStarted);
    t.log.record(QStringLiteral("reply"), QStringLiteral("ignored"), shown); // no log yet
    QVERIFY(t.files().isEmpty());
    t.log.start();
    t.advance(1500);
    const QString detail = utf8("说 \"a, b\"");
    t.log.record(QStringLiteral("refused"), detail, shown);
    QCOMPARE(t.files(), QStringList{"2026-12-10_09-15-03.csv"});
    QCOMPARE(started.count(), 1);

    // Written and handed over at once: the bytes are in the file before any sync.
    const QByteArray file = readAll(t.log.currentFile());
    QVERIFY(file.startsWith("\xEF\xBB\xBF"));
    const QList<QByteArray> lines = linesOf(file);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QByteArray("time,elapsed_s,event,current_pressure_mpa,set_pressure_mpa,"
                                  "set_flow_ml_min,run,detail,chain\r\n"));
    const QByteArray fields = "2026-12-10T09:15:03.625+08:00,1.500,refused,01.2,02.0,0150,RUN,\"" +
                              utf8("说 \"\"a, b\"\"").toUtf8() + "\"";
    // SHA-256 over 64 zeros and the fields as written, computed here on its own.
    const QByteArray chain =
        QCryptographicHash::hash(QByteArray(64, '0') + fields, QCryptographicHash::Sha256).toHex();
    QCOMPARE(lines[1], fields + ',' + chain + "\r\n");
    QCOMPARE(RunLogFormat::rows(file).constFirst().at(7), detail);
    // Forced to the disk within two seconds, and no timer ticks once nothing is new.
    QVERIFY(t.log.syncTimer()->isActive());
    QCOMPARE(t.log.syncTimer()->interval(), 2000);
    QVERIFY(t.log.syncNow(true));
    QVERIFY(QMetaObject::invokeMethod(t.log.syncTimer(), "timeout", Qt::DirectConnection));
    QVERIFY(!t.log.syncTimer()->isActive());
}

void TestRunLog::tampering_data()
{
    // Each edit is made on the lines of a log of five rows (index 0 is the header).
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("brokenRow"); // 0: the chain holds
    QTest::addColumn<int>("rows");
    QTest::newRow("untouched") << "none" << 0 << 5;
    QTest::newRow("one byte changed in row 3") << "byte" << 3 << 0;
    QTest::newRow("row 2 removed") << "remove" << 2 << 0;
    QTest::newRow("row 4 copied after itself") << "insert" << 5 << 0;
    QTest::newRow("rows 2 and 3 swapped") << "swap" << 2 << 0;
    QTest::newRow("last row removed") << "drop-last" << 0 << 4;
    QTest::newRow("last row cut short") << "cut" << 0 << 4;
}

void TestRunLog::tampering()
{
    QFETCH(QString, edit);
    QFETCH(int, brokenRow);
    QFETCH(int, rows);
    Log t;
    t.log.start();
    for (int i = 0; i < 5; ++i) {
        t.advance(1000);
        t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N0%1.0Y").arg(i), shown);
    }
    QList<QByteArray> lines = linesOf(readAll(t.log.currentFile()));
    if (edit == QLatin1String("byte"))
        lines[3].replace("Q00N02.0Y", "Q00N02.1Y");
    else if (edit == QLatin1String("remove"))
        lines.removeAt(2);
    else if (edit == QLatin1String("insert"))
        lines.insert(5, lines[4]);
    else if (edit == QLatin1String("swap"))
        lines.swapItemsAt(2, 3);
    else if (edit == QLatin1String("drop-last"))
        lines.removeLast();
    else if (edit == QLatin1String("cut"))
        lines.last().chop(10);
    const QByteArray file = "\xEF\xBB\xBF" + lines.join();
    const RunLogFormat::Verification result = RunLogFormat::verify(file);
    if (brokenRow > 0) {
        QCOMPARE(result.outcome, RunLogFormat::Verification::Outcome::Broken);
        QCOMPARE(result.brokenRow, brokenRow);
        return;
    }
    QCOMPARE(result.outcome, RunLogFormat::Verification::Outcome::Holds);
    QCOMPARE(result.rows, rows);
    QCOMPARE(result.firstTime, QStringLiteral("2026-12-10T09:15:03.125+08:00"));
    QCOMPARE(
        result.lastTime,
        QStringLiteral("2026-12-10T09:15:%1.125+08:00").arg(2 + rows, 2, 10, QLatin1Char('0')));
    QCOMPARE(result.incompleteTail, edit == QLatin1String("cut"));
}

void TestRunLog::notARunLog_data()
{
    QTest::addColumn<QByteArray>("file");
    const QByteArray header = RunLogFormat::headerLine();
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("the record file") << QByteArray(" 1.2  1.3 \r\n");
    QTest::newRow("no byte-order mark") << header;
    QTest::newRow("other columns") << QByteArray("\xEF\xBB\xBFtime,value\r\n");
    QTest::newRow("a row of three fields") << "\xEF\xBB\xBF" + header + "a,b,c\r\n";
    QTest::newRow("a stray quote") << "\xEF\xBB\xBF" + header + "a\"b,c\r\n";
    QTest::newRow("bare line feeds") << "\xEF\xBB\xBF" + header + "a,b\nc\r\n";
}

void TestRunLog::notARunLog()
{
    QFETCH(QByteArray, file);
    const RunLogFormat::Verification result = RunLogFormat::verify(file);
    QCOMPARE(result.outcome, RunLogFormat::Verification::Outcome::NotARunLog);
    QVERIFY(!result.problem.isEmpty());
}

void TestRunLog::existingNames()
{
    Log t;
    QVERIFY(QDir().mkpath(t.folder));
    QVERIFY(writeAll(t.folder + QStringLiteral("/2026-12-10_09-15-02.csv"), "someone's"));
    for (int i = 0; i < 2; ++i) {
        t.log.start();
        t.log.record(QStringLiteral("opened"), QString(), shown);
    }
    QCOMPARE(t.files(), QStringList({"2026-12-10_09-15-02-2.csv", "2026-12-10_09-15-02-3.csv",
                                     "2026-12-10_09-15-02.csv"}));
    QCOMPARE(readAll(t.folder + QStringLiteral("/2026-12-10_09-15-02.csv")),
             QByteArray("someone's")); // never written into
    // Starting again ended the first log with a row of its own.
    const QList<QStringList> first =
        RunLogFormat::rows(readAll(t.folder + QStringLiteral("/2026-12-10_09-15-02-2.csv")));
    QCOMPARE(first.size(), 2);
    QCOMPARE(first[1][2], QStringLiteral("closed"));
}

void TestRunLog::midnight()
{
    Log t;
    t.now = QDateTime(QDate(2026, 12, 10), QTime(23, 59, 59, 0), QTimeZone(8 * 3600));
    t.log.start();
    t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N01.0Y"), shown);
    const QString before = t.log.currentFile();
    t.advance(999);
    t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N01.1Y"), shown);
    QCOMPARE(t.log.currentFile(), before);
    t.advance(2);
    t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N01.2Y"), shown);
    QCOMPARE(t.files(), QStringList({"2026-12-10_23-59-59.csv", "2026-12-11_00-00-00.csv"}));

    const QByteArray old = readAll(before);
    const QByteArray next = readAll(t.log.currentFile());
    QCOMPARE(RunLogFormat::verify(old).rows, 2);
    QCOMPARE(RunLogFormat::verify(next).rows, 2);
    const QList<QStringList> rows = RunLogFormat::rows(next);
    // The new file names the one it continues and that file's last chain; the clock of the
    // log runs on.
    QCOMPARE(rows[0][2], QStringLiteral("continued"));
    QVERIFY(rows[0][7].contains(QStringLiteral("2026-12-10_23-59-59.csv")));
    QVERIFY(rows[0][7].contains(RunLogFormat::rows(old).constLast().at(8)));
    QCOMPARE(rows[1][0], QStringLiteral("2026-12-11T00:00:00.001+08:00"));
    QCOMPARE(rows[1][1], QStringLiteral("1.001"));
    QCOMPARE(rows[1][7], QStringLiteral("Q00N01.2Y"));
}

void TestRunLog::unwritableFolder()
{
    Log t;
    // Where the folder should be stands a file: no folder can be made there.
    QVERIFY(writeAll(t.folder, "in the way"));
    QSignalSpy failed(&t.log, &RunLog::writeFailed);
    QSignalSpy resumed(&t.log, &RunLog::writingResumed);
    t.log.start();
    for (int i = 0; i < 3; ++i) {
        t.advance(400);
        t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N0%1.0Y").arg(i), shown);
    }
    QCOMPARE(failed.count(), 1); // said once
    QVERIFY(failed.first().first().toString().contains(QDir::toNativeSeparators(t.folder)));
    QVERIFY(t.log.failing());
    QCOMPARE(t.log.pendingRows(), 3);
    QVERIFY(t.log.syncTimer()->isActive()); // tries again even if no row comes

    // The folder can be made again: the next try writes every row kept, in order.
    QVERIFY(QFile::remove(t.folder));
    t.advance(1000);
    t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N03.0Y"), shown);
    QCOMPARE(resumed.count(), 1);
    QCOMPARE(resumed.first().at(0).toInt(), 3);
    QCOMPARE(resumed.first().at(1).toInt(), 0);
    QVERIFY(!t.log.failing());
    const QByteArray file = readAll(t.log.currentFile());
    QCOMPARE(RunLogFormat::verify(file).rows, 4);
    const QList<QStringList> rows = RunLogFormat::rows(file);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(rows[i][7], QStringLiteral("Q00N0%1.0Y").arg(i));
    // Each row keeps the time it happened, not the time it was written.
    QCOMPARE(rows[0][0], QStringLiteral("2026-12-10T09:15:02.525+08:00"));
    QCOMPARE(failed.count(), 1);
}

void TestRunLog::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode"); // -1: the panel starts
    QTest::addColumn<QString>("says");
    QTest::newRow("no options") << QStringList() << -1 << "";
    QTest::newRow("Qt's own") << QStringList{"-platform", "offscreen"} << -1 << "";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--verify-log";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "pumppanel 2.0";
    QTest::newRow("a log that holds") << QStringList{"--verify-log", "<good>"} << 0
                                      << "OK: 3 rows, from 2026-12-10T09:15:03.125+08:00 to "
                                         "2026-12-10T09:15:05.125+08:00";
    QTest::newRow("a changed log") << QStringList{"--verify-log", "<bad>"} << 1 << "第 2 行";
    QTest::newRow("not a log") << QStringList{"--verify-log", "<other>"} << 2 << "不是运行记录";
    QTest::newRow("no such file") << QStringList{"--verify-log", "<missing>"} << 2 << "无法读取";
    QTest::newRow("no file named") << QStringList{"--verify-log"} << 2 << "需要一个文件名";
}

void TestRunLog::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    Log t;
    t.log.start();
    for (int i = 0; i < 3; ++i) {
        t.advance(1000);
        t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N0%1.0Y").arg(i), shown);
    }
    const QString good = t.log.currentFile();
    const QString bad = t.dir.filePath(QStringLiteral("bad.csv"));
    QVERIFY(writeAll(bad, readAll(good).replace("Q00N01.0Y", "Q00N09.0Y")));
    const QString other = t.dir.filePath(QStringLiteral("mytext.txt"));
    QVERIFY(writeAll(other, " 1.2  1.3 \r\n"));
    for (QString &argument : arguments) {
        argument.replace(QLatin1String("<good>"), good)
            .replace(QLatin1String("<bad>"), bad)
            .replace(QLatin1String("<other>"), other)
            .replace(QLatin1String("<missing>"), t.dir.filePath(QStringLiteral("none.csv")));
    }
    QString out;
    QString err;
    const std::optional<int> result = runCommandLine(arguments, out, err);
    QCOMPARE(result.value_or(-1), exitCode);
    QVERIFY2((out + err).contains(utf8(says.toUtf8().constData())), qPrintable(out + err));
    if (exitCode < 0)
        QVERIFY(out.isEmpty() && err.isEmpty());
}

void TestRunLog::eventsThroughTheWindow()
{
    FakePumpPort port;
    PanelDriver panel(port);
    Form1 &form = panel.form();
    PumpLink *link = form.link();
    qint64 now = 0;
    link->setClock([&now] { return now; });
    FakeDialogs &dialogs = panel.dialogs();

    QVERIFY(panel.openPort(QStringLiteral("/dev/ttyUSB0")));
    panel.stopPolling();
    auto answer = [&](const QByteArray &setFlow) {
        link->pollNow();
        port.deliver("Q00N01.2YQ00P02.0YQ00L" + setFlow + 'Y');
    };
    answer("0100");
    QVERIFY(panel.press({"L", "2", "5", "0"})); // refused: above 200
    QVERIFY(panel.press({"L", "1", "5", "0"})); // sent
    answer("0150");                             // confirmed
    dialogs.answers << QStringLiteral("1.5");
    QVERIFY(panel.trigger(QStringLiteral("pressure")));
    for (int i = 0; i < 3; ++i)
        answer("0150"); // the pump still reports 2.0: unconfirmed
    QVERIFY(panel.press({"RUN"}));
    dialogs.answers << QStringLiteral("1");
    QVERIFY(panel.trigger(QStringLiteral("stset")));
    QVERIFY(panel.trigger(QStringLiteral("ststart")));
    QVERIFY(panel.trigger(QStringLiteral("stzanting")));
    QVERIFY(panel.trigger(QStringLiteral("stcontiune")));
    for (int second = 0; second < 60; ++second)
        QVERIFY(QMetaObject::invokeMethod(form.Timer1(), "timeout", Qt::DirectConnection));
    QVERIFY(panel.trigger(QStringLiteral("save")));
    panel.recordFile().failure = QStringLiteral("disk full");
    QVERIFY(panel.trigger(QStringLiteral("save")));
    panel.printer().copies = 1;
    QVERIFY(panel.trigger(QStringLiteral("print")));
    now = 5000;
    link->checkSilence();
    now = 6000;
    answer("0150");
    port.loseDevice(QStringLiteral("Input/output error"));
    QVERIFY(panel.trigger(QStringLiteral("stop"))); // not sent
    link->reconnectNow();
    form.close();

    const QString folder = panel.runLogFolder();
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.csv")}, QDir::Files);
    QCOMPARE(files.size(), 1);
    const QByteArray file = readAll(QDir(folder).filePath(files.first()));
    const RunLogFormat::Verification verification = RunLogFormat::verify(file);
    QCOMPARE(verification.outcome, RunLogFormat::Verification::Outcome::Holds);
    QStringList events;
    for (const QStringList &row : RunLogFormat::rows(file)) {
        if (events.isEmpty() || events.constLast() != row[2])
            events << row[2]; // a run of replies counts once
    }
    const QStringList expected{
        "opened",      "reply",   "refused",     "command",     "reply",        "confirmed",
        "reply",       "command", "reply",       "unconfirmed", "reply",        "command",
        "timed-start", "command", "timed-pause", "command",     "timed-resume", "timed-done",
        "command",     "saved",   "save-failed", "printed",     "silent",       "answering",
        "reply",       "lost",    "not-sent",    "reconnected", "closed"};
    QCOMPARE(events, expected);

    const QList<QStringList> rows = RunLogFormat::rows(file);
    // The readouts are empty before the first reply, and a reply's row shows what it brought.
    QCOMPARE(rows[0].mid(3, 4), QStringList({"", "", "", ""}));
    QCOMPARE(rows[1][7], QStringLiteral("Q00N01.2Y"));
    QCOMPARE(rows[1][3], QStringLiteral("01.2"));
    const auto find = [&rows](const QString &event, const QString &text) {
        for (const QStringList &row : rows) {
            if (row[2] == event && row[7].contains(text))
                return row;
        }
        return QStringList();
    };
    QVERIFY(!find(QStringLiteral("refused"), utf8("流量 250")).isEmpty());
    QVERIFY(!find(QStringLiteral("command"), QStringLiteral("Q00L0150Y set_flow 0100 -> 0150"))
                 .isEmpty());
    QVERIFY(!find(QStringLiteral("command"), QStringLiteral("Q00P01.5Y set_pressure 02.0 -> 01.5"))
                 .isEmpty());
    QCOMPARE(find(QStringLiteral("command"), QStringLiteral("Q00R0000Y")).at(6),
             QStringLiteral("RUN"));
    QVERIFY(!find(QStringLiteral("not-sent"), QStringLiteral("Q00S0000Y")).isEmpty());
    QVERIFY(!find(QStringLiteral("save-failed"), QStringLiteral("disk full")).isEmpty());
    // Polls are not rows of their own.
    QVERIFY(find(QStringLiteral("command"), QStringLiteral("Q00F0000Y")).isEmpty());
}

void TestRunLog::unwritableFolderThroughTheWindow()
{
    FakePumpPort port;
    PanelDriver panel(port);
    Form1 &form = panel.form();
    qint64 monotonic = 0;
    form.runJournal().log().setClocks([] { return QDateTime::currentDateTime(); },
                                      [&monotonic] { return monotonic; });
    QVERIFY(QDir().mkpath(QFileInfo(panel.runLogFolder()).path()));
    QVERIFY(writeAll(panel.runLogFolder(), "in the way"));
    QLabel *state = panel.label(QStringLiteral("runLogStatus"));
    QVERIFY(state);

    QVERIFY(panel.openPort(QStringLiteral("/dev/ttyUSB0")));
    panel.stopPolling();
    for (int i = 0; i < 3; ++i) {
        form.link()->pollNow();
        port.deliver("Q00N01.2YQ00P02.0YQ00L0150Y");
    }
    // Told once, plainly, in a message and in the status bar; the panel goes on.
    QTRY_COMPARE(panel.dialogs().messages.size(), 1);
    QTest::qWait(10);
    QCOMPARE(panel.dialogs().messages.size(), 1);
    QCOMPARE(panel.dialogs().messages[0].title, utf8("运行记录"));
    QVERIFY2(panel.dialogs().messages[0].text.contains(utf8("运行记录无法写入文件夹")),
             qPrintable(panel.dialogs().messages[0].text));
    QCOMPARE(state->text(), utf8("运行记录无法写入"));
    QCOMPARE(form.records().saveprcout(), 3); // the store is not held up
    QCOMPARE(panel.caption(QStringLiteral("LcurrP")), QStringLiteral("01.2"));

    QVERIFY(QFile::remove(panel.runLogFolder()));
    monotonic += RunLog::retryInterval;
    form.link()->pollNow();
    port.deliver("Q00N01.3Y");
    QVERIFY2(state->text().startsWith(utf8("运行记录恢复写入")), qPrintable(state->text()));
    QVERIFY(state->text().contains(utf8("补写 10 行"))); // opened and nine replies
    QCOMPARE(panel.dialogs().messages.size(), 1);
}

QTEST_MAIN(TestRunLog)
#include "tst_runlog.moc"
