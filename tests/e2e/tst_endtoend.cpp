#include "fakedialogs.h"
#include "fakeprinter.h"
#include "fakerecordfile.h"
#include "form1.h"
#include "picturebutton.h"
#include "pumplink.h"
#include "qtcommcontrol.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

// The real window and serial link against the simulated pump on a pseudo-terminal.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readoutFollowsThePump();
    void commandsReachThePump();
    void faultModes_data();
    void faultModes();
    void hangUpAndComeBack();
    void mistypedAnswerKeepsTheLink_data();
    void mistypedAnswerKeepsTheLink();
    void commandsAfterHangUpAreTold();

private:
    void startPump(const QStringList &options = {});
    void stopPump();
    void openPanel();
    // One poll, and the wait for its answer to be shown (or for nothing to come).
    void poll(int expectAccepted);
    QStringList pumpLog(const QString &kind) const;
    QLabel *label(const char *name) const;
    void click(const char *name, int index = 0);

    QTemporaryDir m_dir;
    QString m_link;
    QString m_log;
    QProcess *m_pump = nullptr;
    QtCommControl *m_comm = nullptr;
    FakeDialogs *m_dialogs = nullptr;
    FakePrinter *m_printer = nullptr;
    FakeRecordFile *m_recordFile = nullptr;
    Form1 *m_form = nullptr;
};

void TestEndToEnd::init()
{
    QVERIFY(m_dir.isValid());
    m_link = m_dir.filePath(QStringLiteral("pump"));
    m_log = m_dir.filePath(QStringLiteral("pump.log"));
    QFile::remove(m_log);
    m_comm = new QtCommControl;
    m_dialogs = new FakeDialogs;
    m_printer = new FakePrinter;
    m_recordFile = new FakeRecordFile;
    m_form = new Form1(Platform{m_comm, m_dialogs, m_printer, m_recordFile});
}

void TestEndToEnd::cleanup()
{
    delete m_form;
    delete m_recordFile;
    delete m_printer;
    delete m_dialogs;
    delete m_comm;
    stopPump();
}

void TestEndToEnd::startPump(const QStringList &options)
{
    stopPump();
    m_pump = new QProcess;
    m_pump->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The simulated pump built here, or an installed one.
    const QString pumpsim = qEnvironmentVariable("PUMPPANEL_PUMPSIM", QStringLiteral(PUMPSIM_PATH));
    m_pump->start(pumpsim, QStringList{"--link", m_link, "--log", m_log} + options);
    QVERIFY(m_pump->waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_link), 5000);
}

void TestEndToEnd::stopPump()
{
    if (!m_pump)
        return;
    if (m_pump->state() != QProcess::NotRunning) {
        m_pump->terminate();
        if (!m_pump->waitForFinished(5000))
            m_pump->kill();
        m_pump->waitForFinished(5000);
    }
    delete m_pump;
    m_pump = nullptr;
}

void TestEndToEnd::openPanel()
{
    m_dialogs->answers << m_link;
    m_form->findChild<QAction *>(QStringLiteral("Communication"))->trigger();
    QVERIFY2(
        m_comm->isPortOpen(),
        qPrintable(m_dialogs->messages.isEmpty() ? QString() : m_dialogs->messages.last().text));
    QVERIFY(m_form->Timer2()->isActive());
    // The test makes each poll itself; the real timer would add polls of its own.
    m_form->Timer2()->stop();
}

void TestEndToEnd::poll(int expectAccepted)
{
    // The poll timer's tick, called rather than waited for.
    m_form->link()->Timer2_Timer();
    QTRY_COMPARE_WITH_TIMEOUT(int(m_form->link()->status().repliesAccepted), expectAccepted, 5000);
}

QStringList TestEndToEnd::pumpLog(const QString &kind) const
{
    QFile file(m_log);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 3 && fields[1] == kind.toLatin1())
            lines << QString::fromLatin1(fields[2]);
    }
    return lines;
}

QLabel *TestEndToEnd::label(const char *name) const
{
    return m_form->findChild<QLabel *>(QLatin1String(name));
}

void TestEndToEnd::click(const char *name, int index)
{
    for (PictureButton *key : m_form->findChildren<PictureButton *>(QLatin1String(name))) {
        if (key->index() == index)
            QTest::mouseClick(key, Qt::LeftButton);
    }
}

