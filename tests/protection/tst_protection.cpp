#include "limitrules.h"
#include "pressurelimits.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

Limits limitsOf(double high, double low, int delay = 60)
{
    Limits limits;
    if (high > 0)
        limits.high = high;
    if (low > 0)
        limits.low = low;
    limits.armingDelay = delay;
    return limits;
}

// Plays a script against the rules and says what they did. Tokens: a number or any other word
// is a reading 1.5 s after the one before ("--.-" is not a number); "run" and "stop" are the
// frames going out; "open" the port opening; "t=S" sets the clock to S seconds. Each reading
// that changed something is told as "high@3", "low@8", "armed@5", "invalid@3", "valid@4".
QStringList play(LimitRules &rules, const QString &script)
{
    QStringList told;
    qint64 now = 0;
    bool mayRun = false;
    int readings = 0;
    for (const QString &token : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (token == QLatin1String("run")) {
            rules.runStarted(now);
            mayRun = true;
        } else if (token == QLatin1String("stop")) {
            rules.stopped();
            mayRun = false;
        } else if (token == QLatin1String("open")) {
            rules.portOpened();
        } else if (token.startsWith(QLatin1String("t="))) {
            now = qint64(token.mid(2).toDouble() * 1000);
        } else {
            bool number = false;
            const double value = token.toDouble(&number);
            const LimitRules::Verdict verdict =
                rules.reading(number ? std::optional(value) : std::nullopt, now, mayRun);
            ++readings;
            auto tell = [&](const char *what) {
                told << QStringLiteral("%1@%2").arg(QLatin1String(what)).arg(readings);
            };
            if (verdict.armed)
                tell("armed");
            if (verdict.invalidStarted)
                tell("invalid");
            if (verdict.invalidEnded)
                tell("valid");
            if (verdict.trip) {
                tell(verdict.trip->limit == LimitRules::Limit::High ? "high" : "low");
                mayRun = false;
            }
            now += 1500;
        }
    }
    return told;
}

} // namespace

class TestProtection : public QObject
{
    Q_OBJECT

private slots:
    void tripRules_data();
    void tripRules();
    void tripNamesTheLimitAndTheReading();
    void resetOnlyWithinTheLimits();
    void lowLimitSetWhileRunningWaits();
    void typedValues_data();
    void typedValues();
    void logTextReadsBack_data();
    void logTextReadsBack();
    void settingsFile();
};

void TestProtection::tripRules_data()
{
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("low");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("told");

    const QStringList none;
    // The high limit 1.80 MPa.
    QTest::newRow("exactly at the limit") << 1.8 << 0.0 << "1.80 1.80 1.80 1.8" << none;
    QTest::newRow("just above, twice") << 1.8 << 0.0 << "1.70 1.81 1.81" << QStringList{"high@3"};
    QTest::newRow("single spike") << 1.8 << 0.0 << "1.81 1.70 1.99 1.70 1.81 1.0" << none;
    QTest::newRow("well above at once") << 1.8 << 0.0 << "1.70 2.00" << QStringList{"high@2"};
    QTest::newRow("not yet well above") << 1.8 << 0.0 << "1.99 1.20" << none;
    QTest::newRow("not back within the hysteresis")
        << 1.8 << 0.0 << "1.81 1.78 1.81" << QStringList{"high@3"};
    QTest::newRow("back within the hysteresis") << 1.8 << 0.0 << "1.81 1.76 1.81" << none;
    QTest::newRow("a non-number is never within")
        << 1.8 << 0.0 << "1.81 --.- 1.81" << QStringList{"high@3"};
    QTest::newRow("latched: one trip")
        << 1.8 << 0.0 << "2.5 2.5 1.0 2.5 2.5" << QStringList{"high@1"};
    QTest::newRow("first reading after opening, at once")
        << 1.8 << 0.0 << "1.0 open 1.81" << QStringList{"high@2"};
    QTest::newRow("a reading at once within") << 1.8 << 0.0 << "open 1.80 1.81" << none;

    // The low limit 0.20 MPa, armed 60 s after a RUN.
    QTest::newRow("low while waiting") << 0.0 << 0.2 << "run 0.1 0.1 0.1 0.1 0.1" << none;
    QTest::newRow("four below once armed")
        << 0.0 << 0.2 << "run 0.1 t=60 0.1 0.1 0.1 0.1" << QStringList{"armed@2", "low@5"};
    QTest::newRow("three below, then within")
        << 0.0 << 0.2 << "run t=60 0.1 0.1 0.1 0.25 0.1 0.1 0.1" << QStringList{"armed@1"};
    QTest::newRow("low hysteresis")
        << 0.0 << 0.2 << "run t=60 0.1 0.1 0.1 0.23 0.1" << QStringList{"armed@1", "low@5"};
    QTest::newRow("exactly at the low limit")
        << 0.0 << 0.2 << "run t=60 0.2 0.2 0.2 0.2 0.2" << QStringList{"armed@1"};
    QTest::newRow("never armed without a RUN") << 0.0 << 0.2 << "t=100 0 0 0 0 0 0" << none;
    QTest::newRow("STOP disarms") << 0.0 << 0.2 << "run t=60 0.1 0.1 stop 0.1 0.1 0.1 0.1"
                                  << QStringList{"armed@1"};
    QTest::newRow("RUN or more flow waits again")
        << 0.0 << 0.2 << "run t=60 0.1 0.1 run 0.1 0.1 0.1 0.1" << QStringList{"armed@1"};
    QTest::newRow("low at once after opening")
        << 0.0 << 0.2 << "run t=60 0.5 open 0.1" << QStringList{"armed@1", "low@2"};
    QTest::newRow("both: the high one")
        << 1.8 << 0.2 << "run t=60 0.5 1.9 1.9" << QStringList{"armed@1", "high@3"};

    // Readings that are not numbers.
    QTest::newRow("three while running")
        << 1.8 << 0.0 << "run --.- --.- --.- --.- 1.0" << QStringList{"invalid@3", "valid@5"};
    QTest::newRow("two, then a number") << 1.8 << 0.0 << "run ab ab 1.0 ab ab" << none;
    QTest::newRow("while stopped") << 1.8 << 0.0 << "ab ab ab ab" << none;
    QTest::newRow("limits off: nothing")
        << 0.0 << 0.0 << "run open 9.9 9.9 ab ab ab t=99 0 0 0 0" << none;
}

