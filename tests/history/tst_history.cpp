#include "canvas.h"
#include "commandline.h"
#include "fakepumpport.h"
#include "form1.h"
#include "historyplot.h"
#include "historywindow.h"
#include "paneldriver.h"
#include "picturebox.h"
#include "plotdrawing.h"
#include "pumplink.h"
#include "runjournal.h"
#include "runlog.h"
#include "runlogformat.h"
#include "runreport.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

// A run log written by RunLog with a clock the test moves, rows as the window would log them.
struct LogWriter
{
    QTemporaryDir dir;
    QDateTime now{QDate(2026, 12, 10), QTime(9, 0, 0, 0), QTimeZone(8 * 3600)};
    qint64 monotonic = 0;
    RunLog log{dir.filePath(QStringLiteral("runs"))};
    RunLog::Readings shown;

    LogWriter()
    {
        log.setClocks([this] { return now; }, [this] { return monotonic; });
        log.start();
        row(QStringLiteral("opened"), utf8("串口 /dev/ttyUSB0，9600,n,8,1"));
    }
    void advance(qint64 ms)
    {
        now = now.addMSecs(ms);
        monotonic += ms;
    }
    void row(const QString &event, const QString &detail) { log.record(event, detail, shown); }
    // One answered poll: three replies.
    void poll(double pressure)
    {
        shown.currentPressure = QStringLiteral("%1").arg(pressure, 4, 'f', 1, QLatin1Char('0'));
        row(QStringLiteral("reply"), QStringLiteral("Q00N%1Y").arg(shown.currentPressure));
        row(QStringLiteral("reply"), QStringLiteral("Q00P%1Y").arg(shown.setPressure));
        row(QStringLiteral("reply"), QStringLiteral("Q00L%1Y").arg(shown.setFlow));
    }
    QString path() const { return log.currentFile(); }
    QByteArray bytes() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

qint64 msOf(const QString &rowTime)
{
    qint64 time = 0;
    int offset = 0;
    const QByteArray text = rowTime.toLatin1();
    return RunLogFormat::parseTime(text.constData(), text.constData() + text.size(), &time, &offset)
               ? time
               : -1;
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void rowTimes_data();
    void rowTimes();
    void readingInPiecesIsReadingAtOnce();
    void decimationKeepsEveryMinimumAndMaximum_data();
    void decimationKeepsEveryMinimumAndMaximum();
    void gaps();
    void eventsAtTheirTime();
    void clockLabels_data();
    void clockLabels();
    void csvExportOfARange();
    void aRunOfDailyFiles_data();
    void aRunOfDailyFiles();
    void quotedDetailsStayInTheirRow();
    void clockOfEachRow();
    void valueTicks_data();
    void valueTicks();
    void chainPrintedWhole();
    void reportSummary();
    void limitsDrawnAndReported();
    void programStepsMarkedAndReported();
    void exports();
    void live();
    void navigation();
    void openedFromThePanel();
};

void TestHistory::rowTimes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("utcMs"); // -1: not a time
    QTest::newRow("east") << "2026-12-10T09:15:02.125+08:00"
                          << QDateTime(QDate(2026, 12, 10), QTime(1, 15, 2, 125), QTimeZone::utc())
                                 .toMSecsSinceEpoch();
    QTest::newRow("west")
        << "2026-01-01T00:00:00.000-05:30"
        << QDateTime(QDate(2026, 1, 1), QTime(5, 30), QTimeZone::utc()).toMSecsSinceEpoch();
    QTest::newRow("leap day") << "2028-02-29T23:59:59.999+00:00"
                              << QDateTime(QDate(2028, 2, 29), QTime(23, 59, 59, 999),
                                           QTimeZone::utc())
                                     .toMSecsSinceEpoch();
    QTest::newRow("no offset") << "2026-12-10T09:15:02.125" << qint64(-1);
    QTest::newRow("letters") << "2026-1x-10T09:15:02.125+08:00" << qint64(-1);
}

void TestHistory::rowTimes()
{
    QFETCH(QString, text);
    QFETCH(qint64, utcMs);
    QCOMPARE(msOf(text), utcMs);
}

void TestHistory::readingInPiecesIsReadingAtOnce()
{
    LogWriter w;
    w.shown.setPressure = QStringLiteral("02.0");
    w.shown.setFlow = QStringLiteral("0150");
    for (int i = 0; i < 50; ++i) {
        w.advance(1500);
        w.poll(1.0 + i % 7 * 0.1);
        if (i % 10 == 3)
            w.row(QStringLiteral("command"), utf8("Q00L0150Y set_flow 0100 -> 0150, \"引号\""));
    }
    const QByteArray bytes = w.bytes();
    RunData whole;
    RunDataReader atOnce;
    QVERIFY(atOnce.feed(bytes, whole));
    RunData pieces;
    RunDataReader inPieces;
    QRandomGenerator random(7);
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype size = 1 + random.bounded(40);
        QVERIFY(inPieces.feed(bytes.mid(at, size), pieces));
        at += size;
    }
    QCOMPARE(whole.rows, qint64(1 + 150 + 5));
    QCOMPARE(pieces.rows, whole.rows);
    QCOMPARE(pieces.readingTime, whole.readingTime);
    QCOMPARE(pieces.pressure, whole.pressure);
    QCOMPARE(pieces.events.size(), whole.events.size());
    QCOMPARE(whole.readingTime.size(), std::size_t(50));
    QCOMPARE(whole.port, utf8("串口 /dev/ttyUSB0，9600,n,8,1"));
    QCOMPARE(whole.lastChain, RunLogFormat::rows(bytes).constLast().at(8));
    QVERIFY(!RunDataReader().feed("time,value\r\n", whole)); // not a run log
}