void TestEndToEnd::readoutFollowsThePump()
{
    startPump();
    openPanel();
    poll(3);
    QCOMPARE(label("LcurrP")->text(), QStringLiteral("00.0"));
    QCOMPARE(label("LsetP")->text(), QStringLiteral("02.0"));
    QCOMPARE(label("LsetF")->text(), QStringLiteral("0000"));
    QCOMPARE(m_form->state().itime, qint16(3));
    QTRY_COMPARE(pumpLog(QStringLiteral("recv")), QStringList{"Q00F0000Y"});
}

void TestEndToEnd::commandsReachThePump()
{
    startPump();
    openPanel();
    // A flow typed on the keypad, a pressure through its dialog, then RUN.
    for (const char *name : {"Cmdl", "Cmd1", "Cmd5"})
        click(name);
    click("Cmd0", 13);
    m_dialogs->answers << QStringLiteral("1.5");
    m_form->findChild<QAction *>(QStringLiteral("pressure"))->trigger();
    click("Cmdr");
    QTRY_COMPARE_WITH_TIMEOUT(pumpLog(QStringLiteral("recv")),
                              QStringList({"Q00L0150Y", "Q00P01.5Y", "Q00R0000Y"}), 5000);

    int accepted = 0;
    for (int i = 0; i < 6; ++i)
        poll(accepted += 3);
    QCOMPARE(label("LsetF")->text(), QStringLiteral("0150"));
    QCOMPARE(label("LsetP")->text(), QStringLiteral("01.5"));
    const double running = label("LcurrP")->text().toDouble();
    QVERIFY2(running > 0.5 && running <= 1.5, qPrintable(label("LcurrP")->text()));

    click("Cmds");
    for (int i = 0; i < 6; ++i)
        poll(accepted += 3);
    QVERIFY(label("LcurrP")->text().toDouble() < running);
    QCOMPARE(m_form->state().records.saveprcout(), 12); // every current-pressure reply stored
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestEndToEnd::faultModes_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("dropEvery"); // 0: every poll is answered
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("rejects");
    QTest::newRow("every 2nd reply dropped")
        << QStringList{"--drop-every", "2"} << 2 << false << false;
    QTest::newRow("garbage before replies") << QStringList{"--garbage", "5"} << 0 << false << true;
    QTest::newRow("replies in small pieces")
        << QStringList{"--pieces", "2", "--piece-gap", "2"} << 0 << false << false;
    QTest::newRow("delayed replies") << QStringList{"--delay", "300"} << 0 << false << false;
    QTest::newRow("no answer") << QStringList{"--silent"} << 0 << true << false;
}

void TestEndToEnd::faultModes()
{
    QFETCH(QStringList, options);
    QFETCH(int, dropEvery);
    QFETCH(bool, silent);
    QFETCH(bool, rejects);
    startPump(options);
    qint64 now = 0;
    m_form->link()->setClock([&now] { return now; });
    openPanel();

    const int polls = 4;
    int answered = 0;
    for (int i = 1; i <= polls; ++i) {
        m_form->link()->Timer2_Timer();
        now += 1500;
        if (!silent && !(dropEvery > 0 && i % dropEvery == 0))
            ++answered;
        // The pump has the poll; then every frame it answered is shown, none lost or doubled.
        QTRY_COMPARE_WITH_TIMEOUT(pumpLog(QStringLiteral("recv")).size(), i, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(int(m_form->link()->status().repliesAccepted), 3 * answered,
                                  5000);
    }
    QTest::qWait(100); // nothing more arrives
    const LinkStatus status = m_form->link()->status();
    QCOMPARE(int(status.repliesAccepted), 3 * answered);
    QCOMPARE(pumpLog(QStringLiteral("send")).size(), answered);
    QCOMPARE(status.framesSent, qint64(polls));
    QCOMPARE(status.repliesRejected > 0, rejects);
    QCOMPARE(m_form->state().itime, qint16(3 * answered));
    if (answered > 0)
        QCOMPARE(label("LsetP")->text(), QStringLiteral("02.0"));

    m_form->refreshStatus();
    const QString line = label("linkStatus")->text();
    QVERIFY2(line.contains(QString::fromUtf8(silent ? "泵无应答" : "已打开")), qPrintable(line));
    QVERIFY(m_dialogs->messages.isEmpty()); // repeated conditions never become message boxes
    QVERIFY(m_comm->isPortOpen());
}

void TestEndToEnd::hangUpAndComeBack()
{
    startPump({QStringLiteral("--hang-up-after"), QStringLiteral("0.5")});
    openPanel();
    poll(3);
    m_form->Timer2()->start(); // polling when the pump hangs up
    QTRY_VERIFY_WITH_TIMEOUT(!m_comm->isPortOpen(), 5000);
    QVERIFY(!m_form->Timer2()->isActive());
    QTRY_COMPARE(m_dialogs->messages.size(), 1);
    QVERIFY(m_dialogs->messages[0].text.contains(QString::fromUtf8("断开")));
    QTest::qWait(200);
    QCOMPARE(m_dialogs->messages.size(), 1);
    m_form->refreshStatus();
    QVERIFY(label("linkStatus")->text().contains(QString::fromUtf8("连接已断开")));

    // The pump comes back at the same place, and 通信 opens it again.
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->state(), QProcess::NotRunning, 5000);
    QCOMPARE(m_pump->exitCode(), 0);
    startPump();
    openPanel();
    poll(6);
    QCOMPARE(label("LsetP")->text(), QStringLiteral("02.0"));
}