void TestProtection::tripRules()
{
    QFETCH(double, high);
    QFETCH(double, low);
    QFETCH(QString, script);
    LimitRules rules;
    rules.setLimits(limitsOf(high, low), 0);
    QTEST(play(rules, script), "told");
}

void TestProtection::tripNamesTheLimitAndTheReading()
{
    LimitRules rules;
    rules.setLimits(limitsOf(1.8, 0), 0);
    QVERIFY(!rules.reading(1.93, 0, true).trip);
    const LimitRules::Verdict verdict = rules.reading(1.93, 1500, true);
    QVERIFY(verdict.trip);
    QCOMPARE(verdict.trip->limitValue, 1.8);
    QCOMPARE(verdict.trip->reading, 1.93);
    QVERIFY(rules.latched());
}

void TestProtection::resetOnlyWithinTheLimits()
{
    LimitRules rules;
    rules.setLimits(limitsOf(1.8, 0.2), 0);
    QVERIFY(!rules.reset()); // nothing latched
    play(rules, "run t=60 0.5 0.1 0.1 0.1 0.1");
    QCOMPARE(rules.latched()->limit, LimitRules::Limit::Low);
    // The trip stopped the pump: the low limit no longer counts, the high one does.
    QCOMPARE(rules.lowState(100000), LimitRules::LowState::NotArmed);
    QVERIFY(rules.resettable());
    rules.reading(1.78, 100000, false);
    QVERIFY(!rules.resettable());
    QVERIFY(!rules.reset());
    rules.reading(std::nullopt, 101500, false);
    QVERIFY(!rules.resettable());
    rules.reading(1.76, 103000, false);
    QVERIFY(rules.resettable());
    // Other limits: the next reading is judged against them first.
    rules.setLimits(limitsOf(1.7, 0.2), 104000);
    QVERIFY(!rules.resettable());
    rules.reading(1.70, 104500, false);
    QVERIFY(!rules.resettable());
    rules.reading(1.66, 106000, false);
    QVERIFY(rules.resettable());
    // Both limits turned off while it is latched: a reading that is a number lets it go.
    rules.setLimits(Limits(), 107000);
    QVERIFY(!rules.resettable());
    rules.reading(2.4, 107500, false);
    QVERIFY(rules.resettable());
    // A reading from before a loss says nothing of the pressure now.
    rules.linkLost();
    QVERIFY(!rules.reset());
    rules.portOpened();
    rules.reading(0.0, 110000, false);
    QVERIFY(rules.reset());
    QVERIFY(!rules.latched());
}

void TestProtection::lowLimitSetWhileRunningWaits()
{
    LimitRules rules;
    rules.setLimits(limitsOf(0, 0, 30), 0);
    rules.runStarted(0);
    QVERIFY(rules.setLimits(limitsOf(0, 0.2, 30), 100000));
    QCOMPARE(rules.lowState(129999), LimitRules::LowState::Waiting);
    QCOMPARE(rules.lowState(130000), LimitRules::LowState::Armed);
    QVERIFY(!rules.setLimits(limitsOf(0, 0.3, 30), 140000)); // a change of value: still armed
    QCOMPARE(rules.lowState(140000), LimitRules::LowState::Armed);
}