void TestHistory::decimationKeepsEveryMinimumAndMaximum_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("partial");
    for (int width : {1, 7, 333, 1920}) {
        QTest::addRow("%d px, whole", width) << width << false;
        QTest::addRow("%d px, a part", width) << width << true;
    }
}

void TestHistory::decimationKeepsEveryMinimumAndMaximum()
{
    QFETCH(int, width);
    QFETCH(bool, partial);
    RunData data;
    QRandomGenerator random(11);
    qint64 time = 1'000'000;
    for (int i = 0; i < 20000; ++i) {
        time += 500 + random.bounded(2000);
        data.addReading(time, float(random.bounded(2000)) / 1000.0f);
    }
    data.gapStarts.push_back(data.readingTime.front());
    const RunData::Range range =
        partial ? RunData::Range{data.readingTime[4000] + 1, data.readingTime[9000] - 1}
                : RunData::Range{data.readingTime.front(), data.readingTime.back()};
    const std::vector<PlotColumn> columns = decimate(data, range, width);
    QCOMPARE(columns.size(), std::size_t(width));

    // Every reading in the range, put in its column by its own arithmetic here.
    std::vector<float> lows(std::size_t(width), 10), highs(std::size_t(width), -10);
    int counted = 0;
    for (std::size_t i = 0; i < data.readingTime.size(); ++i) {
        const qint64 t = data.readingTime[i];
        if (t < range.from || t > range.to)
            continue;
        ++counted;
        const auto x = std::size_t(
            std::min<qint64>(width - 1, (t - range.from) * width / (range.to - range.from)));
        lows[x] = std::min(lows[x], data.pressure[i]);
        highs[x] = std::max(highs[x], data.pressure[i]);
    }
    QVERIFY(counted > 1000);
    for (std::size_t x = 0; x < columns.size(); ++x) {
        if (highs[x] < 0) {
            QVERIFY(!columns[x].hasData());
            continue;
        }
        QCOMPARE(columns[x].min, lows[x]);
        QCOMPARE(columns[x].max, highs[x]);
    }
}

void TestHistory::gaps()
{
    LogWriter w;
    for (int i = 0; i < 4; ++i) {
        w.advance(1500);
        w.poll(1.0);
    }
    w.advance(6000); // silent for six seconds: no row in between
    w.poll(1.1);
    w.advance(1500);
    w.row(QStringLiteral("lost"), QStringLiteral("gone"));
    w.advance(1000);
    w.row(QStringLiteral("reconnected"), QStringLiteral("back"));
    w.poll(1.2); // 1 s after the last reading, but after a loss
    w.advance(1500);
    w.poll(1.3);
    RunData data;
    RunDataReader reader;
    QVERIFY(reader.feed(w.bytes(), data));
    QCOMPARE(data.readingTime.size(), std::size_t(7));
    const std::vector<qint64> expected{data.readingTime[0], data.readingTime[4],
                                       data.readingTime[5]};
    QCOMPARE(data.gapStarts, expected);
    QVERIFY(data.joinsPrevious(3));
    QVERIFY(!data.joinsPrevious(4));
    QVERIFY(!data.joinsPrevious(5));
    QVERIFY(data.joinsPrevious(6));

    // Drawn one reading to a column: each piece starts without a line from the one before.
    const RunData::Range whole = data.whole();
    const std::vector<PlotColumn> columns = decimate(data, whole, 10000);
    QStringList joins;
    for (const PlotColumn &column : columns) {
        if (column.hasData())
            joins << QString::number(column.joinsPrevious);
    }
    QCOMPARE(joins, QStringList({"0", "1", "1", "1", "0", "0", "1"}));
}

