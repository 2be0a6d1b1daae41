#include "qtcommcontrol.h"

#include <QtTest>

class TestCommControl : public QObject
{
    Q_OBJECT

private slots:
    void closingAClosedPortIsNoChange();
    void openingAMissingDeviceFailsWithAReason();
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

QTEST_GUILESS_MAIN(TestCommControl)
#include "tst_commcontrol.moc"