void TestProtection::typedValues_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("high");  // the high limit the low one is checked against; 0: off
    QTest::addColumn<double>("value"); // -1: off
    QTest::addColumn<QString>("problem");

    QTest::newRow("high empty is off") << "high"
                                       << " " << 0.0 << -1.0 << "";
    QTest::newRow("high least") << "high"
                                << "0.05" << 0.0 << 0.05 << "";
    QTest::newRow("high most") << "high"
                               << "2.5" << 0.0 << 2.5 << "";
    QTest::newRow("high below") << "high"
                                << "0.04" << 0.0 << -1.0 << utf8("0.05 到 2.50");
    QTest::newRow("high above") << "high"
                                << "2.51" << 0.0 << -1.0 << utf8("0.05 到 2.50");
    QTest::newRow("high three decimals") << "high"
                                         << "1.805" << 0.0 << -1.0 << utf8("两位小数");
    QTest::newRow("high not a number") << "high"
                                       << "1,8" << 0.0 << -1.0 << utf8("须是一个数");
    QTest::newRow("high negative") << "high"
                                   << "-1" << 0.0 << -1.0 << utf8("须是一个数");
    QTest::newRow("low zero") << "low"
                              << "0" << 1.8 << 0.0 << "";
    QTest::newRow("low at the gap") << "low"
                                    << "1.75" << 1.8 << 1.75 << "";
    QTest::newRow("low too close") << "low"
                                   << "1.76" << 1.8 << -1.0 << utf8("至少低 0.05");
    QTest::newRow("low without high") << "low"
                                      << "2.45" << 0.0 << 2.45 << "";
    QTest::newRow("low above all") << "low"
                                   << "2.46" << 0.0 << -1.0 << utf8("最多 2.45");
    QTest::newRow("delay zero") << "delay"
                                << "0" << 0.0 << 0.0 << "";
    QTest::newRow("delay most") << "delay"
                                << "600" << 0.0 << 600.0 << "";
    QTest::newRow("delay too long") << "delay"
                                    << "601" << 0.0 << -1.0 << utf8("最长 600");
    QTest::newRow("delay fraction") << "delay"
                                    << "1.5" << 0.0 << -1.0 << utf8("整秒数");
    QTest::newRow("delay empty") << "delay"
                                 << "" << 0.0 << -1.0 << utf8("整秒数");
}

void TestProtection::typedValues()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(double, high);
    QFETCH(double, value);
    QFETCH(QString, problem);
    const LimitField checked =
        field == QLatin1String("high") ? LimitInput::high(text)
        : field == QLatin1String("low")
            ? LimitInput::low(text, high > 0 ? std::optional(high) : std::nullopt)
            : LimitInput::armingDelay(text);
    if (problem.isEmpty()) {
        QVERIFY2(checked.ok(), qPrintable(checked.problem));
        QCOMPARE(checked.value.value_or(-1.0), value);
    } else {
        QVERIFY(!checked.value);
        QVERIFY2(checked.problem.contains(problem), qPrintable(checked.problem));
    }
}

void TestProtection::logTextReadsBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reads");
    QTest::newRow("both off") << "high=off low=off arm=60s pause=yes" << true;
    QTest::newRow("both set") << "high=1.80 low=0.20 arm=0s pause=no" << true;
    QTest::newRow("with the old values") << "high=1.80 low=off arm=60s pause=yes was high=off "
                                            "low=off arm=60s pause=yes"
                                         << true;
    QTest::newRow("a limit that is no number") << "high=1.8.0 low=off arm=60s pause=yes" << false;
    QTest::newRow("words") << utf8("上限 1.80 MPa") << false;
}

void TestProtection::logTextReadsBack()
{
    QFETCH(QString, text);
    QFETCH(bool, reads);
    const std::optional<Limits> limits = Limits::fromLogText(text);
    QCOMPARE(limits.has_value(), reads);
    if (reads)
        QVERIFY(text.startsWith(limits->logText()));
}

void TestProtection::settingsFile()
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("pumppanel/pumppanel.ini"));
    QCOMPARE(LimitStore::read(file), Limits()); // missing: both off
    Limits set = limitsOf(1.8, 0.25, 90);
    set.pauseTimedRun = false;
    QString problem;
    QVERIFY2(LimitStore::write(file, set, &problem), qPrintable(problem));
    QCOMPARE(LimitStore::read(file), set);

    // Edited by hand out of range: that value is not taken.
    QVERIFY(
        writeAll(file, "[protection]\nhigh=3.00\nlow=0.20\narmingDelay=-5\npauseTimedRun=true\n"));
    const Limits read = LimitStore::read(file);
    QVERIFY(!read.high);
    QCOMPARE(read.low, std::optional(0.2));
    QCOMPARE(read.armingDelay, Limits::defaultArmingDelay);

    QVERIFY(writeAll(folder.filePath(QStringLiteral("plain")), "not a folder"));
    QVERIFY(
        !LimitStore::write(folder.filePath(QStringLiteral("plain/pumppanel.ini")), set, &problem));
    QVERIFY(problem.contains(QStringLiteral("plain")));
}

QTEST_GUILESS_MAIN(TestProtection)
#include "tst_protection.moc"