void TestHistory::eventsAtTheirTime()
{
    LogWriter w;
    w.shown.setFlow = QStringLiteral("0100");
    for (int i = 0; i < 40; ++i) {
        w.advance(1500);
        w.poll(1.0);
        if (i == 10)
            w.row(QStringLiteral("command"), QStringLiteral("Q00R0000Y"));
        if (i == 30)
            w.row(QStringLiteral("unconfirmed"), utf8("设定流量 0150 未被泵确认（泵报告 0100）"));
    }
    HistoryWindow window(w.dir.path(), QStringLiteral("2.0"));
    QVERIFY(window.openLog(w.path(), false));
    HistoryPlot *plot = window.plot();
    plot->resize(1000, 400);
    const RunData &data = window.data();
    QCOMPARE(data.events.size(), std::size_t(3)); // opened, command, unconfirmed
    const QRectF area = PlotDrawing::plotArea(QRectF(plot->rect()));
    const auto marks = plot->eventMarks();
    QCOMPARE(marks.size(), 3);
    for (const auto &[x, event] : marks) {
        const double share =
            double(event->time - data.firstTime) / double(data.lastTime - data.firstTime);
        QCOMPARE(qRound(x), qRound(area.left() + share * area.width()));
    }
    QVERIFY(marks[1].second->row.contains(QStringLiteral("Q00R0000Y")));
    // Zoomed into the middle, only what happened there is marked.
    plot->setRange({marks[1].second->time - 5000, marks[1].second->time + 5000});
    QCOMPARE(plot->eventMarks().size(), 1);
    QCOMPARE(qRound(plot->eventMarks().first().first), qRound(area.center().x()));
    // The cursor tells the values at a moment.
    const QString text = plot->cursorText(marks[1].second->time);
    QVERIFY2(text.contains(utf8("压力 1.00 MPa")) && text.contains(utf8("设定流量 100 ml/min")) &&
                 text.contains(QStringLiteral("RUN")) == false,
             qPrintable(text));
}

void TestHistory::clockLabels_data()
{
    QTest::addColumn<qint64>("span");
    QTest::addColumn<QString>("firstLabel");
    const qint64 second = 1000;
    QTest::newRow("seconds") << 10 * second << "09:00:01";
    QTest::newRow("minutes") << 10 * 60 * second << "09:01";
    QTest::newRow("hours") << 10 * 3600 * second << "10:00";
    QTest::newRow("days") << 17 * 24 * 3600 * second << "12-11";
}

void TestHistory::clockLabels()
{
    QFETCH(qint64, span);
    QFETCH(QString, firstLabel);
    const qint64 start = QDateTime(QDate(2026, 12, 10), QTime(9, 0, 0, 300), QTimeZone(8 * 3600))
                             .toMSecsSinceEpoch();
    RunData data;
    data.utcOffsets.push_back({start, 8 * 3600});
    const QList<PlotDrawing::Tick> ticks =
        PlotDrawing::timeTicks({start, start + span}, 1000, data);
    // Readable: a handful of labels, at least 90 px apart, at every zoom level.
    QVERIFY2(ticks.size() >= 3 && ticks.size() <= 12, qPrintable(QString::number(ticks.size())));
    QCOMPARE(ticks.first().label, firstLabel);
    for (qsizetype i = 1; i < ticks.size(); ++i)
        QVERIFY(double(ticks[i].time - ticks[i - 1].time) * 1000 / double(span) >= 90);
}

void TestHistory::csvExportOfARange()
{
    LogWriter w;
    for (int i = 0; i < 30; ++i) {
        w.advance(1500);
        w.poll(1.0 + i * 0.01);
        if (i % 7 == 0)
            w.row(QStringLiteral("refused"), utf8("键盘 流量 \"250\", 上限 200"));
    }
    w.log.stop(QStringLiteral("end"));
    HistoryWindow window(w.dir.path(), QStringLiteral("2.0"));
    QVERIFY(window.openLog(w.path(), false));
    const RunData &data = window.data();
    const RunData::Range range{data.firstTime + 10000, data.firstTime + 25000};
    window.plot()->setRange(range);
    const QString out = w.dir.filePath(QStringLiteral("range.csv"));
    QString error;
    QVERIFY2(window.exportCsv(out, &error), qPrintable(error));

    // A log of its own: it verifies, with its closing row, though it starts in the middle.
    QString said, err;
    QCOMPARE(runCommandLine({QStringLiteral("--verify-log"), out}, said, err).value_or(-1), 0);
    QVERIFY2(said.startsWith(QStringLiteral("OK: ")), qPrintable(said + err));
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QStringList> exported = RunLogFormat::rows(file.readAll());

    // Between its first and closing row, the source's rows of the range, field for field.
    QList<QStringList> expected;
    QString chainBefore, chainAtEnd;
    for (const QStringList &row : RunLogFormat::rows(w.bytes())) {
        const qint64 time = msOf(row[0]);
        if (time < range.from)
            chainBefore = row[8];
        if (time >= range.from && time <= range.to) {
            expected << row.mid(0, 8);
            chainAtEnd = row[8];
        }
    }
    QVERIFY(expected.size() > 20);
    QCOMPARE(exported.size(), expected.size() + 2);
    QList<QStringList> middle;
    for (qsizetype i = 1; i + 1 < exported.size(); ++i)
        middle << exported[i].mid(0, 8);
    QCOMPARE(middle, expected);
    // The first row ties the export to the source; the rows are chained anew.
    QCOMPARE(exported.first().at(2), QStringLiteral("exported"));
    QVERIFY(exported.first().at(7).contains(QFileInfo(w.path()).fileName()));
    QVERIFY(exported.first().at(7).contains(utf8("范围前一行 chain ") + chainBefore));
    QVERIFY(exported.first().at(7).contains(utf8("范围最后一行 chain ") + chainAtEnd));
    QVERIFY(exported[1].at(8) != chainBefore);
    QCOMPARE(exported.constLast().at(2), QStringLiteral("closed"));
}

