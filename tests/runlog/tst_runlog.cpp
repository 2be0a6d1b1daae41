#include "alarmwatch.h"
#include "commandline.h"
#include "fakepumpport.h"
#include "form1.h"
#include "paneldriver.h"
#include "pumplink.h"
#include "runfiles.h"
#include "runjournal.h"
#include "runlog.h"
#include "runlogformat.h"
#include "sessionend.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QTimeZone>
#include <QToolButton>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#ifdef Q_OS_WIN
#include <QAbstractEventDispatcher>

#include <windows.h>
#endif

namespace {

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
    void runAcrossFiles_data();
    void runAcrossFiles();
    void unwritableFolder();
    void resumedBySyncTimer();
    void failedSyncIsTold();
    void commandLine_data();
    void commandLine();
    void eventsThroughTheWindow();
    void rowsCarryWhatThePumpReported_data();
    void rowsCarryWhatThePumpReported();
    void endedByTheSystem_data();
    void endedByTheSystem();
    void endAskedFromAnotherThread();
    void endedByWindows();
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
    QVERIFY(fire(t.log.syncTimer()));
    QVERIFY(!t.log.syncTimer()->isActive());
}

void TestRunLog::tampering_data()
{
    // Each edit is made on the lines of a log of five replies and its closing row (index 0 is
    // the header); the file is then checked as --verify-log checks it.
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("brokenRow"); // 0: the chain holds
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("untouched") << "none" << 0 << 6 << 0;
    QTest::newRow("one byte changed in row 3") << "byte" << 3 << 0 << 1;
    QTest::newRow("row 2 removed") << "remove" << 2 << 0 << 1;
    QTest::newRow("row 4 copied after itself") << "insert" << 5 << 0 << 1;
    QTest::newRow("rows 2 and 3 swapped") << "swap" << 2 << 0 << 1;
    QTest::newRow("closing row removed") << "drop-last" << 0 << 5 << 3;
    QTest::newRow("last three rows removed") << "drop-three" << 0 << 3 << 3;
    QTest::newRow("closing row cut short") << "cut" << 0 << 5 << 3;
    QTest::newRow("still being written") << "running" << 0 << 5 << 0;
}

