#include "qtcommcontrol.h"

#include <QtTest>

class TestCommControl : public QObject
{
    Q_OBJECT

private slots:
    void closingAClosedPortIsNoChange();
    void openingAMissingDeviceFailsWithAReason();
    void deviceIdentity_data();
    void deviceIdentity();
};

void TestCommControl::closingAClosedPortIsNoChange()
{
    QtCommControl port;
    QVERIFY(!port.isPortOpen());
    QVERIFY(port.setPortOpen(false));
    QVERIFY(port.setPortOpen(false));
    QVERIFY(!port.isPortOpen());
}

void TestCommControl::openingAMissingDeviceFailsWithAReason()
{
    QtCommControl port;
    port.setCommPort(QStringLiteral("/nonexistent/ttyS99"));
    QVERIFY(!port.setPortOpen(true));
    QVERIFY(!port.isPortOpen());
    QVERIFY(!port.errorString().isEmpty());
}

void TestCommControl::deviceIdentity_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("same");
#ifdef Q_OS_WIN
    QTest::newRow("one name") << "COM3"
                              << "COM3" << true;
    QTest::newRow("case") << "com3"
                          << "COM3" << true;
    QTest::newRow("device namespace") << "\\\\.\\COM12"
                                      << "COM12" << true;
    QTest::newRow("two ports") << "COM1"
                               << "COM12" << false;
#else
    QTest::newRow("one name") << "/dev/ttyS0"
                              << "/dev/ttyS0" << true;
    QTest::newRow("two devices") << "/dev/ttyS0"
                                 << "/dev/ttyS1" << false;
    QTest::newRow("a link and its target") << "<link>"
                                           << "<target>" << true;
    QTest::newRow("a link and another device") << "<link>"
                                               << "/dev/null" << false;
    QTest::newRow("short name") << "null"
                                << "/dev/null" << true;
    QTest::newRow("missing devices by name") << "/dev/ttyNOPE"
                                             << "/dev/./ttyNOPE" << true;
#endif
}

void TestCommControl::deviceIdentity()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, same);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("pts-7"));
    const QString link = dir.filePath(QStringLiteral("pump"));
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(target, link));
    for (QString *name : {&first, &second})
        name->replace(QLatin1String("<link>"), link).replace(QLatin1String("<target>"), target);
    const QtCommControl port;
    QCOMPARE(port.deviceIdentity(first) == port.deviceIdentity(second), same);
}

QTEST_GUILESS_MAIN(TestCommControl)
#include "tst_commcontrol.moc"