void TestHistory::aRunOfDailyFiles_data()
{
    QTest::addColumn<bool>("middleMissing");
    QTest::addColumn<bool>("live"); // followed through the midnights as the panel does
    QTest::newRow("three files") << false << false;
    QTest::newRow("the middle file missing") << true << false;
    QTest::newRow("followed live") << false << true;
}

void TestHistory::aRunOfDailyFiles()
{
    QFETCH(bool, middleMissing);
    QFETCH(bool, live);
    LogWriter w;
    w.now = w.now.addSecs(15 * 3600 - 30); // 23:59:30 on the first day
    w.shown.setFlow = QStringLiteral("0150");
    HistoryWindow window(w.dir.path(), QStringLiteral("2.0"));
    if (live) {
        connect(&w.log, &RunLog::rowWritten, &window, &HistoryWindow::rowWritten);
        connect(&w.log, &RunLog::fileStarted, &window, &HistoryWindow::followFile);
        QVERIFY(window.openLog(w.path(), true));
    }
    // Forty polls over each of two midnights, a day apart.
    for (int day = 0; day < 2; ++day) {
        for (int i = 0; i < 40; ++i) {
            w.advance(1500);
            w.poll(1.0);
            if (live)
                QCoreApplication::processEvents();
        }
        if (day == 0)
            w.advance(qint64(24) * 3600 * 1000 - 60000);
    }
    QCoreApplication::processEvents();
    const QStringList files = QDir(w.log.folder()).entryList({"*.csv"}, QDir::Files, QDir::Name);
    QCOMPARE(files.size(), 3);
    if (middleMissing)
        QVERIFY(QFile::remove(QDir(w.log.folder()).filePath(files[1])));
    // Opened at its last file, or followed into it: the whole run is shown.
    if (!live)
        QVERIFY(window.openLog(w.path(), false));
    const RunData &data = window.data();
    QCOMPARE(window.pieces().size(), 3);
    QCOMPARE(window.pieces()[1].kind,
             middleMissing ? RunFiles::Piece::Kind::Missing : RunFiles::Piece::Kind::File);
    QTRY_COMPARE(data.readingTime.size(), std::size_t(middleMissing ? 40 : 80));
    QCOMPARE(data.port, utf8("串口 /dev/ttyUSB0，9600,n,8,1"));
    // No gap at midnight (a poll falls on it): the curve breaks only where no row was written
    // for a day, and at the hole where a file is missing.
    const std::vector<qint64> expected{data.readingTime.front(),
                                       data.readingTime[middleMissing ? 19 : 40]};
    QCOMPARE(data.gapStarts, expected);
    QStringList events;
    for (const RunData::Event &event : data.events)
        events << event.event;
    QCOMPARE(events,
             middleMissing ? QStringList({"opened", "missing-file"}) : QStringList({"opened"}));
    // The report says which files it was made from.
    const RunReport report = RunReport::make(data, data.whole(), true, QStringLiteral("2.0"));
    QVERIFY2(report.source.contains(utf8("（%1 个文件）").arg(middleMissing ? 2 : 3)),
             qPrintable(report.source));
}