void TestRunLog::tampering()
{
    QFETCH(QString, edit);
    QFETCH(int, brokenRow);
    QFETCH(int, rows);
    QFETCH(int, exitCode);
    Log t;
    t.log.start();
    for (int i = 0; i < 5; ++i) {
        t.advance(1000);
        t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N0%1.0Y").arg(i), shown);
    }
    if (edit != QLatin1String("running"))
        t.log.stop(QStringLiteral("end"));
    QVERIFY(QFileInfo::exists(RunFiles::lockPathOf(t.log.currentFile())) ==
            (edit == QLatin1String("running"))); // held only while written
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
    else if (edit == QLatin1String("drop-three"))
        lines.resize(lines.size() - 3);
    else if (edit == QLatin1String("cut"))
        lines.last().chop(10);
    const QByteArray file = "\xEF\xBB\xBF" + lines.join();
    if (edit != QLatin1String("running") && edit != QLatin1String("none"))
        QVERIFY(writeAll(t.log.currentFile(), file));
    const QList<RunFiles::Check> checks = RunFiles::check({t.log.currentFile()});
    QCOMPARE(checks.size(), 1);
    QCOMPARE(checks[0].exitCode(), exitCode);
    const RunLogFormat::Verification &result = checks[0].verification;
    if (brokenRow > 0) {
        QCOMPARE(result.outcome, RunLogFormat::Verification::Outcome::Broken);
        QCOMPARE(result.brokenRow, brokenRow);
        return;
    }
    QCOMPARE(result.outcome, RunLogFormat::Verification::Outcome::Holds);
    QCOMPARE(result.rows, rows);
    QCOMPARE(result.firstTime, QStringLiteral("2026-12-10T09:15:03.125+08:00"));
    QCOMPARE(result.incompleteTail, edit == QLatin1String("cut"));
    QCOMPARE(checks[0].outcome == RunFiles::Check::Outcome::BeingWritten,
             edit == QLatin1String("running"));
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
    QSignalSpy started(&t.log, &RunLog::fileStarted);
    t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N01.0Y"), shown);
    const QString before = t.log.currentFile();
    t.advance(999);
    t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N01.1Y"), shown);
    QCOMPARE(t.log.currentFile(), before);
    t.advance(2);
    t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N01.2Y"), shown);
    QCOMPARE(t.files(), QStringList({"2026-12-10_23-59-59.csv", "2026-12-11_00-00-00.csv"}));
    QCOMPARE(started.count(), 2);
    QCOMPARE(started.last().at(1).toBool(), true); // the same log goes on
    // Only the file being written is locked.
    QVERIFY(!QFileInfo::exists(RunFiles::lockPathOf(before)));
    QVERIFY(QFileInfo::exists(RunFiles::lockPathOf(t.log.currentFile())));

    const QByteArray old = readAll(before);
    const QByteArray next = readAll(t.log.currentFile());
    // The old file ends with a closing row that names the new one, so it verifies alone.
    const QList<QStringList> oldRows = RunLogFormat::rows(old);
    QCOMPARE(oldRows.size(), 3);
    QCOMPARE(oldRows[2][2], QStringLiteral("closed"));
    QCOMPARE(RunLogFormat::Links::nextFileOf(oldRows[2][7]),
             QStringLiteral("2026-12-11_00-00-00.csv"));
    QCOMPARE(RunFiles::check({before}).first().exitCode(), 0);
    // The new file names the one it continues and that file's last chain; the clock of the
    // log runs on.
    const QList<QStringList> rows = RunLogFormat::rows(next);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0][2], QStringLiteral("continued"));
    const auto continued = RunLogFormat::Links::continuedFrom(rows[0][7]);
    QVERIFY(continued);
    QCOMPARE(continued->file, QStringLiteral("2026-12-10_23-59-59.csv"));
    QCOMPARE(continued->chain, oldRows.constLast().at(8).toLatin1());
    QCOMPARE(rows[1][0], QStringLiteral("2026-12-11T00:00:00.001+08:00"));
    QCOMPARE(rows[1][1], QStringLiteral("1.001"));
    QCOMPARE(rows[1][7], QStringLiteral("Q00N01.2Y"));
}

void TestRunLog::runAcrossFiles_data()
{
    QTest::addColumn<QString>("edit");    // on the three daily files of one run
    QTest::addColumn<QString>("checked"); // the folder, or the last file alone
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");
    QTest::newRow("whole, the folder") << "none"
                                       << "folder" << 0 << "chain 相符";
    QTest::newRow("whole, the last file") << "none"
                                          << "last" << 0 << "chain 相符";
    QTest::newRow("middle missing, the folder") << "remove-middle"
                                                << "folder" << 1 << "不存在";
    QTest::newRow("middle missing, the last file alone") << "remove-middle"
                                                         << "last" << 0 << "未核对";
    QTest::newRow("middle written anew, the folder")
        << "replace-middle"
        << "folder" << 1 << "chain 与这个文件第一行所带的不符";
    QTest::newRow("middle written anew, the last file") << "replace-middle"
                                                        << "last" << 1 << "不符";
    QTest::newRow("the log still being written") << "running"
                                                 << "folder" << 0 << "正在写入";
    QTest::newRow("the last file cut short") << "cut-last"
                                             << "folder" << 3 << "没有结束行";
    QTest::newRow("an empty folder") << "empty"
                                     << "folder" << 2 << "没有运行记录文件";
}