void TestEndToEnd::mistypedAnswerKeepsTheLink_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("reopened");
    QTest::newRow("missing device") << "/dev/ttyNOPE" << false;
    QTest::newRow("Windows name") << "COM3" << false;
    QTest::newRow("port number of an absent port") << "200" << false;
    // The pump's stable path is a link to /dev/pts/N: typing either reopens the same device.
    QTest::newRow("same device, real name") << "<real>" << true;
}

void TestEndToEnd::mistypedAnswerKeepsTheLink()
{
    QFETCH(QString, answer);
    QFETCH(bool, reopened);
    startPump();
    openPanel();
    poll(3);
    answer.replace(QLatin1String("<real>"), QFileInfo(m_link).canonicalFilePath());
    m_form->Timer2()->start();
    m_dialogs->answers << answer;
    m_form->findChild<QAction *>(QStringLiteral("Communication"))->trigger();

    QVERIFY(m_comm->isPortOpen());
    QVERIFY(m_form->Timer2()->isActive());
    QCOMPARE(m_form->Timer2()->interval(), 1500);
    QCOMPARE(m_comm->commPort(), reopened ? answer : m_link);
    if (reopened) {
        QVERIFY(m_dialogs->messages.isEmpty());
    } else {
        QCOMPARE(m_dialogs->messages.size(), 1);
        const QString text = m_dialogs->messages[0].text;
        QVERIFY2(text.contains(utf8("无法打开串口")) &&
                     text.contains(utf8("串口 %1 仍然打开").arg(m_link)),
                 qPrintable(text));
    }
    m_form->Timer2()->stop();
    poll(6); // still polled, replies still shown
    QTRY_COMPARE(pumpLog(QStringLiteral("recv")).size(), 2);
}

void TestEndToEnd::commandsAfterHangUpAreTold()
{
    startPump({QStringLiteral("--hang-up-after"), QStringLiteral("0.3")});
    openPanel();
    QTRY_VERIFY_WITH_TIMEOUT(!m_comm->isPortOpen(), 5000);
    QTRY_COMPARE(m_dialogs->messages.size(), 1);
    QVERIFY2(m_dialogs->messages[0].text.contains(utf8("串口 %1 的设备已断开").arg(m_link)),
             qPrintable(m_dialogs->messages[0].text));
    m_dialogs->messages.clear();

    // Menus stay enabled; what they cannot send is told, never dropped silently.
    m_dialogs->answers << QStringLiteral("120") << QStringLiteral("1.2");
    m_form->findChild<QAction *>(QStringLiteral("liquid"))->trigger();
    m_form->findChild<QAction *>(QStringLiteral("pressure"))->trigger();
    m_form->findChild<QAction *>(QStringLiteral("ststart"))->trigger();
    QCOMPARE(m_dialogs->messages.size(), 3);
    for (const FakeDialogs::Shown &message : std::as_const(m_dialogs->messages))
        QVERIFY(message.text.contains(utf8("命令没有发送")));
    // The timed run did not start: nothing counts, nothing will send a stop later.
    QVERIFY(!m_form->Timer1()->isActive());
    QVERIFY(label("lhour")->isHidden());

    // The pump comes back; no stop reaches it that nobody asked for.
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->state(), QProcess::NotRunning, 5000);
    startPump();
    openPanel();
    poll(3);
    QCOMPARE(m_dialogs->messages.size(), 3);
    QCOMPARE(pumpLog(QStringLiteral("recv")), QStringList{"Q00F0000Y"});
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