void TestHistory::quotedDetailsStayInTheirRow()
{
    FakePumpPort port;
    PanelDriver panel(port);
    QVERIFY(panel.openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    panel.form().link()->pollNow();
    // A reply whose data holds a comma and a quote, then an event.
    port.deliver("Q00N1,\"2YQ00L0150Y");
    QVERIFY(panel.trigger(QStringLiteral("run")));
    panel.form().link()->pollNow();
    port.deliver("Q00N01.2Y");
    panel.form().close();
    HistoryWindow window(panel.runLogFolder(), QStringLiteral("2.0"));
    QVERIFY(window.openLog(panel.form().runJournal().log().currentFile(), false));
    const RunData &data = window.data();
    QStringList details;
    for (const RunData::Event &event : data.events)
        details << event.event + QLatin1Char(' ') + event.detail;
    QCOMPARE(details.mid(1), QStringList({"command Q00R0000Y", utf8("closed 串口已关闭")}));
    QCOMPARE(data.readingTime.size(), std::size_t(1)); // "1,\"2" is not a number
}

void TestHistory::clockOfEachRow()
{
    // Daylight-saving time ends in the night: +09:00 before, +08:00 after.
    LogWriter w;
    w.now = QDateTime(QDate(2026, 10, 4), QTime(1, 59, 0), QTimeZone(9 * 3600));
    w.log.start();
    w.row(QStringLiteral("opened"), QStringLiteral("x"));
    w.advance(30000);
    w.row(QStringLiteral("command"), QStringLiteral("Q00R0000Y"));
    w.advance(60000);
    w.now = w.now.toOffsetFromUtc(8 * 3600); // the clock goes back an hour
    w.row(QStringLiteral("command"), QStringLiteral("Q00S0000Y"));
    HistoryWindow window(w.dir.path(), QStringLiteral("2.0"));
    QVERIFY(window.openLog(w.path(), false));
    const RunData &data = window.data();
    const RunReport report = RunReport::make(data, data.whole(), true, QStringLiteral("2.0"));
    QVERIFY2(report.heading.join(QLatin1Char('\n'))
                 .contains(utf8("开始：2026-10-04 01:59:00　结束：2026-10-04 01:00:30")),
             qPrintable(report.heading.join(QLatin1Char('\n'))));
    QCOMPARE(report.events.size(), 3);
    QCOMPARE(report.events[1][0], QStringLiteral("01:59:30"));
    QCOMPARE(report.events[2][0], QStringLiteral("01:00:30"));
    QCOMPARE(data.clockText(data.lastTime), QStringLiteral("2026-10-04 01:00:30"));
}

void TestHistory::valueTicks_data()
{
    QTest::addColumn<double>("largest");
    QTest::addColumn<double>("least");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("pressure up to the limit")
        << 1.8 << 2.0 << QStringList{"0", "0.5", "1.0", "1.5", "2.0"};
    QTest::newRow("pressure above the limit")
        << 2.1 << 2.0 << QStringList{"0", "0.5", "1.0", "1.5", "2.0", "2.5"};
    QTest::newRow("a higher pressure") << 4.2 << 2.0 << QStringList{"0", "1", "2", "3", "4", "5"};
    QTest::newRow("small values") << 0.07 << 0.0
                                  << QStringList{"0", "0.02", "0.04", "0.06", "0.08"};
    QTest::newRow("finer still") << 0.0009 << 0.0 << QStringList{"0",      "0.0002", "0.0004",
                                                                 "0.0006", "0.0008", "0.0010"};
    QTest::newRow("flow up to the limit")
        << 150.0 << 200.0 << QStringList{"0", "50", "100", "150", "200"};
    QTest::newRow("flow above it")
        << 210.0 << 200.0 << QStringList{"0", "50", "100", "150", "200", "250"};
    QTest::newRow("nothing yet") << 0.0 << 0.0
                                 << QStringList{"0", "0.2", "0.4", "0.6", "0.8", "1.0"};
}

void TestHistory::valueTicks()
{
    QFETCH(double, largest);
    QFETCH(double, least);
    QFETCH(QStringList, labels);
    const PlotDrawing::Axis axis = PlotDrawing::valueAxis(largest, least);
    QCOMPARE(axis.labels, labels);
    QVERIFY(axis.top >= largest && axis.top >= least);
    QCOMPARE(axis.ticks.constLast(), axis.top);
}

void TestHistory::chainPrintedWhole()
{
    LogWriter w;
    w.advance(1500);
    w.poll(1.0);
    HistoryWindow window(w.dir.path(), QStringLiteral("2.0"));
    QVERIFY(window.openLog(w.path(), false));
    const RunReport report =
        RunReport::make(window.data(), window.data().whole(), true, QStringLiteral("2.0"));
    const QString chain = RunLogFormat::rows(w.bytes()).constLast().at(8);
    QCOMPARE(chain.size(), 64);
    QVERIFY(report.lastChain.endsWith(chain));
    // On an A4 page at the report's resolution, the chain's line fits the printable width.
    QPdfWriter pdf(w.dir.filePath(QStringLiteral("r.pdf")));
    pdf.setResolution(300);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    const double width = pdf.pageLayout().paintRectPixels(300).width();
    QFont text;
    text.setPixelSize(int(3.2 * width / 180));
    const QFont font = RunReport::chainFont(text, report.lastChain, width, &pdf);
    QVERIFY(QFontMetricsF(font, &pdf).horizontalAdvance(report.lastChain) <= width);
    QVERIFY(font.pixelSize() > 4);
}

void TestHistory::reportSummary()
{
    LogWriter w;
    w.shown.setPressure = QStringLiteral("02.0");
    w.shown.setFlow = QStringLiteral("0100");
    const double pressures[] = {0.5, 1.25, 1.7, 0.9, 1.1, 1.4, 0.3, 1.9, 1.0, 0.8};
    for (int i = 0; i < 10; ++i) {
        w.advance(1500);
        w.poll(pressures[i]);
        if (i == 2) {
            w.shown.run = QStringLiteral("RUN");
            w.row(QStringLiteral("command"), QStringLiteral("Q00R0000Y"));
        }
        if (i == 5) {
            w.shown.setFlow = QStringLiteral("0150");
            w.row(QStringLiteral("command"), QStringLiteral("Q00L0150Y"));
        }
        if (i == 8) {
            w.shown.run = QStringLiteral("STOP");
            w.row(QStringLiteral("command"), QStringLiteral("Q00S0000Y"));
        }
    }
    HistoryWindow window(w.dir.path(), QStringLiteral("2.0"));
    QVERIFY(window.openLog(w.path(), false));
    const RunData &data = window.data();

    // Computed here from the rows alone: between one row and the next the row's values hold.
    const QList<QStringList> rows = RunLogFormat::rows(w.bytes());
    double low = 99, high = -1, sum = 0;
    int readings = 0;
    qint64 runningMs = 0;
    double volume = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i][2] == QLatin1String("reply") && rows[i][7].at(3) == QLatin1Char('N')) {
            const double value = rows[i][3].toDouble();
            low = std::min(low, value);
            high = std::max(high, value);
            sum += value;
            ++readings;
        }
        if (i + 1 < rows.size() && rows[i][6] == QLatin1String("RUN")) {
            const qint64 length = msOf(rows[i + 1][0]) - msOf(rows[i][0]);
            runningMs += length;
            volume += rows[i][5].toDouble() * double(length) / 60000.0;
        }
    }
    QCOMPARE(readings, 10);
    const RunReport report = RunReport::make(data, data.whole(), true, QStringLiteral("2.0"));
    const QString summary = report.summary.join(QLatin1Char('\n'));
    QVERIFY2(summary.contains(utf8("最低 %1 MPa，最高 %2 MPa，平均 %3 MPa（10 个读数）")
                                  .arg(low, 0, 'f', 2)
                                  .arg(high, 0, 'f', 2)
                                  .arg(sum / readings, 0, 'f', 3)),
             qPrintable(summary));
    QVERIFY2(summary.contains(utf8("运行时间：%1").arg(durationText(runningMs))),
             qPrintable(summary));
    QVERIFY2(summary.contains(utf8("估计泵送体积：%1 ml").arg(volume, 0, 'f', 1)),
             qPrintable(summary));
    QVERIFY(summary.contains(utf8("估计值")));
    QVERIFY(volume > 10);
    // The page names its file and the chain of the last row.
    QVERIFY(report.source.contains(QFileInfo(w.path()).fileName()));
    QVERIFY(report.lastChain.contains(rows.constLast().at(8)));
    QCOMPARE(report.events.size(), 4); // opened and three commands
    QCOMPARE(report.events[1][2], QStringLiteral("Q00R0000Y"));
}