void TestRunLog::runAcrossFiles()
{
    QFETCH(QString, edit);
    QFETCH(QString, checked);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    Log t;
    t.now = QDateTime(QDate(2026, 12, 10), QTime(23, 59, 58, 0), QTimeZone(8 * 3600));
    if (edit == QLatin1String("empty")) {
        QVERIFY(QDir().mkpath(t.folder));
    } else {
        t.log.start();
        for (int i = 0; i < 6; ++i) {
            t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N01.%1Y").arg(i), shown);
            t.advance(i == 2 ? qint64(24) * 3600 * 1000 - 3000 : 1500); // over two midnights
        }
        if (edit != QLatin1String("running"))
            t.log.stop(QStringLiteral("end"));
        QCOMPARE(t.files().size(), 3);
    }
    const QStringList files = t.files();
    if (edit == QLatin1String("remove-middle")) {
        QVERIFY(QFile::remove(QDir(t.folder).filePath(files[1])));
    } else if (edit == QLatin1String("replace-middle")) {
        // Another log with a chain of its own, under the middle file's name: it verifies by
        // itself, but is not the file the last one continues.
        Log other;
        other.log.start();
        other.log.record(QStringLiteral("reply"), QStringLiteral("Q00N09.9Y"), shown);
        other.log.stop(QStringLiteral("end"));
        QVERIFY(writeAll(QDir(t.folder).filePath(files[1]), readAll(other.log.currentFile())));
    } else if (edit == QLatin1String("cut-last")) {
        const QString last = QDir(t.folder).filePath(files[2]);
        QList<QByteArray> lines = linesOf(readAll(last));
        lines.removeLast();
        QVERIFY(writeAll(last, "\xEF\xBB\xBF" + lines.join()));
    }
    const QString path = checked == QLatin1String("folder")
                             ? t.folder
                             : QDir(t.folder).filePath(t.files().constLast());
    QString out;
    QString err;
    QCOMPARE(runCommandLine({QStringLiteral("--verify-log"), path}, out, err).value_or(-1),
             exitCode);
    QVERIFY2((out + err).contains(utf8(says.toUtf8().constData())), qPrintable(out + err));
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

void TestRunLog::resumedBySyncTimer()
{
    Log t;
    QVERIFY(writeAll(t.folder, "in the way"));
    QSignalSpy resumed(&t.log, &RunLog::writingResumed);
    t.log.start();
    for (int i = 0; i < 3; ++i)
        t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N0%1.0Y").arg(i), shown);
    QVERIFY(QFile::remove(t.folder));
    t.advance(RunLog::retryInterval);
    // No new row: the sync timer writes the three, all of them late.
    QVERIFY(fire(t.log.syncTimer()));
    QCOMPARE(resumed.count(), 1);
    QCOMPARE(resumed.first().at(0).toInt(), 3);
    QCOMPARE(RunLogFormat::verify(readAll(t.log.currentFile())).rows, 3);
}

void TestRunLog::failedSyncIsTold()
{
    Log t;
    QSignalSpy failed(&t.log, &RunLog::writeFailed);
    QSignalSpy resumed(&t.log, &RunLog::writingResumed);
    int error = EIO;
    t.log.setSync([&error](int) { return error; });
    t.log.start();
    t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N01.0Y"), shown);
    QVERIFY(!t.log.syncNow(true));
    QCOMPARE(failed.count(), 1);
    QVERIFY2(failed.first().first().toString().contains(utf8("无法写到磁盘")),
             qPrintable(failed.first().first().toString()));
    t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N01.1Y"), shown);
    QVERIFY(!t.log.syncNow(true));
    QCOMPARE(failed.count(), 1); // told once
    // On the worker, as the timer does it: told at the next sync.
    t.log.record(QStringLiteral("reply"), QStringLiteral("Q00N01.2Y"), shown);
    error = 0;
    QVERIFY(t.log.syncNow(false));
    QThreadPool::globalInstance()->waitForDone();
    QVERIFY(t.log.syncNow(true));
    QCOMPARE(resumed.count(), 1);
    QCOMPARE(resumed.first().at(0).toInt(), 0);
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
    QTest::newRow("version") << QStringList{"--version"} << 0 << "pumppanel 2.1";
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
    // The help names the folder this program logs to, not a fixed one.
    if (arguments == QStringList{"--help"})
        QVERIFY2(out.contains(QDir::toNativeSeparators(RunLog::defaultFolder())), qPrintable(out));
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

    QVERIFY(panel.openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
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
        QVERIFY(fire(form.Timer1()));
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
        // A reply's row comes before what it confirmed or flagged.
        "opened",        "reply",        "refused",     "command",       "reply",
        "confirmed",     "command",      "reply",       "unconfirmed",   "alarm",
        "reply",         "command",      "timed-start", "command",       "timed-pause",
        "command",       "timed-resume", "timed-done",  "command",       "saved",
        "save-failed",   "printed",      "silent",      "alarm",         "answering",
        "alarm-cleared", "reply",        "lost",        "alarm",         "not-sent",
        "alarm-cleared", "reconnected",  "command",     "alarm-cleared", "closed"};
    QCOMPARE(events.join(" "), expected.join(" "));

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
    // The alarms by name and text; the STOP owed in the outage goes out on reconnection, saying
    // since when, and the pump's state reads STOP from then on.
    QVERIFY(!find(QStringLiteral("alarm"), utf8("pump-silent 泵无应答")).isEmpty());
    QVERIFY(!find(QStringLiteral("alarm-cleared"), utf8("pump-silent")).isEmpty());
    QVERIFY(!find(QStringLiteral("alarm"),
                  utf8("stop-owed 停止命令未送达：泵可能仍在运行（设定流量 0150 ml/min）"))
                 .isEmpty());
    const QStringList paid = find(QStringLiteral("command"), utf8("未送达的停止命令"));
    QVERIFY(!paid.isEmpty());
    QVERIFY(paid[7].startsWith(QStringLiteral("Q00S0000Y")));
    QCOMPARE(paid[6], QStringLiteral("STOP"));
    QVERIFY(!find(QStringLiteral("alarm-cleared"), utf8("stop-owed")).isEmpty());
    // Polls are not rows of their own.
    QVERIFY(find(QStringLiteral("command"), QStringLiteral("Q00F0000Y")).isEmpty());
}

void TestRunLog::rowsCarryWhatThePumpReported_data()
{
    // Keys typed, then one poll answered with the set pressure and set flow below: the rows of
    // that answer carry what the pump said, whatever the captions show.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("row");        // the three readings of the last reply row
    QTest::addColumn<QString>("setFlowCaption"); // what the window shows meanwhile
    QTest::addColumn<QString>("typedRow");       // the row the typing gave, if any
    const QByteArray answer = "Q00N01.2YQ00P02.0YQ00L0100Y";
    QTest::newRow("first digit typed")
        << "L1" << answer << QStringList{"01.2", "02.0", "0100"} << "1"
        << "";
    QTest::newRow("two digits typed")
        << "L15" << answer << QStringList{"01.2", "02.0", "0100"} << "15"
        << "";
    // The entry is over: the pump's value is shown again at the next reply.
    QTest::newRow("refused entry") << "L250" << answer << QStringList{"01.2", "02.0", "0100"}
                                   << "0100" << utf8("refused 键盘 流量 250 0100");
    QTest::newRow("sent, not yet taken")
        << "L150" << answer << QStringList{"01.2", "02.0", "0100"} << "0100"
        << "command Q00L0150Y set_flow 0100 -> 0150 0100";
    QTest::newRow("pressure being typed")
        << "P01" << answer << QStringList{"01.2", "02.0", "0100"} << "0100"
        << "";
    // The set pressure as the pump sent it; the readout shows the point it always shows.
    QTest::newRow("set pressure as sent") << "" << QByteArray("Q00N01.2YQ00P0250YQ00L0100Y")
                                          << QStringList{"01.2", "0250", "0100"} << "0100"
                                          << "";
}

void TestRunLog::rowsCarryWhatThePumpReported()
{
    QFETCH(QString, keys);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, row);
    QFETCH(QString, setFlowCaption);
    QFETCH(QString, typedRow);
    FakePumpPort port;
    PanelDriver panel(port);
    Form1 &form = panel.form();
    QVERIFY(panel.openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    form.link()->pollNow();
    port.deliver("Q00N01.1YQ00P02.0YQ00L0100Y");
    QStringList pressed;
    for (const QChar key : keys)
        pressed << QString(key);
    QVERIFY(panel.press(pressed));
    form.link()->pollNow();
    port.deliver(answer);
    QCOMPARE(panel.caption(QStringLiteral("LsetF")), setFlowCaption);
    if (keys.isEmpty())
        QCOMPARE(panel.caption(QStringLiteral("LsetP")), QStringLiteral("02.0"));
    form.close();

    const QStringList files =
        QDir(panel.runLogFolder()).entryList({QStringLiteral("*.csv")}, QDir::Files);
    QCOMPARE(files.size(), 1);
    const QList<QStringList> rows =
        RunLogFormat::rows(readAll(QDir(panel.runLogFolder()).filePath(files.first())));
    QStringList lastReply;
    QStringList typed;
    for (const QStringList &each : rows) {
        if (each[2] == QLatin1String("reply"))
            lastReply = each.mid(3, 3);
        if (each[2] == QLatin1String("refused") || each[2] == QLatin1String("command"))
            typed << QStringList{each[2], each[7], each[5]}.join(QLatin1Char(' '));
    }
    QCOMPARE(lastReply, row);
    QCOMPARE(typed.join(QLatin1Char('\n')), typedRow);
    // From the first set-flow reply on, every row carries the pump's set flow; none of them
    // holds a caption being typed.
    bool reported = false;
    for (const QStringList &each : rows) {
        reported = reported || each[7].startsWith(QLatin1String("Q00L"));
        if (reported && each[2] != QLatin1String("closed"))
            QVERIFY2(each[5] == QLatin1String("0100"), qPrintable(each.join(QLatin1Char(','))));
    }
}

void TestRunLog::endedByTheSystem_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("name");
#ifndef Q_OS_WIN
    QTest::newRow("SIGTERM (kill, shutdown)") << int(SIGTERM) << "SIGTERM";
    QTest::newRow("SIGINT (Ctrl+C)") << int(SIGINT) << "SIGINT";
    QTest::newRow("SIGHUP (the terminal closed)") << int(SIGHUP) << "SIGHUP";
#endif
}

