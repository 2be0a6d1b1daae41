#include "frames.h"
#include "numbers.h"
#include "portname.h"

#include <QtTest>

Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(std::optional<qint16>)

class TestFrames : public QObject
{
    Q_OBJECT

private slots:
    void toDouble_data();
    void toDouble();
    void toInt16_data();
    void toInt16();
    void pattern_data();
    void pattern();
    void setpointFrames_data();
    void setpointFrames();
    void replyCaption_data();
    void replyCaption();
    void assembler_data();
    void assembler();
    void assemblerKeepsAtMostEightBytes();
    void portName_data();
    void portName();
};

void TestFrames::toDouble_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("expected");
    auto row = [](const char *text, std::optional<double> expected) {
        QTest::addRow("\"%s\"", text) << QString::fromUtf8(text) << expected;
    };
    row("150", 150.0);
    row("12.5", 12.5);
    row("-5", -5.0);
    row("+2", 2.0);
    row(".5", 0.5);
    row("5.", 5.0);
    row(" 1.5 ", 1.5);
    row("1e2", 100.0);
    row("01.5", 1.5);
    row("", std::nullopt);
    row(" ", std::nullopt);
    row("abc", std::nullopt);
    row("nan", std::nullopt);
    row("inf", std::nullopt);
    row("-infinity", std::nullopt);
    row("0x10", std::nullopt);
    row("1e999", std::nullopt);
    row("1,5", std::nullopt);
    row("1 000", std::nullopt);
    row("12abc", std::nullopt);
    row(".", std::nullopt);
    row("--1", std::nullopt);
    row("１５", std::nullopt); // full-width digits
}

void TestFrames::toDouble()
{
    QFETCH(QString, text);
    QFETCH(std::optional<double>, expected);
    QCOMPARE(textToDouble(text), expected);
}

void TestFrames::toInt16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<qint16>>("expected");
    auto row = [](const char *text, std::optional<qint16> expected) {
        QTest::addRow("\"%s\"", text) << QString::fromLatin1(text) << expected;
    };
    row("2", qint16(2));
    row("2.5", qint16(2));
    row("3.5", qint16(4));
    row("-2.5", qint16(-2));
    row("2.4", qint16(2));
    row("2.6", qint16(3));
    row("32767", qint16(32767));
    row("-32768", qint16(-32768));
    row("32767.4", qint16(32767));
    row("32767.5", std::nullopt); // rounds to 32768
    row("32768", std::nullopt);
    row("-32769", std::nullopt);
    row("", std::nullopt);
    row("abc", std::nullopt);
    row("inf", std::nullopt);
}

void TestFrames::toInt16()
{
    QFETCH(QString, text);
    QFETCH(std::optional<qint16>, expected);
    QCOMPARE(textToInt16(text), expected);
}

void TestFrames::pattern_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("integerDigits");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");
    auto row = [](double value, int integerDigits, int decimals, const char *expected) {
        QTest::addRow("%g -> %s", value, expected)
            << value << integerDigits << decimals << QString::fromLatin1(expected);
    };
    row(3, 2, 0, "03");
    row(7, 2, 0, "07");
    row(100, 2, 0, "100");
    row(-1, 2, 0, "-01");
    row(50, 4, 0, "0050");
    row(12.5, 4, 0, "0013");
    row(13.5, 4, 0, "0014"); // away from zero, not to even
    row(0.4, 4, 0, "0000");
    row(200, 4, 0, "0200");
    row(200.4, 4, 0, "0200");
    row(-5, 4, 0, "-0005");
    row(-12.5, 4, 0, "-0013");
    row(1.5, 2, 1, "01.5");
    row(0.25, 2, 1, "00.3");
    row(0.04, 2, 1, "00.0");
    row(2, 2, 1, "02.0");
    row(1.15, 2, 1, "01.2"); // as the decimal text reads, not its binary neighbour
    row(99.96, 2, 1, "100.0");
    row(0, 2, 1, "00.0");
    row(12345.678, 4, 0, "12346");
}

