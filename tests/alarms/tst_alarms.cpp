#include "alarmbanner.h"
#include "alarmlist.h"
#include "alarmwindow.h"
#include "journal.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

Q_DECLARE_METATYPE(AlarmList::State)

namespace {

using State = AlarmList::State;
using Priority = AlarmList::Priority;

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

struct Rows final : Journal
{
    void note(const QString &event, const QString &detail) override
    {
        rows << event + QLatin1Char(' ') + detail;
    }
    QStringList rows;
};

} // namespace

class TestAlarms : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void transitions_data();
    void transitions();
    void everyOccurrenceIsKept();
    void mostUrgentFirst();
    void sound_data();
    void sound();
    void bannerShowsTheMostUrgentWhole();
    void bannerWrapsRatherThanCuts();
    void windowListsAndAcknowledges();

private:
    AlarmList *m_alarms = nullptr;
    Rows m_rows;
    qint64 m_now = 0;
};

void TestAlarms::init()
{
    m_alarms = new AlarmList;
    m_alarms->setJournal(&m_rows);
    m_now = 0;
    m_alarms->setClock([this] { return m_now; });
    m_alarms->soundTimer()->stop(); // the test ticks it
    m_rows.rows.clear();
}

void TestAlarms::cleanup()
{
    delete m_alarms;
}

void TestAlarms::transitions_data()
{
    // Steps on one alarm: r(aise), c(lear), a(cknowledge), t (raise with a new text).
    QTest::addColumn<QString>("steps");
    QTest::addColumn<State>("state");
    QTest::addColumn<QStringList>("rows"); // the run log's events, in order
    QTest::newRow("raised") << "r" << State::ActiveUnacknowledged << QStringList{"alarm"};
    QTest::newRow("acknowledged while active")
        << "ra" << State::ActiveAcknowledged << QStringList{"alarm", "alarm-ack"};
    QTest::newRow("cleared before anyone saw it: stays listed")
        << "rc" << State::ClearedUnacknowledged << QStringList{"alarm", "alarm-cleared"};
    QTest::newRow("cleared, then acknowledged: gone")
        << "rca" << State::Gone << QStringList{"alarm", "alarm-cleared", "alarm-ack"};
    QTest::newRow("acknowledged, then cleared: gone")
        << "rac" << State::Gone << QStringList{"alarm", "alarm-ack", "alarm-cleared"};
    QTest::newRow("back before it was acknowledged: active and unacknowledged again")
        << "rcr" << State::ActiveUnacknowledged << QStringList{"alarm", "alarm-cleared", "alarm"};
    QTest::newRow("raised again while active: one row, the text brought up to date")
        << "rrt" << State::ActiveUnacknowledged << QStringList{"alarm"};
    QTest::newRow("acknowledged twice, cleared twice: once each")
        << "raacc" << State::Gone << QStringList{"alarm", "alarm-ack", "alarm-cleared"};
    QTest::newRow("nothing to clear or acknowledge") << "ca" << State::Gone << QStringList();
}

void TestAlarms::transitions()
{
    QFETCH(QString, steps);
    QFETCH(State, state);
    QFETCH(QStringList, rows);
    const QString name = QStringLiteral("pump-silent");
    for (QChar step : steps) {
        switch (step.toLatin1()) {
        case 'r':
            m_alarms->raise(name, Priority::High, utf8("泵无应答"));
            break;
        case 't':
            m_alarms->raise(name, Priority::High, utf8("泵无应答，泵可能仍在运行"));
            break;
        case 'c':
            m_alarms->clear(name);
            break;
        case 'a':
            m_alarms->acknowledge(name);
            break;
        }
    }
    const AlarmList::Alarm *current = m_alarms->current(name);
    QCOMPARE(current ? current->state : State::Gone, state);
    if (!m_alarms->alarms().isEmpty())
        QCOMPARE(m_alarms->alarms().last().state, state);
    QStringList events;
    for (const QString &row : std::as_const(m_rows.rows)) {
        events << row.section(QLatin1Char(' '), 0, 0);
        // Each row names the alarm and says its text.
        QVERIFY2(row.section(QLatin1Char(' '), 1).startsWith(name + utf8(" 泵无应答")),
                 qPrintable(row));
    }
    QCOMPARE(events, rows);
    if (steps.endsWith(QLatin1Char('t')))
        QCOMPARE(current->text, utf8("泵无应答，泵可能仍在运行"));
    QCOMPARE(m_alarms->isActive(name),
             state == State::ActiveUnacknowledged || state == State::ActiveAcknowledged);
}