void TestRunLog::endedByTheSystem()
{
#ifdef Q_OS_WIN
    QSKIP("POSIX signals; the Windows session end is endedByWindows");
#else
    QFETCH(int, signal);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("runs"));
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--panel"), folder});
    QVERIFY(child.waitForStarted());
    QByteArray output;
    while (!output.contains("ready") && child.waitForReadyRead(10000))
        output += child.readAllStandardOutput();
    QVERIFY2(output.contains("ready"), output.constData());
    QVERIFY(::kill(pid_t(child.processId()), signal) == 0);
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);

    const QStringList files = QDir(folder).entryList({QStringLiteral("*.csv")}, QDir::Files);
    QCOMPARE(files.size(), 1);
    const QString path = QDir(folder).filePath(files.first());
    const QList<QStringList> rows = RunLogFormat::rows(readAll(path));
    QVERIFY(rows.size() >= 3);
    QCOMPARE(rows.constLast().at(2), QStringLiteral("closed"));
    QVERIFY2(rows.constLast().at(7).contains(name), qPrintable(rows.constLast().at(7)));
    QCOMPARE(RunFiles::check({path}).first().exitCode(), 0);
    QVERIFY(!QFileInfo::exists(RunFiles::lockPathOf(path)));
#endif
}

void TestRunLog::endAskedFromAnotherThread()
{
    // As a Windows console's handler asks: from its own thread, waiting until it is done.
    SessionEnd sessionEnd;
    QStringList reasons;
    QThread *handledOn = nullptr;
    connect(&sessionEnd, &SessionEnd::endRequested, this, [&](const QString &why) {
        reasons << why;
        handledOn = QThread::currentThread();
    });
    std::atomic<bool> returned = false;
    std::thread handler([&] {
        sessionEnd.request(QStringLiteral("console closed"), true);
        returned = true;
    });
    QTRY_VERIFY(returned);
    handler.join();
    QCOMPARE(reasons, QStringList{"console closed"});
    QCOMPARE(handledOn, QThread::currentThread());
}

