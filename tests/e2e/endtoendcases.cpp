#include "endtoendcases.h"

#include "paneldriver.h"
#include "pumpport.h"
#include "testsupport.h"

#include <QLabel>
#include <QtTest>

EndToEndCases::EndToEndCases(PanelDriver &panel, const QString &answer, const QString &device)
    : m_panel(panel)
    , m_answer(answer)
    , m_device(device)
{}

void EndToEndCases::openPanel()
{
    QVERIFY2(m_panel.openPort(m_answer), qPrintable(m_panel.lastMessage()));
    QCOMPARE(m_panel.dialogs().inputs.constLast().preset, QStringLiteral("1"));
    QCOMPARE(m_panel.port().device(), m_device);
    QVERIFY(m_panel.form().Timer2()->isActive());
    m_panel.stopPolling();
}

bool EndToEndCases::pollOnce()
{
    // Ten seconds: under Wine the first replies through COM1 can be slow.
    return m_panel.poll(m_panel.accepted() + 3, 10000);
}

void EndToEndCases::opensAndShowsThePump()
{
    openPanel();
    if (QTest::currentTestFailed())
        return;
    const int stored = m_panel.form().records().saveprcout();
    QVERIFY(pollOnce());
    for (const char *name : {"LcurrP", "LsetP", "LsetF"})
        QVERIFY2(m_panel.caption(QLatin1String(name)).size() == 4, name);
    QCOMPARE(m_panel.form().records().saveprcout(), stored + 1);
    m_panel.form().refreshStatus();
    const QString line = m_panel.caption(QStringLiteral("linkStatus"));
    QVERIFY2(line.startsWith(utf8("%1 · 上次应答").arg(m_device)), qPrintable(line));
    const QString details = m_panel.label(QStringLiteral("linkStatus"))->toolTip();
    QVERIFY2(details.contains(utf8("串口 %1 已打开").arg(m_device)), qPrintable(details));
    QVERIFY(m_panel.dialogs().messages.isEmpty());
}

void EndToEndCases::setpointsReachThePump()
{
    openPanel();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(m_panel.press({"L", "1", "2", "0"}));
    m_panel.dialogs().answers << QStringLiteral("1.5");
    QVERIFY(m_panel.trigger(QStringLiteral("pressure")));
    QVERIFY(pollOnce());
    QCOMPARE(m_panel.caption(QStringLiteral("LsetF")), QStringLiteral("0120"));
    QCOMPARE(m_panel.caption(QStringLiteral("LsetP")), QStringLiteral("01.5"));

    m_panel.dialogs().answers << QStringLiteral("150") << QStringLiteral("2");
    QVERIFY(m_panel.trigger(QStringLiteral("liquid")));
    QVERIFY(m_panel.trigger(QStringLiteral("pressure")));
    QVERIFY(pollOnce());
    QCOMPARE(m_panel.caption(QStringLiteral("LsetF")), QStringLiteral("0150"));
    QCOMPARE(m_panel.caption(QStringLiteral("LsetP")), QStringLiteral("02.0"));
    QVERIFY(m_panel.dialogs().messages.isEmpty());
}

void EndToEndCases::runAndStop()
{
    openPanel();
    if (QTest::currentTestFailed())
        return;
    const int stored = m_panel.form().records().saveprcout();
    m_panel.dialogs().answers << QStringLiteral("150") << QStringLiteral("1.5");
    QVERIFY(m_panel.trigger(QStringLiteral("liquid")));
    QVERIFY(m_panel.trigger(QStringLiteral("pressure")));
    QVERIFY(m_panel.press({"RUN"}));
    QCOMPARE(m_panel.caption(QStringLiteral("Lstate")), QStringLiteral("     RUN "));
    for (int i = 0; i < 6; ++i)
        QVERIFY(pollOnce());
    const QString runningCaption = m_panel.caption(QStringLiteral("LcurrP"));
    const double running = runningCaption.toDouble();
    QVERIFY2(running > 0.5 && running <= 1.5, qPrintable(runningCaption));

    QVERIFY(m_panel.press({"STOP"}));
    QCOMPARE(m_panel.caption(QStringLiteral("Lstate")), QStringLiteral("     STOP"));
    for (int i = 0; i < 6; ++i)
        QVERIFY(pollOnce());
    QVERIFY2(m_panel.caption(QStringLiteral("LcurrP")).toDouble() < running,
             qPrintable(m_panel.caption(QStringLiteral("LcurrP"))));
    QCOMPARE(m_panel.form().records().saveprcout(), stored + 12);
    QVERIFY(m_panel.dialogs().messages.isEmpty());
}