void TestFrames::pattern()
{
    QFETCH(double, value);
    QFETCH(int, integerDigits);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(formatPattern(value, integerDigits, decimals), expected);
}

void TestFrames::setpointFrames_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("expected");
    using namespace Frames;
    QTest::newRow("keypad flow, pump 7") << flowFrame(7, 120) << "Q07L0120Y";
    QTest::newRow("keypad pressure, pump 0") << pressureFrame(0, 1.5) << "Q00P01.5Y";
    QTest::newRow("dialog flow 200") << flowFrame(0, 200) << "Q00L0200Y";
    QTest::newRow("pump 100 makes 10 characters") << flowFrame(100, 50) << "Q100L0050Y";
    // The table the keypad and the dialogs go through gives the same frames.
    QTest::newRow("flow by its rule") << setpointFrame(Setpoint::Flow, 7, 120) << "Q07L0120Y";
    QTest::newRow("pressure by its rule")
        << setpointFrame(Setpoint::Pressure, 12, 0.25) << "Q12P00.3Y";
    QTest::newRow("run") << runFrame << "Q00R0000Y";
    QTest::newRow("stop") << stopFrame << "Q00S0000Y";
    QTest::newRow("poll") << pollFrame << "Q00F0000Y";
}

void TestFrames::setpointFrames()
{
    QFETCH(QString, frame);
    QFETCH(QString, expected);
    QCOMPARE(frame, expected);
}

void TestFrames::replyCaption_data()
{
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("caption");
    QTest::newRow("N") << "N"
                       << "01.5" << int(Reply::Target::CurrentPressure) << "01.5";
    QTest::newRow("P") << "P"
                       << "02.0" << int(Reply::Target::SetPressure) << "02.0";
    QTest::newRow("P, point missing") << "P"
                                      << "0250" << int(Reply::Target::SetPressure) << "02.0";
    QTest::newRow("P 02.5") << "P"
                            << "02.5" << int(Reply::Target::SetPressure) << "02.5";
    QTest::newRow("L") << "L"
                       << "0150" << int(Reply::Target::SetFlow) << "0150";
    QTest::newRow("F") << "F"
                       << "0000" << int(Reply::Target::None) << "0000";
    QTest::newRow("lower-case n") << "n"
                                  << "01.5" << int(Reply::Target::None) << "01.5";
}

void TestFrames::replyCaption()
{
    QFETCH(QString, letter);
    QFETCH(QString, data);
    QFETCH(int, target);
    QFETCH(QString, caption);
    const Reply reply{letter.at(0), data};
    QCOMPARE(int(reply.target()), target);
    if (reply.target() != Reply::Target::None)
        QCOMPARE(reply.caption(), caption);
}

void TestFrames::assembler_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QStringList>("frames"); // letter + data of each reply, in order
    QTest::addColumn<int>("pending");
    QTest::addColumn<int>("rejected");

    using Reads = QList<QByteArray>;
    QTest::newRow("one frame") << Reads{"Q00N01.5Y"} << QStringList{"N01.5"} << 0 << 0;
    QTest::newRow("pump number ignored") << Reads{"Q05N01.5Y"} << QStringList{"N01.5"} << 0 << 0;
    QTest::newRow("two in one read")
        << Reads{"Q00N01.5YQ00P02.0Y"} << QStringList{"N01.5", "P02.0"} << 0 << 0;
    QTest::newRow("three in one read")
        << Reads{"Q00N01.2YQ00P02.0YQ00L0150Y"} << QStringList{"N01.2", "P02.0", "L0150"} << 0 << 0;
    QTest::newRow("short read waits") << Reads{"Q00N01.5"} << QStringList{} << 8 << 0;
    QTest::newRow("short read completed")
        << Reads{"Q00N01.5", "Y"} << QStringList{"N01.5"} << 0 << 0;
    QTest::newRow("byte by byte") << Reads{"Q", "0", "0", "L", "0", "1", "5", "0", "Y"}
                                  << QStringList{"L0150"} << 0 << 0;
    QTest::newRow("garbage before") << Reads{"\x01\xff"
                                             "abQ00N01.5Y"}
                                    << QStringList{"N01.5"} << 0 << 1;
    QTest::newRow("garbage only") << Reads{"xyz"} << QStringList{} << 0 << 1;
    QTest::newRow("lower-case q") << Reads{"q00N01.5Y"} << QStringList{} << 0 << 1;
    QTest::newRow("no Y, resynchronised")
        << Reads{"Q00N01.5XQ00P02.0Y"} << QStringList{"P02.0"} << 0 << 1;
    QTest::newRow("stray byte does not misalign what follows")
        << Reads{"xQ00N01.5", "YQ00P02.0Y"} << QStringList{"N01.5", "P02.0"} << 0 << 1;
    QTest::newRow("Q inside noise") << Reads{"QQ00N01.5Y"} << QStringList{"N01.5"} << 0 << 1;
    QTest::newRow("frame then tail") << Reads{"Q00N01.5YQ00P"} << QStringList{"N01.5"} << 4 << 0;
    QTest::newRow("any letter accepted") << Reads{"Q00F0000Y"} << QStringList{"F0000"} << 0 << 0;
}

