#include "fakedialogs.h"
#include "fakeprinter.h"
#include "form1.h"
#include "picturebutton.h"
#include "pumplink.h"
#include "qtcommcontrol.h"
#include "recordfile.h"
#include "recordstore.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QtTest>

namespace {

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

// The Windows panel through a real COM port: COM1 leads to the simulated pump, which the
// driver script runs on the other side, and the record file goes to the real d:\mytext.txt.
// PUMPPANEL_D_DRIVE says whether the driver gave the machine a D: drive ("mapped") or not
// ("absent").
class TestEndToEndCom : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void presetOpensCom1AndShowsThePump();
    void setpointsReachThePump();
    void runAndStop();
    void recordFile();

private:
    void openCom1();
    void poll();
    QLabel *label(const char *name) const;
    void click(const char *name, int index = 0);
    void trigger(const char *name);

    QString m_drive;
    QtCommControl *m_comm = nullptr;
    FakeDialogs *m_dialogs = nullptr;
    FakePrinter *m_printer = nullptr;
    QtRecordFile *m_recordFile = nullptr;
    Form1 *m_form = nullptr;
};

void TestEndToEndCom::initTestCase()
{
    m_drive = qEnvironmentVariable("PUMPPANEL_D_DRIVE");
    QVERIFY2(m_drive == QLatin1String("mapped") || m_drive == QLatin1String("absent"),
             "run by tests/windows/endtoend_com.sh, which sets PUMPPANEL_D_DRIVE");
}

void TestEndToEndCom::init()
{
    m_comm = new QtCommControl;
    m_dialogs = new FakeDialogs;
    m_printer = new FakePrinter;
    m_recordFile = new QtRecordFile;
    m_form = new Form1(Platform{m_comm, m_dialogs, m_printer, m_recordFile});
    openCom1();
}

void TestEndToEndCom::cleanup()
{
    delete m_form;
    delete m_recordFile;
    delete m_printer;
    delete m_dialogs;
    delete m_comm;
}

void TestEndToEndCom::openCom1()
{
    // The operator accepts the preset answer, 1.
    m_dialogs->answers << QStringLiteral("1");
    trigger("Communication");
    QCOMPARE(m_dialogs->inputs.last().preset, QStringLiteral("1"));
    QVERIFY2(
        m_comm->isPortOpen(),
        qPrintable(m_dialogs->messages.isEmpty() ? QString() : m_dialogs->messages.last().text));
    QCOMPARE(m_comm->commPort(), QStringLiteral("COM1"));
    QVERIFY(m_form->Timer2()->isActive());
    m_form->Timer2()->stop(); // the test makes each poll itself
}

void TestEndToEndCom::poll()
{
    const qint64 before = m_form->link()->status().repliesAccepted;
    m_form->link()->Timer2_Timer();
    QTRY_COMPARE_WITH_TIMEOUT(m_form->link()->status().repliesAccepted, before + 3, 10000);
}

QLabel *TestEndToEndCom::label(const char *name) const
{
    return m_form->findChild<QLabel *>(QLatin1String(name));
}

void TestEndToEndCom::click(const char *name, int index)
{
    for (PictureButton *key : m_form->findChildren<PictureButton *>(QLatin1String(name))) {
        if (key->index() == index)
            QTest::mouseClick(key, Qt::LeftButton);
    }
}

void TestEndToEndCom::trigger(const char *name)
{
    m_form->findChild<QAction *>(QLatin1String(name))->trigger();
}

void TestEndToEndCom::presetOpensCom1AndShowsThePump()
{
    poll();
    QCOMPARE(label("LsetP")->text().size(), 4);
    QCOMPARE(label("LsetF")->text().size(), 4);
    QCOMPARE(label("LcurrP")->text().size(), 4);
    QCOMPARE(m_form->state().records.saveprcout(), 1);
    m_form->refreshStatus();
    QVERIFY2(label("linkStatus")->text().contains(utf8("串口 COM1 已打开")),
             qPrintable(label("linkStatus")->text()));
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestEndToEndCom::setpointsReachThePump()
{
    // A flow on the keypad, a pressure through its dialog; the pump reports them back.
    for (const char *name : {"Cmdl", "Cmd1", "Cmd2"})
        click(name);
    click("Cmd0", 13);
    m_dialogs->answers << QStringLiteral("1.5");
    trigger("pressure");
    poll();
    QCOMPARE(label("LsetF")->text(), QStringLiteral("0120"));
    QCOMPARE(label("LsetP")->text(), QStringLiteral("01.5"));

    m_dialogs->answers << QStringLiteral("150") << QStringLiteral("2");
    trigger("liquid");
    trigger("pressure");
    poll();
    QCOMPARE(label("LsetF")->text(), QStringLiteral("0150"));
    QCOMPARE(label("LsetP")->text(), QStringLiteral("02.0"));
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestEndToEndCom::runAndStop()
{
    m_dialogs->answers << QStringLiteral("150") << QStringLiteral("1.5");
    trigger("liquid");
    trigger("pressure");
    click("Cmdr");
    QCOMPARE(label("Lstate")->text(), QStringLiteral("     RUN "));
    for (int i = 0; i < 6; ++i)
        poll();
    const double running = label("LcurrP")->text().toDouble();
    QVERIFY2(running > 0.5 && running <= 1.5, qPrintable(label("LcurrP")->text()));

    click("Cmds");
    QCOMPARE(label("Lstate")->text(), QStringLiteral("     STOP"));
    for (int i = 0; i < 6; ++i)
        poll();
    QVERIFY(label("LcurrP")->text().toDouble() < running);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestEndToEndCom::recordFile()
{
    for (int i = 0; i < 7; ++i)
        poll();
    const int stored = m_form->state().records.saveprcout();
    QCOMPARE(stored, 7);
    QCOMPARE(m_recordFile->path(), QStringLiteral("d:\\mytext.txt"));
    QFile::remove(m_recordFile->path());

    trigger("save");
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_form->state().records.saveprcout(), stored); // saving keeps the readings
    if (m_drive == QLatin1String("mapped")) {
        QCOMPARE(m_dialogs->messages[0].text, utf8("当前压力数值以存储"));
        QFile file(m_recordFile->path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        // The bytes the Linux build writes for the same readings: CR LF stays CR LF.
        QCOMPARE(content, recordFileText(m_form->state().records));
        QCOMPARE(content.count("\r\n"), 1); // seven values: one full line of five
        QVERIFY(!content.contains("\r\r"));
    } else {
        const QString text = m_dialogs->messages[0].text;
        QVERIFY2(text.contains(utf8("这台电脑没有驱动器 D:\\")) &&
                     text.contains(utf8("压力数值仍保留在程序中")),
                 qPrintable(text));
    }
}

QTEST_MAIN(TestEndToEndCom)
#include "tst_endtoend_com.moc"