void TestAlarms::everyOccurrenceIsKept()
{
    m_alarms->raise(QStringLiteral("link-lost"), Priority::High, utf8("断开"));
    m_alarms->clear(QStringLiteral("link-lost"));
    m_alarms->acknowledge(QStringLiteral("link-lost"));
    m_alarms->raise(QStringLiteral("link-lost"), Priority::High, utf8("又断开"));
    QCOMPARE(m_alarms->alarms().size(), 2);
    QCOMPARE(m_alarms->alarms().first().state, State::Gone);
    QVERIFY(m_alarms->alarms().first().cleared.isValid());
    QVERIFY(m_alarms->alarms().first().acknowledged.isValid());
    QCOMPARE(m_alarms->alarms().last().state, State::ActiveUnacknowledged);
    QVERIFY(!m_alarms->alarms().last().acknowledged.isValid());
    QCOMPARE(m_alarms->pending().size(), 1);
}

void TestAlarms::mostUrgentFirst()
{
    m_now = 1;
    m_alarms->raise(QStringLiteral("not-kept-awake"), Priority::Low, utf8("低"));
    m_now = 2;
    m_alarms->raise(QStringLiteral("setpoint-unconfirmed"), Priority::Medium, utf8("中"));
    m_now = 3;
    m_alarms->raise(QStringLiteral("pump-silent"), Priority::High, utf8("高，已消除"));
    m_alarms->clear(QStringLiteral("pump-silent"));
    m_now = 4;
    m_alarms->raise(QStringLiteral("link-lost"), Priority::High, utf8("高，已确认"));
    m_alarms->acknowledge(QStringLiteral("link-lost"));
    m_now = 5;
    m_alarms->raise(QStringLiteral("stop-owed"), Priority::High, utf8("高，较早"));
    m_now = 6;
    m_alarms->raise(QStringLiteral("unclean-end"), Priority::High, utf8("高，最新"));
    QStringList order;
    for (const AlarmList::Alarm &alarm : m_alarms->pending())
        order << alarm.name;
    // Priority, then active before cleared, unacknowledged before acknowledged, newest first.
    QCOMPARE(order, (QStringList{"unclean-end", "stop-owed", "link-lost", "pump-silent",
                                 "setpoint-unconfirmed", "not-kept-awake"}));
    QCOMPARE(m_alarms->worstActive(), std::optional(Priority::High));
    m_alarms->acknowledgeAll();
    for (const QString name : {"unclean-end", "stop-owed", "link-lost"})
        m_alarms->clear(name);
    QCOMPARE(m_alarms->worstActive(), std::optional(Priority::Medium));
    QStringList left;
    for (const AlarmList::Alarm &alarm : m_alarms->pending())
        left << alarm.name;
    QCOMPARE(left, (QStringList{"setpoint-unconfirmed", "not-kept-awake"})); // active, acked
}

void TestAlarms::sound_data()
{
    // Steps: "high"/"medium"/"low" raise an alarm of that priority, "+N" lets N seconds pass,
    // "ack" acknowledges all, "clear" clears all. `beeps` counts after each step.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("beeps");
    QTest::newRow("high: at once and every 15 s until acknowledged")
        << QStringList{"high", "+14", "+1", "+15", "ack", "+30"} << QList<int>{1, 1, 2, 3, 3, 3};
    QTest::newRow("high, cleared but unacknowledged: still sounds")
        << QStringList{"high", "clear", "+15", "ack", "+15"} << QList<int>{1, 1, 2, 2, 2};
    QTest::newRow("medium and low: once")
        << QStringList{"medium", "+15", "low", "+60"} << QList<int>{1, 1, 2, 2};
    QTest::newRow("a new alarm sounds again after the first was acknowledged")
        << QStringList{"high", "ack", "medium", "+30"} << QList<int>{1, 1, 2, 2};
}