void TestHistory::limitsDrawnAndReported()
{
    LogWriter w;
    w.shown.setPressure = QStringLiteral("02.0");
    w.shown.setFlow = QStringLiteral("0100");
    QMap<QString, qint64> at; // when each protection row was written, ms since the epoch
    auto row = [&](const QString &event, const QString &detail) {
        w.row(event, detail);
        at[event] = w.now.toMSecsSinceEpoch();
    };
    w.advance(1000);
    row(QStringLiteral("limits"), QStringLiteral("high=1.80 low=0.20 arm=60s pause=yes"));
    w.shown.run = QStringLiteral("RUN");
    w.row(QStringLiteral("command"), QStringLiteral("Q00R0000Y"));
    row(QStringLiteral("limit-waiting"), utf8("下限 0.20 MPa 在 60 秒后生效"));
    for (int i = 0; i < 60; ++i) {
        w.advance(1500);
        w.poll(i < 40 ? 1.0 : 0.1);
        if (i == 41)
            row(QStringLiteral("limit-armed"), utf8("下限 0.20 MPa 生效"));
        if (i == 44) {
            w.shown.run = QStringLiteral("STOP");
            w.row(QStringLiteral("command"), QStringLiteral("Q00S0000Y"));
            row(QStringLiteral("limit-trip"),
                utf8("low 压力低于下限 0.20 MPa：读数 0.10 MPa，泵已停止"));
        }
        if (i == 50)
            row(QStringLiteral("limit-reset"), utf8("low 操作员复位，压力已回到限值以内"));
        if (i == 55)
            row(QStringLiteral("limits"), QStringLiteral("high=off low=0.20 arm=60s pause=yes was "
                                                         "high=1.80 low=0.20 arm=60s pause=yes"));
    }
    HistoryWindow window(w.dir.path(), QStringLiteral("2.0"));
    QVERIFY(window.openLog(w.path(), false));
    const RunData &data = window.data();
    QCOMPARE(data.highLimit.size(), std::size_t(2));
    QVERIFY(std::isnan(RunData::valueAt(data.highLimit, data.lastTime))); // turned off
    QCOMPARE(RunData::valueAt(data.lowLimit, data.lastTime), 0.2f);
    QCOMPARE(RunData::valueAt(data.lowArmed, at["limit-armed"] - 1), 0.0f);
    QCOMPARE(RunData::valueAt(data.lowArmed, at["limit-armed"]), 1.0f);
    QCOMPARE(RunData::valueAt(data.lowArmed, at["limit-trip"]), 0.0f);

    // Drawn dashed: the low limit in colour only from its arming to the trip, grey around it.
    const QSizeF size(1000, 400);
    SvgCanvas canvas(size, 12);
    PlotDrawing::draw(canvas, data, data.whole(), QRectF(QPointF(), size));
    const QString svg = QString::fromUtf8(canvas.document());
    const QRectF area = PlotDrawing::plotArea(QRectF(QPointF(), size));
    auto x = [&](qint64 time) { return PlotDrawing::xOf(time, data.whole(), area); };
    static const QRegularExpression dashed(
        QStringLiteral("<line x1=\"([0-9.]+)\" y1=\"([0-9.]+)\" x2=\"([0-9.]+)\" y2=\"[0-9.]+\" "
                       "stroke=\"(#[0-9a-f]+)\"[^>]*stroke-dasharray"));
    QList<std::pair<QString, QLineF>> lines;
    for (auto it = dashed.globalMatch(svg); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        lines.append({m.captured(4), QLineF(m.captured(1).toDouble(), m.captured(2).toDouble(),
                                            m.captured(3).toDouble(), m.captured(2).toDouble())});
    }
    auto drawn = [&](const char *colour, qint64 from, qint64 to) {
        return std::any_of(lines.cbegin(), lines.cend(), [&](const auto &line) {
            return line.first == QLatin1String(colour) &&
                   std::abs(line.second.x1() - x(from)) < 1 &&
                   std::abs(line.second.x2() - x(to)) < 1;
        });
    };
    QVERIFY(drawn("#96006e", at["limit-armed"], at["limit-trip"]));
    QVERIFY(drawn("#a0a0a0", data.limits.front().time, at["limit-armed"]));
    QVERIFY(drawn("#96006e", data.limits.front().time, at["limits"])); // the high limit
    QVERIFY(svg.contains(utf8(">跳闸<")) && svg.contains(utf8(">复位<")));

    const RunReport report = RunReport::make(data, data.whole(), true, QStringLiteral("2.0"));
    const QString summary = report.summary.join(QLatin1Char('\n'));
    QVERIFY2(summary.contains(utf8("上限 1.80 MPa，下限 0.20 MPa，下限生效延时 60 秒")),
             qPrintable(summary));
    QVERIFY(summary.contains(utf8("上限 关，下限 0.20 MPa")));
    QVERIFY(summary.contains(utf8("压力保护跳闸：1 次")));
    QVERIFY(summary.contains(utf8("跳闸：压力低于下限 0.20 MPa：读数 0.10 MPa，泵已停止")));
    QVERIFY(summary.contains(utf8("复位：操作员复位")));
}