void TestFrames::assembler()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QStringList, frames);
    QFETCH(int, pending);
    QFETCH(int, rejected);

    ReplyAssembler assembler;
    QStringList accepted;
    for (const QByteArray &read : reads) {
        for (const Reply &reply : assembler.feed(read))
            accepted << reply.letter + reply.data;
    }
    QCOMPARE(accepted, frames);
    QCOMPARE(assembler.pendingBytes(), pending);
    QCOMPARE(assembler.rejectedCount(), qint64(rejected));
}

void TestFrames::assemblerKeepsAtMostEightBytes()
{
    ReplyAssembler assembler;
    for (int i = 0; i < 1000; ++i) {
        assembler.feed("Q0Q0Q0Q0Q0Q0Q0Q0Q0Q0Q0Q0");
        QVERIFY(assembler.pendingBytes() <= 8);
    }
    QCOMPARE(assembler.feed("Q00N00.7Y").size(), 1);
}

void TestFrames::portName_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("device"); // empty: names no port
#ifdef Q_OS_WIN
    QTest::newRow("1") << "1"
                       << "COM1";
    QTest::newRow("2.5") << "2.5"
                         << "COM2";
    QTest::newRow("3.5") << "3.5"
                         << "COM4";
    // Past COM9 Windows wants \\.\COM12; the serial-port layer adds that itself.
    QTest::newRow("12") << "12"
                        << "COM12";
    QTest::newRow("COM12") << "COM12"
                           << "COM12";
    QTest::newRow("device namespace") << "\\\\.\\COM12"
                                      << "\\\\.\\COM12";
#else
    QTest::newRow("1") << "1"
                       << "/dev/ttyS0";
    QTest::newRow("2") << "2"
                       << "/dev/ttyS1";
    QTest::newRow("2.5") << "2.5"
                         << "/dev/ttyS1";
    QTest::newRow("3.5") << "3.5"
                         << "/dev/ttyS3";
#endif
    QTest::newRow("usb adapter") << "/dev/ttyUSB0"
                                 << "/dev/ttyUSB0";
    QTest::newRow("pseudo-terminal") << " /dev/pts/3 "
                                     << "/dev/pts/3";
    QTest::newRow("windows name") << "COM3"
                                  << "COM3";
    QTest::newRow("0") << "0"
                       << "";
    QTest::newRow("-1") << "-1"
                        << "";
    QTest::newRow("32768") << "32768"
                           << "";
    QTest::newRow("abc") << "abc"
                         << "";
    QTest::newRow("relative path") << "ttyS0"
                                   << "";
    QTest::newRow("COM0") << "COM0"
                          << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestFrames::portName()
{
    QFETCH(QString, answer);
    QFETCH(QString, device);
    const std::optional<QString> named = portDeviceName(answer);
    QCOMPARE(named.value_or(QString()), device);
}

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"