void TestAlarms::sound()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, beeps);
    QSignalSpy beeped(m_alarms, &AlarmList::beep);
    QList<int> counts;
    int raised = 0;
    QStringList names;
    for (const QString &step : std::as_const(steps)) {
        if (step.startsWith(QLatin1Char('+'))) {
            // The repeat timer ticks every second.
            for (int second = 0; second < step.mid(1).toInt(); ++second) {
                m_now += 1000;
                m_alarms->tick();
            }
        } else if (step == QLatin1String("ack")) {
            m_alarms->acknowledgeAll();
        } else if (step == QLatin1String("clear")) {
            for (const QString &name : std::as_const(names))
                m_alarms->clear(name);
        } else {
            const Priority priority = step == QLatin1String("high")     ? Priority::High
                                      : step == QLatin1String("medium") ? Priority::Medium
                                                                        : Priority::Low;
            names << QStringLiteral("alarm-%1").arg(++raised);
            m_alarms->raise(names.last(), priority, step);
        }
        counts << int(beeped.count());
    }
    QCOMPARE(counts, beeps);
}

void TestAlarms::bannerShowsTheMostUrgentWhole()
{
    QWidget window;
    AlarmBanner banner(*m_alarms, &window);
    QVERIFY(!banner.isVisibleTo(&window)); // none: hidden
    QCOMPARE(banner.accessibleName(), utf8("报警栏"));
    QSignalSpy height(&banner, &AlarmBanner::heightChanged);

    m_alarms->raise(QStringLiteral("setpoint-unconfirmed"), Priority::Medium, utf8("设定未确认"));
    m_alarms->raise(QStringLiteral("stop-owed"), Priority::High,
                    utf8("停止命令未送达：泵可能仍在运行（设定流量 0250 ml/min）"));
    QVERIFY(banner.isVisibleTo(&window));
    QVERIFY(height.count() > 0);
    QCOMPARE(banner.shownAlarm(), QStringLiteral("stop-owed"));
    QCOMPARE(banner.textLabel()->text(),
             utf8("停止命令未送达：泵可能仍在运行（设定流量 0250 ml/min）"));
    auto *others = banner.findChild<QLabel *>(QStringLiteral("alarmOthers"));
    QCOMPARE(others->text(), utf8("另有 1 条"));
    // The screen reader reads what is shown, all of it.
    QCOMPARE(banner.accessibleDescription(),
             utf8("停止命令未送达：泵可能仍在运行（设定流量 0250 ml/min）。另有 1 条"));
    QVERIFY(banner.styleSheet().contains(QStringLiteral("#d81e1e")));

    // 确认 acknowledges the one shown; it stays while active, and the next shows once it goes.
    auto *acknowledge = banner.findChild<QPushButton *>(QStringLiteral("alarmAcknowledge"));
    acknowledge->click();
    QCOMPARE(m_alarms->current(QStringLiteral("stop-owed"))->state, State::ActiveAcknowledged);
    QCOMPARE(banner.shownAlarm(), QStringLiteral("stop-owed"));
    QVERIFY(!acknowledge->isEnabled());
    m_alarms->clear(QStringLiteral("stop-owed"));
    QCOMPARE(banner.shownAlarm(), QStringLiteral("setpoint-unconfirmed"));
    QVERIFY(banner.styleSheet().contains(QStringLiteral("#f0a000")));
    QVERIFY(others->isHidden());
    m_alarms->clear(QStringLiteral("setpoint-unconfirmed"));
    QVERIFY(banner.isVisibleTo(&window)); // cleared, not yet acknowledged
    QVERIFY(banner.text().contains(utf8("已消除")));
    acknowledge->click();
    QVERIFY(!banner.isVisibleTo(&window));
    QVERIFY(banner.text().isEmpty());

    QSignalSpy details(&banner, &AlarmBanner::detailsRequested);
    m_alarms->raise(QStringLiteral("link-lost"), Priority::High, utf8("断开"));
    banner.findChild<QPushButton *>(QStringLiteral("alarmDetails"))->click();
    QCOMPARE(details.count(), 1);
}