void TestHistory::programStepsMarkedAndReported()
{
    LogWriter w;
    w.advance(1000);
    w.row(QStringLiteral("method-start"), utf8("flush.json sha256=ab12 3 步，共 00:00:30"));
    QList<qint64> steps;
    for (int i = 0; i < 3; ++i) {
        steps << w.now.toMSecsSinceEpoch();
        w.row(QStringLiteral("method-step"),
              utf8("%1 planned=+00:00:%2 pass=1 flow=50 pressure=1.0 平衡 %1")
                  .arg(i + 1)
                  .arg(i * 10, 2, 10, QLatin1Char('0')));
        for (int k = 0; k < 7; ++k) {
            w.advance(1500);
            w.poll(1.0);
        }
        w.advance(i == 0 ? 1000 : 500); // the second step starts 1 s late on the clock
    }
    w.row(QStringLiteral("method-end"), utf8("程序完成"));
    HistoryWindow window(w.dir.path(), QStringLiteral("2.0"));
    QVERIFY(window.openLog(w.path(), false));
    const RunData &data = window.data();

    const QSizeF size(1000, 400);
    SvgCanvas canvas(size, 12);
    PlotDrawing::draw(canvas, data, data.whole(), QRectF(QPointF(), size));
    const QString svg = QString::fromUtf8(canvas.document());
    const QRectF area = PlotDrawing::plotArea(QRectF(QPointF(), size));
    for (const qint64 time : steps) {
        const QString x = QString::number(PlotDrawing::xOf(time, data.whole(), area), 'f', 1);
        QVERIFY2(svg.contains(QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\"")
                                  .arg(x, QString::number(area.top(), 'f', 1))),
                 qPrintable(x));
    }

    const RunReport report = RunReport::make(data, data.whole(), true, QStringLiteral("2.0"));
    const QString summary = report.summary.join(QLatin1Char('\n'));
    QVERIFY2(summary.contains(utf8("程序（09:00:01 开始）：flush.json sha256=ab12")),
             qPrintable(summary));
    QVERIFY(summary.contains(utf8("第 1 步 平衡 1：计划 +00:00:00，实际 +00:00:00")));
    QVERIFY(summary.contains(utf8("第 2 步 平衡 2：计划 +00:00:10，实际 +00:00:11")));
    QVERIFY(summary.contains(utf8("第 3 步 平衡 3：计划 +00:00:20，实际 +00:00:22")));
}

void TestHistory::exports()
{
    LogWriter w;
    for (int i = 0; i < 20; ++i) {
        w.advance(1500);
        w.poll(1.0 + i * 0.05);
    }
    HistoryWindow window(w.dir.path(), QStringLiteral("2.0"));
    QVERIFY(window.openLog(w.path(), false));
    QString error;
    const QString png = w.dir.filePath(QStringLiteral("plot.png"));
    QVERIFY2(window.exportPng(png, QSize(800, 400), &error), qPrintable(error));
    QCOMPARE(QImage(png).size(), QSize(800, 400));
    const QString svg = w.dir.filePath(QStringLiteral("plot.svg"));
    QVERIFY2(window.exportSvg(svg, QSize(800, 400), &error), qPrintable(error));
    QFile svgFile(svg);
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    const QByteArray svgText = svgFile.readAll();
    QVERIFY(svgText.startsWith("<?xml"));
    QVERIFY(svgText.contains("<polyline"));
    QVERIFY(svgText.contains("#c81e1e")); // the pressure curve
    const QString pdf = w.dir.filePath(QStringLiteral("report.pdf"));
    QVERIFY2(window.exportReport(pdf, false, &error), qPrintable(error));
    QFile pdfFile(pdf);
    QVERIFY(pdfFile.open(QIODevice::ReadOnly));
    QVERIFY(pdfFile.read(5) == "%PDF-");
    QVERIFY(!window.exportCsv(w.dir.filePath(QStringLiteral("no/such/folder/x.csv")), &error));
    QVERIFY(!error.isEmpty());
}