void TestRunLog::endedByWindows()
{
#ifndef Q_OS_WIN
    QSKIP("Windows messages");
#else
    FakePumpPort port;
    PanelDriver panel(port);
    QVERIFY(panel.openPort(QStringLiteral("COM1"), PanelDriver::Polling::ByTest));
    panel.form().link()->pollNow();
    port.deliver("Q00N01.2Y");
    SessionEnd sessionEnd;
    int requests = 0;
    connect(&sessionEnd, &SessionEnd::endRequested, &panel.form(), [&](const QString &why) {
        ++requests;
        panel.form().endBySystem(why);
    });
    MSG message = {};
    message.message = WM_ENDSESSION;
    message.wParam = FALSE; // the session goes on after all
    qintptr result = 0;
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    dispatcher->filterNativeEvent("windows_generic_MSG", &message, &result);
    QCOMPARE(requests, 0);
    // Windows ends the process once the window procedure returns: the row is written by then.
    message.wParam = TRUE;
    dispatcher->filterNativeEvent("windows_generic_MSG", &message, &result);
    QCOMPARE(requests, 1);
    dispatcher->filterNativeEvent("windows_generic_MSG", &message, &result); // each window
    QCOMPARE(requests, 1);
    const QString path = panel.form().runJournal().log().currentFile();
    const QList<QStringList> rows = RunLogFormat::rows(readAll(path));
    QCOMPARE(rows.constLast().at(2), QStringLiteral("closed"));
    QVERIFY(rows.constLast().at(7).contains(utf8("Windows 会话结束")));
    QVERIFY(!port.isOpen());
#endif
}