void TestAlarms::bannerWrapsRatherThanCuts()
{
    QWidget window;
    window.resize(727, 100);
    AlarmBanner banner(*m_alarms, &window);
    const QString longText =
        utf8("泵无应答：串口 /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0 "
             "已打开，但泵 3 秒没有应答，泵可能仍在运行（设定流量 0250 ml/min）");
    m_alarms->raise(QStringLiteral("pump-silent"), Priority::High, longText);
    const int oneLine = banner.heightForWidth(2000);
    const int narrow = banner.heightForWidth(727);
    QVERIFY2(narrow > oneLine, qPrintable(QStringLiteral("%1 %2").arg(narrow).arg(oneLine)));
    banner.setGeometry(0, 0, 727, narrow);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The label's own text extents fit inside it: nothing is cut.
    QLabel *label = banner.textLabel();
    const QRect needed = label->fontMetrics().boundingRect(
        label->contentsRect(), Qt::TextWordWrap | Qt::AlignLeft, label->text());
    QVERIFY2(label->contentsRect().contains(needed),
             qPrintable(QStringLiteral("%1x%2 in %3x%4")
                            .arg(needed.width())
                            .arg(needed.height())
                            .arg(label->contentsRect().width())
                            .arg(label->contentsRect().height())));
}

void TestAlarms::windowListsAndAcknowledges()
{
    AlarmWindow window(*m_alarms);
    QCOMPARE(window.windowTitle(), utf8("报警"));
    m_alarms->raise(QStringLiteral("pump-silent"), Priority::High, utf8("泵无应答"));
    m_alarms->clear(QStringLiteral("pump-silent"));
    m_alarms->raise(QStringLiteral("stop-owed"), Priority::High, utf8("停止命令未送达"));
    m_alarms->raise(QStringLiteral("log-not-writable"), Priority::Medium, utf8("运行记录无法写入"));
    m_alarms->addNews(utf8("泵恢复应答（4.5 秒没有应答）"));
    m_alarms->addNews(utf8("设定流量 0120 已确认"));

    QTableWidget *table = window.table();
    QCOMPARE(table->rowCount(), 3);
    // Newest first, with its state in words.
    QCOMPARE(table->item(0, AlarmWindow::Text)->text(), utf8("运行记录无法写入"));
    QCOMPARE(table->item(0, AlarmWindow::Priority)->text(), utf8("中"));
    QCOMPARE(table->item(2, AlarmWindow::State)->text(), utf8("已消除，未确认"));
    QVERIFY(!table->item(2, AlarmWindow::Cleared)->text().isEmpty());
    QVERIFY(table->item(1, AlarmWindow::Cleared)->text().isEmpty());
    // Both pieces of news are kept, the latest on top.
    QCOMPARE(window.newsList()->count(), 2);
    QVERIFY(window.newsList()->item(0)->text().endsWith(utf8("设定流量 0120 已确认")));
    QVERIFY(window.newsList()->item(1)->text().endsWith(utf8("泵恢复应答（4.5 秒没有应答）")));

    table->selectRow(1);
    window.findChild<QPushButton *>(QStringLiteral("acknowledgeSelected"))->click();
    QCOMPARE(m_alarms->current(QStringLiteral("stop-owed"))->state, State::ActiveAcknowledged);
    QCOMPARE(m_alarms->current(QStringLiteral("log-not-writable"))->state,
             State::ActiveUnacknowledged);
    QCOMPARE(table->item(1, AlarmWindow::State)->text(), utf8("报警中，已确认"));
    window.findChild<QPushButton *>(QStringLiteral("acknowledgeAll"))->click();
    QVERIFY(!m_alarms->current(QStringLiteral("pump-silent"))); // cleared and acknowledged
    QCOMPARE(m_alarms->current(QStringLiteral("log-not-writable"))->state,
             State::ActiveAcknowledged);
    QCOMPARE(table->rowCount(), 3); // the run's alarms stay listed
    QVERIFY(!window.findChild<QPushButton *>(QStringLiteral("acknowledgeAll"))->isEnabled());
}

QTEST_MAIN(TestAlarms)
#include "tst_alarms.moc"