void TestHistory::live()
{
    LogWriter w;
    w.advance(1500);
    w.poll(1.0);
    HistoryWindow window(w.dir.path(), QStringLiteral("2.0"));
    connect(&w.log, &RunLog::rowWritten, &window, &HistoryWindow::rowWritten);
    QVERIFY(window.openLog(w.path(), true));
    QCOMPARE(window.data().readingTime.size(), std::size_t(1));
    for (int i = 0; i < 5; ++i) {
        w.advance(1500);
        w.poll(1.5);
    }
    // Read once for all of them, before the next frame.
    QCOMPARE(window.data().readingTime.size(), std::size_t(1));
    QCoreApplication::processEvents();
    QCOMPARE(window.data().readingTime.size(), std::size_t(6));
    QCOMPARE(window.plot()->range().to, window.data().lastTime); // following the newest
}

void TestHistory::navigation()
{
    LogWriter w;
    for (int i = 0; i < 100; ++i) {
        w.advance(1500);
        w.poll(1.0);
    }
    HistoryWindow window(w.dir.path(), QStringLiteral("2.0"));
    QVERIFY(window.openLog(w.path(), false));
    HistoryPlot *plot = window.plot();
    plot->resize(1000, 400);
    const RunData::Range whole = window.data().whole();
    QCOMPARE(plot->range().from, whole.from); // the whole run fits at open
    QCOMPARE(plot->range().to, whole.to);
    const QRectF area = PlotDrawing::plotArea(QRectF(plot->rect()));
    const qint64 span = whole.to - whole.from;

    // The wheel zooms around the pointer: the time under it stays under it.
    const QPointF pointer(area.left() + area.width() * 0.25, area.center().y());
    const qint64 under = PlotDrawing::timeAt(pointer.x(), plot->range(), area);
    QWheelEvent wheel(pointer, plot->mapToGlobal(pointer), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    QVERIFY(plot->range().to - plot->range().from < span);
    QVERIFY(qAbs(PlotDrawing::timeAt(pointer.x(), plot->range(), area) - under) <= 150);

    // Keys: right pans by a tenth, minus zooms out, Home fits.
    const RunData::Range before = plot->range();
    QTest::keyClick(plot, Qt::Key_Right);
    QVERIFY(qAbs(plot->range().from - before.from - (before.to - before.from) / 10) <= 1);
    QTest::keyClick(plot, Qt::Key_Minus);
    QVERIFY(plot->range().to - plot->range().from > before.to - before.from);
    QTest::keyClick(plot, Qt::Key_Home);
    QCOMPARE(plot->range().from, whole.from);
    QCOMPARE(plot->range().to, whole.to);

    // Dragging pans; a double-click fits again.
    QTest::mousePress(plot, Qt::LeftButton, {}, area.center().toPoint());
    QTest::mouseMove(plot, (area.center() + QPointF(100, 0)).toPoint());
    QTest::mouseRelease(plot, Qt::LeftButton, {}, (area.center() + QPointF(100, 0)).toPoint());
    QVERIFY(plot->range().from < whole.from);
    QTest::mouseDClick(plot, Qt::LeftButton, {}, area.center().toPoint());
    QCOMPARE(plot->range().from, whole.from);
}

void TestHistory::openedFromThePanel()
{
    FakePumpPort port;
    PanelDriver panel(port);
    Form1 &form = panel.form();
    QVERIFY(!form.historyWindow());
    auto *button = form.findChild<QToolButton *>(QStringLiteral("historyButton"));
    QVERIFY(button);
    QCOMPARE(button->text(), utf8("运行记录"));
    button->click();
    HistoryWindow *window = form.historyWindow();
    QVERIFY(window && window->isVisible());
    QVERIFY(window->logPath().isEmpty()); // no port opened yet
    // The log that starts with the port is followed, live.
    QVERIFY(panel.openPort(QStringLiteral("/dev/ttyUSB0")));
    QVERIFY(window->isLive());
    QCOMPARE(window->logPath(), form.runJournal().log().currentFile());
    panel.stopPolling();
    form.link()->pollNow();
    port.deliver("Q00N01.2YQ00P02.0YQ00L0150Y");
    QTRY_COMPARE(window->data().readingTime.size(), std::size_t(1));
    // Opening again raises the same window; so does a double-click on the trend box.
    window->hide();
    QTest::mouseDClick(form.findChild<PictureBox *>(QStringLiteral("Picture1")), Qt::LeftButton);
    QCOMPARE(form.historyWindow(), window);
    QVERIFY(window->isVisible());
    // It does not keep the program running once the panel's window is closed.
    QVERIFY(!window->testAttribute(Qt::WA_QuitOnClose));
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