// The child of endedByTheSystem: a panel on a fake port, logging into `folder`, ended as the
// program's main() ends it when the system asks.
int runPanelChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FakePumpPort port;
    PanelDriver::Given given;
    given.runLogFolder = QString::fromLocal8Bit(argv[2]);
    PanelDriver panel(port, given);
    SessionEnd sessionEnd;
    endWithTheSession(sessionEnd, panel.form());
    if (!panel.openPort(QStringLiteral("/dev/ttyUSB0")))
        return 1;
    panel.stopPolling();
    panel.form().link()->pollNow();
    port.deliver("Q00N01.2YQ00P02.0YQ00L0150Y");
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
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
    auto *state = form.findChild<QToolButton *>(QStringLiteral("historyButton"));
    QVERIFY(state);

    QVERIFY(panel.openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
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
    QCOMPARE(state->toolTip(), utf8("运行记录无法写入"));
    QVERIFY(form.alarms().isActive(AlarmWatch::logNotWritable));
    QCOMPARE(form.records().saveprcout(), 3); // the store is not held up
    QCOMPARE(panel.caption(QStringLiteral("LcurrP")), QStringLiteral("01.2"));

    QVERIFY(QFile::remove(panel.runLogFolder()));
    monotonic += RunLog::retryInterval;
    form.link()->pollNow();
    port.deliver("Q00N01.3Y");
    QVERIFY2(state->toolTip().startsWith(utf8("运行记录恢复写入")), qPrintable(state->toolTip()));
    // opened, nine replies and the alarm that the log could not be written
    QVERIFY(state->toolTip().contains(utf8("补写 11 行")));
    QVERIFY(!form.alarms().isActive(AlarmWatch::logNotWritable));
    QCOMPARE(panel.dialogs().messages.size(), 1);
}

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--panel") == 0)
        return runPanelChild(argc, argv);
    QApplication app(argc, argv);
    TestRunLog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_runlog.moc"
